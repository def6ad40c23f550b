#pragma once
// Fixed-point helpers of the filler frame. Everything that can overflow is
// formed wide and saturated or wrapped explicitly, so slivers and huge
// inputs stay defined behaviour.
#include <cmath>
#include <cstdint>
#include <limits>

namespace Vant::SWRaster::fx {

inline int32_t saturate32(__int128 v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

inline int32_t saturate32(int64_t v) { return saturate32(static_cast<__int128>(v)); }

// trunc(v) as int32, saturated; NaN gives 0.
inline int32_t truncSaturate(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// ceil of a 16.16 value as an integer (arithmetic shift, no overflow).
inline int32_t ceil16(int64_t q) { return static_cast<int32_t>((q + 0xFFFF) >> 16); }

// 2^48 / d, truncated toward zero; d != 0. A 32.32 fixed-point 1/d.
inline int64_t reciprocal(int64_t d) { return (int64_t{1} << 48) / d; }

// High 32 bits of dq * r, saturated to int32 where a sliver makes it leave
// 32 bits.
inline int32_t step(int64_t dq, int64_t r) { return saturate32((static_cast<__int128>(dq) * r) >> 32); }

// (s * e) >> 16; only the low 32 bits count.
inline int32_t advance(int32_t s, int64_t e) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>((static_cast<__int128>(s) * e) >> 16)));
}

// a + b with 32-bit wrap-around.
inline int32_t add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace Vant::SWRaster::fx
