#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "orvek/config/ConfigRegistry.h"
#include "support/GameHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

lg::Sequence::Node nth(lg::Sequence& s, int i) { return std::next(s.balls().begin(), i); }

}  // namespace

TEST(SequenceRuns, FindRunTable) {
    struct {
        std::vector<std::int32_t> colours;
        int at;
        int behind, ahead;
    } cases[] = {
        {{1, 9, 2}, 0, 0, 2},        // a wild ball bridges two colours
        {{1, 0, 1}, 0, 0, 0},        // colour 0 ends every run
        {{1, 0, 1}, 1, 0, 0},
        {{2, 2, 2, 1}, 0, 0, 2},     // at the rear end
        {{1, 3, 3, 3}, 3, 2, 0},     // at the front end
        {{1, 1, 9, 1}, 3, 3, 0},
        {{3, 9, 1, 1}, 0, 0, 3},
        {{4, 2, 2, 5}, 1, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* s = b.chain(w, c.colours, 500.0f);
        const auto run = s->find_run(nth(*s, c.at));
        EXPECT_EQ(run.behind, c.behind);
        EXPECT_EQ(run.ahead, c.ahead);
        EXPECT_EQ(run.first, nth(*s, c.at - c.behind));
    }
}

TEST(SequenceRuns, MatchNeedsThreeAndAJunctionNeedsABallAhead) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* s = b.chain(w, {1, 2, 2, 3}, 500.0f);
    lg::Sequence::BallVector removed;
    s->match_at(**nth(*s, 1), removed);
    EXPECT_TRUE(removed.empty());
    EXPECT_EQ(s->balls().size(), 4u);

    auto* t = b.chain(w, {1, 2, 2, 2, 3}, 800.0f);
    EXPECT_EQ(t->match_at_junction(**nth(*t, 3), removed), nullptr);
    EXPECT_TRUE(removed.empty()) << "the run lies wholly behind the junction ball";
    lg::Sequence* front = t->match_at_junction(**nth(*t, 2), removed);
    EXPECT_EQ(removed.size(), 3u);
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(b.colors_of(*front), (std::vector<std::int32_t>{3}));
    EXPECT_EQ(b.colors_of(*t), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(front->connections(), 1);
    for (const auto& ball : removed) EXPECT_EQ(ball->game(), nullptr);
}

TEST(SequenceRuns, ConsumedColourlessBallsLeaveTheGameToo) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* s = b.chain(w, {2, 1, 0, 1, 2}, 500.0f);
    lg::Ball* colourless = &**nth(*s, 2);
    b.rec.clear();
    lg::Sequence::BallVector removed;
    s->consume_run(nth(*s, 1), 3, removed);
    EXPECT_EQ(removed.size(), 2u) << "only coloured balls are reported";
    int removals = 0;
    for (const auto& e : b.rec.events()) {
        EXPECT_EQ(e.kind, Recorder::removed);
        if (e.object == colourless) ++removals;
    }
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(b.rec.events().size(), 3u) << "the three balls of the run";
    EXPECT_EQ(b.colors_of(*s), (std::vector<std::int32_t>{2}));
}

TEST(SequenceMotion, MoveClipsAtTheEndOfABoundedWay) {
    GameBench b;
    b.start_quiet();
    auto bounded = straight_way(0, 500, 300, 2);
    lg::Sequence s(&b.game, bounded.get(), {200.0f, 200.0f, 0.0f});
    s.fill(3, 1, at_length(*bounded, 490.0f), -1, [] { return 1; }, false);
    s.step(0.1f);
    EXPECT_NEAR(path_of(*s.front_ball()), 500.0f, 1e-3f);
    EXPECT_NEAR(path_of(*s.rear_ball()), 450.0f, 1e-3f);
    EXPECT_EQ(s.motion().speed, 0.0f) << "stopped in the same step";

    EXPECT_TRUE(s.move_by(0.0f));
    EXPECT_FALSE(s.move_by(-1000.0f));
    EXPECT_NEAR(path_of(*s.rear_ball()), 0.0f, 1e-3f);

    bounded->set_unbounded(true);
    EXPECT_TRUE(s.move_by(1000.0f));
    EXPECT_NEAR(path_of(*s.front_ball()), 1050.0f, 1e-2f);
    s.clear();
}

