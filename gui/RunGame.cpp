#include <unistd.h>

#include <exception>
#include <memory>

#include "framework/app/PlatformHost.h"
#include "framework/graphics/ImageLib.h"
#include "gui/GameApp.h"
#include "orvek/Exception.h"
#include "orvek/Log.h"
#include "orvek/Path.h"
#include "orvek/Profiler.h"
#include "ostrel/gui/Skin.h"
#include "platform/Clock.h"
#include "platform/Signals.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"

namespace orvek::trelm {

namespace {

LogChannel run_info("Trelm.Main", log_info_flag);

void go_to_program_folder() {
    orvek::PathString exe;
    if (!orvek::get_module_file_name(exe)) return;
    const orvek::PathParts parts = orvek::split_path(exe.str());
    const std::string file = exe.str();
    const std::string folder = file.substr(0, file.size() - parts.name.size() - parts.extension.size());
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) run_info << "cannot change to " << folder << std::endl;
}

void set_icon_and_title(GameApp& app) {
    if (!app.mHWnd) return;
    // A missing icon costs nothing but the picture.
    if (ImageLib::ImagePtr icon = ImageLib::GetImage("data/images/icon.png", false))
        app.mHost->SetWindowIcon(app.mHWnd, icon->bits.get(), icon->width, icon->height);
    else
        run_info << "no window icon: data/images/icon.png cannot be read" << std::endl;
    if (orvek::ostrel::Skin* skin = orvek::ostrel::Skin::instance()) {
        app.mTitle = skin->get_text("menu/window_name");
        app.mHost->SetWindowTitle(app.mHWnd, app.mTitle);
    }
}

}  // namespace

int run_game(int argc, char** argv, const RunOptions& options) {
    orvek::ProfileScope main_scope("Main");
    if (!options.keep_directory) go_to_program_folder();
    // A logout, kill or Ctrl+C ends the session as a close would not: the
    // saves are still written.
    plat::InstallSessionEndSignals();
    Vant::VantAppBase::SetCommandLine(argc, argv);

    plat::sdl::SdlWindowService window;
    plat::sdl::SdlShell shell;
    plat::sdl::SdlDisplay display{window};
    Vant::PlatformHost host{window, shell, options.clock ? *options.clock : plat::SystemClock()};
    host.SetDisplayDevice(&display);

    std::unique_ptr<GameApp> app;
    try {
        app = std::make_unique<GameApp>(&host);
        app->keep_directory = options.keep_directory;
        app->mOnlyAllowOneCopyToRun = options.single_instance;
        app->on_pass_hook = options.on_pass;
        app->init();
        set_icon_and_title(*app);
        app->Start();
        orvek::Profiler::write_report(1.0f);
        app.reset();
        return 0;
    } catch (const std::exception& e) {
        if (options.error_sink) orvek::set_error_sink(options.error_sink);
        orvek::report_exception(e);
        app.reset();
        return -1;
    }
}

}  // namespace orvek::trelm
