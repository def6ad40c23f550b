// The sound manager over the headless device: slots, instances, volumes,
// pitch, the sweep and the cached decoded copies.
#include "framework/app/DSoundManager.h"
#include "framework/app/SoundFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/TestSupport.h"

namespace {

using Vant::DSoundInstance;
using Vant::DSoundManager;

std::string le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}
std::string be32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (24 - 8 * i));
    return s;
}
// 16-bit mono WAV of the given samples.
std::string wav(const std::vector<std::int16_t>& s, int rate = 22050) {
    std::string data(reinterpret_cast<const char*>(s.data()), s.size() * 2);
    const std::string fmt = std::string("fmt ") + le32(16) + std::string("\x01\x00\x01\x00", 4) + le32(rate) +
                            le32(rate * 2) + std::string("\x02\x00\x10\x00", 4);
    const std::string chunks = fmt + "data" + le32(data.size()) + data;
    return "RIFF" + le32(4 + chunks.size()) + "WAVE" + chunks;
}
std::string au8(const std::string& data) {
    return ".snd" + be32(24) + be32(data.size()) + be32(2) + be32(8000) + be32(1) + data;
}

struct Fixture : ::testing::Test {
    plat::HeadlessAudioDevice device;
    testsupport::TempDir dir;
    std::uint32_t now = 5000;

    std::unique_ptr<DSoundManager> manager() {
        auto m = std::make_unique<DSoundManager>(&device, false);
        m->tickSource = [this] { return now; };
        return m;
    }
    template <class F>
    void here(F&& f) {
        testsupport::in_directory(dir.path(), std::forward<F>(f));
    }
};

TEST_F(Fixture, SlotsAreTakenFromTheTopAndNamesMatchExactly) {
    here([&] {
        testsupport::write_file("a.wav", wav({1, 2}));
        testsupport::write_file("b.wav", wav({3}));
        auto m = manager();
        EXPECT_TRUE(m->Initialized());
        EXPECT_EQ(m->LoadSound("a"), 255);
        EXPECT_EQ(m->LoadSound("b"), 254);
        EXPECT_EQ(m->LoadSound("a"), 255);
        // Names compare byte-exact, though the file is found without regard to case.
        EXPECT_EQ(m->LoadSound("A"), 253);
        // A failed name is not remembered as loaded.
        EXPECT_EQ(m->LoadSound("gone"), -1);
        EXPECT_EQ(m->LoadSound("gone"), -1);
        EXPECT_EQ(m->LoadSound("b"), 254);
        EXPECT_FALSE(m->LoadSound(256, "a"));
        EXPECT_EQ(m->GetSoundInstance(256), nullptr);
        EXPECT_EQ(m->GetSoundInstance(12), nullptr);  // nothing loaded there
        m->ReleaseSound(255);
        EXPECT_EQ(m->LoadSound("b"), 254);
        EXPECT_EQ(m->LoadSound("a"), 255);
    });
}

TEST(SoundInstance, VolumeToAttenuation) {
    struct Case {
        double v;
        int att;
    } cases[] = {{1.0, 0}, {0.5, -605}, {0.0, -10000}, {0.0433, -1999}, {0.0432, -10000}, {0.25, -1138}};
    for (const auto& c : cases) EXPECT_EQ(DSoundInstance::VolumeToAttenuation(c.v), c.att) << c.v;
}

