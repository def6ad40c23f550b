#include "framework/raster/support/ReferenceModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace refmodel {

Format formatOfIndex(unsigned index) {
    switch (index & 0x60) {
    case 0x20: return Format::Xrgb888;
    case 0x40: return Format::Rgb565;
    case 0x60: return Format::Rgb555;
    default: return Format::Argb8888;
    }
}

int formatCode(Format format) {
    switch (format) {
    case Format::Xrgb888: return 0x888;
    case Format::Rgb565: return 0x565;
    case Format::Rgb555: return 0x555;
    default: return 0x8888;
    }
}

int bytesPerPixel(Format format) {
    return (format == Format::Rgb565 || format == Format::Rgb555) ? 2 : 4;
}

namespace {

// ---- Fixed point, written out long-hand --------------------------------

int32_t low32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

int64_t ceilRow(int32_t q) { return (static_cast<int64_t>(q) + 0xFFFF) >> 16; }

// 2^48 / d, truncated toward zero.
int64_t reciprocal(int64_t d) { return (int64_t{1} << 48) / d; }

// High 32 bits of dq * R(d), saturated to 32 bits for slivers.
int32_t stepOver(int64_t dq, int64_t d) {
    __int128 product = static_cast<__int128>(dq) * reciprocal(d);
    __int128 high = product >> 32;
    if (high > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (high < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(high);
}

// (s * e) >> 16, only the low 32 bits kept.
int32_t advance(int32_t s, int64_t e) {
    return low32(static_cast<int64_t>((static_cast<__int128>(s) * e) >> 16));
}

int32_t add32(int32_t a, int32_t b) {
    return low32(static_cast<int64_t>(a) + b);
}

// A running colour value as a channel: clamped to 0..255.99 first, so drift
// below 0 or above 255.99 cannot wrap into a bright or black speck.
uint32_t clampChannel(int32_t running) {
    if (running < 0) return 0;
    if (running > 0x00FFFFFF) return 0x00FFFFFF;
    return static_cast<uint32_t>(running);
}

// ---- Pixels --------------------------------------------------------------

struct Rgb {
    uint32_t r = 0, g = 0, b = 0;
};

class Pixel {
public:
    Pixel(const Target& t, int64_t col, int64_t row, Notes* notes)
        : format_(t.format), notes_(notes) {
        inside_ = col >= 0 && row >= 0 && col < t.width && row < t.height;
        if (inside_) {
            at_ = t.bits + row * t.pitch + col * bytesPerPixel(format_);
        } else if (notes_) {
            ++notes_->outside;
        }
    }
    bool inside() const { return inside_; }

    uint32_t read() const {
        if (bytesPerPixel(format_) == 4) {
            uint32_t w;
            std::memcpy(&w, at_, 4);
            return w;
        }
        uint16_t h;
        std::memcpy(&h, at_, 2);
        return h;
    }
    void write(uint32_t value) const {
        if (bytesPerPixel(format_) == 4) {
            std::memcpy(at_, &value, 4);
        } else {
            uint16_t h = static_cast<uint16_t>(value);
            std::memcpy(at_, &h, 2);
        }
    }
    void overflow() const {
        if (notes_) ++notes_->overflow;
    }
    void premultipliedWrap() const {
        if (notes_) ++notes_->premultipliedWraps;
    }

private:
    Format format_;
    Notes* notes_;
    bool inside_ = false;
    uint8_t* at_ = nullptr;
};

// The truncating 16-bit packs, field by field.
uint32_t pack16(Format format, Rgb c) {
    if (format == Format::Rgb565) return ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3);
    return ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
}

uint32_t word(uint32_t top, Rgb c) { return (top << 24) | (c.r << 16) | (c.g << 8) | c.b; }

// Writes a colour without reading the destination. top is the byte an
// 0x888 word receives; 0x8888 always gets 0xFF.
void storeColor(const Pixel& px, Format format, Rgb c, uint32_t top) {
    switch (format) {
    case Format::Argb8888: px.write(word(0xFF, c)); break;
    case Format::Xrgb888: px.write(word(top, c)); break;
    default: px.write(pack16(format, c)); break;
    }
}

// A quotient of the 0x8888 blend above 255 is capped at 255 (false: keeps
// its low byte). It happens only for a premultiplied source term equal to
// its weight (see Notes).
constexpr bool ClampBlendQuotient = true;

// Blends source terms P (already weighted by A) over the destination.
// topByte888 is what an 0x888 word's top byte receives.
void blendTerms(const Pixel& px, Format format, uint32_t A, Rgb P, uint32_t topByte888,
                bool premultiplied) {
    uint32_t d = px.read();
    switch (format) {
    case Format::Argb8888: {
        uint32_t da = d >> 24;
        uint32_t dc[3] = {(d >> 16) & 0xFF, (d >> 8) & 0xFF, d & 0xFF};
        uint32_t p[3] = {P.r, P.g, P.b};
        uint32_t inv = 256 - A;
        uint32_t D = 256 - (((256 - da) * inv) >> 8);
        if (D == 0) return;  // nothing to divide by: leave the pixel
        uint32_t out[3];
        for (int i = 0; i < 3; ++i) {
            uint32_t q = (((dc[i] * da) >> 8) * inv + p[i] * 256) / D;
            if (q > 255) {
                px.overflow();
                if (premultiplied) px.premultipliedWrap();
            }
            out[i] = ClampBlendQuotient ? std::min<uint32_t>(q, 255) : q & 0xFF;
        }
        px.write(((D - 1) << 24) | (out[0] << 16) | (out[1] << 8) | out[2]);
        break;
    }
    case Format::Xrgb888: {
        uint32_t dc[3] = {(d >> 16) & 0xFF, (d >> 8) & 0xFF, d & 0xFF};
        uint32_t p[3] = {P.r, P.g, P.b};
        uint32_t out[3];
        for (int i = 0; i < 3; ++i) {
            uint32_t c = ((dc[i] * (255 - A)) >> 8) + p[i];
            if (c > 255) px.overflow();
            out[i] = c & 0xFF;
        }
        px.write((topByte888 << 24) | (out[0] << 16) | (out[1] << 8) | out[2]);
        break;
    }
    case Format::Rgb565:
    case Format::Rgb555: {
        bool six = format == Format::Rgb565;
        uint32_t f = (255 - A) >> 3;
        uint32_t dr = six ? (d >> 11) & 31 : (d >> 10) & 31;
        uint32_t dg = six ? (d >> 5) & 63 : (d >> 5) & 31;
        uint32_t db = d & 31;
        uint32_t r = ((dr * f) >> 5) + (P.r >> 3);
        uint32_t g = ((dg * f) >> 5) + (six ? P.g >> 2 : P.g >> 3);
        uint32_t b = ((db * f) >> 5) + (P.b >> 3);
        if (r > 31 || b > 31 || g > (six ? 63u : 31u)) px.overflow();
        uint32_t out = six ? ((r & 31) << 11) | ((g & 63) << 5) | (b & 31)
                           : ((r & 31) << 10) | ((g & 31) << 5) | (b & 31);
        px.write(out);
        break;
    }
    }
}

// ---- Texels ----------------------------------------------------------------

struct Sample {
    uint32_t a = 0, r = 0, g = 0, b = 0;
    uint32_t word() const { return (a << 24) | (r << 16) | (g << 8) | b; }
};

Sample unpack(uint32_t t) { return {t >> 24, (t >> 16) & 0xFF, (t >> 8) & 0xFF, t & 0xFF}; }

// The texel at (col, row), or transparent black outside the texture. Rows
// and columns are tested on their own: nothing wraps into the next row.
Sample texelAt(const Texture& tex, int64_t col, int64_t row) {
    if (tex.bits == nullptr || col < 0 || row < 0 || col >= tex.width || row >= tex.height)
        return {};
    return unpack(tex.bits[row * tex.width + col]);
}

Sample nearest(const Texture& tex, int32_t u, int32_t v) {
    // The integer parts read unsigned: a coordinate left of or above the
    // texture is a huge column or row and so outside.
    int64_t col = static_cast<uint32_t>(u) >> 16;
    int64_t row = static_cast<uint32_t>(v) >> 16;
    return texelAt(tex, col, row);
}

// The weighted 2x2 block at (U, V), which already carry the half-texel
// offset. Returns premultiplied colour and the sum of weights as alpha.
Sample filtered(const Texture& tex, int32_t U, int32_t V) {
    // Integer part: the plain floor, also at and below zero.
    int64_t col = static_cast<int64_t>(U) >> 16;
    int64_t row = static_cast<int64_t>(V) >> 16;
    uint32_t fu = (static_cast<uint32_t>(U) & 0xFFFE) + 1;
    uint32_t fv = (static_cast<uint32_t>(V) & 0xFFFE) + 1;
    Sample t[4] = {texelAt(tex, col, row), texelAt(tex, col + 1, row),
                   texelAt(tex, col, row + 1), texelAt(tex, col + 1, row + 1)};
    uint32_t area[4] = {((65536 - fu) * (65536 - fv)) >> 16, (fu * (65536 - fv)) >> 16,
                        ((65536 - fu) * fv) >> 16, (fu * fv) >> 16};
    uint32_t sumR = 0, sumG = 0, sumB = 0, sumW = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t w = (area[i] * t[i].a) >> 16;
        sumR += t[i].r * w;
        sumG += t[i].g * w;
        sumB += t[i].b * w;
        sumW += w;
    }
    return {sumW, sumR >> 8, sumG >> 8, sumB >> 8};
}

// ---- The interpolated attributes -------------------------------------------

enum Attr { kA, kR, kG, kB, kU, kV, kAttrs };

int32_t attr(const Vertex& v, int i) {
    switch (i) {
    case kA: return v.a;
    case kR: return v.r;
    case kG: return v.g;
    case kB: return v.b;
    case kU: return v.u;
    default: return v.v;
    }
}

struct Features {
    bool filter, modulate, vertexColors, alpha;
};

// Colour stages and destination of one textured pixel. at[] are the running
// attribute values at this pixel, u and v already offset for filtering.
void shadeTextured(unsigned fs, const Pixel& px, Format format, const Texture& tex,
                   const Paint& paint, const int32_t at[kAttrs]) {
    Features f{(fs & 1) != 0, (fs & 2) != 0, (fs & 4) != 0, (fs & 8) != 0};
    Sample s = f.filter ? filtered(tex, at[kU], at[kV]) : nearest(tex, at[kU], at[kV]);

    if (!f.modulate && !f.vertexColors && !f.alpha) {
        // Feature sets 0 and 1: the sample itself, never blended.
        Rgb c{s.r, s.g, s.b};
        storeColor(px, format, c, s.a);
        return;
    }

    if (f.alpha && s.a <= 8) return;  // nearly transparent: leave the pixel

    bool hasFactor = f.modulate || f.vertexColors;
    uint32_t fa = 255, fr = 255, fg = 255, fb = 255;
    if (f.vertexColors) {
        fa = clampChannel(at[kA]) >> 16;
        fr = clampChannel(at[kR]) >> 16;
        fg = clampChannel(at[kG]) >> 16;
        fb = clampChannel(at[kB]) >> 16;
    } else if (f.modulate) {
        fa = static_cast<uint32_t>(paint.a);
        fr = static_cast<uint32_t>(paint.r);
        fg = static_cast<uint32_t>(paint.g);
        fb = static_cast<uint32_t>(paint.b);
    }

    Rgb m{s.r, s.g, s.b};
    if (hasFactor) m = {(s.r * fr) >> 8, (s.g * fg) >> 8, (s.b * fb) >> 8};

    uint32_t A;
    if (f.alpha && hasFactor)
        A = (fa * s.a) >> 8;
    else if (f.alpha)
        A = s.a;
    else
        A = (fa * 255) >> 8;

    if (f.filter && hasFactor) m = {(m.r * fa) >> 8, (m.g * fa) >> 8, (m.b * fa) >> 8};

    if (A >= 240) {
        // Only feature sets 8 and 9 keep the sample's alpha in an 0x888 word.
        uint32_t top = hasFactor ? 0 : s.a;
        storeColor(px, format, m, top);
        return;
    }
    if (A == 0) return;  // a weight of 0 changes nothing

    Rgb P = m;  // filtered sources arrive premultiplied
    if (!f.filter) P = {(m.r * A) >> 8, (m.g * A) >> 8, (m.b * A) >> 8};
    blendTerms(px, format, A, P, 0xFF, f.filter);
}

// The untextured vertex-colour pixel: its own thresholds and source terms.
void shadeUntextured(const Pixel& px, Format format, const int32_t at[kAttrs]) {
    uint32_t a = clampChannel(at[kA]);
    uint32_t r = clampChannel(at[kR]);
    uint32_t g = clampChannel(at[kG]);
    uint32_t b = clampChannel(at[kB]);
    Rgb whole{r >> 16, g >> 16, b >> 16};
    if (a > 0x00F00000) {
        storeColor(px, format, whole, 0xFF);
        return;
    }
    if (a <= 0x00080000) return;
    uint32_t A = a >> 16;
    Rgb P;
    if (format == Format::Argb8888) {
        // Red keeps all 16 fraction bits, green the top 8, blue none.
        P = {(r * A) >> 24, ((g >> 8) * A) >> 16, ((b >> 16) * A) >> 8};
    } else {
        P = {(whole.r * A) >> 8, (whole.g * A) >> 8, (whole.b * A) >> 8};
    }
    blendTerms(px, format, A, P, 0, false);
}

void fold(Vertex& v, const Paint& paint) {
    v.a = static_cast<int32_t>((static_cast<uint32_t>(v.a) * static_cast<uint32_t>(paint.a)) >> 8);
    v.r = static_cast<int32_t>((static_cast<uint32_t>(v.r) * static_cast<uint32_t>(paint.r)) >> 8);
    v.g = static_cast<int32_t>((static_cast<uint32_t>(v.g) * static_cast<uint32_t>(paint.g)) >> 8);
    v.b = static_cast<int32_t>((static_cast<uint32_t>(v.b) * static_cast<uint32_t>(paint.b)) >> 8);
}

}  // namespace

