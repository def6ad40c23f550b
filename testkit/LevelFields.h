#pragma once
// Every number the busy level hands over, each with its name as a refused
// level names it: the table test and the saved-game fuzz target try values
// on them.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "testkit/BusyLevel.h"

namespace logictest {

struct LevelField {
    std::string name;
    std::function<void(BusyLevel&, float)> set;
};

// The parameters, the settings of the given way ("way N: " before their
// names), the contour speed and the platform line.
std::vector<LevelField> level_fields(std::size_t way);

}  // namespace logictest
