// Presenting frames on the headless display: nothing before Init, the
// windowed copy with its vertical-sync bookkeeping, the full-screen flip,
// drawing into the video-memory back buffer, a refused present, and images
// that outlive their display.
#include <gtest/gtest.h>

#include <vector>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/FakeGraphicsApp.h"

namespace {

using namespace Vant;
using plat::headless::HeadlessDisplay;

struct Rig {
    graphicstest::FakeGraphicsApp app;
    HeadlessDisplay device;
    DDInterface display{device, &app};
    Rig() {
        device.clientWidth = 32;
        device.clientHeight = 24;
        display.config.width = 32;
        display.config.height = 24;
    }
};

TEST(Present, NothingBeforeInit) {
    Rig rig;
    EXPECT_FALSE(rig.display.Redraw());
    EXPECT_TRUE(rig.device.presents.empty());
    EXPECT_EQ(rig.display.GetScreenImage(), nullptr);
}

TEST(Present, WindowedCopiesTheFrameAndCountsVSyncFailures) {
    Rig rig;
    rig.display.config.waitForVSync = true;
    ASSERT_EQ(rig.display.Init(1, true), 0);
    rig.display.GetScreenImage()->FillRect(Rect(0, 0, 32, 24), Color(0, 0, 255), 0);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(rig.display.Redraw());
    EXPECT_EQ(rig.device.presents.size(), 5u);
    EXPECT_TRUE(rig.device.vsync);
    // The beam position is never known: the split present gives up for good.
    EXPECT_EQ(rig.display.VSyncFailures(), 3);
    EXPECT_EQ(rig.display.Primary()->PixelAt(31, 23), 0x0000FFu);
    const Rect part(4, 4, 8, 8);
    EXPECT_TRUE(rig.display.Redraw(&part));
    EXPECT_EQ(rig.device.presents.back(), (plat::Rect{4, 4, 8, 8}));

    rig.device.FailStep(HeadlessDisplay::Step::Present, plat::res::DDERR_SURFACELOST);
    EXPECT_FALSE(rig.display.Redraw());
    EXPECT_EQ(rig.display.ErrorText(), "Redraw Windowed: DDERR_SURFACELOST");
}

TEST(Present, FullScreenFlipsTheBackBuffer) {
    Rig rig;
    ASSERT_EQ(rig.display.Init(1, false), 0);
    rig.display.GetScreenImage()->FillRect(Rect(0, 0, 32, 24), Color(255, 0, 0), 0);
    EXPECT_TRUE(rig.display.Redraw());
    EXPECT_EQ(rig.device.flips, 1);
    EXPECT_EQ(rig.display.Primary()->PixelAt(5, 5), 0xF800u);
    // While a message box shows the desktop's surface, frames are copied.
    rig.display.config.showingDesktopSurface = true;
    EXPECT_TRUE(rig.display.Redraw());
    EXPECT_EQ(rig.device.flips, 1);
    EXPECT_EQ(rig.device.presents.size(), 1u);
}

TEST(Present, VideoMemoryDrawGoesThroughTheBackBuffer) {
    Rig rig;
    ASSERT_EQ(rig.display.Init(1, true), 0);
    rig.display.SetVideoMemoryDraw(true);
    ASSERT_TRUE(rig.display.VideoMemoryDraw());
    DDImage* screen = rig.display.GetScreenImage();
    EXPECT_EQ(screen->surface, rig.display.BackBuffer());
    EXPECT_TRUE(screen->surfaceInVideoMemory);
    EXPECT_EQ(screen->GetBits(), nullptr);  // never read back pixel by pixel
    rig.display.BackBuffer()->Fill(nullptr, 0x123456);
    EXPECT_TRUE(rig.display.Redraw());
    EXPECT_EQ(rig.display.Primary()->PixelAt(0, 0), 0x123456u);
    rig.display.SetVideoMemoryDraw(false);
    EXPECT_EQ(rig.display.GetScreenImage()->surface, rig.display.DrawSurface());
}

TEST(Present, ImagesOutlivingTheDisplayKeepTheirPixels) {
    graphicstest::FakeGraphicsApp app;
    std::unique_ptr<DDImage> image;
    {
        HeadlessDisplay device;
        DDInterface display(device, &app);
        ASSERT_EQ(display.Init(1, true), 0);
        image = std::make_unique<DDImage>(&display);
        image->SetBits(std::vector<std::uint32_t>(4, 0xFF804020).data(), 2, 2);
        ASSERT_TRUE(image->GenerateDDSurface());
        image->DropMemoryForms();
    }
    EXPECT_EQ(image->ddInterface, nullptr);
    EXPECT_FALSE(image->HasSurface());
    EXPECT_EQ(image->GetBits()[3], 0xFF804020u);
    image->FillRect(Rect(0, 0, 1, 1), Color(255, 255, 255), 0);  // memory from now on
    EXPECT_EQ(image->lastPath, DDImage::Path::Memory);
}

}  // namespace
