// Arbitrary bytes through the XML reader and the attribute map built on it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "orvek/XMLParser.h"
#include "orvek/config/XmlAttributes.h"

#include "fuzz/support/FuzzScratch.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("xml");
    static const std::string path = scratch.file("input.xml");
    if (!fuzzsupport::write_input(path, data, size)) return 0;

    Vant::XMLParser parser;
    if (parser.OpenFile(path)) {
        Vant::XMLElement e;
        int depth = 0;
        // The record, reused, is updated in place: it must still hold the
        // whole path the reader had before the item.
        std::string before = parser.GetSection();
        while (parser.NextElement(&e)) {
            if (e.mSection != before) __builtin_trap();
            before = parser.GetSection();
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
