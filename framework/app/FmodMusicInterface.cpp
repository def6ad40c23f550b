#include "framework/app/FmodMusicInterface.h"
#include "framework/app/SoundFiles.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/app/MusicTables.h"
#include "orvek/File.h"
#include "orvek/Log.h"

namespace Vant {

namespace {

orvek::LogChannel music_warn("app.music", 2);


}  // namespace

std::string FModSampleCacheName(const std::string& name) {
    const auto cut = name.find_last_of("\\/");
    const std::size_t rest = cut == std::string::npos ? 0 : cut + 1;
    return name.substr(0, rest) + "cached_" + name.substr(rest) + ".wav";
}

FModMusicInterface::FModMusicInterface() : table_(FMOD_INSTANCE::Acquire()) {}

FModMusicInterface::~FModMusicInterface() {
    if (table_) FMOD_INSTANCE::Release();
}

FModMusicInfo* FModMusicInterface::Find(int songId) {
    if (!table_) return nullptr;
    auto it = musicMap.find(songId);
    return it == musicMap.end() ? nullptr : &it->second;
}

void FModMusicInterface::ApplyVolume(int songId, const FModMusicInfo& info) {
    if (info.songHandle)
        table_->FMUSIC_SetMasterVolume(info.songHandle, static_cast<int>(musicVolumeScale * globalVolume * info.volume));
    else
        table_->FSOUND_SetVolume(songId, static_cast<int>(sampleVolumeScale * globalVolume * info.volume));
}

void FModMusicInterface::StartSample(int songId, const FModMusicInfo& info) {
    table_->FSOUND_PlaySound(songId, info.sampleHandle);
    table_->FSOUND_SetLoopMode(songId, info.loopSample ? 2 : 1);
}

plat::fmod::Sample* FModMusicInterface::LoadCachedSample(const std::string& name) {
    const std::string cache = FModSampleCacheName(name);
    if (plat::fmod::Sample* s = table_->FSOUND_Sample_Load(-1, cache.c_str(), 0, 0)) return s;
    const std::string ogg = name + ".ogg";
    plat::fmod::Sample* s = table_->FSOUND_Sample_Load(-1, ogg.c_str(), 0, 0);
    if (!s) return nullptr;

    const unsigned mode = table_->FSOUND_Sample_GetMode(s);
    const int channels = (mode & 0x20) ? 1 : 2;
    const int bits = (mode & 0x08) ? 8 : 16;
    int rate = 0;
    table_->FSOUND_Sample_GetDefaults(s, &rate, nullptr, nullptr, nullptr);
    const std::uint32_t align = static_cast<std::uint32_t>(channels * bits / 8);
    const std::uint32_t size = table_->FSOUND_Sample_GetLength(s) * align;
    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    if (!table_->FSOUND_Sample_Lock(s, 0, static_cast<int>(size), &p1, &p2, &l1, &l2) || l1 < size) {
        if (p1) table_->FSOUND_Sample_Unlock(s, p1, p2, l1, l2);
        return s;  // plays, but no copy is kept
    }
    std::vector<std::uint8_t> out;
    PutTag(out, "RIFF");
    PutLE32(out, size + 36);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLE32(out, 16);
    PutLE16(out, 1);
    PutLE16(out, static_cast<std::uint16_t>(channels));
    PutLE32(out, static_cast<std::uint32_t>(rate));
    PutLE32(out, static_cast<std::uint32_t>(rate) * align);
    PutLE16(out, static_cast<std::uint16_t>(align));
    PutLE16(out, static_cast<std::uint16_t>(bits));
    PutTag(out, "data");
    PutLE32(out, size);
    const auto* bytes = static_cast<const std::uint8_t*>(p1);
    out.insert(out.end(), bytes, bytes + size);
    table_->FSOUND_Sample_Unlock(s, p1, p2, l1, l2);
    orvek::File f;
    if (!f.open(cache, orvek::open_mode::out | orvek::open_mode::trunc | orvek::open_mode::binary) ||
        f.write(out.data(), out.size()) != out.size())
        music_warn << "'" << cache << "' could not be written" << std::endl;
    return s;
}

bool FModMusicInterface::LoadMusic(int songId, const std::string& fileName) {
    if (!table_) return false;
    plat::fmod::Song* song = table_->FMUSIC_LoadSong(fileName.c_str());
    if (!song) return false;
    FModMusicInfo info;
    info.songHandle = song;
    musicMap[songId] = info;
    return true;
}

bool FModMusicInterface::LoadSampleMusic(int songId, const std::string& fileName, bool loopSample) {
    if (!table_) return false;
    plat::fmod::Sample* s = LoadCachedSample(fileName);
    if (!s) return false;
    FModMusicInfo info;
    info.sampleHandle = s;
    info.loopSample = loopSample;
    musicMap[songId] = info;
    return true;
}

bool FModMusicInterface::LoadMusicFromSamples(int songId, const std::string& first, const std::string& second,
                                              bool loopSample) {
    if (!table_) return false;
    plat::fmod::Sample* a = LoadCachedSample(first);
    plat::fmod::Sample* b = LoadCachedSample(second);
    const auto drop = [&] {
        if (a) table_->FSOUND_Sample_Free(a);
        if (b) table_->FSOUND_Sample_Free(b);
        return false;
    };
    if (!a || !b) return drop();
    int freqA = 0, freqB = 0;
    table_->FSOUND_Sample_GetDefaults(a, &freqA, nullptr, nullptr, nullptr);
    table_->FSOUND_Sample_GetDefaults(b, &freqB, nullptr, nullptr, nullptr);
    const unsigned modeA = table_->FSOUND_Sample_GetMode(a);
    if (freqA != freqB || modeA != table_->FSOUND_Sample_GetMode(b)) return drop();
    const unsigned lenA = table_->FSOUND_Sample_GetLength(a), lenB = table_->FSOUND_Sample_GetLength(b);
    plat::fmod::Sample* joined =
        table_->FSOUND_Sample_Alloc(-1, static_cast<int>(lenA + lenB), modeA | 2, freqA, 255, 128, 0);
    if (!joined) return drop();
    const unsigned frame = ((modeA & 0x20) ? 1u : 2u) * ((modeA & 0x08) ? 1u : 2u);
    void *dst = nullptr, *dst2 = nullptr;
    unsigned dlen = 0, dlen2 = 0;
    if (table_->FSOUND_Sample_Lock(joined, 0, static_cast<int>((lenA + lenB) * frame), &dst, &dst2, &dlen, &dlen2)) {
        unsigned at = 0;
        for (plat::fmod::Sample* part : {a, b}) {
            const unsigned bytes = table_->FSOUND_Sample_GetLength(part) * frame;
            void *src = nullptr, *src2 = nullptr;
            unsigned slen = 0, slen2 = 0;
            if (table_->FSOUND_Sample_Lock(part, 0, static_cast<int>(bytes), &src, &src2, &slen, &slen2)) {
                std::memcpy(static_cast<std::uint8_t*>(dst) + at, src, std::min({slen, bytes, dlen - at}));
                table_->FSOUND_Sample_Unlock(part, src, src2, slen, slen2);
            }
            at += bytes;
        }
        table_->FSOUND_Sample_Unlock(joined, dst, dst2, dlen, dlen2);
    }
    table_->FSOUND_Sample_Free(a);
    table_->FSOUND_Sample_Free(b);
    table_->FSOUND_Sample_SetLoopPoints(joined, static_cast<int>(lenA), static_cast<int>(lenB));
    FModMusicInfo info;
    info.sampleHandle = joined;
    info.loopSample = loopSample;
    musicMap[songId] = info;
    return true;
}

void FModMusicInterface::PlayMusic(int songId, int offset, bool noLoop) {
    FModMusicInfo* info = Find(songId);
    if (!info) return;
    info->volume = info->volumeCap;
    info->volumeAdd = 0.0;
    if (info->songHandle) {
        ApplyVolume(songId, *info);
        table_->FMUSIC_SetLooping(info->songHandle, noLoop ? 1 : 2);
        table_->FMUSIC_PlaySong(info->songHandle);
        table_->FMUSIC_SetOrder(info->songHandle, offset);
    } else {
        StartSample(songId, *info);
        ApplyVolume(songId, *info);
    }
}

void FModMusicInterface::StopMusic(int songId) {
    FModMusicInfo* info = Find(songId);
    if (!info) return;
    info->volume = 0.0;
    if (info->songHandle) table_->FMUSIC_StopSong(info->songHandle);
    else table_->FSOUND_StopSound(songId);
}

void FModMusicInterface::PauseMusic(int songId) {
    FModMusicInfo* info = Find(songId);
    if (!info) return;
    if (info->songHandle) table_->FMUSIC_SetPaused(info->songHandle, 1);
    else table_->FSOUND_SetPaused(songId, 1);
}

void FModMusicInterface::ResumeMusic(int songId) {
    FModMusicInfo* info = Find(songId);
    if (!info) return;
    if (info->songHandle) table_->FMUSIC_SetPaused(info->songHandle, 0);
    else table_->FSOUND_SetPaused(songId, 0);
}

void FModMusicInterface::StopAllMusic() {
    for (auto& [id, info] : musicMap) StopMusic(id);
}

void FModMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop) {
    FModMusicInfo* info = Find(songId);
    if (!info) return;
    info->volumeAdd = speed;
    if (info->sampleHandle) {
        if (!table_->FSOUND_IsPlaying(songId)) StartSample(songId, *info);
        ApplyVolume(songId, *info);
    } else {
        ApplyVolume(songId, *info);
        table_->FMUSIC_SetLooping(info->songHandle, noLoop ? 1 : 2);
        if (!table_->FMUSIC_IsPlaying(info->songHandle)) table_->FMUSIC_PlaySong(info->songHandle);
        if (offset != -1) table_->FMUSIC_SetOrder(info->songHandle, offset);
    }
}

