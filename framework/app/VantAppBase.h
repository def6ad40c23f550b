#pragma once
// The framework's application object: owns the main window, the display,
// the sound manager, the music interface, the widget manager and the
// resource manager, runs the main loop with its update timing and frame
// pacing, turns window messages into widget input, and keeps its settings.
// The adapter and the game derive from it and override its virtual hooks.
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/app/AppHost.h"
#include "framework/app/AppInterfaces.h"
#include "framework/app/Common.h"
#include "framework/app/DemoStream.h"
#include "framework/app/Listeners.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/GraphicsApp.h"
#include "platform/Device3D.h"
#include "platform/Messages.h"

namespace Vant {

class DDInterface;
class Dialog;
class Image;
struct Rect;
class ResourceManager;

// Registry value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// The version text of this build.
inline constexpr const char* kBuildVersion = "1.0.0";

class VantAppBase : public GraphicsApp, public ButtonListener, public DialogListener {
public:
    // The host is not owned; it outlives the application.
    explicit VantAppBase(AppHost* host);
    virtual ~VantAppBase();
    VantAppBase(const VantAppBase&) = delete;
    VantAppBase& operator=(const VantAppBase&) = delete;

    // Buttons and dialogs.
    // Buttons report through ButtonListener; dialog buttons 1000 and 1001
    // of dialog d come back as buttons d + 2000 and d + 3000.
    void DialogPress(int dialogId, int buttonId) override;
    void DialogRelease(int dialogId, int buttonId) override;

    // Main loop and timing.
    virtual bool ProcessTimedUpdate(bool allowSleep);
    virtual void UpdateFrames();
    virtual bool DoUpdateFrames();
    virtual void UpdateFramesFractional(float fraction);

    virtual void CreateMainWindow();
    virtual void ApplyCursor();
    virtual void RestoreImages();
    virtual void ReleaseImages();
    virtual void PurgeImages();
    virtual void LoadingThreadCompleted() {}
    virtual SoundManager* CreateSoundManager();
    // The sound services know the window only as an opaque non-null handle.
    static void* SoundWindow(plat::WindowHandle window);
    virtual MusicInterface* CreateMusicInterface();
    virtual void InitHook() {}
    virtual void PreShutdown() {}
    virtual void PreTerminate() {}
    virtual void LoadingThreadProc() {}
    virtual void WriteToRegistry();
    virtual void ReadFromRegistry();

    virtual void BeginPopup();
    virtual void EndPopup();
    virtual int MsgBox(const std::string& text, const std::string& caption, unsigned flags);
    void Popup(const std::string& text) override;
    virtual void LogScreenSaverError(const std::string& text);
    virtual void SafeDeleteWidget(Widget* widget, std::function<void()> deleter);

    // ---- dialogs and deferred widget deletion (AppDialogs.cpp) ----
    virtual Dialog* NewDialog(int id, bool modal, const std::string& title, const std::string& header,
                              const std::string& footer, int buttonMode);
    virtual Dialog* DoDialog(int id, bool modal, const std::string& title, const std::string& header,
                             const std::string& footer, int buttonMode);
    virtual Dialog* GetDialog(int id);
    virtual void AddDialog(int id, Dialog* dialog);
    virtual void AddDialog(Dialog* dialog);
    virtual bool KillDialog(int id);
    virtual bool KillDialog(Dialog* dialog);
    virtual int GetDialogCount();
    // Deleted once the pump has unwound to the depth of this call.
    void SafeDeleteWidget(Widget* widget);
    // At destruction: every dialog leaves the manager and is deleted, and
    // the widgets still waiting for deletion go.
    void FreeDialogsAndWidgets();
    std::map<int, Dialog*> mDialogMap;
    std::list<Dialog*> mDialogList;
    virtual void URLOpenFailed(const std::string& url);
    virtual void URLOpenSucceeded(const std::string& url);
    virtual bool OpenURL(const std::string& url, bool shutdownAfter = false);
    virtual std::string GetProductVersion(const std::string& path);
    virtual void HideAndSilence();
    virtual std::string GetCrashInfo();

    virtual void Shutdown();
    virtual void ParseCommandLine();
    virtual void SplitCommandLine(const std::string& text);
    virtual void HandleCmdLineParam(const std::string& name, const std::string& value);
    virtual void Start();
    virtual void Init();
    virtual void PreDisplayInit() {}
    virtual bool ChangeDirHook(const std::string&) { return false; }

