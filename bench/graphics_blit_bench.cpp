// The memory image's software blitters against pixman on the same
// workloads, in one run, into an 800x600 32-bit destination: a 64x64
// soft-edged sprite blitted 1:1 with alpha (onto a destination with alpha,
// and onto an opaque one, which takes the run-length path), added, stretched
// by 1.5 with filtering, turned by 30 degrees with bilinear sampling, and a
// scene of a full background with 200 turned sprites.
//
// The work per pixel is matched, not the rounding: pixman keeps its sources
// premultiplied; ours blends straight sources with the design's arithmetic
// (a division per pixel in the blend onto a destination with alpha). Ends
// with Mpixels/s and the ratio ours/pixman per workload, and one line with
// the smallest ratio.
#include "bench/BenchMain.h"
#include "framework/graphics/MemoryImage.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <sched.h>
#include <string>
#include <vector>

namespace {

using Vant::Color;
using Vant::MemoryImage;
using Vant::Rect;

constexpr int DestW = 800, DestH = 600, Sprite = 64, Count = 200;
constexpr double Pi = 3.14159265358979323846;

uint32_t premultiply(uint32_t c) {
    const uint32_t a = c >> 24;
    auto ch = [a](uint32_t v) { return (v * a + 127) / 255; };
    return (a << 24) | (ch((c >> 16) & 0xFF) << 16) | (ch((c >> 8) & 0xFF) << 8) | ch(c & 0xFF);
}

std::vector<uint32_t> softSprite() {
    std::vector<uint32_t> px(Sprite * Sprite);
    for (int y = 0; y < Sprite; ++y)
        for (int x = 0; x < Sprite; ++x) {
            const double tx = x + 0.5 - Sprite / 2.0, ty = y + 0.5 - Sprite / 2.0;
            const double r = std::sqrt(tx * tx + ty * ty) / (Sprite / 2.0);
            const auto a = static_cast<uint32_t>(std::clamp((1.0 - r) * 4.0, 0.0, 1.0) * 255.0);
            px[y * Sprite + x] = (a << 24) | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 4) << 8 | 0x40;
        }
    return px;
}

std::vector<uint32_t> background() {
    std::vector<uint32_t> px(static_cast<size_t>(DestW) * DestH);
    for (int y = 0; y < DestH; ++y)
        for (int x = 0; x < DestW; ++x)
            px[static_cast<size_t>(y) * DestW + x] = 0xFF000000u | static_cast<uint32_t>(x * 255 / DestW) << 16 |
                                                     static_cast<uint32_t>(y * 255 / DestH) << 8 | ((x + y) & 0xFF);
    return px;
}

struct Spot {
    int x, y;
    double degrees;
};

// The same 200 places for both sides.
const std::vector<Spot>& spots() {
    static const std::vector<Spot> out = [] {
        std::vector<Spot> v;
        uint32_t state = 12345;
        auto next = [&state](int range) {
            state = state * 214013u + 2531011u;
            return static_cast<int>((state >> 16) & 0x7FFF) % range;
        };
        for (int i = 0; i < Count; ++i) v.push_back({next(DestW - 96), next(DestH - 96), static_cast<double>(next(360))});
        return v;
    }();
    return out;
}

// ---- ours -------------------------------------------------------------------

struct Ours {
    MemoryImage dest, sprite, back;
    explicit Ours(bool opaqueDest) {
        std::vector<uint32_t> d(static_cast<size_t>(DestW) * DestH, opaqueDest ? 0xFF202020u : 0x80202020u);
        dest.SetBits(d.data(), DestW, DestH);
        const auto s = softSprite();
        sprite.SetBits(s.data(), Sprite, Sprite);
        const auto b = background();
        back.SetBits(b.data(), DestW, DestH);
    }
};

// ---- pixman -----------------------------------------------------------------

struct Theirs {
    std::vector<uint32_t> destPx, spritePx, backPx;
    pixman_image_t *dest, *sprite, *back;
    explicit Theirs(bool opaqueDest)
        : destPx(static_cast<size_t>(DestW) * DestH, opaqueDest ? 0xFF202020u : premultiply(0x80202020u)) {
        for (uint32_t c : softSprite()) spritePx.push_back(premultiply(c));
        backPx = background();
        dest = pixman_image_create_bits(opaqueDest ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8, DestW, DestH, destPx.data(),
                                        DestW * 4);
        sprite = pixman_image_create_bits(PIXMAN_a8r8g8b8, Sprite, Sprite, spritePx.data(), Sprite * 4);
        back = pixman_image_create_bits(PIXMAN_x8r8g8b8, DestW, DestH, backPx.data(), DestW * 4);
    }
    ~Theirs() {
        pixman_image_unref(dest);
        pixman_image_unref(sprite);
        pixman_image_unref(back);
    }
    Theirs(const Theirs&) = delete;
    Theirs& operator=(const Theirs&) = delete;

