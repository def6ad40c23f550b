// Every filler of the table against the slow per-channel reference model,
// bit for bit, plus the worked pixels of the colour stages as tables.
//
// Where the game deliberately departs from the faithful arithmetic, the rows
// say so:
//  - an effective alpha of 0 leaves the pixel unchanged (the faithful blend
//    would still darken it: 0x888 white -> 0xFFFEFEFE, 0x565 0xFFFF -> 0xF7BE,
//    0x8888 alpha 255 -> 254);
//  - a filtered neighbour outside the texture reads as transparent and the
//    integer part of a sample coordinate is the plain floor, so the first
//    column of a one-to-one draw takes no colour from the row above's last
//    texel;
//  - running colours are clamped to 0..255.99 before they become factors.
#include "framework/raster/Raster.h"
#include "framework/raster/support/KernelLevels.h"
#include "framework/raster/support/RasterHarness.h"
#include "framework/raster/support/ReferenceModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace sw = Vant::SWRaster;
using refmodel::Format;

// ---- Shared plumbing ------------------------------------------------------

static_assert(sizeof(sw::FixedVertex) == sizeof(refmodel::Vertex));

refmodel::Vertex toModel(const sw::FixedVertex& f) {
    return {f.x, f.y, f.a, f.r, f.g, f.b, f.u, f.v};
}

sw::TextureInfo toInfo(const std::vector<uint32_t>& texels, int w, int h) {
    sw::TextureInfo info;
    if (!texels.empty() && w > 0 && h > 0) {
        info.bits = texels.data();
        info.width = w;
        info.height = h;
        info.pixelCount = w * h;
    }
    return info;
}

refmodel::Texture toModel(const sw::TextureInfo& t) { return {t.bits, t.width, t.height}; }

refmodel::Paint toModel(const sw::FillColor& c) { return {c.a, c.r, c.g, c.b}; }

// A destination of w x h pixels inside a guard band of sentinel pixels, so a
// write outside the drawing area shows up as a difference.
class Canvas {
public:
    static constexpr int Guard = 3;

    // A bottom-up canvas hands the fillers its last row as row 0 and a
    // negative pitch.
    Canvas(Format format, int w, int h, bool bottomUp = false)
        : format_(format), w_(w), h_(h), bottomUp_(bottomUp), bpp_(refmodel::bytesPerPixel(format)),
          pitch_(static_cast<std::ptrdiff_t>(w + 2 * Guard) * bpp_),
          bytes_(static_cast<size_t>(pitch_) * (h + 2 * Guard)) {
        for (size_t i = 0; i < bytes_.size(); ++i) bytes_[i] = static_cast<uint8_t>(0xA5 ^ (i * 7));
    }

    uint8_t* origin() { return bytes_.data() + (bottomUp_ ? h_ - 1 + Guard : Guard) * pitch_ + Guard * bpp_; }
    std::ptrdiff_t pitch() const { return bottomUp_ ? -pitch_ : pitch_; }
    int width() const { return w_; }
    int height() const { return h_; }
    Format format() const { return format_; }
    refmodel::Target target() { return {origin(), pitch(), w_, h_, format_}; }

    // Pixel (x, y), where x and y may reach into the guard band.
    uint32_t get(int x, int y) const {
        return rastertest::readPixel(bytes_.data() + (y + Guard) * pitch_ + (x + Guard) * bpp_, bpp_);
    }
    void set(int x, int y, uint32_t value) {
        rastertest::writePixel(bytes_.data() + (y + Guard) * pitch_ + (x + Guard) * bpp_, bpp_, value);
    }
    void fillAll(uint32_t value) {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) set(x, y, value);
    }

    bool operator==(const Canvas& o) const { return bytes_ == o.bytes_; }

    // First pixel, guard band included, where the two differ.
    bool firstDifference(const Canvas& o, int& x, int& y) const {
        for (y = -Guard; y < h_ + Guard; ++y)
            for (x = -Guard; x < w_ + Guard; ++x)
                if (get(x, y) != o.get(x, y)) return true;
        return false;
    }

private:
    Format format_;
    int w_, h_;
    bool bottomUp_;
    int bpp_;
    std::ptrdiff_t pitch_;
    std::vector<uint8_t> bytes_;
};

class TableTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sw::InitFillerTable(); }
};

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08" PRIX32, v);
    return buf;
}

std::string describe(const sw::FixedVertex* tri, const sw::TextureInfo& tex, const sw::FillColor& c) {
    std::ostringstream s;
    for (int i = 0; i < 3; ++i)
        s << "  v" << i << " x=" << hex(tri[i].x) << " y=" << hex(tri[i].y) << " a=" << hex(tri[i].a)
          << " r=" << hex(tri[i].r) << " g=" << hex(tri[i].g) << " b=" << hex(tri[i].b) << " u=" << hex(tri[i].u)
          << " v=" << hex(tri[i].v) << "\n";
    s << "  texture " << tex.width << "x" << tex.height << (tex.bits ? "" : " (no texels)") << ", fill a,r,g,b = "
      << c.a << "," << c.r << "," << c.g << "," << c.b << "\n";
    return s.str();
}

// ---- Random inputs --------------------------------------------------------

class Dice {
public:
    explicit Dice(uint32_t seed) : rng_(seed) {}
    uint32_t bits() { return static_cast<uint32_t>(rng_()); }
    // Uniform in [lo, hi].
    int64_t in(int64_t lo, int64_t hi) { return lo + static_cast<int64_t>(rng_() % static_cast<uint64_t>(hi - lo + 1)); }
    bool chance(int percent) { return in(0, 99) < percent; }
    template <class T, size_t N>
    T pick(const T (&values)[N]) {
        return values[in(0, N - 1)];
    }

    // A channel with the values at the thresholds over-represented.
    int channel() {
        static const int edges[] = {0, 1, 7, 8, 9, 10, 127, 128, 238, 239, 240, 241, 242, 254, 255};
        return chance(40) ? pick(edges) : static_cast<int>(in(0, 255));
    }

