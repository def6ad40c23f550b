#include "logic/Float3.h"

#include <cmath>

#include "orvek/config/ConfigValue.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

int sign_class(float v) { return v > 0.0f ? 1 : (v < 0.0f ? -1 : 0); }

ostrel::ConfigValueReadOnly<float> k_friction("speed/@k_friction", 130.0f);

}  // namespace

float friction() { return k_friction.get(); }

float Float3::step(float dt) { return step(dt, friction()); }

float Float3::step(float dt, float k) {
    const float s = speed;
    const float brake = k * dt;
    float v = 0.0f;
    if (!(brake >= std::fabs(s))) v = s - (s > 0.0f ? brake : -brake);

    float next = v;
    const bool pushing_past_limit =
        std::fabs(v) >= max_speed && sign_class(v) == sign_class(acceleration);
    if (!pushing_past_limit) {
        const float w = v + acceleration * dt;
        if (std::fabs(w) > max_speed && std::fabs(v) <= max_speed)
            next = w < 0.0f ? -max_speed : max_speed;
        else
            next = w;
    }
    speed = next;
    return (s + next) * dt * 0.5f;
}

void Float3::save(io::OStream& out) const {
    out << std::uint8_t(0) << speed << max_speed << acceleration;
}

void Float3::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version >> speed >> max_speed >> acceleration;
}

}  // namespace orvek::trelm::logic
