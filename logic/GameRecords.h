#pragma once
// Records a creator hands to a new game: the game parameters, the settings
// of each way, and the player's standing carried between sub-levels.
#include <cstdint>
#include <vector>

#include "logic/Float3.h"

namespace orvek::trelm::logic {

// No sound level or save holds a place, speed, time or count beyond this:
// a larger one turns into infinity and NaN within a few steps, or leaves
// what a save may hold.
constexpr float largest_plausible = 1.0e7f;

struct GameParams {
    int storage = 0;               // balls held by each contour chain
    float bonus_balls_min = 0.0f;  // bonus-ball threshold range
    float bonus_balls_max = 0.0f;
    float coin_balls_min = 0.0f;   // coin-ball threshold range
    float coin_balls_max = 0.0f;
    int coins_for_life = 0;
    float time_block_shoot = 0.0f;  // seconds shooting stays blocked
    float desktop_width = 0.0f;
    float desktop_height = 0.0f;
};

struct WaySettings {
    std::int32_t sequences_size = 0;
    std::int32_t sequences_uniformity = 0;
    float sequences_dtime = 0.0f;
    float bonus_increment_for_seqs = 0.0f;
    float path_roll_out = 0.0f;
    float path_for_next_sequence = 0.0f;
    Float3 speed_roll_out;
    Float3 speed_roll_in;
    Float3 speed_forward;
    Float3 speed_backward;
    Float3 speed_go_back;
    Float3 speed_bonus_slowing;
    Float3 speed_bonus_go_back;
    Float3 speed_zelkor_region;
    float roll_out_braking = 0.0f;

    // Scales the lengths and speeds with the way geometry; the counts, the
    // dtime and the bonus increment stay.
    void scale(float k);
};

struct GameStats {
    int lives = 0;
    int coins = 0;
    int points = 0;
    std::vector<std::uint8_t> letters;
};

}  // namespace orvek::trelm::logic
