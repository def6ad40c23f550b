#include "framework/app/VantAppBase.h"

#include "framework/app/BassMusicInterface.h"
#include "framework/app/CommandLine.h"
#include "framework/app/CrashReport.h"
#include "framework/app/DSoundManager.h"
#include "framework/app/ResourceManager.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "orvek/DirSearch.h"
#include "orvek/Exception.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/Path.h"
#include "platform/CrashHandler.h"

namespace Vant {

namespace {
orvek::LogChannel app_info("vant.app", orvek::log_info);

std::function<void(int)>& ExitFunction() {
    static std::function<void(int)> f = [](int code) { std::exit(code); };
    return f;
}

// The process's arguments as one command-line text.
std::string& CommandLineText() {
    static std::string text;
    return text;
}
}  // namespace

VantAppBase* VantAppBase::gApp = nullptr;

void VantAppBase::SetExitFunction(std::function<void(int)> f) {
    ExitFunction() = f ? std::move(f) : [](int code) { std::exit(code); };
}

void VantAppBase::SetCommandLine(int argc, const char* const* argv) {
    CommandLineText() = JoinCommandLine(argc, argv);
}

VantAppBase::VantAppBase(AppHost* host) : mHost(host) {
    gApp = this;
    SetGraphicsApp(this);
    mProductVersion = GetProductVersion(std::string());
    mTimeLoaded = Tick();
    mLastDrawTick = Tick();
    mNextDrawTick = Tick();
    for (int i = 0; i < 256; ++i) {
        mAdd8BitMaxTable[i] = static_cast<std::uint8_t>(i);
        mOpaqueTable[i] = 0xFF;
    }
    const std::pair<const char*, const char*> strings[] = {
        {"DIALOG_BUTTON_OK", "OK"},
        {"DIALOG_BUTTON_CANCEL", "CANCEL"},
        {"UPDATE_CHECK_TITLE", "Update Check"},
        {"UPDATE_CHECK_BODY", "Checking if there are any updates available for this product ..."},
        {"UP_TO_DATE_TITLE", "Up to Date"},
        {"UP_TO_DATE_BODY", "There are no updates available for this product at this time."},
        {"NEW_VERSION_TITLE", "New Version"},
        {"NEW_VERSION_BODY",
         "There is an update available for this product.  Would you like to visit the web site to download it?"},
    };
    for (const auto& [k, v] : strings) mStringProperties[k] = v;
    mWidgetManager = std::make_unique<WidgetManager>(this);
    mResourceManager = std::make_unique<ResourceManager>(this);
    if (mHost->WantsCrashHooks()) InstallAppCrashHandler(this);
}

VantAppBase::~VantAppBase() {
    Shutdown();
    ConfirmHardwareAcceleration();
    if (mErrorSinkInstalled) orvek::set_error_sink(mPreviousErrorSink);
    FreeDialogsAndWidgets();
    mWidgetManager.reset();
    mResourceManager.reset();
    mFPSImage.reset();
    mDemoTimeImage.reset();
    StopCursorThread();
    mSharedImageMap.clear();
    mDisplay.reset();
    mMusicInterface.reset();
    mSoundManager.reset();
    if (mHWnd) mHost->DestroyWindow(mHWnd);
    mHWnd = 0;
    if (mLoadingThread.joinable()) mLoadingThread.join();
    if (mRecordingDemo) WriteDemoFile();
    if (gApp == this) gApp = nullptr;
    if (GetGraphicsApp() == this) SetGraphicsApp(nullptr);
    // Memory images that outlive the application (a screen's shade, a
    // tooltip's pieces) forget it, so their destructors do not reach it.
    for (MemoryImage* image : mMemoryImageSet) image->app = nullptr;
}

void VantAppBase::RegisterMemoryImage(MemoryImage* image) {
    ScopedLock lock(mCritSect);
    mMemoryImageSet.insert(image);
}

void VantAppBase::UnregisterMemoryImage(MemoryImage* image) {
    ScopedLock lock(mCritSect);
    mMemoryImageSet.erase(image);
    Remove3DData(image);
}

void VantAppBase::SetImageSetDirty() {
    ScopedLock lock(mCritSect);
    mCleanupSharedImages = true;
}

void VantAppBase::ConfirmHardwareAcceleration() {
    if (!mDisplay) return;
    if (mUserChanged3DSetting) {
        std::uint32_t was = 0;
        if (RegistryReadDword("Is3D", &was) || Is3DRecommended()) {
            RegistryWriteDword("Is3D", mDisplay->Is3D() ? 1 : 0);
        } else if (mDisplay->Is3D()) {
            const int answer =
                MsgBox("Hardware Acceleration was switched on during this session.\r\n"
                       "If this resulted in slower performance, it should be switched off.\r\n"
                       "Would you like to keep Hardware Acceleration switched on?",
                       mTitlePrefix + " Hardware Acceleration Confirmation", mb::kYesNo | mb::kIconQuestion);
            mDisplay->Set3D(answer == mb::kIdYes);
            if (answer == mb::kIdYes) RegistryWriteDword("Is3D", 1);
            return;
        }
    }
    if (!mIsScreenSaver && !AskKeep3DAfterProblems()) RegistryWriteDword("Is3D", 0);
}

void VantAppBase::DoExit(int code) { ExitFunction()(code); }

void VantAppBase::Init() {
    mPrimaryThreadId = std::this_thread::get_id();
    mPrimaryThreadKnown = true;
    if (mShutdown) return;

    // Our layers are linked in; what can be missing is the display itself.
    if (!mHost->StartWindowing()) {
        mHost->MessageBox("This application requires a graphical display to run.", mTitle, mb::kIconError);
        DoExit(1);
        return;
    }
    // From now on the base library's error reports show as message boxes.
    if (!mErrorSinkInstalled) {
        mPreviousErrorSink = orvek::set_error_sink(
            [this](const std::string& text, const std::string& caption) { MsgBox(text, caption, mb::kIconError); });
        mErrorSinkInstalled = true;
    }

    if (!mCmdLineParsed) ParseCommandLine();
    if (mShutdown) return;

    if (mIsScreenSaver) mOnlyAllowOneCopyToRun = false;
    if (mOnlyAllowOneCopyToRun) {
        mNotifyGameMessage = mHost->RegisterMessage("Notify" + mProdName);
        if (!mHost->ClaimSingleInstance(mProdName + "Mutex")) {
            DoExit(0);
            return;
        }
    }

    orvek::PathString exe;
    orvek::get_module_file_name(exe);
    const std::string folder = DirectoryOfPath(exe.str());
    if (!ChangeDirHook(folder) && !folder.empty()) {
        if (::chdir(folder.c_str()) != 0) app_info << "cannot change to '" << folder << "'" << std::endl;
    }

    mRandSeed = Tick();
    if (mPlayingDemo) {
        std::string error;
        if (!ReadDemoFile(&error)) {
            mPlayingDemo = false;
            Popup(error);
            DoExit(0);
            return;
        }
    }

    PreReadRegistry();
    std::srand(Tick());
    ReadFromRegistry();

    mWidgetManager->SetSize(mWidth, mHeight);

    // The desktop's mode is never changed; a window not smaller than the
    // usable desktop starts full screen.
    if (!mFullScreenWindow && mIsWindowed) {
        const HostRect work = mHost->WorkArea();
        if (!(mWidth < work.width() && mHeight < work.height())) mIsWindowed = false;
    }

    CreateMainWindow();
    if (mShutdown) return;

    if (!mSoundManager) mSoundManager.reset(CreateSoundManager());
    SetSfxVolume(mSfxVolume);
    mMusicInterface.reset(CreateMusicInterface());
    SetMusicVolume(mMusicVolume);

    if (mIsScreenSaver) {
        mCursorNum = 11;
        ApplyCursor();
    }
    InitHook();
    mInitialized = true;
    RefreshAppCrashTexts(this);
}

void* VantAppBase::SoundWindow(plat::WindowHandle window) {
    return window ? reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)) : nullptr;
}

