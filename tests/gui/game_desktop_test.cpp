// The game desktop on the play tree: input to the game, the end of a
// sub-level, the rolling and completion sounds, the aiming cursor, bonus
// names, the best play time, and the autosave written, restored and
// refused.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "framework/app/VantAppBase.h"
#include "framework/graphics/Graphics.h"
#include "gui/Autosave.h"
#include "gui/GameDesktop.h"
#include "logic/Ball.h"
#include "logic/GameAction.h"
#include "logic/Platform.h"
#include "orvek/io/Stream.h"
#include "ostrel/Events.h"
#include "support/PlayTree.h"
#include "testkit/BusyLevel.h"

namespace {

namespace fs = std::filesystem;
namespace lg = orvek::trelm::logic;
namespace gui = orvek::trelm::gui;
namespace os = orvek::ostrel;
using guitest::PlayTree;

struct Stage {
    explicit Stage(const std::map<std::string, std::string>& config = {},
                   const std::function<void(PlayTree&)>& edit = {})
        : tree(PlayTree::kSkinGame, config, edit) {}
    PlayTree tree;
    std::unique_ptr<gui::GameDesktop> desktop = std::make_unique<gui::GameDesktop>(*tree.session);

    void step(int n = 1) {
        for (int i = 0; i < n; ++i) desktop->update();
    }
    std::string autosave() const { return tree.session->autosave_path(); }
};

os::Input at(int x, int y) {
    os::Input in;
    in.x = x;
    in.y = y;
    return in;
}

// ---------------------------------------------------------------- input

TEST(GameDesktop, InputReachesTheGameOnlyWhenFreeAndNotPausedAndEscapeOnlyWithACallback) {
    Stage s;
    s.desktop->start_sub_level();
    s.step(90);  // the platform has a ball by now
    int menus = 0, pauses = 0;
    enum Kind { move, select, context, escape, escape_no_callback, space, other_key };
    struct Case {
        Kind kind;
        bool paused, taken;
        bool handled, acts;
    };
    const Case cases[] = {
        {move, false, false, true, true},     {move, true, false, false, false},
        {move, false, true, false, false},    {select, false, false, true, true},
        {select, true, false, false, false},  {context, false, false, true, true},
        {context, true, false, false, false}, {escape, false, false, true, true},
        {escape, true, false, true, true},    {escape, false, true, false, false},
        {escape_no_callback, false, false, false, false},
        {space, false, false, false, true},   {space, true, false, false, true},
        {other_key, false, false, false, false},
    };
    gui::GameDesktop other(*s.tree.session);  // someone who handled the event first
    int x = 100;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " paused " << c.paused << " taken " << c.taken);
        s.desktop->set_menu_callback(c.kind == escape_no_callback ? gui::GameDesktop::Callback()
                                                                  : [&] { ++menus; });
        s.desktop->set_pause_callback([&] { ++pauses; });
        if (c.paused) s.desktop->pause_quietly();
        x += 37;
        std::unique_ptr<os::events::Event> e;
        switch (c.kind) {
        case move: e = std::make_unique<os::PositionEvent>(at(x, 300), os::Point{1, 0}); break;
        case select: e = std::make_unique<os::SelectPressEvent>(at(x, 300)); break;
        case context: e = std::make_unique<os::ContextPressEvent>(at(x, 300)); break;
        case escape:
        case escape_no_callback: e = std::make_unique<os::KeyPressEvent>(at(0, 0), 27, false); break;
        case space: e = std::make_unique<os::KeyPressEvent>(at(0, 0), 32, false); break;
        case other_key: e = std::make_unique<os::KeyPressEvent>(at(0, 0), 'A', false); break;
        }
        if (c.taken) e->set_handled_by(&other);
        EXPECT_TRUE(s.desktop->accepts(*e).handled());
        const int menus_before = menus, pauses_before = pauses;
        const float platform_x = s.desktop->game().platform()->position().x;
        const std::size_t flying = s.desktop->game().flying_balls().size();
        const bool handled = s.desktop->handle(*e).handled();
        EXPECT_EQ(handled, c.handled);
        switch (c.kind) {
        case move: EXPECT_EQ(s.desktop->game().platform()->position().x != platform_x, c.acts); break;
        case select: EXPECT_EQ(s.desktop->game().flying_balls().size() > flying, c.acts); break;
        case escape: EXPECT_EQ(menus > menus_before, c.acts); break;
        case space: EXPECT_EQ(pauses > pauses_before, c.acts); break;
        default: EXPECT_EQ(menus + pauses, menus_before + pauses_before); break;
        }
        if (c.paused) s.desktop->resume();
        s.step(20);
    }
    // Other events are not even offered.
    EXPECT_FALSE(s.desktop->accepts(os::events::Event()).handled());
}

