#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "logic/FindBalls.h"
#include "support/ShotHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

TEST(FindBalls, AreaEdges) {
    ShotBench b;
    b.begin();
    // Balls at x = 450, 475, 500 on y = 100.
    b.chain(b.way, {1, 2, 3}, 500.0f);
    struct {
        const char* what;
        std::unique_ptr<lg::FindBalls> query;
        int found;
    } cases[] = {
        {"on the rim", std::make_unique<lg::FindBallsInCircle_WithOutEntryWay>(&b.game, Vector2(500, 150), 50.0f), 1},
        {"inside the rim", std::make_unique<lg::FindBallsInCircle_WithOutEntryWay>(&b.game, Vector2(500, 150), 49.9f), 0},
        {"right edge out", std::make_unique<lg::FindBallsInRect_WithOutEntryWay>(&b.game, lg::FindRect{450, 0, 500, 200}), 2},
        {"bottom edge out", std::make_unique<lg::FindBallsInRect_WithOutEntryWay>(&b.game, lg::FindRect{0, 0, 1000, 100}), 0},
        {"left and top in", std::make_unique<lg::FindBallsInRect_WithOutEntryWay>(&b.game, lg::FindRect{500, 100, 600, 101}), 1},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.query->collect();
        int n = 0;
        for (const auto& r : c.query->runs()) n += r.length;
        EXPECT_EQ(n, c.found);
    }
}

TEST(FindBalls, ShaftBallsAndWildBallsAreLeftAlone) {
    ShotBench b;
    b.begin();
    // A ball in the shaft, right in the middle of the query.
    lg::Way* shaft = b.game.shaft_way().get();
    ASSERT_NE(shaft, nullptr);
    b.chain(shaft, {3}, 10.0f);
    b.chain(b.way, {3, 9, 3, 2}, 500.0f);
    lg::FindBallsInCircle_WithOutEntryWay everything(&b.game, Vector2(500, 500), 1e5f);
    everything.collect();
    ASSERT_EQ(everything.runs().size(), 1u);
    EXPECT_EQ(everything.runs()[0].first->way(), b.way);
    EXPECT_EQ(everything.runs()[0].length, 4);

    // The colour query wants colour 3 exactly: the wild ball splits the run.
    lg::FindBallsWithColorInRect_WithOutEntryWay threes(&b.game, lg::FindRect{0, 0, 1000, 1000}, 3);
    threes.collect();
    ASSERT_EQ(threes.runs().size(), 2u);
    EXPECT_EQ(threes.runs()[0].length, 1);
    EXPECT_EQ(threes.runs()[1].length, 1);
    EXPECT_TRUE(threes.any_on_known_way());
}

TEST(FindBalls, TwoRunsInOneChainAreBothConsumedAfterTheSplit) {
    ShotBench b;
    b.begin();
    // 2 1 1 2 1 1 2: the query takes the colour-1 groups, two runs.
    b.chain(b.way, {2, 1, 1, 2, 1, 1, 2}, 500.0f);
    lg::FindBallsWithColorInRect_WithOutEntryWay ones(&b.game, lg::FindRect{0, 0, 1000, 1000}, 1);
    ones.collect();
    ASSERT_EQ(ones.runs().size(), 2u);
    ones.consume_found();
    EXPECT_TRUE(ones.runs().empty());
    // The first removal split the chain into 2 and 2 1 1 2; the second run
    // was then taken from that new front piece.
    std::vector<std::vector<std::int32_t>> left;
    for (auto* c : b.live_chains()) left.push_back(b.colors_of(*c));
    EXPECT_EQ(left, (std::vector<std::vector<std::int32_t>>{{2}, {2}, {2}}));
    EXPECT_EQ(b.rec.count(lg::action_consuming_balls), 2);
    EXPECT_EQ(b.rec.count(lg::action_points), 2);
    EXPECT_EQ(b.game.points(), 400);
}

TEST(FindBalls, ARecordedRunNeverReadsPastItsChain) {
    ShotBench b;
    b.begin();
    lg::Sequence* s = b.chain(b.way, {4, 4, 4, 4, 1}, 500.0f);
    lg::FindBallsWithColorInRect_WithOutEntryWay fours(&b.game, lg::FindRect{0, 0, 1000, 1000}, 4);
    fours.collect();
    ASSERT_EQ(fours.runs().size(), 1u);
    ASSERT_EQ(fours.runs()[0].length, 4);
    // Between the query and the removal the chain loses its front three
    // balls: the recorded run now runs past the end of its chain.
    for (int i = 0; i < 3; ++i) b.game.remove_object(s->remove_ball(*s->front_ball()));
    ASSERT_EQ(s->balls().size(), 2u);
    fours.consume_found();
    EXPECT_TRUE(b.game.is_sequence_dropped(s));
    const auto* consumed = b.rec.last_payload<lg::GameActionConsumingBalls>(lg::action_consuming_balls);
    ASSERT_NE(consumed, nullptr);
    EXPECT_EQ(consumed->balls.size(), 2u);

    // A run whose first ball left every chain is skipped.
    lg::Sequence* t = b.chain(b.way, {5, 5, 5}, 800.0f);
    lg::FindBallsWithColorInRect_WithOutEntryWay fives(&b.game, lg::FindRect{0, 0, 1000, 1000}, 5);
    fives.collect();
    b.game.remove_object(t->remove_ball(*t->rear_ball()));
    b.rec.clear();
    fives.consume_found();
    EXPECT_EQ(b.rec.count(lg::action_consuming_balls), 0);
    EXPECT_EQ(t->balls().size(), 2u);
}

