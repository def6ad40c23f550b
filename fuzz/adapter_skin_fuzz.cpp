// Arbitrary bytes as a skin file and as a language file, then every reader
// of the skin over the keys that came out.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "ostrel/gui/Skin.h"

#include "fuzz/support/FuzzScratch.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("skin");
    static const std::string path = scratch.file("skin.xml");
    if (!fuzzsupport::write_input(path, data, size)) return 0;

    const orvek::ostrel::Skin skin(nullptr, path, "en", path);
    for (const auto& [key, value] : skin.attributes()) {
        const auto at = key.rfind("/@");
        if (at == std::string::npos) {
            if (skin.get_text(key) != skin.texts().at(key)) __builtin_trap();
            continue;
        }
        const std::string node = key.substr(0, at), name = key.substr(at + 2);
        if (!skin.has_attribute(node, name) || skin.get_attribute(node, name) != value) __builtin_trap();
        (void)skin.get_int(node, name);
        (void)skin.get_float(node, name);
        (void)skin.get_dimensions(node);
        (void)skin.get_color(node);
        int v[5];
        if (orvek::ostrel::read_number_list(value, v, 5) > 5) __builtin_trap();
    }
    return 0;
}