// ---------------------------------------------------------------- end of a sub-level

TEST(GameDesktop, EndOfSubLevelMovesThePlayerOnAndAFailureTakesTheRunBack) {
    struct Case {
        unsigned level, sub;
        int result;
        unsigned next_level, next_sub;
        bool carried, complete;
        const char* stored;  // id whose result is stored
    };
    const Case cases[] = {
        {0, 0, 1, 0, 1, true, false, "alpha_1"},  // mid-level
        {0, 1, 1, 1, 0, true, false, "alpha"},    // last sub-level of a level
        {1, 0, 1, 1, 0, true, true, "beta"},      // last level: complete, the flag left as it was
        {0, 1, 2, 0, 1, false, false, ""},        // failed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.level << "-" << c.sub << " result " << c.result);
        Stage s;
        auto& player = s.tree.player();
        player.set_position(orvek::trelm::core::LevelPosition(c.level, c.sub));
        player.set_has_carried_state(true);
        player.medals_stats().increment_counter_a();
        int completes = 0, failures = 0;
        s.desktop->set_complete_callback([&] { ++completes; });
        s.desktop->set_failed_callback([&] { ++failures; });
        s.desktop->start_sub_level();
        s.desktop->game().add_points(50);
        s.step();
        const std::uint32_t at_start = 0;
        EXPECT_EQ(s.desktop->run_score(), 50u);
        fs::remove(s.tree.root() / "saves/profiles.dat");
        s.desktop->end_sub_level(c.result);
        EXPECT_EQ(player.position().level(), c.next_level);
        EXPECT_EQ(player.position().sub_level(), c.next_sub);
        EXPECT_EQ(player.has_carried_state(), c.carried);
        EXPECT_EQ(player.campaign_completed(), c.complete);
        if (*c.stored) {
            EXPECT_EQ(player.best_results().count(c.stored), 1u);
        }
        if (c.result == 2) {
            EXPECT_EQ(s.desktop->run_score(), at_start);
            EXPECT_EQ(player.medals_stats().counter_a(), 0u);
        }
        EXPECT_EQ(completes, c.result == 1 ? 1 : 0);
        EXPECT_EQ(failures, c.result == 2 ? 1 : 0);
        EXPECT_TRUE(fs::exists(s.tree.root() / "saves/profiles.dat"));  // the profile store is saved
    }
}

// ---------------------------------------------------------------- sounds

// The game's own rolling chains stay out of the rolling-sound tests.
class NoRollDesktop : public gui::GameDesktop {
public:
    using GameDesktop::GameDesktop;
    void game_action(const lg::GameAction& action) override {
        if (action.type != lg::action_sequence_roll) GameDesktop::game_action(action);
    }
};

TEST(GameDesktop, RollingVolumeScalesBetweenSAndTheReferenceAndNeverDividesByZero) {
    struct Case {
        const char* s;  // "sequence/@speed_for_sound_rolling"
        bool no_ways;
        float speed;
        int volume;
    };
    // The fixture's reference: the larger of roll-in 300 and roll-out 200.
    const Case cases[] = {
        {"100", false, 200.0f, 50}, {"100", false, 50.0f, 0},  {"100", false, 1000.0f, 100},
        {"300", false, 1000.0f, 0}, {"400", false, 1000.0f, 0}, {"100", true, 1000.0f, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "S " << c.s << " no ways " << c.no_ways << " speed " << c.speed);
        Stage s({{"sequence/@speed_for_sound_rolling", c.s}}, [&](PlayTree& t) {
            if (!c.no_ways) return;
            const fs::path file = t.root() / "levels/alpha/alpha_1.xml";
            std::string text = testsupport::read_file(file);
            for (const char* way : {"way0_settings", "way1_settings"})
                for (std::size_t at; (at = text.find(way)) != std::string::npos;) text.replace(at, 4, "skip");
            text.replace(text.find("num_ways=\"2\""), 12, "num_ways=\"0\"");
            testsupport::write_file(file, text);
            t.write_ways("ways/alpha_1.way", {});
        });
        s.desktop = std::make_unique<NoRollDesktop>(*s.tree.session);
        s.desktop->start_sub_level();
        if (c.no_ways) EXPECT_TRUE(std::isinf(s.desktop->roll_reference_speed()));
        else EXPECT_FLOAT_EQ(s.desktop->roll_reference_speed(), 300.0f);
        s.desktop->roll(c.speed, s.desktop->game_time() + 5.0f);
        s.step();
        EXPECT_EQ(s.desktop->roll_volume(), c.volume);
    }
    // The sound falls silent once the rolling time is over.
    Stage s;
    s.desktop = std::make_unique<NoRollDesktop>(*s.tree.session);
    s.desktop->start_sub_level();
    s.desktop->roll(250.0f, s.desktop->game_time() + 0.1f);
    s.step();
    EXPECT_EQ(s.desktop->roll_volume(), 75);
    s.step(10);
    EXPECT_EQ(s.desktop->roll_volume(), 0);
}

