#include "platform/audio/Audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plat {

namespace {
constexpr std::size_t kStreamChunk = 1024;  // frames decoded at a time
constexpr std::uint32_t kMaxBufferBytes = 1u << 30;
constexpr double kFraction = 1.0 / 4294967296.0;
}  // namespace

double AttenuationToGain(int hundredths) {
    if (hundredths <= kSilence) return 0.0;
    if (hundredths >= 0) return 1.0;
    return std::pow(10.0, hundredths / 2000.0);
}

struct VoiceState {
    std::shared_ptr<std::vector<std::uint8_t>> pcm;
    SoundFormat format;
    std::unique_ptr<SoundStream> stream;

    bool playing = false;
    bool looping = false;
    std::size_t loop_start = 0;  // below frames() whenever a buffer loops
    std::uint64_t pos = 0;  // buffers: frames in 32.32; streams: the fraction only
    int frequency = kMixRate;
    int volume = 0;
    int pan = 0;
    double level = 1.0;
    float gain_left = 1.0f, gain_right = 1.0f;

    // Streams: the two frames being interpolated and the decoded chunk.
    std::vector<std::int16_t> chunk;
    std::size_t chunk_len = 0, chunk_pos = 0;
    std::int16_t cur[2] = {0, 0}, nxt[2] = {0, 0};
    bool primed = false, have_nxt = false;

    std::size_t frames() const {
        return pcm ? pcm->size() / static_cast<std::size_t>(format.block_align()) : 0;
    }

    void update_gains() {
        const double g = AttenuationToGain(volume) * level;
        gain_left = static_cast<float>(g * (pan > 0 ? AttenuationToGain(-pan) : 1.0));
        gain_right = static_cast<float>(g * (pan < 0 ? AttenuationToGain(pan) : 1.0));
    }

    int sample(std::size_t frame, int ch) const {
        if (format.channels == 1) ch = 0;
        const std::uint8_t* p = pcm->data() + frame * format.block_align();
        if (format.bits == 8) return (static_cast<int>(p[ch]) - 128) * 256;
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[2 * ch] | (p[2 * ch + 1] << 8)));
    }

    void reset_stream() {
        primed = false;
        have_nxt = false;
        chunk_len = chunk_pos = 0;
        pos = 0;
        if (stream) stream->Rewind();
    }

    bool pull(std::int16_t out[2]) {
        const int ch = stream->channels();
        if (chunk_pos >= chunk_len) {
            chunk.resize(kStreamChunk * ch);
            chunk_len = stream->Read(chunk.data(), kStreamChunk);
            if (chunk_len == 0 && looping && stream->Rewind()) chunk_len = stream->Read(chunk.data(), kStreamChunk);
            chunk_len = std::min(chunk_len, kStreamChunk);
            chunk_pos = 0;
            if (chunk_len == 0) return false;
        }
        const std::int16_t* f = chunk.data() + chunk_pos * ch;
        out[0] = f[0];
        out[1] = ch == 2 ? f[1] : f[0];
        ++chunk_pos;
        return true;
    }

    void mix_buffer(float* acc, std::size_t count, std::uint64_t step) {
        const std::size_t n = frames();
        if (n == 0) {
            playing = false;
            return;
        }
        for (std::size_t f = 0; f < count; ++f) {
            std::size_t idx = static_cast<std::size_t>(pos >> 32);
            if (idx >= n) {
                if (!looping) {
                    playing = false;
                    pos = 0;
                    return;
                }
                idx = loop_start + (idx - n) % (n - loop_start);
                pos = (static_cast<std::uint64_t>(idx) << 32) | (pos & 0xffffffffu);
            }
            std::size_t next = idx + 1;
            if (next >= n) next = looping ? loop_start : idx;
            const double frac = static_cast<double>(pos & 0xffffffffu) * kFraction;
            const int l0 = sample(idx, 0), l1 = sample(next, 0);
            const int r0 = sample(idx, 1), r1 = sample(next, 1);
            acc[2 * f] += static_cast<float>(l0 + (l1 - l0) * frac) * gain_left;
            acc[2 * f + 1] += static_cast<float>(r0 + (r1 - r0) * frac) * gain_right;
            pos += step;
            // A one-shot voice stops the moment it passes its last frame.
            if (!looping && (pos >> 32) >= n) {
                playing = false;
                pos = 0;
                return;
            }
        }
    }

    void mix_stream(float* acc, std::size_t count, std::uint64_t step) {
        if (!primed) {
            if (!pull(cur)) {
                playing = false;
                reset_stream();
                return;
            }
            have_nxt = pull(nxt);
            primed = true;
        }
        for (std::size_t f = 0; f < count; ++f) {
            const double frac = static_cast<double>(pos) * kFraction;
            const std::int16_t* b = have_nxt ? nxt : cur;
            acc[2 * f] += static_cast<float>(cur[0] + (b[0] - cur[0]) * frac) * gain_left;
            acc[2 * f + 1] += static_cast<float>(cur[1] + (b[1] - cur[1]) * frac) * gain_right;
            pos += step;
            for (std::uint64_t adv = pos >> 32; adv > 0; --adv) {
                if (!have_nxt) {
                    playing = false;
                    reset_stream();
                    return;
                }
                cur[0] = nxt[0];
                cur[1] = nxt[1];
                have_nxt = pull(nxt);
            }
            pos &= 0xffffffffu;
        }
    }
};

