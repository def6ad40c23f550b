#include <gtest/gtest.h>

#include "logic/GameRecords.h"

using orvek::trelm::logic::Float3;
using orvek::trelm::logic::WaySettings;

TEST(WaySettings, ScaleTouchesLengthsAndSpeedsOnly) {
    WaySettings w;
    w.sequences_size = 10;
    w.sequences_uniformity = 3;
    w.sequences_dtime = 2.0f;
    w.bonus_increment_for_seqs = 0.5f;
    w.path_roll_out = 100.0f;
    w.path_for_next_sequence = 200.0f;
    Float3* triples[] = {&w.speed_roll_out, &w.speed_roll_in, &w.speed_forward, &w.speed_backward,
                         &w.speed_go_back, &w.speed_bonus_slowing, &w.speed_bonus_go_back,
                         &w.speed_zelkor_region};
    for (Float3* t : triples) *t = Float3(64.0f, 128.0f, -32.0f);
    w.roll_out_braking = 8.0f;

    w.scale(0.78125f);

    EXPECT_EQ(w.sequences_size, 10);
    EXPECT_EQ(w.sequences_uniformity, 3);
    EXPECT_EQ(w.sequences_dtime, 2.0f);
    EXPECT_EQ(w.bonus_increment_for_seqs, 0.5f);
    EXPECT_EQ(w.path_roll_out, 78.125f);
    EXPECT_EQ(w.path_for_next_sequence, 156.25f);
    for (Float3* t : triples) EXPECT_EQ(*t, Float3(50.0f, 100.0f, -25.0f));
    EXPECT_EQ(w.roll_out_braking, 6.25f);
}