void FModMusicInterface::FadeOut(int songId, bool stopSong, double speed) {
    FModMusicInfo* info = Find(songId);
    if (!info) return;
    info->stopOnFade = stopSong;
    info->volumeAdd = -speed;
}

void FModMusicInterface::FadeOutAll(bool stopSong, double speed) {
    // Every track fades, not only the first.
    for (auto& [id, info] : musicMap) {
        info.stopOnFade = stopSong;
        info.volumeAdd = -speed;
    }
}

void FModMusicInterface::SetSongVolume(int songId, double volume) {
    FModMusicInfo* info = Find(songId);
    if (!info) return;
    info->volume = volume;
    ApplyVolume(songId, *info);
}

bool FModMusicInterface::IsPlaying(int songId) {
    FModMusicInfo* info = Find(songId);
    if (!info) return false;
    // Sample music plays on its channel; it has no song to ask.
    if (info->sampleHandle) return table_->FSOUND_IsPlaying(songId) != 0;
    return table_->FMUSIC_IsPlaying(info->songHandle) != 0;
}

void FModMusicInterface::SetVolume(double volume) {
    globalVolume = volume;
    if (!table_) return;
    for (auto& [id, info] : musicMap) ApplyVolume(id, info);
}

void FModMusicInterface::Update() {
    if (!table_) return;
    for (auto& [id, info] : musicMap) {
        const MusicFade::Step step = info.Advance();
        if (step == MusicFade::Step::None) continue;
        if (step == MusicFade::Step::Stop) {
            if (info.songHandle) table_->FMUSIC_StopSong(info.songHandle);
            else table_->FSOUND_StopSound(id);
        }
        ApplyVolume(id, info);
    }
}

}  // namespace Vant
