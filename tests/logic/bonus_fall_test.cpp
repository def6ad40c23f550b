#include <gtest/gtest.h>

#include <cmath>

#include "logic/Ball.h"
#include "logic/Bonus.h"
#include "logic/BonusWord.h"
#include "support/BonusHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

const lg::GameActionMedalsStats* stats_of(const Recorder& r) {
    return r.last_payload<lg::GameActionMedalsStats>(lg::action_medals_stats);
}

bool in_list(const lg::ActiveBonuses& h, const std::shared_ptr<lg::BonusFall>& b) {
    for (const auto& x : h.falling())
        if (x == b) return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------- the loop

TEST(BonusFallLoop, TouchingThePlatformIsCaughtWithoutMoving) {
    BonusBench b;
    const Vector2 at = b.catch_point() + Vector2(75.0f, 20.0f);  // the rectangle's corner
    auto bonus = b.drop(lg::bonus_progress, at, Vector2(100.0f, -50.0f));
    b.rec.clear();
    b.holder->update(0.1f);

    EXPECT_FALSE(in_list(*b.holder, bonus));
    EXPECT_EQ(bonus->position(), at);
    EXPECT_EQ(bonus->game(), nullptr);
    EXPECT_EQ(b.rec.trace(), "a2 a21 -o1");
    const auto* caught = b.rec.last_payload<lg::GameActionCatchBonus>(lg::action_catch_bonus);
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(caught->position, at);
    EXPECT_EQ(caught->name, "menu/bonuses/Progress");
    EXPECT_EQ(stats_of(b.rec)->code, lg::medals_stats_bonus_caught);
}

TEST(BonusFallLoop, InTheFieldItMovesFallsAndSpins) {
    BonusBench b;
    auto bonus = b.drop(lg::bonus_coin, Vector2(100.0f, 100.0f), Vector2(10.0f, -20.0f));
    bonus->set_rotation(6.2f);
    b.holder->update(0.5f);
    EXPECT_TRUE(in_list(*b.holder, bonus));
    EXPECT_EQ(bonus->position(), Vector2(105.0f, 90.0f));  // the velocity before the step
    EXPECT_FLOAT_EQ(bonus->velocity().y, -20.0f + 30.0f * 0.5f);
    EXPECT_NEAR(bonus->rotation(), 6.2f + 3.14159265f - 6.2831855f, 1e-5f);
}

TEST(BonusFallLoop, LeavingThroughTheBottomIsLost) {
    struct Case {
        std::int32_t kind;
        float y;
        bool lost;
        int stats;
    } cases[] = {
        {lg::bonus_coin, 615.0f, false, 0},  // top at the field's height: still in
        {lg::bonus_coin, 615.5f, true, 1},
        {lg::bonus_sequence_acceleration, 700.0f, true, 0},  // lost silently
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.y);
        BonusBench b;
        auto bonus = b.drop(c.kind, Vector2(100.0f, c.y));
        b.rec.clear();
        b.holder->update(0.1f);
        EXPECT_EQ(in_list(*b.holder, bonus), !c.lost);
        EXPECT_EQ(bonus->game() == nullptr, c.lost);
        EXPECT_EQ(b.rec.count(lg::action_medals_stats), c.stats);
        if (c.stats) {
            EXPECT_EQ(stats_of(b.rec)->code, lg::medals_stats_bonus_missed);
        }
        if (c.lost) {
            EXPECT_EQ(bonus->position(), Vector2(100.0f, c.y));
        }
    }
}

TEST(BonusFallLoop, WallsReflectWithEightyPercent) {
    struct Case {
        float x, vx, expected;
    } cases[] = {
        {799.0f, 100.0f, -80.0f},  // right wall at width - 1
        {799.0f, -100.0f, -100.0f},
        {798.5f, 100.0f, 100.0f},
        {0.0f, -100.0f, 80.0f},  // left wall
        {0.0f, 100.0f, 100.0f},
        {-3.0f, -50.0f, 40.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x + c.vx);
        BonusBench b;
        auto bonus = b.drop(lg::bonus_coin, Vector2(c.x, 100.0f), Vector2(c.vx, 0.0f));
        b.holder->update(0.01f);
        EXPECT_FLOAT_EQ(bonus->velocity().x, c.expected);
        EXPECT_FLOAT_EQ(bonus->position().x, c.x + c.expected * 0.01f);
    }
}

TEST(BonusFallLoop, ACatchThatMakesNewBonusesKeepsTheLoopSound) {
    BonusBench b;
    // A whole creature of colour 2: the colour bomb empties it, which
    // drops a jewel while the falling list is being walked.
    lg::Sequence* creature = b.creature(b.way, {2, 2, 2}, 300.0f, true, true);
    ASSERT_EQ(creature->balls().size(), 3u);
    auto bomb = b.drop(lg::bonus_color_bomb, b.catch_point());
    ASSERT_NE(bomb, nullptr);
    EXPECT_EQ(std::static_pointer_cast<lg::BonusColorBomb>(bomb)->color(), 2);
    auto after = b.drop(lg::bonus_coin, Vector2(200.0f, 200.0f), Vector2(0.0f, 10.0f));
    b.rec.clear();

    b.holder->update(0.1f);
    EXPECT_TRUE(creature->empty());
    EXPECT_EQ(b.rec.count(lg::action_consuming_balls), 1);
    ASSERT_EQ(b.holder->falling().size(), 2u);
    EXPECT_EQ(b.holder->falling().front(), after);
    EXPECT_EQ(b.holder->falling().back()->kind(), lg::bonus_jewel);
    EXPECT_EQ(after->position(), Vector2(200.0f, 201.0f));  // the later bonus still moved
    b.run(3);
    EXPECT_TRUE(b.rec.payload_faults().empty());
}

