#include <gtest/gtest.h>

#include <cmath>

#include "support/GameHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kDeg = kPi / 180.0f;

}  // namespace

TEST(Balls, ColoursMatch) {
    struct {
        int a, b;
        bool match;
    } cases[] = {{1, 1, true}, {1, 2, false}, {9, 2, true}, {2, 9, true}, {9, 9, true},
                 {0, 0, false}, {0, 9, false}, {9, 0, false}};
    for (const auto& c : cases) EXPECT_EQ(lg::colors_match(c.a, c.b), c.match) << c.a << " " << c.b;
}

TEST(Balls, TurningTowardThePath) {
    GameBench b;
    lg::Way* w = b.start_quiet();  // along +x: the way's direction is pi/2
    auto* s = b.chain(w, {1}, 300.0f);
    lg::Ball& ball = *s->front_ball();
    ASSERT_NEAR(w->direction(ball.segment()), kPi / 2, 1e-6f);

    // A turn of 100 degrees is refused: the ball rolls the other way and
    // turns 80 degrees instead.
    ball.set_direction(kPi / 2 - 100.0f * kDeg);
    EXPECT_TRUE(ball.turn_toward_path(10.0f));
    EXPECT_EQ(ball.roll_direction(), -1.0f);
    EXPECT_NEAR(ball.direction(), -kPi / 2, 1e-5f);

    // The step bounds each turn.
    ball.set_roll_direction(1.0f);
    ball.set_direction(kPi / 2 - 30.0f * kDeg);
    EXPECT_FALSE(ball.turn_toward_path(0.1f));
    EXPECT_NEAR(ball.direction(), kPi / 2 - 30.0f * kDeg + 0.1f, 1e-5f);
    EXPECT_EQ(ball.roll_direction(), 1.0f);
}

TEST(Balls, TurningAcrossPiTakesTheShortArc) {
    GameBench b;
    b.creator.ways = {way({{500, 0}, {500, -1000}})};  // along -y: direction pi
    b.creator.settings = {quiet_settings()};
    b.start();
    b.discard_chains();
    lg::Way* w = b.game.ways().front().get();
    auto* s = b.chain(w, {1}, 300.0f);
    lg::Ball& ball = *s->front_ball();
    ball.set_direction(-3.0f);
    EXPECT_FALSE(ball.turn_toward_path(0.05f));
    EXPECT_NEAR(ball.direction(), -3.05f, 1e-5f);
    EXPECT_TRUE(ball.turn_toward_path(1.0f));
    EXPECT_NEAR(std::fabs(ball.direction()), kPi, 1e-5f);
    EXPECT_EQ(ball.roll_direction(), 1.0f);
}

TEST(Balls, UpdateTakesTheSegmentOrderAndFinishesTurning) {
    GameBench b;
    lg::WayGeometry g = geometry({{0, 100}, {500, 100}, {1000, 100}});
    g.points[0].order = 4;
    g.points[1].order = 9;
    b.creator.ways = {way(g)};
    b.creator.settings = {quiet_settings()};
    b.start();
    b.discard_chains();
    lg::Way* w = b.game.ways().front().get();
    auto* s = b.chain(w, {1, 2}, 520.0f);
    s->front_ball()->set_turning(true);
    s->front_ball()->set_direction(kPi / 2 + 0.05f);
    s->front_ball()->update(0.2f);  // 0.02 rad
    EXPECT_TRUE(s->front_ball()->turning());
    EXPECT_NEAR(s->front_ball()->direction(), kPi / 2 + 0.03f, 1e-5f);
    s->front_ball()->update(1.0f);
    EXPECT_FALSE(s->front_ball()->turning());
    EXPECT_EQ(s->front_ball()->draw_order(), 9);
    s->rear_ball()->update(0.0f);
    EXPECT_EQ(s->rear_ball()->draw_order(), 4);
}

TEST(Balls, MovingAcrossAJumpReportsItAndSnapsTheHeading) {
    GameBench b;
    lg::WayGeometry g = geometry({{0, 100}, {100, 100}, {100, 300}, {600, 300}});
    g.points[1].link = 3;
    b.creator.ways = {way(g)};
    b.creator.settings = {quiet_settings()};
    b.start();
    b.discard_chains();
    lg::Way* w = b.game.ways().front().get();
    auto* s = b.chain(w, {1}, 90.0f);
    auto flying = std::make_shared<TestFlying>();
    flying->owner = &b.game;
    b.game.add_flying_ball(flying);
    s->replace_with_placeholder(*s->front_ball(), flying);
    lg::Ball& ball = *s->front_ball();
    const float spin = ball.rotation();
    ball.move_along(20.0f);
    EXPECT_EQ(b.rec.count(lg::action_teleportation), 1);
    EXPECT_EQ(b.rec.last_payload<lg::GameActionTeleportation>(19)->link, 3);
    EXPECT_NEAR(ball.position().x, 110.0f, 1e-3f);
    EXPECT_NEAR(ball.position().y, 300.0f, 1e-3f);
    EXPECT_NEAR(ball.direction(), w->direction(ball.segment()), 1e-6f);
    EXPECT_NEAR(ball.rotation(), spin + 20.0f / 12.5f, 1e-5f);
    EXPECT_EQ(flying->connections, 1) << "the placeholder hands its place over at once";
    ball.move_along(20.0f);
    EXPECT_EQ(b.rec.count(lg::action_teleportation), 1);
}

