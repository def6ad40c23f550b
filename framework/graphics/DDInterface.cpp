#include "framework/graphics/DDInterface.h"

#include <algorithm>
#include <bit>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DirectXErrors.h"
#include "framework/graphics/Graphics.h"
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

DDInterface::DDInterface(plat::DisplayDevice& device, GraphicsApp* app)
    : device_(device), app_(app ? app : GetGraphicsApp()) {}

DDInterface::~DDInterface() {
    Cleanup();
    // Images that outlive the display keep their pixels in memory.
    for (DDImage* image : Images()) {
        image->DeleteDDSurface();
        image->ddInterface = nullptr;
    }
}

void DDInterface::Cleanup() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    initialised_ = false;
    d3d.Cleanup();
    cursorAreaSaved_ = false;
    oldCursorImage_.reset();
    newCursorImage_.reset();
    screenImage_.reset();
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
    if (RunD3DTestIfWanted(window) && tester->resultIsNew && test3D.onNewResult) test3D.onNewResult();

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

    cursorAreaSaved_ = false;
    for (auto [area, image] : {std::pair{&oldCursorArea_, &oldCursorImage_}, std::pair{&newCursorArea_, &newCursorImage_}}) {
        *image = std::make_unique<DDImage>(this);
        (*image)->SetSurface(*area);
        (*image)->SetImageMode(false, false);
    }

    const plat::PixelFormat& f = primary_->Format();
    bpp = f.bpp;
    DerivePixelFormat(*this, f.rMask, f.gMask, f.bMask);
    redAdd_ = BuildAdditiveTable(redBits);
    greenAdd_ = BuildAdditiveTable(greenBits);
    blueAdd_ = BuildAdditiveTable(blueBits);
    redTable_ = BuildChannelTable(redMask);
    greenTable_ = BuildChannelTable(greenMask);
    blueTable_ = BuildChannelTable(blueMask);
    SetVideoMemoryDraw(videoMemoryDraw_);

    if (is3D_ && !Start3D()) {
        display_error.stream() << errorText_ << " (" << static_cast<int>(RESULT_3D_FAIL) << ")" << std::endl;
        return RESULT_3D_FAIL;
    }

    ++initCount_;
    initialised_ = true;
    return RESULT_OK;
}

}  // namespace Vant

namespace Vant {

void DDInterface::AddDDImage(DDImage* image) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    images_.insert(image);
}

void DDInterface::RemoveDDImage(DDImage* image) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    images_.erase(image);
}

std::set<DDImage*> DDInterface::Images() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return images_;
}

NativeFormat DDInterface::Format() const {
    return NativeFormat{redMask, greenMask, blueMask, redBits, greenBits, blueBits, redShift, greenShift, blueShift};
}

void DDInterface::SetVideoMemoryDraw(bool on) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    videoMemoryDraw_ = on;
    // Windowed, the back buffer is made only once drawing goes there.
    if (on && !backBuffer_ && plat::Failed(CreateSurface(width_, height_, plat::MemoryKind::Video, &backBuffer_)))
        videoMemoryDraw_ = false;
    screenImage_.reset();
    screenImage_ = std::make_unique<DDImage>(this);
    screenImage_->SetSurface(videoMemoryDraw_ ? backBuffer_ : drawSurface_);
    screenImage_->surfaceInVideoMemory = videoMemoryDraw_;
    screenImage_->wantVideoMemory = videoMemoryDraw_;
    screenImage_->SetImageMode(false, false);
}