    uint32_t argb() {
        return (static_cast<uint32_t>(channel()) << 24) | (static_cast<uint32_t>(channel()) << 16) |
               (static_cast<uint32_t>(channel()) << 8) | static_cast<uint32_t>(channel());
    }

    // A 16.16 coordinate in [0, extent] pixels: often whole or half pixels,
    // otherwise any fraction.
    int32_t position(int extent) {
        switch (in(0, 5)) {
        case 0: return static_cast<int32_t>(in(0, extent)) << 16;
        case 1: return (static_cast<int32_t>(in(0, extent - 1)) << 16) + 0x8000;
        default: return static_cast<int32_t>(in(0, int64_t{extent} << 16));
        }
    }

    std::mt19937_64& engine() { return rng_; }

private:
    std::mt19937_64 rng_;
};

struct RandomTexture {
    std::vector<uint32_t> texels;
    int w = 0, h = 0;
};

RandomTexture makeTexture(Dice& dice) {
    RandomTexture t;
    t.w = static_cast<int>(dice.in(1, 17));
    t.h = static_cast<int>(dice.in(1, 17));
    if (dice.chance(3)) return t;  // no texels at all
    const int kind = static_cast<int>(dice.in(0, 3));
    t.texels.resize(static_cast<size_t>(t.w) * t.h);
    for (uint32_t& texel : t.texels) {
        uint32_t c = dice.argb();
        if (kind == 0) c |= 0xFF000000u;                                   // opaque
        if (kind == 1) c = (c & 0x00FFFFFFu) | (dice.chance(50) ? 0xFF000000u : 0);  // cut-out
        texel = c;
    }
    return t;
}

// Texture coordinates around the texture, now and then far outside it.
int32_t texCoord(Dice& dice, int size) {
    if (dice.chance(3)) return static_cast<int32_t>(dice.bits());
    if (dice.chance(20)) return static_cast<int32_t>(dice.in(-1, size + 1)) << 16;
    return static_cast<int32_t>(dice.in(-(int64_t{size} << 15), int64_t{size} * 3 << 15));
}

int32_t colourChannel(Dice& dice) { return dice.channel() << 16; }

void randomTriangle(Dice& dice, int w, int h, const RandomTexture& tex, sw::FixedVertex* tri) {
    const int shape = static_cast<int>(dice.in(0, 9));
    for (int i = 0; i < 3; ++i) {
        sw::FixedVertex& v = tri[i];
        v.x = dice.position(w);
        v.y = dice.position(h);
        v.a = colourChannel(dice);
        v.r = colourChannel(dice);
        v.g = colourChannel(dice);
        v.b = colourChannel(dice);
        v.u = texCoord(dice, tex.w);
        v.v = texCoord(dice, tex.h);
    }
    if (shape == 0) {
        // A sliver: the third vertex a hair off the line through the others.
        tri[2].x = std::clamp<int32_t>(tri[0].x + static_cast<int32_t>(dice.in(-3, 3)), 0, w << 16);
        tri[2].y = std::min<int32_t>(tri[1].y + static_cast<int32_t>(dice.in(0, 5)), h << 16);
    } else if (shape == 1) {
        // Uniform colour, the case the worked pixels use.
        for (int i = 1; i < 3; ++i) {
            tri[i].a = tri[0].a;
            tri[i].r = tri[0].r;
            tri[i].g = tri[0].g;
            tri[i].b = tri[0].b;
        }
    } else if (shape == 2) {
        // A one-to-one mapping of the texture.
        for (int i = 0; i < 3; ++i) {
            tri[i].u = tri[i].x - (4 << 16);
            tri[i].v = tri[i].y - (4 << 16);
        }
    }
}

sw::FillColor randomFill(Dice& dice) {
    return {dice.channel(), dice.channel(), dice.channel(), dice.channel()};
}

void randomDestination(Dice& dice, Canvas& c) {
    const uint32_t flat = dice.argb();
    const bool uniform = dice.chance(25);
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            uint32_t v = uniform ? flat : dice.argb();
            if (c.format() == Format::Argb8888 && dice.chance(30)) v = (v & 0x00FFFFFFu) | (dice.chance(50) ? 0 : 0xFF000000u);
            c.set(x, y, v);
        }
}

// ---- The differential test --------------------------------------------------

// Every entry at every kernel level.
class EveryEntry : public ::testing::TestWithParam<std::tuple<unsigned, sw::KernelLevel>> {
protected:
    void SetUp() override {
        sw::InitFillerTable();
        if (!level_.ran) GTEST_SKIP() << "this processor lacks " << rastertest::kernelLevelName(std::get<1>(GetParam()));
    }

private:
    rastertest::ForcedKernelLevel level_{std::get<1>(GetParam())};
};

