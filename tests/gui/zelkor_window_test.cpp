// The program in a real window under Xvfb, beside the look fixture: captures
// every 100 ms see the publisher's logo, the developer's, the loading screen
// and the main menu in that order; a click during the first logo skips to
// the loading screen; the first start asks for a name, typed in; the main
// menu then greets the player and equals a kept picture, and the second
// start asks nothing; Alt+F4 and Return end the program with 0. A first
// player then goes through the map and the options, and a second start
// keeps what she chose. The captures stay in the build tree; the kept
// picture of the map is rewritten with ZELKOR_WRITE_EXPECTED=1.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "core/CampaignPlayer.h"
#include "core/LevelPosition.h"
#include "core/Profiles.h"
#include "framework/graphics/ImageLib.h"
#include "orvek/config/XmlAttributes.h"
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

// Where a list of captured colours, one a line, first holds one within 8
// of colour in each byte.
std::size_t find_colour(const std::string& text, const std::string& colour) {
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
}

// The shell tools of every script here: the program copied in, the colour
// at a point of a capture, waits for a colour, clicks, and the close.
constexpr const char* kWindowTools = R"SH(
cp "$2" ./zelkor
# The pixel at a point of the game's 800 x 600 in a capture (the middle
# unless given; 32 bits a pixel, low byte first): a full-screen window
# shows the game scaled to its width.
pix() {
  h=$(od -An -tu4 --endian=big -N4 "$1" | tr -d ' ')
  w=$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ')
  bpl=$(od -An -tu4 --endian=big -j48 -N4 "$1" | tr -d ' ')
  nc=$(od -An -tu4 --endian=big -j76 -N4 "$1" | tr -d ' ')
  od -An -tx1 -j$((h + nc * 12 + ${3:-300} * w / 800 * bpl + ${2:-400} * w / 800 * 4)) -N3 "$1" | tr -d ' \n'
}
# A click at a point of the game, scaled as the window is now.
click() {
  ww=$(xdotool getwindowgeometry "$WID" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  xdotool mousemove --window "$WID" $(( $1 * ${ww:-800} / 800 )) $(( $2 * ${ww:-800} / 800 )) click 1
}
# A click skips the logos once the first is drawn.
skip_logos() {
  for i in $(seq 1 100); do
    xwd -silent -id "$WID" -out c.xwd 2>/dev/null && [ "$(pix c.xwd)" != "000000" ] && break
    sleep 0.1
  done
  click 400 300
  # A custom cursor would show where the captures are read.
  xdotool mousemove --window "$WID" 1 1
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
# the first capture of each colour NAMED is kept as <name>.xwd.
watch() {
  prev=""
  for i in $(seq 1 250); do
    xwd -silent -id "$WID" -out c.xwd 2>/dev/null || { sleep 0.1; continue; }
    p=$(pix c.xwd)
    if [ "$p" != "$prev" ]; then echo "$p" >> seq.txt; prev=$p; fi
    for n in ${NAMED-publisher developer loading main}; do
      eval "want=\$$n"
      near "$p" "$want" && [ ! -f "$RUN$n.xwd" ] && cp c.xwd "$RUN$n.xwd"
    done
    near "$p" "$1" && return 0
    sleep 0.1
  done
  fail "never saw $1"
}
)SH";

constexpr const char* kFirstAndSecondStart = R"SH(
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
skip_logos
watch "$loading"
press_continue
watch "$main"
xdotool windowfocus --sync "$WID"
xdotool key alt+F4
confirm_close
wait $P
echo "exit2 $?"
)SH";

constexpr const char* kMapAndOptions = R"SH(
main=$3; newplayer=$4; map=$5; options=$6; help=$7
NAMED=""
export SDL_AUDIODRIVER=dummy
mkdir -p config
printf '<?xml version="1.0" encoding="windows-1251"?>\n<root><levels dir="data/levels-campaign" sublevels_graphics_settings_dir="data/levels-campaign/GraphicsSettings"/></root>\n' > config/Trelm.cfg.xml

./zelkor > zelkor1.out 2>&1 &
P=$!
find_window "Zelkor fixture"
skip_logos
watch "$newplayer"
xdotool windowfocus --sync "$WID"
xdotool type Ana
xdotool key Return
watch "$main"
xwd -silent -id "$WID" -out menu1.xwd
click 100 120
watch "$map"
# No pointer over a button: the map as it rests.
xdotool mousemove --window "$WID" 790 400
sleep 0.5
xwd -silent -id "$WID" -out map.xwd
# Sub-level 1-1 is selected on a fresh map: a click starts it. The
# fixture's levels cannot be played: the game screen says so in an error
# box (on standard error where no box can be shown) and goes back to the
# map.
click 55 225
# A new player reads the help page first; its OK starts the game.
watch "$help"
click 570 450
for i in $(seq 1 100); do
  if grep -q "^Zelkor fixture: " zelkor1.out; then echo "error on stderr"; break; fi
  B=$(xdotool search --onlyvisible --name "^Zelkor fixture\$" 2>/dev/null | grep -v "^$WID\$" | tail -n 1)
  if [ -n "$B" ]; then
    xwd -silent -id "$B" -out box.xwd
    xdotool windowfocus --sync "$B" key Return
    echo "error box"
    break
  fi
  sleep 0.1
