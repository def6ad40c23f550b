#pragma once
// Time for the main loop: a 32-bit millisecond tick that wraps (callers
// compare ticks by signed difference), a nanosecond steady counter and
// sleep. The application takes its clock from here, so tests hand it a
// manual one (platform/headless/ManualClock.h).
#include <cstdint>

namespace plat {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps after about 49.7 days.
    virtual std::uint32_t TickMs() = 0;
    // A steady nanosecond counter for fine measurements.
    virtual std::uint64_t SteadyNs() = 0;
    virtual void SleepMs(std::uint32_t ms) = 0;
};

// Signed difference a - b of two wrapping ticks.
inline std::int32_t TickDiff(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b);
}

// The process's real clock, shared by every caller.
Clock& SystemClock();

}  // namespace plat
