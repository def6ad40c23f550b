// Arbitrary bytes as a configuration file: loading must not crash, and what
// the registry saves must read back as the same keys and texts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/SafeWrite.h"

#include "fuzz/support/FuzzScratch.h"

namespace {
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("config");
    static const std::string input = scratch.file("in.xml");
    static const std::string first = scratch.file("first.xml");
    static const std::string second = scratch.file("second.xml");
    if (!fuzzsupport::write_input(input, data, size)) return 0;

    using orvek::ostrel::ConfigRegistry;
    const std::string text(reinterpret_cast<const char*>(data), size);
    ConfigRegistry reg;
    reg.load(input.c_str());
    reg.set_string("fuzz/@value", text);
    reg.set_string("fuzz/deep/@value", text);
    if (!reg.save(first.c_str())) __builtin_trap();

    // Whatever was loaded, the saved file is well-formed and keeps the text.
    ConfigRegistry again;
    if (!again.load(first.c_str())) __builtin_trap();
    if (again.get_string("fuzz/@value") != text) __builtin_trap();
    if (again.get_string("fuzz/deep/@value") != text) __builtin_trap();

    // From then on a load and a save change nothing.
    if (!again.save(first.c_str())) __builtin_trap();
    if (!again.load(first.c_str())) __builtin_trap();
    if (!again.save(second.c_str())) __builtin_trap();
    if (slurp(first) != slurp(second)) __builtin_trap();

    std::remove(input.c_str());
    std::remove(first.c_str());
    std::remove(second.c_str());
    // The damaged-file copies that load may have made.
    for (int slot = 1; slot <= orvek::io::kept_copy_slots; ++slot)
        std::remove(orvek::io::kept_copy_path(input, slot).c_str());
    return 0;
}
