#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>

#include "support/GameHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

// The actions of a trace without the rolling sound, which repeats every step.
std::vector<std::int32_t> actions_without_roll(const Recorder& rec) {
    std::vector<std::int32_t> out;
    for (auto t : rec.action_types())
        if (t != lg::action_sequence_roll) out.push_back(t);
    return out;
}

int balls_on_ways(const GameBench& b) {
    int n = 0;
    for (auto* s : b.live_chains()) n += int(s->balls().size());
    return n;
}

}  // namespace

// ---------------------------------------------------------------- release

TEST(GameRelease, FirstChainAtTheStartMarkWithRollOutMotionAndRegions) {
    GameBench b;
    b.creator.ways = {straight_way(0, 1000, 100, 4)};
    b.creator.settings = {quiet_settings()};
    b.start(7);
    ASSERT_EQ(b.live_sequences(), 1);
    lg::Sequence& s = *b.game.sequences().front();
    EXPECT_EQ(s.balls().size(), 5u);
    EXPECT_NEAR(path_of(*s.front_ball()), 0.0f, 1e-3f);
    EXPECT_NEAR(path_of(*s.rear_ball()), -100.0f, 1e-3f);
    EXPECT_EQ(s.motion(), quiet_settings().speed_roll_out);
    ASSERT_TRUE(s.head());
    ASSERT_TRUE(s.tail());
    EXPECT_TRUE(s.head()->is_attached());
    EXPECT_TRUE(s.tail()->is_attached());
    EXPECT_FLOAT_EQ(b.game.next_release_times()[0], 1e6f);
    // Every ball and both regions were announced once, and no action sent.
    auto announced = [&](const lg::Obj* o) {
        int n = 0;
        for (const auto& e : b.rec.events())
            if (e.kind == Recorder::added && e.object == o) ++n;
        return n;
    };
    for (const auto& ball : s.balls()) EXPECT_EQ(announced(ball.get()), 1);
    EXPECT_EQ(announced(s.head().get()), 1);
    EXPECT_EQ(announced(s.tail().get()), 1);
    EXPECT_TRUE(b.rec.action_types().empty());
    for (const auto& ball : s.balls()) {
        EXPECT_EQ(ball->game(), &b.game);
        EXPECT_TRUE(ball->color() >= 1 && ball->color() <= 3);
    }
    // uniformity 1 with no repeat: neighbours differ.
    auto colors = b.colors_of(s);
    for (std::size_t i = 1; i < colors.size(); ++i) EXPECT_NE(colors[i], colors[i - 1]);
}

TEST(GameRelease, SameSeedSameChains) {
    auto colours = [](std::uint32_t seed) {
        GameBench b;
        b.creator.ways = {straight_way(0, 1000, 100, 4)};
        b.creator.settings = {quiet_settings()};
        b.creator.settings[0].sequences_uniformity = 3;
        b.creator.settings[0].sequences_size = 20;
        b.start(seed);
        return b.colors_of(*b.game.sequences().front());
    };
    EXPECT_EQ(colours(42), colours(42));
    EXPECT_NE(colours(42), colours(43));
}

TEST(GameRelease, TwoBallsOnAWayReleaseBeforeTheirTime) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    b.chain(w, {1, 2}, 300);
    b.game.update(0.02f);
    EXPECT_EQ(b.live_sequences(), 2);

    GameBench c;
    lg::Way* w2 = c.start_quiet();
    c.chain(w2, {1, 2, 3}, 300);
    c.game.update(0.02f);
    EXPECT_EQ(c.live_sequences(), 1);
}

TEST(GameRelease, ReleasedBehindARearBallNearTheStartAndInsertedInPathOrder) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* old = b.chain(w, {1, 2}, 45.0f);  // rear ball 20 past the start mark
    ASSERT_NEAR(path_of(*old->rear_ball()), 20.0f, 1e-3f);
    b.game.release_sequences();
    auto chains = b.live_chains();
    ASSERT_EQ(chains.size(), 2u);
    EXPECT_EQ(chains[1], old);
    EXPECT_NEAR(path_of(*chains[0]->front_ball()), 20.0f - 37.5f, 1e-3f);
}

