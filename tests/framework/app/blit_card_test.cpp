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
#include "support/XWindow.h"

namespace {



struct Mode {
    const char* name;
    bool fullScreen;
    const char* expected;
};

class BlitCard : public testing::TestWithParam<Mode> {};

TEST_P(BlitCard, TheWindowShowsTheExpectedCard) {
    const Mode& m = GetParam();
    if (const std::string missing = apptest::MissingTool({"xvfb-run", "xdotool", "xwd"}); !missing.empty())
        GTEST_SKIP() << missing << " missing";
    testsupport::TempDir dir;
    const int rc = apptest::RunUnderXvfb(dir, m.fullScreen ? "320x240x24" : "1024x768x24", R"(
[ "$3" = full ] && export ZELKOR_CARD_FULLSCREEN=1
"$2" > probe.out 2>&1 &
P=$!
wait_line probe.out "probe: frame"
find_window "Zelkor Blit Card"
xdotool mousemove 319 239
sleep 1
if [ "$3" = full ]; then xwd -silent -root -out card.xwd; else xwd -silent -id "$WID" -out card.xwd; fi
kill -TERM $P
wait $P
echo "exit $?"
)", BLIT_CARD_PROBE, m.fullScreen ? "full" : "window");
    std::string why;
    apptest::Capture shown;
    const bool read = apptest::ReadDump(dir.file("card.xwd"), &shown, &why);
    const std::string keep = std::string(ARTEFACT_DIR) + "/blit_card_" + m.name;
    if (read) apptest::WriteCapturePNG(shown, keep + ".png");
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, std::string("blit_card_") + m.name + "_", {"probe.out", "run.out"});
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
