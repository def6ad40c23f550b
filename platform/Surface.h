#pragma once
// Display surfaces: pictures in memory in the display's pixel format, with
// the lock / blit / colour-key operations the framework's display code is
// written against. "Video memory" is only a flag callers can ask about; all
// pixels live in ordinary memory. The primary surface is the window's client
// area; the display service presents it.
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Messages.h"
#include "platform/SurfaceResults.h"
#include "platform/Window.h"

namespace plat {

struct PixelFormat {
    int bpp = 32;
    std::uint32_t rMask = 0, gMask = 0, bMask = 0;
    bool operator==(const PixelFormat&) const = default;
};

inline constexpr PixelFormat kFormat565{16, 0xF800, 0x07E0, 0x001F};
inline constexpr PixelFormat kFormat555{16, 0x7C00, 0x03E0, 0x001F};
inline constexpr PixelFormat kFormat888{32, 0x00FF0000, 0x0000FF00, 0x000000FF};
inline constexpr PixelFormat kFormat24{24, 0x00FF0000, 0x0000FF00, 0x000000FF};
inline constexpr PixelFormat kFormat8{8, 0, 0, 0};

enum class MemoryKind { System, Video };

struct SurfaceDesc {
    int width = 0, height = 0;
    int pitch = 0;  // bytes per row
    PixelFormat format;
    bool videoMemory = false;
    bool primary = false;
    bool backBuffer = false;
    bool hasColorKey = false;
    std::uint32_t keyLo = 0, keyHi = 0;
};

struct LockInfo {
    void* bits = nullptr;
    int pitch = 0;
    int bpp = 0;
    std::uint32_t rMask = 0, gMask = 0, bMask = 0;
};

// Blit flags.
inline constexpr unsigned kBltKeySrc = 1;  // skip source pixels inside the source colour key

class Surface {
public:
    Surface(int width, int height, const PixelFormat& format, MemoryKind kind);

    int Width() const { return width_; }
    int Height() const { return height_; }
    const PixelFormat& Format() const { return format_; }

    // One lock at a time: a second Lock before Unlock is DDERR_SURFACEBUSY.
    HResult Lock(LockInfo* out);
    HResult Unlock();
    bool IsLocked() const { return locked_; }
    // Tests: the lock after callsToSkip good ones returns result, once.
    void FailLock(int callsToSkip, HResult result) {
        failLockIn_ = callsToSkip;
        failLockResult_ = result;
    }

    // Copies srcRect of src (whole surface when null) into dstRect of this
    // surface (whole surface when null), scaling by nearest pixel when the
    // sizes differ. The destination is clipped to this surface; a source
    // rectangle outside its surface, or an empty one, is DDERR_INVALIDRECT.
    // src may be this surface when the rectangles do not overlap.
    HResult Blt(const Rect* dstRect, Surface& src, const Rect* srcRect, unsigned flags);
    // Fills a rectangle (clipped; whole surface when null) with a raw pixel value.
    HResult Fill(const Rect* dstRect, std::uint32_t pixel);

    // Source colour key: pixel values lo..hi inclusive are transparent.
    HResult SetColorKey(std::uint32_t lo, std::uint32_t hi);
    HResult ClearColorKey();
    HResult GetDesc(SurfaceDesc* out) const;

    // A lost surface refuses every pixel operation until restored; what it
    // showed is gone (cleared to 0 on restore).
    void MarkLost() { lost_ = true; }
    HResult IsLost() const { return lost_ ? res::DDERR_SURFACELOST : res::DD_OK; }
    HResult Restore();

    // The rectangle changed since the last TakeChanged, for presenting.
    // Safe from any thread.
    void MarkChanged(const Rect& r);
    bool TakeChanged(Rect* out);

    void SetRole(bool primary, bool backBuffer) { primary_ = primary; backBuffer_ = backBuffer; }

    // Raw pixel access for tests and the presenter; no lock needed.
    std::uint32_t PixelAt(int x, int y) const;
    const std::uint8_t* Data() const { return pixels_.data(); }
    int Pitch() const { return pitch_; }

private:
    std::uint32_t Read(const std::uint8_t* p) const;
    void Write(std::uint8_t* p, std::uint32_t v) const;

    int width_, height_, pitch_, bytes_;
    PixelFormat format_;
    bool video_;
    bool primary_ = false, backBuffer_ = false;
    bool locked_ = false, lost_ = false;
    int failLockIn_ = -1;
    HResult failLockResult_ = 0;
    bool hasKey_ = false;
    std::uint32_t keyLo_ = 0, keyHi_ = 0;
    std::vector<std::uint8_t> pixels_;
    std::mutex changedMutex_;
    bool hasChanged_ = false;
    Rect changed_;
};

// Records the window whose area a surface is clipped to; clipping itself is
// done by Blt against the surface bounds.
class Clipper {
public:
    HResult SetWindow(WindowHandle window) {
        window_ = window;
        return res::DD_OK;
    }
    WindowHandle Window() const { return window_; }

private:
    WindowHandle window_ = 0;
};

}  // namespace plat
