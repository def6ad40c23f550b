// The window procedure and the deferred input queue: a few messages are
// handled at once, input is queued and delivered to the widget manager one
// record per pump step.
#include "framework/app/VantAppBase.h"

namespace Vant {

namespace {
using namespace plat::msg;

bool IsQueued(std::uint32_t m) {
    switch (m) {
    case kMove: case kSize: case kClose: case kActivateApp: case kKeyDown: case kKeyUp: case kChar:
    case kSysKeyDown: case kSysKeyUp: case kTimer: case kMouseMove: case kLButtonDown: case kLButtonUp:
    case kLButtonDblClk: case kRButtonDown: case kRButtonUp: case kRButtonDblClk: case kMButtonDown:
    case kMButtonUp: case kMouseWheel:
        return true;
    default:
        return false;
    }
}

constexpr std::uintptr_t kScScreenSave = 0xF140;
constexpr std::uintptr_t kScMonitorPower = 0xF170;
}  // namespace

bool VantAppBase::ScreenSaverHandled(const plat::MsgRecord& m, std::intptr_t* result) {
    if (mScreenSaverClosing || m.window != mHWnd) return false;
    const bool afterMonitorPower = plat::TickDiff(Tick(), mLastMonitorPowerTick) < 1000 && mLastMonitorPowerTick;
    bool end = false;
    switch (m.msg) {
    case kSysCommand: {
        const std::uintptr_t sc = m.wParam & 0xFFF0;
        if (sc == 0xF040 || sc == 0xF050 || sc == 0xF060 || sc == kScScreenSave) {
            *result = 0;  // next/previous window, close and saver: blocked
            return true;
        }
        return false;
    }
    case kMouseMove: {
        if (afterMonitorPower) return false;
        const int x = plat::PointParamX(m.lParam), y = plat::PointParamY(m.lParam);
        if (!mScreenSaverHavePos || x != mScreenSaverX || y != mScreenSaverY) {
            if (mScreenSaverHavePos) ++mScreenSaverMoves;
            mScreenSaverHavePos = true;
            mScreenSaverX = x;
            mScreenSaverY = y;
        }
        if (mScreenSaverMoves < 4) {
            *result = 0;  // the first moves are swallowed
            return true;
        }
        end = true;
        break;
    }
    case kActivateApp:
        end = m.wParam == 0 && !afterMonitorPower;
        break;
    case kKeyDown: case kSysKeyDown: case kClose: case kLButtonDown: case kRButtonDown: case kMButtonDown:
        end = true;
        break;
    default:
        break;
    }
    if (!end) return false;
    mScreenSaverClosing = true;
    WindowProc({mHWnd, kClose, 0, 0});
    *result = 0;
    return true;
}

std::intptr_t VantAppBase::WindowProc(const plat::MsgRecord& m) {
    std::intptr_t result = 0;
    [&] {
        if (mIsScreenSaver && ScreenSaverHandled(m, &result)) return;
        switch (m.msg) {
        case kSetCursor:
            if (!mIsWindowHidden) ApplyCursor();
            result = 1;
            return;
        case kSysCommand:
            if ((m.wParam & 0xFFF0) == kScMonitorPower) mLastMonitorPowerTick = Tick();
            if ((m.wParam & 0xFFF0) == kScMonitorPower || (m.wParam & 0xFFF0) == kScScreenSave) {
                // Refused until loading is done; the saver only in a window.
                const bool allowed = mLoadingThreadCompletedSeen &&
                                     ((m.wParam & 0xFFF0) == kScMonitorPower || mIsPhysWindowed);
                result = allowed ? 1 : 0;
            }
            return;
        case kNcLButtonDown:
            // A drag of the window frame causes no catch-up afterwards.
            mLastTimeCheck = Tick();
            mUpdateFTimeAcc = 0.0;
            return;
        case kSysChar:
            result = HandleSysChar(static_cast<char>(m.wParam)) ? 0 : 1;
            return;
        case kPaint:
            if (mInitialized && !mIsWindowHidden && mRunning) Redraw();
            return;
        case kEndSession:
            Shutdown();
            return;
        default:
            break;
        }
        if (m.msg == kActivateApp && !mPlayingDemo && m.window == mHWnd) mActive = m.wParam != 0;

        if (IsQueued(m.msg)) {
            if (mNoDefer) return;
            const bool keyDown = m.msg == kKeyDown || m.msg == kSysKeyDown;
            const bool keyUp = m.msg == kKeyUp || m.msg == kSysKeyUp;
            if (keyDown || keyUp) {
                if (m.wParam == static_cast<std::uintptr_t>(plat::vk::kControl)) mCtrlDown = keyDown;
                if (m.wParam == static_cast<std::uintptr_t>(plat::vk::kMenu)) mAltDown = keyDown;
                if (keyDown && DebugKeyDownAsync(static_cast<int>(m.wParam), mCtrlDown, mAltDown)) return;
            }
            if (mPlayingDemo && m.msg == kKeyDown) DebugKeyDown(static_cast<int>(m.wParam));
            if (mPlayingDemo && m.msg == kChar) DemoPlaybackChar(static_cast<char>(m.wParam));

            const bool closed = !mDeferredMessages.empty() && mDeferredMessages.back().msg == kClose;
            const bool repeatTimer = m.msg == kTimer && !mDeferredMessages.empty() &&
                                     mDeferredMessages.back().msg == kTimer;
            if (closed || repeatTimer) return;
            mDeferredMessages.push_back(m);

            if (m.msg == kSysKeyDown) {
                if (m.wParam == static_cast<std::uintptr_t>(plat::vk::kReturn)) {
                    if (!mForceFullscreen && !mForceWindowed) {
                        mDeferredMessages.pop_back();
                        SwitchScreenMode(!mIsWindowed);
                        ClearKeyStates();
                    }
                    return;
                }
                if (m.wParam == static_cast<std::uintptr_t>(plat::vk::kF1 + 3)) {
                    // Alt+F4 closes, as the system's default handling would.
                    if (mDeferredMessages.empty() || mDeferredMessages.back().msg != kClose)
                        mDeferredMessages.push_back({m.window, kClose, 0, 0});
                    CloseRequestAsync();
                }
                return;
            }
            if (m.msg == kClose) CloseRequestAsync();
            return;
        }

        if (mNotifyGameMessage != 0 && m.msg == mNotifyGameMessage) {
            // A second instance started: show this one.
            if (mHWnd) {
                mHost->RestoreWindow(mHWnd);
                mHost->RaiseWindow(mHWnd);
            }
        }
    }();
    return result;
}

bool VantAppBase::ProcessDeferredMessages(bool single) {
    while (!mDeferredMessages.empty()) {
        const plat::MsgRecord m = mDeferredMessages.front();
        mDeferredMessages.pop_front();
        RecordDemoMessage(m);
        if (!mPlayingDemo) DeliverMessage(m);
        if (m.msg == kClose) {
            mDemoPastEnd = true;
            Shutdown();
        }
        if (single) break;
    }
    return !mDeferredMessages.empty();
}

void VantAppBase::DeliverMessage(const plat::MsgRecord& m) {
    WidgetManager& wm = *mWidgetManager;
    // Positions beyond what a demo can record (a drag held outside the
    // window) are delivered as they are recorded.
    const int x = ClampDemoMouse(plat::PointParamX(m.lParam)), y = ClampDemoMouse(plat::PointParamY(m.lParam));
    switch (m.msg) {
    case kChar:
        mLastUserInputTick = mLastTimerTime;
        wm.OnKeyChar(static_cast<char>(m.wParam));
        return;
    case kMove:
        if (m.window == mHWnd && mIsWindowed) {
            int wx, wy;
            if (mHost->WindowPosition(mHWnd, &wx, &wy)) {
                mPreferredX = wx;
                mPreferredY = wy;
            }
        }
        return;
    case kSize:
        if (m.window == mHWnd && !mShutdown) {
            const bool minimized = m.wParam == kSizeMinimized;
            if (minimized != mMinimized) {
                mMinimized = minimized;
                if (minimized) {
                    if (mMuteOnLostFocus) Mute(true);
                } else {
                    if (mMuteOnLostFocus) Unmute(true);
                    wm.MarkAllDirty();
                }
            }
            RehupFocus();
        }
        return;
    case kActivateApp:
        if (m.window == mHWnd && !mIsWindowHidden && !mShutdown) {
            RehupFocus();
            if (mActive && !mIsWindowed) wm.MarkAllDirty();
            if (mIsOpeningURL && !mActive) URLOpenSucceeded(mOpeningURL);
        }
        return;
    case kKeyDown:
    case kSysKeyDown: {
        mLastUserInputTick = mLastTimerTime;
        const int key = static_cast<int>(m.wParam);
        if (key == 'D' && wm.keyDown[plat::vk::kControl] && wm.keyDown[plat::vk::kMenu]) {
            mDebugKeysEnabled = !mDebugKeysEnabled;
        }
        if (!mDebugKeysEnabled || !DebugKeyDown(key)) wm.OnKeyDown(key);
        return;
    }
    case kKeyUp:
    case kSysKeyUp:
        mLastUserInputTick = mLastTimerTime;
        wm.OnKeyUp(static_cast<int>(m.wParam));
        return;
    case kTimer:
        if (!mIsWindowHidden && mRunning) {
            const std::uint32_t now = Tick();
            if (plat::TickDiff(now, mLastTimerTime) > 500) mLastBigDelayTime = now;
            mLastTimerTime = now;
            if (mIsOpeningURL && plat::TickDiff(now, mLastBigDelayTime) > 5000) {
                if (plat::TickDiff(now, mOpeningURLTime) <= 8000 || mActive) {
                    if (plat::TickDiff(now, mOpeningURLTime) > 12000 && mActive) URLOpenFailed(mOpeningURL);
                    URLOpenSucceeded(mOpeningURL);
                }
            }
            CheckMouseInWindow();
        }
        return;
    case kMouseWheel:
        wm.OnMouseWheel(plat::WheelDelta(m.wParam) / 120);
        return;
    case kMouseMove:
    case kLButtonDown:
    case kLButtonUp:
    case kLButtonDblClk:
    case kRButtonDown:
    case kRButtonUp:
    case kRButtonDblClk:
    case kMButtonDown:
    case kMButtonUp: {
        if (mIsWindowHidden) return;
        mLastUserInputTick = mLastTimerTime;
        // A move is delivered when the position changed, as a demo records
        // it, so a replay makes the same calls.
        if (x != mDeliveredMouseX || y != mDeliveredMouseY) wm.OnMouseMove(x, y);
        mDeliveredMouseX = x;
        mDeliveredMouseY = y;
        if (!mMouseIn) {
            RecordMouseInWindow(true);
            mMouseIn = true;
            ApplyCursor();
        }
        int button = 0;
        bool down = false;
        switch (m.msg) {
        case kLButtonDown: button = 1; down = true; break;
        case kLButtonDblClk: button = 2; down = true; break;
        case kRButtonDown: button = -1; down = true; break;
        case kRButtonDblClk: button = -2; down = true; break;
        case kMButtonDown: button = 3; down = true; break;
        case kLButtonUp: button = 1; break;
        case kRButtonUp: button = -1; break;
        case kMButtonUp: button = 3; break;
        default: return;
        }
        if (down) {
            mHost->SetCapture(mHWnd);
            wm.OnMouseDown(x, y, button);
        } else {
            wm.OnMouseUp(x, y, button);
            const std::uintptr_t held = m.wParam & (kMkLButton | kMkRButton | kMkMButton);
            if (held == 0) mHost->ReleaseCapture();
        }
        return;
    }
    default:
        return;
    }
}

void VantAppBase::CheckMouseInWindow() {
    int x = 0, y = 0;
    const bool inside = mHWnd && mHost->PointerInClient(mHWnd, &x, &y);
    if (inside == mMouseIn) return;
    RecordMouseInWindow(inside);
    if (!inside) mWidgetManager->OnMouseExit(ClampDemoMouse(x), ClampDemoMouse(y));
    mMouseIn = inside;
    ApplyCursor();
}

void VantAppBase::RehupFocus() {
    const bool focus = mActive && !mMinimized;
    if (focus == mHasFocus) return;
    mHasFocus = focus;
    if (focus) {
        if (mMuteOnLostFocus) Unmute(true);
        mWidgetManager->AppGotFocus();
        GotFocus();
    } else {
        if (mMuteOnLostFocus) Mute(true);
        mWidgetManager->AppLostFocus();
        LostFocus();
        mHost->ReleaseCapture();
        if (mWidgetManager->HasPressedButtons()) mWidgetManager->ReleasePressed();
    }
}

void VantAppBase::ClearKeyStates() {
    mWidgetManager->keyDown.fill(false);
    mCtrlDown = false;
    mAltDown = false;
}

}  // namespace Vant
