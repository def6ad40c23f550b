#pragma once
// Tools of the real-window tests: whether a program is installed, and
// reading the dump format of the X tools (xwd), true colour with 24 or 32
// bits a pixel, into 0xRRGGBB words.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace apptest {

inline bool OnPath(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

struct Capture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
};

inline bool ReadDump(const std::string& path, Capture* out, std::string* why) {
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto field = [&](std::size_t i) -> std::uint32_t {
        const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + i * 4;
        return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    };
    if (data.size() < 100) return *why = path + ": too short", false;
    const std::uint32_t headerSize = field(0), format = field(2), width = field(4), height = field(5);
    const std::uint32_t byteOrder = field(7), bpp = field(11), bytesPerLine = field(12);
    const std::uint32_t red = field(14), green = field(15), blue = field(16), colours = field(19);
    if (format != 2 || (bpp != 32 && bpp != 24) || red != 0xFF0000 || green != 0xFF00 || blue != 0xFF)
        return *why = path + ": not a true-colour dump", false;
    const std::size_t start = headerSize + std::size_t(colours) * 12;
    if (width > 10000 || height > 10000 || data.size() < start + std::size_t(bytesPerLine) * height)
        return *why = path + ": truncated", false;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->pixels.assign(std::size_t(width) * height, 0);
    const unsigned step = bpp / 8;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + start + y * bytesPerLine + x * step;
            std::uint32_t v = 0;
            for (unsigned b = 0; b < step; ++b)
                v |= std::uint32_t(p[b]) << (byteOrder == 0 ? 8 * b : 8 * (step - 1 - b));
            out->pixels[std::size_t(y) * width + x] = v;
        }
    return true;
}

}  // namespace apptest
