#include "framework/graphics/SurfaceBlit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace Vant {

namespace {

using i64 = long long;

// 16.16 positions of sources this wide or tall would overflow.
constexpr int kMaxSourceSide = 32767;

i64 FloorDiv(i64 a, i64 b) {  // b > 0
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
i64 CeilDiv(i64 a, i64 b) { return -FloorDiv(-a, b); }

// Narrows [kmin, kmax] to the k with lo <= a + k * d < hi.
void Restrict(i64 a, i64 d, i64 lo, i64 hi, i64& kmin, i64& kmax) {
    if (d == 0) {
        if (a < lo || a >= hi) kmax = kmin - 1;
    } else if (d > 0) {
        kmin = std::max(kmin, CeilDiv(lo - a, d));
        kmax = std::min(kmax, FloorDiv(hi - 1 - a, d));
    } else {
        kmin = std::max(kmin, CeilDiv(a - (hi - 1), -d));
        kmax = std::min(kmax, FloorDiv(a - lo, -d));
    }
}

// Toward zero, held far inside 64 bits.
i64 Trunc64(double v) {
    constexpr double kLimit = 1e15;
    if (!(v > -kLimit)) return static_cast<i64>(-kLimit);
    if (v > kLimit) return static_cast<i64>(kLimit);
    return static_cast<i64>(v);
}

uint32_t Channel(int v) { return v < 0 ? 0u : v > 255 ? 255u : static_cast<uint32_t>(v); }

struct Words {
    const uint32_t* p;
    uint32_t operator[](ptrdiff_t i) const { return p[i]; }
};
struct Indexed {
    const uint8_t* p;
    const uint32_t* table;
    uint32_t operator[](ptrdiff_t i) const { return table[p[i]]; }
};

// Everything a pixel loop needs besides its position.
struct Layout {
    uint32_t m0, m1, m2;
    int s0, s1, s2;
    int b0, b1, b2;
    const int *a0, *a1, *a2;
    explicit Layout(const SurfaceTarget& t)
        : m0(t.mask[0]), m1(t.mask[1]), m2(t.mask[2]), s0(t.shift[0]), s1(t.shift[1]), s2(t.shift[2]),
          b0(t.bits_[0]), b1(t.bits_[1]), b2(t.bits_[2]), a0(t.add[0]), a1(t.add[1]), a2(t.add[2]) {}
};

// ---------------------------------------------------------------------------
// Rotated

enum RotMode { RotNormal, RotColourised, RotAdditive };

struct RotContext {
    Layout l;
    int w, h;  // source rect
    ptrdiff_t stride;
    uint32_t ca;          // colourised: colour alpha
    uint32_t r, g, b;     // colourised: channel + 1; additive: channel * alpha / 255
};

template <RotMode M, bool Checked, class P, class S>
inline void RotPixel(P* d, const S& src, const RotContext& k, int32_t u, int32_t v) {
    const int tu = u >> 16, tv = v >> 16;
    const ptrdiff_t p = static_cast<ptrdiff_t>(tv) * k.stride + tu;
    uint32_t c00 = src[p], c10, c01, c11;
    if constexpr (Checked) {
        // Neighbours past the rect's right or bottom edge are transparent.
        const bool right = tu + 1 < k.w, down = tv + 1 < k.h;
        c10 = right ? src[p + 1] : 0;
        c01 = down ? src[p + k.stride] : 0;
        c11 = right && down ? src[p + k.stride + 1] : 0;
    } else {
        c10 = src[p + 1];
        c01 = src[p + k.stride];
        c11 = src[p + k.stride + 1];
    }
    const uint32_t fu = (static_cast<uint32_t>(u) & 0xFFFE) + 1, fv = (static_cast<uint32_t>(v) & 0xFFFE) + 1;
    const uint32_t iu = 0x10000 - fu, iv = 0x10000 - fv;
    uint32_t w00 = (((iu * iv) >> 16) * (c00 >> 24)) >> 16;
    uint32_t w10 = (((fu * iv) >> 16) * (c10 >> 24)) >> 16;
    uint32_t w01 = (((iu * fv) >> 16) * (c01 >> 24)) >> 16;
    uint32_t w11 = (((fu * fv) >> 16) * (c11 >> 24)) >> 16;
    if constexpr (M == RotColourised) {
        w00 = (w00 * k.ca) >> 8;
        w10 = (w10 * k.ca) >> 8;
        w01 = (w01 * k.ca) >> 8;
        w11 = (w11 * k.ca) >> 8;
    }
    const uint32_t sr = (c00 & 0xFF0000) * w00 + (c10 & 0xFF0000) * w10 + (c01 & 0xFF0000) * w01 + (c11 & 0xFF0000) * w11;
    const uint32_t sg = (c00 & 0xFF00) * w00 + (c10 & 0xFF00) * w10 + (c01 & 0xFF00) * w01 + (c11 & 0xFF00) * w11;
    const uint32_t sb = (c00 & 0xFF) * w00 + (c10 & 0xFF) * w10 + (c01 & 0xFF) * w01 + (c11 & 0xFF) * w11;
    const Layout& l = k.l;
    const uint32_t dw = *d;
    if constexpr (M == RotAdditive) {
        const uint32_t ir = (((sr >> (32 - l.b0)) * k.r) >> 8) + ((dw & l.m0) >> l.s0);
        const uint32_t ig = ((sg * k.g) >> (24 - l.b1 + 8)) + ((dw & l.m1) >> l.s1);
        const uint32_t ib = ((sb * k.b) >> (16 - l.b2 + 8)) + ((dw & l.m2) >> l.s2);
        *d = static_cast<P>((static_cast<uint32_t>(l.a0[ir]) << l.s0) | (static_cast<uint32_t>(l.a1[ig]) << l.s1) |
                            (static_cast<uint32_t>(l.a2[ib]) << l.s2));
    } else {
        const uint32_t keep = 256 - (w00 + w10 + w01 + w11);
        uint32_t r, g, b;
        if constexpr (M == RotColourised) {
            r = ((sr >> 8) * k.r) >> (32 - l.b0);
            g = ((sg >> 8) * k.g) >> (24 - l.b1);
            b = ((sb >> 8) * k.b) >> (16 - l.b2);
        } else {
            r = sr >> (32 - l.b0);
            g = sg >> (24 - l.b1);
            b = sb >> (16 - l.b2);
        }
        *d = static_cast<P>(((r << l.s0) + ((((dw & l.m0) * keep) >> 8) & l.m0)) |
                            ((g << l.s1) + ((((dw & l.m1) * keep) >> 8) & l.m1)) |
                            ((b << l.s2) + ((((dw & l.m2) * keep) >> 8) & l.m2)));
    }
}

template <RotMode M, bool Checked, class P, class S>
void RotRun(P* d, const S& src, const RotContext& k, i64 u0, i64 v0, int du, int dv, i64 first, i64 last) {
    // Inside the span u and v stay within the rect, so 32 bits hold them.
    int32_t u = static_cast<int32_t>(u0 + first * du), v = static_cast<int32_t>(v0 + first * dv);
    for (i64 i = first; i <= last; ++i) {
        RotPixel<M, Checked>(d + i, src, k, u, v);
        u += du;
        v += dv;
    }
}

template <RotMode M, class P, class S>
void RotLoop(const SurfaceTarget& t, const S& src, const RotContext& k, const FRect& b, float x, float y,
             double c, double s, float cx, float cy) {
    const int du = static_cast<int>(c * 65536), dv = static_cast<int>(s * 65536);
    // Every pixel the box touches: a box at a fractional position reaches
    // into one more column and row than its width and height.
    const int x0 = static_cast<int>(b.x), y0 = static_cast<int>(b.y);
    const i64 e0 = static_cast<i64>(std::ceil(b.x + b.width)) - 1 - x0;
    const int rows = static_cast<int>(std::ceil(b.y + b.height)) - y0;
    const double a = static_cast<double>(x0) - cx - x;
    const i64 wFull = static_cast<i64>(k.w) << 16, hFull = static_cast<i64>(k.h) << 16;
    for (int r = 0; r < rows; ++r) {
        const int row = y0 + r;
        const double bb = static_cast<double>(row) - cy - y;
        const i64 u0 = Trunc64((c * a - s * bb + cx) * 65536);
        const i64 v0 = Trunc64((c * bb + cy + s * a) * 65536);
        // Every pixel whose sample lies in the rect...
        i64 first = 0, last = e0;
        Restrict(u0, du, 0, wFull, first, last);
        Restrict(v0, dv, 0, hFull, first, last);
        if (first > last) continue;
        // ...of which these have all four neighbours inside it.
        i64 inFirst = first, inLast = last;
        Restrict(u0, du, 0, wFull - 0x10000, inFirst, inLast);
        Restrict(v0, dv, 0, hFull - 0x10000, inFirst, inLast);
        P* d = reinterpret_cast<P*>(t.bits + static_cast<ptrdiff_t>(row) * t.pitch) + x0;
        if (inFirst > inLast) {
            RotRun<M, true>(d, src, k, u0, v0, du, dv, first, last);
            continue;
        }
        RotRun<M, true>(d, src, k, u0, v0, du, dv, first, inFirst - 1);
        RotRun<M, false>(d, src, k, u0, v0, du, dv, inFirst, inLast);
        RotRun<M, true>(d, src, k, u0, v0, du, dv, inLast + 1, last);
    }
}

template <RotMode M, class P>
void RotDispatchSource(const SurfaceTarget& t, const TexelSource& s, ptrdiff_t origin, const RotContext& k,
                       const FRect& b, float x, float y, double c, double sn, float cx, float cy) {
    if (s.indices)
        RotLoop<M, P>(t, Indexed{s.indices + origin, s.table}, k, b, x, y, c, sn, cx, cy);
    else
        RotLoop<M, P>(t, Words{s.words + origin}, k, b, x, y, c, sn, cx, cy);
}

template <RotMode M>
void RotDispatchDepth(const SurfaceTarget& t, const TexelSource& s, ptrdiff_t origin, const RotContext& k,
                      const FRect& b, float x, float y, double c, double sn, float cx, float cy) {
    if (t.bpp == 16)
        RotDispatchSource<M, uint16_t>(t, s, origin, k, b, x, y, c, sn, cx, cy);
    else
        RotDispatchSource<M, uint32_t>(t, s, origin, k, b, x, y, c, sn, cx, cy);
}

bool Usable(const SurfaceTarget& t, const TexelSource& s) {
    if (!t.bits || (t.bpp != 16 && t.bpp != 32) || t.width <= 0 || t.height <= 0) return false;
    for (int c = 0; c < 3; ++c)
        if (!t.add[c] || t.bits_[c] < 1 || t.bits_[c] > 8) return false;
    if (!s.words && !(s.indices && s.table)) return false;
    return s.width > 0 && s.height > 0 && s.width <= kMaxSourceSide && s.height <= kMaxSourceSide &&
           s.stride >= s.width;
}

// ---------------------------------------------------------------------------
// Stretched

enum StretchMode { StretchNormal, StretchColoured, StretchAdd, StretchAddColoured };

struct StretchContext {
    Layout l;
    uint32_t a;        // colour alpha
    uint32_t c0, c1, c2;  // channel * alpha / 255
};

template <StretchMode M, class P>
inline void StretchPixel(P* d, uint32_t t, const StretchContext& k) {
    const Layout& l = k.l;
    const uint32_t dw = *d;
    if constexpr (M == StretchNormal) {
        const uint32_t a = t >> 24;
        if (!a) return;
        const uint32_t keep = 256 - a;
        // All of t is added: a 32-bit destination takes its alpha byte too.
        *d = static_cast<P>(t + ((((dw & l.m0) * keep) >> 8) & l.m0) + ((((dw & l.m1) * keep) >> 8) & l.m1) +
                            ((((dw & l.m2) * keep) >> 8) & l.m2));
    } else if constexpr (M == StretchColoured) {
        const uint32_t a = (t >> 24) * k.a / 255;
        if (!a) return;
        const uint32_t keep = 256 - a;
        *d = static_cast<P>(((((t & l.m0) * k.c0 + (dw & l.m0) * keep) >> 8) & l.m0) +
                            ((((t & l.m1) * k.c1 + (dw & l.m1) * keep) >> 8) & l.m1) +
                            ((((t & l.m2) * k.c2 + (dw & l.m2) * keep) >> 8) & l.m2));
    } else if constexpr (M == StretchAdd) {
        if (!t) return;
        *d = static_cast<P>((static_cast<uint32_t>(l.a0[((t & l.m0) + (dw & l.m0)) >> l.s0]) << l.s0) |
                            (static_cast<uint32_t>(l.a1[((t & l.m1) + (dw & l.m1)) >> l.s1]) << l.s1) |
                            (static_cast<uint32_t>(l.a2[((t & l.m2) + (dw & l.m2)) >> l.s2]) << l.s2));
    } else {
        if (!t) return;
        const uint32_t i0 = ((((t & l.m0) >> l.s0) * k.c0) >> 8) + ((dw & l.m0) >> l.s0);
        const uint32_t i1 = ((((t & l.m1) >> l.s1) * k.c1) >> 8) + ((dw & l.m1) >> l.s1);
        const uint32_t i2 = ((((t & l.m2) >> l.s2) * k.c2) >> 8) + ((dw & l.m2) >> l.s2);
        *d = static_cast<P>((static_cast<uint32_t>(l.a0[i0]) << l.s0) | (static_cast<uint32_t>(l.a1[i1]) << l.s1) |
                            (static_cast<uint32_t>(l.a2[i2]) << l.s2));
    }
}

template <StretchMode M, class P, class S>
void StretchLoop(const SurfaceTarget& t, const S& src, ptrdiff_t stride, const StretchContext& k, const FRect& s,
                 const Rect& c, bool mirror) {
    const int32_t du = static_cast<int32_t>(s.width * 65536 / c.width);
    const int32_t dv = static_cast<int32_t>(s.height * 65536 / c.height);
    const int32_t u0 = static_cast<int32_t>(s.x * 65536);
    int32_t v = static_cast<int32_t>(s.y * 65536);
    const ptrdiff_t step = mirror ? -1 : 1;
    for (int j = 0; j < c.height; ++j) {
        const ptrdiff_t row = static_cast<ptrdiff_t>(v >> 16) * stride;
        P* d = reinterpret_cast<P*>(t.bits + static_cast<ptrdiff_t>(c.y + j) * t.pitch) +
               (mirror ? c.x + c.width - 1 : c.x);
        int32_t u = u0;
        for (int i = 0; i < c.width; ++i) {
            StretchPixel<M>(d, src[row + (u >> 16)], k);
            u += du;
            d += step;
        }
        v += dv;
    }
}

template <StretchMode M, class P>
void StretchDispatchSource(const SurfaceTarget& t, const TexelSource& s, const StretchContext& k, const FRect& f,
                           const Rect& c, bool mirror) {
    if (s.indices)
        StretchLoop<M, P>(t, Indexed{s.indices, s.table}, s.stride, k, f, c, mirror);
    else
        StretchLoop<M, P>(t, Words{s.words}, s.stride, k, f, c, mirror);
}

template <StretchMode M>
void StretchDispatchDepth(const SurfaceTarget& t, const TexelSource& s, const StretchContext& k, const FRect& f,
                          const Rect& c, bool mirror) {
    if (t.bpp == 16)
        StretchDispatchSource<M, uint16_t>(t, s, k, f, c, mirror);
    else
        StretchDispatchSource<M, uint32_t>(t, s, k, f, c, mirror);
}

bool StretchClip(const Rect& src, const Rect& clip, const Rect& dest, bool mirror, FRect& out, Rect& clipped) {
    if (dest.width <= 0 || dest.height <= 0) return false;
    clipped = dest.Intersection(clip);
    if (clipped.width <= 0 || clipped.height <= 0) return false;
    const double sx = static_cast<double>(src.width) / dest.width;
    const double sy = static_cast<double>(src.height) / dest.height;
    const double x0 = mirror ? (static_cast<double>(dest.x) + dest.width - clipped.x - clipped.width) * sx + src.x
                             : (static_cast<double>(clipped.x) - dest.x) * sx + src.x;
    out = FRect(x0, (static_cast<double>(clipped.y) - dest.y) * sy + src.y,
                (static_cast<double>(clipped.width) - dest.width) * sx + src.width,
                (static_cast<double>(clipped.height) - dest.height) * sy + src.height);
    return out.width > 0 && out.height > 0;
}

}  // namespace

bool GetRotatedBounds(float x, float y, const Rect& src, const Rect& clip, double angle, FRect& out, float cx,
                      float cy) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double corners[4][2] = {{-cx, -cy},
                                  {src.width - static_cast<double>(cx), -cy},
                                  {src.width - static_cast<double>(cx), src.height - static_cast<double>(cy)},
                                  {-cx, src.height - static_cast<double>(cy)}};
    double minX = 1e7, minY = 1e7, maxX = -1e7, maxY = -1e7;
    for (const auto& p : corners) {
        const double px = x + cx + p[0] * c + p[1] * s;
        const double py = y + cy + p[1] * c - p[0] * s;
        minX = std::min(minX, px);
        maxX = std::max(maxX, px);
        minY = std::min(minY, py);
        maxY = std::max(maxY, py);
    }
    out = FRect(minX, minY, maxX - minX, maxY - minY).Intersection(FRect(clip.x, clip.y, clip.width, clip.height));
    return out.width > 0 && out.height > 0;
}