done
watch "$map"
xdotool key Escape
watch "$main"
click 100 170
watch "$options"
# The music thumb (at 50 of 100 over 180 pixels of travel) dragged right.
xdotool mousemove --window "$WID" 460 172 mousedown 1
for x in 480 500 520 540; do xdotool mousemove --window "$WID" $x 172; sleep 0.05; done
xdotool mouseup 1
click 372 282
click 372 382
xdotool mousemove --window "$WID" 790 590
sleep 0.3
xwd -silent -id "$WID" -out options1.xwd
click 240 465
sleep 0.5
# Full screen may bring a new window.
find_window "Zelkor fixture"
watch "$main"
xdotool windowfocus --sync "$WID"
xdotool key alt+F4
confirm_close
wait $P
echo "exit1 $?"

echo "--" >> seq.txt
./zelkor > zelkor2.out 2>&1 &
P=$!
find_window "Zelkor fixture"
skip_logos
watch "$main"
xdotool getwindowgeometry "$WID" | sed -n 's/.*Geometry: /geometry /p'
sleep 0.3
xwd -silent -id "$WID" -out menu2.xwd
click 100 170
watch "$options"
xdotool mousemove --window "$WID" 2 2
sleep 0.3
xwd -silent -id "$WID" -out options2.xwd
xdotool key Escape
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
    const int rc = apptest::RunUnderXvfb(dir, "1024x768x24", std::string(kWindowTools) + kFirstAndSecondStart, ZELKOR_EXE,
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
    const auto find = find_colour;
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

// Whether a capture holds a pixel within 8 of colour (0xRRGGBB) in each
// channel.
int pixels_near(const apptest::Capture& c, std::uint32_t colour) {
    int n = 0;
    for (const std::uint32_t p : c.pixels) {
        bool near = true;
        for (int shift : {0, 8, 16}) {
            const int d = int((p >> shift) & 0xFF) - int((colour >> shift) & 0xFF);
            near = near && d <= 8 && d >= -8;
        }
        n += near;
    }
    return n;
}

// The colour of a point of the game in a capture, scaled as a full-screen
// window shows the game.
std::uint32_t at_game(const apptest::Capture& c, int x, int y) {
    return c.At(x * c.width / 800, y * c.width / 800);
}

std::uint32_t colour_of(const std::string& bytes) {
    return std::uint32_t(std::stoul(bytes.substr(4, 2), nullptr, 16)) << 16 |
           std::uint32_t(std::stoul(bytes.substr(2, 2), nullptr, 16)) << 8 | std::stoul(bytes.substr(0, 2), nullptr, 16);
}

bool near_colour(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16}) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d > 8 || d < -8) return false;
    }
    return true;
}

