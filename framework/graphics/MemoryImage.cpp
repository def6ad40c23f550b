#include "framework/graphics/MemoryImage.h"

#include "framework/graphics/GraphicsApp.h"
#include "framework/graphics/LineWalk.h"
#include "framework/graphics/PixelBlend.h"
#include "framework/graphics/RasterTexture.h"
#include "framework/graphics/Transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace Vant {

namespace {

bool IsWhite(const Color& c) { return c == Color::White; }

int ClampChannel(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// A double as an int, with NaN as 0 and far values held to a range that
// every later sum of a few of them still fits in.
int SafeTrunc(double v) {
    if (!(v == v)) return 0;
    if (v > 1e8) return 100000000;
    if (v < -1e8) return -100000000;
    return static_cast<int>(v);
}

// Clips the copy of src to (dx, dy): to the source's w x h and to the
// destination's dw x dh. False when nothing is left.
bool ClipCopy(long long& dx, long long& dy, Rect& src, int sw, int sh, int dw, int dh) {
    long long sx = src.x, sy = src.y, w = src.width, h = src.height;
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    w = std::min(w, sw - sx);
    h = std::min(h, sh - sy);
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    w = std::min(w, dw - dx);
    h = std::min(h, dh - dy);
    if (w <= 0 || h <= 0) return false;
    src = Rect(static_cast<int>(sx), static_cast<int>(sy), static_cast<int>(w), static_cast<int>(h));
    return true;
}

uint32_t Sat(uint32_t v) { return v > 255 ? 255 : v; }

}  // namespace

MemoryImage::MemoryImage() : MemoryImage(GetGraphicsApp()) {}

MemoryImage::MemoryImage(GraphicsApp* owner) : app(owner) {
    if (app) app->RegisterMemoryImage(this);
}

MemoryImage::MemoryImage(const MemoryImage& other)
    : Image(other), nativeFormat(other.nativeFormat), bitsChangedCount(other.bitsChangedCount),
      d3dFlags(other.d3dFlags), forcedMode(other.forcedMode), hasTrans(other.hasTrans), hasAlpha(other.hasAlpha),
      isVolatile(other.isVolatile), purgeBits(other.purgeBits), wantPalletize(other.wantPalletize),
      bitsChangedPending(other.bitsChangedPending), app(other.app) {
    MemoryImage& src = const_cast<MemoryImage&>(other);
    const bool madeBits = !src.bits && !src.palette;
    if (madeBits) src.GetBits();
    const size_t n = PixelCount();
    auto copyWords = [](const std::unique_ptr<uint32_t[]>& from, size_t count) {
        std::unique_ptr<uint32_t[]> to;
        if (from) {
            to.reset(new uint32_t[count]);
            std::memcpy(to.get(), from.get(), count * sizeof(uint32_t));
        }
        return to;
    };
    auto copyBytes = [](const std::unique_ptr<uint8_t[]>& from, size_t count) {
        std::unique_ptr<uint8_t[]> to;
        if (from) {
            to.reset(new uint8_t[count]);
            std::memcpy(to.get(), from.get(), count);
        }
        return to;
    };
    bits = copyWords(src.bits, n + 1);
    palette = copyWords(src.palette, 256);
    colorIndices = copyBytes(src.colorIndices, n);
    nativeAlphaData = copyWords(src.nativeAlphaData, src.palette ? 256 : n);
    rlAlphaData = copyBytes(src.rlAlphaData, n);
    rlAdditiveData = copyBytes(src.rlAdditiveData, n);
    if (madeBits) src.bits.reset();
    if (app) app->RegisterMemoryImage(this);
}

MemoryImage::~MemoryImage() {
    if (app) app->UnregisterMemoryImage(this);
}

size_t MemoryImage::PixelCount() const {
    if (width <= 0 || height <= 0) return 0;
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

void MemoryImage::BitsChanged() {
    ++bitsChangedCount;
    bitsChangedPending = true;
    nativeAlphaData.reset();
    rlAlphaData.reset();
    rlAdditiveData.reset();
}

void MemoryImage::CommitBits() {
    if (!bitsChangedPending || forcedMode) return;
    hasAlpha = false;
    const auto scan = [this](const uint32_t* words, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            const uint32_t a = words[i] >> 24;
            if (a == 0)
                hasTrans = true;
            else if (a != 255)
                hasAlpha = true;
        }
    };
    if (bits) {
        hasTrans = false;
        scan(bits.get(), PixelCount());
    } else if (palette) {
        hasTrans = false;
        scan(palette.get(), 256);
    } else {
        // No pixels at all: nothing can be shown through.
        hasTrans = true;
    }
    bitsChangedPending = false;
}

uint32_t* MemoryImage::GetBits() {
    if (bits) return bits.get();
    const size_t n = PixelCount();
    bits.reset(new uint32_t[n + 1]());
    bits[n] = GuardWord;
    if (palette && colorIndices) {
        for (size_t i = 0; i < n; ++i) bits[i] = palette[colorIndices[i]];
        colorIndices.reset();
        palette.reset();
        nativeAlphaData.reset();
    } else if (nativeAlphaData) {
        const NativeFormat& f = nativeFormat;
        const auto channel = [](uint32_t w, uint32_t d, uint32_t mask, int shift, int nbits) {
            return ((((w & mask) << 8) / d) & mask) << 8 >> (shift + nbits);
        };
        for (size_t i = 0; i < n; ++i) {
            const uint32_t w = nativeAlphaData[i];
            const uint32_t d = (w >> 24) + 1;
            bits[i] = (w & 0xFF000000u) | (channel(w, d, f.redMask, f.redShift, f.redBits) << 16) |
                      (channel(w, d, f.greenMask, f.greenShift, f.greenBits) << 8) |
                      channel(w, d, f.blueMask, f.blueShift, f.blueBits);
        }
    }
    return bits.get();
}

void MemoryImage::SetBits(const uint32_t* source, int w, int h, bool commit) {
    colorIndices.reset();
    palette.reset();
    width = w;
    height = h;
    const size_t n = PixelCount();
    bits.reset(new uint32_t[n + 1]());
    if (n && source) std::memcpy(bits.get(), source, n * sizeof(uint32_t));
    bits[n] = GuardWord;
    BitsChanged();
    if (commit) CommitBits();
}

void MemoryImage::Create(int w, int h) {
    bits.reset();
    colorIndices.reset();
    palette.reset();
    width = w;
    height = h;
    hasTrans = true;
    hasAlpha = true;
    BitsChanged();
}

void MemoryImage::SetImageMode(bool trans, bool alpha) {
    forcedMode = true;
    hasTrans = trans;
    hasAlpha = alpha;
}

void MemoryImage::Clear() {
    uint32_t* p = GetBits();
    std::fill(p, p + PixelCount(), 0u);
    BitsChanged();
}

void MemoryImage::DeleteSWBuffers() {
    if (!bits && !colorIndices) GetBits();
    nativeAlphaData.reset();
    rlAdditiveData.reset();
    rlAlphaData.reset();
}

void MemoryImage::DeleteExtraBuffers() {
    DeleteSWBuffers();
    // The 3D data belongs to the application's display, which drops it when
    // the image unregisters.
}

void MemoryImage::DeleteNativeData() {
    if (!bits && !colorIndices) GetBits();
    nativeAlphaData.reset();
    rlAdditiveData.reset();
}

uint32_t* MemoryImage::GetNativeAlphaData(const NativeFormat& f) {
    if (nativeAlphaData && nativeFormat == f) return nativeAlphaData.get();
    CommitBits();
    nativeFormat = f;
    const auto convert = [&f](uint32_t c) {
        const uint32_t a = c >> 24, m = a + 1;
        const uint32_t b = (((c & 0xFF) * m >> 8) >> (8 - f.blueBits) << f.blueShift) & f.blueMask;
        const uint32_t g = (((c & 0xFF00) * m >> 8) >> (16 - f.greenBits) << f.greenShift) & f.greenMask;
        const uint32_t r = (((static_cast<uint64_t>(c & 0xFF0000) * m) >> 8) >> (24 - f.redBits) << f.redShift) &
                           f.redMask;
        return r | g | b | (a << 24);
    };
    if (palette) {
        nativeAlphaData.reset(new uint32_t[256]);
        for (int i = 0; i < 256; ++i) nativeAlphaData[i] = convert(palette[i]);
    } else {
        const size_t n = PixelCount();
        const uint32_t* src = GetBits();
        nativeAlphaData.reset(new uint32_t[std::max<size_t>(n, 1)]);
        for (size_t i = 0; i < n; ++i) nativeAlphaData[i] = convert(src[i]);
    }
    return nativeAlphaData.get();
}

namespace {

// Writes, for each row, every maximal run of equal class as L, L-1, ..., 1
// (each capped at 255).
template <typename ClassOf>
void BuildRuns(uint8_t* out, int w, int h, ClassOf classOf) {
    for (int y = 0; y < h; ++y) {
        uint8_t* row = out + static_cast<size_t>(y) * w;
        int x = w;
        while (x > 0) {
            // Walk back from the row's end: the count since the run's end.
            const int cls = classOf(static_cast<size_t>(y) * w + (x - 1));
            int len = 0;
            while (x > 0 && classOf(static_cast<size_t>(y) * w + (x - 1)) == cls) {
                ++len;
                row[x - 1] = static_cast<uint8_t>(std::min(len, 255));
                --x;
            }
        }
    }
}

int AlphaClass(uint32_t c) {
    const uint32_t a = c >> 24;
    return a == 0 ? 0 : a == 255 ? 1 : 2;
}

}  // namespace

uint8_t* MemoryImage::GetRLAlphaData() {
    CommitBits();
    if (rlAlphaData) return rlAlphaData.get();
    const size_t n = PixelCount();
    rlAlphaData.reset(new uint8_t[std::max<size_t>(n, 1)]);
    if (bits) {
        const uint32_t* p = bits.get();
        BuildRuns(rlAlphaData.get(), width, height, [p](size_t i) { return AlphaClass(p[i]); });
    } else if (palette) {
        const uint32_t* pal = palette.get();
        const uint8_t* idx = colorIndices.get();
        BuildRuns(rlAlphaData.get(), width, height, [pal, idx](size_t i) { return AlphaClass(pal[idx[i]]); });
    } else if (nativeAlphaData) {
        const uint32_t* p = nativeAlphaData.get();
        BuildRuns(rlAlphaData.get(), width, height, [p](size_t i) { return AlphaClass(p[i]); });
    } else {
        const uint32_t* p = GetBits();
        BuildRuns(rlAlphaData.get(), width, height, [p](size_t i) { return AlphaClass(p[i]); });
    }
    return rlAlphaData.get();
}

uint8_t* MemoryImage::GetRLAdditiveData(const NativeFormat& format) {
    if (rlAdditiveData && nativeFormat == format) return rlAdditiveData.get();
    const uint32_t* native = GetNativeAlphaData(format);
    const size_t n = PixelCount();
    rlAdditiveData.reset(new uint8_t[std::max<size_t>(n, 1)]);
    if (palette) {
        const uint8_t* idx = colorIndices.get();
        BuildRuns(rlAdditiveData.get(), width, height,
                  [native, idx](size_t i) { return (native[idx[i]] & 0xFFFFFF) != 0; });
    } else {
        BuildRuns(rlAdditiveData.get(), width, height, [native](size_t i) { return (native[i] & 0xFFFFFF) != 0; });
    }
    return rlAdditiveData.get();
}

bool MemoryImage::Palletize() {
    CommitBits();
    if (palette) return true;
    if (!bits && !nativeAlphaData) return false;
    const uint32_t* p = GetBits();
    const size_t n = PixelCount();
    auto indices = std::make_unique<uint8_t[]>(std::max<size_t>(n, 1));
    auto pal = std::make_unique<uint32_t[]>(256);
    // Colours seen so far, sorted, with their slots.
    std::vector<std::pair<uint32_t, uint8_t>> seen;
    seen.reserve(256);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = p[i];
        auto it = std::lower_bound(seen.begin(), seen.end(), c,
                                   [](const std::pair<uint32_t, uint8_t>& e, uint32_t v) { return e.first < v; });
        if (it == seen.end() || it->first != c) {
            if (seen.size() == 256) {
                wantPalletize = false;
                return false;
            }
            const auto slot = static_cast<uint8_t>(seen.size());
            pal[slot] = c;
            it = seen.insert(it, {c, slot});
        }
        indices[i] = it->second;
    }
    colorIndices = std::move(indices);
    palette = std::move(pal);
    bits.reset();
    nativeAlphaData.reset();
    wantPalletize = true;
    return true;
}

