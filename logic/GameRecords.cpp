#include "logic/GameRecords.h"

namespace orvek::trelm::logic {

void WaySettings::scale(float k) {
    path_roll_out *= k;
    path_for_next_sequence *= k;
    for (Float3* t : {&speed_roll_out, &speed_roll_in, &speed_forward, &speed_backward, &speed_go_back,
                      &speed_bonus_slowing, &speed_bonus_go_back, &speed_zelkor_region})
        t->scale(k);
    roll_out_braking *= k;
}

}  // namespace orvek::trelm::logic
