#include "framework/graphics/DDImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "framework/graphics/DDInterface.h"
#include "framework/graphics/LineWalk.h"
#include "orvek/Log.h"

namespace Vant {

namespace {

orvek::LogChannel image_error("graphics.image", 1);

bool IsWhite(const Color& c) { return c == Color::White; }

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Rows and columns of a rect inside 0,0,w,h.
Rect ClipToImage(const Rect& r, int w, int h) { return r.Intersection(Rect(0, 0, w, h)); }

// One pixel of a locked surface.
struct PixelRef {
    std::uint8_t* row;
    int bytes;
    std::uint32_t Get(int x) const {
        if (bytes == 2) {
            std::uint16_t v;
            std::memcpy(&v, row + x * 2, 2);
            return v;
        }
        std::uint32_t v;
        std::memcpy(&v, row + x * 4, 4);
        return v;
    }
    void Set(int x, std::uint32_t v) const {
        if (bytes == 2) {
            const std::uint16_t s = static_cast<std::uint16_t>(v);
            std::memcpy(row + x * 2, &s, 2);
        } else {
            std::memcpy(row + x * 4, &v, 4);
        }
    }
};

PixelRef Row(const plat::LockInfo& l, int y) {
    return {static_cast<std::uint8_t*>(l.bits) + static_cast<std::size_t>(y) * l.pitch, l.bpp / 8};
}

}  // namespace

DDImage::DDImage(DDInterface* dd) : MemoryImage(dd ? dd->App() : GetGraphicsApp()), ddInterface(dd) {
    if (ddInterface) ddInterface->AddDDImage(this);
}

DDImage::~DDImage() {
    if (surface && lockCount > 0) surface->Unlock();
    surface.reset();
    if (ddInterface) ddInterface->RemoveDDImage(this);
}

NativeFormat DDImage::DisplayFormat() const {
    const DDInterface& d = *ddInterface;
    return NativeFormat{d.redMask, d.greenMask, d.blueMask, d.redBits, d.greenBits,
                        d.blueBits, d.redShift, d.greenShift, d.blueShift};
}

bool DDImage::Is3DScreen() const {
    return ddInterface && ddInterface->Is3D() && surface && surface == ddInterface->DrawSurface();
}

bool DDImage::SurfaceUsable() const {
    // Before the display is up (or after it went) a surface of its own is
    // out of reach, while one already held stays usable.
    return surface || (ddInterface && ddInterface->IsInitialised());
}

bool DDImage::IsCursorArea() const {
    return ddInterface && (this == ddInterface->OldCursorImage() || this == ddInterface->NewCursorImage());
}

// ---- memory forms ----

void DDImage::BitsChanged() {
    MemoryImage::BitsChanged();
    // The bits are now the newest copy. A surface lent by the display stays:
    // it is the display's own picture.
    if (surface && !surfaceAdopted) {
        if (lockCount > 0) surface->Unlock();
        lockCount = 0;
        surface.reset();
        colorKeyed = false;
    }
}

void DDImage::CommitBits() {
    if (surface) return;
    MemoryImage::CommitBits();
}

void DDImage::DeleteExtraBuffers() {
    if (surfaceAdopted) return;
    MemoryImage::DeleteExtraBuffers();
    DeleteDDSurface();
}

void DDImage::DeleteNativeData() {
    if (surfaceAdopted) return;
    MemoryImage::DeleteNativeData();
    DeleteDDSurface();
}

void DDImage::Create(int w, int h) {
    bits.reset();
    colorIndices.reset();
    palette.reset();
    width = w;
    height = h;
    BitsChanged();
}

bool DDImage::Palletize() {
    // A surface holds the pixels in the display's format; palette form
    // comes from the bits.
    if (surface && !bits && !GetBits()) return false;
    return MemoryImage::Palletize();
}

void DDImage::ApplyMemoryFlags() {
    if (wantPalletize) Palletize();
    if (purgeBits) PurgeBits();
    if (wantDDSurface) GenerateDDSurface();
}

void DDImage::PurgeBits() {
    if (surfaceAdopted) return;
    purgeBits = true;
    CommitBits();
    if (ddInterface && ddInterface->Is3D()) {
        if (surface) {
            if (!bits) GetBits();
            surface.reset();
            lockCount = 0;
        }
        // Without a 3D layer to hold the pixels the bits stay.
        return;
    }
    if (wantDDSurface && GenerateDDSurface()) {
        bits.reset();
        colorIndices.reset();
        palette.reset();
        return;
    }
    if (!bits && !colorIndices) return;
    GetNativeAlphaData(DisplayFormat());
    bits.reset();
}

uint32_t* DDImage::GetBits() {
    if (bits) return bits.get();
    if (!surface) return MemoryImage::GetBits();
    if (surfaceInVideoMemory || !LockSurface()) return nullptr;
    const size_t n = PixelCount();
    std::unique_ptr<uint32_t[]> out(new uint32_t[n + 1]());
    out[n] = GuardWord;
    const DDInterface& d = *ddInterface;
    const plat::LockInfo& l = surfaceDesc;
    if (l.bpp == 16 || l.bpp == 32) {
        const auto channel = [](std::uint32_t p, int shift, int nbits) {
            return ((p >> shift) << (8 - nbits)) & 0xFF;
        };
        for (int y = 0; y < height && y < surface->Height(); ++y) {
            const PixelRef row = Row(l, y);
            uint32_t* dst = out.get() + static_cast<size_t>(y) * width;
            for (int x = 0; x < width && x < surface->Width(); ++x) {
                const std::uint32_t p = row.Get(x);
                dst[x] = 0xFF000000u | channel(p, d.redShift, d.redBits) << 16 |
                         channel(p, d.greenShift, d.greenBits) << 8 | channel(p, d.blueShift, d.blueBits);
            }
        }
    }
    UnlockSurface();
    bits = std::move(out);
    return bits.get();
}

// ---- surface ----

void DDImage::SetSurface(std::shared_ptr<plat::Surface> s) {
    if (surface && lockCount > 0) surface->Unlock();
    lockCount = 0;
    surface = std::move(s);
    surfaceAdopted = true;
    surfaceInVideoMemory = false;
    if (surface) {
        width = surface->Width();
        height = surface->Height();
    }
}

plat::Surface* DDImage::GetSurface() {
    if (!surface) GenerateDDSurface();
    return surface.get();
}

void DDImage::SetVideoMemory(bool flag) {
    if (flag == wantVideoMemory) return;
    wantVideoMemory = flag;
    GetBits();
    DeleteDDSurface();
}

void DDImage::DeleteDDSurface() {
    if (!surface || surfaceAdopted) return;
    if (!palette && !bits) GetBits();
    if (lockCount > 0) surface->Unlock();
    lockCount = 0;
    surface.reset();
    colorKeyed = false;
}

bool DDImage::GenerateDDSurface() {
    if (surface) return true;
    if (!ddInterface) return false;
    CommitBits();
    if (hasAlpha) return false;
    wantDDSurface = true;
    const uint32_t* src = MemoryImage::GetBits();  // expands a palette
    if (!src) return false;

    std::lock_guard<std::recursive_mutex> guard(ddInterface->Lock());
    std::shared_ptr<plat::Surface> s;
    const plat::MemoryKind kind = wantVideoMemory ? plat::MemoryKind::Video : plat::MemoryKind::System;
    if (plat::Failed(ddInterface->CreateSurface(width, height, kind, &s)) || !s) return false;
    const DDInterface& d = *ddInterface;
    const bool sixteen = s->Format().bpp == 16;
    const auto convert = [&d](std::uint32_t c) {
        return ((c >> (8 - d.blueBits)) << d.blueShift & d.blueMask) |
               ((c >> (16 - d.greenBits)) << d.greenShift & d.greenMask) |
               ((c >> (24 - d.redBits)) << d.redShift & d.redMask);
    };
    const size_t n = PixelCount();
    std::uint32_t key = 0;
    if (hasTrans) {
        size_t first = 0;
        while (first < n && (src[first] >> 24) == 255) ++first;
        if (first < n) key = sixteen ? convert(src[first]) : (src[first] & 0xFFFFFF);
        const auto native = [&](std::uint32_t c) { return sixteen ? convert(c) : (c & 0xFFFFFF); };
        bool clash = false;
        for (size_t i = 0; i < n && !clash; ++i)
            if ((src[i] >> 24) == 255 && native(src[i]) == key) clash = true;
        if (clash) {
            std::vector<bool> used(sixteen ? (1u << 16) : (1u << 24));
            for (size_t i = 0; i < n; ++i)
                if ((src[i] >> 24) != 0) used[native(src[i])] = true;
            const auto freeKey = std::find(used.begin(), used.end(), false);
            if (freeKey == used.end()) {
                // Every colour is shown somewhere: no key can mark the holes,
                // so this picture stays in memory.
                wantDDSurface = false;
                return false;
            }
            key = static_cast<std::uint32_t>(freeKey - used.begin());
        }
    }
    surface = std::move(s);
    surfaceAdopted = false;
    lockCount = 0;
    plat::LockInfo l;
    if (plat::Failed(surface->Lock(&l))) return false;
    for (int y = 0; y < height; ++y) {
        const PixelRef row = Row(l, y);
        const uint32_t* p = src + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x)
            row.Set(x, !hasTrans || (p[x] >> 24) == 255 ? convert(p[x]) : key);
    }
    surface->Unlock();
    colorKeyed = hasTrans;
    if (hasTrans) surface->SetColorKey(key, key);
    return true;
}

