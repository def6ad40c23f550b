// The stock widgets in a real window under Xvfb: clicks, drags and typing
// (Cyrillic too) sent through the X server travel through SDL, the message
// records and the deferred queue to the widgets, whose listeners are called
// in order; the window then shows exactly the picture kept in the tests.
// Captures are kept in the build tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "framework/graphics/ImageLib.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {


std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(WidgetWindow, ScriptedInputReachesTheWidgetsUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd", "setxkbmap"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    const int rc = apptest::RunUnderXvfb(dir, "800x600x24", R"(
"$2" > probe.out 2>&1 &
P=$!
wait_line probe.out "probe: window open"
find_window "Zelkor Widget Probe"
sleep 0.5
xdotool windowfocus --sync "$WID"
at() { xdotool mousemove --window "$WID" "$1" "$2"; sleep 0.2; }
click() { at "$1" "$2"; xdotool click 1; sleep 0.3; }
# Edit field: Latin and Cyrillic letters, then Enter.
click 200 32
xdotool type --delay 60 "Hi "
# Cyrillic letters from a second keyboard group, so that no key has to be
# remapped while the program may still be reading the one before.
setxkbmap -layout us,ru; sleep 0.3
xdotool type --delay 80 "Привет"
sleep 0.3
xdotool key Return; sleep 0.3
# The list: line 1, then, scrolled by one line with the arrow, line 4.
click 60 94
click 188 160
click 60 134
# The slider's thumb dragged past its right end and back.
at 225 90
xdotool mousedown 1; sleep 0.2
at 260 90
at 399 90
at 300 90
xdotool mouseup 1; sleep 0.3
# The button opens a modal dialog; the list below it is out of reach.
click 60 32
sleep 0.3
click 60 94
click 160 186
wait_line probe.out "probe: shot"
at 390 290
sleep 0.5
xwd -silent -id "$WID" -out window.xwd
kill -TERM $P
wait $P
echo "exit $?"
)", APP_WIDGET_PROBE);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "widget_window_",
                           {"window.xwd", "probe.out", "run.out", "events.txt", "_screenshots/image1.png"});
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("probe.out"));

    const std::vector<std::string> want = {
        "entered 2 Hi \\xCF\\xF0\\xE8\\xE2\\xE5\\xF2",
        "clicked 3 1 1",
        "clicked 3 4 1",
        "slider 5 0.23",
        "slider 5 1.00",
        "slider 5 0.50",
        "slider 5 0.50",
        "press 1",
        "release 1",
        "dialog at 124,174",
        "press 2006",
        "release 2006",
        "shot",
    };
    EXPECT_EQ(Lines(testsupport::read_file(dir.file("events.txt"))), want);

    std::string why;
    apptest::Capture window;
    ASSERT_TRUE(apptest::ReadDump(dir.file("window.xwd"), &window, &why)) << why;
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
