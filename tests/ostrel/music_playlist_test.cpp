// The playlist file, the order of its tracks, and what it does when the
// tracks fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "framework/app/BassMusicInterface.h"
#include "ostrel/MusicPlaylist.h"
#include "platform/audio/Audio.h"
#include "platform/audio/MusicEngine.h"
#include "support/AdapterHarness.h"

namespace {

namespace fs = std::filesystem;
using orvek::ostrel::MusicPlaylist;

// Tracks are playing from their play until the test ends them.
struct RecordingMusic : Vant::MusicInterface {
    std::set<std::string> failing;
    std::map<int, std::string> loaded;
    std::set<int> playing;
    std::vector<std::string> played;  // names, in order
    std::vector<std::string> log;
    int loads = 0;

    bool LoadMusic(int id, const std::string& name) override {
        ++loads;
        if (failing.count(name)) return false;
        loaded[id] = name;
        return true;
    }
    void PlayMusic(int id, int offset, bool no_loop) override {
        log.push_back("play " + loaded[id] + " " + std::to_string(offset) + (no_loop ? " once" : " loop"));
        played.push_back(loaded[id]);
        playing.insert(id);
    }
    void StopMusic(int id) override {
        log.push_back("stop " + loaded[id]);
        playing.erase(id);
    }
    void UnloadMusic(int id) override {
        log.push_back("unload " + loaded[id]);
        loaded.erase(id);
    }
    bool IsPlaying(int id) override { return playing.count(id) != 0; }
    void end_all() { playing.clear(); }
};

struct PlaylistFixture : ::testing::Test {
    adaptertest::Platform p;
    std::unique_ptr<adaptertest::TestApp> app;
    RecordingMusic* music = new RecordingMusic;
    MusicPlaylist list;

