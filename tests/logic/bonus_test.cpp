#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <sstream>

#include "logic/Ball.h"
#include "logic/Bonus.h"
#include "logic/BonusWord.h"
#include "logic/Factories.h"
#include "orvek/io/SharedRefs.h"
#include "support/BonusHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();

// A straight way along y = 100 from 0 to 1000 with the explosion mark at
// path length explosion (and no finish mark when finish is false).
std::shared_ptr<lg::Way> walk_way(float explosion, bool finish = true) {
    lg::WayGeometry g = geometry({{0, 100}, {250, 100}, {500, 100}, {750, 100}, {1000, 100}}, false);
    g.marks[lg::WayGeometry::start_mark] = lg::WayPosition(0, {0, 100});
    if (finish) g.marks[lg::WayGeometry::finish_mark] = lg::WayPosition(3, {1000, 100});
    g.marks[lg::WayGeometry::explosion_mark] = lg::WayPosition(int(explosion / 250.0f), {explosion, 100});
    return way(g, true);
}

lg::Way* use_way(BonusBench& b, std::shared_ptr<lg::Way> w, int mission_balls = 0) {
    b.creator.ways = {std::move(w)};
    b.creator.settings = {quiet_settings()};
    b.creator.mission_balls = mission_balls;
    b.start();
    b.discard_chains();
    return b.game.ways().front().get();
}

struct Explosion {
    float x;
    bool last;
    int points;
};

std::vector<Explosion> explosions(const Recorder& r) {
    std::vector<Explosion> out;
    for (const auto& e : r.events())
        if (e.kind == Recorder::action && e.act.type == lg::action_level_complete_effect)
            if (const auto* p = e.act.payload<lg::GameActionLevelCompleteEffect>())
                out.push_back({p->position.x, p->last != 0, p->points});
    return out;
}

}  // namespace

// ---------------------------------------------------------------- the kind table

TEST(BonusKinds, TableIsCumulativeAndSkipsSequenceAcceleration) {
    BonusBench b;
    b.holder->set_probabilities({{1, 0.0f}, {2, 3.0f}, {15, 5.0f}, {5, 1.0f}});
    EXPECT_EQ(b.holder->kind_table(), (std::map<float, std::int32_t>{{0.75f, 2}, {1.0f, 5}}));
    struct {
        float r;
        std::int32_t kind;
    } draws[] = {{0.0f, 2}, {0.7499f, 2}, {0.75f, 5}, {0.9f, 5}, {1.0f, 5}};
    for (const auto& d : draws) EXPECT_EQ(b.holder->kind_for(d.r), d.kind) << d.r;

    std::set<std::int32_t> seen;
    for (int i = 0; i < 200; ++i) b.holder->create_bonus(Vector2(100.0f, 100.0f));
    for (const auto& f : b.holder->falling()) seen.insert(f->kind());
    EXPECT_EQ(seen, (std::set<std::int32_t>{2, 5}));
}

TEST(BonusKinds, NothingToDrawMakesNoBonus) {
    const std::vector<std::pair<std::int32_t, float>> tables[] = {
        {},
        {{3, 0.0f}, {4, -2.0f}},
        {{15, 4.0f}},
        {{0, 1.0f}, {16, 1.0f}, {-1, 2.0f}},
        {{2, std::numeric_limits<float>::quiet_NaN()}},
    };
    for (const auto& t : tables) {
        BonusBench b;
        b.holder->set_probabilities(t);
        EXPECT_TRUE(b.holder->kind_table().empty());
        EXPECT_EQ(b.holder->kind_for(0.5f), -1);
        b.holder->create_bonus(Vector2(100.0f, 100.0f));
        EXPECT_TRUE(b.holder->falling().empty());
    }
    // Codes outside 1..14 are left out, the others still drawn.
    BonusBench b;
    b.holder->set_probabilities({{99, 5.0f}, {4, 1.0f}});
    EXPECT_EQ(b.holder->kind_table(), (std::map<float, std::int32_t>{{1.0f, 4}}));
}

TEST(BonusKinds, SetUpHandsTheWeightsToTheHolder) {
    BonusBench b;
    b.creator.extra = [](lg::GameSetup& s) { s.set_bonus_probabilities({{7, 1.0f}}); };
    b.start_quiet();
    EXPECT_EQ(b.holder->kind_table(), (std::map<float, std::int32_t>{{1.0f, 7}}));
}

// ---------------------------------------------------------------- effects

