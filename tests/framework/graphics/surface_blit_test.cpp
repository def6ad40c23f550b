// Rotated and stretched pixel loops on plain memory laid out as 5-6-5,
// 5-5-5 and 8-8-8 surfaces.
#include "framework/graphics/SurfaceBlit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using Vant::Color;
using Vant::FRect;
using Vant::Rect;
using Vant::SurfaceTarget;
using Vant::TexelSource;

namespace {

struct Format {
    const char* name;
    int bpp;
    uint32_t mask[3];
    int shift[3];
    int bits[3];
};
const Format k565{"565", 16, {0xF800, 0x7E0, 0x1F}, {11, 5, 0}, {5, 6, 5}};
const Format k555{"555", 16, {0x7C00, 0x3E0, 0x1F}, {10, 5, 0}, {5, 5, 5}};
const Format k888{"888", 32, {0xFF0000, 0xFF00, 0xFF}, {16, 8, 0}, {8, 8, 8}};
const Format kFormats[] = {k565, k555, k888};

// A surface in memory with a guard band around it that must stay untouched.
struct Surface {
    static constexpr int kGuard = 16;
    Format f;
    int w, h, pitch;
    std::vector<uint8_t> mem;
    std::vector<int> add[3];
    Surface(const Format& fmt, int width, int height) : f(fmt), w(width), h(height) {
        pitch = (w + 2 * kGuard) * f.bpp / 8;
        mem.assign(static_cast<size_t>(pitch) * (h + 2 * kGuard), 0xA5);
        for (int c = 0; c < 3; ++c) {
            const int max = (1 << f.bits[c]) - 1;
            for (int i = 0; i <= 2 * max; ++i) add[c].push_back(std::min(i, max));
        }
        Fill(0);
    }
    uint8_t* Origin() { return mem.data() + static_cast<size_t>(kGuard) * pitch + kGuard * f.bpp / 8; }
    SurfaceTarget Target() {
        SurfaceTarget t;
        t.bits = Origin();
        t.pitch = pitch;
        t.bpp = f.bpp;
        t.width = w;
        t.height = h;
        for (int c = 0; c < 3; ++c) {
            t.mask[c] = f.mask[c];
            t.shift[c] = f.shift[c];
            t.bits_[c] = f.bits[c];
            t.add[c] = add[c].data();
        }
        return t;
    }
    uint32_t Get(int x, int y) {
        uint8_t* p = Origin() + static_cast<ptrdiff_t>(y) * pitch;
        return f.bpp == 16 ? reinterpret_cast<uint16_t*>(p)[x] : reinterpret_cast<uint32_t*>(p)[x];
    }
    void Set(int x, int y, uint32_t v) {
        uint8_t* p = Origin() + static_cast<ptrdiff_t>(y) * pitch;
        if (f.bpp == 16)
            reinterpret_cast<uint16_t*>(p)[x] = static_cast<uint16_t>(v);
        else
            reinterpret_cast<uint32_t*>(p)[x] = v;
    }
    void Fill(uint32_t v) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, v);
    }
    bool GuardIntact() {
        const int bpp = f.bpp / 8;
        for (int y = 0; y < h + 2 * kGuard; ++y)
            for (int x = 0; x < (w + 2 * kGuard) * bpp; ++x) {
                const bool inside = y >= kGuard && y < kGuard + h && x >= kGuard * bpp && x < (kGuard + w) * bpp;
                if (!inside && mem[static_cast<size_t>(y) * pitch + x] != 0xA5) return false;
            }
        return true;
    }
    std::vector<uint32_t> Snapshot() {
        std::vector<uint32_t> v;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) v.push_back(Get(x, y));
        return v;
    }
};

