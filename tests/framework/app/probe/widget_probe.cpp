// A small program with the stock widgets for the real-window test: a
// button that opens a modal dialog, an edit field, a list with a scroll
// bar and a slider. Every listener call is written to "events.txt" as it
// happens; once the dialog is closed with OK the probe takes a screenshot
// and says "probe: shot".
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "../support/TestFont.h"
#include "framework/app/ButtonWidget.h"
#include "framework/app/Dialog.h"
#include "framework/app/EditWidget.h"
#include "framework/app/ListWidget.h"
#include "../support/SdlProbeHost.h"
#include "framework/app/PlatformHost.h"
#include "framework/app/ScrollbarWidget.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/Signals.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"

namespace {

using namespace Vant;

// The opaque backdrop under everything.
class Backdrop : public Widget {
public:
    void Draw(Graphics* g) override {
        g->SetColor(Color(40, 60, 90));
        g->FillRect(0, 0, mWidth, mHeight);
    }
};

std::string Hex(const std::string& text) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

class ProbeApp : public VantAppBase, public EditListener, public ListListener, public SliderListener {
public:
    explicit ProbeApp(AppHost* host) : VantAppBase(host), events_("events.txt") {
        mProdName = "ZelkorWidgetProbe";
        mTitle = "Zelkor Widget Probe";
        mRegKey = "ZelkorWidgetProbe";
        mWantsLoadingThread = false;
        mWidth = 400;
        mHeight = 300;
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    void InitHook() override {
        Widget::sFontMaker = &apptest::TestFont::Make;
        WidgetManager& wm = *mWidgetManager;
        backdrop_.Resize(0, 0, mWidth, mHeight);
        wm.AddWidget(&backdrop_);

        button_ = std::make_unique<ButtonWidget>(1, this);
        button_->mLabel = "Go";
        button_->Resize(20, 20, 80, 24);
        wm.AddWidget(button_.get());

        edit_ = std::make_unique<EditWidget>(2, this);
        edit_->Resize(120, 20, 200, 24);
        // A caret that never blinks keeps the picture the same at any moment.
        edit_->mBlinkDelay = 1 << 30;
        wm.AddWidget(edit_.get());

        font_ = std::make_unique<apptest::TestFont>();
        list_ = std::make_unique<ListWidget>(3, font_.get(), this);
        bar_ = std::make_unique<ScrollbarWidget>(4, list_.get());
        bar_->ResizeScrollbar(180, 60, 16, 108);
        list_->mItemHeight = 20;
        list_->SetScrollbar(bar_.get());
        list_->Resize(20, 60, 160, 108);
        for (int i = 0; i < 10; ++i) list_->AddLine("item " + std::to_string(i), false);
        wm.AddWidget(list_.get());
        wm.AddWidget(bar_.get());

        track_ = std::make_unique<MemoryImage>(this);
        track_->Create(30, 6);
        {
            Graphics t(track_.get());
            t.SetColor(Color(200, 200, 200));
            t.FillRect(0, 0, 30, 6);
        }
        thumb_ = std::make_unique<MemoryImage>(this);
        thumb_->Create(10, 16);
        {
            Graphics t(thumb_.get());
            t.SetColor(Color(240, 160, 40));
            t.FillRect(0, 0, 10, 16);
        }
        slider_ = std::make_unique<Slider>(track_.get(), thumb_.get(), 5, this);
        slider_->Resize(220, 80, 160, 20);
        wm.AddWidget(slider_.get());
        std::printf("probe: window open\n");
        std::fflush(stdout);
    }
    void Teardown() {
        mWidgetManager->RemoveAllWidgets(false, false);
        slider_.reset();
        bar_.reset();
        list_.reset();
        edit_.reset();
        button_.reset();
        track_.reset();
        thumb_.reset();
    }

    void ButtonPress(int id) override { Log("press " + std::to_string(id)); }
    void ButtonRelease(int id) override {
        Log("release " + std::to_string(id));
        if (id == 1) {
            Dialog* d = DoDialog(6, true, "Sure?", "Keep the text?", "", 2);
            d->Resize(100, 100, 200, d->GetPreferredHeight(200));
            Log("dialog at " + std::to_string(d->mYesButton->mX) + "," + std::to_string(d->mYesButton->mY));
        } else if (id == 2000 + 6) {
            KillDialog(6);
            shotPending_ = true;
        }
    }
    void EditTextEntered(int id, const std::string& text) override {
        Log("entered " + std::to_string(id) + " " + Hex(text));
    }
    void ListClicked(int id, int line, int clicks) override {
        Log("clicked " + std::to_string(id) + " " + std::to_string(line) + " " + std::to_string(clicks));
    }
    void SliderValue(int id, double value) override {
        char text[64];
        std::snprintf(text, sizeof text, "slider %d %.2f", id, value);
        Log(text);
    }

    bool DrawDirtyStuff() override {
        const bool drew = VantAppBase::DrawDirtyStuff();
        // The frame after the dialog went is the one kept.
        if (shotPending_ && drew && ++framesAfter_ == 3) {
            TakeScreenshot();
            Log("shot");
            std::printf("probe: shot\n");
            std::fflush(stdout);
        }
        return drew;
    }

private:
    void Log(const std::string& line) {
        events_ << line << "\n";
        events_.flush();
    }
    std::ofstream events_;
    Backdrop backdrop_;
    std::unique_ptr<apptest::TestFont> font_;
    std::unique_ptr<ButtonWidget> button_;
    std::unique_ptr<EditWidget> edit_;
    std::unique_ptr<ListWidget> list_;
    std::unique_ptr<ScrollbarWidget> bar_;
    std::unique_ptr<MemoryImage> track_, thumb_;
    std::unique_ptr<Slider> slider_;
    bool shotPending_ = false;
    int framesAfter_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    apptest::SdlProbeHost probe(argc, argv);
    {
        ProbeApp app(&probe.host);
        app.Init();
        app.Start();
        app.Teardown();
    }
    return 0;
}