bool DDImage::LockSurface() {
    if (Is3DScreen()) return false;
    if (lockCount == 0) {
        surfaceDesc = plat::LockInfo();
        if (!GetSurface()) return false;
        if (plat::Failed(surface->Lock(&surfaceDesc))) return false;
    }
    ++lockCount;
    return true;
}

bool DDImage::UnlockSurface() {
    if (Is3DScreen() || lockCount <= 0) return false;
    if (--lockCount == 0) surface->Unlock();
    return true;
}

void DDImage::DropMemoryForms() {
    // Without a surface the memory forms are the only copy of the picture:
    // it moves to a surface first, or the forms stay.
    if (!surface && !GenerateDDSurface()) return;
    bits.reset();
    nativeAlphaData.reset();
    rlAdditiveData.reset();
    rlAlphaData.reset();
    palette.reset();
    colorIndices.reset();
}

// ---- dispatch ----

bool DDImage::FillPolygon3D(const int* points, int pointCount, const Rect* clipRect, const Color& color,
                            int drawMode, int offsetX, int offsetY, bool flag) {
    if (!Is3DScreen()) return false;
    return Forward3DFillPolygon(points, pointCount, clipRect, color, drawMode, offsetX, offsetY, flag);
}

void DDImage::FillRect(const Rect& rect, const Color& color, int drawMode) {
    if (Is3DScreen()) {
        lastPath = Path::Direct3D;
        Forward3DFillRect(rect, color, drawMode);
        return;
    }
    CommitBits();
    if (!memoryOnly && !hasAlpha && !hasTrans && SurfaceUsable() && !ddInterface->Is3D()) {
        lastPath = Path::SurfaceLoop;
        if (drawMode == DrawModeNormal)
            NormalFillRect(rect, color);
        else if (drawMode == DrawModeAdditive)
            AdditiveFillRect(rect, color);
        DropMemoryForms();
        return;
    }
    lastPath = Path::Memory;
    MemoryImage::FillRect(rect, color, drawMode);
}

void DDImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) {
    if (Is3DScreen()) {
        lastPath = Path::Direct3D;
        Forward3DDrawLine(x1, y1, x2, y2, color, drawMode);
        return;
    }
    if (!memoryOnly && !hasAlpha && !hasTrans && SurfaceUsable() && !ddInterface->Is3D()) {
        const auto trunc = [](double v) { return std::isfinite(v) ? static_cast<int>(std::clamp(v, -1e8, 1e8)) : 0; };
        if (y1 == y2) {
            const int a = trunc(std::min(x1, x2)), b = trunc(std::max(x1, x2));
            FillRect(Rect(a, trunc(y1), b - a + 1, 1), color, drawMode);
            return;
        }
        if (x1 == x2) {
            const int a = trunc(std::min(y1, y2)), b = trunc(std::max(y1, y2));
            FillRect(Rect(trunc(x1), a, 1, b - a + 1), color, drawMode);
            return;
        }
        CommitBits();
        lastPath = Path::SurfaceLoop;
        if (drawMode == DrawModeNormal)
            NormalDrawLine(x1, y1, x2, y2, color);
        else if (drawMode == DrawModeAdditive)
            AdditiveDrawLine(x1, y1, x2, y2, color);
        DropMemoryForms();
        return;
    }
    lastPath = Path::Memory;
    MemoryImage::DrawLine(x1, y1, x2, y2, color, drawMode);
}