TEST(GameRelease, NotBusyWayReleasesAtOnce) {
    GameBench b;
    lg::WaySettings ws = quiet_settings();
    ws.path_for_next_sequence = 50.0f;
    b.creator.ways = {straight_way(0, 1000, 100, 4)};
    b.creator.settings = {ws};
    b.start();
    b.discard_chains();
    lg::Way* w = b.game.ways().front().get();
    b.chain(w, {1, 2, 3}, 130.0f);  // rear ball at 80: past the busy zone
    b.game.release_sequences();
    EXPECT_EQ(b.live_sequences(), 2);
    b.game.release_sequences();  // the new chain keeps the way busy
    EXPECT_EQ(b.live_sequences(), 2);
}

TEST(GameRelease, RollsOutFastThenDrivesAtTheForwardLimit) {
    GameBench b;
    b.creator.ways = {straight_way(0, 3000, 100, 4)};
    b.creator.settings = {quiet_settings()};
    b.start(3);
    lg::Sequence* s = b.game.sequences().front().get();
    b.run(10);
    EXPECT_GT(s->motion().speed, 150.0f);
    b.run(200);
    EXPECT_TRUE(s->motion().same_limits(quiet_settings().speed_forward));
    EXPECT_NEAR(s->motion().speed, 50.0f, 1e-3f);
    EXPECT_TRUE(b.rec.payload_faults().empty());
}

// ---------------------------------------------------------------- losing a life

namespace {

struct LifeScenario {
    GameBench b;
    explicit LifeScenario(int lives, bool action_callback = true) {
        b.creator.install_action_callback = action_callback;
        lg::WaySettings ws = quiet_settings();
        ws.sequences_size = 3;
        ws.path_roll_out = 1e6f;  // rolls out at full speed all the way
        b.creator.ways = {straight_way(0, 400, 100, 4)};
        b.creator.settings = {ws};
        b.creator.mission_balls = 30;
        b.creator.extra = [lives](lg::GameSetup& setup) { setup.set_stats({lives, 7, 500, {}}); };
        b.start(11);
    }
};

}  // namespace

TEST(GameLife, LastLifeLostFailsTheMissionWithoutRestart) {
    LifeScenario sc(1);
    GameBench& b = sc.b;
    int steps = 0;
    while (b.game.state() == lg::Game::playing && steps < 500) {
        b.game.update(0.02f);
        ++steps;
    }
    ASSERT_EQ(b.game.state(), lg::Game::rolling_in);
    EXPECT_EQ(b.game.lives(), 0);
    EXPECT_EQ(actions_without_roll(b.rec), (std::vector<std::int32_t>{lg::action_game_lost}));

    // One front ball per chain per step rolls in.
    int before = balls_on_ways(b);
    while (b.live_sequences() > 0 && steps < 1000) {
        b.game.update(0.02f);
        ++steps;
        const int now = balls_on_ways(b);
        EXPECT_LE(before - now, 1);
        before = now;
    }
    EXPECT_EQ(actions_without_roll(b.rec), (std::vector<std::int32_t>{22, 5}));
    const auto* done = b.rec.last_payload<lg::GameActionSequenceRollInComplete>(5);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->way.lock().get(), b.game.ways().front().get());

    b.run(74);  // 1.48 s: the delay has not passed
    EXPECT_FALSE(b.game.mission()->is_finished());
    b.run(5);
    EXPECT_EQ(b.game.mission()->state(), 2u);
    b.run(100);
    EXPECT_EQ(b.rec.count(lg::action_restart_after_life_lost), 0);
    EXPECT_TRUE(b.rec.payload_faults().empty());
}

TEST(GameLife, LifeLostRestartsTheSubLevelOnce) {
    LifeScenario sc(2);
    GameBench& b = sc.b;
    b.run(400);
    EXPECT_EQ(b.game.lives(), 1);
    EXPECT_EQ(actions_without_roll(b.rec), (std::vector<std::int32_t>{5, 4}));
    EXPECT_FALSE(b.game.mission()->is_finished());

    b.game.add_coin();
    b.rec.clear();
    b.game.restart();
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{lg::action_restart}));
    EXPECT_EQ(b.game.state(), lg::Game::playing);
    EXPECT_EQ(b.game.lives(), 1);
    EXPECT_EQ(b.game.coins(), 8);
    EXPECT_EQ(b.game.points(), 500);
    EXPECT_EQ(b.game.time(), 0.0f);
    EXPECT_EQ(b.live_sequences(), 1);
    // A fresh roll-in sends the restart request again.
    b.rec.clear();
    b.run(400);
    EXPECT_EQ(actions_without_roll(b.rec), (std::vector<std::int32_t>{22, 5}));
}

