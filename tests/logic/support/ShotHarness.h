#pragma once
// Shots in the headless harness: a game with an open way for chains, a
// straight contour above it and a platform below, a bonus holder that
// records what the match step asks of it, and helpers to load and fire.
#include <cstdint>
#include <memory>
#include <vector>

#include "GameHarness.h"
#include "logic/BallFree.h"
#include "logic/Platform.h"
#include "logic/Scoring.h"

namespace logictest {

// Records drops and keeps the combo and chain counters.
struct ScoreBonuses : TestBonuses {
    logic::ComboCounters counters;
    std::vector<Vector2> bonuses, coins, jewels;
    bool register_consumption(bool by_shot, bool scored) override {
        return counters.register_consumption(by_shot, scored);
    }
    std::int32_t combo_count() const override { return counters.combo; }
    std::int32_t chain_count() const override { return counters.chain; }
    void plain_shot() override { counters.plain_shot(); }
    void create_bonus(const Vector2& p) override { bonuses.push_back(p); }
    void create_coin(const Vector2& p) override { coins.push_back(p); }
    void create_jewel(const Vector2& p) override { jewels.push_back(p); }
};

// A straight way along y whose segments let shots touch its balls.
std::shared_ptr<logic::Way> open_way(float x0, float x1, float y, int pieces = 4);

// The field: chains roll on y = 100 from x = 0 to 1000; the contour runs
// along y = 20 over the whole width; the platform's line is y = 500.
struct ShotBench : GameBench {
    static constexpr float way_y = 100.0f;
    static constexpr float contour_y = 20.0f;
    static constexpr float platform_line = 500.0f;

    ShotBench();

    std::shared_ptr<ScoreBonuses> bonuses = std::make_shared<ScoreBonuses>();
    logic::Way* way = nullptr;

    // Starts, then takes every chain (the released one and the contour's)
    // out and forgets what was recorded.
    void begin(std::uint32_t seed = 1);
    logic::Platform& platform() { return *game.platform(); }
    // A ball of that colour and kind loaded on the platform.
    std::shared_ptr<logic::Ball> load(std::int32_t color, std::int32_t kind = logic::ball_plain);
    // Moves the platform to x, loads the colour and fires; the new ball in
    // flight (null when nothing flew).
    logic::BallFree* fire(float x, std::int32_t color);
    // The balls in flight the game still holds.
    std::vector<logic::BallFree*> flying() const;
    // Steps until no ball is in flight (at most n steps); the steps taken.
    int settle(int n = 200, float dt = 0.02f);
};

// Sets the skin's norm of a medal ("a;b;c").
void norm(ShotBench& b, const char* medal, const char* value);

}  // namespace logictest
