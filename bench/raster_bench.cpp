// The software rasteriser against pixman on the same workloads, in one run:
// an opaque 1:1 copy, alpha-over at 1:1, a rotated bilinear alpha sprite and
// a scene of a full background with 200 rotated 64x64 alpha sprites, each
// into an 800x600 32-bit destination (our 0x888, pixman's x8r8g8b8).
//
// The work per pixel is matched, not the rounding: pixman keeps its sources
// premultiplied and rounds by /255, ours blends straight sources by /256.
// Before timing, both pictures of each workload are compared, and the run
// fails when they differ by more than that rounding (see Tolerance). Ends
// with a table of Mpixels/s and the ratio ours/pixman per workload, and one
// line with the smallest ratio.
#include "bench/BenchMain.h"
#include "framework/raster/Raster.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sched.h>
#include <string>
#include <vector>

// Counts heap allocations, to show that drawing allocates nothing. Not under
// AddressSanitizer, which owns malloc itself.
#if defined(__SANITIZE_ADDRESS__)
#define RASTER_BENCH_COUNT_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RASTER_BENCH_COUNT_MALLOC 0
#endif
#endif
#ifndef RASTER_BENCH_COUNT_MALLOC
#define RASTER_BENCH_COUNT_MALLOC 1
#endif

namespace {
long mallocCount = 0;
long mallocsWhileOursDrew = 0;
}

#if RASTER_BENCH_COUNT_MALLOC
extern "C" void* __libc_malloc(size_t) noexcept;
extern "C" void* malloc(size_t n) noexcept {
    ++mallocCount;
    return __libc_malloc(n);
}
#endif

