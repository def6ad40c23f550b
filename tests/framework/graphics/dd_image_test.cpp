// Surface images on the headless display: when a picture gets a surface and
// which colour key, reading a surface back, lock nesting, the 16- and 32-bit
// surface loops against the formulas they follow, and which path each draw
// takes.
#include <gtest/gtest.h>

#include <vector>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/FakeGraphicsApp.h"
#include "support/SurfaceRig.h"

namespace {

using namespace Vant;
using plat::headless::HeadlessDisplay;
using Path = DDImage::Path;

using Rig = graphicstest::SurfaceRig;
using graphicstest::Pixel;

TEST(SurfaceImage, TranslucentPictureStaysInMemory) {
    Rig rig;
    auto im = rig.Image(2, 1, {0xFF102030, 0x80FFFFFF});
    EXPECT_FALSE(im->GenerateDDSurface());
    EXPECT_FALSE(im->HasSurface());
    im->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0), 0);
    EXPECT_EQ(im->lastPath, Path::Memory);
    EXPECT_FALSE(im->HasSurface());
    EXPECT_NE(im->GetBits()[0], 0xFF102030u);
}

TEST(SurfaceImage, ColourKeyIsAColourNoVisiblePixelUses) {
    for (plat::PixelFormat f : {plat::kFormat565, plat::kFormat888}) {
        SCOPED_TRACE(f.bpp);
        Rig rig(f);
        // Transparent black, opaque black and the two lowest colours in use.
        auto im = rig.Image(4, 1, {0x00000000, 0xFF000000, 0xFF000008, 0xFF000010});
        ASSERT_TRUE(im->GenerateDDSurface());
        plat::SurfaceDesc desc;
        im->surface->GetDesc(&desc);
        ASSERT_TRUE(desc.hasColorKey);
        EXPECT_TRUE(im->colorKeyed);
        for (int x = 1; x < 4; ++x) EXPECT_NE(Pixel(*im, x, 0), desc.keyLo);
        EXPECT_EQ(Pixel(*im, 0, 0), desc.keyLo);
        // 16 bits: black, blue 1 and blue 2 are taken, so the key is 3.
        EXPECT_EQ(desc.keyLo, f.bpp == 16 ? 3u : 1u);

        // Without a clash the first transparent pixel's colour is the key.
        auto plain = rig.Image(2, 1, {0x00123456, 0xFF000000});
        ASSERT_TRUE(plain->GenerateDDSurface());
        plain->surface->GetDesc(&desc);
        EXPECT_EQ(desc.keyLo, f.bpp == 16 ? 0x11AAu : 0x123456u);
    }
}

TEST(SurfaceImage, PictureUsingEveryColourGetsNoSurface) {
    Rig rig(plat::kFormat565);
    // Every 5-6-5 colour opaque once, plus one hole: no key can be free.
    std::vector<std::uint32_t> words(257 * 256, 0);
    for (std::uint32_t c = 0; c < 65536; ++c) {
        const std::uint32_t r = (c >> 11) << 3, g = ((c >> 5) & 63) << 2, b = (c & 31) << 3;
        words[c] = 0xFF000000u | r << 16 | g << 8 | b;
    }
    auto im = rig.Image(257, 256, words);
    EXPECT_FALSE(im->GenerateDDSurface());
    EXPECT_FALSE(im->HasSurface());
    EXPECT_FALSE(im->wantDDSurface);
    EXPECT_TRUE(im->HasBits());
}

TEST(SurfaceImage, LocksNest) {
    Rig rig;
    auto im = rig.Solid(2, 2, 0xFF000000);
    ASSERT_TRUE(im->LockSurface());
    ASSERT_TRUE(im->LockSurface());
    EXPECT_TRUE(im->UnlockSurface());
    EXPECT_TRUE(im->surface->IsLocked());
    EXPECT_TRUE(im->UnlockSurface());
    EXPECT_FALSE(im->surface->IsLocked());
    EXPECT_FALSE(im->UnlockSurface());
}

