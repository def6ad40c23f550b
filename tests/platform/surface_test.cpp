// Memory surfaces: what a lock reports per pixel format, the blit's
// clipping, stretching and colour key, lost surfaces, the changed-area
// record, and the names of the result codes.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/Surface.h"

namespace {

using namespace plat;

TEST(Surface, LockReportsLayoutPerFormat) {
    struct Case {
        PixelFormat f;
        int width, pitch;
    };
    const Case cases[] = {{kFormat565, 3, 8}, {kFormat555, 4, 8}, {kFormat888, 3, 12}, {kFormat24, 3, 12}, {kFormat8, 5, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.f.bpp);
        Surface s(c.width, 2, c.f, MemoryKind::System);
        LockInfo li;
        ASSERT_EQ(s.Lock(&li), res::DD_OK);
        EXPECT_NE(li.bits, nullptr);
        EXPECT_EQ(li.pitch, c.pitch);
        EXPECT_EQ(li.bpp, c.f.bpp);
        EXPECT_EQ(li.rMask, c.f.rMask);
        EXPECT_EQ(li.gMask, c.f.gMask);
        EXPECT_EQ(li.bMask, c.f.bMask);
        EXPECT_EQ(s.Unlock(), res::DD_OK);
    }
}

TEST(Surface, LockIsExclusiveAndBlocksBlits) {
    Surface a(4, 4, kFormat565, MemoryKind::System), b(4, 4, kFormat565, MemoryKind::System);
    LockInfo li;
    EXPECT_EQ(a.Unlock(), res::DDERR_NOTLOCKED);
    ASSERT_EQ(a.Lock(&li), res::DD_OK);
    EXPECT_EQ(a.Lock(&li), res::DDERR_SURFACEBUSY);
    EXPECT_EQ(b.Blt(nullptr, a, nullptr, 0), res::DDERR_SURFACEBUSY);
    EXPECT_EQ(a.Blt(nullptr, b, nullptr, 0), res::DDERR_SURFACEBUSY);
    EXPECT_EQ(a.Fill(nullptr, 1), res::DDERR_SURFACEBUSY);
    EXPECT_EQ(a.Unlock(), res::DD_OK);
    EXPECT_EQ(a.Blt(nullptr, b, nullptr, 0), res::DD_OK);
}

TEST(Surface, WritesThroughLockAreSeenByBlits) {
    Surface a(3, 2, kFormat565, MemoryKind::System), b(3, 2, kFormat565, MemoryKind::System);
    LockInfo li;
    ASSERT_EQ(a.Lock(&li), res::DD_OK);
    auto* row1 = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(li.bits) + li.pitch);
    row1[2] = 0xF800;
    a.Unlock();
    ASSERT_EQ(b.Blt(nullptr, a, nullptr, 0), res::DD_OK);
    EXPECT_EQ(b.PixelAt(2, 1), 0xF800u);
    EXPECT_EQ(b.PixelAt(1, 1), 0u);
}

// Source 4x4 with pixel value 10*y + x.
void FillPattern(Surface& s) {
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            Rect r{x, y, 1, 1};
            s.Fill(&r, 10 * y + x);
        }
}

TEST(Surface, BlitClipsTheDestinationAndShiftsTheSource) {
    Surface src(4, 4, kFormat888, MemoryKind::System), dst(4, 4, kFormat888, MemoryKind::System);
    FillPattern(src);
    dst.Fill(nullptr, 99);
    const Rect d{-1, 2, 4, 4}, s{0, 0, 4, 4};
    ASSERT_EQ(dst.Blt(&d, src, &s, 0), res::DD_OK);
    // dst(0,2) takes src(1,0); rows below 4 are cut; untouched rows stay.
    EXPECT_EQ(dst.PixelAt(0, 2), 1u);
    EXPECT_EQ(dst.PixelAt(2, 3), 13u);
    EXPECT_EQ(dst.PixelAt(3, 3), 99u);  // beyond the destination rect
    EXPECT_EQ(dst.PixelAt(0, 1), 99u);
    // Wholly off: nothing drawn, no error.
    const Rect off{10, 10, 4, 4};
    EXPECT_EQ(dst.Blt(&off, src, &s, 0), res::DD_OK);
}

