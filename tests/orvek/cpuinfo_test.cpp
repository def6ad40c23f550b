#include "orvek/CpuInfo.h"
#include "orvek/Profiler.h"
#include "orvek/Timer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#if defined(__linux__)
#include <sched.h>
#endif

namespace {

using orvek::CpuIdEntry;
using orvek::CpuIdRecord;
using orvek::CpuInfo;

CpuIdRecord make_record(const char (&vendor)[13], std::uint32_t eax1, std::uint32_t edx1) {
    CpuIdRecord rec;
    rec.max_basic = 1;
    CpuIdEntry leaf0;
    leaf0.eax = 1;
    std::memcpy(&leaf0.ebx, vendor, 4);
    std::memcpy(&leaf0.edx, vendor + 4, 4);
    std::memcpy(&leaf0.ecx, vendor + 8, 4);
    CpuIdEntry leaf1;
    leaf1.eax = eax1;
    leaf1.edx = edx1;
    rec.basic = {leaf0, leaf1};
    return rec;
}

std::uint32_t signature(unsigned family, unsigned model, unsigned stepping) {
    return family << 8 | model << 4 | stepping;
}

TEST(CpuInfo, VendorTable) {
    const std::pair<const char*, int> cases[] = {
        {"GenuineIntel", 0}, {"AuthenticAMD", 1}, {"AMD ISBETTER", 1}, {"CyrixInstead", 2},
        {"CentaurHauls", 3}, {"UMC UMC UMC ", 4}, {"NexGenDriven", 5}, {"RiseRiseRise", 6},
        {"GenuineTMx86", 7}, {"genuineintel", -1}, {"UMC UMC UMC", -1}, {"HygonGenuine", -1},
        {"", -1},
    };
    for (const auto& [text, index] : cases) EXPECT_EQ(CpuInfo::vendor_index(text), index) << text;
}

TEST(CpuInfo, RecordKeepsVendorTextInRegisterOrder) {
    CpuIdRecord rec = make_record("AuthenticAMD", 0, 0);
    EXPECT_EQ(rec.vendor_text(), "AuthenticAMD");
    EXPECT_EQ(rec.leaf(2), nullptr);
    EXPECT_EQ(rec.leaf(0x80000000u), nullptr);
    EXPECT_EQ(CpuIdRecord{}.vendor_text(), "");
}

TEST(CpuInfo, FeatureBitsFromLeafOne) {
    const std::uint32_t fpu = 1u << 0, tsc = 1u << 4, sep = 1u << 11, fxsr = 1u << 24, sse = 1u << 25;
    struct Case {
        const char* what;
        const char (&vendor)[13];
        std::uint32_t eax, edx;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {"nothing", "GenuineIntel", signature(6, 8, 0), 0, 0},
        {"fpu and tsc", "GenuineIntel", signature(6, 8, 0), fpu | tsc, CpuInfo::fpu | CpuInfo::tsc},
        {"erratum clears fast call", "GenuineIntel", signature(6, 1, 2), sep, 0},
        {"model 3 keeps it", "GenuineIntel", signature(6, 3, 2), sep, CpuInfo::fast_syscall},
        {"stepping 3 keeps it", "GenuineIntel", signature(6, 1, 3), sep, CpuInfo::fast_syscall},
        {"family 15 keeps it", "GenuineIntel", signature(15, 1, 2), sep, CpuInfo::fast_syscall},
        {"other vendor keeps it", "AuthenticAMD", signature(6, 1, 2), sep, CpuInfo::fast_syscall},
        {"fxsr needs sse", "GenuineIntel", signature(6, 8, 0), fxsr, 0},
        {"fxsr with sse", "GenuineIntel", signature(6, 8, 0), fxsr | sse, CpuInfo::fxsr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CpuInfo::record_features(make_record(c.vendor, c.eax, c.edx)), c.expected) << c.what;
    EXPECT_EQ(CpuInfo::record_features(CpuIdRecord{}), 0);
}

TEST(CpuInfo, NoTimeStampCounterGivesHundredMegahertzAndProfilerFallsBack) {
    EXPECT_EQ(CpuInfo::measure_tsc_clock(CpuInfo::fpu | CpuInfo::sse), 100000000u);

    CpuInfo plain(-1, 0);  // no record, so no time-stamp counter is known
    EXPECT_FALSE(plain.has_record());
    EXPECT_FALSE(plain.has_sse());
    EXPECT_EQ(plain.features() & CpuInfo::tsc, 0);
    EXPECT_EQ(plain.clock(), 0u);
    EXPECT_EQ(plain.vendor(), -1);
    orvek::ProfileClock clock = orvek::ProfileClock::for_cpu(plain);
    EXPECT_EQ(clock.frequency, orvek::Timer::frequency());
}

TEST(CpuInfo, DetectsThisProcessor) {
    CpuInfo cpu(-1, CpuInfo::read_record);
#if defined(__x86_64__)
    EXPECT_EQ(cpu.cpu_class(), 4);
    ASSERT_TRUE(cpu.has_record());
    EXPECT_EQ(cpu.record()->basic.size(), cpu.record()->max_basic + 1);
    EXPECT_EQ(cpu.vendor(), CpuInfo::vendor_index(cpu.record()->vendor_text()));
    EXPECT_TRUE(cpu.features() & CpuInfo::fpu);
    EXPECT_TRUE(cpu.has_sse());  // every 64-bit x86 processor has it
    EXPECT_TRUE(cpu.features() & CpuInfo::sse);
#else
    EXPECT_EQ(cpu.cpu_class(), 3);
    EXPECT_FALSE(cpu.has_record());
#endif
    EXPECT_EQ(cpu.clock(), 0u);  // not asked to measure
}

TEST(CpuInfo, PinnedDetectionRestoresTheCallersAffinity) {
#if defined(__linux__)
    cpu_set_t before;
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    CpuInfo cpu(0, CpuInfo::read_record | CpuInfo::measure_clock);
    cpu_set_t after;
    ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
    EXPECT_TRUE(CPU_EQUAL(&before, &after));
    if (CPU_ISSET(0, &before)) {
        EXPECT_NE(cpu.cpu_class(), -1);
        EXPECT_GT(cpu.clock(), 0u);
        if (!(cpu.features() & CpuInfo::tsc)) {
            EXPECT_EQ(cpu.clock(), 100000000u);
        }
    }
#else
    GTEST_SKIP() << "affinity is Linux-only";
#endif
}

}  // namespace
