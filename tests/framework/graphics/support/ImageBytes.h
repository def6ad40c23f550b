#pragma once
// Image files built byte by byte for the codec tests and the fuzz seeds.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace graphicstest {

inline void PutWord(std::string& s, int v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

// A 32-bit top-left TGA of the given type, with an identification field
// and a colour map to skip.
inline std::string Tga(int w, int h, const std::vector<uint32_t>& px, int type = 2, int depth = 32,
                       int descriptor = 0x28, const std::string& id = "", int mapLength = 0) {
    std::string s;
    s += static_cast<char>(id.size());
    s += static_cast<char>(mapLength ? 1 : 0);
    s += static_cast<char>(type);
    PutWord(s, 0);
    PutWord(s, mapLength);
    s += static_cast<char>(mapLength ? 24 : 0);
    PutWord(s, 0);
    PutWord(s, 0);
    PutWord(s, w);
    PutWord(s, h);
    s += static_cast<char>(depth);
    s += static_cast<char>(descriptor);
    s += id;
    s += std::string(static_cast<size_t>(mapLength) * 3, '\x7F');
    for (uint32_t p : px)
        for (int i = 0; i < 4; ++i) s += static_cast<char>((p >> (8 * i)) & 0xFF);
    return s;
}

struct GifOptions {
    int minCodeSize = 2;
    int transparent = -1;       // index marked by a graphic control extension
    bool interlaced = false;
    bool globalTable = true;
    int tableBits = 2;          // 2^tableBits entries
    bool comment = false;       // a comment and an application extension first
};

// A GIF whose data codes every index as a literal, the code width growing
// as a decoder's table grows.
inline std::string Gif(int w, int h, const std::vector<uint8_t>& indices, const GifOptions& o = {}) {
    std::string s = "GIF89a";
    PutWord(s, w);
    PutWord(s, h);
    const int entries = 1 << o.tableBits;
    s += static_cast<char>((o.globalTable ? 0x80 : 0) | (o.tableBits - 1));
    s += '\0';
    s += '\0';
    if (o.globalTable)
        for (int i = 0; i < entries; ++i) {
            s += static_cast<char>(i * 40);
            s += static_cast<char>(255 - i * 40);
            s += static_cast<char>(i * 7);
        }
    if (o.comment) {
        s += "!\xFE\x03" "abc";
        s += '\0';
        s += "!\xFF\x0B" "NETSCAPE2.0";
        s += std::string("\x03\x01\x00\x00\x00", 5);
    }
    if (o.transparent >= 0) {
        s += "!\xF9\x04";
        s += '\x01';
        s += '\0';
        s += '\0';
        s += static_cast<char>(o.transparent);
        s += '\0';
    }
    s += ',';
    PutWord(s, 0);
    PutWord(s, 0);
    PutWord(s, w);
    PutWord(s, h);
    s += static_cast<char>(o.interlaced ? 0x40 : 0);
    s += static_cast<char>(o.minCodeSize);

    const int size = o.minCodeSize < 2 || o.minCodeSize > 8 ? 2 : o.minCodeSize;
    const int clear = 1 << size;
    std::vector<uint8_t> data;
    uint32_t acc = 0;
    int bits = 0, width = size + 1, avail = clear + 2;
    bool first = true;
    auto emit = [&](int code) {
        acc |= static_cast<uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            data.push_back(static_cast<uint8_t>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    emit(clear);
    for (uint8_t idx : indices) {
        if (avail >= 4000) {
            emit(clear);
            width = size + 1;
            avail = clear + 2;
            first = true;
        }
        emit(idx);
        if (!first) {
            ++avail;
            if (avail == (1 << width) && avail < 4096) ++width;
        }
        first = false;
    }
    emit(clear + 1);
    if (bits) data.push_back(static_cast<uint8_t>(acc & 0xFF));
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data.size() - at);
        s += static_cast<char>(n);
        s.append(reinterpret_cast<const char*>(data.data() + at), n);
    }
    s += '\0';
    s += ';';
    return s;
}

// The colour the test GIF's table gives index i.
inline uint32_t GifColor(int i) {
    return 0xFF000000u | (static_cast<uint32_t>(i * 40 & 0xFF) << 16) | (static_cast<uint32_t>((255 - i * 40) & 0xFF) << 8) |
           static_cast<uint32_t>(i * 7 & 0xFF);
}

}  // namespace graphicstest