TEST_P(EveryEntry, MatchesReferenceModelBitForBit) {
    const unsigned index = std::get<0>(GetParam());
    const sw::TriangleFiller filler = sw::FillerTable[index];
    ASSERT_NE(filler, nullptr);
    const Format format = refmodel::formatOfIndex(index);

    Dice dice(0x5EED0000u + index);
    constexpr int W = 40, H = 32, Rounds = 300;
    int reported = 0;
    for (int round = 0; round < Rounds && reported < 3; ++round) {
        const RandomTexture tex = makeTexture(dice);
        const sw::TextureInfo info = toInfo(tex.texels, tex.w, tex.h);
        const sw::FillColor fill = randomFill(dice);
        sw::FixedVertex tri[3];
        randomTriangle(dice, W, H, tex, tri);
        sw::FixedVertex before[3];
        std::memcpy(before, tri, sizeof tri);

        Canvas ours(format, W, H, round % 4 == 3);
        randomDestination(dice, ours);
        Canvas model = ours;

        filler(tri, ours.origin(), ours.pitch(), &info, &fill);

        const refmodel::Vertex mtri[3] = {toModel(before[0]), toModel(before[1]), toModel(before[2])};
        refmodel::Notes notes;
        refmodel::fillTriangle(index, mtri, model.target(), toModel(info), toModel(fill), &notes);

        EXPECT_EQ(std::memcmp(before, tri, sizeof tri), 0) << "the filler changed its vertices";
        EXPECT_EQ(notes.outside, 0) << "the model would write outside the destination";
        // A premultiplied source term equal to its weight over a transparent
        // 0x8888 pixel gives a quotient of 256, which the blend caps at 255
        // (see PremultipliedTermEqualToItsWeightStaysLight); every other
        // blend must stay in range.
        EXPECT_EQ(notes.overflow - notes.premultipliedWraps, 0) << "a blended channel left its range";
        int x = 0, y = 0;
        if (ours.firstDifference(model, x, y)) {
            ++reported;
            ADD_FAILURE() << "entry " << hex(index) << ", round " << round << ": pixel (" << x << ", " << y
                          << ") is " << hex(ours.get(x, y)) << ", the model gives " << hex(model.get(x, y))
                          << "\n" << describe(before, info, fill);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllEntries, EveryEntry,
                         ::testing::Combine(::testing::Range(0u, 128u), ::testing::ValuesIn(rastertest::AllKernelLevels)),
                         [](const ::testing::TestParamInfo<std::tuple<unsigned, sw::KernelLevel>>& i) {
                             char buf[16];
                             std::snprintf(buf, sizeof buf, "Entry%02X", std::get<0>(i.param));
                             return std::string(buf) + "_" + rastertest::kernelLevelName(std::get<1>(i.param));
                         });

// ---- Worked pixels ----------------------------------------------------------
//
// One triangle (0,0) (8,0) (0,8) whose three vertices carry the same colour
// and texture coordinate, so every covered pixel gets exactly those values;
// pixel (1, 1) is read back. The texture is 4x4 texels of one word, and the
// default coordinate is the centre of texel (1, 1).

constexpr int32_t whole(int c) { return c << 16; }
constexpr int32_t TexelCentre = 0x18000;

struct Attrs {
    int32_t a = whole(255), r = whole(255), g = whole(255), b = whole(255);
    int32_t u = TexelCentre, v = TexelCentre;
};

struct Shot {
    uint32_t ours = 0;
    uint32_t model = 0;
};

Shot shoot(unsigned index, uint32_t dest, const std::vector<uint32_t>& texels, int tw, int th, const Attrs& at,
           const sw::FillColor& fill, int size = 8) {
    sw::FixedVertex tri[3];
    const int32_t xs[3] = {0, whole(size), 0}, ys[3] = {0, 0, whole(size)};
    for (int i = 0; i < 3; ++i) tri[i] = {xs[i], ys[i], at.a, at.r, at.g, at.b, at.u, at.v};
    const sw::TextureInfo info = toInfo(texels, tw, th);
    const Format format = refmodel::formatOfIndex(index);

    Canvas model(format, size, size);
    model.fillAll(dest);
    Canvas ours = model;
    const refmodel::Vertex mtri[3] = {toModel(tri[0]), toModel(tri[1]), toModel(tri[2])};
    refmodel::fillTriangle(index, mtri, model.target(), toModel(info), toModel(fill));
    Shot shot;
    shot.model = model.get(1, 1);
    sw::FillerTable[index](tri, ours.origin(), ours.pitch(), &info, &fill);
    shot.ours = ours.get(1, 1);
    return shot;
}

Shot shoot(unsigned index, uint32_t dest, uint32_t texel, const Attrs& at, const sw::FillColor& fill) {
    return shoot(index, dest, std::vector<uint32_t>(16, texel), 4, 4, at, fill);
}

struct Case {
    const char* what;
    unsigned index;
    uint32_t dest;
    uint32_t expected;
    uint32_t texel = 0xFFFFFFFF;
    Attrs at = {};
    sw::FillColor fill = {};  // a, r, g, b
};

void expectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const Shot shot = shoot(c.index, c.dest, c.texel, c.at, c.fill);
        EXPECT_EQ(hex(shot.model), hex(c.expected)) << "model: " << c.what;
        EXPECT_EQ(hex(shot.ours), hex(c.expected)) << "entry " << hex(c.index) << ": " << c.what;
    }
}

Attrs colour(int32_t a, int32_t r, int32_t g, int32_t b) {
    Attrs at;
    at.a = a;
    at.r = r;
    at.g = g;
    at.b = b;
    return at;
}

Attrs at(int32_t u, int32_t v) {
    Attrs a;
    a.u = u;
    a.v = v;
    return a;
}

constexpr int32_t Outside = 100 << 16;  // a texel coordinate past the texture

using WorkedPixels = TableTest;