TEST(GameDesktop, CompletionSoundOfNoLengthStopsAtOnce) {
    Stage s;
    s.desktop->start_sub_level();
    const float now = s.desktop->game_time();
    s.desktop->start_completion_sound(7, now, now);
    s.step();
    EXPECT_EQ(s.desktop->completion_sound(), std::uint32_t(-1));
    s.desktop->start_completion_sound(8, now, now + 10.0f);
    s.step();
    EXPECT_EQ(s.desktop->completion_sound(), 8u);
}

// ---------------------------------------------------------------- cursor, names, time

class CornerHud : public gui::GameHud {
public:
    bool contains(int x, int y) const override { return x < 50 && y < 50; }
};

TEST(GameDesktop, AimingCursorOnlyWithAnAimingBallOffTheDisplayAndNotPaused) {
    Stage s;
    Vant::VantAppBase* app = Vant::VantAppBase::gApp;
    ASSERT_NE(app, nullptr);
    CornerHud hud;
    s.desktop->set_hud(&hud);
    s.desktop->start_sub_level();
    s.step();
    EXPECT_EQ(app->GetCursor(), 0);
    s.desktop->game().platform()->set_special(3);
    ASSERT_TRUE(s.desktop->game().platform()->ball());
    s.desktop->handle(os::PositionEvent(at(300, 300), os::Point{0, 0}));
    s.step();
    EXPECT_EQ(app->GetCursor(), 5);
    s.desktop->handle(os::PositionEvent(at(10, 10), os::Point{0, 0}));  // over the display
    s.step();
    EXPECT_EQ(app->GetCursor(), 0);
    s.desktop->handle(os::PositionEvent(at(300, 300), os::Point{0, 0}));
    s.step();
    EXPECT_EQ(app->GetCursor(), 5);
    s.desktop->pause_quietly();
    s.step();
    EXPECT_EQ(app->GetCursor(), 0);
}

TEST(GameDesktop, BonusNamesShowOneAtATimeEveryDtimeSeconds) {
    Stage s;
    s.desktop->start_sub_level();
    const auto texts = [&] {
        int n = 0;
        for (const auto& r : s.desktop->renderers()) n += dynamic_cast<gui::TextRenderer*>(r.get()) != nullptr;
        return n;
    };
    auto canvas = guitest::canvas(800, 600);
    Vant::Graphics g(canvas.get());
    for (const char* name : {"one", "two", "three"}) s.desktop->add_bonus_name(name);
    s.step();
    EXPECT_EQ(texts(), 1);
    int steps = 1;
    while (texts() < 2 && steps < 200) {
        s.step();
        s.desktop->draw(&g);
        ++steps;
    }
    // 2 s at 33 ms a step: the second name after the 61st step.
    EXPECT_EQ(texts(), 2);
    EXPECT_GE(float(steps) * 0.033f, 2.0f);
    EXPECT_LE(float(steps - 1) * 0.033f, 2.0f + 0.034f);
}

TEST(GameDesktop, BestPlayTimeIsKeptWhenLarger) {
    Stage s;
    s.desktop->start_sub_level();
    s.step(30);
    const float t = s.tree.session->play_time();
    EXPECT_GT(t, 0.9f);
    EXPECT_FLOAT_EQ(s.tree.player().best_time(), t);
    s.tree.player().update_best_time(1000.0f);
    s.step(30);
    EXPECT_FLOAT_EQ(s.tree.player().best_time(), 1000.0f);
}

// ---------------------------------------------------------------- autosave

std::string save_of(gui::GameDesktop& d) { return logictest::save_of(d.game()); }

