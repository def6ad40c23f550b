// The application's side of demos: reading the file at start-up and writing
// it at the end, recording what the input queue delivers, injecting the
// records while playing, the synchronous exchanges, the playback keys and
// the two playback dialogs.
#include <cstdlib>
#include <cstring>

#include "framework/app/DemoExchanges.h"
#include "framework/app/Dialog.h"
#include "framework/app/EditWidget.h"
#include "framework/app/ListWidget.h"
#include "framework/app/SoundManager.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/SysFont.h"
#include "orvek/Log.h"

namespace Vant {

namespace {
orvek::LogChannel demo_log("vant.demo", orvek::log_error);
using namespace plat::msg;

constexpr int kJumpDialogId = 0x7D00;
constexpr int kMarkerDialogId = 0x7D01;
constexpr int kDialogItemId = 100;

bool IsMouseMessage(std::uint32_t m) {
    switch (m) {
    case kMouseMove: case kLButtonDown: case kLButtonUp: case kLButtonDblClk: case kRButtonDown:
    case kRButtonUp: case kRButtonDblClk: case kMButtonDown: case kMButtonUp:
        return true;
    default:
        return false;
    }
}

int DemoButton(std::uint32_t m, bool* down) {
    *down = true;
    switch (m) {
    case kLButtonDown: return 1;
    case kLButtonDblClk: return 2;
    case kRButtonDown: return -1;
    case kRButtonDblClk: return -2;
    case kMButtonDown: return 3;
    default: break;
    }
    *down = false;
    switch (m) {
    case kLButtonUp: return 1;
    case kRButtonUp: return -1;
    case kMButtonUp: return 3;
    default: return 0;
    }
}

}  // namespace

DemoChannel* VantAppBase::DemoState() {
    mDemoChannel.recording = mRecordingDemo;
    mDemoChannel.playing = mPlayingDemo;
    mDemoChannel.pastEnd = mDemoPastEnd;
    mDemoChannel.buffer = &mDemoBuffer;
    mDemoChannel.writer = &mDemoWriter;
    mDemoChannel.reader = &mDemoReader;
    mDemoChannel.updateNum = mUpdateCount;
    return &mDemoChannel;
}

bool VantAppBase::ReadDemoFile(std::string* error) {
    DemoFile demo;
    if (!LoadDemoFile(mDemoFileName, mProductVersion, &demo, error)) return false;
    mRandSeed = demo.seed;
    mDemoMarkers = std::move(demo.markers);
    mDemoLength = demo.totalUpdates;
    mDemoBuffer = std::move(demo.stream);
    mDemoBuffer.SeekFront();
    mDemoReader = DemoReader(&mDemoBuffer);
    return true;
}

void VantAppBase::WriteDemoFile() {
    DemoFile demo;
    demo.seed = mRandSeed;
    demo.versionText = mProductVersion;
    demo.markers = mDemoMarkers;
    demo.totalUpdates = mUpdateCount;
    demo.stream = mDemoBuffer;
    std::string error;
    if (!SaveDemoFile(mDemoFileName, demo, &error)) demo_log << error << std::endl;
}

void VantAppBase::RecordDemoMessage(const plat::MsgRecord& m) {
    if (!mRecordingDemo || mShutdown) return;
    const int u = mUpdateCount;
    const bool main = m.window == mHWnd;
    switch (m.msg) {
    case kChar:
        mDemoWriter.BeginRecord(u, DEMO_KEY_CHAR);
        mDemoBuffer.WriteBits(static_cast<int>(m.wParam & 0xFF), 8);
        return;
    case kSize:
        if (!main) return;
        mDemoWriter.BeginRecord(u, DEMO_SIZE);
        mDemoBuffer.WriteBits(m.wParam == kSizeMinimized ? 1 : 0, 1);
        return;
    case kClose:
        mDemoWriter.BeginRecord(u, DEMO_CLOSE);
        return;
    case kActivateApp:
        if (!main) return;
        mDemoWriter.BeginRecord(u, DEMO_ACTIVATE);
        mDemoBuffer.WriteBits(m.wParam != 0 ? 1 : 0, 1);
        return;
    case kKeyDown: case kSysKeyDown: case kKeyUp: case kSysKeyUp:
        mDemoWriter.BeginRecord(u, m.msg == kKeyDown || m.msg == kSysKeyDown ? DEMO_KEY_DOWN : DEMO_KEY_UP);
        mDemoBuffer.WriteBits(static_cast<int>(m.wParam & 0xFF), 8);
        return;
    case kMouseWheel:
        mDemoWriter.BeginRecord(u, DEMO_MOUSE_WHEEL);
        mDemoBuffer.WriteBits(plat::WheelDelta(m.wParam) / 120, 8);
        return;
    default:
        break;
    }
    if (!IsMouseMessage(m.msg)) return;
    mDemoWriter.WriteMousePosition(u, plat::PointParamX(m.lParam), plat::PointParamY(m.lParam));
    bool down = false;
    const int button = DemoButton(m.msg, &down);
    if (button != 0) mDemoWriter.WriteMouseButton(u, down, button);
}

void VantAppBase::RecordMouseInWindow(bool inside) {
    if (mRecordingDemo && !mShutdown) mDemoWriter.BeginRecord(mUpdateCount, inside ? DEMO_MOUSE_ENTER : DEMO_MOUSE_EXIT);
}

void VantAppBase::ProcessDemo() {
    if (!mPlayingDemo) return;
    WidgetManager& wm = *mWidgetManager;
    while (!mShutdown && !mDemoReader.Exhausted()) {
        if (!mDemoReader.ReadRecordHeader(mUpdateCount)) return;
        const int code = mDemoReader.TakeRecord();
        switch (code) {
        case kDemoCompactMove: {
            int dx = 0, dy = 0;
            mDemoReader.ReadCompactMove(&dx, &dy);
            mLastDemoMouseX = ClampDemoMouse(mLastDemoMouseX + dx);
            mLastDemoMouseY = ClampDemoMouse(mLastDemoMouseY + dy);
            wm.OnMouseMove(mLastDemoMouseX, mLastDemoMouseY);
            break;
        }
        case kDemoCompactButton: {
            bool down = false;
            int button = 0;
            mDemoReader.ReadCompactButton(&down, &button);
            if (down) wm.OnMouseDown(mLastDemoMouseX, mLastDemoMouseY, button);
            else wm.OnMouseUp(mLastDemoMouseX, mLastDemoMouseY, button);
            break;
        }
        case DEMO_MOUSE_POSITION:
            mDemoReader.ReadMousePosition(&mLastDemoMouseX, &mLastDemoMouseY);
            wm.OnMouseMove(mLastDemoMouseX, mLastDemoMouseY);
            break;
        case DEMO_ACTIVATE:
            mActive = mDemoReader.ReadFlag();
            RehupFocus();
            if (mActive && !mIsWindowed) wm.MarkAllDirty();
            if (mIsOpeningURL && !mActive) URLOpenSucceeded(mOpeningURL);
            break;
        case DEMO_SIZE: {
            const bool minimized = mDemoReader.ReadFlag();
            if (!mShutdown && minimized != mMinimized) {
                mMinimized = minimized;
                if (minimized) {
                    Mute(true);
                } else {
                    Unmute(true);
                    wm.MarkAllDirty();
                }
            }
            RehupFocus();
            break;
        }
        case DEMO_KEY_DOWN: wm.OnKeyDown(mDemoReader.ReadBits(8, false)); break;
        case DEMO_KEY_UP: wm.OnKeyUp(mDemoReader.ReadBits(8, false)); break;
        case DEMO_KEY_CHAR: wm.OnKeyChar(static_cast<char>(mDemoReader.ReadBits(8, false))); break;
        case DEMO_CLOSE:
            mDemoPastEnd = true;
            Shutdown();
            break;
        case DEMO_MOUSE_ENTER:
            mMouseIn = true;
            ApplyCursor();
            break;
        case DEMO_MOUSE_EXIT:
            wm.OnMouseExit(mLastDemoMouseX, mLastDemoMouseY);
            mMouseIn = false;
            ApplyCursor();
            break;
        case DEMO_LOADING_COMPLETE: mDemoLoadingComplete = true; break;
        case DEMO_MOUSE_WHEEL: wm.OnMouseWheel(mDemoReader.ReadBits(8, true)); break;
        case DEMO_VIDEO_DATA:
            mIsWindowed = mDemoReader.ReadFlag();
            mSyncRefreshRate = mDemoReader.ReadBits(8, false);
            break;
        case DEMO_IDLE: break;
        default:
            // A synchronous record nothing asked for is passed over; a code
            // that cannot be read ends playback quietly.
            if (!mDemoReader.SkipPayload(code)) mDemoBuffer.mReadBitPos = mDemoBuffer.mDataBitSize;
            break;
        }
    }
}

void VantAppBase::RecordScreenMode() {
    if (mRecordingDemo) {
        const int rate = mDisplay ? mDisplay->RefreshRate() : mSyncRefreshRate;
        mDemoWriter.WriteScreenMode(mUpdateCount, mIsPhysWindowed, rate);
        mSyncRefreshRate = rate;
    } else if (mPlayingDemo && !mDemoPastEnd && mDemoReader.ReadRecordHeader(mUpdateCount) &&
               mDemoReader.PendingCode() == DEMO_VIDEO_DATA) {
        mDemoReader.TakeRecord();
        mIsWindowed = mDemoReader.ReadFlag();
        mSyncRefreshRate = mDemoReader.ReadBits(8, false);
    }
}

bool VantAppBase::ReadBufferFromFile(const std::string& name, Buffer* buffer, bool bypass) {
    return DemoReadBufferFromFile(DemoState(), name, buffer, bypass);
}

void VantAppBase::SyncDataBuffer(Buffer* buffer) { DemoSyncDataBuffer(DemoState(), buffer); }

bool VantAppBase::SyncBoolThroughDemo(bool value) {
    DemoSyncBool(DemoState(), &value);
    return value;
}

std::string VantAppBase::SyncStringThroughDemo(const std::string& value) {
    std::string v = value;
    DemoSyncString(DemoState(), &v);
    return v;
}

bool VantAppBase::RegistryReadLive(const std::string& name, std::uint32_t* type, void* data, std::uint32_t* size) {
    if (mRegKey.empty()) return false;
    std::string key = "SOFTWARE\\" + mRegKey, value = name;
    if (const std::size_t sep = name.rfind('\\'); sep != std::string::npos) {
        key += "\\" + name.substr(0, sep);
        value = name.substr(sep + 1);
    }
    return mHost->SettingsRead(key, value, type, data, size);
}

bool VantAppBase::RegistryWriteLive(const std::string& name, std::uint32_t type, const void* data,
                                    std::uint32_t size) {
    if (mRegKey.empty()) return false;
    std::string key = "SOFTWARE\\" + mRegKey, value = name;
    if (const std::size_t sep = name.rfind('\\'); sep != std::string::npos) {
        key += "\\" + name.substr(0, sep);
        value = name.substr(sep + 1);
    }
    return mHost->SettingsWrite(key, value, type, data, size);
}

int VantAppBase::DemoJumpTarget(const std::string& text) const {
    long long t = 0;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t colon = text.find(':', pos);
        t = t * 60 + std::atoi(text.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos).c_str());
        if (t > 1000000000LL) t = 1000000000LL;
        if (colon == std::string::npos) break;
        pos = colon + 1;
    }
    const long long back = (t + 1) * 1000 / std::max(mFrameTime, 1);
    return static_cast<int>(std::max<long long>(mDemoLength - back, 0));
}

