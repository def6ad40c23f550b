// The display twin: the formats it hands out windowed and full screen, the
// faults it injects at a chosen call, flips, presents and lost surfaces.
#include <gtest/gtest.h>

#include "platform/headless/HeadlessDisplay.h"

namespace {

using namespace plat;
using plat::headless::HeadlessDisplay;
using Step = HeadlessDisplay::Step;

TEST(HeadlessDisplay, WindowedTakesTheDesktopFormatAtClientSize) {
    const PixelFormat formats[] = {kFormat888, kFormat565, kFormat555, kFormat24, kFormat8};
    for (const PixelFormat& f : formats) {
        SCOPED_TRACE(f.bpp);
        HeadlessDisplay d;
        d.desktop = f;
        d.clientWidth = 320;
        d.clientHeight = 200;
        ASSERT_EQ(d.Create(), res::DD_OK);
        ASSERT_EQ(d.SetCooperativeLevel(7, false), res::DD_OK);
        std::shared_ptr<Surface> p, s;
        ASSERT_EQ(d.CreatePrimary(false, &p), res::DD_OK);
        EXPECT_EQ(p->Format(), f);
        EXPECT_EQ(p->Width(), 320);
        EXPECT_EQ(p->Height(), 200);
        SurfaceDesc desc;
        p->GetDesc(&desc);
        EXPECT_TRUE(desc.primary);
        ASSERT_EQ(d.CreateSurface(64, 64, MemoryKind::System, &s), res::DD_OK);
        EXPECT_EQ(s->Format(), f);
        EXPECT_EQ(d.GetBackBuffer(&s), res::DDERR_NOTFOUND);
    }
}

TEST(HeadlessDisplay, FullScreenFollowsTheModeDepth) {
    struct Case {
        int bpp;
        PixelFormat want;
    };
    for (const Case& c : {Case{16, kFormat565}, Case{32, kFormat888}}) {
        HeadlessDisplay d;
        d.Create();
        ASSERT_EQ(d.SetDisplayMode(800, 600, c.bpp), res::DDERR_NOEXCLUSIVEMODE);
        ASSERT_EQ(d.SetCooperativeLevel(3, true), res::DD_OK);
        ASSERT_EQ(d.SetDisplayMode(800, 600, c.bpp), res::DD_OK);
        std::shared_ptr<Surface> p, back, s;
        ASSERT_EQ(d.CreatePrimary(true, &p), res::DD_OK);
        ASSERT_EQ(d.GetBackBuffer(&back), res::DD_OK);
        ASSERT_EQ(d.CreateSurface(800, 600, MemoryKind::System, &s), res::DD_OK);
        EXPECT_EQ(p->Format(), c.want);
        EXPECT_EQ(back->Format(), c.want);
        EXPECT_EQ(s->Format(), c.want);
        EXPECT_EQ(p->Width(), 800);
        // A flip shows what the back buffer holds.
        back->Fill(nullptr, 0x1F);
        ASSERT_EQ(d.Flip(), res::DD_OK);
        EXPECT_EQ(p->PixelAt(799, 599), 0x1Fu);
        EXPECT_EQ(d.flips, 1);
    }
    HeadlessDisplay d;
    d.Create();
    d.SetCooperativeLevel(3, true);
    EXPECT_EQ(d.SetDisplayMode(800, 600, 24), res::DDERR_UNSUPPORTEDMODE);
}

TEST(HeadlessDisplay, ForcedDesktopDepthRefusesAFullScreenChain) {
    for (const PixelFormat& f : {kFormat24, kFormat8}) {
        HeadlessDisplay d;
        d.desktop = f;
        d.forceDesktopFormat = true;
        d.Create();
        d.SetCooperativeLevel(3, true);
        ASSERT_EQ(d.SetDisplayMode(640, 480, 16), res::DD_OK);
        std::shared_ptr<Surface> p;
        EXPECT_EQ(d.CreatePrimary(true, &p), res::DDERR_INVALIDPIXELFORMAT);
        EXPECT_EQ(p, nullptr);
    }
    // Forced 5-5-5 is honoured in full screen too.
    HeadlessDisplay d;
    d.desktop = kFormat555;
    d.forceDesktopFormat = true;
    d.Create();
    d.SetCooperativeLevel(3, true);
    d.SetDisplayMode(640, 480, 16);
    std::shared_ptr<Surface> p;
    ASSERT_EQ(d.CreatePrimary(true, &p), res::DD_OK);
    EXPECT_EQ(p->Format(), kFormat555);
}

// Runs every step once, as a full-screen start does, and returns the first failure.
HResult RunSteps(HeadlessDisplay& d) {
    std::shared_ptr<Surface> p, b, s1, s2;
    std::shared_ptr<Clipper> c;
    int hz = 0;
    for (HResult r : {d.Create(), d.QueryLegacyInterface(), d.SetCooperativeLevel(1, true),
                      d.SetDisplayMode(640, 480, 16), d.CreatePrimary(true, &p), d.GetBackBuffer(&b),
                      d.CreateSurface(640, 480, MemoryKind::System, &s1), d.CreateClipper(&c)})
        if (Failed(r)) return r;
    for (HResult r : {d.SetClipper(c), d.GetMonitorFrequency(&hz), d.CreateSurface(64, 64, MemoryKind::System, &s2),
                      d.Present(nullptr), d.Flip()})
        if (Failed(r)) return r;
    return res::DD_OK;
}

TEST(HeadlessDisplay, EveryStepCanFailOnceAtTheChosenCall) {
    const Step steps[] = {Step::Create,  Step::QueryLegacy, Step::CooperativeLevel, Step::DisplayMode,
                          Step::Primary, Step::BackBuffer,  Step::Surface,          Step::Clipper,
                          Step::SetClipper, Step::MonitorFrequency, Step::Present,  Step::Flip};
    for (Step step : steps) {
        SCOPED_TRACE(static_cast<int>(step));
        HeadlessDisplay d;
        d.FailStep(step, res::DSERR_GENERIC);
        EXPECT_EQ(RunSteps(d), res::DSERR_GENERIC);
        d.Release();
        EXPECT_EQ(RunSteps(d), res::DD_OK);  // once only
    }
    // The second surface (a cursor area after the draw surface) fails.
    HeadlessDisplay d;
    d.FailStep(Step::Surface, res::DDERR_OUTOFVIDEOMEMORY, 1);
    EXPECT_EQ(RunSteps(d), res::DDERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(d.surfacesCreated, 2);  // primary and draw surface
}

TEST(HeadlessDisplay, RefreshScanLineAndVSync) {
    HeadlessDisplay d;
    int hz = -1, line = 0;
    for (int rate : {0, 59, 144}) {
        d.refreshHz = rate;
        ASSERT_EQ(d.GetMonitorFrequency(&hz), res::DD_OK);
        EXPECT_EQ(hz, rate);
    }
    EXPECT_EQ(d.GetScanLine(&line), res::DDERR_UNSUPPORTED);
    d.SetVSync(true);
    EXPECT_TRUE(d.vsync);
}

TEST(HeadlessDisplay, PresentRecordsAndLostSurfacesFailIt) {
    HeadlessDisplay d;
    EXPECT_EQ(d.Present(nullptr), res::DDERR_NOTINITIALIZED);
    d.Create();
    d.SetCooperativeLevel(1, false);
    std::shared_ptr<Surface> p, s;
    d.CreatePrimary(false, &p);
    d.CreateSurface(8, 8, MemoryKind::System, &s);
    std::shared_ptr<Clipper> c;
    d.CreateClipper(&c);
    c->SetWindow(1);
    ASSERT_EQ(d.SetClipper(c), res::DD_OK);
    EXPECT_EQ(d.attachedClipper->Window(), 1u);
    p->MarkChanged({1, 2, 3, 4});
    const Rect r{1, 2, 3, 4};
    ASSERT_EQ(d.Present(&r), res::DD_OK);
    EXPECT_FALSE(p->TakeChanged(nullptr));  // presenting took the changed area
    ASSERT_EQ(d.Present(nullptr), res::DD_OK);
    ASSERT_EQ(d.presents.size(), 2u);
    EXPECT_EQ(d.presents[0], r);
    EXPECT_EQ(d.presents[1], (Rect{0, 0, 640, 480}));
    d.LoseSurfaces();
    EXPECT_EQ(d.Present(nullptr), res::DDERR_SURFACELOST);
    EXPECT_EQ(s->IsLost(), res::DDERR_SURFACELOST);
    p->Restore();
    EXPECT_EQ(d.Present(nullptr), res::DD_OK);
}

}  // namespace