void DDImage::Blit(Image* source, int x, int y, const Rect& srcRect, const Color& color, int drawMode) {
    CommitBits();
    if (Is3DScreen()) {
        auto* src = dynamic_cast<DDImage*>(source);
        if (src && src->HasSurface() && !Has3DTransforms() && drawMode == DrawModeNormal && IsWhite(color) &&
            !src->hasAlpha) {
            lastPath = Path::SurfaceBlt;
            SurfaceToSurface(src, x, y, srcRect);
        } else {
            lastPath = Path::Direct3D;
            Forward3DBlit(source, static_cast<float>(x), static_cast<float>(y), srcRect, color, drawMode, false);
        }
        return;
    }
    if (!memoryOnly && !hasAlpha && (!hasTrans || colorKeyed) && SurfaceUsable() &&
        (!ddInterface->Is3D() || IsCursorArea())) {
        lastPath = Path::SurfaceLoop;
        if (drawMode == DrawModeNormal)
            NormalBlt(source, x, y, srcRect, color, false);
        else if (drawMode == DrawModeAdditive)
            AdditiveBlt(source, x, y, srcRect, color, false);
        // Every mode drops the memory copies here, drawn or not.
        DropMemoryForms();
        return;
    }
    lastPath = Path::Memory;
    if (drawMode == DrawModeNormal || drawMode == DrawModeAdditive)
        MemoryImage::Blit(source, x, y, srcRect, color, drawMode);
}

void DDImage::BlitF(Image* source, float x, float y, const Rect& srcRect, const Rect& clipRect, const Color& color,
                    int drawMode) {
    if (Is3DScreen()) {
        lastPath = Path::Direct3D;
        Forward3DBlitF(source, x, y, srcRect, clipRect, color, drawMode);
        return;
    }
    // A fractional position needs the rotated blitter's sampling.
    BlitRotated(source, x, y, srcRect, clipRect, color, drawMode, 0.0, 0.0f, 0.0f);
}

void DDImage::BlitMirror(Image* source, int x, int y, const Rect& srcRect, const Color& color, int drawMode) {
    CommitBits();
    if (Is3DScreen()) {
        lastPath = Path::Direct3D;
        Forward3DBlitMirror(source, static_cast<float>(x), static_cast<float>(y), srcRect, color, drawMode);
        return;
    }
    lastPath = Path::SurfaceLoop;
    if (drawMode == DrawModeNormal)
        NormalBlt(source, x, y, srcRect, color, true);
    else if (drawMode == DrawModeAdditive)
        AdditiveBlt(source, x, y, srcRect, color, true);
    DropMemoryForms();
}

