// Destination formats: the blends and stores of the 32-bit and 16-bit
// layouts, against their worked examples and against per-channel forms.
#include "framework/raster/PixelFormats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

using namespace Vant::SWRaster::px;

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

struct BlendCase {
    const char* what;
    uint32_t got;
    uint32_t want;
};

TEST(Formats32, WorkedBlends) {
    const BlendCase cases[] = {
        {"8888 over half-transparent red", Fmt8888::blendStraight(argb(128, 255, 0, 0), argb(0, 0, 0, 255), 128),
         argb(191, 84, 0, 169)},
        {"8888 over opaque", Fmt8888::blendStraight(argb(255, 32, 64, 96), argb(0, 0, 0, 255), 128),
         argb(255, 15, 31, 174)},
        {"8888 over transparent black", Fmt8888::blendStraight(0, argb(0, 0, 0, 255), 128), argb(127, 0, 0, 254)},
        {"8888 A = 0 over alpha 100", Fmt8888::blendStraight(argb(100, 16, 32, 48), argb(0, 255, 255, 255), 0),
         argb(99, 15, 30, 46)},
        {"888 ignores the top byte, writes 0xFF",
         Fmt888::blendStraight(argb(0x12, 255, 0, 0), argb(0, 0, 0, 255), 128), argb(255, 126, 0, 127)},
        {"8888 premultiplied over transparent", Fmt8888::blendPremul(0, argb(0, 0, 0, 100), 128),
         argb(127, 0, 0, 200)},
        {"888 premultiplied", Fmt888::blendPremul(argb(0, 255, 0, 0), argb(0, 0, 0, 100), 128),
         argb(255, 126, 0, 100)},
        // Untextured sources keep fraction bits in 0x8888: channels at 100.75
        // give source terms 94, 94, 93 (seen directly over opaque black).
        {"8888 untextured fraction bits",
         Fmt8888::blendVertex(argb(255, 0, 0, 0), 0x64C000, 0x64C000, 0x64C000, 240), argb(255, 94, 94, 93)},
        {"888 untextured: integer parts, top byte 0",
         Fmt888::blendVertex(argb(255, 0, 0, 0), 0x64C000, 0x64C000, 0x64C000, 240), argb(0, 93, 93, 93)},
        // Blend weights at the top of the blend range.
        {"8888 A = 239 uses inv 17", Fmt8888::blendStraight(argb(255, 255, 255, 255), 0, 239),
         argb(255, (255 * 255 >> 8) * 17 / 256, (255 * 255 >> 8) * 17 / 256, (255 * 255 >> 8) * 17 / 256)},
        {"888 A = 239 uses inv 16", Fmt888::blendStraight(argb(0, 255, 255, 255), 0, 239), argb(255, 15, 15, 15)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what << std::hex << " got 0x" << c.got;
}

TEST(Formats32, Stores) {
    EXPECT_EQ(Fmt8888::store(0x80FF8040u), 0xFFFF8040u);
    EXPECT_EQ(Fmt888::store(0x80FF8040u), 0x80FF8040u);
    EXPECT_EQ(Fmt565::store(0x80FF8040u), 0xFC08u);
    EXPECT_EQ(Fmt555::store(0x80FF8040u), 0x7E08u);
}

TEST(Formats32, DivisorAndQuotientStayInRange) {
    // Every destination alpha and every weight that reaches a blend: the
    // divisor is at least 1 except for A = dA = 0, and the largest numerator
    // (d = 255, P = A - 1) still divides to at most 255.
    for (uint32_t da = 0; da < 256; ++da)
        for (uint32_t a = 0; a < 240; ++a) {
            const uint32_t div = 256 - (((256 - da) * (256 - a)) >> 8);
            if (da == 0 && a == 0) {
                EXPECT_EQ(div, 0u);
                EXPECT_EQ(blend8888(0x00123456u, 0, 0, 0, 0), 0x00123456u) << "zero divisor leaves the pixel";
                continue;
            }
            ASSERT_GE(div, 1u) << da << " " << a;
            const uint32_t p = a ? a - 1 : 0;
            const uint32_t num = ((255 * da) >> 8) * (256 - a) + p * 256;
            ASSERT_LE(num / div, 255u) << "dA " << da << " A " << a;
            const uint32_t out = blend8888(da << 24 | 0xFFFFFF, p, p, p, a);
            ASSERT_EQ(out >> 24, div - 1);
            ASSERT_EQ(out & 0xFF, num / div);
            // A premultiplied term equal to its weight over a transparent
            // pixel divides to 256: capped, not wrapped to black.
            if (da == 0) {
                ASSERT_EQ(blend8888(0, a, a, a, a), ((div - 1) << 24) | 0xFFFFFFu) << "A " << a;
            }
        }
}

TEST(Formats32, PackedFormsEqualPerChannel) {
    std::mt19937 rng(6);
    for (int i = 0; i < 1000000; ++i) {
        const uint32_t s = rng(), d = rng();
        const uint32_t a = rng() % 256;
        const uint32_t fr = rng() % 256, fg = rng() % 256, fb = rng() % 256;
        uint32_t scaled = 0, modulated = 0, blended = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
            const uint32_t f = shift == 16 ? fr : shift == 8 ? fg : fb;
            scaled |= ((sc * a) >> 8) << shift;
            modulated |= ((sc * f) >> 8) << shift;
            if (a < 240) blended |= (((dc * (255 - a)) >> 8) + ((sc * a) >> 8)) << shift;
        }
        ASSERT_EQ(scaleRGB(s, a), scaled);
        ASSERT_EQ(modulateRGB(s, fr, fg, fb), modulated);
        if (a < 240) {
            ASSERT_EQ(Fmt888::blendStraight(d, s, a), blended | 0xFF000000u);
        }
    }
}

TEST(Formats32, TopByteOf888DestinationNeverMatters) {
    for (uint32_t a = 0; a < 240; a += 7)
        EXPECT_EQ(Fmt888::blendStraight(0x00336699u, 0x00C08040u, a), Fmt888::blendStraight(0xFF336699u, 0x00C08040u, a));
}

TEST(Formats16, WorkedExamples) {
    const BlendCase cases[] = {
        {"565 A = 0 keeps 31/32", blend565(0xFFFF, 0, 0), 0xF7BE},
        {"555 A = 0 keeps 31/32", blend555(0x7FFF, 0, 0), 0x7BDE},
        {"565 black over white at 239", Fmt565::blendStraight(0xFFFF, 0, 239), 0x0861},
        {"565 red over blue at 128", Fmt565::blendStraight(0x001F, 0xFF0000, 128), 0x780E},
        {"565 white over black at 128", Fmt565::blendStraight(0, 0xFFFFFF, 128), (15u << 11) | (31u << 5) | 15u},
        {"565 black over white at 128", Fmt565::blendStraight(0xFFFF, 0, 128), (14u << 11) | (29u << 5) | 14u},
        {"555 blend clears bit 15", Fmt555::blendStraight(0x8000, 0, 100), 0},
        {"555 store clears bit 15", Fmt555::store(0xFFFFFFFF), 0x7FFF},
        {"565 white", Fmt565::store(0xFFFFFF), 0xFFFF},
        {"565 (7, 3, 7) packs to 0", Fmt565::store(0x070307), 0},
        {"555 (7, 3, 7) packs to 0", Fmt555::store(0x070307), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what << std::hex << " got 0x" << c.got;
}

// Every destination word, every weight up to 240 and the largest source
// terms a blend can get (P_C = A): the packed blend equals the per-field
// floor(D * f / 32) + (P >> k), and no field overflows.
template <bool Is565>
void exhaustive16() {
    for (uint32_t a = 0; a <= 240; ++a) {
        const uint32_t f = (255 - a) >> 3;
        const uint32_t src = a << 16 | a << 8 | a;
        const uint16_t packed = Is565 ? pack565(src) : pack555(src);
        const uint32_t gBits = Is565 ? 6 : 5, gMax = (1u << gBits) - 1;
        for (uint32_t d = 0; d < 65536; ++d) {
            const uint32_t dr = Is565 ? d >> 11 : (d >> 10) & 31, dg = (d >> 5) & gMax, db = d & 31;
            const uint32_t r = ((dr * f) >> 5) + (a >> 3);
            const uint32_t g = ((dg * f) >> 5) + (a >> (8 - gBits));
            const uint32_t b = ((db * f) >> 5) + (a >> 3);
            ASSERT_LE(r, 30u);
            ASSERT_LE(b, 30u);
            ASSERT_LE(g, gMax - 1);
            const uint32_t want = Is565 ? (r << 11 | g << 5 | b) : (r << 10 | g << 5 | b);
            const uint16_t got = Is565 ? blend565(static_cast<uint16_t>(d), packed, a)
                                       : blend555(static_cast<uint16_t>(d), packed, a);
            ASSERT_EQ(got, want) << "d 0x" << std::hex << d << " A " << std::dec << a;
        }
    }
}

TEST(Formats16, Exhaustive565) { exhaustive16<true>(); }
TEST(Formats16, Exhaustive555) { exhaustive16<false>(); }

}  // namespace