TEST(Surface, BlitRejectsBadRectanglesAndFormats) {
    Surface a(4, 4, kFormat565, MemoryKind::System), b(4, 4, kFormat565, MemoryKind::System);
    Surface c(4, 4, kFormat555, MemoryKind::System);
    const Rect outside{2, 2, 3, 3}, empty{0, 0, 0, 2}, negative{-1, 0, 2, 2};
    EXPECT_EQ(a.Blt(nullptr, b, &outside, 0), res::DDERR_INVALIDRECT);
    EXPECT_EQ(a.Blt(nullptr, b, &empty, 0), res::DDERR_INVALIDRECT);
    EXPECT_EQ(a.Blt(nullptr, b, &negative, 0), res::DDERR_INVALIDRECT);
    EXPECT_EQ(a.Blt(&empty, b, nullptr, 0), res::DDERR_INVALIDRECT);
    EXPECT_EQ(a.Blt(nullptr, c, nullptr, 0), res::DDERR_INVALIDPIXELFORMAT);
    // Within one surface only when the areas do not overlap.
    const Rect left{0, 0, 2, 2}, right{2, 0, 2, 2}, mid{1, 0, 2, 2};
    EXPECT_EQ(a.Blt(&right, a, &left, 0), res::DD_OK);
    EXPECT_EQ(a.Blt(&mid, a, &left, 0), res::DDERR_INVALIDRECT);
}

TEST(Surface, ColourKeySkipsTheKeyRangeOnlyWhenAsked) {
    Surface src(4, 1, kFormat565, MemoryKind::System), dst(4, 1, kFormat565, MemoryKind::System);
    for (int x = 0; x < 4; ++x) {
        Rect r{x, 0, 1, 1};
        src.Fill(&r, 5 + x);  // 5 6 7 8
    }
    ASSERT_EQ(src.SetColorKey(6, 7), res::DD_OK);
    EXPECT_EQ(src.SetColorKey(7, 6), res::DDERR_INVALIDPARAMS);
    dst.Fill(nullptr, 0xFFFF);
    ASSERT_EQ(dst.Blt(nullptr, src, nullptr, kBltKeySrc), res::DD_OK);
    EXPECT_EQ(dst.PixelAt(0, 0), 5u);
    EXPECT_EQ(dst.PixelAt(1, 0), 0xFFFFu);
    EXPECT_EQ(dst.PixelAt(2, 0), 0xFFFFu);
    EXPECT_EQ(dst.PixelAt(3, 0), 8u);
    ASSERT_EQ(dst.Blt(nullptr, src, nullptr, 0), res::DD_OK);
    EXPECT_EQ(dst.PixelAt(1, 0), 6u);
    // A cleared key no longer hides anything.
    src.ClearColorKey();
    dst.Fill(nullptr, 0xFFFF);
    dst.Blt(nullptr, src, nullptr, kBltKeySrc);
    EXPECT_EQ(dst.PixelAt(2, 0), 7u);
}