void fillTriangle(unsigned index, const Vertex tri[3], const Target& target,
                  const Texture& texture, const Paint& paint, Notes* notes) {
    index &= 0x7F;
    const Format format = formatOfIndex(index);
    const bool textured = (index & 0x10) != 0;
    const unsigned fs = index & 0x0F;
    if (!textured && !(fs & 4)) return;  // the empty filler

    // Own copies, sorted by y with strict compares so equal y keeps order.
    Vertex v[3] = {tri[0], tri[1], tri[2]};
    if (v[0].y > v[1].y) std::swap(v[0], v[1]);
    if (v[1].y > v[2].y) std::swap(v[1], v[2]);
    if (v[0].y > v[1].y) std::swap(v[0], v[1]);
    Vertex& top = v[0];
    Vertex& mid = v[1];
    Vertex& bottom = v[2];

    // The draw colour enters vertex colours once, when both are in play.
    if ((fs & 6) == 6) {
        for (Vertex& each : v) fold(each, paint);
    }

    const int64_t yTop = ceilRow(top.y), yMid = ceilRow(mid.y), yBottom = ceilRow(bottom.y);
    if (yTop == yBottom) return;

    const int64_t dy = static_cast<int64_t>(bottom.y) - top.y;
    const int32_t slopeLong = stepOver(static_cast<int64_t>(bottom.x) - top.x, dy);
    const int64_t toMid = static_cast<int64_t>(mid.y) - top.y;
    const int32_t xLongMid = add32(top.x, advance(slopeLong, toMid));
    if (mid.x == xLongMid) return;

    const int64_t width = static_cast<int64_t>(mid.x) - xLongMid;
    int32_t stepLong[kAttrs], gradient[kAttrs], running[kAttrs];
    for (int i = 0; i < kAttrs; ++i) {
        stepLong[i] = stepOver(static_cast<int64_t>(attr(bottom, i)) - attr(top, i), dy);
        int32_t atMid = add32(attr(top, i), advance(stepLong[i], toMid));
        gradient[i] = stepOver(static_cast<int64_t>(attr(mid, i)) - atMid, width);
    }

    const int64_t p = (yTop << 16) - top.y;
    int32_t xLong = add32(top.x, advance(slopeLong, p));
    int32_t longAttr[kAttrs];
    for (int i = 0; i < kAttrs; ++i) longAttr[i] = add32(attr(top, i), advance(stepLong[i], p));
    const bool longLeft = xLongMid < mid.x;

    // Spans never leave the triangle's own column range.
    const int64_t colMin = ceilRow(std::min({top.x, mid.x, bottom.x}));
    const int64_t colEnd = ceilRow(std::max({top.x, mid.x, bottom.x}));

    auto row = [&](int64_t y, int32_t xShort) {
        int32_t xLeft = longLeft ? xLong : xShort;
        int32_t xRight = longLeft ? xShort : xLong;
        int64_t first = std::max(ceilRow(xLeft), colMin);
        int64_t end = std::min(ceilRow(xRight), colEnd);
        if (end <= first) return;
        int64_t e = (first << 16) - xLong;
        for (int i = 0; i < kAttrs; ++i) running[i] = add32(longAttr[i], advance(gradient[i], e));
        if (textured && (fs & 1)) {
            running[kU] = add32(running[kU], -0x8000);
            running[kV] = add32(running[kV], -0x8000);
        }
        for (int64_t x = first; x < end; ++x) {
            Pixel px(target, x, y, notes);
            if (px.inside()) {
                if (textured)
                    shadeTextured(fs, px, format, texture, paint, running);
                else
                    shadeUntextured(px, format, running);
            }
            for (int i = 0; i < kAttrs; ++i) running[i] = add32(running[i], gradient[i]);
        }
    };
    auto nextRow = [&](int32_t& xShort, int32_t slopeShort) {
        xLong = add32(xLong, slopeLong);
        for (int i = 0; i < kAttrs; ++i) longAttr[i] = add32(longAttr[i], stepLong[i]);
        xShort = add32(xShort, slopeShort);
    };

    if (yMid > yTop) {
        int32_t slopeShort = stepOver(static_cast<int64_t>(mid.x) - top.x,
                                      static_cast<int64_t>(mid.y) - top.y);
        int32_t xShort = add32(top.x, advance(slopeShort, p));
        for (int64_t y = yTop; y < yMid; ++y) {
            row(y, xShort);
            nextRow(xShort, slopeShort);
        }
    }
    if (yBottom > yMid) {
        int32_t slopeShort = stepOver(static_cast<int64_t>(bottom.x) - mid.x,
                                      static_cast<int64_t>(bottom.y) - mid.y);
        int32_t xShort = add32(mid.x, advance(slopeShort, (yMid << 16) - mid.y));
        for (int64_t y = yMid; y < yBottom; ++y) {
            row(y, xShort);
            nextRow(xShort, slopeShort);
        }
    }
}

