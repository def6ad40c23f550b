#pragma once
// Sound output: one device at 44,100 Hz, signed 16-bit stereo, fed by our
// own mixer. Sounds are buffers of PCM in any of the simple formats; a
// buffer is a voice of its own, and its duplicates share its PCM while each
// keeps its own position, volume, pan and frequency. Music plays through
// stream voices that decode as they play.
//
// The primary thread changes voices while the device's thread mixes them,
// so every change of a voice goes through the device's lock.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace plat {

inline constexpr int kMixRate = 44100;
inline constexpr int kMinFrequency = 100;
inline constexpr int kMaxFrequency = 100000;
inline constexpr int kSilence = -10000;  // hundredths of a decibel
// More voices than this at once is a leak, not a mix; creation fails.
inline constexpr std::size_t kMaxVoices = 512;

struct SoundFormat {
    int channels = 1;
    int rate = 22050;
    int bits = 16;

    int block_align() const { return channels * bits / 8; }
    bool valid() const {
        return (channels == 1 || channels == 2) && (bits == 8 || bits == 16) && rate > 0 && rate <= 1000000;
    }
};

// Interleaved 16-bit frames pulled by a stream voice from inside the mix.
class SoundStream {
public:
    virtual ~SoundStream() = default;
    virtual int channels() const = 0;
    virtual int rate() const = 0;
    // Up to frames frames into out; fewer (0) at the end or on failure.
    virtual std::size_t Read(std::int16_t* out, std::size_t frames) = 0;
    // Back to the first frame.
    virtual bool Rewind() = 0;
};

// Hundredths of a decibel to a linear factor: 0 is 1, -10000 or less is 0.
double AttenuationToGain(int hundredths);

struct VoiceState;
class AudioDevice;

class Mixer {
public:
    explicit Mixer(AudioDevice& device) : device_(device) {}
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Mixes every playing voice into frames stereo frames; the caller holds
    // the device's lock.
    void Mix(std::int16_t* out, std::size_t frames);

    // Our own overall gain, 0..1 (the system has no mixer for us to set).
    double MasterGain() const;
    void SetMasterGain(double gain);

    AudioDevice& device() { return device_; }
    std::size_t voice_count() const { return voices_.size(); }

private:
    friend class SoundBuffer;
    bool Add(VoiceState* v);
    void Remove(VoiceState* v);

    AudioDevice& device_;
    std::vector<VoiceState*> voices_;
    std::vector<float> accum_;
    double master_ = 1.0;
};

// The device's lock; a mixer runs only inside it.
class AudioDevice {
public:
    AudioDevice() : mixer_(*this) {}
    virtual ~AudioDevice() = default;
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    Mixer& mixer() { return mixer_; }

private:
    Mixer mixer_;
};

class AudioLockGuard {
public:
    explicit AudioLockGuard(AudioDevice& d) : d_(d) { d_.Lock(); }
    ~AudioLockGuard() { d_.Unlock(); }
    AudioLockGuard(const AudioLockGuard&) = delete;
    AudioLockGuard& operator=(const AudioLockGuard&) = delete;

private:
    AudioDevice& d_;
};

// The SDL audio device; null, with a log line, when none can be opened.
std::unique_ptr<AudioDevice> OpenAudioDevice();

// Mixes only when asked: tests hear exactly what the device would.
class HeadlessAudioDevice : public AudioDevice {
public:
    void Lock() override { mutex_.lock(); }
    void Unlock() override { mutex_.unlock(); }
    void RenderInto(std::int16_t* out, std::size_t frames);
    std::vector<std::int16_t> Render(std::size_t frames);

private:
    std::recursive_mutex mutex_;
};

// A voice: a static buffer of PCM (create, lock, fill, unlock, duplicate)
// or a stream.
class SoundBuffer {
public:
    // Null for an unusable format, a size of 0 or above 1 GB, or too many voices.
    static std::unique_ptr<SoundBuffer> Create(AudioDevice& device, const SoundFormat& format,
                                               std::uint32_t bytes);
    // Null for a stream that is not 1 or 2 channels at a usable rate.
    static std::unique_ptr<SoundBuffer> CreateStream(AudioDevice& device, std::unique_ptr<SoundStream> stream);
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    const SoundFormat& format() const;
    std::uint32_t size() const;  // bytes of PCM; 0 for a stream
    // The whole PCM as plain memory (null for a stream). Filled before any
    // voice over it plays.
    std::uint8_t* Lock();
    bool Unlock();
    // A voice over the same PCM at the default settings; null for a stream
    // or when no voice can be added.
    std::unique_ptr<SoundBuffer> Duplicate();

    bool Play(bool loop);
    void Stop();             // keeps the position
    void SetPosition(std::uint32_t frame);
    bool IsPlaying() const;
    void SetVolume(int hundredths);  // 0 full, -10000 silent
    int GetVolume() const;
    void SetPan(int hundredths);     // positive attenuates the left channel
    int GetPan() const;
    void SetFrequency(int hz);       // clamped to 100..100000
    int GetFrequency() const;
    // A further linear factor, 0..1, for music volumes.
    void SetLevel(double level);
    // Where a looping buffer starts again (frame 0 by default).
    void SetLoopStart(std::uint32_t frame);

private:
    SoundBuffer(AudioDevice& device, std::shared_ptr<std::vector<std::uint8_t>> pcm, const SoundFormat& format);

    AudioDevice& device_;
    std::unique_ptr<VoiceState> v_;
};

}  // namespace plat
