#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "logic/Factories.h"
#include "logic/FindBalls.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/SharedRefs.h"
#include "support/ShotHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

// A bench whose platform never loads by itself, so that landed balls stay
// where they land.
struct QuietShots : ShotBench {
    QuietShots() { creator.params.time_block_shoot = 1e6f; }
};

// A ball in flight made by hand at p.
lg::BallFree* launch(ShotBench& b, Vector2 p, std::int32_t color, Vector2 dir = {0, -1}, float speed = 600.0f) {
    auto ball = std::make_shared<lg::Ball>(p, 0, lg::BallKind{lg::ball_plain, color});
    b.game.on_object_added(ball);
    auto f = std::make_shared<lg::BallFree>(&b.game, ball, lg::Float3(speed, speed, 0.0f), dir, true, 0,
                                            std::weak_ptr<lg::ZelkorRegion>(), std::weak_ptr<lg::ZelkorRegion>());
    b.game.add_flying_ball(f);
    return f.get();
}

std::vector<lg::Sequence*> chains_on(const ShotBench& b, const lg::Way* w) {
    std::vector<lg::Sequence*> out;
    for (auto* s : b.live_chains())
        if (s->way() == w) out.push_back(s);
    return out;
}

// The colours of the chains a test laid on the way; a creature the game
// released there (once few balls were left) is not one of them.
std::vector<std::vector<std::int32_t>> colours_on(const ShotBench& b, const lg::Way* w) {
    std::vector<std::vector<std::int32_t>> out;
    for (auto* s : chains_on(b, w))
        if (!s->tail() && !s->head()) out.push_back(b.colors_of(*s));
    return out;
}

// Whether the actions contain these types one right after the other.
bool has_run(const std::vector<std::int32_t>& types, const std::vector<std::int32_t>& run) {
    return std::search(types.begin(), types.end(), run.begin(), run.end()) != types.end();
}

bool finite(const Vector2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

bool has_placeholder(const ShotBench& b) {
    for (auto* s : b.live_chains())
        for (const auto& ball : s->balls())
            if (dynamic_cast<lg::BallEmpty*>(ball.get())) return true;
    return false;
}

void set_consume_when_collide(bool on) {
    auto& registry = orvek::ostrel::ConfigRegistry::instance();
    registry.set_bool("ball_free/@consume_when_collide", on);
    registry.update_values();
}

}  // namespace

// ---------------------------------------------------------------- flight and landing

