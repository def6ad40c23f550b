// The drawing context's image draws on a real X server (Xvfb), 3D off: the
// probe draws a card with every kind of draw, windowed in an x8-8-8 display
// and full screen (at the picture's own size) in a 5-6-5 display; the
// window as the X server shows it equals the expected picture kept in the
// tests. Captures are kept in the build tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/graphics/ImageLib.h"
#include "support/TestSupport.h"
#include "support/XDump.h"

namespace {

using apptest::OnPath;


struct Mode {
    const char* name;
    bool fullScreen;
    const char* expected;
};

class BlitCard : public testing::TestWithParam<Mode> {};

TEST_P(BlitCard, TheWindowShowsTheExpectedCard) {
    const Mode& m = GetParam();
    if (!OnPath("xvfb-run") || !OnPath("xdotool") || !OnPath("xwd")) GTEST_SKIP() << "xvfb-run, xdotool or xwd missing";
    testsupport::TempDir dir;
    std::filesystem::create_directories(ARTEFACT_DIR);
    const std::string script = dir.file("run.sh");
    testsupport::write_file(script, R"(
set -u
cd "$1"
# The desktop libraries SDL loads keep blocks to the end of the process.
export ASAN_OPTIONS=detect_leaks=0
export XDG_RUNTIME_DIR="$1"
[ "$3" = full ] && export ZELKOR_CARD_FULLSCREEN=1
"$2" > probe.out 2>&1 &
P=$!
for i in $(seq 1 120); do grep -q "probe: frame" probe.out 2>/dev/null && break; sleep 0.5; done
WID=""
for i in $(seq 1 60); do
  WID=$(xdotool search --onlyvisible --name "^Zelkor Blit Card$" 2>/dev/null | tail -n 1)
  [ -n "$WID" ] && break
  sleep 0.5
done
[ -n "$WID" ] || { echo "no window"; kill $P; exit 3; }
xdotool mousemove 319 239
sleep 1
if [ "$3" = full ]; then xwd -silent -root -out card.xwd; else xwd -silent -id "$WID" -out card.xwd; fi
kill -TERM $P
wait $P
echo "exit $?"
)");
    const std::string screen = m.fullScreen ? "320x240x24" : "1024x768x24";
    const std::string cmd = "timeout 120 xvfb-run -a -s '-screen 0 " + screen + "' bash " + script + " " + dir.str() +
                            " " + BLIT_CARD_PROBE + " " + (m.fullScreen ? "full" : "window") + " > " +
                            dir.file("run.out") + " 2>&1";
    const int rc = std::system(cmd.c_str());
    std::string why;
    apptest::Capture shown;
    const bool read = apptest::ReadDump(dir.file("card.xwd"), &shown, &why);
    const std::string keep = std::string(ARTEFACT_DIR) + "/blit_card_" + m.name;
    if (read) {
        ImageLib::Image png;
        png.width = shown.width;
        png.height = shown.height;
        png.bits.reset(new std::uint32_t[shown.pixels.size() + 1]);
        for (std::size_t i = 0; i < shown.pixels.size(); ++i) png.bits[i] = 0xFF000000u | shown.pixels[i];
        ImageLib::WritePNGImage(keep + ".png", png);
    }
    for (const char* f : {"probe.out", "run.out"}) {
        std::error_code ec;
        std::filesystem::copy_file(dir.file(f), keep + "_" + f, std::filesystem::copy_options::overwrite_existing, ec);
    }
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("probe.out"));
    ASSERT_TRUE(read) << why;

    ImageLib::ImagePtr expected = ImageLib::GetPNGImage(std::string(BLIT_CARD_DATA) + "/" + m.expected);
    ASSERT_NE(expected, nullptr) << m.expected << " (the capture is kept as " << keep << ".png)";
    ASSERT_EQ(shown.width, expected->width);
    ASSERT_EQ(shown.height, expected->height);
    int wrong = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x)
            if (shown.At(x, y) != (expected->bits[std::size_t(y) * shown.width + x] & 0xFFFFFF)) {
                if (!wrong++) firstX = x, firstY = y;
            }
    EXPECT_EQ(wrong, 0) << "first at " << firstX << "," << firstY << "; the capture is kept as " << keep << ".png";
}

INSTANTIATE_TEST_SUITE_P(Displays, BlitCard,
                         testing::Values(Mode{"x888_window", false, "blit_card_x888.png"},
                                         Mode{"565_full_screen", true, "blit_card_565.png"}),
                         [](const testing::TestParamInfo<Mode>& i) { return std::string(i.param.name); });

}  // namespace