TEST_F(Fixture, InstancesTakeVolumesPanAndPitch) {
    here([&] {
        testsupport::write_file("a.wav", wav({1000, 1000, 1000, 1000}, 22050));
        testsupport::write_file("fast.wav", wav({1}, 60000));
        auto m = manager();
        const int a = m->LoadSound("a");
        const int fast = m->LoadSound("fast");
        m->SetBaseVolume(a, 0.5);
        m->SetBasePan(a, 300);
        EXPECT_FALSE(m->SetBaseVolume(256, 1.0));
        auto* i = static_cast<DSoundInstance*>(m->GetSoundInstance(a));
        ASSERT_NE(i, nullptr);
        EXPECT_EQ(i->soundBuffer->GetVolume(), -605);
        EXPECT_EQ(i->soundBuffer->GetPan(), 300);
        i->SetPan(-500);
        EXPECT_EQ(i->soundBuffer->GetPan(), -200);
        m->SetVolume(0.5);  // reaches instances that exist
        EXPECT_EQ(i->soundBuffer->GetVolume(), DSoundInstance::VolumeToAttenuation(0.25));
        i->SetVolume(0.0);
        EXPECT_EQ(i->soundBuffer->GetVolume(), -10000);

        EXPECT_EQ(i->defaultFrequency, 22050u);
        i->AdjustPitch(12);
        EXPECT_EQ(i->soundBuffer->GetFrequency(), 44100);
        i->AdjustPitch(-12);
        EXPECT_EQ(i->soundBuffer->GetFrequency(), 11024);  // 2^-1 a hair below one half, truncated
        i->AdjustPitch(-200);
        EXPECT_EQ(i->soundBuffer->GetFrequency(), 100);
        auto* f = static_cast<DSoundInstance*>(m->GetSoundInstance(fast));
        f->AdjustPitch(12);
        EXPECT_EQ(f->soundBuffer->GetFrequency(), 100000);

        // Full volume again, doubled pitch: the instance plays its PCM at 44,100.
        m->SetVolume(1.0);
        i->SetVolume(1.0);
        i->SetBaseVolume(1.0);
        i->SetPan(-300);
        i->AdjustPitch(12);
        ASSERT_TRUE(i->Play(false, false));
        EXPECT_EQ(device.Render(5), (std::vector<std::int16_t>{1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 0, 0}));
        EXPECT_FALSE(i->IsPlaying());
    });
}

TEST_F(Fixture, FinishedAutoReleaseInstancesAreSweptAndSlotsReused) {
    here([&] {
        testsupport::write_file("a.wav", wav({7, 7}, 44100));
        auto m = manager();
        const int a = m->LoadSound("a");
        std::vector<Vant::SoundInstance*> all;
        for (unsigned k = 0; k < DSoundManager::kMaxChannels; ++k) all.push_back(m->GetSoundInstance(a));
        EXPECT_EQ(m->GetSoundInstance(a), nullptr);  // all 32 taken
        all[3]->Play(false, true);
        all[9]->Play(true, true);
        device.Render(4);
        // 3 has finished: its slot is found and reused.
        EXPECT_EQ(all[3]->IsPlaying(), false);
        Vant::SoundInstance* again = m->GetSoundInstance(a);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(m->playingSounds[3].get(), again);
        EXPECT_EQ(m->GetSoundInstance(a), nullptr);  // 9 still loops

        // Stopping everything keeps the auto-release mark, so 9 is reclaimed.
        m->StopAllSounds();
        EXPECT_TRUE(static_cast<DSoundInstance*>(all[9])->autoRelease);
        now += 1001;  // the sweep runs before the search
        Vant::SoundInstance* fresh = m->GetSoundInstance(a);
        ASSERT_NE(fresh, nullptr);
        EXPECT_EQ(m->playingSounds[9].get(), fresh);  // 9 was swept and is the first free slot
        EXPECT_EQ(m->lastReleaseTick, now);
        // A plain Stop clears the mark: that instance is kept.
        again->Play(false, true);
        again->Stop();
        EXPECT_FALSE(again->IsReleased());
    });
}

TEST_F(Fixture, FailedDuplicationGivesNoInstanceAndGoesOn) {
    here([&] {
        testsupport::write_file("a.wav", wav({1}));
        auto m = manager();
        const int a = m->LoadSound("a");
        std::vector<std::unique_ptr<plat::SoundBuffer>> hog;
        while (auto b = m->sourceSounds[a]->Duplicate()) hog.push_back(std::move(b));
        EXPECT_EQ(m->GetSoundInstance(a), nullptr);
        hog.pop_back();
        EXPECT_NE(m->GetSoundInstance(a), nullptr);
    });
}

TEST_F(Fixture, SilentManagerLoadsNothingAndPlaysNothing) {
    here([&] {
        DSoundManager m(static_cast<plat::AudioDevice*>(nullptr), false);
        EXPECT_FALSE(m.Initialized());
        EXPECT_EQ(m.LoadSound("nothing"), 255);
        auto* i = m.GetSoundInstance(255);
        ASSERT_NE(i, nullptr);
        EXPECT_FALSE(i->Play(false, true));
        EXPECT_FALSE(i->IsPlaying());
        EXPECT_DOUBLE_EQ(m.GetMasterVolume(), 1.0);
        m.SetMasterVolume(0.25);
        EXPECT_DOUBLE_EQ(m.GetMasterVolume(), 0.25);
        DSoundManager nowindow(static_cast<void*>(nullptr), false);
        EXPECT_FALSE(nowindow.Initialized());
    });
}