TEST_F(WorkedPixels, UntexturedVertexColours) {
    const Attrs blue128 = colour(whole(128), 0, 0, whole(255));
    const Attrs black = colour(0, 0, 0, 0);
    auto blackAt = [&](int32_t a) { return colour(a, 0, 0, 0); };
    const int32_t c100_75 = 0x0064C000;
    expectCases({
        {"0x8888, alpha 128 blue over an opaque pixel", 0x04, 0xFF204060, 0xFF0F1FAE, 0, blue128},
        {"0x8888, alpha 128 blue over half-transparent red", 0x04, 0x80FF0000, 0xBF5400A9, 0, blue128},
        {"0x8888, alpha 128 blue over transparent black", 0x04, 0x00000000, 0x7F0000FE, 0, blue128},
        {"0x8888, alpha exactly 240.0 blends, red 1.5", 0x0C, 0, 0xEF010000, 0, colour(whole(240), 0x18000, 0, 0)},
        {"0x8888, alpha exactly 240.0 blends, red 1.0", 0x05, 0, 0xEF000000, 0, colour(whole(240), whole(1), 0, 0)},
        {"0x8888, fraction bits of red and green reach the source term", 0x04, 0, 0xEF646463, 0,
         colour(whole(240), c100_75, c100_75, c100_75)},
        {"0x8888, the same over opaque black", 0x04, 0xFF000000, 0xFF5E5E5D, 0,
         colour(whole(240), c100_75, c100_75, c100_75)},
        {"0x888 uses the integer parts only", 0x24, 0, 0x005D5D5D, 0, colour(whole(240), c100_75, c100_75, c100_75)},
        {"0x888, alpha 128 blue, the blend writes top byte 0", 0x24, 0xFFFF0000, 0x007E007F, 0, blue128},
        {"0x888, alpha 255 stores with top byte 0xFF", 0x2D, 0xFFFF0000, 0xFF0000FF, 0,
         colour(whole(255), 0, 0, whole(255))},
        {"0x565, alpha 128 red over blue", 0x44, 0x001F, 0x780E, 0, colour(whole(128), whole(255), 0, 0)},
        {"0x565 stores white packed", 0x44, 0x1234, 0xFFFF, 0, Attrs{}},
        {"0x555 stores white packed, bit 15 clear", 0x64, 0x8000, 0x7FFF, 0, Attrs{}},
        {"alpha exactly 8.0 leaves the pixel", 0x24, 0x00FFFFFF, 0x00FFFFFF, 0, blackAt(whole(8))},
        {"alpha 8.0 + 2^-16 blends with A = 8", 0x24, 0x00FFFFFF, 0x00F6F6F6, 0, blackAt(whole(8) + 1)},
        {"alpha 240.0 + 2^-16 stores", 0x24, 0x00FFFFFF, 0xFF000000, 0, blackAt(whole(240) + 1)},
        {"alpha 0 leaves the pixel", 0x04, 0x12345678, 0x12345678, 0, black},
        {"modulation: white under fill alpha 128 gives A = 127, colour 254", 0x26, 0, 0x007E7E7E, 0, Attrs{},
         {128, 255, 255, 255}},
        {"modulation with fill alpha 0 leaves the pixel", 0x2E, 0x00FFFFFF, 0x00FFFFFF, 0, Attrs{}, {0, 255, 255, 255}},
    });
}

TEST_F(WorkedPixels, ColourModulation) {
    expectCases({
        {"fill (255, 255, 128, 0) on white stores M in 0x8888", 0x12, 0x12345678, 0xFFFE7F00, 0xFFFFFFFF, Attrs{},
         {255, 255, 128, 0}},
        {"the same in 0x888, top byte 0", 0x32, 0x12345678, 0x00FE7F00, 0xFFFFFFFF, Attrs{}, {255, 255, 128, 0}},
        {"fill alpha 241 stores (A = 240)", 0x12, 0x12345678, 0xFFFEFEFE, 0xFFFFFFFF, Attrs{}, {241, 255, 255, 255}},
        {"fill alpha 240 blends (A = 239)", 0x32, 0, 0xFFEDEDED, 0xFFFFFFFF, Attrs{}, {240, 255, 255, 255}},
        {"fill (128, 255, 0, 255) over opaque black", 0x12, 0xFF000000, 0xFF3F003F, 0xFF808080, Attrs{},
         {128, 255, 0, 255}},
        {"fill (128, 255, 0, 255) over transparent black", 0x12, 0, 0x7E7E007E, 0xFF808080, Attrs{},
         {128, 255, 0, 255}},
        // Faithfully these would become 0xFFFEFEFE and 0xF7BE: a weight of 0
        // is left alone here.
        {"fill alpha 0 leaves an 0x888 pixel", 0x32, 0x00FFFFFF, 0x00FFFFFF, 0xFFFFFFFF, Attrs{}, {0, 255, 255, 255}},
        {"fill alpha 1 leaves an 0x565 pixel", 0x52, 0xFFFF, 0xFFFF, 0xFFFFFFFF, Attrs{}, {1, 255, 255, 255}},
        {"fill alpha 0 over transparent 0x8888 leaves it", 0x12, 0, 0, 0xFFFFFFFF, Attrs{}, {0, 255, 255, 255}},
        {"texel alpha is not read (alpha 0)", 0x32, 0, 0xFFC5C5C5, 0x00FFFFFF, Attrs{}, {200, 255, 255, 255}},
        {"texel alpha is not read (alpha 255)", 0x32, 0, 0xFFC5C5C5, 0xFFFFFFFF, Attrs{}, {200, 255, 255, 255}},
        {"outside the texture: black laid over with A", 0x32, 0x00FFFFFF, 0xFF7F7F7F, 0xFFFFFFFF, at(Outside, 0),
         {128, 255, 255, 255}},
    });
}

TEST_F(WorkedPixels, VertexColoursOnTextures) {
    auto white = [](int a) { return colour(whole(a), whole(255), whole(255), whole(255)); };
    Attrs outside = Attrs{};
    outside.u = Outside;
    expectCases({
        {"white vertices scale by 255/256 and store, 0x8888", 0x14, 0x12345678, 0xFF7F3F1F, 0xFF804020},
        {"the same in 0x888, top byte 0", 0x34, 0x12345678, 0x007F3F1F, 0xFF804020},
        {"vertex alpha 240 blends (A = 239)", 0x34, 0, 0xFFEDEDED, 0xFFFFFFFF, white(240)},
        {"vertex alpha 241 stores (A = 240)", 0x34, 0, 0x00FEFEFE, 0xFFFFFFFF, white(241)},
        {"with texel alpha 255 the same boundary: 240", 0x3C, 0, 0xFFEDEDED, 0xFFFFFFFF, white(240)},
        {"with texel alpha 255 the same boundary: 241", 0x3C, 0, 0x00FEFEFE, 0xFFFFFFFF, white(241)},
        {"texel alpha 8 skips whatever the vertex alpha", 0x3C, 0x00123456, 0x00123456, 0x08FFFFFF},
        {"texel alpha 9 under vertex alpha 255 blends with A = 8", 0x3C, 0, 0xFF070707, 0x09FFFFFF},
        // Faithfully a blend with A = 0.
        {"vertex alpha 0 leaves the pixel", 0x34, 0x00ABCDEF, 0x00ABCDEF, 0xFFFFFFFF, white(0)},
        {"outside the texture with alpha: skipped", 0x3C, 0x00123456, 0x00123456, 0xFFFFFFFF, outside},
        {"outside the texture without alpha: black stored", 0x14, 0x12345678, 0xFF000000, 0xFFFFFFFF, outside},
        {"fold: draw colour (255, 128, 255, 255) gives M = (126, 253, 253), stored", 0x16, 0, 0xFF7EFDFD,
         0xFFFFFFFF, Attrs{}, {255, 128, 255, 255}},
    });
}

