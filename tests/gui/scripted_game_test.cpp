// A scripted game through the whole program (run_game) on SDL's dummy
// drivers, with a manual clock and the player's input as message records,
// each run in a child process of its own on a copy of the fixture tree set
// to the one-colour level where only shots remove balls: the platform
// follows the mouse, a chain left alone costs a life, shots win sub-level 1,
// and the break menu's exit in sub-level 2 writes the autosave. A fresh
// process restores it and removes the file; two runs from the same seed
// leave the same trace.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Profile.h"
#include "core/Profiles.h"
#include "gui/GameApp.h"
#include "gui/ScreenSystem.h"
#include "platform/headless/ManualClock.h"
#include "support/ScriptedPlay.h"
#include "support/Fixture.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using guitest::ScriptedGame;

constexpr std::uint32_t kSeed = 4242;

// A folder with a copy of the fixture tree, the level set and a stored
// player whom the main menu logs in.
void make_tree(const fs::path& dir) {
    fs::copy(testsupport::fixture_dir() / "data", dir / "data", fs::copy_options::recursive);
    fs::create_directories(dir / "config");
    testsupport::write_file(dir / "config/Trelm.cfg.xml",
                            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<root>"
                            "<levels dir=\"data/levels-xplay\" sublevels_graphics_settings_dir="
                            "\"data/levels-xplay/GraphicsSettings\"/><profiles last_logged=\"Ann\"/></root>\n");
    fs::create_directories(dir / "saves");
    orvek::trelm::core::Profiles profiles((dir / "saves/profiles.dat").string());
    profiles.add(std::make_shared<orvek::trelm::core::Profile>("Ann"));
}

// The script inside the program, in the process run_child starts: the
// test program itself, linked beside the tree so that the configuration it
// reads is the tree's. Run only on request.
TEST(ScriptedGameChild, DISABLED_Run) {
    const char* mode_name = std::getenv("ZELKOR_SCRIPTED_GAME");
    if (!mode_name) GTEST_SKIP();
    const ScriptedGame::Mode mode = std::string(mode_name) == "restore" ? ScriptedGame::Mode::restore
                                                                       : ScriptedGame::Mode::play;
    // The test program's start moved into a folder of its own.
    if (::chdir(std::getenv("ZELKOR_SCRIPTED_DIR")) != 0) ::_exit(92);
    ::alarm(600);  // a stuck run ends instead of holding the test
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    plat::headless::ManualClock clock;
    ScriptedGame script(mode, kSeed);
    orvek::trelm::RunOptions options;
    options.clock = &clock;
    options.keep_directory = true;
    options.single_instance = false;
    options.on_pass = [&](orvek::trelm::GameApp& app) {
        clock.Advance(1);
        orvek::trelm::gui::ScreenSystem* ss = app.game_screen_system();
        if (ss && !script.step(*ss)) app.mShutdown = true;
    };
    const int code = orvek::trelm::run_game(0, nullptr, options);
    script.facts["exit"] = std::to_string(code);
    testsupport::write_file(std::string(mode_name) + ".txt", script.text());
    std::fflush(nullptr);
    ::_exit(code == 0 ? 0 : 91);
}

