#include "framework/app/SoundFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "orvek/File.h"

namespace Vant {

namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// Seconds from 1601 to 1970.
constexpr std::uint64_t kEpochDifference = 11644473600ull;

}  // namespace

std::uint64_t GetSoundFileTime(const std::string& path) {
    const std::string resolved = orvek::resolve_path(path);
    struct stat st {};
    if (::stat(resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(resolved.c_str(), R_OK) != 0) return 0;
    if (st.st_mtim.tv_sec < 0) return 0;
    return (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + kEpochDifference) * 10000000ull +
           static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
}

bool CachedSourceIsCurrent(const std::string& source, std::uint64_t storedTime) {
    return GetSoundFileTime(source) == storedTime;
}

int MuLawToLinear(std::uint8_t u) {
    const int m = u | 128;
    int v;
    if (m > 239) v = (255 - m) * 2;
    else if (m > 223) v = (247 - m) * 4;
    else if (m > 207) v = (235 - m) * 8;
    else if (m > 191) v = (221 - m) * 16;
    else if (m >= 176) v = (206 - m) * 32;
    else if (m >= 160) v = 12192 - 64 * m;
    else if (m >= 144) v = 22368 - 128 * m;
    // The loudest code continues the segment below it; a special value
    // here would turn every full-scale sample into a near-silent one.
    else v = 40672 - 256 * m;
    v *= 4;
    return u < 128 ? -v : v;
}

bool ParseAU(const std::uint8_t* data, std::size_t size, plat::PcmData& out, std::string* error) {
    if (size < 24 || std::memcmp(data, ".snd", 4) != 0) return fail(error, "not an AU file");
    const std::uint32_t offset = be32(data + 4);
    std::uint32_t bytes = be32(data + 8);
    const std::uint32_t encoding = be32(data + 12);
    const std::uint32_t rate = be32(data + 16);
    const std::uint32_t channels = be32(data + 20);
    if (offset < 24 || offset > size) return fail(error, "data offset " + std::to_string(offset) + " is outside the file");
    const std::size_t left = size - offset;
    // All ones means the size was not known when the file was written.
    if (bytes == 0xFFFFFFFFu) bytes = static_cast<std::uint32_t>(std::min<std::size_t>(left, 0xFFFFFFFEu));
    if (bytes > left) return fail(error, "data of " + std::to_string(bytes) + " bytes is truncated");
    if (channels != 1 && channels != 2) return fail(error, "unsupported channel count");
    if (rate == 0 || rate > 1000000) return fail(error, "unsupported rate");
    const std::uint8_t* src = data + offset;
    if (encoding == 1) {
        out.format = plat::SoundFormat{static_cast<int>(channels), static_cast<int>(rate), 16};
        out.bytes.resize(static_cast<std::size_t>(bytes) * 2);
        for (std::size_t i = 0; i < bytes; ++i) {
            const auto s = static_cast<std::uint16_t>(MuLawToLinear(src[i]));
            out.bytes[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
            out.bytes[2 * i + 1] = static_cast<std::uint8_t>(s >> 8);
        }
    } else if (encoding == 2) {
        out.format = plat::SoundFormat{static_cast<int>(channels), static_cast<int>(rate), 8};
        out.bytes.resize(bytes);
        // AU's 8-bit samples are signed; ours are unsigned around 128.
        for (std::size_t i = 0; i < bytes; ++i) out.bytes[i] = static_cast<std::uint8_t>(src[i] ^ 0x80);
    } else {
        return fail(error, "unsupported encoding " + std::to_string(encoding));
    }
    return true;
}

bool ReadAU(const std::string& path, plat::PcmData& out, std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (!plat::ReadWholeFile(path, bytes)) return fail(error, "cannot read");
    return ParseAU(bytes.data(), bytes.size(), out, error);
}

bool ReadSoundWav(const std::string& path, plat::PcmData& out, std::string* error) {
    return plat::ReadWav(path, out, &CachedSourceIsCurrent, error);
}

void PutLE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutLE16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace Vant