const uint32_t* MemoryImage::SourceRow(int x, int y, int n, uint32_t* scratch) {
    if (!bits && palette && colorIndices) {
        const uint8_t* idx = colorIndices.get() + static_cast<size_t>(y) * width + x;
        for (int i = 0; i < n; ++i) scratch[i] = palette[idx[i]];
        return scratch;
    }
    return GetBits() + static_cast<size_t>(y) * width + x;
}

int MemoryImage::DestFormat() const {
    return forcedMode && !hasAlpha && !hasTrans ? SWRaster::Format888 : SWRaster::Format8888;
}

// ---------------------------------------------------------------------------
// Primitives

void MemoryImage::FillRect(const Rect& rect, const Color& color, int) {
    const Rect r = rect.Intersection(Rect(0, 0, width, height));
    if (r.width <= 0 || r.height <= 0) return;
    uint32_t* p = GetBits();
    const uint32_t packed = color.ToInt();
    const uint32_t sa = static_cast<uint32_t>(ClampChannel(color.a));
    for (int y = r.y; y < r.y + r.height; ++y) {
        uint32_t* row = p + static_cast<size_t>(y) * width + r.x;
        if (color.a == 255) {
            std::fill(row, row + r.width, packed);
        } else {
            for (int i = 0; i < r.width; ++i) row[i] = blend::Normal(row[i], packed, sa);
        }
    }
    BitsChanged();
}

