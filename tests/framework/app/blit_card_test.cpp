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

namespace {

bool OnPath(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// The dump format of the X tools (true colour, 24 or 32 bits a pixel) as
// 0xFFRRGGBB words.
bool ReadDump(const std::string& path, ImageLib::Image* out, std::string* why) {
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto field = [&](std::size_t i) -> std::uint32_t {
        const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + i * 4;
        return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    };
    if (data.size() < 100) return *why = path + ": too short", false;
    const std::uint32_t headerSize = field(0), format = field(2), width = field(4), height = field(5);
    const std::uint32_t byteOrder = field(7), bpp = field(11), bytesPerLine = field(12);
    const std::uint32_t red = field(14), green = field(15), blue = field(16), colours = field(19);
    if (format != 2 || (bpp != 32 && bpp != 24) || red != 0xFF0000 || green != 0xFF00 || blue != 0xFF)
        return *why = path + ": not a true-colour dump", false;
    const std::size_t start = headerSize + std::size_t(colours) * 12;
    if (width > 10000 || height > 10000 || data.size() < start + std::size_t(bytesPerLine) * height)
        return *why = path + ": truncated", false;
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->bits.reset(new std::uint32_t[std::size_t(width) * height + 1]);
    const unsigned step = bpp / 8;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(data.data()) + start + y * bytesPerLine + x * step;
            std::uint32_t v = 0;
            for (unsigned b = 0; b < step; ++b) v |= std::uint32_t(p[b]) << (byteOrder == 0 ? 8 * b : 8 * (step - 1 - b));
            out->bits[std::size_t(y) * width + x] = 0xFF000000u | (v & 0xFFFFFF);
        }
    return true;
}

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
    ImageLib::Image shown;
    const bool read = ReadDump(dir.file("card.xwd"), &shown, &why);
    const std::string keep = std::string(ARTEFACT_DIR) + "/blit_card_" + m.name;
    if (read) ImageLib::WritePNGImage(keep + ".png", shown);
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
            if ((shown.bits[std::size_t(y) * shown.width + x] & 0xFFFFFF) !=
                (expected->bits[std::size_t(y) * shown.width + x] & 0xFFFFFF)) {
                if (!wrong++) firstX = x, firstY = y;
            }
    EXPECT_EQ(wrong, 0) << "first at " << firstX << "," << firstY << "; the capture is kept as " << keep << ".png";
}

INSTANTIATE_TEST_SUITE_P(Displays, BlitCard,
                         testing::Values(Mode{"x888_window", false, "blit_card_x888.png"},
                                         Mode{"565_full_screen", true, "blit_card_565.png"}),
                         [](const testing::TestParamInfo<Mode>& i) { return std::string(i.param.name); });

}  // namespace