    // Destination box and inverse transform of a sprite scaled by `scale`
    // and turned by `degrees` about its centre, placed at (x, y).
    void transformed(int x, int y, double scale, double degrees, pixman_filter_t filter) {
        const double c = std::cos(degrees * Pi / 180.0), s = std::sin(degrees * Pi / 180.0);
        const double w = Sprite * scale, hw = (std::fabs(c) + std::fabs(s)) * w / 2.0;
        const double cx = x + w / 2.0, cy = y + w / 2.0;
        pixman_f_transform ft;
        ft.m[0][0] = c / scale;
        ft.m[0][1] = -s / scale;
        ft.m[0][2] = -(c * cx - s * cy) / scale + Sprite / 2.0;
        ft.m[1][0] = s / scale;
        ft.m[1][1] = c / scale;
        ft.m[1][2] = -(s * cx + c * cy) / scale + Sprite / 2.0;
        ft.m[2][0] = ft.m[2][1] = 0;
        ft.m[2][2] = 1;
        pixman_transform_t t;
        pixman_transform_from_pixman_f_transform(&t, &ft);
        pixman_image_set_transform(sprite, &t);
        pixman_image_set_filter(sprite, filter, nullptr, 0);
        const int bx = std::max(0, static_cast<int>(std::floor(cx - hw))), by = std::max(0, static_cast<int>(std::floor(cy - hw)));
        const int ex = std::min(DestW, static_cast<int>(std::ceil(cx + hw))), ey = std::min(DestH, static_cast<int>(std::ceil(cy + hw)));
        pixman_image_composite32(PIXMAN_OP_OVER, sprite, nullptr, dest, bx, by, 0, 0, bx, by, ex - bx, ey - by);
    }
    void untransformed() { pixman_image_set_transform(sprite, nullptr); }
};

// ---- workloads --------------------------------------------------------------

struct Workload {
    const char* name;
    double pixels;  // per iteration
    bool opaqueDest;
    std::function<void(Ours&)> ours;
    std::function<void(Theirs&)> theirs;
};

