// The adapter's application in a real window under Xvfb: pointer moves,
// clicks, the wheel and typing (Cyrillic too) sent through the X server
// reach the controls of two screens, the upper one modal, as events; the
// first close is refused and the second ends the program with 0; the
// window shows exactly the picture kept in the tests. Captures are kept in
// the build tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/XWindow.h"
#include "framework/graphics/ImageLib.h"
#include "support/TestSupport.h"

namespace {


std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(ScreensWindow, ScriptedInputReachesTheControlsUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd", "setxkbmap"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    const int rc = apptest::RunUnderXvfb(dir, "640x480x24", R"(
"$2" > probe.out 2>&1 &
P=$!
says() { wait_line probe.out "probe: $1"; }
says "shown A"
find_window "Zelkor Screens Probe"
xdotool windowfocus --sync "$WID"
at() { xdotool mousemove --window "$WID" "$1" "$2"; sleep 0.3; }
# Over the nested box of the lower screen; a click there opens the modal one.
at 40 40
xdotool click 1; sleep 0.3
says "shown B"
# Over the upper screen's child: a double click, a right click, the wheel.
at 200 150
xdotool click --repeat 2 --delay 60 1; sleep 0.3
xdotool click 3; sleep 0.3
xdotool click 4; sleep 0.3
xdotool click 5; sleep 0.3
# Off both boxes of the upper screen, then typing to it.
at 310 230
xdotool type --delay 80 "ab"
# Cyrillic letters from a second keyboard group, so that no key has to be
# remapped while the program may still be reading the one before.
setxkbmap -layout us,ru; sleep 0.3
xdotool type --delay 80 "жэ."
says "typed"
xwd -silent -id "$WID" -out window.xwd
xdotool key alt+F4
says "close refused"
xdotool key alt+F4
wait $P
echo "exit $?"
)", SCREENS_PROBE);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "screens_window_", {"window.xwd", "probe.out", "run.out", "events.txt"});
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("probe.out"));
    EXPECT_NE(testsupport::read_file(dir.file("run.out")).find("exit 0"), std::string::npos)
        << testsupport::read_file(dir.file("run.out"));

    // Every accepting control under the pointer gets each pointer event,
    // the lower screen's too; the keys go to the upper screen's root.
    const std::vector<std::string> want = {
        "A1a: move 40,40 by -120,-80",
        "A1: move 40,40 by -120,-80",
        "A: move 40,40 by -120,-80",
        "A1a: press 40,40",
        "A1: press 40,40",
        "A: press 40,40",
        "A1a: release 40,40",
        "A1: release 40,40",
        "push modal B",
        "A: release 40,40",
        "B1: move 200,150 by 160,110",
        "B: move 200,150 by 160,110",
        "A: move 200,150 by 160,110",
        "B1: press 200,150",
        "B: press 200,150",
        "A: press 200,150",
        "B1: release 200,150",
        "B: release 200,150",
        "A: release 200,150",
        "B1: press 200,150",
        "B: press 200,150",
        "A: press 200,150",
        "B1: open 200,150",
        "B: open 200,150",
        "A: open 200,150",
        "B1: release 200,150",
        "B: release 200,150",
        "A: release 200,150",
        "B1: ctx-press 200,150",
        "B: ctx-press 200,150",
        "A: ctx-press 200,150",
        "B1: ctx-release 200,150",
        "B: ctx-release 200,150",
        "A: ctx-release 200,150",
        "B1: wheel 120",
        "B: wheel 120",
        "A: wheel 120",
        "B1: wheel -120",
        "B: wheel -120",
        "A: wheel -120",
        "A: move 310,230 by 110,80",
        "B: key 65",
        "B: char 97",
        "B: keyup 65",
        "B: key 66",
        "B: char 98",
        "B: keyup 66",
        "B: key 186",
        "B: char 230",
        "B: keyup 186",
        "B: key 222",
        "B: char 253",
        "B: keyup 222",
        "B: key 190",
        "B: char 46",
        "B: keyup 190",
        "close refused",
        "close accepted",
    };
    EXPECT_EQ(Lines(testsupport::read_file(dir.file("events.txt"))), want);

    std::string why;
    apptest::Capture window;
    ASSERT_TRUE(apptest::ReadDump(dir.file("window.xwd"), &window, &why)) << why;
    {
        apptest::WriteCapturePNG(window, std::string(ARTEFACT_DIR) + "/screens_window.png");
    }
    ImageLib::ImagePtr expected = ImageLib::GetPNGImage(EXPECTED_SCREENS);
    ASSERT_NE(expected, nullptr) << EXPECTED_SCREENS;
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
