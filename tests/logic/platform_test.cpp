#include <gtest/gtest.h>

#include "logic/Factories.h"
#include "logic/FindBalls.h"
#include "support/ShotHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

TEST(Platform, MovesWithinItsLimitsAndTheBallFollows) {
    ShotBench b;
    b.creator.extra = [](lg::GameSetup& setup) { setup.set_platform_line(500.0f, 100.0f, 900.0f); };
    b.begin();
    lg::Platform& p = b.platform();
    EXPECT_EQ(p.position(), Vector2(500, 500));
    EXPECT_EQ(p.draw_order(), 2000);
    auto ball = b.load(2);
    EXPECT_EQ(ball->position(), Vector2(500, 480));
    EXPECT_EQ(ball->draw_order(), 3000);
    struct {
        float to, x;
    } moves[] = {{-50.0f, 100.0f}, {100.0f, 100.0f}, {333.0f, 333.0f}, {900.0f, 900.0f}, {1e9f, 900.0f}};
    for (const auto& m : moves) {
        b.game.move_platform(m.to);
        EXPECT_EQ(p.position(), Vector2(m.x, 500)) << m.to;
        EXPECT_EQ(ball->position(), Vector2(m.x, 480)) << m.to;
    }
}

TEST(Platform, ContainsItsRectangleEdgesIncluded) {
    ShotBench b;
    b.begin();
    const lg::Platform& p = b.platform();  // at (500, 500), 150 x 40
    struct {
        Vector2 at;
        bool in;
    } cases[] = {
        {{425, 480}, true}, {{575, 520}, true}, {{500, 500}, true},
        {{424.9f, 500}, false}, {{575.1f, 500}, false}, {{500, 479.9f}, false}, {{500, 520.1f}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(p.contains(c.at), c.in) << c.at.x << "," << c.at.y;
}

TEST(Platform, ShotsKeepTheirInterval) {
    ShotBench b;
    b.begin();
    b.chain(b.way, {2, 2}, 900.0f);  // keeps colour 2 in play, away from the shots
    lg::BallFree* first = b.fire(300.0f, 2);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(b.rec.count(lg::action_shoot), 1);
    EXPECT_EQ(first->motion(), lg::Float3(600.0f, 600.0f, 0.0f));
    EXPECT_EQ(first->direction(), Vector2(0, -1));
    EXPECT_EQ(first->ball()->draw_order(), 1000);
    EXPECT_EQ(b.platform().ball(), nullptr);
    EXPECT_FLOAT_EQ(b.platform().next_shot_time(), 0.5f);

    b.run(15);  // 0.3 s
    b.load(2);
    b.game.shoot();
    EXPECT_EQ(b.rec.count(lg::action_shoot), 1) << "0.3 s after the first";
    EXPECT_NE(b.platform().ball(), nullptr);
    b.run(10);  // 0.5 s
    b.game.shoot();
    EXPECT_EQ(b.rec.count(lg::action_shoot), 2);
}

TEST(Platform, PlainShotRunsTheComboRule) {
    ShotBench b;
    b.begin();
    b.bonuses->counters.combo = 4;
    b.bonuses->counters.match = true;
    b.fire(300.0f, 2);
    EXPECT_EQ(b.bonuses->counters.combo, 4);
    EXPECT_FALSE(b.bonuses->counters.match);
    b.run(30);
    // A bomb is no plain ball: the combo survives it.
    b.load(0, lg::ball_bomb);
    b.game.shoot();
    EXPECT_EQ(b.rec.count(lg::action_shoot), 2);
    EXPECT_EQ(b.bonuses->counters.combo, 4);
    b.run(30);
    b.fire(600.0f, 2);
    EXPECT_EQ(b.bonuses->counters.combo, 0);
}

TEST(Platform, AimingHitNeedsATarget) {
    ShotBench b;
    b.begin();
    b.chain(b.way, {1, 2, 3}, 500.0f);  // x = 450 .. 500 on y = 100
    auto aim = b.load(0, lg::ball_aiming_hit);
    b.rec.cursor = Vector2(800, 100);
    b.game.shoot();
    EXPECT_EQ(b.platform().ball(), aim) << "nothing within 100 of the cursor";
    EXPECT_EQ(b.platform().next_shot_time(), 0.0f);
    EXPECT_EQ(b.rec.count(lg::action_aiming_hit), 0);

    b.rec.cursor = Vector2(560, 100);  // reaches 475 and 500
    b.game.shoot();
    EXPECT_EQ(b.platform().ball(), nullptr);
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{lg::action_aiming_hit, lg::action_points,
                                                                lg::action_consuming_balls}));
    EXPECT_EQ(b.colors_of(*b.live_chains().at(0)), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(aim->game(), nullptr);
    EXPECT_FLOAT_EQ(b.platform().next_shot_time(), 0.5f);
}

TEST(Platform, LightningTakesAStripAboveThePlatform) {
    ShotBench b;
    b.begin();
    b.chain(b.way, {1, 2, 3, 4, 5}, 500.0f);  // x = 400 .. 500
    auto bolt = b.load(0, lg::ball_lightning);
    b.game.move_platform(440.0f);  // strip [415, 465): the balls at 425 and 450
    b.game.shoot();
    EXPECT_EQ(b.rec.action_types(),
              (std::vector<std::int32_t>{lg::action_lightning, lg::action_points, lg::action_consuming_balls}));
    const auto* l = b.rec.last_payload<lg::GameActionLightning>(lg::action_lightning);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->position, Vector2(440, 480));
    std::vector<std::vector<std::int32_t>> left;
    for (auto* c : b.live_chains()) left.push_back(b.colors_of(*c));
    EXPECT_EQ(left, (std::vector<std::vector<std::int32_t>>{{1}, {4, 5}}));
    EXPECT_EQ(bolt->game(), nullptr);
}

