#pragma once
// Per-pixel arithmetic of the software blitters, on straight (not
// premultiplied) 0xAARRGGBB words.
#include "framework/graphics/Color.h"

#include <cstdint>

namespace Vant::blend {

// v / 255, truncated, for any 32-bit v.
inline uint32_t Div255(uint32_t v) { return static_cast<uint32_t>((static_cast<uint64_t>(v) * 0x80808081u) >> 39); }

// The colour of a tinted draw, its channels held to 0..255.
struct Tint {
    uint32_t r, g, b, a;
    explicit Tint(const Color& c) : r(clamp(c.r)), g(clamp(c.g)), b(clamp(c.b)), a(clamp(c.a)) {}
    static uint32_t clamp(int v) { return v < 0 ? 0u : v > 255 ? 255u : static_cast<uint32_t>(v); }
};

// newAlpha and the source weight f of every (source alpha, destination
// alpha) pair, so that no pixel divides.
struct NormalWeights {
    uint16_t entry[256 * 256];  // newAlpha << 8 | f
    NormalWeights() {
        for (uint32_t sa = 0; sa < 256; ++sa)
            for (uint32_t da = 0; da < 256; ++da) {
                const uint32_t na = da + Div255((255 - da) * sa);
                const uint32_t f = na ? sa * 255 / na : 0;
                entry[sa << 8 | da] = static_cast<uint16_t>(na << 8 | f);
            }
    }
};
inline const NormalWeights kNormalWeights;

// s over d with source alpha sa (0..255): the destination's alpha grows to
// newAlpha = da + (255 - da) * sa / 255, and the source weighs
// sa * 255 / newAlpha in 256ths.
inline uint32_t Normal(uint32_t d, uint32_t s, uint32_t sa) {
    if (sa == 0) return d;
    const uint32_t w = kNormalWeights.entry[(sa & 0xFF) << 8 | d >> 24];
    const uint32_t na = w >> 8, f = w & 0xFF;
    const uint32_t g = 256 - f;
    return (na << 24) | ((((d & 0xFF0000) * g >> 8) + ((s & 0xFF0000) * f >> 8)) & 0xFF0000) |
           ((((d & 0xFF00) * g >> 8) + ((s & 0xFF00) * f >> 8)) & 0xFF00) |
           ((((d & 0xFF) * g >> 8) + ((s & 0xFF) * f >> 8)) & 0xFF);
}

// The same with the source's channels modulated by a colour and its alpha
// scaled by the colour's.
inline uint32_t Colored(uint32_t d, uint32_t s, const Tint& c) {
    const uint32_t sa = Div255((s >> 24) * c.a);
    if (sa == 0) return d;
    const uint32_t w = kNormalWeights.entry[sa << 8 | d >> 24];
    const uint32_t na = w >> 8, f = w & 0xFF;
    const uint32_t g = 256 - f;
    const uint32_t red = ((((s & 0xFF0000) * f) >> 8) * c.r) >> 8;
    const uint32_t green = (s & 0xFF00) * f * c.g >> 16;
    const uint32_t blue = (s & 0xFF) * f * c.b >> 16;
    return (na << 24) | ((((d & 0xFF0000) * g >> 8) + red) & 0xFF0000) | ((((d & 0xFF00) * g >> 8) + green) & 0xFF00) |
           ((((d & 0xFF) * g >> 8) + blue) & 0xFF);
}

// s over an opaque d with the source's own alpha; the result is opaque.
inline uint32_t OntoOpaque(uint32_t d, uint32_t s) {
    const uint32_t a = s >> 24, g = 256 - a;
    return 0xFF000000u | ((((d & 0xFF0000) * g >> 8) + ((s & 0xFF0000) * a >> 8)) & 0xFF0000) |
           ((((d & 0xFF00) * g >> 8) + ((s & 0xFF00) * a >> 8)) & 0xFF00) |
           ((((d & 0xFF) * g >> 8) + ((s & 0xFF) * a >> 8)) & 0xFF);
}

// Bilinear sample of four neighbours at fractions fx, fy (0..65535),
// weighted by their alphas; straight colour out.
inline uint32_t Bilinear(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, uint32_t fx, uint32_t fy) {
    const uint64_t w[4] = {(uint64_t{0x10000} - fx) * (0x10000 - fy) >> 16, uint64_t{fx} * (0x10000 - fy) >> 16,
                           (uint64_t{0x10000} - fx) * fy >> 16, uint64_t{fx} * fy >> 16};
    const uint32_t p[4] = {p00, p10, p01, p11};
    uint64_t aw = 0, ch[3] = {0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        const uint64_t wa = w[i] * (p[i] >> 24);
        aw += wa;
        for (int c = 0; c < 3; ++c) ch[c] += wa * ((p[i] >> (16 - 8 * c)) & 0xFF);
    }
    if (aw == 0) return 0;
    const uint32_t a = static_cast<uint32_t>(aw >> 16);
    return (a << 24) | static_cast<uint32_t>(ch[0] / aw) << 16 | static_cast<uint32_t>(ch[1] / aw) << 8 |
           static_cast<uint32_t>(ch[2] / aw);
}

}  // namespace Vant::blend