// An ARGB source sized exactly, so reading past it trips the sanitizer.
struct Source {
    int w, h;
    std::vector<uint32_t> px;
    std::vector<uint8_t> idx;
    std::vector<uint32_t> palette;
    Source(int width, int height, uint32_t fill = 0) : w(width), h(height), px(static_cast<size_t>(w) * h, fill) {}
    TexelSource Argb() const {
        TexelSource s;
        s.words = px.data();
        s.stride = s.width = w;
        s.height = h;
        return s;
    }
    // The same texels as indices into a palette of the distinct values.
    TexelSource Indexed() {
        palette.clear();
        idx.clear();
        for (uint32_t p : px) {
            auto it = std::find(palette.begin(), palette.end(), p);
            if (it == palette.end()) palette.push_back(p), it = palette.end() - 1;
            idx.push_back(static_cast<uint8_t>(it - palette.begin()));
        }
        palette.resize(256, 0);
        TexelSource s;
        s.indices = idx.data();
        s.table = palette.data();
        s.stride = s.width = w;
        s.height = h;
        return s;
    }
};

// --- reference of the rotated blit, one pixel at a time, from the
// per-channel formulas, with the sample-inside rule for the span.

uint32_t RefRotPixel(const Format& f, const Source& src, const Rect& r, uint32_t d, int64_t u, int64_t v,
                     const Color& col, int mode) {
    const int tu = static_cast<int>(u >> 16), tv = static_cast<int>(v >> 16);
    auto texel = [&](int i, int j) -> uint64_t {
        if (i >= r.width || j >= r.height) return 0;
        return src.px[static_cast<size_t>(r.y + j) * src.w + r.x + i];
    };
    const uint64_t c[4] = {texel(tu, tv), texel(tu + 1, tv), texel(tu, tv + 1), texel(tu + 1, tv + 1)};
    const uint64_t fu = (u & 0xFFFE) + 1, fv = (v & 0xFFFE) + 1;
    const uint64_t area[4] = {((0x10000 - fu) * (0x10000 - fv)) >> 16, (fu * (0x10000 - fv)) >> 16,
                              ((0x10000 - fu) * fv) >> 16, (fu * fv) >> 16};
    const bool additive = mode != 0, colourised = !additive && col != Color::White;
    uint64_t w[4], wsum = 0;
    for (int i = 0; i < 4; ++i) {
        w[i] = (area[i] * (c[i] >> 24)) >> 16;
        if (colourised) w[i] = (w[i] * static_cast<uint64_t>(col.a)) >> 8;
        wsum += w[i];
    }
    const int colour[3] = {col.r, col.g, col.b};
    uint32_t out = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const int texShift = 16 - 8 * ch;  // 16, 8, 0 in the ARGB word
        uint64_t sum = 0;
        for (int i = 0; i < 4; ++i) sum += (c[i] & (0xFFull << texShift)) * w[i];
        const int top = 32 - 8 * ch;  // 32, 24, 16: where the sum's top lies
        const uint64_t dch = (d & f.mask[ch]) >> f.shift[ch];
        const uint64_t max = (1u << f.bits[ch]) - 1;
        if (additive) {
            const uint64_t cp = static_cast<uint64_t>(colour[ch]) * col.a / 255;
            uint64_t add = ch == 0 ? ((sum >> (top - f.bits[ch])) * cp) >> 8 : (sum * cp) >> (top - f.bits[ch] + 8);
            out |= static_cast<uint32_t>(std::min(add + dch, max) << f.shift[ch]);
        } else {
            uint64_t val = colourised ? ((sum >> 8) * static_cast<uint64_t>(colour[ch] + 1)) >> (top - f.bits[ch])
                                      : sum >> (top - f.bits[ch]);
            const uint64_t kept = (((d & f.mask[ch]) * (256 - wsum)) >> 8) & f.mask[ch];
            out |= static_cast<uint32_t>((val << f.shift[ch]) + kept);
        }
    }
    return out;
}

