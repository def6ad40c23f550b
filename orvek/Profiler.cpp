#include "orvek/Profiler.h"

#include "orvek/CpuInfo.h"
#include "orvek/Timer.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

namespace orvek {

namespace {

// One string, so that every calibration run lands in the same entry.
const char calibration_name[] = "one_profile_time_measure";

struct State {
    ProfileClock clock;
    ProfileEntry root;
    ProfileScope* current = nullptr;
    std::uint64_t cost = 0;  // calibrated profiler cost per start
    bool calibrated = false;
};

ProfileClock default_clock() {
    static const CpuInfo cpu(0, CpuInfo::read_record | CpuInfo::measure_clock);
    return ProfileClock::for_cpu(cpu);
}

State& state() {
    static State s{default_clock(), {}, nullptr, 0, false};
    return s;
}

std::uint64_t now() { return state().clock.now(); }

std::uint64_t saturating_sub(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : 0; }

// Whole milliseconds, then seconds; split so that long runs cannot overflow.
double seconds(std::uint64_t ticks, std::uint64_t freq) {
    std::uint64_t ms = ticks / freq * 1000 + ticks % freq * 1000 / freq;
    return static_cast<double>(ms) * 0.001;
}

void correct_overhead(ProfileEntry& e) {
    std::uint64_t children = 0;
    for (auto& [key, child] : e.children) {
        correct_overhead(child);
        children += child.subtree_overhead;
    }
    e.subtree_overhead = e.own_overhead + children;
    e.total = saturating_sub(e.total, children);
}

void set_percent(ProfileEntry& e, std::uint64_t root_total) {
    e.percent = root_total ? static_cast<double>(e.total) * 100.0 / static_cast<double>(root_total) : 0.0;
    for (auto& [key, child] : e.children) set_percent(child, root_total);
}

void append(std::string& out, const char* format, auto... args) {
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, format, args...);
    if (n > 0) out.append(buf, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buf - 1));
}

void write_entry(std::string& out, const ProfileEntry& e, const char* name, const std::string& indent,
                 double threshold, std::uint64_t freq) {
    if (threshold > e.percent) return;
    double time = seconds(e.total, freq);
    out += indent;
    out += name;
    out += ": ";
    if (e.children.empty()) {
        append(out, "%0.2f%%. time: %0.2f", e.percent, time);
    } else {
        double children = 0.0;
        for (const auto& [key, child] : e.children) children += seconds(child.total, freq);
        double share = time > 0.0 ? children / time * 100.0 : 0.0;
        append(out, "%0.2f%%[%0.2f]. time: %0.2f", e.percent, share, time);
    }
    if (e.count > 0) append(out, ". n: %d. average: %0.2f", static_cast<int>(e.count), time * 1000.0 / e.count);
    out += '\n';
    std::string inner = indent + "  ";
    for (const auto& [key, child] : e.children) write_entry(out, child, key, inner, threshold, freq);
}

}  // namespace

ProfileClock ProfileClock::for_cpu(const CpuInfo& cpu) {
    if ((cpu.features() & CpuInfo::tsc) && cpu.clock() > 0) return ProfileClock{read_tsc, cpu.clock()};
    return performance();
}

ProfileClock ProfileClock::performance() { return ProfileClock{orvek::performance_counter, Timer::frequency()}; }

void ProfileTimer::start(std::uint64_t offset) { start_ = now() + offset; }

void ProfileTimer::restart() { start_ = now(); }

std::uint64_t ProfileTimer::elapsed() const { return saturating_sub(now(), start_); }

ProfileScope::ProfileScope(const char* name, bool at_root) : name_(name), at_root_(at_root) {
    timer_.start();
    start();
}

ProfileScope::~ProfileScope() { stop(); }

void ProfileScope::start() {
    if (running_) return;
    State& s = state();
    ProfileTimer local;
    local.start();
    previous_ = s.current;
    s.current = this;
    ProfileEntry& parent = (!previous_ || at_root_) ? s.root : *previous_->entry_;
    entry_ = &parent.children[name_];
    entry_->active = this;
    if (!s.calibrated) {
        s.calibrated = true;
        s.cost = 0;
        ProfileTimer t;
        t.start();
        for (int i = 0; i < 100; ++i) ProfileScope probe(calibration_name);
        std::uint64_t measured = entry_->children[calibration_name].own_overhead;
        s.cost = saturating_sub(t.elapsed(), measured) / 100;
    }
    if (entry_->count < std::numeric_limits<std::int32_t>::max()) ++entry_->count;
    running_ = true;
    entry_->own_overhead += s.cost + local.elapsed();
    timer_.restart();
}

void ProfileScope::stop() {
    if (!running_) return;
    ProfileTimer local;
    local.start();
    entry_->total += timer_.elapsed();
    entry_->active = nullptr;
    state().current = previous_;
    running_ = false;
    entry_->own_overhead += local.elapsed();
}

void ProfileScope::checkpoint() {
    if (!running_) return;
    ProfileTimer local;
    local.start();
    entry_->total += timer_.elapsed();
    for (auto& [key, child] : entry_->children)
        if (child.active) child.active->checkpoint();
    timer_.restart();
    entry_->own_overhead += local.elapsed();
}

std::string Profiler::report(float threshold) {
    State& s = state();
    for (auto& [key, entry] : s.root.children)
        if (entry.active) entry.active->checkpoint();

    // The correction runs on a copy, so that every report starts from the
    // measured numbers and a second report does not subtract twice.
    ProfileEntry root = s.root;
    for (const auto& [key, entry] : root.children) root.total += entry.total;
    correct_overhead(root);
    set_percent(root, root.total);

    const std::uint64_t freq = s.clock.frequency;
    std::ostringstream header;
    header << "Time lost on profile: " << seconds(root.subtree_overhead, freq) << '\n';
    std::string out = header.str();
    write_entry(out, root, "all", "", threshold, freq);
    return out;
}

bool Profiler::write_report(float threshold) {
    std::string text = report(threshold);
    std::ofstream file("profile.log", std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

bool Profiler::reset(ProfileClock clock) {
    State& s = state();
    if (s.current) return false;
    if (!clock.now) clock = ProfileClock::performance();
    if (clock.frequency == 0) clock.frequency = 1000;
    s.clock = std::move(clock);
    s.root = ProfileEntry{};
    s.cost = 0;
    s.calibrated = false;
    return true;
}

const ProfileEntry& Profiler::root() { return state().root; }

}  // namespace orvek
