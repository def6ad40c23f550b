// The music interfaces against a recording library (exact calls, order and
// values), and our engine heard through the headless device.
#include "framework/app/BassMusicInterface.h"
#include "framework/app/DSoundManager.h"
#include "framework/app/FmodMusicInterface.h"
#include "framework/app/MusicTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "support/TestSupport.h"

namespace {

using Vant::BassMusicInterface;
using Vant::FModMusicInterface;
using plat::MusicProc;

// ------------------------------------------------------------ recording library

std::vector<std::string> calls;
int opens = 0;
bool newer = true;
std::set<std::string> missing;
std::uint32_t next_handle = 100;
std::uint32_t active = 1;
signed char sound_playing = 1;

template <class... A>
void log(const char* name, A... args) {
    std::ostringstream o;
    o << name << "(";
    [[maybe_unused]] const char* sep = "";
    ((o << sep << args, sep = ", "), ...);
    o << ")";
    calls.push_back(o.str());
}

std::string str(const void* p) { return p ? static_cast<const char*>(p) : "null"; }
// Loads of names starting with "bad" fail.
std::uint32_t handle_for(const void* file) { return str(file).rfind("bad", 0) == 0 ? 0 : next_handle++; }

char fake[64];
template <class T>
T* fake_ptr(int i) {
    return reinterpret_cast<T*>(fake + i);
}
int fake_index(const void* p) { return p ? static_cast<int>(static_cast<const char*>(p) - fake) : -1; }

#define P(f) reinterpret_cast<MusicProc>(+f)
const std::map<std::string, MusicProc>& bass_entries() {
    static const std::map<std::string, MusicProc> m = {
        {"BASS_Free", P([]() { log("BASS_Free"); return 1; })},
        {"BASS_Stop", P([]() { log("BASS_Stop"); return 1; })},
        {"BASS_Start", P([]() { log("BASS_Start"); return 1; })},
        {"BASS_SetGlobalVolumes", P([](int a, int b, int c) { log("BASS_SetGlobalVolumes", a, b, c); return 1; })},
        {"BASS_SetVolume", P([](std::uint32_t v) { log("BASS_SetVolume", v); return 1; })},
        {"BASS_MusicSetAmplify", P([](std::uint32_t h, std::uint32_t a) { log("BASS_MusicSetAmplify", h, a); return 1; })},
        {"BASS_SetConfig", P([](std::uint32_t o, std::uint32_t v) { log("BASS_SetConfig", o, v); return 1u; })},
        {"BASS_ChannelStop", P([](std::uint32_t h) { log("BASS_ChannelStop", h); return 1; })},
        {"BASS_ChannelPause", P([](std::uint32_t h) { log("BASS_ChannelPause", h); return 1; })},
        {"BASS_ChannelResume", P([](std::uint32_t h) { log("BASS_ChannelResume", h); return 1; })},
        {"BASS_ChannelSetAttributes",
         P([](std::uint32_t h, int f, int v, int p) { log("BASS_ChannelSetAttributes", h, f, v, p); return 1; })},
        {"BASS_ChannelSetPosition", P([](std::uint32_t h, std::uint64_t p) { log("BASS_ChannelSetPosition", h, p); return 1; })},
        {"BASS_ChannelIsActive", P([](std::uint32_t h) { log("BASS_ChannelIsActive", h); return active; })},
        {"BASS_MusicPlay", P([](std::uint32_t h) { log("BASS_MusicPlay", h); return 1; })},
        {"BASS_MusicFree", P([](std::uint32_t h) { log("BASS_MusicFree", h); })},
        {"BASS_StreamCreateFile", P([](int m, const void* f, std::uint64_t o, std::uint64_t l, std::uint32_t fl) {
             log("BASS_StreamCreateFile", m, str(f), o, l, fl);
             return handle_for(f);
         })},
        {"BASS_StreamFree", P([](std::uint32_t h) { log("BASS_StreamFree", h); })},
        {"BASS_StreamPlay", P([](std::uint32_t h, int f, std::uint32_t fl) { log("BASS_StreamPlay", h, f, fl); return 1; })},
    };
    return m;
}
const std::map<std::string, MusicProc>& bass_old() {
    static const std::map<std::string, MusicProc> m = {
        {"BASS_Init", P([](int d, std::uint32_t f, std::uint32_t fl, void* w) { log("BASS_Init", d, f, fl, w ? "w" : "null"); return 1; })},
        {"BASS_MusicLoad", P([](int m, const void* f, std::uint32_t o, std::uint32_t l, std::uint32_t fl) {
             log("BASS_MusicLoad", m, str(f), o, l, fl);
             return handle_for(f);
         })},
        {"BASS_MusicPlayEx", P([](std::uint32_t h, std::uint32_t p, int f, int r) { log("BASS_MusicPlayEx", h, p, f, r); return 1; })},
    };
    return m;
}
const std::map<std::string, MusicProc>& bass_new() {
    static const std::map<std::string, MusicProc> m = {
        {"BASS_Init", P([](int d, std::uint32_t f, std::uint32_t fl, void* w, const void* c) {
             log("BASS_Init", d, f, fl, w ? "w" : "null", str(c));
             return 1;
         })},
        {"BASS_MusicLoad", P([](int m, const void* f, std::uint64_t o, std::uint32_t l, std::uint32_t fl, std::uint32_t fr) {
             log("BASS_MusicLoad", m, str(f), o, l, fl, fr);
             return handle_for(f);
         })},
        {"BASS_MusicPlayEx", P([](std::uint32_t h, std::uint32_t p, int f) { log("BASS_MusicPlayEx", h, p, f); return 1; })},
    };
    return m;
}
const std::map<std::string, MusicProc>& fmod_entries() {
    using plat::fmod::Sample;
    using plat::fmod::Song;
    static const std::map<std::string, MusicProc> m = {
        {"_FSOUND_SetBufferSize@4", P([](int) -> signed char { return 1; })},
        {"_FSOUND_SetHWND@4", P([](void*) -> signed char { return 1; })},
        {"_FSOUND_Init@12", P([](int, int, unsigned) -> signed char { return 1; })},
        {"_FSOUND_Close@0", P([]() {})},
        {"_FSOUND_Sample_Load@16", P([](int, const char* n, unsigned, int) -> Sample* {
             log("FSOUND_Sample_Load", n);
             return std::string(n).find("bad") != std::string::npos ? nullptr : fake_ptr<Sample>(10 + static_cast<int>(next_handle++ - 100));
         })},
        {"_FSOUND_Sample_Alloc@28", P([](int, int, unsigned, int, int, int, int) -> Sample* { return nullptr; })},
        {"_FSOUND_Sample_Free@4", P([](Sample* s) { log("FSOUND_Sample_Free", fake_index(s)); })},
        {"_FSOUND_Sample_Lock@28", P([](Sample*, int, int, void**, void**, unsigned*, unsigned*) -> signed char { return 0; })},
        {"_FSOUND_Sample_Unlock@20", P([](Sample*, void*, void*, unsigned, unsigned) -> signed char { return 1; })},
        {"_FSOUND_Sample_SetLoopPoints@12", P([](Sample*, int, int) -> signed char { return 1; })},
        {"_FSOUND_Sample_GetLength@4", P([](Sample*) -> unsigned { return 0; })},
        {"_FSOUND_Sample_GetDefaults@20", P([](Sample*, int*, int*, int*, int*) -> signed char { return 1; })},
        {"_FSOUND_Sample_GetMode@4", P([](Sample*) -> unsigned { return 0; })},
        {"_FSOUND_PlaySound@8", P([](int c, Sample* s) { log("FSOUND_PlaySound", c, fake_index(s)); return c; })},
        {"_FSOUND_StopSound@4", P([](int c) -> signed char { log("FSOUND_StopSound", c); return 1; })},
        {"_FSOUND_SetVolume@8", P([](int c, int v) -> signed char { log("FSOUND_SetVolume", c, v); return 1; })},
        {"_FSOUND_SetPaused@8", P([](int c, int v) -> signed char { log("FSOUND_SetPaused", c, v); return 1; })},
        {"_FSOUND_SetLoopMode@8", P([](int c, int v) -> signed char { log("FSOUND_SetLoopMode", c, v); return 1; })},
        {"_FSOUND_IsPlaying@4", P([](int c) -> signed char { log("FSOUND_IsPlaying", c); return sound_playing; })},
        {"_FSOUND_Stream_OpenFile@12", P([](const char*, unsigned, int) -> plat::fmod::Stream* { return nullptr; })},
        {"_FSOUND_Stream_Close@4", P([](plat::fmod::Stream*) -> signed char { return 1; })},
        {"_FSOUND_Stream_Play@8", P([](int, plat::fmod::Stream*) { return -1; })},
        {"_FMUSIC_LoadSong@4", P([](const char* n) -> Song* {
             log("FMUSIC_LoadSong", n);
             return std::string(n).find("bad") != std::string::npos ? nullptr : fake_ptr<Song>(1);
         })},
        {"_FMUSIC_PlaySong@4", P([](Song* s) -> signed char { log("FMUSIC_PlaySong", fake_index(s)); return 1; })},
        {"_FMUSIC_StopSong@4", P([](Song* s) -> signed char { log("FMUSIC_StopSong", fake_index(s)); return 1; })},
        {"_FMUSIC_SetLooping@8", P([](Song* s, int v) -> signed char { log("FMUSIC_SetLooping", fake_index(s), v); return 1; })},
        {"_FMUSIC_SetOrder@8", P([](Song* s, int v) -> signed char { log("FMUSIC_SetOrder", fake_index(s), v); return 1; })},
        {"_FMUSIC_SetPaused@8", P([](Song* s, int v) -> signed char { log("FMUSIC_SetPaused", fake_index(s), v); return 1; })},
        {"_FMUSIC_SetMasterVolume@8", P([](Song* s, int v) -> signed char { log("FMUSIC_SetMasterVolume", fake_index(s), v); return 1; })},
        {"_FMUSIC_IsPlaying@4", P([](Song* s) -> signed char { log("FMUSIC_IsPlaying", fake_index(s)); return 0; })},
    };
    return m;
}
#undef P

class Recording : public plat::MusicLibrary {
public:
    explicit Recording(bool fmod) : fmod_(fmod) {}
    MusicProc Find(const char* name) const override {
        if (missing.count(name)) return nullptr;
        if (!newer && std::strcmp(name, "BASS_SetConfig") == 0) return nullptr;
        for (const auto* table : {&bass_entries(), newer ? &bass_new() : &bass_old(), &fmod_entries()}) {
            if (fmod_ != (table == &fmod_entries())) continue;
            auto it = table->find(name);
            if (it != table->end()) return it->second;
        }
        return nullptr;
    }

private:
    bool fmod_;
};

struct RecordingTable : ::testing::Test {
    void SetUp() override {
        calls.clear();
        opens = 0;
        newer = true;
        missing.clear();
        next_handle = 100;
        active = 1;
        sound_playing = 1;
        Vant::SetMusicLibraryOpener([](const std::string& name) -> std::unique_ptr<plat::MusicLibrary> {
            ++opens;
            if (missing.count(name)) return nullptr;
            return std::make_unique<Recording>(name == "fmod.dll");
        });
    }
    void TearDown() override { Vant::SetMusicLibraryOpener({}); }
    std::vector<std::string> take() {
        auto c = std::move(calls);
        calls.clear();
        return c;
    }
    using Log = std::vector<std::string>;
};

TEST_F(RecordingTable, StartAndEndOfBothLibraryVersions) {
    {
        BassMusicInterface m(&calls);
        EXPECT_EQ(take(), (Log{"BASS_Init(1, 44100, 0, w, null)", "BASS_SetConfig(0, 2000)", "BASS_Start()"}));
        m.SetVolume(1.0);
        EXPECT_EQ(take(), (Log{"BASS_SetConfig(6, 100)", "BASS_SetConfig(5, 100)"}));
    }
    EXPECT_EQ(take(), (Log{"BASS_Stop()", "BASS_Free()"}));
    newer = false;
    BassMusicInterface m(&calls);
    EXPECT_EQ(take(), (Log{"BASS_Init(-1, 44100, 0, w)", "BASS_Start()"}));
    m.SetVolume(1.0);
    m.SetVolume(0.5);
    EXPECT_EQ(take(), (Log{"BASS_SetGlobalVolumes(40, 40, 40)", "BASS_SetGlobalVolumes(20, 20, 20)"}));
}

TEST_F(RecordingTable, LoadChoosesStreamOrModuleByExtension) {
    for (bool n : {true, false}) {
        newer = n;
        SCOPED_TRACE(n ? "newer" : "older");
        BassMusicInterface m(nullptr);
        take();
        EXPECT_TRUE(m.LoadMusic(1, "music\\x.OGG"));
        EXPECT_TRUE(m.LoadMusic(2, "song"));
        EXPECT_TRUE(m.LoadMusic(3, "a.b\\tune.Wav"));
        EXPECT_TRUE(m.LoadMusic(4, "old.mp3"));
        EXPECT_FALSE(m.LoadMusic(5, "bad.ogg"));
        const std::string module = n ? "BASS_MusicLoad(0, song, 0, 0, 516, 0)" : "BASS_MusicLoad(0, song, 0, 0, 4)";
        EXPECT_EQ(take(), (Log{"BASS_StreamCreateFile(0, music\\x.OGG, 0, 0, 0)", module,
                               "BASS_StreamCreateFile(0, a.b\\tune.Wav, 0, 0, 0)",
                               "BASS_StreamCreateFile(0, old.mp3, 0, 0, 0)", "BASS_StreamCreateFile(0, bad.ogg, 0, 0, 0)"}));
        EXPECT_EQ(m.musicMap.count(5), 0u);
        EXPECT_EQ(m.musicMap[1].streamHandle, 100u);
        EXPECT_EQ(m.musicMap[2].musicHandle, 101u);
        EXPECT_DOUBLE_EQ(m.musicMap[1].volume, 0.0);
        EXPECT_DOUBLE_EQ(m.musicMap[1].volumeCap, 1.0);
        next_handle = 100;
    }
}

TEST_F(RecordingTable, LoadingAnIdTwiceKeepsTheFirstAndFreesTheSecond) {
    BassMusicInterface m(nullptr);
    ASSERT_TRUE(m.LoadMusic(1, "a.ogg"));
    take();
    EXPECT_TRUE(m.LoadMusic(1, "b.ogg"));
    EXPECT_TRUE(m.LoadMusic(1, "c"));
    EXPECT_EQ(take(), (Log{"BASS_StreamCreateFile(0, b.ogg, 0, 0, 0)", "BASS_StreamFree(101)",
                           "BASS_MusicLoad(0, c, 0, 0, 516, 0)", "BASS_MusicFree(102)"}));
    EXPECT_EQ(m.musicMap[1].streamHandle, 100u);
}

TEST_F(RecordingTable, PlayStartsAtTheCapAndPassesOffsetAndLoop) {
    BassMusicInterface m(nullptr);
    m.LoadMusic(1, "a.ogg");  // 100
    m.LoadMusic(2, "mod");    // 101
    take();
    m.SetSongMaxVolume(1, 0.5);
    m.PlayMusic(1, 0, false);
    m.PlayMusic(1, 7, true);
    m.PlayMusic(1, -1, false);
    m.PlayMusic(2, 3, false);
    m.PlayMusic(9, 0, false);  // unknown ids are ignored
    EXPECT_EQ(take(), (Log{"BASS_ChannelSetAttributes(100, -1, 0, -101)",
                           "BASS_ChannelSetAttributes(100, -1, 50, -101)", "BASS_ChannelStop(100)", "BASS_StreamPlay(100, 1, 4)",
                           "BASS_ChannelSetAttributes(100, -1, 50, -101)", "BASS_ChannelStop(100)", "BASS_StreamPlay(100, 1, 0)",
                           "BASS_ChannelSetPosition(100, 7)",
                           "BASS_ChannelSetAttributes(100, -1, 50, -101)", "BASS_ChannelStop(100)", "BASS_StreamPlay(100, 0, 4)",
                           "BASS_ChannelSetAttributes(101, -1, 100, -101)", "BASS_ChannelStop(101)", "BASS_MusicPlayEx(101, 3, 516)"}));
    EXPECT_DOUBLE_EQ(m.musicMap[1].volume, 0.5);
    EXPECT_TRUE(m.musicMap[1].stopOnFade == false);
}

TEST_F(RecordingTable, FadeInReachesTheCapAfterAHundredUpdates) {
    BassMusicInterface m(nullptr);
    m.LoadMusic(1, "a.ogg");
    m.LoadMusic(2, "mod");
    m.PlayMusic(1, 0, false);
    m.StopMusic(1);  // a later fade starts from silence
    take();
    m.FadeIn(1, -1, 0.01, false);
    m.FadeIn(2, -1, 0.5, true);
    EXPECT_EQ(take(), (Log{"BASS_ChannelStop(100)", "BASS_ChannelSetAttributes(100, -1, 0, -101)", "BASS_StreamPlay(100, 0, 4)",
                           "BASS_ChannelStop(101)", "BASS_ChannelSetAttributes(101, -1, 0, -101)", "BASS_MusicPlay(101)"}));
    m.musicMap[2].volumeAdd = 0.0;
    for (int u = 1; u <= 100; ++u) {
        m.Update();
        const Log log = take();
        ASSERT_EQ(log.size(), 1u) << u;
        if (u < 100) {
            ASSERT_LT(m.musicMap[1].volume, 1.0) << u;
        }
    }
    EXPECT_EQ(calls.size(), 0u);
    EXPECT_DOUBLE_EQ(m.musicMap[1].volume, 1.0);
    EXPECT_DOUBLE_EQ(m.musicMap[1].volumeAdd, 0.0);
    m.Update();
    EXPECT_EQ(take(), Log{});
}

TEST_F(RecordingTable, FadeOutWithStopStopsInTheUpdateThatCrossesZero) {
    BassMusicInterface m(nullptr);
    m.LoadMusic(1, "a.ogg");
    m.SetSongVolume(1, 0.05);
    take();
    m.FadeOut(1, true, 0.02);
    m.Update();
    m.Update();
    EXPECT_EQ(take(), (Log{"BASS_ChannelSetAttributes(100, -1, 3, -101)", "BASS_ChannelSetAttributes(100, -1, 1, -101)"}));
    m.Update();
    EXPECT_EQ(take(), (Log{"BASS_ChannelStop(100)", "BASS_ChannelSetAttributes(100, -1, 0, -101)"}));
    m.Update();
    EXPECT_EQ(take(), Log{});
}

TEST_F(RecordingTable, FadeOutAtSilenceDiffersBetweenTheLibraries) {
    BassMusicInterface bass(nullptr);
    bass.LoadMusic(1, "a.ogg");
    take();
    bass.FadeOut(1, true, 0.1);  // volume 0: no fade step
    bass.Update();
    EXPECT_EQ(take(), Log{});
    EXPECT_TRUE(bass.musicMap[1].stopOnFade);

    FModMusicInterface fmod;
    ASSERT_TRUE(fmod.HasLibrary());
    ASSERT_TRUE(fmod.LoadMusic(4, "song.it"));
    take();
    fmod.FadeOut(4, true, 0.1);
    fmod.Update();
    EXPECT_EQ(take(), (Log{"FMUSIC_StopSong(1)", "FMUSIC_SetMasterVolume(1, 0)"}));
}

TEST_F(RecordingTable, SecondLibraryFadesEveryTrackAndAsksSampleChannels) {
    FModMusicInterface m;
    ASSERT_TRUE(m.LoadMusic(1, "song.it"));
    ASSERT_TRUE(m.LoadSampleMusic(2, "music/loop", true));
    ASSERT_TRUE(m.LoadSampleMusic(3, "other", false));
    EXPECT_EQ(take(), (Log{"FMUSIC_LoadSong(song.it)", "FSOUND_Sample_Load(music/cached_loop.wav)",
                           "FSOUND_Sample_Load(cached_other.wav)"}));
    EXPECT_FALSE(m.LoadSampleMusic(5, "bad", true));
    EXPECT_EQ(take(), (Log{"FSOUND_Sample_Load(cached_bad.wav)", "FSOUND_Sample_Load(bad.ogg)"}));

    m.PlayMusic(2, 0, true);
    m.SetVolume(0.5);
    EXPECT_EQ(take(), (Log{"FSOUND_PlaySound(2, 10)", "FSOUND_SetLoopMode(2, 2)", "FSOUND_SetVolume(2, 100)",
                           "FMUSIC_SetMasterVolume(1, 0)", "FSOUND_SetVolume(2, 50)", "FSOUND_SetVolume(3, 0)"}));

    m.SetSongVolume(1, 0.75);
    m.SetSongVolume(3, 0.75);
    take();
    m.FadeOutAll(true, 0.25);
    m.Update();
    // Every entry moved, not only the lowest id.
    EXPECT_EQ(take(), (Log{"FMUSIC_SetMasterVolume(1, 25)", "FSOUND_SetVolume(2, 37)", "FSOUND_SetVolume(3, 25)"}));

    sound_playing = 1;
    EXPECT_TRUE(m.IsPlaying(2));
    EXPECT_EQ(take(), (Log{"FSOUND_IsPlaying(2)"}));
    sound_playing = 0;
    EXPECT_FALSE(m.IsPlaying(3));
    EXPECT_FALSE(m.IsPlaying(1));
    EXPECT_FALSE(m.IsPlaying(42));
    EXPECT_EQ(take(), (Log{"FSOUND_IsPlaying(3)", "FMUSIC_IsPlaying(1)"}));
}

TEST_F(RecordingTable, IsPlayingPauseAndUnload) {
    BassMusicInterface m(nullptr);
    m.LoadMusic(1, "a.ogg");
    m.LoadMusic(2, "mod");
    take();
    active = 1;
    EXPECT_TRUE(m.IsPlaying(1));
    active = 3;  // paused
    EXPECT_FALSE(m.IsPlaying(1));
    EXPECT_FALSE(m.IsPlaying(7));
    m.PauseAllMusic();
    m.ResumeMusic(2);
    m.SetMusicAmplify(2, 0.5);
    m.UnloadMusic(1);
    EXPECT_EQ(take(), (Log{"BASS_ChannelIsActive(100)", "BASS_ChannelIsActive(100)", "BASS_ChannelPause(100)",
                           "BASS_ChannelPause(101)", "BASS_ChannelResume(101)", "BASS_MusicSetAmplify(101, 50)",
                           "BASS_ChannelStop(100)", "BASS_StreamFree(100)"}));
    EXPECT_EQ(m.musicMap.count(1), 0u);
    m.UnloadAllMusic();
    EXPECT_EQ(take(), (Log{"BASS_ChannelStop(101)", "BASS_MusicFree(101)"}));
    EXPECT_TRUE(m.musicMap.empty());
}

TEST_F(RecordingTable, MissingLibraryOrEntryGivesSilenceNotAnExit) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"bass.dll", true}, {"BASS_ChannelStop", true}, {"BASS_StreamPlay", true}, {"_FMUSIC_IsPlaying@4", false},
        {"fmod.dll", false}};
    for (const auto& [what, bass] : cases) {
        SCOPED_TRACE(what);
        missing = {what};
        take();
        if (bass) {
            BassMusicInterface m(nullptr);
            EXPECT_FALSE(m.HasLibrary());
            EXPECT_FALSE(m.LoadMusic(1, "a.ogg"));
            m.SetVolume(1.0);
            m.Update();
        } else {
            FModMusicInterface m;
            EXPECT_FALSE(m.HasLibrary());
            EXPECT_FALSE(m.LoadMusic(1, "a.it"));
            EXPECT_FALSE(m.LoadSampleMusic(1, "a", true));
        }
        EXPECT_EQ(take(), Log{});
    }
    // Either volume call may be missing, but not both.
    missing = {"BASS_SetVolume"};
    newer = false;
    EXPECT_TRUE(BassMusicInterface(nullptr).HasLibrary());
    missing = {"BASS_SetVolume", "BASS_SetGlobalVolumes"};
    EXPECT_FALSE(BassMusicInterface(nullptr).HasLibrary());
}

