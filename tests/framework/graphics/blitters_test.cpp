// The memory image's software primitives and derived buffers, pixel for
// pixel.
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/PixelBlend.h"
#include "framework/graphics/Transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using Vant::Color;
using Vant::MemoryImage;
using Vant::Rect;

constexpr double Pi = 3.14159265358979323846;

// An image of w x h pixels all `fill`, committed.
void Make(MemoryImage& img, int w, int h, uint32_t fill) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h, fill);
    img.SetBits(px.data(), w, h);
}

void Make(MemoryImage& img, int w, int h, const std::vector<uint32_t>& px) { img.SetBits(px.data(), w, h); }

std::vector<uint32_t> Pixels(MemoryImage& img) {
    const uint32_t* p = img.GetBits();
    return std::vector<uint32_t>(p, p + img.PixelCount());
}

TEST(Blend, FormulasFromTheDesign) {
    struct Case {
        std::string name;
        uint32_t dest;
        std::function<void(MemoryImage&)> draw;
        uint32_t want;
    };
    MemoryImage opaqueGrey;
    Make(opaqueGrey, 1, 1, 0xFFC8C8C8);
    MemoryImage add100;
    Make(add100, 1, 1, 0xFF646464);
    const Case cases[] = {
        {"fill alpha 128 onto transparent", 0,
         [](MemoryImage& d) { d.FillRect(Rect(0, 0, 1, 1), Color(200, 200, 200, 128), 0); }, 0x80C7C7C7},
        {"fill alpha 255 overwrites alpha too", 0x10203040,
         [](MemoryImage& d) { d.FillRect(Rect(0, 0, 1, 1), Color(1, 2, 3), 0); }, 0xFF010203},
        {"fill alpha 0 leaves the pixel", 0x10203040,
         [](MemoryImage& d) { d.FillRect(Rect(0, 0, 1, 1), Color(1, 2, 3, 0), 0); }, 0x10203040},
        {"fill alpha 128 onto opaque black", 0xFF000000,
         [](MemoryImage& d) { d.FillRect(Rect(0, 0, 1, 1), Color(255, 255, 255, 128), 0); }, 0xFF7F7F7F},
        {"opaque blit onto transparent", 0,
         [&](MemoryImage& d) { d.Blit(&opaqueGrey, 0, 0, Rect(0, 0, 1, 1), Color::White, 0); }, 0xFFC7C7C7},
        {"additive saturates", 0x80C86400,
         [&](MemoryImage& d) { d.Blit(&add100, 0, 0, Rect(0, 0, 1, 1), Color::White, 1); }, 0x80FFC864},
        {"other draw modes draw nothing", 0x12345678,
         [&](MemoryImage& d) { d.Blit(&add100, 0, 0, Rect(0, 0, 1, 1), Color::White, 2); }, 0x12345678},
    };
    for (const auto& c : cases) {
        MemoryImage d;
        Make(d, 1, 1, c.dest);
        c.draw(d);
        EXPECT_EQ(Pixels(d)[0], c.want) << c.name;
    }
}

TEST(Blend, OpaqueDestinationCopiesRunsAndBlendsTranslucentPixels) {
    MemoryImage src;
    Make(src, 5, 1, {0x00FFFFFF, 0x00FFFFFF, 0xFFC8C8C8, 0x80FF0000, 0x80FF0000});
    MemoryImage d;
    Make(d, 5, 1, 0xFF0000FF);
    ASSERT_FALSE(d.hasTrans || d.hasAlpha);
    d.Blit(&src, 0, 0, Rect(0, 0, 5, 1), Color::White, 0);
    const uint32_t mixed = 0xFF000000u | (0xFFu * 128 >> 8) << 16 | (0xFFu * 128 >> 8);
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0xFF0000FF, 0xFF0000FF, 0xFFC8C8C8, mixed, mixed}));
    // A run cut by the source rect still stops at the row's end.
    MemoryImage d2;
    Make(d2, 2, 1, 0xFF000000);
    d2.Blit(&src, 0, 0, Rect(1, 0, 2, 1), Color::White, 0);
    EXPECT_EQ(Pixels(d2), (std::vector<uint32_t>{0xFF000000, 0xFFC8C8C8}));
}

