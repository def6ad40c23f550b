// Spans that random triangles rarely reach, at every kernel level, through
// the drawing entry against the reference model: long runs of the copy and
// alpha kernels (whole 8-pixel groups, wholly stored, skipped and mixed) at
// every byte offset of the destination, sprites whose vertices sit on pixel
// centres, long slivers whose spans are clamped at either end, and
// axis-aligned sprites drawn one texel a pixel.
#include "framework/raster/Raster.h"
#include "support/KernelLevels.h"
#include "support/ReferenceModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace sw = Vant::SWRaster;
using rastertest::AtKernelLevel;

struct Texture final : sw::TextureSource {
    std::vector<uint32_t> texels;
    int w = 0, h = 0;
    bool trans = false, partial = false;
    void commitBits() override {}
    const uint32_t* bits() override { return texels.data(); }
    int width() const override { return w; }
    int height() const override { return h; }
    bool hasTrans() const override { return trans; }
    bool hasAlpha() const override { return partial; }
};

// A texture whose alpha comes in runs of one kind (skipped, stored, blended
// or any), so that whole groups of pixels take one path.
Texture runsTexture(int w, int h, std::mt19937& rng, int run) {
    Texture t;
    t.w = w;
    t.h = h;
    t.texels.resize(static_cast<size_t>(w) * h);
    uint32_t kind = 0;
    for (size_t i = 0; i < t.texels.size(); ++i) {
        if (i % static_cast<size_t>(run) == 0) kind = rng() % 4;
        const uint32_t alpha = kind == 0 ? rng() % 9 : kind == 1 ? 240 + rng() % 16 : kind == 2 ? 9 + rng() % 231 : rng() % 256;
        t.texels[i] = alpha << 24 | (rng() & 0xFFFFFF);
        t.trans |= alpha == 0;
        t.partial |= alpha != 0 && alpha != 255;
    }
    return t;
}

struct Draw {
    std::vector<sw::TriVertex> strip;
    sw::DrawColor color;
    sw::ClipRect clip;
    int format = sw::Format888;
    bool linear = false, vertexColors = false;
};

int bytesOf(int format) { return format == sw::Format565 || format == sw::Format555 ? 2 : 4; }

refmodel::Format modelFormat(int format) {
    switch (format) {
    case sw::Format888: return refmodel::Format::Xrgb888;
    case sw::Format565: return refmodel::Format::Rgb565;
    case sw::Format555: return refmodel::Format::Rgb555;
    default: return refmodel::Format::Argb8888;
    }
}

// Draws through the entry and through the model into two copies of a W x H
// destination whose pixel (0, 0) lies `offset` bytes past a 64-byte boundary,
// rows `pitch` bytes apart, with a band of random bytes around it. Returns ""
// when every byte agrees, else where and how they differ.
std::string drawBoth(const Draw& d, Texture* tex, int W, int H, std::ptrdiff_t pitch, int offset, std::mt19937& rng) {
    constexpr int Band = 64;
    std::vector<uint8_t> ours(static_cast<size_t>(pitch) * H + 2 * Band + 64 + offset);
    for (auto& b : ours) b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> model = ours;
    auto origin = [&](std::vector<uint8_t>& m) {
        const uintptr_t at = reinterpret_cast<uintptr_t>(m.data()) + Band;
        return reinterpret_cast<uint8_t*>((at + 63) & ~uintptr_t{63}) + offset;
    };
    sw::DrawTriangleStrip(d.strip.data(), static_cast<int>(d.strip.size()), tex, &d.color, 0, &d.clip, origin(ours),
                          pitch, W, H, d.format, d.linear, d.vertexColors);
    std::vector<refmodel::FloatVertex> strip;
    for (const sw::TriVertex& v : d.strip) strip.push_back({v.x, v.y, v.u, v.v, v.color});
    refmodel::Image image;
    if (tex) image = {tex->texels.data(), tex->w, tex->h, tex->trans, tex->partial};
    refmodel::Notes notes;
    refmodel::drawTriangleStrip(strip.data(), static_cast<int>(strip.size()), tex ? &image : nullptr,
                                {d.color.a, d.color.r, d.color.g, d.color.b},
                                {d.clip.x, d.clip.y, d.clip.width, d.clip.height},
                                {origin(model), pitch, W, H, modelFormat(d.format)}, d.linear, d.vertexColors, &notes);
    std::ostringstream out;
    if (notes.outside) out << "the model wrote outside the destination; ";
    for (size_t i = 0; i < ours.size(); ++i)
        if (ours[i] != model[i]) {
            const std::ptrdiff_t at = reinterpret_cast<uint8_t*>(&ours[i]) - origin(ours);
            const std::ptrdiff_t row = at >= 0 ? at / pitch : -1;
            out << "byte " << at << " (row " << row << ", column " << (at >= 0 ? at % pitch / bytesOf(d.format) : -1)
                << ") is " << int(ours[i]) << ", the model gives " << int(model[i]);
            break;
        }
    if (out.str().empty()) return "";
    out << "\n  format " << std::hex << d.format << std::dec << ", offset " << offset << ", pitch " << pitch
        << ", clip " << d.clip.x << "," << d.clip.y << " " << d.clip.width << "x" << d.clip.height << ", colour "
        << d.color.r << "," << d.color.g << "," << d.color.b << "," << d.color.a << (d.linear ? ", filtered" : "")
        << "\n";
    for (const sw::TriVertex& v : d.strip)
        out << "  (" << v.x << ", " << v.y << ") uv (" << v.u << ", " << v.v << ") 0x" << std::hex << v.color
            << std::dec << "\n";
    return out.str();
}

