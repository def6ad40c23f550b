#pragma once
// Hierarchical profiler: scope objects on the stack measure named regions,
// nested scopes form a tree, and the tree is written to "profile.log".
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace orvek {

class CpuInfo;
class ProfileScope;

// Time base of the profiler: tick readings and ticks per second.
struct ProfileClock {
    std::function<std::uint64_t()> now;
    std::uint64_t frequency = 1;

    // The time-stamp counter when the processor offers a usable one, else the
    // performance counter.
    static ProfileClock for_cpu(const CpuInfo& cpu);
    static ProfileClock performance();
};

class ProfileTimer {
public:
    void start(std::uint64_t offset = 0);
    void restart();
    std::uint64_t elapsed() const;

private:
    std::uint64_t start_ = 0;
};

struct ProfileEntry {
    // Keyed by the address of the name string, not its text.
    std::map<const char*, ProfileEntry> children;
    std::uint64_t total = 0;
    std::uint64_t subtree_overhead = 0;
    std::uint64_t own_overhead = 0;
    double percent = 0.0;
    std::int32_t count = 0;
    ProfileScope* active = nullptr;
};

class ProfileScope {
public:
    // The name must outlive the run (a string constant): its address is the key.
    explicit ProfileScope(const char* name, bool at_root = false);
    ~ProfileScope();
    ProfileScope(const ProfileScope&) = delete;
    ProfileScope& operator=(const ProfileScope&) = delete;

    void start();
    void stop();

private:
    friend class Profiler;
    void checkpoint();

    ProfileEntry* entry_ = nullptr;
    ProfileScope* previous_ = nullptr;
    ProfileTimer timer_;
    const char* name_;
    bool running_ = false;
    bool at_root_;
};

class Profiler {
public:
    // Writes "profile.log" in the current directory; false when it cannot be
    // written. Entries below threshold percent are left out with their children.
    static bool write_report(float threshold);
    // The report text itself, as write_report writes it.
    static std::string report(float threshold);

    // Drops the tree and the calibration and measures with the given clock
    // from now on. Refused (false) while a scope is running.
    static bool reset(ProfileClock clock);

    static const ProfileEntry& root();
};

}  // namespace orvek