bool DDInterface::Redraw(const Rect* rect) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!initialised_) return false;
    inRedraw_ = true;
    Finish3DFrame();
    const plat::Rect src = rect ? plat::Rect{rect->x, rect->y, rect->width, rect->height}
                                : plat::Rect{0, 0, width_, height_};
    // The primary is the client area itself: no screen offset.
    const plat::Rect dst = src;
    const bool vsync = config.waitForVSync && !config.noVSyncWait;
    if (vsyncSet_ != static_cast<int>(vsync)) {
        device_.SetVSync(vsync);
        vsyncSet_ = vsync;
    }
    bool failed = false;
    if (!windowed_) {
        if (!config.showingDesktopSurface && config.pageFlip) {
            if (!videoMemoryDraw_) backBuffer_->Blt(&dst, *drawSurface_, &src, 0);
            cursorX_ = mouseX_.load();
            cursorY_ = mouseY_.load();
            DrawCursor(backBuffer_.get(), true);
            failed = CheckDXError(device_.Flip(), "Redraw FullScreen Flip");
        } else {
            plat::HResult r = primary_->Blt(&dst, *drawSurface_, &src, 0);
            if (!plat::Failed(r)) r = device_.Present(&dst);
            failed = CheckDXError(r, "Redraw FullScreen Blt");
        }
    } else if (!videoMemoryDraw_) {
        cursorX_ = mouseX_.load();
        cursorY_ = mouseY_.load();
        DrawCursor(drawSurface_.get(), false);
        if (vsync && vsyncFailures_ < 3) {
            // The beam position is never known here, so the split present
            // is never taken; each try counts as a failure.
            int line = 0;
            if (plat::Failed(device_.GetScanLine(&line))) ++vsyncFailures_;
        }
        plat::HResult r = primary_->Blt(&dst, *drawSurface_, &src, 0);
        if (!plat::Failed(r)) r = device_.Present(&dst);
        if (cursorAreaSaved_) {
            // The draw surface gets its background back; the primary shows
            // the cursor over the same saved background.
            RestoreCursorArea(drawSurface_.get(), false);
            cursorAreaSaved_ = true;
        }
        failed = CheckDXError(r, "Redraw Windowed");
    } else {
        cursorX_ = mouseX_.load();
        cursorY_ = mouseY_.load();
        DrawCursor(backBuffer_.get(), true);
        plat::HResult r = primary_->Blt(&dst, *backBuffer_, &src, 0);
        if (!plat::Failed(r)) r = device_.Present(&dst);
        failed = CheckDXError(r, "Redraw Windowed");
    }
    inRedraw_ = false;
    return !failed;
}

bool DDInterface::SetCursorImage(Image* image) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (image == cursorImage_) return false;
    cursorImage_ = image;
    return true;
}

Rect DDInterface::CursorCell(int x, int y) const {
    return Rect(x - cursorWidth / 2, y - cursorHeight / 2, cursorWidth, cursorHeight)
        .Intersection(Rect(0, 0, width_, height_));
}

bool DDInterface::SaveCell(plat::Surface* surface, plat::Surface* area, int x, int y) {
    const Rect c = CursorCell(x, y);
    if (c.width <= 0 || c.height <= 0) return false;
    const int ox = x - cursorWidth / 2, oy = y - cursorHeight / 2;
    plat::Rect from{c.x, c.y, c.width, c.height};
    plat::Rect to{c.x - ox, c.y - oy, c.width, c.height};
    if (!plat::Failed(area->Blt(&to, *surface, &from, 0))) return true;
    // The surface may be smaller than the picture: once more within its own size.
    plat::SurfaceDesc desc;
    surface->GetDesc(&desc);
    const Rect own = c.Intersection(Rect(0, 0, desc.width, desc.height));
    if (own.width <= 0 || own.height <= 0) return false;
    from = {own.x, own.y, own.width, own.height};
    to = {own.x - ox, own.y - oy, own.width, own.height};
    return !plat::Failed(area->Blt(&to, *surface, &from, 0));
}

void DDInterface::PutCell(plat::Surface* area, plat::Surface* surface, int x, int y, bool toScreen) {
    const Rect c = CursorCell(x, y);
    if (c.width <= 0 || c.height <= 0) return;
    const int ox = x - cursorWidth / 2, oy = y - cursorHeight / 2;
    const plat::Rect from{c.x - ox, c.y - oy, c.width, c.height};
    const plat::Rect to{c.x, c.y, c.width, c.height};
    surface->Blt(&to, *area, &from, 0);
    if (toScreen && surface == primary_.get()) surface->MarkChanged(to);
}

