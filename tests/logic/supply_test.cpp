#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/SupplyBench.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

constexpr float kStep = 0.032f;

std::vector<std::int32_t> sorted(std::vector<std::int32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
}

float gap(const lg::Ball& a, const lg::Ball& b) { return orvek::trelm::distance(a.position(), b.position()); }

// A bench with no chain anywhere and nothing recorded.
struct EmptySupply : SupplyBench {
    explicit EmptySupply(int storage, std::uint32_t seed = 1) : SupplyBench(storage, seed) { discard_chains(); }
    // Keeps the supply from ordering: the door is on its way.
    void keep_lift_busy() { lift().door()->start_opening(); }
};

}  // namespace

// ---------------------------------------------------------------- orders

struct OrderCase {
    const char* name;
    int storage;
    std::vector<std::int32_t> way, s, e;
    std::vector<std::int32_t> sent;  // top of the column first
};

class SupplyOrders : public ::testing::TestWithParam<OrderCase> {};

TEST_P(SupplyOrders, SendsTheMissingColours) {
    const OrderCase& c = GetParam();
    EmptySupply b(c.storage);
    b.on_way(c.way);
    if (!c.s.empty()) b.at_s(c.s);
    if (!c.e.empty()) b.at_e(c.e);
    b.game.supply_balls();
    EXPECT_EQ(b.lift_colors(), c.sent);
    EXPECT_EQ(b.lift().is_busy(), !c.sent.empty());
    if (!c.sent.empty()) {
        EXPECT_EQ(b.lift().door()->state(), lg::Door::opening);
    }
    // Nothing was thrown away.
    EXPECT_EQ(b.rec.count(lg::action_consuming_balls), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SupplyOrders,
    ::testing::Values(
        // 6 of 7 balls, every colour ahead present: the rarest colour on the ways.
        OrderCase{"one_rarest", 3, {1, 2, 3}, {1, 1, 2}, {2, 1, 3}, {3}},
        // A colour of the front creature that the supply lacks comes first.
        OrderCase{"missing_ahead", 3, {1, 2, 3, 4}, {1, 1, 2}, {2, 1, 3}, {4}},
        // Filling up: the fewest first, lowest colour on ties.
        OrderCase{"fill_up", 3, {1, 2, 3}, {1, 2}, {3}, {1, 2, 3, 1}},
        // Full: nothing to send.
        OrderCase{"full", 3, {1, 2, 3}, {1, 2, 3}, {1, 2, 3, 1}, {}},
        // Only colours that are on the ways are ordered.
        OrderCase{"ways_only", 1, {2}, {2, 2}, {}, {2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Supply, WithNoChainOnTheWaysNothingIsOrderedAndTheStepEnds) {
    // The sub-level is over: no colour left to order, and the filling loop
    // must not wait for one.
    EmptySupply b(3);
    b.at_s({1});
    b.game.supply_balls();
    EXPECT_TRUE(b.supply_colors().empty());
    EXPECT_FALSE(b.lift().is_busy());
    EXPECT_EQ(b.rec.count(lg::action_consuming_balls), 1);
}

TEST(Supply, ABusyLiftGetsNoOrder) {
    EmptySupply b(3);
    b.on_way({1, 2});
    b.at_s({1});
    b.keep_lift_busy();
    b.game.supply_balls();
    EXPECT_EQ(b.lift().ball_count(), 0);
    EXPECT_EQ(b.lift().lift()->state(), lg::Lift::idle);
}

TEST(Supply, FrontCreatureEndsAtTheFirstChainWithATail) {
    EmptySupply b(3);
    // Behind the front creature: a creature of colour 4.
    b.creature(b.way, {4}, 100, true, true);
    // The front creature in two pieces: tail piece {6}, head piece {1, 2}.
    b.creature(b.way, {6}, 300, false, true);
    b.creature(b.way, {1, 2}, 400, true, false);
    b.at_s({1, 2});
    b.at_e({1, 2, 1, 2});
    b.game.supply_balls();
    // 6 is ahead and missing; 4 is missing too but belongs to the creature
    // behind. One ball short, so nothing more is ordered.
    EXPECT_EQ(b.lift_colors(), (std::vector<std::int32_t>{6}));
}

// ---------------------------------------------------------------- drops

TEST(Supply, AVanishedColourVanishesEverywhereInOneStep) {
    EmptySupply b(3);
    b.on_way({1, 2});
    b.at_s({1, 3, 2});
    b.at_e({3, 1});
    b.at_top(b.first_branch(), 3);
    b.load_platform(3);
    const int points = b.game.points();
    b.rec.clear();
    b.game.supply_balls();

    EXPECT_EQ(sorted(b.supply_colors()), (std::vector<std::int32_t>{1, 1, 2}));
    EXPECT_EQ(b.game.platform()->ball(), nullptr);
    ASSERT_EQ(b.rec.count(lg::action_consuming_balls), 1);
    const auto* consumed = b.rec.last_payload<lg::GameActionConsumingBalls>(lg::action_consuming_balls);
    ASSERT_TRUE(consumed);
    ASSERT_EQ(consumed->balls.size(), 4u);
    for (const auto& ball : consumed->balls) {
        EXPECT_EQ(ball->color(), 3);
        EXPECT_EQ(ball->game(), nullptr);
        EXPECT_EQ(ball->sequence(), nullptr);
    }
    // Dropped balls give nothing: no points, no other action.
    EXPECT_EQ(b.game.points(), points);
    EXPECT_EQ(b.rec.count(lg::action_points), 0);
    // What is left is made up from the lift: 3 balls left of 7.
    EXPECT_EQ(b.lift().ball_count(), 4);
}

struct PlatformCase {
    const char* name;
    std::int32_t kind;   // 0: plain ball of colour
    std::int32_t color;
    bool dropped;
};

class SupplyPlatformBall : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(SupplyPlatformBall, OnlyAPlainBallOfAVanishedColourIsDropped) {
    const PlatformCase& c = GetParam();
    EmptySupply b(3);
    b.on_way({1, 2});
    b.at_s({1, 2});
    if (c.kind == lg::ball_plain)
        b.load_platform(c.color);
    else
        b.game.platform()->set_special(c.kind);
    ASSERT_TRUE(b.game.platform()->ball());
    b.rec.clear();
    b.game.supply_balls();
    EXPECT_EQ(b.game.platform()->ball() == nullptr, c.dropped);
    EXPECT_EQ(b.rec.count(lg::action_consuming_balls), c.dropped ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Table, SupplyPlatformBall,
                         ::testing::Values(PlatformCase{"vanished", 0, 3, true},
                                           PlatformCase{"on_ways", 0, 2, false},
                                           PlatformCase{"wild", 0, 9, false},
                                           PlatformCase{"bomb", lg::ball_bomb, 0, false},
                                           PlatformCase{"lightning", lg::ball_lightning, 0, false},
                                           PlatformCase{"aiming_hit", lg::ball_aiming_hit, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Supply, AWildBallOnTheContourStays) {
    EmptySupply b(3);
    b.on_way({1});
    b.at_s({9, 1});
    b.game.supply_balls();
    EXPECT_EQ(sorted(b.supply_colors()), (std::vector<std::int32_t>{1, 9}));
}

TEST(Supply, SurplusGoesFromTheMostPlentifulColour) {
    EmptySupply b(1);  // 3 balls wanted
    b.on_way({1, 2});
    lg::Sequence* s = b.at_s({1, 1, 1});
    b.at_e({2, 2});
    const lg::Ball* kept = s->rear_ball();
    b.rec.clear();
    b.game.supply_balls();
    EXPECT_EQ(sorted(b.supply_colors()), (std::vector<std::int32_t>{1, 2, 2}));
    EXPECT_EQ(s->rear_ball(), kept);
    const auto* consumed = b.rec.last_payload<lg::GameActionConsumingBalls>(lg::action_consuming_balls);
    ASSERT_TRUE(consumed);
    EXPECT_EQ(consumed->balls.size(), 2u);
}

TEST(Supply, BallsInTheLiftCountAndTheTrimStopsWhenNoColourHasTwo) {
    EmptySupply b(1);
    b.on_way({1, 2});
    b.at_s({1, 1, 1});
    b.at_e({2, 2});
    b.lift().lift()->load({1, 2});
    b.game.supply_balls();
    // 5 + 2 in the lift against 3 wanted: drops until each colour has one.
    EXPECT_EQ(sorted(b.supply_colors()), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(b.lift().ball_count(), 2);
}

// ---------------------------------------------------------------- branches

struct FeedCase {
    const char* name;
    int s, e;
    std::uint32_t seed;
};

class SupplyFeeding : public ::testing::TestWithParam<FeedCase> {};

TEST_P(SupplyFeeding, TheLongerStorageChainFeedsItsBranch) {
    const FeedCase& c = GetParam();
    EmptySupply b(4, c.seed);  // 9 wanted: no drop for 9 balls
    b.on_way({1});
    lg::Sequence* a = b.at_s(std::vector<std::int32_t>(std::size_t(c.s), 1));
    lg::Sequence* z = b.at_e(std::vector<std::int32_t>(std::size_t(c.e), 1));
    b.keep_lift_busy();
    const lg::Ball* a_rear = a->rear_ball();
    const lg::Ball* z_front = z->front_ball();
    lg::seed_random(c.seed);
    lg::LegacyRand draw(c.seed);
    bool first = c.s > c.e;
    if (c.s == c.e) first = draw.next() % 2 == 1;
    b.game.supply_balls();

    const auto b1 = b.chains_on(b.first_branch());
    const auto b2 = b.chains_on(b.second_branch());
    if (first) {
        ASSERT_EQ(b1.size(), 1u);
        EXPECT_TRUE(b2.empty());
        EXPECT_EQ(b1[0]->rear_ball(), a_rear);
        EXPECT_EQ(a->balls().size(), std::size_t(c.s - 1));
        EXPECT_EQ(b1[0]->motion(), lg::Float3(0, 100, SupplyBench::contour_acceleration));
    } else {
        ASSERT_EQ(b2.size(), 1u);
        EXPECT_TRUE(b1.empty());
        EXPECT_EQ(b2[0]->rear_ball(), z_front);
        EXPECT_EQ(z->balls().size(), std::size_t(c.e - 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SupplyFeeding,
                         ::testing::Values(FeedCase{"five_against_four", 5, 4, 1},
                                           FeedCase{"four_against_five", 4, 5, 1},
                                           FeedCase{"parity_seed_1", 4, 4, 1},
                                           FeedCase{"parity_seed_2", 4, 4, 2},
                                           FeedCase{"parity_seed_3", 4, 4, 3},
                                           FeedCase{"only_s", 3, 0, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Supply, ParitySeedsCoverBothEnds) {
    // The parity rows above must reach both branches.
    bool odd = false, even = false;
    for (std::uint32_t seed : {1u, 2u, 3u}) (lg::LegacyRand(seed).next() % 2 ? odd : even) = true;
    EXPECT_TRUE(odd && even);
}

TEST(Supply, NoBallLeavesTheContourWhileTheLiftHoldsOne) {
    EmptySupply b(5);
    b.on_way({1});
    lg::Sequence* a = b.at_s({1, 1, 1, 1, 1});
    lg::Sequence* z = b.at_e({1, 1, 1, 1});
    b.lift().lift()->load({1});
    b.game.supply_balls();
    EXPECT_TRUE(b.chains_on(b.first_branch()).empty());
    EXPECT_TRUE(b.chains_on(b.second_branch()).empty());
    EXPECT_EQ(a->balls().size(), 5u);
    EXPECT_EQ(z->balls().size(), 4u);
}

TEST(Supply, NoBallLeavesTheContourWhileABranchHoldsAChain) {
    EmptySupply b(5);
    b.on_way({1});
    lg::Sequence* a = b.at_s({1, 1, 1, 1, 1});
    lg::Sequence* z = b.at_e({1, 1, 1, 1});
    b.at_top(b.second_branch(), 1);
    b.keep_lift_busy();
    b.game.supply_balls();
    EXPECT_EQ(a->balls().size(), 5u);
    EXPECT_EQ(z->balls().size(), 4u);
    EXPECT_EQ(b.chains_on(b.second_branch()).size(), 1u);
    EXPECT_TRUE(b.chains_on(b.first_branch()).empty());
}

TEST(Supply, ABallAtTheShaftTopCrossesToTheShorterStorageChain) {
    for (bool from_first : {true, false}) {
        SCOPED_TRACE(from_first ? "first to second" : "second to first");
        EmptySupply b(4);
        b.on_way({1});
        b.at_s(from_first ? std::vector<std::int32_t>{1, 1, 1} : std::vector<std::int32_t>{1, 1});
        b.at_e(from_first ? std::vector<std::int32_t>{1, 1} : std::vector<std::int32_t>{1, 1, 1});
        lg::Sequence* waiting = b.at_top(from_first ? b.first_branch() : b.second_branch(), 1);
        const lg::Ball* ball = waiting->front_ball();
        b.keep_lift_busy();
        b.game.supply_balls();
        const auto other = b.chains_on(from_first ? b.second_branch() : b.first_branch());
        ASSERT_EQ(other.size(), 1u);
        EXPECT_EQ(other[0]->front_ball(), ball);
        EXPECT_EQ(ball->position(), Vector2(400, 500));
        // The contour speed itself: it rests against the shaft top.
        EXPECT_EQ(other[0]->motion(), lg::Float3(0, 100, SupplyBench::contour_acceleration));
        EXPECT_TRUE(b.game.is_sequence_dropped(waiting));
    }
}

TEST(Supply, AColumnTopBallPushesTheBranchBallAndTheStorageChainBack) {
    EmptySupply b(4);
    b.on_way({1});
    b.lift().lift()->load({1});
    lg::Ball* u = b.lift().top_ball();
    ASSERT_TRUE(u);
    // The column top just below the shaft top, overlapping the waiting ball.
    u->set_way_position(lg::WayPosition(0, Vector2(400, 510)));
    lg::Sequence* waiting = b.at_top(b.first_branch(), 1);
    b.game.supply_balls();
    EXPECT_NEAR(gap(*u, *waiting->front_ball()), 25.0f, 1e-3f);
}

// The storage chain steps back along the contour from the ball on its branch,
// at whichever end it rests; the branch ball's place on its own way says
// nothing about the contour.
TEST(Supply, AStorageChainTouchingItsBranchBallIsLaidOneDiameterFromIt) {
    for (const bool first : {true, false}) {
        SCOPED_TRACE(first ? "first branch" : "second branch");
        EmptySupply b(4);
        b.on_way({1});
        b.lift().lift()->load({1});
        ASSERT_TRUE(b.lift().top_ball());
        lg::Way* branch = first ? b.first_branch() : b.second_branch();
        lg::Sequence* storage = first ? b.at_s({1, 1}) : b.at_e({1, 1});
        lg::Sequence* waiting = b.lay(branch, {1}, at_length(*branch, 20.0f), +1);
        b.game.supply_balls();
        const lg::Ball& end = first ? *storage->rear_ball() : *storage->front_ball();
        EXPECT_NEAR(gap(end, *waiting->front_ball()), 25.0f, 1e-3f);
        EXPECT_EQ(b.game.validate(), "");
    }
}

// ---------------------------------------------------------------- arrivals

TEST(Supply, AnArrivingBallPushesTheWaitingBallsOntoTheContour) {
    EmptySupply b(3);
    lg::Sequence* a = b.at_s({1, 2});
    lg::Sequence* z = b.at_e({3});
    lg::Sequence* w1 = b.at_top(b.first_branch(), 4);
    lg::Sequence* w2 = b.at_top(b.second_branch(), 5);
    const lg::Ball* ball4 = w1->front_ball();
    const lg::Ball* ball5 = w2->front_ball();
    auto arriving = std::make_shared<lg::Ball>(Vector2(400, 500), 0, lg::BallKind{lg::ball_plain, 2});
    b.game.on_object_added(arriving);
    b.game.receive_ball(arriving);

    const auto on_contour = b.chains_on(b.contour());
    ASSERT_EQ(on_contour.size(), 4u);
    // In path order: the newcomer at S, A, B, the newcomer at E.
    EXPECT_EQ(on_contour[0]->front_ball(), ball4);
    EXPECT_EQ(on_contour[1], a);
    EXPECT_EQ(on_contour[2], z);
    EXPECT_EQ(on_contour[3]->front_ball(), ball5);
    EXPECT_EQ(ball4->position(), Vector2(200, 500));
    EXPECT_EQ(ball5->position(), Vector2(600, 500));
    EXPECT_EQ(on_contour[0]->motion(), lg::Float3(0, 100, -SupplyBench::contour_acceleration));
    EXPECT_EQ(on_contour[3]->motion(), lg::Float3(0, 100, SupplyBench::contour_acceleration));
    // The storage chains made room.
    EXPECT_NEAR(gap(*ball4, *a->rear_ball()), 25.0f, 1e-3f);
    EXPECT_NEAR(gap(*ball5, *z->front_ball()), 25.0f, 1e-3f);
    // The newcomer waits at the shaft top.
    const auto b1 = b.chains_on(b.first_branch());
    ASSERT_EQ(b1.size(), 1u);
    EXPECT_EQ(b1[0]->front_ball(), arriving.get());
    EXPECT_EQ(arriving->sequence(), b1[0]);
    EXPECT_EQ(arriving->position(), Vector2(400, 500));
    EXPECT_TRUE(b.chains_on(b.second_branch()).empty());
}

// ---------------------------------------------------------------- the platform's next ball

TEST(SupplyNextBall, NearestToThePlatformOnTheContourAndBranchesOnly) {
    EmptySupply b(3);
    EXPECT_EQ(b.game.next_ball_for_platform(), nullptr);
    ASSERT_EQ(b.game.platform()->position(), Vector2(400, 560));
    // The ends of the contour lie equally far: the first in list order wins.
    lg::Sequence* s = b.at_s({1});
    b.at_e({2});
    EXPECT_EQ(b.game.next_ball_for_platform(), s->rear_ball());
    // A ball in the lift's column is nearer (52.5) but not for taking.
    b.lift().lift()->load({3});
    ASSERT_NEAR(b.lift().top_ball()->position().y, 612.5f, 1e-3f);
    EXPECT_EQ(b.game.next_ball_for_platform(), s->rear_ball());
    // The ball at the shaft top is 60 away.
    lg::Sequence* top = b.at_top(b.second_branch(), 4);
    EXPECT_EQ(b.game.next_ball_for_platform(), top->front_ball());
}

// ---------------------------------------------------------------- filling

TEST(SupplyFill, TwoStorageChainsAndABallAtTheShaftTopInTheLeadChainsColours) {
    SupplyBench b(3, 5);
    std::vector<std::int32_t> lead;
    for (auto* s : b.chains_on(b.way))
        for (const auto& ball : s->balls()) lead.push_back(ball->color());
    ASSERT_FALSE(lead.empty());
    const auto contour = b.chains_on(b.contour());
    ASSERT_EQ(contour.size(), 2u);
    EXPECT_EQ(contour[0]->balls().size(), 3u);
    EXPECT_EQ(contour[1]->balls().size(), 3u);
    EXPECT_EQ(contour[0]->rear_ball()->position(), Vector2(200, 500));
    EXPECT_EQ(contour[1]->front_ball()->position(), Vector2(600, 500));
    EXPECT_EQ(contour[0]->motion().acceleration, -SupplyBench::contour_acceleration);
    EXPECT_EQ(contour[1]->motion().acceleration, SupplyBench::contour_acceleration);
    const auto top = b.chains_on(b.first_branch());
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0]->balls().size(), 1u);
    EXPECT_EQ(top[0]->front_ball()->position(), Vector2(400, 500));
    for (std::int32_t c : b.supply_colors())
        EXPECT_NE(std::find(lead.begin(), lead.end(), c), lead.end()) << c;
    EXPECT_EQ(b.balls_in_supply(), 7);
}

TEST(SupplyFill, WithNoChainOnTheWaysTheSubLevelsColoursAreUsed) {
    SupplyBench b(3, 1, false);
    const auto colors = b.supply_colors();
    ASSERT_EQ(colors.size(), 7u);
    for (std::int32_t c : colors) EXPECT_TRUE(c == 4 || c == 7) << c;
}

TEST(SupplyFill, RestartFillsAgain) {
    SupplyBench b(2);
    b.game.restart();
    EXPECT_EQ(b.chains_on(b.contour()).size(), 2u);
    EXPECT_EQ(b.chains_on(b.first_branch()).size(), 1u);
    EXPECT_EQ(b.balls_in_supply(), 5);
}

// ---------------------------------------------------------------- in the game's step

TEST(SupplyScenario, TheLiftRefillsWhatWasTakenAway) {
    SupplyBench b(2);
    lg::Sequence* storage = b.chains_on(b.contour()).front();
    b.game.drop_sequence(storage);
    b.game.flush_removed();
    ASSERT_EQ(b.balls_in_supply(), 3);
    bool ordered = false;
    for (int i = 0; i < 600; ++i) {
        b.game.update(kStep);
        ordered = ordered || b.lift().is_busy();
        ASSERT_LE(b.balls_in_supply(), 5) << "step " << i;
    }
    EXPECT_TRUE(ordered);
    EXPECT_EQ(b.balls_in_supply(), 5);
    EXPECT_FALSE(b.lift().is_busy());
    // Every ball of the supply shows a colour that is on the way.
    std::vector<std::int32_t> on_way;
    for (auto* s : b.chains_on(b.way))
        for (const auto& ball : s->balls()) on_way.push_back(ball->color());
    for (std::int32_t c : b.supply_colors()) EXPECT_NE(std::find(on_way.begin(), on_way.end(), c), on_way.end());
}

TEST(SupplyScenario, WithoutAContourTheStepSuppliesNothing) {
    GameBench b;
    b.start_quiet();
    b.game.update(kStep);
    EXPECT_FALSE(b.game.lift_system().is_busy());
    EXPECT_EQ(b.rec.count(lg::action_consuming_balls), 0);
}