TEST(SurfaceImage, FillOnSurfaceLeavesNoBitsAndReadsBack) {
    Rig rig;
    auto im = rig.Solid(3, 2, 0xFF000000);
    im->FillRect(Rect(0, 0, 3, 2), Color::White, 0);
    EXPECT_EQ(im->lastPath, Path::SurfaceLoop);
    EXPECT_FALSE(im->HasBits());
    EXPECT_EQ(Pixel(*im, 2, 1), 0x00FFFFFFu);
    EXPECT_EQ(im->GetBits()[5], 0xFFFFFFFFu);
}

TEST(SurfaceImage, GetBitsConvertsTheSurface) {
    Rig rig(plat::kFormat565);
    auto im = rig.Solid(2, 1, 0xFF000000);
    ASSERT_TRUE(im->GenerateDDSurface());
    im->surface->Fill(nullptr, 0xF800);
    const plat::Rect second{1, 0, 1, 1};
    im->surface->Fill(&second, 0xFFFF);
    im->DropMemoryForms();
    const std::uint32_t* bits = im->GetBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], 0xFFF80000u);
    // The low bits stay zero: white comes back as 248, 252, 248.
    EXPECT_EQ(bits[1], 0xFFF8FCF8u);
    EXPECT_EQ(bits[2], MemoryImage::GuardWord);

    im->DropMemoryForms();
    im->surfaceInVideoMemory = true;  // locking forbidden
    EXPECT_EQ(im->GetBits(), nullptr);
}

// The Part's formulas, per channel mask, for the 16-bit loops.
std::uint32_t Fill16(std::uint32_t d, const Color& c, const plat::PixelFormat& f) {
    const std::uint64_t m[3] = {f.rMask, f.gMask, f.bMask};
    const std::uint64_t ch[3] = {std::uint64_t(c.r), std::uint64_t(c.g), std::uint64_t(c.b)};
    const std::uint64_t a = c.a;
    std::uint64_t out = 0;
    for (int i = 0; i < 3; ++i) {
        if (a == 255) {
            out += ((ch[i] + 1) * m[i] >> 8) & m[i];
        } else {
            out += ((((ch[i] * a + 128) >> 8) + 1) * m[i] >> 8) & m[i];
            out += (((d & m[i]) * (256 - a) + m[i]) >> 8) & m[i];
        }
    }
    return static_cast<std::uint32_t>(out);
}

std::uint32_t Line16(std::uint32_t d, const Color& c, const plat::PixelFormat& f) {
    const std::uint64_t m[3] = {f.rMask, f.gMask, f.bMask};
    const std::uint64_t ch[3] = {std::uint64_t(c.r), std::uint64_t(c.g), std::uint64_t(c.b)};
    const std::uint64_t a = c.a;
    std::uint64_t out = 0;
    for (int i = 0; i < 3; ++i) {
        out += ((((ch[i] * a + 128) >> 8) * m[i] + (m[i] >> 1)) >> 8) & m[i];
        out += (((d & m[i]) * (256 - a) + (m[i] >> 1)) >> 8) & m[i];
    }
    return static_cast<std::uint32_t>(out);
}

// Blend of one translucent native source pixel s (premultiplied, alpha sa)
// with a white colour.
std::uint32_t Blend16(std::uint32_t d, std::uint32_t s, std::uint64_t sa, const plat::PixelFormat& f) {
    const std::uint64_t m[3] = {f.rMask, f.gMask, f.bMask};
    std::uint64_t out = 0;
    for (int i = 0; i < 3; ++i) out |= (((d & m[i]) * (256 - sa) + (s & m[i]) * 255) >> 8) & m[i];
    return static_cast<std::uint32_t>(out);
}