TEST(GameLife, NoLivesConfiguredStillEndsTheGame) {
    LifeScenario sc(0);
    GameBench& b = sc.b;
    b.run(500);
    EXPECT_EQ(b.game.lives(), 0);
    EXPECT_EQ(b.rec.count(lg::action_game_lost), 1);
    EXPECT_EQ(b.rec.count(lg::action_restart_after_life_lost), 0);
    EXPECT_EQ(b.game.mission()->state(), 2u);
}

// ---------------------------------------------------------------- creatures driven home

TEST(GameRelease, CreatureInThreePiecesDrivenHome) {
    GameBench b;
    b.skin.attribute("menu/trophy-room/medals/zelkors_back_home/norm", "value", "1;2;3");
    lg::Way* w = b.start_quiet();
    auto* tail_piece = b.creature(w, {1, 2}, -200.0f, false, true);
    auto* middle = b.chain(w, {3, 4}, -100.0f);
    auto* head_piece = b.creature(w, {5, 6}, -10.0f, true, false);
    head_piece->motion().speed = -40.0f;
    tail_piece->motion().speed = -40.0f;
    ASSERT_TRUE(head_piece->head()->is_attached());

    b.game.release_sequences();
    EXPECT_EQ(b.colors_of(*tail_piece), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_NEAR(path_of(*tail_piece->front_ball()), 0.0f, 1e-3f);
    EXPECT_NEAR(path_of(*tail_piece->rear_ball()), -125.0f, 1e-2f);
    EXPECT_EQ(tail_piece->motion().speed, 0.0f);
    ASSERT_TRUE(tail_piece->head());
    EXPECT_TRUE(tail_piece->head()->is_attached());
    EXPECT_TRUE(tail_piece->tail()->is_attached());
    EXPECT_EQ(tail_piece->head()->chain(), tail_piece);
    EXPECT_EQ(b.game.medals_stats().creatures_home, 1u);
    EXPECT_TRUE(b.game.is_sequence_dropped(middle));
    EXPECT_TRUE(b.game.is_sequence_dropped(head_piece));
    EXPECT_EQ(b.game.sequences().size(), 3u);
    for (const auto& ball : tail_piece->balls()) EXPECT_EQ(ball->sequence(), tail_piece);
    b.game.flush_removed();
    EXPECT_EQ(b.game.sequences().size(), 1u);

    const auto* medal = b.rec.last_payload<lg::GameActionMedal>(lg::action_medal);
    ASSERT_NE(medal, nullptr);
    EXPECT_EQ(medal->award, lg::MedalAward(lg::medal_zelkors_back_home, 0));
    EXPECT_EQ(medal->value, 1);
}

TEST(GameRelease, OnlyTheFrontMostChainIsLookedAt) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* behind = b.creature(w, {1, 2, 3}, -100.0f, true, true);
    b.chain(w, {4, 5, 6}, 300.0f);
    b.game.release_sequences();
    EXPECT_NEAR(path_of(*behind->front_ball()), -100.0f, 1e-3f);
    EXPECT_EQ(b.game.medals_stats().creatures_home, 0u);
}

TEST(GameRelease, HeadPieceWithoutTailPieceComesHomeAlone) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* head_piece = b.creature(w, {5, 6, 7}, -30.0f, true, false);
    b.game.release_sequences();
    EXPECT_FALSE(b.game.is_sequence_dropped(head_piece));
    EXPECT_NEAR(path_of(*head_piece->front_ball()), 0.0f, 1e-3f);
    EXPECT_TRUE(head_piece->head());
    EXPECT_EQ(b.game.medals_stats().creatures_home, 1u);
}