TEST(Blend, AdditiveVariants) {
    struct Case {
        uint32_t src;
        Color color;
        uint32_t want;
    };
    // Destination 0xFF102030.
    const Case cases[] = {
        {0xFF404040, Color::White, 0xFF506070},
        {0x80404040, Color::White, 0xFF304050},                  // source alpha scales: 0x40 * 128 >> 8 = 0x20
        {0xFF404040, Color(255, 0, 128, 255), 0xFF4F2050},       // k = 255, 0, 128: 0x40*255>>8 = 0x3F
        {0xFF404040, Color(255, 255, 255, 0), 0xFF102030},       // colour alpha 0 adds nothing
    };
    for (const auto& c : cases) {
        MemoryImage src, d;
        Make(src, 1, 1, c.src);
        Make(d, 1, 1, 0xFF102030);
        d.Blit(&src, 0, 0, Rect(0, 0, 1, 1), c.color, 1);
        EXPECT_EQ(Pixels(d)[0], c.want) << std::hex << c.src;
    }
}

TEST(DerivedBuffers, RunLengthTables) {
    MemoryImage img;
    Make(img, 5, 2, {0x00000000, 0x00FFFFFF, 0xFF000000, 0x80000000, 0x80FFFFFF,  //
                     0xFF000000, 0xFF000001, 0xFF000000, 0xFF000000, 0x01000000});
    const uint8_t* rl = img.GetRLAlphaData();
    EXPECT_EQ(std::vector<uint8_t>(rl, rl + 10), (std::vector<uint8_t>{2, 1, 1, 2, 1, 4, 3, 2, 1, 1}));
    const uint8_t* add = img.GetRLAdditiveData(Vant::NativeFormat::Argb8888());
    // Black by the premultiplied colour: 0x00FFFFFF and 0x01000000 are, 0x80FFFFFF is not.
    EXPECT_EQ(std::vector<uint8_t>(add, add + 10), (std::vector<uint8_t>{4, 3, 2, 1, 1, 1, 1, 3, 2, 1}));

    MemoryImage column;
    Make(column, 1, 3, {0, 0xFF000000, 0xFF000000});
    const uint8_t* c = column.GetRLAlphaData();
    EXPECT_EQ(std::vector<uint8_t>(c, c + 3), (std::vector<uint8_t>{1, 1, 1}));

    MemoryImage wide;
    Make(wide, 300, 1, 0xFF000000);
    EXPECT_EQ(wide.GetRLAlphaData()[0], 255) << "capped";
    EXPECT_EQ(wide.GetRLAlphaData()[299], 1);
}

TEST(DerivedBuffers, NativeDataAndItsWayBack) {
    MemoryImage img;
    Make(img, 2, 1, {0x80FF0000, 0xFF00FF00});
    const uint32_t* n565 = img.GetNativeAlphaData(Vant::NativeFormat::Rgb565());
    EXPECT_EQ(n565[0], 0x80008000u) << "red premultiplied to 0x80, top 5 bits";
    EXPECT_EQ(n565[1], 0xFF0007E0u);
    const uint32_t* n = img.GetNativeAlphaData(Vant::NativeFormat::Argb8888());
    EXPECT_EQ(n[0], 0x80800000u);
    // Without bits the words come back from the native data.
    img.bits.reset();
    EXPECT_EQ(Pixels(img), (std::vector<uint32_t>{0x80FE0000, 0xFF00FF00})) << "un-premultiplied, as far as it goes";
    EXPECT_TRUE(img.nativeAlphaData) << "the native data stays";
}

TEST(DerivedBuffers, BitsChangedDropsEveryOne) {
    MemoryImage img;
    Make(img, 2, 2, 0x80102030);
    img.GetNativeAlphaData(Vant::NativeFormat::Argb8888());
    img.GetRLAlphaData();
    img.GetRLAdditiveData(Vant::NativeFormat::Argb8888());
    const int count = img.bitsChangedCount;
    img.FillRect(Rect(0, 0, 1, 1), Color::Black, 0);
    EXPECT_EQ(img.bitsChangedCount, count + 1);
    EXPECT_TRUE(img.bitsChangedPending);
    EXPECT_FALSE(img.nativeAlphaData);
    EXPECT_FALSE(img.rlAlphaData);
    EXPECT_FALSE(img.rlAdditiveData);
}

