// Colour, rectangle and the memory image as far as the software rasteriser
// uses them, and the drawing entry in the framework's types.
#include "framework/graphics/Color.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/RasterTexture.h"
#include "framework/graphics/Rect.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Vant::Color;
using Vant::MemoryImage;
using Vant::Rect;

TEST(Color, ConstructionAndPacking) {
    EXPECT_EQ(Color(0x00FF0000u), Color(255, 0, 0, 255)) << "a top byte of 0 means opaque";
    EXPECT_EQ(Color(0x80FF0000u), Color(255, 0, 0, 128));
    EXPECT_EQ(Color(), Color(0, 0, 0, 255));
    EXPECT_EQ(Color(1, 2, 3).a, 255);
    EXPECT_EQ(Color(0x11, 0x22, 0x33, 0x44).ToInt(), 0x44112233u);
    EXPECT_EQ(Color(256, 0, 0, 0).ToInt(), 0x01000000u) << "no masking: red spills into alpha";
    EXPECT_EQ(Color::White, Color(255, 255, 255, 255));
    EXPECT_EQ(Color::Black, Color(0, 0, 0, 255));
    EXPECT_TRUE(Color(255, 255, 255, 254) != Color::White);
    EXPECT_FALSE(Color(255, 255, 255, 255) != Color::White);
}

TEST(Rect, Intersection) {
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(10, 0, 5, 5)), Rect(10, 0, 0, 5)) << "touching keeps position";
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(11, 0, 5, 5)), Rect(0, 0, 0, 0));
    EXPECT_EQ(Rect(2, 3, 10, 10).Intersection(Rect(5, -1, 4, 20)), Rect(5, 3, 4, 10));
}

// Counts the calls the rasteriser makes.
class CountingImage : public MemoryImage {
public:
    void CommitBits() override {
        ++commits;
        MemoryImage::CommitBits();
    }
    uint32_t* GetBits() override {
        ++gets;
        return MemoryImage::GetBits();
    }
    int commits = 0, gets = 0;
};

TEST(MemoryImage, CommitRescansAlphaFlags) {
    struct Case {
        std::vector<uint32_t> pixels;
        bool trans, alpha;
    };
    const Case cases[] = {
        {{0xFF000000, 0xFFFFFFFF}, false, false},
        {{0xFF000000, 0x00FFFFFF}, true, false},
        {{0xFE000000, 0xFFFFFFFF}, false, true},
        {{0x01000000, 0x00000000}, true, true},
    };
    for (const auto& c : cases) {
        MemoryImage img;
        img.SetBits(c.pixels.data(), 2, 1, false);
        EXPECT_TRUE(img.bitsChangedPending);
        img.CommitBits();
        EXPECT_EQ(img.hasTrans, c.trans);
        EXPECT_EQ(img.hasAlpha, c.alpha);
        EXPECT_FALSE(img.bitsChangedPending);
    }
}

TEST(MemoryImage, ForcedModeAndUnchangedBitsAreNotRescanned) {
    const uint32_t px[2] = {0x00000000, 0x80000000};
    MemoryImage img;
    img.SetBits(px, 2, 1);
    img.SetImageMode(false, false);
    img.BitsChanged();
    img.CommitBits();
    EXPECT_FALSE(img.hasTrans);
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_TRUE(img.bitsChangedPending) << "a forced image keeps its pending mark";

    MemoryImage plain;
    plain.SetBits(px, 2, 1);
    plain.hasTrans = false;  // left alone while nothing changed
    plain.CommitBits();
    EXPECT_FALSE(plain.hasTrans);
}

TEST(MemoryImage, CreateGivesZeroBitsWithGuardAndAssumesTranslucency) {
    MemoryImage img;
    img.Create(4, 4);
    EXPECT_TRUE(img.hasTrans);
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_FALSE(img.HasBits());
    const uint32_t* bits = img.GetBits();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bits[i], 0u);
    EXPECT_EQ(bits[16], MemoryImage::GuardWord);
    EXPECT_TRUE(img.hasTrans) << "until committed";
    img.CommitBits();
    EXPECT_TRUE(img.hasTrans);
    EXPECT_FALSE(img.hasAlpha);

    MemoryImage empty;
    empty.BitsChanged();
    empty.CommitBits();
    EXPECT_TRUE(empty.hasTrans) << "no pixels at all";
}

TEST(RasterEntry, CommitsOncePerCallAndFetchesBitsPerDrawnTriangle) {
    Vant::SWRaster::InitFillerTable();
    CountingImage tex;
    const uint32_t px[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    tex.SetBits(px, 2, 2);
    tex.commits = tex.gets = 0;
    std::vector<uint32_t> dest(8 * 8, 0);
    const Rect clip(0, 0, 8, 8);
    using Vant::SWRaster::TriVertex;
    const TriVertex strip[4] = {{0, 0, 0, 0, 0}, {8, 0, 1, 0, 0}, {0, 8, 0, 1, 0}, {8, 8, 1, 1, 0}};
    auto draw = [&](int count) {
        Vant::SWRaster::DrawTriangleStrip(strip, count, &tex, &Color::White, 0, &clip,
                                          reinterpret_cast<uint8_t*>(dest.data()), 8 * 4, 8, 8, 0x8888, false, false);
    };
    draw(2);
    EXPECT_EQ(tex.commits, 1);
    EXPECT_EQ(tex.gets, 0);
    draw(4);
    EXPECT_EQ(tex.commits, 2);
    EXPECT_EQ(tex.gets, 2);
    EXPECT_EQ(dest[0], 0xFFFF0000u);
    EXPECT_EQ(dest[7], 0xFF00FF00u);
    EXPECT_EQ(dest[7 * 8], 0xFF0000FFu);
    EXPECT_EQ(dest[63], 0xFFFFFFFFu);

    // Untextured through the same entry: vertex colours only.
    const TriVertex red[3] = {{0, 0, 0, 0, 0xFFFF0000}, {8, 0, 0, 0, 0xFFFF0000}, {0, 8, 0, 0, 0xFFFF0000}};
    std::vector<uint32_t> d2(8 * 8, 0);
    Vant::SWRaster::DrawTriangleStrip(red, 3, nullptr, &Color::White, 0, &clip, reinterpret_cast<uint8_t*>(d2.data()),
                                      8 * 4, 8, 8, 0x8888, false, true);
    EXPECT_EQ(d2[0], 0xFFFF0000u);
}

}  // namespace
