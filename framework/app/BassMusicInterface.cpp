#include "framework/app/BassMusicInterface.h"

#include <algorithm>

#include "framework/app/MusicTables.h"
#include "orvek/Log.h"

namespace Vant {

namespace {

orvek::LogChannel music_warn("app.music", 2);

std::string LowerExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

int Percent(double v) { return static_cast<int>(v * 100); }

constexpr std::uint32_t kModuleFlags = 4;        // loop and ramping
constexpr std::uint32_t kModuleFlagsNew = 0x204;
constexpr std::uint32_t kPlayExNew = 0x200;

}  // namespace

BassMusicInterface::BassMusicInterface(void* window) : table_(BASS_INSTANCE::Acquire()) {
    if (!table_) return;
    if (table_->isNewVersion) {
        table_->BASS_InitNew(1, 44100, 0, window, nullptr);
        table_->BASS_SetConfig(0, 2000);
    } else {
        table_->BASS_Init(-1, 44100, 0, window);
    }
    table_->BASS_Start();
}

BassMusicInterface::~BassMusicInterface() {
    if (!table_) return;
    table_->BASS_Stop();
    table_->BASS_Free();
    BASS_INSTANCE::Release();
}

BassMusicInfo* BassMusicInterface::Find(int songId) {
    if (!table_) return nullptr;
    auto it = musicMap.find(songId);
    return it == musicMap.end() ? nullptr : &it->second;
}

void BassMusicInterface::SendVolume(const BassMusicInfo& info) {
    table_->BASS_ChannelSetAttributes(info.channel(), -1, Percent(info.volume), -101);
}

void BassMusicInterface::Free(BassMusicInfo& info) {
    if (info.streamHandle != 0) table_->BASS_StreamFree(info.streamHandle);
    else table_->BASS_MusicFree(info.musicHandle);
}

bool BassMusicInterface::LoadMusic(int songId, const std::string& fileName) {
    if (!table_) return false;
    BassMusicInfo info;
    const std::string ext = LowerExtension(fileName);
    if (ext == "wav" || ext == "ogg" || ext == "mp3") {
        info.streamHandle = table_->BASS_StreamCreateFile(0, fileName.c_str(), 0, 0, 0);
    } else if (table_->isNewVersion) {
        info.musicHandle = table_->BASS_MusicLoadNew(0, fileName.c_str(), 0, 0, kModuleFlagsNew, 0);
    } else {
        info.musicHandle = table_->BASS_MusicLoad(0, fileName.c_str(), 0, 0, kModuleFlags);
    }
    if (info.channel() == 0) return false;
    if (musicMap.count(songId) != 0) {
        // The first entry stays; the new handle would otherwise never be freed.
        music_warn << "music id " << songId << " is already loaded; '" << fileName << "' is not used" << std::endl;
        Free(info);
        return true;
    }
    musicMap.emplace(songId, info);
    return true;
}

void BassMusicInterface::Start(BassMusicInfo& info, int offset, bool noLoop) {
    const int flags = noLoop ? 0 : 4;
    if (info.musicHandle != 0) {
        if (table_->isNewVersion)
            table_->BASS_MusicPlayExNew(info.musicHandle, static_cast<std::uint32_t>(offset), flags | kPlayExNew);
        else
            table_->BASS_MusicPlayEx(info.musicHandle, static_cast<std::uint32_t>(offset), flags, 1);
    } else {
        table_->BASS_StreamPlay(info.streamHandle, offset != -1 ? 1 : 0, static_cast<std::uint32_t>(flags));
        if (offset > 0) table_->BASS_ChannelSetPosition(info.streamHandle, static_cast<std::uint64_t>(offset));
    }
}

void BassMusicInterface::PlayMusic(int songId, int offset, bool noLoop) {
    BassMusicInfo* info = Find(songId);
    if (!info) return;
    info->volume = info->volumeCap;
    info->volumeAdd = 0.0;
    info->stopOnFade = noLoop;
    SendVolume(*info);
    table_->BASS_ChannelStop(info->channel());
    Start(*info, offset, noLoop);
}

void BassMusicInterface::StopMusic(int songId) {
    BassMusicInfo* info = Find(songId);
    if (!info) return;
    info->volume = 0.0;
    table_->BASS_ChannelStop(info->channel());
}

void BassMusicInterface::PauseMusic(int songId) {
    if (BassMusicInfo* info = Find(songId)) table_->BASS_ChannelPause(info->channel());
}

void BassMusicInterface::ResumeMusic(int songId) {
    if (BassMusicInfo* info = Find(songId)) table_->BASS_ChannelResume(info->channel());
}

void BassMusicInterface::StopAllMusic() {
    if (!table_) return;
    for (auto& [id, info] : musicMap) {
        info.volume = 0.0;
        table_->BASS_ChannelStop(info.channel());
    }
}

void BassMusicInterface::UnloadMusic(int songId) {
    BassMusicInfo* info = Find(songId);
    if (!info) return;
    StopMusic(songId);
    Free(*info);
    musicMap.erase(songId);
}

void BassMusicInterface::UnloadAllMusic() {
    if (!table_) return;
    StopAllMusic();
    for (auto& [id, info] : musicMap) Free(info);
    musicMap.clear();
}

void BassMusicInterface::PauseAllMusic() {
    if (!table_) return;
    for (auto& [id, info] : musicMap) table_->BASS_ChannelPause(info.channel());
}

void BassMusicInterface::ResumeAllMusic() {
    if (!table_) return;
    for (auto& [id, info] : musicMap) table_->BASS_ChannelResume(info.channel());
}

void BassMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop) {
    BassMusicInfo* info = Find(songId);
    if (!info) return;
    info->volumeAdd = speed;
    info->stopOnFade = noLoop;
    table_->BASS_ChannelStop(info->channel());
    SendVolume(*info);
    if (info->musicHandle != 0 && offset == -1) table_->BASS_MusicPlay(info->musicHandle);
    else Start(*info, offset, noLoop);
}