// ---------------------------------------------------------------- runs, joins and the bounce

TEST(GameJoin, RunConsumedThenPiecesJoinAcrossTheMatchingGapWithTheBounce) {
    GameBench b;
    b.creator.mission_balls = 10;
    lg::Way* w = b.start_quiet(2000.0f);
    auto* s = b.creature(w, {1, 2, 2, 3, 3, 3, 2, 5}, 600.0f, true, true);
    b.rec.clear();

    // A shot completes the run of threes.
    lg::Sequence::BallVector removed;
    lg::Ball& hit = **std::next(s->balls().begin(), 4);
    const int ahead = b.game.tails_ahead(s);
    s->match_at(hit, removed);
    ASSERT_EQ(removed.size(), 3u);
    b.game.consume_balls(removed,
                         {.mission = true, .score = true, .give_points = true, .by_shot = true, .creatures_ahead = ahead, .way = w});

    auto chains = b.live_chains();
    ASSERT_EQ(chains.size(), 2u);
    lg::Sequence* rear = chains[0];
    lg::Sequence* front = chains[1];
    EXPECT_EQ(rear, s);
    EXPECT_EQ(b.colors_of(*rear), (std::vector<std::int32_t>{1, 2, 2}));
    EXPECT_EQ(b.colors_of(*front), (std::vector<std::int32_t>{2, 5}));
    EXPECT_TRUE(rear->tail());
    EXPECT_TRUE(front->head());
    EXPECT_EQ(front->connections(), 1);
    EXPECT_FLOAT_EQ(rear->motion().speed, -30.0f);
    EXPECT_FLOAT_EQ(front->motion().speed, 30.0f);

    // The front piece rolls back to the matching colour and joins; the
    // junction run goes, and the new front piece carries the chain on.
    float joined_speed = 0.0f;
    for (int i = 0; i < 200 && b.rec.count(lg::action_sequences_connection) == 0; ++i) {
        b.game.update(0.02f);
        if (b.rec.count(lg::action_sequences_connection) == 1) joined_speed = rear->motion().speed;
    }
    ASSERT_EQ(b.rec.count(lg::action_sequences_connection), 1);
    EXPECT_EQ(actions_without_roll(b.rec), (std::vector<std::int32_t>{0, 1, 10, 0, 1}));
    // Capped at -30, then the consume impulse.
    EXPECT_LE(joined_speed, -60.0f + 1e-3f);
    b.game.flush_removed();
    chains = b.live_chains();
    // Two balls left on the way: a new chain came in behind them.
    ASSERT_EQ(chains.size(), 3u);
    EXPECT_NEAR(path_of(*chains[0]->front_ball()), 0.0f, 1e-3f);
    EXPECT_EQ(b.colors_of(*chains[1]), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(b.colors_of(*chains[2]), (std::vector<std::int32_t>{5}));
    EXPECT_TRUE(chains[1]->tail());
    EXPECT_TRUE(chains[2]->head());
    EXPECT_EQ(chains[2]->connections(), 2);
    // The scoring rules are the match step's; the game keeps what it reports.
    int reported = 0;
    for (const auto& e : b.rec.events())
        if (e.kind == Recorder::action && e.act.type == lg::action_points)
            reported += e.act.payload<lg::GameActionPoints>()->points;
    EXPECT_GE(reported, 600);
    EXPECT_EQ(b.game.points(), reported);
    EXPECT_FLOAT_EQ(b.game.mission_progress(), 6.0f * (100.001f / 10.0f));
    const auto* consumed = b.rec.last_payload<lg::GameActionConsumingBalls>(lg::action_consuming_balls);
    ASSERT_NE(consumed, nullptr);
    ASSERT_EQ(consumed->balls.size(), 3u);
    for (const auto& ball : consumed->balls) {
        EXPECT_EQ(ball->color(), 2);
        EXPECT_EQ(ball->game(), nullptr);
    }
    EXPECT_TRUE(b.rec.payload_faults().empty());
}

// ---------------------------------------------------------------- completion

TEST(GameComplete, AtExactly100TheChainsRollBackAndTheMissionCompletes) {
    GameBench b;
    auto bonuses = std::make_shared<TestBonuses>();
    b.game.set_bonuses(bonuses);
    b.creator.mission_balls = 10;
    lg::Way* w = b.start_quiet(2000.0f);
    b.creature(w, {1, 2, 3, 4}, 300.0f, true, true);

    b.game.add_mission_progress(99.99f);
    b.game.update(0.02f);
    EXPECT_EQ(b.game.state(), lg::Game::playing);

    b.game.add_mission_progress(1.0f);
    ASSERT_EQ(b.game.mission_progress(), 100.0f);
    bonuses->walk_finished = false;
    b.game.update(0.02f);
    EXPECT_EQ(b.game.state(), lg::Game::complete);
    EXPECT_EQ(bonuses->walks_started, 1);

    int before = balls_on_ways(b);
    for (int i = 0; i < 1000 && b.live_sequences() > 0; ++i) {
        b.game.update(0.02f);
        const int now = balls_on_ways(b);
        EXPECT_LE(before - now, 1) << "one rear ball per chain per step";
        before = now;
    }
    EXPECT_EQ(b.live_sequences(), 0);
    EXPECT_EQ(bonuses->walks_started, 1);
    b.run(5);
    EXPECT_FALSE(b.game.mission()->is_finished()) << "the walk has not finished";
    bonuses->walk_finished = true;
    b.game.update(0.02f);
    EXPECT_EQ(b.game.mission()->state(), 1u);
}

// ---------------------------------------------------------------- queries and housekeeping

TEST(GameQueries, EndsNearlyMeetWithinTwoChords) {
    for (float gap : {51.0f, 52.0f}) {
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* r = b.chain(w, {1, 2}, 300.0f);
        auto* f = b.chain(w, {3, 4}, 300.0f + gap + 25.0f);
        EXPECT_EQ(b.game.ends_nearly_meet(r->front_ball(), f->rear_ball()), gap == 51.0f) << gap;
        EXPECT_EQ(b.game.ends_nearly_meet(f->rear_ball(), r->front_ball()), gap == 51.0f) << gap;
        EXPECT_FALSE(b.game.ends_nearly_meet(r->rear_ball(), f->rear_ball()));
        EXPECT_TRUE(b.game.comes_before(r, f));
        EXPECT_EQ(b.game.sequence_ahead(r), f);
        EXPECT_EQ(b.game.sequence_behind(f), r);
        EXPECT_EQ(b.game.sequence_behind(r), nullptr);
    }
}

TEST(GameQueries, KnockMedalCountsPerCreatureAndColour) {
    GameBench b;
    b.skin.attribute("menu/trophy-room/medals/knock_zelkor_grey/norm", "value", "1;3;5");
    lg::Way* w = b.start_quiet();
    auto* s = b.creature(w, {1, 2, 3}, 300.0f, true, true);
    std::weak_ptr<lg::ZelkorRegion> head = s->head(), tail = s->tail();
    for (int i = 0; i < 3; ++i) b.game.send_knock_medal(head, tail, 6);
    b.game.send_knock_medal(head, tail, 2);
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{20, 20}));
    const auto* medal = b.rec.last_payload<lg::GameActionMedal>(20);
    EXPECT_EQ(medal->award, lg::MedalAward(lg::medal_knock_zelkor_grey, 1));
    EXPECT_EQ(medal->value, 3);
    ASSERT_EQ(b.game.medals_stats().knocked.size(), 1u);
    EXPECT_EQ(b.game.medals_stats().knocked[0].grey, 3u);

    // A region leaving the game forgets its entry.
    b.game.remove_object(s->take_tail());
    EXPECT_TRUE(b.game.medals_stats().knocked.empty());
    b.game.send_knock_medal(head, tail, 6);
    EXPECT_EQ(b.rec.count(20), 2);
}