TEST(Palletize, AtMost256ColoursInOrderOfFirstAppearance) {
    std::vector<uint32_t> px;
    for (uint32_t i = 0; i < 256; ++i) px.push_back(0xFF000000u | (255 - i) * 0x010101u);
    px.push_back(px[3]);
    MemoryImage ok;
    Make(ok, 257, 1, px);
    ASSERT_TRUE(ok.Palletize());
    EXPECT_FALSE(ok.HasBits());
    EXPECT_TRUE(ok.wantPalletize);
    EXPECT_EQ(ok.palette[0], px[0]);
    EXPECT_EQ(ok.colorIndices[256], 3);
    EXPECT_TRUE(ok.Palletize()) << "already a palette";
    // A blit reads a palette source through the palette.
    MemoryImage d;
    Make(d, 2, 1, 0xFF000000);
    d.Blit(&ok, 0, 0, Rect(255, 0, 2, 1), Color::White, 0);
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{px[255], px[3]}));
    EXPECT_FALSE(ok.HasBits()) << "the source stays a palette";
    EXPECT_EQ(Pixels(ok), px) << "and comes back whole";

    px.back() = 0xFF123456;  // the 257th colour
    MemoryImage tooMany;
    Make(tooMany, 257, 1, px);
    tooMany.wantPalletize = true;
    EXPECT_FALSE(tooMany.Palletize());
    EXPECT_FALSE(tooMany.wantPalletize);
    EXPECT_FALSE(tooMany.palette);
    EXPECT_EQ(Pixels(tooMany), px);
}

TEST(Stretch, ClippingTable) {
    struct Case {
        Rect dest, src, clip;
        bool mirrored;
        bool ok;
        Rect wantDest;
        Vant::FRect wantSrc;
    };
    const Case cases[] = {
        {{0, 0, 20, 10}, {0, 0, 10, 5}, {0, 0, 100, 100}, false, true, {0, 0, 20, 10}, {0, 0, 10, 5}},
        {{0, 0, 20, 10}, {0, 0, 10, 5}, {5, 2, 100, 100}, false, true, {5, 2, 15, 8}, {2.5, 1, 7.5, 4}},
        {{0, 0, 20, 10}, {0, 0, 10, 5}, {0, 0, 10, 10}, false, true, {0, 0, 10, 10}, {0, 0, 5, 5}},
        {{0, 0, 20, 10}, {0, 0, 10, 5}, {0, 0, 10, 10}, true, true, {0, 0, 10, 10}, {5, 0, 5, 5}},  // trims left
        {{0, 0, 20, 10}, {0, 0, 10, 5}, {30, 0, 10, 10}, false, false, {}, {}},
        {{0, 0, 0, 10}, {0, 0, 10, 5}, {0, 0, 10, 10}, false, false, {}, {}},
        {{0, 0, 20, 10}, {0, 0, 0, 5}, {0, 0, 100, 100}, false, false, {}, {}},
    };
    for (const auto& c : cases) {
        Rect d;
        Vant::FRect s;
        EXPECT_EQ(MemoryImage::ClipStretch(c.dest, c.src, c.clip, c.mirrored, d, s), c.ok) << c.clip.x;
        if (!c.ok) continue;
        EXPECT_EQ(d, c.wantDest);
        EXPECT_EQ(s, c.wantSrc);
    }
}

