// The game screen through the real application on the headless window: a
// player logged in, a starter screen beneath, the game screen pushed on a
// fixture level (data/levels-play, -mono, -long, -noway). Steering and
// shooting, a chain that costs a life, a won sub-level seen and heard
// (sounds, points pop-ups, a medal flying to the grid and counted in
// the trophy room, the statistics of the run), a medal grid kept by the
// autosave of an exit, the dialog flow as one table, focus loss, one break menu for two Escapes in a step, the best
// results after the campaign's last sub-level, a failed start, and the
// autosave of a screen destroyed during play.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <algorithm>
#include <memory>
#include <iterator>
#include <string>
#include <vector>

#include "core/CampaignPlayer.h"
#include "core/LevelPosition.h"
#include "core/Profile.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "gui/Dialogs.h"
#include "gui/GameDesktop.h"
#include "gui/GameScreen.h"
#include "gui/Interface.h"
#include "logic/Platform.h"
#include "ostrel/gui/Spots.h"
#include "platform/Messages.h"
#include "gui/MainMenuScreen.h"
#include "gui/OptionsScreen.h"
#include "gui/ResultsScreens.h"
#include "gui/MedalFlyIn.h"
#include "gui/MedalRenderers.h"
#include "gui/StatsScreen.h"
#include "gui/TrophyRoomMedalControl.h"
#include "gui/TrophyScreen.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/MemoryImage.h"
#include "support/GameStage.h"
#include "support/MedalStage.h"
#include "support/ScriptedPlay.h"
#include "support/TestSupport.h"
#include "orvek/io/Stream.h"
#include "testkit/BusyLevel.h"
#include "logic/LegacyRand.h"

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;
namespace lg = orvek::trelm::logic;
namespace fs = std::filesystem;

const std::map<std::string, std::string> kPlay = {
    {"levels/@dir", "data/levels-play"},
    {"levels/@sublevels_graphics_settings_dir", "data/levels-play/GraphicsSettings"}};
const std::map<std::string, std::string> kMono = {
    {"levels/@dir", "data/levels-mono"},
    {"levels/@sublevels_graphics_settings_dir", "data/levels-mono/GraphicsSettings"}};

// A stage with the player "Ann" logged in, the credits screen as the screen
// that started the game, and the game screen above it.
struct PlayStage : guitest::MenuStage {
    explicit PlayStage(const std::map<std::string, std::string>& config = kPlay, unsigned mode = 0,
                       core::LevelPosition position = {0, 0}, const std::function<void()>& before_start = {})
        : MenuStage(config) {
        core::Session& session = controller().session();
        auto profile = std::make_shared<core::Profile>("Ann");
        controller().profiles().add(profile);
        session.set_profile(profile);
        player().set_game_mode(mode);
        player().set_position(position);
        starter = controller().credits_screen();
        ss().push_screen(starter);
        game = controller().game_screen();
        ss().push_screen(game);
        if (before_start) before_start();
        // The same game every run: the model's generator is seeded after the
        // game is made and before the first step builds the sub-level.
        orvek::trelm::logic::seed_random(1);
        step();
    }
    core::CampaignPlayer& player() const {
        return *controller().session().profile()->property<core::CampaignPlayer>();
    }
    gui::GameDesktop& desktop() const { return game->desktop(); }
    std::string autosave() const { return controller().session().autosave_path(); }
    template <class T>
    int count() const {
        int n = 0;
        for (auto* s : ss().stack()) n += dynamic_cast<T*>(s) != nullptr;
        return n;
    }
    template <class T>
    T* top() const {
        return dynamic_cast<T*>(ss().top_screen());
    }
    // One frame as the window draws it: the renderers move, end and arrive.
    void draw() {
        Vant::WidgetManager* wm = app->mWidgetManager.get();
        if (canvas.width == 0) canvas.Create(800, 600);
        Vant::Image* old = wm->mImage;
        wm->mImage = &canvas;
        wm->MarkAllDirty();
        wm->DrawScreen();
        wm->mImage = old;
    }
    // The scripted shots across the field, each followed by ten drawn
    // steps, until `done` (asked after every step) or 600 shots; `watch`
    // sees every step.
    void shoot(const std::function<bool()>& done, const std::function<void()>& watch = {}) {
        for (int shot = 0; shot < 600; ++shot) {
            guitest::play::shot(ss(), guitest::play::shot_x(shot), guitest::play::kAimY);
            for (int i = 0; i < guitest::play::kStepsPerShot; ++i) {
                step();
                draw();
                if (watch) watch();
                if (done()) return;
            }
        }
    }
    template <class T>
    std::vector<std::shared_ptr<T>> renderers() const {
        std::vector<std::shared_ptr<T>> found;
        for (const auto& r : game->desktop().renderers())
            if (auto t = std::dynamic_pointer_cast<T>(r)) found.push_back(t);
        return found;
    }

