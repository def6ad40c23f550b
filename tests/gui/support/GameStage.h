#pragma once
// The game application on the headless window and a manual clock, in the
// test's own folder with the look fixture linked in as "data": saves and
// configuration start empty for every stage.
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "framework/app/DSoundManager.h"
#include "gui/GameApp.h"
#include "gui/MainMenuScreen.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "orvek/config/ConfigRegistry.h"
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

// A stage standing on the main menu, with clicks and keys as messages.
struct MenuStage : GameStage {
    // config: keys written before the App starts.
    explicit MenuStage(const std::map<std::string, std::string>& config = {}) {
        if (!config.empty()) write_config(config);
        app->init();
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
};

}  // namespace guitest