TEST(Stretch, FilteredConstantImageStaysConstant) {
    for (uint32_t colour : {0xFFFFFFFFu, 0x80FFFFFFu, 0xFF000000u}) {
        MemoryImage src;
        Make(src, 4, 4, colour);
        for (const Rect dest : {Rect(0, 0, 6, 6), Rect(0, 0, 3, 2), Rect(0, 0, 7, 4), Rect(0, 0, 4, 4), Rect(1, 1, 9, 9)}) {
            MemoryImage d;
            Make(d, 10, 10, 0u);
            d.StretchBlit(&src, dest, Rect(0, 0, 4, 4), Rect(0, 0, 10, 10), Color::White, 0, false);
            const uint32_t want = Vant::blend::Normal(0, colour, colour >> 24);
            const auto px = Pixels(d);
            for (int y = dest.y; y < dest.y + dest.height; ++y)
                for (int x = dest.x; x < dest.x + dest.width; ++x)
                    ASSERT_EQ(px[y * 10 + x], want) << std::hex << colour << " at " << std::dec << x << "," << y
                                                     << " into " << dest.width << "x" << dest.height;
        }
    }
}

TEST(Stretch, NearestSamplesByTruncation) {
    MemoryImage src;
    Make(src, 2, 1, {0xFFFF0000, 0xFF0000FF});
    MemoryImage d;
    Make(d, 4, 1, 0xFF000000);
    d.StretchBlit(&src, Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, 0, true);
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0xFFFE0000, 0xFFFE0000, 0xFF0000FE, 0xFF0000FE}));
}

TEST(Rotated, NinetyDegreesLandsOnTheRotatedPixels) {
    // 2 wide, 3 high; turned a quarter counter-clockwise it is 3 wide, 2 high.
    const std::vector<uint32_t> px = {0xFF010000, 0xFF020000, 0xFF030000, 0xFF040000, 0xFF050000, 0xFF060000};
    MemoryImage src;
    Make(src, 2, 3, px);
    // The same turn by hand: column x of the source becomes row (1 - x).
    MemoryImage turned;
    Make(turned, 3, 2, {px[1], px[3], px[5], px[0], px[2], px[4]});
    const Color tint(250, 128, 64, 200);  // the tinted path covers every pixel
    MemoryImage rotated, plain;
    Make(rotated, 16, 16, 0xFF203040);
    Make(plain, 16, 16, 0xFF203040);
    rotated.BlitRotated(&src, 10, 10, Rect(0, 0, 2, 3), Rect(0, 0, 16, 16), tint, 0, Pi / 2, 0, 0);
    plain.Blit(&turned, 10, 8, Rect(0, 0, 3, 2), tint, 0);
    EXPECT_EQ(Pixels(rotated), Pixels(plain));

    // Untinted: nothing outside the turned rectangle.
    MemoryImage white;
    Make(white, 16, 16, 0u);
    white.BlitRotated(&src, 10, 10, Rect(0, 0, 2, 3), Rect(0, 0, 16, 16), Color::White, 0, Pi / 2, 0, 0);
    const auto w = Pixels(white);
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (!w[y * 16 + x]) continue;
            ++drawn;
            EXPECT_TRUE(x >= 10 && x < 13 && y >= 8 && y < 10) << x << "," << y;
        }
    EXPECT_GT(drawn, 0);
}

TEST(Rotated, WhiteSamplingWeightsAndAdditive) {
    MemoryImage src;
    Make(src, 3, 3, 0xFFFF8000);
    MemoryImage d;
    Make(d, 4, 4, 0u);
    d.BlitF(&src, 0, 0, Rect(0, 0, 3, 3), Rect(0, 0, 4, 4), Color::White, 0);
    // Weight 254 of 256 on the exact texel: alpha >= 251 writes S >> 8 opaque.
    EXPECT_EQ(Pixels(d)[0], 0xFFFD7F00u);
    MemoryImage a;
    Make(a, 4, 4, 0x80010101);
    a.BlitF(&src, 0, 0, Rect(0, 0, 3, 3), Rect(0, 0, 4, 4), Color::White, 1);
    EXPECT_EQ(Pixels(a)[0], 0x80FE8001u);
}