// Runs the script in a fresh process of the program inside dir; returns
// what it saw, with "status" the process's exit status.
ScriptedGame run_child(const fs::path& dir, ScriptedGame::Mode mode) {
    const char* name = mode == ScriptedGame::Mode::play ? "play" : "restore";
    const fs::path out = dir / (std::string(name) + ".txt");
    fs::remove(out);
    const fs::path exe = dir / "scripted_game";
    if (!fs::exists(exe)) {
        // A link, not a copy: the program is large and the disk may be small.
        std::error_code ec;
        fs::create_hard_link(fs::read_symlink("/proc/self/exe"), exe, ec);
        if (ec) fs::copy_file(fs::read_symlink("/proc/self/exe"), exe);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("ZELKOR_SCRIPTED_GAME", name, 1);
        ::setenv("ZELKOR_SCRIPTED_DIR", dir.c_str(), 1);
        ::execl(exe.c_str(), "scripted_game", "--gtest_also_run_disabled_tests",
                "--gtest_filter=ScriptedGameChild.DISABLED_Run", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ScriptedGame got = ScriptedGame::parse(fs::exists(out) ? testsupport::read_file(out) : "");
    got.facts["status"] = WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) : "signal";
    return got;
}

std::string all(const ScriptedGame& g) {
    std::string s;
    for (const auto& [k, v] : g.facts) s += k + "=" + v + "\n";
    return s;
}

TEST(ScriptedGame, PlaysWinsSavesAndRestoresThroughTheProgram) {
    testsupport::TempDir one, two;
    make_tree(one.path());
    make_tree(two.path());
    const ScriptedGame a = run_child(one.path(), ScriptedGame::Mode::play);
    const auto& f = a.facts;
    const std::string seen = all(a);
    ASSERT_EQ(f.count("stuck"), 0u) << seen;
    EXPECT_EQ(f.at("status"), "0") << seen;
    EXPECT_EQ(f.at("first_position"), "0-0") << seen;
    // Mouse moves steer the platform, held inside its limits.
    EXPECT_EQ(f.at("platform_at_300"), "300") << seen;
    EXPECT_EQ(f.at("platform_at_5"), "60") << seen;
    // Left alone, a chain costs a life and no ball goes; the dialog's
    // button restarts the sub-level with one life fewer.
    EXPECT_EQ(f.at("score_without_shots"), "0") << seen;
    EXPECT_EQ(f.at("paused_under_dialog"), "1") << seen;
    EXPECT_EQ(std::stoi(f.at("lives_after_loss")), std::stoi(f.at("lives_at_start")) - 1) << seen;
    EXPECT_EQ(f.at("lives_lost_recorded"), "1") << seen;
    // Shots remove balls, the score rises on the heads-up display, and
    // shots win the sub-level.
    ASSERT_TRUE(f.count("first_score")) << seen;
    EXPECT_EQ(f.at("first_score_hud"), f.at("first_score")) << seen;
    EXPECT_GT(std::stoi(f.at("won_after_shots")), 0) << seen;
    EXPECT_TRUE(f.count("statistics_shown")) << seen;
    EXPECT_EQ(f.at("top_after_win"), "campaign_map") << seen;
    EXPECT_EQ(f.at("position_after_win"), "0-1") << seen;
    EXPECT_EQ(f.at("best_result_stored"), "1") << seen;
    EXPECT_EQ(f.at("profiles_saved"), "1") << seen;
    EXPECT_GT(std::stoi(f.at("score_recorded")), 0) << seen;
    // Sub-level 2: the break menu's exit writes the autosave.
    EXPECT_EQ(f.at("second_position"), "0-1") << seen;
    EXPECT_EQ(f.at("paused_under_break_menu"), "1") << seen;
    EXPECT_EQ(f.at("autosave_written"), "1") << seen;
    EXPECT_EQ(f.at("top_after_exit"), "main_menu") << seen;

    // The same seed in another folder: the same game, step by step.
    const ScriptedGame b = run_child(two.path(), ScriptedGame::Mode::play);
    ASSERT_EQ(b.facts.count("stuck"), 0u) << all(b);
    EXPECT_GT(a.trace.size(), 20u);
    EXPECT_TRUE(a.trace == b.trace) << a.trace.size() << " / " << b.trace.size() << " states";
    EXPECT_EQ(b.facts.at("saved_digest"), f.at("saved_digest"));

    // A fresh process restores the autosave as it was written, waiting
    // behind the pause screen, and removes the file.
    const ScriptedGame r = run_child(one.path(), ScriptedGame::Mode::restore);
    const std::string rseen = all(r);
    ASSERT_EQ(r.facts.count("stuck"), 0u) << rseen;
    EXPECT_EQ(r.facts.at("status"), "0") << rseen;
    EXPECT_EQ(r.facts.at("restored_digest"), f.at("saved_digest")) << rseen;
    EXPECT_EQ(r.facts.at("restored_top"), "pause") << rseen;
    EXPECT_EQ(r.facts.at("restored_paused"), "1") << rseen;
    EXPECT_EQ(r.facts.at("autosave_after_restore"), "0") << rseen;
}

}  // namespace
