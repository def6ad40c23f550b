// Every reader of a loaded skin run over every key that came out of its
// files, the image and font look-ups included; shared by the skin fuzz
// targets. Only the resource manager's exception is expected.
#pragma once

#include <string>

#include "framework/app/ResourceManager.h"
#include "orvek/Names.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"

namespace fuzzsupport {

inline void check_skin_resources(orvek::ostrel::Skin& skin, const std::string& id) {
    (void)skin.get_image_if_any(id);
    try {
        (void)skin.get_image(id);
    } catch (const Vant::ResourceManagerException&) {
    }
    try {
        (void)skin.get_font(id);
    } catch (const Vant::ResourceManagerException&) {
    }
}

inline void check_skin_readers(orvek::ostrel::Skin& skin, orvek::ostrel::ResourceManager& resources) {
    if (skin.skin_status().ok && !skin.skin_status().error.empty()) __builtin_trap();

    orvek::TextParams params;
    params.set("%name%", "x").set_int("%count%", 3);
    for (const auto& [key, value] : skin.texts()) {
        if (skin.get_text(key) != value) __builtin_trap();
        (void)skin.get_formatted_text(key, params);
    }
    for (const auto& [key, value] : skin.attributes()) {
        const auto at = key.rfind("/@");
        if (at == std::string::npos) continue;  // text of the skin file: kept, never read
        const std::string node = key.substr(0, at), name = key.substr(at + 2);
        if (!skin.has_attribute(node, name) || skin.get_attribute(node, name) != value) __builtin_trap();
        (void)skin.get_int(node, name);
        (void)skin.get_float(node, name);
        (void)skin.get_dimensions(node);
        (void)skin.get_position(node);
        (void)skin.get_offset(node);
        (void)skin.get_path(node);
        (void)skin.get_color(node);
        check_skin_resources(skin, node);
        check_skin_resources(skin, value);
        try {
            (void)skin.get_node_font(node);
        } catch (const Vant::ResourceManagerException&) {
        }
        int v[5];
        if (orvek::ostrel::read_number_list(value, v, 5) > 5) __builtin_trap();
    }
    for (const auto& [id, res] : resources.Images()) check_skin_resources(skin, id);
    for (const auto& [id, res] : resources.Fonts()) check_skin_resources(skin, id);
}

}  // namespace fuzzsupport