void RefRotated(Surface& s, const Source& src, const Rect& r, float x, float y, const Rect& clip, const Color& col,
                int mode, double angle, float cx, float cy) {
    FRect b;
    if (!Vant::GetRotatedBounds(x, y, r, clip.Intersection(Rect(0, 0, s.w, s.h)), angle, b, cx, cy)) return;
    const double c = std::cos(angle), sn = std::sin(angle);
    const int du = static_cast<int>(c * 65536), dv = static_cast<int>(sn * 65536);
    const int x0 = static_cast<int>(b.x), y0 = static_cast<int>(b.y);
    const int e0 = static_cast<int>(std::ceil(b.x + b.width)) - 1 - x0;
    const int rows = static_cast<int>(std::ceil(b.y + b.height)) - y0;
    const double a = x0 - cx - x;
    for (int row = 0; row < rows; ++row) {
        const double bb = (y0 + row) - cy - y;
        int64_t u = static_cast<int64_t>((c * a - sn * bb + cx) * 65536);
        int64_t v = static_cast<int64_t>((c * bb + cy + sn * a) * 65536);
        for (int k = 0; k <= e0; ++k, u += du, v += dv) {
            if (u < 0 || v < 0 || u >= (int64_t{r.width} << 16) || v >= (int64_t{r.height} << 16)) continue;
            s.Set(x0 + k, y0 + row, RefRotPixel(s.f, src, r, s.Get(x0 + k, y0 + row), u, v, col, mode));
        }
    }
}

Source Pattern(int w, int h, uint32_t seed) {
    Source s(w, h);
    std::mt19937 rng(seed);
    for (auto& p : s.px) {
        const uint32_t kind = rng() % 4;
        const uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : rng() % 256;
        p = alpha << 24 | (rng() & 0xFFFFFF);
    }
    return s;
}

// The span covers every pixel whose sample point lies inside the source
// rect, and neighbours outside it read as transparent. Against the bare
// fixed-point span limits this changes three things: at angle 0 and an
// integer position a W x H rect writes all W x H pixels, not only columns
// 1..W-2 of rows 0..H-2; a rect one texel wide or tall draws instead of
// nothing; and a box at a fractional position reaches every column and row
// it touches. The weights inside are unchanged: an opaque texel weighs 254
// and keeps 2 of the destination.
TEST(RotatedSurfaceBlit, AngleZeroWritesEveryTexelWithWeight254) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        Surface s(f, 20, 12);
        const uint32_t dest = f.mask[0] | f.mask[2];  // magenta
        s.Fill(dest);
        Source src(5, 3, 0xFF20C040);  // opaque
        Vant::RotatedSurfaceBlit(s.Target(), src.Argb(), Rect(0, 0, 5, 3), 4.0f, 2.0f, Rect(0, 0, 20, 12),
                                 Color::White, 0, 0.0, 0.0f, 0.0f);
        // Expected per channel: texel * 254 / 256 in the channel's bits plus dest * 2 / 256.
        const uint32_t tex[3] = {0x20, 0xC0, 0x40};
        uint32_t expect = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = ((tex[c] << 16) * 254) >> (24 + 8 - f.bits[c]);
            expect |= (v << f.shift[c]) + ((((dest & f.mask[c]) * 2) >> 8) & f.mask[c]);
        }
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool inside = x >= 4 && x < 9 && y >= 2 && y < 5;
                EXPECT_EQ(s.Get(x, y), inside ? expect : dest) << x << "," << y;
            }
        EXPECT_TRUE(s.GuardIntact());
    }
}