TEST(BallFreeFlight, LandsWhereTheShotCrossesTheContour) {
    struct {
        float x;
        float acceleration;  // toward the nearer end; the middle counts as the second half
    } cases[] = {{300.0f, -50.0f}, {500.0f, 50.0f}, {700.0f, 50.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        QuietShots b;
        b.begin();
        b.chain(b.way, {2, 2}, 1000.0f);  // keeps colour 2 in play, out of the shot's way
        lg::BallFree* shot = b.fire(c.x, 2);
        ASSERT_NE(shot, nullptr);
        EXPECT_EQ(shot->landing().point, Vector2(c.x, ShotBench::contour_y));
        const auto ball = shot->ball();
        b.settle();
        const auto on_contour = chains_on(b, b.game.contour().get());
        ASSERT_EQ(on_contour.size(), 1u);
        const lg::Sequence& s = *on_contour[0];
        ASSERT_EQ(s.balls().size(), 1u);
        EXPECT_EQ(s.front_ball(), ball.get());
        EXPECT_EQ(ball->position(), Vector2(c.x, ShotBench::contour_y));
        EXPECT_EQ(ball->segment(), c.x <= 500.0f ? 0 : 1);
        EXPECT_TRUE(ball->turning());
        EXPECT_EQ(ball->game(), &b.game);
        EXPECT_EQ(s.motion(), lg::Float3(0.0f, 100.0f, c.acceleration));
        EXPECT_TRUE(b.game.flying_balls().empty());
    }
}

TEST(BallFreeFlight, TurnsTowardTheBetterEndWhenTheRayMissesTheContour) {
    QuietShots b;
    b.begin();
    struct {
        Vector2 from;
        bool to_last;
    } cases[] = {
        {{1200, 480}, true},   // right of the contour: its last point lies more ahead
        {{-300, 480}, false},  // left of it: the first
        {{500, -100}, false},  // above its middle, both ends alike: the first wins
    };
    for (const auto& c : cases) {
        lg::BallFree* f = launch(b, c.from, 2);
        const lg::WayPosition end =
            c.to_last ? b.game.contour()->last_position() : b.game.contour()->first_position();
        EXPECT_EQ(f->landing(), end) << c.from.x;
        const Vector2 expected = lg::normalize(end.point - c.from);
        EXPECT_NEAR(f->direction().x, expected.x, 1e-6f);
        EXPECT_NEAR(f->direction().y, expected.y, 1e-6f);
    }
}

TEST(BallFreeFlight, LandsInTheStepThatWouldPassTheLandingPoint) {
    // 20 units short: about 12 covered in a 0.02 s step, and the next step
    // would pass the point, so it lands now. 35 short: it flies on.
    for (float gap : {20.0f, 35.0f}) {
        QuietShots b;
        b.begin();
        b.chain(b.way, {2}, 1000.0f);
        lg::BallFree* f = launch(b, Vector2(300, ShotBench::contour_y + gap), 2);
        b.run(1);
        EXPECT_EQ(b.game.flying_balls().empty(), gap == 20.0f) << gap;
        EXPECT_EQ(chains_on(b, b.game.contour().get()).size(), gap == 20.0f ? 1u : 0u);
        (void)f;
    }
}

TEST(BallFreeFlight, ABombExplodesAtItsLandingPoint) {
    QuietShots b;
    b.begin();
    b.chain(b.way, {3}, 1000.0f);
    // Two contour balls near the landing point, clear of the bomb's path.
    b.chain(b.game.contour().get(), {3, 3}, 375.0f);
    b.game.move_platform(300.0f);
    auto bomb = b.load(0, lg::ball_bomb);
    b.game.shoot();
    b.settle();
    const auto types = b.rec.action_types();
    EXPECT_EQ(std::count(types.begin(), types.end(), lg::action_explosion), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), lg::action_flying_ball_hit), 0);
    EXPECT_TRUE(chains_on(b, b.game.contour().get()).empty()) << "both contour balls went, and no bomb chain";
    EXPECT_EQ(bomb->game(), nullptr);
    EXPECT_EQ(bomb->sequence(), nullptr);
    EXPECT_EQ(b.rec.last_payload<lg::GameActionExplosion>(lg::action_explosion)->position, bomb->position());
}

