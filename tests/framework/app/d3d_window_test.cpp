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
#include "support/XDump.h"

namespace {

using apptest::Capture;
using apptest::OnPath;
using apptest::ReadDump;

int Diff(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int s = 0; s < 24; s += 8) worst = std::max(worst, std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)));
    return worst;
}

TEST(D3DWindow, SceneAndSwitchingUnderXvfb) {
    if (!OnPath("xvfb-run") || !OnPath("xdotool") || !OnPath("xwd")) GTEST_SKIP() << "xvfb-run, xdotool or xwd missing";
    testsupport::TempDir dir;
    std::filesystem::create_directories(ARTEFACT_DIR);
    const std::string script = dir.file("run.sh");
    testsupport::write_file(script, R"SH(
set -u
cd "$1"
export ASAN_OPTIONS=detect_leaks=0
export XDG_RUNTIME_DIR="$1"
export HOME="$1"
"$2" > probe.out 2>&1 &
P=$!
# Waits until the probe has announced n frames, then a little for the server.
wait_shown() {
  for i in $(seq 1 240); do
    [ "$(grep -c "probe: shown" probe.out 2>/dev/null)" -ge "$1" ] && break
    sleep 0.5
  done
  sleep 1
}
wait_shown 1
WID=""
for i in $(seq 1 60); do
  WID=$(xdotool search --onlyvisible --name "^Zelkor 3D Probe$" 2>/dev/null | tail -n 1)
  [ -n "$WID" ] && break
  sleep 0.5
done
[ -n "$WID" ] || { echo "no window"; kill $P; exit 3; }
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
)SH");
    const std::string cmd = "xvfb-run -a -s '-screen 0 1000x600x24' bash " + script + " " + dir.str() + " " +
                            APP_D3D_PROBE + " > " + dir.file("run.out") + " 2>&1";
    const int rc = std::system(cmd.c_str());
    for (const char* f : {"first.xwd", "software.xwd", "again.xwd", "probe.out", "run.out"}) {
        std::error_code ec;
        std::filesystem::copy_file(dir.file(f), std::string(ARTEFACT_DIR) + "/d3d_window_" + f,
                                   std::filesystem::copy_options::overwrite_existing, ec);
    }
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
    ImageLib::Image shot(first.width, first.height);
    for (std::size_t i = 0; i < first.pixels.size(); ++i) shot.bits[i] = 0xFF000000u | (first.pixels[i] & 0xFFFFFF);
    ImageLib::WritePNGImage(std::string(ARTEFACT_DIR) + "/d3d_window_first.png", shot);

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
