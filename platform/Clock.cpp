#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace plat {
namespace {

class RealClock : public Clock {
public:
    std::uint32_t TickMs() override {
        using namespace std::chrono;
        return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    std::uint64_t SteadyNs() override {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void SleepMs(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

Clock& SystemClock() {
    static RealClock clock;
    return clock;
}

}  // namespace plat