TEST(GameDesktop, F2ThenF3RestoresTheWrittenStateAndKeepsTheFile) {
    Stage s;
    s.desktop->start_sub_level();
    s.step(80);
    s.desktop->game().add_points(40);
    s.desktop->handle(os::KeyPressEvent(at(0, 0), 113, false));
    ASSERT_TRUE(fs::exists(s.autosave()));
    const std::string written = save_of(*s.desktop);
    EXPECT_EQ(s.tree.player().resume_score(), std::uint32_t(s.desktop->game().points()));
    s.step(50);
    s.desktop->game().add_points(500);
    s.step();
    ASSERT_NE(save_of(*s.desktop), written);
    int pauses = 0;
    s.desktop->set_pause_callback([&] { ++pauses; });
    s.desktop->handle(os::KeyPressEvent(at(0, 0), 114, false));
    EXPECT_EQ(save_of(*s.desktop), written);
    EXPECT_TRUE(fs::exists(s.autosave()));
    EXPECT_EQ(pauses, 1);
    EXPECT_TRUE(s.desktop->running());
}

TEST(GameDesktop, F3OnADamagedFileLeavesTheGameAsItWas) {
    for (bool truncated : {true, false}) {
        SCOPED_TRACE(truncated ? "truncated game" : "unknown version");
        Stage s;
        s.desktop->start_sub_level();
        s.step(40);
        s.desktop->write_autosave();
        std::string bytes = testsupport::read_file(s.autosave());
        if (truncated) bytes.resize(bytes.size() - 40);
        else bytes[orvek::io::Stream::header_bytes] = 3;
        testsupport::write_file(s.autosave(), bytes);
        s.step(10);
        const std::string before = save_of(*s.desktop);
        const std::size_t renderers = s.desktop->renderers().size();
        s.desktop->handle(os::KeyPressEvent(at(0, 0), 114, false));
        EXPECT_EQ(save_of(*s.desktop), before);
        EXPECT_EQ(s.desktop->renderers().size(), renderers);
        EXPECT_TRUE(s.desktop->running());
        EXPECT_EQ(s.tree.player().position(), orvek::trelm::core::LevelPosition(0, 0));
        s.step(5);
    }
}

// The autosave of alpha_1 after some play, as version 1, and the game's
// bytes of it.
struct Saved {
    std::string file;
    std::string game;
};

Saved make_save(Stage& s) {
    s.desktop->start_sub_level();
    s.step(70);
    s.desktop->game().add_points(33);
    s.desktop->write_autosave();
    Saved saved{testsupport::read_file(s.autosave()), save_of(*s.desktop)};
    s.desktop->stop();
    return saved;
}

// The header, a version byte and what follows it.
std::string with_version(const std::string& file, const std::string& after_version, std::uint8_t version) {
    const std::size_t header = orvek::io::Stream::header_bytes;
    return file.substr(0, header) + char(version) + after_version;
}

