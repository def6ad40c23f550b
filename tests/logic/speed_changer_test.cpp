#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "logic/SpeedChanger.h"
#include "support/GameHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

struct RuleCase {
    const char* what;
    // Lays the chains and returns the one whose rule is asked for.
    std::function<lg::Sequence*(GameBench&, lg::Way*, TestBonuses&)> build;
    const char* rule;
    float limit;
    float acceleration;
};

const lg::WaySettings ws = quiet_settings();

lg::Sequence* plain(GameBench& b, lg::Way* w, float front = 500.0f) { return b.chain(w, {1, 2, 3, 4}, front); }

void complete_mission(GameBench& b) {
    b.game.add_mission_progress(100.0f);
    b.game.check_complete();
}

const RuleCase kRules[] = {
    {"lost life: the tail piece rolls in",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         auto* s = b.creature(w, {1, 2, 3}, 500, false, true);
         b.game.begin_roll_in();
         return s;
     },
     "RollIn", ws.speed_roll_in.max_speed, ws.speed_roll_in.acceleration},
    {"lost life: a piece without the tail coasts",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         auto* s = b.creature(w, {1, 2, 3}, 500, true, false);
         b.game.begin_roll_in();
         return s;
     },
     "RollIn", 0.0f, 0.0f},
    {"complete: the head piece rolls back",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         auto* s = b.creature(w, {1, 2, 3}, 500, true, false);
         complete_mission(b);
         return s;
     },
     "RollIn", ws.speed_roll_in.max_speed, -ws.speed_roll_in.acceleration},
    {"complete: a piece without the head coasts",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         auto* s = b.creature(w, {1, 2, 3}, 500, false, true);
         complete_mission(b);
         return s;
     },
     "RollIn", 0.0f, 0.0f},
    {"a new chain rolls out",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         auto* s = b.creature(w, {1, 2, 3}, 50, true, true, ws.speed_roll_out);
         return s;
     },
     "RollOut", ws.speed_roll_out.max_speed, ws.speed_roll_out.acceleration},
    {"a braking chain faster than the forward limit",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         return b.creature(w, {1, 2, 3}, 500, true, true, {80.0f, 200.0f, ws.roll_out_braking});
     },
     "RollOut", 200.0f, ws.roll_out_braking},
    {"a piece whose rear matches the piece behind rolls back",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         b.creature(w, {1, 2, 3}, 300, false, true);
         auto* s = b.creature(w, {3, 4, 4}, 500, true, false);
         s->set_connections(3);
         return s;
     },
     "SameColorConnection", ws.speed_go_back.max_speed + 200.0f, ws.speed_go_back.acceleration - 300.0f},
    {"a wild rear ball matches too",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         b.creature(w, {1, 2, 3}, 300, false, true);
         return b.creature(w, {9, 4, 4}, 500, true, false);
     },
     "SameColorConnection", ws.speed_go_back.max_speed, ws.speed_go_back.acceleration},
    {"go-back drives the head piece",
     [](GameBench& b, lg::Way* w, TestBonuses& t) {
         t.go_back = true;
         return b.creature(w, {1, 2, 3}, 500, true, true);
     },
     "BonusGoBack", ws.speed_bonus_go_back.max_speed, ws.speed_bonus_go_back.acceleration},
    {"go-back leaves other pieces to coast",
     [](GameBench& b, lg::Way* w, TestBonuses& t) {
         t.go_back = true;
         return b.creature(w, {1, 2, 3}, 500, false, true);
     },
     "BonusGoBack", 0.0f, 0.0f},
    {"stop halts a piece no earlier rule claims",
     [](GameBench& b, lg::Way* w, TestBonuses& t) {
         t.stop = true;
         return b.creature(w, {1, 2, 3}, 500, false, true);
     },
     "BonusStop", 0.0f, 0.0f},
    {"a small front-most tail piece rolls back",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         b.creature(w, {1, 2, 3}, 300, true, false);
         return b.creature(w, {1, 2}, 500, false, true);
     },
     "SmallSeqs", ws.speed_backward.max_speed, ws.speed_backward.acceleration},
    {"a chain already rolling back keeps rolling back",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         b.creature(w, {1, 2, 3, 4}, 500, false, true);
         return b.creature(w, {5, 6, 7}, 700, false, false, {0.0f, ws.speed_backward.max_speed,
                                                             ws.speed_backward.acceleration});
     },
     "SmallSeqs", ws.speed_backward.max_speed, ws.speed_backward.acceleration},
    {"slowing drives the tail piece slowly",
     [](GameBench& b, lg::Way* w, TestBonuses& t) {
         t.slowing = true;
         return b.creature(w, {1, 2, 3}, 500, true, true);
     },
     "BonusSlowing", ws.speed_bonus_slowing.max_speed, ws.speed_bonus_slowing.acceleration},
    {"the tail piece drives forward",
     [](GameBench& b, lg::Way* w, TestBonuses&) { return b.creature(w, {1, 2, 3}, 300, false, true); },
     "UsualMovement", ws.speed_forward.max_speed, ws.speed_forward.acceleration},
    {"a loose piece idles",
     [](GameBench& b, lg::Way* w, TestBonuses&) {
         b.creature(w, {1, 2, 3}, 300, false, true);
         return plain(b, w);
     },
     "Idle", 0.0f, 0.0f},
};

}  // namespace

