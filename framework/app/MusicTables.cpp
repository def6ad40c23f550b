#include "framework/app/MusicTables.h"

#include <mutex>

#include "orvek/Log.h"

namespace Vant {

namespace {

orvek::LogChannel music_error("app.music", 1);

std::mutex& TableMutex() {
    static std::mutex m;
    return m;
}

MusicLibraryOpener& Opener() {
    static MusicLibraryOpener opener;
    return opener;
}

std::unique_ptr<plat::MusicLibrary> OpenLibrary(const std::string& name) {
    const MusicLibraryOpener& o = Opener();
    return o ? o(name) : plat::OpenMusicLibrary(name);
}

template <class F>
bool Look(const plat::MusicLibrary& lib, const char* name, F& slot, const char* dll, bool required = true) {
    slot = reinterpret_cast<F>(lib.Find(name));
    if (!slot && required) music_error << "\"" << name << "\" function not found in " << dll << ", music is off" << std::endl;
    return slot != nullptr || !required;
}

BASS_INSTANCE* bass_table = nullptr;
int bass_refs = 0;
FMOD_INSTANCE* fmod_table = nullptr;
int fmod_refs = 0;

std::unique_ptr<BASS_INSTANCE> LoadBass() {
    auto t = std::make_unique<BASS_INSTANCE>();
    t->library = OpenLibrary("bass.dll");
    if (!t->library) {
        music_error << "Can't find bass.dll, music is off" << std::endl;
        return nullptr;
    }
    const plat::MusicLibrary& l = *t->library;
    const char* dll = "bass.dll";
    bool ok = Look(l, "BASS_Init", t->BASS_Init, dll) && Look(l, "BASS_Free", t->BASS_Free, dll) &&
              Look(l, "BASS_Stop", t->BASS_Stop, dll) && Look(l, "BASS_Start", t->BASS_Start, dll) &&
              Look(l, "BASS_SetGlobalVolumes", t->BASS_SetGlobalVolumes, dll, false) &&
              Look(l, "BASS_SetVolume", t->BASS_SetVolume, dll, false) &&
              Look(l, "BASS_MusicSetAmplify", t->BASS_MusicSetAmplify, dll) &&
              Look(l, "BASS_SetConfig", t->BASS_SetConfig, dll, false) &&
              Look(l, "BASS_ChannelStop", t->BASS_ChannelStop, dll) &&
              Look(l, "BASS_ChannelPause", t->BASS_ChannelPause, dll) &&
              Look(l, "BASS_ChannelResume", t->BASS_ChannelResume, dll) &&
              Look(l, "BASS_ChannelSetAttributes", t->BASS_ChannelSetAttributes, dll) &&
              Look(l, "BASS_ChannelSetPosition", t->BASS_ChannelSetPosition, dll) &&
              Look(l, "BASS_ChannelIsActive", t->BASS_ChannelIsActive, dll) &&
              Look(l, "BASS_MusicLoad", t->BASS_MusicLoad, dll) && Look(l, "BASS_MusicPlay", t->BASS_MusicPlay, dll) &&
              Look(l, "BASS_MusicPlayEx", t->BASS_MusicPlayEx, dll) &&
              Look(l, "BASS_MusicFree", t->BASS_MusicFree, dll) &&
              Look(l, "BASS_StreamCreateFile", t->BASS_StreamCreateFile, dll) &&
              Look(l, "BASS_StreamFree", t->BASS_StreamFree, dll) &&
              Look(l, "BASS_StreamPlay", t->BASS_StreamPlay, dll);
    if (ok && !t->BASS_SetGlobalVolumes && !t->BASS_SetVolume) {
        music_error << "Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll, music is off" << std::endl;
        ok = false;
    }
    if (!ok) return nullptr;
    if (t->BASS_SetConfig) {
        // The newer library: the same exports take the newer argument lists.
        t->isNewVersion = true;
        Look(l, "BASS_Init", t->BASS_InitNew, dll);
        Look(l, "BASS_MusicLoad", t->BASS_MusicLoadNew, dll);
        Look(l, "BASS_MusicPlayEx", t->BASS_MusicPlayExNew, dll);
        t->BASS_Init = nullptr;
        t->BASS_MusicLoad = nullptr;
        t->BASS_MusicPlayEx = nullptr;
    }
    return t;
}

std::unique_ptr<FMOD_INSTANCE> LoadFmod() {
    auto t = std::make_unique<FMOD_INSTANCE>();
    t->library = OpenLibrary("fmod.dll");
    if (!t->library) {
        music_error << "Can't find fmod.dll, music is off" << std::endl;
        return nullptr;
    }
    const plat::MusicLibrary& l = *t->library;
    const char* dll = "fmod.dll";
    const bool ok = Look(l, "_FSOUND_SetBufferSize@4", t->FSOUND_SetBufferSize, dll) &&
                    Look(l, "_FSOUND_SetHWND@4", t->FSOUND_SetHWND, dll) &&
                    Look(l, "_FSOUND_Init@12", t->FSOUND_Init, dll) && Look(l, "_FSOUND_Close@0", t->FSOUND_Close, dll) &&
                    Look(l, "_FSOUND_Sample_Load@16", t->FSOUND_Sample_Load, dll) &&
                    Look(l, "_FSOUND_Sample_Alloc@28", t->FSOUND_Sample_Alloc, dll) &&
                    Look(l, "_FSOUND_Sample_Free@4", t->FSOUND_Sample_Free, dll) &&
                    Look(l, "_FSOUND_Sample_Lock@28", t->FSOUND_Sample_Lock, dll) &&
                    Look(l, "_FSOUND_Sample_Unlock@20", t->FSOUND_Sample_Unlock, dll) &&
                    Look(l, "_FSOUND_Sample_SetLoopPoints@12", t->FSOUND_Sample_SetLoopPoints, dll) &&
                    Look(l, "_FSOUND_Sample_GetLength@4", t->FSOUND_Sample_GetLength, dll) &&
                    Look(l, "_FSOUND_Sample_GetDefaults@20", t->FSOUND_Sample_GetDefaults, dll) &&
                    Look(l, "_FSOUND_Sample_GetMode@4", t->FSOUND_Sample_GetMode, dll) &&
                    Look(l, "_FSOUND_PlaySound@8", t->FSOUND_PlaySound, dll) &&
                    Look(l, "_FSOUND_StopSound@4", t->FSOUND_StopSound, dll) &&
                    Look(l, "_FSOUND_SetVolume@8", t->FSOUND_SetVolume, dll) &&
                    Look(l, "_FSOUND_SetPaused@8", t->FSOUND_SetPaused, dll) &&
                    Look(l, "_FSOUND_SetLoopMode@8", t->FSOUND_SetLoopMode, dll) &&
                    Look(l, "_FSOUND_IsPlaying@4", t->FSOUND_IsPlaying, dll) &&
                    Look(l, "_FSOUND_Stream_OpenFile@12", t->FSOUND_Stream_OpenFile, dll) &&
                    Look(l, "_FSOUND_Stream_Close@4", t->FSOUND_Stream_Close, dll) &&
                    Look(l, "_FSOUND_Stream_Play@8", t->FSOUND_Stream_Play, dll) &&
                    Look(l, "_FMUSIC_LoadSong@4", t->FMUSIC_LoadSong, dll) &&
                    Look(l, "_FMUSIC_PlaySong@4", t->FMUSIC_PlaySong, dll) &&
                    Look(l, "_FMUSIC_StopSong@4", t->FMUSIC_StopSong, dll) &&
                    Look(l, "_FMUSIC_SetLooping@8", t->FMUSIC_SetLooping, dll) &&
                    Look(l, "_FMUSIC_SetOrder@8", t->FMUSIC_SetOrder, dll) &&
                    Look(l, "_FMUSIC_SetPaused@8", t->FMUSIC_SetPaused, dll) &&
                    Look(l, "_FMUSIC_SetMasterVolume@8", t->FMUSIC_SetMasterVolume, dll) &&
                    Look(l, "_FMUSIC_IsPlaying@4", t->FMUSIC_IsPlaying, dll);
    if (!ok) return nullptr;
    return t;
}

template <class T, class Load>
T* AcquireTable(T*& table, int& refs, Load load) {
    std::lock_guard<std::mutex> lock(TableMutex());
    if (refs == 0) {
        table = load().release();
        if (!table) return nullptr;
    }
    ++refs;
    return table;
}

template <class T>
void ReleaseTable(T*& table, int& refs) {
    std::unique_ptr<T> gone;
    {
        std::lock_guard<std::mutex> lock(TableMutex());
        if (refs == 0) return;
        if (--refs == 0) {
            gone.reset(table);
            table = nullptr;
        }
    }
}

}  // namespace

void SetMusicLibraryOpener(MusicLibraryOpener opener) {
    std::lock_guard<std::mutex> lock(TableMutex());
    Opener() = std::move(opener);
}

BASS_INSTANCE* BASS_INSTANCE::Acquire() { return AcquireTable(bass_table, bass_refs, &LoadBass); }
void BASS_INSTANCE::Release() { ReleaseTable(bass_table, bass_refs); }
FMOD_INSTANCE* FMOD_INSTANCE::Acquire() { return AcquireTable(fmod_table, fmod_refs, &LoadFmod); }
void FMOD_INSTANCE::Release() { ReleaseTable(fmod_table, fmod_refs); }

}  // namespace Vant
