#include "framework/app/SoundControls.h"

namespace Vant {

SoundControls::SoundControls(SoundManager* sound, MusicInterface* music, double music_volume, double sfx_volume)
    : soundManager(sound), musicInterface(music), musicVolume(music_volume), sfxVolume(sfx_volume) {}

void SoundControls::PlaySample(int id, int pan) {
    if (!soundManager || id < 0) return;
    SoundInstance* i = soundManager->GetSoundInstance(static_cast<unsigned>(id));
    if (!i) return;
    i->SetPan(pan);
    i->Play(false, true);
}

void SoundControls::PlaySample(int id) {
    if (!soundManager || id < 0) return;
    if (SoundInstance* i = soundManager->GetSoundInstance(static_cast<unsigned>(id))) i->Play(false, true);
}

double SoundControls::GetMasterVolume() { return soundManager ? soundManager->GetMasterVolume() : 1.0; }

void SoundControls::SetMasterVolume(double volume) {
    sfxVolume = volume;
    if (soundManager) soundManager->SetMasterVolume(volume);
}

void SoundControls::SetMusicVolume(double volume) {
    musicVolume = volume;
    if (musicInterface) musicInterface->SetVolume(IsMuted() ? 0.0 : musicVolume);
}

void SoundControls::SetSfxVolume(double volume) {
    sfxVolume = volume;
    if (soundManager) soundManager->SetVolume(IsMuted() ? 0.0 : sfxVolume);
}

void SoundControls::Mute(bool autoMute) {
    ++muteCount;
    if (autoMute) ++autoMuteCount;
    SetMusicVolume(musicVolume);
    SetSfxVolume(sfxVolume);
}

void SoundControls::Unmute(bool autoMute) {
    if (muteCount > 0) {
        --muteCount;
        if (autoMute) --autoMuteCount;
    }
    SetMusicVolume(musicVolume);
    SetSfxVolume(sfxVolume);
}

}  // namespace Vant
