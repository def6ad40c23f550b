#include "platform/Surface.h"

#include <algorithm>
#include <cstring>

namespace plat {

namespace {

// Intersection of r with 0,0,w,h.
Rect Clip(const Rect& r, int w, int h) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.w, w), y1 = std::min(r.y + r.h, h);
    return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

}  // namespace

Surface::Surface(int width, int height, const PixelFormat& format, MemoryKind kind)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      bytes_(std::max(format.bpp / 8, 1)),
      format_(format),
      video_(kind == MemoryKind::Video) {
    // Rows on 4-byte boundaries, as a display driver would lay them out.
    pitch_ = (width_ * bytes_ + 3) & ~3;
    pixels_.assign(static_cast<std::size_t>(pitch_) * height_, 0);
}

HResult Surface::Lock(LockInfo* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    if (lost_) return res::DDERR_SURFACELOST;
    if (locked_) return res::DDERR_SURFACEBUSY;
    if (failLockIn_ >= 0 && failLockIn_-- == 0) return failLockResult_;
    locked_ = true;
    out->bits = pixels_.data();
    out->pitch = pitch_;
    out->bpp = format_.bpp;
    out->rMask = format_.rMask;
    out->gMask = format_.gMask;
    out->bMask = format_.bMask;
    return res::DD_OK;
}

HResult Surface::Unlock() {
    if (!locked_) return res::DDERR_NOTLOCKED;
    locked_ = false;
    return res::DD_OK;
}

std::uint32_t Surface::Read(const std::uint8_t* p) const {
    switch (bytes_) {
        case 1: return p[0];
        case 2: { std::uint16_t v; std::memcpy(&v, p, 2); return v; }
        case 3: return p[0] | (p[1] << 8) | (std::uint32_t(p[2]) << 16);
        default: { std::uint32_t v; std::memcpy(&v, p, 4); return v; }
    }
}

void Surface::Write(std::uint8_t* p, std::uint32_t v) const {
    switch (bytes_) {
        case 1: p[0] = std::uint8_t(v); break;
        case 2: { const std::uint16_t s = std::uint16_t(v); std::memcpy(p, &s, 2); break; }
        case 3: p[0] = std::uint8_t(v); p[1] = std::uint8_t(v >> 8); p[2] = std::uint8_t(v >> 16); break;
        default: std::memcpy(p, &v, 4); break;
    }
}

std::uint32_t Surface::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return Read(pixels_.data() + static_cast<std::size_t>(y) * pitch_ + x * bytes_);
}

HResult Surface::Blt(const Rect* dstRect, Surface& src, const Rect* srcRect, unsigned flags) {
    if (lost_ || src.lost_) return res::DDERR_SURFACELOST;
    if (locked_ || src.locked_) return res::DDERR_SURFACEBUSY;
    if (src.format_ != format_) return res::DDERR_INVALIDPIXELFORMAT;
    const Rect s = srcRect ? *srcRect : Rect{0, 0, src.width_, src.height_};
    const Rect d = dstRect ? *dstRect : Rect{0, 0, width_, height_};
    if (s.w <= 0 || s.h <= 0 || s.x < 0 || s.y < 0 || s.x + s.w > src.width_ || s.y + s.h > src.height_)
        return res::DDERR_INVALIDRECT;
    if (d.w <= 0 || d.h <= 0) return res::DDERR_INVALIDRECT;
    const Rect c = Clip(d, width_, height_);
    if (c.w == 0 || c.h == 0) return res::DD_OK;
    if (&src == this && s.x < c.x + c.w && c.x < s.x + s.w && s.y < c.y + c.h && c.y < s.y + s.h)
        return res::DDERR_INVALIDRECT;  // overlapping copy within one surface
    const bool keyed = (flags & kBltKeySrc) && src.hasKey_;
    const bool same = s.w == d.w && s.h == d.h;
    for (int y = c.y; y < c.y + c.h; ++y) {
        // 64-bit products: a large stretch must not overflow.
        const int sy = s.y + static_cast<int>(static_cast<std::int64_t>(y - d.y) * s.h / d.h);
        std::uint8_t* drow = pixels_.data() + static_cast<std::size_t>(y) * pitch_;
        const std::uint8_t* srow = src.pixels_.data() + static_cast<std::size_t>(sy) * src.pitch_;
        if (same && !keyed) {
            std::memcpy(drow + c.x * bytes_, srow + (s.x + c.x - d.x) * bytes_, static_cast<std::size_t>(c.w) * bytes_);
            continue;
        }
        for (int x = c.x; x < c.x + c.w; ++x) {
            const int sx = s.x + static_cast<int>(static_cast<std::int64_t>(x - d.x) * s.w / d.w);
            const std::uint32_t v = src.Read(srow + sx * bytes_);
            if (keyed && v >= src.keyLo_ && v <= src.keyHi_) continue;
            Write(drow + x * bytes_, v);
        }
    }
    return res::DD_OK;
}

HResult Surface::Fill(const Rect* dstRect, std::uint32_t pixel) {
    if (lost_) return res::DDERR_SURFACELOST;
    if (locked_) return res::DDERR_SURFACEBUSY;
    const Rect c = Clip(dstRect ? *dstRect : Rect{0, 0, width_, height_}, width_, height_);
    for (int y = c.y; y < c.y + c.h; ++y) {
        std::uint8_t* row = pixels_.data() + static_cast<std::size_t>(y) * pitch_;
        for (int x = c.x; x < c.x + c.w; ++x) Write(row + x * bytes_, pixel);
    }
    return res::DD_OK;
}

HResult Surface::SetColorKey(std::uint32_t lo, std::uint32_t hi) {
    if (hi < lo) return res::DDERR_INVALIDPARAMS;
    hasKey_ = true;
    keyLo_ = lo;
    keyHi_ = hi;
    return res::DD_OK;
}

HResult Surface::ClearColorKey() {
    hasKey_ = false;
    return res::DD_OK;
}

HResult Surface::GetDesc(SurfaceDesc* out) const {
    if (!out) return res::DDERR_INVALIDPARAMS;
    out->width = width_;
    out->height = height_;
    out->pitch = pitch_;
    out->format = format_;
    out->videoMemory = video_;
    out->primary = primary_;
    out->backBuffer = backBuffer_;
    out->hasColorKey = hasKey_;
    out->keyLo = keyLo_;
    out->keyHi = keyHi_;
    return res::DD_OK;
}

HResult Surface::Restore() {
    if (lost_) {
        lost_ = false;
        locked_ = false;
        std::fill(pixels_.begin(), pixels_.end(), 0);
    }
    return res::DD_OK;
}

void Surface::MarkChanged(const Rect& r) {
    const Rect c = Clip(r, width_, height_);
    if (c.w == 0 || c.h == 0) return;
    std::lock_guard<std::mutex> lock(changedMutex_);
    if (!hasChanged_) {
        changed_ = c;
        hasChanged_ = true;
        return;
    }
    const int x0 = std::min(changed_.x, c.x), y0 = std::min(changed_.y, c.y);
    const int x1 = std::max(changed_.x + changed_.w, c.x + c.w), y1 = std::max(changed_.y + changed_.h, c.y + c.h);
    changed_ = {x0, y0, x1 - x0, y1 - y0};
}

bool Surface::TakeChanged(Rect* out) {
    std::lock_guard<std::mutex> lock(changedMutex_);
    if (!hasChanged_) return false;
    if (out) *out = changed_;
    hasChanged_ = false;
    return true;
}

}  // namespace plat
