#pragma once
// The services the application object owns but does not build itself: the
// display, the sound manager, the music interface and the widget manager.
// The application holds each through the interface
// here; the stand-ins below serve until the real services arrive, and tests
// use them to see what reaches a service.
#include <array>
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

// The widget manager's entry points the application feeds.
class WidgetManagerInterface {
public:
    virtual ~WidgetManagerInterface() = default;
    virtual void SetSize(int width, int height) = 0;
    virtual bool UpdateFrame() = 0;
    virtual void UpdateFrameFraction(float fraction) = 0;
    virtual bool DrawScreen() = 0;
    virtual void MarkAllDirty() = 0;
    virtual void OnMouseMove(int x, int y) = 0;
    virtual void OnMouseDown(int x, int y, int clicks) = 0;
    virtual void OnMouseUp(int x, int y, int clicks) = 0;
    virtual void OnMouseWheel(int delta) = 0;
    virtual void OnMouseExit(int x, int y) = 0;
    virtual void OnKeyChar(char c) = 0;
    virtual void OnKeyDown(int key) = 0;
    virtual void OnKeyUp(int key) = 0;
    virtual void AppGotFocus() = 0;
    virtual void AppLostFocus() = 0;
    // A widget still holding mouse buttons after the focus went: it gets
    // the button-up and is forgotten.
    virtual void ReleasePressed() = 0;
    virtual bool HasPressedButtons() const = 0;

    // 255 key-down flags, cleared by the application's ClearKeyStates.
    std::array<bool, 255> keyDown{};
};

// Records every input that reaches it, one text per call.
class RecordingWidgetManager : public WidgetManagerInterface {
public:
    void SetSize(int width, int height) override;
    bool UpdateFrame() override;
    void UpdateFrameFraction(float) override {}
    bool DrawScreen() override;
    void MarkAllDirty() override { dirty = true; }
    void OnMouseMove(int x, int y) override;
    void OnMouseDown(int x, int y, int clicks) override;
    void OnMouseUp(int x, int y, int clicks) override;
    void OnMouseWheel(int delta) override;
    void OnMouseExit(int x, int y) override;
    void OnKeyChar(char c) override;
    void OnKeyDown(int key) override;
    void OnKeyUp(int key) override;
    void AppGotFocus() override;
    void AppLostFocus() override;
    void ReleasePressed() override;
    bool HasPressedButtons() const override { return buttonsDown != 0; }

    std::vector<std::string> events;
    bool recordMoves = true;
    bool dirty = true;
    int width = 0, height = 0;
    int updates = 0, draws = 0;
    unsigned buttonsDown = 0;
};

}  // namespace Vant