    virtual bool PlaySample(int id, int pan);
    virtual bool PlaySample(int id);
    virtual double GetMasterVolume();
    virtual double GetMusicVolume() { return mMusicVolume; }
    virtual double GetSfxVolume() { return mSfxVolume; }
    virtual bool IsMuted() { return mMuteCount > 0; }
    virtual void SetMasterVolume(double v);
    virtual void SetMusicVolume(double v);
    virtual void SetSfxVolume(double v);
    virtual void Mute(bool autoMute = false);
    virtual void Unmute(bool autoMute = false);

    virtual double GetLoadingThreadProgress();

    virtual void SwitchScreenMode(bool wantWindowed, bool is3D, bool force = false);
    virtual void SwitchScreenMode(bool wantWindowed);
    virtual void ReapplyScreenMode();
    virtual void Set3DMode(bool on, bool reinit);
    virtual void SetVideoOnlyDraw(bool flag);

    virtual void ModalOpen() {}
    virtual void ModalClose() {}
    virtual void GotFocus() {}
    virtual void LostFocus() {}
    virtual bool HandleSysChar(char c) { return c == 'r' || c == 'R'; }
    virtual bool DebugKeyDown(int key);  // DebugTools.cpp
    virtual bool DebugKeyDownAsync(int, bool, bool) { return false; }
    virtual void CloseRequestAsync() {}
    virtual std::string GetExtraText() { return std::string(); }

    virtual bool DrawDirtyStuff();
    virtual void Redraw();
    virtual void PreReadRegistry() {}

    virtual bool MainLoop();
    virtual bool UpdateAppStep(bool* updated);
    virtual bool UpdateApp();

    // The framework's window procedure.
    std::intptr_t WindowProc(const plat::MsgRecord& m);
    // The window-procedure slot: the host hands every message of the window
    // to CallWindowProc. Empty, the slot holds the framework's procedure; a
    // layer above may take it and call WindowProc from its own procedure.
    std::function<std::intptr_t(const plat::MsgRecord&)> windowProcSlot;
    std::intptr_t CallWindowProc(const plat::MsgRecord& m) { return windowProcSlot ? windowProcSlot(m) : WindowProc(m); }
    bool ProcessDeferredMessages(bool single);
    void RehupFocus();
    void ClearKeyStates();

    // Settings.
    bool RegistryWrite(const std::string& name, std::uint32_t type, const void* data, std::uint32_t size);
    bool RegistryRead(const std::string& name, std::uint32_t* type, void* data, std::uint32_t* size);
    bool RegistryEraseValue(const std::string& name);
    bool WriteRegistryString(const std::string& name, const std::string& text);
    bool RegistryReadDword(const std::string& name, std::uint32_t* value);
    bool RegistryWriteDword(const std::string& name, std::uint32_t value);

    // Numbered demo files prefix + "N.dmo" in the current folder.
    int FindNumberedDemos(int keep, bool deleteOld);

    void SetCursor(int number);
    int GetCursor() const { return mCursorNum; }
    void SetCustomCursorsFlag(bool flag);
    void CopyToClipboard(const std::string& text);
    std::string GetClipboard();
    std::string GetString(const std::string& id, const std::string& fallback) const;

    // Ends the process; exits after errors use code 1.
    void DoExit(int code);
    // Tests end a run without ending the process.
    static void SetExitFunction(std::function<void(int)> f);
    // The process arguments, joined for ParseCommandLine.
    static void SetCommandLine(int argc, const char* const* argv);

    // The windowed position of an outer size in a work area: centred with
    // 38.2 % of the free height above, or the preferred position kept 4
    // pixels inside.
    static void PlaceWindow(const HostRect& work, int outerWidth, int outerHeight, int preferredX, int preferredY,
                            int* x, int* y);

    // The global application.
    static VantAppBase* gApp;

