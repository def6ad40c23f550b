// A small program on the adapter's application for the real-window test:
// the fixture screen (its background and a static near the right edge that
// carries a text tooltip); Return opens a modal dialog over it. Lines on
// stdout tell the test what has been shown. It runs in a folder whose
// "data" is the look fixture.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "../../framework/app/support/SdlProbeHost.h"
#include "framework/app/WidgetManager.h"
#include "gui/BasicScreen.h"
#include "gui/ScreenSystem.h"
#include "ostrel/App.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Statics.h"

namespace {

using namespace orvek::ostrel;
namespace gui = orvek::trelm::gui;

void Say(const char* line) {
    std::printf("probe: %s\n", line);
    std::fflush(stdout);
}

class FixtureScreen : public gui::BasicScreen {
public:
    FixtureScreen(gui::ScreenSystem& system, std::function<void()> on_enter)
        : BasicScreen(system, "menu/fixture"), target(control(), "menu/fixture/tip-target"),
          on_enter_(std::move(on_enter)) {
        target.set_tooltip(std::make_shared<TextTooltip>("menu/fixture/tooltip"));
    }
    void on_accept() override { on_enter_(); }
    StaticImage target;

private:
    std::function<void()> on_enter_;
};

class ProbeApp : public App {
public:
    explicit ProbeApp(Vant::AppHost* host) : App(host) {
        mProdName = "ZelkorSkinProbe";
        mTitle = "Zelkor Skin Probe";
        mRegKey = "ZelkorSkinProbe";
        mWantsLoadingThread = false;
        mWidth = 800;
        mHeight = 600;
        set_config_name("skin_probe");
    }
    ~ProbeApp() override {
        dialog_.reset();
        screen_.reset();
        Skin::destroy();
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    std::unique_ptr<orvek::ostrel::ScreenSystem> create_screen_system() override {
        return std::make_unique<gui::ScreenSystem>(mWidgetManager.get(), resource_manager());
    }

    void init() override {
        App::init();
        Skin::set_resources_file("data/resources.xml");
        Skin::set_skin_file("data/Skin.xml");
        Skin::set_language("en");
        Skin::set_language_file("data/en.xml");
        Skin::create(dynamic_cast<ResourceManager*>(resource_manager()));
        Skin::instance()->load_resources("Common");
        set_screen_size(mWidth, mHeight);
        auto& ss = static_cast<gui::ScreenSystem&>(*screen_system());
        screen_ = std::make_unique<FixtureScreen>(ss, [this, &ss] {
            if (dialog_) return;
            // Made now, so its shade lies above the screen it darkens.
            dialog_ = std::make_unique<gui::ModalScreenWithText>(ss, "menu/fixture-dialog");
            ss.push_modal_screen(dialog_.get());
            pending_ = "shown dialog";
        });
        ss.push_screen(screen_.get());
        pending_ = "shown screen";
    }

    bool DrawDirtyStuff() override {
        const bool tip = screen_system() && screen_system()->shown_tooltip() != nullptr;
        if (tip != tip_) {
            tip_ = tip;
            pending_ = tip ? "tooltip shown" : "tooltip hidden";
        }
        // Said once the picture is surely on the window: a frame or two
        // drawn in full after the change.
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
    std::unique_ptr<FixtureScreen> screen_;
    std::unique_ptr<gui::ModalScreenWithText> dialog_;
    std::string pending_;
    bool tip_ = false;
    int frames_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    apptest::SdlProbeHost probe(argc, argv);
    {
        ProbeApp app(&probe.host);
        app.Init();
        app.Start();
    }
    Say("ended");
    return 0;
}
