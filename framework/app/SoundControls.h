#pragma once
// The application's sound settings: the effect and music volumes, muting
// (counted, with automatic mutes counted apart) and playing a sample once.
// The application owns one and forwards its sound calls to it.
#include "framework/app/MusicInterface.h"
#include "framework/app/SoundManager.h"

namespace Vant {

class SoundControls {
public:
    // Either may be null (nothing to apply to); neither is owned.
    SoundControls(SoundManager* sound, MusicInterface* music, double musicVolume, double sfxVolume);

    // A new instance at that pan, played once and released when done.
    void PlaySample(int id, int pan);
    void PlaySample(int id);

    double GetMasterVolume();
    double GetMusicVolume() const { return musicVolume; }
    double GetSfxVolume() const { return sfxVolume; }
    bool IsMuted() const { return muteCount > 0; }
    void SetMasterVolume(double volume);
    void SetMusicVolume(double volume);
    void SetSfxVolume(double volume);
    void Mute(bool autoMute);
    void Unmute(bool autoMute);

    SoundManager* soundManager;
    MusicInterface* musicInterface;
    double musicVolume;
    double sfxVolume;
    int muteCount = 0;
    int autoMuteCount = 0;
};

}  // namespace Vant
