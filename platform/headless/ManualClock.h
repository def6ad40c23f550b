#pragma once
// A clock that moves only when told: sleeping advances it by the time
// asked and remembers the request.
#include <cstdint>
#include <vector>

#include "platform/Clock.h"

namespace plat::headless {

class ManualClock : public Clock {
public:
    explicit ManualClock(std::uint32_t startMs = 1000) : ms_(startMs) {}

    std::uint32_t TickMs() override { return ms_; }
    std::uint64_t SteadyNs() override { return ns_; }
    void SleepMs(std::uint32_t ms) override {
        sleeps.push_back(ms);
        Advance(ms);
    }

    void Advance(std::uint32_t ms) {
        ms_ += ms;   // wraps like the real tick
        ns_ += std::uint64_t(ms) * 1000000u;
    }
    void Set(std::uint32_t ms) { ms_ = ms; }

    std::vector<std::uint32_t> sleeps;

private:
    std::uint32_t ms_;
    std::uint64_t ns_ = 0;
};

}  // namespace plat::headless
