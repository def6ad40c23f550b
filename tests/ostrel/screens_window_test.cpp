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

#include "framework/app/support/XDump.h"
#include "framework/graphics/ImageLib.h"
#include "support/TestSupport.h"

namespace {

using apptest::OnPath;

std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(ScreensWindow, ScriptedInputReachesTheControlsUnderXvfb) {
    if (!OnPath("xvfb-run") || !OnPath("xdotool") || !OnPath("xwd") || !OnPath("setxkbmap"))
        GTEST_SKIP() << "xvfb-run, xdotool, xwd or setxkbmap missing";
    testsupport::TempDir dir;
    std::filesystem::create_directories(ARTEFACT_DIR);
    const std::string script = dir.file("run.sh");
    testsupport::write_file(script, R"(
set -u
cd "$1"
# The desktop libraries SDL loads keep blocks to the end of the process.
export ASAN_OPTIONS=detect_leaks=0
export XDG_RUNTIME_DIR="$1"
"$2" > probe.out 2>&1 &
P=$!
# Waits for a line of the probe.
says() {
  for i in $(seq 1 240); do grep -q "probe: $1" probe.out && return 0
                            kill -0 $P 2>/dev/null || break; sleep 0.25; done
  echo "no '$1'"; kill $P; exit 3
}
says "shown A"
WID=""
for i in $(seq 1 40); do
  WID=$(xdotool search --onlyvisible --name "^Zelkor Screens Probe$" 2>/dev/null | tail -n 1)
  [ -n "$WID" ] && break
  sleep 0.25
done
[ -n "$WID" ] || { echo "no window"; kill $P; exit 3; }
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
)");
    const std::string cmd = "xvfb-run -a -s '-screen 0 640x480x24' bash " + script + " " + dir.str() + " " +
                            SCREENS_PROBE + " > " + dir.file("run.out") + " 2>&1";
    const int rc = std::system(cmd.c_str());
    for (const char* f : {"window.xwd", "probe.out", "run.out", "events.txt"}) {
        std::error_code ec;
        std::filesystem::copy_file(dir.file(f), std::string(ARTEFACT_DIR) + "/screens_window_" + f,
                                   std::filesystem::copy_options::overwrite_existing, ec);
    }
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
        // The capture as a picture, beside the dump.
        ImageLib::Image shot(window.width, window.height);
        for (std::size_t i = 0; i < window.pixels.size(); ++i) shot.bits[i] = 0xFF000000 | window.pixels[i];
        ImageLib::WritePNGImage(std::string(ARTEFACT_DIR) + "/screens_window.png", shot);
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
