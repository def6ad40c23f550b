// Sound effects by name under handles, the silent stand-in file, volumes
// and music ids.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "framework/app/DSoundManager.h"
#include "ostrel/Sound.h"
#include "platform/audio/Audio.h"
#include "support/AdapterHarness.h"

namespace {

namespace fs = std::filesystem;
using namespace orvek::ostrel;

// A mono 16-bit WAV of count frames of a square wave.
std::string wav(std::uint32_t rate, std::uint32_t count) {
    std::string s;
    auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) s += char(v >> (8 * i)); };
    auto u16 = [&](unsigned v) { s += char(v), s += char(v >> 8); };
    s += "RIFF";
    u32(36 + count * 2);
    s += "WAVEfmt ";
    u32(16), u16(1), u16(1), u32(rate), u32(rate * 2), u16(2), u16(16);
    s += "data";
    u32(count * 2);
    for (std::uint32_t i = 0; i < count; ++i) u16((i / 20) % 2 ? 0x2000 : 0xE000);
    return s;
}

struct RecordingMusic : Vant::MusicInterface {
    bool load_ok = true;
    std::vector<std::string> loads;
    bool LoadMusic(int id, const std::string& name) override {
        loads.push_back(std::to_string(id) + " " + name);
        return load_ok;
    }
};

// One instance that keeps playing, recording its volume.
struct VolumeInstance : Vant::SoundInstance {
    double volume = 1.0;
    int releases = 0;
    void Release() override { ++releases; }
    void SetBaseVolume(double) override {}
    void SetBasePan(int) override {}
    void AdjustPitch(double) override {}
    void SetVolume(double v) override { volume = v; }
    void SetPan(int) override {}
    bool Play(bool, bool) override { return true; }
    void Stop() override {}
    bool IsPlaying() override { return true; }
    bool IsReleased() override { return false; }
    double GetVolume() override { return volume; }
};

struct VolumeManager : Vant::SoundManager {
    VolumeInstance instance;
    bool Initialized() override { return true; }
    int LoadSound(const std::string&) override { return 0; }
    bool LoadSound(unsigned, const std::string&) override { return true; }
    void ReleaseSound(unsigned) override {}
    void SetVolume(double) override {}
    bool SetBaseVolume(unsigned, double) override { return true; }
    bool SetBasePan(unsigned, int) override { return true; }
    Vant::SoundInstance* GetSoundInstance(unsigned) override { return &instance; }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void SetCooperativeWindow(void*, bool) override {}
    void StopAllSounds() override {}
};

// An application whose sound manager plays on a headless device, its
// current directory the scratch folder.
struct SoundFixture : ::testing::Test {
    adaptertest::Platform p;
    std::unique_ptr<adaptertest::TestApp> app;
    plat::HeadlessAudioDevice device;
    fs::path old_dir = fs::current_path();

    void SetUp() override {
        fs::current_path(p.dir.str());
        app = std::make_unique<adaptertest::TestApp>(&p.host, p.program);
        app->mSoundManager.reset(new Vant::DSoundManager(&device, false));
        app->mMusicInterface.reset(new RecordingMusic);
        fs::create_directories("data/sounds");
        testsupport::write_file("data/sounds/beep.wav", wav(22050, 2205));
    }
    void TearDown() override {
        app.reset();
        fs::current_path(old_dir);
    }
    RecordingMusic& music() { return static_cast<RecordingMusic&>(*app->mMusicInterface); }
};

