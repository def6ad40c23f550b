#pragma once
// The display service over SDL2: surfaces in memory, presented through a
// streaming texture of the same layout. Windowed the desktop reports 32
// bits; full screen is the desktop's own full screen with the picture
// scaled to fit, keeping its aspect (the renderer maps pointer positions
// back to picture coordinates). Primary thread only, except that a primary
// marked changed from another thread is shown at the next pump.
#include <memory>

#include "platform/Display.h"
#include "platform/sdl/SdlWindow.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace plat::sdl {

class SdlDisplay : public DisplayDevice {
public:
    // Installs itself as the window service's pump hook.
    explicit SdlDisplay(SdlWindowService& windows);
    ~SdlDisplay() override;
    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;

    HResult Create() override;
    HResult QueryLegacyInterface() override { return created_ ? res::DD_OK : res::DDERR_NOTINITIALIZED; }
    HResult SetCooperativeLevel(WindowHandle window, bool exclusive) override;
    HResult SetDisplayMode(int width, int height, int bpp) override;
    HResult CreatePrimary(bool withBackBuffer, std::shared_ptr<Surface>* out) override;
    HResult GetBackBuffer(std::shared_ptr<Surface>* out) override;
    HResult CreateSurface(int width, int height, MemoryKind kind, std::shared_ptr<Surface>* out) override;
    HResult CreateClipper(std::shared_ptr<Clipper>* out) override;
    HResult SetClipper(const std::shared_ptr<Clipper>& clipper) override;
    HResult GetMonitorFrequency(int* hz) override;
    HResult GetScanLine(int*) override { return res::DDERR_UNSUPPORTED; }
    HResult Present(const Rect* rect) override;
    HResult Flip() override;
    void SetVSync(bool on) override;
    void Release() override;

    // Shows what was drawn onto the primary since the last present (the
    // software cursor's moves); the pump calls it.
    void PresentChanged();

private:
    PixelFormat Format() const;
    HResult Upload(const Rect& r);
    HResult Show();

    SdlWindowService& windows_;
    bool created_ = false;
    bool exclusive_ = false;
    bool vsync_ = false;
    WindowHandle window_ = 0;
    int modeWidth_ = 0, modeHeight_ = 0, modeBpp_ = 0;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    std::shared_ptr<Surface> primary_, backBuffer_;
};

}  // namespace plat::sdl