void DDInterface::DrawCursor(plat::Surface* surface, bool toScreen) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!cursorImage_ || !primary_ || !surface || !oldCursorArea_) {
        cursorAreaSaved_ = false;
        return;
    }
    cursorAreaSaved_ = SaveCell(surface, oldCursorArea_.get(), cursorX_, cursorY_);
    if (!cursorAreaSaved_) return;
    const int ix = (cursorWidth - cursorImage_->width) / 2, iy = (cursorHeight - cursorImage_->height) / 2;
    if (surface == drawSurface_.get() && !is3D_ && screenImage_ && !videoMemoryDraw_) {
        PaintCursor(screenImage_.get(), cursorX_ - cursorWidth / 2 + ix, cursorY_ - cursorHeight / 2 + iy);
        return;
    }
    newCursorArea_->Blt(nullptr, *oldCursorArea_, nullptr, 0);
    PaintCursor(newCursorImage_.get(), ix, iy);
    PutCell(newCursorArea_.get(), surface, cursorX_, cursorY_, toScreen);
}

void DDInterface::MoveCursor(plat::Surface* surface, bool toScreen, int x, int y) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!cursorImage_ || !primary_ || !surface || !oldCursorArea_) {
        cursorAreaSaved_ = false;
        return;
    }
    const int ix = (cursorWidth - cursorImage_->width) / 2, iy = (cursorHeight - cursorImage_->height) / 2;
    // 1. What lies under the new cell.
    const bool newSaved = SaveCell(surface, newCursorArea_.get(), x, y);
    // 2. Where the cells overlap, the old area holds the true background
    //    and the new area caught the old cursor: swap that in, and put the
    //    cursor into the old area so restoring it keeps the cursor shown.
    const int dx = x - cursorX_, dy = y - cursorY_;
    const Rect overlap = Rect(-dx, -dy, cursorWidth, cursorHeight).Intersection(Rect(0, 0, cursorWidth, cursorHeight));
    if (overlap.width > 0 && overlap.height > 0 && cursorAreaSaved_ && newSaved) {
        const plat::Rect to{overlap.x, overlap.y, overlap.width, overlap.height};
        const plat::Rect from{overlap.x + dx, overlap.y + dy, overlap.width, overlap.height};
        newCursorArea_->Blt(&to, *oldCursorArea_, &from, 0);
        PaintCursor(oldCursorImage_.get(), dx + ix, dy + iy);
    }
    // 3. The old cell gets its background back (with the cursor where the
    //    cells overlap).
    if (cursorAreaSaved_) PutCell(oldCursorArea_.get(), surface, cursorX_, cursorY_, toScreen);
    // 4. The new background becomes the saved one.
    oldCursorArea_->Blt(nullptr, *newCursorArea_, nullptr, 0);
    // 5. The cursor over it, onto the new cell.
    if (newSaved) {
        PaintCursor(newCursorImage_.get(), ix, iy);
        PutCell(newCursorArea_.get(), surface, x, y, toScreen);
    }
    cursorX_ = x;
    cursorY_ = y;
    cursorAreaSaved_ = newSaved;
}

void DDInterface::RestoreCursorArea(plat::Surface* surface, bool toScreen) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!cursorAreaSaved_ || !primary_ || !surface) return;
    PutCell(oldCursorArea_.get(), surface, cursorX_, cursorY_, toScreen);
    cursorAreaSaved_ = false;
}

void DDInterface::SetCursorPos(int x, int y) {
    mouseX_ = x;
    mouseY_ = y;
    if (inRedraw_) return;
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!initialised_ || inRedraw_) return;
    if (!cursorAreaSaved_) {
        cursorX_ = x;
        cursorY_ = y;
        DrawCursor(primary_.get(), true);
    } else {
        MoveCursor(primary_.get(), true, x, y);
    }
}

void DDInterface::PaintCursor(DDImage* image, int x, int y) {
    if (!image || !cursorImage_) return;
    Graphics g(image);
    g.DrawImage(cursorImage_, x, y);
}

}  // namespace Vant
