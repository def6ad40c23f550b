#include "orvek/Timer.h"

#include <chrono>

namespace orvek {

std::uint64_t performance_counter() {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint64_t>(ns.count());
}

std::uint64_t Timer::frequency() {
    static const std::uint64_t freq = [] {
        using period = std::chrono::nanoseconds::period;
        return static_cast<std::uint64_t>(period::den / period::num);
    }();
    return freq;
}

std::uint64_t Timer::elapsed() const {
    if (stopped) return stopped_value;
    std::uint64_t now = performance_counter();
    // A start set ahead of the clock must not wrap to an enormous interval.
    return now > start ? now - start : 0;
}

}  // namespace orvek