    Vant::MemoryImage canvas;
    gui::CreditsScreen* starter = nullptr;
    gui::GameScreen* game = nullptr;
};

TEST(GameScreen, StartsTheSubLevel) {
    PlayStage st;
    ASSERT_TRUE(st.top_is<gui::GameScreen>());
    EXPECT_TRUE(st.game->started());
    EXPECT_TRUE(st.desktop().running());
    EXPECT_FALSE(st.desktop().is_paused());
    EXPECT_TRUE(st.p.shell.boxes.empty());
    st.step(3);
    EXPECT_GT(st.desktop().game().time(), 0.0f);
}

TEST(GameScreen, MouseSteersAndShotsScore) {
    // One colour: a ball that reaches a chain makes a run that vanishes.
    PlayStage st({{"levels/@dir", "data/levels-mono"},
                  {"levels/@sublevels_graphics_settings_dir", "data/levels-mono/GraphicsSettings"}});
    ASSERT_TRUE(st.desktop().running());
    guitest::play::move(st.ss(), 300, guitest::play::kAimY);
    st.step();
    ASSERT_NE(st.desktop().game().platform(), nullptr);
    EXPECT_FLOAT_EQ(st.desktop().game().platform()->position().x, 300.0f);
    guitest::play::move(st.ss(), 5, guitest::play::kAimY);  // beyond the left limit
    st.step();
    EXPECT_FLOAT_EQ(st.desktop().game().platform()->position().x, 60.0f);

    st.step(150);  // the chains roll in
    EXPECT_EQ(st.game->hud().score_spot().text(), "0");
    for (int shot = 0; shot < 40 && st.desktop().run_score() == 0; ++shot) {
        guitest::play::shot(st.ss(), guitest::play::shot_x(shot), guitest::play::kAimY);
        st.step(guitest::play::kStepsPerShot);
    }
    EXPECT_GT(st.desktop().run_score(), 0u);
    EXPECT_EQ(st.game->hud().score_spot().text(), std::to_string(st.desktop().run_score()));
}

TEST(GameScreen, LeftAloneAChainCostsALife) {
    PlayStage st({{"levels/@dir", "data/levels-long"},
                  {"levels/@sublevels_graphics_settings_dir", "data/levels-long/GraphicsSettings"}});
    ASSERT_TRUE(st.desktop().running());
    const int lives = st.desktop().game().lives();
    // The mission cannot be won: left alone, a chain reaches its end.
    for (int i = 0; i < 6000 && st.top_is<gui::GameScreen>(); ++i) st.step();
    gui::LoseLifeScreen* dialog = st.top<gui::LoseLifeScreen>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(st.desktop().is_paused());
    st.click(*dialog->button("/continue"));
    st.step(3);
    EXPECT_TRUE(st.top_is<gui::GameScreen>());
    EXPECT_FALSE(st.desktop().is_paused());
    EXPECT_EQ(st.desktop().game().lives(), lives - 1);
    EXPECT_EQ(st.player().statistics().lifes_expend().value, 1u);
}

// The sounds asked for, by name.
std::vector<std::string> sound_names(const PlayStage& st) {
    std::vector<std::string> names;
    for (const std::string& path : st.app->sounds().asked) {
        const std::size_t cut = path.find_last_of("/\\");
        names.push_back(cut == std::string::npos ? path : path.substr(cut + 1));
    }
    return names;
}

