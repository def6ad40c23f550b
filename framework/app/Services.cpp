// The application's services to the rest of the program: the main window
// and screen modes, cursors, message boxes, volumes and muting, opening a
// web page, version and crash texts, loading progress, the clipboard and
// deferred deletion.
#include <cmath>
#include <cstdio>

#include "framework/app/VantAppBase.h"
#include "framework/graphics/DDInterface.h"
#include "orvek/Path.h"

namespace Vant {

void VantAppBase::PlaceWindow(const HostRect& work, int outerWidth, int outerHeight, int preferredX,
                              int preferredY, int* x, int* y) {
    if (preferredX == -1) {
        *x = work.left + (work.width() - outerWidth) / 2;
        *y = work.top - static_cast<int>((work.height() - outerHeight) * -0.382);
        return;
    }
    *x = std::max(preferredX, work.left + 4);
    *y = std::max(preferredY, work.top + 4);
    if (*x + outerWidth >= work.right - 4) *x = work.right - 4 - outerWidth;
    if (*y + outerHeight >= work.bottom - 4) *y = work.bottom - 4 - outerHeight;
}

void VantAppBase::CreateMainWindow() {
    if (mHWnd) {
        // What the display made for the window goes first.
        if (mDisplay) mDisplay->Cleanup();
        mHost->DestroyWindow(mHWnd);
        mHWnd = 0;
    }
    const bool fullscreen = !mPlayingDemo && (!mIsWindowed || mFullScreenWindow);
    if (fullscreen) {
        mHWnd = mHost->CreateWindow(mTitle, 0, 0, mWidth, mHeight, true);
        mIsPhysWindowed = false;
    } else {
        int left = 0, top = 0, right = 0, bottom = 0;
        mHost->BorderSizes(&left, &top, &right, &bottom);
        int x = 0, y = 0;
        PlaceWindow(mHost->WorkArea(), mWidth + left + right, mHeight + top + bottom, mPreferredX, mPreferredY, &x,
                    &y);
        mHWnd = mHost->CreateWindow(mTitle, x, y, mWidth, mHeight, false);
        mIsPhysWindowed = true;
    }
    if (!mHWnd) {
        Popup("Failed to create the main window.");
        DoExit(1);
        return;
    }
    if (!mDisplay) {
        mDisplay = MakeDisplay();
        std::uint32_t is3D = 0;
        if (RegistryReadDword("Is3D", &is3D)) mDisplay->Set3D(is3D != 0);
    }
    PreDisplayInit();
    ReleaseImages();
    const int result = mDisplay->Init(mHWnd, mIsPhysWindowed);
    RecordScreenMode();
    switch (result) {
    case DisplayInterface::kOk:
        break;
    case DisplayInterface::kModeUnavailable:
    case DisplayInterface::kModeUnavailable2:
        if (!mIsPhysWindowed) {
            mForceWindowed = true;
            SwitchScreenMode(true);
            return;
        }
        [[fallthrough]];
    case DisplayInterface::kBadDesktopDepth:
        if (result == DisplayInterface::kBadDesktopDepth && mIsPhysWindowed) {
            if (mForceWindowed) {
                Popup("Please set your desktop color depth to 16 bit.");
                DoExit(1);
                return;
            }
            mForceFullscreen = true;
            SwitchScreenMode(false);
            return;
        }
        [[fallthrough]];
    default:
        if (result == DisplayInterface::kNo3D || mDisplay->Is3D()) {
            Set3DMode(false, true);
        } else {
            Popup("Failed to initialize DirectDraw: " + DDInterface::ResultToString(result) + " " +
                  mDisplay->ErrorText());
            DoExit(1);
            return;
        }
    }
    if (mMinimized) {
        mMinimized = false;
        if (mMuteOnLostFocus) Unmute(true);
        RehupFocus();
    }
    RestoreImages();
    mWidgetManager->MarkAllDirty();
    mHost->SetTimer(mHWnd, plat::msg::kAppTimerId, mFrameTime);
    UpdateScreenSaverInhibit();
}

void VantAppBase::UpdateScreenSaverInhibit() {
    // The desktop's saver stays away while the game would refuse the
    // system's screen-save and monitor-power requests.
    mHost->InhibitScreenSaver(!(mLoadingThreadCompletedSeen && mIsPhysWindowed));
}

void VantAppBase::SwitchScreenMode(bool wantWindowed, bool is3D, bool force) {
    if (mForceFullscreen) wantWindowed = false;
    if (wantWindowed == mIsWindowed && !force) {
        Set3DMode(is3D, true);
        return;
    }
    Set3DMode(is3D, false);
    mIsWindowed = wantWindowed;
    CreateMainWindow();
    if (!mIsOpeningURL && mHWnd) {
        mHost->ShowWindow(mHWnd, true);
        mHost->RaiseWindow(mHWnd);
    }
    if (mSoundManager) mSoundManager->SetCooperativeWindow(SoundWindow(mHWnd), mIsWindowed);
    mLastTime = Tick();
}

void VantAppBase::SwitchScreenMode(bool wantWindowed) {
    SwitchScreenMode(wantWindowed, mDisplay ? mDisplay->Is3D() : false, false);
}

void VantAppBase::ReapplyScreenMode() { SwitchScreenMode(mIsWindowed, mDisplay ? mDisplay->Is3D() : false, true); }

void VantAppBase::Set3DMode(bool on, bool reinit) {
    if (!mDisplay || mDisplay->Is3D() == on) return;
    mUserChanged3DSetting = true;
    mDisplay->Set3D(on);
    if (!reinit) return;
    PreDisplayInit();
    PurgeImages();
    const int result = mDisplay->Init(mHWnd, mIsPhysWindowed);
    RecordScreenMode();
    if (result != DisplayInterface::kOk) {
        if (!on) {
            Popup("Failed to initialize DirectDraw: " + mDisplay->ErrorText());
            DoExit(1);
            return;
        }
        Set3DMode(false, true);
        return;
    }
    RestoreImages();
    mWidgetManager->MarkAllDirty();
}

void VantAppBase::SetVideoOnlyDraw(bool flag) {
    if (flag == mVideoOnlyDraw) return;
    mVideoOnlyDraw = flag;
    if (mDisplay) mDisplay->SetVideoOnlyDraw(flag);
    mWidgetManager->MarkAllDirty();
}

void VantAppBase::ApplyCursor() {
    if (!mDisplay) return;
    if (mIsWindowHidden || !mMouseIn) {
        mHost->ShowCursorNumber(0);
        // The pointer is not over the picture: no software cursor lingers
        // at its last place there.
        if (DDInterface* dd = GetDDInterface(); dd && dd->SetCursorImage(nullptr)) mForceDraw = true;
        return;
    }
    const bool known = mCursorNum >= 0 && mCursorNum <= 12;
    Image* image = known ? mCursorImages[mCursorNum] : nullptr;
    DDInterface* dd = GetDDInterface();
    if (image && dd && (mPlayingDemo || mCustomCursorsEnabled || mCursorNum == 12)) {
        // The display draws this one; the system's pointer stays hidden
        // over the picture.
        if (dd->SetCursorImage(image)) mForceDraw = true;
        mHost->ShowCursorNumber(11);
        mSoftwareCursorInUse = true;
        return;
    }
    mHost->ShowCursorNumber(known ? mCursorNum : 0);
    if (dd && dd->SetCursorImage(nullptr)) mForceDraw = true;
    mSoftwareCursorInUse = false;
}

void VantAppBase::SetCursor(int number) {
    mCursorNum = number;
    ApplyCursor();
}

void VantAppBase::SetCustomCursorsFlag(bool flag) {
    mCustomCursorsEnabled = flag;
    ApplyCursor();
}

void VantAppBase::BeginPopup() {
    if (!mIsPhysWindowed) mNoDefer = true;
}

void VantAppBase::EndPopup() {
    if (!mIsPhysWindowed) mNoDefer = false;
    mUpdateFTimeAcc = 0.0;
    mLastTimeCheck = Tick();
    ClearKeyStates();
    if (mWidgetManager->HasPressedButtons()) {
        mWidgetManager->ReleasePressed();
        mHost->ReleaseCapture();
    }
}

int VantAppBase::MsgBox(const std::string& text, const std::string& caption, unsigned flags) {
    if (mIsScreenSaver) {
        LogScreenSaverError(text);
        return mb::kIdOk;
    }
    BeginPopup();
    const int answer = mHost->MessageBox(text, caption, flags);
    EndPopup();
    return answer;
}

void VantAppBase::Popup(const std::string& text) {
    if (mIsScreenSaver) {
        LogScreenSaverError(text);
        return;
    }
    BeginPopup();
    if (!mShutdown) mHost->MessageBox(text, "FATAL ERROR", mb::kIconError);
    EndPopup();
}

void VantAppBase::LogScreenSaverError(const std::string& text) {
    std::FILE* f = std::fopen("ScrError.txt", mLogScreenSaverOpened ? "a+" : "w");
    mLogScreenSaverOpened = true;
    if (!f) return;
    const unsigned tick = Tick();
    std::fprintf(f, "%s %u %u\n", text.c_str(), tick, tick);
    std::fclose(f);
}

void VantAppBase::HideAndSilence() {
    SetMusicVolume(0.0);
    if (mHWnd) mHost->ShowWindow(mHWnd, false);
    mIsWindowHidden = true;
    ApplyCursor();
}

// A new instance played once and released by the manager when done.
bool VantAppBase::PlaySample(int id, int pan) {
    if (!mSoundManager || id < 0) return false;
    SoundInstance* instance = mSoundManager->GetSoundInstance(static_cast<unsigned>(id));
    if (!instance) return false;
    instance->SetPan(pan);
    return instance->Play(false, true);
}

bool VantAppBase::PlaySample(int id) {
    if (!mSoundManager || id < 0) return false;
    SoundInstance* instance = mSoundManager->GetSoundInstance(static_cast<unsigned>(id));
    return instance && instance->Play(false, true);
}

double VantAppBase::GetMasterVolume() { return mSoundManager ? mSoundManager->GetMasterVolume() : 1.0; }

void VantAppBase::SetMasterVolume(double v) {
    mSfxVolume = v;
    if (mSoundManager) mSoundManager->SetMasterVolume(v);
}

void VantAppBase::SetMusicVolume(double v) {
    mMusicVolume = v;
    if (mMusicInterface) mMusicInterface->SetVolume(mMuteCount > 0 ? 0.0 : v);
}

void VantAppBase::SetSfxVolume(double v) {
    mSfxVolume = v;
    if (mSoundManager) mSoundManager->SetVolume(mMuteCount > 0 ? 0.0 : v);
}

void VantAppBase::Mute(bool autoMute) {
    ++mMuteCount;
    if (autoMute) ++mAutoMuteCount;
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void VantAppBase::Unmute(bool autoMute) {
    if (mMuteCount > 0) {
        --mMuteCount;
        if (autoMute) --mAutoMuteCount;
    }
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

bool VantAppBase::OpenURL(const std::string& url, bool shutdownAfter) {
    if (mIsOpeningURL && url == mOpeningURL) return true;
    mShutdownOnURLOpen = shutdownAfter;
    mIsOpeningURL = true;
    mOpeningURL = url;
    mOpeningURLTime = Tick();
    if (mHost->OpenURL(url)) return true;
    URLOpenFailed(url);
    return false;
}

void VantAppBase::URLOpenFailed(const std::string&) { mIsOpeningURL = false; }

void VantAppBase::URLOpenSucceeded(const std::string&) {
    mIsOpeningURL = false;
    if (mShutdownOnURLOpen) Shutdown();
}

std::string VantAppBase::GetProductVersion(const std::string& path) {
    // Only the program's own file carries a version: the build's.
    orvek::PathString exe;
    orvek::get_module_file_name(exe);
    if (path.empty() || path == exe.str()) return kBuildVersion;
    return std::string();
}

std::string VantAppBase::GetCrashInfo() {
    const unsigned seconds = (Tick() - mTimeLoaded) / 1000;
    std::string info = "Product: " + mProdName + "\r\n";
    info += "Version: " + mProductVersion + "\r\n";
    info += FormatString("Time Loaded: %02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    info += std::string("\r\nFullscreen: ") + (mIsWindowed ? "No" : "Yes");
    info += FormatString("\r\nPrimary ThreadId: %X\r\n",
                         static_cast<unsigned>(std::hash<std::thread::id>()(mPrimaryThreadId)));
    return info;
}

double VantAppBase::GetLoadingThreadProgress() {
    if (mLoadingThreadCompletedSeen) return 1.0;
    if (!mLoadingThreadStarted) return 0.0;
    const int total = mNumLoadingThreadTasks;
    if (total <= 0) return 0.0;
    return std::min(static_cast<double>(mCompletedLoadingThreadTasks) / total, 1.0);
}

void VantAppBase::CopyToClipboard(const std::string& text) {
    if (!mPlayingDemo) mHost->SetClipboardText(text);
}

std::string VantAppBase::GetClipboard() {
    return SyncStringThroughDemo(mPlayingDemo ? std::string() : mHost->ClipboardText());
}

void VantAppBase::SafeDeleteWidget(Widget* widget, std::function<void()> deleter) {
    mSafeDeleteList.push_back({mUpdateAppDepth, widget, std::move(deleter)});
}

}  // namespace Vant
