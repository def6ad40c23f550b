// The heads-up display on the look fixture (defaults, the progress bar,
// the word drawn letter by letter, centred and left-aligned numbers, the
// menu button), the any-key control, and the debug overlay drawn into a
// recording image.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/CampaignPlayer.h"
#include "core/LevelPosition.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/support/RecordingImage.h"
#include "gui/DebugOverlay.h"
#include "gui/Dialogs.h"
#include "gui/Interface.h"
#include "logic/Game.h"
#include "ostrel/Events.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Spots.h"
#include "ostrel/support/FixtureStage.h"
#include "testkit/BusyLevel.h"

namespace {

namespace gui = orvek::trelm::gui;
namespace ostrel = orvek::ostrel;
using graphicstest::Call;
using graphicstest::RecordingImage;

const Vant::Color kActive(255, 224, 80);
const Vant::Color kInactive(90, 96, 110);

bool same(const Vant::Color& a, const Vant::Color& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool is_blit(const Call& c) { return c.op == "Blit" || c.op == "BlitF"; }

struct Hud : ::testing::Test {
    adaptertest::FixtureStage stage;
    ostrel::Control root;
    gui::Interface hud{root};

    std::vector<Call> draw() {
        RecordingImage image(800, 600);
        Vant::Graphics g(&image);
        hud.draw(&g);
        return image.calls;
    }
    // The blits of the word, as 'A' (active colour) and 'I' (inactive).
    std::string word_colours() {
        std::string out;
        for (const Call& c : draw()) {
            if (!is_blit(c)) continue;
            if (same(c.color, kActive)) out += 'A';
            if (same(c.color, kInactive)) out += 'I';
        }
        return out;
    }
};

TEST_F(Hud, Defaults) {
    EXPECT_EQ(hud.score_spot().text(), "0");
    EXPECT_EQ(hud.stage_spot().text(), "");
    EXPECT_EQ(hud.lives_spot().text(), "");
    EXPECT_EQ(hud.coins_spot().text(), "");
    EXPECT_EQ(hud.progress_spot().size().width, 0);
    EXPECT_EQ(hud.progress_spot().position().x, 250);
    EXPECT_EQ(hud.life_icon().size().width, 20);
    EXPECT_EQ(hud.coin_icon().size().height, 18);
    EXPECT_EQ(word_colours(), "");
    // Only the score's rendering, the two icons and the menu button's look
    // draw (the zero-wide bar and the empty texts do not).
    int blits = 0;
    for (const Call& c : draw()) blits += is_blit(c);
    EXPECT_EQ(blits, 3);
}

TEST_F(Hud, ProgressWidths) {
    const struct {
        unsigned percent;
        int width;
    } cases[] = {{0, 0}, {50, 150}, {100, 300}, {150, 300}, {0xFFFFFFFFu, 300}};
    for (const auto& c : cases) {
        hud.set_progress(c.percent);
        EXPECT_EQ(hud.progress_spot().size().width, c.width) << c.percent;
        EXPECT_EQ(hud.progress_spot().size().height, 6) << c.percent;
    }
}

TEST_F(Hud, WordLetterByLetter) {
    hud.set_word("ZELKO");
    hud.activate_letter(0);
    hud.activate_letter(3);
    hud.activate_letter(3);
    hud.activate_letter(5);      // past the word: ignored
    hud.activate_letter(99999);  // likewise
    EXPECT_EQ(hud.letter_states(), (std::vector<bool>{true, false, false, true, false}));
    EXPECT_EQ(word_colours(), "AIIAI");

    // One letter after another from the skin's x, with no spacing added.
    std::vector<double> xs;
    for (const Call& c : draw())
        if (is_blit(c) && (same(c.color, kActive) || same(c.color, kInactive))) xs.push_back(c.x1);
    ASSERT_EQ(xs.size(), 5u);
    EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
    EXPECT_EQ(xs[4] - xs[3], xs[1] - xs[0]);

    hud.set_word("BONUS");
    EXPECT_EQ(word_colours(), "IIIII");
    hud.activate_letter(4);
    hud.clear_letters();
    EXPECT_EQ(word_colours(), "IIIII");
}

TEST_F(Hud, NumbersAndStage) {
    hud.set_lives(10);
    hud.set_coins(7);
    hud.set_score(123456);
    hud.set_stage(orvek::trelm::core::LevelPosition(2, 5));
    EXPECT_EQ(hud.lives_spot().text(), "10");
    EXPECT_EQ(hud.score_spot().text(), "123456");
    EXPECT_EQ(hud.stage_spot().text(), "Stage 2-5");
    EXPECT_EQ(hud.lives_spot().size().width, hud.lives_spot().text_size().width);

    // Lives centred on the skin x 600, coins from the skin x 690.
    const int lives_width = hud.lives_spot().size().width;
    bool lives_seen = false, coins_seen = false;
    for (const Call& c : draw()) {
        if (!is_blit(c)) continue;
        if (c.y1 == 14 && c.x1 == 600 - lives_width / 2) lives_seen = true;
        if (c.y1 == 14 && c.x1 == 690) coins_seen = true;
    }
    EXPECT_TRUE(lives_seen);
    EXPECT_TRUE(coins_seen);
}

TEST_F(Hud, MenuButton) {
    root.set_size({800, 600});
    hud.set_size({800, 52});
    ostrel::ImageTextPushButton& b = hud.menu_button();
    ostrel::Input input;
    const ostrel::Point p = b.screen_position();
    input.x = p.x + 5;
    input.y = p.y + 5;
    auto click = [&] {
        ostrel::PositionEvent move(input, {0, 0});
        b.handle(move);
        ostrel::SelectPressEvent press(input);
        b.handle(press);
        ostrel::SelectReleaseEvent release(input);
        b.handle(release);
    };
    click();  // no callback: nothing happens
    int calls = 0;
    hud.set_on_menu([&] { ++calls; });
    click();
    EXPECT_EQ(calls, 1);
    // The HUD itself takes nothing.
    ostrel::SelectPressEvent press(input);
    EXPECT_FALSE(hud.accepts(press));
    EXPECT_FALSE(hud.handle(press));
}

TEST(AnyKey, EnterTakenButNotActedOn) {
    ostrel::Control root;
    gui::DummyAnyKeyScreenControl control(root);
    EXPECT_EQ(control.parent(), &root);
    ostrel::Input input;
    int calls = 0;
    const struct {
        const char* name;
        bool accepted, handled;
        int calls;
    } cases[] = {{"enter", true, false, 0}, {"space", true, true, 1}, {"click", true, true, 1},
                 {"space release", true, false, 0}, {"context click", false, false, 0}};
    ostrel::KeyPressEvent enter(input, 13, false);
    ostrel::KeyPressEvent space(input, 32, false);
    ostrel::SelectPressEvent click(input);
    ostrel::KeyReleaseEvent space_up(input, 32);
    ostrel::ContextPressEvent context(input);
    const orvek::ostrel::events::Event* events[] = {&enter, &space, &click, &space_up, &context};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        // Without an action nothing breaks.
        control.set_action(nullptr);
        EXPECT_EQ(bool(control.handle(*events[i])), cases[i].handled);
        control.set_action([&] { ++calls; });
        calls = 0;
        EXPECT_EQ(bool(control.accepts(*events[i])), cases[i].accepted);
        EXPECT_EQ(bool(control.handle(*events[i])), cases[i].handled);
        EXPECT_EQ(calls, cases[i].calls);
    }
}

// ---------------------------------------------------------------- debug overlay

struct Overlay : ::testing::Test {
    adaptertest::FixtureStage stage;
    orvek::trelm::logic::Game game;
    logictest::BusyLevel level;