void VantAppBase::DemoPlaybackChar(char c) {
    const int frame = std::max(mFrameTime, 1);
    auto back = [&](int ms) { mFastForwardToUpdateNum = mDemoLength - ms / frame; };
    switch (c) {
    case '+': mUpdateMultiplier *= 1.5; break;
    case '-': mUpdateMultiplier *= 2.0 / 3.0; break;
    case '=': mUpdateMultiplier = 1.0; break;
    case '0': mFastForwardToUpdateNum = mDemoLength; break;
    case '4': back(120000); break;
    case '5': back(90000); break;
    case '6': back(60000); break;
    case '7': back(30000); break;
    case '8': back(10000); break;
    case '9': back(5000); break;
    case 'J': case 'j': ShowDemoJumpDialog(); break;
    case 'L': case 'l': ShowDemoMarkerList(); break;
    case 'M': case 'm': mFastForwardToMarker = true; break;
    case 'N': case 'n':
        mFastForwardToUpdateNum = mUpdateCount + 1;
        mFastForwardStep = true;
        break;
    case 'P': case 'p':
        mPaused = !mPaused;
        mUpdateFTimeAcc = 0.0;
        mLastTimeCheck = Tick();
        break;
    case 'S': case 's':
        if (mMusicVolume == 0.0) {
            SetMusicVolume(mDemoSavedMusicVolume);
        } else {
            mDemoSavedMusicVolume = mMusicVolume;
            SetMusicVolume(0.0);
        }
        if (mSfxVolume == 0.0) {
            SetSfxVolume(mDemoSavedSfxVolume);
        } else {
            mDemoSavedSfxVolume = mSfxVolume;
            SetSfxVolume(0.0);
        }
        break;
    default: break;
    }
}