TEST(BonusEffects, ASecondEffectProlongsTheRunningOne) {
    BonusBench b;
    b.run(5, 0.2f);
    auto first = std::make_shared<lg::BonusSpeed>(&b.game, lg::effect_slowing, 10.0f);
    auto second = std::make_shared<lg::BonusSpeed>(&b.game, lg::effect_slowing, 10.0f);
    const float end = first->end_time();
    EXPECT_FLOAT_EQ(end, b.game.time() + 10.0f);
    b.holder->add(first);
    b.holder->add(second);
    EXPECT_EQ(b.holder->effects()[lg::effect_slowing], first);
    EXPECT_FLOAT_EQ(first->end_time(), end + 10.0f);

    auto pull = std::make_shared<lg::BonusPullInApplier>(&b.game, 5.0f);
    b.holder->add(pull);
    b.holder->add(std::make_shared<lg::BonusPullInApplier>(&b.game, 100.0f));
    EXPECT_FLOAT_EQ(pull->end_time(), 35.0f);
}

TEST(BonusEffects, TimedEffectsEndAtTheirEndTime) {
    BonusBench b;
    // (Go back and stop also end when no chain is left in the field.)
    b.holder->add(std::make_shared<lg::BonusSpeed>(&b.game, lg::effect_slowing, 1.0f));
    b.run(4, 0.2f);
    EXPECT_TRUE(b.holder->is_slowing_active());
    b.run(2, 0.2f);
    EXPECT_GE(b.game.time(), 1.0f);
    EXPECT_FALSE(b.holder->is_slowing_active());
}

TEST(BonusEffects, CancelAndDropEmptyTheirSlots) {
    BonusBench b;
    for (int k : {lg::effect_slowing, lg::effect_go_back, lg::effect_stop})
        b.holder->add(std::make_shared<lg::BonusSpeed>(&b.game, k, 10.0f));
    b.holder->add(std::make_shared<lg::BonusIntensifierApplier>(&b.game, 1u));
    b.holder->cancel_go_back_and_stop();
    EXPECT_TRUE(b.holder->is_slowing_active());
    EXPECT_FALSE(b.holder->is_go_back_active() || b.holder->is_stop_active());
    b.holder->cancel_intensifier();
    EXPECT_FALSE(b.holder->is_intensifier_active());
    b.holder->drop_effects();
    EXPECT_EQ(b.holder->effects(), std::vector<std::shared_ptr<lg::BonusBase>>(6));
}

TEST(BonusEffects, IntensifierWaitsForASpecialBall) {
    BonusBench b;
    b.drop(lg::bonus_intensifier, b.catch_point());
    b.holder->update(0.0f);
    EXPECT_TRUE(b.holder->is_intensifier_active());
    EXPECT_TRUE(b.platform().is_intensified());
    b.holder->update(0.1f);
    EXPECT_TRUE(b.holder->is_intensifier_active());

    b.platform().set_special(lg::ball_bomb);
    auto bomb = std::dynamic_pointer_cast<lg::BallBomb>(b.platform().ball());
    ASSERT_NE(bomb, nullptr);
    EXPECT_FALSE(bomb->intensified());
    b.rec.clear();
    b.holder->update(0.1f);
    EXPECT_TRUE(bomb->intensified());
    EXPECT_EQ(bomb->effect_size(), 200.0f);
    EXPECT_EQ(b.rec.count(lg::action_intensify), 1);
    EXPECT_FALSE(b.holder->is_intensifier_active());
}

TEST(BonusEffects, IntensifierProlongsRunningEffectsAtOnce) {
    BonusBench b;
    auto slowing = std::make_shared<lg::BonusSpeed>(&b.game, lg::effect_slowing, 10.0f);
    b.holder->add(slowing);
    b.drop(lg::bonus_intensifier, b.catch_point());
    b.holder->update(0.0f);
    EXPECT_FLOAT_EQ(slowing->end_time(), 20.0f);
    EXPECT_FALSE(b.holder->is_intensifier_active());
}