    // ---- fields ----
    AppHost* mHost;
    unsigned mRandSeed = 0;
    std::string mTitlePrefix;
    std::string mProdName = "Product";
    std::string mTitle = "VantApp";
    std::string mRegKey;
    int mPreferredX = -1, mPreferredY = -1;
    int mWidth = 640, mHeight = 480;
    int mColorDepth = 16;
    int mNoCatchupTime = 0;
    double mMusicVolume = 0.85, mSfxVolume = 0.85;
    double mDemoMusicVolume = 0.0, mDemoSfxVolume = 0.0;
    bool mNoSoundNeeded = false;
    bool mWantFMod = false;
    bool mCmdLineParsed = false;
    bool mOnlyAllowOneCopyToRun = true;
    std::uint32_t mNotifyGameMessage = 0;
    CriticalSection mCritSect;
    // Every live memory image, and whether unreferenced shared images wait
    // to be freed; both under mCritSect (the display lock).
    std::set<MemoryImage*> mMemoryImageSet;
    bool mCleanupSharedImages = false;
    void RegisterMemoryImage(MemoryImage* image) override;
    void UnregisterMemoryImage(MemoryImage* image) override;
    void SetImageSetDirty() override;
    std::uint8_t mAdd8BitMaxTable[256];
    std::uint8_t mOpaqueTable[256];
    std::unique_ptr<WidgetManager> mWidgetManager;
    std::thread::id mPrimaryThreadId{};
    bool mPrimaryThreadKnown = false;
    bool mIsWindowHidden = false;
    std::atomic<bool> mShutdown{false};
    bool mExitToTop = false;
    bool mIsWindowed = true;
    bool mIsPhysWindowed = true;
    bool mFullScreenWindow = false;
    bool mForceFullscreen = false;  // colour-depth failure seen
    bool mForceWindowed = false;    // full-screen failure seen
    bool mInitialized = false;
    std::uint32_t mTimeLoaded = 0;
    plat::WindowHandle mHWnd = 0;
    bool mIsScreenSaver = false;
    bool mNoDefer = false;  // popup mode: input is not queued
    std::deque<plat::MsgRecord> mDeferredMessages;
    std::unique_ptr<DisplayInterface> mDisplay;
    bool mVideoOnlyDraw = false;
    std::unique_ptr<MusicInterface> mMusicInterface;
    bool mReadFromRegistry = false;
    std::string mProductVersion;
    bool mMouseIn = false;
    bool mIsOpeningURL = false, mShutdownOnURLOpen = false;
    std::string mOpeningURL;
    std::uint32_t mOpeningURLTime = 0;
    std::uint32_t mLastTimerTime = 0, mLastBigDelayTime = 0;
    int mMuteCount = 0, mAutoMuteCount = 0;
    bool mMuteOnLostFocus = true;

    // Timing.
    int mUpdateAppDepth = 0;  // pump nesting depth
    int mFrameTime = 10;
    bool mIsDrawing = false;
    bool mLastDrawWasEmpty = false;
    bool mHasPendingDraw = true;
    double mPendingUpdatesAcc = 0.0;
    double mUpdateFTimeAcc = 0.0;  // elapsed milliseconds since the last update
    std::uint32_t mLastTimeCheck = 0;
    std::uint32_t mLastTime = 0;  // last-interruption tick
    std::uint32_t mLastUserInputTick = 0;
    int mSleepCount = 0, mDrawCount = 0;
    std::atomic<int> mUpdateCount{0};
    int mUpdateAppState = 0;  // pump phase 0..3
    int mUpdateStepCount = 0;  // due checks this step
    double mUpdateMultiplier = 1.0;
    bool mPaused = false;
    int mFastForwardToUpdateNum = 0;
    bool mFastForwardToMarker = false;
    bool mFastForwardStep = false;
    bool mFastForwardMuted = false;
    std::atomic<std::uint32_t> mLastDrawTick{0};  // last blit
    std::uint32_t mNextDrawTick = 0;
    int mStepMode = 0;
    std::uint32_t mDrawTime = 0, mFPSDrawTime = 0;
    int mScreenBltTime = 0;
    int mRedrawCount = 0;
    int mUpdatesWithChanges = 0;
    bool mRunning = false;  // main loop running

    std::unique_ptr<SoundManager> mSoundManager;
    int mCursorNum = 0;
    struct DeferredDelete {
        int depth;
        Widget* widget;
        std::function<void()> deleter;
    };
    std::vector<DeferredDelete> mSafeDeleteList;
    bool mActive = true, mMinimized = false, mHasFocus = true;