namespace {

namespace sw = Vant::SWRaster;

constexpr int DestW = 800, DestH = 600;
constexpr double Pi = 3.14159265358979323846;

// ---- Images ---------------------------------------------------------------

struct Image {
    int w = 0, h = 0;
    std::vector<uint32_t> straight;  // ours: 0xAARRGGBB, straight colour
    std::vector<uint32_t> premul;    // pixman: the same, premultiplied
};

uint32_t premultiply(uint32_t c) {
    const uint32_t a = c >> 24;
    auto ch = [a](uint32_t v) { return (v * a + 127) / 255; };
    return (a << 24) | (ch((c >> 16) & 0xFF) << 16) | (ch((c >> 8) & 0xFF) << 8) | ch(c & 0xFF);
}

void finish(Image& img) {
    img.premul.resize(img.straight.size());
    std::transform(img.straight.begin(), img.straight.end(), img.premul.begin(), premultiply);
}

// An opaque background: smooth colour ramps.
Image background(int w, int h) {
    Image img{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h), {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.straight[static_cast<size_t>(y) * w + x] =
                0xFF000000u | (static_cast<uint32_t>(x * 255 / w) << 16) | (static_cast<uint32_t>(y * 255 / h) << 8) |
                static_cast<uint32_t>((x + y) & 0xFF);
    finish(img);
    return img;
}

// A sprite: a soft-edged disc on a transparent square (alpha 0 outside,
// 255 inside, a ramp at the rim), tiled `tiles` times in each direction.
Image sprite(int w, int h, int tile) {
    Image img{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h), {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double tx = (x % tile) + 0.5 - tile / 2.0, ty = (y % tile) + 0.5 - tile / 2.0;
            const double r = std::sqrt(tx * tx + ty * ty) / (tile / 2.0);
            const double a = std::clamp((1.0 - r) * 4.0, 0.0, 1.0);
            const uint32_t alpha = static_cast<uint32_t>(a * 255.0);
            const uint32_t red = static_cast<uint32_t>(x * 255 / w), green = static_cast<uint32_t>(y * 255 / h);
            img.straight[static_cast<size_t>(y) * w + x] = (alpha << 24) | (red << 16) | (green << 8) | 0x40;
        }
    finish(img);
    return img;
}

class Texture final : public sw::TextureSource {
public:
    explicit Texture(const Image& img) : img_(img) {
        for (uint32_t t : img.straight) {
            trans_ |= (t >> 24) == 0;
            alpha_ |= (t >> 24) != 0 && (t >> 24) != 255;
        }
    }
    void commitBits() override {}
    const uint32_t* bits() override { return img_.straight.data(); }
    int width() const override { return img_.w; }
    int height() const override { return img_.h; }
    bool hasTrans() const override { return trans_; }
    bool hasAlpha() const override { return alpha_; }

private:
    const Image& img_;
    bool trans_ = false, alpha_ = false;
};

const Image& backgroundImage() {
    static const Image img = background(DestW, DestH);
    return img;
}
const Image& layerImage() {
    static const Image img = sprite(DestW, DestH, 64);
    return img;
}
const Image& bigSprite() {
    static const Image img = sprite(384, 384, 384);
    return img;
}
const Image& smallSprite() {
    static const Image img = sprite(64, 64, 64);
    return img;
}

// ---- Placement --------------------------------------------------------------

// An image of w x h drawn with its centre at (cx, cy), turned by `degrees`.
struct Placement {
    double cx, cy, degrees;
};

// Ours: the strip a matrix draw makes: corners top-left, top-right,
// bottom-left, bottom-right, moved by -0.5 so pixel centres sample texel
// centres.
void stripFor(const Placement& p, int w, int h, sw::TriVertex out[4]) {
    const double c = std::cos(p.degrees * Pi / 180.0), s = std::sin(p.degrees * Pi / 180.0);
    const double xs[4] = {-w / 2.0, w / 2.0, -w / 2.0, w / 2.0};
    const double ys[4] = {-h / 2.0, -h / 2.0, h / 2.0, h / 2.0};
    const float us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        out[i].x = static_cast<float>(p.cx + c * xs[i] - s * ys[i] - 0.5);
        out[i].y = static_cast<float>(p.cy + s * xs[i] + c * ys[i] - 0.5);
        out[i].u = us[i];
        out[i].v = vs[i];
        out[i].color = 0xFFFFFFFFu;
    }
}

// pixman: the destination rectangle that holds the turned image, and the
// transform from destination to image coordinates.
struct PixmanPlacement {
    int x, y, w, h;
    pixman_transform_t transform;
};

PixmanPlacement pixmanFor(const Placement& p, int w, int h) {
    const double c = std::cos(p.degrees * Pi / 180.0), s = std::sin(p.degrees * Pi / 180.0);
    const double hw = (std::fabs(c) * w + std::fabs(s) * h) / 2.0, hh = (std::fabs(s) * w + std::fabs(c) * h) / 2.0;
    PixmanPlacement out;
    out.x = std::max(0, static_cast<int>(std::floor(p.cx - hw)));
    out.y = std::max(0, static_cast<int>(std::floor(p.cy - hh)));
    out.w = std::min(DestW, static_cast<int>(std::ceil(p.cx + hw))) - out.x;
    out.h = std::min(DestH, static_cast<int>(std::ceil(p.cy + hh))) - out.y;
    // u = c (x - cx) + s (y - cy) + w/2, v = -s (x - cx) + c (y - cy) + h/2
    pixman_f_transform ft;
    ft.m[0][0] = c;
    ft.m[0][1] = s;
    ft.m[0][2] = -c * p.cx - s * p.cy + w / 2.0;
    ft.m[1][0] = -s;
    ft.m[1][1] = c;
    ft.m[1][2] = s * p.cx - c * p.cy + h / 2.0;
    ft.m[2][0] = 0;
    ft.m[2][1] = 0;
    ft.m[2][2] = 1;
    pixman_transform_from_pixman_f_transform(&out.transform, &ft);
    return out;
}

std::vector<Placement> scenePlacements() {
    std::vector<Placement> out;
    uint32_t state = 12345;
    auto next = [&state](int range) {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF) % range;
    };
    for (int i = 0; i < 200; ++i)
        out.push_back({static_cast<double>(32 + next(DestW - 64)), static_cast<double>(32 + next(DestH - 64)),
                       static_cast<double>(next(360))});
    return out;
}

// ---- Our rasteriser ---------------------------------------------------------

struct Ours {
    std::vector<uint32_t> dest = std::vector<uint32_t>(static_cast<size_t>(DestW) * DestH, 0xFF202020u);
    sw::ClipRect clip{0, 0, DestW, DestH};
    sw::DrawColor white{};

    Ours() { sw::InitFillerTable(); }