// The strip a matrix draw makes of a w x h source rectangle at (x, y) whose
// texels are (u0, v0) .. (u0 + w, v0 + h) of a tw x th texture: top-left,
// top-right, bottom-left, bottom-right.
std::vector<sw::TriVertex> quad(float x, float y, float w, float h, float u0, float v0, float uw, float vh, int tw,
                                int th) {
    const float l = u0 / tw, r = (u0 + uw) / tw, t = v0 / th, b = (v0 + vh) / th;
    return {{x, y, l, t, 0xFFFFFFFF}, {x + w, y, r, t, 0xFFFFFFFF}, {x, y + h, l, b, 0xFFFFFFFF},
            {x + w, y + h, r, b, 0xFFFFFFFF}};
}

const int Formats[] = {sw::Format8888, sw::Format888, sw::Format565, sw::Format555};

class Spans : public AtKernelLevel {};

// One-texel-a-pixel rows of 1 to 96 pixels from every byte offset of a
// 32-byte line: whole and partial groups of the copy and alpha kernels, each
// group wholly stored, wholly skipped or mixed, with and without a draw
// colour, rows apart and rows back to back.
TEST_P(Spans, LongRunsAtEveryByteOffset) {
    std::mt19937 rng(4242);
    Texture tex = runsTexture(100, 6, rng, 24);
    const bool alphaFlags[] = {false, true};
    for (int offset = 0; offset < 32; ++offset)
        for (const int format : Formats)
            for (const bool alpha : alphaFlags) {
                tex.trans = tex.partial = alpha;
                const int W = 100, H = 6;
                const int width = 1 + static_cast<int>(rng() % 96);
                Draw d;
                d.format = format;
                d.clip = {0, 0, W, H};
                if (rng() % 3 == 0) d.color = {int(rng() % 256), int(rng() % 256), int(rng() % 256), int(rng() % 256)};
                // Pixel centres on texel centres, the way a matrix draw places
                // an unscaled sprite.
                const int x = static_cast<int>(rng() % (W - width + 1));
                const float u0 = static_cast<float>(rng() % (100 - width + 1));
                d.strip = quad(x - 0.5f, -0.5f, static_cast<float>(width), 4, u0, 1, static_cast<float>(width), 4,
                               tex.w, tex.h);
                const std::ptrdiff_t pitch = (rng() % 2 ? W : W + 3) * bytesOf(format);
                const std::string diff = drawBoth(d, &tex, W, H, pitch, offset, rng);
                ASSERT_EQ(diff, "") << "width " << width;
            }
}

