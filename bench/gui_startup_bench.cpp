// The game's start-up on SDL's dummy drivers, from the application's
// construction to its first drawn logo frame, on the look fixture and, when
// it has been generated, on the build's data tree. As the peer, libpng
// alone decodes the same image files. The last line is the ratio (ours /
// libpng's) on the fixture.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchMain.h"
#include "framework/app/PlatformHost.h"
#include "gui/GameApp.h"
#include "gui/ScreenSystem.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"

namespace {

namespace fs = std::filesystem;

const std::string kFixture = ZELKOR_FIXTURE_DIR;
const std::string kBuildData = ZELKOR_BUILD_DIR;

std::vector<std::string> pngs_under(const std::string& root) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root + "/data", ec); it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->path().extension() == ".png") out.push_back(it->path().string());
    return out;
}

// From construction to the first frame drawn with the logos up.
void start_once(const std::string& root) {
    fs::current_path(root);
    plat::sdl::SdlWindowService window;
    plat::sdl::SdlShell shell;
    plat::sdl::SdlDisplay display{window};
    Vant::PlatformHost host{window, shell, plat::SystemClock()};
    host.SetDisplayDevice(&display);
    auto app = std::make_unique<orvek::trelm::GameApp>(&host);
    app->keep_directory = true;
    app->mOnlyAllowOneCopyToRun = false;
    int drawn_at_logo = -1;
    app->on_pass_hook = [&](orvek::trelm::GameApp& a) {
        auto* ss = a.game_screen_system();
        const bool logo = ss && ss->top_screen() != nullptr;
        if (logo && drawn_at_logo < 0) drawn_at_logo = a.mDrawCount;
        if (drawn_at_logo >= 0 && a.mDrawCount > drawn_at_logo) a.mShutdown = true;
    };
    app->init();
    app->Start();
}

void BM_StartupFixture(benchmark::State& state) {
    for (auto _ : state) start_once(kFixture);
}
BENCHMARK(BM_StartupFixture)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StartupDataSet(benchmark::State& state) {
    if (!fs::exists(kBuildData + "/data/Skin.xml")) {
        state.SkipWithError("no generated data set");
        return;
    }
    for (auto _ : state) start_once(kBuildData);
}
BENCHMARK(BM_StartupDataSet)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LibpngDecodeFixture(benchmark::State& state) {
    const std::vector<std::string> files = pngs_under(kFixture);
    for (auto _ : state) {
        for (const std::string& f : files) {
            png_image image{};
            image.version = PNG_IMAGE_VERSION;
            if (!png_image_begin_read_from_file(&image, f.c_str())) continue;
            image.format = PNG_FORMAT_BGRA;
            std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
            png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
            benchmark::DoNotOptimize(pixels.data());
        }
    }
}
BENCHMARK(BM_LibpngDecodeFixture)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const fs::path home = fs::current_path();
    benchmain::Args a;
    benchmain::prepare(a, argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmain::Collector c;
    benchmark::RunSpecifiedBenchmarks(&c);
    benchmark::Shutdown();
    fs::current_path(home);
    const double ours = c.secondsPerIteration["BM_StartupFixture"];
    const double peer = c.secondsPerIteration["BM_LibpngDecodeFixture"];
    std::printf("start-up to the first logo frame (%s build): %.1f ms; libpng decoding the same images: %.1f ms\n",
                benchmain::build_kind(), ours * 1e3, peer * 1e3);
    std::printf("ratio %.2f\n", peer > 0 ? ours / peer : 0.0);
    return 0;
}