    void draw(Texture& tex, const Placement& p, bool linear) {
        sw::TriVertex strip[4];
        stripFor(p, tex.width(), tex.height(), strip);
        sw::DrawTriangleStrip(strip, 4, &tex, &white, 0, &clip, reinterpret_cast<uint8_t*>(dest.data()),
                              DestW * 4, DestW, DestH, sw::Format888, linear, false);
    }
};

// ---- pixman -------------------------------------------------------------------

struct Pixman {
    std::vector<uint32_t> dest = std::vector<uint32_t>(static_cast<size_t>(DestW) * DestH, 0xFF202020u);
    pixman_image_t* dst;

    Pixman() { dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, DestW, DestH, dest.data(), DestW * 4); }
    ~Pixman() { pixman_image_unref(dst); }
    Pixman(const Pixman&) = delete;
    Pixman& operator=(const Pixman&) = delete;

    static pixman_image_t* source(const Image& img) {
        return pixman_image_create_bits(PIXMAN_a8r8g8b8, img.w, img.h, const_cast<uint32_t*>(img.premul.data()),
                                        img.w * 4);
    }
};

// A turned, bilinearly filtered source placed for one draw.
struct PixmanSprite {
    pixman_image_t* image;
    PixmanPlacement at;

    PixmanSprite(const Image& img, const Placement& p) : image(Pixman::source(img)), at(pixmanFor(p, img.w, img.h)) {
        pixman_image_set_transform(image, &at.transform);
        pixman_image_set_filter(image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
        pixman_image_set_repeat(image, PIXMAN_REPEAT_NONE);
    }
    ~PixmanSprite() {
        if (image) pixman_image_unref(image);
    }
    PixmanSprite(PixmanSprite&& o) noexcept : image(o.image), at(o.at) { o.image = nullptr; }
    PixmanSprite(const PixmanSprite&) = delete;
    PixmanSprite& operator=(const PixmanSprite&) = delete;

    void draw(pixman_image_t* dst) const {
        pixman_image_composite32(PIXMAN_OP_OVER, image, nullptr, dst, at.x, at.y, 0, 0, at.x, at.y, at.w, at.h);
    }
};

// ---- Workloads --------------------------------------------------------------

const Placement FullScreen{DestW / 2.0, DestH / 2.0, 0};
const Placement Turned{DestW / 2.0, DestH / 2.0, 30};

std::map<std::string, double>& pixelsPerWorkload() {
    static std::map<std::string, double> m;
    return m;
}

// mallocs: heap allocations made inside the timed loop (ours only).
void finishRun(benchmark::State& state, const std::string& workload, double pixels, long mallocs) {
    pixelsPerWorkload()[workload] = pixels;
    mallocsWhileOursDrew += mallocs;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * pixels));
    state.counters["Mpx/s"] = benchmark::Counter(pixels * 1e-6 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
    if (RASTER_BENCH_COUNT_MALLOC)
        state.counters["mallocs/iter"] = static_cast<double>(mallocs) / static_cast<double>(state.iterations());
}

// A full-screen unturned draw of `img`: ours with its nearest filler,
// pixman with `op`.
void fullScreenOurs(benchmark::State& state, const Image& img, const char* workload) {
    Ours ours;
    Texture tex(img);
    const long before = mallocCount;
    for (auto _ : state) {
        ours.draw(tex, FullScreen, false);
        benchmark::DoNotOptimize(ours.dest.data());
    }
    finishRun(state, workload, double(DestW) * DestH, mallocCount - before);
}

void fullScreenPixman(benchmark::State& state, const Image& img, pixman_op_t op, const char* workload) {
    Pixman px;
    pixman_image_t* src = Pixman::source(img);
    for (auto _ : state) {
        pixman_image_composite32(op, src, nullptr, px.dst, 0, 0, 0, 0, 0, 0, DestW, DestH);
        benchmark::DoNotOptimize(px.dest.data());
    }
    pixman_image_unref(src);
    finishRun(state, workload, double(DestW) * DestH, 0);
}