// ---- The drawing entry -------------------------------------------------

unsigned selectIndex(bool textured, bool hasTrans, bool hasAlpha, bool modulate,
                     bool linearBlend, bool vertexColors, int code) {
    unsigned index = 0;
    if (linearBlend) index |= 0x01;
    if (modulate) index |= 0x02;
    if (vertexColors) index |= 0x04;
    if (textured && (hasTrans || hasAlpha || linearBlend)) index |= 0x08;
    if (textured) index |= 0x10;
    if (code == 0x888) index |= 0x20;
    else if (code == 0x565) index |= 0x40;
    else if (code == 0x555) index |= 0x60;
    return index;
}

namespace {

struct ClipVertex {
    double x, y, u, v;
    int c[4];  // a, r, g, b
};

enum class Side { Left, Right, Top, Bottom };

bool inside(const ClipVertex& p, Side side, double bound) {
    switch (side) {
    case Side::Left: return !(p.x < bound);
    case Side::Right: return !(p.x > bound);
    case Side::Top: return !(p.y < bound);
    default: return !(p.y > bound);
    }
}

// The cut of the edge from the outside vertex o to the inside vertex i. The
// fraction runs from o toward i whichever way the edge is walked, so two
// triangles sharing an edge get the very same cut vertex. The coordinate on
// the cut line is the bound itself.
ClipVertex cut(const ClipVertex& o, const ClipVertex& i, Side side, double bound) {
    const bool vertical = side == Side::Left || side == Side::Right;
    double t = vertical ? (bound - o.x) / (i.x - o.x) : (bound - o.y) / (i.y - o.y);
    t = std::clamp(t, 0.0, 1.0);
    auto lerp = [t](double from, double to) {
        return static_cast<double>(static_cast<float>(from + (to - from) * t));
    };
    ClipVertex r;
    r.x = vertical ? bound : lerp(o.x, i.x);
    r.y = vertical ? lerp(o.y, i.y) : bound;
    r.u = lerp(o.u, i.u);
    r.v = lerp(o.v, i.v);
    for (int k = 0; k < 4; ++k)
        r.c[k] = static_cast<int>(std::trunc(o.c[k] + (i.c[k] - o.c[k]) * t));
    return r;
}

int clipPass(const ClipVertex* in, int n, ClipVertex* out, Side side, double bound) {
    int m = 0;
    for (int k = 0; k < n; ++k) {
        const ClipVertex& a = in[k];
        const ClipVertex& b = in[(k + 1) % n];
        const bool ain = inside(a, side, bound), bin = inside(b, side, bound);
        if (ain) out[m++] = a;
        if (ain && !bin) out[m++] = cut(b, a, side, bound);
        if (!ain && bin) out[m++] = cut(a, b, side, bound);
    }
    return m;
}

int32_t truncSaturate(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::trunc(v));
}