TEST(BonusEffects, PullInSteersBonusesAboveThePlatform) {
    struct {
        float dx, vx, vy, dy, g, expected;
    } cases[] = {
        {100.0f, 0.0f, 0.0f, -450.0f, 30.0f, 2.0f * 100.0f / 30.0f},
        {400.0f, 0.0f, 0.0f, -10.0f, 30.0f, 200.0f},
        {-400.0f, 0.0f, 0.0f, -10.0f, 30.0f, -200.0f},
        {100.0f, 0.0f, 0.0f, -450.0f, 0.0f, 0.0f},  // no gravity: no time to land
    };
    for (const auto& c : cases)
        EXPECT_NEAR(lg::pull_in_acceleration(c.dx, c.vx, c.vy, c.dy, c.g), c.expected, 1e-3f) << c.dx;

    BonusBench b;
    b.holder->add(std::make_shared<lg::BonusPullInApplier>(&b.game, 0.5f));
    auto above = b.drop(lg::bonus_coin, Vector2(300.0f, 100.0f));
    auto below = b.drop(lg::bonus_coin, Vector2(300.0f, 560.0f), Vector2(5.0f, 0.0f));
    b.holder->update(0.1f);
    EXPECT_NEAR(above->velocity().x, 0.1f * 2.0f * 100.0f / 30.0f, 1e-4f);
    EXPECT_EQ(above->velocity().y, 3.0f);  // gravity only
    EXPECT_EQ(below->velocity().x, 5.0f);
    b.run(3, 0.2f);
    EXPECT_EQ(b.holder->effects()[lg::effect_pull_in], nullptr);
}

// ---------------------------------------------------------------- combo and chain

TEST(BonusChain, ChainSurvivesOnlyWhileABallFliesOrAJoinIsToCome) {
    struct Case {
        const char* name;
        std::vector<std::int32_t> behind, ahead;
        bool flying;
        std::int32_t chain;
    } cases[] = {
        {"nothing pending", {}, {}, false, 0},
        {"ball in flight", {}, {}, true, 1},
        {"join makes a run of three", {1, 2, 3}, {3, 3}, false, 1},
        {"join of a wild ball", {1, 2, 9}, {3, 1}, false, 1},
        {"join of two only", {1, 2, 3}, {3, 1}, false, 0},
        {"colours differ", {1, 2, 2}, {3, 3}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BonusBench b;
        if (!c.behind.empty()) {
            b.chain(b.way, c.behind, 300.0f);
            b.chain(b.way, c.ahead, 600.0f);
        }
        std::shared_ptr<TestFlying> f;
        if (c.flying) {
            f = std::make_shared<TestFlying>();
            b.game.add_flying_ball(f);
        }
        b.holder->register_consumption(false, true);
        EXPECT_EQ(b.holder->chain_count(), 1);
        b.holder->update(0.0f);
        EXPECT_EQ(b.holder->chain_count(), c.chain);
        if (f) b.game.drop_flying_ball(f.get());
    }
}

TEST(BonusChain, ComboRules) {
    BonusBench b;
    EXPECT_TRUE(b.holder->register_consumption(true, true));
    EXPECT_FALSE(b.holder->register_consumption(true, true));  // once per shot
    EXPECT_EQ(b.holder->combo_count(), 1);
    EXPECT_EQ(b.holder->chain_count(), 2);
    b.holder->plain_shot();
    EXPECT_EQ(b.holder->combo_count(), 1);
    EXPECT_FALSE(b.holder->match_flag());
    b.holder->plain_shot();
    EXPECT_EQ(b.holder->combo_count(), 0);
}

// ---------------------------------------------------------------- the level-complete walk

TEST(BonusWalk, PointsAreMultiplesOfFifty) {
    struct {
        float d;
        std::int32_t points;
    } cases[] = {{120.0f, 200}, {130.0f, 250}, {0.0f, 0},   {24.4f, 0},
                 {24.5f, 50},   {inf, 0},      {std::nanf(""), 0}, {-inf, 0}};
    for (const auto& c : cases) EXPECT_EQ(lg::level_complete_points(c.d, 2.0f), c.points) << c.d;
}

TEST(BonusWalk, ExplosionsWalkBackToTheFrontAndScore) {
    struct Case {
        float front;
        int points;
    } cases[] = {{880.0f, 200}, {870.0f, 250}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.front);
        BonusBench b;
        lg::Way* w = use_way(b, walk_way(940.0f));
        b.chain(w, {1, 2}, c.front);
        b.run(1, 0.2f);
        EXPECT_FLOAT_EQ(b.holder->front_records().at(0).point.x, c.front);
        b.rec.clear();

        b.holder->start_level_complete_effect();
        const auto* start = b.rec.last_payload<lg::GameActionLevelCompleteEffectStart>(
            lg::action_level_complete_effect_start);
        ASSERT_NE(start, nullptr);
        EXPECT_NEAR(start->duration, (940.0f - c.front) / 100.0f, 1e-4f);
        EXPECT_FLOAT_EQ(b.holder->next_explosion_time(), b.game.time());

        const int points = b.game.points();
        b.run(1, 0.2f);
        b.run(1, 0.1f);  // between two explosions
        b.run(1, 0.1f);
        b.run(5, 0.2f);
        const auto ex = explosions(b.rec);
        ASSERT_GE(ex.size(), 4u);
        EXPECT_FLOAT_EQ(ex[0].x, 940.0f);
        EXPECT_FLOAT_EQ(ex[1].x, 920.0f);
        EXPECT_FLOAT_EQ(ex[2].x, 900.0f);
        EXPECT_FALSE(ex[0].last);
        EXPECT_TRUE(ex.back().last);
        EXPECT_FLOAT_EQ(ex.back().x, c.front);
        EXPECT_EQ(ex.back().points, c.points);
        EXPECT_EQ(b.game.points(), points + c.points);
        EXPECT_EQ(b.holder->finished_ways().size(), 1u);
        EXPECT_LT(b.holder->finish_time(), inf);
    }
}