// Sprites with their corners on pixel sample points (texel edges fall on the
// samples), at one texel a pixel, a little off it, and mirrored; every
// entry that samples the nearest texel, and the filtered ones.
TEST_P(Spans, SpritesOnPixelCentres) {
    std::mt19937 rng(77);
    Texture tex = runsTexture(40, 30, rng, 9);
    for (int round = 0; round < 400; ++round) {
        const int W = 48, H = 36;
        Draw d;
        d.format = Formats[round % 4];
        d.clip = {static_cast<int>(rng() % 8) - 4, static_cast<int>(rng() % 8) - 4, W, H};
        tex.trans = tex.partial = round % 3 == 0;
        d.linear = round % 5 == 0;
        if (round % 4 == 1) d.color = {int(rng() % 256), int(rng() % 256), int(rng() % 256), int(rng() % 256)};
        const float x = static_cast<float>(rng() % 20) - 4, y = static_cast<float>(rng() % 16) - 4;
        const float w = 1.0f + static_cast<float>(rng() % 36), h = 1.0f + static_cast<float>(rng() % 28);
        const float u0 = static_cast<float>(rng() % 8), v0 = static_cast<float>(rng() % 6);
        const float scale[] = {1, 1, 1, 1 + 1.0f / 1024, 1 - 1.0f / 4096, -1};
        const float s = scale[rng() % 6];
        d.strip = quad(x, y, w, h, s < 0 ? u0 + w : u0, v0, s < 0 ? -w : w * s, h, tex.w, tex.h);
        const std::string diff = drawBoth(d, &tex, W, H, W * bytesOf(d.format), static_cast<int>(rng() % 8) * 2, rng);
        ASSERT_EQ(diff, "") << "round " << round;
    }
}

// Filtered sprites turned by any angle and wide enough for long spans (past
// 64 pixels, so the eight-at-a-time sampling runs in several pieces), some
// reaching past the texture's border, in every format, with and without
// texture alpha and a draw colour: the turned balls and shadows of the game.
TEST_P(Spans, TurnedFilteredSprites) {
    std::mt19937 rng(3232);
    Texture tex = runsTexture(48, 40, rng, 7);
    for (int round = 0; round < 240; ++round) {
        const int W = 160, H = 100;
        Draw d;
        d.format = Formats[round % 4];
        d.clip = {0, 0, W, H};
        d.linear = true;
        tex.trans = tex.partial = round % 3 != 0;
        if (round % 2 == 1) d.color = {int(rng() % 256), int(rng() % 256), int(rng() % 256), int(rng() % 256)};
        const float w = 8.0f + static_cast<float>(rng() % 140), h = 8.0f + static_cast<float>(rng() % 80);
        const float cx = static_cast<float>(rng() % W), cy = static_cast<float>(rng() % H);
        const double a = static_cast<double>(rng() % 6283) / 1000.0;
        const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
        const float edge = rng() % 4 == 0 ? 0.1f : 0.0f;  // past the border
        d.strip.clear();
        for (int corner = 0; corner < 4; ++corner) {
            const float px = (corner & 1 ? 0.5f : -0.5f) * w, py = (corner & 2 ? 0.5f : -0.5f) * h;
            d.strip.push_back({cx + px * c + py * s, cy - px * s + py * c, (corner & 1 ? 1.0f + edge : -edge),
                               (corner & 2 ? 1.0f + edge : -edge), 0xFFFFFFFF});
        }
        const std::string diff = drawBoth(d, &tex, W, H, W * bytesOf(d.format), static_cast<int>(rng() % 8) * 2, rng);
        ASSERT_EQ(diff, "") << "round " << round;
    }
}

// Long, thin triangles whose edges step by rounding past the triangle's own
// columns: their spans are clamped at the left or the right end.
TEST_P(Spans, LongSlivers) {
    std::mt19937 rng(5150);
    Texture tex = runsTexture(16, 64, rng, 5);
    for (int round = 0; round < 300; ++round) {
        const int W = 24, H = 120;
        Draw d;
        d.format = Formats[round % 4];
        d.clip = {0, 0, W, H};
        tex.trans = tex.partial = round % 2 == 0;
        d.linear = round % 3 == 0;
        d.vertexColors = round % 7 == 0;
        auto at = [&](int span) { return static_cast<float>(rng() % (2 * span + 1)) * 0.5f; };
        const float x = at(20), dx = (static_cast<float>(rng() % 9) - 4) * 0.25f;
        const float y0 = at(8), y1 = H - at(8);
        d.strip = {{x, y0, 0.1f, 0, 0xFFFFFFFF},
                   {x + dx + 0.5f * static_cast<float>(rng() % 3), y1, 0.9f, 1, 0x80FF8040},
                   {x + dx, y1 - at(2), 0.5f, 0.9f, 0xFF2040FF}};
        const std::string diff = drawBoth(d, &tex, W, H, W * bytesOf(d.format), static_cast<int>(rng() % 4), rng);
        ASSERT_EQ(diff, "") << "round " << round;
    }
}