TEST(GameQueries, MoreThanHalfOfColour) {
    auto balls = [](std::vector<std::int32_t> colours) {
        std::vector<std::shared_ptr<lg::Ball>> out;
        for (auto c : colours) out.push_back(std::make_shared<lg::Ball>(Vector2(), 0, lg::BallKind{0, c}));
        return out;
    };
    EXPECT_FALSE(lg::more_than_half_of_color({}, 1));
    EXPECT_FALSE(lg::more_than_half_of_color(balls({1, 1, 2, 2}), 1));
    EXPECT_TRUE(lg::more_than_half_of_color(balls({1, 1, 2}), 1));
    EXPECT_TRUE(lg::more_than_half_of_color(balls({1}), 1));
}

TEST(GameQueries, CoinsBuyLivesUnlessTheLevelGivesNone) {
    for (int per_life : {3, 0}) {
        GameBench b;
        b.creator.params.coins_for_life = per_life;
        b.start_quiet();
        const int lives = b.game.lives();
        for (int i = 0; i < 6; ++i) b.game.add_coin();
        EXPECT_EQ(b.game.coins(), 6);
        EXPECT_EQ(b.game.lives(), lives + (per_life ? 2 : 0));
    }
}

TEST(GameLifecycle, PausesNestAndStopTime) {
    GameBench b;
    b.start_quiet();
    b.game.pause();
    b.game.pause();
    b.game.resume();
    b.run(3);
    EXPECT_EQ(b.game.time(), 0.0f);
    b.game.resume();
    b.game.update(0.5f);
    EXPECT_FLOAT_EQ(b.game.time(), 0.5f);
}