// ---------------------------------------------------------------- Mixer

void Mixer::Mix(std::int16_t* out, std::size_t frames) {
    accum_.assign(frames * 2, 0.0f);
    for (VoiceState* v : voices_) {
        if (!v->playing) continue;
        const std::uint64_t step = (static_cast<std::uint64_t>(v->frequency) << 32) / kMixRate;
        if (v->stream) v->mix_stream(accum_.data(), frames, step);
        else v->mix_buffer(accum_.data(), frames, step);
    }
    const double master = master_;
    for (std::size_t i = 0; i < frames * 2; ++i) {
        const long s = std::lround(accum_[i] * master);
        out[i] = static_cast<std::int16_t>(std::clamp(s, -32768L, 32767L));
    }
}

double Mixer::MasterGain() const {
    AudioLockGuard lock(device_);
    return master_;
}

void Mixer::SetMasterGain(double gain) {
    if (!(gain >= 0.0)) gain = 0.0;  // NaN too
    AudioLockGuard lock(device_);
    master_ = std::min(gain, 1.0);
}

bool Mixer::Add(VoiceState* v) {
    if (voices_.size() >= kMaxVoices) return false;
    voices_.push_back(v);
    return true;
}

void Mixer::Remove(VoiceState* v) {
    voices_.erase(std::remove(voices_.begin(), voices_.end(), v), voices_.end());
}

// ---------------------------------------------------------------- devices

void HeadlessAudioDevice::RenderInto(std::int16_t* out, std::size_t frames) {
    AudioLockGuard lock(*this);
    mixer().Mix(out, frames);
}

std::vector<std::int16_t> HeadlessAudioDevice::Render(std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2);
    RenderInto(out.data(), frames);
    return out;
}

// ---------------------------------------------------------------- buffers

SoundBuffer::SoundBuffer(AudioDevice& device, std::shared_ptr<std::vector<std::uint8_t>> pcm,
                         const SoundFormat& format)
    : device_(device), v_(std::make_unique<VoiceState>()) {
    v_->pcm = std::move(pcm);
    v_->format = format;
    v_->frequency = std::clamp(format.rate, kMinFrequency, kMaxFrequency);
}

