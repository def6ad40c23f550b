#pragma once
// An adapter application on the platform's headless window and a manual
// clock, with a screen system that records the messages it is handed and
// its updates.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/DSoundManager.h"
#include "framework/app/PlatformHost.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/App.h"
#include "ostrel/ScreenSystem.h"
#include "platform/headless/HeadlessShell.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/ManualClock.h"
#include "support/TestSupport.h"

namespace adaptertest {

using Log = std::vector<std::string>;

// Thrown instead of ending the test process.
struct ExitCalled {
    int code;
};

class RecordingScreenSystem : public orvek::ostrel::ScreenSystem {
public:
    RecordingScreenSystem(Vant::WidgetManager* wm, Vant::ResourceManager* rm, Log& log)
        : ScreenSystem(wm, rm), log_(log) {}
    std::function<void()> on_each_update;

protected:
    void handle_message(std::uint32_t m, std::uint32_t w, std::int32_t l) override {
        log_.push_back("msg " + std::to_string(m) + " " + std::to_string(w) + " " + std::to_string(l));
        ScreenSystem::handle_message(m, w, l);
    }
    void on_update() override {
        log_.push_back("update");
        if (on_each_update) on_each_update();
    }

private:
    Log& log_;
};

class TestApp : public orvek::ostrel::App {
public:
    TestApp(Vant::AppHost* host, std::string program) : App(host), program_(std::move(program)) {
        mOnlyAllowOneCopyToRun = false;
        Vant::VantAppBase::SetExitFunction([](int code) { throw ExitCalled{code}; });
    }
    ~TestApp() override { Vant::VantAppBase::SetExitFunction(nullptr); }

    bool ChangeDirHook(const std::string&) override { return true; }
    Vant::SoundManager* CreateSoundManager() override {
        return new Vant::DSoundManager(static_cast<plat::AudioDevice*>(nullptr), false);
    }
    Vant::MusicInterface* CreateMusicInterface() override { return new Vant::MusicInterface(); }
    std::unique_ptr<orvek::ostrel::ScreenSystem> create_screen_system() override {
        auto s = std::make_unique<RecordingScreenSystem>(mWidgetManager.get(), mResourceManager.get(), log);
        recording = s.get();
        return s;
    }
    bool quit_now() override {
        ++quit_questions;
        return quit_after >= 0 && quit_questions >= quit_after;
    }
    bool on_close_request() override {
        ++close_requests;
        if (close_answers.empty()) return true;
        const bool allow = close_answers.front();
        close_answers.pop_front();
        return allow;
    }

    Log log;
    RecordingScreenSystem* recording = nullptr;
    int quit_questions = 0, quit_after = -1, close_requests = 0;
    // Answers of on_close_request, front first; then true.
    std::deque<bool> close_answers;

protected:
    std::string program_file() const override { return program_; }

private:
    std::string program_;
};

// The services the App stands on, in a scratch folder.
struct Platform {
    testsupport::TempDir dir;
    plat::headless::ManualClock clock;
    plat::headless::HeadlessWindow window{clock};
    plat::headless::HeadlessShell shell;
    Vant::PlatformHost host{window, shell, clock, dir.file("registry.txt")};
    std::string program = dir.file("bin/zelkor");

    Platform() {
        // Each test starts from an empty configuration.
        orvek::ostrel::ConfigRegistry::instance().elements().clear();
    }
    std::string config_file(const std::string& name) const { return dir.file("bin/config/" + name + ".cfg.xml"); }
    void queue(std::uint32_t msg, std::uintptr_t w = 0, std::intptr_t l = 0) {
        window.QueueInput({window.windows.empty() ? 0 : window.windows.begin()->first, msg, w, l});
    }
};

}  // namespace adaptertest
