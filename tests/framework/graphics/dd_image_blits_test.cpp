// The surface image's rotated, stretched and mirrored draws on the headless
// display: which path each takes, and what reaches the surface.
#include <gtest/gtest.h>

#include <vector>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/FakeGraphicsApp.h"
#include "support/SurfaceRig.h"

namespace {

using namespace Vant;
using plat::headless::HeadlessDisplay;
using Path = DDImage::Path;

using Rig = graphicstest::SurfaceRig;
using graphicstest::Pixel;

int CountNot(DDImage& im, std::uint32_t value) {
    int n = 0;
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) n += Pixel(im, x, y) != value;
    return n;
}

TEST(DDImageRotated, SubPixelDrawsGoThroughTheRotatedLoopsAndKeepTheirEdges) {
    for (plat::PixelFormat f : {plat::kFormat565, plat::kFormat888}) {
        SCOPED_TRACE(f.bpp);
        Rig rig(f);
        auto dst = rig.Screen(20, 20);
        auto src = rig.Solid(5, 4, 0xFFFFFFFF);
        Graphics g(dst.get());
        g.DrawImageF(src.get(), 3.0f, 2.0f);
        EXPECT_EQ(dst->lastPath, Path::SurfaceLoop);
        EXPECT_FALSE(dst->HasBits());
        EXPECT_EQ(CountNot(*dst, 0), 5 * 4);  // all of it, edges included
        EXPECT_NE(Pixel(*dst, 3, 2), 0u);
        EXPECT_NE(Pixel(*dst, 7, 5), 0u);
        EXPECT_EQ(Pixel(*dst, 8, 5), 0u);

        // A turned draw through the drawing context, clipped by it.
        g.ClipRect(0, 0, 10, 20);
        g.DrawImageRotated(src.get(), 8.0f, 8.0f, 0.5);
        for (int y = 0; y < 20; ++y)
            for (int x = 10; x < 20; ++x) EXPECT_EQ(Pixel(*dst, x, y), 0u);
    }
}

TEST(DDImageRotated, PathChoice) {
    Rig rig;
    auto src = rig.Solid(4, 4, 0xFFFF0000);
    // A translucent destination keeps its pixels in memory.
    auto translucent = rig.Solid(8, 8, 0x80000000);
    translucent->BlitRotated(src.get(), 1, 1, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, 0.3, 2, 2);
    EXPECT_EQ(translucent->lastPath, Path::Memory);
    EXPECT_TRUE(translucent->HasBits());
    EXPECT_NE(translucent->GetBits()[3 * 8 + 3], 0x80000000u);

    auto forced = rig.Screen(8, 8);
    forced->memoryOnly = true;
    forced->BlitRotated(src.get(), 1, 1, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, 0.3, 2, 2);
    EXPECT_EQ(forced->lastPath, Path::Memory);

    // Locking forbidden: nothing at all.
    auto video = rig.Screen(8, 8);
    video->surfaceInVideoMemory = true;
    video->lastPath = Path::None;
    video->BlitRotated(src.get(), 1, 1, Rect(0, 0, 4, 4), Rect(0, 0, 8, 8), Color::White, 0, 0.3, 2, 2);
    EXPECT_EQ(video->lastPath, Path::None);
    EXPECT_EQ(CountNot(*video, 0), 0);
}

TEST(DDImageStretch, FastPathsSampleNearestAndMirror) {
    for (plat::PixelFormat f : {plat::kFormat565, plat::kFormat888}) {
        SCOPED_TRACE(f.bpp);
        Rig rig(f);
        // Ten columns of distinct opaque colours (with one translucent
        // pixel the source gets no surface, so the software loop runs).
        std::vector<std::uint32_t> words(10 * 2);
        for (int i = 0; i < 10; ++i) words[i] = words[10 + i] = 0xFF000000u | (i * 24u) << 16 | (240u - i * 24u);
        words[19] = 0x80FFFFFF;
        auto src = rig.Image(10, 2, words);
        auto dst = rig.Screen(30, 4);
        dst->StretchBlit(src.get(), Rect(2, 1, 20, 1), Rect(0, 0, 10, 1), Rect(0, 0, 30, 4), Color::White, 0, true);
        EXPECT_EQ(dst->lastPath, Path::SurfaceLoop);
        auto mirrored = rig.Screen(30, 4);
        mirrored->StretchBlitMirror(src.get(), Rect(2, 1, 20, 1), Rect(0, 0, 10, 1), Rect(0, 0, 30, 4),
                                    Color::White, 0, true);
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(Pixel(*dst, 2 + i, 1), Pixel(*dst, 2 + (i / 2) * 2, 1));
            EXPECT_EQ(Pixel(*mirrored, 21 - i, 1), Pixel(*dst, 2 + i, 1)) << i;
        }
        EXPECT_NE(Pixel(*dst, 2, 1), Pixel(*dst, 4, 1));
        EXPECT_EQ(CountNot(*dst, 0), 20);

        // A source rect reaching past the image draws nothing on the fast path.
        auto untouched = rig.Screen(30, 4);
        untouched->StretchBlit(src.get(), Rect(0, 0, 30, 4), Rect(-1, 0, 10, 2), Rect(0, 0, 30, 4), Color::White, 0,
                               true);
        untouched->StretchBlit(src.get(), Rect(0, 0, 30, 4), Rect(2, 0, 10, 2), Rect(0, 0, 30, 4), Color::White, 0,
                               true);
        untouched->StretchBlitMirror(src.get(), Rect(0, 0, 30, 4), Rect(0, 1, 10, 2), Rect(0, 0, 30, 4),
                                     Color::White, 1, true);
        EXPECT_EQ(CountNot(*untouched, 0), 0);
    }
}