TEST(BallFreeFlight, StreamVersions) {
    ASSERT_FALSE(lg::logic_factory_names().empty());
    // The current version round trip.
    {
        QuietShots b;
        b.begin();
        lg::Sequence* s = b.chain(b.way, {1, 2}, 500.0f);
        lg::BallFree* f = launch(b, Vector2(300, 400), 4, Vector2(0, -1), 250.0f);
        f->set_excluded({s->balls().front(), s->balls().back()});
        lg::BallFree back;
        load_plain(save_plain(*f), back);
        EXPECT_EQ(back.game(), nullptr);
        ASSERT_NE(back.ball(), nullptr);
        EXPECT_EQ(back.ball()->color(), 4);
        EXPECT_EQ(back.motion(), f->motion());
        EXPECT_EQ(back.direction(), f->direction());
        EXPECT_EQ(back.landing(), f->landing());
        EXPECT_TRUE(back.can_hit());
        EXPECT_EQ(back.excluded().size(), 2u);
        // Attached to a game again, its ball is shown again.
        b.rec.clear();
        back.attach_to_game(&b.game);
        EXPECT_EQ(back.game(), &b.game);
        EXPECT_EQ(back.ball()->game(), &b.game);
        ASSERT_EQ(b.rec.events().size(), 1u);
        EXPECT_EQ(b.rec.events()[0].object, back.ball().get());
    }
    // Older versions read without the later fields.
    for (int v = 0; v <= 4; ++v) {
        SCOPED_TRACE(v);
        std::stringbuf buf;
        {
            orvek::io::OStream out(&buf);
            out.flags(out.flags() | orvek::io::Stream::no_header);
            const std::shared_ptr<lg::Ball> none;
            out << std::uint8_t(v);
            orvek::io::save_shared(out, none);
            out << 1.0f << 2.0f << 3.0f;
            out.write_point(Vector2(0, -1));
            out << std::uint8_t(1) << std::uint8_t(0) << std::uint8_t(0);
            out << std::int32_t(1);
            out.write_point(Vector2(5, 6));
            out << std::uint32_t(0);
            orvek::io::save_shared(out, std::shared_ptr<lg::BallEmpty>());
            out.write_point(Vector2());
            orvek::io::save_shared(out, none);
            orvek::io::save_shared(out, none);
            if (v >= 3) out.write_point(Vector2(7, 8));
            out << std::uint32_t(0);
            orvek::io::save_shared(out, none);
            out.write_point(Vector2());
            out << std::uint32_t(0);
            if (v >= 1) out << std::uint32_t(5);
            if (v >= 2) {
                orvek::io::save_shared(out, std::shared_ptr<lg::ZelkorRegion>());
                orvek::io::save_shared(out, std::shared_ptr<lg::ZelkorRegion>());
            }
            if (v >= 4) out << 0.25f;
            out << std::uint8_t(0xAB);  // what follows the ball in flight
        }
        lg::BallFree back;
        orvek::io::IStream in(&buf);
        in.flags(in.flags() | orvek::io::Stream::no_header);
        back.load(in);
        std::uint8_t after = 0;
        in >> after;
        ASSERT_TRUE(in.good());
        EXPECT_EQ(after, 0xAB) << "read exactly the fields of its version";
        EXPECT_EQ(back.motion(), lg::Float3(1, 2, 3));
        EXPECT_EQ(back.landing(), lg::WayPosition(1, Vector2(5, 6)));
        EXPECT_EQ(back.indirect(), v >= 1 ? 5u : 0u);
        EXPECT_EQ(back.anchor_last_position(), v >= 3 ? Vector2(7, 8) : Vector2());
        EXPECT_EQ(back.turn_rest(), v >= 4 ? 0.25f : 0.0f);
        EXPECT_TRUE(back.head().expired());
    }
}

// ---------------------------------------------------------------- hits

