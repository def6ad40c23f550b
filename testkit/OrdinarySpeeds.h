#pragma once
// The speed triples of an ordinary way: the base that the test, fuzz and soak
// levels start from before adjusting what they need.
#include "logic/GameRecords.h"

namespace logictest {

inline void set_ordinary_speeds(orvek::trelm::logic::WaySettings& ws, float forward_limit = 50.0f,
                                float slowing_limit = 20.0f) {
    ws.speed_roll_out = {200.0f, 200.0f, 400.0f};
    ws.speed_roll_in = {0.0f, 300.0f, 500.0f};
    ws.speed_forward = {0.0f, forward_limit, 200.0f};
    ws.speed_backward = {0.0f, 60.0f, -250.0f};
    ws.speed_go_back = {0.0f, 100.0f, -200.0f};
    ws.speed_bonus_slowing = {0.0f, slowing_limit, 150.0f};
    ws.speed_bonus_go_back = {0.0f, 120.0f, -300.0f};
    ws.speed_zelkor_region = {0.0f, 100.0f, 200.0f};
    ws.roll_out_braking = -300.0f;
}

}  // namespace logictest