void BassMusicInterface::FadeOut(int songId, bool stopSong, double speed) {
    BassMusicInfo* info = Find(songId);
    if (!info) return;
    if (info->volume != 0.0) info->volumeAdd = -speed;
    info->stopOnFade = stopSong;
}

void BassMusicInterface::FadeOutAll(bool stopSong, double speed) {
    for (auto& [id, info] : musicMap) {
        info.volumeAdd = -speed;
        info.stopOnFade = stopSong;
    }
}

void BassMusicInterface::SetSongVolume(int songId, double volume) {
    BassMusicInfo* info = Find(songId);
    if (!info) return;
    info->volume = volume;
    SendVolume(*info);
}

void BassMusicInterface::SetSongMaxVolume(int songId, double volume) {
    BassMusicInfo* info = Find(songId);
    if (!info) return;
    info->volumeCap = volume;
    info->volume = std::min(info->volume, volume);
    SendVolume(*info);
}

bool BassMusicInterface::IsPlaying(int songId) {
    BassMusicInfo* info = Find(songId);
    return info && table_->BASS_ChannelIsActive(info->channel()) == 1;
}

void BassMusicInterface::SetVolume(double volume) {
    if (!table_) return;
    if (table_->isNewVersion) {
        table_->BASS_SetConfig(6, static_cast<std::uint32_t>(Percent(volume)));
        table_->BASS_SetConfig(5, static_cast<std::uint32_t>(Percent(volume)));
    } else if (table_->BASS_SetGlobalVolumes) {
        const int x = static_cast<int>(maxMusicVolume * volume);
        table_->BASS_SetGlobalVolumes(x, x, x);
    }
}

void BassMusicInterface::SetMusicAmplify(int songId, double amplify) {
    if (BassMusicInfo* info = Find(songId))
        table_->BASS_MusicSetAmplify(info->channel(), static_cast<std::uint32_t>(Percent(amplify)));
}

void BassMusicInterface::Update() {
    if (!table_) return;
    for (auto& [id, info] : musicMap) {
        const MusicFade::Step step = info.Advance();
        if (step == MusicFade::Step::None) continue;
        if (step == MusicFade::Step::Stop) StopMusic(id);
        SendVolume(info);
    }
}

}  // namespace Vant
