// Buttons and widget bridges in a real window under Xvfb, driven through
// the X server: hover, press, move out and release; a click on each
// button; typing Latin and Cyrillic letters into the edit box and Enter; a
// drag of the list's thumb and a click on its down arrow; a drag of the
// slider. The callback log and the captured picture are checked.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "framework/graphics/ImageLib.h"
#include "support/Fixture.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(WidgetsWindow, ButtonsAndBridgesTakeInputUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd", "setxkbmap"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    const int rc = apptest::RunUnderXvfb(dir, "640x480x24", R"(
ZELKOR_FIXTURE="$3" "$2" > probe.out 2>&1 &
P=$!
says() { wait_line probe.out "probe: $1"; }
says "shown"
find_window "Zelkor Widgets Probe"
xdotool windowfocus --sync "$WID"
at() { xdotool mousemove --window "$WID" "$1" "$2"; sleep 0.2; }
# The text button: hover, press, move out, release outside; then a click.
at 60 35
xdotool mousedown 1; sleep 0.2
at 60 110
xdotool mouseup 1; sleep 0.2
at 60 35
xdotool click 1; sleep 0.2
# The push button, the masked one on its mask and off it, the check box.
at 180 35
xdotool click 1; sleep 0.2
at 225 30
xdotool click 1; sleep 0.2
at 250 30
xdotool click 1; sleep 0.2
at 290 30
xdotool click 1; sleep 0.2
# The edit box: Latin, then Cyrillic letters from a second group, Enter.
at 100 80
xdotool click 1; sleep 0.2
xdotool type --delay 80 "ab"
setxkbmap -layout us,ru; sleep 0.3
xdotool type --delay 80 "жэ"
xdotool key Return
says "entered"
# The list's thumb dragged down by 8 pixels, then its down arrow.
at 171 160
xdotool mousedown 1; sleep 0.2
at 171 168
xdotool mouseup 1; sleep 0.2
at 171 190
xdotool click 1; sleep 0.2
# The slider's thumb dragged to the middle.
at 25 230
xdotool mousedown 1; sleep 0.2
at 120 230
xdotool mouseup 1; sleep 0.2
says "dragged"
xwd -silent -id "$WID" -out window.xwd
xdotool key alt+F4
wait $P
echo "exit $?"
)", WIDGETS_PROBE, testsupport::fixture_dir().string());
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "widgets_window_", {"window.xwd", "probe.out", "run.out", "events.txt"});
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("probe.out"));
    EXPECT_NE(testsupport::read_file(dir.file("run.out")).find("exit 0"), std::string::npos)
        << testsupport::read_file(dir.file("run.out"));

    const std::vector<std::string> want = {
        "action text-button",
        "action push",
        "action masked",
        "check on",
        "edit text ab\xe6\xfd",
        "list at 24/10",
        "list at 34/10",
        "slider 50",
        "slider 50",
    };
    EXPECT_EQ(Lines(testsupport::read_file(dir.file("events.txt"))), want);

    std::string why;
    apptest::Capture window;
    ASSERT_TRUE(apptest::ReadDump(dir.file("window.xwd"), &window, &why)) << why;
    apptest::WriteCapturePNG(window, std::string(ARTEFACT_DIR) + "/widgets_window.png");
    ImageLib::ImagePtr expected = ImageLib::GetPNGImage(EXPECTED_WIDGETS);
    ASSERT_NE(expected, nullptr) << EXPECTED_WIDGETS;
    ASSERT_EQ(window.width, expected->width);
    ASSERT_EQ(window.height, expected->height);
    int wrong = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x)
            if (window.At(x, y) != (expected->bits[static_cast<std::size_t>(y) * expected->width + x] & 0xFFFFFF)) {
                if (wrong++ == 0) firstX = x, firstY = y;
            }
    EXPECT_EQ(wrong, 0) << "first at " << firstX << "," << firstY;
}

}  // namespace
