#include <gtest/gtest.h>

#include <cmath>

#include "support/GameHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kStep = 0.02f;
// Ball radius plus the head and tail offsets.
constexpr float kFollow = 15.5f;

// The bench's straight way runs along +x: its heading is pi / 2.
struct RegionBench : GameBench {
    RegionBench() { way = start_quiet(); }
    lg::Way* way;
};

// A chain of two balls with its regions on w, in no game.
std::shared_ptr<lg::Sequence> loose_chain(lg::Way& w, float front) {
    auto s = std::make_shared<lg::Sequence>(nullptr, &w, lg::Float3());
    s->fill(2, 1, at_length(w, front), -1, [] { return 1; }, false);
    s->create_regions();
    return s;
}

}  // namespace

TEST(CreatureRegion, AttachSitsAtTheFollowDistanceHeadingAlongTheWay) {
    RegionBench b;
    lg::Sequence* s = b.creature(b.way, {1, 2, 3}, 300, true, true);
    const auto& head = s->head();
    const auto& tail = s->tail();
    EXPECT_TRUE(head->is_attached());
    EXPECT_TRUE(tail->is_attached());
    EXPECT_EQ(head->ball().get(), s->front_ball());
    EXPECT_EQ(tail->ball().get(), s->rear_ball());
    EXPECT_NEAR(b.way->path_length(head->way_position()), 300 + kFollow, 1e-3f);
    EXPECT_NEAR(b.way->path_length(tail->way_position()), 250 - kFollow, 1e-3f);
    EXPECT_FLOAT_EQ(head->direction(), kHalfPi);
    EXPECT_FLOAT_EQ(tail->direction(), kHalfPi);
}

TEST(CreatureRegion, OnAddedTakesTheWaysRegionSpeedWithTheHeadAccelerationNegated) {
    RegionBench b;
    lg::Sequence* s = b.creature(b.way, {1, 2}, 300, true, true);
    const lg::Float3 settings = quiet_settings().speed_zelkor_region;
    EXPECT_EQ(s->head()->speed().max_speed, settings.max_speed);
    EXPECT_EQ(s->head()->speed().acceleration, -settings.acceleration);
    EXPECT_EQ(s->tail()->speed().max_speed, settings.max_speed);
    EXPECT_EQ(s->tail()->speed().acceleration, settings.acceleration);
}

struct TurnCase {
    const char* name;
    float off;       // target heading minus the region's heading
    float expected;  // the turn the region makes
};

class CreatureRegionTurn : public ::testing::TestWithParam<TurnCase> {};

TEST_P(CreatureRegionTurn, FollowingABallThatMoves10UnitsTurnsAtMost04ByTheShorterArc) {
    const TurnCase& c = GetParam();
    RegionBench b;
    lg::Sequence* s = b.creature(b.way, {1, 2}, 300, true, false);
    const auto& head = s->head();
    head->set_direction(kHalfPi - c.off);
    const float before = head->direction();
    s->move_by(10.0f);
    head->update(kStep);
    EXPECT_NEAR(head->direction() - before, c.expected, 1e-4f);
    EXPECT_NEAR(b.way->path_length(head->way_position()), 310 + kFollow, 1e-3f);
}

INSTANTIATE_TEST_SUITE_P(Table, CreatureRegionTurn,
                         ::testing::Values(TurnCase{"small_reaches_target", 0.3f, 0.3f},
                                           TurnCase{"large_right", -1.5f, -0.4f},
                                           TurnCase{"short_arc_left", -3.5f, 0.4f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CreatureRegion, ARegionAtRestDoesNotTurn) {
    RegionBench b;
    lg::Sequence* s = b.creature(b.way, {1, 2}, 300, true, false);
    s->head()->set_direction(kHalfPi - 1.0f);
    for (int i = 0; i < 5; ++i) s->head()->update(kStep);
    EXPECT_FLOAT_EQ(s->head()->direction(), kHalfPi - 1.0f);
}

TEST(CreatureRegion, ALooseTailWalksOnAndReattachesBelowTheFollowDistance) {
    RegionBench b;
    lg::Sequence* s = b.creature(b.way, {1, 2, 3}, 300, false, true);
    const auto& tail = s->tail();
    b.game.remove_object(s->remove_ball(*s->rear_ball()));
    // Loose, it walks on and takes the new first ball only once the gap
    // along the path has dropped below the follow distance.
    const auto gap = [&] { return path_of(*s->rear_ball()) - b.way->path_length(tail->way_position()); };
    int steps = 0;
    for (; steps < 500 && !tail->ball(); ++steps) {
        tail->update(kStep);
        if (!tail->ball()) {
            EXPECT_GE(gap(), kFollow);
        }
    }
    ASSERT_TRUE(tail->is_attached());
    EXPECT_GT(steps, 1) << "it walked before it caught up";
    EXPECT_LT(gap(), kFollow);
    tail->update(kStep);
    EXPECT_NEAR(b.way->path_length(tail->way_position()), path_of(*s->rear_ball()) - kFollow, 1e-3f);
}

TEST(CreatureRegion, AHeadComingLooseGoesOnAtTheChainsSpeed) {
    RegionBench b;
    lg::Sequence* s = b.creature(b.way, {1, 2, 3}, 300, true, false, lg::Float3(40, 100, 0));
    s->head()->update(kStep);
    EXPECT_EQ(s->head()->speed().speed, 40.0f);
    b.game.remove_object(s->remove_ball(*s->front_ball()));
    const float before = b.way->path_length(s->head()->way_position());
    s->head()->update(kStep);
    EXPECT_FALSE(s->head()->ball());
    EXPECT_GT(b.way->path_length(s->head()->way_position()), before);
}

TEST(CreatureRegion, DrawOrderIsOneAboveTheSegmentAndMinusOneStays) {
    ensure_config_defaults();
    lg::WayGeometry g = geometry({{0, 100}, {500, 100}, {1000, 100}});
    g.points[0].order = 5;
    g.points[1].order = -1;
    auto w = way(g);
    auto s = loose_chain(*w, 300);
    const auto& head = s->head();
    head->update(kStep);
    EXPECT_EQ(head->draw_order(), 6);
    s->move_by(300.0f);
    head->update(kStep);
    EXPECT_EQ(head->index(), 1);
    // The order is taken from where the region stood when the step began.
    EXPECT_EQ(head->draw_order(), 6);
    head->update(kStep);
    EXPECT_EQ(head->draw_order(), -1);
}

TEST(CreatureRegion, ARegionKeptBeyondItsChainForgetsIt) {
    ensure_config_defaults();
    auto w = straight_way(0, 1000, 100);
    auto s = loose_chain(*w, 300);
    const std::shared_ptr<lg::ZelkorRegion> head = s->head();
    const std::shared_ptr<lg::ZelkorRegion> tail = s->tail();
    const Vector2 at = head->position();
    s.reset();
    EXPECT_EQ(head->chain(), nullptr);
    EXPECT_EQ(tail->chain(), nullptr);
    EXPECT_FALSE(head->is_attached());
    head->update(kStep);
    EXPECT_EQ(head->position(), at);
}

TEST(CreatureRegion, ALooseRegionOnAnEmptiedChainWalksWithoutAnEndBall) {
    RegionBench b;
    lg::Sequence* s = b.creature(b.way, {1}, 300, true, true);
    auto head = s->head();
    s->balls().clear();
    for (int i = 0; i < 10; ++i) head->update(kStep);
    EXPECT_FALSE(head->ball());
    EXPECT_LT(b.way->path_length(head->way_position()), 300 + kFollow);
}
