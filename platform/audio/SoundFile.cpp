#include "platform/audio/SoundFile.h"

#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstring>

#include "orvek/File.h"

namespace plat {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// A decoded Vorbis stream can not hold more frames per byte of file than
// one largest block per packet allows; more is a lie in the last page.
constexpr std::uint64_t kMaxFramesPerByte = 4096;
constexpr std::uint64_t kMaxPcmBytes = 1u << 30;

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
    orvek::File f;
    if (!f.open(path, orvek::open_mode::in | orvek::open_mode::binary)) return false;
    const std::uint64_t size = f.size();
    if (size > kMaxPcmBytes) return false;
    out.resize(size);
    std::size_t got = 0;
    while (got < size) {
        const std::size_t n = f.read(out.data() + got, size - got);
        if (n == 0) return false;
        got += n;
    }
    return true;
}

bool ParseWav(const std::uint8_t* data, std::size_t size, PcmData& out, const DepCheck& dep, std::string* error) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return fail(error, "not a RIFF WAVE file");
    out.format = SoundFormat{1, 22050, 16};
    std::size_t at = 12;
    for (;;) {
        if (size - at < 8) return fail(error, "no \"data\" chunk");
        const std::uint8_t* id = data + at;
        const std::uint32_t chunk = le32(data + at + 4);
        const std::size_t body = at + 8;
        const std::size_t left = size - body;
        if (std::memcmp(id, "data", 4) == 0) {
            if (chunk > left) return fail(error, "\"data\" chunk of " + std::to_string(chunk) + " bytes is truncated");
            if (!out.format.valid()) return fail(error, "unsupported sample format");
            out.bytes.assign(data + body, data + body + chunk);
            return true;
        }
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (left < 16) return fail(error, "\"fmt \" chunk is truncated");
            if (le16(data + body) != 1) return fail(error, "not PCM");
            out.format.channels = le16(data + body + 2);
            out.format.rate = static_cast<int>(std::min<std::uint32_t>(le32(data + body + 4), 0x7fffffff));
            out.format.bits = le16(data + body + 14);
        } else if (std::memcmp(id, "dep ", 4) == 0) {
            if (left < 2) return fail(error, "\"dep \" chunk is truncated");
            const std::size_t n = std::min<std::size_t>(le16(data + body), 255);
            if (left < 2 + n + 8) return fail(error, "\"dep \" chunk is truncated");
            const std::string source(reinterpret_cast<const char*>(data + body + 2), n);
            const std::uint64_t time = le32(data + body + 2 + n) |
                                       (static_cast<std::uint64_t>(le32(data + body + 6 + n)) << 32);
            if (dep && !dep(source, time)) return fail(error, "stale copy of \"" + source + "\"");
        }
        // Odd sizes are not padded; a chunk past the end ends the search.
        if (chunk > left) return fail(error, "no \"data\" chunk");
        at = body + chunk;
    }
}

bool ReadWav(const std::string& path, PcmData& out, const DepCheck& dep, std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return fail(error, "cannot read");
    return ParseWav(bytes.data(), bytes.size(), out, dep, error);
}

// ---------------------------------------------------------------- Ogg

struct OggStream::Impl {
    OggVorbis_File vf{};
    bool open = false;
};

struct OggCallbacks {
    static size_t read(void* ptr, size_t size, size_t nmemb, void* src) {
        auto* s = static_cast<OggStream*>(src);
        if (size == 0) return 0;
        const std::size_t n = std::min(nmemb, (s->bytes_.size() - s->at_) / size);
        if (n == 0) return 0;
        std::memcpy(ptr, s->bytes_.data() + s->at_, n * size);
        s->at_ += n * size;
        return n;
    }
    static int seek(void* src, ogg_int64_t offset, int whence) {
        auto* s = static_cast<OggStream*>(src);
        ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<ogg_int64_t>(s->at_)
                                                                       : static_cast<ogg_int64_t>(s->bytes_.size());
        if (offset > static_cast<ogg_int64_t>(s->bytes_.size()) || offset < -static_cast<ogg_int64_t>(s->bytes_.size()))
            return -1;
        const ogg_int64_t to = base + offset;
        if (to < 0 || to > static_cast<ogg_int64_t>(s->bytes_.size())) return -1;
        s->at_ = static_cast<std::size_t>(to);
        return 0;
    }
    static long tell(void* src) { return static_cast<long>(static_cast<OggStream*>(src)->at_); }
};