TEST(SurfaceLoops, SixteenBitFillBlendAndLineFollowTheFormulas) {
    for (plat::PixelFormat f : {plat::kFormat565, plat::kFormat555}) {
        SCOPED_TRACE(f.rMask);
        Rig rig(f);
        const NativeFormat nf = rig.display.Format();
        const std::uint32_t under = 0xFF3C5A78;  // what each case draws over
        std::uint32_t base = 0;
        {
            auto probe = rig.Solid(1, 1, under);
            ASSERT_TRUE(probe->GenerateDDSurface());
            base = Pixel(*probe, 0, 0);
        }
        for (const Color& c : {Color(200, 100, 50, 255), Color(200, 100, 50, 77), Color(255, 255, 255, 1)}) {
            auto im = rig.Solid(4, 4, under);
            im->FillRect(Rect(0, 0, 4, 4), c, 0);
            EXPECT_EQ(Pixel(*im, 3, 3), Fill16(base, c, f)) << c.a;
            auto line = rig.Solid(4, 4, under);
            line->DrawLine(0, 0, 3, 2, c, 0);
            EXPECT_EQ(line->lastPath, Path::SurfaceLoop);
            EXPECT_EQ(Pixel(*line, 0, 0), Line16(base, c, f));
            EXPECT_EQ(Pixel(*line, 0, 1), base);
        }
        // A translucent source goes through the alpha loop.
        auto src = rig.Image(1, 1, {0x80C86432});
        auto dst = rig.Solid(2, 2, under);
        dst->Blit(src.get(), 1, 1, Rect(0, 0, 1, 1), Color::White, 0);
        EXPECT_EQ(dst->lastPath, Path::SurfaceLoop);
        const std::uint32_t s = src->GetNativeAlphaData(nf)[0];
        EXPECT_EQ(Pixel(*dst, 1, 1), Blend16(base, s, 0x80, f));
        EXPECT_EQ(Pixel(*dst, 0, 0), base);
    }
}

