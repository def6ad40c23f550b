// The program on the generated tree and the shipped configuration in a
// real window under Xvfb: past the logos and the loading screen, a first
// player named, the main menu, the campaign map, the trophy room, then a
// sub-level played for 10 s, and Alt+F4 answered. Each is captured and
// kept in the build tree.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/graphics/ImageLib.h"
#include "support/DataTree.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kScript = R"SH(
cp "$2" ./zelkor
# Blue, green, red bytes of the capture's pixel at (x, y).
pix() {
  h=$(od -An -tu4 --endian=big -N4 "$1" | tr -d ' ')
  bpl=$(od -An -tu4 --endian=big -j48 -N4 "$1" | tr -d ' ')
  nc=$(od -An -tu4 --endian=big -j76 -N4 "$1" | tr -d ' ')
  od -An -tx1 -j$((h + nc * 12 + $3 * bpl + $2 * 4)) -N3 "$1" | tr -d ' \n'
}
near() {
  for k in 0 2 4; do
    d=$(( 16#${1:$k:2} - 16#${2:$k:2} ))
    [ ${d#-} -le ${3:-8} ] || return 1
  done
}
# Waits until the pixel at (x, y) is near the colour (or, with "not", is
# no longer), then keeps the capture as NAME.xwd; TOLERANCE is 8 unless given.
wait_for() {
  for i in $(seq 1 400); do
    if xwd -silent -id "$WID" -out c.xwd 2>/dev/null; then
      p=$(pix c.xwd $2 $3)
      if [ "$1" = not ]; then ! near "$p" "$4" && { cp c.xwd "$5.xwd"; return 0; }
      else near "$p" "$4" ${6:-8} && { cp c.xwd "$5.xwd"; return 0; }; fi
    fi
    sleep 0.1
  done
  cp c.xwd last.xwd
  fail "never saw $5 ($p at $2,$3)"
}
click() { xdotool mousemove --window "$WID" $1 $2 click 1; }
read MX MY MAIN CX CY MAP TX TY TROPHY NEWX NEWY NEW < colours.txt
export SDL_AUDIODRIVER=dummy
./zelkor > zelkor.out 2>&1 &
P=$!
find_window Zelkor
# The first start asks for a name over the main menu.
wait_for is $NEWX $NEWY $NEW new_player
xdotool windowfocus --sync "$WID"
xdotool type Ana
xdotool key Return
wait_for is $MX $MY $MAIN main_menu
click 400 213          # play: a new player goes to the campaign map
wait_for is $CX $CY $MAP campaign_map
click 400 550          # back
wait_for is $MX $MY $MAIN main_menu2
click 400 381          # trophy room
wait_for is $TX $TY $TROPHY trophy_room
click 400 550          # ok
wait_for is $MX $MY $MAIN main_menu3
click 400 213
wait_for is $CX $CY $MAP campaign_map2
click 150 550          # start the selected sub-level
wait_for not $CX $CY $MAP game
sleep 10
xwd -silent -id "$WID" -out play.xwd
kill -0 $P || fail "the game ended while playing"
xdotool windowfocus --sync "$WID"
xdotool key alt+F4
# Return answers the close question once it is up; before, it does nothing.
for i in $(seq 1 60); do
  sleep 0.5
  kill -0 $P 2>/dev/null || break
  xdotool key Return
done
wait $P
echo "exit $?"
)SH";

std::string Hex(std::uint32_t argb) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", argb & 0xFF, (argb >> 8) & 0xFF, (argb >> 16) & 0xFF);
    return text;
}

bool Differ(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 40) return true;
    return false;
}

TEST(ShippedWindow, MainMenuMapTrophyRoomAndTenSecondsOfPlayUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd", "od"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    const fs::path data = datalint::built_data();
    auto main = ImageLib::GetPNGImage((data / "images/menu/backgrounds/main.png").string());
    auto map = ImageLib::GetPNGImage((data / "images/menu/backgrounds/campaign.png").string());
    auto trophy = ImageLib::GetPNGImage((data / "images/menu/backgrounds/trophy-room.png").string());
    auto button = ImageLib::GetPNGImage((data / "images/menu/buttons/dialog-disabled.png").string());
    if (!main || !map || !trophy || !button) GTEST_SKIP() << "the minimum picture set has no screen backgrounds";
    // For each of the three screens a point above every control where its
    // title tells it from the other two.
    std::string points;
    for (const auto* own : {&main, &map, &trophy}) {
        int x = -1, y = -1;
        for (int yy = 20; yy < 85 && x < 0; ++yy)
            for (int xx = 100; xx < 700 && x < 0; ++xx) {
                const std::size_t at = std::size_t(yy) * 800 + xx;
                bool alone = true;
                for (const auto* other : {&main, &map, &trophy})
                    if (other != own) alone = alone && Differ((*own)->bits[at], (*other)->bits[at]);
                if (alone) x = xx, y = yy;
            }
        ASSERT_GE(x, 0) << "no point tells the screens apart";
        points += std::to_string(x) + " " + std::to_string(y) + " " +
                  Hex((*own)->bits[std::size_t(y) * 800 + x]) + " ";
    }
    // The new-player dialog's OK button, disabled until a name is typed,
    // alone and so centred in the dialog at (200, 200), 140 down.
    const int px = 10, py = 18;
    const std::uint32_t pc = button->bits[std::size_t(py) * button->width + px];
    ASSERT_EQ(pc >> 24, 0xFFu);

    testsupport::TempDir dir;
    fs::copy(data, dir.path() / "data", fs::copy_options::recursive);
    fs::create_directories(dir.path() / "config");
    fs::copy_file(fs::path(ZELKOR_BUILD_DIR) / "config" / "Trelm.cfg.xml", dir.path() / "config" / "Trelm.cfg.xml");
    testsupport::write_file(dir.file("colours.txt"), points + std::to_string(400 - button->width / 2 + px) + " " +
                                                          std::to_string(340 + py) + " " + Hex(pc) + "\n");
    const int rc = apptest::RunUnderXvfb(dir, "1024x768x24", kScript, ZELKOR_EXE);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "shipped_window_", {"run.out", "zelkor.out"});
    std::string why;
    for (const char* shot : {"new_player", "main_menu", "campaign_map", "trophy_room", "play", "last"}) {
        apptest::Capture c;
        if (apptest::ReadDump(dir.file(std::string(shot) + ".xwd"), &c, &why))
            apptest::WriteCapturePNG(c, std::string(ARTEFACT_DIR) + "/shipped_window_" + shot + ".png");
    }
    const std::string out = testsupport::read_file(dir.file("run.out"));
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("exit 0"), std::string::npos) << out;
    apptest::Capture play;
    ASSERT_TRUE(apptest::ReadDump(dir.file("play.xwd"), &play, &why)) << why;
}

}  // namespace
