#include "framework/app/WidgetManager.h"

#include <algorithm>

#include "framework/app/VantAppBase.h"

namespace Vant {

namespace {

unsigned ButtonBit(int clicks) { return clicks == 3 ? 4u : clicks < 0 ? 2u : 1u; }

// Leaves the tree without calling anything: widgets that outlive the
// manager must not point at it.
void ForgetManagerQuietly(WidgetContainer* node) {
    for (Widget* w : node->mWidgets) {
        w->mWidgetManager = nullptr;
        ForgetManagerQuietly(w);
    }
}

}  // namespace

WidgetManager::WidgetManager(VantAppBase* app) : mApp(app) {
    mWidgetManager = this;
    mLastWMUpdateCount = 0;
}

WidgetManager::~WidgetManager() {
    ForgetManagerQuietly(this);
    for (Widget* w : mWidgets) w->mParent = nullptr;
    mWidgets.clear();
    mPreModalInfoList.clear();
    mDeferredOverlayWidgets.clear();
}

int WidgetManager::DefaultFlags() const {
    return mHasFocus ? mWidgetFlags : mLostFocusFlagsMod.Apply(mWidgetFlags);
}

ModalFlags WidgetManager::InitModalFlags() const {
    ModalFlags f;
    f.mOverFlags = DefaultFlags();
    f.mUnderFlags = mBelowModalFlagsMod.Apply(f.mOverFlags);
    f.mIsOver = mBaseModalWidget == nullptr;
    return f;
}

bool WidgetManager::Is3D() const { return mApp && mApp->mDisplay && mApp->mDisplay->Is3D(); }

void WidgetManager::SetSize(int width, int height) {
    mX = mY = 0;
    mWidth = width;
    mHeight = height;
}

void WidgetManager::MarkAllDirty() {
    MarkDirty();
    for (Widget* w : mWidgets) w->mDirty = true;
}

// ---- update ----

void WidgetManager::Update() {}

bool WidgetManager::UpdateFrame() {
    // The manager's own count is the global update counter.
    ++mUpdateCnt;
    ModalFlags flags = InitModalFlags();
    UpdateTree(flags);
    return mDirty;
}

void WidgetManager::UpdateFrameFraction(float fraction) {
    ModalFlags flags = InitModalFlags();
    UpdateTreeFraction(flags, fraction);
}

// ---- mouse ----

Widget* WidgetManager::GetWidgetAt(int x, int y, int* lx, int* ly) {
    int ax = 0, ay = 0;
    Widget* w = FindWidgetAt(x, y, DefaultFlags(), &ax, &ay);
    if (w && w->mDisabled) w = nullptr;
    if (lx) *lx = ax;
    if (ly) *ly = ay;
    return w;
}

void WidgetManager::LeaveOver() {
    Widget* old = mOverWidget;
    if (!old) return;
    mOverWidget = nullptr;
    old->mIsOver = false;
    old->MouseLeave();
    if (old->mDoFinger) old->ShowHandCursor(false);
}

void WidgetManager::EnterOver(Widget* widget) {
    mOverWidget = widget;
    widget->mIsOver = true;
    widget->MouseEnter();
    if (widget->mDoFinger) widget->ShowHandCursor(true);
}

void WidgetManager::UpdateMouseOver(int x, int y) {
    const bool moved = x != mLastMouseX || y != mLastMouseY;
    mLastMouseX = x;
    mLastMouseY = y;
    int lx = 0, ly = 0;
    Widget* w = GetWidgetAt(x, y, &lx, &ly);
    if (w == mOverWidget) {
        if (!moved || !w) return;
    } else {
        LeaveOver();
        if (w) EnterOver(w);
    }
    if (mOverWidget) mOverWidget->MouseMove(lx, ly);
}

void WidgetManager::OnMouseMove(int x, int y) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (mLastDownWidget && mDownButtons) {
        OnMouseDrag(x, y);
        return;
    }
    mMouseIn = true;
    UpdateMouseOver(x, y);
}

void WidgetManager::OnMouseDrag(int x, int y) {
    mMouseIn = true;
    mLastMouseX = x;
    mLastMouseY = y;
    if (mOverWidget && mOverWidget != mLastDownWidget) LeaveOver();
    Widget* w = mLastDownWidget;
    if (!w) return;
    int sx = 0, sy = 0;
    w->GetScreenPos(&sx, &sy);
    w->MouseDrag(x - sx, y - sy);
    Widget* under = GetWidgetAt(x, y, nullptr, nullptr);
    if (under && under == mLastDownWidget) {
        if (mOverWidget != under) EnterOver(under);
    } else {
        LeaveOver();
    }
}