std::string u32(std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

TEST(GameDesktop, AutosavesLoadOnlyWhenSoundAndRefusedOnesAreKeptAside) {
    const std::size_t header = orvek::io::Stream::header_bytes;
    const std::size_t position = 12;  // the LevelPosition record
    struct Case {
        const char* name;
        std::function<std::string(const Saved&)> file;
        bool loads;
    };
    const auto game_of = [&](const Saved& s) { return s.file.substr(header + 1 + position); };
    const Case cases[] = {
        {"version 1", [](const Saved& s) { return s.file; }, true},
        {"version 0 by id", [&](const Saved& s) { return with_version(s.file, u32(7) + "alpha_1" + game_of(s), 0); }, true},
        {"version 3", [&](const Saved& s) { return with_version(s.file, s.file.substr(header + 1), 3); }, false},
        {"unknown id", [&](const Saved& s) { return with_version(s.file, u32(7) + "gamma_1" + game_of(s), 0); }, false},
        {"position outside", [&](const Saved& s) {
             return with_version(s.file, u32(0) + u32(0) + u32(2) + game_of(s), 1);
         }, false},
        {"level outside", [&](const Saved& s) {
             return with_version(s.file, u32(0) + u32(2) + u32(0) + game_of(s), 1);
         }, false},
        {"truncated game", [](const Saved& s) { return s.file.substr(0, s.file.size() - 25); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stage s;
        const Saved saved = make_save(s);
        const std::string file = c.file(saved);
        testsupport::write_file(s.autosave(), file);
        if (c.loads) {
            // Nothing of the way files is read for a restore.
            fs::remove(s.tree.data("ways/alpha_1.way"));
            fs::remove(s.tree.data("ways/alpha_1.contour"));
        }
        int pauses = 0;
        s.desktop->set_pause_callback([&] { ++pauses; });
        ASSERT_NO_THROW(s.desktop->start_sub_level());
        EXPECT_FALSE(fs::exists(s.autosave()));
        EXPECT_EQ(fs::exists(s.autosave() + ".prev"), !c.loads);
        if (!c.loads) {
            EXPECT_EQ(testsupport::read_file(s.autosave() + ".prev"), file);
        }
        EXPECT_EQ(save_of(*s.desktop) == saved.game, c.loads);
        EXPECT_EQ(pauses, c.loads ? 1 : 0);
        EXPECT_EQ(s.tree.player().position(), orvek::trelm::core::LevelPosition(0, 0));
        EXPECT_EQ(logictest::nan_positions(s.desktop->game()), 0) << "built afresh or restored, the game is sound";
        EXPECT_EQ(s.desktop->game().ways().size(), 2u);
        s.step(5);
    }
}

TEST(GameDesktop, DestroyingTheDesktopDuringPlayWritesTheAutosaveAndALostWriteIsOnlyLogged) {
    Stage s;
    s.desktop->start_sub_level();
    s.step(20);
    const std::string path = s.autosave();
    s.desktop.reset();
    EXPECT_TRUE(fs::exists(path));
    // A folder in the autosave's place: the write fails, nothing is thrown.
    fs::remove(path);
    fs::create_directories(path + "/blocked");
    s.desktop = std::make_unique<gui::GameDesktop>(*s.tree.session);
    fs::remove_all(path);
    s.desktop->start_sub_level();
    fs::create_directories(path + "/blocked");
    EXPECT_NO_THROW(s.desktop.reset());
}

}  // namespace

namespace {

class Recording : public gui::BasicRenderer {
public:
    Recording(gui::RendererOwner* owner, int layer, std::string name, std::vector<std::string>& log, bool paused_too)
        : BasicRenderer(owner, layer), name_(std::move(name)), log_(log), paused_too_(paused_too) {}
    bool is_finished() const override { return false; }
    void draw(Vant::Graphics&) override { log_.push_back("draw " + name_); }
    void draw_under(Vant::Graphics&) override { log_.push_back("under " + name_); }
    void update(float) override {}
    bool visible_while_paused() const override { return paused_too_; }

private:
    std::string name_;
    std::vector<std::string>& log_;
    bool paused_too_;
};

class LoggingHud : public gui::GameHud {
public:
    explicit LoggingHud(std::vector<std::string>& log) : log_(log) {}
    void draw(Vant::Graphics&) override { log_.push_back("hud"); }

private:
    std::vector<std::string>& log_;
};

TEST(GameDesktop, DrawsTheFieldByLayerUnderTheDisplayAndWhilePausedOnlyWhatStaysVisible) {
    Stage s;
    s.desktop->start_sub_level();
    std::vector<std::string> log;
    LoggingHud hud(log);
    s.desktop->set_hud(&hud);
    auto& list = s.desktop->renderers();
    list.clear();
    list.push_back(std::make_shared<Recording>(s.desktop.get(), 5, "a", log, true));
    list.push_back(std::make_shared<Recording>(s.desktop.get(), 1, "b", log, false));
    list.push_back(std::make_shared<Recording>(s.desktop.get(), -1, "hidden", log, true));
    list.push_back(std::make_shared<Recording>(s.desktop.get(), 1, "c", log, true));
    auto canvas = guitest::canvas(800, 600);
    Vant::Graphics g(canvas.get());
    s.desktop->draw(&g);
    EXPECT_EQ(log, (std::vector<std::string>{"under b", "under c", "draw b", "draw c", "under a", "draw a", "hud"}));
    // The background lies under everything at (14, 10).
    EXPECT_TRUE(guitest::same_colour(canvas->GetBits()[12 * 800 + 16], PlayTree::background_pixel(2, 2)));
    log.clear();
    s.desktop->pause_quietly();
    s.desktop->draw(&g);
    EXPECT_EQ(log, (std::vector<std::string>{"under c", "draw c", "under a", "draw a", "hud"}));
}

TEST(GameDesktop, RunStatisticsMergeIntoTheFourBestRecords) {
    Stage s;
    s.tree.player().set_position(orvek::trelm::core::LevelPosition(0, 1));
    s.desktop->start_sub_level();
    auto& run = s.tree.player().statistics();
    run.set_score(700);
    run.update_time(3.0f);
    s.desktop->merge_run_statistics();
    EXPECT_EQ(run.score().holder, "Ann");
    for (const auto* best : {&s.tree.session->best_statistics(), &s.tree.player().best_statistics(),
                             &s.tree.session->sub_level_statistics("alpha_2"),
                             &s.tree.player().sub_level_statistics("alpha_2")}) {
        EXPECT_EQ(best->score().value, 700u);
        EXPECT_EQ(best->score().position, orvek::trelm::core::LevelPosition(1, 2));
    }
    EXPECT_FALSE(s.tree.session->sub_level_statistics("alpha_1").is_set());
}

}  // namespace
