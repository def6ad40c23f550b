#pragma once
// Integer rectangle in pixels.
#include <algorithm>

namespace Vant {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;

    Rect() = default;
    Rect(int x_, int y_, int w, int h) : x(x_), y(y_), width(w), height(h) {}

    // Overlap of the two; all zero when they do not meet, but a width or
    // height of exactly 0 (touching edges) keeps its position.
    Rect Intersection(const Rect& o) const {
        const long long nx = x > o.x ? x : o.x;
        const long long ny = y > o.y ? y : o.y;
        const long long right = std::min<long long>(static_cast<long long>(x) + width, static_cast<long long>(o.x) + o.width);
        const long long bottom = std::min<long long>(static_cast<long long>(y) + height, static_cast<long long>(o.y) + o.height);
        if (right - nx < 0 || bottom - ny < 0) return Rect();
        return Rect(static_cast<int>(nx), static_cast<int>(ny), static_cast<int>(right - nx), static_cast<int>(bottom - ny));
    }

    bool operator==(const Rect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

}  // namespace Vant