TEST(SpeedChangers, RuleSelectionTable) {
    for (const auto& c : kRules) {
        SCOPED_TRACE(c.what);
        GameBench b;
        auto bonuses = std::make_shared<TestBonuses>();
        b.game.set_bonuses(bonuses);
        b.creator.mission_balls = 10;
        lg::Way* w = b.start_quiet(2000.0f);
        lg::Sequence* s = c.build(b, w, *bonuses);
        lg::SpeedChanger* rule = b.game.speed_changers().first_applying(*s);
        ASSERT_NE(rule, nullptr);
        EXPECT_STREQ(rule->name(), c.rule);
        const float speed = s->motion().speed;
        b.game.speed_changers().apply_first(*s);
        EXPECT_FLOAT_EQ(s->motion().max_speed, c.limit);
        EXPECT_FLOAT_EQ(s->motion().acceleration, c.acceleration);
        EXPECT_EQ(s->motion().speed, speed) << "a rule never changes the speed";
    }
}

TEST(SpeedChangers, ChainOrderIsFixed) {
    GameBench b;
    const char* expected[] = {"RollIn",    "RollOut",      "SameColorConnection", "BonusGoBack", "BonusStop",
                              "SmallSeqs", "BonusSlowing", "UsualMovement",       "Idle"};
    const auto& rules = b.game.speed_changers().rules();
    ASSERT_EQ(rules.size(), 9u);
    for (std::size_t i = 0; i < rules.size(); ++i) EXPECT_STREQ(rules[i]->name(), expected[i]);
}

TEST(SpeedChangers, NoRuleOnWaysTheGameDoesNotKnow) {
    GameBench b;
    b.start_quiet();
    auto other = straight_way(0, 500, 300);
    lg::Sequence s(&b.game, other.get(), {10.0f, 77.0f, 5.0f});
    EXPECT_EQ(b.game.speed_changers().first_applying(s), nullptr);
    b.game.speed_changers().apply_first(s);
    EXPECT_EQ(s.motion(), lg::Float3(10.0f, 77.0f, 5.0f));
}

TEST(SpeedChangers, UsualMovementSlowsNearTheFinish) {
    // Finish at 1000; the front ball at 1000 - d.
    struct {
        float d;
        float limit;
    } cases[] = {{100.0f, 20.0f}, {0.0f, 5.0f}, {-30.0f, 5.0f}, {500.0f, 50.0f}, {499.0f, 38.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.d);
        GameBench b;
        lg::WaySettings fast = quiet_settings();
        fast.speed_forward.max_speed = 50.0f;
        b.creator.ways = {straight_way(0, 1000, 100, 4)};
        b.creator.settings = {fast};
        b.start();
        b.discard_chains();
        lg::Way* w = b.game.ways().front().get();
        auto* s = b.creature(w, {1, 2, 3}, 1000.0f - c.d, false, true);
        b.game.speed_changers().apply_first(*s);
        const float expected = std::min(50.0f, std::sqrt(std::max(c.d, 0.0f)) * 1.5f + 5.0f);
        EXPECT_NEAR(s->motion().max_speed, c.d >= 500.0f ? 50.0f : expected, 1e-3f);
        EXPECT_NEAR(s->motion().max_speed, c.limit, 0.05f);
    }
}

