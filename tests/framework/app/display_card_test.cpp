// The display on a real X server (Xvfb): a test card drawn by the probe
// program shows in its window exactly as expected and as its screenshot
// holds it; Alt+Enter scales it into the full screen, keeping its aspect,
// with pointer positions mapped back to the picture; the software cursor
// follows the pointer; a second Alt+Enter brings the window back. Captures
// are kept in the build tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/graphics/ImageLib.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {

using apptest::Capture;
using apptest::ReadDump;


int Diff(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int s = 0; s < 24; s += 8) worst = std::max(worst, std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)));
    return worst;
}

// The first pixel where the capture and the card differ, or "".
std::string CompareExact(const Capture& c, const ImageLib::Image& card) {
    if (c.width != card.width || c.height != card.height)
        return "size " + std::to_string(c.width) + "x" + std::to_string(c.height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (c.At(x, y) != (card.bits[std::size_t(y) * card.width + x] & 0xFFFFFF))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

TEST(DisplayCard, WindowFullScreenAndCursorUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd"}); !m.empty()) GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    const int rc = apptest::RunUnderXvfb(dir, "1000x600x24", R"SH(
export ZELKOR_PROBE_CURSOR=1
"$2" > probe.out 2>&1 &
P=$!
# After n windows have shown a frame, a little for the server.
wait_shown() { wait_line probe.out "probe: shown" "$1"; sleep 1; }
wait_line probe.out "probe: frame"
find_window "Zelkor Display Probe"
# The pointer leaves the picture (moves take effect once a client is up).
xdotool mousemove 999 599
sleep 1
xwd -silent -id "$WID" -out card.xwd
xdotool mousemove --window "$WID" 60 200; sleep 0.7
xdotool mousemove --window "$WID" 100 150; sleep 0.7
xwd -silent -id "$WID" -out cursor.xwd
xdotool mousemove 999 599; sleep 0.5
xdotool windowfocus --sync "$WID"; xdotool key alt+Return
wait_shown 2
xwd -silent -root -out full.xwd
find_window "Zelkor Display Probe"
xdotool mousemove 500 300; sleep 0.7
xdotool mousemove 999 599; sleep 0.5
xdotool windowfocus --sync "$WID"; xdotool key alt+Return
wait_shown 3
find_window "Zelkor Display Probe"
sleep 0.5
xwd -silent -id "$WID" -out back.xwd
kill -TERM $P
wait $P
echo "exit $?"
)SH", APP_DISPLAY_PROBE);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "display_card_",
                           {"card.xwd", "cursor.xwd", "full.xwd", "back.xwd", "probe.out", "run.out"});
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("probe.out"));

    ImageLib::ImagePtr card = ImageLib::GetPNGImage(EXPECTED_CARD);
    ASSERT_NE(card, nullptr);
    // The screenshot holds the frame.
    ImageLib::ImagePtr shot = ImageLib::GetPNGImage(dir.file("_screenshots/image1.png"));
    ASSERT_NE(shot, nullptr);
    ASSERT_EQ(shot->width, card->width);
    for (int i = 0; i < card->width * card->height; ++i) ASSERT_EQ(shot->bits[i], card->bits[i]) << i;

    std::string why;
    Capture window;
    ASSERT_TRUE(ReadDump(dir.file("card.xwd"), &window, &why)) << why;
    EXPECT_EQ(CompareExact(window, *card), "");

    // The cursor is at the pointer (a 9-wide picture sits at (64 - 9) / 2
    // in its 64-wide cell, so 5 left of the pointer) and gone from where it
    // was; everything else is the card.
    Capture cursor;
    ASSERT_TRUE(ReadDump(dir.file("cursor.xwd"), &cursor, &why)) << why;
    ASSERT_EQ(cursor.width, 320);
    int wrong = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const bool in = x >= 95 && x < 104 && y >= 145 && y < 154;
            if (cursor.At(x, y) != (in ? 0xFF00FFu : card->bits[std::size_t(y) * 320 + x] & 0xFFFFFF)) ++wrong;
        }
    EXPECT_EQ(wrong, 0);

    // Full screen: 320 x 240 scaled by 2.5 into 1000 x 600, bars of 100 at
    // the sides. Points away from edges in the card compare within the
    // 16-bit picture's rounding.
    Capture full;
    ASSERT_TRUE(ReadDump(dir.file("full.xwd"), &full, &why)) << why;
    ASSERT_EQ(full.width, 1000);
    EXPECT_EQ(full.At(50, 300), 0u);
    EXPECT_EQ(full.At(950, 300), 0u);
    int bad = 0;
    for (int y = 2; y < 240; y += 7)
        for (int x = 2; x < 320; x += 7) {
            const std::uint32_t want = card->bits[std::size_t(y) * 320 + x] & 0xFFFFFF;
            // Only where the card is flat around the point.
            bool flat = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((card->bits[std::size_t(y + dy) * 320 + x + dx] & 0xFFFFFF) != want) flat = false;
            if (!flat) continue;
            const std::uint32_t got = full.At(100 + static_cast<int>(x * 2.5 + 1.25), static_cast<int>(y * 2.5 + 1.25));
            if (Diff(got, want) > 8) ++bad;
        }
    EXPECT_EQ(bad, 0);

    // The pointer at the screen's centre is the picture's centre.
    const std::string events = testsupport::read_file(dir.file("events.txt"));
    EXPECT_NE(events.find("move 160,120"), std::string::npos) << events;

    Capture back;
    ASSERT_TRUE(ReadDump(dir.file("back.xwd"), &back, &why)) << why;
    EXPECT_EQ(CompareExact(back, *card), "");
}

}  // namespace
