#pragma once
// The sound manager over our mixer: 256 loaded sounds, each one buffer of
// decoded PCM, and up to 32 instances, each a duplicate of a loaded buffer
// with its own volume, pan and pitch. Sounds load by name without their
// extension; compressed sources are decoded once and kept as WAV copies
// under "cached\", tagged with the source's name and file time.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/app/SoundManager.h"
#include "platform/audio/Audio.h"
#include "platform/audio/SoundFile.h"

namespace Vant {

class DSoundManager;
struct FMOD_INSTANCE;

class DSoundInstance : public SoundInstance {
public:
    DSoundInstance(DSoundManager* manager, plat::SoundBuffer* source, std::unique_ptr<plat::SoundBuffer> buffer);
    ~DSoundInstance() override;

    void Release() override;
    void SetBaseVolume(double volume) override;
    void SetBasePan(int pan) override;
    void AdjustPitch(double steps) override;
    void SetVolume(double volume) override;
    void SetPan(int pan) override;
    bool Play(bool looping, bool autoRelease) override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsReleased() override;
    double GetVolume() override { return volume; }

    // Re-applies the product of the three volumes.
    void RehupVolume();
    // Volume 0..1 to hundredths of a decibel; quieter than -20 dB is silence.
    static int VolumeToAttenuation(double volume);

    DSoundManager* manager;
    plat::SoundBuffer* sourceBuffer;
    std::unique_ptr<plat::SoundBuffer> soundBuffer;  // null: silent
    bool autoRelease = false;
    bool hasPlayed = false;
    bool released = false;
    int basePan = 0;
    double baseVolume = 1.0;
    int pan = 0;
    double volume = 1.0;
    unsigned defaultFrequency = 44100;
};

class DSoundManager : public SoundManager {
public:
    static constexpr unsigned kMaxSourceSounds = 256;
    static constexpr unsigned kMaxChannels = 32;

    // Opens the audio device; without a window, or without a device, the
    // manager is silent: loads succeed without data and instances are mute.
    DSoundManager(void* window, bool haveFMod);
    // Plays on the given device (borrowed); null is silent.
    DSoundManager(plat::AudioDevice* device, bool haveFMod);
    ~DSoundManager() override;

    bool Initialized() override { return device_ != nullptr; }
    int LoadSound(const std::string& fileName) override;
    bool LoadSound(unsigned int id, const std::string& fileName) override;
    void ReleaseSound(unsigned int id) override;
    void SetVolume(double volume) override;
    bool SetBaseVolume(unsigned int id, double volume) override;
    bool SetBasePan(unsigned int id, int pan) override;
    SoundInstance* GetSoundInstance(unsigned int id) override;
    void ReleaseSounds() override;
    void ReleaseChannels() override;
    double GetMasterVolume() override;
    void SetMasterVolume(double volume) override;
    void SetCooperativeWindow(void* window, bool isWindowed) override;
    void StopAllSounds() override;

    // The slot's PCM as a WAV copy tagged with the source's name and time.
    bool WriteCachedWAV(unsigned int id, const std::string& copyName, const std::string& sourceName);

    // Milliseconds of a monotonic clock, for the sweep of finished instances.
    std::function<std::uint32_t()> tickSource;

    std::unique_ptr<plat::SoundBuffer> sourceSounds[kMaxSourceSounds];
    std::string sourceFileNames[kMaxSourceSounds];
    std::uint32_t sourceDataSizes[kMaxSourceSounds] = {};
    double baseVolumes[kMaxSourceSounds];
    int basePans[kMaxSourceSounds] = {};
    std::unique_ptr<DSoundInstance> playingSounds[kMaxChannels];
    double effectsVolume = 1.0;
    std::uint32_t lastReleaseTick = 0;
    bool haveFMod = false;

private:
    void Start(void* window);
    bool Fill(unsigned int id, const plat::PcmData& pcm);
    bool LoadMP3(unsigned int id, const std::string& path);
    void Sweep();

    std::unique_ptr<plat::AudioDevice> own_;
    plat::AudioDevice* device_ = nullptr;
    FMOD_INSTANCE* fmod_ = nullptr;
    double silentMasterVolume_ = 1.0;
};

}  // namespace Vant