TEST(GameLifecycle, AnUnsetActionCallbackIsQuiet) {
    LifeScenario sc(1, false);
    GameBench& b = sc.b;
    EXPECT_NO_THROW(b.run(600));
    EXPECT_EQ(b.game.lives(), 0);
    EXPECT_EQ(b.game.mission()->state(), 2u);
}

TEST(GameLifecycle, FlyingBallsStepAndMeetTheChainsTheyTouch) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* s = b.chain(w, {1, 2, 3}, 300.0f);
    auto flying = std::make_shared<TestFlying>();
    flying->owner = &b.game;
    // On an open segment only; this way has none, then the ball lies in no
    // sequence and touches nothing.
    flying->moving = std::make_shared<lg::Ball>(s->front_ball()->position(), 1000, lg::BallKind{0, 1});
    b.game.add_flying_ball(flying);
    b.game.update(0.0f);
    EXPECT_EQ(flying->steps, 1);
    EXPECT_TRUE(flying->candidates.empty());
    flying->hits = false;
    b.game.drop_flying_ball(flying.get());
    b.game.drop_flying_ball(flying.get());
    EXPECT_EQ(flying->drops, 1);
    EXPECT_TRUE(b.game.is_flying_ball_dropped(flying.get()));
    b.game.flush_removed();
    EXPECT_TRUE(b.game.flying_balls().empty());
}

TEST(GameLifecycle, TeardownDetachesPlaceholdersAndFlyingBalls) {
    auto flying = std::make_shared<TestFlying>();
    std::weak_ptr<lg::Ball> placeholder;
    {
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* s = b.chain(w, {1, 2, 3}, 300.0f);
        flying->owner = &b.game;
        b.game.add_flying_ball(flying);
        auto old = s->replace_with_placeholder(*s->front_ball(), flying);
        placeholder = s->balls().back();
        EXPECT_EQ(old->sequence(), nullptr);
        EXPECT_EQ(s->front_ball()->color(), 0);
        EXPECT_EQ(s->front_ball()->game(), &b.game);
    }
    // The game went first; the placeholder went with its chain without
    // reaching back into it.
    EXPECT_TRUE(placeholder.expired());
    EXPECT_EQ(flying->owner, nullptr);
    EXPECT_EQ(flying->drops, 0);
}

TEST(GameLifecycle, LostPlaceholderDropsItsFlyingBall) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* s = b.chain(w, {1, 2, 3}, 300.0f);
    auto flying = std::make_shared<TestFlying>();
    flying->owner = &b.game;
    b.game.add_flying_ball(flying);
    s->replace_with_placeholder(*s->front_ball(), flying);
    b.game.drop_sequence(s);
    b.game.flush_removed();
    EXPECT_EQ(flying->drops, 1);
    EXPECT_TRUE(b.game.flying_balls().empty());
}