void MemoryImage::ClearRect(const Rect& rect) {
    const Rect r = rect.Intersection(Rect(0, 0, width, height));
    if (r.width <= 0 || r.height <= 0) return;
    uint32_t* p = GetBits();
    for (int y = r.y; y < r.y + r.height; ++y) {
        uint32_t* row = p + static_cast<size_t>(y) * width + r.x;
        std::fill(row, row + r.width, 0u);
    }
    BitsChanged();
}

void MemoryImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) {
    if (y1 == y2) {
        const int a = SafeTrunc(std::min(x1, x2)), b = SafeTrunc(std::max(x1, x2));
        FillRect(Rect(a, SafeTrunc(y1), b - a + 1, 1), color, drawMode);
    } else if (x1 == x2) {
        const int a = SafeTrunc(std::min(y1, y2)), b = SafeTrunc(std::max(y1, y2));
        FillRect(Rect(SafeTrunc(x1), a, 1, b - a + 1), color, drawMode);
    } else if (drawMode == DrawModeNormal || drawMode == DrawModeAdditive) {
        NormalLine(x1, y1, x2, y2, color, drawMode);
    }
}

void MemoryImage::NormalLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) {
    const uint32_t a = static_cast<uint32_t>(ClampChannel(color.a));
    const uint32_t ch[3] = {static_cast<uint32_t>(ClampChannel(color.r)), static_cast<uint32_t>(ClampChannel(color.g)),
                            static_cast<uint32_t>(ClampChannel(color.b))};
    uint32_t solid = 0xFF000000u, part[3] = {0, 0, 0}, add[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        solid |= ((ch[i] * 255 + 127) >> 8) << (16 - 8 * i);
        part[i] = ((((ch[i] * a + 128) >> 8) * 255 + 127) >> 8);
        add[i] = blend::Div255(ch[i] * a);
    }

    uint32_t* p = GetBits();
    WalkLine(x1, y1, x2, y2, width, height, [&](int px, int py) {
        uint32_t& d = p[static_cast<size_t>(py) * width + static_cast<size_t>(px)];
        if (drawMode == DrawModeAdditive) {
            uint32_t out = 0xFF000000u;
            for (int i = 0; i < 3; ++i) {
                const int s = 16 - 8 * i;
                out |= Sat(((d >> s) & 0xFF) + add[i]) << s;
            }
            d = out;
        } else if (a == 255) {
            d = solid;
        } else {
            uint32_t out = 0xFF000000u;
            for (int i = 0; i < 3; ++i) {
                const int s = 16 - 8 * i;
                out |= ((((((d >> s) & 0xFF) * (256 - a) + 127) >> 8) + part[i]) & 0xFF) << s;
            }
            d = out;
        }
    });
    BitsChanged();
}

