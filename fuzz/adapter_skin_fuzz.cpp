// Arbitrary bytes as a skin file and as a language file, then every reader
// of the skin over the keys that came out.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "orvek/ostrel/gui/Skin.h"

namespace {
std::string scratch_file() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/adapter_skin_fuzz." + std::to_string(::getpid()) + ".xml";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratch_file();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

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
