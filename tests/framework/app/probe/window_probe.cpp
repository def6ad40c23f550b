// A small program on the application object for the real-window test: it
// opens its window, runs the main loop until the window closes, and writes
// what reached the widget manager to "events.txt" in the current folder.
// The settings file is "config/registry.txt" there as well.
#include <cstdio>
#include <fstream>

#include "framework/app/PlatformHost.h"
#include "framework/app/VantAppBase.h"
#include "platform/Signals.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"
#include "../support/RecordingWidgetManager.h"

namespace {

class ProbeApp : public Vant::VantAppBase {
public:
    explicit ProbeApp(Vant::AppHost* host) : Vant::VantAppBase(host) {
        mProdName = "ZelkorWindowProbe";
        mTitle = "Zelkor Window Probe";
        mRegKey = "ZelkorWindowProbe";
        mWantsLoadingThread = false;
        mWidgetManager = std::make_unique<apptest::RecordingWidgetManager>(this);
    }
    // Stay in the test's folder.
    bool ChangeDirHook(const std::string&) override { return true; }
    void InitHook() override { std::printf("probe: window open\n"); std::fflush(stdout); }
};

}  // namespace

int main(int argc, char** argv) {
    plat::InstallSessionEndSignals();
    plat::sdl::SdlWindowService window;
    plat::sdl::SdlShell shell;
    Vant::PlatformHost host(window, shell, plat::SystemClock());
    Vant::VantAppBase::SetCommandLine(argc, argv);
    {
        ProbeApp app(&host);
        app.windowProcSlot = [&app](const plat::MsgRecord& m) {
            const std::intptr_t result = app.WindowProc(m);
            if (app.mNotifyGameMessage != 0 && m.msg == app.mNotifyGameMessage) {
                std::printf("probe: raised by another instance\n");
                std::fflush(stdout);
            }
            return result;
        };
        app.Init();
        app.Start();
        std::ofstream out("events.txt");
        for (const std::string& e : static_cast<apptest::RecordingWidgetManager&>(*app.mWidgetManager).events)
            out << e << "\n";
    }
    return 0;
}
