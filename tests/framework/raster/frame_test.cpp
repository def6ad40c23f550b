// Filler frame: coverage and rounding, exactly-once coverage of shared
// edges, the texel fetch and the unblended stores, and the guard band under
// hostile input.
#include "framework/raster/Raster.h"
#include "support/KernelLevels.h"
#include "support/RasterHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

using namespace rastertest;

class Frame : public ::testing::Test {
protected:
    void SetUp() override { InitFillerTable(); }
};

// Rows of '#' (written) and '.' for an opaque white untextured triangle.
std::string coverage(std::vector<TriVertex> v, int w = 12, int h = 12) {
    Canvas c(w, h, Format8888, 0);
    c.draw(v, nullptr, false, true);
    EXPECT_EQ(c.changedOutside(fullClip(c)), "");
    std::string out;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) out += c.at(x, y) ? '#' : '.';
        out += '\n';
    }
    return out;
}

int written(const std::string& grid) { return static_cast<int>(std::count(grid.begin(), grid.end(), '#')); }

TEST_F(Frame, TopAndLeftEdgesInBottomAndRightOut) {
    EXPECT_EQ(coverage({vtx(0, 0), vtx(4, 0), vtx(0, 4)}, 6, 6),
              "####..\n"
              "###...\n"
              "##....\n"
              "#.....\n"
              "......\n"
              "......\n");
    // A vertical left edge at x = 10.0 fills column 10; a right edge there
    // does not.
    const std::string left = coverage({vtx(10, 0), vtx(12, 0), vtx(10, 6), vtx(12, 6)}, 14, 8);
    const std::string right = coverage({vtx(8, 0), vtx(10, 0), vtx(8, 6), vtx(10, 6)}, 14, 8);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(left[y * 15 + 10], '#') << y;
        EXPECT_EQ(left[y * 15 + 9], '.') << y;
        EXPECT_EQ(right[y * 15 + 10], '.') << y;
        EXPECT_EQ(right[y * 15 + 9], '#') << y;
    }
    EXPECT_EQ(written(left), 12);
}

TEST_F(Frame, TrianglesWithoutARowOrWidthDrawNothing) {
    const std::vector<std::vector<TriVertex>> empty = {
        {vtx(0, 5), vtx(3, 5), vtx(8, 5)},            // equal y
        {vtx(0, 2.1f), vtx(9, 2.5f), vtx(3, 2.9f)},   // between two rows
        {vtx(0, 0), vtx(2, 2), vtx(4, 4)},            // middle vertex on the long edge
        {vtx(3, 1), vtx(3, 1), vtx(3, 9)},            // two equal vertices
    };
    for (const auto& t : empty) EXPECT_EQ(written(coverage(t)), 0);
}

TEST_F(Frame, EqualYKeepsInputOrder) {
    // Either order of the two top vertices covers the same pixels.
    EXPECT_EQ(coverage({vtx(4, 0), vtx(0, 0), vtx(0, 4)}), coverage({vtx(0, 0), vtx(4, 0), vtx(0, 4)}));
}

// Black at alpha 128 over a white 0x888 destination: a pixel covered once
// becomes 126, twice 62, and a hole stays 255.
void expectExactlyOnce(const Canvas& c, const ClipRect& clip) {
    int holes = 0, doubles = 0, other = 0;
    for (int y = clip.y; y < clip.y + clip.height; ++y)
        for (int x = clip.x; x < clip.x + clip.width; ++x) {
            const uint32_t p = c.at(x, y);
            if (p == 0x007E7E7E) continue;
            if ((p & 0xFF) == 255) ++holes;
            else if ((p & 0xFF) == 62) ++doubles;
            else if (++other < 5) ADD_FAILURE() << "pixel (" << x << "," << y << ") = 0x" << std::hex << p;
        }
    EXPECT_EQ(holes, 0);
    EXPECT_EQ(doubles, 0);
    EXPECT_EQ(other, 0);
}