TEST(RotatedSurfaceBlit, ThinSourcesDraw) {
    for (const Rect& r : {Rect(0, 0, 1, 4), Rect(0, 0, 4, 1), Rect(0, 0, 1, 1)}) {
        Surface s(k888, 10, 10);
        Source src(r.width, r.height, 0xFFFFFFFF);
        Vant::RotatedSurfaceBlit(s.Target(), src.Argb(), r, 2.0f, 3.0f, Rect(0, 0, 10, 10), Color::White, 0, 0.0,
                                 0.0f, 0.0f);
        int written = 0;
        for (uint32_t p : s.Snapshot()) written += p != 0;
        EXPECT_EQ(written, r.width * r.height);
        // A turned thin line still shows.
        s.Fill(0);
        Vant::RotatedSurfaceBlit(s.Target(), src.Argb(), r, 4.5f, 4.5f, Rect(0, 0, 10, 10), Color::White, 0, 0.7,
                                 0.5f, 0.5f);
        written = 0;
        for (uint32_t p : s.Snapshot()) written += p != 0;
        EXPECT_GT(written, 0);
    }
}

TEST(RotatedSurfaceBlit, InvisibleDrawsLeaveTheDestination) {
    for (const Format& f : kFormats) {
        Surface s(f, 16, 16);
        std::mt19937 rng(3);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) s.Set(x, y, rng() & (f.mask[0] | f.mask[1] | f.mask[2]));
        const auto before = s.Snapshot();
        Source clear(8, 8, 0x00FFFFFF);
        Source opaque(8, 8, 0xFFFFFFFF);
        struct Draw {
            const Source* src;
            Color color;
            int mode;
        } draws[] = {
            {&clear, Color::White, 0},
            {&clear, Color(10, 200, 30, 128), 0},
            {&clear, Color(255, 255, 255, 255), 1},
            {&opaque, Color(255, 255, 255, 0), 1},  // additive with colour alpha 0
            {&opaque, Color(255, 0, 0, 0), 0},      // colourised with alpha 0
        };
        for (const Draw& d : draws)
            for (double angle : {0.0, 0.3, 2.0})
                Vant::RotatedSurfaceBlit(s.Target(), d.src->Argb(), Rect(0, 0, 8, 8), 3.3f, 2.7f,
                                         Rect(0, 0, 16, 16), d.color, d.mode, angle, 4.0f, 4.0f);
        EXPECT_EQ(s.Snapshot(), before) << f.name;
    }
}

TEST(RotatedSurfaceBlit, NearNinetyDegreesStaysInsideTheSourceRect) {
    // Red all round a green rect: no red may reach the destination.
    Source src(12, 12, 0xFFFF0000);
    for (int y = 3; y < 9; ++y)
        for (int x = 2; x < 10; ++x) src.px[static_cast<size_t>(y) * 12 + x] = 0xFF00FF00;
    for (double angle : {M_PI / 2, M_PI / 2 - 1e-6, M_PI / 2 + 1e-6, -M_PI / 2, M_PI}) {
        Surface s(k888, 30, 30);
        Vant::RotatedSurfaceBlit(s.Target(), src.Argb(), Rect(2, 3, 8, 6), 10.2f, 9.7f, Rect(0, 0, 30, 30),
                                 Color::White, 0, angle, 4.0f, 3.0f);
        int green = 0;
        for (uint32_t p : s.Snapshot()) {
            EXPECT_EQ(p & 0xFF0000, 0u) << angle;
            green += (p & 0xFF00) != 0;
        }
        EXPECT_GE(green, 48) << angle;
    }
}