TEST(SpeedChangers, RollOutBrakesAfterItsPathAndLetsGoAtTheForwardLimit) {
    GameBench b;
    lg::Way* w = b.start_quiet(3000.0f);
    auto* s = b.creature(w, {1, 2, 3}, 0.0f, true, true, ws.speed_roll_out);
    // Before the roll-out path nothing changes.
    b.game.speed_changers().apply_first(*s);
    EXPECT_EQ(s->motion().acceleration, ws.speed_roll_out.acceleration);

    int braking_frame = -1, released_frame = -1;
    for (int frame = 0; frame < 400 && released_frame < 0; ++frame) {
        const lg::SpeedChanger* rule = b.game.speed_changers().first_applying(*s);
        const bool braking = s->motion().acceleration == ws.roll_out_braking;
        if (braking && braking_frame < 0) braking_frame = frame;
        if (std::string(rule->name()) != "RollOut") {
            released_frame = frame;
            // The first frame in which the braked speed is no longer above
            // the forward limit.
            EXPECT_TRUE(braking);
            EXPECT_LE(s->motion().speed, ws.speed_forward.max_speed);
            EXPECT_STREQ(rule->name(), "UsualMovement");
        } else if (braking) {
            EXPECT_GT(s->motion().speed, ws.speed_forward.max_speed);
        }
        b.game.update(0.02f);
    }
    ASSERT_GE(braking_frame, 0);
    ASSERT_GT(released_frame, braking_frame);
    EXPECT_GT(w->distance_from_start_mark(s->front_ball()->way_position()), ws.path_roll_out);
}

TEST(SpeedChangers, SmallSeqsDestroysTailAndHeadBehind) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* behind = b.creature(w, {1, 2, 3}, 300, true, false);
    auto* small = b.creature(w, {4, 5}, 500, false, true);
    b.game.speed_changers().apply_first(*small);
    EXPECT_FALSE(small->tail());
    EXPECT_FALSE(behind->head());
    EXPECT_EQ(b.rec.count(lg::action_head_and_tail_destroing), 1);
    EXPECT_EQ(b.rec.count(lg::action_medals_stats), 1);
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{17, 21}));
    EXPECT_TRUE(small->motion().same_limits(ws.speed_backward));
}

TEST(SpeedChangers, SmallSeqsWithoutHeadBehindDestroysNothing) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* behind = b.creature(w, {1, 2, 3}, 300, false, false);
    auto* small = b.creature(w, {4, 5}, 500, false, true);
    b.game.speed_changers().apply_first(*small);
    EXPECT_TRUE(small->tail());
    EXPECT_FALSE(behind->head());
    EXPECT_EQ(b.rec.count(lg::action_head_and_tail_destroing), 0);
    EXPECT_TRUE(small->motion().same_limits(ws.speed_backward));
}

TEST(SpeedChangers, SolveQuadratic) {
    float r1 = -1.0f, r2 = -1.0f;
    ASSERT_TRUE(lg::solve_quadratic(1.0f, -3.0f, 2.0f, r1, r2));
    EXPECT_FLOAT_EQ(r1, 1.0f);
    EXPECT_FLOAT_EQ(r2, 2.0f);
    // A gravitation of 0 gives a = 0; a negative discriminant has no roots.
    EXPECT_FALSE(lg::solve_quadratic(0.0f, 3.0f, -2.0f, r1, r2));
    EXPECT_FALSE(lg::solve_quadratic(1.0f, 0.0f, 1.0f, r1, r2));
    EXPECT_FLOAT_EQ(r1, 1.0f);
}