    void SetUp() override { game.start(level); }

    // Drawn shifted by (kShift, kShift) into a larger image, so that the
    // busy level's ways, which start outside the field, are not clipped.
    static constexpr int kShift = 100;
    std::vector<Call> draw(const gui::DebugOverlay::Switches& s, const orvek::trelm::core::MedalsStats* player) {
        RecordingImage image(1200, 1000);
        Vant::Graphics g(&image);
        g.Translate(kShift, kShift);
        gui::DebugOverlay(s).draw(g, game, 12.5f, player);
        return image.calls;
    }
};

TEST_F(Overlay, SwitchesOffDrawNothing) {
    orvek::trelm::core::MedalsStats player;
    EXPECT_TRUE(draw({false, false, false}, &player).empty());
    EXPECT_FALSE(draw({true, false, false}, &player).empty());
    EXPECT_FALSE(draw({false, true, false}, &player).empty());
    EXPECT_FALSE(draw({false, false, true}, &player).empty());
}

TEST_F(Overlay, WaysAndMarks) {
    // The busy level's ways carry start and finish marks and no explosion
    // mark (index -1): no blue square.
    ASSERT_FALSE(game.ways().empty());
    const std::vector<Call> calls = draw({true, false, false}, nullptr);
    std::size_t lines = 0;
    for (const auto& way : game.ways()) lines += way->points().size() - 1;
    std::vector<Call> squares, drawn_lines;
    for (const Call& c : calls) (c.op == "FillRect" ? squares : drawn_lines).push_back(c);
    EXPECT_EQ(drawn_lines.size(), lines);
    for (const Call& c : drawn_lines) EXPECT_TRUE(same(c.color, Vant::Color(255, 128, 64)));
    int red = 0, green = 0, blue = 0;
    for (const Call& c : squares) {
        EXPECT_EQ(c.rect.width, 4);
        EXPECT_EQ(c.rect.height, 4);
        red += same(c.color, Vant::Color(255, 0, 0));
        green += same(c.color, Vant::Color(0, 255, 0));
        blue += same(c.color, Vant::Color(0, 0, 255));
    }
    EXPECT_EQ(red, int(game.ways().size()));
    EXPECT_EQ(green, int(game.ways().size()));
    EXPECT_EQ(blue, 0);
    // The first way's start mark: its corner is the point minus (2, 2), and
    // the lines run from the last point back to the first.
    const auto& first = *game.ways().front();
    const auto& start = first.geometry().marks[0];
    EXPECT_EQ(squares.front().rect.x, int(start.point.x) - 2 + kShift);
    EXPECT_EQ(squares.front().rect.y, int(start.point.y) - 2 + kShift);
    EXPECT_EQ(drawn_lines.front().x1, int(first.points().back().x) + kShift);
}

TEST_F(Overlay, LineOrder) {
    orvek::trelm::core::MedalsStats player;
    player.increment_counter_a();
    player.increment_counter_c();
    player.increment_counter_c();
    player.add_quick_complete(1);
    game.medals_stats().sniper_red = 4;
    game.medals_stats().knocked.resize(1);
    game.medals_stats().knocked[0].white = 2;

    auto texts = [](const std::vector<gui::DebugOverlay::Line>& lines) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].y, 100 + 20 * int(i));
            out.push_back(lines[i].text().substr(0, lines[i].text().find(':') + 1));
        }
        return out;
    };
    const auto stats = gui::DebugOverlay::stats_lines(game);
    const std::vector<std::string> head{"Lifes:", "Points:", "Progress:", "Coins:", "BonusProgress:",
                                        "CoinProgress:"};
    const auto got = texts(stats);
    ASSERT_GE(got.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 6), head);
    EXPECT_EQ(stats[0].text(), "Lifes: " + std::to_string(game.lives()));
    EXPECT_EQ(stats[0].x, 30);

    const Vant::Color yellow(255, 255, 0);
    const auto medals = gui::DebugOverlay::medal_lines(game, 12.5f, &player, yellow);
    const std::vector<std::string> want{
        "play_time: 12.50", "zelkors_destroying_global: 1", "completing_sublevels: 2", "catching_bonuses: 0",
        "quick_complete_sublevels0: 0", "quick_complete_sublevels1: 1", "quick_complete_sublevels2: 0",
        "need_medal_without_continue: 1", "need_medal_without_loose_life: 1", "sniper_shot_grey: 0",
        "sniper_shot_red: 4", "sniper_shot_white: 0", "indirect: 0", "jewels: 0",
        "zelkors_destroying_sublevel: 0", "zelkors_back_home: 0", "knock_zelkor_red: 0", "knock_zelkor_grey: 0",
        "knock_zelkor_white: 2"};
    std::vector<std::string> medal_texts;
    for (const auto& l : medals) {
        medal_texts.push_back(l.text());
        EXPECT_EQ(l.x, 400);
        EXPECT_TRUE(same(l.pieces.at(0).color, yellow));
    }
    EXPECT_EQ(medal_texts, want);
    texts(medals);  // the y steps
}

}  // namespace