TEST(RotatedSurfaceBlit, SixVariantsMatchTheReference) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> pos(-6.0f, 20.0f);
    std::uniform_real_distribution<double> ang(-7.0, 7.0);
    const Color colours[] = {Color::White, Color(200, 100, 50, 180), Color(255, 255, 255, 90)};
    int compared = 0;
    for (const Format& f : kFormats)
        for (int mode : {0, 1})
            for (const Color& col : colours)
                for (bool indexed : {false, true})
                    for (int trial = 0; trial < 6; ++trial) {
                        Source src = Pattern(9, 7, rng());
                        // At most 256 distinct texels for the indexed form.
                        if (indexed)
                            for (auto& p : src.px) p &= 0xC0F0F0F0;
                        const Rect r(1, 1, 7, 5);
                        const float x = pos(rng), y = pos(rng), cx = pos(rng) / 4, cy = pos(rng) / 4;
                        const double a = trial == 0 ? 0.0 : ang(rng);
                        Surface got(f, 24, 20), want(f, 24, 20);
                        for (int yy = 0; yy < 20; ++yy)
                            for (int xx = 0; xx < 24; ++xx) {
                                const uint32_t v = rng() & (f.bpp == 16 ? 0xFFFF : 0xFFFFFF);
                                got.Set(xx, yy, v);
                                want.Set(xx, yy, v);
                            }
                        const Rect clip(2, 1, 19, 17);
                        Vant::RotatedSurfaceBlit(got.Target(), indexed ? src.Indexed() : src.Argb(), r, x, y, clip,
                                                 col, mode, a, cx, cy);
                        RefRotated(want, src, r, x, y, clip, col, mode, a, cx, cy);
                        ASSERT_EQ(got.Snapshot(), want.Snapshot())
                            << f.name << " mode " << mode << " colour " << col.r << " indexed " << indexed
                            << " at " << x << "," << y << " angle " << a;
                        ASSERT_TRUE(got.GuardIntact());
                        ++compared;
                    }
    EXPECT_EQ(compared, 3 * 2 * 3 * 2 * 6);
}

TEST(RotatedSurfaceBlit, RectsPartlyOutsideTheImageDrawTheirInsidePart) {
    Source src(6, 6, 0xFFFFFFFF);
    Surface a(k888, 20, 20), b(k888, 20, 20);
    // The rect starts 2 texels left of and above the image: the image's
    // texels land where they would have been.
    Vant::RotatedSurfaceBlit(a.Target(), src.Argb(), Rect(-2, -2, 10, 10), 3.0f, 3.0f, Rect(0, 0, 20, 20),
                             Color::White, 0, 0.0, 0.0f, 0.0f);
    Vant::RotatedSurfaceBlit(b.Target(), src.Argb(), Rect(0, 0, 6, 6), 5.0f, 5.0f, Rect(0, 0, 20, 20),
                             Color::White, 0, 0.0, 0.0f, 0.0f);
    EXPECT_EQ(a.Snapshot(), b.Snapshot());
    // Wild inputs draw nothing and stay inside.
    Surface c(k565, 20, 20);
    const float inf = INFINITY;
    Vant::RotatedSurfaceBlit(c.Target(), src.Argb(), Rect(0, 0, 6, 6), inf, 0, Rect(0, 0, 20, 20), Color::White, 0,
                             0.0, 0, 0);
    Vant::RotatedSurfaceBlit(c.Target(), src.Argb(), Rect(0, 0, 6, 6), 0, 0, Rect(0, 0, 20, 20), Color::White, 0,
                             NAN, 0, 0);
    Vant::RotatedSurfaceBlit(c.Target(), src.Argb(), Rect(0, 0, 6, 6), 3e9f, 0, Rect(-100, -100, 999, 999),
                             Color(999, -5, 300, 1000), 1, 1.0, -3e9f, 0);
    Vant::RotatedSurfaceBlit(c.Target(), src.Argb(), Rect(4, 4, 6, 6), 1, 1, Rect(-100, -100, 999, 999),
                             Color(999, -5, 300, 1000), 1, 1.0, 0, 0);
    EXPECT_TRUE(c.GuardIntact());
}

// --- stretch

