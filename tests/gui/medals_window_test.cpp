// The program in a real window under Xvfb on the fixture tree, driven with
// xdotool: a new player starts the campaign on the one-hit level, reads the
// help page, and shoots until the sub-level is won. The statistics screen
// captured from the X server then equals a kept picture, and in the trophy
// room the pointer resting on the medal of the completed sub-level shows
// its tooltip. The captures stay in the build tree as artefacts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/graphics/ImageLib.h"
#include "support/Fixture.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {

// Window places, from the fixture's skin (modal screens are centred).
constexpr int kStatsX = 120, kStatsY = 80, kStatsW = 560, kStatsH = 440;
// The score row's two value cells (tooltip-wide, one line high, centred
// on the columns) in the dialog: the score depends on which shots hit (and
// the best is the higher of it and the fixture records' 12500), so the
// picture leaves them out; both must show a number.
constexpr int kScoreTop = 110, kLine = 20, kColumn1 = 300, kColumn2 = 420, kCellW = 100;
bool in_score_cell(int x, int y) {
    return y >= kScoreTop && y < kScoreTop + kLine &&
           ((x >= kColumn1 - kCellW / 2 && x < kColumn1 + kCellW / 2) ||
            (x >= kColumn2 - kCellW / 2 && x < kColumn2 + kCellW / 2));
}
// Colours within 8 a channel (the frame is drawn stretched).
bool near(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16}) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d > 8 || d < -8) return false;
    }
    return true;
}
// The medal of completed sub-levels, first grade, in the trophy room.
constexpr int kMedalX = 210, kMedalY = 340, kMedalSize = 40;

// A fixture picture's colour at (x, y) as 0xRRGGBB.
std::uint32_t fixture_colour(const std::string& image, int x = 0, int y = 0) {
    ImageLib::ImagePtr p = ImageLib::GetPNGImage((testsupport::fixture_dir() / image).string());
    if (!p || x >= p->width || y >= p->height) return 0xFFFFFFFFu;
    return p->bits[std::size_t(y) * p->width + x] & 0xFFFFFF;
}

// The same colour as the script reads it from a dump: blue, green, red bytes.
std::string dump_bytes(std::uint32_t c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return text;
}

constexpr const char* kScript = R"SH(
cp "$2" ./zelkor
# The pixel at (x, y) of a capture (32 bits a pixel, low byte first).
pix() {
  h=$(od -An -tu4 --endian=big -N4 "$1" | tr -d ' ')
  bpl=$(od -An -tu4 --endian=big -j48 -N4 "$1" | tr -d ' ')
  nc=$(od -An -tu4 --endian=big -j76 -N4 "$1" | tr -d ' ')
  od -An -tx1 -j$((h + nc * 12 + $3 * bpl + $2 * 4)) -N3 "$1" | tr -d ' \n'
}
# Waits until the pixel at (x, y) shows the colour, keeping the capture as c.xwd.
wait_pix() {
  for i in $(seq 1 300); do
    xwd -silent -id "$WID" -out c.xwd 2>/dev/null && [ "$(pix c.xwd $1 $2)" = "$3" ] && return 0
    [ -n "$P" ] && ! kill -0 $P 2>/dev/null && break
    sleep 0.1
  done
  fail "never saw $3 at $1,$2 ($4)"
}
click() { xdotool mousemove --window "$WID" $1 $2 click 1; }
main=$3; newplayer=$4; campaign=$5; help=$6; stats=$7; trophy=$8; mx=$9; my=${10}
export SDL_AUDIODRIVER=dummy
mkdir -p config
printf '<?xml version="1.0" encoding="windows-1251"?>\n<root><levels dir="data/levels-x35" sublevels_graphics_settings_dir="data/levels-x35/GraphicsSettings"/></root>\n' > config/Trelm.cfg.xml
./zelkor > zelkor.out 2>&1 &
P=$!
find_window "Zelkor fixture"
# A first start asks for the player's name over the main menu.
wait_pix 400 300 "$newplayer" "new player"
xdotool windowfocus --sync "$WID"
xdotool type Ana
xdotool key Return
wait_pix 795 595 "$main" "main menu"
click 100 120
wait_pix 795 595 "$campaign" "campaign map"
click 110 555
# The help page comes first for a new player.
wait_pix 105 105 "$help" "help"
click 620 455
# Shots across the field until the statistics show.
won=""
for i in $(seq 0 150); do
  sleep 0.4
  xwd -silent -id "$WID" -out c.xwd 2>/dev/null && [ "$(pix c.xwd 125 85)" = "$stats" ] && { won=1; break; }
  xdotool mousemove --window "$WID" $((120 + (i * 53) % 560)) 420 click 1
done
[ -n "$won" ] || fail "not won"
echo "won after $i shots"
# The pointer leaves the dialog, so no tooltip covers the table.
xdotool mousemove --window "$WID" 790 590
sleep 1
xwd -silent -id "$WID" -out stats.xwd
click 400 475
wait_pix 795 595 "$campaign" "campaign map after the win"
xdotool key Escape
wait_pix 795 595 "$main" "main menu again"
click 100 370
wait_pix 795 595 "$trophy" "trophy room"
xdotool mousemove --window "$WID" 790 590
sleep 1
xwd -silent -id "$WID" -out trophy.xwd
# Resting on the medal until its tooltip shows.
xdotool mousemove --window "$WID" $((mx + 20)) $((my + 20))
sleep 2
xwd -silent -id "$WID" -out tip.xwd
xdotool key Escape
wait_pix 795 595 "$main" "main menu at the end"
xdotool windowfocus --sync "$WID"
xdotool key alt+F4
for i in $(seq 1 50); do
  xwd -silent -id "$WID" -out q.xwd 2>/dev/null && [ "$(pix q.xwd 400 300)" != "$main" ] && break
  sleep 0.1
