#pragma once
// Music through the first library table: files with the extension "wav",
// "ogg" or "mp3" play as streams, anything else as tracker modules.
#include <cstdint>
#include <map>

#include "framework/app/MusicInterface.h"

namespace Vant {

struct BASS_INSTANCE;

struct BassMusicInfo : MusicFade {
    std::uint32_t musicHandle = 0;   // a module, 0 for a stream
    std::uint32_t streamHandle = 0;  // a file stream, 0 for a module
    std::uint32_t channel() const { return musicHandle != 0 ? musicHandle : streamHandle; }
};

class BassMusicInterface : public MusicInterface {
public:
    // Without the library's table the interface stays silent.
    explicit BassMusicInterface(void* window);
    ~BassMusicInterface() override;

    bool LoadMusic(int songId, const std::string& fileName) override;
    void PlayMusic(int songId, int offset, bool noLoop) override;
    void StopMusic(int songId) override;
    void PauseMusic(int songId) override;
    void ResumeMusic(int songId) override;
    void StopAllMusic() override;
    void UnloadMusic(int songId) override;
    void UnloadAllMusic() override;
    void PauseAllMusic() override;
    void ResumeAllMusic() override;
    void FadeIn(int songId, int offset, double speed, bool noLoop) override;
    void FadeOut(int songId, bool stopSong, double speed) override;
    void FadeOutAll(bool stopSong, double speed) override;
    void SetSongVolume(int songId, double volume) override;
    void SetSongMaxVolume(int songId, double volume) override;
    bool IsPlaying(int songId) override;
    void SetVolume(double volume) override;
    void SetMusicAmplify(int songId, double amplify) override;
    void Update() override;

    bool HasLibrary() const { return table_ != nullptr; }

    std::map<int, BassMusicInfo> musicMap;
    int maxMusicVolume = 40;

private:
    BassMusicInfo* Find(int songId);
    void SendVolume(const BassMusicInfo& info);
    void Start(BassMusicInfo& info, int offset, bool noLoop);
    void Free(BassMusicInfo& info);

    BASS_INSTANCE* table_ = nullptr;
};

}  // namespace Vant
