#include "logic/Medals.h"

#include <climits>
#include <cstdlib>

#include "logic/SkinLookup.h"

namespace orvek::trelm::logic {

namespace {

const char* const kNames[medal_count] = {
    "consume_red", "consume_grey", "consume_white", "chain",
    "knock_zelkor_red", "knock_zelkor_grey", "knock_zelkor_white", "sniper_shot_grey",
    "sniper_shot_red", "sniper_shot_white", "indirect", "combo",
    "jewels", "zelkors_destroying_sublevel", "zelkors_destroying_global", "zelkors_back_home",
    "play_time", "completing_sublevels", "catching_bonuses", "quick_complete_sublevels",
    "game_complete", "game_complete_without_continues", "game_complete_without_lost_life",
    "prize_place",
};

std::string norm_text(int medal, const char* attribute) {
    if (medal < 0 || medal >= medal_count) return {};
    return skin_attribute(std::string("menu/trophy-room/medals/") + kNames[medal] + "/norm",
                          attribute);
}

// The three ";"-separated parts of a norm text; missing parts are empty.
std::array<std::string, 3> split_norms(const std::string& text) {
    std::array<std::string, 3> parts;
    std::size_t start = 0;
    for (int i = 0; i < 3 && start <= text.size(); ++i) {
        const std::size_t semi = text.find(';', start);
        parts[std::size_t(i)] = text.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    return parts;
}

// Like atoi, but an out-of-range number saturates instead of being undefined.
int to_int(const std::string& s) {
    const long v = std::strtol(s.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

}  // namespace

const char* medal_name(int medal) {
    return medal >= 0 && medal < medal_count ? kNames[medal] : "";
}

std::array<std::uint32_t, 3> medal_value_norms(int medal) {
    const auto parts = split_norms(norm_text(medal, "value"));
    std::array<std::uint32_t, 3> norms{};
    for (std::size_t i = 0; i < 3; ++i) norms[i] = std::uint32_t(to_int(parts[i]));
    return norms;
}

std::array<float, 3> medal_time_norms(int medal) {
    const auto parts = split_norms(norm_text(medal, "time"));
    std::array<float, 3> norms{};
    for (std::size_t i = 0; i < 3; ++i) norms[i] = float(std::strtod(parts[i].c_str(), nullptr));
    return norms;
}

int medal_grade_for_value(int medal, std::uint32_t value, int mode) {
    const auto n = medal_value_norms(medal);
    if (mode == 0) {
        for (int g = 0; g < 3; ++g)
            if (value == n[std::size_t(g)]) return g;
        return -1;
    }
    if (mode == 1) {
        if (value >= n[0]) return value < n[1] ? 0 : (value < n[2] ? 1 : 2);
        if (value < n[1]) return value < n[2] ? -1 : 2;
        return value < n[2] ? 1 : 2;
    }
    return -1;
}

int medal_grade_for_time(int medal, float t) {
    const auto n = medal_time_norms(medal);
    for (int g = 0; g < 3; ++g)
        if (t <= n[std::size_t(g)]) return g;
    return -1;
}

int medal_grade_crossed(int medal, float t1, float t2) {
    const auto n = medal_time_norms(medal);
    for (int g = 0; g < 3; ++g)
        if (t1 < n[std::size_t(g)] && n[std::size_t(g)] <= t2) return g;
    return -1;
}

}  // namespace orvek::trelm::logic