TEST_F(RecordingTable, TableIsSharedByReferenceCount) {
    {
        BassMusicInterface a(nullptr);
        BassMusicInterface b(nullptr);
        EXPECT_EQ(opens, 1);
    }
    BassMusicInterface c(nullptr);
    EXPECT_EQ(opens, 2);
}

// ------------------------------------------------------------ our engine

const std::string kTone = std::string(ZELKOR_TEST_DATA_DIR) + "/sound/tone440.ogg";

// Root mean square of the left channel over the next count frames.
double Level(plat::HeadlessAudioDevice& d, std::size_t frames) {
    const auto out = d.Render(frames);
    double e = 0;
    for (std::size_t i = 0; i < out.size(); i += 2) e += double(out[i]) * out[i];
    return std::sqrt(e / frames);
}

TEST(MusicEngine, OggStreamPlaysLoopsFadesAndEnds) {
    plat::HeadlessAudioDevice device;
    plat::SetMusicDevice(&device);
    {
        BassMusicInterface m(nullptr);
        ASSERT_TRUE(m.HasLibrary());
        m.SetVolume(1.0);
        ASSERT_TRUE(m.LoadMusic(1, kTone));
        EXPECT_FALSE(m.LoadMusic(2, "missing.ogg"));
        EXPECT_FALSE(m.LoadMusic(3, "tracker.mod"));  // modules are not supported
        const double full = 16384 / std::sqrt(2.0);

        // Once: half a second of tone, then silence and not playing.
        m.PlayMusic(1, 0, true);
        EXPECT_TRUE(m.IsPlaying(1));
        EXPECT_NEAR(Level(device, 4410), full, 0.08 * full);
        Level(device, 17640);  // to 0.5 s
        EXPECT_LT(Level(device, 2205), 200.0);
        EXPECT_FALSE(m.IsPlaying(1));

        // Looping: still the tone after its end.
        m.PlayMusic(1, 0, false);
        Level(device, 22050 + 2205);
        EXPECT_NEAR(Level(device, 4410), full, 0.08 * full);
        EXPECT_TRUE(m.IsPlaying(1));

        // A fade out in four steps is heard step by step, then stops it.
        m.FadeOut(1, true, 0.25);
        for (double v : {0.75, 0.5, 0.25}) {
            m.Update();
            EXPECT_NEAR(Level(device, 2205), v * full, 0.08 * full) << v;
        }
        m.Update();
        m.Update();
        EXPECT_LT(Level(device, 2205), 1.0);
        EXPECT_FALSE(m.IsPlaying(1));

        // Pause keeps the place; resume goes on.
        m.PlayMusic(1, 0, false);
        m.PauseMusic(1);
        EXPECT_LT(Level(device, 441), 1.0);
        EXPECT_FALSE(m.IsPlaying(1));
        m.ResumeMusic(1);
        EXPECT_GT(Level(device, 441), 0.5 * full);
        m.SetVolume(0.0);  // the global music volume
        EXPECT_LT(Level(device, 441), 1.0);
        m.UnloadAllMusic();
    }
    plat::SetMusicDevice(nullptr);
}

