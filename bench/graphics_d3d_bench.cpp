// One 800x600 frame, a full background, 200 rotated 64x64 alpha sprites and
// 50 additive ones, drawn through the 3D layer and the software 3D device,
// and through SDL2's software renderer (rotated copies with blend and add
// modes). Prints milliseconds per frame for both and, last, the ratio
// SDL2's time / ours.
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchMain.h"
#include "framework/graphics/D3DInterface.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/SoftwareDevice3D.h"

namespace {

constexpr int W = 800, H = 600, Sprites = 200, Adds = 50;

std::vector<uint32_t> Background() {
    std::vector<uint32_t> p(std::size_t(W) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) p[std::size_t(y) * W + x] = 0xFF000000u | uint32_t((x ^ y) & 255) << 16 | uint32_t(y & 255) << 8 | 64u;
    return p;
}

std::vector<uint32_t> Ball() {
    std::vector<uint32_t> p(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float d = std::hypot(float(x) - 31.5f, float(y) - 31.5f);
            const uint32_t a = d >= 32 ? 0 : uint32_t(255 * (1 - d / 32));
            p[std::size_t(y) * 64 + x] = a << 24 | uint32_t(200 - 2 * y) << 16 | uint32_t(60 + 3 * x) << 8 | 180u;
        }
    return p;
}

struct Place {
    float x, y, angle;
};

std::vector<Place> Places(int n, unsigned seed) {
    std::vector<Place> v;
    for (int i = 0; i < n; ++i) {
        seed = seed * 214013u + 2531011u;
        const float x = float((seed >> 8) % (W - 64));
        seed = seed * 214013u + 2531011u;
        const float y = float((seed >> 8) % (H - 64));
        v.push_back({x, y, float(i) * 0.37f});
    }
    return v;
}

void RunOurs(benchmark::State& state) {
    plat::SoftwareDevice3D dev;
    auto surface = std::make_shared<plat::Surface>(W, H, plat::kFormat888, plat::MemoryKind::Video);
    Vant::D3DInterface d3d;
    if (!d3d.Init(&dev, surface, W, H, true)) {
        state.SkipWithError("3D layer did not start");
        return;
    }
    Vant::MemoryImage bg, ball;
    const auto bgBits = Background(), ballBits = Ball();
    bg.SetBits(bgBits.data(), W, H);
    ball.SetBits(ballBits.data(), 64, 64);
    const auto sprites = Places(Sprites, 1), adds = Places(Adds, 2);
    const Vant::Rect clip(0, 0, W, H), all(0, 0, 64, 64);
    for (auto _ : state) {
        d3d.Blt(&bg, 0, 0, Vant::Rect(0, 0, W, H), Vant::Color::White, 0, false);
        for (const Place& p : sprites)
            d3d.BltRotated(&ball, p.x, p.y, all, clip, Vant::Color::White, 0, p.angle, 32, 32);
        for (const Place& p : adds)
            d3d.BltRotated(&ball, p.x, p.y, all, clip, Vant::Color::White, 1, p.angle, 32, 32);
        d3d.EndScene();
        benchmark::DoNotOptimize(surface->Data());
    }
}

void RunSdl(benchmark::State& state) {
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, W, H, 32, SDL_PIXELFORMAT_RGB888);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(target);
    auto bgBits = Background();
    auto ballBits = Ball();
    SDL_Surface* bgs = SDL_CreateRGBSurfaceWithFormatFrom(bgBits.data(), W, H, 32, W * 4, SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* balls = SDL_CreateRGBSurfaceWithFormatFrom(ballBits.data(), 64, 64, 32, 64 * 4, SDL_PIXELFORMAT_ARGB8888);
    SDL_Texture* bgt = SDL_CreateTextureFromSurface(r, bgs);
    SDL_Texture* blend = SDL_CreateTextureFromSurface(r, balls);
    SDL_Texture* add = SDL_CreateTextureFromSurface(r, balls);
    SDL_SetTextureBlendMode(bgt, SDL_BLENDMODE_NONE);
    SDL_SetTextureBlendMode(blend, SDL_BLENDMODE_BLEND);
    SDL_SetTextureBlendMode(add, SDL_BLENDMODE_ADD);
    const auto sprites = Places(Sprites, 1), adds = Places(Adds, 2);
    for (auto _ : state) {
        SDL_RenderCopy(r, bgt, nullptr, nullptr);
        for (const Place& p : sprites) {
            const SDL_Rect d{int(p.x), int(p.y), 64, 64};
            SDL_RenderCopyEx(r, blend, nullptr, &d, double(-p.angle) * 180.0 / M_PI, nullptr, SDL_FLIP_NONE);
        }
        for (const Place& p : adds) {
            const SDL_Rect d{int(p.x), int(p.y), 64, 64};
            SDL_RenderCopyEx(r, add, nullptr, &d, double(-p.angle) * 180.0 / M_PI, nullptr, SDL_FLIP_NONE);
        }
        SDL_RenderPresent(r);
        benchmark::DoNotOptimize(target->pixels);
    }
    SDL_DestroyTexture(bgt);
    SDL_DestroyTexture(blend);
    SDL_DestroyTexture(add);
    SDL_FreeSurface(bgs);
    SDL_FreeSurface(balls);
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(target);
}

}  // namespace

int main(int argc, char** argv) {
    benchmain::Args args;
    benchmain::prepare(args, argc, argv);
    benchmark::RegisterBenchmark("frame / ours", RunOurs)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("frame / SDL2", RunSdl)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmain::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const double ours = collector.secondsPerIteration["frame / ours"];
    const double sdl = collector.secondsPerIteration["frame / SDL2"];
    std::printf("\n%s, %s build\n", args.pinned ? "pinned to one core" : "not pinned", benchmain::build_kind());
    std::printf("ours: %.3f ms/frame, SDL2 software renderer: %.3f ms/frame\n", ours * 1e3, sdl * 1e3);
    std::printf("ratio SDL2/ours: %.2f\n", ours > 0 ? sdl / ours : 0.0);
    benchmark::Shutdown();
    return 0;
}
