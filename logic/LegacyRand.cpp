#include "logic/LegacyRand.h"

#include <chrono>

namespace orvek::trelm::logic {

LegacyRand& LegacyRand::instance() {
    static LegacyRand generator;
    return generator;
}

int random() { return LegacyRand::instance().next(); }

void seed_random(std::uint32_t seed) { LegacyRand::instance().seed(seed); }

void seed_random_from_clock() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    seed_random(static_cast<std::uint32_t>(ticks));
}

float random_fraction() { return float(random()) / 32767.0f; }

float random_in(float a, float b) { return a + (b - a) * float(random()) / 32767.0f; }

int random_pick(int n) { return n > 0 ? random() % n : 0; }

}  // namespace orvek::trelm::logic