TEST(SurfaceLoops, AdditiveSaturatesAndOpaqueCopyKeepsHoles) {
    Rig rig(plat::kFormat565);
    auto dst = rig.Solid(2, 1, 0xFFF08000);
    dst->FillRect(Rect(0, 0, 2, 1), Color(64, 255, 8), 1);
    // red 30 + 8 saturates at 31, green 32 + 63 at 63, blue 0 + 1.
    EXPECT_EQ(Pixel(*dst, 0, 0), 0xFFE1u);

    auto holes = rig.Image(2, 1, {0x00000000, 0xFFFFFFFF});
    auto onto = rig.Solid(2, 1, 0xFF000000);
    onto->Blit(holes.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
    EXPECT_EQ(Pixel(*onto, 0, 0), 0u);
    EXPECT_EQ(Pixel(*onto, 1, 0), 0xFFFFu);
    // Mirrored: the same row written right to left.
    auto mirrored = rig.Solid(2, 1, 0xFF000000);
    mirrored->BlitMirror(holes.get(), 0, 0, Rect(0, 0, 2, 1), Color::White, 0);
    EXPECT_EQ(Pixel(*mirrored, 0, 0), 0xFFFFu);
    EXPECT_EQ(Pixel(*mirrored, 1, 0), 0u);
}

TEST(BlitDispatch, EachCaseTakesItsPath) {
    enum Dest { Screen, Cursor, Other };
    struct Case {
        bool threeD;
        Dest dest;
        bool destAlpha, destTrans, destKeyed, memoryOnly;
        bool srcSurface, srcAlpha;
        int mode;
        bool white;
        Path path;
    };
    const Case cases[] = {
        // The 3D screen: the hardware copy only for plain opaque copies.
        {true, Screen, false, false, false, false, true, false, 0, true, Path::SurfaceBlt},
        {true, Screen, false, false, false, false, true, true, 0, true, Path::Direct3D},
        {true, Screen, false, false, false, false, true, false, 1, true, Path::Direct3D},
        {true, Screen, false, false, false, false, true, false, 0, false, Path::Direct3D},
        {true, Screen, false, false, false, false, false, false, 0, true, Path::Direct3D},
        // In 3D only the cursor areas keep the surface loops.
        {true, Cursor, false, false, false, false, true, false, 0, true, Path::SurfaceLoop},
        {true, Other, false, false, false, false, true, false, 0, true, Path::Memory},
        // Without 3D the destination's own flags decide.
        {false, Screen, false, false, false, false, false, true, 0, false, Path::SurfaceLoop},
        {false, Other, false, false, false, false, true, false, 1, true, Path::SurfaceLoop},
        {false, Other, false, false, false, false, true, false, 2, true, Path::SurfaceLoop},
        {false, Other, true, false, false, false, true, false, 0, true, Path::Memory},
        {false, Other, false, true, false, false, true, false, 0, true, Path::Memory},
        {false, Other, false, true, true, false, true, false, 0, true, Path::SurfaceLoop},
        {false, Other, false, false, false, true, true, false, 0, true, Path::Memory},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        Rig rig;
        auto src = rig.Solid(2, 2, c.srcAlpha ? 0x80FFFFFF : 0xFFFFFFFF);
        if (c.srcSurface) src->GenerateDDSurface();
        ASSERT_EQ(src->HasSurface(), c.srcSurface && !c.srcAlpha);
        std::unique_ptr<DDImage> own;
        DDImage* dst = nullptr;
        if (c.dest == Screen) {
            dst = rig.display.GetScreenImage();
        } else if (c.dest == Cursor) {
            dst = rig.display.OldCursorImage();
        } else {
            own = rig.Solid(4, 4, 0xFF000000);
            own->SetImageMode(c.destTrans, c.destAlpha);
            own->colorKeyed = c.destKeyed;
            own->memoryOnly = c.memoryOnly;
            dst = own.get();
        }
        rig.display.Set3D(c.threeD);
        const Color colour = c.white ? Color::White : Color(255, 0, 0);
        dst->Blit(src.get(), 0, 0, Rect(0, 0, 2, 2), colour, c.mode);
        EXPECT_EQ(dst->lastPath, c.path);
        if (c.path == Path::SurfaceLoop) {
            EXPECT_FALSE(dst->HasBits());  // every mode drops the memory copies
        }
        rig.display.Set3D(false);
    }
}

TEST(BlitDispatch, SurfaceCopyKeepsTheLockCountEvenWhenTheRelockFails) {
    for (bool failRelock : {false, true}) {
        SCOPED_TRACE(failRelock);
        Rig rig;
        auto src = rig.Solid(2, 2, 0xFF00FF00);
        ASSERT_TRUE(src->GenerateDDSurface());
        auto dst = rig.Solid(4, 4, 0xFF000000);
        ASSERT_TRUE(dst->GenerateDDSurface());
        ASSERT_TRUE(dst->LockSurface());  // held by the caller around the blit
        const int before = dst->lockCount;
        if (failRelock) dst->surface->FailLock(0, plat::res::DDERR_SURFACELOST);
        dst->Blit(src.get(), 1, 1, Rect(0, 0, 2, 2), Color::White, 0);
        if (failRelock) {
            // The pointer the lock gave is gone: the count says unlocked.
            EXPECT_EQ(dst->lockCount, 0);
            EXPECT_FALSE(dst->surface->IsLocked());
            EXPECT_EQ(dst->surfaceDesc.bits, nullptr);
        } else {
            EXPECT_EQ(dst->lockCount, before);
            EXPECT_TRUE(dst->surface->IsLocked());
            dst->UnlockSurface();
        }
        EXPECT_EQ(Pixel(*dst, 1, 1), 0x0000FF00u);
        EXPECT_EQ(Pixel(*dst, 0, 0), 0u);
    }
}

}  // namespace
