#pragma once
// A display with no screen: surfaces in memory, presents recorded. Tests
// choose the desktop's pixel format and refresh rate and can make any step
// fail, once, at a chosen call.
#include <map>
#include <memory>
#include <vector>

#include "platform/Display.h"

namespace plat::headless {

class HeadlessDisplay : public DisplayDevice {
public:
    enum class Step {
        Create, QueryLegacy, CooperativeLevel, DisplayMode, Primary, BackBuffer,
        Surface, Clipper, SetClipper, MonitorFrequency, Present, Flip,
    };

    // Test controls.
    // What the desktop reports windowed. With forceDesktopFormat, full
    // screen uses it too in place of the mode's depth.
    PixelFormat desktop = kFormat888;
    bool forceDesktopFormat = false;
    int clientWidth = 640, clientHeight = 480;
    int refreshHz = 60;
    // The call of step (0 = the next one) that returns result instead of
    // doing its work. Counting starts at the call of FailStep.
    void FailStep(Step step, HResult result, int callsToSkip = 0);
    // Every surface made so far reports itself lost.
    void LoseSurfaces();

    // What happened.
    std::vector<Rect> presents;  // full-surface presents as the primary's bounds
    int flips = 0;
    bool vsync = false;
    bool exclusive = false;
    WindowHandle window = 0;
    int modeWidth = 0, modeHeight = 0, modeBpp = 0;
    std::shared_ptr<Clipper> attachedClipper;
    std::shared_ptr<Surface> primary, backBuffer;
    int surfacesCreated = 0;
    int releases = 0;
    // The format off-screen surfaces are made in now.
    PixelFormat CurrentFormat() const;

    HResult Create() override;
    HResult QueryLegacyInterface() override;
    HResult SetCooperativeLevel(WindowHandle window, bool exclusive) override;
    HResult SetDisplayMode(int width, int height, int bpp) override;
    HResult CreatePrimary(bool withBackBuffer, std::shared_ptr<Surface>* out) override;
    HResult GetBackBuffer(std::shared_ptr<Surface>* out) override;
    HResult CreateSurface(int width, int height, MemoryKind kind, std::shared_ptr<Surface>* out) override;
    HResult CreateClipper(std::shared_ptr<Clipper>* out) override;
    HResult SetClipper(const std::shared_ptr<Clipper>& clipper) override;
    HResult GetMonitorFrequency(int* hz) override;
    HResult GetScanLine(int* line) override;
    HResult Present(const Rect* rect) override;
    HResult Flip() override;
    void SetVSync(bool on) override { vsync = on; }
    void Release() override;

private:
    // The injected result for this call of step, or DD_OK.
    HResult Fault(Step step);

    struct Pending {
        int skip;
        HResult result;
    };
    std::map<Step, Pending> faults_;
    bool created_ = false;
    std::vector<std::weak_ptr<Surface>> made_;
};

}  // namespace plat::headless
