#pragma once
// Integer rectangle in pixels, and its double-precision twin.
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

struct FRect {
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;

    FRect() = default;
    FRect(double x_, double y_, double w, double h) : x(x_), y(y_), width(w), height(h) {}

    // As Rect::Intersection: a negative width or height gives all zeros.
    FRect Intersection(const FRect& o) const {
        const double nx = std::max(x, o.x);
        const double ny = std::max(y, o.y);
        const double w = std::min(x + width, o.x + o.width) - nx;
        const double h = std::min(y + height, o.y + o.height) - ny;
        if (w < 0 || h < 0) return FRect();
        return FRect(nx, ny, w, h);
    }

    bool operator==(const FRect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

}  // namespace Vant