TEST(BallFreeHits, TouchOutcomes) {
    struct {
        const char* what;
        std::vector<std::int32_t> chain;  // front ball at x = 500
        float x;                          // the touched ball's x
        std::int32_t shot;
        bool consume_when_collide;
        bool consumes;
        std::vector<std::vector<std::int32_t>> after;  // the chains once all has settled
        std::vector<std::int32_t> actions;             // from the touch on, when it consumes
    } cases[] = {
        // Red majority: the consume_red medal (its norms are all 0 here) comes first.
        {"red with one more red ahead", {3, 1, 1, 2}, 450.0f, 1, true, true, {{3}, {2}}, {8, 20, 0, 1}},
        {"the same, consume-when-collide off", {3, 1, 1, 2}, 450.0f, 1, false, false, {{3, 1, 1, 2}}, {}},
        {"a lone red", {3, 1, 2}, 475.0f, 1, true, false, {{3, 1, 2}}, {}},
        // Knocked out; in the gap the wild ball then bridges 3 and 2.
        {"a wild shot on a lone ball", {3, 1, 2}, 475.0f, 9, true, false, {}, {}},
        // The wild extension takes the 3 behind the pair as well.
        {"a wild shot on a pair", {3, 1, 1, 2}, 450.0f, 9, true, true, {{2}}, {8, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        set_consume_when_collide(c.consume_when_collide);
        QuietShots b;
        b.begin();
        lg::Sequence* s = b.chain(b.way, c.chain, 500.0f);
        std::shared_ptr<lg::Ball> touched;
        for (const auto& ball : s->balls())
            if (std::fabs(ball->position().x - c.x) < 0.01f) touched = ball;
        ASSERT_NE(touched, nullptr);
        lg::BallFree* shot = b.fire(c.x, c.shot);
        ASSERT_NE(shot, nullptr);
        const auto shot_ball = shot->ball();
        for (int i = 0; i < 100 && b.rec.count(lg::action_flying_ball_hit) == 0; ++i) b.run(1);
        set_consume_when_collide(true);

        EXPECT_EQ(b.rec.count(lg::action_flying_ball_hit), 1);
        if (c.consumes) {
            EXPECT_TRUE(has_run(b.rec.action_types(), c.actions));
            const auto* consumed = b.rec.last_payload<lg::GameActionConsumingBalls>(lg::action_consuming_balls);
            ASSERT_NE(consumed, nullptr);
            EXPECT_EQ(consumed->balls.back(), shot_ball) << "the shot goes with the run";
            EXPECT_EQ(b.game.flying_ball_ref(shot), nullptr);
            b.settle();
            EXPECT_EQ(colours_on(b, b.way), c.after);
            continue;
        }
        // Knocked out: a placeholder keeps the place, the touched ball flies
        // on with the shot's motion, and the shot flies into the gap.
        EXPECT_TRUE(shot->connecting());
        // Connecting at 300, less this step's friction.
        EXPECT_EQ(shot->motion().max_speed, 300.0f);
        EXPECT_EQ(shot->motion().acceleration, 0.0f);
        EXPECT_NEAR(shot->motion().speed, 300.0f - 130.0f * 0.02f, 1e-3f);
        ASSERT_NE(shot->slot(), nullptr);
        EXPECT_EQ(shot->slot()->sequence(), s);
        EXPECT_EQ(shot->slot()->flying().get(), shot);
        EXPECT_EQ(touched->sequence(), nullptr);
        const auto flying = b.flying();
        ASSERT_EQ(flying.size(), 2u);
        lg::BallFree* knocked = flying[1];
        EXPECT_EQ(knocked->ball(), touched);
        EXPECT_EQ(knocked->indirect(), 1u);
        EXPECT_EQ(knocked->ball()->draw_order(), 1000);
        EXPECT_EQ(knocked->excluded().size(), 3u);
        EXPECT_EQ(knocked->excluded().back().lock(), shot_ball);
        // Everything settles: the shot takes the gap, the knocked ball lands.
        b.settle();
        EXPECT_FALSE(has_placeholder(b));
        EXPECT_EQ(colours_on(b, b.way), c.after);
        EXPECT_EQ(shot_ball->sequence(), c.after.empty() ? nullptr : s);
        EXPECT_EQ(touched->way(), b.game.contour().get());
    }
}

TEST(BallFreeHits, ABombThatTouchesAChainExplodes) {
    QuietShots b;
    b.begin();
    b.chain(b.way, {3, 3, 3, 3, 3, 3, 3, 3, 3}, 900.0f);  // 700 .. 900
    b.chain(b.way, {2, 2}, 500.0f);
    b.game.move_platform(500.0f);
    auto bomb = b.load(0, lg::ball_bomb);
    b.game.shoot();
    b.settle();
    EXPECT_EQ(b.rec.count(lg::action_explosion), 1);
    EXPECT_EQ(b.rec.count(lg::action_flying_ball_hit), 0);
    // At the touch, just below the chain, not up at the contour.
    const auto* boom = b.rec.last_payload<lg::GameActionExplosion>(lg::action_explosion);
    ASSERT_NE(boom, nullptr);
    EXPECT_GT(boom->position.y, ShotBench::way_y);
    EXPECT_LT(boom->position.y, ShotBench::way_y + 25.0f);
    EXPECT_EQ(colours_on(b, b.way), (std::vector<std::vector<std::int32_t>>{{3, 3, 3, 3, 3, 3, 3, 3, 3}}));
    EXPECT_EQ(bomb->game(), nullptr);
    EXPECT_TRUE(chains_on(b, b.game.contour().get()).empty());
}

TEST(BallFreeHits, AKnockedBallCountsAKnockOnItsCreature) {
    QuietShots b;
    norm(b, "knock_zelkor_red", "1;2;3");
    b.creator.settings[0].speed_forward = {0.0f, 0.0f, 0.0f};  // the creature stands still
    b.begin();
    lg::Sequence* s = b.creature(b.way, {2, 1, 2, 2}, 500.0f, true, true);  // 425 .. 500
    b.fire(450.0f, 5);
    b.settle();
    ASSERT_EQ(b.game.medals_stats().knocked.size(), 1u);
    const auto& entry = b.game.medals_stats().knocked[0];
    EXPECT_EQ(entry.head.lock(), s->head());
    EXPECT_EQ(entry.tail.lock(), s->tail());
    EXPECT_EQ(entry.red, 1u);
    const auto* medal = b.rec.last_payload<lg::GameActionMedal>(lg::action_medal);
    ASSERT_NE(medal, nullptr);
    EXPECT_EQ(medal->award, lg::MedalAward(lg::medal_knock_zelkor_red, 0));
    EXPECT_EQ(b.colors_of(*s), (std::vector<std::int32_t>{2, 5, 2, 2}));
}

TEST(BallFreeHits, TheDeepestTouchWinsAndLaterOffersWinTies) {
    struct {
        Vector2 shot_at;
        std::vector<int> offered;  // indices into the chain, in order
        int knocked;
    } cases[] = {
        {{460, 110}, {0, 1}, 0},      // nearer to the ball at 450
        {{460, 110}, {1, 0}, 0},
        {{462.5f, 110}, {0, 1}, 1},   // equally deep: the later offer
        {{462.5f, 110}, {1, 0}, 0},
    };
    for (const auto& c : cases) {
        QuietShots b;
        b.begin();
        lg::Sequence* s = b.chain(b.way, {1, 2, 3}, 500.0f);  // 450, 475, 500
        std::vector<std::shared_ptr<lg::Ball>> balls(s->balls().begin(), s->balls().end());
        lg::BallFree* f = launch(b, c.shot_at, 5);
        for (int i : c.offered) f->add_candidate(balls[std::size_t(i)]);
        f->resolve_hits();
        EXPECT_TRUE(f->candidates().empty());
        EXPECT_TRUE(f->connecting());
        EXPECT_EQ(balls[std::size_t(c.knocked)]->sequence(), nullptr) << c.shot_at.x;
        EXPECT_EQ(b.flying().back()->ball(), balls[std::size_t(c.knocked)]);
    }
}

TEST(BallFreeHits, WhatIsNeverACandidateAndUnknownWays) {
    QuietShots b;
    b.begin();
    lg::Sequence* s = b.chain(b.way, {1, 0, 3}, 500.0f);
    lg::BallFree* f = launch(b, Vector2(475, 110), 5);
    f->add_candidate(*s->neighbour(*s->front_ball(), -1));  // colour 0
    EXPECT_TRUE(f->candidates().empty());
    f->set_excluded({s->balls().front()});
    f->add_candidate(s->balls().front());
    EXPECT_TRUE(f->candidates().empty());

    // A chain on a way the game does not know: the touch is forgotten and
    // the ball flies on.
    auto stray = open_way(0.0f, 1000.0f, 300.0f);
    auto t = std::make_shared<lg::Sequence>(&b.game, stray.get(), lg::Float3());
    b.game.insert_sequence(t);
    t->fill(1, 1, at_length(*stray, 300.0f), -1, [] { return 5; }, false);
    lg::BallFree* g = launch(b, Vector2(300, 310), 5);
    g->add_candidate(t->balls().front());
    ASSERT_EQ(g->candidates().size(), 1u);
    b.rec.clear();
    g->resolve_hits();
    EXPECT_TRUE(g->candidates().empty());
    EXPECT_FALSE(g->connecting());
    EXPECT_FALSE(g->on_contour());
    EXPECT_EQ(t->balls().size(), 1u);
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{lg::action_flying_ball_hit}));
}

