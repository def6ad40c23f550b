#include <gtest/gtest.h>

#include <limits>

#include "support/ShotHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

using Balls = std::vector<std::shared_ptr<lg::Ball>>;

// Loose balls of the given colours at y (the match step reads only their
// colours and the middle one's place).
Balls balls(const std::vector<std::int32_t>& colours, float y = 100.0f) {
    Balls out;
    float x = 100.0f;
    for (auto c : colours) out.push_back(std::make_shared<lg::Ball>(Vector2(x += 25.0f, y), 0, lg::BallKind{0, c}));
    return out;
}

// The tests' usual consumption: progress, medals and points.
struct Consume : lg::Game::Consumption {
    Consume() {
        mission = true;
        score = true;
        give_points = true;
    }
};

void consume(ShotBench& b, const Balls& removed, const Consume& c) { b.game.consume_balls(removed, c); }

int last_points(const ShotBench& b) {
    const auto* p = b.rec.last_payload<lg::GameActionPoints>(lg::action_points);
    return p ? p->points : -1;
}

}  // namespace

TEST(Scoring, PointsTable) {
    struct {
        const char* what;
        int n;
        int chain_before;  // scored consumptions already counted
        bool credited;     // the combo was credited before (the combo then stands at 2)
        int indirect;
        bool high_speed;
        int points;
    } cases[] = {
        {"three balls, nothing running", 3, 0, false, 0, false, 300},
        {"chain 3, indirect 1, five balls", 5, 2, false, 1, false, 3000},
        {"the same with the combo credited", 5, 2, true, 1, false, 3600},
        {"high speed adds 20 a ball", 4, 0, false, 0, true, 480},
        {"indirect 2 triples", 3, 0, false, 2, false, 900},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ShotBench b;
        b.begin();
        b.bonuses->counters.chain = c.chain_before;
        if (c.credited) {
            b.bonuses->counters.combo = 1;
            b.bonuses->counters.match = false;
        }
        Consume args;
        args.by_shot = c.credited;
        args.indirect = c.indirect;
        args.high_speed = c.high_speed;
        consume(b, balls(std::vector<std::int32_t>(std::size_t(c.n), 2)), args);
        EXPECT_EQ(last_points(b), c.points);
        EXPECT_EQ(b.game.points(), c.points);
        const auto* p = b.rec.last_payload<lg::GameActionPoints>(lg::action_points);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->chain().set, c.chain_before + 1 > 1);
        EXPECT_EQ(p->combo(), (lg::ActionCounter{c.credited, c.credited ? 2 : 0}));
        EXPECT_EQ(p->indirect(), (lg::ActionCounter{c.indirect > 0, c.indirect > 0 ? c.indirect + 1 : 0}));
        EXPECT_EQ(p->high_speed(), c.high_speed);
    }
}

TEST(Scoring, ComboIsCreditedOncePerShot) {
    ShotBench b;
    b.begin();
    Consume shot;
    shot.by_shot = true;
    Consume join;  // a chained run after the join: not by the shot
    consume(b, balls({1, 1, 1}), shot);
    EXPECT_EQ(b.bonuses->counters.combo, 1);
    consume(b, balls({2, 2, 2}), join);
    consume(b, balls({3, 3, 3}), shot);  // the same shot once more: already credited
    EXPECT_EQ(b.bonuses->counters.combo, 1);
    EXPECT_EQ(b.bonuses->counters.chain, 3);
    // Chain 3 multiplies; no combo bonus for a combo of 1.
    EXPECT_EQ(last_points(b), 900);

    // The next plain shot keeps the combo (it consumed), and the one after
    // that consumes again: combo 2, credited once, 100 more before the chain.
    b.bonuses->plain_shot();
    b.bonuses->counters.chain = 0;
    consume(b, balls({4, 4, 4}), shot);
    EXPECT_EQ(b.bonuses->counters.combo, 2);
    EXPECT_EQ(last_points(b), 400);
    consume(b, balls({4, 4, 4}), shot);
    EXPECT_EQ(last_points(b), 600) << "chain 2, no second combo credit";
    // A plain shot that consumed nothing since the last one ends the combo.
    b.bonuses->plain_shot();
    b.bonuses->plain_shot();
    EXPECT_EQ(b.bonuses->counters.combo, 0);
}

TEST(Scoring, ColourMedalNeedsMoreThanHalf) {
    ShotBench b;
    norm(b, "consume_red", "3;4;20");
    b.begin();
    consume(b, balls({1, 1, 2, 2}), {});
    EXPECT_EQ(b.rec.count(lg::action_medal), 0);
    consume(b, balls({1, 1, 1, 2}), {});
    const auto* m = b.rec.last_payload<lg::GameActionMedal>(lg::action_medal);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->award, lg::MedalAward(lg::medal_consume_red, 1));
    EXPECT_EQ(m->value, 4);
    // Without score nothing is graded.
    b.rec.clear();
    Consume area;
    area.score = false;
    consume(b, balls({1, 1, 1, 1}), area);
    EXPECT_EQ(b.rec.count(lg::action_medal), 0);
}