done
xdotool key Return
wait $P
echo "exit $?"
)SH";

TEST(MedalsWindow, WonSubLevelsStatisticsAndTheEarnedMedalsTooltipUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd", "od"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    std::filesystem::create_directory_symlink(testsupport::fixture_dir() / "data", dir.path() / "data");
    // The tooltip frame's top edge (the middle is under the text).
    const std::uint32_t tip_colour = fixture_colour("data/images/menu/trophy-room/tooltip.png", 4, 0);
    const std::uint32_t medal_colour = fixture_colour("data/images/menu/game/medals/completing_sublevels0.png");
    std::string args;
    for (const char* image :
         {"menu/main/background", "menu/new-player/background", "menu/campaign/background", "menu/help/background"})
        args += dump_bytes(fixture_colour(std::string("data/images/") + image + ".png")) + " ";
    args += dump_bytes(fixture_colour("data/images/menu/mission-complete/background.png")) + " ";
    args += dump_bytes(fixture_colour("data/images/menu/trophy-room/background.png")) + " ";
    args += std::to_string(kMedalX) + " " + std::to_string(kMedalY);
    const int rc = apptest::RunUnderXvfb(dir, "1024x768x24", kScript, ZELKOR_EXE, args);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "medals_window_", {"run.out", "zelkor.out"});
    const std::string out = testsupport::read_file(dir.file("run.out"));
    if (rc != 0) {
        // The last capture the script waited on, to see where it stopped.
        std::string why;
        apptest::Capture last;
        if (apptest::ReadDump(dir.file("c.xwd"), &last, &why))
            apptest::WriteCapturePNG(last, std::string(ARTEFACT_DIR) + "/medals_window_last.png");
    }
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("exit 0"), std::string::npos) << out;

    std::string why;
    apptest::Capture stats, trophy, tip;
    ASSERT_TRUE(apptest::ReadDump(dir.file("stats.xwd"), &stats, &why)) << why;
    ASSERT_TRUE(apptest::ReadDump(dir.file("trophy.xwd"), &trophy, &why)) << why;
    ASSERT_TRUE(apptest::ReadDump(dir.file("tip.xwd"), &tip, &why)) << why;
    const std::string kept = std::string(ARTEFACT_DIR) + "/medals_window_";
    apptest::WriteCapturePNG(stats, kept + "stats.png");
    apptest::WriteCapturePNG(trophy, kept + "trophy.png");
    apptest::WriteCapturePNG(tip, kept + "tooltip.png");

    // The statistics dialog alone, as the kept picture has it.
    ASSERT_GE(stats.width, kStatsX + kStatsW);
    ASSERT_GE(stats.height, kStatsY + kStatsH);
    apptest::Capture dialog;
    dialog.width = kStatsW;
    dialog.height = kStatsH;
    for (int y = 0; y < kStatsH; ++y)
        for (int x = 0; x < kStatsW; ++x) dialog.pixels.push_back(stats.At(kStatsX + x, kStatsY + y));
    const std::string expected_path = ZELKOR_SOURCE_DIR "/tests/gui/data/medals_window_stats.png";
    if (const char* write = std::getenv("ZELKOR_WRITE_EXPECTED"); write && *write == '1') {
        apptest::WriteCapturePNG(dialog, expected_path);
        return;
    }
    ImageLib::ImagePtr expected = ImageLib::GetPNGImage(expected_path);
    ASSERT_TRUE(expected) << "no expected picture; the capture is kept as " << kept << "stats.png";
    ASSERT_EQ(expected->width, kStatsW);
    ASSERT_EQ(expected->height, kStatsH);
    int wrong = 0, first = -1;
    for (int i = 0; i < kStatsW * kStatsH; ++i)
        if (!in_score_cell(i % kStatsW, i / kStatsW) && (expected->bits[i] & 0xFFFFFF) != dialog.pixels[i]) {
            ++wrong;
            if (first < 0) first = i;
        }
    EXPECT_EQ(wrong, 0) << "first at (" << first % kStatsW << ", " << first / kStatsW << "); kept as " << kept
                        << "stats.png";
    // The run's score and the sub-level's best are drawn.
    const std::uint32_t background = dialog.pixels[5 * kStatsW + 5];
    int yours = 0, best = 0;
    for (int y = kScoreTop; y < kScoreTop + kLine; ++y)
        for (int x = kColumn1 - kCellW / 2; x < kColumn1 + kCellW / 2; ++x) {
            yours += dialog.pixels[std::size_t(y) * kStatsW + x] != background;
            best += dialog.pixels[std::size_t(y) * kStatsW + x + (kColumn2 - kColumn1)] != background;
        }
    EXPECT_GT(yours, 20);
    EXPECT_GT(best, 20);

    // The medal was earned: its picture stands in its place. Resting on it,
    // the pointer brings the tooltip: its frame, and a box of changed
    // pixels beside the medal, neither there before.
    EXPECT_EQ(trophy.At(kMedalX + 2, kMedalY + 2), medal_colour);
    int before = 0, after = 0, changed = 0;
    for (int y = 0; y < trophy.height; ++y)
        for (int x = 0; x < trophy.width; ++x) {
            before += near(trophy.At(x, y), tip_colour);
            after += near(tip.At(x, y), tip_colour);
            const bool on_medal = x >= kMedalX && x < kMedalX + kMedalSize && y >= kMedalY && y < kMedalY + kMedalSize;
            changed += !on_medal && trophy.At(x, y) != tip.At(x, y);
        }
    EXPECT_EQ(before, 0);
    EXPECT_GT(after, 40);
    EXPECT_GT(changed, 1000);
}

}  // namespace
