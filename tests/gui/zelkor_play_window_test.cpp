// Play in a real window under Xvfb: a copy of the program beside the fixture
// tree, set to the one-colour play level, driven through the X server from
// the main menu through the campaign map into sub-level 1. In captures the
// platform follows the pointer's x within 2 px, inside its limits; a click
// launches a ball, seen above the platform in the next capture; Escape
// opens the break menu, whose exit leaves the game (two screens down, the
// game and the map: the main menu) with the autosave written. The play
// field is kept as a picture in the build tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "core/CampaignPlayer.h"
#include "core/Profile.h"
#include "core/Profiles.h"
#include "support/Fixture.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {

namespace fs = std::filesystem;

// Where the fixture puts things: the main menu's play button, the map's
// start button, the break menu (a dialog centred on the screen) with its
// exit button; the platform's line and limits on the level.
constexpr int kPlatformRow = 494;  // through the platform, above its shadow
constexpr int kLimitLeft = 60, kLimitRight = 740;
const int kPointerXs[] = {200, 430, 650, 20, 790};

constexpr const char* kScript = R"SH(
ln "$2" ./zelkor 2>/dev/null || cp "$2" ./zelkor
main=$3; map=$4; platform=$5; dialog=$6
export SDL_AUDIODRIVER=dummy
./zelkor > zelkor.out 2>&1 &
P=$!
find_window "Zelkor fixture"
# The logos and the loading screen pass; a click skips the first logo.
for i in $(seq 1 300); do
  xwd -silent -id "$WID" -out w.xwd 2>/dev/null && near "$(pix w.xwd 5 595)" "$main" && break
  [ $((i % 10)) -eq 1 ] && xdotool mousemove --window "$WID" 400 300 click 1
  sleep 0.1
done
near "$(pix w.xwd 5 595)" "$main" || fail "never saw the main menu"
xdotool mousemove --window "$WID" 100 120 click 1
wait_pix "$map" 5 595 "the campaign map"
xdotool mousemove --window "$WID" 110 555 click 1
# The game draws its platform (over the map, which stays beneath).
xdotool mousemove --window "$WID" 400 450
wait_pix "$platform" 400 494 "the platform"
# Each pointer x: captured once the platform stands under it (or at its
# limit); the test measures it.
for x in $STEER; do
  want=$x; [ $want -lt 60 ] && want=60; [ $want -gt 740 ] && want=740
  xdotool mousemove --window "$WID" $x 450
  wait_pix "$platform" $want 494 "the platform at $want"
  cp w.xwd steer_$x.xwd
done
xdotool mousemove --window "$WID" 400 450
wait_pix "$platform" 400 494 "the platform back at 400"
cp w.xwd before_shot.xwd
xdotool click 1
# The ball leaves from the platform's foot; a loaded machine draws it late.
for i in $(seq 1 15); do
  sleep 0.1
  xwd -silent -id "$WID" -out after_shot_$i.xwd
