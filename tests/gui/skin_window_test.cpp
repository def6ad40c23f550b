// Skin-built screens in a real window under Xvfb: the pointer rests on a
// static near the right edge and its text tooltip appears inside the
// window, a move away takes it down, and Return opens a modal dialog over
// the shaded screen. Both moments are captured from the X server and must
// equal the pictures kept in the tests; the captures stay in the build tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/graphics/ImageLib.h"
#include "support/Fixture.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {

// The number of pixels that differ, and the first of them.
std::string Compare(const apptest::Capture& got, const std::string& expected_file) {
    ImageLib::ImagePtr expected = ImageLib::GetPNGImage(expected_file);
    if (!expected) return "no " + expected_file;
    if (got.width != expected->width || got.height != expected->height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height);
    int wrong = 0, fx = -1, fy = -1;
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x)
            if (got.At(x, y) != (expected->bits[std::size_t(y) * expected->width + x] & 0xFFFFFF))
                if (wrong++ == 0) fx = x, fy = y;
    if (wrong == 0) return "";
    return std::to_string(wrong) + " pixels differ, first at " + std::to_string(fx) + "," + std::to_string(fy);
}

TEST(SkinWindow, TooltipNearTheEdgeThenModalDialogUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    std::filesystem::create_directory_symlink(testsupport::fixture_dir() / "data", dir.path() / "data");
    const int rc = apptest::RunUnderXvfb(dir, "1024x768x24", R"(
"$2" > probe.out 2>&1 &
P=$!
says() { wait_line probe.out "probe: $1"; }
says "shown screen"
find_window "Zelkor Skin Probe"
xdotool windowfocus --sync "$WID"
# Onto the static at the right edge, and rest there.
xdotool mousemove --window "$WID" 780 320
says "tooltip shown"
xwd -silent -id "$WID" -out tooltip.xwd
xdotool mousemove --window "$WID" 400 500
says "tooltip hidden"
xdotool key Return
says "shown dialog"
xwd -silent -id "$WID" -out dialog.xwd
xdotool key alt+F4
wait $P
echo "exit $?"
)", SKIN_PROBE);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "skin_window_", {"tooltip.xwd", "dialog.xwd", "probe.out", "run.out"});
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("probe.out"));
    EXPECT_NE(testsupport::read_file(dir.file("run.out")).find("exit 0"), std::string::npos)
        << testsupport::read_file(dir.file("run.out"));

    for (const char* moment : {"tooltip", "dialog"}) {
        SCOPED_TRACE(moment);
        std::string why;
        apptest::Capture window;
        ASSERT_TRUE(apptest::ReadDump(dir.file(std::string(moment) + ".xwd"), &window, &why)) << why;
        const std::string kept = std::string(ARTEFACT_DIR) + "/skin_window_" + moment + ".png";
        apptest::WriteCapturePNG(window, kept);
        EXPECT_EQ(Compare(window, std::string(EXPECTED_DIR) + "/skin_window_" + moment + ".png"), "")
            << "kept as " << kept;
    }
}

}  // namespace
