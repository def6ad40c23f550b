#include "orvek/CpuInfo.h"

#include "orvek/Timer.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#define ORVEK_CPUID 1
#endif

#if defined(__linux__)
#include <sched.h>
#include <sys/prctl.h>
#endif

namespace orvek {

namespace {

constexpr std::uint64_t fallback_clock = 100000000;  // 100 MHz

// Guards against absurd leaf counts from broken hypervisors.
constexpr std::uint32_t max_leaves = 256;

#if ORVEK_CPUID
CpuIdEntry query(std::uint32_t leaf) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, 0, a, b, c, d);
    return CpuIdEntry{a, b, d, c};
}

std::unique_ptr<CpuIdRecord> read_identification() {
    auto rec = std::make_unique<CpuIdRecord>();
    rec->max_basic = query(0).eax;
    std::uint32_t ext = query(0x80000000u).eax;
    rec->max_extended = (ext != rec->max_basic && (ext & 0x80000000u)) ? ext : 0;
    std::uint32_t basic_count = std::min(rec->max_basic, max_leaves - 1) + 1;
    for (std::uint32_t i = 0; i < basic_count; ++i) rec->basic.push_back(query(i));
    if (rec->max_extended) {
        std::uint32_t ext_count = std::min(rec->max_extended & 0x7fffffffu, max_leaves - 1) + 1;
        for (std::uint32_t i = 0; i < ext_count; ++i)
            rec->extended.push_back(query(0x80000000u + i));
    }
    return rec;
}
#endif

// The time-stamp instruction faults when the process has been told so.
bool tsc_allowed() {
#if defined(__linux__) && defined(PR_GET_TSC)
    int state = 0;
    if (prctl(PR_GET_TSC, &state, 0, 0, 0) == 0 && state == PR_TSC_SIGSEGV) return false;
#endif
    return true;
}

}  // namespace

const CpuIdEntry* CpuIdRecord::leaf(std::uint32_t index) const {
    if (index & 0x80000000u) {
        std::uint32_t i = index & 0x7fffffffu;
        return i < extended.size() ? &extended[i] : nullptr;
    }
    return index < basic.size() ? &basic[index] : nullptr;
}

std::string CpuIdRecord::vendor_text() const {
    const CpuIdEntry* e = leaf(0);
    if (!e) return {};
    char text[12];
    std::memcpy(text, &e->ebx, 4);
    std::memcpy(text + 4, &e->edx, 4);
    std::memcpy(text + 8, &e->ecx, 4);
    return std::string(text, 12);
}

std::uint64_t read_tsc() {
#if ORVEK_CPUID
    return __rdtsc();
#else
    return 0;
#endif
}

CpuInfo::CpuInfo(int processor, unsigned options) {
    if (processor < 0) {
        detect(options);
        return;
    }
#if defined(__linux__)
    // Pinning the caller keeps the clock measurement on one processor without
    // a helper thread to wait for and without raising any priority.
    cpu_set_t old_set;
    if (sched_getaffinity(0, sizeof old_set, &old_set) != 0) return;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(processor % 32, &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) return;
    struct Restore {
        cpu_set_t* set;
        ~Restore() { sched_setaffinity(0, sizeof *set, set); }
    } restore{&old_set};
    detect(options);
#else
    detect(options);
#endif
}

int CpuInfo::vendor() const {
    if (!record_) return vendor_fallback_;
    return vendor_index(record_->vendor_text());
}

bool CpuInfo::has_sse() const {
    if (!record_) return false;
    const CpuIdEntry* e = record_->leaf(1);
    return e && (e->edx & (1u << 25));
}

int CpuInfo::vendor_index(std::string_view text) {
    static const struct { const char* text; int index; } table[] = {
        {"GenuineIntel", 0}, {"AuthenticAMD", 1}, {"AMD ISBETTER", 1},
        {"CyrixInstead", 2}, {"CentaurHauls", 3}, {"UMC UMC UMC ", 4},
        {"NexGenDriven", 5}, {"RiseRiseRise", 6}, {"GenuineTMx86", 7},
    };
    for (const auto& row : table)
        if (text == row.text) return row.index;
    return -1;
}

std::uint8_t CpuInfo::record_features(const CpuIdRecord& record) {
    const CpuIdEntry* e = record.leaf(1);
    if (!e) return 0;
    std::uint8_t bits = 0;
    if (e->edx & (1u << 0)) bits |= fpu;
    if (e->edx & (1u << 4)) bits |= tsc;
    if (e->edx & (1u << 11)) {
        unsigned family = (e->eax >> 8) & 0xf;
        unsigned model = (e->eax >> 4) & 0xf;
        unsigned stepping = e->eax & 0xf;
        // Early family 6 Intel parts report the fast system call but lack it.
        bool erratum = vendor_index(record.vendor_text()) == 0 && family == 6 && model < 3 &&
                       stepping < 3;
        if (!erratum) bits |= fast_syscall;
    }
    if ((e->edx & (1u << 25)) && (e->edx & (1u << 24))) bits |= fxsr;
    return bits;
}

std::uint64_t CpuInfo::measure_tsc_clock(std::uint8_t features) {
    if (!(features & tsc)) return fallback_clock;
    const long double freq = static_cast<long double>(Timer::frequency());
    std::uint64_t sum = 0;
    for (int pass = 0; pass < 20; ++pass) {
        std::uint64_t q0 = performance_counter();
        std::uint64_t t0 = read_tsc();
        std::uint64_t q1 = q0;
        for (int i = 0; i < 1000; ++i) q1 = performance_counter();
        std::uint64_t t1 = read_tsc();
        // A counter that did not move would divide by zero: no usable clock.
        if (q1 <= q0 || t1 <= t0) return fallback_clock;
        long double ticks = static_cast<long double>(t1 - t0) * freq / static_cast<long double>(q1 - q0);
        if (ticks >= 1e15L) return fallback_clock;
        sum += static_cast<std::uint64_t>(ticks);
    }
    return sum / 20;
}

void CpuInfo::detect(unsigned options) {
#if ORVEK_CPUID
    // In long mode the alignment-check and identification flags can always be
    // toggled, so the identification instruction is usable whenever it answers.
    // The old division test for processors without a vendor text is moot here:
    // every such processor has one, so the vendor fallback stays -1.
    class_ = 4;
    bool identification = __get_cpuid_max(0, nullptr) != 0;
#else
    class_ = 3;
    bool identification = false;
#endif
#if ORVEK_CPUID
    if (identification && (options & (read_record | measure_clock))) record_ = read_identification();
#else
    (void)identification;
#endif
    if (record_) {
        features_ |= record_features(*record_);
        if ((features_ & tsc) && !tsc_allowed()) features_ &= static_cast<std::uint8_t>(~tsc);
    } else {
        // Every platform we build for has hardware floating point.
        features_ |= fpu;
    }
    // The 64-bit ABI requires the operating system to keep the SSE state, so a
    // processor with SSE can use it.
    if (has_sse()) features_ |= sse;
    if (options & measure_clock) clock_ = measure_tsc_clock(features_);
}

}  // namespace orvek