void MemoryImage::Blit(Image* source, int x, int y, const Rect& srcRect, const Color& color, int drawMode) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (!src) return;
    if (drawMode == DrawModeNormal)
        NormalBlit(src, x, y, srcRect, color);
    else if (drawMode == DrawModeAdditive)
        AdditiveBlit(src, x, y, srcRect, color);
}

void MemoryImage::NormalBlit(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color) {
    long long dx = x, dy = y;
    Rect s = srcRect;
    if (!ClipCopy(dx, dy, s, src->width, src->height, width, height)) return;
    const bool fast = !hasAlpha && !hasTrans && IsWhite(color);
    const uint8_t* rl = fast ? src->GetRLAlphaData() : nullptr;
    uint32_t* dest = GetBits();
    std::vector<uint32_t> scratch(src->HasBits() ? 0 : static_cast<size_t>(s.width));
    for (int row = 0; row < s.height; ++row) {
        const uint32_t* sp = src->SourceRow(s.x, s.y + row, s.width, scratch.data());
        uint32_t* dp = dest + static_cast<size_t>(dy + row) * width + dx;
        if (fast) {
            const uint8_t* rp = rl + static_cast<size_t>(s.y + row) * src->width + s.x;
            int i = 0;
            while (i < s.width) {
                const int run = std::min<int>(rp[i], s.width - i);
                const uint32_t a = sp[i] >> 24;
                if (a == 255)
                    std::memcpy(dp + i, sp + i, static_cast<size_t>(run) * sizeof(uint32_t));
                else if (a != 0)
                    for (int k = i; k < i + run; ++k) dp[k] = blend::OntoOpaque(dp[k], sp[k]);
                i += std::max(run, 1);
            }
        } else if (IsWhite(color)) {
            for (int i = 0; i < s.width; ++i) dp[i] = blend::Normal(dp[i], sp[i], sp[i] >> 24);
        } else {
            const blend::Tint tint(color);
            for (int i = 0; i < s.width; ++i) dp[i] = blend::Colored(dp[i], sp[i], tint);
        }
    }
    BitsChanged();
}

