#pragma once
// The game's one pseudo-random generator: the classic linear congruential
// generator (state * 214013 + 2531011 mod 2^32, result bits 16..30), kept as
// our own copy so every platform draws the same sequence for the same seed.
// The logic draws only from the process-wide instance and only on the
// primary thread; tests seed it to replay a game exactly.
#include <cstdint>

namespace orvek::trelm::logic {

class LegacyRand {
public:
    static constexpr int max_value = 32767;

    explicit LegacyRand(std::uint32_t seed = 1) : state_(seed) {}

    void seed(std::uint32_t s) { state_ = s; }
    std::uint32_t state() const { return state_; }

    // Next value in 0..32767.
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return int((state_ >> 16) & 0x7fffu);
    }

    static LegacyRand& instance();

private:
    std::uint32_t state_;
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
