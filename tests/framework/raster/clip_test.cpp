// Polygon clipper: Sutherland-Hodgman passes against an inclusive rectangle.
#include "framework/raster/Raster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <set>

namespace {

using namespace Vant::SWRaster;

struct Clipped {
    int n;
    const TriVertex* out[ClipListSize];
    ClipPool pool;
};

void clip(Clipped& c, const TriVertex& a, const TriVertex& b, const TriVertex& v, float xmin, float xmax, float ymin,
          float ymax) {
    c.n = ClipPolygon(&a, &b, &v, c.out, xmin, xmax, ymin, ymax, c.pool);
}

TEST(Clip, InsideTriangleComesBackAsItsOwnPointers) {
    const TriVertex a{1, 1}, b{9, 2}, v{4, 9};
    Clipped c;
    clip(c, a, b, v, 0, 10, 0, 10);
    ASSERT_EQ(c.n, 3);
    EXPECT_EQ(c.out[0], &a);
    EXPECT_EQ(c.out[1], &b);
    EXPECT_EQ(c.out[2], &v);
    EXPECT_EQ(c.out[3], nullptr);
    EXPECT_EQ(c.pool.count, 0);
}

TEST(Clip, BoundsAreInclusiveAndCutsLandExactlyOnThem) {
    // A vertex on xmax stays; one beyond is cut back to exactly xmax.
    const TriVertex a{0, 0}, b{10, 5}, v{0, 10};
    Clipped c;
    clip(c, a, b, v, 0, 10, 0, 10);
    ASSERT_EQ(c.n, 3);
    EXPECT_EQ(c.out[1], &b);

    const TriVertex b2{10.5f, 5};
    clip(c, a, b2, v, 0, 10, 0, 10);
    ASSERT_EQ(c.n, 4);
    for (int i = 0; i < c.n; ++i) EXPECT_LE(c.out[i]->x, 10.0f);
    int onBound = 0;
    for (int i = 0; i < c.n; ++i) onBound += c.out[i]->x == 10.0f;
    EXPECT_EQ(onBound, 2);
}

TEST(Clip, ContainingTriangleGivesTheFourCornersExactly) {
    const TriVertex a{-100, -100}, b{300, -100}, v{-100, 300};
    Clipped c;
    clip(c, a, b, v, 3, 17, 5, 11);
    ASSERT_EQ(c.n, 4);
    std::set<std::pair<float, float>> corners;
    for (int i = 0; i < c.n; ++i) corners.insert({c.out[i]->x, c.out[i]->y});
    const std::set<std::pair<float, float>> want{{3, 5}, {17, 5}, {3, 11}, {17, 11}};
    EXPECT_EQ(corners, want);
}

TEST(Clip, TriangleCuttingAllFourSidesGivesSeven) {
    // Each edge crosses two sides and one corner of the rectangle lies inside.
    const TriVertex a{-6, 2}, b{15, -4}, v{4, 12};
    Clipped c;
    clip(c, a, b, v, 0, 10, 0, 10);
    EXPECT_EQ(c.n, 7);
    EXPECT_LE(c.pool.count, 8);
}

TEST(Clip, CutInterpolatesEveryFieldFromOutsideToInside) {
    const TriVertex o{-10, 0, 0.0f, 1.0f, 0x00000000}, i{10, 0, 1.0f, 0.0f, 0xFFFFFFFF};
    const TriVertex cut = CutAtX(o, i, 0.0f);
    EXPECT_EQ(cut.x, 0.0f);
    EXPECT_EQ(cut.y, 0.0f);
    EXPECT_FLOAT_EQ(cut.u, 0.5f);
    EXPECT_FLOAT_EQ(cut.v, 0.5f);
    EXPECT_EQ(cut.color, 0x7F7F7F7Fu) << "trunc(255 * 0.5) = 127 in every channel";
    // The same edge walked the other way gives the same vertex.
    const TriVertex again = CutAtX(o, i, 0.0f);
    EXPECT_EQ(std::memcmp(&cut, &again, sizeof cut), 0);
}

TEST(Clip, WhollyOutsideGivesNothing) {
    const TriVertex a{-9, 0}, b{-1, 5}, v{-5, 9};
    Clipped c;
    clip(c, a, b, v, 0, 10, 0, 10);
    EXPECT_EQ(c.n, 0);
    EXPECT_EQ(c.out[0], nullptr);
}

TEST(Clip, HugeCoordinatesStillLandInside) {
    // Interpolating the cut axis from -1e30 would lose every digit; the cut
    // sits on the bound itself instead.
    const TriVertex a{-1e30f, 50}, b{150, 40}, v{150, 60};
    Clipped c;
    clip(c, a, b, v, 100, 200, 0, 100);
    ASSERT_GE(c.n, 3);
    for (int i = 0; i < c.n; ++i) {
        EXPECT_GE(c.out[i]->x, 100.0f);
        EXPECT_LE(c.out[i]->x, 200.0f);
    }
}

TEST(Clip, RandomTrianglesStayInsideWithBoundedCounts) {
    std::mt19937 rng(102);
    std::uniform_real_distribution<float> near(-40, 140);
    std::uniform_real_distribution<float> expo(-30, 30);
    auto coord = [&]() -> float {
        switch (rng() % 4) {
            case 0: return std::copysign(std::pow(10.0f, expo(rng) / 2), near(rng));
            case 1: return static_cast<float>(static_cast<int>(near(rng)));  // on grid lines and bounds
            default: return near(rng);
        }
    };
    for (int iter = 0; iter < 200000; ++iter) {
        TriVertex t[3];
        for (auto& v : t) v = TriVertex{coord(), coord(), 0, 0, static_cast<uint32_t>(rng())};
        Clipped c;
        clip(c, t[0], t[1], t[2], 0, 100, 0, 100);
        ASSERT_TRUE(c.n == 0 || (c.n >= 3 && c.n <= 7)) << c.n;
        ASSERT_LE(c.pool.count, 8);
        for (int i = 0; i < c.n; ++i) {
            ASSERT_TRUE(c.out[i]->x >= 0 && c.out[i]->x <= 100) << c.out[i]->x;
            ASSERT_TRUE(c.out[i]->y >= 0 && c.out[i]->y <= 100) << c.out[i]->y;
        }
        ASSERT_EQ(c.out[c.n], nullptr);
    }
}

}  // namespace
