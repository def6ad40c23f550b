#pragma once
// Destination formats of the fillers: pixel layout, the unblended store and
// the blend of a source term over a destination pixel. All per-pixel work is
// unsigned 32-bit; the channel products run on the packed word.
#include <cstdint>

namespace Vant::SWRaster::px {

// (S_C * A) >> 8 for red, green and blue of a 0x00RRGGBB word, two products.
inline uint32_t scaleRGB(uint32_t s, uint32_t f) {
    return ((((s & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu) | ((((s & 0x0000FF00u) * f) >> 8) & 0x0000FF00u);
}

// (C * m_C) >> 8 per channel with one factor per channel, in place.
inline uint32_t modulateRGB(uint32_t t, uint32_t fr, uint32_t fg, uint32_t fb) {
    return ((((t & 0x00FF0000u) * fr) & 0xFF000000u) | (((t & 0x0000FF00u) * fg) & 0x00FF0000u) |
            (((t & 0x000000FFu) * fb) & 0x0000FF00u)) >> 8;
}

inline uint16_t pack565(uint32_t s) {
    return static_cast<uint16_t>(((s >> 8) & 0xF800u) | ((s >> 5) & 0x07E0u) | ((s >> 3) & 0x001Fu));
}
inline uint16_t pack555(uint32_t s) {
    return static_cast<uint16_t>(((s >> 9) & 0x7C00u) | ((s >> 6) & 0x03E0u) | ((s >> 3) & 0x001Fu));
}

// 0x8888: lays the source terms p (0x00RRGGBB) over d with weight a and
// divides by the combined coverage so the colour stays straight. A
// premultiplied term can equal its weight (a filtered sample scaled by a
// colour factor); over a transparent pixel its quotient is then 256, which
// is capped at 255 rather than left to wrap to black. A zero divisor (a = 0
// over alpha 0) leaves the pixel as it was.
inline uint32_t blend8888(uint32_t d, uint32_t pr, uint32_t pg, uint32_t pb, uint32_t a) {
    const uint32_t da = d >> 24;
    const uint32_t inv = 256 - a;
    const uint32_t div = 256 - (((256 - da) * inv) >> 8);
    if (div == 0) return d;
    const auto channel = [&](uint32_t dc, uint32_t p) {
        const uint32_t q = ((dc * da >> 8) * inv + (p << 8)) / div;
        return q < 255 ? q : 255u;
    };
    const uint32_t r = channel((d >> 16) & 0xFF, pr);
    const uint32_t g = channel((d >> 8) & 0xFF, pg);
    const uint32_t b = channel(d & 0xFF, pb);
    return ((div - 1) << 24) | (r << 16) | (g << 8) | b;
}

// 0x888: destination scaled by 255 - a plus the packed source term; the top
// byte of d is never read.
inline uint32_t blend888(uint32_t d, uint32_t p, uint32_t a) { return scaleRGB(d, 255 - a) + (p & 0x00FFFFFFu); }

// 16-bit: each field scaled in place by ((255 - a) >> 3) / 32, plus the packed
// source term; no field can carry while every P_C <= a.
inline uint16_t blend565(uint16_t d, uint16_t packedP, uint32_t a) {
    const uint32_t f = (255 - a) >> 3;
    const uint32_t outer = ((d & 0xF81Fu) * f) >> 5;
    const uint32_t middle = ((d & 0x07E0u) * f) >> 5;
    return static_cast<uint16_t>(((outer & 0xF81Fu) | (middle & 0x07E0u)) + packedP);
}
inline uint16_t blend555(uint16_t d, uint16_t packedP, uint32_t a) {
    const uint32_t f = (255 - a) >> 3;
    const uint32_t outer = ((d & 0x7C1Fu) * f) >> 5;
    const uint32_t middle = ((d & 0x03E0u) * f) >> 5;
    return static_cast<uint16_t>(((outer & 0x7C1Fu) | (middle & 0x03E0u)) + packedP);
}

// Format traits used by the filler frame.
//   store(w):            unblended / near-opaque store of a 0xAARRGGBB word
//   blendStraight(d,s,a) source s not yet scaled by a
//   blendPremul(d,s,a)   source s already weighted by its alpha
//   blendVertex(d,r,g,b,a) untextured vertex-colour blend, channels in 8.16
struct Fmt8888 {
    using Pixel = uint32_t;
    static constexpr unsigned group = 0x00;
    static Pixel store(uint32_t w) { return w | 0xFF000000u; }
    static Pixel blendStraight(Pixel d, uint32_t s, uint32_t a) {
        const uint32_t p = scaleRGB(s, a);
        return blend8888(d, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, a);
    }
    static Pixel blendPremul(Pixel d, uint32_t s, uint32_t a) {
        return blend8888(d, (s >> 16) & 0xFF, (s >> 8) & 0xFF, s & 0xFF, a);
    }
    // The source terms keep some fraction bits: all 16 of red, the top 8 of
    // green, none of blue.
    static Pixel blendVertex(Pixel d, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        return blend8888(d, (r * a) >> 24, ((g >> 8) * a) >> 16, ((b >> 16) * a) >> 8, a);
    }
};

struct Fmt888 {
    using Pixel = uint32_t;
    static constexpr unsigned group = 0x20;
    static Pixel store(uint32_t w) { return w; }
    static Pixel blendStraight(Pixel d, uint32_t s, uint32_t a) { return blend888(d, scaleRGB(s, a), a) | 0xFF000000u; }
    static Pixel blendPremul(Pixel d, uint32_t s, uint32_t a) { return blend888(d, s, a) | 0xFF000000u; }
    // Untextured blends leave the top byte 0.
    static Pixel blendVertex(Pixel d, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        const uint32_t s = (r & 0x00FF0000u) | ((g >> 8) & 0x0000FF00u) | (b >> 16);
        return blend888(d, scaleRGB(s, a), a);
    }
};

// The two 16-bit formats differ only in their pack and blend.
template <uint16_t (*Pack)(uint32_t), uint16_t (*Blend)(uint16_t, uint16_t, uint32_t), unsigned Group>
struct Fmt16 {
    using Pixel = uint16_t;
    static constexpr unsigned group = Group;
    static Pixel store(uint32_t w) { return Pack(w); }
    static Pixel blendStraight(Pixel d, uint32_t s, uint32_t a) { return Blend(d, Pack(scaleRGB(s, a)), a); }
    static Pixel blendPremul(Pixel d, uint32_t s, uint32_t a) { return Blend(d, Pack(s), a); }
    static Pixel blendVertex(Pixel d, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        const uint32_t s = (r & 0x00FF0000u) | ((g >> 8) & 0x0000FF00u) | (b >> 16);
        return blendStraight(d, s, a);
    }
};

using Fmt565 = Fmt16<pack565, blend565, 0x40>;
using Fmt555 = Fmt16<pack555, blend555, 0x60>;

}  // namespace Vant::SWRaster::px
