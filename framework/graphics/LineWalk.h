#pragma once
// The pixels of a sloped line, shared by the memory and surface line loops.
#include <algorithm>
#include <cmath>
#include <utility>

namespace Vant {

// Visits the pixels of a sloped line: from the truncated start along the
// major axis up to and including the first position at or past the end.
template <typename Plot>
inline void WalkLine(double x1, double y1, double x2, double y2, int w, int h, Plot plot) {
    for (double v : {x1, y1, x2, y2})
        if (!std::isfinite(v)) return;
    const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
    double maj1 = steep ? y1 : x1, min1 = steep ? x1 : y1;
    double maj2 = steep ? y2 : x2, min2 = steep ? x2 : y2;
    if (maj1 > maj2) {
        std::swap(maj1, maj2);
        std::swap(min1, min2);
    }
    const int majorSize = steep ? h : w, minorSize = steep ? w : h;
    if (majorSize <= 0 || minorSize <= 0 || maj2 == maj1) return;
    const double slope = (min2 - min1) / (maj2 - maj1);
    const double start = std::trunc(maj1);
    const double first = std::max(start, 0.0);
    const double last = std::min(std::ceil(maj2), static_cast<double>(majorSize - 1));
    if (first > last) return;
    const double frac = min1 - std::trunc(min1);
    for (long long pos = static_cast<long long>(first); pos <= static_cast<long long>(last); ++pos) {
        const double m = std::trunc(min1) + std::floor(frac + (static_cast<double>(pos) - start) * slope + 0.5 - 1e-9);
        if (m < 0 || m >= minorSize) continue;
        if (steep)
            plot(static_cast<int>(m), static_cast<int>(pos));
        else
            plot(static_cast<int>(pos), static_cast<int>(m));
    }
}

}  // namespace Vant
