// The 3D path on a real X server (Xvfb): the probe's scene, drawn through
// the software 3D device, is captured from the server and equals the kept
// picture; 3D switched off while running draws the same scene in software
// within a small tolerance per channel, and switched on again gives the
// first picture back. Left out of the software comparison, as the two paths
// filter it differently on purpose: the rotated sprite's corner. Captures
// are kept in the build tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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

TEST(D3DWindow, SceneAndSwitchingUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd"}); !m.empty()) GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    const int rc = apptest::RunUnderXvfb(dir, "1000x600x24", R"SH(
export HOME="$1"
"$2" > probe.out 2>&1 &
P=$!
# After the probe has announced n frames, a little for the server.
wait_shown() { wait_line probe.out "probe: shown" "$1"; sleep 1; }
wait_shown 1
find_window "Zelkor 3D Probe"
xdotool mousemove 999 599
sleep 0.5
xwd -silent -id "$WID" -out first.xwd
touch switch
wait_shown 2
xwd -silent -id "$WID" -out software.xwd
touch switch
wait_shown 3
xwd -silent -id "$WID" -out again.xwd
kill -TERM $P
wait $P
echo "exit $?"
)SH", APP_D3D_PROBE);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "d3d_window_", {"first.xwd", "software.xwd", "again.xwd", "probe.out", "run.out"});
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("probe.out"));
    const std::string said = testsupport::read_file(dir.file("probe.out"));
    ASSERT_NE(said.find("probe: shown 3d\nprobe: shown software\nprobe: shown 3d\n"), std::string::npos) << said;

    std::string why;
    Capture first, software, again;
    ASSERT_TRUE(ReadDump(dir.file("first.xwd"), &first, &why)) << why;
    ASSERT_TRUE(ReadDump(dir.file("software.xwd"), &software, &why)) << why;
    ASSERT_TRUE(ReadDump(dir.file("again.xwd"), &again, &why)) << why;
    ASSERT_EQ(first.width, 320);
    ASSERT_EQ(first.height, 240);
    apptest::WriteCapturePNG(first, std::string(ARTEFACT_DIR) + "/d3d_window_first.png");

    ImageLib::ImagePtr expected = ImageLib::GetPNGImage(EXPECTED_SCENE);
    ASSERT_NE(expected, nullptr);
    ASSERT_EQ(expected->width, 320);
    ASSERT_EQ(expected->height, 240);
    int wrong = 0, wrongAgain = 0, beyond = 0, worst = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const std::uint32_t want = expected->bits[std::size_t(y) * 320 + x] & 0xFFFFFF;
            if (first.At(x, y) != want) ++wrong;
            if (again.At(x, y) != want) ++wrongAgain;
            if (x >= 230 && y >= 150) continue;  // the rotated sprite
            const int d = Diff(software.At(x, y), want);
            worst = std::max(worst, d);
            if (d > 16) ++beyond;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(wrongAgain, 0);
    EXPECT_EQ(beyond, 0) << "worst " << worst;
}

}  // namespace
