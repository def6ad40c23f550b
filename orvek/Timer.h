#pragma once
// Plain performance-counter timer, used by the application's fixed-step clock.
#include <cstdint>

namespace orvek {

// Monotonic tick count of the performance counter (nanoseconds).
std::uint64_t performance_counter();

class Timer {
public:
    // Ticks per second of performance_counter(); fixed for the whole process.
    static std::uint64_t frequency();

    // Ticks since start, or the stopped value while the timer is stopped.
    std::uint64_t elapsed() const;

    // Set by the owner of the timer (the application clock).
    std::uint64_t start = 0;
    std::uint64_t stopped_value = 0;
    bool stopped = false;
};

}  // namespace orvek