TEST_F(Frame, JitteredMeshCoversEveryPixelExactlyOnce) {
    std::mt19937 rng(103);
    // Small enough that no cell folds over, so the triangles never overlap.
    std::uniform_real_distribution<float> jitter(-0.2f, 0.2f);
    for (int round = 0; round < 20; ++round) {
        // A grid whose outer vertices lie outside the clip, so the clipper
        // cuts the strips on all four sides.
        const int cols = 9, rows = 7;
        const float cell = 7.3f + static_cast<float>(round) * 0.37f;
        std::vector<std::vector<TriVertex>> grid(rows + 1, std::vector<TriVertex>(cols + 1));
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= cols; ++i) {
                const bool edge = i == 0 || j == 0 || i == cols || j == rows;
                grid[j][i] = vtx(-9.5f + i * cell + (edge ? 0 : jitter(rng) * cell),
                                 -8.25f + j * cell + (edge ? 0 : jitter(rng) * cell), 0, 0, 0x80000000);
            }
        Canvas c(48, 40, Format888, 0x00FFFFFF);
        const ClipRect clip{1, 2, 45, 36};
        c.snapshot();
        for (int j = 0; j < rows; ++j) {
            std::vector<TriVertex> strip;
            for (int i = 0; i <= cols; ++i) {
                strip.push_back(grid[j][i]);
                strip.push_back(grid[j + 1][i]);
            }
            c.draw(strip, nullptr, DrawColor{}, clip, false, true);
        }
        expectExactlyOnce(c, clip);
        EXPECT_EQ(c.changedOutside(clip), "");
    }
}

TEST_F(Frame, StoresTheNearestTexelUnblended) {
    struct Case {
        int format;
        uint32_t want;
    };
    for (const Case k : {Case{Format8888, 0xFFFF8040}, Case{Format888, 0x80FF8040}, Case{Format565, 0xFC08},
                         Case{Format555, 0x7E08}}) {
        FakeTexture tex(4, 4, 0x80FF8040);  // flags say opaque: feature set 0
        Canvas c(8, 8, k.format, 0x1234);
        c.draw({vtx(0, 0, 0, 0), vtx(8, 0, 1, 0), vtx(0, 8, 0, 1)}, &tex);
        EXPECT_EQ(c.at(0, 0), k.want) << std::hex << k.format;
        EXPECT_EQ(c.at(3, 3), k.want) << std::hex << k.format;
    }
}

TEST_F(Frame, SamplesTheTexelUnderEachPixel) {
    FakeTexture tex(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) tex.texel(x, y) = 0xFF000000u | static_cast<uint32_t>(y * 16 + x);
    Canvas c(8, 4, Format8888);
    // Two destination pixels per texel, one to one in the texel grid.
    c.draw({vtx(0, 0, 0, 0), vtx(8, 0, 1, 0), vtx(0, 4, 0, 1), vtx(8, 4, 1, 1)}, &tex);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(c.at(x, y), 0xFF000000u | static_cast<uint32_t>(y / 2 * 16 + x / 2));
}

TEST_F(Frame, TexelsOutsideTheTextureReadZero) {
    // Past the last column the fetch reads 0 instead of running into the next
    // texel row; a u of one unit below 0 reads 0 instead of a far texel.
    FakeTexture tex(256, 256, 0xFFFFFFFF);
    Canvas c(8, 8, Format8888, 0x12345678);
    const float minusOne = -1.0f / (256.0f * 65536.0f);
    c.draw({vtx(0, 0, 1, 0), vtx(4, 0, 1, 0.01f), vtx(0, 4, 1, 0.01f)}, &tex);
    c.draw({vtx(4, 4, minusOne, 0.5f), vtx(8, 4, minusOne, 0.5f), vtx(4, 8, minusOne, 0.51f)}, &tex);
    EXPECT_EQ(c.at(0, 0), 0xFF000000u);
    EXPECT_EQ(c.at(5, 5), 0xFF000000u);
    for (const int format : {Format888, Format565, Format555}) {
        Canvas d(4, 4, format, 0x1234);
        d.draw({vtx(0, 0, 2, 2), vtx(4, 0, 3, 2), vtx(0, 4, 2, 3)}, &tex);
        EXPECT_EQ(d.at(0, 0), 0u) << std::hex << format;
    }
}