TEST(Colourised, StretchRotatedAndFloatBlitsMatchTheNormalBlit) {
    std::vector<uint32_t> px;
    for (uint32_t i = 0; i < 16; ++i) px.push_back(((i * 17) << 24) | (i * 0x0F0D0B));
    MemoryImage src;
    Make(src, 4, 4, px);
    for (const Color tint : {Color(200, 100, 50, 180), Color(255, 255, 255, 100), Color(0, 255, 0, 255)}) {
        std::vector<uint32_t> dest;
        for (uint32_t i = 0; i < 64; ++i) dest.push_back(0x40000000u * (i & 3) | (i * 0x030507));
        MemoryImage normal, stretched, rotated, floated;
        for (MemoryImage* m : {&normal, &stretched, &rotated, &floated}) Make(*m, 8, 8, dest);
        normal.Blit(&src, 2, 3, Rect(0, 0, 4, 4), tint, 0);
        stretched.StretchBlit(&src, Rect(2, 3, 4, 4), Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), tint, 0, true);
        rotated.BlitRotated(&src, 2, 3, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), tint, 0, 0.0, 1.5f, 2.0f);
        floated.BlitF(&src, 2, 3, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), tint, 0);
        EXPECT_NE(Pixels(normal), dest) << "the tint draws";
        EXPECT_EQ(Pixels(stretched), Pixels(normal));
        EXPECT_EQ(Pixels(rotated), Pixels(normal));
        EXPECT_EQ(Pixels(floated), Pixels(normal));
    }
}

TEST(Lines, BresenhamAndColourRounding) {
    struct Case {
        double x1, y1, x2, y2;
        Color color;
        int mode;
        std::vector<int> pixels;  // indices into an 8x8 image
        uint32_t value;
    };
    const uint32_t greyMix = 0xFF000000u | 0x010101u * (((0x40 * 128 + 127) >> 8) + ((((200 * 128 + 128) >> 8) * 255 + 127) >> 8));
    const Case cases[] = {
        {0, 0, 3, 3, Color(255, 255, 255), 0, {0, 9, 18, 27}, 0xFFFEFEFE},
        {3, 3, 0, 0, Color(255, 0, 128), 0, {0, 9, 18, 27}, 0xFFFE007F},
        {0, 0, 4, 2, Color(255, 255, 255), 0, {0, 1, 10, 11, 20}, 0xFFFEFEFE},
        {1, 0, 0, 3, Color(255, 255, 255), 0, {1, 9, 16, 24}, 0xFFFEFEFE},
        {0, 0, 2, 2, Color(200, 200, 200, 128), 0, {0, 9, 18}, greyMix},
        {0, 0, 2, 2, Color(100, 0, 255, 128), 1, {0, 9, 18}, 0xFF7240C0},
        {2, 5, 6, 5, Color(1, 2, 3), 0, {42, 43, 44, 45, 46}, 0xFF010203},  // horizontal: a fill
    };
    for (const auto& c : cases) {
        MemoryImage d;
        Make(d, 8, 8, 0x80404040);
        d.DrawLine(c.x1, c.y1, c.x2, c.y2, c.color, c.mode);
        const auto px = Pixels(d);
        for (int i = 0; i < 64; ++i) {
            const bool on = std::find(c.pixels.begin(), c.pixels.end(), i) != c.pixels.end();
            EXPECT_EQ(px[i], on ? c.value : 0x80404040u) << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2 << " at " << i;
        }
    }
}

class MatrixBlit : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Vant::SWRaster::InitFillerTable(); }
};

TEST_F(MatrixBlit, IdentityAndQuarterTurn) {
    const std::vector<uint32_t> px = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    MemoryImage src;
    Make(src, 2, 2, px);
    struct Case {
        Vant::Matrix3 m;
        std::vector<uint32_t> want;  // pixels (1,1), (2,1), (1,2), (2,2)
    };
    Vant::Matrix3 quarter;
    quarter.m[0][0] = 0; quarter.m[0][1] = 1;
    quarter.m[1][0] = -1; quarter.m[1][1] = 0;
    const Case cases[] = {{Vant::Matrix3(), px}, {quarter, {px[1], px[3], px[0], px[2]}}};
    for (const auto& c : cases) {
        MemoryImage d;
        Make(d, 4, 4, 0xFF000000);
        d.BlitMatrix(&src, 2, 2, c.m, Rect(0, 0, 4, 4), Color::White, 0, Rect(0, 0, 2, 2), false);
        const auto got = Pixels(d);
        EXPECT_EQ((std::vector<uint32_t>{got[5], got[6], got[9], got[10]}), c.want);
        int drawn = 0;
        for (uint32_t v : got) drawn += v != 0xFF000000u;
        EXPECT_EQ(drawn, 4);
    }
}

