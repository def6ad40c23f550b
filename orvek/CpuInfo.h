#pragma once
// What the processor offers: class, identification data, a few feature bits
// and the clock of its time-stamp counter. Filled once, then only read.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// Result registers of one identification leaf. EBX, EDX, ECX are adjacent so
// that the 12-character vendor text of leaf 0 reads straight from ebx on.
struct CpuIdEntry {
    std::uint32_t eax = 0;
    std::uint32_t ebx = 0;
    std::uint32_t edx = 0;
    std::uint32_t ecx = 0;
};

struct CpuIdRecord {
    std::uint32_t max_basic = 0;
    std::uint32_t max_extended = 0;   // 0 when the extended leaves are absent
    std::vector<CpuIdEntry> basic;    // leaves 0 .. max_basic
    std::vector<CpuIdEntry> extended; // leaves 0x80000000 .. max_extended

    // Null when the leaf was not read.
    const CpuIdEntry* leaf(std::uint32_t index) const;
    std::string vendor_text() const;
};

class CpuInfo {
public:
    enum Options : unsigned {
        read_record = 1,   // bit 0 or bit 1: read the identification record
        measure_clock = 2, // bit 1: also measure the clock
    };
    enum Feature : std::uint8_t {
        fpu = 1,
        tsc = 2,          // time-stamp counter usable
        fast_syscall = 4,
        fxsr = 8,
        sse = 16,         // SSE usable, operating system included
    };

    // A negative processor index detects on the calling thread as it is;
    // otherwise the calling thread is pinned to that processor for the
    // detection and its affinity restored afterwards.
    CpuInfo(int processor, unsigned options);

    int cpu_class() const { return class_; }
    int vendor() const;
    bool has_record() const { return record_ != nullptr; }
    bool has_sse() const;
    const CpuIdRecord* record() const { return record_.get(); }
    std::uint8_t features() const { return features_; }
    std::uint64_t clock() const { return clock_; }

    // Vendor table: identification text -> index, -1 when unknown.
    static int vendor_index(std::string_view text);
    // Feature bits 0..3 that the record claims (before any probe).
    static std::uint8_t record_features(const CpuIdRecord& record);
    // Ticks per second of the time-stamp counter; 100 MHz without one.
    static std::uint64_t measure_tsc_clock(std::uint8_t features);

private:
    void detect(unsigned options);

    int class_ = -1;
    int vendor_fallback_ = -1;
    std::uint64_t clock_ = 0;
    std::unique_ptr<CpuIdRecord> record_;
    std::uint8_t features_ = 0;
};

// Time-stamp counter reading; 0 where the processor has none.
std::uint64_t read_tsc();

}  // namespace orvek