// ---------------------------------------------------------------- launch and names

TEST(BonusFallLaunch, EachBonusOfAStepStartsFaster) {
    BonusBench b;
    const float expected[] = {30.0f, 80.0f, 130.0f};
    for (float speed : expected) {
        auto bonus = b.holder->create_kind(lg::bonus_coin, Vector2(100.0f, 100.0f));
        const Vector2 v = bonus->velocity();
        EXPECT_NEAR(v.length(), speed, 1e-3f);
        // Upwards, within 45 degrees of vertical.
        EXPECT_LT(v.y, 0.0f);
        EXPECT_LE(std::fabs(v.x), std::fabs(v.y) + 1e-3f);
        EXPECT_EQ(bonus->draw_order(), 2000);
    }
    b.holder->update(0.0f);
    EXPECT_NEAR(b.holder->create_kind(lg::bonus_coin, Vector2(100.0f, 100.0f))->velocity().length(), 30.0f, 1e-3f);
}

TEST(BonusFallLaunch, NamesComeFromTheSkinOrArePoints) {
    BonusBench b;
    b.skin.text("menu/bonuses/slowing", "Slow down");
    EXPECT_EQ(b.holder->create_kind(lg::bonus_slowing, Vector2())->name(), "Slow down");
    EXPECT_EQ(b.holder->create_kind(lg::bonus_wild_ball, Vector2())->name(), "menu/bonuses/wild_ball");
    EXPECT_EQ(b.holder->create_kind(lg::bonus_coin, Vector2())->name(), "250");
    EXPECT_EQ(b.holder->create_kind(lg::bonus_letter, Vector2())->name(), "1000");
    lg::BonusJewel jewel(b.holder.get(), Vector2(), 2);
    EXPECT_EQ(jewel.name(), "3000");
    EXPECT_EQ(b.holder->create_kind(0, Vector2()), nullptr);
    EXPECT_EQ(b.holder->create_kind(16, Vector2()), nullptr);
}

TEST(BonusFallLaunch, DrawsWithoutACandidateMakeNoBonus) {
    BonusBench b("");
    // No ball in the field and no colour of the sub-level.
    lg::Game bare;
    lg::ActiveBonuses holder(&bare);
    EXPECT_EQ(holder.create_kind(lg::bonus_color_bomb, Vector2()), nullptr);
    // No unmarked letter.
    EXPECT_EQ(b.holder->create_kind(lg::bonus_letter, Vector2()), nullptr);
    // The colour bomb falls back on the sub-level's colours.
    auto bomb = b.holder->create_kind(lg::bonus_color_bomb, Vector2());
    ASSERT_NE(bomb, nullptr);
    const std::int32_t c = std::static_pointer_cast<lg::BonusColorBomb>(bomb)->color();
    EXPECT_TRUE(c == 1 || c == 2 || c == 3);
}

// ---------------------------------------------------------------- catch effects