std::unique_ptr<SoundBuffer> SoundBuffer::Create(AudioDevice& device, const SoundFormat& format,
                                                 std::uint32_t bytes) {
    if (!format.valid() || bytes == 0 || bytes > kMaxBufferBytes) return nullptr;
    std::unique_ptr<SoundBuffer> b(
        new SoundBuffer(device, std::make_shared<std::vector<std::uint8_t>>(bytes), format));
    AudioLockGuard lock(device);
    if (!device.mixer().Add(b->v_.get())) return nullptr;
    return b;
}

std::unique_ptr<SoundBuffer> SoundBuffer::CreateStream(AudioDevice& device, std::unique_ptr<SoundStream> stream) {
    if (!stream) return nullptr;
    const SoundFormat format{stream->channels(), stream->rate(), 16};
    if (!format.valid()) return nullptr;
    std::unique_ptr<SoundBuffer> b(new SoundBuffer(device, nullptr, format));
    b->v_->stream = std::move(stream);
    AudioLockGuard lock(device);
    if (!device.mixer().Add(b->v_.get())) return nullptr;
    return b;
}

SoundBuffer::~SoundBuffer() {
    AudioLockGuard lock(device_);
    device_.mixer().Remove(v_.get());
}

const SoundFormat& SoundBuffer::format() const { return v_->format; }

std::uint32_t SoundBuffer::size() const { return v_->pcm ? static_cast<std::uint32_t>(v_->pcm->size()) : 0; }

std::uint8_t* SoundBuffer::Lock() { return v_->pcm ? v_->pcm->data() : nullptr; }

bool SoundBuffer::Unlock() { return v_->pcm != nullptr; }

std::unique_ptr<SoundBuffer> SoundBuffer::Duplicate() {
    if (!v_->pcm) return nullptr;
    std::unique_ptr<SoundBuffer> b(new SoundBuffer(device_, v_->pcm, v_->format));
    AudioLockGuard lock(device_);
    if (!device_.mixer().Add(b->v_.get())) return nullptr;
    return b;
}

bool SoundBuffer::Play(bool loop) {
    AudioLockGuard lock(device_);
    v_->looping = loop;
    v_->playing = true;
    return true;
}

void SoundBuffer::Stop() {
    AudioLockGuard lock(device_);
    v_->playing = false;
}

void SoundBuffer::SetPosition(std::uint32_t frame) {
    AudioLockGuard lock(device_);
    if (v_->stream) {
        // Streams only go back to their start.
        v_->reset_stream();
        return;
    }
    v_->pos = static_cast<std::uint64_t>(std::min<std::size_t>(frame, v_->frames())) << 32;
}

bool SoundBuffer::IsPlaying() const {
    AudioLockGuard lock(device_);
    return v_->playing;
}

void SoundBuffer::SetVolume(int hundredths) {
    AudioLockGuard lock(device_);
    v_->volume = std::clamp(hundredths, kSilence, 0);
    v_->update_gains();
}

int SoundBuffer::GetVolume() const {
    AudioLockGuard lock(device_);
    return v_->volume;
}

void SoundBuffer::SetPan(int hundredths) {
    AudioLockGuard lock(device_);
    v_->pan = std::clamp(hundredths, -10000, 10000);
    v_->update_gains();
}

int SoundBuffer::GetPan() const {
    AudioLockGuard lock(device_);
    return v_->pan;
}

void SoundBuffer::SetFrequency(int hz) {
    AudioLockGuard lock(device_);
    v_->frequency = std::clamp(hz, kMinFrequency, kMaxFrequency);
}

int SoundBuffer::GetFrequency() const {
    AudioLockGuard lock(device_);
    return v_->frequency;
}

void SoundBuffer::SetLoopStart(std::uint32_t frame) {
    AudioLockGuard lock(device_);
    v_->loop_start = frame < v_->frames() ? frame : 0;
}

void SoundBuffer::SetLevel(double level) {
    if (!(level >= 0.0)) level = 0.0;
    AudioLockGuard lock(device_);
    v_->level = std::min(level, 1.0);
    v_->update_gains();
}

}  // namespace plat