TEST_F(MatrixBlit, TrianglesWithVertexColoursAndOffset) {
    MemoryImage d;
    Make(d, 4, 4, 0u);
    const Vant::TriVertex tris[1][3] = {{{0, 0, 0, 0, 0xFF00FF00}, {4, 0, 0, 0, 0xFF00FF00}, {0, 4, 0, 0, 0xFF00FF00}}};
    d.BlitTrianglesTextured(nullptr, tris, 1, Rect(0, 0, 4, 4), Color::White, 0, 1, 0, false);
    const auto px = Pixels(d);
    EXPECT_EQ(px[0], 0u) << "moved right by the offset";
    EXPECT_EQ(px[1], 0xFF00FF00u);
}

// Every primitive, with rectangles and positions reaching outside the
// source and the destination: the pixels outside the clip rectangle and the
// guard word after the pixels stay as they were.
TEST_F(MatrixBlit, GuardBandHoldsForEveryPrimitive) {
    constexpr uint32_t Sentinel = 0xA5A5A5A5;
    constexpr int W = 6, H = 5;
    const Rect clip(1, 1, W - 2, H - 2);
    MemoryImage src;
    std::vector<uint32_t> spx;
    for (uint32_t i = 0; i < 12; ++i) spx.push_back(0x80FF0000u + i * 0x01010101u);
    Make(src, 4, 3, spx);
    MemoryImage opaque;
    Make(opaque, 4, 3, 0xFF00FF00);
    const int big = 2000000000;
    const std::vector<Rect> rects = {{-3, -3, 5, 5},   {4, 3, 10, 10},  {-big, -big, big, big}, {0, 0, big, big},
                                     {big, big, 5, 5}, {2, 2, -5, -5},  {0, 0, 0, 0},           {-1, 1, big, 1},
                                     {1, -big, 2, big}};
    const std::vector<std::pair<int, int>> positions = {{-2, -2}, {W - 1, H - 1}, {-big, 0}, {0, big}, {big, big}, {1, 1}};
    const std::vector<Color> colours = {Color::White, Color(10, 200, 30, 120)};
    Vant::Matrix3 turn;
    turn.m[0][0] = 0.6f; turn.m[0][1] = 0.8f; turn.m[1][0] = -0.8f; turn.m[1][1] = 0.6f;
    Vant::Matrix3 huge;
    huge.m[0][0] = 1e9f; huge.m[1][1] = -1e9f;

    using Draw = std::function<void(MemoryImage&, const Rect& r, int x, int y, const Color& c)>;
    struct Primitive {
        std::string name;
        bool clipped;  // takes the clip rectangle
        Draw draw;
    };
    const std::vector<Primitive> prims = {
        {"FillRect", false, [](MemoryImage& d, const Rect& r, int, int, const Color& c) { d.FillRect(r, c, 0); }},
        {"DrawRect", false, [](MemoryImage& d, const Rect& r, int, int, const Color& c) { d.DrawRect(r, c, 0); }},
        {"ClearRect", false, [](MemoryImage& d, const Rect& r, int, int, const Color&) { d.ClearRect(r); }},
        {"DrawLine", false,
         [](MemoryImage& d, const Rect& r, int x, int y, const Color& c) {
             d.DrawLine(x, y, static_cast<double>(r.x) + r.width, r.y + 0.5 * r.height, c, 0);
             d.DrawLine(r.x, r.y, x, y, c, 1);
             d.DrawLine(x, r.y, x, y, c, 0);
         }},
        {"FillScanLines", false,
         [](MemoryImage& d, const Rect& r, int x, int y, const Color& c) {
             const int spans[] = {y, x, r.width, r.y, r.x, r.width};
             d.FillScanLines(spans, 2, c, 0);
         }},
        {"Blit", false,
         [&](MemoryImage& d, const Rect& r, int x, int y, const Color& c) {
             d.Blit(&src, x, y, r, c, 0);
             d.Blit(&src, x, y, r, c, 1);
             MemoryImage o;
             Make(o, W, H, 0xFF000000);
             o.Blit(&src, x, y, r, Color::White, 0);  // the run-length path
             ASSERT_EQ(o.GetBits()[W * H], MemoryImage::GuardWord);
         }},
        {"BlitF", true,
         [&](MemoryImage& d, const Rect& r, int x, int y, const Color& c) {
             d.BlitF(&src, x + 0.25f, y - 0.5f, r, clip, c, 0);
             d.BlitF(&src, static_cast<float>(x), static_cast<float>(y), Rect(-1, -1, 6, 5), clip, c, 1);
         }},
        {"BlitRotated", true,
         [&](MemoryImage& d, const Rect& r, int x, int y, const Color& c) {
             d.BlitRotated(&src, x, y, Rect(-1, 0, 6, 4), clip, c, 0, 0.5, 1, 1);
             d.BlitRotated(&src, 1, 1, Rect(0, 0, 4, 3), clip, c, 1, 2.0, r.x, r.y);
             d.BlitRotated(&src, 2, 2, r, clip, c, 0, 4.0, 0, 0);
         }},
        {"StretchBlit", true,
         [&](MemoryImage& d, const Rect& r, int x, int y, const Color& c) {
             d.StretchBlit(&src, r, Rect(-1, -1, 6, 6), clip, c, 0, true);
             d.StretchBlit(&src, r, Rect(-1, -1, 6, 6), clip, c, 0, false);
             d.StretchBlit(&src, Rect(x, y, 7, 3), r, clip, c, 0, false);
             d.StretchBlit(&src, Rect(x, y, 2, 9), r, clip, c, 0, true);
         }},
        {"BlitMatrix", true,
         [&](MemoryImage& d, const Rect& r, int x, int y, const Color& c) {
             d.BlitMatrix(&src, x, y, turn, clip, c, 0, r, true);
             d.BlitMatrix(&src, 2, 2, huge, clip, c, 0, Rect(0, 0, 4, 3), false);
         }},
        {"BlitTrianglesTextured", true,
         [&](MemoryImage& d, const Rect& r, int x, int y, const Color& c) {
             const Vant::TriVertex tris[2][3] = {
                 {{-5, -5, 0, 0, 0}, {20, 0, 1, 0, 0}, {0, 20, 0, 1, 0xFF0000FF}},
                 {{static_cast<float>(r.x), static_cast<float>(r.y), 0, 0, 0}, {1e9f, 3, 2, 0, 0}, {3, -1e9f, 0, 2, 0}}};
             d.BlitTrianglesTextured(&src, tris, 2, clip, c, 0, static_cast<float>(x), static_cast<float>(y), true);
             d.BlitTrianglesTextured(nullptr, tris, 2, clip, c, 1, 0, 0, false);
         }},
    };
    for (const auto& p : prims) {
        for (const Rect& r : rects)
            for (const auto& [x, y] : positions)
                for (const Color& c : colours) {
                    MemoryImage d;
                    Make(d, W, H, Sentinel);
                    p.draw(d, r, x, y, c);
                    const uint32_t* px = d.GetBits();
                    ASSERT_EQ(px[W * H], MemoryImage::GuardWord) << p.name;
                    if (!p.clipped) continue;
                    for (int yy = 0; yy < H; ++yy)
                        for (int xx = 0; xx < W; ++xx) {
                            if (xx >= clip.x && xx < clip.x + clip.width && yy >= clip.y && yy < clip.y + clip.height)
                                continue;
                            ASSERT_EQ(px[yy * W + xx], Sentinel)
                                << p.name << " wrote (" << xx << "," << yy << ") with rect " << r.x << "," << r.y << ","
                                << r.width << "," << r.height << " at " << x << "," << y;
                        }
                }
    }
}

}  // namespace