void DDImage::SurfaceToSurface(DDImage* src, int x, int y, const Rect& srcRect) {
    plat::Surface* from = src->GetSurface();
    if (!from || !GetSurface()) return;
    const bool locked = lockCount > 0;
    if (locked) surface->Unlock();
    const plat::Rect d{x, y, srcRect.width, srcRect.height};
    const plat::Rect s{srcRect.x, srcRect.y, srcRect.width, srcRect.height};
    // A refused copy leaves the frame without this picture; nothing to undo.
    surface->Blt(&d, *from, &s, src->hasTrans ? plat::kBltKeySrc : 0);
    if (locked) {
        const plat::HResult r = surface->Lock(&surfaceDesc);
        if (plat::Failed(r)) {
            // The old pixel pointer is gone: no later write may use it, and
            // the memory copies no longer match the surface.
            lockCount = 0;
            surfaceDesc = plat::LockInfo();
            bitsChangedPending = true;
            bits.reset();
            nativeAlphaData.reset();
            rlAlphaData.reset();
            rlAdditiveData.reset();
            image_error.stream() << "relock after surface copy failed: "
                                 << (plat::ResultName(r) ? plat::ResultName(r) : "?") << std::endl;
        }
    }
}

// ---- surface loops ----

void DDImage::NormalFillRect(const Rect& rect, const Color& color) {
    const Rect r = ClipToImage(rect, width, height);
    if (r.width <= 0 || r.height <= 0 || surfaceInVideoMemory || !LockSurface()) return;
    const plat::LockInfo& l = surfaceDesc;
    if (l.bpp == 16 || l.bpp == 32) {
        const std::uint64_t a = static_cast<std::uint64_t>(Clamp255(color.a));
        const std::uint64_t ch[3] = {static_cast<std::uint64_t>(Clamp255(color.r)),
                                     static_cast<std::uint64_t>(Clamp255(color.g)),
                                     static_cast<std::uint64_t>(Clamp255(color.b))};
        const std::uint64_t masks[3] = {l.rMask, l.gMask, l.bMask};
        const std::uint64_t round = l.bpp == 32 ? 127 : 128;
        std::uint64_t solid = 0;
        for (int i = 0; i < 3; ++i) {
            if (a == 255)
                solid += ((ch[i] + 1) * masks[i] >> 8) & masks[i];
            else
                solid += ((((ch[i] * a + round) >> 8) + 1) * masks[i] >> 8) & masks[i];
        }
        for (int y = r.y; y < r.y + r.height; ++y) {
            const PixelRef row = Row(l, y);
            for (int x = r.x; x < r.x + r.width; ++x) {
                if (a == 255) {
                    row.Set(x, static_cast<std::uint32_t>(solid));
                    continue;
                }
                const std::uint64_t d = row.Get(x);
                std::uint64_t out = solid;
                for (int i = 0; i < 3; ++i) {
                    if (l.bpp == 32)
                        out += ((d & masks[i]) * (256 - a) >> 8) & masks[i];
                    else
                        out += (((d & masks[i]) * (256 - a) + masks[i]) >> 8) & masks[i];
                }
                row.Set(x, static_cast<std::uint32_t>(out));
            }
        }
    }
    UnlockSurface();
}

