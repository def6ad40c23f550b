#pragma once
// Positions and sizes of controls, in pixels.
namespace orvek::ostrel {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

}  // namespace orvek::ostrel