TEST(MusicEngine, SampleMusicThroughTheSecondTable) {
    plat::HeadlessAudioDevice device;
    testsupport::TempDir dir;
    testsupport::in_directory(dir.path(), [&] {
        testsupport::write_file("tone.ogg", testsupport::read_file(kTone));
        testsupport::write_file("tone2.ogg", testsupport::read_file(kTone));
        Vant::DSoundManager sound(&device, true);
        FModMusicInterface m;
        ASSERT_TRUE(m.HasLibrary());
        ASSERT_TRUE(m.LoadSampleMusic(1, "tone", false));
        EXPECT_TRUE(std::filesystem::exists("cached_tone.wav"));
        ASSERT_TRUE(m.LoadSampleMusic(1, "tone", false));  // now from the copy
        m.PlayMusic(1, 0, false);
        // Sample music reports its channel's state.
        EXPECT_TRUE(m.IsPlaying(1));
        Level(device, 22050 * 2 + 100);
        EXPECT_FALSE(m.IsPlaying(1));

        // Intro then loop: the joined sample keeps playing past both.
        ASSERT_TRUE(m.LoadMusicFromSamples(2, "tone", "tone2", true));
        m.PlayMusic(2, 0, false);
        Level(device, 44100 * 3);
        EXPECT_TRUE(m.IsPlaying(2));
        EXPECT_GT(Level(device, 4410), 5000.0);
        m.StopAllMusic();
        EXPECT_FALSE(m.IsPlaying(2));
        EXPECT_FALSE(m.LoadMusic(3, "song.xm"));
    });
}

}  // namespace
