// Unrotated nearest draws read whole texel rows at a time; they must give
// exactly what the per-pixel fetch gives. Checked against the plain
// reference model on quads whose texel step is exactly, nearly and not at
// all one texel a pixel.
#include "framework/raster/Raster.h"
#include "support/KernelLevels.h"
#include "support/ReferenceModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

namespace sw = Vant::SWRaster;

struct Drawn {
    std::vector<uint8_t> ours, model;
};

// Draws the strip quad's two triangles with entry `index`, under a random
// draw colour, over the same random W x H canvas through our filler and
// through the reference model.
Drawn drawQuad(unsigned index, const sw::FixedVertex (&quad)[4], const std::vector<uint32_t>& texels, int TW, int TH,
               int W, int H, std::mt19937& rng) {
    const sw::FillColor fill{static_cast<int32_t>(rng() % 256), static_cast<int32_t>(rng() % 256),
                             static_cast<int32_t>(rng() % 256), static_cast<int32_t>(rng() % 256)};
    const sw::TextureInfo info{texels.data(), TW, TH, TW * TH};

    const refmodel::Format mf = refmodel::formatOfIndex(index);
    const int bpp = refmodel::bytesPerPixel(mf);
    Drawn out;
    out.ours.resize(static_cast<size_t>(W) * H * bpp);
    for (auto& b : out.ours) b = static_cast<uint8_t>(rng());
    out.model = out.ours;
    const refmodel::Target target{out.model.data(), W * bpp, W, H, mf};
    const refmodel::Texture mtex{texels.data(), TW, TH};
    const refmodel::Paint paint{fill.a, fill.r, fill.g, fill.b};
    for (const int tri : {0, 1}) {
        const sw::FixedVertex t[3] = {quad[tri], quad[tri + 1], quad[tri + 2]};
        sw::FillerTable[index](t, out.ours.data(), W * bpp, &info, &fill);
        refmodel::Vertex m[3];
        std::memcpy(m, t, sizeof m);
        refmodel::fillTriangle(index, m, target, mtex, paint);
    }
    return out;
}

// A random texel of one kind: 0 skipped, 1 stored, 2 blended, 3 any alpha.
uint32_t texelOfKind(uint32_t kind, std::mt19937& rng) {
    const uint32_t alpha = kind == 0 ? rng() % 9 : kind == 1 ? 240 + rng() % 16 : kind == 2 ? 9 + rng() % 231 : rng() % 256;
    return alpha << 24 | (rng() & 0xFFFFFF);
}

class Rows : public rastertest::AtKernelLevel {};