done
xdotool key Escape
wait_pix "$dialog" 210 210 "the break menu"
cp w.xwd break_menu.xwd
xdotool mousemove --window "$WID" 530 365 click 1
wait_pix "$main" 5 595 "the main menu after the exit"
cp w.xwd after_exit.xwd
ls saves/autosave > autosave.txt 2>&1
for f in saves/autosave/*; do [ -s "$f" ] && echo "written $f" >> autosave.txt; done
xdotool key alt+F4
for i in $(seq 1 100); do
  xwd -silent -id "$WID" -out q.xwd 2>/dev/null && ! near "$(pix q.xwd 5 595)" "$main" && break
  sleep 0.1
done
xdotool key Return
wait $P
echo "exit $?"
)SH";

// The longest run of the platform's colour along its row (other art may
// share a near colour for a pixel or two); (-1, -1) when it is not there.
std::pair<int, int> platform_span(const apptest::Capture& c, std::uint32_t colour) {
    std::pair<int, int> best{-1, -1};
    for (int x = 0, start = -1; x <= c.width; ++x) {
        const bool in = x < c.width && apptest::NearColour(c.At(x, kPlatformRow), colour);
        if (in && start < 0) start = x;
        if (!in && start >= 0) {
            if (best.first < 0 || x - 1 - start > best.second - best.first) best = {start, x - 1};
            start = -1;
        }
    }
    return best;
}

// Pixels of the ball's colour in a column above the platform's ball (which
// sits at the platform's foot) and below the display.
int ball_pixels_above(const apptest::Capture& c, int x, std::uint32_t colour) {
    int n = 0;
    for (int y = 60; y < 545; ++y)
        for (int dx = -6; dx <= 6; ++dx) n += apptest::NearColour(c.At(x + dx, y), colour);
    return n;
}

std::uint32_t rgb(const std::string& bgr) {
    const std::uint32_t v = std::stoul(bgr, nullptr, 16);
    return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

TEST(ZelkorPlayWindow, MenuMapAndSubLevelSteerShootAndLeaveUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd", "od"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    fs::create_directory_symlink(testsupport::fixture_dir() / "data", dir.path() / "data");
    fs::create_directories(dir.path() / "config");
    testsupport::write_file(dir.path() / "config/Trelm.cfg.xml",
                            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<root>"
                            "<levels dir=\"data/levels-xplay\" sublevels_graphics_settings_dir="
                            "\"data/levels-xplay/GraphicsSettings\"/><profiles last_logged=\"Ann\"/></root>\n");
    fs::create_directories(dir.path() / "saves");
    {
        orvek::trelm::core::Profiles profiles((dir.path() / "saves/profiles.dat").string());
        auto ann = std::make_shared<orvek::trelm::core::Profile>("Ann");
        auto player = std::make_shared<orvek::trelm::core::CampaignPlayer>();
        player->set_show_help(false);  // straight into play
        ann->set_property(player);
        profiles.add(ann);
    }
    const fs::path images = testsupport::fixture_dir() / "data/images";
    const std::string main = apptest::CaptureColour((images / "menu/main/background.png").string());
    const std::string map = apptest::CaptureColour((images / "menu/campaign/background.png").string());
    const std::string platform = apptest::CaptureColour((images / "platform.png").string());
    const std::string ball = apptest::CaptureColour((images / "ball-red.png").string(), true);
    const std::string dialog = apptest::CaptureColour((images / "menu/dialogs/box/background.png").string());
    std::string steer;
    for (int x : kPointerXs) steer += (steer.empty() ? "" : " ") + std::to_string(x);
    const int rc = apptest::RunUnderXvfb(dir, "1024x768x24",
                                         "STEER='" + steer + "'\n" + apptest::kCaptureTools + kScript, ZELKOR_EXE,
                                         main + " " + map + " " + platform + " " + dialog);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "zelkor_play_window_",
                           {"run.out", "zelkor.out", "autosave.txt"});
    const std::string out = testsupport::read_file(dir.file("run.out"));
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("exit 0"), std::string::npos) << out;

    std::string why;
    for (int x : kPointerXs) {
        SCOPED_TRACE(x);
        apptest::Capture c;
        ASSERT_TRUE(apptest::ReadDump(dir.file("steer_" + std::to_string(x) + ".xwd"), &c, &why)) << why;
        const auto [left, right] = platform_span(c, rgb(platform));
        ASSERT_GE(left, 0);
        const int centre = (left + right) / 2;
        const int want = std::clamp(x, kLimitLeft, kLimitRight);
        EXPECT_LE(std::abs(centre - want), 2) << left << ".." << right;
        EXPECT_GE(centre, kLimitLeft - 2);
        EXPECT_LE(centre, kLimitRight + 2);
    }

    // The click launches the platform's ball: above the platform in the
    // captures that follow, where there was none before.
    apptest::Capture before, after;
    ASSERT_TRUE(apptest::ReadDump(dir.file("before_shot.xwd"), &before, &why)) << why;
    EXPECT_EQ(ball_pixels_above(before, 400, rgb(ball)), 0);
    for (int i = 1; i <= 15; ++i) {
        ASSERT_TRUE(apptest::ReadDump(dir.file("after_shot_" + std::to_string(i) + ".xwd"), &after, &why)) << why;
        if (ball_pixels_above(after, 400, rgb(ball)) > 0) break;
    }
    EXPECT_GT(ball_pixels_above(after, 400, rgb(ball)), 0);
    const std::string kept = std::string(ARTEFACT_DIR) + "/zelkor_play_window_field.png";
    apptest::WriteCapturePNG(after, kept);

    // The break menu showed, and its exit left the game with the autosave
    // written.
    EXPECT_TRUE(fs::exists(dir.file("break_menu.xwd")));
    const std::string autosave = testsupport::read_file(dir.file("autosave.txt"));
    EXPECT_NE(autosave.find("written saves/autosave/"), std::string::npos) << autosave;
}

}  // namespace