TEST(GameLifecycle, ClearEmptiesTheGame) {
    GameBench b;
    b.creator.ways = {straight_way(0, 1000, 100, 4)};
    b.creator.settings = {quiet_settings()};
    b.creator.params.storage = 3;
    b.start();
    b.game.clear();
    EXPECT_FALSE(b.game.started());
    EXPECT_TRUE(b.game.sequences().empty());
    EXPECT_TRUE(b.game.ways().empty());
    EXPECT_TRUE(b.game.all_way_settings().empty());
    EXPECT_EQ(b.game.params().storage, 0);
    EXPECT_EQ(b.game.lives(), 3);
    b.game.update(1.0f);
    EXPECT_EQ(b.game.time(), 0.0f);
}

TEST(GameLifecycle, TheSameSeedReplaysTheSameTrace) {
    auto run = [](std::uint32_t seed) {
        GameBench b;
        lg::WaySettings ws = quiet_settings();
        ws.sequences_size = 6;
        ws.sequences_uniformity = 2;
        ws.path_for_next_sequence = 200.0f;
        ws.path_roll_out = 150.0f;
        b.creator.ways = {straight_way(0, 600, 100, 4), u_way()};
        b.creator.settings = {ws, ws};
        b.creator.colors = {1, 2, 3, 9};
        b.creator.mission_balls = 50;
        b.start(seed);
        b.run(1500);
        std::string colours;
        for (const auto& s : b.game.sequences())
            for (auto c : b.colors_of(*s)) colours += char('0' + c);
        EXPECT_TRUE(b.rec.payload_faults().empty());
        return b.rec.trace() + " | " + colours + " | " + std::to_string(b.game.lives());
    };
    const std::string first = run(2024);
    EXPECT_EQ(first, run(2024));
    EXPECT_NE(first, run(2025));
    // A chain reached the end, both ways rolled in and the restart was asked for.
    EXPECT_NE(first.find("a5"), std::string::npos);
    EXPECT_NE(first.find("a4"), std::string::npos);
}

// Each invariant the checked builds test after every step, broken by hand.
TEST(GameValidate, NamesTheFirstBrokenInvariant) {
    struct {
        const char* what;
        std::function<void(GameBench&, lg::Sequence&, lg::Sequence&)> spoil;
        const char* report;
    } cases[] = {
        {"sound", [](GameBench&, lg::Sequence&, lg::Sequence&) {}, ""},
        {"balls out of order",
         [](GameBench&, lg::Sequence& rear, lg::Sequence&) {
             rear.front_ball()->set_way_position(at_length(*rear.way(), 100.0f));
         },
         "chain 0 has its balls out of order"},
        {"chains out of order",
         [](GameBench&, lg::Sequence&, lg::Sequence& front) {
             for (const auto& ball : front.balls()) ball->set_way_position(at_length(*front.way(), 50.0f));
         },
         "two chains on one way are listed out of path order"},
        {"a ball of another chain",
         [](GameBench&, lg::Sequence& rear, lg::Sequence& front) { rear.rear_ball()->set_sequence(&front); },
         "chain 0 holds a ball that belongs elsewhere"},
        {"a head leading elsewhere",
         [](GameBench&, lg::Sequence& rear, lg::Sequence& front) { rear.head()->set_chain(&front); },
         "chain 0 has a head that does not lead back to it"},
        {"a tail leading elsewhere",
         [](GameBench&, lg::Sequence& rear, lg::Sequence& front) { rear.tail()->set_chain(&front); },
         "chain 0 has a tail that does not lead back to it"},
        {"a ball off its way",
         [](GameBench&, lg::Sequence&, lg::Sequence& front) {
             front.front_ball()->set_way_position(lg::WayPosition(99, front.front_ball()->position()));
         },
         "chain 1 has a ball off its way"},
        {"a pending removal",
         [](GameBench& b, lg::Sequence&, lg::Sequence& front) { b.game.drop_sequence(&front); },
         "removals left over after the step"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GameBench b;
        lg::Way* w = b.start_quiet();
        lg::Sequence* rear = b.creature(w, {1, 2, 3}, 300.0f, true, true);
        lg::Sequence* front = b.chain(w, {4, 5}, 600.0f);
        c.spoil(b, *rear, *front);
        EXPECT_EQ(b.game.validate(), c.report);
    }
}