// The first player's way: a name typed, the map (equal to a kept picture)
// and sub-level 1-1 started; then the options: the music slider dragged,
// full screen and custom cursors ticked, OK. The second start keeps them:
// the configuration file, a window filling the screen, a greeting with no
// dialog, and the options screen showing the stored values.
TEST(ZelkorWindow, FirstPlayerMapAndOptionsKeptForTheSecondStartUnderXvfb) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool", "xwd", "od"}); !m.empty())
        GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    std::filesystem::create_directory_symlink(testsupport::fixture_dir() / "data", dir.path() / "data");
    const std::string main = capture_bytes("data/images/menu/main/background.png");
    const std::string new_player = capture_bytes("data/images/menu/new-player/background.png");
    const std::string map = capture_bytes("data/images/menu/campaign/background.png");
    const std::string options = capture_bytes("data/images/menu/options/background.png");
    const std::string help = capture_bytes("data/images/menu/help/background.png");
    const int rc = apptest::RunUnderXvfb(dir, "1024x768x24", std::string(kWindowTools) + kMapAndOptions, ZELKOR_EXE,
                                         main + " " + new_player + " " + map + " " + options + " " + help);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "zelkor_options_",
                           {"seq.txt", "run.out", "zelkor1.out", "zelkor2.out", "config/Trelm.cfg.xml"});
    std::string why;
    std::map<std::string, apptest::Capture> shots;
    // c: the last capture taken while waiting, to see where a failed run stood.
    for (const char* shot : {"menu1", "map", "box", "options1", "menu2", "options2", "c"}) {
        apptest::Capture c;
        if (!apptest::ReadDump(dir.file(std::string(shot) + ".xwd"), &c, &why)) continue;
        apptest::WriteCapturePNG(c, std::string(ARTEFACT_DIR) + "/zelkor_options_" + shot + ".png");
        shots[shot] = std::move(c);
    }
    const std::string out = testsupport::read_file(dir.file("run.out"));
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("exit1 0"), std::string::npos) << out;
    EXPECT_NE(out.find("exit2 0"), std::string::npos) << out;

    // The map as the first player finds it.
    ASSERT_TRUE(shots.count("map")) << out;
    const apptest::Capture& m = shots["map"];
    const std::string kept_map = ZELKOR_SOURCE_DIR "/tests/gui/data/zelkor_campaign_map.png";
    if (const char* write = std::getenv("ZELKOR_WRITE_EXPECTED"); write && *write == '1') {
        apptest::WriteCapturePNG(m, kept_map);
    } else {
        ImageLib::ImagePtr expected = ImageLib::GetPNGImage(kept_map);
        ASSERT_TRUE(expected) << "no expected picture; the capture is kept in " << ARTEFACT_DIR;
        ASSERT_EQ(m.width, expected->width);
        ASSERT_EQ(m.height, expected->height);
        int wrong = 0;
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x)
                wrong += m.At(x, y) != (expected->bits[std::size_t(y) * expected->width + x] & 0xFFFFFF);
        EXPECT_EQ(wrong, 0) << "kept as " << ARTEFACT_DIR << "/zelkor_options_map.png";
    }
    // The start reached the game screen, whose error box (the fixture's
    // levels cannot be played) led back to the map; the player was stored
    // at sub-level 1-1.
    EXPECT_TRUE(out.find("error box") != std::string::npos || out.find("error on stderr") != std::string::npos)
        << out;
    {
        orvek::trelm::core::Profiles profiles(dir.file("saves/profiles.dat"));
        const auto ana = profiles.find("Ana");
        ASSERT_TRUE(ana);
        const auto player = ana->property<orvek::trelm::core::CampaignPlayer>();
        ASSERT_TRUE(player);
        EXPECT_EQ(player->position(), orvek::trelm::core::LevelPosition(0, 0));
    }

    // The configuration file holds the new values.
    orvek::ostrel::XmlAttributes config;
    ASSERT_TRUE(config.load(dir.file("config/Trelm.cfg.xml").c_str())) << config.error_text;
    const auto value = [&](const std::string& key) -> std::string {
        const auto it = config.attributes.find(key);
        return it == config.attributes.end() ? "(none)" : it->second.str();
    };
    EXPECT_TRUE(value("screen/@full_screen") == "1" || value("screen/@full_screen") == "true") << value("screen/@full_screen");
    EXPECT_TRUE(value("screen/@custom_cursors") == "1" || value("screen/@custom_cursors") == "true") << value("screen/@custom_cursors");
    EXPECT_EQ(value("sound/@volume"), "50");
    const std::string music = value("music/@volume");
    ASSERT_TRUE(!music.empty() && std::isdigit(static_cast<unsigned char>(music[0]))) << music;
    const int volume = std::stoi(music);
    EXPECT_GT(volume, 70);

    // The second start fills the screen and greets the player at once.
    EXPECT_NE(out.find("geometry 1024x768"), std::string::npos) << out;
    const std::string seq = testsupport::read_file(dir.file("seq.txt"));
    const std::size_t cut = seq.find("--");
    ASSERT_NE(cut, std::string::npos) << seq;
    EXPECT_NE(find_colour(seq.substr(0, cut), new_player), std::string::npos) << seq;
    EXPECT_EQ(find_colour(seq.substr(cut + 3), new_player), std::string::npos) << seq;
    ASSERT_TRUE(shots.count("menu1") && shots.count("menu2"));
    const std::uint32_t welcome = 0xFF8000;  // the fixture's greeting colour
    EXPECT_GT(pixels_near(shots["menu1"], welcome), 0);
    EXPECT_GT(pixels_near(shots["menu2"], welcome), 0);
    EXPECT_EQ(shots["menu2"].width, 1024);

    // The options screen shows the stored values: both boxes ticked and the
    // music thumb where the volume puts it, no longer at the middle.
    ASSERT_TRUE(shots.count("options2"));
    const apptest::Capture& o = shots["options2"];
    const auto image = [](const std::string& id) { return colour_of(capture_bytes("data/images/menu/options/" + id + ".png")); };
    EXPECT_TRUE(near_colour(at_game(o, 372, 282), image("full-screen/checked-normal")));
    EXPECT_TRUE(near_colour(at_game(o, 372, 382), image("custom-cursors/checked-normal")));
    const std::uint32_t thumb = image("music/thumb");
    EXPECT_TRUE(near_colour(at_game(o, 360 + volume * 180 / 100 + 10, 172), thumb));
    EXPECT_FALSE(near_colour(at_game(o, 462, 172), thumb));
    // As the first start showed them before OK.
    ASSERT_TRUE(shots.count("options1"));
    const apptest::Capture& before = shots["options1"];
    EXPECT_TRUE(near_colour(before.At(372, 282), image("full-screen/checked-normal")));
    EXPECT_TRUE(near_colour(before.At(360 + volume * 180 / 100 + 10, 172), thumb));
}

}  // namespace