TEST(SequenceMotion, RollingSoundFromTheThresholdForwardOnly) {
    for (float speed : {100.0f, 99.0f, -150.0f}) {
        GameBench b;
        lg::Way* w = b.start_quiet(5000.0f);
        auto* s = b.chain(w, {1, 2, 3}, 500.0f, {speed, 1000.0f, 0.0f});
        s->step(0.0f);
        EXPECT_EQ(b.rec.count(lg::action_sequence_roll), speed >= 100.0f ? 1 : 0) << speed;
    }
}

TEST(SequenceSplit, ThePieceGoingAgainstTheMotionStopsDead) {
    struct {
        lg::Float3 motion;
        bool rear_stops;
    } cases[] = {
        {{50.0f, 100.0f, -10.0f}, true},
        {{-5.0f, 100.0f, 0.0f}, true},
        {{-5.0f, 100.0f, 10.0f}, false},
        {{0.0f, 100.0f, 0.0f}, false},
    };
    for (const auto& c : cases) {
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* other = b.chain(w, {7, 7, 8}, 900.0f);
        auto* s = b.creature(w, {1, 2, 3, 4}, 500.0f, true, true, c.motion);
        lg::Sequence* front = s->split_between(**nth(*s, 1), **nth(*s, 2));
        ASSERT_NE(front, nullptr);
        EXPECT_EQ(b.colors_of(*s), (std::vector<std::int32_t>{1, 2}));
        EXPECT_EQ(b.colors_of(*front), (std::vector<std::int32_t>{3, 4}));
        EXPECT_FALSE(s->head());
        ASSERT_TRUE(front->head());
        EXPECT_EQ(front->head()->chain(), front);
        EXPECT_TRUE(front->head()->is_attached());
        EXPECT_TRUE(s->tail()->is_attached());
        const lg::Float3 zero;
        EXPECT_EQ(s->motion() == zero, c.rear_stops);
        EXPECT_EQ(front->motion() == zero, !c.rear_stops);
        auto chains = b.live_chains();
        ASSERT_EQ(chains.size(), 3u);
        EXPECT_EQ(chains[0], s);
        EXPECT_EQ(chains[1], front);
        EXPECT_EQ(chains[2], other);
        for (const auto& ball : front->balls()) EXPECT_EQ(ball->sequence(), front);
        // No split at the rear ball.
        EXPECT_EQ(s->split(s->balls().begin()), nullptr);
    }
}

TEST(SequenceJoin, ChainedConnectionsBounceHarder) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* rear = b.chain(w, {1, 2}, 300.0f, {0.0f, 50.0f, 0.0f});
    auto* front = b.chain(w, {3, 4}, 350.0f, {0.0f, 50.0f, 0.0f});
    front->set_connections(3);
    rear->try_join(*front);
    EXPECT_FLOAT_EQ(rear->motion().speed, -50.0f);
    EXPECT_EQ(b.colors_of(*rear), (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(b.game.is_sequence_dropped(front));
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{lg::action_sequences_connection}));
}

TEST(SequenceJoin, MotionOfTheStrongerPushWins) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* rear = b.chain(w, {1, 2}, 300.0f, {20.0f, 50.0f, 100.0f});
    auto* front = b.chain(w, {3, 4}, 350.0f, {10.0f, 70.0f, 150.0f});
    rear->join(*front);
    EXPECT_EQ(rear->motion(), lg::Float3(15.0f, 70.0f, 150.0f));
}

