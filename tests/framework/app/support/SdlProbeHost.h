#pragma once
// What every real-window probe program stands on: the SDL window, shell and
// display services joined in a host, with the session-end signals caught
// before any window exists and the process arguments handed over.
#include "framework/app/PlatformHost.h"
#include "framework/app/VantAppBase.h"
#include "platform/Clock.h"
#include "platform/Signals.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"

namespace apptest {

class SdlProbeHost {
public:
    SdlProbeHost(int argc, char** argv) {
        host.SetDisplayDevice(&display);
        Vant::VantAppBase::SetCommandLine(argc, argv);
    }

private:
    struct Signals {
        Signals() { plat::InstallSessionEndSignals(); }
    } signals_;

public:
    plat::sdl::SdlWindowService window;
    plat::sdl::SdlShell shell;
    plat::sdl::SdlDisplay display{window};
    Vant::PlatformHost host{window, shell, plat::SystemClock()};
};

}  // namespace apptest