TEST_F(WorkedPixels, AlphaBlending) {
    const Attrs vertexWhite;
    Attrs outside = Attrs{};
    outside.u = Outside;
    expectCases({
        {"texel alpha 8 skips", 0x18, 0xFF123456, 0xFF123456, 0x08FFFFFF},
        {"texel alpha 9 blends with A = 9", 0x38, 0, 0xFF080808, 0x09FFFFFF},
        {"A = 239 blends", 0x38, 0, 0xFFEEEEEE, 0xEFFFFFFF},
        {"A = 240 stores, alpha byte 255", 0x18, 0x12345678, 0xFF112233, 0xF0112233},
        {"A = 240 in 0x888 stores the texel word", 0x38, 0x12345678, 0xF0112233, 0xF0112233},
        {"A = 240 in 0x565 stores the pack", 0x58, 0x1234, 0x1106, 0xF0112233},
        {"outside the texture leaves the pixel", 0x18, 0x12345678, 0x12345678, 0xFFFFFFFF, outside},
        {"without alpha handling outside stores opaque black", 0x10, 0x12345678, 0xFF000000, 0xFFFFFFFF, outside},
        {"... and 0 in 0x888", 0x30, 0x12345678, 0, 0xFFFFFFFF, outside},
        {"modulation with alpha stores top byte 0", 0x3A, 0x12345678, 0x007F7F7F, 0xFF808080, Attrs{},
         {255, 255, 255, 255}},
        {"folded vertex colours with alpha store top byte 0", 0x3E, 0x12345678, 0x007F7F7F, 0xFF808080, vertexWhite,
         {255, 255, 255, 255}},
        {"texel alpha 200 under fill alpha 10: A = 7 blends", 0x3A, 0x00FFFFFF, 0xFFF7F7F7, 0xC8000000, Attrs{},
         {10, 255, 255, 255}},
        // Faithfully 254 in every channel (0x888) and a divide by zero over a
        // transparent 0x8888 pixel.
        {"fill alpha 0 leaves an 0x888 pixel", 0x3A, 0x00FFFFFF, 0x00FFFFFF, 0xFFFFFFFF, Attrs{}, {0, 255, 255, 255}},
        {"fill alpha 0 leaves a transparent 0x8888 pixel", 0x1A, 0, 0, 0xFFFFFFFF, Attrs{}, {0, 255, 255, 255}},
        {"da 0: white at 128 gives 254, alpha 127", 0x18, 0, 0x7FFEFEFE, 0x80FFFFFF},
        {"da 0: white at 9 gives 227, alpha 8", 0x18, 0, 0x08E3E3E3, 0x09FFFFFF},
        {"da 255: white at 128 over black gives 127", 0x18, 0xFF000000, 0xFF7F7F7F, 0x80FFFFFF},
        {"da 128: black at 128 over white gives 84, alpha 191", 0x18, 0x80FFFFFF, 0xBF545454, 0x80000000},
        {"0x888: white at 128 over black gives 127", 0x38, 0, 0xFF7F7F7F, 0x80FFFFFF},
        {"0x888: black at 128 over white gives 126", 0x38, 0x00FFFFFF, 0xFF7E7E7E, 0x80000000},
        {"0x565: white at 128 over black gives (15, 31, 15)", 0x58, 0, 0x7BEF, 0x80FFFFFF},
        {"0x565: black at 128 over white gives (14, 29, 14)", 0x58, 0xFFFF, 0x73AE, 0x80000000},
        {"0x555: black at 128 over white, bit 15 cleared", 0x78, 0xFFFF, 0x39CE, 0x80000000},
        {"fold: fill alpha 128 on opaque vertices and texel gives A = 126", 0x3E, 0x00FFFFFF, 0xFF808080,
         0xFF000000, vertexWhite, {128, 255, 255, 255}},
    });
}

TEST_F(WorkedPixels, WhiteOverWhiteNeverReachesFull) {
    for (uint32_t a = 9; a <= 239; ++a) {
        const uint32_t texel = (a << 24) | 0x00FFFFFF;
        const Shot argb = shoot(0x18, 0xFFFFFFFF, texel, Attrs{}, {});
        const Shot xrgb = shoot(0x38, 0x00FFFFFF, texel, Attrs{}, {});
        for (uint32_t w : {argb.model, argb.ours}) {
            EXPECT_EQ(w >> 24, 255u) << "A = " << a;
            for (int shift : {0, 8, 16}) {
                const uint32_t c = (w >> shift) & 0xFF;
                EXPECT_TRUE(c == 253 || c == 254) << "A = " << a << ": " << hex(w);
            }
        }
        EXPECT_EQ(hex(xrgb.model), hex(0xFFFDFDFD)) << "A = " << a;
        EXPECT_EQ(hex(xrgb.ours), hex(0xFFFDFDFD)) << "A = " << a;
    }
}