// The four rules for one premultiplied sample t onto d, written per channel.
uint32_t RefStretch(const Format& f, uint32_t t, uint32_t d, const Color& col, int mode) {
    const bool white = col == Color::White;
    const uint32_t ta = t >> 24;
    if (mode == 0 && white) {
        if (!ta) return d;
        uint64_t out = t;
        for (int c = 0; c < 3; ++c) out += (((d & f.mask[c]) * uint64_t(256 - ta)) >> 8) & f.mask[c];
        return static_cast<uint32_t>(f.bpp == 16 ? out & 0xFFFF : out & 0xFFFFFFFF);
    }
    const int colour[3] = {col.r, col.g, col.b};
    if (mode == 0) {
        const uint32_t a = ta * col.a / 255;
        if (!a) return d;
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const uint64_t cp = uint64_t(colour[c]) * col.a / 255;
            out += static_cast<uint32_t>((((t & f.mask[c]) * cp + (d & f.mask[c]) * uint64_t(256 - a)) >> 8) &
                                         f.mask[c]);
        }
        return out;
    }
    if (!t) return d;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t max = (1u << f.bits[c]) - 1;
        uint32_t tc = (t & f.mask[c]) >> f.shift[c];
        if (!white) tc = (tc * (colour[c] * col.a / 255)) >> 8;
        out |= std::min(tc + ((d & f.mask[c]) >> f.shift[c]), max) << f.shift[c];
    }
    return out;
}

TEST(StretchSurfaceBlit, TwoTimesSamplesEachTexelTwiceInEveryVariant) {
    const Color colours[] = {Color::White, Color(90, 180, 250, 200)};
    for (const Format& f : kFormats)
        for (int mode : {0, 1})
            for (const Color& col : colours)
                for (bool indexed : {false, true})
                    for (bool mirror : {false, true}) {
                        SCOPED_TRACE(testing::Message() << f.name << " mode " << mode << " colour " << col.r
                                                        << " indexed " << indexed << " mirror " << mirror);
                        // Ten distinct premultiplied texels: alpha 255, channels growing.
                        Source src(12, 2);
                        for (int i = 0; i < 12; ++i) {
                            uint32_t t = 0xFF000000u;
                            for (int c = 0; c < 3; ++c) {
                                const uint32_t max = (1u << f.bits[c]) - 1;
                                t |= ((max * (i + 1 + c) / 14) & max) << f.shift[c];
                            }
                            src.px[i] = src.px[12 + i] = t;
                        }
                        Surface s(f, 30, 4);
                        const uint32_t d = f.mask[1] & (f.mask[1] >> 2);
                        s.Fill(d);
                        FRect fr;
                        Rect clipped;
                        const Rect srcRect(1, 0, 10, 1), dest(3, 1, 20, 2);
                        ASSERT_TRUE(mirror ? Vant::GetStretchMirrorClip(srcRect, Rect(0, 0, 30, 4), dest, fr, clipped)
                                           : Vant::GetStretchClip(srcRect, Rect(0, 0, 30, 4), dest, fr, clipped));
                        Vant::StretchSurfaceBlit(s.Target(), indexed ? src.Indexed() : src.Argb(), fr, clipped, col,
                                                 mode, mirror);
                        for (int y = 1; y < 3; ++y)
                            for (int i = 0; i < 20; ++i) {
                                const int texel = 1 + i / 2;
                                const int x = mirror ? 3 + 19 - i : 3 + i;
                                EXPECT_EQ(s.Get(x, y), RefStretch(f, src.px[texel], d, col, mode)) << "pixel " << i;
                            }
                        EXPECT_EQ(s.Get(2, 1), d);
                        EXPECT_EQ(s.Get(23, 1), d);
                        EXPECT_EQ(s.Get(5, 0), d);
                        EXPECT_EQ(s.Get(5, 3), d);
                        EXPECT_TRUE(s.GuardIntact());
                    }
}