std::unique_ptr<OggStream> OggStream::Open(const std::string& path, std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        fail(error, "cannot read");
        return nullptr;
    }
    return OpenMemory(std::move(bytes), error);
}

std::unique_ptr<OggStream> OggStream::OpenMemory(std::vector<std::uint8_t> bytes, std::string* error) {
    std::unique_ptr<OggStream> s(new OggStream());
    s->bytes_ = std::move(bytes);
    if (!s->Start(error)) return nullptr;
    return s;
}

bool OggStream::Start(std::string* error) {
    if (impl_ && impl_->open) ov_clear(&impl_->vf);
    impl_ = std::make_unique<Impl>();
    at_ = 0;
    const ov_callbacks cb{&OggCallbacks::read, &OggCallbacks::seek, nullptr, &OggCallbacks::tell};
    if (ov_open_callbacks(this, &impl_->vf, nullptr, 0, cb) != 0) return fail(error, "not an Ogg Vorbis file");
    impl_->open = true;
    const vorbis_info* info = ov_info(&impl_->vf, -1);
    if (!info || (info->channels != 1 && info->channels != 2) || info->rate <= 0 || info->rate > 1000000)
        return fail(error, "unsupported channels or rate");
    channels_ = info->channels;
    rate_ = static_cast<int>(info->rate);
    return true;
}

OggStream::~OggStream() {
    if (impl_ && impl_->open) ov_clear(&impl_->vf);
}

std::int64_t OggStream::total_frames() { return ov_pcm_total(&impl_->vf, -1); }

std::size_t OggStream::Read(std::int16_t* out, std::size_t frames) {
    const std::size_t frame_bytes = static_cast<std::size_t>(channels_) * 2;
    std::size_t want = frames * frame_bytes, got = 0;
    char* dst = reinterpret_cast<char*>(out);
    int holes = 0;
    while (got < want) {
        int bitstream = 0;
        const long n = ov_read(&impl_->vf, dst + got, static_cast<int>(std::min<std::size_t>(want - got, 1 << 20)),
                               &bitstream);
        if (n == OV_HOLE && ++holes < 64) continue;  // a gap in the data, decoding goes on
        if (n <= 0) break;
        // A new link with other channels would scramble the frames: stop.
        const vorbis_info* info = ov_info(&impl_->vf, -1);
        if (!info || info->channels != channels_) break;
        got += static_cast<std::size_t>(n);
    }
    return got / frame_bytes;
}

bool OggStream::Rewind() {
    if (ov_pcm_seek(&impl_->vf, 0) == 0) return true;
    // Streams that can not seek start again from their bytes.
    return Start(nullptr);
}

bool DecodeOgg(std::unique_ptr<OggStream> s, PcmData& out, std::string* error) {
    const std::int64_t frames = s->total_frames();
    if (frames <= 0) return fail(error, "no length");
    const std::uint64_t bytes = static_cast<std::uint64_t>(frames) * s->channels() * 2;
    if (static_cast<std::uint64_t>(frames) > s->file_size() * kMaxFramesPerByte || bytes > kMaxPcmBytes)
        return fail(error, "claimed length of " + std::to_string(frames) + " frames is too large for the file");
    out.format = SoundFormat{s->channels(), s->rate(), 16};
    out.bytes.assign(bytes, 0);
    const std::size_t got = s->Read(reinterpret_cast<std::int16_t*>(out.bytes.data()), static_cast<std::size_t>(frames));
    if (got != static_cast<std::size_t>(frames)) return fail(error, "decoded fewer frames than the file claims");
    return true;
}

bool ReadOgg(const std::string& path, PcmData& out, std::string* error) {
    auto s = OggStream::Open(path, error);
    if (!s) return false;
    return DecodeOgg(std::move(s), out, error);
}

}  // namespace plat
