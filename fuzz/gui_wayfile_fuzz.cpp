// Arbitrary bytes as a way file and as a way-contour file, through the
// level builder's reading: either the records come back, each small enough
// for what the bytes held, or a failure is reported. Nothing is allocated
// from a count alone.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <string>

#include "gui/LevelBuilder.h"
#include "logic/Way.h"
#include "orvek/Exception.h"
#include "orvek/io/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (bool contour : {false, true}) {
        std::stringbuf buf(bytes);
        orvek::io::IStream in(&buf);
        try {
            in.read_header();
            const auto ways = orvek::trelm::gui::read_way_records(in, contour, "Cannot load way file.");
            if (contour && ways.size() != 1) std::abort();
            std::size_t points = 0;
            for (const auto& w : ways) points += w.points.size();
            // Each record takes at least 41 bytes and each point 18.
            if (ways.size() * 41 + points * 18 > size) std::abort();
            for (const auto& w : ways) {
                try {
                    orvek::trelm::logic::Way way(w);
                } catch (const std::invalid_argument&) {
                }
            }
        } catch (const orvek::Exception&) {
        }
    }
    return 0;
}
