// Rectangles, cel geometry, the base bodies of the outline and span
// primitives, and shared image handles.
#include "framework/graphics/Image.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/Rect.h"
#include "support/FakeGraphicsApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Vant::Color;
using Vant::Rect;

TEST(Rect, IntersectionTable) {
    struct Case {
        Rect a, b, want;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {10, 0, 5, 5}, {10, 0, 0, 5}},  // touching: zero width keeps position
        {{0, 0, 10, 10}, {11, 0, 5, 5}, {0, 0, 0, 0}},   // one pixel apart
        {{0, 0, 10, 10}, {3, 4, 2, 2}, {3, 4, 2, 2}},
        {{0, 0, 10, 10}, {2, 2, -3, 4}, {0, 0, 0, 0}},   // negative size
        {{5, 5, 0, 0}, {0, 0, 10, 10}, {5, 5, 0, 0}},
        {{2147483000, 0, 2000, 5}, {0, 0, 2147483647, 10}, {2147483000, 0, 647, 5}},  // no overflow
    };
    for (const auto& c : cases) EXPECT_EQ(c.a.Intersection(c.b), c.want) << c.b.x << "," << c.b.width;
    EXPECT_EQ(Vant::FRect(0, 0, 2, 2).Intersection(Vant::FRect(1.5, 1, 4, 4)), Vant::FRect(1.5, 1, 0.5, 1));
    EXPECT_EQ(Vant::FRect(0, 0, 2, 2).Intersection(Vant::FRect(3, 0, 1, 1)), Vant::FRect());
}

TEST(Color, OpaqueCopy) { EXPECT_EQ(Color::Opaque(Color(1, 2, 3, 4)), Color(1, 2, 3, 255)); }

// Records the fills the base bodies issue.
class RecordingImage : public Vant::Image {
public:
    void FillRect(const Rect& r, const Color&, int) override { fills.push_back(r); }
    std::vector<Rect> fills;
};

TEST(Image, CelGeometry) {
    RecordingImage img;
    img.width = 100;
    img.height = 50;
    img.numCols = 3;
    img.numRows = 2;
    EXPECT_EQ(img.GetCelWidth(), 33);
    EXPECT_EQ(img.GetCelHeight(), 25);
    EXPECT_EQ(img.GetCelRect(4), Rect(33, 25, 33, 25));
    // A grid of no columns or rows must not divide by zero: one cel.
    img.numCols = 0;
    img.numRows = 0;
    EXPECT_EQ(img.GetCelWidth(), 100);
    EXPECT_EQ(img.GetCelHeight(), 50);
    EXPECT_EQ(img.GetCelRect(0), Rect(0, 0, 100, 50));
}

TEST(Image, CopyDeepCopiesTheAnimation) {
    RecordingImage img;
    img.animation = std::make_unique<Vant::ImageAnimation>();
    img.animation->frameMap = {0, 1, 0};
    const Vant::Image copy(img);
    ASSERT_TRUE(copy.animation);
    EXPECT_NE(copy.animation.get(), img.animation.get());
    EXPECT_EQ(copy.animation->frameMap, img.animation->frameMap);
}

TEST(Image, OutlineAndSpansThroughFillRect) {
    RecordingImage img;
    img.DrawRect(Rect(1, 2, 3, 4), Color::White, 0);
    EXPECT_EQ(img.fills, (std::vector<Rect>{{1, 2, 4, 1}, {1, 6, 4, 1}, {1, 3, 1, 3}, {4, 3, 1, 3}}));
    img.fills.clear();
    const int spans[] = {7, 1, 5, 8, 2, 0};
    img.FillScanLines(spans, 2, Color::White, 0);
    EXPECT_EQ(img.fills, (std::vector<Rect>{{1, 7, 5, 1}, {2, 8, 0, 1}}));
    img.fills.clear();
    img.FillScanLines(spans, 0, Color::White, 0);
    EXPECT_TRUE(img.fills.empty());
}

TEST(MemoryImage, OutlineOfSizeZeroIsOnePixel) {
    Vant::MemoryImage img;
    img.Create(10, 10);
    img.GetBits();
    img.DrawRect(Rect(5, 5, 0, 0), Color(10, 20, 30), 0);
    const uint32_t* p = img.GetBits();
    for (int i = 0; i < 100; ++i) EXPECT_EQ(p[i], i == 55 ? 0xFF0A141Eu : 0u) << i;
}

TEST(SharedImageRef, CountsAndRaisesTheFlagOnlyAtZero) {
    graphicstest::FakeGraphicsApp app;
    Vant::SharedImage record;
    record.image = std::make_unique<RecordingImage>();
    {
        Vant::SharedImageRef a(&record);
        EXPECT_EQ(record.refCount, 1);
        Vant::SharedImageRef b(a);
        EXPECT_EQ(record.refCount, 2);
        Vant::SharedImageRef c;
        c = b;
        c = c;
        EXPECT_EQ(record.refCount, 3);
        EXPECT_EQ(c.GetImage(), record.image.get());
        b.Release();
        EXPECT_EQ(b.GetImage(), nullptr);
        EXPECT_EQ(record.refCount, 2);
        c = &record;  // reassigning the same record keeps it alive
        EXPECT_EQ(record.refCount, 2);
        EXPECT_EQ(app.dirtyRaised, 0);
    }
    EXPECT_EQ(record.refCount, 0);
    EXPECT_EQ(app.dirtyRaised, 1);
    EXPECT_TRUE(record.image) << "the last release leaves the image to the application";
}

// Counts its own destruction.
class CountedImage : public Vant::Image {
public:
    explicit CountedImage(int& deaths) : deaths_(deaths) {}
    ~CountedImage() override { ++deaths_; }

private:
    int& deaths_;
};

TEST(SharedImageRef, UnsharedImagesNeverDangleAndSurviveAssignment) {
    int deaths = 0;
    {
        Vant::SharedImageRef owner;
        owner.AssignUnshared(new CountedImage(deaths), true);
        Vant::SharedImageRef copy(owner);
        Vant::SharedImageRef assigned;
        assigned = owner;
        EXPECT_EQ(assigned.GetImage(), owner.GetImage()) << "assignment carries the unshared image";
        owner.Release();
        EXPECT_EQ(deaths, 0) << "copies still hold it";
        EXPECT_NE(copy.GetImage(), nullptr);
        copy.Release();
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 1) << "deleted once, by the last holder";

    CountedImage stack(deaths);
    {
        Vant::SharedImageRef notOwned;
        notOwned.AssignUnshared(&stack);
        Vant::SharedImageRef copy = notOwned;
        EXPECT_EQ(copy.GetImage(), &stack);
    }
    EXPECT_EQ(deaths, 1) << "an image not owned is never deleted";
}

TEST(MemoryImage, RegistersWithTheApplicationForItsLifetime) {
    graphicstest::FakeGraphicsApp app;
    {
        Vant::MemoryImage a;
        a.SetBits(std::vector<uint32_t>{1, 2}.data(), 2, 1);
        Vant::MemoryImage b(a);
        EXPECT_EQ(app.images, (std::set<Vant::MemoryImage*>{&a, &b}));
        EXPECT_EQ(b.GetBits()[1], 2u);
        EXPECT_EQ(b.GetBits()[2], Vant::MemoryImage::GuardWord);
    }
    EXPECT_TRUE(app.images.empty());
}

}  // namespace