// Without a window or an audio device the manager is the silent one.
SoundManager* VantAppBase::CreateSoundManager() { return new DSoundManager(SoundWindow(mHWnd), false); }

// The music library plays on the sound manager's device, so this comes
// after the sound manager; without the library the music is silent.
MusicInterface* VantAppBase::CreateMusicInterface() {
    auto music = std::make_unique<BassMusicInterface>(SoundWindow(mHWnd));
    if (!music->HasLibrary()) return new MusicInterface();
    return music.release();
}

void VantAppBase::Start() {
    if (mShutdown) return;
    if (mWantsLoadingThread && !mLoadingThreadStarted && !mLoadingThread.joinable()) {
        mLoadingThrottle = true;
        mLoadingThreadStarted = true;
        mLoadingThread = std::thread([this] {
            // The application's clock belongs to the primary thread.
            const auto began = std::chrono::steady_clock::now();
            LoadingThreadProc();
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - began);
            app_info << "Resource Loading Time: " << static_cast<int>(ms.count()) << std::endl;
            mLoadingThreadCompleted = true;
        });
    }
    if (mHWnd) mHost->ShowWindow(mHWnd, true);

    const std::uint32_t start = Tick();
    mRunning = true;
    mLastTime = start;
    mLastUserInputTick = start;
    mLastTimerTime = start;
    StartCursorThread();
    MainLoop();
    ProcessSafeDeleteQueue();
    mRunning = false;
    StopCursorThread();
    if (mLoadingThread.joinable()) mLoadingThread.join();

    mStatistics.clear();
    const std::uint32_t ms = Tick() - start;
    mStatistics += FormatString("Seconds       = %g\r\n", static_cast<double>(static_cast<unsigned>(ms * 0.001)));
    mStatistics += FormatString("Sleep Count   = %d\r\n", mSleepCount);
    mStatistics += FormatString("Update Count  = %d\r\n", mUpdateCount.load());
    mStatistics += FormatString("Draw Count    = %d\r\n", mDrawCount);
    mStatistics += FormatString("Draw Time     = %d\r\n", static_cast<int>(mDrawTime));
    mStatistics += FormatString("Screen Blt    = %d\r\n", mScreenBltTime);
    if (mDrawTime + mScreenBltTime > 0)
        mStatistics += FormatString("Avg FPS       = %d\r\n",
                                    static_cast<int>(mDrawCount * 1000 / (mDrawTime + mScreenBltTime)));
    app_info << mStatistics << std::flush;

    PreTerminate();
    WriteToRegistry();
}

