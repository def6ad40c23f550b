// The options dialog over the main menu: OK only for a real change, the
// sample held back while the thumb is dragged, OK storing at once and
// closing once, cancel and Escape storing nothing and putting the volumes
// back, the 3D box on a machine without 3D, and the credits over it.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/app/WidgetManager.h"
#include "gui/OptionsScreen.h"
#include "gui/ResultsScreens.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/Display3D.h"
#include "ostrel/Sound.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/WidgetBridges.h"
#include "support/GameStage.h"
#include "support/TestSupport.h"

namespace {

using orvek::ostrel::ConfigRegistry;
using orvek::ostrel::Slidebar;
using orvek::trelm::gui::CreditsScreen;
using orvek::trelm::gui::MainMenuScreen;
using orvek::trelm::gui::OptionsScreen;

constexpr std::uint32_t kEscape = 27;

struct OptionsStage : guitest::MenuStage {
    using MenuStage::MenuStage;

    ConfigRegistry& registry = ConfigRegistry::instance();
    OptionsScreen* options = nullptr;
    std::vector<int> results;

    // Pushed as the main menu does: the close callback pops the dialog.
    OptionsScreen& open() {
        options = controller().options_screen();
        options->set_close_callback([this](int result) {
            results.push_back(result);
            ss().pop_screen();
        });
        ss().push_modal_screen(options);
        step(2);
        app->switches.clear();
        app->hold_switches = true;
        return *options;
    }