TEST(Surface, StretchPicksNearestSourcePixels) {
    Surface src(4, 4, kFormat888, MemoryKind::System), big(8, 8, kFormat888, MemoryKind::System);
    Surface small(2, 2, kFormat888, MemoryKind::System);
    FillPattern(src);
    ASSERT_EQ(big.Blt(nullptr, src, nullptr, 0), res::DD_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(big.PixelAt(x, y), std::uint32_t(10 * (y / 2) + x / 2)) << x << "," << y;
    ASSERT_EQ(small.Blt(nullptr, src, nullptr, 0), res::DD_OK);
    EXPECT_EQ(small.PixelAt(0, 0), 0u);
    EXPECT_EQ(small.PixelAt(1, 1), 22u);
    // Stretched and clipped: the mapping follows the whole destination rect.
    big.Fill(nullptr, 0);
    const Rect d{-4, -4, 8, 8};
    ASSERT_EQ(big.Blt(&d, src, nullptr, 0), res::DD_OK);
    EXPECT_EQ(big.PixelAt(0, 0), 22u);
    EXPECT_EQ(big.PixelAt(3, 3), 33u);
    EXPECT_EQ(big.PixelAt(4, 4), 0u);
}

TEST(Surface, LostSurfaceRefusesWorkUntilRestored) {
    Surface a(2, 2, kFormat565, MemoryKind::Video), b(2, 2, kFormat565, MemoryKind::System);
    a.Fill(nullptr, 0x1234);
    a.MarkLost();
    LockInfo li;
    EXPECT_EQ(a.IsLost(), res::DDERR_SURFACELOST);
    EXPECT_EQ(a.Lock(&li), res::DDERR_SURFACELOST);
    EXPECT_EQ(b.Blt(nullptr, a, nullptr, 0), res::DDERR_SURFACELOST);
    EXPECT_EQ(a.Fill(nullptr, 0), res::DDERR_SURFACELOST);
    EXPECT_EQ(a.Restore(), res::DD_OK);
    EXPECT_EQ(a.IsLost(), res::DD_OK);
    EXPECT_EQ(a.PixelAt(0, 0), 0u);
    EXPECT_EQ(a.Lock(&li), res::DD_OK);
}

TEST(Surface, DescriptionReportsWhatWasMade) {
    Surface s(5, 3, kFormat555, MemoryKind::Video);
    s.SetColorKey(0x1F, 0x1F);
    s.SetRole(true, false);
    SurfaceDesc d;
    ASSERT_EQ(s.GetDesc(&d), res::DD_OK);
    EXPECT_EQ(d.width, 5);
    EXPECT_EQ(d.height, 3);
    EXPECT_EQ(d.pitch, 12);
    EXPECT_EQ(d.format, kFormat555);
    EXPECT_TRUE(d.videoMemory);
    EXPECT_TRUE(d.primary);
    EXPECT_TRUE(d.hasColorKey);
    EXPECT_EQ(d.keyLo, 0x1Fu);
    EXPECT_EQ(s.GetDesc(nullptr), res::DDERR_INVALIDPARAMS);
}

TEST(Surface, ChangedAreaIsTheClippedUnionAndIsTakenOnce) {
    Surface s(100, 50, kFormat888, MemoryKind::Video);
    Rect r;
    EXPECT_FALSE(s.TakeChanged(&r));
    s.MarkChanged({-10, -10, 20, 20});
    s.MarkChanged({90, 40, 64, 64});
    s.MarkChanged({200, 200, 5, 5});  // wholly off: ignored
    ASSERT_TRUE(s.TakeChanged(&r));
    EXPECT_EQ(r, (Rect{0, 0, 100, 50}));
    EXPECT_FALSE(s.TakeChanged(&r));
    // Marked from another thread while this one takes.
    std::thread t([&] {
        for (int i = 0; i < 1000; ++i) s.MarkChanged({i % 90, 0, 10, 10});
    });
    int taken = 0;
    for (int i = 0; i < 1000; ++i) taken += s.TakeChanged(&r) ? 1 : 0;
    t.join();
    taken += s.TakeChanged(&r) ? 1 : 0;
    EXPECT_GE(taken, 1);
}

TEST(ResultNames, NamedCodesAndOthers) {
    EXPECT_STREQ(ResultName(res::DDERR_ALREADYINITIALIZED), "DDERR_ALREADYINITIALIZED");
    EXPECT_STREQ(ResultName(MakeResult(0x8876005Au)), "DDERR_HEIGHTALIGN");
    EXPECT_STREQ(ResultName(MakeResult(0x80004005u)), "DSERR_GENERIC");
    EXPECT_STREQ(ResultName(MakeResult(0x80070057u)), "DDERR_INVALIDPARAMS");
    EXPECT_STREQ(ResultName(res::DDERR_SURFACELOST), "DDERR_SURFACELOST");
    EXPECT_EQ(ResultName(0), nullptr);
    EXPECT_EQ(ResultName(1), nullptr);
    EXPECT_TRUE(Failed(res::DDERR_SURFACELOST));
    EXPECT_FALSE(Failed(res::DD_OK));
}

}  // namespace