TEST(BallFreeHits, KnockDirectionTable) {
    const float R = 20.0f;
    const Vector2 o(0, 0);
    struct {
        const char* what;
        Vector2 k;
        std::optional<Vector2> q1, q2;
        Vector2 expected;
    } cases[] = {
        {"no neighbours", {0, -1}, {}, {}, {0, -1}},
        {"a neighbour behind does not block", {0, -1}, Vector2(0, 25), {}, {0, -1}},
        // k runs into the neighbour ahead; the grazing lines of the two
        // neighbours are 0.6 off k, and an exact graze is not blocked.
        {"both sides, k blocked", {1, 0}, Vector2(-25, 0), Vector2(25, 0), {0.6f, 0.8f}},
        {"a neighbour within the clearance", {1, 0}, Vector2(10, 0), Vector2(-25, 0), {1, 0}},
        {"a neighbour on the centre", {1, 0}, Vector2(0, 0), {}, {1, 0}},
        {"a neighbour exactly at the clearance", {0, 1}, Vector2(20, 0), {}, {0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Vector2 d = lg::choose_knock_direction(c.k, o, c.q1, c.q2, R);
        ASSERT_TRUE(finite(d));
        EXPECT_NEAR(d.x, c.expected.x, 1e-4f);
        EXPECT_NEAR(d.y, c.expected.y, 1e-4f);
        EXPECT_NEAR(d.length(), 1.0f, 1e-5f);
    }
}

TEST(BallFreeHits, SniperShotIntoTheGap) {
    // The limit of the chain's way is 0 in the second round: the turning
    // speed must stay finite.
    for (float limit : {50.0f, 0.0f}) {
        SCOPED_TRACE(limit);
        QuietShots b;
        b.creator.settings[0].speed_forward.max_speed = limit;
        b.begin();
        lg::Sequence* s = b.chain(b.way, {4, 1, 2, 1, 4}, 500.0f);  // 400 .. 500
        lg::BallFree* shot = b.fire(450.0f, 1);                       // knocks the 2 out
        ASSERT_NE(shot, nullptr);
        const auto shot_ball = shot->ball();
        for (int i = 0; i < 300 && !b.flying().empty(); ++i) {
            b.run(1);
            for (auto* f : b.flying()) {
                if (f->ball()) {
                    ASSERT_TRUE(finite(f->ball()->position()));
                }
            }
        }
        EXPECT_TRUE(b.flying().empty());
        const auto* p = b.rec.last_payload<lg::GameActionPoints>(lg::action_points);
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(p->sniper_shot());
        // The consume impulse (30) leaves the chain faster than a limit of 0:
        // a high-speed shot then.
        EXPECT_EQ(p->points, limit > 0.0f ? 300 : 360);
        EXPECT_EQ(b.bonuses->jewels.size(), 1u);
        EXPECT_EQ(shot_ball->game(), nullptr) << "consumed with its run";
        EXPECT_EQ(colours_on(b, b.way), (std::vector<std::vector<std::int32_t>>{{4}, {4}}));
        EXPECT_EQ(b.colors_of(*s), (std::vector<std::int32_t>{4}));
    }
}

TEST(BallFreeHits, APlaceholderCrossingAJumpCompletesTheConnection) {
    QuietShots b;
    lg::WayGeometry g;
    for (float x : {0.0f, 400.0f, 600.0f, 1000.0f}) g.points.emplace_back(x, 100.0f, 0, true);
    g.points[1].link = 7;
    g.marks[lg::WayGeometry::start_mark] = lg::WayPosition(0, g.points.front().pos());
    g.marks[lg::WayGeometry::finish_mark] = lg::WayPosition(2, g.points.back().pos());
    b.creator.ways = {way(g)};
    b.begin();
    lg::Sequence* s = b.chain(b.way, {1, 2, 3}, 395.0f);  // 345, 370, 395
    // A crawling connection: the shot cannot reach the gap by itself.
    auto& registry = orvek::ostrel::ConfigRegistry::instance();
    registry.set_float("ball_free/@connection_speed", 1.0f);
    registry.update_values();
    lg::BallFree* shot = b.fire(395.0f, 5);
    ASSERT_NE(shot, nullptr);
    const auto shot_ball = shot->ball();
    for (int i = 0; i < 100 && !shot->connecting(); ++i) b.run(1);
    registry.set_float("ball_free/@connection_speed", 300.0f);
    registry.update_values();
    ASSERT_TRUE(shot->connecting());
    ASSERT_GT(distance(shot_ball->position(), shot->slot()->position()), 5.0f) << "far from the gap yet";
    // The chain jumps forward past the link in the next step.
    s->motion().speed = 800.0f;
    b.run(1);
    EXPECT_GE(b.rec.count(lg::action_teleportation), 1);
    EXPECT_EQ(shot_ball->sequence(), s);
    EXPECT_EQ(b.colors_of(*s), (std::vector<std::int32_t>{1, 2, 5}));
    EXPECT_GE(shot_ball->position().x, 600.0f);
    EXPECT_TRUE(shot_ball->turning());
    EXPECT_FALSE(has_placeholder(b));
}

TEST(BallFreeHits, DestroyingAConnectingBallTakesItsPlaceholderOut) {
    QuietShots b;
    b.begin();
    lg::Sequence* s = b.chain(b.way, {1, 2, 3}, 500.0f);
    lg::BallFree* shot = b.fire(475.0f, 5);
    for (int i = 0; i < 100 && !shot->connecting(); ++i) b.run(1);
    ASSERT_TRUE(shot->connecting());
    std::weak_ptr<lg::BallEmpty> placeholder = shot->slot();
    const auto shot_ball = shot->ball();
    // An area effect takes the shot out while it is still connecting.
    lg::FindBallsInCircle_WithOutEntryWay here(&b.game, shot_ball->position(), 1.0f);
    here.collect();
    here.consume_found();
    b.game.flush_removed();
    EXPECT_TRUE(placeholder.expired());
    EXPECT_FALSE(has_placeholder(b));
    EXPECT_EQ(shot_ball->game(), nullptr);
    std::vector<std::vector<std::int32_t>> left;
    for (auto* c : chains_on(b, b.way)) left.push_back(b.colors_of(*c));
    EXPECT_EQ(left, (std::vector<std::vector<std::int32_t>>{{1}, {3}}));
    b.run(5);
    (void)s;
}

TEST(BallFreeHits, ClingsToAContourChainAndJoinsIt) {
    QuietShots b;
    b.begin();
    b.chain(b.way, {2, 3}, 1000.0f);
    lg::Sequence* c = b.chain(b.game.contour().get(), {2, 2}, 500.0f);  // 475 and 500 on y = 20
    lg::BallFree* shot = b.fire(470.0f, 3);
    const auto shot_ball = shot->ball();
    bool clung = false;
    for (int i = 0; i < 300 && !b.flying().empty(); ++i) {
        b.run(1);
        if (!b.flying().empty() && shot->on_contour()) clung = true;
        ASSERT_TRUE(finite(shot_ball->position()));
    }
    EXPECT_TRUE(clung);
    EXPECT_TRUE(b.flying().empty());
    EXPECT_EQ(b.rec.count(lg::action_flying_ball_hit), 1);
    EXPECT_EQ(b.colors_of(*c), (std::vector<std::int32_t>{3, 2, 2})) << "joined at the end next to the touch";
    EXPECT_EQ(shot_ball->sequence(), c);
    EXPECT_NEAR(distance(shot_ball->position(), c->balls().front()->position()), 0.0f, 1e-3f);
    EXPECT_NEAR(shot_ball->position().x, 475.0f - 25.1f, 0.05f);
}

TEST(BallFreeHits, NoFreePlaceOnTheContourKeepsTheBallClinging) {
    QuietShots b;
    // A contour too short for a neighbour on either side of its ball.
    b.creator.contour = open_way(440.0f, 470.0f, ShotBench::contour_y, 1);
    b.begin();
    b.chain(b.way, {2, 3}, 1000.0f);
    lg::Sequence* c = b.chain(b.game.contour().get(), {2}, 15.0f);  // x = 455
    lg::BallFree* shot = b.fire(455.0f, 3);
    const auto shot_ball = shot->ball();
    for (int i = 0; i < 100; ++i) {
        b.run(1);
        ASSERT_TRUE(finite(shot_ball->position()));
    }
    EXPECT_TRUE(shot->on_contour());
    EXPECT_FALSE(b.game.is_flying_ball_dropped(shot));
    EXPECT_EQ(c->balls().size(), 1u);
    EXPECT_LT(distance(shot_ball->position(), c->front_ball()->position()), 25.0f) << "still touching";
}

// ---------------------------------------------------------------- a scripted round

TEST(ShotScenario, ConsumeKnockLandAndReload) {
    ShotBench b;  // the platform loads from the contour as soon as it is empty
    b.begin(5);
    b.chain(b.way, {4, 1, 1, 3, 4, 3}, 500.0f);  // 375 .. 500

    // t = 0: red at the red pair (x = 400, 425): a run of three, 300 points.
    b.fire(400.0f, 1);
    b.settle();
    EXPECT_EQ(b.game.points(), 300);
    EXPECT_TRUE(has_run(b.rec.action_types(), {lg::action_flying_ball_hit, lg::action_medal, lg::action_points,
                                                lg::action_consuming_balls}));
    EXPECT_EQ(colours_on(b, b.way), (std::vector<std::vector<std::int32_t>>{{4}, {3, 4, 3}}));
    EXPECT_EQ(b.platform().ball(), nullptr) << "nothing on the contour to load yet";

    // Later, a 5 at the 4 between the 3s: knocked out, it lands on the
    // contour; the shot fills the gap (3 5 3: no run).
    b.run(30);
    ASSERT_GE(b.game.time(), 0.5f);
    b.rec.clear();
    lg::BallFree* shot = b.fire(475.0f, 5);
    const auto shot_ball = shot->ball();
    b.settle(400);
    EXPECT_FALSE(has_placeholder(b));
    EXPECT_EQ(colours_on(b, b.way), (std::vector<std::vector<std::int32_t>>{{4}, {3, 5, 3}}));
    EXPECT_EQ(shot_ball->way(), b.way);
    EXPECT_EQ(b.game.points(), 300) << "no run for the second shot";
    const auto types = b.rec.action_types();
    EXPECT_EQ(std::count(types.begin(), types.end(), lg::action_flying_ball_hit), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), lg::action_consuming_balls), 0);

    // Reload: the knocked ball, the only one on the contour, went onto the
    // platform in the step it landed.
    ASSERT_NE(b.platform().ball(), nullptr);
    EXPECT_EQ(b.platform().ball()->color(), 4);
    EXPECT_EQ(b.platform().ball()->position(), b.platform().position() + Vector2(0, -20));
    EXPECT_TRUE(chains_on(b, b.game.contour().get()).empty());

    // The combo was credited once, for the first shot; the second plain
    // shot cleared the match flag.
    EXPECT_EQ(b.bonuses->counters.combo, 1);
    EXPECT_FALSE(b.bonuses->counters.match);
}