int clampInt(int v) { return std::clamp(v, 0, 255); }

}  // namespace

void drawTriangleStrip(const FloatVertex* vertices, int count, const Image* texture,
                       const Paint& paint, const Rect& clip, const Target& target,
                       bool linearBlend, bool vertexColors, Notes* notes) {
    // The clip rectangle, cut to the destination; its last column and row
    // are drawn.
    const int64_t x0 = std::max<int64_t>(clip.x, 0);
    const int64_t y0 = std::max<int64_t>(clip.y, 0);
    // 16.16 positions reach 32767 pixels; farther columns and rows are not drawn.
    const int64_t x1 = std::min<int64_t>({static_cast<int64_t>(clip.x) + clip.width, target.width, 32767});
    const int64_t y1 = std::min<int64_t>({static_cast<int64_t>(clip.y) + clip.height, target.height, 32767});
    if (count < 3 || x1 <= x0 || y1 <= y0) return;
    const double xmin = static_cast<double>(x0), xmax = static_cast<double>(x1);
    const double ymin = static_cast<double>(y0), ymax = static_cast<double>(y1);

    const bool modulate = paint.r != 255 || paint.g != 255 || paint.b != 255 || paint.a != 255;
    const Paint fill{clampInt(paint.a), clampInt(paint.r), clampInt(paint.g), clampInt(paint.b)};
    const bool textured = texture != nullptr;
    const unsigned index =
        selectIndex(textured, textured && texture->hasTrans, textured && texture->hasAlpha, modulate,
                    linearBlend, vertexColors, formatCode(target.format));
    Texture tex;
    if (textured) tex = {texture->bits, texture->width, texture->height};

    for (int t = 0; t + 2 < count; ++t) {
        const FloatVertex* tri[3] = {&vertices[t], &vertices[t + 1], &vertices[t + 2]};
        if (t % 2 == 1) std::swap(tri[1], tri[2]);
        bool finite = true;
        ClipVertex poly[16];
        for (int k = 0; k < 3; ++k) {
            const FloatVertex& in = *tri[k];
            if (!std::isfinite(in.x) || !std::isfinite(in.y)) finite = false;
            poly[k].x = in.x;
            poly[k].y = in.y;
            // A non-finite u or v reads as 0 before clipping.
            poly[k].u = std::isfinite(in.u) ? in.u : 0.0;
            poly[k].v = std::isfinite(in.v) ? in.v : 0.0;
            poly[k].c[0] = static_cast<int>(in.color >> 24);
            poly[k].c[1] = static_cast<int>((in.color >> 16) & 0xFF);
            poly[k].c[2] = static_cast<int>((in.color >> 8) & 0xFF);
            poly[k].c[3] = static_cast<int>(in.color & 0xFF);
        }
        if (!finite) continue;

        ClipVertex other[16];
        int n = clipPass(poly, 3, other, Side::Left, xmin);
        if (n < 3) continue;
        n = clipPass(other, n, poly, Side::Right, xmax);
        if (n < 3) continue;
        n = clipPass(poly, n, other, Side::Top, ymin);
        if (n < 3) continue;
        n = clipPass(other, n, poly, Side::Bottom, ymax);
        if (n < 3) continue;

        Vertex fixed[16];
        for (int k = 0; k < n; ++k) {
            const ClipVertex& c = poly[k];
            Vertex& f = fixed[k];
            f.x = std::clamp(truncSaturate(c.x * 65536.0), static_cast<int32_t>(x0 * 65536),
                             static_cast<int32_t>(std::min<int64_t>(x1 * 65536, INT32_MAX)));
            f.y = std::clamp(truncSaturate(c.y * 65536.0), static_cast<int32_t>(y0 * 65536),
                             static_cast<int32_t>(std::min<int64_t>(y1 * 65536, INT32_MAX)));
            if (textured) {
                f.u = truncSaturate(c.u * static_cast<double>(tex.width) * 65536.0);
                f.v = truncSaturate(c.v * static_cast<double>(tex.height) * 65536.0);
            }
            if (vertexColors) {
                f.a = c.c[0] << 16;
                f.r = c.c[1] << 16;
                f.g = c.c[2] << 16;
                f.b = c.c[3] << 16;
            }
        }
        for (int k = 2; k < n; ++k) {
            const Vertex fan[3] = {fixed[0], fixed[k - 1], fixed[k]};
            fillTriangle(index, fan, target, tex, fill, notes);
        }
    }
}

}  // namespace refmodel