void copy_ours(benchmark::State& state) { fullScreenOurs(state, backgroundImage(), "opaque copy 1:1"); }
void copy_pixman(benchmark::State& state) {
    fullScreenPixman(state, backgroundImage(), PIXMAN_OP_SRC, "opaque copy 1:1");
}
void over_ours(benchmark::State& state) { fullScreenOurs(state, layerImage(), "alpha-over 1:1"); }
void over_pixman(benchmark::State& state) { fullScreenPixman(state, layerImage(), PIXMAN_OP_OVER, "alpha-over 1:1"); }

// Pixels of a turned sprite: its own area.
double spriteArea(const Image& img) { return double(img.w) * img.h; }

void rotated_ours(benchmark::State& state) {
    Ours ours;
    Texture tex(bigSprite());
    const long before = mallocCount;
    for (auto _ : state) {
        ours.draw(tex, Turned, true);
        benchmark::DoNotOptimize(ours.dest.data());
    }
    finishRun(state, "rotated bilinear sprite", spriteArea(bigSprite()), mallocCount - before);
}

void rotated_pixman(benchmark::State& state) {
    Pixman px;
    const PixmanSprite s(bigSprite(), Turned);
    for (auto _ : state) {
        s.draw(px.dst);
        benchmark::DoNotOptimize(px.dest.data());
    }
    finishRun(state, "rotated bilinear sprite", spriteArea(bigSprite()), 0);
}

double scenePixels() { return double(DestW) * DestH + 200 * spriteArea(smallSprite()); }

void scene_ours(benchmark::State& state) {
    Ours ours;
    Texture back(backgroundImage());
    Texture spr(smallSprite());
    const std::vector<Placement> placements = scenePlacements();
    const long before = mallocCount;
    for (auto _ : state) {
        ours.draw(back, FullScreen, false);
        for (const Placement& p : placements) ours.draw(spr, p, true);
        benchmark::DoNotOptimize(ours.dest.data());
    }
    finishRun(state, "scene 800x600 + 200 sprites", scenePixels(), mallocCount - before);
}

void scene_pixman(benchmark::State& state) {
    Pixman px;
    pixman_image_t* back = Pixman::source(backgroundImage());
    std::vector<PixmanSprite> sprites;
    for (const Placement& p : scenePlacements()) sprites.emplace_back(smallSprite(), p);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, back, nullptr, px.dst, 0, 0, 0, 0, 0, 0, DestW, DestH);
        for (const PixmanSprite& s : sprites) s.draw(px.dst);
        benchmark::DoNotOptimize(px.dest.data());
    }
    pixman_image_unref(back);
    finishRun(state, "scene 800x600 + 200 sprites", scenePixels(), 0);
}

// The order of the summary table.
const char* const Workloads[] = {"opaque copy 1:1", "alpha-over 1:1", "rotated bilinear sprite",
                                 "scene 800x600 + 200 sprites"};


// One unturned full-screen draw of `img` on each side: ours with its nearest
// filler, pixman with `op`.
void drawFullScreen(Ours& ours, Pixman& px, const Image& img, pixman_op_t op) {
    Texture tex(img);
    ours.draw(tex, FullScreen, false);
    pixman_image_t* src = Pixman::source(img);
    pixman_image_composite32(op, src, nullptr, px.dst, 0, 0, 0, 0, 0, 0, DestW, DestH);
    pixman_image_unref(src);
}

// How far the two results may lie apart, as the largest difference of one
// colour channel (0..255). Both draw the same picture; the rounding differs
// by design:
//  - opaque copy: both copy the texels, so nothing may differ;
//  - alpha-over: from alpha 240 up ours stores the texel, dropping up to
//    15/255 of the destination that pixman blends in (below 9 it skips,
//    dropping at most 8/255 of the source); 1 more for blending by /256 where
//    pixman divides by 255: 16;
//  - rotated bilinear: the same 16, and 4 more because our four filter
//    weights sum to 251..254, not 255: 20;
//  - scene: a sprite's 20, and 4 for the rounding that the sprite below
//    leaves where two overlap: 24.
constexpr int Tolerance[] = {0, 16, 20, 24};