// A piece that touches is taken as it lies; one that overlaps past the front
// ball (a ball that landed where the chain had just rolled) is laid ahead of
// it, so the balls stay in order.
TEST(SequenceJoin, AnOverlappingPieceIsLaidAheadOfTheFrontBall) {
    struct {
        const char* what;
        float piece_at;
        std::vector<float> paths;
    } cases[] = {
        {"touching", 325.0f, {250.0f, 275.0f, 300.0f, 325.0f}},
        {"overlapping", 280.0f, {250.0f, 275.0f, 300.0f, 325.0f}},
        {"overlapping the rear ball", 240.0f, {250.0f, 275.0f, 300.0f, 325.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* rear = b.chain(w, {1, 2, 3}, 300.0f);
        auto* piece = b.chain(w, {4}, c.piece_at);
        rear->join(*piece);
        std::vector<float> paths;
        for (const auto& ball : rear->balls()) paths.push_back(path_of(*ball));
        ASSERT_EQ(paths.size(), c.paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_NEAR(paths[i], c.paths[i], 1e-3f) << i;
        EXPECT_EQ(b.colors_of(*rear), (std::vector<std::int32_t>{1, 2, 3, 4}));
    }
}

TEST(SequenceJoin, ApartPiecesDoNotJoin) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* rear = b.chain(w, {1, 2}, 300.0f);
    auto* front = b.chain(w, {3, 4}, 326.0f + 25.0f);
    rear->try_join(*front);
    EXPECT_FALSE(b.game.is_sequence_dropped(front));
    EXPECT_EQ(b.rec.count(lg::action_sequences_connection), 0);
}

TEST(SequenceJoin, HeadAndTailMeetCloserThanTheConnectPath) {
    for (float gap : {60.0f, 59.0f}) {
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* rear = b.creature(w, {1, 2}, 300.0f, true, false);
        auto* front = b.creature(w, {3, 4}, 300.0f + gap + 25.0f, false, true);
        rear->try_join(*front);
        const bool destroyed = gap < 60.0f;
        EXPECT_EQ(bool(rear->head()), !destroyed) << gap;
        EXPECT_EQ(bool(front->tail()), !destroyed) << gap;
        EXPECT_EQ(b.rec.action_types(), destroyed ? (std::vector<std::int32_t>{17, 21}) : std::vector<std::int32_t>{});
        if (destroyed) {
            const auto* p = b.rec.last_payload<lg::GameActionHeadAndTailDestroing>(17);
            ASSERT_NE(p, nullptr);
            EXPECT_NEAR(p->tail.x - p->head.x, gap - 2.0f * 15.5f, 1e-2f);
        }
        EXPECT_FALSE(b.game.is_sequence_dropped(front)) << "still too far apart to join";
    }
}

TEST(SequenceClear, LoneRegionsGoToTheirNeighbourOrLeaveTheGame) {
    {
        SCOPED_TRACE("head with no piece behind");
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* s = b.creature(w, {1, 2}, 300.0f, true, false);
        std::weak_ptr<lg::ZelkorRegion> head = s->head();
        const lg::Obj* raw = head.lock().get();
        b.rec.clear();
        b.game.drop_sequence(s);
        EXPECT_TRUE(head.expired());
        ASSERT_EQ(b.rec.events().size(), 3u);
        EXPECT_EQ(b.rec.events().back().kind, Recorder::removed);
        EXPECT_EQ(b.rec.events().back().object, raw);
        b.game.flush_removed();
        b.run(3);
    }
    {
        SCOPED_TRACE("head handed to the piece behind");
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* behind = b.creature(w, {1, 2}, 200.0f, false, true);
        auto* s = b.creature(w, {3, 4}, 300.0f, true, false);
        lg::ZelkorRegion* head = s->head().get();
        b.game.drop_sequence(s);
        EXPECT_EQ(behind->head().get(), head);
        EXPECT_EQ(head->chain(), behind);
        EXPECT_EQ(head->game(), &b.game);
        b.game.flush_removed();
        b.run(3);
    }
    {
        SCOPED_TRACE("the piece behind already has a head");
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* behind = b.creature(w, {1, 2}, 200.0f, true, false);
        auto* s = b.creature(w, {3, 4}, 300.0f, true, false);
        lg::ZelkorRegion* kept = behind->head().get();
        std::weak_ptr<lg::ZelkorRegion> lost = s->head();
        b.game.drop_sequence(s);
        EXPECT_EQ(behind->head().get(), kept);
        EXPECT_TRUE(lost.expired());
        b.game.flush_removed();
        b.run(3);
    }
    {
        SCOPED_TRACE("tail handed to the piece ahead");
        GameBench b;
        lg::Way* w = b.start_quiet();
        auto* s = b.creature(w, {1, 2}, 200.0f, false, true);
        auto* ahead = b.chain(w, {3, 4}, 300.0f);
        b.game.drop_sequence(s);
        ASSERT_TRUE(ahead->tail());
        EXPECT_EQ(ahead->tail()->chain(), ahead);
        b.game.flush_removed();
        b.run(3);
    }
}

TEST(SequenceFill, NoRepeatRedrawsTenTimesAtMost) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    int draws = 0;
    lg::Sequence s(&b.game, w, {});
    s.fill(2, 1, at_length(*w, 300.0f), -1, [&] { return ++draws, 4; }, true);
    EXPECT_EQ(draws, 12);
    EXPECT_EQ(b.colors_of(s), (std::vector<std::int32_t>{4, 4}));
    EXPECT_NEAR(path_of(*s.front_ball()), 300.0f, 1e-3f);
    EXPECT_NEAR(path_of(*s.rear_ball()), 275.0f, 1e-3f);
    s.clear();
}

TEST(SequenceFill, RunsStayWithinTheBoundAndAheadFillingAppends) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    lg::Sequence s(&b.game, w, {});
    int next = 0;
    s.fill(40, 3, at_length(*w, 0.0f), 1, [&] { return 1 + (next++ % 4); }, true);
    EXPECT_NEAR(path_of(*s.rear_ball()), 0.0f, 1e-3f);
    EXPECT_NEAR(path_of(*s.front_ball()), 39 * 25.0f, 1e-2f);
    int run = 1;
    auto colours = b.colors_of(s);
    for (std::size_t i = 1; i < colours.size(); ++i) {
        run = colours[i] == colours[i - 1] ? run + 1 : 1;
        EXPECT_LE(run, 3);
    }
    for (const auto& ball : s.balls()) EXPECT_EQ(ball->game(), &b.game);
    s.clear();
}