TEST(BonusWalk, MissingFinishMarkScoresNothing) {
    BonusBench b;
    use_way(b, walk_way(40.0f, false));
    b.run(1, 0.2f);
    b.holder->start_level_complete_effect();
    b.run(5, 0.2f);
    const auto ex = explosions(b.rec);
    ASSERT_FALSE(ex.empty());
    EXPECT_TRUE(ex.back().last);
    EXPECT_EQ(ex.back().points, 0);
    EXPECT_EQ(b.game.points(), 0);
}

TEST(BonusWalk, MissionCompletesOnlyAfterTheFinishDelay) {
    BonusBench b;
    use_way(b, walk_way(40.0f), 10);
    b.game.add_mission_progress(100.0f);
    b.rec.clear();
    float finished_at = -1.0f;
    for (int i = 0; i < 30 && finished_at < 0.0f; ++i) {
        b.game.update(0.2f);
        if (b.game.mission()->is_finished()) finished_at = b.game.time();
    }
    EXPECT_EQ(b.rec.count(lg::action_level_complete_effect_start), 1);
    const auto ex = explosions(b.rec);
    ASSERT_EQ(ex.size(), 3u);  // 40, 20, then the start mark
    EXPECT_EQ(ex.back().points, 2000);
    const float finish = b.holder->finish_time();
    EXPECT_NEAR(finish, 0.8f + 1.5f, 1e-4f);
    EXPECT_GE(finished_at, finish);
    EXPECT_LT(finished_at, finish + 0.2f + 1e-4f);
    EXPECT_EQ(b.game.mission()->state(), 1u);
}

TEST(BonusWalk, ResetMakesEverythingIdleAndKeepsTheWords) {
    BonusBench b;
    use_way(b, walk_way(40.0f));
    b.holder->add(std::make_shared<lg::BonusSpeed>(&b.game, lg::effect_slowing, 10.0f));
    auto falling = b.drop(lg::bonus_coin, Vector2(100.0f, 100.0f));
    b.holder->offer_letter('A');
    b.holder->register_consumption(true, true);
    b.holder->start_level_complete_effect();
    b.run(3, 0.2f);
    b.rec.clear();

    b.holder->reset();
    EXPECT_EQ(b.rec.trace(), "-o1");
    EXPECT_EQ(falling->game(), nullptr);
    EXPECT_TRUE(b.holder->falling().empty());
    EXPECT_FALSE(b.holder->is_slowing_active());
    EXPECT_EQ(b.holder->effects().size(), 6u);
    EXPECT_TRUE(b.holder->walk_records().empty() && b.holder->front_records().empty());
    EXPECT_TRUE(b.holder->finished_ways().empty());
    EXPECT_EQ(b.holder->next_explosion_time(), inf);
    EXPECT_EQ(b.holder->finish_time(), inf);
    EXPECT_FALSE(b.holder->level_complete_finished());
    EXPECT_EQ(b.holder->combo_count() + b.holder->chain_count(), 0);
    EXPECT_EQ(b.holder->marked_letters(), (std::vector<std::uint8_t>{'A'}));
}

// ---------------------------------------------------------------- stream form

namespace {

std::string save_holder(const lg::ActiveBonuses& h) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    out.write_header();
    h.save(out);
    EXPECT_TRUE(out.good());
    return buf.str();
}

void load_holder(const std::string& bytes, lg::ActiveBonuses& h) {
    std::stringbuf buf(bytes);
    orvek::io::IStream in(&buf);
    in.read_header();
    h.load(in);
    EXPECT_TRUE(in.good());
}

}  // namespace

