#pragma once
// The sound files the manager reads besides WAV and Ogg (which the
// platform's readers handle): AU files, and the file times that tag the
// cached decoded copies.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/SoundFile.h"

namespace Vant {

// 100 ns units since 1601 of the file's last modification; 0 when the
// file can not be opened.
std::uint64_t GetSoundFileTime(const std::string& path);

// True when the source a cached copy names still has the stored time.
bool CachedSourceIsCurrent(const std::string& source, std::uint64_t storedTime);

// One 8-bit µ-law byte as a signed 16-bit sample.
int MuLawToLinear(std::uint8_t u);

// An AU file: µ-law becomes 16-bit, 8-bit linear becomes unsigned 8-bit.
bool ParseAU(const std::uint8_t* data, std::size_t size, plat::PcmData& out, std::string* error = nullptr);
bool ReadAU(const std::string& path, plat::PcmData& out, std::string* error = nullptr);

// A WAV file whose "dep " chunks must name current sources.
bool ReadSoundWav(const std::string& path, plat::PcmData& out, std::string* error = nullptr);

// Little-endian fields and four-letter tags, for the WAV files we write.
void PutLE32(std::vector<std::uint8_t>& out, std::uint32_t v);
void PutLE16(std::vector<std::uint8_t>& out, std::uint16_t v);
void PutTag(std::vector<std::uint8_t>& out, const char* tag);

}  // namespace Vant
