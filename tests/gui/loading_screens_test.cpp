// The logo and loading screens: a completed logo show hands over as a
// cancelled one does; without automatic closing the continue button shows
// and only its press closes; a loading screen under another waits; the busy
// cursor comes back on hide.
#include <gtest/gtest.h>

#include "framework/app/WidgetManager.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/Dialogs.h"
#include "gui/LoadingScreen.h"
#include "gui/MainMenuScreen.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Statics.h"
#include "platform/Messages.h"
#include "support/GameStage.h"
#include "support/ScriptedPlay.h"

namespace {

using guitest::GameStage;
namespace gui = orvek::trelm::gui;

struct LoadingStage : GameStage {
    int finished = 0;
    gui::LoadingScreen* loading = nullptr;
    explicit LoadingStage(bool close_auto = true) {
        app->init();
        step(2);  // the logos are up: take them away
        ss().pop_screen();
        auto& r = orvek::ostrel::ConfigRegistry::instance();
        r.set_bool("loading_screen/@close_auto", close_auto);
        r.update_values();
        loading = controller().loading_screen("menu/loading", 1);
        loading->set_on_finished([this] { ++finished; });
        ss().push_screen(loading);
    }
};

TEST(LogoScreen, CompletedShowHandsOverLikeACancelledOne) {
    GameStage st;
    st.app->init();
    auto* single = dynamic_cast<gui::SingleSessionController*>(&st.controller());
    st.step(2);
    orvek::screens::Screen* logo = single->logo_screen();
    ASSERT_EQ(st.ss().top_screen(), logo);
    // Frames move the show on; about 12 s of steps of 33 ms.
    int steps = 0;
    while (!st.top_is<gui::LoadingScreen>() && steps < 500) {
        st.step();
        // A frame without pixels: the show moves on in draw.
        if (st.ss().contains(logo)) static_cast<orvek::ostrel::BasicScreen*>(logo)->draw(nullptr);
        ++steps;
    }
    EXPECT_TRUE(st.top_is<gui::LoadingScreen>());
    EXPECT_EQ(st.ss().stack().size(), 1u);
    EXPECT_GT(steps, 350);
    EXPECT_LT(steps, 400);
}

TEST(LoadingScreen, WithoutAutomaticCloseTheButtonCloses) {
    LoadingStage st(false);
    st.step(30);
    EXPECT_TRUE(st.loading->is_finished());
    EXPECT_TRUE(st.ss().contains(st.loading));
    EXPECT_TRUE(st.loading->continue_button().is_visible());
    EXPECT_EQ(st.finished, 0);
    guitest::play::click(st.ss(), st.loading->continue_button());
    st.step(2);
    EXPECT_EQ(st.finished, 1);
    EXPECT_FALSE(st.ss().contains(st.loading));
}

TEST(LoadingScreen, WaitsUnderAnotherScreen) {
    LoadingStage st;
    st.step();
    EXPECT_FALSE(st.loading->continue_button().is_visible());
    gui::LoseLifeScreen* above = st.controller().lose_life_screen();
    st.ss().push_modal_screen(above);
    st.step(30);
    EXPECT_TRUE(st.loading->is_done());
    EXPECT_EQ(st.finished, 0);
    EXPECT_TRUE(st.ss().contains(st.loading));
    st.ss().pop_screen();
    st.step(2);
    EXPECT_EQ(st.finished, 1);
    EXPECT_FALSE(st.ss().contains(st.loading));
}

TEST(LoadingScreen, BusyCursorBackOnHide) {
    LoadingStage st;
    st.ss().set_cursor(5);
    st.step();
    EXPECT_EQ(st.ss().cursor(), 11);
    st.ss().pop_screen();
    st.step();
    EXPECT_NE(st.ss().cursor(), 11);
}

}  // namespace
