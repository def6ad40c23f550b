// Reads arbitrary bytes as a resource manifest: every section, element and
// attribute rule, animations included, with the declared records kept.
#include "framework/app/ResourceManager.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = "manifest_fuzz_" + std::to_string(getpid()) + ".xml";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Vant::ResourceManager manager(nullptr);
    manager.LoadManifest(file);
    // A second manifest adds to the same maps.
    manager.LoadManifest(file);
    (void)manager.ErrorText();
    std::remove(file.c_str());
    return 0;
}
