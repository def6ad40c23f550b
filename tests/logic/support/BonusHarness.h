#pragma once
// A started game with the real bonus holder: an 800 x 600 field, the
// platform on the line y = 550 (centred at x = 400) and one straight way
// along y = 100 from x = 0 to 1000.
#include <memory>
#include <string>

#include "GameHarness.h"
#include "logic/ActiveBonuses.h"
#include "logic/BonusFall.h"
#include "logic/Platform.h"

namespace logictest {

struct BonusBench : GameBench {
    explicit BonusBench(const std::string& word = "ABC", std::uint32_t seed = 1);

    logic::Platform& platform() { return *game.platform(); }
    // A falling bonus of kind made by the holder, then put at p with velocity v.
    std::shared_ptr<logic::BonusFall> drop(std::int32_t kind, Vector2 p, Vector2 v = {});
    // The place of the platform, where a bonus is caught.
    Vector2 catch_point() { return platform().position(); }

    std::shared_ptr<logic::ActiveBonuses> holder;
    logic::Way* way = nullptr;
};

}  // namespace logictest