TEST(StretchSurfaceBlit, TransparentSourcesLeaveTheDestination) {
    for (const Format& f : kFormats)
        for (int mode : {0, 1}) {
            Surface s(f, 16, 16);
            std::mt19937 rng(5);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) s.Set(x, y, rng() & (f.bpp == 16 ? 0xFFFF : 0xFFFFFF));
            const auto before = s.Snapshot();
            Source src(5, 5, 0);  // alpha 0 and, premultiplied, all zero
            for (const Color& col : {Color::White, Color(1, 2, 3, 200)})
                for (bool mirror : {false, true}) {
                    FRect fr;
                    Rect c;
                    ASSERT_TRUE(Vant::GetStretchClip(Rect(0, 0, 5, 5), Rect(0, 0, 16, 16), Rect(-3, 2, 30, 9), fr, c));
                    Vant::StretchSurfaceBlit(s.Target(), src.Argb(), fr, c, col, mode, mirror);
                }
            EXPECT_EQ(s.Snapshot(), before) << f.name << " mode " << mode;
        }
}

TEST(StretchSurfaceBlit, ClipTable) {
    struct Case {
        Rect src, clip, dest;
        bool ok, mirror;
        FRect s;
        Rect clipped;
    } cases[] = {
        {{0, 0, 10, 10}, {0, 0, 100, 100}, {10, 10, 20, 20}, true, false, {0, 0, 10, 10}, {10, 10, 20, 20}},
        {{0, 0, 10, 10}, {15, 0, 100, 100}, {10, 10, 20, 20}, true, false, {2.5, 0, 7.5, 10}, {15, 10, 15, 20}},
        {{0, 0, 10, 10}, {15, 0, 100, 100}, {10, 10, 20, 20}, true, true, {0, 0, 7.5, 10}, {15, 10, 15, 20}},
        {{4, 2, 10, 10}, {0, 0, 20, 20}, {10, 10, 20, 20}, true, false, {4, 2, 5, 5}, {10, 10, 10, 10}},
        {{4, 2, 10, 10}, {0, 0, 20, 20}, {10, 10, 20, 20}, true, true, {9, 2, 5, 5}, {10, 10, 10, 10}},
        {{0, 0, 10, 10}, {0, 0, 0, 0}, {10, 10, 20, 20}, false, false, {}, {}},      // empty clip
        {{0, 0, 10, 10}, {0, 0, 0, 0}, {10, 10, 20, 20}, false, true, {}, {}},
        {{0, 0, 10, 10}, {50, 50, 9, 9}, {10, 10, 20, 20}, false, false, {}, {}},    // disjoint
        {{0, 0, 10, 10}, {0, 0, 100, 100}, {10, 10, 0, 20}, false, false, {}, {}},   // empty destination
        {{0, 0, 0, 10}, {0, 0, 100, 100}, {10, 10, 20, 20}, false, false, {}, {}},   // empty source
    };
    for (const Case& c : cases) {
        FRect s;
        Rect clipped;
        const bool ok = c.mirror ? Vant::GetStretchMirrorClip(c.src, c.clip, c.dest, s, clipped)
                                 : Vant::GetStretchClip(c.src, c.clip, c.dest, s, clipped);
        EXPECT_EQ(ok, c.ok);
        if (!ok) continue;
        EXPECT_EQ(s, c.s);
        EXPECT_EQ(clipped, c.clipped);
    }
}

TEST(StretchSurfaceBlit, SourceRectsOutsideTheImageDrawNothing) {
    Source src(8, 8, 0xFFFFFFFF);
    Surface s(k888, 16, 16);
    for (const FRect& f : {FRect(-1, 0, 4, 4), FRect(0, -0.5, 4, 4), FRect(5, 0, 4, 4), FRect(0, 6, 4, 2.5),
                           FRect(NAN, 0, 4, 4)})
        Vant::StretchSurfaceBlit(s.Target(), src.Argb(), f, Rect(0, 0, 8, 8), Color::White, 0, false);
    // And destinations reaching past the surface.
    Vant::StretchSurfaceBlit(s.Target(), src.Argb(), FRect(0, 0, 8, 8), Rect(10, 10, 8, 8), Color::White, 0, true);
    for (uint32_t p : s.Snapshot()) EXPECT_EQ(p, 0u);
    EXPECT_TRUE(s.GuardIntact());
}

}  // namespace
