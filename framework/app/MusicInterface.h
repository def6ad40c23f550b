#pragma once
// Background music addressed by small ids the caller picks. This base class
// is the silent implementation: every operation does nothing.
#include <string>

namespace Vant {

class MusicInterface {
public:
    virtual ~MusicInterface() = default;
    virtual bool LoadMusic(int songId, const std::string& fileName) {
        (void)songId, (void)fileName;
        return false;
    }
    virtual void PlayMusic(int songId, int offset, bool noLoop) { (void)songId, (void)offset, (void)noLoop; }
    virtual void StopMusic(int songId) { (void)songId; }
    virtual void PauseMusic(int songId) { (void)songId; }
    virtual void ResumeMusic(int songId) { (void)songId; }
    virtual void StopAllMusic() {}
    virtual void UnloadMusic(int songId) { (void)songId; }
    virtual void UnloadAllMusic() {}
    virtual void PauseAllMusic() {}
    virtual void ResumeAllMusic() {}
    // Speeds are the change of volume per Update.
    virtual void FadeIn(int songId, int offset, double speed, bool noLoop) {
        (void)songId, (void)offset, (void)speed, (void)noLoop;
    }
    virtual void FadeOut(int songId, bool stopSong, double speed) {
        (void)songId, (void)stopSong, (void)speed;
    }
    virtual void FadeOutAll(bool stopSong, double speed) { (void)stopSong, (void)speed; }
    virtual void SetSongVolume(int songId, double volume) { (void)songId, (void)volume; }
    virtual void SetSongMaxVolume(int songId, double volume) { (void)songId, (void)volume; }
    virtual bool IsPlaying(int songId) {
        (void)songId;
        return false;
    }
    virtual void SetVolume(double volume) { (void)volume; }
    virtual void SetMusicAmplify(int songId, double amplify) { (void)songId, (void)amplify; }
    virtual void Update() {}
};

// One entry's volume and fade state, shared by both library interfaces.
struct MusicFade {
    double volume = 0.0;
    double volumeAdd = 0.0;
    double volumeCap = 1.0;
    bool stopOnFade = false;

    enum class Step { None, Changed, Stop };
    // One update of the fade: Changed when the volume moved, Stop when it
    // reached 0 and the music is to stop (the volume changed as well).
    Step Advance() {
        if (volumeAdd == 0.0) return Step::None;
        volume += volumeAdd;
        if (volume > volumeCap) {
            volume = volumeCap;
            volumeAdd = 0.0;
        } else if (volume < 0.0) {
            volume = 0.0;
            volumeAdd = 0.0;
            if (stopOnFade) return Step::Stop;
        }
        return Step::Changed;
    }
};

}  // namespace Vant
