#pragma once
// Reading sound files into PCM: WAV files (ours and the cached copies with
// their "dep " chunk) and Ogg Vorbis through Tremor, whole or as a stream.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/Audio.h"

namespace plat {

struct PcmData {
    SoundFormat format;
    std::vector<std::uint8_t> bytes;
};

// A "dep " chunk: the source's name and the stored file time. Returning
// false rejects the file as stale.
using DepCheck = std::function<bool(const std::string& source, std::uint64_t file_time)>;

// Whole file in memory. Sizes in the file are checked against it before
// anything is allocated; a failure leaves the reason in error.
bool ParseWav(const std::uint8_t* data, std::size_t size, PcmData& out, const DepCheck& dep = {},
              std::string* error = nullptr);
bool ReadWav(const std::string& path, PcmData& out, const DepCheck& dep = {}, std::string* error = nullptr);

// The whole file's bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out);

// An Ogg Vorbis file decoded as it is read.
class OggStream : public SoundStream {
public:
    // Null, with the reason in error, for a file that is not Ogg Vorbis of
    // 1 or 2 channels.
    static std::unique_ptr<OggStream> Open(const std::string& path, std::string* error = nullptr);
    // Over bytes held in memory (the stream keeps its own copy).
    static std::unique_ptr<OggStream> OpenMemory(std::vector<std::uint8_t> bytes, std::string* error = nullptr);
    ~OggStream() override;

    int channels() const override { return channels_; }
    int rate() const override { return rate_; }
    std::size_t Read(std::int16_t* out, std::size_t frames) override;
    bool Rewind() override;

    // Frames in the file as its last page claims; negative on error.
    std::int64_t total_frames();
    std::uint64_t file_size() const { return bytes_.size(); }

private:
    OggStream() = default;
    bool Start(std::string* error);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::vector<std::uint8_t> bytes_;
    std::size_t at_ = 0;
    int channels_ = 0, rate_ = 0;
    friend struct OggCallbacks;
};

// A whole Ogg Vorbis file decoded into 16-bit PCM. The length the file
// claims must be plausible for its size and is then decoded in full.
bool ReadOgg(const std::string& path, PcmData& out, std::string* error = nullptr);
bool DecodeOgg(std::unique_ptr<OggStream> stream, PcmData& out, std::string* error = nullptr);

}  // namespace plat