namespace {

// A colour added to surface pixels through the display's saturating channel
// tables, its channels weighed by its alpha once.
struct AddedColour {
    int shifts[3], add[3];
    std::uint32_t masks[3];
    const std::vector<int>* tables[3];
    AddedColour(const DDInterface& d, const Color& color)
        : shifts{d.redShift, d.greenShift, d.blueShift},
          masks{d.redMask, d.greenMask, d.blueMask},
          tables{&d.RedAddTable(), &d.GreenAddTable(), &d.BlueAddTable()} {
        const int nbits[3] = {d.redBits, d.greenBits, d.blueBits};
        const int a = Clamp255(color.a);
        const int ch[3] = {Clamp255(color.r), Clamp255(color.g), Clamp255(color.b)};
        for (int i = 0; i < 3; ++i) add[i] = (ch[i] * a / 255) >> (8 - nbits[i]);
    }
    std::uint32_t To(std::uint32_t p) const {
        std::uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const int f = static_cast<int>((p & masks[i]) >> shifts[i]);
            out |= static_cast<std::uint32_t>((*tables[i])[f + add[i]]) << shifts[i];
        }
        return out;
    }
};

}  // namespace

void DDImage::AdditiveFillRect(const Rect& rect, const Color& color) {
    const Rect r = ClipToImage(rect, width, height);
    if (r.width <= 0 || r.height <= 0 || surfaceInVideoMemory || !LockSurface()) return;
    const plat::LockInfo& l = surfaceDesc;
    if (l.bpp == 16 || l.bpp == 32) {
        const AddedColour added(*ddInterface, color);
        for (int y = r.y; y < r.y + r.height; ++y) {
            const PixelRef row = Row(l, y);
            for (int x = r.x; x < r.x + r.width; ++x) row.Set(x, added.To(row.Get(x)));
        }
    }
    UnlockSurface();
}

namespace {

// The columns i of a w-wide copy from source column sx to destination
// column x (mirrored: written right to left) that land inside both images.
bool ColumnRange(int x, int sx, int w, int srcW, int dstW, bool mirror, int* i0, int* i1) {
    long long lo = std::max<long long>(0, -static_cast<long long>(sx));
    long long hi = std::min<long long>(w, static_cast<long long>(srcW) - sx);
    if (mirror) {
        lo = std::max<long long>(lo, static_cast<long long>(x) + w - dstW);
        hi = std::min<long long>(hi, static_cast<long long>(x) + w);
    } else {
        lo = std::max<long long>(lo, -static_cast<long long>(x));
        hi = std::min<long long>(hi, static_cast<long long>(dstW) - x);
    }
    *i0 = static_cast<int>(lo);
    *i1 = static_cast<int>(hi);
    return lo < hi;
}

}  // namespace

