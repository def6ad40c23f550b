#pragma once
// The services the application object owns but does not build itself: the
// display, the sound manager and the music interface. The application
// holds each through the interface here; the stand-ins below serve until
// the real services arrive, and tests use them to see what reaches a
// service.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/app/MusicInterface.h"
#include "framework/app/SoundManager.h"
#include "platform/Messages.h"

namespace Vant {

class VantAppBase;
class DDInterface;

// The display: initialised for the main window, presents the screen image.
class DisplayInterface {
public:
    // Result codes of Init.
    enum Result : int { kOk = 0, kModeUnavailable = 4, kModeUnavailable2 = 5, kBadDesktopDepth = 6, kNo3D = 7 };

    virtual ~DisplayInterface() = default;
    virtual int Init(plat::WindowHandle window, bool windowed) = 0;
    virtual bool Redraw() = 0;
    virtual bool Is3D() const { return is3D_; }
    virtual void Set3D(bool on) { is3D_ = on; }
    virtual int RefreshRate() const { return 60; }
    virtual void SetVideoOnlyDraw(bool) {}
    virtual std::string ErrorText() const { return std::string(); }
    // The surfaces' display behind this one, when there is one.
    virtual DDInterface* GetDDInterface() { return nullptr; }
    // Lets go of everything bound to the window before it is destroyed.
    virtual void Cleanup() {}

protected:
    bool is3D_ = false;
};

// A display whose initialisation succeeds and whose present only clears
// the window (through the application's host).
class BlankDisplay : public DisplayInterface {
public:
    explicit BlankDisplay(VantAppBase* app) : app_(app) {}
    int Init(plat::WindowHandle window, bool windowed) override;
    bool Redraw() override;
    int initCount = 0;
    int redrawCount = 0;

private:
    VantAppBase* app_;
    plat::WindowHandle window_ = 0;
};


}  // namespace Vant
