// The trophy room on the fixture's skin: one medal control (picture, count,
// tooltip text by kind, debug outline) and the screen of all 72 with the
// counts it gives them and its one-shot closing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/LevelPosition.h"
#include "core/LevelResult.h"
#include "framework/graphics/Graphics.h"
#include "gui/MainMenuScreen.h"
#include "gui/TrophyRoomMedalControl.h"
#include "gui/TrophyScreen.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Statics.h"
#include "platform/Messages.h"
#include "support/MedalStage.h"
#include "support/RenderFixture.h"

namespace {

namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;
using Award = orvek::trelm::logic::MedalAward;

struct Stage : guitest::MedalStage {
    using MedalStage::MedalStage;
    void add_result(const std::string& name, int score) {
        session().add_best_result(
            core::ResultEntry(name, std::make_shared<core::ScoreLevelResult>(score, core::LevelPosition(0, 0))));
    }
    gui::TrophyScreen* open() {
        gui::TrophyScreen* s = controller().trophy_screen();
        ss().push_screen(s);
        step(2);
        return s;
    }
    std::string tip(const Award& medal, std::uint32_t count) {
        gui::TrophyRoomMedalControl c(menu_control(), session(), medal, count);
        auto t = std::dynamic_pointer_cast<orvek::ostrel::TextTooltip>(c.tooltip());
        return t ? t->text().spot().text() : "<no text tooltip>";
    }
};

std::unique_ptr<Vant::MemoryImage> drawn(gui::TrophyRoomMedalControl& c) {
    auto image = guitest::canvas(40, 40);
    Vant::Graphics g(image.get());
    c.draw(&g);
    return image;
}

// ---------------------------------------------------------------- control

TEST(TrophyMedalControl, NoPictureUnearnedThePictureOnceAndTheCountAboveOne) {
    Stage st;
    gui::TrophyRoomMedalControl none(st.menu_control(), st.session(), Award(3, 1), 0);
    // The fixture puts chain, grade 1, at (636, 60), 40 x 40.
    EXPECT_EQ(none.position(), (orvek::ostrel::Point{636, 60}));
    EXPECT_EQ(none.size(), (orvek::ostrel::Size{40, 40}));
    auto blank = drawn(none);
    for (int y = 0; y < 40; y += 3)
        for (int x = 0; x < 40; x += 3) ASSERT_EQ(guitest::pixel(*blank, x, y), 0u) << x << "," << y;

    gui::TrophyRoomMedalControl once(st.menu_control(), st.session(), Award(3, 1), 1);
    auto one = drawn(once);
    const std::uint32_t medal = guitest::pixel(*one, 20, 20);
    EXPECT_NE(medal, 0u);
    for (int y = 0; y < 40; y += 3)
        for (int x = 0; x < 40; x += 3) ASSERT_EQ(guitest::pixel(*one, x, y), medal) << x << "," << y;

    gui::TrophyRoomMedalControl thrice(st.menu_control(), st.session(), Award(3, 1), 3);
    auto three = drawn(thrice);
    // "3": one glyph, its right end 2 px in from the right edge, its
    // baseline 1 px up from the bottom: columns 32..36, rows 31..38.
    for (auto [x, y] : {std::pair{32, 38}, {36, 38}, {32, 31}, {36, 31}})
        EXPECT_TRUE(guitest::same_colour(guitest::pixel(*three, x, y), 0x00FF00u)) << x << "," << y;
    for (auto [x, y] : {std::pair{31, 38}, {37, 38}, {32, 39}, {32, 30}})
        EXPECT_EQ(guitest::pixel(*three, x, y), medal) << x << "," << y;
}

TEST(TrophyMedalControl, TheDebugSwitchOutlinesTheControl) {
    Stage st;
    guitest::set_config({{"debug/@draw_control_rect", "true"}});
    gui::TrophyRoomMedalControl c(st.menu_control(), st.session(), Award(0, 0), 0);
    auto image = drawn(c);
    for (auto [x, y] : {std::pair{0, 0}, {39, 0}, {0, 39}, {39, 39}, {20, 0}, {0, 20}, {39, 20}, {20, 39}})
        EXPECT_EQ(guitest::pixel(*image, x, y), 0xFFFFFFu) << x << "," << y;
    EXPECT_EQ(guitest::pixel(*image, 20, 20), 0u);
    guitest::set_config({{"debug/@draw_control_rect", "false"}});
    auto plain = drawn(c);
    EXPECT_EQ(guitest::pixel(*plain, 0, 0), 0u);
}

TEST(TrophyMedalControl, TooltipPlaceholdersByKind) {
    Stage st;
    core::CampaignPlayer& p = st.player();
    p.update_medal_progress(3, 7);
    p.update_medal_progress(17, 4);
    p.update_grade_record(2, 45);
    p.update_medal_progress(19, 99);  // not what kind 19 shows
    p.update_best_time(120.0f);
    st.session().add_play_time(59.9f);
    st.add_result("Bo", 300);
    st.add_result("Cy", 200);

    struct Case {
        Award medal;
        std::uint32_t count;
        std::string text;
    } cases[] = {
        {{3, 1}, 0, "Need chain1 7"},
        {{3, 1}, 2, "Got chain1 7"},
        {{17, 0}, 1, "Got completing_sublevels0 4"},
        {{0, 2}, 0, "Need consume_red2 0"},
        {{19, 2}, 0, "Need quick_complete_sublevels2 45"},
        {{19, 0}, 0, "Need quick_complete_sublevels0 0"},
        // 120 s best is 2 minutes; 59.9 s played is 0.
        {{16, 1}, 0, "Need play_time1 2 0"},
        {{20, 0}, 1, "Got game_complete0"},
        {{22, 2}, 0, "Need game_complete_without_lost_life2"},
        {{23, 0}, 0, "Need prize_place0 [Bo]"},
        {{23, 1}, 1, "Got prize_place1 [Cy]"},
        // Only two results: nobody holds the third place.
        {{23, 2}, 0, "Need prize_place2 []"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(st.tip(c.medal, c.count), c.text) << c.medal.medal << "/" << c.medal.grade;

    // Minutes are cut, never rounded.
    p.update_best_time(179.9f);
    st.session().add_play_time(60.2f);
    EXPECT_EQ(st.tip({16, 0}, 1), "Got play_time0 2 2");
}

// ---------------------------------------------------------------- screen

std::vector<std::uint32_t> counts(const gui::TrophyScreen& s) {
    std::vector<std::uint32_t> v;
    for (const auto& c : s.medals()) v.push_back(c->count());
    return v;
}

TEST(TrophyScreen, SeventyTwoControlsInOrderWithThePlayersCounts) {
    Stage st;
    gui::TrophyScreen* s = st.open();
    ASSERT_TRUE(st.top_is<gui::TrophyScreen>());
    ASSERT_EQ(s->medals().size(), 72u);
    for (std::size_t i = 0; i < 72; ++i) {
        EXPECT_EQ(s->medals()[i]->medal(), Award(int(i / 3), int(i % 3))) << i;
        EXPECT_EQ(s->medals()[i]->parent(), &s->control());
    }
    EXPECT_EQ(counts(*s), std::vector<std::uint32_t>(72, 0u));

    st.key(27);
    st.step(2);
    st.player().add_medal(Award(3, 1));
    st.player().add_medal(Award(3, 1));
    st.player().add_medal(Award(22, 0));
    s = st.open();
    std::vector<std::uint32_t> expected(72, 0u);
    expected[10] = 2;
    expected[66] = 1;
    EXPECT_EQ(counts(*s), expected);
}

TEST(TrophyScreen, PrizePlacesNeedTheExactName) {
    struct Case {
        std::vector<std::string> holders;
        std::vector<std::uint32_t> places;
    } cases[] = {
        {{}, {0, 0, 0}},
        {{"Ann"}, {1, 0, 0}},
        {{"Bo", "Ann"}, {0, 1, 0}},
        {{"ann", "Ann", "ANN"}, {0, 1, 0}},
        {{"Ann", "Bo", "Ann", "Ann"}, {1, 0, 1}},
        {{"Ann "}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        Stage st;
        int score = 1000;
        for (const auto& h : c.holders) st.add_result(h, score -= 10);
        const std::vector<std::uint32_t> all = counts(*st.open());
        EXPECT_EQ(std::vector<std::uint32_t>(all.begin() + 69, all.end()), c.places) << c.holders.size();
    }
}

TEST(TrophyScreen, ShowAllMedalsValues) {
    Stage st;
    guitest::set_config({{"debug/@show_all_medals", "true"}});
    const std::vector<std::uint32_t> all = counts(*st.open());
    guitest::set_config({{"debug/@show_all_medals", "false"}});
    ASSERT_EQ(all.size(), 72u);
    for (int kind = 0; kind < 24; ++kind) {
        for (int grade = 0; grade < 3; ++grade) {
            std::uint32_t expected = 2;
            if (kind >= 20 && kind <= 22) expected = grade == 0 ? 2 : 0;
            if (kind == 23) expected = 1;
            EXPECT_EQ(all[std::size_t(kind * 3 + grade)], expected) << kind << "/" << grade;
        }
    }
}

TEST(TrophyScreen, OkAndEscapeCloseOnceEvenTwiceInOneStep) {
    Stage st;
    for (int round = 0; round < 3; ++round) {
        gui::TrophyScreen* s = st.open();
        ASSERT_TRUE(st.top_is<gui::TrophyScreen>());
        if (round == 0) {
            st.key(27);
            st.key(27);
        } else if (round == 1) {
            st.click(s->ok_button());
            st.click(s->ok_button());
        } else {
            st.key(27);
            st.click(s->ok_button());
        }
        st.step(2);
        EXPECT_TRUE(st.top_is<gui::MainMenuScreen>()) << round;
        EXPECT_EQ(st.ss().stack().size(), 1u) << round;
    }
}

}  // namespace
