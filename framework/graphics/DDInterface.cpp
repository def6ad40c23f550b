#include "framework/graphics/DDInterface.h"

#include <algorithm>
#include <bit>

#include "framework/graphics/DirectXErrors.h"
#include "orvek/Log.h"

namespace Vant {

namespace {

orvek::LogChannel display_error("graphics.display", 1);

void MaskShape(std::uint32_t mask, int* shift, int* bits) {
    if (mask == 0) {
        *shift = *bits = 0;
        return;
    }
    *shift = std::countr_zero(mask);
    *bits = 32 - std::countl_zero(mask) - *shift;
}

}  // namespace

void DerivePixelFormat(NativeDisplay& d, std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask) {
    d.redMask = redMask;
    d.greenMask = greenMask;
    d.blueMask = blueMask;
    MaskShape(redMask, &d.redShift, &d.redBits);
    MaskShape(greenMask, &d.greenShift, &d.greenBits);
    MaskShape(blueMask, &d.blueShift, &d.blueBits);
}

std::vector<int> BuildAdditiveTable(int bits) {
    const int max = (1 << bits) - 1;
    std::vector<int> t(2 * max + 1);
    for (int i = 0; i <= 2 * max; ++i) t[i] = std::min(i, max);
    return t;
}

std::vector<int> BuildChannelTable(std::uint32_t mask) {
    std::vector<int> t(256);
    for (std::uint32_t a = 0; a < 256; ++a) t[a] = static_cast<int>((mask * a / 255) & mask);
    return t;
}

DDInterface::DDInterface(plat::DisplayDevice& device) : device_(device) {}

DDInterface::~DDInterface() { Cleanup(); }

void DDInterface::Cleanup() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    initialised_ = false;
    oldCursorArea_.reset();
    newCursorArea_.reset();
    drawSurface_.reset();
    backBuffer_.reset();
    primary_.reset();
    if (deviceOpen_) {
        device_.SetCooperativeLevel(window_, false);
        device_.Release();
        deviceOpen_ = false;
    }
}

std::string DDInterface::ResultToString(int code) {
    static const char* const kNames[] = {
        "RESULT_OK", "RESULT_FAIL", "RESULT_DD_CREATE_FAIL", "RESULT_SURFACE_FAIL",
        "RESULT_EXCLUSIVE_FAIL", "RESULT_DISPCHANGE_FAIL", "RESULT_INVALID_COLORDEPTH",
    };
    if (code < 0 || code >= static_cast<int>(std::size(kNames))) return "RESULT_UNKNOWN";
    return kNames[code];
}

bool DDInterface::CheckDXError(plat::HResult result, const std::string& operation) {
    if (!plat::Failed(result)) return false;
    errorText_ = operation + ": " + GetDirectXErrorString(static_cast<std::uint32_t>(result));
    return true;
}

plat::HResult DDInterface::CreateSurface(int width, int height, plat::MemoryKind kind,
                                         std::shared_ptr<plat::Surface>* out) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    out->reset();
    std::shared_ptr<plat::Surface> s;
    if (plat::HResult r = device_.CreateSurface(width, height, kind, &s); plat::Failed(r)) return r;
    if (primary_ && primary_->Format().bpp != 16 && primary_->Format().bpp != 32)
        return plat::res::DDERR_INVALIDPIXELFORMAT;
    *out = std::move(s);
    return plat::res::DD_OK;
}