    std::atomic<bool> mLoadingThreadStarted{false};
    std::atomic<bool> mLoadingThreadCompleted{false};
    bool mLoadingThreadCompletedSeen = false;  // primary thread only
    bool mWantsLoadingThread = true;
    std::atomic<bool> mLoadingThrottle{false};
    std::atomic<bool> mCursorThreadRunning{false};
    std::atomic<bool> mShutdownRequestedAsync{false};
    bool mCustomCursorsEnabled = false;
    bool mForceDraw = false;
    std::atomic<int> mNumLoadingThreadTasks{0};
    std::atomic<int> mCompletedLoadingThreadTasks{0};

    bool mRecordingDemo = false, mPlayingDemo = false, mDemoPastEnd = false;
    std::string mDemoPrefix = "vantapp";
    std::string mDemoFileName = "vantapp.dmo";
    int mLastDemoMouseX = 0, mLastDemoMouseY = 0;
    bool mDemoLoadingComplete = false;
    bool mDebugKeysEnabled = false;
    bool mCtrlDown = false, mAltDown = false;

    int mSyncRefreshRate = 100;
    bool mVSyncUpdates = false;   // vsync-locked mode
    bool mVSyncBroken = false;
    int mVSyncBrokenCount = 0;
    std::uint32_t mVSyncBrokenTestStartTick = 0;
    int mVSyncBrokenTestUpdates = 0;
    bool mWaitForVSync = false;
    bool mSoftVSyncWait = true;
    bool mUserChanged3DSetting = false;
    std::map<std::string, std::string> mStringProperties;

    std::unique_ptr<ResourceManager> mResourceManager;

    // ---- shared images and image files (resource manager, image fonts) ----
    SharedImageRef OpenSharedImage(const std::string& file, const std::string& variant, bool* isNew) override;
    // Frees the shared images no reference holds any more.
    void CleanSharedImages();
    // Keyed by upper-cased file and variant; under mCritSect.
    std::map<std::pair<std::string, std::string>, SharedImage> mSharedImageMap;

    // Set when the previous run ended without writing its settings.
    bool mLastShutdownWasGraceful = true;
    bool mIs3D = false;
    // Statistics written when the loop ends; kept for tests.
    std::string mStatistics;

    // ---- 3D: the software device, the capability test, image data (App3D.cpp) ----
    bool mTest3D = false;        // run the capability test at the display's first start
    bool mAutoEnable3D = false;  // and switch 3D on when it passes without a warning
    std::uint32_t mMinVidMemory3D = 0, mRecVidMemory3D = 0;  // megabytes
    // The device the display draws 3D with; made at the first display start
    // unless a test put one here.
    std::unique_ptr<plat::Device3D> mDevice3D;
    // The display's settings for 3D, given before each of its starts.
    void Configure3D(DDInterface& display);
    // The capability test ran and found no reason against 3D.
    bool Is3DSupported() const;
    // ... and no warning either.
    bool Is3DRecommended() const;
    void Remove3DData(MemoryImage* image);
    // The question asked when 3D may have misbehaved; true to keep 3D.
    bool AskKeep3DAfterProblems();

    // ---- display services (AppDisplay.cpp) ----
    // The surfaces' display, once the window has one.
    DDInterface* GetDDInterface() const;
    bool Is3DAccelerated() const { return mDisplay && mDisplay->Is3D(); }
    // A new surface image of the file's pixels; none when it cannot be read.
    virtual DDImage* GetImage(const std::string& file, bool commitBits = true);
    // New surface images the caller owns.
    DDImage* CopyImageRect(Image* source, const Rect& rect);
    DDImage* DuplicateImage(Image* image) override;
    // "_screenshots/imageN.png", N one above the highest there.
    void TakeScreenshot();
    // The software cursor's picture for a cursor number 0..12 (not owned).
    void SetCursorImage(int number, Image* image);
    Image* mCursorImages[13] = {};
    bool mSoftwareCursorInUse = false;
    // The display a window gets the first time.
    virtual std::unique_ptr<DisplayInterface> MakeDisplay();
    void StartCursorThread();
    void StopCursorThread();
    std::thread mCursorThread;

