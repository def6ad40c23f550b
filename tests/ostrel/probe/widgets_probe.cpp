// A small program on the adapter's application for the real-window test of
// buttons and widget bridges: the fixture's "menu/widgets" screen with a
// text button, an image push button with a mask, a check button, an edit
// box, a list box with more lines than its page, and a slidebar. Every
// callback writes a line to "events.txt"; lines on stdout tell the test
// what has been shown. The fixture's data folder (under the folder named
// by ZELKOR_FIXTURE) is copied into the current folder, so stand-in sounds
// land in the copy.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../../framework/app/support/SdlProbeHost.h"
#include "framework/graphics/Graphics.h"
#include "ostrel/App.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/ScreenSystem.h"
#include "ostrel/gui/BasicScreen.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/WidgetBridges.h"

namespace {

using namespace orvek::ostrel;

std::ofstream* g_events = nullptr;

void Log(const std::string& line) {
    *g_events << line << "\n";
    g_events->flush();
}

void Say(const char* line) {
    std::printf("probe: %s\n", line);
    std::fflush(stdout);
}

const std::string W = "menu/widgets";

// The screen's root: the fixture's background.
class Backdrop : public Control {
public:
    Backdrop() : Control(W) {}
    void draw(Vant::Graphics* g) override {
        if (Vant::Image* image = Skin::instance()->get_image(W + "/background").GetImage()) g->DrawImage(image, 0, 0);
    }
};

// Logs where it was scrolled to, once per place (the X server may report
// one move of the pointer as more than one motion).
class LoggingList : public ListBox {
public:
    using ListBox::ListBox;
    void ScrollPosition(int id, double value) override {
        ListBox::ScrollPosition(id, value);
        const int tenths = static_cast<int>(value * 10 + 0.5);
        if (tenths != last_) Log("list at " + std::to_string(tenths) + "/10");
        last_ = tenths;
    }

private:
    int last_ = 0;
};

class WidgetScreen : public BasicScreen {
public:
    WidgetScreen(ScreenSystem& system, int width, int height) : BasicScreen(system, "") {
        auto root = std::make_unique<Backdrop>();
        root->set_size({width, height});
        Control& r = *root;
        install_control(std::move(root));
        text = std::make_unique<ImageTextPushButton>(r, W + "/text-button");
        text->set_action([] { Log("action text-button"); });
        push = std::make_unique<ImagePushButton>(r, W + "/push");
        push->set_action([] { Log("action push"); });
        masked = std::make_unique<ImagePushButton>(r, W + "/masked");
        masked->set_action([] { Log("action masked"); });
        check = std::make_unique<ImageCheckButton>(r, W + "/check");
        check->set_on_change([](bool v) { Log(std::string("check ") + (v ? "on" : "off")); });
        edit = std::make_unique<EditBox>(r.widget(), W + "/edit");
        edit->on_text = [](const std::string& t) { Log("edit text " + t); };
        list = std::make_unique<LoggingList>(r.widget(), W + "/list");
        for (int i = 1; i <= 10; ++i) list->add_line("Line " + std::to_string(i));
        slider = std::make_unique<Slidebar>(r.widget(), W + "/slider");
        slider->set_on_change([](int p) { Log("slider " + std::to_string(p)); });
    }
    ~WidgetScreen() override {
        // The bridges leave the root's widget while it still exists.
        slider.reset();
        list.reset();
        edit.reset();
    }

    std::unique_ptr<ImageTextPushButton> text;
    std::unique_ptr<ImagePushButton> push, masked;
    std::unique_ptr<ImageCheckButton> check;
    std::unique_ptr<EditBox> edit;
    std::unique_ptr<LoggingList> list;
    std::unique_ptr<Slidebar> slider;
};

class ProbeApp : public App {
public:
    explicit ProbeApp(Vant::AppHost* host) : App(host), events_("events.txt") {
        g_events = &events_;
        mProdName = "ZelkorWidgetsProbe";
        mTitle = "Zelkor Widgets Probe";
        mRegKey = "ZelkorWidgetsProbe";
        mWantsLoadingThread = false;
        mWidth = 360;
        mHeight = 320;
        set_config_name("widgets_probe");
    }
    ~ProbeApp() override {
        screen_.reset();
        Skin::destroy();
        g_events = nullptr;
    }
    bool ChangeDirHook(const std::string&) override { return true; }

    void init() override {
        App::init();
        Skin::set_resources_file("data/resources.xml");
        Skin::set_skin_file("data/Skin.xml");
        Skin::set_language_file("data/en.xml");
        Skin::create(dynamic_cast<ResourceManager*>(resource_manager()));
        Skin::instance()->load_resources("Common");
        screen_ = std::make_unique<WidgetScreen>(*screen_system(), mWidth, mHeight);
        // The slider's last report ends the script.
        screen_->slider->set_on_change([this](int p) {
            Log("slider " + std::to_string(p));
            pending_ = "dragged";
        });
        screen_->edit->on_text = [this](const std::string& t) {
            Log("edit text " + t);
            // No blinking text cursor in the picture taken at the end.
            mWidgetManager->SetFocus(nullptr);
            pending_ = "entered";
        };
        screen_system()->push_screen(screen_.get());
        pending_ = "shown";
    }

    bool DrawDirtyStuff() override {
        if (!pending_.empty()) mWidgetManager->MarkAllDirty();
        const bool drew = App::DrawDirtyStuff();
        if (drew && !pending_.empty() && ++frames_ >= 2) {
            Say(pending_.c_str());
            pending_.clear();
            frames_ = 0;
        }
        return drew;
    }

private:
    std::ofstream events_;
    std::unique_ptr<WidgetScreen> screen_;
    std::string pending_;
    int frames_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    // The framework's command line takes no folder; it comes by the environment.
    const char* fixture = std::getenv("ZELKOR_FIXTURE");
    if (!fixture) {
        std::fprintf(stderr, "widgets_probe: ZELKOR_FIXTURE names no fixture folder\n");
        return 2;
    }
    std::filesystem::copy(std::filesystem::path(fixture) / "data", "data",
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing);
    apptest::SdlProbeHost probe(argc, argv);
    {
        ProbeApp app(&probe.host);
        app.Init();
        app.Start();
    }
    Say("ended");
    return 0;
}