    Vant::WidgetManager& wm() const { return *app->mWidgetManager; }
    // The middle of the slider's thumb, in window pixels.
    std::pair<int, int> thumb(const Slidebar& s) const {
        int x = 0, y = 0;
        s.GetScreenPos(&x, &y);
        return {x + s.ThumbX() + s.mThumbImage->width / 2, y + s.mHeight / 2};
    }
    // Holds the thumb, moves it by each step in turn, then lets it go.
    void drag(const Slidebar& s, const std::vector<int>& moves) {
        auto [x, y] = thumb(s);
        wm().OnMouseMove(x, y);
        wm().OnMouseDown(x, y, 1);
        for (int dx : moves) wm().OnMouseMove(x += dx, y);
        wm().OnMouseUp(x, y, 1);
    }
    std::size_t samples() const {
        const std::string path = orvek::ostrel::sound_detail::sound_path(
            orvek::ostrel::Skin::instance()->get_path("menu/options/measuring-sound"));
        std::size_t n = 0;
        for (const auto& asked : app->sounds().asked) n += asked == path;
        return n;
    }
    // The configuration file as a registry, the running one left as it was.
    std::tuple<bool, bool, bool, int, int> stored() {
        const auto running = registry.elements();
        registry.elements().clear();
        const bool loaded = registry.load(config_file().c_str());
        std::tuple<bool, bool, bool, int, int> values{
            registry.get_bool("screen/@full_screen", true), registry.get_bool("screen/@acceleration_3d", false),
            registry.get_bool("screen/@custom_cursors", true), registry.get_int("sound/@volume", -1),
            registry.get_int("music/@volume", -1)};
        registry.elements() = running;
        EXPECT_TRUE(loaded);
        return values;
    }
};

// On a display where the software 3D device passes the capability test.
struct Options3DStage : OptionsStage {
    Options3DStage() : OptionsStage([](guitest::GameStage& s) { s.attach_display(); }) {}
};

TEST(OptionsScreen, OkIsEnabledOnlyWhileAValueDiffersFromTheOpeningOne) {
    Options3DStage stage;
    // The software 3D device passes the capability test.
    ASSERT_TRUE(orvek::ostrel::is_3d_supported());
    OptionsScreen& o = stage.open();
    EXPECT_TRUE(o.acceleration_box().is_enabled());
    EXPECT_TRUE(o.acceleration_box().is_checked());
    EXPECT_FALSE(o.full_screen_box().is_checked());
    EXPECT_EQ(Slidebar::percent_of(o.music_slider().mVal), 50);
    stage.step(2);
    EXPECT_FALSE(o.ok_button().is_enabled());

    // 90 pixels is half the thumb's travel.
    stage.drag(o.music_slider(), {30, 30});
    stage.step();
    EXPECT_EQ(o.current_values().music_volume, 83);
    EXPECT_TRUE(o.ok_button().is_enabled());
    stage.drag(o.music_slider(), {-60});
    stage.step();
    EXPECT_EQ(o.current_values().music_volume, 50);
    EXPECT_FALSE(o.ok_button().is_enabled());

    stage.click(o.full_screen_box());
    stage.step();
    EXPECT_TRUE(o.full_screen_box().is_checked());
    EXPECT_TRUE(o.ok_button().is_enabled());
    stage.click(o.full_screen_box());
    stage.step();
    EXPECT_FALSE(o.ok_button().is_enabled());
    EXPECT_TRUE(stage.results.empty());
}

TEST(OptionsScreen, ADragIsHeardWithoutTheSampleAndATrackClickPlaysItOnce) {
    OptionsStage stage;
    OptionsScreen& o = stage.open();
    Slidebar& sound = o.sound_slider();
    EXPECT_EQ(stage.samples(), 0u);

    auto [x, y] = stage.thumb(sound);
    stage.wm().OnMouseMove(x, y);
    stage.wm().OnMouseDown(x, y, 1);
    for (int step = 1; step <= 3; ++step) {
        stage.wm().OnMouseMove(x + 18 * step, y);
        EXPECT_DOUBLE_EQ(stage.app->GetSfxVolume(), o.current_values().sound_volume / 100.0);
    }
    EXPECT_EQ(o.current_values().sound_volume, 80);
    EXPECT_EQ(stage.samples(), 0u);
    // Letting go is no drag any more: the chosen volume is heard once.
    stage.wm().OnMouseUp(x + 54, y, 1);
    EXPECT_EQ(stage.samples(), 1u);

    // A click on the track away from the thumb.
    int left = 0, top = 0;
    sound.GetScreenPos(&left, &top);
    stage.wm().OnMouseMove(left + 2, y);
    stage.wm().OnMouseDown(left + 2, y, 1);
    stage.wm().OnMouseUp(left + 2, y, 1);
    EXPECT_EQ(stage.samples(), 2u);
    EXPECT_EQ(o.current_values().sound_volume, 80);

    // The music slider has no sample.
    stage.drag(o.music_slider(), {-40});
    EXPECT_EQ(stage.samples(), 2u);
}

TEST(OptionsScreen, OkStoresEverythingAtOnceAndClosesOnceForTwoClicks) {
    Options3DStage stage;
    OptionsScreen& o = stage.open();
    stage.drag(o.music_slider(), {-90});
    stage.drag(o.sound_slider(), {36});
    stage.click(o.full_screen_box());
    stage.click(o.custom_cursors_box());
    stage.step();
    ASSERT_TRUE(o.ok_button().is_enabled());

    stage.click(o.ok_button());
    stage.click(o.ok_button());
    stage.step(2);
    EXPECT_EQ(stage.results, std::vector<int>{OptionsScreen::ok_result});
    EXPECT_TRUE(stage.top_is<MainMenuScreen>());
    EXPECT_EQ(stage.ss().stack().size(), 1u);
    // Full screen with 3D as it was.
    EXPECT_EQ(stage.app->switches, (std::vector<std::tuple<bool, bool, bool>>{{false, true, false}}));
    EXPECT_TRUE(stage.app->mCustomCursorsEnabled);
    EXPECT_EQ(stage.stored(), std::make_tuple(true, true, true, 70, 0));
    EXPECT_DOUBLE_EQ(stage.app->GetMusicVolume(), 0.0);
    EXPECT_DOUBLE_EQ(stage.app->GetSfxVolume(), 0.7);

    // The next opening shows what was stored.
    OptionsScreen& again = stage.open();
    EXPECT_TRUE(again.full_screen_box().is_checked());
    EXPECT_TRUE(again.custom_cursors_box().is_checked());
    EXPECT_EQ(Slidebar::percent_of(again.music_slider().mVal), 0);
    EXPECT_EQ(Slidebar::percent_of(again.sound_slider().mVal), 70);
    stage.step();
    EXPECT_FALSE(again.ok_button().is_enabled());
}

TEST(OptionsScreen, CancelAndEscapeStoreNothingAndPutTheOpeningVolumesBack) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "cancel");
        OptionsStage stage;
        stage.registry.set_int("sound/@volume", 30);
        stage.registry.set_int("music/@volume", 60);
        OptionsScreen& o = stage.open();
        const std::string file = testsupport::read_file(stage.config_file());
        stage.drag(o.music_slider(), {-50});
        stage.drag(o.sound_slider(), {50});
        stage.click(o.full_screen_box());
        stage.step();
        EXPECT_NE(stage.app->GetMusicVolume(), 0.6);
        EXPECT_NE(stage.app->GetSfxVolume(), 0.3);

        if (escape) {
            stage.key(kEscape);
            stage.key(kEscape);
        } else {
            stage.click(o.cancel_button());
            stage.click(o.cancel_button());
        }
        stage.step(2);
        EXPECT_EQ(stage.results, std::vector<int>{OptionsScreen::cancel_result});
        EXPECT_TRUE(stage.top_is<MainMenuScreen>());
        EXPECT_DOUBLE_EQ(stage.app->GetMusicVolume(), 0.6);
        EXPECT_DOUBLE_EQ(stage.app->GetSfxVolume(), 0.3);
        EXPECT_EQ(stage.registry.get_int("music/@volume", 0), 60);
        EXPECT_FALSE(stage.registry.get_bool("screen/@full_screen", true));
        EXPECT_EQ(testsupport::read_file(stage.config_file()), file);
        EXPECT_TRUE(stage.app->switches.empty());
    }
}

