// Arbitrary bytes as the settings file: reading must not crash, and a file
// that reads must save as text that reads back to the same content.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    plat::SettingsStore store("unused/registry.txt");
    std::string error;
    if (!store.Parse(text, &error)) {
        if (error.empty()) std::abort();   // a refusal always says why
        return 0;
    }
    const std::string saved = store.Serialise();
    plat::SettingsStore again("unused/registry.txt");
    if (!again.Parse(saved, &error) || again.Serialise() != saved) std::abort();
    return 0;
}
