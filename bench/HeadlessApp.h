#pragma once
// The game's application on a headless display of a chosen desktop format,
// with 3D through the software device, for the frame benchmarks.
#include <filesystem>
#include <memory>
#include <string>

#include "framework/app/DSoundManager.h"
#include "framework/app/PlatformHost.h"
#include "gui/ScreenSystem.h"
#include "ostrel/App.h"
#include "platform/Surface.h"
#include "platform/headless/HeadlessDisplay.h"
#include "platform/headless/HeadlessShell.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/ManualClock.h"

namespace benchapp {

class BenchApp : public orvek::ostrel::App {
public:
    BenchApp(Vant::AppHost* host, std::string program, int w, int h, const char* config)
        : App(host), program_(std::move(program)) {
        mOnlyAllowOneCopyToRun = false;
        mWantsLoadingThread = false;
        mWidth = w;
        mHeight = h;
        set_config_name(config);
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    Vant::SoundManager* CreateSoundManager() override {
        return new Vant::DSoundManager(static_cast<plat::AudioDevice*>(nullptr), false);
    }
    Vant::MusicInterface* CreateMusicInterface() override { return new Vant::MusicInterface(); }
    std::unique_ptr<orvek::ostrel::ScreenSystem> create_screen_system() override {
        return std::make_unique<orvek::trelm::gui::ScreenSystem>(mWidgetManager.get(), resource_manager());
    }

protected:
    std::string program_file() const override { return program_; }

private:
    std::string program_;
};

// The application started, its 3D on; the caller checks Is3DAccelerated.
struct HeadlessApp {
    plat::headless::ManualClock clock;
    plat::headless::HeadlessWindow window{clock};
    plat::headless::HeadlessShell shell;
    plat::headless::HeadlessDisplay display;
    std::unique_ptr<Vant::PlatformHost> host;
    std::unique_ptr<BenchApp> app;

    HeadlessApp(const plat::PixelFormat& format, int w, int h, const char* config) {
        display.desktop = format;
        display.clientWidth = w;
        display.clientHeight = h;
        host = std::make_unique<Vant::PlatformHost>(window, shell, clock, "settings.txt");
        host->SetDisplayDevice(&display);
        app = std::make_unique<BenchApp>(host.get(), std::filesystem::absolute("bin/bench").string(), w, h, config);
        app->init();
        app->Set3DMode(true, true);
    }
};

}  // namespace benchapp