TEST(BonusStream, RoundTripRelinksEverythingToTheNewGame) {
    ASSERT_FALSE(lg::logic_factory_names().empty());
    BonusBench a;
    use_way(a, walk_way(40.0f));
    a.holder->set_probabilities({{2, 1.0f}, {13, 1.0f}});
    a.holder->add(std::make_shared<lg::BonusSpeed>(&a.game, lg::effect_slowing, 10.0f));
    a.holder->add(std::make_shared<lg::BonusPullInApplier>(&a.game, 12.0f));
    a.drop(lg::bonus_coin, Vector2(100.0f, 200.0f), Vector2(3.0f, 4.0f));
    a.drop(lg::bonus_letter, Vector2(150.0f, 250.0f));
    a.holder->offer_letter('B');
    a.holder->start_level_complete_effect();
    a.game.update(0.2f);
    a.game.update(0.2f);
    a.game.update(0.2f);
    a.holder->create_kind(lg::bonus_coin, Vector2(10.0f, 10.0f));
    // Added last: a step would spend the intensifier and reset the chain.
    a.holder->register_consumption(true, true);
    a.holder->add(std::make_shared<lg::BonusIntensifierApplier>(&a.game, 1u));
    ASSERT_EQ(a.holder->finished_ways().size(), 1u);
    const std::string bytes = save_holder(*a.holder);

    BonusBench b("XYZ");
    load_holder(bytes, *b.holder);
    const auto& h = *b.holder;
    EXPECT_EQ(h.effects().size(), 6u);
    for (int k : {lg::effect_slowing, lg::effect_pull_in, lg::effect_intensifier}) {
        ASSERT_NE(h.effects()[std::size_t(k)], nullptr) << k;
        EXPECT_EQ(h.effects()[std::size_t(k)]->kind(), k);
        EXPECT_EQ(h.effects()[std::size_t(k)]->game(), &b.game);
    }
    EXPECT_FLOAT_EQ(static_cast<lg::BonusPullInApplier&>(*h.effects()[lg::effect_pull_in]).end_time(),
                    static_cast<lg::BonusPullInApplier&>(*a.holder->effects()[lg::effect_pull_in]).end_time());
    ASSERT_EQ(h.falling().size(), 3u);
    const auto& coin = *h.falling().front();
    EXPECT_EQ(coin.kind(), lg::bonus_coin);
    EXPECT_EQ(coin.velocity(), a.holder->falling().front()->velocity());
    for (const auto& f : h.falling()) {
        EXPECT_EQ(f->game(), &b.game);
        EXPECT_EQ(f->bonuses(), b.holder.get());
    }
    EXPECT_EQ(b.rec.trace(), "+o1 +o2 +o3");
    EXPECT_EQ(h.marked_letters(), (std::vector<std::uint8_t>{'B'}));
    EXPECT_EQ(h.words()[0]->game(), &b.game);
    EXPECT_EQ(h.chain_count(), 1);
    EXPECT_EQ(h.combo_count(), 1);
    EXPECT_TRUE(h.match_flag());
    EXPECT_EQ(h.kind_table(), a.holder->kind_table());
    EXPECT_EQ(h.front_records(), a.holder->front_records());
    EXPECT_EQ(h.walk_records(), a.holder->walk_records());
    EXPECT_EQ(h.next_explosion_time(), a.holder->next_explosion_time());
    EXPECT_EQ(h.finish_time(), a.holder->finish_time());
    EXPECT_EQ(h.finished_ways().size(), 1u);
    EXPECT_EQ(h.created_this_step(), 1u);

    // The loaded bonuses fall on in the new game.
    b.holder->update(0.1f);
    EXPECT_NE(h.falling().front()->position(), Vector2(100.0f, 200.0f));
}

TEST(BonusStream, EffectSlotsAreSixWhateverTheFileSays) {
    ASSERT_FALSE(lg::logic_factory_names().empty());
    for (std::uint32_t count : {0u, 2u, 9u}) {
        SCOPED_TRACE(count);
        std::stringbuf buf;
        orvek::io::OStream out(&buf);
        out.write_header();
        out << std::uint8_t(0) << count;
        for (std::uint32_t i = 0; i < count; ++i)
            orvek::io::save_shared(out, std::shared_ptr<lg::BonusBase>(
                                            i == 1 ? std::make_shared<lg::BonusSpeed>(nullptr, lg::effect_stop, 1.0f)
                                                   : nullptr));
        out << 0u << 0u << 0u << 0u << std::uint8_t(0) << std::uint8_t(0) << 0u;  // lists, counters, table
        out << 0u << 0u << inf << inf << 0u << 0u;  // records, times, finished ways, created
        BonusBench b;
        load_holder(buf.str(), *b.holder);
        EXPECT_EQ(b.holder->effects().size(), 6u);
        EXPECT_EQ(b.holder->is_stop_active(), count > 1);
        EXPECT_TRUE(b.holder->words().empty());
        b.holder->update(0.1f);
    }
}
