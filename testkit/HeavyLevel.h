#pragma once
// The heavy level of the logic soak and the game frame benchmark: the busy
// level with four winding ways of long chains and bonuses of every kind
// dropping often.
#include <vector>

#include "logic/Vector2.h"
#include "testkit/BusyLevel.h"

namespace logictest {

// A winding way across the field at height y, entering from the left.
std::vector<orvek::trelm::Vector2> meander(float y, float amplitude, int bends);

struct HeavyLevel : BusyLevel {
    int actions_restart_after_life_lost = 0;

    HeavyLevel();
};

}  // namespace logictest
