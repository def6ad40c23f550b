#pragma once
// The two-float vector of the play field, shared by the logic and the renderers.
#include <cmath>

namespace orvek::trelm {

struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;

    constexpr Vector2() = default;
    constexpr Vector2(float x_, float y_) : x(x_), y(y_) {}

    constexpr Vector2 operator+(const Vector2& o) const { return {x + o.x, y + o.y}; }
    constexpr Vector2 operator-(const Vector2& o) const { return {x - o.x, y - o.y}; }
    constexpr Vector2 operator-() const { return {-x, -y}; }
    constexpr Vector2 operator*(float k) const { return {x * k, y * k}; }
    Vector2& operator+=(const Vector2& o) { x += o.x; y += o.y; return *this; }
    Vector2& operator-=(const Vector2& o) { x -= o.x; y -= o.y; return *this; }
    Vector2& operator*=(float k) { x *= k; y *= k; return *this; }
    constexpr bool operator==(const Vector2& o) const { return x == o.x && y == o.y; }

    constexpr float dot(const Vector2& o) const { return x * o.x + y * o.y; }
    // z of the 3D cross product: a.x*b.y - a.y*b.x.
    constexpr float cross(const Vector2& o) const { return x * o.y - y * o.x; }
    float length() const { return std::sqrt(x * x + y * y); }
    // Unit vector; the reciprocal length is taken in double precision so that
    // short segments keep their direction. A zero vector stays zero.
    Vector2 normalized() const {
        const double sq = double(x) * double(x) + double(y) * double(y);
        if (sq == 0.0) return {};
        const double inv = 1.0 / std::sqrt(sq);
        return {float(x * inv), float(y * inv)};
    }
};

inline float distance(const Vector2& a, const Vector2& b) { return (a - b).length(); }

}  // namespace orvek::trelm
