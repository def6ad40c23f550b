// The game's start-up on the headless window: the data path, the start
// sequence logos, loading, main menu with screens retired and deleted only
// when nothing names them, the quit and close answers, and the settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gui/DataPath.h"
#include "gui/Dialogs.h"
#include "gui/LoadingScreen.h"
#include "gui/MainMenuScreen.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Statics.h"
#include "support/GameStage.h"

namespace {

using guitest::GameStage;
using orvek::trelm::normalise_data_path;
namespace gui = orvek::trelm::gui;

TEST(DataPath, NormalisationTable) {
    struct Case {
        const char* in;
        const char* cwd;
        const char* out;
    };
    for (const Case& c : {
             Case{"Data\\Levels\\..\\", "/w", "data/"},
             Case{"./Data", "/home/Game", "/home/game/./data/"},
             Case{"a/../", "/w", "."},
             Case{"", "/w", ""},
             Case{"Data/", "/w", "data/"},
             Case{"data", "/w", "data/"},
             Case{"C:\\..\\Data", "/w", "c:data/"},
             Case{"c:/x/../../y", "/w", "c:y/"},
             Case{"a/b/../../c", "/w", "c/"},
             Case{"../data", "/w", "/data/"},
             Case{"a/..b/c", "/w", "a/..b/c/"},
             Case{"a/../../b", "/w", "../b/"},
             Case{"/..", "/w", "."},
         }) {
        EXPECT_EQ(normalise_data_path(c.in, c.cwd), c.out) << c.in;
    }
}

TEST(StartSequence, LogosLoadingMainMenu) {
    GameStage st;
    st.app->init();
    gui::ScreenSystem& ss = st.ss();
    EXPECT_TRUE(ss.empty());
    EXPECT_FALSE(ss.has_started());
    EXPECT_FALSE(st.app->quit_now());

    st.step();  // starts the controller: the logo push is queued
    EXPECT_TRUE(ss.has_started());
    auto* single = dynamic_cast<gui::SingleSessionController*>(&st.controller());
    ASSERT_NE(single, nullptr);
    orvek::screens::Screen* logo = single->logo_screen();
    ASSERT_NE(logo, nullptr);
    st.step();
    EXPECT_EQ(ss.top_screen(), logo);
    ASSERT_EQ(ss.stack().size(), 1u);

    // A key cancels the logos; the logo screen hands over in its update.
    ss.post_message(256, 'A', 0);
    st.step(2);
    ASSERT_EQ(ss.stack().size(), 1u);
    ASSERT_TRUE(st.top_is<gui::LoadingScreen>());
    auto* loading = static_cast<gui::LoadingScreen*>(ss.top_screen());
    // While it fills, the busy cursor; 33 ms a step: full on update 16.
    EXPECT_EQ(ss.cursor(), 11);
    // Its first update came with its push.
    int updates = 1;
    while (!loading->is_finished() && updates < 100) {
        EXPECT_EQ(ss.cursor(), 11);
        st.step();
        ++updates;
    }
    EXPECT_EQ(updates, 16);
    EXPECT_EQ(loading->elapsed(), 16u * 33u);
    EXPECT_EQ(ss.cursor(), 0);
    EXPECT_EQ(loading->progress().size(), loading->progress().image_size());
    EXPECT_TRUE(ss.contains(loading));
    st.step();  // update 17: pops itself and asks for the main menu
    st.step();  // both requests carried out
    ASSERT_EQ(ss.stack().size(), 1u);
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    EXPECT_EQ(single->logo_screen(), nullptr);
    st.step();
    EXPECT_EQ(st.controller().retired_count(), 0u);  // the logo screen is gone
    EXPECT_FALSE(st.app->quit_now());
}

TEST(StartSequence, ReplacedScreensLiveWhileNamed) {
    GameStage st;
    st.app->init();
    gui::ScreenSystem& ss = st.ss();
    st.step(2);
    gui::ConfirmCloseGameScreen* first = st.controller().confirm_close_game_screen();
    ss.push_modal_screen(first);
    gui::ConfirmCloseGameScreen* second = st.controller().confirm_close_game_screen();
    EXPECT_NE(first, second);
    EXPECT_EQ(st.controller().retired_count(), 1u);
    st.step();  // the push of the first is carried out: it stays
    EXPECT_EQ(ss.top_screen(), first);
    EXPECT_EQ(st.controller().retired_count(), 1u);
    st.step(3);
    EXPECT_EQ(st.controller().retired_count(), 1u);
    ss.pop_screen();
    st.step();  // off the stack now; deleted at the next step
    st.step();
    EXPECT_EQ(st.controller().retired_count(), 0u);
    EXPECT_EQ(st.controller().slot(gui::SessionControllerBase::confirm_close_game_slot), second);
}

int confirm_dialogs(const gui::ScreenSystem& ss) {
    int n = 0;
    for (auto* s : ss.stack()) n += dynamic_cast<gui::ConfirmCloseGameScreen*>(s) != nullptr;
    return n;
}

TEST(QuitAndClose, Table) {
    // No screen system yet: a close goes through, nothing quits.
    {
        GameStage st;
        EXPECT_TRUE(st.app->on_close_request());
        EXPECT_FALSE(st.app->quit_now());
    }
    // Before the first step: the dialog is queued, and a second close adds nothing.
    {
        GameStage st;
        st.app->init();
        EXPECT_FALSE(st.app->on_close_request());
        EXPECT_FALSE(st.app->on_close_request());
        st.step(3);
        EXPECT_EQ(confirm_dialogs(st.ss()), 1);
    }
    GameStage st;
    st.app->init();
    gui::ScreenSystem& ss = st.ss();
    st.step(2);  // the logos are up
    EXPECT_FALSE(st.app->on_close_request());
    st.step();
    ASSERT_TRUE(st.top_is<gui::ConfirmCloseGameScreen>());
    // On top: nothing more.
    auto* shown = ss.top_screen();
    EXPECT_FALSE(st.app->on_close_request());
    st.step();
    EXPECT_EQ(ss.top_screen(), shown);
    // Escape dismisses it.
    ss.post_message(256, 27, 0);
    st.step(2);
    EXPECT_EQ(confirm_dialogs(ss), 0);
    EXPECT_FALSE(st.app->close_confirmed());
    // Two closes in one step give one dialog; Enter confirms.
    EXPECT_FALSE(st.app->on_close_request());
    EXPECT_FALSE(st.app->on_close_request());
    st.step();
    EXPECT_EQ(confirm_dialogs(ss), 1);
    EXPECT_FALSE(st.app->quit_now());
    ss.post_message(256, 13, 0);
    EXPECT_TRUE(st.app->close_confirmed());
    EXPECT_TRUE(st.app->quit_now());
}

TEST(QuitAndClose, EmptyStackAfterStartQuits) {
    GameStage st;
    st.app->init();
    st.step(2);  // the logo screen is up
    st.ss().pop_screen();
    EXPECT_FALSE(st.app->quit_now());  // the pop waits in the queue
    EXPECT_TRUE(st.step());
}

TEST(Settings, MissingFileWrittenWithEveryKey) {
    const char* keys[] = {"app/@dt", "app/@lang", "screen/@full_screen", "screen/@acceleration_3d", "screen/@lx",
                          "screen/@ly", "screen/@custom_cursors", "sound/@volume", "music/@volume", "data/@path",
                          "data/@music_playlist", "data/@stats_file", "loading_screen/@close_auto"};
    GameStage st;
    st.app->init();
    auto& r = orvek::ostrel::ConfigRegistry::instance();
    // The headless display has no 3D: start-up stores false.
    ASSERT_FALSE(st.app->Is3DSupported());
    EXPECT_FALSE(r.get_bool("screen/@acceleration_3d", true));
    EXPECT_EQ(orvek::trelm::data_path(), "data/");
    // Written at once with every key and its default.
    orvek::ostrel::ConfigRegistry written;
    ASSERT_TRUE(written.load(st.config_file().c_str()));
    for (const char* key : keys) EXPECT_TRUE(written.has(key)) << key;
    EXPECT_TRUE(written.get_bool("screen/@acceleration_3d", false));
    EXPECT_EQ(written.get_string("data/@path"), "Data/");
    // At the end with what start-up found.
    st.app.reset();
    orvek::ostrel::ConfigRegistry ended;
    ASSERT_TRUE(ended.load(st.config_file().c_str()));
    for (const char* key : keys) EXPECT_TRUE(ended.has(key)) << key;
    EXPECT_FALSE(ended.get_bool("screen/@acceleration_3d", true));
}

TEST(Settings, FocusChangesOnlyTheFlag) {
    GameStage st;
    st.app->init();
    st.step(2);
    const auto stack = st.ss().stack();
    st.app->LostFocus();
    EXPECT_FALSE(st.ss().is_active());
    st.step();
    EXPECT_EQ(st.ss().stack(), stack);
    st.app->GotFocus();
    EXPECT_TRUE(st.ss().is_active());
    EXPECT_EQ(st.ss().stack(), stack);
}

}  // namespace
