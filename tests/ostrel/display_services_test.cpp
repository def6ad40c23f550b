// The display and cursor services the game's options reach the framework by.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "ostrel/Display3D.h"
#include "ostrel/support/AdapterHarness.h"

namespace {

using namespace orvek::ostrel;

class ModeApp : public adaptertest::TestApp {
public:
    using TestApp::TestApp;
    using TestApp::SwitchScreenMode;
    void SwitchScreenMode(bool windowed, bool is3D, bool force) override { switches.emplace_back(windowed, is3D, force); }
    std::vector<std::tuple<bool, bool, bool>> switches;
};

TEST(DisplayServices, WithoutAnApplicationNothingHappens) {
    ASSERT_EQ(Vant::VantAppBase::gApp, nullptr);
    EXPECT_FALSE(is_3d_supported());
    EXPECT_FALSE(is_3d_accelerated());
    set_screen_mode(true, true);
    set_custom_cursors(true);
}

TEST(DisplayServices, ForwardToTheRunningApplication) {
    adaptertest::Platform p;
    ModeApp app(&p.host, p.program);
    // No display yet: no capability test ran, so no 3D.
    EXPECT_FALSE(is_3d_supported());
    EXPECT_FALSE(is_3d_accelerated());
    set_screen_mode(false, true);
    set_screen_mode(true, false);
    const std::vector<std::tuple<bool, bool, bool>> expected{{false, true, false}, {true, false, false}};
    EXPECT_EQ(app.switches, expected);
    set_custom_cursors(true);
    EXPECT_TRUE(app.mCustomCursorsEnabled);
    set_custom_cursors(false);
    EXPECT_FALSE(app.mCustomCursorsEnabled);
}

}  // namespace