TEST(ShotScenario, AKnockedOutBallScoresItsRunAsAnIndirectShot) {
    QuietShots b;
    // A second way 40 above the first: a ball knocked straight up out of the
    // lower chain runs into the chain on it.
    b.creator.ways.push_back(open_way(0.0f, 1000.0f, ShotBench::way_y - 40.0f));
    b.creator.settings.push_back(quiet_settings());
    b.begin();
    lg::Way* upper = b.game.ways().at(1).get();
    b.chain(b.way, {3, 5, 3}, 500.0f);  // 450, 475, 500
    b.chain(upper, {5, 5}, 500.0f);     // 475, 500
    lg::BallFree* shot = b.fire(475.0f, 4);
    ASSERT_NE(shot, nullptr);
    b.settle();
    EXPECT_TRUE(b.flying().empty());
    EXPECT_EQ(b.rec.count(lg::action_points), 1);
    const auto* p = b.rec.last_payload<lg::GameActionPoints>(lg::action_points);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->color, 5);
    EXPECT_EQ(p->indirect(), (lg::ActionCounter{true, 2}));
    EXPECT_EQ(p->points, 600) << "3 x 100, doubled for the knock in between";
    EXPECT_EQ(b.game.points(), 600);
    EXPECT_EQ(b.game.medals_stats().indirect, 1u);
    EXPECT_TRUE(colours_on(b, upper).empty());
    EXPECT_EQ(colours_on(b, b.way), (std::vector<std::vector<std::int32_t>>{{3, 4, 3}}));
}