TEST_F(WorkedPixels, BilinearFiltering) {
    const Attrs centre = Attrs{};
    const Attrs onTexel = at(0x10000, 0x10000);  // a whole texel coordinate: four equal shares
    expectCases({
        {"texel centre weighs 254: 255 -> 253, 128 -> 127", 0x31, 0x12345678, 0xFEFD7F00, 0xFFFF8000, centre},
        {"... 0x8888 sets the top byte", 0x11, 0x12345678, 0xFFFD7F00, 0xFFFF8000, centre},
        {"... 0x565 packs", 0x51, 0x1234, 0xFBE0, 0xFFFF8000, centre},
        {"... 0x555 packs", 0x71, 0x1234, 0x7DE0, 0xFFFF8000, centre},
        {"whole coordinate: four weights of 63, alpha 252", 0x31, 0, 0xFCFBFBFB, 0xFFFFFFFF, onTexel},
        {"transparent block, filtering alone: opaque black in 0x8888", 0x11, 0x12345678, 0xFF000000, 0x00FFFFFF},
        {"... and 0 in 0x888", 0x31, 0x12345678, 0, 0x00FFFFFF},
        {"... and 0 in 0x565", 0x51, 0x1234, 0, 0x00FFFFFF},
        {"transparent block with alpha handling: left alone", 0x19, 0x12345678, 0x12345678, 0x00FFFFFF},
        {"transparent block with modulation: black stored", 0x13, 0x12345678, 0xFF000000, 0x00FFFFFF, centre,
         {255, 255, 255, 255}},
        {"transparent block with modulation at 128: black blended", 0x33, 0x00FFFFFF, 0xFF7F7F7F, 0x00FFFFFF,
         centre, {128, 255, 255, 255}},
        {"modulation weights by the fill alpha and stores top byte 0", 0x33, 0x12345678, 0x00FB7D00, 0xFFFF8000,
         centre, {255, 255, 255, 255}},
        {"filtered alpha 8 leaves the pixel", 0x39, 0x00123456, 0x00123456, 0x09FFFFFF},
        {"filtered alpha 9 blends", 0x39, 0, 0xFF080808, 0x0AFFFFFF},
        {"filtered alpha 239 blends", 0x39, 0, 0xFFEEEEEE, 0xF0FFFFFF},
        {"filtered alpha 240 stores F, its alpha in the 0x888 top byte", 0x39, 0, 0xF0EFEFEF, 0xF1FFFFFF},
        {"filtered alpha 240 stores with alpha 255 in 0x8888", 0x19, 0, 0xFFEFEFEF, 0xF1FFFFFF},
    });
}

// Borders of the filtered fetch, on textures that are not uniform.
TEST_F(WorkedPixels, FilteredBorders) {
    struct Row {
        const char* what;
        int32_t u, v;
        uint32_t expected;  // the filtered word, as feature set 1 writes it into 0x888
    };
    // 4x4: the last column red, the others blue, all opaque.
    std::vector<uint32_t> stripes(16, 0xFF0000FF);
    for (int y = 0; y < 4; ++y) stripes[y * 4 + 3] = 0xFFFF0000;
    const std::vector<uint32_t> white3(9, 0xFFFFFFFF);
    const Row rows[] = {
        // The column left of the texture is transparent, not the row above's
        // last (red) texel.
        {"first column of a one-to-one draw samples only its own row's texel 0", 0, 0x10000, 0x7E00007D},
        // The column right of the texture is transparent, not the next row's
        // first (blue) texel.
        {"past the last column nothing wraps into the next row", 4 << 16, 0x10000, 0x7E7D0000},
    };
    for (const Row& r : rows) {
        const Shot s = shoot(0x31, 0x12345678, stripes, 4, 4, at(r.u, r.v), {});
        EXPECT_EQ(hex(s.model), hex(r.expected)) << "model: " << r.what;
        EXPECT_EQ(hex(s.ours), hex(r.expected)) << r.what;
    }
    // The bottom row fades out towards the texture's lower edge.
    const Shot lastRow = shoot(0x31, 0, white3, 3, 3, at(0x18000, 0x28000), {});
    const Shot edge = shoot(0x31, 0, white3, 3, 3, at(0x18000, 0x30000), {});
    EXPECT_EQ(lastRow.model >> 24, 254u);
    EXPECT_EQ(edge.model >> 24, 127u);
    EXPECT_EQ(lastRow.ours >> 24, 254u);
    EXPECT_EQ(edge.ours >> 24, 127u);
}

// Over a uniform opaque block the summed weight stays in 251..254 for every
// fraction, and 251 is reached.
TEST_F(WorkedPixels, FilteredAlphaOfAnOpaqueBlock) {
    const std::vector<uint32_t> white(16, 0xFFFFFFFF);
    uint32_t lowest = 255, highest = 0;
    std::vector<int32_t> fractions;
    for (int32_t f = 0; f < 0x10000; f += 1021) fractions.push_back(f);
    // 770 with 21844 is one of the pairs that gives the lowest sum.
    for (int32_t f : {770, 21844, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF}) fractions.push_back(f);
    for (int32_t fu : fractions)
        for (int32_t fv : fractions) {
            // After the half-texel offset the fractions are fu and fv.
            const Shot s = shoot(0x31, 0, white, 4, 4, at(0x18000 + fu, 0x18000 + fv), {}, 3);
            const uint32_t fa = s.model >> 24;
            lowest = std::min(lowest, fa);
            highest = std::max(highest, fa);
            ASSERT_EQ(hex(s.ours), hex(s.model)) << "fractions " << fu << ", " << fv;
        }
    EXPECT_EQ(lowest, 251u);
    EXPECT_EQ(highest, 254u);
}

TEST_F(WorkedPixels, CombinedFillers) {
    auto white = [](int a) { return colour(whole(a), whole(255), whole(255), whole(255)); };
    expectCases({
        {"filtering with opaque vertices: s = 254, stored, scaled twice", 0x35, 0x12345678, 0x00FB7D00, 0xFFFF8001},
        {"vertex alpha 241: s = 240, stored", 0x35, 0, 0x00EDEDED, 0xFFFFFFFF, white(241)},
        {"vertex alpha 240: s = 239, blended", 0x35, 0, 0xFFECECEC, 0xFFFFFFFF, white(240)},
        {"transparent texels under opaque vertices write black", 0x15, 0x12345678, 0xFF000000, 0x00FFFFFF},
        // Faithfully a blend with s = 0.
        {"vertex alpha 0 leaves the pixel", 0x35, 0x00ABCDEF, 0x00ABCDEF, 0xFFFFFFFF, white(0)},
        {"fold: draw alpha 128 on opaque vertices gives s = 126, blended", 0x37, 0, 0xFF7C7C7C, 0xFFFFFFFF,
         Attrs{}, {128, 255, 255, 255}},
    });
}