void MemoryImage::AdditiveBlit(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color) {
    long long dx = x, dy = y;
    Rect s = srcRect;
    if (!ClipCopy(dx, dy, s, src->width, src->height, width, height)) return;
    src->CommitBits();
    const bool srcAlpha = src->hasAlpha;
    const bool white = IsWhite(color);
    uint32_t k[3] = {256, 256, 256};
    if (!white) {
        const uint32_t ca = static_cast<uint32_t>(ClampChannel(color.a));
        k[0] = static_cast<uint32_t>(ClampChannel(color.r)) * ca / 255;
        k[1] = static_cast<uint32_t>(ClampChannel(color.g)) * ca / 255;
        k[2] = static_cast<uint32_t>(ClampChannel(color.b)) * ca / 255;
    }
    uint32_t* dest = GetBits();
    std::vector<uint32_t> scratch(src->HasBits() ? 0 : static_cast<size_t>(s.width));
    for (int row = 0; row < s.height; ++row) {
        const uint32_t* sp = src->SourceRow(s.x, s.y + row, s.width, scratch.data());
        uint32_t* dp = dest + static_cast<size_t>(dy + row) * width + dx;
        for (int i = 0; i < s.width; ++i) {
            const uint32_t sv = sp[i], dv = dp[i], sa = sv >> 24;
            if (srcAlpha && sa == 0) continue;  // adds nothing
            uint32_t out = dv & 0xFF000000u;
            for (int c = 0; c < 3; ++c) {
                const int sh = 16 - 8 * c;
                uint32_t add = (sv >> sh) & 0xFF;
                if (!white) add = add * k[c] >> 8;
                if (srcAlpha) add = add * sa >> 8;
                out |= Sat(((dv >> sh) & 0xFF) + add) << sh;
            }
            dp[i] = out;
        }
    }
    BitsChanged();
}

void MemoryImage::BlitF(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                        const Color& color, int drawMode) {
    BlitRotated(source, x, y, srcRect, clipRect, color, drawMode, 0.0, 0.0f, 0.0f);
}

