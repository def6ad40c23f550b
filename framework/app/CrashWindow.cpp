// The crash window of the restarted process, built from the framework's own
// widgets: the report with "Send Report" (only with a host) and "Close Now";
// then the details page with the comment, "Continue" and "Abort"; then the
// progress page while the upload runs.
#include <cstdio>
#include <memory>

#include "framework/app/ButtonWidget.h"
#include "framework/app/CrashReport.h"
#include "framework/app/EditWidget.h"
#include "framework/app/HTTPTransfer.h"
#include "framework/app/ListWidget.h"
#include "framework/app/PlatformHost.h"
#include "framework/app/ScrollbarWidget.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"

namespace Vant {

namespace {

enum ButtonId { kSend = 1, kClose, kContinue, kAbort };

std::string Header(int page) {
    switch (page) {
    case 0: return "An unexpected error has occured!";
    case 1: return "Please help out by providing as much information as you can about this crash.";
    default: return "Please Wait";
    }
}

// The window's ground in the button-face grey, with the page's header.
class Ground : public Widget {
public:
    void Draw(Graphics* g) override {
        g->SetColor(Color(212, 208, 200));
        g->FillRect(0, 0, mWidth, mHeight);
        SysFont font(app, "Arial", 9, 0, true);
        g->SetFont(&font);
        g->SetColor(Color(0, 0, 0));
        g->DrawString(text, 8, 8 + font.GetAscent());
    }
    std::string text;
    GraphicsApp* app = nullptr;
};

class CrashWindowApp : public VantAppBase, public EditListener {
public:
    CrashWindowApp(AppHost* host, const CrashHandoff& handoff, const std::string& title, const std::string& report)
        : VantAppBase(host), mHandoff(handoff), mErrorTitle(title), mReport(report) {
        mTitle = "Fatal Error!";
        mProdName = "ZelkorCrashReport";
        mOnlyAllowOneCopyToRun = false;
        mWantsLoadingThread = false;
        mCmdLineParsed = true;
        mWidth = 400;
        mHeight = 300;
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    void InitHook() override {
        CopyToClipboard(mReport);
        mListFont = std::make_unique<SysFont>(this, "Courier New", 8);
        ShowPage(0);
    }
    using VantAppBase::ButtonPress;
    void ButtonPress(int id) override { mAction = id; }
    void UpdateFrames() override {
        VantAppBase::UpdateFrames();
        const int action = mAction;
        mAction = 0;
        if (action == kClose) Finish("closed");
        if (action == kSend) ShowPage(1);
        if (action == kContinue) {
            mUserText = mEdit->mString.substr(0, 8192);
            ShowPage(2);
            StartUpload();
        }
        if (action == kAbort) {
            if (mPage == 2) mTransfer.Reset();
            Finish("aborted");
        }
        if (mPage == 2 && mUploading) PollUpload();
    }
    void Teardown() {
        mWidgetManager->RemoveAllWidgets(false, false);
        mButtons.clear();
        mEdit.reset();
        mBar.reset();
        mList.reset();
        mListFont.reset();
    }

private:
    void Finish(const char* how) {
        std::printf("crash window: %s\n", how);
        std::fflush(stdout);
        Shutdown();
    }
    void AddButton(int id, const char* label, int x, int y, int w, int h) {
        auto b = std::make_unique<ButtonWidget>(id, this);
        b->mLabel = label;
        b->Resize(x, y, w, h);
        mWidgetManager->AddWidget(b.get());
        mButtons.push_back(std::move(b));
    }
    void ShowPage(int page) {
        // Widgets of the page before are deleted only after this update.
        for (auto& b : mButtons) {
            mWidgetManager->RemoveWidget(b.get());
            SafeDeleteWidget(b.release());
        }
        mButtons.clear();
        if (mList) mWidgetManager->RemoveWidget(mList.get());
        if (mBar) mWidgetManager->RemoveWidget(mBar.get());
        if (mEdit) mWidgetManager->RemoveWidget(mEdit.get());
        mPage = page;
        mGround.text = Header(page);
        if (!mGround.mWidgetManager) {
            mGround.app = this;
            mGround.Resize(0, 0, mWidth, mHeight);
            mWidgetManager->AddWidget(&mGround);
        }
        std::string labels;
        if (page == 0) {
            mList = std::make_unique<ListWidget>(10, mListFont.get(), nullptr);
            mBar = std::make_unique<ScrollbarWidget>(11, mList.get());
            mList->Resize(8, 92, 368, 168);
            mBar->ResizeScrollbar(376, 92, 16, 168);
            mList->SetScrollbar(mBar.get());
            std::size_t at = 0;
            while (at < mReport.size()) {
                std::size_t end = mReport.find('\n', at);
                if (end == std::string::npos) end = mReport.size();
                std::string line = mReport.substr(at, end - at);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                mList->AddLine(line, false);
                at = end + 1;
            }
            mWidgetManager->AddWidget(mList.get());
            mWidgetManager->AddWidget(mBar.get());
            if (!mHandoff.host.empty()) {
                AddButton(kSend, "Send Report", 8, 268, 188, 24);
                AddButton(kClose, "Close Now", 204, 268, 188, 24);
                labels = "Send Report,Close Now";
            } else {
                AddButton(kClose, "Close Now", 8, 268, 384, 24);
                labels = "Close Now";
            }
        } else if (page == 1) {
            mEdit = std::make_unique<EditWidget>(12, this);
            mEdit->mMaxChars = 8192;
            mEdit->Resize(8, 92, 384, 24);
            mWidgetManager->AddWidget(mEdit.get());
            mWidgetManager->SetFocus(mEdit.get());
            AddButton(kContinue, "Continue", 8, 268, 188, 24);
            AddButton(kAbort, "Abort", 204, 268, 188, 24);
            labels = "Continue,Abort";
        } else {
            AddButton(kAbort, "Abort", 152, 268, 96, 22);
            labels = "Abort";
        }
        mWidgetManager->MarkAllDirty();
        std::printf("crash window: page %d: %s\n", page, labels.c_str());
        std::fflush(stdout);
    }
    void StartUpload() {
        std::vector<unsigned char> demo;
        Buffer file;
        const bool withDemo = mHandoff.attachDemo && ReadBufferFromFile(mHandoff.demoFile, &file, true);
        if (withDemo) demo.assign(file.mData.begin(), file.mData.begin() + file.GetDataLen());
        mTransfer.StartTransfer(mHandoff.host,
                                BuildCrashRequest(mHandoff, mUserText, mErrorTitle, mReport, withDemo ? &demo : nullptr));
        mUploading = true;
        mTicks = 0;
    }
    void PollUpload() {
        mTransfer.UpdateStatus();
        if (++mTicks % 100 == 0) {
            mGround.text = "Please Wait";
            for (int i = 0; i < mTicks / 100 % 10; ++i) mGround.text += " .";
            mWidgetManager->MarkAllDirty();
        }
        const int result = mTransfer.GetResult();
        if (result == HTTPTransfer::RESULT_NOT_STARTED || result == HTTPTransfer::RESULT_NOT_COMPLETED) return;
        mUploading = false;
        if (result == HTTPTransfer::RESULT_DONE || result == HTTPTransfer::RESULT_ABORTED) {
            Finish("sent");
            return;
        }
        mTransfer.Reset();
        if (MsgBox("Failed to connect to server.", "Connection Failed", mb::kRetryCancel) == mb::kIdRetry)
            StartUpload();
        else
            Finish("not sent");
    }

    CrashHandoff mHandoff;
    std::string mErrorTitle, mReport, mUserText;
    Ground mGround;
    std::unique_ptr<SysFont> mListFont;
    std::unique_ptr<ListWidget> mList;
    std::unique_ptr<ScrollbarWidget> mBar;
    std::unique_ptr<EditWidget> mEdit;
    std::vector<std::unique_ptr<ButtonWidget>> mButtons;
    HTTPTransfer mTransfer;
    int mPage = 0, mAction = 0, mTicks = 0;
    bool mUploading = false;
};

}  // namespace

int RunCrashReportWithWindow() {
    return RunCrashReport([](const CrashHandoff& handoff, const std::string& title, const std::string& report) {
        plat::sdl::SdlWindowService window;
        plat::sdl::SdlShell shell;
        plat::sdl::SdlDisplay display{window};
        PlatformHost host{window, shell, plat::SystemClock()};
        host.SetDisplayDevice(&display);
        if (!host.StartWindowing()) {
            // No display: the report goes where someone may read it.
            std::fwrite(report.data(), 1, report.size(), stderr);
            return;
        }
        CrashWindowApp app(&host, handoff, title, report);
        app.Init();
        app.Start();
        app.Teardown();
    });
}

}  // namespace Vant
