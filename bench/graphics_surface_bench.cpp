// Our surface blitters against SDL2's own software blitters on the same
// workloads, in one run, into 800x600 surfaces of 5-6-5 and x8-8-8 pixels:
// a colour-keyed 64x64 sprite blitted 1:1 (SDL_BlitSurface with a colour
// key), the same stretched by 2 to its nearest texels (SDL_BlitScaled with
// the key), a 64x64 soft-edged alpha sprite blitted 1:1, and that sprite
// turned by 30 degrees (SDL2's software renderer, SDL_RenderCopyEx, with
// linear sampling; ours samples bilinearly too). 200 sprites per iteration.
//
// The work per pixel is matched, not the rounding: the formats and blend
// arithmetic of each side are its own. Ends with Mpixels/s and the ratio
// ours/SDL2 per workload, and one line with the smallest ratio.
#include "bench/BenchMain.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "platform/headless/HeadlessDisplay.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Vant;

constexpr int DestW = 800, DestH = 600, Sprite = 64, Count = 200;
constexpr double Pi = 3.14159265358979323846;

struct Spot {
    int x, y;
};

const std::vector<Spot>& spots() {
    static const std::vector<Spot> s = [] {
        std::vector<Spot> v;
        uint32_t seed = 12345;
        for (int i = 0; i < Count; ++i) {
            seed = seed * 214013u + 2531011u;
            const int x = static_cast<int>((seed >> 8) % (DestW - 2 * Sprite));
            seed = seed * 214013u + 2531011u;
            const int y = static_cast<int>((seed >> 8) % (DestH - 2 * Sprite));
            v.push_back({x, y});
        }
        return v;
    }();
    return s;
}

// A disc: opaque inside, transparent outside (keyed), or soft-edged (alpha).
std::vector<uint32_t> disc(bool soft) {
    std::vector<uint32_t> px(Sprite * Sprite);
    for (int y = 0; y < Sprite; ++y)
        for (int x = 0; x < Sprite; ++x) {
            const double tx = x + 0.5 - Sprite / 2.0, ty = y + 0.5 - Sprite / 2.0;
            const double r = std::sqrt(tx * tx + ty * ty) / (Sprite / 2.0);
            const uint32_t a = soft ? static_cast<uint32_t>(std::clamp((1.0 - r) * 4.0, 0.0, 1.0) * 255.0)
                                    : (r < 1.0 ? 255u : 0u);
            px[y * Sprite + x] = a << 24 | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 4) << 8 | 0x40;
        }
    return px;
}

std::vector<uint32_t> background() {
    std::vector<uint32_t> px(static_cast<size_t>(DestW) * DestH);
    for (int y = 0; y < DestH; ++y)
        for (int x = 0; x < DestW; ++x)
            px[static_cast<size_t>(y) * DestW + x] =
                0xFF000000u | static_cast<uint32_t>(x * 255 / DestW) << 16 | static_cast<uint32_t>(y * 255 / DestH) << 8;
    return px;
}

// ---- ours: surface images on the headless display ----------------------------

struct Ours {
    plat::headless::HeadlessDisplay device;
    std::unique_ptr<DDInterface> display;
    std::unique_ptr<DDImage> dest, keyed, soft;
    explicit Ours(bool sixteen) {
        device.desktop = sixteen ? plat::kFormat565 : plat::kFormat888;
        device.clientWidth = DestW;
        device.clientHeight = DestH;
        display = std::make_unique<DDInterface>(device);
        display->config.width = DestW;
        display->config.height = DestH;
        if (display->Init(1, true) != 0) std::abort();
        dest = std::make_unique<DDImage>(display.get());
        const auto back = background();
        dest->SetBits(back.data(), DestW, DestH);
        if (!dest->GenerateDDSurface()) std::abort();
        dest->DropMemoryForms();
        keyed = std::make_unique<DDImage>(display.get());
        const auto k = disc(false);
        keyed->SetBits(k.data(), Sprite, Sprite);
        if (!keyed->GenerateDDSurface()) std::abort();
        soft = std::make_unique<DDImage>(display.get());
        const auto s = disc(true);
        soft->SetBits(s.data(), Sprite, Sprite);
    }
};

// ---- SDL2's software blitters -------------------------------------------------