// A premultiplied source whose term equals its weight over a transparent
// 0x8888 pixel: the blend's quotient is 256; kept to its low byte it would
// turn a light filtered pixel black, so it is capped at 255. Filtered members
// with a colour factor reach it with in-range inputs (here fill alpha 50:
// A = 49, P = 49).
TEST_F(WorkedPixels, PremultipliedTermEqualToItsWeightStaysLight) {
    const Shot s = shoot(0x13, 0, 0xFFFFFFFF, Attrs{}, {50, 255, 255, 255});
    EXPECT_EQ(hex(s.ours), hex(0x30FFFFFF));
    EXPECT_EQ(hex(s.model), hex(0x30FFFFFF));
}

// ---- Fold on copies -----------------------------------------------------------

// The members that fold the draw colour into the vertex colours do it on
// copies: a fan hands the same first vertex to every piece, and a triangle
// that draws nothing must not change its vertices either.
TEST_F(TableTest, FoldingMembersLeaveTheirVerticesAlone) {
    const std::vector<uint32_t> texels(4, 0xFFFFFFFF);
    const sw::TextureInfo info = toInfo(texels, 2, 2);
    const sw::FillColor fill{128, 64, 200, 255};
    auto vertex = [](double x, double y) {
        sw::FixedVertex v;
        v.x = static_cast<int32_t>(x * 65536);
        v.y = static_cast<int32_t>(y * 65536);
        v.a = v.r = v.g = v.b = whole(255);
        v.u = v.v = 0x8000;
        return v;
    };
    // A five-vertex polygon drawn as a fan, then two triangles with no row.
    const sw::FixedVertex polygon[5] = {vertex(1, 1), vertex(9, 2), vertex(11, 8), vertex(5, 11), vertex(0, 6)};
    const sw::FixedVertex noRow[3] = {vertex(1, 2.1), vertex(9, 2.5), vertex(4, 2.9)};
    const sw::FixedVertex onLongEdge[3] = {vertex(0, 0), vertex(2, 2), vertex(4, 4)};
    for (unsigned group : {0x00u, 0x20u, 0x40u, 0x60u})
        for (unsigned fs : {0x06u, 0x07u, 0x16u, 0x17u, 0x1Eu, 0x1Fu}) {
            const unsigned index = group | fs;
            const Format format = refmodel::formatOfIndex(index);
            Canvas ours(format, 12, 12);
            Canvas model = ours;
            sw::FixedVertex window[3] = {polygon[0], polygon[1], polygon[2]};
            for (int k = 2; k < 5; ++k) {
                window[1] = polygon[k - 1];
                window[2] = polygon[k];
                const sw::FixedVertex before[3] = {window[0], window[1], window[2]};
                sw::FillerTable[index](window, ours.origin(), ours.pitch(), &info, &fill);
                ASSERT_EQ(std::memcmp(before, window, sizeof window), 0) << "entry " << hex(index) << ", piece " << k;
                const refmodel::Vertex m[3] = {toModel(before[0]), toModel(before[1]), toModel(before[2])};
                refmodel::fillTriangle(index, m, model.target(), toModel(info), toModel(fill));
            }
            EXPECT_TRUE(ours == model) << "entry " << hex(index);
            for (const sw::FixedVertex* tri : {noRow, onLongEdge}) {
                sw::FixedVertex copy[3] = {tri[0], tri[1], tri[2]};
                Canvas blank(format, 12, 12);
                const Canvas untouched = blank;
                sw::FillerTable[index](copy, blank.origin(), blank.pitch(), &info, &fill);
                EXPECT_EQ(std::memcmp(copy, tri, sizeof copy), 0) << "entry " << hex(index);
                EXPECT_TRUE(blank == untouched) << "entry " << hex(index) << " drew a triangle without rows";
            }
        }
}

// ---- Fades to a channel of 0 ------------------------------------------------
//
// The truncated steps carry a running value a little below 0 next to a vertex
// whose channel is 0. Read as it comes, that is a factor of 255: an opaque
// speck where the triangle has faded out.

bool near(int x, int y, const sw::FixedVertex& v, double radius) {
    const double dx = x - v.x / 65536.0, dy = y - v.y / 65536.0;
    return dx * dx + dy * dy < radius * radius;
}

TEST_F(TableTest, FadesToZeroLeaveNoSpecks) {
    constexpr int Size = 160;
    Dice dice(0xFADE);
    const std::vector<uint32_t> black(4, 0xFF000000);
    const sw::TextureInfo info = toInfo(black, 2, 2);
    const sw::FillColor fill;
    for (unsigned index : {0x24u, 0x34u}) {
        int checked = 0;
        for (int round = 0; round < 40; ++round) {
            sw::FixedVertex tri[3];
            // Vertices far apart, so the weight is small near the faded ones.
            const int corners[3][2] = {{0, 0}, {Size, Size / 2}, {Size / 3, Size}};
            const int rot = static_cast<int>(dice.in(0, 2));
            for (int i = 0; i < 3; ++i) {
                tri[i] = {};
                tri[i].x = (corners[(i + rot) % 3][0] << 16) + static_cast<int32_t>(dice.in(0, 0x7FFFF));
                tri[i].y = (corners[(i + rot) % 3][1] << 16) + static_cast<int32_t>(dice.in(0, 0x7FFFF));
                tri[i].x = std::min(tri[i].x, Size << 16);
                tri[i].y = std::min(tri[i].y, Size << 16);
                tri[i].u = tri[i].v = 0x8000;
            }
            tri[0].a = tri[0].r = tri[0].g = tri[0].b = whole(255);
            Canvas c(Format::Xrgb888, Size, Size);
            c.fillAll(0x00FFFFFF);
            sw::FillerTable[index](tri, c.origin(), c.pitch(), &info, &fill);
            for (int y = 0; y < Size; ++y)
                for (int x = 0; x < Size; ++x) {
                    const uint32_t p = c.get(x, y);
                    if (near(x, y, tri[1], 2.5) || near(x, y, tri[2], 2.5)) {
                        ++checked;
                        if (index == 0x24) {
                            // Untextured: nothing is stored (top byte 0xFF) there.
                            ASSERT_NE(p >> 24, 0xFFu) << "speck at (" << x << ", " << y << ") " << hex(p);
                        } else {
                            // Black texels at a tiny weight barely darken white.
                            ASSERT_GE(p & 0xFF, 0xF0u) << "speck at (" << x << ", " << y << ") " << hex(p);
                        }
                    }
                    if (index == 0x24 && near(x, y, tri[0], 2.5) && (p >> 24) == 0xFF) {
                        // Stored next to the opaque white vertex: nearly white,
                        // never a channel wrapped to black.
                        ASSERT_GE(p & 0xFF, 0xF0u) << "at (" << x << ", " << y << ") " << hex(p);
                    }
                }
        }
        EXPECT_GT(checked, 100);
    }
}

