#include "testkit/HeavyLevel.h"

#include <cmath>

#include "logic/GameAction.h"

namespace logictest {

namespace lg = orvek::trelm::logic;
using orvek::trelm::Vector2;

std::vector<Vector2> meander(float y, float amplitude, int bends) {
    std::vector<Vector2> points;
    for (int i = 0; i <= bends * 4; ++i) {
        const float x = -40.0f + 880.0f * float(i) / float(bends * 4);
        points.emplace_back(x, y + amplitude * float(std::sin(double(i) * 1.5707963)));
    }
    return points;
}

HeavyLevel::HeavyLevel() {
    on_action = [this](lg::GameAction a) {
        if (a.type == lg::action_restart_after_life_lost) ++actions_restart_after_life_lost;
    };
    colors = {1, 2, 3, 4, 6};
    params = busy_params(4, 3.0f, 6.0f, 6.0f, 10.0f);
    ways.clear();
    for (int i = 0; i < 4; ++i) ways.push_back(meander(120.0f + 100.0f * float(i), 30.0f, 3 + i));
    settings.assign(4, way_settings({.size = 40,
                                     .uniformity = 3,
                                     .dtime = 10.0f,
                                     .path_roll_out = 150.0f,
                                     .path_for_next = 200.0f,
                                     .bonus_increment = 0.5f,
                                     .forward_limit = 30.0f,
                                     .slowing_limit = 12.0f}));
    contour_pieces = 32;
    platform = {560.0f, 40.0f, 760.0f};
    mission_balls = 600;
}

}  // namespace logictest