const std::vector<Workload>& workloads() {
    static const std::vector<Workload> w = {
        {"sprite alpha 1:1", double(Count) * Sprite * Sprite, false,
         [](Ours& o) {
             for (const Spot& s : spots()) o.dest.Blit(&o.sprite, s.x, s.y, Rect(0, 0, Sprite, Sprite), Color::White, 0);
         },
         [](Theirs& t) {
             for (const Spot& s : spots())
                 pixman_image_composite32(PIXMAN_OP_OVER, t.sprite, nullptr, t.dest, 0, 0, 0, 0, s.x, s.y, Sprite, Sprite);
         }},
        {"sprite onto opaque (runs)", double(Count) * Sprite * Sprite, true,
         [](Ours& o) {
             for (const Spot& s : spots()) o.dest.Blit(&o.sprite, s.x, s.y, Rect(0, 0, Sprite, Sprite), Color::White, 0);
         },
         [](Theirs& t) {
             for (const Spot& s : spots())
                 pixman_image_composite32(PIXMAN_OP_OVER, t.sprite, nullptr, t.dest, 0, 0, 0, 0, s.x, s.y, Sprite, Sprite);
         }},
        {"additive 1:1", double(Count) * Sprite * Sprite, true,
         [](Ours& o) {
             for (const Spot& s : spots()) o.dest.Blit(&o.sprite, s.x, s.y, Rect(0, 0, Sprite, Sprite), Color::White, 1);
         },
         [](Theirs& t) {
             for (const Spot& s : spots())
                 pixman_image_composite32(PIXMAN_OP_ADD, t.sprite, nullptr, t.dest, 0, 0, 0, 0, s.x, s.y, Sprite, Sprite);
         }},
        {"filtered stretch x1.5", double(Count) * 96 * 96, true,
         [](Ours& o) {
             for (const Spot& s : spots())
                 o.dest.StretchBlit(&o.sprite, Rect(s.x, s.y, 96, 96), Rect(0, 0, Sprite, Sprite), Rect(0, 0, DestW, DestH),
                                    Color::White, 0, false);
         },
         [](Theirs& t) {
             for (const Spot& s : spots()) t.transformed(s.x, s.y, 1.5, 0, PIXMAN_FILTER_BILINEAR);
         }},
        {"bilinear turned 30 degrees", double(Count) * Sprite * Sprite, true,
         [](Ours& o) {
             for (const Spot& s : spots())
                 o.dest.BlitRotated(&o.sprite, s.x, s.y, Rect(0, 0, Sprite, Sprite), Rect(0, 0, DestW, DestH), Color::White, 0,
                                    30 * Pi / 180, Sprite / 2.0f, Sprite / 2.0f);
         },
         [](Theirs& t) {
             for (const Spot& s : spots()) t.transformed(s.x, s.y, 1.0, 30, PIXMAN_FILTER_BILINEAR);
         }},
        {"scene 800x600 + 200 turned", double(DestW) * DestH + double(Count) * Sprite * Sprite, true,
         [](Ours& o) {
             o.dest.Blit(&o.back, 0, 0, Rect(0, 0, DestW, DestH), Color::White, 0);
             for (const Spot& s : spots())
                 o.dest.BlitRotated(&o.sprite, s.x, s.y, Rect(0, 0, Sprite, Sprite), Rect(0, 0, DestW, DestH), Color::White, 0,
                                    s.degrees * Pi / 180, Sprite / 2.0f, Sprite / 2.0f);
         },
         [](Theirs& t) {
             pixman_image_composite32(PIXMAN_OP_SRC, t.back, nullptr, t.dest, 0, 0, 0, 0, 0, 0, DestW, DestH);
             for (const Spot& s : spots()) t.transformed(s.x, s.y, 1.0, s.degrees, PIXMAN_FILTER_BILINEAR);
         }},
    };
    return w;
}

void runOurs(benchmark::State& state, const Workload* w) {
    Ours o(w->opaqueDest);
    for (auto _ : state) {
        w->ours(o);
        benchmark::DoNotOptimize(o.dest.GetBits());
    }
    state.counters["Mpx/s"] = benchmark::Counter(w->pixels * 1e-6 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}

void runTheirs(benchmark::State& state, const Workload* w) {
    Theirs t(w->opaqueDest);
    for (auto _ : state) {
        w->theirs(t);
        t.untransformed();
        benchmark::DoNotOptimize(t.destPx.data());
    }
    state.counters["Mpx/s"] = benchmark::Counter(w->pixels * 1e-6 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}


}  // namespace

int main(int argc, char** argv) {
    benchmain::Args args;
    benchmain::prepare(args, argc, argv);
    const bool pinned = args.pinned;

    for (const Workload& w : workloads()) {
        benchmark::RegisterBenchmark((std::string(w.name) + " / ours").c_str(), runOurs, &w)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string(w.name) + " / pixman").c_str(), runTheirs, &w)->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmain::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    const char* build = benchmain::build_kind();
    std::printf("\ncompiler %s, %s build, %s, pixman %s\n", __VERSION__, build,
                pinned ? "pinned to one core" : "not pinned", pixman_version_string());
    std::printf("\n%-30s %14s %14s %12s\n", "workload", "ours Mpx/s", "pixman Mpx/s", "ours/pixman");
    double smallest = 0;
    const char* worst = nullptr;
    for (const Workload& w : workloads()) {
        const auto ours = collector.secondsPerIteration.find(std::string(w.name) + " / ours");
        const auto theirs = collector.secondsPerIteration.find(std::string(w.name) + " / pixman");
        if (ours == collector.secondsPerIteration.end() || theirs == collector.secondsPerIteration.end()) continue;
        const double a = w.pixels / ours->second * 1e-6, b = w.pixels / theirs->second * 1e-6;
        const double ratio = a / b;
        std::printf("%-30s %14.1f %14.1f %12.2f\n", w.name, a, b, ratio);
        if (!worst || ratio < smallest) {
            smallest = ratio;
            worst = w.name;
        }
    }
    if (worst) std::printf("smallest ratio ours/pixman: %.2f (%s)\n", smallest, worst);
    benchmark::Shutdown();
    return 0;
}