void DDImage::NormalBlt(Image* source, int x, int y, const Rect& srcRect, const Color& color, bool mirror) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (!src || src == this) return;
    src->CommitBits();
    auto* srcDD = dynamic_cast<DDImage*>(src);
    const bool srcHasSurface = srcDD && srcDD->HasSurface();

    int i0 = 0, i1 = 0;
    if (!ColumnRange(x, srcRect.x, srcRect.width, src->width, width, mirror, &i0, &i1)) return;
    const int j0 = std::max({0, -srcRect.y, -y});
    const int j1 = std::min({srcRect.height, src->height - srcRect.y, height - y});
    if (j0 >= j1) return;
    const auto destX = [&](int i) { return mirror ? x + srcRect.width - 1 - i : x + i; };

    const bool white = IsWhite(color);
    // A picture that changes every frame is blended straight from its ARGB
    // words: making native data each time would cost more than it saves.
    if (src->isVolatile && !srcHasSurface && !surfaceInVideoMemory && white) {
        if (!LockSurface()) return;
        const plat::LockInfo& l = surfaceDesc;
        const std::uint64_t masks[3] = {l.rMask, l.gMask, l.bMask};
        const uint32_t* words = (src->palette && src->colorIndices) ? nullptr : src->GetBits();
        for (int j = j0; j < j1; ++j) {
            const PixelRef row = Row(l, y + j);
            const size_t base = static_cast<size_t>(srcRect.y + j) * src->width + srcRect.x;
            for (int i = i0; i < i1; ++i) {
                const std::uint32_t c = words ? words[base + i] : src->palette[src->colorIndices[base + i]];
                const std::uint64_t a = c >> 24;
                if (a == 0) continue;
                const std::uint64_t s8[3] = {(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF};
                const std::uint64_t d = row.Get(destX(i));
                std::uint64_t out = 0;
                for (int k = 0; k < 3; ++k)
                    out |= (((s8[k] * a >> 8) * masks[k] + (masks[k] >> 1) + (d & masks[k]) * (256 - a)) >> 8) &
                           masks[k];
                row.Set(destX(i), static_cast<std::uint32_t>(out));
            }
        }
        UnlockSurface();
        return;
    }

    if (!src->hasAlpha && white) {
        if (srcHasSurface && !(srcDD->wantVideoMemory && !wantVideoMemory) && !mirror) {
            if (!LockSurface()) return;
            SurfaceToSurface(srcDD, x, y, srcRect);
            if (lockCount > 0) UnlockSurface();
            return;
        }
        if (surfaceInVideoMemory || !LockSurface()) return;
        const plat::LockInfo& l = surfaceDesc;
        const std::uint32_t colourBits = l.rMask | l.gMask | l.bMask;
        const uint32_t* native = src->GetNativeAlphaData(DisplayFormat());
        for (int j = j0; j < j1; ++j) {
            const PixelRef row = Row(l, y + j);
            const size_t base = static_cast<size_t>(srcRect.y + j) * src->width + srcRect.x;
            for (int i = i0; i < i1; ++i) {
                const std::uint32_t s = src->palette ? native[src->colorIndices[base + i]] : native[base + i];
                if ((s >> 24) == 0) continue;
                row.Set(destX(i), s & colourBits);
            }
        }
        UnlockSurface();
        return;
    }

    // Alpha path.
    if (surfaceInVideoMemory || !LockSurface()) return;
    const plat::LockInfo& l = surfaceDesc;
    const std::uint64_t masks[3] = {l.rMask, l.gMask, l.bMask};
    const int ca = Clamp255(color.a);
    const std::uint64_t k[3] = {static_cast<std::uint64_t>(Clamp255(color.r) * ca / 255),
                                static_cast<std::uint64_t>(Clamp255(color.g) * ca / 255),
                                static_cast<std::uint64_t>(Clamp255(color.b) * ca / 255)};
    const uint32_t* native = src->GetNativeAlphaData(DisplayFormat());
    for (int j = j0; j < j1; ++j) {
        const PixelRef row = Row(l, y + j);
        const size_t base = static_cast<size_t>(srcRect.y + j) * src->width + srcRect.x;
        for (int i = i0; i < i1; ++i) {
            const std::uint32_t s = src->palette ? native[src->colorIndices[base + i]] : native[base + i];
            const std::uint64_t a = s >> 24;
            if (a == 0) continue;
            std::uint64_t out = 0;
            if (a == 255 && ca == 255) {
                for (int c = 0; c < 3; ++c) out |= (((s & masks[c]) * k[c]) >> 8) & masks[c];
            } else {
                const std::uint64_t a2 = a * static_cast<std::uint64_t>(ca) / 255;
                const std::uint64_t d = row.Get(destX(i));
                for (int c = 0; c < 3; ++c)
                    out |= (((d & masks[c]) * (256 - a2) + (s & masks[c]) * k[c]) >> 8) & masks[c];
            }
            row.Set(destX(i), static_cast<std::uint32_t>(out));
        }
    }
    UnlockSurface();
}

