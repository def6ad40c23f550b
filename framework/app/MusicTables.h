#pragma once
// The two music libraries' entry points, looked up by their exported names
// once per process and shared by reference count. A library or entry point
// that is missing gives no table (and a log line): music is then silent.
#include <functional>
#include <memory>
#include <string>

#include "platform/audio/MusicEngine.h"

namespace Vant {

// Opens a library by name; by default our own engine. Tests install a
// recording library here.
using MusicLibraryOpener = std::function<std::unique_ptr<plat::MusicLibrary>(const std::string& name)>;
void SetMusicLibraryOpener(MusicLibraryOpener opener);

struct BASS_INSTANCE {
    virtual ~BASS_INSTANCE() = default;

    // One more reference; the first loads "bass.dll". Null when the library
    // or an entry point is missing.
    static BASS_INSTANCE* Acquire();
    static void Release();

    std::unique_ptr<plat::MusicLibrary> library;
    bool isNewVersion = false;
    plat::bass::Init BASS_Init = nullptr;
    plat::bass::InitNew BASS_InitNew = nullptr;
    plat::bass::Void BASS_Free = nullptr;
    plat::bass::Void BASS_Stop = nullptr;
    plat::bass::Void BASS_Start = nullptr;
    plat::bass::SetGlobalVolumes BASS_SetGlobalVolumes = nullptr;
    plat::bass::SetVolume BASS_SetVolume = nullptr;
    plat::bass::MusicSetAmplify BASS_MusicSetAmplify = nullptr;
    plat::bass::SetConfig BASS_SetConfig = nullptr;
    plat::bass::Channel BASS_ChannelStop = nullptr;
    plat::bass::Channel BASS_ChannelPause = nullptr;
    plat::bass::Channel BASS_ChannelResume = nullptr;
    plat::bass::ChannelSetAttributes BASS_ChannelSetAttributes = nullptr;
    plat::bass::ChannelSetPosition BASS_ChannelSetPosition = nullptr;
    plat::bass::ChannelIsActive BASS_ChannelIsActive = nullptr;
    plat::bass::MusicLoad BASS_MusicLoad = nullptr;
    plat::bass::MusicLoadNew BASS_MusicLoadNew = nullptr;
    plat::bass::Channel BASS_MusicPlay = nullptr;
    // One export, called with the older or the newer argument list.
    plat::bass::MusicPlayEx BASS_MusicPlayEx = nullptr;
    plat::bass::MusicPlayExNew BASS_MusicPlayExNew = nullptr;
    plat::bass::Free BASS_MusicFree = nullptr;
    plat::bass::StreamCreateFile BASS_StreamCreateFile = nullptr;
    plat::bass::Free BASS_StreamFree = nullptr;
    plat::bass::StreamPlay BASS_StreamPlay = nullptr;
};

struct FMOD_INSTANCE {
    virtual ~FMOD_INSTANCE() = default;

    // As BASS_INSTANCE, with "fmod.dll".
    static FMOD_INSTANCE* Acquire();
    static void Release();

    std::unique_ptr<plat::MusicLibrary> library;
    plat::fmod::SetBufferSize FSOUND_SetBufferSize = nullptr;
    plat::fmod::SetHWND FSOUND_SetHWND = nullptr;
    plat::fmod::Init FSOUND_Init = nullptr;
    plat::fmod::Close FSOUND_Close = nullptr;
    plat::fmod::SampleLoad FSOUND_Sample_Load = nullptr;
    plat::fmod::SampleAlloc FSOUND_Sample_Alloc = nullptr;
    plat::fmod::SampleFree FSOUND_Sample_Free = nullptr;
    plat::fmod::SampleLock FSOUND_Sample_Lock = nullptr;
    plat::fmod::SampleUnlock FSOUND_Sample_Unlock = nullptr;
    plat::fmod::SampleSetLoopPoints FSOUND_Sample_SetLoopPoints = nullptr;
    plat::fmod::SampleGetLength FSOUND_Sample_GetLength = nullptr;
    plat::fmod::SampleGetDefaults FSOUND_Sample_GetDefaults = nullptr;
    plat::fmod::SampleGetMode FSOUND_Sample_GetMode = nullptr;
    plat::fmod::PlaySound FSOUND_PlaySound = nullptr;
    plat::fmod::ChannelCall FSOUND_StopSound = nullptr;
    plat::fmod::ChannelSet FSOUND_SetVolume = nullptr;
    plat::fmod::ChannelSet FSOUND_SetPaused = nullptr;
    plat::fmod::ChannelSet FSOUND_SetLoopMode = nullptr;
    plat::fmod::ChannelCall FSOUND_IsPlaying = nullptr;
    plat::fmod::StreamOpenFile FSOUND_Stream_OpenFile = nullptr;
    plat::fmod::StreamClose FSOUND_Stream_Close = nullptr;
    plat::fmod::StreamPlay FSOUND_Stream_Play = nullptr;
    plat::fmod::LoadSong FMUSIC_LoadSong = nullptr;
    plat::fmod::SongCall FMUSIC_PlaySong = nullptr;
    plat::fmod::SongCall FMUSIC_StopSong = nullptr;
    plat::fmod::SongSet FMUSIC_SetLooping = nullptr;
    plat::fmod::SongSet FMUSIC_SetOrder = nullptr;
    plat::fmod::SongSet FMUSIC_SetPaused = nullptr;
    plat::fmod::SongSet FMUSIC_SetMasterVolume = nullptr;
    plat::fmod::SongCall FMUSIC_IsPlaying = nullptr;
};

}  // namespace Vant