// Draws each workload once on both sides and compares the pictures. False
// when one differs by more than its tolerance: then the timings would not
// compare like with like.
bool compareResults() {
    std::printf("\n%-30s %16s %10s %22s\n", "workload", "largest diff", "tolerance", "pixels differing by >8");
    bool within = true;
    auto report = [&within](int workload, const Ours& ours, const Pixman& px) {
        size_t differing = 0;
        int largest = 0;
        for (size_t i = 0; i < ours.dest.size(); ++i) {
            int pixel = 0;
            for (int shift : {0, 8, 16}) {
                const int a = static_cast<int>((ours.dest[i] >> shift) & 0xFF);
                const int b = static_cast<int>((px.dest[i] >> shift) & 0xFF);
                pixel = std::max(pixel, std::abs(a - b));
            }
            largest = std::max(largest, pixel);
            differing += pixel > 8;
        }
        const bool ok = largest <= Tolerance[workload];
        within = within && ok;
        std::printf("%-30s %16d %10d %21.3f%%%s\n", Workloads[workload], largest, Tolerance[workload],
                    100.0 * differing / ours.dest.size(), ok ? "" : "  TOO FAR APART");
    };
    {
        Ours ours;
        Pixman px;
        drawFullScreen(ours, px, backgroundImage(), PIXMAN_OP_SRC);
        report(0, ours, px);
    }
    {
        Ours ours;
        Pixman px;
        drawFullScreen(ours, px, layerImage(), PIXMAN_OP_OVER);
        report(1, ours, px);
    }
    {
        Ours ours;
        Pixman px;
        Texture tex(bigSprite());
        ours.draw(tex, Turned, true);
        PixmanSprite(bigSprite(), Turned).draw(px.dst);
        report(2, ours, px);
    }
    {
        Ours ours;
        Pixman px;
        drawFullScreen(ours, px, backgroundImage(), PIXMAN_OP_SRC);
        Texture spr(smallSprite());
        for (const Placement& p : scenePlacements()) {
            ours.draw(spr, p, true);
            PixmanSprite(smallSprite(), p).draw(px.dst);
        }
        report(3, ours, px);
    }
    return within;
}

}  // namespace

BENCHMARK(copy_ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(copy_pixman)->Unit(benchmark::kMicrosecond);
BENCHMARK(over_ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(over_pixman)->Unit(benchmark::kMicrosecond);
BENCHMARK(rotated_ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(rotated_pixman)->Unit(benchmark::kMicrosecond);
BENCHMARK(scene_ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(scene_pixman)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmain::Args args;
    benchmain::prepare(args, argc, argv);
    const bool pinned = args.pinned;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Timings of two different pictures would mean nothing: compare first.
    if (!compareResults()) {
        std::printf("the two pictures differ by more than the rounding allows: not timed\n");
        return 1;
    }
    benchmain::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    const char* build = benchmain::build_kind();
    std::printf("\ncompiler %s, %s build, %s, pixman %s\n", __VERSION__, build,
                pinned ? "pinned to one core" : "not pinned", pixman_version_string());
    // The counter is live when it saw the benchmark library's own allocations.
    if (RASTER_BENCH_COUNT_MALLOC && mallocCount > 0)
        std::printf("heap allocations while our rasteriser drew: %ld\n", mallocsWhileOursDrew);
    const char* const stems[] = {"copy", "over", "rotated", "scene"};
    std::printf("\n%-30s %14s %14s %12s\n", "workload", "ours Mpx/s", "pixman Mpx/s", "ours/pixman");
    double smallest = 0;
    const char* worst = nullptr;
    for (int i = 0; i < 4; ++i) {
        const auto ours = collector.secondsPerIteration.find(std::string(stems[i]) + "_ours");
        const auto theirs = collector.secondsPerIteration.find(std::string(stems[i]) + "_pixman");
        const auto pixels = pixelsPerWorkload().find(Workloads[i]);
        if (ours == collector.secondsPerIteration.end() || theirs == collector.secondsPerIteration.end() ||
            pixels == pixelsPerWorkload().end())
            continue;
        const double a = pixels->second / ours->second * 1e-6, b = pixels->second / theirs->second * 1e-6;
        const double ratio = a / b;
        std::printf("%-30s %14.1f %14.1f %12.2f\n", Workloads[i], a, b, ratio);
        if (!worst || ratio < smallest) {
            smallest = ratio;
            worst = Workloads[i];
        }
    }
    if (worst) std::printf("smallest ratio ours/pixman: %.2f (%s)\n", smallest, worst);
    benchmark::Shutdown();
    return 0;
}
