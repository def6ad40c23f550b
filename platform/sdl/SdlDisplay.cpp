#include "platform/sdl/SdlDisplay.h"

#include <SDL.h>

#include "orvek/Log.h"

namespace plat::sdl {

namespace {

orvek::LogChannel display_warning("platform.display", 2);

Uint32 TextureFormat(const PixelFormat& f) {
    if (f == kFormat565) return SDL_PIXELFORMAT_RGB565;
    if (f == kFormat555) return SDL_PIXELFORMAT_RGB555;
    return SDL_PIXELFORMAT_ARGB8888;
}

}  // namespace

SdlDisplay::SdlDisplay(SdlWindowService& windows) : windows_(windows) {
    windows_.SetPumpHook([this] { PresentChanged(); });
}

SdlDisplay::~SdlDisplay() {
    windows_.SetPumpHook(nullptr);
    Release();
}

HResult SdlDisplay::Create() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return res::DDERR_NODIRECTDRAWHW;
    created_ = true;
    return res::DD_OK;
}

HResult SdlDisplay::SetCooperativeLevel(WindowHandle window, bool exclusive) {
    if (!created_) return res::DDERR_NOTINITIALIZED;
    SDL_Window* w = SDL_GetWindowFromID(static_cast<Uint32>(window));
    if (!w) return res::DDERR_NOHWND;
    window_ = window;
    exclusive_ = exclusive;
    if (!exclusive) modeWidth_ = modeHeight_ = modeBpp_ = 0;
    // The desktop's full screen: entering it never changes the desktop mode.
    if (exclusive && !(SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN) &&
        SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return res::DSERR_GENERIC;
    return res::DD_OK;
}

HResult SdlDisplay::SetDisplayMode(int width, int height, int bpp) {
    if (!created_) return res::DDERR_NOTINITIALIZED;
    if (!exclusive_) return res::DDERR_NOEXCLUSIVEMODE;
    if (width <= 0 || height <= 0 || (bpp != 16 && bpp != 32)) return res::DDERR_UNSUPPORTEDMODE;
    modeWidth_ = width;
    modeHeight_ = height;
    modeBpp_ = bpp;
    return res::DD_OK;
}

PixelFormat SdlDisplay::Format() const {
    if (exclusive_ && modeBpp_ == 16) return kFormat565;
    return kFormat888;
}

HResult SdlDisplay::CreatePrimary(bool withBackBuffer, std::shared_ptr<Surface>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    if (!created_) return res::DDERR_NOTINITIALIZED;
    SDL_Window* w = SDL_GetWindowFromID(static_cast<Uint32>(window_));
    if (!w) return res::DDERR_NOHWND;
    int width = modeWidth_, height = modeHeight_;
    if (!exclusive_ || modeBpp_ == 0) SDL_GetWindowSize(w, &width, &height);
    if (width <= 0 || height <= 0) return res::DDERR_INVALIDPARAMS;

    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    if (renderer_) SDL_DestroyRenderer(renderer_);
    renderer_ = SDL_CreateRenderer(w, -1, vsync_ ? SDL_RENDERER_PRESENTVSYNC : 0);
    if (!renderer_) {
        display_warning.stream() << "no renderer: " << SDL_GetError() << std::endl;
        return res::DDERR_NODIRECTDRAWHW;
    }
    // Letterboxed at any window size; pointer events come back in picture
    // coordinates.
    SDL_RenderSetLogicalSize(renderer_, width, height);
    const PixelFormat f = Format();
    texture_ = SDL_CreateTexture(renderer_, TextureFormat(f), SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!texture_) {
        display_warning.stream() << "no texture: " << SDL_GetError() << std::endl;
        return res::DDERR_OUTOFVIDEOMEMORY;
    }
    primary_ = std::make_shared<Surface>(width, height, f, MemoryKind::Video);
    primary_->SetRole(true, false);
    backBuffer_.reset();
    if (withBackBuffer) {
        backBuffer_ = std::make_shared<Surface>(width, height, f, MemoryKind::Video);
        backBuffer_->SetRole(false, true);
    }
    *out = primary_;
    return res::DD_OK;
}

HResult SdlDisplay::GetBackBuffer(std::shared_ptr<Surface>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    if (!backBuffer_) return res::DDERR_NOTFOUND;
    *out = backBuffer_;
    return res::DD_OK;
}

HResult SdlDisplay::CreateSurface(int width, int height, MemoryKind kind, std::shared_ptr<Surface>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    if (!created_) return res::DDERR_NOTINITIALIZED;
    if (width <= 0 || height <= 0) return res::DDERR_INVALIDPARAMS;
    *out = std::make_shared<Surface>(width, height, Format(), kind);
    return res::DD_OK;
}

HResult SdlDisplay::CreateClipper(std::shared_ptr<Clipper>* out) {
    if (!out) return res::DDERR_INVALIDPARAMS;
    *out = std::make_shared<Clipper>();
    return res::DD_OK;
}

HResult SdlDisplay::SetClipper(const std::shared_ptr<Clipper>&) {
    return primary_ ? res::DD_OK : res::DDERR_INVALIDOBJECT;
}

HResult SdlDisplay::GetMonitorFrequency(int* hz) {
    if (!hz) return res::DDERR_INVALIDPARAMS;
    SDL_Window* w = SDL_GetWindowFromID(static_cast<Uint32>(window_));
    const int index = w ? SDL_GetWindowDisplayIndex(w) : 0;
    SDL_DisplayMode mode{};
    *hz = SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &mode) == 0 ? mode.refresh_rate : 0;
    return res::DD_OK;
}