bool is_number(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// The medal the game model sends for the runs of red it takes out (the
// fixture gives it no norms, so every run earns it). One colour makes no
// chain reactions, and shots across the field rarely hit twice in a row,
// so this is the medal the scripted game earns.
bool consume_red(const lg::MedalAward& a) { return a.medal == 0; }

TEST(GameScreen, ScriptedShotsWinTheSubLevel) {
    PlayStage st(kMono);
    ASSERT_TRUE(st.desktop().running());
    st.app->sounds().asked.clear();
    // Watched along the way: points pop-ups; the grid places in the order
    // the medals first flew; the first run medal's flight.
    std::set<const void*> pop_ups;
    std::vector<int> placed_slots;
    std::shared_ptr<gui::MedalDynamicRenderer> flight;
    bool arrived_in_place = false;
    const auto watch = [&] {
        for (const auto& t : st.renderers<gui::TextRenderer>())
            if (!t->lines().empty() && is_number(t->lines()[0]) && !st.desktop().game().mission()->is_finished())
                pop_ups.insert(t.get());
        for (const auto& m : st.renderers<gui::MedalDynamicRenderer>()) {
            const int slot = gui::MedalFlyIn::slot_of(m->award());
            if (std::find(placed_slots.begin(), placed_slots.end(), slot) == placed_slots.end())
                placed_slots.push_back(slot);
            if (!flight && consume_red(m->award())) flight = m;
        }
        if (flight && flight->arrived() && !arrived_in_place) {
            const int slot = gui::MedalFlyIn::slot_of(flight->award());
            const auto& place = st.desktop().medal_fly_in().slot(unsigned(slot));
            ASSERT_NE(place.renderer, nullptr);
            // The grid (600, 40), 44 x 44 a place, four a row, filled in order.
            const int k = int(std::find(placed_slots.begin(), placed_slots.end(), slot) - placed_slots.begin());
            EXPECT_EQ(place.x, 600 + k % 4 * 44);
            EXPECT_EQ(place.y, 40 + k / 4 * 44);
            EXPECT_FLOAT_EQ(flight->target().x, float(place.x));
            EXPECT_FLOAT_EQ(flight->target().y, float(place.y));
            // The resting medal (40 x 40) is centred there, and drawn.
            EXPECT_EQ(place.renderer->top_left(), (orvek::ostrel::Point{place.x - 20, place.y - 20}));
            EXPECT_TRUE(std::count(st.desktop().renderers().begin(), st.desktop().renderers().end(),
                                   std::static_pointer_cast<gui::BasicRenderer>(place.renderer)));
            arrived_in_place = true;
        }
    };
    st.shoot([&] { return !st.top_is<gui::GameScreen>(); }, watch);
    // Shots (and chains of the one colour joining) complete the mission.
    gui::StatsScreen* stats = st.top<gui::StatsScreen>();
    ASSERT_NE(stats, nullptr);
    EXPECT_TRUE(st.ss().contains(st.game));

    // Seen and heard: every shot, consumed balls, the medals' flight and
    // arrival, the sweep; points over the field; a medal in its place.
    const std::vector<std::string> heard = sound_names(st);
    for (const char* name : {"shoot", "ball_consuming", "medal_start_fly", "medal_arrive", "complete_effect_start",
                             "complete_effect"})
        EXPECT_TRUE(std::count(heard.begin(), heard.end(), name)) << name;
    EXPECT_FALSE(pop_ups.empty());
    ASSERT_NE(flight, nullptr);
    EXPECT_TRUE(arrived_in_place);
    const lg::MedalAward medal = flight->award();
    const std::uint32_t earned = st.player().medal_count(medal);
    EXPECT_GE(earned, 1u);

    // The statistics show the run's record, row by row.
    core::StatisticsRecord& run = st.player().statistics();
    const std::vector<std::uint32_t> counts = {
        run.score().value,        run.chain_num().value,  run.combo_num().value, run.indirect_num().value,
        run.sniper_num().value,   run.coins_num().value,  run.words_num().value, run.chain_max().value,
        run.combo_max().value,    run.indirect_max().value, run.lifes_expend().value};
    ASSERT_EQ(stats->table().size(), 3 * (counts.size() + 1));
    for (std::size_t row = 0; row < counts.size(); ++row)
        EXPECT_EQ(stats->table()[3 * row + 1]->text(), std::to_string(counts[row])) << row;
    EXPECT_EQ(stats->table()[3 * counts.size() + 1]->text(), gui::format_stats_time(run.time_expend().value));
    EXPECT_GT(run.score().value, 0u);

    // Closed, the result is stored, the position moves on, the profile is
    // saved and the game screen goes.
    st.click(stats->ok_button());
    st.step(2);
    EXPECT_FALSE(st.ss().contains(st.game));
    EXPECT_TRUE(st.top_is<gui::CreditsScreen>());
    EXPECT_EQ(st.player().position(), core::LevelPosition(0, 1));
    EXPECT_EQ(st.player().best_results().count("mono_1"), 1u);
    EXPECT_TRUE(fs::exists("saves/profiles.dat"));

    // The trophy room counts the medal.
    gui::TrophyScreen* trophies = st.controller().trophy_screen();
    st.ss().push_screen(trophies);
    st.step();
    const auto& control = trophies->medals().at(unsigned(gui::MedalFlyIn::slot_of(medal)));
    EXPECT_EQ(control->count(), earned);
}

TEST(GameScreen, AnExitDuringAMedalsFlightKeepsTheGridForTheNextStart) {
    PlayStage st(kMono);
    std::shared_ptr<gui::MedalDynamicRenderer> flight;
    st.shoot([&] {
        for (const auto& m : st.renderers<gui::MedalDynamicRenderer>())
            if (consume_red(m->award())) flight = m;
        return flight != nullptr;
    });
    ASSERT_NE(flight, nullptr);
    ASSERT_FALSE(flight->arrived());
    const gui::MedalGridRecord before = st.desktop().medal_fly_in().record();
    const unsigned slot = unsigned(gui::MedalFlyIn::slot_of(flight->award()));
    st.key(27);
    st.step();
    st.click(*st.top<gui::GameBreakScreen>()->button("/exit"));
    st.step(2);
    ASSERT_TRUE(fs::exists(st.autosave()));
    EXPECT_EQ(std::uint8_t(testsupport::read_file(st.autosave())[orvek::io::Stream::header_bytes]), 2u);

    // Started again: the medal rests in its place, counted, and flies no more.
    st.ss().push_screen(st.starter = st.controller().credits_screen());
    st.ss().push_screen(st.game = st.controller().game_screen());
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::GamePauseScreen>());
    EXPECT_TRUE(st.renderers<gui::MedalDynamicRenderer>().empty());
    const gui::MedalFlyIn& grid = st.desktop().medal_fly_in();
    EXPECT_EQ(grid.placed(), before.placed);
    ASSERT_GT(before.slots[slot].awards, 0u);
    for (unsigned i = 0; i < gui::MedalFlyIn::slot_count; ++i) {
        SCOPED_TRACE(i);
        const gui::MedalFlyIn::Slot& after = grid.slot(i);
        EXPECT_EQ(after.awards, before.slots[i].awards);
        if (!after.awards) continue;
        EXPECT_EQ(after.x, before.slots[i].x);
        EXPECT_EQ(after.y, before.slots[i].y);
        ASSERT_NE(after.renderer, nullptr);
        EXPECT_EQ(after.renderer->count(), after.awards);
    }
}

