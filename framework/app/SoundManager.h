#pragma once
// Sound effects: the manager of loaded sounds and the instances that play
// them. Volumes are 0..1; pans are hundredths of a decibel, -10000 full
// left to 10000 full right.
#include <string>

namespace Vant {

class SoundInstance {
public:
    virtual ~SoundInstance() = default;
    // Stops; the manager deletes released instances later.
    virtual void Release() = 0;
    virtual void SetBaseVolume(double volume) = 0;
    virtual void SetBasePan(int pan) = 0;
    // Semitones up (or down) from the sound's own rate.
    virtual void AdjustPitch(double steps) = 0;
    virtual void SetVolume(double volume) = 0;
    virtual void SetPan(int pan) = 0;
    virtual bool Play(bool looping, bool autoRelease) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() = 0;
    // Releases an auto-release instance that has finished.
    virtual bool IsReleased() = 0;
    virtual double GetVolume() = 0;
};

class SoundManager {
public:
    virtual ~SoundManager() = default;
    virtual bool Initialized() = 0;
    // The id of the sound of that name, loading it into the highest free
    // slot when no slot has it yet; -1 when it can not be loaded.
    virtual int LoadSound(const std::string& fileName) = 0;
    virtual bool LoadSound(unsigned int id, const std::string& fileName) = 0;
    virtual void ReleaseSound(unsigned int id) = 0;
    virtual void SetVolume(double volume) = 0;
    virtual bool SetBaseVolume(unsigned int id, double volume) = 0;
    virtual bool SetBasePan(unsigned int id, int pan) = 0;
    // A new instance of a loaded sound, owned by the manager; null when
    // none can be made.
    virtual SoundInstance* GetSoundInstance(unsigned int id) = 0;
    virtual void ReleaseSounds() = 0;
    virtual void ReleaseChannels() = 0;
    virtual double GetMasterVolume() = 0;
    virtual void SetMasterVolume(double volume) = 0;
    virtual void SetCooperativeWindow(void* window, bool isWindowed) = 0;
    virtual void StopAllSounds() = 0;
};

}  // namespace Vant