TEST(Scoring, DropsOnlyAboveThePlatformLine) {
    ShotBench b;
    b.creator.params.bonus_balls_min = b.creator.params.bonus_balls_max = 3.0f;
    b.creator.params.coin_balls_min = b.creator.params.coin_balls_max = 6.0f;
    b.creator.settings[0].bonus_increment_for_seqs = 0.5f;
    b.begin();
    ASSERT_EQ(b.game.platform_y(), ShotBench::platform_line);
    consume(b, balls({1, 1, 1}, 100.0f), {});
    EXPECT_EQ(b.bonuses->bonuses.size(), 1u);
    EXPECT_EQ(b.bonuses->coins.size(), 0u);
    EXPECT_EQ(b.game.coin_timer().elapsed, 3.0f);
    // On the line and below: the counters fire and restart, nothing drops.
    consume(b, balls({1, 1, 1}, ShotBench::platform_line), {});
    EXPECT_EQ(b.bonuses->bonuses.size(), 1u);
    EXPECT_EQ(b.bonuses->coins.size(), 0u);
    EXPECT_EQ(b.game.bonus_timer().elapsed, 0.0f);
    EXPECT_EQ(b.game.coin_timer().elapsed, 0.0f);

    // Creatures ahead on a known way raise the value.
    Consume ahead;
    ahead.way = b.way;
    ahead.creatures_ahead = 2;
    consume(b, balls({2}), ahead);
    EXPECT_EQ(b.game.bonus_timer().elapsed, 2.0f) << "1 x (1 + 2 x 0.5)";
}

TEST(Scoring, SupplyDropsSendOnlyTheConsumingAction) {
    ShotBench b;
    b.creator.params.bonus_balls_min = b.creator.params.bonus_balls_max = 1.0f;
    b.creator.mission_balls = 10;
    b.begin();
    Consume nothing;
    nothing.mission = nothing.score = nothing.give_points = false;
    consume(b, balls({5, 5}), nothing);
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{lg::action_consuming_balls}));
    EXPECT_EQ(b.game.points(), 0);
    EXPECT_EQ(b.game.mission_progress(), 0.0f);
    EXPECT_EQ(b.game.bonus_timer().elapsed, 0.0f);
    // And an empty set sends nothing at all.
    b.rec.clear();
    consume(b, {}, {});
    EXPECT_TRUE(b.rec.events().empty());
}

TEST(Scoring, CreatureDestroyingSniperShotActionOrder) {
    ShotBench b;
    norm(b, "zelkors_destroying_sublevel", "1;2;3");
    norm(b, "consume_red", "3;10;20");
    norm(b, "jewels", "1;2;3");
    norm(b, "sniper_shot_red", "1;5;9");
    norm(b, "indirect", "1;5;9");
    b.creator.mission_balls = 10;
    b.begin();
    Consume c;
    c.creature_destroyed = true;
    c.by_shot = true;
    c.sniper_shot = true;
    c.indirect = 1;
    c.way = b.way;
    consume(b, balls({1, 1, 1}), c);
    EXPECT_EQ(b.rec.action_types(), (std::vector<std::int32_t>{21, 20, 20, 20, 0, 20, 20, 1}));
    std::vector<lg::MedalAward> medals;
    for (const auto& e : b.rec.events())
        if (const auto* m = e.act.payload<lg::GameActionMedal>()) medals.push_back(m->award);
    EXPECT_EQ(medals, (std::vector<lg::MedalAward>{{13, 0}, {0, 0}, {12, 1}, {8, 0}, {10, 0}}));
    // Two jewels: one for the creature, one for the sniper shot.
    EXPECT_EQ(b.bonuses->jewels.size(), 2u);
    EXPECT_EQ(b.game.medals_stats().jewels, 2u);
    const auto* p = b.rec.last_payload<lg::GameActionPoints>(lg::action_points);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->sniper_shot());
    EXPECT_EQ(p->points, 600);
    EXPECT_EQ(p->color, 1);
    EXPECT_FLOAT_EQ(b.game.mission_progress(), 3 * 100.001f / 10);
}

TEST(Scoring, PointsSaturateInsteadOfWrapping) {
    ShotBench b;
    b.begin();
    b.bonuses->counters.chain = 1000;
    Consume huge;
    huge.indirect = 1000000;
    consume(b, balls(std::vector<std::int32_t>(50, 2)), huge);
    EXPECT_EQ(last_points(b), std::numeric_limits<std::int32_t>::max());
    consume(b, balls({2, 2, 2}), huge);
    EXPECT_EQ(b.game.points(), std::numeric_limits<std::int32_t>::max());
}