void VantAppBase::Shutdown() {
    if (mPrimaryThreadKnown && std::this_thread::get_id() != mPrimaryThreadId) {
        // Only the primary thread tears down; the next timed update does it.
        mShutdownRequestedAsync = true;
        return;
    }
    if (mShutdown) return;
    mExitToTop = true;
    mShutdown = true;
    PreShutdown();
    if (mPlayingDemo) {
        SetMusicVolume(mDemoMusicVolume);
        SetSfxVolume(mDemoSfxVolume);
    }
    if (mMusicInterface) mMusicInterface->StopAllMusic();
    if (mHWnd) mHost->ShowWindow(mHWnd, false);
    if (mReadFromRegistry) WriteToRegistry();
}

void VantAppBase::ParseCommandLine() {
    const std::string& text = CommandLineText();
    std::size_t pos = 0;
    if (!text.empty() && text[0] == '"') {
        const std::size_t close = text.find('"', 1);
        if (close == std::string::npos) {
            mCmdLineParsed = true;
            return;
        }
        pos = close + 1;
    }
    const std::size_t space = text.find(' ', pos);
    if (space != std::string::npos) SplitCommandLine(text.substr(space + 1));
    mCmdLineParsed = true;
}

void VantAppBase::SplitCommandLine(const std::string& text) {
    SplitCommandLineText(text, [this](const std::string& name, const std::string& value) {
        HandleCmdLineParam(name, value);
        return !mShutdown;
    });
}

void VantAppBase::HandleCmdLineParam(const std::string& name, const std::string& value) {
    // An empty parameter (a doubled or trailing space, or the end after a
    // closing quote) is no parameter.
    if (name.empty() && value.empty()) return;
    if (name == "-play") {
        mPlayingDemo = true;
        mRecordingDemo = false;
    } else if (name == "-record") {
        mRecordingDemo = true;
        mPlayingDemo = false;
    } else if (name == "-recnum") {
        int n = std::atoi(value.c_str());
        if (n < 1) n = 5;
        const int highest = FindNumberedDemos(n, true);
        mDemoFileName = mDemoPrefix + FormatString("%d.dmo", highest + 1);
        mRecordingDemo = true;
        mPlayingDemo = false;
    } else if (name == "-playnum") {
        int k = std::atoi(value.c_str()) - 1;
        if (k < 0) k = 0;
        const int highest = FindNumberedDemos(0, false);
        mDemoFileName = mDemoPrefix + FormatString("%d.dmo", highest - k);
        mPlayingDemo = true;
        mRecordingDemo = false;
    } else if (name == "-demofile") {
        mDemoFileName = value;
    } else if (name == "-crash") {
        plat::crash::CrashNow();
    } else if (name == "-screensaver") {
        mIsScreenSaver = true;
    } else {
        Popup("Invalid Command Line Param: " + name);
        DoExit(1);
    }
}

int VantAppBase::FindNumberedDemos(int keep, bool deleteOld) {
    std::vector<std::pair<int, std::string>> found;
    orvek::DirSearch search(mDemoPrefix + "*.dmo", orvek::DirSearch::accept_files);
    for (const orvek::DirEntry& e : search) {
        const std::string& n = e.name;
        if (n.size() <= mDemoPrefix.size() + 4) continue;
        const std::string middle = n.substr(mDemoPrefix.size(), n.size() - mDemoPrefix.size() - 4);
        if (ToLowerCopy(n.substr(n.size() - 4)) != ".dmo") continue;
        int number = 0;
        bool digits = !middle.empty();
        for (char c : middle) digits = digits && std::isdigit(static_cast<unsigned char>(c));
        if (!digits || middle.size() > 9 || !ParseInt(middle, &number)) continue;
        found.emplace_back(number, e.full_path());
    }
    if (found.empty()) return 0;
    auto [lowest, highest] = std::minmax_element(found.begin(), found.end());
    const int high = highest->first;
    if (deleteOld && static_cast<int>(found.size()) >= keep) orvek::delete_file(lowest->second);
    return high;
}

void VantAppBase::DialogPress(int dialogId, int buttonId) {
    if (buttonId == 1000) ButtonPress(dialogId + 2000);
    else if (buttonId == 1001) ButtonPress(dialogId + 3000);
}

void VantAppBase::DialogRelease(int dialogId, int buttonId) {
    if (buttonId == 1000) ButtonRelease(dialogId + 2000);
    else if (buttonId == 1001) ButtonRelease(dialogId + 3000);
}

std::string VantAppBase::GetString(const std::string& id, const std::string& fallback) const {
    auto it = mStringProperties.find(id);
    return it == mStringProperties.end() ? fallback : it->second;
}

}  // namespace Vant