    // ---- debug tools and the overlay (DebugTools.cpp) ----
    bool mShowFPS = false;
    int mShowFPSMode = 0;  // 0 frame rate, 1 pointer position
    std::uint32_t mFPSStartTick = 0, mDemoTimeTick = 0;
    int mFPSCount = 0, mFPSFlipCount = 0;
    std::string mFPSText, mDemoTimeText;
    std::unique_ptr<MemoryImage> mFPSImage, mDemoTimeImage;
    // "_dump/imagelist.html" with every live image and its memory.
    void WriteImageDump();
    void ShowVideoStats();
    // After a frame is drawn: the frame-rate text 10 pixels in from the
    // right and bottom, and while a demo plays its remaining time above.
    void DrawDebugOverlay();

    // ---- crash reports (CrashReport.cpp) ----
    // Extra fields of a crash report's upload, and a demo to send with it.
    virtual void FillCrashFields(std::map<std::string, std::string>&) {}
    virtual std::string GetCrashDemoName() { return std::string(); }

    // ---- demo recording and playback (AppDemo.cpp) ----
    Buffer mDemoBuffer;
    DemoWriter mDemoWriter{&mDemoBuffer};
    DemoReader mDemoReader{&mDemoBuffer};
    DemoChannel mDemoChannel;
    int mDemoLength = 0;  // updates in the played file
    std::vector<DemoMarker> mDemoMarkers;
    int mDeliveredMouseX = 0, mDeliveredMouseY = 0;  // the last position the widgets got
    double mDemoSavedMusicVolume = 0.0, mDemoSavedSfxVolume = 0.0;  // the "S" key's
    // The exchanges' view of the demo, brought up to date.
    DemoChannel* DemoState();
    bool ReadDemoFile(std::string* error);
    void WriteDemoFile();
    // Applies the records due at the current update (playing only).
    void ProcessDemo();
    // Writes the record of a message taken from the queue (recording only).
    void RecordDemoMessage(const plat::MsgRecord& m);
    void RecordMouseInWindow(bool inside);
    void RecordScreenMode();
    bool ReadBufferFromFile(const std::string& name, Buffer* buffer, bool bypass = false);
    void SyncDataBuffer(Buffer* buffer);
    bool SyncBoolThroughDemo(bool value);
    std::string SyncStringThroughDemo(const std::string& value);
    // Playback's run to the target update at full speed, sound muted;
    // handled is false once the target is reached.
    bool DemoFastForward(double updatesPerFrame, bool* handled);
    std::uint32_t mLastFastForwardRepaint = 0;
    // The playback keys of a character typed while a demo plays.
    void DemoPlaybackChar(char c);
    // The target update of a jump-to-time text ("1:30" and the like).
    int DemoJumpTarget(const std::string& text) const;
    void ShowDemoJumpDialog();
    void ShowDemoMarkerList();
    // Settings access that a demo neither records nor answers: the 3D
    // test's own key and the playback dialog's "DemoJumpTime".
    bool RegistryReadLive(const std::string& name, std::uint32_t* type, void* data, std::uint32_t* size);
    bool RegistryWriteLive(const std::string& name, std::uint32_t type, const void* data, std::uint32_t size);

protected:
    void SampleElapsed();
    void ProcessSafeDeleteQueue();
    std::uint32_t Tick() { return mHost->Clock().TickMs(); }
    void SleepMs(int ms) {
        if (ms > 0) mHost->Clock().SleepMs(static_cast<std::uint32_t>(ms));
    }
    void NoteLoadingCompletion();
    void WriteStatistics();
    void DeliverMessage(const plat::MsgRecord& m);
    void CheckMouseInWindow();
    void UpdateScreenSaverInhibit();
    // Screen-saver mode: true when the message was taken.
    bool ScreenSaverHandled(const plat::MsgRecord& m, std::intptr_t* result);
    void ConfirmHardwareAcceleration();

    std::thread mLoadingThread;
    std::function<void(const std::string&, const std::string&)> mPreviousErrorSink;
    bool mErrorSinkInstalled = false;
    bool mLogScreenSaverOpened = false;
    bool mScreenSaverClosing = false;
    int mScreenSaverMoves = 0;
    bool mScreenSaverHavePos = false;
    int mScreenSaverX = 0, mScreenSaverY = 0;
    std::uint32_t mLastMonitorPowerTick = 0;
};

}  // namespace Vant
