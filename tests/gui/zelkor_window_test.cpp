// The program in a real window under Xvfb, beside the look fixture: captures
// every 100 ms see the publisher's logo, the developer's, the loading screen
// and the main menu in that order; a click during the first logo skips to
// the loading screen; the first start asks for a name, typed in; the main
// menu then greets the player and equals a kept picture, and the second
// start asks nothing; Alt+F4 and Return end the program with 0. The
// captures stay in the build tree.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "framework/graphics/ImageLib.h"
#include "support/Fixture.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {

// The colour of a flat fixture picture as the script reads it from a
// capture: blue, green, red bytes.
std::string capture_bytes(const std::string& image) {
    ImageLib::ImagePtr p = ImageLib::GetPNGImage((testsupport::fixture_dir() / image).string());
    if (!p) return "missing";
    const std::uint32_t c = p->bits[0];
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return text;
}

constexpr const char* kScript = R"SH(
cp "$2" ./zelkor
# The pixel in the middle of a capture (32 bits a pixel, low byte first).
pix() {
  h=$(od -An -tu4 --endian=big -N4 "$1" | tr -d ' ')
  bpl=$(od -An -tu4 --endian=big -j48 -N4 "$1" | tr -d ' ')
  nc=$(od -An -tu4 --endian=big -j76 -N4 "$1" | tr -d ' ')
  od -An -tx1 -j$((h + nc * 12 + ${3:-300} * bpl + ${2:-400} * 4)) -N3 "$1" | tr -d ' \n'
}
# Return answers the close confirmation only once it is shown: a loaded
# machine may take longer than any fixed pause to draw it.
confirm_close() {
  for i in $(seq 1 100); do
    xwd -silent -id "$WID" -out q.xwd 2>/dev/null && ! near "$(pix q.xwd)" "$main" && break
    sleep 0.1
  done
  xdotool key Return
}
# The continue button shows only once the bar is full: a click before that
# is ignored, so wait until it is drawn.
press_continue() {
  for i in $(seq 1 100); do
    xwd -silent -id "$WID" -out b.xwd 2>/dev/null && ! near "$(pix b.xwd 400 480)" "$loading" && break
    sleep 0.1
  done
  xdotool mousemove --window "$WID" 400 480 click 1
}
# Whether two colours differ by at most 8 in each byte (the display may
# keep fewer bits a channel).
near() {
  for k in 0 2 4; do
    d=$(( 16#${1:$k:2} - 16#${2:$k:2} ))
    [ ${d#-} -le 8 ] || return 1
  done
}
# Captures every 100 ms into seq.txt (each new colour once) until $1 shows;
# the first capture of each named colour is kept as <name>.xwd.
watch() {
  prev=""
  for i in $(seq 1 250); do
    xwd -silent -id "$WID" -out c.xwd 2>/dev/null || { sleep 0.1; continue; }
    p=$(pix c.xwd)
    if [ "$p" != "$prev" ]; then echo "$p" >> seq.txt; prev=$p; fi
    for n in publisher developer loading main; do
      eval "want=\$$n"
      near "$p" "$want" && [ ! -f "$RUN$n.xwd" ] && cp c.xwd "$RUN$n.xwd"
    done
    near "$p" "$1" && return 0
    sleep 0.1
  done
  fail "never saw $1"
}
publisher=$3; developer=$4; loading=$5; main=$6; newplayer=$7
export SDL_AUDIODRIVER=dummy

RUN=first_
# The loading screen waits for its button, so it is surely seen.
mkdir -p config
printf '<?xml version="1.0" encoding="windows-1251"?>\n<root><loading_screen close_auto="false"/></root>\n' > config/Trelm.cfg.xml
./zelkor > zelkor1.out 2>&1 &
P=$!
find_window "Zelkor fixture"
watch "$loading"
press_continue
# A first start asks for the player's name over the main menu.
watch "$newplayer"
xdotool windowfocus --sync "$WID"
xdotool type Ana
xdotool key Return
watch "$main"
echo "--" >> seq.txt
sleep 0.3
xwd -silent -id "$WID" -out menu.xwd
xdotool windowfocus --sync "$WID"
xdotool key alt+F4
confirm_close
wait $P
echo "exit1 $?"

RUN=second_
./zelkor > zelkor2.out 2>&1 &
P=$!
find_window "Zelkor fixture"
for i in $(seq 1 100); do
  xwd -silent -id "$WID" -out c.xwd 2>/dev/null && [ "$(pix c.xwd)" != "000000" ] && break
  sleep 0.1
done
xdotool mousemove --window "$WID" 400 300 click 1
watch "$loading"
press_continue
watch "$main"
xdotool windowfocus --sync "$WID"
xdotool key alt+F4
confirm_close
wait $P
echo "exit2 $?"
)SH";

TEST(ZelkorWindow, LogosLoadingMainMenuAndSkipUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd", "od"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    std::filesystem::create_directory_symlink(testsupport::fixture_dir() / "data", dir.path() / "data");
    const std::string publisher = capture_bytes("data/gui/logo/publisher.png");
    const std::string developer = capture_bytes("data/gui/logo/developer.png");
    const std::string loading = capture_bytes("data/images/menu/loading/background.png");
    const std::string main = capture_bytes("data/images/menu/main/background.png");
    const std::string new_player = capture_bytes("data/images/menu/new-player/background.png");
    const int rc = apptest::RunUnderXvfb(dir, "1024x768x24", kScript, ZELKOR_EXE,
                                         publisher + " " + developer + " " + loading + " " + main + " " +
                                             new_player);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "zelkor_window_",
                           {"first_publisher.xwd", "first_loading.xwd", "menu.xwd", "seq.txt", "run.out",
                            "zelkor1.out", "zelkor2.out"});
    const std::string out = testsupport::read_file(dir.file("run.out"));
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("exit1 0"), std::string::npos) << out;
    EXPECT_NE(out.find("exit2 0"), std::string::npos) << out;

    // Each run's colours in order: the first shows all four, the second
    // never the developer's logo.
    const std::string seq = testsupport::read_file(dir.file("seq.txt"));
    const std::size_t cut = seq.find("--");
    ASSERT_NE(cut, std::string::npos) << seq;
    const std::string first = seq.substr(0, cut), second = seq.substr(cut);
    const auto find = [](const std::string& text, const std::string& colour) -> std::size_t {
        for (std::size_t at = 0; at + 6 <= text.size(); at = text.find('\n', at) + 1) {
            bool near = true;
            for (int k = 0; k < 6 && near; k += 2) {
                const int got = std::stoi(text.substr(at + k, 2), nullptr, 16);
                const int want = std::stoi(colour.substr(k, 2), nullptr, 16);
                near = got - want <= 8 && want - got <= 8;
            }
            if (near) return at;
            if (text.find('\n', at) == std::string::npos) break;
        }
        return std::string::npos;
    };
    const std::size_t a = find(first, publisher), b = find(first, developer), c = find(first, loading),
                      d = find(first, main);
    EXPECT_TRUE(a != std::string::npos && b != std::string::npos && c != std::string::npos &&
                d != std::string::npos && a < b && b < c && c < d)
        << seq;
    const std::string after = second.substr(3);
    EXPECT_EQ(find(after, developer), std::string::npos) << seq;
    EXPECT_NE(find(after, loading), std::string::npos) << seq;

    std::string why;
    apptest::Capture menu;
    ASSERT_TRUE(apptest::ReadDump(dir.file("menu.xwd"), &menu, &why)) << why;
    const std::string kept = std::string(ARTEFACT_DIR) + "/zelkor_window_menu.png";
    apptest::WriteCapturePNG(menu, kept);
    for (const char* shot : {"first_publisher", "first_loading"}) {
        apptest::Capture c;
        if (apptest::ReadDump(dir.file(std::string(shot) + ".xwd"), &c, &why))
            apptest::WriteCapturePNG(c, std::string(ARTEFACT_DIR) + "/zelkor_window_" + shot + ".png");
    }
    ImageLib::ImagePtr expected = ImageLib::GetPNGImage(ZELKOR_SOURCE_DIR "/tests/gui/data/zelkor_main_menu.png");
    ASSERT_TRUE(expected) << "no expected picture; the capture is kept as " << kept;
    ASSERT_EQ(menu.width, expected->width);
    ASSERT_EQ(menu.height, expected->height);
    int wrong = 0;
    for (int y = 0; y < menu.height; ++y)
        for (int x = 0; x < menu.width; ++x)
            wrong += menu.At(x, y) != (expected->bits[std::size_t(y) * expected->width + x] & 0xFFFFFF);
    EXPECT_EQ(wrong, 0) << "kept as " << kept;
}

}  // namespace