    void SetUp() override {
        app = std::make_unique<adaptertest::TestApp>(&p.host, p.program);
        app->mMusicInterface.reset(music);
    }
    std::string write(const std::string& text, const std::string& name = "playlist.txt") {
        const std::string path = p.dir.file(name);
        testsupport::write_file(path, text);
        return path;
    }
    // Ends the current track and ticks until the next one starts.
    void next_track() {
        music->end_all();
        list.update();
    }
};

TEST_F(PlaylistFixture, ReadingTheFile) {
    const std::string long_line(5000, 'x');
    const struct {
        std::string text;
        std::vector<std::string> tracks;
    } cases[] = {
        {"a\nb\nc\n", {"a", "b", "c"}},
        {"a\nb", {"a", "b"}},
        {"a\n\nb\n", {"a", "", "b"}},
        {"a\r\nb\r\n\r\n", {"a", "b", ""}},
        {"", {}},
        {long_line + "\nafter\n", {long_line, "after"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(list.load(write(c.text)));
        EXPECT_EQ(list.tracks(), c.tracks) << c.text.substr(0, 20);
    }
    // A missing file keeps the list.
    EXPECT_FALSE(list.load(p.dir.file("none.txt")));
    EXPECT_EQ(list.tracks().size(), 2u);
}

TEST_F(PlaylistFixture, InTurnWrapsAndPlaysOnce) {
    list.load(write("t0\nt1\nt2\n"));
    list.start();
    for (int i = 0; i < 4; ++i) next_track();
    EXPECT_EQ(music->played, (std::vector<std::string>{"t0", "t1", "t2", "t0", "t1"}));
    EXPECT_EQ(music->log[0], "play t0 0 once");
    EXPECT_EQ(music->log[1], "stop t0");
    EXPECT_EQ(music->log[2], "unload t0");
    EXPECT_EQ(music->loaded.size(), 1u);  // the earlier tracks were unloaded
}

TEST_F(PlaylistFixture, RandomOrderDrawsFromItsOwnGenerator) {
    list.load(write("only\n"));
    list.set_order(1);
    list.start();
    next_track();
    next_track();
    EXPECT_EQ(music->played, (std::vector<std::string>{"only", "only", "only"}));

    // The same seed gives the same order; the game model's generator is not
    // touched.
    list.load(write("a\nb\nc\nd\n"));
    list.random().seed(7);
    orvek::LegacyRand expected(7);
    music->played.clear();
    for (int i = 0; i < 6; ++i) next_track();
    ASSERT_EQ(music->played.size(), 6u);
    const std::vector<std::string> names{"a", "b", "c", "d"};
    for (const auto& name : music->played) EXPECT_EQ(name, names[std::size_t(expected.next() % 4)]);
}

TEST_F(PlaylistFixture, UpdateActsOnlyWhenTheTrackEnded) {
    list.load(write("a\nb\n"));
    list.update();  // not started
    EXPECT_TRUE(music->played.empty());
    list.start();
    for (int i = 0; i < 5; ++i) list.update();
    EXPECT_EQ(music->played.size(), 1u);
    list.paused = true;
    next_track();
    EXPECT_EQ(music->played.size(), 1u);
    list.paused = false;
    list.update();
    EXPECT_EQ(music->played.size(), 2u);

    // A second load replaces the list and keeps the music.
    list.load(write("c\n"));
    EXPECT_TRUE(music->IsPlaying(int(list.current_id())));
    next_track();
    EXPECT_EQ(music->played.back(), "c");

    // Any other order plays nothing.
    list.set_order(2);
    next_track();
    EXPECT_EQ(list.current_id(), MusicPlaylist::no_music);
    EXPECT_EQ(music->played.size(), 3u);
}

TEST_F(PlaylistFixture, FailedTracksAreSkippedThenTheListStops) {
    for (unsigned order : {0u, 1u}) {
        music->loads = 0;
        music->played.clear();
        music->failing = {"bad1", "bad2", "bad3"};
        list.load(write("bad1\nbad2\nbad3\n"));
        list.set_order(order);
        list.start();
        for (int i = 0; i < 1000; ++i) list.update();
        EXPECT_EQ(music->loads, 3) << order;
        EXPECT_TRUE(music->played.empty());

        // A good track among bad ones plays at once, and loading again
        // tries afresh.
        music->loads = 0;
        list.load(write("bad1\ngood\n"));
        list.start();
        ASSERT_FALSE(music->played.empty());
        EXPECT_EQ(music->played.back(), "good") << order;
        music->end_all();
    }
}

TEST_F(PlaylistFixture, WithoutMusicInterfaceNothingPlays) {
    app->mMusicInterface.reset();
    list.load(write("a\nb\n"));
    list.start();
    for (int i = 0; i < 10; ++i) list.update();
    EXPECT_EQ(list.current_id(), MusicPlaylist::no_music);
}

// Two real tracks, one after the other, through our engine on the headless
// mixer.
TEST(PlaylistOnTheEngine, TwoOggTracksPlayInTurn) {
    adaptertest::Platform p;
    plat::HeadlessAudioDevice device;
    plat::SetMusicDevice(&device);
    {
        adaptertest::TestApp app(&p.host, p.program);
        auto* engine = new Vant::BassMusicInterface(nullptr);
        app.mMusicInterface.reset(engine);
        engine->SetVolume(1.0);
        const std::string tone = std::string(ZELKOR_TEST_DATA_DIR) + "/sound/tone440.ogg";
        fs::copy_file(tone, p.dir.file("one.ogg"));
        fs::copy_file(tone, p.dir.file("two.ogg"));
        testsupport::write_file(p.dir.file("list.txt"), p.dir.file("one.ogg") + "\n" + p.dir.file("two.ogg") + "\n");
        MusicPlaylist list;
        ASSERT_TRUE(list.load(p.dir.file("list.txt")));
        list.start();
        const auto first = list.current_id();
        ASSERT_NE(first, MusicPlaylist::no_music);
        EXPECT_EQ(list.current_index(), 0);
        // Each track is half a second.
        for (int i = 0; i < 4; ++i) {
            device.Render(2205);
            list.update();
        }
        EXPECT_EQ(list.current_id(), first);
        device.Render(22050);
        list.update();
        EXPECT_EQ(list.current_index(), 1);
        EXPECT_NE(list.current_id(), first);
        const auto out = device.Render(2205);
        double peak = 0;
        for (auto v : out) peak = std::max(peak, std::abs(double(v)));
        EXPECT_GT(peak, 4000.0);  // the second track is heard
        device.Render(22050);
        list.update();
        EXPECT_EQ(list.current_index(), 0);
        engine->UnloadAllMusic();
    }
    plat::SetMusicDevice(nullptr);
}

}  // namespace
