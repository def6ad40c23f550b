// The eight dialogs on the look fixture: every button, Escape, Enter and a
// second decision in the same step, as one table of what reaches the
// callback and whether the dialog pops itself; the pause screen's any-key
// control; the texts of the continue and remove-player dialogs; and a
// break menu over the main menu as a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/LevelPosition.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/Dialogs.h"
#include "gui/MainMenuScreen.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "platform/Messages.h"
#include "support/GameStage.h"
#include "support/RenderFixture.h"

namespace {

using guitest::GameStage;
namespace gui = orvek::trelm::gui;

using guitest::MenuStage;

using Log = std::vector<std::string>;
using Made = std::function<gui::GameDialog*(gui::SessionControllerBase&, Log&)>;

template <class T>
Made plain(std::function<T*(gui::SessionControllerBase&)> make) {
    return [make](gui::SessionControllerBase& c, Log& log) {
        T* d = make(c);
        d->set_callback([&log] { log.push_back("called"); });
        return d;
    };
}

template <class T>
Made result(std::function<T*(gui::SessionControllerBase&)> make) {
    return [make](gui::SessionControllerBase& c, Log& log) {
        T* d = make(c);
        d->set_callback([&log](int n) { log.push_back(std::to_string(n)); });
        return d;
    };
}

TEST(Dialogs, DecisionTable) {
    const Made close = plain<gui::ConfirmCloseGameScreen>([](auto& c) { return c.confirm_close_game_screen(); });
    const Made player =
        plain<gui::ConfirmRemovePlayerScreen>([](auto& c) { return c.confirm_remove_player_screen("Ann"); });
    const Made results =
        plain<gui::ConfirmRemoveResultsScreen>([](auto& c) { return c.confirm_remove_results_screen(); });
    const Made saved = result<gui::ContinueSavedGameScreen>([](auto& c) { return c.continue_saved_game_screen(); });
    const Made brk = result<gui::GameBreakScreen>([](auto& c) { return c.game_break_screen(); });
    const Made pause = plain<gui::GamePauseScreen>([](auto& c) { return c.game_pause_screen(); });
    const Made life = plain<gui::LoseLifeScreen>([](auto& c) { return c.lose_life_screen(); });
    const Made failed = result<gui::MissionFailedScreen>([](auto& c) { return c.mission_failed_screen(); });

    struct Case {
        const char* name;
        const Made* make;
        const char* input;  // a button suffix, "esc", "enter", "space", "click"
        Log calls;
        bool pops;
    };
    const std::vector<Case> cases{
        {"close", &close, "/ok", {"called"}, true},
        {"close", &close, "/cancel", {}, true},
        {"close", &close, "esc", {}, true},
        {"close", &close, "enter", {"called"}, true},
        {"player", &player, "/ok", {"called"}, true},
        {"player", &player, "/cancel", {}, true},
        {"player", &player, "esc", {}, true},
        {"player", &player, "enter", {"called"}, true},
        {"results", &results, "/ok", {"called"}, true},
        {"results", &results, "/cancel", {}, true},
        {"results", &results, "esc", {}, true},
        {"results", &results, "enter", {"called"}, true},
        {"saved", &saved, "/load-saved-game", {"1"}, false},
        {"saved", &saved, "/start-new-game", {"2"}, false},
        {"saved", &saved, "/cancel", {"0"}, false},
        {"saved", &saved, "esc", {"0"}, false},
        {"saved", &saved, "enter", {}, false},
        {"break", &brk, "/continue", {"1"}, false},
        {"break", &brk, "/options", {"2"}, false},
        {"break", &brk, "/exit", {"0"}, false},
        {"break", &brk, "esc", {"1"}, false},
        {"break", &brk, "enter", {}, false},
        {"pause", &pause, "click", {"called"}, true},
        {"pause", &pause, "space", {"called"}, true},
        {"pause", &pause, "enter", {}, false},
        {"pause", &pause, "esc", {}, false},
        {"life", &life, "/continue", {"called"}, false},
        {"life", &life, "esc", {"called"}, false},
        {"life", &life, "enter", {"called"}, false},
        {"failed", &failed, "/restart", {"0"}, false},
        {"failed", &failed, "/quit", {"1"}, false},
        {"failed", &failed, "esc", {}, false},
        {"failed", &failed, "enter", {}, false},
    };
    MenuStage st;
    ASSERT_TRUE(st.top_is<gui::MainMenuScreen>());
    for (const Case& c : cases) {
        for (int times : {1, 2}) {
            SCOPED_TRACE(std::string(c.name) + " " + c.input + " x" + std::to_string(times));
            Log log;
            gui::GameDialog* d = (*c.make)(st.controller(), log);
            st.ss().push_modal_screen(d);
            st.step();
            ASSERT_EQ(st.ss().top_screen(), d);
            const std::string input = c.input;
            for (int t = 0; t < times; ++t) {
                if (input == "esc") st.key(27);
                else if (input == "enter") st.key(13);
                else if (input == "space") st.key(32);
                else if (input == "click") {
                    const auto at = static_cast<std::int32_t>(plat::MakePointParam(400, 300));
                    st.ss().post_message(513, 1, at);
                    st.ss().post_message(514, 0, at);
                } else {
                    ASSERT_NE(d->button(input), nullptr);
                    st.click(*d->button(input));
                }
            }
            st.step(2);
            EXPECT_EQ(log, c.calls);
            EXPECT_EQ(st.ss().contains(d), !c.pops);
            // Leave the main menu alone on the stack for the next case.
            if (st.ss().contains(d)) {
                st.ss().pop_screen();
                st.step();
            }
            ASSERT_TRUE(st.top_is<gui::MainMenuScreen>());
        }
    }
}

TEST(Dialogs, ConfirmWithoutCallbackStillCloses) {
    MenuStage st;
    gui::ConfirmRemoveResultsScreen* d = st.controller().confirm_remove_results_screen();
    st.ss().push_modal_screen(d);
    st.step();
    st.click(*d->button("/ok"));
    st.step();
    EXPECT_FALSE(st.ss().contains(d));
}

TEST(Dialogs, PauseResumesOnlyOnTop) {
    MenuStage st;
    Log log;
    gui::GamePauseScreen* pause = st.controller().game_pause_screen();
    pause->set_callback([&] { log.push_back("resumed"); });
    st.ss().push_modal_screen(pause);
    gui::LoseLifeScreen* above = st.controller().lose_life_screen();
    st.ss().push_modal_screen(above);
    st.step();
    st.key(32);
    st.step(2);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(pause->resume_requested());
    st.ss().pop_screen();
    st.step();
    st.key(32);
    st.step(2);
    EXPECT_EQ(log, Log{"resumed"});
    EXPECT_FALSE(st.ss().contains(pause));
}

TEST(Dialogs, ScoreStageAndNameTexts) {
    MenuStage st;
    gui::ContinueSavedGameScreen* d = st.controller().continue_saved_game_screen();
    d->set_score(0);
    d->set_stage(orvek::trelm::core::LevelPosition(3, 2));
    EXPECT_EQ(d->score_text(), "Score 0");
    EXPECT_EQ(d->stage_text(), "Stage 3-2");
    // Centred on the screen at the skin's y (the block font: 6 pixels a character).
    EXPECT_EQ(d->score_spot().position().x, (800 - d->score_spot().text_size().width) / 2);
    EXPECT_EQ(d->score_spot().position().y, 100);
    EXPECT_EQ(d->stage_spot().position().x, (800 - d->stage_spot().text_size().width) / 2);
    EXPECT_EQ(d->stage_spot().position().y, 120);
    gui::ConfirmRemovePlayerScreen* r = st.controller().confirm_remove_player_screen("Ann");
    EXPECT_EQ(r->name(), "Ann");
    EXPECT_EQ(r->name_spot().position().x, (800 - r->name_spot().text_size().width) / 2);
    EXPECT_EQ(r->name_spot().position().y, 110);
}

}  // namespace

namespace {

TEST(Dialogs, BreakMenuOverMainMenuPicture) {
    MenuStage st;
    gui::GameBreakScreen* d = st.controller().game_break_screen();
    st.ss().push_modal_screen(d);
    st.step();
    guitest::compare_with_kept(st.picture(), "break_menu.png", true);
}

}  // namespace
