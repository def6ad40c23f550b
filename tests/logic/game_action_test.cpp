#include <gtest/gtest.h>

#include "logic/GameAction.h"
#include "logic/Way.h"
#include "support/LogicHarness.h"

namespace logic = orvek::trelm::logic;
using logic::GameAction;

TEST(GameAction, EachCodeCarriesItsDocumentedPayload) {
    using namespace logic;
    const GameAction sent[] = {
        make_game_action<GameActionPoints>(action_points, orvek::trelm::Vector2(1, 2), 3, 300),
        make_game_action<GameActionConsumingBalls>(action_consuming_balls),
        make_game_action<GameActionCatchBonus>(action_catch_bonus, orvek::trelm::Vector2(), "menu/bonuses_x"),
        GameAction(action_restart),
        GameAction(action_restart_after_life_lost),
        make_game_action<GameActionSequenceRollInComplete>(action_sequence_roll_in_complete),
        make_game_action<GameActionLightning>(action_lightning, orvek::trelm::Vector2(), true),
        make_game_action<GameActionIntensify>(action_intensify, orvek::trelm::Vector2()),
        GameAction(action_flying_ball_hit),
        make_game_action<GameActionExplosion>(action_explosion, orvek::trelm::Vector2(), false),
        GameAction(action_sequences_connection),
        make_game_action<GameActionSequenceRoll>(action_sequence_roll, 120.0f),
        GameAction(action_shoot),
        GameAction(action_bonus_word_complete),
        make_game_action<GameActionLetterActivate>(action_letter_activate, 2),
        make_game_action<GameActionLevelCompleteEffect>(action_level_complete_effect, -1,
                                                        orvek::trelm::Vector2(), true, 50),
        make_game_action<GameActionLevelCompleteEffectStart>(action_level_complete_effect_start, 2.5f),
        make_game_action<GameActionHeadAndTailDestroing>(action_head_and_tail_destroing,
                                                         orvek::trelm::Vector2(), orvek::trelm::Vector2()),
        make_game_action<GameActionAimingHit>(action_aiming_hit, false),
        *teleportation_action(4),
        make_game_action<GameActionMedal>(action_medal, MedalAward(3, 1), 20),
        make_game_action<GameActionMedalsStats>(action_medals_stats, medals_stats_bonus_caught),
        GameAction(action_game_lost),
    };
    ASSERT_EQ(std::size(sent), std::size_t(game_action_type_count));
    logictest::Recorder rec;
    for (std::int32_t code = 0; code < game_action_type_count; ++code) {
        EXPECT_EQ(sent[code].type, code);
        const bool empty = std::string(logictest::documented_payload(code)).empty();
        EXPECT_EQ(sent[code].data == nullptr, empty) << code;
        rec.on_action(sent[code]);
    }
    EXPECT_TRUE(rec.payload_faults().empty());

    // A payload of the wrong class is caught by the recorder.
    rec.on_action(make_game_action<GameActionSequenceRoll>(action_points, 1.0f));
    rec.on_action(make_game_action<GameActionSequenceRoll>(action_shoot, 1.0f));
    EXPECT_EQ(rec.payload_faults().size(), 2u);
    // An empty payload is accepted for every code.
    EXPECT_TRUE(logictest::payload_matches(GameAction(action_points)));
}

TEST(GameAction, NegativeTeleportLinkSendsNothing) {
    EXPECT_FALSE(logic::teleportation_action(-1).has_value());
    const auto a = logic::teleportation_action(0);
    ASSERT_TRUE(a.has_value());
    ASSERT_NE(a->payload<logic::GameActionTeleportation>(), nullptr);
    EXPECT_EQ(a->payload<logic::GameActionTeleportation>()->link, 0);
    EXPECT_EQ(a->payload<logic::GameActionPoints>(), nullptr);
}

TEST(GameAction, PointsCountersStartUnset) {
    logic::GameActionPoints p({5, 6}, 1, 300);
    EXPECT_FALSE(p.combo().set);
    EXPECT_FALSE(p.chain().set);
    EXPECT_FALSE(p.indirect().set);
    EXPECT_FALSE(p.sniper_shot());
    EXPECT_FALSE(p.high_speed());
    p.set_combo(3);
    p.set_indirect(2);
    p.set_high_speed();
    EXPECT_EQ(p.combo(), (logic::ActionCounter{true, 3}));
    EXPECT_EQ(p.indirect(), (logic::ActionCounter{true, 2}));
    EXPECT_FALSE(p.chain().set);
    EXPECT_FALSE(p.sniper_shot());
    EXPECT_TRUE(p.high_speed());
}

TEST(GameAction, RollInCompleteOutlivesItsWay) {
    auto way = logictest::straight_way(0, 100, 0);
    const auto a = logic::make_game_action<logic::GameActionSequenceRollInComplete>(
        logic::action_sequence_roll_in_complete, std::weak_ptr<const logic::Way>(way));
    const auto* payload = a.payload<logic::GameActionSequenceRollInComplete>();
    ASSERT_NE(payload, nullptr);
    EXPECT_EQ(payload->way.lock(), way);
    way.reset();  // the game restarted and dropped its ways
    EXPECT_EQ(payload->way.lock(), nullptr);
}

TEST(Recorder, TracesObjectsAndActionsInOrder) {
    logictest::Recorder rec;
    auto a = std::make_shared<logic::Obj>();
    auto b = std::make_shared<logic::Obj>();
    rec.added_callback()(a);
    rec.action_callback()(GameAction(logic::action_shoot));
    rec.added_callback()(b);
    rec.changed_callback()(a.get());
    rec.removed_callback()(b);
    rec.action_callback()(*logic::teleportation_action(2));
    EXPECT_EQ(rec.trace(), "+o1 a12 +o2 ~o1 -o2 a19");
    EXPECT_EQ(rec.action_types(), (std::vector<std::int32_t>{12, 19}));
    EXPECT_EQ(rec.count(19), 1);
    ASSERT_NE(rec.last_payload<logic::GameActionTeleportation>(19), nullptr);
    EXPECT_EQ(rec.last_payload<logic::GameActionTeleportation>(19)->link, 2);
    rec.cursor = {3, 4};
    EXPECT_EQ(rec.cursor_callback()(), std::make_pair(3.0f, 4.0f));
    rec.clear();
    EXPECT_EQ(rec.trace(), "");
}