void MemoryImage::BlitRotated(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect,
                              const Color& color, int drawMode, double angle, float centreX, float centreY) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (!src || (drawMode != DrawModeNormal && drawMode != DrawModeAdditive)) return;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(angle) || !std::isfinite(centreX) ||
        !std::isfinite(centreY))
        return;
    const double c = std::cos(angle), s = std::sin(angle);
    const double cx = centreX, cy = centreY;
    double l = 10000000, t = 10000000, r = -10000000, b = -10000000;
    for (int i = 0; i < 4; ++i) {
        const double px = ((i & 1) ? srcRect.width : 0) - cx, py = ((i & 2) ? srcRect.height : 0) - cy;
        const double X = px * c + py * s + cx + x, Y = py * c - px * s + cy + y;
        l = std::min(l, X);
        r = std::max(r, X);
        t = std::min(t, Y);
        b = std::max(b, Y);
    }
    const Rect clip = clipRect.Intersection(Rect(0, 0, width, height));
    const FRect box = FRect(l, t, r - l, b - t).Intersection(FRect(clip.x, clip.y, clip.width, clip.height));
    if (box.width <= 0 || box.height <= 0) return;

    // The source pixels the sampling may read.
    const Rect usable = srcRect.Intersection(Rect(0, 0, src->width, src->height));
    if (usable.width <= 0 || usable.height <= 0) return;
    const bool white = IsWhite(color);
    const bool tinted = drawMode == DrawModeNormal && !white;
    uint32_t k[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const int ch = i == 0 ? color.r : i == 1 ? color.g : color.b;
        k[i] = static_cast<uint32_t>(ClampChannel(ch)) * static_cast<uint32_t>(ClampChannel(color.a)) / 255;
    }
    const blend::Tint tint(color);
    const uint32_t* sp = src->GetBits();
    const int sw = src->width;
    uint32_t* dest = GetBits();

    // A white or additive sample needs its whole 2x2 neighbourhood in the
    // source; a tinted one reads missing neighbours as transparent.
    const long long ux0 = usable.x, uy0 = usable.y;
    const long long ux1 = static_cast<long long>(usable.x) + usable.width - (tinted ? 0 : 1);
    const long long uy1 = static_cast<long long>(usable.y) + usable.height - (tinted ? 0 : 1);
    const auto texel = [&](long long u, long long v) -> uint32_t {
        if (u < usable.x || v < usable.y || u >= static_cast<long long>(usable.x) + usable.width ||
            v >= static_cast<long long>(usable.y) + usable.height)
            return 0;
        return sp[static_cast<size_t>(v) * sw + static_cast<size_t>(u)];
    };

    const int X0 = static_cast<int>(std::floor(box.x)), X1 = static_cast<int>(std::ceil(box.x + box.width));
    const int Y0 = static_cast<int>(std::floor(box.y)), Y1 = static_cast<int>(std::ceil(box.y + box.height));
    // Pixel centres map to texel centres; rounding to the nearest 1/65536
    // keeps exact turns exact.
    const auto toFixed = [](double v) { return static_cast<long long>(std::llround(v * 65536.0)); };
    const long long stepU = toFixed(c), stepV = toFixed(s);
    for (int Y = std::max(Y0, clip.y); Y < std::min(Y1, clip.y + clip.height); ++Y) {
        const int Xs = std::max(X0, clip.x), Xe = std::min(X1, clip.x + clip.width);
        if (Xs >= Xe) continue;
        const double dX = Xs + 0.5 - x - cx, dY = Y + 0.5 - y - cy;
        long long u = toFixed(srcRect.x + cx + dX * c - dY * s - 0.5);
        long long v = toFixed(srcRect.y + cy + dX * s + dY * c - 0.5);
        uint32_t* dp = dest + static_cast<size_t>(Y) * width;
        for (int X = Xs; X < Xe; ++X, u += stepU, v += stepV) {
            const long long iu = u >> 16, iv = v >> 16;
            if (iu < ux0 || iu >= ux1 || iv < uy0 || iv >= uy1) continue;
            if (tinted) {
                const uint32_t fx = static_cast<uint32_t>(u & 0xFFFF), fy = static_cast<uint32_t>(v & 0xFFFF);
                uint32_t sample;
                if (fx == 0 && fy == 0)
                    sample = texel(iu, iv);
                else
                    sample = blend::Bilinear(texel(iu, iv), texel(iu + 1, iv), texel(iu, iv + 1),
                                             texel(iu + 1, iv + 1), fx, fy);
                dp[X] = blend::Colored(dp[X], sample, tint);
                continue;
            }
            const uint32_t* q = sp + static_cast<size_t>(iv) * sw + static_cast<size_t>(iu);
            const uint32_t p00 = q[0], p10 = q[1], p01 = q[sw], p11 = q[sw + 1];
            const uint32_t fx = (static_cast<uint32_t>(u) & 0xFFFE) + 1, fy = (static_cast<uint32_t>(v) & 0xFFFE) + 1;
            const uint32_t w00 = (((0x10000 - fx) * (0x10000 - fy)) >> 16) * (p00 >> 24) >> 16;
            const uint32_t w10 = (((0x10000 - fy) * fx) >> 16) * (p10 >> 24) >> 16;
            const uint32_t w01 = (((0x10000 - fx) * fy) >> 16) * (p01 >> 24) >> 16;
            const uint32_t w11 = ((fx * fy) >> 16) * (p11 >> 24) >> 16;
            const uint32_t A = w00 + w10 + w01 + w11;
            if (A == 0) continue;
            uint32_t S[3];
            for (int i = 0; i < 3; ++i) {
                const int sh = 16 - 8 * i;
                S[i] = ((p00 >> sh) & 0xFF) * w00 + ((p10 >> sh) & 0xFF) * w10 + ((p01 >> sh) & 0xFF) * w01 +
                       ((p11 >> sh) & 0xFF) * w11;
            }
            const uint32_t d = dp[X];
            if (drawMode == DrawModeAdditive) {
                uint32_t out = d & 0xFF000000u;
                for (int i = 0; i < 3; ++i) {
                    const int sh = 16 - 8 * i;
                    const uint32_t add = white ? S[i] >> 8 : ((S[i] >> 8) * k[i]) >> 8;
                    out |= Sat(((d >> sh) & 0xFF) + add) << sh;
                }
                dp[X] = out;
            } else if (A >= 251) {
                dp[X] = 0xFF000000u | (Sat(S[0] >> 8) << 16) | (Sat(S[1] >> 8) << 8) | Sat(S[2] >> 8);
            } else {
                const uint32_t da = d >> 24, inv = 256 - A;
                const uint32_t n = 256 - (((256 - da) * inv) >> 8);
                uint32_t out = (n - 1) << 24;
                for (int i = 0; i < 3; ++i) {
                    const int sh = 16 - 8 * i;
                    out |= Sat(((((d >> sh) & 0xFF) * da >> 8) * inv + S[i]) / n) << sh;
                }
                dp[X] = out;
            }
        }
    }
    BitsChanged();
}

bool MemoryImage::ClipStretch(const Rect& D, const Rect& srcRect, const Rect& clipRect, bool mirrored, Rect& C,
                              FRect& srcOut) {
    if (D.width <= 0 || D.height <= 0) return false;
    C = D.Intersection(clipRect);
    if (C.width <= 0 || C.height <= 0) return false;
    const double kx = static_cast<double>(srcRect.width) / D.width;
    const double ky = static_cast<double>(srcRect.height) / D.height;
    const double sx = mirrored ? srcRect.x + ((static_cast<double>(D.x) + D.width) - (static_cast<double>(C.x) + C.width)) * kx
                               : srcRect.x + (static_cast<double>(C.x) - D.x) * kx;
    srcOut = FRect(sx, srcRect.y + (static_cast<double>(C.y) - D.y) * ky,
                   srcRect.width + (static_cast<double>(C.width) - D.width) * kx,
                   srcRect.height + (static_cast<double>(C.height) - D.height) * ky);
    return srcOut.width > 0 && srcOut.height > 0;
}

void MemoryImage::StretchBlit(Image* source, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                              const Color& color, int, bool fastStretch) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (!src) return;
    Rect dest;
    FRect s;
    if (!ClipStretch(destRect, srcRect, clipRect.Intersection(Rect(0, 0, width, height)), false, dest, s)) return;
    if (fastStretch)
        FastStretch(src, dest, s, color);
    else
        SlowStretch(src, dest, s);
}