TEST(GameScreen, TheAutosaveOfAnExitComesBackOnTheNextStart) {
    PlayStage st;
    st.step(60);
    const std::string saved = logictest::save_of(st.desktop().game());
    const float time = st.desktop().game().time();
    st.key(27);
    st.step();
    st.click(*st.top<gui::GameBreakScreen>()->button("/exit"));
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::MainMenuScreen>());
    ASSERT_TRUE(fs::exists(st.autosave()));

    // Started again from a starter screen: the game comes back as it was,
    // waiting behind the pause screen, and the file is gone.
    st.ss().push_screen(st.starter = st.controller().credits_screen());
    st.ss().push_screen(st.game = st.controller().game_screen());
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::GamePauseScreen>());
    EXPECT_TRUE(st.desktop().running());
    EXPECT_TRUE(st.desktop().is_paused());
    EXPECT_FALSE(fs::exists(st.autosave()));
    EXPECT_EQ(st.desktop().game().time(), time);
    EXPECT_EQ(logictest::save_of(st.desktop().game()), saved);
    st.key(32);
    st.step(3);
    EXPECT_TRUE(st.top_is<gui::GameScreen>());
    EXPECT_FALSE(st.desktop().is_paused());
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(GameScreen, AKilledAutosaveWriteLeavesTheOldFileOrTheNewOne) {
    PlayStage st;
    st.step(30);
    st.desktop().write_autosave();
    const std::string file = st.autosave();
    const std::string old_bytes = file_bytes(file);
    st.step(30);
    st.desktop().write_autosave();
    const std::string new_bytes = file_bytes(file);
    ASSERT_NE(old_bytes, new_bytes);
    // Kills land before and after the rename; some must find the new file.
    int seen_new = 0;
    // Forty kills at growing delays; on a loaded machine more, until one
    // lands after a whole write.
    for (int i = 0; i < 40 || (seen_new == 0 && i < 120); ++i) {
        { std::ofstream(file, std::ios::binary | std::ios::trunc) << old_bytes; }
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child only writes until it is killed; it never returns
            // into the test program.
            try {
                for (;;) st.desktop().write_autosave();
            } catch (...) {
            }
            _exit(1);
        }
        usleep(useconds_t(200 + 97 * i + (i >= 40 ? 2000 * (i - 40) : 0)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = file_bytes(file);
        EXPECT_TRUE(now == old_bytes || now == new_bytes) << "kill " << i << ": " << now.size() << " bytes";
        seen_new += now == new_bytes;
    }
    EXPECT_GT(seen_new, 0);
}

TEST(GameScreen, TwoRunsWithTheSameSeedGiveTheSameTrace) {
    auto run = [] {
        PlayStage st({{"levels/@dir", "data/levels-mono"},
                      {"levels/@sublevels_graphics_settings_dir", "data/levels-mono/GraphicsSettings"}},
                     0, {0, 0}, [] { orvek::trelm::logic::seed_random(1234); });
        std::vector<std::string> trace;
        for (int shot = 0; shot < 30 && st.ss().contains(st.game); ++shot) {
            guitest::play::shot(st.ss(), guitest::play::shot_x(shot), guitest::play::kAimY);
            st.step(guitest::play::kStepsPerShot);
            if (st.ss().contains(st.game)) trace.push_back(logictest::save_of(st.desktop().game()));
        }
        return trace;
    };
    const std::vector<std::string> first = run();
    ASSERT_GT(first.size(), 5u);
    const std::vector<std::string> second = run();
    for (std::size_t i = 0; i < std::min(first.size(), second.size()); ++i) {
        if (first[i] == second[i]) continue;
        std::size_t k = 0;
        while (k < first[i].size() && k < second[i].size() && first[i][k] == second[i][k]) ++k;
        ADD_FAILURE() << "trace entry " << i << " differs at byte " << k << " of " << first[i].size() << " / " << second[i].size();
        break;
    }
    EXPECT_TRUE(first == second);
}

TEST(GameScreen, DialogFlow) {
    enum Top { game, starter, main_menu, break_menu, pause, failed, best, stats };
    struct Case {
        const char* name;
        std::function<void(PlayStage&)> act;
        Top top;
        bool paused;
        bool autosave;
        bool running;
    };
    auto click = [](PlayStage& st, gui::GameDialog* d, const char* suffix) {
        ASSERT_NE(d, nullptr);
        ASSERT_NE(d->button(suffix), nullptr) << suffix;
        st.click(*d->button(suffix));
        st.step(2);
    };
    auto open_break = [](PlayStage& st) {
        st.key(27);
        st.step();
    };
    const Case cases[] = {
        {"escape opens the break menu", open_break, break_menu, true, false, true},
        {"break menu exit", [&](PlayStage& st) {
             open_break(st);
             click(st, st.top<gui::GameBreakScreen>(), "/exit");
         }, main_menu, false, true, false},
        {"break menu continue", [&](PlayStage& st) {
             open_break(st);
             click(st, st.top<gui::GameBreakScreen>(), "/continue");
         }, game, false, false, true},
        {"escape in the break menu continues", [&](PlayStage& st) {
             open_break(st);
             st.key(27);
             st.step(2);
         }, game, false, false, true},
        {"break menu options opens the options", [&](PlayStage& st) {
             open_break(st);
             click(st, st.top<gui::GameBreakScreen>(), "/options");
             EXPECT_TRUE(st.top_is<gui::OptionsScreen>());
             EXPECT_TRUE(st.desktop().is_paused());
             st.key(27);  // the options closed
             st.step(2);
         }, game, false, false, true},
        {"space pauses", [](PlayStage& st) {
             st.key(32);
             st.step();
         }, pause, true, false, true},
        {"space again resumes", [](PlayStage& st) {
             st.key(32);
             st.step();
             st.key(32);
             st.step(3);
         }, game, false, false, true},
        {"sub-level won: the statistics over the paused game", [](PlayStage& st) {
             st.desktop().end_sub_level(1);
             st.step();
         }, stats, true, false, true},
        {"statistics closed: back to the starter", [](PlayStage& st) {
             st.desktop().end_sub_level(1);
             st.step();
             ASSERT_TRUE(st.top_is<gui::StatsScreen>());
             st.click(st.top<gui::StatsScreen>()->ok_button());
             st.step(2);
         }, starter, false, false, false},
        {"mission failed shows its dialog", [](PlayStage& st) {
             st.desktop().end_sub_level(2);
             st.step();
         }, failed, true, false, true},
        {"mission failed, restart", [&](PlayStage& st) {
             st.desktop().end_sub_level(2);
             st.step();
             click(st, st.top<gui::MissionFailedScreen>(), "/restart");
         }, game, false, false, true},
        {"mission failed, quit", [&](PlayStage& st) {
             st.desktop().end_sub_level(2);
             st.step();
             click(st, st.top<gui::MissionFailedScreen>(), "/quit");
         }, main_menu, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlayStage st;
        ASSERT_TRUE(st.desktop().running());
        c.act(st);
        switch (c.top) {
        case game: EXPECT_TRUE(st.top_is<gui::GameScreen>()); break;
        case starter: EXPECT_TRUE(st.top_is<gui::CreditsScreen>()); break;
        case main_menu: EXPECT_TRUE(st.top_is<gui::MainMenuScreen>()); break;
        case break_menu: EXPECT_TRUE(st.top_is<gui::GameBreakScreen>()); break;
        case pause: EXPECT_TRUE(st.top_is<gui::GamePauseScreen>()); break;
        case failed: EXPECT_TRUE(st.top_is<gui::MissionFailedScreen>()); break;
        case best: EXPECT_TRUE(st.top_is<gui::BestResultsScreen>()); break;
        case stats: EXPECT_TRUE(st.top_is<gui::StatsScreen>()); break;
        }
        if (st.ss().contains(st.game)) {
            EXPECT_EQ(st.desktop().is_paused(), c.paused);
            EXPECT_EQ(st.desktop().running(), c.running);
        }
        EXPECT_EQ(fs::exists(st.autosave()), c.autosave);
        EXPECT_FALSE(st.app->quit_now());
    }
}

TEST(GameScreen, WonSubLevelMergesTheStatistics) {
    PlayStage st;
    core::Session& session = st.controller().session();
    st.step(5);
    // The records table merged at the main menu's start may seed it.
    const core::StatisticsRecord other = session.sub_level_statistics("play_2");
    st.desktop().end_sub_level(1);
    // Each of the four best records took the run's, named and placed.
    for (const core::StatisticsRecord* r :
         {&session.best_statistics(), &session.sub_level_statistics("play_1"), &st.player().best_statistics(),
          &st.player().sub_level_statistics("play_1")}) {
        EXPECT_EQ(r->score().holder, "Ann");
        EXPECT_EQ(r->score().position, core::LevelPosition(1, 1));
    }
    EXPECT_EQ(session.sub_level_statistics("play_2").score().holder, other.score().holder);
    EXPECT_EQ(session.sub_level_statistics("play_2").score().value, other.score().value);
}

TEST(GameScreen, LastSubLevelLeadsToBestResultsInTheCampaignOnly) {
    for (unsigned mode : {0u, 1u}) {
        SCOPED_TRACE(mode);
        PlayStage st(kPlay, mode, {0, 1});
        ASSERT_TRUE(st.desktop().running());
        st.desktop().end_sub_level(1);
        st.step();
        ASSERT_TRUE(st.top_is<gui::StatsScreen>());
        st.click(st.top<gui::StatsScreen>()->ok_button());
        st.step(2);
        if (mode == 0) {
            EXPECT_TRUE(st.top_is<gui::BestResultsScreen>());
            EXPECT_FALSE(st.ss().contains(st.starter));
        } else {
            EXPECT_TRUE(st.top_is<gui::CreditsScreen>());
        }
        EXPECT_FALSE(st.ss().contains(st.game));
    }
}

TEST(GameScreen, FocusLossPausesOnlyDuringPlay) {
    {
        PlayStage st;
        st.ss().set_inactive();
        st.step(2);
        EXPECT_TRUE(st.top_is<gui::GamePauseScreen>());
        EXPECT_TRUE(st.desktop().is_paused());
    }
    {
        PlayStage st;
        st.key(27);
        st.step();
        ASSERT_TRUE(st.top_is<gui::GameBreakScreen>());
        st.ss().set_inactive();
        st.step(2);
        EXPECT_TRUE(st.top_is<gui::GameBreakScreen>());
        EXPECT_EQ(st.count<gui::GamePauseScreen>(), 0);
    }
}

TEST(GameScreen, OneDialogPerOpenerInAStep) {
    PlayStage st;
    st.key(27);
    st.key(27);
    st.step(2);
    EXPECT_EQ(st.count<gui::GameBreakScreen>(), 1);

    PlayStage failed;
    failed.desktop().end_sub_level(2);
    failed.desktop().end_sub_level(2);
    failed.step(2);
    EXPECT_EQ(failed.count<gui::MissionFailedScreen>(), 1);
}

TEST(GameScreen, MissingWayFileGoesBackWithAnErrorBox) {
    PlayStage st(std::map<std::string, std::string>{
        {"levels/@dir", "data/levels-noway"},
        {"levels/@sublevels_graphics_settings_dir", "data/levels-noway/GraphicsSettings"}});
    st.step(2);
    int way_errors = 0;
    for (const auto& box : st.p.shell.boxes) way_errors += box.text.rfind("Cannot load way file.", 0) == 0;
    EXPECT_EQ(way_errors, 1);
    EXPECT_TRUE(st.top_is<gui::CreditsScreen>());
    EXPECT_FALSE(st.desktop().running());
    EXPECT_FALSE(st.step(5));
    EXPECT_TRUE(st.top_is<gui::CreditsScreen>());
}

TEST(GameScreen, DestroyedDuringPlayWritesTheAutosave) {
    PlayStage st;
    st.step(3);
    const std::string file = st.autosave();
    EXPECT_FALSE(fs::exists(file));
    st.controller().destroy_game_screen();
    EXPECT_TRUE(fs::exists(file));
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::CreditsScreen>());
}

TEST(GameScreen, AnAutosaveThatCannotBeWrittenIsLoggedNotThrown) {
    // A file where the autosave's folder should be.
    { std::ofstream("blocker") << "x"; }
    std::map<std::string, std::string> config = kPlay;
    config["saves/@autosave"] = "blocker/autosave";
    {
        PlayStage st(config);
        ASSERT_TRUE(st.desktop().running());
        EXPECT_NO_THROW(st.controller().destroy_game_screen());
        EXPECT_NO_THROW(st.step(2));
        EXPECT_TRUE(st.top_is<gui::CreditsScreen>());
    }
    {
        // The break menu's exit still leaves.
        PlayStage st(config);
        st.key(27);
        st.step();
        gui::GameBreakScreen* menu = st.top<gui::GameBreakScreen>();
        ASSERT_NE(menu, nullptr);
        st.click(*menu->button("/exit"));
        EXPECT_NO_THROW(st.step(2));
        EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    }
    fs::remove("blocker");
}

}  // namespace
