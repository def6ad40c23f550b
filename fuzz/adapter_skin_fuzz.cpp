// Arbitrary bytes split at "\n%%\n" into a skin file, a language file and
// a resource manifest; the skin is made over a resource manager that reads
// the manifest, then every reader of the skin runs over every key that
// came out, the image and font look-ups included.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "orvek/Names.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"

#include "fuzz/support/FuzzScratch.h"

namespace {

using orvek::ostrel::Skin;

void check_resources(Skin& skin, const std::string& id) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("skin");
    static const std::string skin_path = scratch.file("skin.xml"), lang_path = scratch.file("en.xml"),
                             manifest_path = scratch.file("resources.xml");
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string parts[3];
    std::size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t at = i < 2 ? input.find("\n%%\n", from) : std::string::npos;
        parts[i] = input.substr(from, at == std::string::npos ? std::string::npos : at - from);
        if (at == std::string::npos) break;
        from = at + 4;
    }
    const std::string* paths[3] = {&skin_path, &lang_path, &manifest_path};
    for (int i = 0; i < 3; ++i)
        if (!fuzzsupport::write_input(*paths[i], reinterpret_cast<const uint8_t*>(parts[i].data()), parts[i].size()))
            return 0;

    Skin::set_resources_file(manifest_path);
    orvek::ostrel::ResourceManager resources(nullptr);
    Skin skin(&resources, skin_path, "en", lang_path);
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
        check_resources(skin, node);
        check_resources(skin, value);
        try {
            (void)skin.get_node_font(node);
        } catch (const Vant::ResourceManagerException&) {
        }
        int v[5];
        if (orvek::ostrel::read_number_list(value, v, 5) > 5) __builtin_trap();
    }
    for (const auto& [id, res] : resources.Images()) check_resources(skin, id);
    for (const auto& [id, res] : resources.Fonts()) check_resources(skin, id);
    return 0;
}