void MemoryImage::FastStretch(MemoryImage* src, const Rect& dest, const FRect& s, const Color& color) {
    // Samples never leave the source rect nor the source.
    const long long cx0 = std::max(0.0, std::floor(s.x)), cy0 = std::max(0.0, std::floor(s.y));
    const long long cx1 = std::min<double>(src->width, std::ceil(s.x + s.width)) - 1;
    const long long cy1 = std::min<double>(src->height, std::ceil(s.y + s.height)) - 1;
    if (cx1 < cx0 || cy1 < cy0) return;
    const double stepX = s.width / dest.width, stepY = s.height / dest.height;
    const bool white = IsWhite(color);
    const blend::Tint tint(color);
    const uint32_t* sp = src->GetBits();
    uint32_t* dp = GetBits();
    std::vector<long long> cols(static_cast<size_t>(dest.width));
    for (int i = 0; i < dest.width; ++i)
        cols[i] = std::clamp<long long>(static_cast<long long>(s.x + i * stepX), cx0, cx1);
    for (int j = 0; j < dest.height; ++j) {
        const long long sy = std::clamp<long long>(static_cast<long long>(s.y + j * stepY), cy0, cy1);
        const uint32_t* srow = sp + static_cast<size_t>(sy) * src->width;
        uint32_t* drow = dp + static_cast<size_t>(dest.y + j) * width + dest.x;
        for (int i = 0; i < dest.width; ++i) {
            const uint32_t v = srow[cols[i]];
            drow[i] = white ? blend::Normal(drow[i], v, v >> 24) : blend::Colored(drow[i], v, tint);
        }
    }
    BitsChanged();
}

namespace {

// One axis of the filtered stretch: for each destination cell, the source
// cells it reads and their weights, which add up to `one` for a cell that
// lies wholly over the source.
struct Tap {
    int first = 0;  // index into the widened source range
    std::vector<int> weights;
};

std::vector<Tap> AxisTaps(double start, double size, int lo, int hi, int cells, int one) {
    std::vector<Tap> taps(static_cast<size_t>(cells));
    const int count = hi - lo;
    const double k = size / cells;  // source pixels per destination cell
    if (k < 1.0) {
        // Enlarging: between the two nearest source pixels.
        for (int i = 0; i < cells; ++i) {
            const double p = start + (i + 0.5) * k - 0.5 - lo;
            const double fl = std::floor(p);
            int j = static_cast<int>(std::clamp(fl, -1.0, static_cast<double>(count)));
            const int w = static_cast<int>((p - fl) * one);
            int w0 = one - w, w1 = w;
            if (j < 0) { j = 0; w0 = one; w1 = 0; }
            if (j >= count - 1) { j = count - 1; w0 = one; w1 = 0; }
            taps[i].first = j;
            taps[i].weights = {w0, w1};
        }
    } else {
        // Shrinking or equal: each source pixel over the cells it covers,
        // by coverage, the weights cut from one cumulative rounding.
        for (int i = 0; i < cells; ++i) {
            const double a = start + i * k, b = start + (i + 1) * k;  // source span of cell i
            const int j0 = std::max(lo, static_cast<int>(std::floor(a)));
            const int j1 = std::min(hi, static_cast<int>(std::ceil(b)));
            taps[i].first = j0 - lo;
            int prev = 0;
            for (int j = j0; j < j1; ++j) {
                const double covEnd = std::min<double>(j + 1, b) - a;
                const int cum = static_cast<int>(std::lround(covEnd / k * one));
                const double covStart = std::max<double>(j, a) - a;
                const int begin = j == j0 ? static_cast<int>(std::lround(covStart / k * one)) : prev;
                taps[i].weights.push_back(std::max(0, cum - begin));
                prev = cum;
            }
        }
    }
    return taps;
}

}  // namespace

