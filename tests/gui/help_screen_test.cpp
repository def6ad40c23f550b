// The help page over the main menu on the look fixture: static effects
// started at their phase, movable effects spawned on the first update and
// replaced when they end, the spawn area and the shortest run, and the
// show-help flag stored by OK alone, once.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>

#include "core/CampaignPlayer.h"
#include "core/Profile.h"
#include "core/Session.h"
#include "gui/HelpScreen.h"
#include "gui/Renderer.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Spots.h"
#include "support/GameStage.h"

namespace {

namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;

// The fixture's movable effects: 0 three at (300, 200) without dispersion
// for 1 s, 1 none, 2 two around (200, 150) within 40 pixels for 0.2 s.
const std::string kEffect0 = "menu/help/movable_effect0";
const std::string kEffect1 = "menu/help/movable_effect1";
const std::string kEffect2 = "menu/help/movable_effect2";

struct Stage : guitest::MenuStage {
    std::shared_ptr<core::CampaignPlayer> player;
    int completions = 0;

    explicit Stage(bool show_help = true) {
        auto profile = std::make_shared<core::Profile>("Ann");
        controller().session().set_profile(profile);
        player = profile->property<core::CampaignPlayer>();
        player->set_show_help(show_help);
    }
    // Pushed as the main menu does; the callback pops it.
    gui::HelpScreen* open() {
        gui::HelpScreen* h = controller().help_screen();
        h->set_callback([this] {
            ++completions;
            ss().pop_screen();
        });
        ss().push_modal_screen(h);
        step();
        return h;
    }
    const gui::HelpScreen::Instances& instances(gui::HelpScreen& h, const std::string& path) {
        return h.movable_effects().at(path);
    }
};

TEST(HelpScreen, EffectsStartAndFillOnTheFirstUpdate) {
    Stage st;
    gui::HelpScreen* h = st.controller().help_screen();
    ASSERT_EQ(h->static_effects().size(), 2u);
    // Looping, playing, at their place and phase.
    EXPECT_EQ(h->static_effects()[0]->position(), (orvek::ostrel::Point{20, 20}));
    EXPECT_EQ(h->static_effects()[0]->elapsed(), 500);
    EXPECT_EQ(h->static_effects()[0]->duration(), 1000);
    EXPECT_TRUE(h->static_effects()[1]->is_playing());
    // Nothing moves before the first update.
    ASSERT_EQ(h->movable_effects().size(), 3u);
    for (const auto& [path, list] : h->movable_effects()) EXPECT_TRUE(list.empty()) << path;

    st.ss().push_modal_screen(h);
    st.step();
    EXPECT_EQ(st.instances(*h, kEffect0).size(), 3u);
    EXPECT_TRUE(st.instances(*h, kEffect1).empty());
    EXPECT_EQ(st.instances(*h, kEffect2).size(), 2u);
    for (const auto& spot : st.instances(*h, kEffect0)) {
        // Dispersion 0: exactly at the effect's place, then drifting up 30 px/s.
        EXPECT_FLOAT_EQ(spot->centre().x, 300.0f);
        EXPECT_NEAR(spot->centre().y, 200.0f - 30.0f * float(st.ss().update_interval()) * 0.001f, 1e-3f);
        EXPECT_FLOAT_EQ(spot->velocity.y, -30.0f);
        EXPECT_TRUE(spot->is_playing());
        EXPECT_GE(spot->duration(), 500);
        EXPECT_LE(spot->duration(), 1500);
    }
    for (const auto& spot : st.instances(*h, kEffect2)) {
        EXPECT_LE(std::fabs(spot->centre().x - 200.0f), 40.0f);
        EXPECT_LE(std::fabs(spot->centre().y - 150.0f), 40.5f);
    }
}

TEST(HelpScreen, EndedInstancesAreReplacedInTheSameUpdateAndNeverRunUnderTheMinimum) {
    Stage st;
    gui::effects_random().seed(11);
    gui::HelpScreen* h = st.open();
    std::set<gui::MovableAnimationSpot*> seen;
    int shortest = 0;
    for (int i = 0; i < 200; ++i) {
        for (const auto& spot : st.instances(*h, kEffect2)) {
            // 0.2 s +- 0.5 s would reach -0.3 s.
            EXPECT_GE(spot->duration(), 50);
            EXPECT_LE(spot->duration(), 700);
            if (seen.insert(spot.get()).second && spot->duration() == 50) ++shortest;
        }
        ASSERT_EQ(st.instances(*h, kEffect2).size(), 2u) << i;
        st.step();
    }
    // Short runs end within a few steps, each replaced at once.
    EXPECT_GT(seen.size(), 10u);
    EXPECT_GT(shortest, 0);
    EXPECT_TRUE(st.instances(*h, kEffect1).empty());
}

TEST(HelpScreen, SpawningDrawsFromTheEffectsGeneratorOnly) {
    Stage st;
    gui::HelpScreen* h = st.controller().help_screen();
    // Updated off the stack, so nothing else draws in between.
    gui::effects_random().seed(7);
    h->update();
    // Three draws per instance: the y offset, the x offset, the duration.
    orvek::LegacyRand r(7);
    for (int k = 0; k < 3; ++k) {
        r.next();
        r.next();
        const float expected = 1.0f + (float(r.next()) * 3.0518509e-05f - 0.5f);
        EXPECT_EQ(st.instances(*h, kEffect0)[k]->duration(), orvek::ostrel::seconds_to_ms(expected)) << k;
    }
    const int y_draw = r.next();
    const int x_draw = r.next();
    const float dt = float(st.ss().update_interval()) * 0.001f;
    const auto& first = *st.instances(*h, kEffect2)[0];
    EXPECT_NEAR(first.centre().y - 10.0f * dt, 150.0f - 40.0f + 80.0f * float(y_draw) / 32767.0f, 0.01f);
    EXPECT_NEAR(first.centre().x, 200.0f - 40.0f + 80.0f * float(x_draw) / 32767.0f, 0.01f);
}

TEST(HelpScreen, TheBoxShowsAndStoresTheFlagOnAcceptOnly) {
    {
        Stage st(false);
        EXPECT_TRUE(st.open()->show_again_box().is_checked());
    }
    Stage st;
    gui::HelpScreen* h = st.open();
    EXPECT_FALSE(h->show_again_box().is_checked());
    st.click(h->show_again_box());
    st.step();
    ASSERT_TRUE(h->show_again_box().is_checked());
    // Escape completes without storing.
    st.key(27);
    st.step(2);
    EXPECT_EQ(st.completions, 1);
    EXPECT_TRUE(st.player->show_help());
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());

    h = st.open();
    st.click(h->show_again_box());
    st.step();
    ASSERT_TRUE(h->show_again_box().is_checked());
    st.click(h->ok_button());
    st.step(2);
    EXPECT_EQ(st.completions, 2);
    EXPECT_FALSE(st.player->show_help());
    // The next page starts checked; Enter with the box cleared turns help on.
    h = st.open();
    EXPECT_TRUE(h->show_again_box().is_checked());
    st.click(h->show_again_box());
    st.key(13);
    st.step(2);
    EXPECT_TRUE(st.player->show_help());
}

TEST(HelpScreen, TwoEntersInOneStepCompleteOnce) {
    Stage st;
    gui::HelpScreen* h = st.open();
    st.key(13);
    st.key(13);
    st.click(h->ok_button());
    st.step(2);
    EXPECT_EQ(st.completions, 1);
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    EXPECT_EQ(st.ss().stack().size(), 1u);
}

}  // namespace