// Unturned sprites about one texel a pixel, the entry's rectangle path: on
// whole pixels, pixel centres and anywhere between, cut by the clip or the
// destination, scaled a hair off one texel a pixel, over destinations whose
// rows follow one another (whole rows become one run) or not.
TEST_P(Spans, SpriteRectanglesDrawAsTheirTriangles) {
    std::mt19937 rng(8086);
    // Whole pixels, pixel centres, a unit of 16.16 either side of them, and
    // anything between.
    auto place = [&](int whole) {
        const float at = static_cast<float>(static_cast<int>(rng() % (whole + 1)));
        const float unit = 1.0f / 65536;
        switch (rng() % 5) {
        case 0: return at;
        case 1: return at - 0.5f;
        case 2: return at + (rng() % 2 ? unit : -unit);
        case 3: return at - 0.5f + (rng() % 2 ? unit : -unit);
        default: return static_cast<float>(rng() % (whole * 64 + 1)) / 64.0f;
        }
    };
    for (int round = 0; round < 600; ++round) {
        const int W = 8 + static_cast<int>(rng() % 40), H = 4 + static_cast<int>(rng() % 20);
        const bool wholeRows = round % 4 == 0;
        Texture tex = runsTexture(wholeRows ? W : W + static_cast<int>(rng() % 9), H + 3, rng,
                                  1 + static_cast<int>(rng() % 12));
        tex.trans = tex.partial = rng() % 2 == 0;
        Draw d;
        d.format = Formats[rng() % 4];
        d.clip = wholeRows ? sw::ClipRect{0, 0, W, H}
                           : sw::ClipRect{static_cast<int>(rng() % 8) - 2, static_cast<int>(rng() % 6) - 2,
                                          static_cast<int>(rng() % (W + 4)), static_cast<int>(rng() % (H + 4))};
        if (rng() % 3 == 0) d.color = {int(rng() % 256), int(rng() % 256), int(rng() % 256), int(rng() % 256)};
        const float scales[] = {1, 1, 1, 1, 1 + 1.0f / 2048, 1 - 1.0f / 2048};
        const float s = scales[rng() % 6];
        if (wholeRows) {
            // The whole destination from a texture as wide: a matrix draw of
            // a full-screen image, its left column and top row cut.
            d.strip = quad(-0.5f, -0.5f, static_cast<float>(W), static_cast<float>(H), 0, place(2),
                           static_cast<float>(W) * s, static_cast<float>(H), tex.w, tex.h);
        } else {
            const float x = place(W) - 4, y = place(H) - 3;
            const float w = 1 + place(W), h = 1 + place(H);
            d.strip = quad(x, y, w, h, place(4), place(2), w * s, h, tex.w, tex.h);
        }
        const int bpp = bytesOf(d.format);
        const std::ptrdiff_t pitch = wholeRows ? W * bpp : (W + static_cast<int>(rng() % 3)) * bpp;
        const std::string diff = drawBoth(d, &tex, W, H, pitch, static_cast<int>(rng() % 32), rng);
        ASSERT_EQ(diff, "") << "round " << round;
    }
}

// A whole picture from a texture of its size (a full-screen background):
// one block of texels, copied in pieces where it is large.
TEST_P(Spans, WholePictureInOneBlock) {
    std::mt19937 rng(1999);
    const int W = 320, H = 240;
    Texture tex = runsTexture(W, H, rng, 40);
    for (const int format : Formats)
        for (const bool alpha : {false, true}) {
            tex.trans = tex.partial = alpha;
            Draw d;
            d.format = format;
            d.clip = {0, 0, W, H};
            d.strip = quad(-0.5f, -0.5f, W, H, 0, 0, W, H, W, H);
            ASSERT_EQ(drawBoth(d, &tex, W, H, W * bytesOf(format), 0, rng), "");
        }
}

ZELKOR_AT_EVERY_KERNEL_LEVEL(Spans);

}  // namespace
