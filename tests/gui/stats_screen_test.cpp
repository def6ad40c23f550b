// The statistics dialog over the main menu on the look fixture: the time
// format, unset and "no best yet" values, the header, where rows and
// tooltip areas go, what the tooltips say, and OK acting once.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/LevelPosition.h"
#include "core/StatisticsRecord.h"
#include "gui/StatsScreen.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Spots.h"
#include "platform/Messages.h"
#include "support/GameStage.h"

namespace {

namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;
using orvek::ostrel::Point;

// The fixture's table: rows from (40, 110) every 20 pixels, value columns
// centred at 300 and 420, tooltip areas 100 wide; the dialog is 560 x 440.
constexpr int kTableX = 40, kTableY = 110, kPitch = 20, kColumn1 = 300, kColumn2 = 420, kTipWidth = 100;
constexpr int kRows = 12;

const char* const kLabels[kRows] = {"Score", "Chains", "Combos", "Rebounds", "Sniper", "Coins", "Words",
                                    "Longest chain", "Biggest combo", "Longest rebound", "Lives lost", "Time"};

struct Stage : guitest::MenuStage {
    gui::StatsScreen* open(const core::StatisticsRecord& yours, const core::StatisticsRecord& best,
                           bool overall = false) {
        gui::StatsScreen* s = controller().stats_screen();
        s->set_header(overall, core::LevelPosition(2, 3));
        s->fill_table(overall, yours, best);
        ss().push_modal_screen(s);
        step(2);
        return s;
    }
};

// Values 1..11 in table order, 3725.9 s, reached at 1-2.
core::StatisticsRecord played() {
    core::StatisticsRecord r;
    r.set_time_mark(0.0f);
    r.update_time(3725.9f);
    r.set_position(core::LevelPosition(1, 2));
    r.time_expend().position = core::LevelPosition(1, 2);
    std::uint32_t v = 1;
    for (auto* e : {&r.score(), &r.chain_num(), &r.combo_num(), &r.indirect_num(), &r.sniper_num(), &r.coins_num(),
                    &r.words_num(), &r.chain_max(), &r.combo_max(), &r.indirect_max(), &r.lifes_expend()})
        e->value = v++;
    return r;
}

std::vector<std::string> column(const gui::StatsScreen& s, int c) {
    std::vector<std::string> out;
    for (std::size_t i = c; i < s.table().size(); i += 3) out.push_back(s.table()[i]->text());
    return out;
}

int centre_x(const orvek::ostrel::StringSpot& spot) { return spot.left() + spot.size().width / 2; }

TEST(StatsTime, Format) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float seconds;
        const char* text;
    } cases[] = {{3725.9f, "62:05"}, {59.0f, "00:59"}, {0.0f, "00:00"}, {600.0f, "10:00"}, {6000.0f, "100:00"},
                 {59.99f, "00:59"}, {inf, "-"}, {-inf, "-"}, {std::nanf(""), "-"}, {-1.0f, "-"},
                 {-0.5f, "-"}, {2147483648.0f, "-"}, {2147483520.0f, "35791392:00"}};
    for (const auto& c : cases) EXPECT_EQ(gui::format_stats_time(c.seconds), c.text) << c.seconds;
}

