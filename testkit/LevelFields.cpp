#include "testkit/LevelFields.h"

#include <utility>

namespace logictest {

namespace lg = orvek::trelm::logic;

std::vector<LevelField> level_fields(std::size_t way) {
    std::vector<LevelField> out;
    const auto param = [&](const char* name, float lg::GameParams::*member) {
        out.push_back({name, [member](BusyLevel& l, float v) { l.params.*member = v; }});
    };
    param("bonus_balls_min", &lg::GameParams::bonus_balls_min);
    param("bonus_balls_max", &lg::GameParams::bonus_balls_max);
    param("coin_balls_min", &lg::GameParams::coin_balls_min);
    param("coin_balls_max", &lg::GameParams::coin_balls_max);
    param("time_block_shoot", &lg::GameParams::time_block_shoot);
    param("desktop_width", &lg::GameParams::desktop_width);
    param("desktop_height", &lg::GameParams::desktop_height);

    const std::string prefix = "way " + std::to_string(way) + ": ";
    const auto setting = [&](const char* name, float lg::WaySettings::*member) {
        out.push_back({prefix + name, [way, member](BusyLevel& l, float v) { l.settings[way].*member = v; }});
    };
    setting("sequences_dtime", &lg::WaySettings::sequences_dtime);
    setting("bonus_increment_for_seqs", &lg::WaySettings::bonus_increment_for_seqs);
    setting("path_roll_out", &lg::WaySettings::path_roll_out);
    setting("path_for_next_sequence", &lg::WaySettings::path_for_next_sequence);
    setting("roll_out_braking", &lg::WaySettings::roll_out_braking);
    const std::pair<const char*, lg::Float3 lg::WaySettings::*> triples[] = {
        {"speed_roll_out", &lg::WaySettings::speed_roll_out},
        {"speed_roll_in", &lg::WaySettings::speed_roll_in},
        {"speed_forward", &lg::WaySettings::speed_forward},
        {"speed_backward", &lg::WaySettings::speed_backward},
        {"speed_go_back", &lg::WaySettings::speed_go_back},
        {"speed_bonus_slowing", &lg::WaySettings::speed_bonus_slowing},
        {"speed_bonus_go_back", &lg::WaySettings::speed_bonus_go_back},
        {"speed_zelkor_region", &lg::WaySettings::speed_zelkor_region},
    };
    const std::pair<const char*, float lg::Float3::*> parts[] = {
        {"speed", &lg::Float3::speed}, {"max_speed", &lg::Float3::max_speed}, {"acceleration", &lg::Float3::acceleration}};
    for (const auto& [triple_name, triple] : triples)
        for (const auto& [part_name, part] : parts)
            out.push_back({prefix + triple_name + "." + part_name,
                           [way, t = triple, p = part](BusyLevel& l, float v) { (l.settings[way].*t).*p = v; }});
    for (const auto& [part_name, part] : parts)
        out.push_back({std::string("contour_speed.") + part_name,
                       [p = part](BusyLevel& l, float v) { l.contour_speed.*p = v; }});

    out.push_back({"platform_line.y", [](BusyLevel& l, float v) { l.platform.y = v; }});
    out.push_back({"platform_line.left", [](BusyLevel& l, float v) { l.platform.left = v; }});
    out.push_back({"platform_line.right", [](BusyLevel& l, float v) { l.platform.right = v; }});
    return out;
}

}  // namespace logictest