struct Theirs {
    SDL_Surface* dest = nullptr;
    SDL_Surface* keyed = nullptr;
    SDL_Surface* soft = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* softTexture = nullptr;
    explicit Theirs(bool sixteen) {
        const Uint32 format = sixteen ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
        dest = SDL_CreateRGBSurfaceWithFormat(0, DestW, DestH, sixteen ? 16 : 32, format);
        const auto back = background();
        SDL_Surface* b = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(back.data()), DestW, DestH, 32,
                                                            DestW * 4, SDL_PIXELFORMAT_ARGB8888);
        SDL_SetSurfaceBlendMode(b, SDL_BLENDMODE_NONE);
        SDL_BlitSurface(b, nullptr, dest, nullptr);
        SDL_FreeSurface(b);

        // The keyed sprite in the destination's format, as ours is.
        auto k = disc(false);
        SDL_Surface* kArgb = SDL_CreateRGBSurfaceWithFormatFrom(k.data(), Sprite, Sprite, 32, Sprite * 4,
                                                                SDL_PIXELFORMAT_ARGB8888);
        keyed = SDL_ConvertSurfaceFormat(kArgb, format, 0);
        SDL_FreeSurface(kArgb);
        const Uint32 key = SDL_MapRGB(keyed->format, 255, 0, 255);
        SDL_Surface* mask = SDL_CreateRGBSurfaceWithFormatFrom(k.data(), Sprite, Sprite, 32, Sprite * 4,
                                                               SDL_PIXELFORMAT_ARGB8888);
        SDL_LockSurface(keyed);
        for (int y = 0; y < Sprite; ++y)
            for (int x = 0; x < Sprite; ++x) {
                if (k[y * Sprite + x] >> 24) continue;
                auto* row = static_cast<uint8_t*>(keyed->pixels) + y * keyed->pitch;
                if (sixteen)
                    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(key);
                else
                    reinterpret_cast<uint32_t*>(row)[x] = key;
            }
        SDL_UnlockSurface(keyed);
        SDL_FreeSurface(mask);
        SDL_SetColorKey(keyed, SDL_TRUE, key);

        static std::vector<uint32_t> s = disc(true);
        soft = SDL_CreateRGBSurfaceWithFormatFrom(s.data(), Sprite, Sprite, 32, Sprite * 4, SDL_PIXELFORMAT_ARGB8888);
        SDL_SetSurfaceBlendMode(soft, SDL_BLENDMODE_BLEND);

        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        renderer = SDL_CreateSoftwareRenderer(dest);
        softTexture = SDL_CreateTextureFromSurface(renderer, soft);
        SDL_SetTextureBlendMode(softTexture, SDL_BLENDMODE_BLEND);
    }
    ~Theirs() {
        SDL_DestroyTexture(softTexture);
        SDL_DestroyRenderer(renderer);
        SDL_FreeSurface(soft);
        SDL_FreeSurface(keyed);
        SDL_FreeSurface(dest);
    }
};

// ---- workloads --------------------------------------------------------------

struct Workload {
    std::string name;
    double pixels;  // per iteration
    bool sixteen;
    std::function<void(Ours&)> ours;
    std::function<void(Theirs&)> theirs;
};