bool GetStretchClip(const Rect& src, const Rect& clip, const Rect& dest, FRect& out, Rect& clipped) {
    return StretchClip(src, clip, dest, false, out, clipped);
}

bool GetStretchMirrorClip(const Rect& src, const Rect& clip, const Rect& dest, FRect& out, Rect& clipped) {
    return StretchClip(src, clip, dest, true, out, clipped);
}

void RotatedSurfaceBlit(const SurfaceTarget& t, const TexelSource& s, const Rect& srcRect, float x, float y,
                        const Rect& clipRect, const Color& color, int drawMode, double angle, float cx, float cy) {
    if (!Usable(t, s)) return;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(angle) || !std::isfinite(cx) || !std::isfinite(cy))
        return;
    // Only the part of the rect inside the image is drawn, each texel where
    // it would have been.
    const Rect src = srcRect.Intersection(Rect(0, 0, s.width, s.height));
    if (src.width <= 0 || src.height <= 0) return;
    const double ox = static_cast<double>(src.x) - srcRect.x, oy = static_cast<double>(src.y) - srcRect.y;
    const double px = x + ox, py = y + oy, pcx = cx - ox, pcy = cy - oy;
    // Far positions cannot reach the target, and 16.16 could not hold them.
    constexpr double kFar = 1e7;
    if (std::fabs(px) > kFar || std::fabs(py) > kFar || std::fabs(pcx) > kFar || std::fabs(pcy) > kFar) return;
    x = static_cast<float>(px);
    y = static_cast<float>(py);
    cx = static_cast<float>(pcx);
    cy = static_cast<float>(pcy);

    FRect b;
    if (!GetRotatedBounds(x, y, src, clipRect.Intersection(Rect(0, 0, t.width, t.height)), angle, b, cx, cy)) return;

    const bool additive = drawMode != 0;
    const Color white = Color::White;
    const bool colourised = !additive && color != white;
    const uint32_t r = Channel(color.r), g = Channel(color.g), bl = Channel(color.b), a = Channel(color.a);
    RotContext k{Layout(t), src.width, src.height, s.stride, a, r + 1, g + 1, bl + 1};
    if (additive) k.r = r * a / 255, k.g = g * a / 255, k.b = bl * a / 255;
    const ptrdiff_t origin = static_cast<ptrdiff_t>(src.y) * s.stride + src.x;
    const double c = std::cos(angle), sn = std::sin(angle);
    if (additive)
        RotDispatchDepth<RotAdditive>(t, s, origin, k, b, x, y, c, sn, cx, cy);
    else if (colourised)
        RotDispatchDepth<RotColourised>(t, s, origin, k, b, x, y, c, sn, cx, cy);
    else
        RotDispatchDepth<RotNormal>(t, s, origin, k, b, x, y, c, sn, cx, cy);
}

void StretchSurfaceBlit(const SurfaceTarget& t, const TexelSource& s, const FRect& f, const Rect& c,
                        const Color& color, int drawMode, bool mirror) {
    if (!Usable(t, s)) return;
    if (c.width <= 0 || c.height <= 0 || c.Intersection(Rect(0, 0, t.width, t.height)) != c) return;
    // The loops test no bounds: every sample must come from inside the image.
    if (!(f.x >= 0 && f.y >= 0 && f.width > 0 && f.height > 0 && f.x + f.width <= s.width &&
          f.y + f.height <= s.height))
        return;
    const uint32_t a = Channel(color.a);
    StretchContext k{Layout(t), a, Channel(color.r) * a / 255, Channel(color.g) * a / 255,
                     Channel(color.b) * a / 255};
    const bool white = color == Color::White;
    if (drawMode == 0)
        white ? StretchDispatchDepth<StretchNormal>(t, s, k, f, c, mirror)
              : StretchDispatchDepth<StretchColoured>(t, s, k, f, c, mirror);
    else
        white ? StretchDispatchDepth<StretchAdd>(t, s, k, f, c, mirror)
              : StretchDispatchDepth<StretchAddColoured>(t, s, k, f, c, mirror);
}

}  // namespace Vant
