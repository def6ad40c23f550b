// One full menu frame at 800x600 with every widget dirty, built from the
// look fixture: the screen's background, six static images, a ten-line
// static text, a tooltip, and a modal dialog with its shade, title and body.
// Ours draws through the software 3D device into the 16-bit draw surface
// (the game's full-screen default) and into the 32-bit one. SDL2's software
// renderer replays, in the same run, the blits recorded from our frame
// (SDL_RenderCopy with blending) into surfaces of the same formats. Prints
// milliseconds per frame for each and, last, the smaller ratio SDL2/ours.
#include <SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchMain.h"
#include "FrameReplay.h"
#include "HeadlessApp.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/BasicScreen.h"
#include "gui/ScreenSystem.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Statics.h"
#include "platform/Surface.h"

namespace {

using namespace orvek::ostrel;
namespace gui = orvek::trelm::gui;
constexpr int W = 800, H = 600;

using benchreplay::RecordingImage;
using benchreplay::SdlReplay;

// The application on a headless display of the given desktop format, with
// the fixture's menu frame on its screen stack.
struct Frame {
    benchapp::HeadlessApp headless;
    benchapp::BenchApp* app;
    std::unique_ptr<gui::BasicScreen> screen;
    std::vector<std::unique_ptr<Control>> children;
    std::unique_ptr<gui::ModalScreenWithText> dialog;
    std::shared_ptr<TextTooltip> tooltip;

    explicit Frame(const plat::PixelFormat& format)
        : headless(format, W, H, "adapter_screen_bench"), app(headless.app.get()) {
        Skin::set_resources_file("data/resources.xml");
        Skin::set_skin_file("data/Skin.xml");
        Skin::set_language("en");
        Skin::set_language_file("data/en.xml");
        Skin::create(dynamic_cast<ResourceManager*>(app->resource_manager()));
        Skin::instance()->load_resources("Common");
        set_screen_size(W, H);

        auto& ss = static_cast<gui::ScreenSystem&>(*app->screen_system());
        screen = std::make_unique<gui::BasicScreen>(ss, "menu/fixture");
        for (int i = 1; i <= 6; ++i)
            children.push_back(
                std::make_unique<StaticImage>(screen->control(), "menu/fixture/image" + std::to_string(i)));
        auto text = std::make_unique<StaticText>();
        screen->control().add_child(*text);
        text->set_font(Skin::instance()->get_font("menu/fixture/font"));
        text->set_color(240, 240, 240);
        std::string lines;
        for (int i = 1; i <= 10; ++i) lines += (i > 1 ? "\\n" : "") + std::string("Line ") + std::to_string(i) +
                                               " of the static text on the menu";
        text->set_text(lines);
        text->set_position({40, 140});
        text->set_size({400, 0});
        text->fit_size();
        children.push_back(std::move(text));
        ss.push_screen(screen.get());
        ss.update();
        tooltip = std::make_shared<TextTooltip>("menu/fixture/tooltip");
        ss.show_tooltip(tooltip, {600, 400});
        dialog = std::make_unique<gui::ModalScreenWithText>(ss, "menu/fixture-dialog");
        ss.push_modal_screen(dialog.get());
        ss.update();
    }
    ~Frame() {
        dialog.reset();
        tooltip.reset();
        children.clear();
        screen.reset();
        headless.app.reset();
        Skin::destroy();
    }
    void Draw(Vant::Image* target = nullptr) {
        Vant::WidgetManager& wm = *app->mWidgetManager;
        wm.mImage = target;
        wm.MarkAllDirty();
        wm.DrawScreen();
        wm.mImage = nullptr;
        if (!target) app->GetDDInterface()->d3d.EndScene();
    }
};

struct Setup {
    plat::PixelFormat ours;
    Uint32 sdl;
};
const Setup kSixteen{plat::kFormat565, SDL_PIXELFORMAT_RGB565};
const Setup kThirtyTwo{plat::kFormat888, SDL_PIXELFORMAT_RGB888};

void RunOurs(benchmark::State& state, Setup setup) {
    Frame frame(setup.ours);
    if (!frame.app->Is3DAccelerated()) {
        state.SkipWithError("3D did not start");
        return;
    }
    for (auto _ : state) frame.Draw();
}

void RunSdl(benchmark::State& state, Setup setup) {
    Frame frame(setup.ours);
    RecordingImage recording(W, H);
    frame.Draw(&recording);
    if (recording.unsupported) {
        state.SkipWithError("the frame holds draws the replay does not know");
        return;
    }
    SdlReplay replay(recording.ops, W, H, setup.sdl);
    state.counters["blits"] = double(recording.ops.size());
    for (auto _ : state) replay.Frame();
}

}  // namespace

int main(int argc, char** argv) {
    // The fixture's data folder is reached as "data" from a scratch folder.
    char tmpl[] = "/tmp/adapter_screen_benchXXXXXX";
    if (!mkdtemp(tmpl)) return 2;
    std::filesystem::create_directory_symlink(std::filesystem::path(ZELKOR_FIXTURE_DIR) / "data",
                                              std::filesystem::path(tmpl) / "data");
    std::filesystem::current_path(tmpl);

    benchmain::Args args;
    benchmain::prepare(args, argc, argv);
    benchmark::RegisterBenchmark("frame 16-bit / ours", RunOurs, kSixteen)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("frame 16-bit / SDL2", RunSdl, kSixteen)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("frame 32-bit / ours", RunOurs, kThirtyTwo)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("frame 32-bit / SDL2", RunSdl, kThirtyTwo)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmain::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    auto& t = collector.secondsPerIteration;
    std::printf("\n%s, %s build\n", args.pinned ? "pinned to one core" : "not pinned", benchmain::build_kind());
    double smallest = 0;
    bool first = true;
    for (const char* bits : {"16-bit", "32-bit"}) {
        const double ours = t[std::string("frame ") + bits + " / ours"];
        const double sdl = t[std::string("frame ") + bits + " / SDL2"];
        const double ratio = ours > 0 ? sdl / ours : 0.0;
        std::printf("%s: ours %.3f ms/frame, SDL2 software renderer %.3f ms/frame, ratio %.2f\n", bits, ours * 1e3,
                    sdl * 1e3, ratio);
        if (first || ratio < smallest) smallest = ratio;
        first = false;
    }
    std::printf("ratio SDL2/ours (smaller of the two): %.2f\n", smallest);
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::current_path("/", ec);
    std::filesystem::remove_all(tmpl, ec);
    return 0;
}
