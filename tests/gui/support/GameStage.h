#pragma once
// The game application on the headless window and a manual clock, in the
// test's own folder with the look fixture linked in as "data": saves and
// configuration start empty for every stage.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/Profile.h"
#include "core/Profiles.h"
#include "framework/app/DSoundManager.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/GameApp.h"
#include "gui/MainMenuScreen.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/support/AdapterHarness.h"
#include "platform/Messages.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/Fixture.h"
#include "ScriptedPlay.h"

namespace guitest {

// No audio device; every sound asked for is recorded by its path (the
// adapter asks the manager each time it plays one).
class RecordingSoundManager : public Vant::DSoundManager {
public:
    RecordingSoundManager() : DSoundManager(static_cast<plat::AudioDevice*>(nullptr), false) {}
    using DSoundManager::LoadSound;
    int LoadSound(const std::string& name) override {
        asked.push_back(name);
        return DSoundManager::LoadSound(name);
    }
    std::vector<std::string> asked;
};

class TestGameApp : public orvek::trelm::GameApp {
public:
    TestGameApp(Vant::AppHost* host, std::string program) : GameApp(host), program_(std::move(program)) {
        mOnlyAllowOneCopyToRun = false;
        keep_directory = true;
        Vant::VantAppBase::SetExitFunction([](int code) { throw adaptertest::ExitCalled{code}; });
    }
    ~TestGameApp() override { Vant::VantAppBase::SetExitFunction(nullptr); }
    Vant::SoundManager* CreateSoundManager() override { return new RecordingSoundManager(); }
    Vant::MusicInterface* CreateMusicInterface() override { return new Vant::MusicInterface(); }
    RecordingSoundManager& sounds() const { return static_cast<RecordingSoundManager&>(*mSoundManager); }

    // Display switches are recorded as (windowed, 3D, force); with
    // hold_switches they go no further.
    using GameApp::SwitchScreenMode;
    void SwitchScreenMode(bool windowed, bool is3D, bool force) override {
        switches.emplace_back(windowed, is3D, force);
        if (!hold_switches) GameApp::SwitchScreenMode(windowed, is3D, force);
    }
    std::vector<std::tuple<bool, bool, bool>> switches;
    bool hold_switches = false;
    // Before init: no 3D capability test runs, so the 3D query answers no.
    void answer_no_3d() {
        mTest3D = false;
        mAutoEnable3D = false;
    }

protected:
    std::string program_file() const override { return program_; }

private:
    std::string program_;
};

struct GameStage {
    adaptertest::Platform p;
    // Unused unless attached: without a display device the window gets a
    // blank display, on which no 3D capability test runs.
    plat::headless::HeadlessDisplay display;
    std::unique_ptr<TestGameApp> app;

    // prepare runs on the new stage before the application starts.
    explicit GameStage(const std::function<void(GameStage&)>& prepare = {}) {
        if (!testsupport::link_fixture_data()) std::abort();
        std::error_code ec;
        std::filesystem::remove_all("saves", ec);
        app = std::make_unique<TestGameApp>(&p.host, p.program);
        if (prepare) prepare(*this);
    }
    // The headless display device under the window, where the software 3D
    // device passes the capability test. Before init.
    void attach_display() {
        display.clientWidth = 800;
        display.clientHeight = 600;
        p.host.SetDisplayDevice(&display);
    }
    // Writes configuration keys ("levels/@dir") into the file the App
    // reads at init, so they hold from the start.
    void write_config(const std::map<std::string, std::string>& keys) const {
        auto& registry = orvek::ostrel::ConfigRegistry::instance();
        for (const auto& [key, value] : keys) registry.set_string(key.c_str(), value);
        std::filesystem::create_directories(std::filesystem::path(config_file()).parent_path());
        if (!registry.save(config_file().c_str())) std::abort();
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
    // The whole window drawn afresh into an 800x600 picture.
    ImageLib::Image picture() const {
        Vant::WidgetManager* wm = app->mWidgetManager.get();
        Vant::MemoryImage drawn;
        drawn.Create(800, 600);
        drawn.Clear();
        Vant::Image* old = wm->mImage;
        wm->mImage = &drawn;
        wm->MarkAllDirty();
        wm->DrawScreen();
        wm->mImage = old;
        ImageLib::Image out(800, 600);
        std::copy(drawn.GetBits(), drawn.GetBits() + 800 * 600, out.bits.get());
        return out;
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
    // Who is logged in when the main menu first shows: a stored player
    // "Tester", or nobody (the menu then asks for a name).
    enum class Login { tester, none };
    explicit MenuStage(const std::function<void(GameStage&)>& prepare = {}) : GameStage(prepare) { enter(Login::tester); }
    explicit MenuStage(Login login) { enter(login); }
    // config: keys written before the App starts.
    explicit MenuStage(const std::map<std::string, std::string>& config, Login login = Login::tester) {
        if (!config.empty()) write_config(config);
        enter(login);
    }
    void enter(Login login) {
        app->init();
        if (login == Login::tester) add_player("Tester");
        step(2);
        ss().post_message(256, 'A', 0);  // skips the logos
        for (int i = 0; i < 40 && !top_is<orvek::trelm::gui::MainMenuScreen>(); ++i) step();
    }
    void click(orvek::ostrel::BasicButton& b) { play::click(ss(), b); }
    void key(std::uint32_t vk) { play::key(ss(), vk); }

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
