#pragma once
// The game application on the headless window and a manual clock, in the
// test's own folder with the look fixture linked in as "data": saves and
// configuration start empty for every stage.
#include <filesystem>
#include <memory>
#include <string>

#include "core/Profile.h"
#include "core/Profiles.h"
#include "framework/app/DSoundManager.h"
#include "framework/app/WidgetManager.h"
#include "gui/GameApp.h"
#include "gui/MainMenuScreen.h"
#include "orvek/config/ConfigRegistry.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/support/AdapterHarness.h"
#include "platform/Messages.h"
#include "support/Fixture.h"

namespace guitest {

class TestGameApp : public orvek::trelm::GameApp {
public:
    TestGameApp(Vant::AppHost* host, std::string program) : GameApp(host), program_(std::move(program)) {
        mOnlyAllowOneCopyToRun = false;
        keep_directory = true;
        Vant::VantAppBase::SetExitFunction([](int code) { throw adaptertest::ExitCalled{code}; });
    }
    ~TestGameApp() override { Vant::VantAppBase::SetExitFunction(nullptr); }
    Vant::SoundManager* CreateSoundManager() override {
        return new Vant::DSoundManager(static_cast<plat::AudioDevice*>(nullptr), false);
    }
    Vant::MusicInterface* CreateMusicInterface() override { return new Vant::MusicInterface(); }

protected:
    std::string program_file() const override { return program_; }

private:
    std::string program_;
};

struct GameStage {
    adaptertest::Platform p;
    std::unique_ptr<TestGameApp> app;

    GameStage() {
        if (!testsupport::link_fixture_data()) std::abort();
        std::error_code ec;
        std::filesystem::remove_all("saves", ec);
        app = std::make_unique<TestGameApp>(&p.host, p.program);
    }
    std::string config_file() const { return p.config_file("Trelm"); }
    orvek::trelm::gui::ScreenSystem& ss() const { return *app->game_screen_system(); }
    orvek::trelm::gui::SessionControllerBase& controller() const { return *ss().controller(); }
    // A stored player whom the main menu's first show logs in; after init,
    // whose configuration load would forget the last logged name.
    void add_player(const std::string& name) {
        app->profiles().add(std::make_shared<orvek::trelm::core::Profile>(name));
        orvek::ostrel::ConfigRegistry::instance().set_string("profiles/@last_logged", name);
    }
    // Fixed steps as the App runs them, with the quit question after each.
    bool step(int n = 1) {
        for (int i = 0; i < n; ++i) {
            ss().update();
            if (app->quit_now()) return true;
        }
        return false;
    }
    // The stack's screens by their dynamic type, bottom first.
    template <class T>
    bool top_is() const {
        return dynamic_cast<T*>(ss().top_screen()) != nullptr;
    }
};

// A stage standing on the main menu, with clicks and keys as messages. By
// default the player "Tester" is stored and logged in, so the menu asks
// nothing.
struct MenuStage : GameStage {
    explicit MenuStage(bool with_player = true) {
        app->init();
        if (with_player) add_player("Tester");
        step(2);
        ss().post_message(256, 'A', 0);  // skips the logos
        for (int i = 0; i < 40 && !top_is<orvek::trelm::gui::MainMenuScreen>(); ++i) step();
    }
    void click(orvek::ostrel::BasicButton& b) {
        const orvek::ostrel::Point p = b.screen_position();
        const auto at = static_cast<std::int32_t>(plat::MakePointParam(p.x + 2, p.y + 2));
        ss().post_message(512, 0, at);
        ss().post_message(513, 1, at);
        ss().post_message(514, 0, at);
    }
    void key(std::uint32_t vk) { ss().post_message(256, vk, 0); }

    // What the window makes of typing: each character goes at once to the
    // focused framework widget, and to the screens as a character message
    // for the next step.
    void type(const std::string& text) {
        for (char c : text) {
            ss().widget_manager()->OnKeyChar(c);
            ss().post_message(258, static_cast<unsigned char>(c), 0);
        }
    }
    // A key pressed, to the focused widget and to the screens; Backspace,
    // Enter and Escape bring their character as well, as on the window.
    void press(std::uint32_t vk) {
        ss().widget_manager()->OnKeyDown(static_cast<int>(vk));
        key(vk);
        if (vk == 8 || vk == 13 || vk == 27) type(std::string(1, static_cast<char>(vk)));
        ss().widget_manager()->OnKeyUp(static_cast<int>(vk));
    }
    // Clicks of the mouse at a point of the window, straight to the framework
    // widgets (lists take their input there).
    void widget_click(int x, int y, int clicks) {
        Vant::WidgetManager& wm = *ss().widget_manager();
        wm.OnMouseMove(x, y);
        for (int n = 1; n <= clicks; ++n) {
            wm.OnMouseDown(x, y, n);
            wm.OnMouseUp(x, y, n);
        }
    }
};

}  // namespace guitest
