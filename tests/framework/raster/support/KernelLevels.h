#pragma once
// Runs a test once per kernel level, so the SSE2 and plain kernels are tested
// on a machine that would pick AVX2. A level the machine cannot run is
// skipped, and the test leaves the best level in force.
#include "framework/raster/Raster.h"

#include <gtest/gtest.h>

#include <string>

namespace rastertest {

inline constexpr Vant::SWRaster::KernelLevel AllKernelLevels[] = {
    Vant::SWRaster::KernelLevel::Plain, Vant::SWRaster::KernelLevel::Sse2, Vant::SWRaster::KernelLevel::Avx2};

inline std::string kernelLevelName(Vant::SWRaster::KernelLevel level) {
    switch (level) {
    case Vant::SWRaster::KernelLevel::Plain: return "Plain";
    case Vant::SWRaster::KernelLevel::Sse2: return "Sse2";
    default: return "Avx2";
    }
}

// Forces `level` for the lifetime of the object; `ran` is false when the
// machine lacks it.
class ForcedKernelLevel {
public:
    explicit ForcedKernelLevel(Vant::SWRaster::KernelLevel level) : ran(Vant::SWRaster::SetKernelLevel(level) == level) {}
    ~ForcedKernelLevel() { Vant::SWRaster::SetKernelLevel(Vant::SWRaster::SupportedKernelLevel()); }
    ForcedKernelLevel(const ForcedKernelLevel&) = delete;
    ForcedKernelLevel& operator=(const ForcedKernelLevel&) = delete;
    const bool ran;
};

// A fixture parameterised by kernel level.
class AtKernelLevel : public ::testing::TestWithParam<Vant::SWRaster::KernelLevel> {
protected:
    void SetUp() override {
        Vant::SWRaster::InitFillerTable();
        if (!level_.ran) GTEST_SKIP() << "this processor lacks " << kernelLevelName(GetParam());
    }

private:
    ForcedKernelLevel level_{GetParam()};
};

inline std::string kernelLevelParamName(const ::testing::TestParamInfo<Vant::SWRaster::KernelLevel>& info) {
    return kernelLevelName(info.param);
}

}  // namespace rastertest

// Instantiates a suite derived from AtKernelLevel at every level.
#define ZELKOR_AT_EVERY_KERNEL_LEVEL(Suite)                                                                     \
    INSTANTIATE_TEST_SUITE_P(Levels, Suite, ::testing::ValuesIn(::rastertest::AllKernelLevels),                 \
                             ::rastertest::kernelLevelParamName)
