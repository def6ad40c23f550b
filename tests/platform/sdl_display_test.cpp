// The SDL display service on SDL's dummy driver: nothing before the video
// system is up, windowed surfaces in 32 bits, full screen in the mode's
// depth with a flip, and the cursor's changes shown by the pump; the
// framework's display comes up on it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlWindow.h"

namespace {

namespace res = plat::res;

TEST(SdlDisplay, NeedsTheVideoSystem) {
    plat::sdl::SdlWindowService win;  // not started
    plat::sdl::SdlDisplay display(win);
    EXPECT_EQ(display.Create(), res::DDERR_NODIRECTDRAWHW);
}

TEST(SdlDisplay, WindowedAndFullScreenSurfacesPresent) {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    plat::sdl::SdlWindowService win;
    std::string error;
    ASSERT_TRUE(win.Start(&error)) << error;
    plat::sdl::SdlDisplay display(win);

    const auto id = win.CreateMainWindow("Zelkor", 0, 0, 64, 48, false);
    ASSERT_NE(id, 0u);
    ASSERT_EQ(display.Create(), res::DD_OK);
    ASSERT_EQ(display.SetCooperativeLevel(id, false), res::DD_OK);
    EXPECT_EQ(display.SetDisplayMode(64, 48, 16), res::DDERR_NOEXCLUSIVEMODE);
    std::shared_ptr<plat::Surface> primary, surface;
    ASSERT_EQ(display.CreatePrimary(false, &primary), res::DD_OK);
    EXPECT_EQ(primary->Format(), plat::kFormat888);
    EXPECT_EQ(primary->Width(), 64);
    ASSERT_EQ(display.CreateSurface(8, 8, plat::MemoryKind::System, &surface), res::DD_OK);
    EXPECT_EQ(surface->Format(), plat::kFormat888);
    int hz = -1;
    EXPECT_EQ(display.GetMonitorFrequency(&hz), res::DD_OK);
    EXPECT_GE(hz, 0);
    int line = 0;
    EXPECT_EQ(display.GetScanLine(&line), res::DDERR_UNSUPPORTED);
    display.SetVSync(true);
    primary->Fill(nullptr, 0x00FF00);
    EXPECT_EQ(display.Present(nullptr), res::DD_OK);
    // A change marked from elsewhere goes up at the next pump.
    primary->MarkChanged({1, 1, 4, 4});
    win.PumpEvents([](const plat::MsgRecord&) {});
    plat::Rect left;
    EXPECT_FALSE(primary->TakeChanged(&left));
    primary->MarkLost();
    EXPECT_EQ(display.Present(nullptr), res::DDERR_SURFACELOST);
    display.Release();
    win.DestroyWindow(id);

    const auto full = win.CreateMainWindow("Zelkor", 0, 0, 64, 48, true);
    ASSERT_NE(full, 0u);
    ASSERT_EQ(display.Create(), res::DD_OK);
    ASSERT_EQ(display.SetCooperativeLevel(full, true), res::DD_OK);
    ASSERT_EQ(display.SetDisplayMode(64, 48, 16), res::DD_OK);
    ASSERT_EQ(display.CreatePrimary(true, &primary), res::DD_OK);
    EXPECT_EQ(primary->Format(), plat::kFormat565);
    EXPECT_EQ(primary->Width(), 64);  // the picture, whatever the screen's size
    std::shared_ptr<plat::Surface> back;
    ASSERT_EQ(display.GetBackBuffer(&back), res::DD_OK);
    back->Fill(nullptr, 0xF800);
    EXPECT_EQ(display.Flip(), res::DD_OK);
    EXPECT_EQ(primary->PixelAt(63, 47), 0xF800u);
    display.Release();
    win.DestroyWindow(full);
}

}  // namespace
