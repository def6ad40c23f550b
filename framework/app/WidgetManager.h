#pragma once
// The root of the widget tree. It decides who receives each input: the
// widget under the mouse, the widget holding the buttons (capture), the
// keyboard focus, a stack of modal widgets and one popup. The application
// feeds it input, updates it once per update and lets it draw the dirty
// widgets into the screen image.
//
// The input entry points are virtual so that tests can watch what reaches
// the manager.
#include <array>
#include <cstdint>
#include <list>
#include <utility>
#include <vector>

#include "framework/app/Widget.h"

namespace Vant {

class Image;
class VantAppBase;

class WidgetManager : public WidgetContainer {
public:
    explicit WidgetManager(VantAppBase* app);
    ~WidgetManager() override;

    // Input, from the application's deferred queue or from demo playback.
    virtual void OnMouseMove(int x, int y);
    virtual bool OnMouseDown(int x, int y, int clicks);
    virtual bool OnMouseUp(int x, int y, int clicks);
    virtual bool OnMouseWheel(int delta);
    // The pointer left the window (last seen at x, y).
    virtual bool OnMouseExit(int x, int y);
    virtual bool OnKeyChar(char c);
    virtual bool OnKeyDown(int key);
    virtual bool OnKeyUp(int key);
    virtual void AppGotFocus();
    virtual void AppLostFocus();

    // One update pass; true when something asks to be drawn.
    virtual bool UpdateFrame();
    virtual void UpdateFrameFraction(float fraction);
    // Draws the dirty widgets into the screen image; true when any was.
    virtual bool DrawScreen();
    virtual void SetSize(int width, int height);
    // Every top-level widget is drawn at the next draw.
    virtual void MarkAllDirty();
    // Buttons still held (after the window lost the focus, or around a
    // message box) are released and the capture ends.
    virtual void ReleasePressed();
    bool HasPressedButtons() const { return mActualDownButtons != 0 || mDownButtons != 0; }

    void SetFocus(Widget* widget);
    void PushModal(Widget* widget, const FlagsMod& belowFlags);
    void PushModalDefault(Widget* widget) { PushModal(widget, mDefaultBelowModalFlagsMod); }
    void PopModal(Widget* widget);
    void SetBaseModal(Widget* widget, const FlagsMod& belowFlags);
    void SetPopupWidget(Widget* widget);
    void RemovePopupWidget();
    Widget* GetWidgetAt(int x, int y, int* lx, int* ly);
    void RecheckMouse();
    void ForgetWidget(Widget* widget);
    void ReleaseCapture();
    void ReleaseAllButtons(Widget* widget, unsigned mask);
    void UpdateMouseOver(int x, int y);
    void OnMouseDrag(int x, int y);
    // The widget's DrawOverlay runs after the widgets below priority are
    // drawn (at the latest at the end of the draw pass).
    void DeferOverlay(Widget* widget, int priority);
    void FlushDeferredOverlayWidgets(int maxPriority);
    // The flags a traversal starts with.
    ModalFlags InitModalFlags() const;
    bool IsKeyDown(int key) const { return key >= 0 && key < 255 && keyDown[static_cast<std::size_t>(key)]; }
    bool Is3D() const;
    // The manager is not a widget: its update count is advanced by
    // UpdateFrame alone.
    void Update() override;

    struct PreModalInfo {
        Widget* mModalWidget = nullptr;
        Widget* mPrevBaseModalWidget = nullptr;
        Widget* mPrevFocusWidget = nullptr;
        FlagsMod mPrevBelowModalFlagsMod;
    };

    Widget* mDefaultTab = nullptr;  // takes Ctrl+Tab
    Graphics* mCurG = nullptr;
    VantAppBase* mApp;
    Image* mImage = nullptr;
    Widget* mPopupCommandWidget = nullptr;
    std::vector<std::pair<Widget*, int>> mDeferredOverlayWidgets;
    int mMinDeferredOverlayPriority = 2147483647;
    bool mHasFocus = true;
    Widget* mFocusWidget = nullptr;
    Widget* mLastDownWidget = nullptr;  // holds the captured buttons
    Widget* mOverWidget = nullptr;
    Widget* mBaseModalWidget = nullptr;
    FlagsMod mLostFocusFlagsMod;
    FlagsMod mBelowModalFlagsMod;
    FlagsMod mDefaultBelowModalFlagsMod{0, WIDGETFLAGS_ALLOW_MOUSE | WIDGETFLAGS_ALLOW_FOCUS};
    std::list<PreModalInfo> mPreModalInfoList;
    bool mMouseIn = false;
    int mLastMouseX = 0, mLastMouseY = 0;
    unsigned mDownButtons = 0;        // held on the captured widget
    unsigned mActualDownButtons = 0;  // held at all; 1 left, 2 right, 4 middle
    std::uint32_t mLastInputUpdateCnt = 0;
    std::array<bool, 255> keyDown{};
    int mLastDownButtonId = 0;  // 1 left, -1 right, 2 middle
    int mWidgetFlags = WIDGETFLAGS_UPDATE | WIDGETFLAGS_DRAW | WIDGETFLAGS_CLIP | WIDGETFLAGS_ALLOW_MOUSE |
                       WIDGETFLAGS_ALLOW_FOCUS;

private:
    int DefaultFlags() const;
    void LeaveOver();
    void EnterOver(Widget* widget);
};

}  // namespace Vant
