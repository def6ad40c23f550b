#include "testkit/WaySettings.h"

namespace logictest {

orvek::trelm::logic::WaySettings way_settings(const ChainRelease& release) {
    orvek::trelm::logic::WaySettings ws;
    ws.sequences_size = release.size;
    ws.sequences_uniformity = release.uniformity;
    ws.sequences_dtime = release.dtime;
    ws.bonus_increment_for_seqs = release.bonus_increment;
    ws.path_roll_out = release.path_roll_out;
    ws.path_for_next_sequence = release.path_for_next;
    ws.speed_roll_out = {200.0f, 200.0f, 400.0f};
    ws.speed_roll_in = {0.0f, 300.0f, 500.0f};
    ws.speed_forward = {0.0f, release.forward_limit, 200.0f};
    ws.speed_backward = {0.0f, 60.0f, -250.0f};
    ws.speed_go_back = {0.0f, 100.0f, -200.0f};
    ws.speed_bonus_slowing = {0.0f, release.slowing_limit, 150.0f};
    ws.speed_bonus_go_back = {0.0f, 120.0f, -300.0f};
    ws.speed_zelkor_region = {0.0f, 100.0f, 200.0f};
    ws.roll_out_braking = -300.0f;
    return ws;
}

}  // namespace logictest