TEST(BonusFallCatch, EachKindsEffect) {
    struct Case {
        std::int32_t kind;
        std::function<void(BonusBench&)> check;
    } cases[] = {
        {lg::bonus_wild_ball,
         [](BonusBench& b) {
             const auto& ball = b.platform().ball();
             ASSERT_NE(ball, nullptr);
             EXPECT_EQ(ball->kind(), lg::ball_plain);
             EXPECT_EQ(ball->color(), lg::color_wild);
             EXPECT_EQ(ball->draw_order(), 3000);
             EXPECT_EQ(ball->game(), &b.game);
         }},
        {lg::bonus_slowing, [](BonusBench& b) { EXPECT_TRUE(b.holder->is_slowing_active()); }},
        {lg::bonus_go_back, [](BonusBench& b) { EXPECT_TRUE(b.holder->is_go_back_active()); }},
        {lg::bonus_stop,
         [](BonusBench& b) {
             EXPECT_TRUE(b.holder->is_stop_active());
             auto* e = dynamic_cast<lg::BonusSpeed*>(b.holder->effects()[lg::effect_stop].get());
             ASSERT_NE(e, nullptr);
             EXPECT_FLOAT_EQ(e->end_time(), b.game.time() + 10.0f);
         }},
        {lg::bonus_bomb, [](BonusBench& b) { EXPECT_EQ(b.platform().ball()->kind(), lg::ball_bomb); }},
        {lg::bonus_lightning, [](BonusBench& b) { EXPECT_EQ(b.platform().ball()->kind(), lg::ball_lightning); }},
        {lg::bonus_aiming_hit, [](BonusBench& b) { EXPECT_EQ(b.platform().ball()->kind(), lg::ball_aiming_hit); }},
        {lg::bonus_pull_in,
         [](BonusBench& b) {
             auto* e = dynamic_cast<lg::BonusPullInApplier*>(b.holder->effects()[lg::effect_pull_in].get());
             ASSERT_NE(e, nullptr);
             EXPECT_FLOAT_EQ(e->end_time(), b.game.time() + 30.0f);
         }},
        {lg::bonus_intensifier, [](BonusBench& b) { EXPECT_TRUE(b.holder->is_intensifier_active()); }},
        {lg::bonus_progress, [](BonusBench& b) { EXPECT_FLOAT_EQ(b.game.mission_progress(), 10.0f); }},
        {lg::bonus_coin,
         [](BonusBench& b) {
             EXPECT_EQ(b.game.points(), 250);
             EXPECT_EQ(b.game.coins(), 1);
         }},
        {lg::bonus_letter,
         [](BonusBench& b) {
             EXPECT_EQ(b.game.points(), 1000);
             EXPECT_EQ(b.holder->marked_letters().size(), 1u);
             EXPECT_EQ(b.rec.count(lg::action_letter_activate), 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        BonusBench b;
        b.creator.mission_balls = 10;
        b.start_quiet();
        b.rec.clear();
        b.drop(c.kind, b.catch_point());
        b.holder->update(0.0f);
        EXPECT_EQ(b.rec.count(lg::action_catch_bonus), 1);
        EXPECT_TRUE(b.holder->falling().empty());
        c.check(b);
    }
}

TEST(BonusFallCatch, JewelIsWorthItsIndex) {
    BonusBench b;
    lg::BonusJewel jewel(b.holder.get(), b.catch_point(), 2);
    jewel.on_caught();
    EXPECT_EQ(b.game.points(), 3000);
    // Drawn jewels take an index below "bonuses/@jewels_quantity".
    for (int i = 0; i < 20; ++i) {
        auto j = std::static_pointer_cast<lg::BonusJewel>(b.holder->create_kind(lg::bonus_jewel, Vector2()));
        EXPECT_LT(j->index(), 3u);
    }
}

TEST(BonusFallCatch, CoinsBuyALifeAtEveryMultiple) {
    BonusBench b;  // three coins for a life
    const int lives = b.game.lives();
    for (int i = 1; i <= 6; ++i) {
        lg::BonusCoin(b.holder.get(), Vector2()).on_caught();
        EXPECT_EQ(b.game.lives(), lives + i / 3) << i;
    }
    EXPECT_EQ(b.game.points(), 6 * 250);
}

TEST(BonusFallCatch, SequenceAccelerationPushesEveryChainAndUsesTheIntensifier) {
    BonusBench b;
    lg::Sequence* a = b.chain(b.way, {1, 2}, 200.0f);
    lg::Sequence* c = b.chain(b.way, {3, 1}, 500.0f);
    lg::BonusSequenceAcceleration push(b.holder.get(), Vector2());
    push.on_caught();
    EXPECT_TRUE(push.accelerated());
    EXPECT_FLOAT_EQ(a->motion().speed, 100.0f);
    EXPECT_FLOAT_EQ(c->motion().speed, 100.0f);

    b.holder->add(std::make_shared<lg::BonusIntensifierApplier>(&b.game, 1u));
    push.on_caught();
    EXPECT_FLOAT_EQ(a->motion().speed, 300.0f);
    EXPECT_FALSE(b.holder->is_intensifier_active());
}

TEST(BonusFallStream, KindsComeBackWithTheirField) {
    BonusBench b;
    lg::BonusLetter letter(b.holder.get(), Vector2(12.0f, 34.0f), 'Q');
    letter.set_rotation(1.5f);
    lg::BonusLetter back;
    load_plain(save_plain(letter), back);
    EXPECT_EQ(back.letter(), 'Q');
    EXPECT_EQ(back.kind(), lg::bonus_letter);
    EXPECT_EQ(back.name(), "1000");
    EXPECT_EQ(back.position(), letter.position());
    EXPECT_EQ(back.velocity(), letter.velocity());
    EXPECT_EQ(back.rotation(), 1.5f);
    EXPECT_EQ(back.draw_order(), 2000);

    lg::BonusColorBomb bomb(b.holder.get(), Vector2(), 7);
    lg::BonusColorBomb bomb_back;
    load_plain(save_plain(bomb), bomb_back);
    EXPECT_EQ(bomb_back.color(), 7);
    lg::BonusJewel jewel(b.holder.get(), Vector2(), 2);
    lg::BonusJewel jewel_back;
    load_plain(save_plain(jewel), jewel_back);
    EXPECT_EQ(jewel_back.index(), 2u);
    EXPECT_EQ(jewel_back.bonuses(), nullptr);
    // Relinking to a game finds its bonus holder.
    jewel_back.relink_game(&b.game);
    EXPECT_EQ(jewel_back.bonuses(), b.holder.get());
}