// An edge whose u runs from +32767 to -32767 texels (as from a saturated
// coordinate) steps down through the texture: the difference is formed in
// 64 bits. Wrapped to 32 bits it would be a small step the other way, and the
// second row would read far outside the texture instead of column 0.
TEST_F(Frame, AttributeDifferencesDoNotWrap) {
    FakeTexture tex(4, 1, 0xFF445566);
    tex.texel(0, 0) = 0xFF112233;
    const float far = 32767.0f / 4.0f;  // u * 4 * 65536 = 0x7FFF0000 exactly
    Canvas c(4, 2, Format8888, 0);
    c.draw({vtx(0, 0, far, 0.5f), vtx(4, 0, far, 0.5f), vtx(0, 2, -far, 0.5f)}, &tex);
    EXPECT_EQ(c.at(0, 0), 0xFF000000u) << "row 0 reads column 32767: outside";
    EXPECT_EQ(c.at(0, 1), 0xFF112233u) << "row 1 reads column 0";
    EXPECT_EQ(c.at(1, 1), 0xFF112233u);
}

TEST_F(Frame, ZeroWeightLeavesThePixel) {
    // A fully transparent draw is skipped rather than darkening what it
    // covers (and never divides by zero over a transparent 0x8888 pixel).
    FakeTexture opaque(2, 2, 0xFFFFFFFF), mixed(2, 2, 0xC0FFFFFF);
    mixed.alpha = true;
    for (const int format : {Format8888, Format888, Format565, Format555})
        for (FakeTexture* tex : {&opaque, &mixed})
            for (const uint32_t dest : {0x00000000u, 0x00FFFFFFu, 0xFFFFu}) {
                Canvas c(4, 4, format, dest);
                c.snapshot();
                c.draw({vtx(0, 0), vtx(4, 0), vtx(0, 4)}, tex, DrawColor{255, 255, 255, 1}, fullClip(c));
                EXPECT_EQ(c.changedCount(), 0) << std::hex << format << " " << dest;
            }
}

// Random strips of every kind over every entry and format, at every kernel
// level: nothing outside the clip rectangle changes and the sanitizers stay
// quiet.
class GuardBand : public AtKernelLevel {};

TEST_P(GuardBand, HoldsForHostileStrips) {
    std::mt19937 rng(8103);
    std::uniform_real_distribution<float> unit(0, 1);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    auto coord = [&](float size) -> float {
        switch (rng() % 12) {
            case 0: return nan;
            case 1: return rng() % 2 ? inf : -inf;
            case 2: return rng() % 2 ? 1e30f : -1e30f;
            case 3: return std::ldexp(unit(rng) - 0.5f, static_cast<int>(rng() % 60));
            case 4: return static_cast<float>(static_cast<int>(rng() % 40) - 10);  // on pixel and clip edges
            default: return unit(rng) * (size + 20) - 10;
        }
    };
    const int formats[] = {Format8888, Format888, Format565, Format555};
    std::vector<uint32_t> texels(5 * 3);
    for (int iter = 0; iter < 4000; ++iter) {
        const int format = formats[iter % 4];
        const int w = 1 + static_cast<int>(rng() % 24), h = 1 + static_cast<int>(rng() % 24);
        Canvas c(w, h, format, rng());
        const ClipRect clip{static_cast<int>(rng() % 30) - 8, static_cast<int>(rng() % 30) - 8,
                            static_cast<int>(rng() % 40), static_cast<int>(rng() % 40)};
        for (auto& t : texels) t = rng() % 3 == 0 ? rng() & 0x0AFFFFFF : rng();
        FakeTexture tex(5, 3);
        tex.texels = texels;
        tex.trans = rng() % 2;
        tex.alpha = rng() % 2;
        std::vector<TriVertex> strip(3 + rng() % 5);
        for (auto& v : strip) {
            v = vtx(coord(static_cast<float>(w)), coord(static_cast<float>(h)), coord(2), coord(2), rng());
            if (rng() % 3 == 0) v.y = strip[0].y + (unit(rng) - 0.5f) * 1e-3f;  // slivers, near-horizontal edges
        }
        const DrawColor color = rng() % 2 ? DrawColor{} : DrawColor{int(rng() % 256), int(rng() % 256),
                                                                    int(rng() % 256), int(rng() % 256)};
        c.snapshot();
        c.draw(strip, rng() % 4 ? &tex : nullptr, color, clip, rng() % 2, rng() % 2);
        ASSERT_EQ(c.changedOutside(clip), "") << "iteration " << iter;
    }
}

ZELKOR_AT_EVERY_KERNEL_LEVEL(GuardBand);

}  // namespace
