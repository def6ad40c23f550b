#pragma once
// The classic linear congruential generator (state * 214013 + 2531011 mod
// 2^32, result bits 16..30), kept as our own copy so every platform draws the
// same sequence for the same seed. Each user owns its instance; the game
// model's process-wide one lives in the logic.
#include <cstdint>

namespace orvek {

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

private:
    std::uint32_t state_;
};

}  // namespace orvek