TEST(FindBalls, FlyingBallsAreTakenWithTypeOne) {
    ShotBench b;
    b.begin();
    lg::BallFree* shot = b.fire(300.0f, 2);
    ASSERT_NE(shot, nullptr);
    const auto ball = shot->ball();
    b.rec.clear();
    lg::FindBallsInCircle_WithOutEntryWay around(&b.game, ball->position(), 10.0f);
    around.collect();
    ASSERT_EQ(around.flying().size(), 1u);
    around.consume_found();
    EXPECT_TRUE(b.game.is_flying_ball_dropped(shot));
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{lg::action_consuming_balls}));
    EXPECT_EQ(b.rec.last_payload<lg::GameActionConsumingBalls>(1)->balls.at(0), ball);
    EXPECT_EQ(ball->game(), nullptr);
    // The same query again finds nothing left to report.
    around.collect();
    EXPECT_TRUE(around.flying().empty());
}

TEST(ColorPools, PoolsKeepColoursOneToEight) {
    ShotBench b;
    b.begin();
    lg::Sequence* s = b.chain(b.way, {7, 0, 9, 2, 7, 12, 1}, 500.0f);
    EXPECT_EQ(lg::colors_of_sequence(*s), (std::vector<std::int32_t>{1, 2, 7}));
    // Balls at x = 350 .. 500 step 25; the contour's chains do not count.
    b.chain(b.game.contour().get(), {5}, 400.0f);
    EXPECT_EQ(lg::colors_in_rect(b.game, lg::FindRect{0, 0, 400, 1000}), (std::vector<std::int32_t>{7}));
    EXPECT_EQ(lg::colors_in_rect(b.game, lg::FindRect{400, 0, 1000, 1000}), (std::vector<std::int32_t>{1, 2, 7}));

    lg::ColorBag bag({3, 0, 5, 9, 8});
    EXPECT_EQ(bag.full, (std::vector<std::int32_t>{3, 5, 8}));
    FixedSeed seed(99);
    for (int round = 0; round < 4; ++round) {
        std::multiset<std::int32_t> drawn;
        for (int i = 0; i < 3; ++i) drawn.insert(lg::draw_color(bag));
        EXPECT_EQ(drawn, (std::multiset<std::int32_t>{3, 5, 8})) << round;
    }
    lg::ColorBag empty;
    EXPECT_EQ(lg::draw_color(empty), 0);

    EXPECT_EQ(lg::pick_color(b.game, {6}), 6);
    const std::int32_t from_game = lg::pick_color(b.game, {});
    EXPECT_TRUE(from_game >= 1 && from_game <= 3);
}

TEST(FlightGeometry, RayCircleReachAndNormalize) {
    const Vector2 up(0, -1);
    // Abeam of the origin (t = 0): a hit only when r^2 > |d|^2 + 0.001.
    EXPECT_TRUE(lg::ray_hits_circle(Vector2(10, 0), 10.1f, Vector2(), up));
    EXPECT_FALSE(lg::ray_hits_circle(Vector2(10, 0), 10.0f, Vector2(), up));
    // An exact graze is no hit; a circle behind is never hit.
    EXPECT_FALSE(lg::ray_hits_circle(Vector2(4, -50), 4.0f, Vector2(), up));
    EXPECT_TRUE(lg::ray_hits_circle(Vector2(4, -50), 4.1f, Vector2(), up));
    EXPECT_FALSE(lg::ray_hits_circle(Vector2(0, 50), 40.0f, Vector2(), up));

    // Perpendicular offset: projection 0 counts as reached.
    EXPECT_TRUE(lg::reached_this_step(Vector2(), up, 0.0f, Vector2(30, 0), 0.02f));
    // 10 ahead: reached within the step at 600/s, not at 400/s with dt 0.02.
    EXPECT_TRUE(lg::reached_this_step(Vector2(), up, 600.0f, Vector2(0, -10), 0.02f));
    EXPECT_FALSE(lg::reached_this_step(Vector2(), up, 400.0f, Vector2(0, -10), 0.02f));

    EXPECT_EQ(lg::normalize(Vector2()), Vector2());
    const Vector2 n = lg::normalize(Vector2(3, 4));
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.y, 0.8f);
}

TEST(FlightGeometry, SameLevelComparesPieces) {
    ShotBench b;
    b.begin();
    // A way whose middle point starts a second piece (a jump).
    lg::WayGeometry g;
    g.points = {lg::WayPoint(0, 300), lg::WayPoint(100, 300), lg::WayPoint(200, 300), lg::WayPoint(300, 300)};
    g.points[1].link = 2;
    auto jump = way(g);
    auto s = std::make_shared<lg::Sequence>(&b.game, jump.get(), lg::Float3());
    auto at = [&](int segment, float x) {
        auto ball = std::make_shared<lg::Ball>(Vector2(x, 300), 0, lg::BallKind{0, 1});
        ball->set_segment(segment);
        s->push_back(ball);
        return ball;
    };
    auto a = at(0, 50), c = at(2, 250), d = at(2, 260);
    lg::Sequence* other = b.chain(b.way, {1}, 500.0f);
    const lg::Ball loose(Vector2(), 0, lg::BallKind{0, 1});
    EXPECT_FALSE(lg::same_level(*a, *c));
    EXPECT_TRUE(lg::same_level(*c, *d));
    EXPECT_TRUE(lg::same_level(*a, *other->front_ball()));
    EXPECT_TRUE(lg::same_level(*a, loose));
}
