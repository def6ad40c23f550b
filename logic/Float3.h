#pragma once
// Speed triple of everything that moves along a way with inertia.
namespace orvek::io { class IStream; class OStream; }

namespace orvek::trelm::logic {

struct Float3 {
    float speed = 0.0f;         // signed, path units per second
    float max_speed = 0.0f;     // largest magnitude acceleration may reach
    float acceleration = 0.0f;  // signed, path units per second squared

    constexpr Float3() = default;
    constexpr Float3(float s, float m, float a) : speed(s), max_speed(m), acceleration(a) {}

    void scale(float k) { speed *= k; max_speed *= k; acceleration *= k; }
    static Float3 sum(const Float3& a, const Float3& b) {
        return {a.speed + b.speed, a.max_speed + b.max_speed, a.acceleration + b.acceleration};
    }
    // Takes the limit and acceleration of other, keeps the speed.
    void set_limits(const Float3& other) {
        max_speed = other.max_speed;
        acceleration = other.acceleration;
    }
    bool same_limits(const Float3& other) const {
        return acceleration == other.acceleration && max_speed == other.max_speed;
    }

    // Advances the speed by dt under the configured friction ("speed/@k_friction")
    // and returns the path length covered.
    float step(float dt);
    // The same with an explicit friction deceleration.
    float step(float dt, float friction);

    void save(io::OStream& out) const;
    void load(io::IStream& in);

    bool operator==(const Float3&) const = default;
};

// Current value of "speed/@k_friction" (default 130).
float friction();

}  // namespace orvek::trelm::logic
