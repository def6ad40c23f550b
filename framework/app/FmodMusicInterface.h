#pragma once
// Music through the second library table: songs (tracker modules) and
// sample music, which plays on the channel numbered like its music id.
// The library itself is set up by the sound manager made with it enabled.
#include <map>
#include <string>

#include "framework/app/MusicInterface.h"
#include "platform/audio/MusicEngine.h"

namespace Vant {

struct FMOD_INSTANCE;

struct FModMusicInfo : MusicFade {
    plat::fmod::Sample* sampleHandle = nullptr;  // null for a song
    plat::fmod::Song* songHandle = nullptr;      // null for a sample
    bool loopSample = false;
};

class FModMusicInterface : public MusicInterface {
public:
    // Without the library's table the interface stays silent.
    FModMusicInterface();
    ~FModMusicInterface() override;

    bool LoadMusic(int songId, const std::string& fileName) override;
    void PlayMusic(int songId, int offset, bool noLoop) override;
    void StopMusic(int songId) override;
    void PauseMusic(int songId) override;
    void ResumeMusic(int songId) override;
    void StopAllMusic() override;
    void FadeIn(int songId, int offset, double speed, bool noLoop) override;
    void FadeOut(int songId, bool stopSong, double speed) override;
    void FadeOutAll(bool stopSong, double speed) override;
    void SetSongVolume(int songId, double volume) override;
    bool IsPlaying(int songId) override;
    void SetVolume(double volume) override;
    void Update() override;

    // The two samples one after the other, looping over the second.
    virtual bool LoadMusicFromSamples(int songId, const std::string& first, const std::string& second,
                                      bool loopSample);
    virtual bool LoadSampleMusic(int songId, const std::string& fileName, bool loopSample);

    bool HasLibrary() const { return table_ != nullptr; }

    std::map<int, FModMusicInfo> musicMap;
    double globalVolume = 1.0;
    int musicVolumeScale = 100;
    int sampleVolumeScale = 100;

private:
    FModMusicInfo* Find(int songId);
    void ApplyVolume(int songId, const FModMusicInfo& info);
    void StartSample(int songId, const FModMusicInfo& info);
    // The sample of name + ".ogg" through its decoded copy beside it.
    plat::fmod::Sample* LoadCachedSample(const std::string& name);

    FMOD_INSTANCE* table_ = nullptr;
};

// The decoded copy's name: "cached_" before the name's last component, ".wav" after.
std::string FModSampleCacheName(const std::string& name);

}  // namespace Vant