TEST_F(Fixture, MasterVolumeIsTheMixersGain) {
    auto m = manager();
    EXPECT_DOUBLE_EQ(m->GetMasterVolume(), 1.0);
    m->SetMasterVolume(0.5);
    EXPECT_DOUBLE_EQ(device.mixer().MasterGain(), 0.5);
}

std::uint32_t at32(const std::string& s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]) | (static_cast<std::uint8_t>(s[i + 1]) << 8) |
           (static_cast<std::uint8_t>(s[i + 2]) << 16) | (static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[i + 3])) << 24);
}

TEST_F(Fixture, CachedCopyLayoutAndStaleness) {
    here([&] {
        std::filesystem::create_directories("snd");
        // Source names of odd and even length: no pad byte either way.
        for (const std::string name : {"snd/hum", "snd/hums"}) {
            SCOPED_TRACE(name);
            testsupport::write_file(name + ".au", au8(std::string("\x10\x20\x30", 3)));
            auto m = manager();
            const int id = m->LoadSound(name);
            ASSERT_GE(id, 0);
            const std::string copy = testsupport::read_file("cached/" + name + ".wav");
            const std::string source = name + ".au";
            const std::size_t n = source.size();
            ASSERT_EQ(copy.size(), 62 + n + 3);
            EXPECT_EQ(copy.substr(0, 4), "RIFF");
            EXPECT_EQ(at32(copy, 4), 3u + 36);
            EXPECT_EQ(copy.substr(36, 4), "dep ");
            EXPECT_EQ(at32(copy, 40), n + 10);
            EXPECT_EQ(copy.substr(46, n), source);
            const std::uint64_t t = at32(copy, 46 + n) | (std::uint64_t(at32(copy, 50 + n)) << 32);
            EXPECT_EQ(t, Vant::GetSoundFileTime(source));
            EXPECT_EQ(copy.substr(54 + n, 4), "data");
            EXPECT_EQ(at32(copy, 58 + n), 3u);
            EXPECT_EQ(copy.substr(62 + n), std::string("\x90\xA0\xB0", 3));  // signed made unsigned
        }

        // A current copy is used as it is: mark its PCM and see the mark.
        std::string copy = testsupport::read_file("cached/snd/hum.wav");
        copy.back() = '\x55';
        testsupport::write_file("cached/snd/hum.wav", copy);
        auto m = manager();
        int id = m->LoadSound("snd/hum");
        ASSERT_GE(id, 0);
        EXPECT_EQ(m->sourceSounds[id]->Lock()[2], 0x55);

        // A touched source makes it stale: decoded again and rewritten.
        const auto later = std::filesystem::last_write_time("snd/hum.au") + std::chrono::seconds(2);
        std::filesystem::last_write_time("snd/hum.au", later);
        m = manager();
        id = m->LoadSound("snd/hum");
        ASSERT_GE(id, 0);
        EXPECT_EQ(m->sourceSounds[id]->Lock()[2], 0xB0);
        EXPECT_EQ(testsupport::read_file("cached/snd/hum.wav").back(), '\xB0');

        // A deleted source leaves the copy unusable.
        std::filesystem::remove("snd/hum.au");
        m = manager();
        EXPECT_EQ(m->LoadSound("snd/hum"), -1);

        // Copies are written only for relative names, and never for ids out of range.
        EXPECT_FALSE(m->WriteCachedWAV(256, "x.wav", "y"));
        EXPECT_FALSE(m->WriteCachedWAV(0, "", "y"));
    });
}