TEST(DDImageStretch, FilteredPathGoesThroughATemporaryPicture) {
    Rig rig(plat::kFormat565);
    auto src = rig.Solid(4, 4, 0xFFF80000);  // full red in 5-6-5
    auto dst = rig.Screen(20, 20);
    const size_t imagesBefore = rig.app.images.size();
    Graphics g(dst.get());
    g.ClipRect(0, 0, 15, 20);
    g.DrawImage(src.get(), 2, 3, 16, 8);  // filtered: the fast-stretch flag is off
    EXPECT_EQ(rig.app.images.size(), imagesBefore);  // the temporary is gone
    EXPECT_FALSE(dst->HasBits());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 2 && x < 15 && y >= 3 && y < 11;
            // The memory blend onto the empty temporary weighs a source 255/256.
            if (inside)
                EXPECT_GE(Pixel(*dst, x, y) >> 11, 30u) << x << "," << y;
            else
                EXPECT_EQ(Pixel(*dst, x, y), 0u) << x << "," << y;
        }
    // Into a translucent destination the whole stretch stays in memory.
    auto translucent = rig.Solid(20, 20, 0x80000000);
    translucent->StretchBlit(src.get(), Rect(0, 0, 8, 8), Rect(0, 0, 4, 4), Rect(0, 0, 20, 20), Color::White, 0,
                             false);
    EXPECT_EQ(translucent->lastPath, Path::Memory);
}

TEST(DDImageStretch, SurfaceStretchWithKeyAndAFailedRelock) {
    for (bool failRelock : {false, true}) {
        SCOPED_TRACE(failRelock);
        Rig rig;
        // Transparent corner: the source surface carries a colour key.
        auto src = rig.Image(2, 2, {0x00000000, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00});
        ASSERT_TRUE(src->GenerateDDSurface());
        auto dst = rig.Screen(8, 8, 0xFF0000FF);
        ASSERT_TRUE(dst->LockSurface());  // held by the caller around the draw
        if (failRelock) dst->surface->FailLock(0, plat::res::DDERR_SURFACELOST);
        dst->StretchBlit(src.get(), Rect(2, 2, 4, 4), Rect(0, 0, 2, 2), Rect(0, 0, 8, 8), Color::White, 0, true);
        EXPECT_EQ(dst->lastPath, Path::SurfaceBlt);
        if (failRelock) {
            EXPECT_EQ(dst->lockCount, 0);
            EXPECT_FALSE(dst->surface->IsLocked());
            EXPECT_EQ(dst->surfaceDesc.bits, nullptr);
            EXPECT_FALSE(dst->HasBits());
        } else {
            EXPECT_EQ(dst->lockCount, 1);
            EXPECT_TRUE(dst->surface->IsLocked());
            dst->UnlockSurface();
        }
        EXPECT_EQ(Pixel(*dst, 2, 2), 0x0000FFu);  // keyed out
        EXPECT_EQ(Pixel(*dst, 5, 5), 0x00FF00u);
        // A later software draw locks afresh and works.
        dst->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0), 0);
        EXPECT_EQ(Pixel(*dst, 0, 0), 0xFF0000u);
    }
}

// Found by the draw fuzz target: a surface-loop draw that locks nothing
// (an empty rect) used to drop the memory copies of a picture whose surface
// an earlier memory draw had released, losing the picture.
TEST(DDImageMemoryForms, DrawsWithoutASurfaceKeepThePicture) {
    Rig rig;
    auto im = rig.Screen(4, 4, 0xFF123456);
    im->memoryOnly = true;
    im->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0), 0);  // into the bits: the surface goes
    im->memoryOnly = false;
    ASSERT_FALSE(im->HasSurface());
    im->FillRect(Rect(0, 0, 0, 0), Color::White, 0);
    im->Blit(rig.Solid(1, 1, 0xFF00FF00).get(), 9, 9, Rect(0, 0, 1, 1), Color::White, 2);
    ASSERT_NE(im->GetBits(), nullptr);
    EXPECT_EQ(im->GetBits()[5], 0xFF123456u);
    EXPECT_EQ(im->GetBits()[0], 0xFFFF0000u);
}

}  // namespace
