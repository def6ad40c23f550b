// Arbitrary bytes through the XML reader and the attribute map built on it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "orvek/XMLParser.h"
#include "orvek/config/XmlAttributes.h"

namespace {
std::string scratch_file() {
    // Memory-backed when there is such a folder: the loader syncs its saves.
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    return dir + "/base_xml_fuzz." + std::to_string(::getpid()) + ".xml";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratch_file();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    Vant::XMLParser parser;
    if (parser.OpenFile(path)) {
        Vant::XMLElement e;
        int depth = 0;
        while (parser.NextElement(&e)) {
            if (e.mType < 1 || e.mType > 4) __builtin_trap();
            if (e.mType == Vant::XMLElement::TYPE_START) ++depth;
            if (e.mType == Vant::XMLElement::TYPE_END && --depth < 0) __builtin_trap();
            // Every attribute but a stray "/" is listed in the order of the tag.
            for (const auto& [name, value] : e.mAttributes)
                if (name != "/" && std::find(e.mAttributeNames.begin(), e.mAttributeNames.end(), name) ==
                                       e.mAttributeNames.end())
                    __builtin_trap();
        }
        // A clean end means every element was closed.
        if (!parser.HasFailed() && (depth != 0 || !parser.GetSection().empty())) __builtin_trap();
        if (parser.NextElement(&e)) __builtin_trap();
    }

    orvek::ostrel::XmlAttributes attributes;
    bool ok = attributes.load(path.c_str());
    if (ok != attributes.loaded) __builtin_trap();
    std::remove(path.c_str());
    return 0;
}