HResult SdlDisplay::Upload(const Rect& r) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.w, primary_->Width()), y1 = std::min(r.y + r.h, primary_->Height());
    if (x1 <= x0 || y1 <= y0) return res::DD_OK;
    const SDL_Rect area{x0, y0, x1 - x0, y1 - y0};
    const int bytes = primary_->Format().bpp / 8;
    const std::uint8_t* first = primary_->Data() + static_cast<std::size_t>(y0) * primary_->Pitch() + x0 * bytes;
    if (SDL_UpdateTexture(texture_, &area, first, primary_->Pitch()) != 0) return res::DSERR_GENERIC;
    return res::DD_OK;
}

HResult SdlDisplay::Show() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) != 0) return res::DSERR_GENERIC;
    SDL_RenderPresent(renderer_);
    return res::DD_OK;
}

HResult SdlDisplay::Present(const Rect* rect) {
    if (!primary_ || !texture_) return res::DDERR_NOTINITIALIZED;
    if (HResult r = primary_->IsLost(); Failed(r)) return r;
    Rect all{0, 0, primary_->Width(), primary_->Height()};
    Rect area = rect ? *rect : all;
    Rect changed;
    if (primary_->TakeChanged(&changed)) {
        // Whatever the cursor changed meanwhile goes up too.
        const int x0 = std::min(area.x, changed.x), y0 = std::min(area.y, changed.y);
        const int x1 = std::max(area.x + area.w, changed.x + changed.w);
        const int y1 = std::max(area.y + area.h, changed.y + changed.h);
        area = {x0, y0, x1 - x0, y1 - y0};
    }
    if (HResult r = Upload(area); Failed(r)) return r;
    return Show();
}

HResult SdlDisplay::Flip() {
    if (!primary_ || !backBuffer_) return res::DDERR_NOFLIPHW;
    if (HResult r = primary_->Blt(nullptr, *backBuffer_, nullptr, 0); Failed(r)) return r;
    return Present(nullptr);
}

void SdlDisplay::PresentChanged() {
    if (!primary_ || !texture_) return;
    Rect changed;
    if (!primary_->TakeChanged(&changed)) return;
    if (Failed(Upload(changed))) return;
    Show();
}

void SdlDisplay::SetVSync(bool on) {
    vsync_ = on;
    if (renderer_) SDL_RenderSetVSync(renderer_, on ? 1 : 0);
}

void SdlDisplay::Release() {
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    // The renderer belongs to a window that may be gone already.
    if (renderer_ && SDL_GetWindowFromID(static_cast<Uint32>(window_))) SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    primary_.reset();
    backBuffer_.reset();
    created_ = false;
    exclusive_ = false;
    modeWidth_ = modeHeight_ = modeBpp_ = 0;
}

}  // namespace plat::sdl