TEST(SoundPath, SlashesBecomeBackslashesAndTheExtensionGoes) {
    const std::pair<const char*, const char*> cases[] = {
        {"data/sounds/click.ogg", "data\\sounds\\click"},
        {"data\\a.b/c", "data\\a.b\\c"},  // a dot in a folder is no extension
        {"click.wav", "click"},
        {"noext", "noext"},
        {"a/b.c.d", "a\\b.c"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(sound_detail::sound_path(in), out) << in;
}

TEST_F(SoundFixture, MissingSoundWritesOneSilentFileThenPlaysIt) {
    EXPECT_EQ(play_sound("data/sounds/click.ogg"), 0u);
    const std::string bytes = testsupport::read_file("data/sounds/click.wav");
    const unsigned char expected[50] = {'R', 'I', 'F', 'F', 42, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 18,
                                        0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0, 0, 0,
                                        'd', 'a', 't', 'a', 4, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EQ(std::memcmp(bytes.data(), expected, 50), 0);
    EXPECT_NE(play_sound("data/sounds/click.ogg"), 0u);
}

TEST_F(SoundFixture, SilentFileNeverOverwritesAndStaysBelowTheProgramFolder) {
    fs::create_directories("work");
    const fs::path outside = fs::path(p.dir.str()) / "outside.wav";
    // An existing file the manager can not read is kept as it is.
    testsupport::write_file("data/sounds/odd.wav", "not a sound");
    EXPECT_EQ(play_sound("data/sounds/odd"), 0u);
    EXPECT_EQ(testsupport::read_file("data/sounds/odd.wav"), "not a sound");
    fs::current_path("work");
    EXPECT_EQ(play_sound("../outside.ogg"), 0u);
    EXPECT_EQ(play_sound("sub/../../outside"), 0u);
    EXPECT_EQ(play_sound((fs::path(p.dir.str()) / "outside").string()), 0u);
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_FALSE(fs::exists("sub"));
    EXPECT_FALSE(sound_detail::write_silent_wav("C:\\x.wav"));
}

TEST_F(SoundFixture, FinishedSoundIsSweptAndItsHandleIgnored) {
    const auto once = play_sound("data/sounds/beep.wav");
    const auto loop = play_sound("data/sounds/beep", true);
    ASSERT_NE(once, 0u);
    ASSERT_NE(loop, 0u);
    EXPECT_NE(once, loop);
    device.Render(22050);  // well past the tenth of a second
    EXPECT_EQ(sound_detail::sound_count(), 2u);
    const auto third = play_sound("data/sounds/beep");
    EXPECT_EQ(sound_detail::sound_count(), 2u);  // the looping one and the new one
    stop_sound(once);                            // ignored
    set_sound_volume(once, 0.5);
    EXPECT_EQ(sound_detail::sound_count(), 2u);
    stop_sound(loop);
    stop_sound(third);
    EXPECT_EQ(sound_detail::sound_count(), 0u);
}

TEST_F(SoundFixture, HandleCounterSkipsZeroAndHandlesInUse) {
    sound_detail::handle_counter() = 2;
    const auto two = play_sound("data/sounds/beep", true);
    ASSERT_EQ(two, 2u);
    sound_detail::handle_counter() = 0xFFFFFFFFu;
    EXPECT_EQ(play_sound("data/sounds/beep", true), 0xFFFFFFFFu);
    EXPECT_EQ(play_sound("data/sounds/beep", true), 1u);
    EXPECT_EQ(play_sound("data/sounds/beep", true), 3u);  // 2 still plays
    release_sounds();
    EXPECT_EQ(sound_detail::sound_count(), 0u);
}

TEST_F(SoundFixture, VolumesAreClamped) {
    set_effects_volume(5000);
    EXPECT_DOUBLE_EQ(app->GetSfxVolume(), 1.0);
    set_effects_volume(-3);
    EXPECT_DOUBLE_EQ(app->GetSfxVolume(), 0.0);
    set_music_volume(40);
    EXPECT_DOUBLE_EQ(app->GetMusicVolume(), 0.4);
    set_music_volume(101);
    EXPECT_DOUBLE_EQ(app->GetMusicVolume(), 1.0);
    release_sounds();
    auto* manager = new VolumeManager;
    app->mSoundManager.reset(manager);
    const auto h = play_sound("x", true);
    ASSERT_NE(h, 0u);
    for (const auto& [in, out] : {std::pair{5.0, 1.0}, {-1.0, 0.0}, {0.25, 0.25}}) {
        set_sound_volume(h, in);
        EXPECT_DOUBLE_EQ(manager->instance.volume, out) << in;
    }
    for (const auto& [in, out] : {std::pair{5000, 1.0}, {-7, 0.0}, {30, 0.3}}) {
        set_sound_volume_percent(h, in);
        EXPECT_DOUBLE_EQ(manager->instance.volume, out) << in;
    }
    stop_sound(h);
    EXPECT_EQ(manager->instance.releases, 1);
}

TEST_F(SoundFixture, MusicIdsAndFailedLoads) {
    const int first = load_music("a.ogg");
    EXPECT_GE(first, 0);
    EXPECT_EQ(load_music("b.ogg"), first + 1);
    music().load_ok = false;
    EXPECT_EQ(load_music("c.ogg"), -1);
    app->mMusicInterface.reset();
    EXPECT_EQ(load_music("d.ogg"), -1);
    EXPECT_FALSE(is_music_playing(first));
    play_music(first, 0, true);  // nothing to do, nothing to crash
    stop_music(first);
    unload_music(first);
}

// The SDL device on its dummy driver: the mixer runs at its own pace, so
// the test waits for the sweep rather than for a time.
TEST(SoundOnTheDevice, DummyDriverPlaysToTheEndAndIsSwept) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    adaptertest::Platform p;
    auto device = plat::OpenAudioDevice();
    if (!device) GTEST_SKIP() << "no dummy audio driver";
    {
        adaptertest::TestApp app(&p.host, p.program);
        app.mSoundManager.reset(new Vant::DSoundManager(device.get(), false));
        testsupport::write_file(p.dir.file("beep.wav"), wav(22050, 1102));
        ASSERT_NE(play_sound(p.dir.file("beep")), 0u);
        EXPECT_EQ(sound_detail::sound_count(), 1u);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (sound_detail::sound_count() != 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            play_sound("../never");  // sweeps; a name out of the folder writes nothing
        }
        EXPECT_EQ(sound_detail::sound_count(), 0u);
    }
    device.reset();
}

TEST(SoundWithoutApplication, EverythingIsQuiet) {
    ASSERT_EQ(Vant::VantAppBase::gApp, nullptr);
    EXPECT_EQ(play_sound("data/sounds/click"), 0u);
    EXPECT_EQ(load_music("a.ogg"), -1);
    EXPECT_FALSE(is_music_playing(0));
    set_effects_volume(50);
    stop_music(0);
}

}  // namespace
