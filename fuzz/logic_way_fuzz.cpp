// Arbitrary bytes as the saved body of a way (as found in a saved game);
// a way that loads must answer every query without NaN or a bad index.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "logic/Way.h"
#include "orvek/Exception.h"
#include "orvek/io/Stream.h"

using orvek::trelm::logic::Way;
using orvek::trelm::logic::WayPosition;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::stringbuf buf(std::string(reinterpret_cast<const char*>(data), size));
    orvek::io::IStream in(&buf);
    in.flags(in.flags() | orvek::io::Stream::no_header);
    Way way;
    try {
        way.load(in);
    } catch (const orvek::io::Failure&) {
        return 0;
    }
    const int n = way.point_count();
    if (std::isnan(way.start_length()) || std::isnan(way.finish_length())) __builtin_trap();
    if (n < 2 || int(way.lengths().size()) != n || int(way.pieces().size()) != n) __builtin_trap();
    for (int i = -1; i <= n; ++i) {
        const float len = way.path_length(WayPosition(i, way.point(i < 0 ? 0 : (i < n ? i : n - 1))));
        if (std::isnan(len)) __builtin_trap();
        if (std::isnan(way.direction(i))) __builtin_trap();
    }
    WayPosition p = way.first_position();
    for (float d : {3.0f, 25.0f, -40.0f, 1e6f, -1e6f}) {
        way.advance(p, d);
        if (std::isnan(p.point.x) || std::isnan(p.point.y) || p.index < -1 || p.index >= n) __builtin_trap();
        WayPosition q = p;
        way.advance_by_chord(p.point, 25.0f, q);
        if (q.index < -1 || q.index >= n) __builtin_trap();
    }
    return 0;
}
