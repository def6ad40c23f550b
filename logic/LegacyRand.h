#pragma once
// The game's one pseudo-random generator (the base library's copy of the
// classic one), as a process-wide instance.
// The logic draws only from the process-wide instance and only on the
// primary thread; tests seed it to replay a game exactly.
#include <cstdint>

#include "orvek/LegacyRand.h"

namespace orvek::trelm::logic {

class LegacyRand : public ::orvek::LegacyRand {
public:
    using ::orvek::LegacyRand::LegacyRand;

    static LegacyRand& instance();
};

// Shorthands over the process-wide instance.
int random();                             // 0..32767
void seed_random(std::uint32_t seed);
// Seeds from the low 32 bits of a high-resolution clock, as a new game does.
void seed_random_from_clock();
// random() / 32767: 1.0 can occur.
float random_fraction();
// a + (b - a) * random() / 32767.
float random_in(float a, float b);
// random() mod n; 0 for n <= 0 so that an empty choice never divides by zero.
int random_pick(int n);

}  // namespace orvek::trelm::logic