void MemoryImage::SlowStretch(MemoryImage* src, const Rect& dest, const FRect& s) {
    const int x0 = static_cast<int>(std::max(0.0, std::floor(s.x)));
    const int y0 = static_cast<int>(std::max(0.0, std::floor(s.y)));
    const int x1 = static_cast<int>(std::min<double>(src->width, std::ceil(s.x + s.width)));
    const int y1 = static_cast<int>(std::min<double>(src->height, std::ceil(s.y + s.height)));
    if (x1 - x0 < 1 || y1 - y0 < 1) return;
    const std::vector<Tap> hTaps = AxisTaps(s.x, s.width, x0, x1, dest.width, 257);
    const std::vector<Tap> vTaps = AxisTaps(s.y, s.height, y0, y1, dest.height, 256);
    const int srcRows = y1 - y0;
    const uint32_t* sp = src->GetBits();

    // Horizontal pass: each used source row to destination columns, four
    // channels (A, R, G, B) each.
    std::vector<uint32_t> h(static_cast<size_t>(srcRows) * dest.width * 4, 0);
    for (int r = 0; r < srcRows; ++r) {
        const uint32_t* row = sp + static_cast<size_t>(y0 + r) * src->width + x0;
        uint32_t* out = h.data() + static_cast<size_t>(r) * dest.width * 4;
        for (int i = 0; i < dest.width; ++i) {
            const Tap& t = hTaps[i];
            uint32_t acc[4] = {0, 0, 0, 0};
            for (size_t n = 0; n < t.weights.size(); ++n) {
                const int col = t.first + static_cast<int>(n);
                if (col < 0 || col >= x1 - x0) continue;
                const uint32_t v = row[col], w = static_cast<uint32_t>(t.weights[n]);
                for (int c = 0; c < 4; ++c) acc[c] += ((v >> (24 - 8 * c)) & 0xFF) * w;
            }
            std::memcpy(out + i * 4, acc, sizeof(acc));
        }
    }
    // Vertical pass and the blend.
    uint32_t* dp = GetBits();
    for (int j = 0; j < dest.height; ++j) {
        const Tap& t = vTaps[j];
        uint32_t* drow = dp + static_cast<size_t>(dest.y + j) * width + dest.x;
        for (int i = 0; i < dest.width; ++i) {
            uint32_t acc[4] = {0, 0, 0, 0};
            for (size_t n = 0; n < t.weights.size(); ++n) {
                const int r = t.first + static_cast<int>(n);
                if (r < 0 || r >= srcRows) continue;
                const uint32_t* cell = h.data() + (static_cast<size_t>(r) * dest.width + i) * 4;
                for (int c = 0; c < 4; ++c) acc[c] += cell[c] * static_cast<uint32_t>(t.weights[n]);
            }
            const uint32_t a = std::min<uint32_t>(acc[0] >> 16, 255);
            if (!a) continue;
            const uint32_t v = (a << 24) | (std::min<uint32_t>(acc[1] >> 16, 255) << 16) |
                               (std::min<uint32_t>(acc[2] >> 16, 255) << 8) | std::min<uint32_t>(acc[3] >> 16, 255);
            drow[i] = blend::Normal(drow[i], v, a);
        }
    }
    BitsChanged();
}

void MemoryImage::BlitMatrix(Image* source, float x, float y, const Matrix3& matrix, const Rect& clipRect,
                             const Color& color, int drawMode, const Rect& srcRect, bool blend) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (!src || src->width <= 0 || src->height <= 0 || width <= 0 || height <= 0) return;
    const float w = static_cast<float>(srcRect.width), h = static_cast<float>(srcRect.height);
    const float u0 = srcRect.x / static_cast<float>(src->width), u1 = (srcRect.x + w) / src->width;
    const float v0 = srcRect.y / static_cast<float>(src->height), v1 = (srcRect.y + h) / src->height;
    TriVertex strip[4] = {{-w / 2, -h / 2, u0, v0, 0xFFFFFFFF},
                          {w / 2, -h / 2, u1, v0, 0xFFFFFFFF},
                          {-w / 2, h / 2, u0, v1, 0xFFFFFFFF},
                          {w / 2, h / 2, u1, v1, 0xFFFFFFFF}};
    for (TriVertex& vtx : strip) {
        const Vector3 p = matrix * Vector3{vtx.x, vtx.y, 1.0f};
        vtx.x = p.x + x - 0.5f;
        vtx.y = p.y + y - 0.5f;
    }
    const Rect clip = clipRect.Intersection(Rect(0, 0, width, height));
    SWRaster::DrawTriangleStrip(strip, 4, src, &color, drawMode, &clip, reinterpret_cast<uint8_t*>(GetBits()),
                                static_cast<std::ptrdiff_t>(width) * 4, width, height, DestFormat(), blend, false);
    BitsChanged();
}

void MemoryImage::BlitTrianglesTextured(Image* source, const TriVertex (*triangles)[3], int triangleCount,
                                        const Rect& clipRect, const Color& color, int drawMode, float offsetX,
                                        float offsetY, bool blend) {
    if (!triangles || triangleCount <= 0 || width <= 0 || height <= 0) return;
    auto* src = dynamic_cast<MemoryImage*>(source);
    const Rect clip = clipRect.Intersection(Rect(0, 0, width, height));
    uint8_t* dest = reinterpret_cast<uint8_t*>(GetBits());
    for (int t = 0; t < triangleCount; ++t) {
        TriVertex tri[3];
        bool colors = false;
        for (int i = 0; i < 3; ++i) {
            tri[i] = triangles[t][i];
            tri[i].x += offsetX;
            tri[i].y += offsetY;
            colors = colors || tri[i].color != 0;
        }
        SWRaster::DrawTriangleStrip(tri, 3, src, &color, drawMode, &clip, dest,
                                    static_cast<std::ptrdiff_t>(width) * 4, width, height, DestFormat(), blend,
                                    colors);
    }
    BitsChanged();
}

}  // namespace Vant
