#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "support/GameHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

TEST(GameSetup, ContourBuildsShaftAndBranches) {
    GameBench b;
    b.creator.params.storage = 5;
    b.creator.params.desktop_height = 600.0f;
    b.creator.contour = way({{100, 300}, {400, 100}, {700, 300}});
    b.creator.ways = {straight_way(0, 1000, 100, 4)};
    b.creator.settings = {quiet_settings()};
    b.start();
    const auto& shaft = b.game.shaft_way();
    const auto& first = b.game.first_branch();
    const auto& second = b.game.second_branch();
    ASSERT_TRUE(shaft && first && second);
    EXPECT_EQ(shaft->point(0), Vector2(400, 875));
    EXPECT_EQ(shaft->point(1), Vector2(400, 300));
    EXPECT_EQ(first->point(0), Vector2(100, 300));
    EXPECT_EQ(first->point(1), Vector2(400, 300));
    EXPECT_EQ(second->point(0), Vector2(700, 300));
    EXPECT_EQ(second->point(1), Vector2(400, 300));
    EXPECT_FALSE(shaft->unbounded());
    EXPECT_FALSE(b.game.contour()->unbounded());
    EXPECT_TRUE(b.game.ways().front()->unbounded());
    // The contour and its ways are not ways of the game, but the game
    // lends them out.
    EXPECT_FALSE(b.game.is_game_way(b.game.contour().get()));
    EXPECT_EQ(b.game.way_ref(shaft.get()), shaft);
    EXPECT_EQ(b.game.way_settings(shaft.get()), nullptr);
}

TEST(GameSetup, WaySettingsGrowAndScale) {
    GameBench b;
    b.creator.ways = {straight_way(0, 1000, 100, 4)};
    b.creator.settings = {quiet_settings()};
    b.creator.extra = [](lg::GameSetup& setup) {
        lg::WaySettings ws = quiet_settings();
        ws.sequences_size = 9;
        setup.set_way_settings(3, ws);
    };
    b.start();
    ASSERT_EQ(b.game.all_way_settings().size(), 4u);
    EXPECT_EQ(b.game.all_way_settings()[3].sequences_size, 9);
    EXPECT_EQ(b.game.all_way_settings()[2].speed_forward, lg::Float3());
    EXPECT_EQ(b.game.all_way_settings()[1].sequences_uniformity, 0);

    lg::WaySettings ws = quiet_settings();
    ws.scale(0.5f);
    const lg::WaySettings q = quiet_settings();
    EXPECT_EQ(ws.sequences_size, q.sequences_size);
    EXPECT_EQ(ws.sequences_uniformity, q.sequences_uniformity);
    EXPECT_EQ(ws.sequences_dtime, q.sequences_dtime);
    EXPECT_EQ(ws.bonus_increment_for_seqs, q.bonus_increment_for_seqs);
    EXPECT_EQ(ws.path_roll_out, q.path_roll_out * 0.5f);
    EXPECT_EQ(ws.path_for_next_sequence, q.path_for_next_sequence * 0.5f);
    EXPECT_EQ(ws.speed_roll_out, lg::Float3(100.0f, 100.0f, 200.0f));
    EXPECT_EQ(ws.speed_zelkor_region.acceleration, q.speed_zelkor_region.acceleration * 0.5f);
    EXPECT_EQ(ws.roll_out_braking, q.roll_out_braking * 0.5f);
}

TEST(GameSetup, FreshStartDrawsThresholdsAndARestoreDoesNothingOfItsOwn) {
    for (bool restored : {false, true}) {
        GameBench b;
        b.creator.ways = {straight_way(0, 1000, 100, 4)};
        b.creator.settings = {quiet_settings()};
        b.creator.params.bonus_balls_min = 5.0f;
        b.creator.params.bonus_balls_max = 9.0f;
        b.creator.params.coin_balls_min = 20.0f;
        b.creator.params.coin_balls_max = 20.0f;
        b.creator.restored = restored;
        b.start();
        EXPECT_EQ(b.game.started(), !restored);
        EXPECT_EQ(b.live_sequences(), restored ? 0 : 1);
        if (restored) {
            EXPECT_EQ(b.game.bonus_timer().threshold, 0.0f);
            EXPECT_TRUE(b.rec.events().empty());
        } else {
            EXPECT_GE(b.game.bonus_timer().threshold, 5.0f);
            EXPECT_LE(b.game.bonus_timer().threshold, 9.0f);
            EXPECT_EQ(b.game.coin_timer().threshold, 20.0f);
            EXPECT_EQ(b.game.bonus_timer().min, 5.0f);
        }
    }
}

TEST(GameSetup, StatsAndMissionHandOver) {
    GameBench b;
    b.creator.ways = {straight_way(0, 1000, 100, 4)};
    b.creator.settings = {quiet_settings()};
    b.creator.mission_balls = 4;
    int coins = -1, points = -1;
    b.creator.extra = [&](lg::GameSetup& setup) {
        setup.set_stats({5, 12, 3400, {1, 2}});
        coins = setup.coins();
        points = setup.points();
    };
    b.start();
    EXPECT_EQ(coins, 12);
    EXPECT_EQ(points, 3400);
    EXPECT_EQ(b.game.lives(), 5);
    ASSERT_TRUE(b.game.mission());
    EXPECT_EQ(b.game.mission()->game(), &b.game);
    const auto stats = b.game.stats();
    EXPECT_EQ(stats->lives, 5);
    EXPECT_EQ(stats->coins, 12);
    EXPECT_EQ(stats->points, 3400);
}

TEST(GameSetup, UnplayableLevelsAreRefused) {
    struct {
        const char* what;
        std::function<void(TestCreator&)> spoil;
        const char* message;
    } cases[] = {
        {"negative storage", [](TestCreator& c) { c.params.storage = -1; }, "storage"},
        {"negative coins for a life", [](TestCreator& c) { c.params.coins_for_life = -2; }, "coins"},
        {"no colours", [](TestCreator& c) { c.colors.clear(); }, "colours"},
        {"a way without settings", [](TestCreator& c) { c.ways.push_back(straight_way(0, 500, 300)); },
         "way 1 has no settings"},
        {"run bound 0", [](TestCreator& c) { c.settings[0].sequences_uniformity = 0; }, "sequences_uniformity"},
        {"empty chains", [](TestCreator& c) { c.settings[0].sequences_size = 0; }, "sequences_size"},
        {"no start mark",
         [](TestCreator& c) { c.ways = {way(geometry({{0, 0}, {100, 0}}, false))}; },
         "start mark"},
        {"a mission of no balls", [](TestCreator& c) { c.mission_balls = -1; c.extra = [](lg::GameSetup& s) {
             s.set_mission(std::make_shared<lg::Mission>(0)); }; },
         "ball"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GameBench b;
        b.creator.ways = {straight_way(0, 1000, 100, 4)};
        b.creator.settings = {quiet_settings()};
        c.spoil(b.creator);
        try {
            b.start();
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_FALSE(b.game.started());
        EXPECT_TRUE(b.game.sequences().empty());
        b.game.update(0.02f);
    }
}

TEST(GameSetup, ZeroCoinsForALifeIsPlayable) {
    GameBench b;
    b.creator.ways = {straight_way(0, 1000, 100, 4)};
    b.creator.settings = {quiet_settings()};
    b.creator.params.coins_for_life = 0;
    EXPECT_NO_THROW(b.start());
    EXPECT_TRUE(b.game.started());
}