TEST(OptionsScreen, WithoutThreeDSupportTheBoxIsOffAndOkStoresOff) {
    OptionsStage stage([](guitest::GameStage& s) {
        s.attach_display();
        s.app->answer_no_3d();
    });
    ASSERT_FALSE(orvek::ostrel::is_3d_supported());
    // A configuration from a machine that had 3D.
    stage.registry.set_bool("screen/@acceleration_3d", true);
    OptionsScreen& o = stage.open();
    EXPECT_FALSE(o.acceleration_box().is_checked());
    EXPECT_FALSE(o.acceleration_box().is_enabled());
    EXPECT_TRUE(o.ok_button().is_enabled());

    stage.click(o.ok_button());
    stage.step(2);
    EXPECT_EQ(stage.results, std::vector<int>{OptionsScreen::ok_result});
    EXPECT_EQ(stage.app->switches, (std::vector<std::tuple<bool, bool, bool>>{{true, false, false}}));
    EXPECT_EQ(stage.stored(), std::make_tuple(false, false, false, 50, 50));

    // Stored off, the dialog opens with nothing to apply.
    OptionsScreen& again = stage.open();
    stage.step();
    EXPECT_FALSE(again.acceleration_box().is_enabled());
    EXPECT_FALSE(again.ok_button().is_enabled());
}

TEST(OptionsScreen, CreditsOpenOverItAndItDecidesAgainAfterwards) {
    OptionsStage stage;
    OptionsScreen& o = stage.open();
    stage.click(o.credits_button());
    stage.click(o.credits_button());
    stage.step(2);
    ASSERT_TRUE(stage.top_is<CreditsScreen>());
    EXPECT_EQ(stage.ss().stack().size(), 3u);
    stage.key(kEscape);
    stage.step(2);
    ASSERT_TRUE(stage.top_is<OptionsScreen>());
    EXPECT_TRUE(stage.results.empty());
    stage.key(kEscape);
    stage.step(2);
    EXPECT_EQ(stage.results, std::vector<int>{OptionsScreen::cancel_result});
    EXPECT_TRUE(stage.top_is<MainMenuScreen>());
}

}  // namespace