TEST_F(Fixture, LoadOrderPrefersTheCopyThenWavThenOggThenAu) {
    here([&] {
        const std::string ogg = testsupport::read_file(std::string(ZELKOR_TEST_DATA_DIR) + "/sound/tone440.ogg");
        testsupport::write_file("tone.ogg", ogg);
        testsupport::write_file("tone.au", au8("\x01"));
        auto m = manager();
        int id = m->LoadSound("tone");
        ASSERT_GE(id, 0);
        EXPECT_EQ(m->sourceDataSizes[id], 11025u * 2);
        EXPECT_TRUE(std::filesystem::exists("cached/tone.wav"));
        // A plain WAV beside it wins over the compressed sources, not over the copy.
        testsupport::write_file("tone.wav", wav({1}));
        m = manager();
        id = m->LoadSound("tone");
        EXPECT_EQ(m->sourceDataSizes[id], 11025u * 2);
        std::filesystem::remove("cached/tone.wav");
        m = manager();
        id = m->LoadSound("tone");
        EXPECT_EQ(m->sourceDataSizes[id], 2u);
        EXPECT_FALSE(std::filesystem::exists("cached/tone.wav"));  // no copy of a WAV
        std::filesystem::remove("tone.wav");
        std::filesystem::remove("tone.ogg");
        m = manager();
        id = m->LoadSound("tone");
        EXPECT_EQ(m->sourceDataSizes[id], 1u);
    });
}

TEST(SoundManagerSdl, DummyDriverPlaysASoundToItsEndAndSweepsIt) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    testsupport::TempDir dir;
    testsupport::in_directory(dir.path(), [&] {
        testsupport::write_file("click.wav", wav(std::vector<std::int16_t>(2205, 3000)));  // 0.1 s
        int window = 0;
        DSoundManager m(&window, false);
        ASSERT_TRUE(m.Initialized());
        std::uint32_t now = 10;
        m.tickSource = [&] { return now; };
        const int id = m.LoadSound("click");
        ASSERT_EQ(id, 255);
        auto* i = m.GetSoundInstance(id);
        ASSERT_NE(i, nullptr);
        ASSERT_TRUE(i->Play(false, true));
        EXPECT_TRUE(i->IsPlaying());
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (i->IsPlaying() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_FALSE(i->IsPlaying());
        now += 2000;
        auto* next = m.GetSoundInstance(id);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(m.playingSounds[0].get(), next);  // the finished one was swept from slot 0
        for (unsigned k = 1; k < DSoundManager::kMaxChannels; ++k) EXPECT_EQ(m.playingSounds[k], nullptr);
    });
}

}  // namespace

#include "support/FakeHost.h"

namespace {

struct VolumeLog : Vant::MusicInterface {
    std::vector<double> volumes;
    void SetVolume(double v) override { volumes.push_back(v); }
};

TEST_F(Fixture, TheApplicationMutesByCountAndPlaysSamplesOnce) {
    here([&] {
        testsupport::write_file("a.wav", wav({500, 500}, 44100));
        apptest::FakeHost host;
        apptest::TestApp app(&host);
        app.mSoundManager = manager();
        auto& m = static_cast<DSoundManager&>(*app.mSoundManager);
        auto* music = new VolumeLog;
        app.mMusicInterface.reset(music);
        app.mMusicVolume = 0.8;
        app.SetSfxVolume(0.5);
        app.Mute(true);
        app.Mute(true);
        app.Unmute(true);
        EXPECT_TRUE(app.IsMuted());
        EXPECT_DOUBLE_EQ(m.effectsVolume, 0.0);
        app.Unmute(true);
        app.Unmute(true);  // never below zero
        EXPECT_FALSE(app.IsMuted());
        EXPECT_DOUBLE_EQ(m.effectsVolume, 0.5);
        EXPECT_EQ(music->volumes, (std::vector<double>{0.0, 0.0, 0.0, 0.8, 0.8}));

        app.SetSfxVolume(1.0);
        const int id = m.LoadSound("a");
        EXPECT_TRUE(app.PlaySample(id, -10000));
        EXPECT_EQ(device.Render(3), (std::vector<std::int16_t>{500, 0, 500, 0, 0, 0}));
        // Finished and auto-released: the slot is free again.
        EXPECT_TRUE(m.playingSounds[0]->IsReleased());
        EXPECT_FALSE(app.PlaySample(-1));  // no such sound: nothing
        app.SetMasterVolume(0.25);
        EXPECT_DOUBLE_EQ(app.GetMasterVolume(), 0.25);
        EXPECT_DOUBLE_EQ(app.GetSfxVolume(), 0.25);
    });
}

}  // namespace