const std::vector<Workload>& workloads() {
    static const std::vector<Workload> w = [] {
        std::vector<Workload> v;
        for (bool sixteen : {true, false}) {
            const std::string depth = sixteen ? " 565" : " x888";
            v.push_back({"keyed 1:1" + depth, double(Count) * Sprite * Sprite, sixteen,
                         [](Ours& o) {
                             for (const Spot& s : spots())
                                 o.dest->Blit(o.keyed.get(), s.x, s.y, Rect(0, 0, Sprite, Sprite), Color::White, 0);
                         },
                         [](Theirs& t) {
                             for (const Spot& s : spots()) {
                                 SDL_Rect d{s.x, s.y, Sprite, Sprite};
                                 SDL_BlitSurface(t.keyed, nullptr, t.dest, &d);
                             }
                         }});
            v.push_back({"keyed stretch x2" + depth, double(Count) * 4 * Sprite * Sprite, sixteen,
                         [](Ours& o) {
                             for (const Spot& s : spots())
                                 o.dest->StretchBlit(o.keyed.get(), Rect(s.x, s.y, 2 * Sprite, 2 * Sprite),
                                                     Rect(0, 0, Sprite, Sprite), Rect(0, 0, DestW, DestH),
                                                     Color::White, 0, true);
                         },
                         [](Theirs& t) {
                             for (const Spot& s : spots()) {
                                 SDL_Rect d{s.x, s.y, 2 * Sprite, 2 * Sprite};
                                 SDL_BlitScaled(t.keyed, nullptr, t.dest, &d);
                             }
                         }});
            v.push_back({"alpha 1:1" + depth, double(Count) * Sprite * Sprite, sixteen,
                         [](Ours& o) {
                             for (const Spot& s : spots())
                                 o.dest->Blit(o.soft.get(), s.x, s.y, Rect(0, 0, Sprite, Sprite), Color::White, 0);
                         },
                         [](Theirs& t) {
                             for (const Spot& s : spots()) {
                                 SDL_Rect d{s.x, s.y, Sprite, Sprite};
                                 SDL_BlitSurface(t.soft, nullptr, t.dest, &d);
                             }
                         }});
            v.push_back({"alpha turned 30" + depth, double(Count) * Sprite * Sprite, sixteen,
                         [](Ours& o) {
                             for (const Spot& s : spots())
                                 o.dest->BlitRotated(o.soft.get(), float(s.x), float(s.y), Rect(0, 0, Sprite, Sprite),
                                                     Rect(0, 0, DestW, DestH), Color::White, 0, 30 * Pi / 180,
                                                     Sprite / 2.0f, Sprite / 2.0f);
                         },
                         [](Theirs& t) {
                             for (const Spot& s : spots()) {
                                 SDL_Rect d{s.x, s.y, Sprite, Sprite};
                                 SDL_RenderCopyEx(t.renderer, t.softTexture, nullptr, &d, -30.0, nullptr,
                                                  SDL_FLIP_NONE);
                             }
                             SDL_RenderFlush(t.renderer);
                         }});
        }
        return v;
    }();
    return w;
}

void runOurs(benchmark::State& state, const Workload* w) {
    Ours o(w->sixteen);
    for (auto _ : state) {
        w->ours(o);
        benchmark::DoNotOptimize(o.dest->surface->Data());
    }
    state.counters["Mpx/s"] =
        benchmark::Counter(w->pixels * 1e-6 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void runTheirs(benchmark::State& state, const Workload* w) {
    Theirs t(w->sixteen);
    for (auto _ : state) {
        w->theirs(t);
        benchmark::DoNotOptimize(t.dest->pixels);
    }
    state.counters["Mpx/s"] =
        benchmark::Counter(w->pixels * 1e-6 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmain::Args args;
    benchmain::prepare(args, argc, argv);
    const bool pinned = args.pinned;

    for (const Workload& w : workloads()) {
        benchmark::RegisterBenchmark((w.name + " / ours").c_str(), runOurs, &w)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((w.name + " / SDL2").c_str(), runTheirs, &w)->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmain::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    const char* build = benchmain::build_kind();
    SDL_version v;
    SDL_GetVersion(&v);
    std::printf("\ncompiler %s, %s build, %s, SDL %d.%d.%d\n", __VERSION__, build,
                pinned ? "pinned to one core" : "not pinned", v.major, v.minor, v.patch);
    std::printf("\n%-26s %14s %14s %12s\n", "workload", "ours Mpx/s", "SDL2 Mpx/s", "ours/SDL2");
    double smallest = 0;
    std::string worst;
    for (const Workload& w : workloads()) {
        const auto ours = collector.secondsPerIteration.find(w.name + " / ours");
        const auto theirs = collector.secondsPerIteration.find(w.name + " / SDL2");
        if (ours == collector.secondsPerIteration.end() || theirs == collector.secondsPerIteration.end()) continue;
        const double a = w.pixels / ours->second * 1e-6, b = w.pixels / theirs->second * 1e-6;
        const double ratio = a / b;
        std::printf("%-26s %14.1f %14.1f %12.2f\n", w.name.c_str(), a, b, ratio);
        if (worst.empty() || ratio < smallest) {
            smallest = ratio;
            worst = w.name;
        }
    }
    if (!worst.empty()) std::printf("smallest ratio ours/SDL2: %.2f (%s)\n", smallest, worst.c_str());
    benchmark::Shutdown();
    return 0;
}