bool WidgetManager::OnMouseDown(int x, int y, int clicks) {
    mLastInputUpdateCnt = mUpdateCnt;
    const unsigned bit = ButtonBit(clicks);
    mActualDownButtons |= bit;
    UpdateMouseOver(x, y);
    if (mPopupCommandWidget && !mPopupCommandWidget->Contains(x, y)) RemovePopupWidget();

    int lx = 0, ly = 0;
    Widget* target = nullptr;
    if (mLastDownWidget && mDownButtons) {
        // A further press belongs to the widget holding the others, in its
        // own coordinates wherever the pointer is.
        target = mLastDownWidget;
        int sx = 0, sy = 0;
        target->GetScreenPos(&sx, &sy);
        lx = x - sx;
        ly = y - sy;
    } else {
        target = GetWidgetAt(x, y, &lx, &ly);
    }
    mDownButtons |= bit;
    mLastDownButtonId = clicks == 3 ? 2 : clicks < 0 ? -1 : 1;
    mLastDownWidget = target;
    if (target) {
        if (target->WantsFocus()) SetFocus(target);
        target->mIsDown = true;
        target->MouseDown(lx, ly, clicks);
    }
    return true;
}

bool WidgetManager::OnMouseUp(int x, int y, int clicks) {
    mLastInputUpdateCnt = mUpdateCnt;
    const unsigned bit = ButtonBit(clicks);
    mActualDownButtons &= ~bit;
    Widget* w = mLastDownWidget;
    if (w && (mDownButtons & bit)) {
        mDownButtons &= ~bit;
        if (mDownButtons == 0) mLastDownWidget = nullptr;
        w->mIsDown = false;
        int sx = 0, sy = 0;
        w->GetScreenPos(&sx, &sy);
        w->MouseUp(x - sx, y - sy, clicks);
    } else {
        mDownButtons &= ~bit;
    }
    UpdateMouseOver(x, y);
    return true;
}

bool WidgetManager::OnMouseWheel(int delta) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (mFocusWidget) mFocusWidget->MouseWheel(delta);
    return true;
}

bool WidgetManager::OnMouseExit(int, int) {
    mLastInputUpdateCnt = mUpdateCnt;
    mMouseIn = false;
    LeaveOver();
    return true;
}

void WidgetManager::ReleaseAllButtons(Widget* widget, unsigned mask) {
    static const std::pair<unsigned, int> buttons[] = {{1u, 1}, {2u, -1}, {4u, 3}};
    int sx = 0, sy = 0;
    widget->GetScreenPos(&sx, &sy);
    for (const auto& [bit, clicks] : buttons) {
        if (!(mask & bit)) continue;
        widget->mIsDown = false;
        widget->MouseUp(mLastMouseX - sx, mLastMouseY - sy, clicks);
    }
}

void WidgetManager::ReleaseCapture() {
    Widget* w = mLastDownWidget;
    const unsigned mask = mDownButtons;
    mLastDownWidget = nullptr;
    mDownButtons = 0;
    if (w && mask) ReleaseAllButtons(w, mask);
}

void WidgetManager::ReleasePressed() {
    ReleaseCapture();
    mActualDownButtons = 0;
}

void WidgetManager::RecheckMouse() {
    if (mLastDownWidget) {
        if (mOverWidget && GetWidgetAt(mLastMouseX, mLastMouseY, nullptr, nullptr) != mLastDownWidget) LeaveOver();
    } else if (mMouseIn) {
        UpdateMouseOver(mLastMouseX, mLastMouseY);
    }
}

void WidgetManager::ForgetWidget(Widget* widget) {
    if (mOverWidget == widget) LeaveOver();
    if (mLastDownWidget == widget) {
        const unsigned mask = mDownButtons;
        mLastDownWidget = nullptr;
        mDownButtons = 0;
        ReleaseAllButtons(widget, mask);
    }
    if (mFocusWidget == widget) {
        mFocusWidget = nullptr;
        widget->LostFocus();
    }
    if (mBaseModalWidget == widget) mBaseModalWidget = nullptr;
}

// ---- keys ----

bool WidgetManager::OnKeyDown(int key) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (key >= 0 && key < 255) keyDown[static_cast<std::size_t>(key)] = true;
    if (mFocusWidget) mFocusWidget->KeyDown(key);
    return true;
}

