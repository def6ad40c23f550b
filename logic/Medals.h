#pragma once
// The medals table and the grading of counters and times against the norms
// of the skin ("menu/trophy-room/medals/<name>/norm", attributes "value"
// and "time", three numbers separated by ";").
#include <array>
#include <cstdint>
#include <string>

namespace orvek::trelm::logic {

enum Medal : int {
    medal_consume_red = 0,
    medal_consume_grey = 1,
    medal_consume_white = 2,
    medal_chain = 3,
    medal_knock_zelkor_red = 4,
    medal_knock_zelkor_grey = 5,
    medal_knock_zelkor_white = 6,
    medal_sniper_shot_grey = 7,
    medal_sniper_shot_red = 8,
    medal_sniper_shot_white = 9,
    medal_indirect = 10,
    medal_combo = 11,
    medal_jewels = 12,
    medal_zelkors_destroying_sublevel = 13,
    medal_zelkors_destroying_global = 14,
    medal_zelkors_back_home = 15,
    medal_play_time = 16,
    medal_completing_sublevels = 17,
    medal_catching_bonuses = 18,
    medal_quick_complete_sublevels = 19,
    medal_game_complete = 20,
    medal_game_complete_without_continues = 21,
    medal_game_complete_without_lost_life = 22,
    medal_prize_place = 23,
};

constexpr int medal_count = 24;

// A medal reached and its grade (0..2; the place for prize_place).
// {-1, 0} is no award.
struct MedalAward {
    std::int32_t medal = -1;
    std::int32_t grade = 0;

    MedalAward() = default;
    MedalAward(std::int32_t m, std::int32_t g) : medal(m), grade(g) {}
    bool operator==(const MedalAward&) const = default;
};

// The element name of a medal; "" outside 0..23.
const char* medal_name(int medal);

// The three "value" norms and the three "time" norms as the skin holds them
// now (nothing is cached; an absent norm reads as 0).
std::array<std::uint32_t, 3> medal_value_norms(int medal);
std::array<float, 3> medal_time_norms(int medal);

// Grade of a counter: mode 0 announces a grade only when the value equals a
// norm (for counters that step by one); mode 1 grades by thresholds. -1 for
// no grade or any other mode.
int medal_grade_for_value(int medal, std::uint32_t value, int mode);
// The first grade whose time norm is not below t; -1 when t exceeds all.
int medal_grade_for_time(int medal, float t);
// The first grade whose time norm lies in (t1, t2]; -1 when none.
int medal_grade_crossed(int medal, float t1, float t2);

}  // namespace orvek::trelm::logic