TEST(StatsScreen, ShowsBothRecordsWithTheirTooltips) {
    Stage st;
    core::StatisticsRecord best = played();
    best.score().value = 9000;
    best.score().holder = "Mira";
    best.score().position = core::LevelPosition(3, 1);
    gui::StatsScreen* s = st.open(played(), best);
    ASSERT_TRUE(st.top_is<gui::StatsScreen>());

    ASSERT_EQ(s->table().size(), 3u * kRows);
    EXPECT_EQ(column(*s, 0), std::vector<std::string>(std::begin(kLabels), std::end(kLabels)));
    EXPECT_EQ(column(*s, 1), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11",
                                                        "62:05"}));
    EXPECT_EQ(column(*s, 2).front(), "9000");
    EXPECT_EQ(column(*s, 2).back(), "62:05");

    // The titles head the columns; rows follow every string_height pixels.
    ASSERT_EQ(s->titles().size(), 3u);
    EXPECT_EQ(s->titles()[0]->text(), "Result");
    EXPECT_EQ(s->titles()[1]->text(), "Yours");
    EXPECT_EQ(s->titles()[2]->text(), "Best");
    EXPECT_EQ(s->titles()[0]->position(), (Point{40, 80}));
    EXPECT_NEAR(centre_x(*s->titles()[1]), kColumn1, 1);
    EXPECT_NEAR(centre_x(*s->titles()[2]), kColumn2, 1);
    for (int row = 0; row < kRows; ++row) {
        const int y = kTableY + row * kPitch;
        EXPECT_EQ(s->table()[3 * row]->position(), (Point{kTableX, y})) << row;
        EXPECT_EQ(s->table()[3 * row + 1]->top(), y) << row;
        EXPECT_EQ(s->table()[3 * row + 2]->top(), y) << row;
        EXPECT_NEAR(centre_x(*s->table()[3 * row + 1]), kColumn1, 1) << row;
        EXPECT_NEAR(centre_x(*s->table()[3 * row + 2]), kColumn2, 1) << row;
    }

    // One area per value, centred on its column over its row.
    ASSERT_EQ(s->tooltip_areas().size(), 2u * kRows);
    for (int row = 0; row < kRows; ++row)
        for (int c = 0; c < 2; ++c) {
            const auto& area = *s->tooltip_areas()[2 * row + c];
            EXPECT_EQ(area.position(), (Point{(c ? kColumn2 : kColumn1) - kTipWidth / 2, kTableY + row * kPitch}));
            EXPECT_EQ(area.size().width, kTipWidth);
            EXPECT_EQ(area.size().height, kPitch);
        }
    EXPECT_EQ(s->tooltip_text(0), "Stage 1-2");
    EXPECT_EQ(s->tooltip_text(1), "Stage 3-1\nMira");
    EXPECT_EQ(s->tooltip_text(2 * 11), "Stage 1-2");
    EXPECT_EQ(s->tooltip_text(2 * 11 + 1), "Stage 1-2\n");

    // The pointer resting on the best score shows that tooltip.
    const Point at = s->tooltip_areas()[1]->screen_position();
    st.ss().post_message(673, 0, static_cast<std::int32_t>(plat::MakePointParam(at.x + kTipWidth / 2, at.y + 5)));
    st.step();
    EXPECT_EQ(st.ss().shown_tooltip(), s->tooltip_areas()[1]->tooltip());
}

TEST(StatsScreen, UnsetAndNoBestYetShowADash) {
    Stage st;
    core::StatisticsRecord best = played();
    best.lifes_expend().value = core::StatisticsRecord::no_lifes_best;
    best.time_expend().value = core::StatisticsRecord::no_time_best;
    gui::StatsScreen* s = st.open(core::StatisticsRecord(), best);

    EXPECT_EQ(column(*s, 1), std::vector<std::string>(kRows, "-"));
    const std::vector<std::string> bests = column(*s, 2);
    EXPECT_EQ(bests[0], "1");
    EXPECT_EQ(bests[10], "-");
    EXPECT_EQ(bests[11], "-");
    for (int row = 0; row < kRows; ++row) EXPECT_EQ(s->tooltip_text(2 * row), "") << row;
    EXPECT_EQ(s->tooltip_text(2 * 10 + 1), "");
    EXPECT_EQ(s->tooltip_text(2 * 11 + 1), "");
    // The dash is centred like any value.
    EXPECT_NEAR(centre_x(*s->table()[1]), kColumn1, 1);

    // A damaged time shows a dash too, and an unset best a column of them.
    core::StatisticsRecord damaged = played();
    damaged.time_expend().value = std::nanf("");
    s = st.open(damaged, core::StatisticsRecord());
    EXPECT_EQ(column(*s, 1).back(), "-");
    EXPECT_EQ(column(*s, 2), std::vector<std::string>(kRows, "-"));
}

TEST(StatsScreen, HeaderNamesTheStageOrTheOverallStatistics) {
    Stage st;
    gui::StatsScreen* s = st.open(played(), played());
    EXPECT_EQ(s->header().text(), "Stage 2-3 complete");
    EXPECT_EQ(s->header().left(), (560 - s->header().text_size().width) / 2);
    EXPECT_EQ(s->header().top(), 24);

    // The overall flag changes the header only.
    gui::StatsScreen* overall = st.open(played(), played(), true);
    EXPECT_EQ(overall->header().text(), "Statistics");
    EXPECT_EQ(column(*overall, 1), column(*s, 1));
}

TEST(StatsScreen, OkGivesNoughtOnceAndKeysDoNothing) {
    Stage st;
    gui::StatsScreen* s = st.open(played(), played());
    std::vector<int> results;
    s->set_callback([&](int r) {
        results.push_back(r);
        st.ss().pop_screen();
    });
    st.key(13);
    st.key(27);
    st.step(2);
    EXPECT_TRUE(results.empty());
    ASSERT_TRUE(st.top_is<gui::StatsScreen>());

    st.click(s->ok_button());
    st.click(s->ok_button());
    st.step(2);
    EXPECT_EQ(results, std::vector<int>{0});
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
}

}  // namespace