namespace {

// "Jump To Time": an edit field that starts with the last time asked for.
class JumpDialog : public Dialog {
public:
    JumpDialog(VantAppBase* app, const std::string& text)
        : Dialog(nullptr, nullptr, kJumpDialogId, true, "Jump To Time", "", "", 2), mApp(app) {
        mEdit = new EditWidget(kDialogItemId, nullptr);
        SysFont font(app, "Tahoma", 8);
        mEdit->SetFont(&font);  // the field keeps a copy
        mEdit->SetText(text);
        mEdit->mHilitePos = 0;
        mEdit->mCursorPos = static_cast<int>(text.size());
        AddWidget(mEdit);
    }
    ~JumpDialog() override {
        RemoveWidget(mEdit);
        delete mEdit;
    }
    void Resize(int x, int y, int width, int height) override {
        Dialog::Resize(x, y, width, height);
        mEdit->Resize(24, 48, std::max(width - 48, 10), 20);
    }
    void ButtonRelease(int id) override {
        if (id == kYesButton) {
            const std::string text = mEdit->mString.substr(0, 500);
            mApp->RegistryWriteLive("DemoJumpTime", kRegSz, text.data(), static_cast<std::uint32_t>(text.size()));
            mApp->mFastForwardToUpdateNum = mApp->DemoJumpTarget(text);
        }
        mResult = id;
        mApp->mLastTime = mApp->mHost->Clock().TickMs();
        mApp->KillDialog(this);
    }
    EditWidget* mEdit;

private:
    VantAppBase* mApp;
};

// "Marker List": the markers still ahead; a double click jumps to one.
class MarkerDialog : public Dialog, public ListListener {
public:
    MarkerDialog(VantAppBase* app) : Dialog(nullptr, nullptr, kMarkerDialogId, true, "Marker List", "", "", 0), mApp(app) {
        mFont = new SysFont(app, "Tahoma", 8);
        mList = new ListWidget(kDialogItemId, mFont, this);
        const int frame = std::max(app->mFrameTime, 1);
        for (const DemoMarker& m : app->mDemoMarkers) {
            if (m.updateNum <= app->mUpdateCount) continue;
            const long long s = static_cast<long long>(m.updateNum) * frame / 1000;
            mList->AddLine(FormatString("%s (%02d:%02d:%02d)", m.name.c_str(), int(s / 3600), int(s / 60 % 60),
                                        int(s % 60)),
                           false);
            mUpdates.push_back(m.updateNum);
        }
        AddWidget(mList);
    }
    ~MarkerDialog() override {
        RemoveWidget(mList);
        delete mList;
        delete mFont;
    }
    void Resize(int x, int y, int width, int height) override {
        Dialog::Resize(x, y, width, height);
        mList->Resize(10, 10, std::max(width - 20, 10), std::max(height - 20, 10));
    }
    int GetPreferredHeight(int) override { return 200; }
    void ListClicked(int, int line, int clicks) override {
        if (clicks != 2 || line < 0 || line >= static_cast<int>(mUpdates.size())) return;
        if (mUpdates[static_cast<std::size_t>(line)] <= mApp->mUpdateCount) return;
        mApp->mFastForwardToUpdateNum = mUpdates[static_cast<std::size_t>(line)];
        mResult = 1;
        mApp->mLastTime = mApp->mHost->Clock().TickMs();
        mApp->KillDialog(this);
    }
    ListWidget* mList;
    Font* mFont;
    std::vector<int> mUpdates;

private:
    VantAppBase* mApp;
};

}  // namespace

void VantAppBase::ShowDemoJumpDialog() {
    char text[1001] = {};
    std::uint32_t type = 0, size = 1000;
    std::string start;
    if (RegistryReadLive("DemoJumpTime", &type, text, &size) && type == kRegSz) start.assign(text, size);
    auto* d = new JumpDialog(this, start);
    d->mDialogListener = this;
    AddDialog(kJumpDialogId, d);
    mWidgetManager->SetFocus(d->mEdit);
}

void VantAppBase::ShowDemoMarkerList() {
    auto* d = new MarkerDialog(this);
    d->mDialogListener = this;
    d->Resize(0, 0, mWidth / 2, mHeight / 2);
    AddDialog(kMarkerDialogId, d);
}

}  // namespace Vant
