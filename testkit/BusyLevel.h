#pragma once
// The busy level that the tests, the fuzz targets and the soak share, and the
// checks they run on a game that plays on.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "logic/Float3.h"
#include "logic/Game.h"
#include "logic/GameAction.h"
#include "logic/GameRecords.h"
#include "logic/GameSetup.h"
#include "logic/Vector2.h"
#include "logic/Way.h"
#include "testkit/WaySettings.h"

namespace logictest {

// A way through the points, start mark on the first, finish mark on the last.
std::shared_ptr<orvek::trelm::logic::Way> open_way(const std::vector<orvek::trelm::Vector2>& points);

// An 800x600 field that pays a life for three coins and drops bonuses and
// coins every few balls.
orvek::trelm::logic::GameParams busy_params(std::int32_t storage, float bonus_min, float bonus_max, float coin_min,
                                            float coin_max);

// Two ways under a contour arched across the top of the field, so that shots
// cross the chains before they reach it; every drawable bonus kind equally
// likely. Everything the level hands over is a field, for scenes that change
// it.
class BusyLevel : public orvek::trelm::logic::GameCreator {
public:
    struct PlatformLine {
        float y = 560.0f, left = 60.0f, right = 740.0f;
    };

    BusyLevel();

    std::vector<std::vector<orvek::trelm::Vector2>> ways;
    std::vector<orvek::trelm::logic::WaySettings> settings;  // one per way
    orvek::trelm::logic::GameParams params = busy_params(3, 2.0f, 4.0f, 5.0f, 8.0f);
    std::vector<std::int32_t> colors{1, 2, 3, 6};
    int contour_pieces = 24;
    orvek::trelm::logic::Float3 contour_speed{0.0f, 120.0f, 250.0f};
    PlatformLine platform;
    std::optional<orvek::trelm::logic::GameStats> stats;  // carried from an earlier sub-level
    int mission_balls = 40;                                // 0: no mission
    std::function<void(orvek::trelm::logic::GameAction)> on_action = [](orvek::trelm::logic::GameAction) {};

    void create(orvek::trelm::logic::GameSetup& s) override;
    // The contour's arc of contour_pieces pieces.
    std::vector<orvek::trelm::Vector2> contour_points() const;
    // The bonus kinds that drop, each equally likely.
    static std::vector<std::pair<std::int32_t, float>> bonus_weights();
};

// Positions that are not numbers, counted over every ball, bonus and the platform.
int nan_positions(const orvek::trelm::logic::Game& game);

// The game's save as a complete stream; `good` tells whether writing it worked.
std::string save_of(const orvek::trelm::logic::Game& game, bool* good = nullptr);

}  // namespace logictest