TEST_P(Rows, UnrotatedNearestDrawsMatchTheReference) {
    std::mt19937 rng(611);
    const int W = 70, H = 9, TW = 64, TH = 8;
    std::vector<uint32_t> texels(TW * TH);
    // Texel steps per pixel in 16.16: exact, a few units either side (runs of
    // consecutive texels broken now and then), and clearly scaled.
    const int32_t steps[] = {0x10000, 0x10000 - 1, 0x10000 + 1, 0x10000 - 700, 0x10000 + 1500, 0x8000, 0x1C000};
    const unsigned features[] = {0x10, 0x12, 0x18, 0x1A};
    const int formats[] = {sw::Format8888, sw::Format888, sw::Format565, sw::Format555};
    for (int round = 0; round < 400; ++round) {
        // Every other round the kinds come in runs, so that whole groups of
        // pixels are skipped or stored together.
        const bool runs = (round / 4) % 2 == 1;
        uint32_t kind = 0;
        for (size_t i = 0; i < texels.size(); ++i) {
            if (!runs || i % 11 == 0) kind = rng() % 4;
            texels[i] = texelOfKind(kind, rng);
        }
        const int32_t du = steps[round % 7];
        const unsigned index = features[(round / 7) % 4] | sw::formatGroup(formats[round % 4]);
        // A quad from x0 to x1 on rows y0..y1, u starting anywhere near the
        // row start, v constant along every row.
        // Every third quad is 64 pixels wide, where the span gradient comes out
        // exactly as the texel step.
        const bool exact = round % 3 == 0;
        const int32_t x0 = exact ? 2 << 16 : static_cast<int32_t>(rng() % (4 << 16));
        const int32_t x1 = exact ? 66 << 16 : (W - 2) << 16;
        const int32_t y0 = static_cast<int32_t>(rng() % (2 << 16)), y1 = (H - 1) << 16;
        const int32_t u0 = static_cast<int32_t>(rng() % (3 << 16)) - (1 << 16);
        const int32_t u1 = u0 + static_cast<int32_t>((int64_t{x1 - x0} * du) >> 16);
        const int32_t v0 = static_cast<int32_t>(rng() % (2 << 16)), v1 = v0 + (y1 - y0);
        const sw::FixedVertex quad[4] = {{x0, y0, 0, 0, 0, 0, u0, v0},
                                         {x1, y0, 0, 0, 0, 0, u1, v0},
                                         {x0, y1, 0, 0, 0, 0, u0, v1},
                                         {x1, y1, 0, 0, 0, 0, u1, v1}};
        const Drawn drawn = drawQuad(index, quad, texels, TW, TH, W, H, rng);
        ASSERT_EQ(drawn.ours, drawn.model) << "round " << round << " entry 0x" << std::hex << index << " du 0x" << du;
    }
}

// Filtered draws at any angle and scale, whose texel blocks lie inside the
// texture, on its border or outside it: the vector kernel of the filtered
// members and the plain per-pixel path must give the same pixels.
TEST_P(Rows, TurnedFilteredDrawsMatchTheReference) {
    std::mt19937 rng(906);
    const int W = 90, H = 70, TW = 37, TH = 29;
    std::vector<uint32_t> texels(TW * TH);
    const int formats[] = {sw::Format8888, sw::Format888, sw::Format565, sw::Format555};
    for (int round = 0; round < 120; ++round) {
        for (uint32_t& t : texels) {
            const uint32_t kind = rng() % 4;
            t = texelOfKind(kind, rng);
        }
        const unsigned index = (round % 8 < 6 ? 0x19u : 0x1Bu) | sw::formatGroup(formats[(round / 8) % 4]);
        // A square turned by any angle and scaled about the canvas centre;
        // its texture coordinates reach a little past every edge.
        const double angle = (rng() % 3600) * 3.14159265358979 / 1800.0;
        const double half = 20.0 + (rng() % 25);
        const double c = std::cos(angle) * half, s = std::sin(angle) * half;
        const double cx = W / 2.0 + (rng() % 9) - 4.0, cy = H / 2.0 + (rng() % 9) - 4.0;
        const double corners[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
        const double u0 = -0.2 + (rng() % 100) * 0.002, u1 = 1.2 - (rng() % 100) * 0.002;
        sw::FixedVertex quad[4];
        for (int i = 0; i < 4; ++i) {
            const double x = cx + corners[i][0] * c - corners[i][1] * s;
            const double y = cy + corners[i][0] * s + corners[i][1] * c;
            const double u = i % 2 ? u1 : u0, v = i / 2 ? u1 : u0;
            quad[i] = {static_cast<int32_t>(std::clamp(x, 0.0, double(W)) * 65536),
                       static_cast<int32_t>(std::clamp(y, 0.0, double(H)) * 65536), 0, 0, 0, 0,
                       static_cast<int32_t>(u * TW * 65536), static_cast<int32_t>(v * TH * 65536)};
        }
        const Drawn drawn = drawQuad(index, quad, texels, TW, TH, W, H, rng);
        ASSERT_EQ(drawn.ours, drawn.model) << "round " << round << " entry 0x" << std::hex << index;
    }
}

ZELKOR_AT_EVERY_KERNEL_LEVEL(Rows);

}  // namespace