TEST(SequenceFill, DebugTwoColourMode) {
    auto& registry = orvek::ostrel::ConfigRegistry::instance();
    GameBench b;
    lg::Way* w = b.start_quiet();
    registry.set_bool("debug/@color_in_2_colors", true);
    registry.update_values();
    lg::Sequence s(&b.game, w, {});
    s.fill(6, 5, at_length(*w, 300.0f), -1, [] { return 3; }, false);
    registry.set_bool("debug/@color_in_2_colors", false);
    registry.update_values();
    const auto colours = b.colors_of(s);
    // Front first: runs of two alternating 1 and 5.
    ASSERT_EQ(colours.size(), 6u);
    EXPECT_EQ(colours[5], colours[4]);
    EXPECT_EQ(colours[3], colours[2]);
    EXPECT_NE(colours[4], colours[3]);
    for (auto c : colours) EXPECT_TRUE(c == 1 || c == 5);
    s.clear();
}

TEST(SequenceBalls, NeighboursAdjacencyAndReplacement) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* s = b.chain(w, {1, 2, 3}, 300.0f);
    lg::Ball& mid = **nth(*s, 1);
    EXPECT_EQ(s->neighbour(mid, 1)->get(), s->front_ball());
    EXPECT_EQ(s->neighbour(mid, -1)->get(), s->rear_ball());
    EXPECT_EQ(s->neighbour(mid, 0)->get(), &mid);
    EXPECT_EQ(s->neighbour(mid, 2), nullptr);
    EXPECT_EQ(s->neighbour(mid, -2), nullptr);
    EXPECT_TRUE(s->are_adjacent(mid, *s->front_ball()));
    EXPECT_FALSE(s->are_adjacent(*s->rear_ball(), *s->front_ball()));

    auto fresh = std::make_shared<lg::Ball>(Vector2(), 0, lg::BallKind{0, 9});
    b.game.on_object_added(fresh);
    const Vector2 where = mid.position();
    auto old = s->replace_ball(mid, fresh);
    EXPECT_EQ(old->sequence(), nullptr);
    EXPECT_EQ(fresh->sequence(), s);
    EXPECT_EQ(fresh->position(), where);
    EXPECT_EQ(b.colors_of(*s), (std::vector<std::int32_t>{1, 9, 3}));

    auto other = std::make_shared<lg::Ball>(Vector2(), 0, lg::BallKind{0, 4});
    s->substitute_ball(*fresh, other);
    EXPECT_EQ(fresh->game(), nullptr);
    EXPECT_EQ(b.colors_of(*s), (std::vector<std::int32_t>{1, 4, 3}));

    // Re-laying from a ball: the rear ball one diameter ahead of it.
    auto* second = b.chain(w, {5, 6}, 600.0f);
    second->place_next_to(*s->front_ball(), 1);
    EXPECT_NEAR(path_of(*second->rear_ball()), 325.0f, 1e-3f);
    EXPECT_NEAR(path_of(*second->front_ball()), 350.0f, 1e-3f);
}

TEST(SequenceJoin, ASecondHeadDoesNotLeak) {
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* rear = b.creature(w, {1, 2}, 300.0f, true, false);
    auto* front = b.creature(w, {3, 4}, 350.0f, true, false);
    const lg::Obj* own = rear->head().get();
    lg::ZelkorRegion* arriving = front->head().get();
    b.rec.clear();
    rear->join(*front);
    EXPECT_EQ(rear->head().get(), arriving);
    EXPECT_EQ(arriving->chain(), rear);
    ASSERT_FALSE(b.rec.events().empty());
    int removed = 0;
    for (const auto& e : b.rec.events())
        if (e.kind == Recorder::removed && e.object == own) ++removed;
    EXPECT_EQ(removed, 1);
}