// ---- Through the drawing entry ---------------------------------------------

class FakeTexture final : public sw::TextureSource {
public:
    std::vector<uint32_t> texels;
    int w = 0, h = 0;
    bool trans = false, partial = false;

    void commitBits() override {}
    const uint32_t* bits() override { return texels.empty() ? nullptr : texels.data(); }
    int width() const override { return w; }
    int height() const override { return h; }
    bool hasTrans() const override { return trans; }
    bool hasAlpha() const override { return partial; }
};

float randomFloat(Dice& dice, double lo, double hi) {
    if (dice.chance(15)) return static_cast<float>(std::round(lo + (hi - lo) * (dice.bits() / 4294967296.0)));
    return static_cast<float>(lo + (hi - lo) * (dice.bits() / 4294967296.0));
}

// Random strips, partly outside the clip rectangle, in every format and with
// every flag, drawn through the entry and through the model's own clipper,
// at every kernel level.
class EntryAtLevel : public rastertest::AtKernelLevel {};

TEST_P(EntryAtLevel, DrawTriangleStripMatchesReferenceModel) {
    constexpr int W = 48, H = 36;
    const Format formats[] = {Format::Argb8888, Format::Xrgb888, Format::Rgb565, Format::Rgb555};
    Dice dice(0xE7A1);
    int reported = 0;
    for (int round = 0; round < 1500 && reported < 3; ++round) {
        const Format format = formats[dice.in(0, 3)];
        const int code = refmodel::formatCode(format);

        FakeTexture tex;
        const bool textured = dice.chance(75);
        if (textured) {
            const RandomTexture r = makeTexture(dice);
            tex.texels = r.texels;
            tex.w = r.w;
            tex.h = r.h;
            for (uint32_t t : tex.texels) {
                tex.trans |= (t >> 24) == 0;
                tex.partial |= (t >> 24) != 0 && (t >> 24) != 255;
            }
        }
        sw::DrawColor color;
        if (dice.chance(60)) color = {dice.channel(), dice.channel(), dice.channel(), dice.channel()};
        if (dice.chance(5)) color.r = static_cast<int>(dice.in(-300, 600));  // clamped by the entry
        const bool linear = dice.chance(50), vertexColors = dice.chance(50);
        const sw::ClipRect clip{static_cast<int>(dice.in(-6, W - 2)), static_cast<int>(dice.in(-6, H - 2)),
                                static_cast<int>(dice.in(0, W + 8)), static_cast<int>(dice.in(0, H + 8))};

        const int count = static_cast<int>(dice.in(3, 7));
        std::vector<sw::TriVertex> strip(count);
        for (sw::TriVertex& v : strip) {
            v.x = randomFloat(dice, -20, W + 20);
            v.y = randomFloat(dice, -20, H + 20);
            v.u = randomFloat(dice, -0.25, 1.25);
            v.v = randomFloat(dice, -0.25, 1.25);
            v.color = dice.argb();
            if (dice.chance(4)) (dice.chance(50) ? v.u : v.v) = dice.chance(50) ? NAN : INFINITY;
        }

        const unsigned index = sw::selectFillerIndex(textured, tex.trans, tex.partial, linear,
                                                     color.r != 255 || color.g != 255 || color.b != 255 ||
                                                         color.a != 255,
                                                     vertexColors, code);
        ASSERT_EQ(index, refmodel::selectIndex(textured, tex.trans, tex.partial,
                                               color.r != 255 || color.g != 255 || color.b != 255 || color.a != 255,
                                               linear, vertexColors, code));

        Canvas ours(format, W, H);
        randomDestination(dice, ours);
        Canvas model = ours;
        sw::DrawTriangleStrip(strip.data(), count, textured ? &tex : nullptr, &color, 0, &clip, ours.origin(),
                              ours.pitch(), W, H, code, linear, vertexColors);

        std::vector<refmodel::FloatVertex> mstrip;
        for (const sw::TriVertex& v : strip) mstrip.push_back({v.x, v.y, v.u, v.v, v.color});
        refmodel::Image image{tex.bits(), tex.w, tex.h, tex.trans, tex.partial};
        refmodel::Notes notes;
        refmodel::drawTriangleStrip(mstrip.data(), count, textured ? &image : nullptr,
                                    {color.a, color.r, color.g, color.b}, {clip.x, clip.y, clip.width, clip.height},
                                    model.target(), linear, vertexColors, &notes);
        EXPECT_EQ(notes.outside, 0);

        int x = 0, y = 0;
        if (ours.firstDifference(model, x, y)) {
            ++reported;
            std::ostringstream s;
            for (const sw::TriVertex& v : strip)
                s << "  (" << v.x << ", " << v.y << ") uv (" << v.u << ", " << v.v << ") " << hex(v.color) << "\n";
            ADD_FAILURE() << "round " << round << ", entry " << hex(index) << ": pixel (" << x << ", " << y
                          << ") is " << hex(ours.get(x, y)) << ", the model gives " << hex(model.get(x, y))
                          << "\n  clip " << clip.x << "," << clip.y << " " << clip.width << "x" << clip.height
                          << ", colour r,g,b,a " << color.r << "," << color.g << "," << color.b << "," << color.a
                          << ", texture " << tex.w << "x" << tex.h << "\n" << s.str();
        }
    }
}

ZELKOR_AT_EVERY_KERNEL_LEVEL(EntryAtLevel);

}  // namespace