void DDImage::AdditiveBlt(Image* source, int x, int y, const Rect& srcRect, const Color& color, bool mirror) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (!src || src == this) return;
    src->CommitBits();
    int i0 = 0, i1 = 0;
    if (!ColumnRange(x, srcRect.x, srcRect.width, src->width, width, mirror, &i0, &i1)) return;
    const int j0 = std::max({0, -srcRect.y, -y});
    const int j1 = std::min({srcRect.height, src->height - srcRect.y, height - y});
    if (j0 >= j1 || surfaceInVideoMemory || !LockSurface()) return;
    const auto destX = [&](int i) { return mirror ? x + srcRect.width - 1 - i : x + i; };
    const DDInterface& d = *ddInterface;
    const int shifts[3] = {d.redShift, d.greenShift, d.blueShift};
    const std::uint32_t masks[3] = {d.redMask, d.greenMask, d.blueMask};
    const std::vector<int>* tables[3] = {&d.RedAddTable(), &d.GreenAddTable(), &d.BlueAddTable()};
    const bool white = IsWhite(color);
    const int ca = Clamp255(color.a);
    const int k[3] = {Clamp255(color.r) * ca / 255, Clamp255(color.g) * ca / 255, Clamp255(color.b) * ca / 255};
    const uint32_t* native = src->GetNativeAlphaData(DisplayFormat());
    const plat::LockInfo& l = surfaceDesc;
    for (int j = j0; j < j1; ++j) {
        const PixelRef row = Row(l, y + j);
        const size_t base = static_cast<size_t>(srcRect.y + j) * src->width + srcRect.x;
        for (int i = i0; i < i1; ++i) {
            const std::uint32_t s = src->palette ? native[src->colorIndices[base + i]] : native[base + i];
            if ((s & 0xFFFFFF) == 0) continue;  // black adds nothing
            const std::uint32_t p = row.Get(destX(i));
            std::uint32_t out = 0;
            for (int c = 0; c < 3; ++c) {
                int f = static_cast<int>((s & masks[c]) >> shifts[c]);
                if (!white) f = f * k[c] >> 8;
                const int df = static_cast<int>((p & masks[c]) >> shifts[c]);
                out |= static_cast<std::uint32_t>((*tables[c])[df + f]) << shifts[c];
            }
            row.Set(destX(i), out);
        }
    }
    UnlockSurface();
}

void DDImage::NormalDrawLine(double x1, double y1, double x2, double y2, const Color& color) {
    if (surfaceInVideoMemory || !LockSurface()) return;
    const plat::LockInfo& l = surfaceDesc;
    if (l.bpp == 16 || l.bpp == 32) {
        const std::uint64_t masks[3] = {l.rMask, l.gMask, l.bMask};
        const std::uint64_t a = static_cast<std::uint64_t>(Clamp255(color.a));
        const std::uint64_t ch[3] = {static_cast<std::uint64_t>(Clamp255(color.r)),
                                     static_cast<std::uint64_t>(Clamp255(color.g)),
                                     static_cast<std::uint64_t>(Clamp255(color.b))};
        std::uint64_t part = 0;
        for (int i = 0; i < 3; ++i) part += ((((ch[i] * a + 128) >> 8) * masks[i] + (masks[i] >> 1)) >> 8) & masks[i];
        WalkLine(x1, y1, x2, y2, width, height, [&](int px, int py) {
            const PixelRef row = Row(l, py);
            const std::uint64_t d = row.Get(px);
            std::uint64_t out = part;
            for (int i = 0; i < 3; ++i) out += (((d & masks[i]) * (256 - a) + (masks[i] >> 1)) >> 8) & masks[i];
            row.Set(px, static_cast<std::uint32_t>(out));
        });
    }
    UnlockSurface();
}

void DDImage::AdditiveDrawLine(double x1, double y1, double x2, double y2, const Color& color) {
    if (surfaceInVideoMemory || !LockSurface()) return;
    const plat::LockInfo& l = surfaceDesc;
    if (l.bpp == 16 || l.bpp == 32) {
        const AddedColour added(*ddInterface, color);
        WalkLine(x1, y1, x2, y2, width, height, [&](int px, int py) {
            const PixelRef row = Row(l, py);
            row.Set(px, added.To(row.Get(px)));
        });
    }
    UnlockSurface();
}

}  // namespace Vant
