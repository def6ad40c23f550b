#pragma once
// The display service: the steps the framework's display takes to bring up
// its surfaces for a window, and presenting. Windowed, the desktop reports
// 32 bits (x8-8-8); full screen is the desktop's own full screen with the
// picture scaled, so setting a mode never changes the desktop, and surfaces
// take the depth asked for (16 gives 5-6-5, 32 gives x8-8-8). Primary thread
// only, except where a call says otherwise.
#include <memory>

#include "platform/Surface.h"

namespace plat {

class DisplayDevice {
public:
    virtual ~DisplayDevice() = default;

    // Connects to the display; a second object view of it for the older
    // interface is a separate step that can fail on its own.
    virtual HResult Create() = 0;
    virtual HResult QueryLegacyInterface() = 0;
    // exclusive: full screen and exclusive; otherwise normal windowed use.
    virtual HResult SetCooperativeLevel(WindowHandle window, bool exclusive) = 0;
    virtual HResult SetDisplayMode(int width, int height, int bpp) = 0;
    // The window's client area; with a back buffer for full-screen flipping.
    virtual HResult CreatePrimary(bool withBackBuffer, std::shared_ptr<Surface>* out) = 0;
    virtual HResult GetBackBuffer(std::shared_ptr<Surface>* out) = 0;
    // An off-screen surface in the display's current pixel format.
    virtual HResult CreateSurface(int width, int height, MemoryKind kind, std::shared_ptr<Surface>* out) = 0;
    virtual HResult CreateClipper(std::shared_ptr<Clipper>* out) = 0;
    virtual HResult SetClipper(const std::shared_ptr<Clipper>& clipper) = 0;
    // Refresh rate in Hz; 0 when unknown.
    virtual HResult GetMonitorFrequency(int* hz) = 0;
    // Always DDERR_UNSUPPORTED here: the beam position is not known.
    virtual HResult GetScanLine(int* line) = 0;
    // Shows the primary's rectangle (null: all) in the window.
    virtual HResult Present(const Rect* rect) = 0;
    // Full screen: shows the back buffer.
    virtual HResult Flip() = 0;
    virtual void SetVSync(bool on) = 0;
    // Drops every surface and the connection.
    virtual void Release() = 0;
};

}  // namespace plat