TEST(Balls, ContactOfABallOffTheWayNeedsAnOpenSegment) {
    for (bool open : {false, true}) {
        GameBench b;
        lg::WayGeometry g = geometry({{0, 100}, {1000, 100}});
        g.points[0].open = open;
        b.creator.ways = {way(g)};
        b.creator.settings = {quiet_settings()};
        b.start();
        b.discard_chains();
        auto* s = b.chain(b.game.ways().front().get(), {1, 2}, 300.0f);
        lg::Ball loose(Vector2(310.0f, 100.0f), 1000, {0, 3});
        EXPECT_FLOAT_EQ(lg::flying_contact(loose, *s->front_ball()), open ? 15.0f : 0.0f);
        EXPECT_FLOAT_EQ(lg::flying_contact(*s->front_ball(), loose), open ? 15.0f : 0.0f);
        EXPECT_FLOAT_EQ(lg::flying_contact(*s->rear_ball(), *s->front_ball()), 0.0f);
        lg::Ball far(Vector2(360.0f, 100.0f), 1000, {0, 3});
        EXPECT_FLOAT_EQ(lg::flying_contact(far, *s->front_ball()), 0.0f);
    }
}

TEST(Balls, IntensifyingSpecialBalls) {
    GameBench b;
    b.start_quiet();
    auto bomb = std::make_shared<lg::BallBomb>(3000);
    b.game.on_object_added(bomb);
    EXPECT_EQ(bomb->kind(), lg::ball_bomb);
    EXPECT_EQ(bomb->color(), 0);
    EXPECT_EQ(bomb->effect_size(), 100.0f);
    EXPECT_TRUE(lg::intensify(*bomb));
    EXPECT_FALSE(lg::intensify(*bomb));
    EXPECT_EQ(bomb->effect_size(), 200.0f);
    EXPECT_TRUE(bomb->intensified());
    EXPECT_EQ(b.rec.trace(), "+o1 ~o1 a7");
    EXPECT_EQ(b.rec.last_payload<lg::GameActionIntensify>(7)->position, bomb->position());

    auto aiming = std::make_shared<lg::BallAimingHit>();
    EXPECT_EQ(aiming->effect_size(), 100.0f);
    EXPECT_TRUE(lg::intensify(*aiming));
    EXPECT_EQ(aiming->effect_size(), 200.0f);
    EXPECT_FALSE(lg::intensify(*aiming));

    lg::BallLightning lightning;
    EXPECT_EQ(lightning.effect_size(), 50.0f);
    EXPECT_TRUE(lg::intensify(lightning));
    EXPECT_EQ(lightning.effect_size(), 100.0f);

}

TEST(Balls, ABombConsumesTheBallsInItsReach) {
    GameBench b;
    lg::Way* w = b.start_quiet(2000.0f);
    auto* s = b.chain(w, {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4}, 600.0f);  // rear ball at 325
    auto bomb = std::make_shared<lg::BallBomb>(3000);
    bomb->set_position(Vector2(450.0f, 100.0f));
    b.game.on_object_added(bomb);
    b.rec.clear();
    bomb->explode();
    const auto types = b.rec.action_types();
    ASSERT_FALSE(types.empty());
    EXPECT_EQ(types.front(), lg::action_explosion);
    EXPECT_EQ(b.rec.last_payload<lg::GameActionExplosion>(lg::action_explosion)->intensive, 0);
    // Balls at 350..550 lie within 100 of x = 450: nine of them go.
    EXPECT_EQ(b.colors_of(*s), (std::vector<std::int32_t>{1}));
    auto chains = b.live_chains();
    ASSERT_FALSE(chains.empty());
    EXPECT_EQ(b.colors_of(*chains.back()), (std::vector<std::int32_t>{3, 4}));
}

TEST(Balls, ClonesKeepKindAndColour) {
    lg::Ball plain(Vector2(1, 2), 7, {0, 4});
    auto copy = std::dynamic_pointer_cast<lg::Ball>(plain.clone());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->color(), 4);
    EXPECT_EQ(copy->draw_order(), 7);
    lg::BallBomb bomb;
    EXPECT_TRUE(std::dynamic_pointer_cast<lg::BallBomb>(bomb.clone()));
    lg::Ball factory_form;
    EXPECT_EQ(factory_form.kind(), -1);
    EXPECT_EQ(factory_form.color(), -1);
    EXPECT_EQ(factory_form.roll_direction(), 0.0f);
}