bool WidgetManager::OnKeyUp(int key) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (key >= 0 && key < 255) keyDown[static_cast<std::size_t>(key)] = false;
    if (key == 9 && IsKeyDown(17)) return true;
    if (mFocusWidget) mFocusWidget->KeyUp(key);
    return true;
}

bool WidgetManager::OnKeyChar(char c) {
    mLastInputUpdateCnt = mUpdateCnt;
    if (c == 9 && IsKeyDown(17)) {
        if (mDefaultTab) mDefaultTab->KeyChar(9);
        return true;
    }
    if (mFocusWidget) mFocusWidget->KeyChar(c);
    return true;
}

// ---- focus ----

void WidgetManager::SetFocus(Widget* widget) {
    if (widget == mFocusWidget) return;
    if (Widget* old = mFocusWidget) {
        mFocusWidget = nullptr;
        old->LostFocus();
    }
    if (widget && widget->mWidgetManager == this) {
        mFocusWidget = widget;
        if (mHasFocus) widget->GotFocus();
    }
}

void WidgetManager::AppGotFocus() {
    if (mHasFocus) return;
    mHasFocus = true;
    if (mFocusWidget) mFocusWidget->GotFocus();
}

void WidgetManager::AppLostFocus() {
    if (!mHasFocus) return;
    mActualDownButtons = 0;
    for (int key = 0; key < 255; ++key) {
        if (!keyDown[static_cast<std::size_t>(key)]) continue;
        const bool ctrlTab = key == 9 && IsKeyDown(17);
        keyDown[static_cast<std::size_t>(key)] = false;
        if (!ctrlTab && mFocusWidget) mFocusWidget->KeyUp(key);
    }
    mHasFocus = false;
    if (mFocusWidget) mFocusWidget->LostFocus();
}

// ---- modal widgets and popup ----

void WidgetManager::SetBaseModal(Widget* widget, const FlagsMod& belowFlags) {
    mBaseModalWidget = widget;
    mBelowModalFlagsMod = belowFlags;
    if (!widget) return;
    if (belowFlags.mRemoveFlags & WIDGETFLAGS_ALLOW_MOUSE) {
        if (mOverWidget && IsBelow(mOverWidget, widget)) LeaveOver();
        if (mLastDownWidget && IsBelow(mLastDownWidget, widget)) ReleaseCapture();
    }
    if ((belowFlags.mRemoveFlags & WIDGETFLAGS_ALLOW_FOCUS) && mFocusWidget && IsBelow(mFocusWidget, widget)) {
        Widget* old = mFocusWidget;
        mFocusWidget = nullptr;
        old->LostFocus();
    }
}

void WidgetManager::PushModal(Widget* widget, const FlagsMod& belowFlags) {
    PreModalInfo info;
    info.mModalWidget = widget;
    info.mPrevBaseModalWidget = mBaseModalWidget;
    info.mPrevFocusWidget = mFocusWidget;
    info.mPrevBelowModalFlagsMod = mBelowModalFlagsMod;
    mPreModalInfoList.push_back(info);
    SetBaseModal(widget, belowFlags);
}

void WidgetManager::PopModal(Widget* widget) {
    if (mPreModalInfoList.empty() || mPreModalInfoList.back().mModalWidget != widget) return;
    // A record whose base was removed meanwhile hands over to the record
    // below it, until one with a base is popped.
    for (;;) {
        const PreModalInfo info = mPreModalInfoList.back();
        mPreModalInfoList.pop_back();
        mBaseModalWidget = info.mPrevBaseModalWidget;
        mBelowModalFlagsMod = info.mPrevBelowModalFlagsMod;
        if (!mFocusWidget && info.mPrevFocusWidget) {
            mFocusWidget = info.mPrevFocusWidget;
            mFocusWidget->GotFocus();
        }
        if (info.mPrevBaseModalWidget || mPreModalInfoList.empty()) break;
    }
}

void WidgetManager::SetPopupWidget(Widget* widget) {
    mPopupCommandWidget = widget;
    AddWidget(widget);
}

void WidgetManager::RemovePopupWidget() {
    Widget* w = mPopupCommandWidget;
    mPopupCommandWidget = nullptr;
    if (w) RemoveWidget(w);
}

void WidgetManager::DeferOverlay(Widget* widget, int priority) {
    mDeferredOverlayWidgets.emplace_back(widget, priority);
    mMinDeferredOverlayPriority = std::min(mMinDeferredOverlayPriority, priority);
}

}  // namespace Vant