int DDInterface::Init(plat::WindowHandle window, bool windowed) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    Cleanup();

    if (CheckDXError(device_.Create(), "DirectDrawCreateEx")) return RESULT_DD_CREATE_FAIL;
    deviceOpen_ = true;
    // Spelt as the texts compared elsewhere expect.
    if (CheckDXError(device_.QueryLegacyInterface(), "QueryrInterface IID_IDirectDraw")) return RESULT_DD_CREATE_FAIL;

    width_ = config.width;
    height_ = config.height;
    fullScreenBpp_ = config.colorDepth;
    window_ = window;
    windowed_ = windowed;

    std::shared_ptr<plat::Clipper> clipper;
    if (!windowed) {
        if (CheckDXError(device_.SetCooperativeLevel(window, true), "SetCooperativeLevel FullScreen"))
            return RESULT_EXCLUSIVE_FAIL;
        if (CheckDXError(device_.SetDisplayMode(width_, height_, fullScreenBpp_), "SetDisplayMode FullScreen"))
            return RESULT_DISPCHANGE_FAIL;
        plat::HResult r = device_.CreatePrimary(true, &primary_);
        // The new primary checks its own depth; full screen reports the refusal as a surface failure.
        if (!plat::Failed(r) && primary_->Format().bpp != 16 && primary_->Format().bpp != 32) {
            primary_.reset();
            r = plat::res::DDERR_INVALIDPIXELFORMAT;
        }
        if (CheckDXError(r, "CreateSurface FullScreen Primary")) return RESULT_SURFACE_FAIL;
        if (CheckDXError(device_.GetBackBuffer(&backBuffer_), "GetAttachedSurface")) return RESULT_SURFACE_FAIL;
        if (CheckDXError(CreateSurface(width_, height_, plat::MemoryKind::System, &drawSurface_),
                         "CreateSurface FullScreen DrawSurface"))
            return RESULT_SURFACE_FAIL;
        if (CheckDXError(device_.CreateClipper(&clipper), "CreateClipper FullScreen")) return RESULT_FAIL;
    } else {
        device_.SetCooperativeLevel(window, false);  // cannot matter windowed
        plat::HResult r = device_.CreatePrimary(false, &primary_);
        if (!plat::Failed(r) && primary_->Format().bpp != 16 && primary_->Format().bpp != 32) {
            primary_.reset();
            r = plat::res::DDERR_INVALIDPIXELFORMAT;
        }
        if (r == plat::res::DDERR_INVALIDPIXELFORMAT) {
            CheckDXError(r, "CreateSurface Windowed Primary");
            return RESULT_INVALID_COLORDEPTH;
        }
        if (CheckDXError(r, "CreateSurface Windowed Primary")) return RESULT_SURFACE_FAIL;
        if (CheckDXError(CreateSurface(width_, height_, plat::MemoryKind::System, &drawSurface_),
                         "CreateSurface Windowed DrawSurface"))
            return RESULT_SURFACE_FAIL;
        if (CheckDXError(device_.CreateClipper(&clipper), "CreateClipper Windowed")) return RESULT_FAIL;
    }

    if (!plat::Failed(clipper->SetWindow(window))) device_.SetClipper(clipper);

    int hz = 0;
    const plat::HResult fr = device_.GetMonitorFrequency(&hz);
    refreshFallback_ = false;
    if (plat::Failed(fr) || hz < 60) {
        refreshFallback_ = true;
        hz = 60;
    } else if (hz > 100) {
        refreshFallback_ = true;
        hz = 100;
    }
    refreshRate_ = hz;
    msPerRefresh_ = 1000 / hz;

    if (CheckDXError(CreateSurface(cursorWidth, cursorHeight, plat::MemoryKind::System, &oldCursorArea_),
                     "CreateSurface OldCursorArea"))
        return RESULT_SURFACE_FAIL;
    if (CheckDXError(CreateSurface(cursorWidth, cursorHeight, plat::MemoryKind::System, &newCursorArea_),
                     "CreateSurface NewCursorArea"))
        return RESULT_SURFACE_FAIL;

    const plat::PixelFormat& f = primary_->Format();
    bpp = f.bpp;
    DerivePixelFormat(*this, f.rMask, f.gMask, f.bMask);
    redAdd_ = BuildAdditiveTable(redBits);
    greenAdd_ = BuildAdditiveTable(greenBits);
    blueAdd_ = BuildAdditiveTable(blueBits);
    redTable_ = BuildChannelTable(redMask);
    greenTable_ = BuildChannelTable(greenMask);
    blueTable_ = BuildChannelTable(blueMask);

    if (is3D_) {
        // No 3D device in this build yet; the caller switches 3D off.
        errorText_ = "3D init error: no 3D device";
        display_error.stream() << errorText_ << " (" << static_cast<int>(RESULT_3D_FAIL) << ")" << std::endl;
        return RESULT_3D_FAIL;
    }

    ++initCount_;
    initialised_ = true;
    return RESULT_OK;
}

}  // namespace Vant
