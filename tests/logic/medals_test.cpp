#include <gtest/gtest.h>

#include "logic/Medals.h"
#include "support/LogicHarness.h"

namespace logic = orvek::trelm::logic;

namespace {

const std::string kNorm = "menu/trophy-room/medals/";

}  // namespace

TEST(Medals, NamesFollowTheTable) {
    EXPECT_STREQ(logic::medal_name(logic::medal_consume_red), "consume_red");
    EXPECT_STREQ(logic::medal_name(7), "sniper_shot_grey");
    EXPECT_STREQ(logic::medal_name(8), "sniper_shot_red");
    EXPECT_STREQ(logic::medal_name(13), "zelkors_destroying_sublevel");
    EXPECT_STREQ(logic::medal_name(16), "play_time");
    EXPECT_STREQ(logic::medal_name(23), "prize_place");
    EXPECT_STREQ(logic::medal_name(24), "");
    EXPECT_STREQ(logic::medal_name(-1), "");
    EXPECT_EQ(logic::MedalAward(), logic::MedalAward(-1, 0));
}

TEST(Medals, GradeForValue) {
    logictest::FakeSkin skin;
    skin.attribute(kNorm + "chain/norm", "value", "10;20;30");
    struct Case {
        unsigned value;
        int mode;
        int grade;
    } cases[] = {
        {10, 0, 0}, {20, 0, 1}, {30, 0, 2}, {25, 0, -1}, {0, 0, -1},
        {25, 1, 1}, {5, 1, -1}, {30, 1, 2}, {10, 1, 0}, {19, 1, 0}, {20, 1, 1}, {1000, 1, 2},
        {20, 2, -1},  // no such mode
    };
    for (const auto& c : cases)
        EXPECT_EQ(logic::medal_grade_for_value(logic::medal_chain, c.value, c.mode), c.grade)
            << c.value << " mode " << c.mode;
}

TEST(Medals, ThresholdModeWithUnorderedNorms) {
    logictest::FakeSkin skin;
    // A value under norm 0 may still pass the later norms.
    skin.attribute(kNorm + "combo/norm", "value", "50;5;10");
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_combo, 3, 1), -1);
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_combo, 7, 1), 1);
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_combo, 12, 1), 2);
    skin.attribute(kNorm + "combo/norm", "value", "50;10;5");
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_combo, 7, 1), 2);
}

TEST(Medals, GradeForTimeAndCrossing) {
    logictest::FakeSkin skin;
    skin.attribute(kNorm + "play_time/norm", "time", "60;120;300");
    EXPECT_EQ(logic::medal_grade_for_time(logic::medal_play_time, 90.0f), 1);
    EXPECT_EQ(logic::medal_grade_for_time(logic::medal_play_time, 60.0f), 0);
    EXPECT_EQ(logic::medal_grade_for_time(logic::medal_play_time, 301.0f), -1);
    EXPECT_EQ(logic::medal_grade_crossed(logic::medal_play_time, 59.9f, 60.0f), 0);
    EXPECT_EQ(logic::medal_grade_crossed(logic::medal_play_time, 60.0f, 61.0f), -1);
    EXPECT_EQ(logic::medal_grade_crossed(logic::medal_play_time, 100.0f, 300.0f), 1);
    EXPECT_EQ(logic::medal_grade_crossed(logic::medal_play_time, 299.0f, 400.0f), 2);
}

TEST(Medals, MissingAndPartialNorms) {
    logictest::FakeSkin skin;
    // No norm at all: three zeros.
    EXPECT_EQ(logic::medal_value_norms(logic::medal_jewels), (std::array<std::uint32_t, 3>{0, 0, 0}));
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_jewels, 0, 0), 0);
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_jewels, 1, 0), -1);

    skin.attribute(kNorm + "jewels/norm", "value", "10;20");
    EXPECT_EQ(logic::medal_value_norms(logic::medal_jewels), (std::array<std::uint32_t, 3>{10, 20, 0}));
    skin.attribute(kNorm + "jewels/norm", "value", " 7x; abc ;99999999999");
    EXPECT_EQ(logic::medal_value_norms(logic::medal_jewels), (std::array<std::uint32_t, 3>{7, 0, 2147483647u}));
    skin.attribute(kNorm + "jewels/norm", "time", "1.5;;2e1;40");
    EXPECT_EQ(logic::medal_time_norms(logic::medal_jewels), (std::array<float, 3>{1.5f, 0.0f, 20.0f}));
}

TEST(Medals, NormsAreReadOnEveryCall) {
    logictest::FakeSkin skin;
    skin.attribute(kNorm + "indirect/norm", "value", "1;2;3");
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_indirect, 2, 0), 1);
    skin.attribute(kNorm + "indirect/norm", "value", "2;4;6");
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_indirect, 2, 0), 0);
}

TEST(Medals, NoSkinReadsAsZeros) {
    ASSERT_EQ(logic::skin_lookup(), nullptr);
    EXPECT_EQ(logic::medal_grade_for_value(logic::medal_chain, 0, 0), 0);
    EXPECT_EQ(logic::medal_grade_for_time(logic::medal_play_time, 0.0f), 0);
}