TEST(Platform, SpecialBallsReplaceOrIntensify) {
    ShotBench b;
    b.begin();
    auto plain = b.load(2);
    b.platform().set_special(lg::ball_bomb);
    auto bomb = std::dynamic_pointer_cast<lg::BallBomb>(b.platform().ball());
    ASSERT_NE(bomb, nullptr);
    EXPECT_EQ(plain->game(), nullptr) << "the plain ball left the game";
    EXPECT_EQ(bomb->position(), Vector2(500, 480));
    EXPECT_EQ(bomb->draw_order(), 3000);
    b.rec.clear();
    b.platform().set_special(lg::ball_bomb);
    EXPECT_EQ(b.platform().ball(), bomb);
    EXPECT_TRUE(bomb->intensified());
    EXPECT_EQ(bomb->effect_size(), 200.0f);
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{lg::action_intensify}));
    b.platform().set_special(lg::ball_lightning);
    EXPECT_EQ(b.platform().ball()->kind(), lg::ball_lightning);
    EXPECT_EQ(bomb->game(), nullptr);
}

TEST(Platform, TakesNothingBeforeTheBlockTimeThenTheNearestBall) {
    ShotBench b;
    b.creator.params.time_block_shoot = 0.1f;
    b.begin();
    b.chain(b.way, {1, 2}, 500.0f);
    lg::Way* contour = b.game.contour().get();
    b.chain(contour, {1, 2}, 480.0f);  // x = 455 and 480 on the contour
    b.game.move_platform(600.0f);
    EXPECT_EQ(b.platform().ball_to_take(), nullptr);
    b.game.take_ball();
    EXPECT_EQ(b.platform().ball(), nullptr);
    b.run(6);
    ASSERT_NE(b.platform().ball(), nullptr) << "loaded by the step once the block time passed";
    EXPECT_EQ(b.platform().ball()->color(), 2) << "the nearest to x = 600";
    EXPECT_EQ(b.platform().ball()->draw_order(), 3000);
    EXPECT_EQ(b.platform().ball()->sequence(), nullptr);
    // A loaded ball is exchanged with the one the platform takes.
    lg::Ball* next = b.platform().ball_to_take();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->color(), 1);
    auto loaded = b.platform().ball();
    b.game.take_ball();
    EXPECT_EQ(b.platform().ball()->color(), 1);
    EXPECT_NE(loaded->sequence(), nullptr);
}

TEST(Platform, DropsItsBallOnceTheSubLevelIsNotPlayed) {
    ShotBench b;
    b.creator.mission_balls = 1;
    b.begin();
    b.chain(b.way, {2, 2}, 900.0f);
    auto ball = b.load(2);
    b.game.mission()->add_steps(1);  // complete: the game leaves state 0
    b.run(1);
    EXPECT_EQ(b.game.state(), lg::Game::complete);
    EXPECT_EQ(b.platform().ball(), ball) << "the platform steps before the completion check";
    b.run(1);
    EXPECT_EQ(b.platform().ball(), nullptr);
    EXPECT_EQ(ball->game(), nullptr);
    b.load(2);
    b.game.shoot();
    EXPECT_EQ(b.rec.count(lg::action_shoot), 0);
}

TEST(Platform, RestartAndClearTakeTheBall) {
    ShotBench b;
    b.begin();
    b.fire(300.0f, 2);
    auto ball = b.load(3);
    ASSERT_GT(b.platform().next_shot_time(), 0.0f);
    b.game.restart();
    EXPECT_EQ(b.platform().ball(), nullptr);
    EXPECT_EQ(b.platform().next_shot_time(), 0.0f);
    EXPECT_EQ(ball->game(), nullptr);
    EXPECT_TRUE(b.game.flying_balls().empty());
    auto again = b.load(3);
    b.game.clear();
    EXPECT_EQ(b.game.platform(), nullptr);
    EXPECT_EQ(again->game(), nullptr);
    b.game.shoot();  // no platform: nothing to do
}

TEST(Platform, StreamRoundTrip) {
    ASSERT_FALSE(lg::logic_factory_names().empty());
    ShotBench b;
    b.begin();
    auto ball = b.load(3);
    b.game.move_platform(321.0f);
    lg::Platform back;
    load_plain(save_plain(b.platform()), back);
    EXPECT_EQ(back.position(), Vector2(321, 500));
    EXPECT_EQ(back.limit_left(), 0.0f);
    EXPECT_EQ(back.limit_right(), 1000.0f);
    ASSERT_NE(back.ball(), nullptr);
    EXPECT_EQ(back.ball()->color(), 3);
    EXPECT_EQ(back.ball()->position(), Vector2(321, 480));
}
