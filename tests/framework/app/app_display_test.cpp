// The application's display services on the headless display service: what
// each result code of the display's start does to the screen mode, the
// recovery after a failed present, copying and loading surface images, the
// screenshot, the image passes and the software cursor's selection.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/app/AppDisplay.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/ImageLib.h"
#include "platform/SoftwareDevice3D.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/FakeHost.h"
#include "support/TestSupport.h"

namespace {

using apptest::ExitCalled;
using apptest::FakeHost;
using apptest::TestApp;
using plat::headless::HeadlessDisplay;
using Step = HeadlessDisplay::Step;
using namespace Vant;

using apptest::DisplayHost;

struct Rig {
    DisplayHost host;
    TestApp app{&host};
    Rig() {
        app.mWidth = 64;
        app.mHeight = 48;
    }
    DDInterface& dd() { return *app.GetDDInterface(); }
};

TEST(AppDisplay, ResultCodesSteerTheScreenMode) {
    {
        SCOPED_TRACE("full screen mode refused: windowed instead");
        Rig rig;
        rig.app.mIsWindowed = false;
        rig.host.device.FailStep(Step::DisplayMode, plat::res::DDERR_UNSUPPORTEDMODE);
        rig.app.CreateMainWindow();
        EXPECT_TRUE(rig.app.mForceWindowed);
        EXPECT_TRUE(rig.app.mIsWindowed);
        EXPECT_TRUE(rig.dd().IsInitialised());
        EXPECT_TRUE(rig.dd().Windowed());
    }
    {
        SCOPED_TRACE("24-bit desktop: full screen at 16 bits instead");
        Rig rig;
        rig.host.device.desktop = plat::kFormat24;
        rig.app.CreateMainWindow();
        EXPECT_TRUE(rig.app.mForceFullscreen);
        EXPECT_FALSE(rig.app.mIsWindowed);
        EXPECT_TRUE(rig.dd().IsInitialised());
        EXPECT_EQ(rig.dd().bpp, 16);
        EXPECT_NE(rig.dd().GetScreenImage(), nullptr);
    }
    {
        SCOPED_TRACE("24-bit desktop after full screen failed: fatal");
        Rig rig;
        rig.host.device.desktop = plat::kFormat24;
        rig.app.mForceWindowed = true;
        EXPECT_THROW(rig.app.CreateMainWindow(), ExitCalled);
        ASSERT_EQ(rig.host.boxes.size(), 1u);
        EXPECT_EQ(rig.host.boxes[0], "FATAL ERROR: Please set your desktop color depth to 16 bit.");
    }
    {
        SCOPED_TRACE("3D asked for: the 3D layer cannot start, 3D goes off");
        Rig rig;
        auto device = std::make_unique<plat::SoftwareDevice3D>();
        device->FailStep(plat::SoftwareDevice3D::Step::SetRenderTarget, plat::res::DDERR_SURFACELOST);
        rig.app.mDevice3D = std::move(device);
        rig.app.RegistryWriteDword("Is3D", 1);
        rig.app.CreateMainWindow();
        EXPECT_FALSE(rig.app.mDisplay->Is3D());
        EXPECT_TRUE(rig.dd().IsInitialised());
        EXPECT_TRUE(rig.host.boxes.empty());
    }
    {
        SCOPED_TRACE("any other failure: fatal with the result's name");
        Rig rig;
        rig.host.device.FailStep(Step::Create, plat::res::DSERR_GENERIC);
        EXPECT_THROW(rig.app.CreateMainWindow(), ExitCalled);
        ASSERT_EQ(rig.host.boxes.size(), 1u);
        EXPECT_EQ(rig.host.boxes[0], "FATAL ERROR: Failed to initialize DirectDraw: RESULT_DD_CREATE_FAIL "
                                     "DirectDrawCreateEx: DSERR_GENERIC");
    }
}

TEST(AppDisplay, FailedPresentLeadsThroughRecovery) {
    {
        SCOPED_TRACE("code 0: rebuilt and drawing again");
        Rig rig;
        rig.app.CreateMainWindow();
        auto keep = std::make_unique<DDImage>(&rig.dd());
        keep->SetBits(std::vector<std::uint32_t>(4, 0xFF112233).data(), 2, 2);
        ASSERT_TRUE(keep->GenerateDDSurface());
        const std::uint32_t inits = rig.dd().InitCount();
        rig.host.device.FailStep(Step::Present, plat::res::DDERR_SURFACELOST);
        rig.app.Redraw();
        EXPECT_EQ(rig.dd().InitCount(), inits + 1);
        // The picture came back to memory before the old display went, and
        // got its surface again on the new one.
        EXPECT_TRUE(keep->HasSurface());
        EXPECT_EQ(keep->GetBits()[3], 0xFF112233u);
        const std::size_t presents = rig.host.device.presents.size();
        rig.app.Redraw();
        EXPECT_EQ(rig.host.device.presents.size(), presents + 1);
    }
    {
        SCOPED_TRACE("code 6: the desktop changed depth, full screen instead");
        Rig rig;
        rig.app.CreateMainWindow();
        rig.host.device.desktop = plat::kFormat8;
        rig.host.device.FailStep(Step::Present, plat::res::DDERR_SURFACELOST);
        rig.app.Redraw();
        EXPECT_TRUE(rig.app.mForceFullscreen);
        EXPECT_FALSE(rig.app.mIsWindowed);
        EXPECT_TRUE(rig.dd().IsInitialised());
    }
    {
        SCOPED_TRACE("code 7: 3D goes off and the display comes back without it");
        Rig rig;
        auto device = std::make_unique<plat::SoftwareDevice3D>();
        device->FailStep(plat::SoftwareDevice3D::Step::SetRenderTarget, plat::res::DDERR_SURFACELOST);
        rig.app.mDevice3D = std::move(device);
        rig.app.CreateMainWindow();
        rig.app.mDisplay->Set3D(true);
        rig.host.device.FailStep(Step::Present, plat::res::DDERR_SURFACELOST);
        rig.app.Redraw();
        EXPECT_FALSE(rig.app.mDisplay->Is3D());
        EXPECT_TRUE(rig.dd().IsInitialised());
    }
}

TEST(AppDisplay, CopiesKeepPixelsCelsAndAnimation) {
    Rig rig;
    rig.app.CreateMainWindow();
    DDImage source(&rig.dd());
    std::vector<std::uint32_t> words(16);
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x010203);
    words[5] = 0x80FFFFFF;  // translucent pixels survive the copy
    source.SetBits(words.data(), 4, 4);
    source.numRows = 2;
    source.numCols = 2;
    source.animation = std::make_unique<ImageAnimation>();
    source.animation->type = ImageAnimation::Loop;
    source.animation->frameMap = {0, 1, 3};

    std::unique_ptr<DDImage> part(rig.app.CopyImageRect(&source, Rect(1, 1, 2, 2)));
    ASSERT_EQ(part->width, 2);
    const std::uint32_t* p = part->GetBits();
    EXPECT_EQ(p[0], words[5]);
    EXPECT_EQ(p[1], words[6]);
    EXPECT_EQ(p[3], words[10]);
    EXPECT_EQ(part->numRows, 2);
    ASSERT_NE(part->animation, nullptr);
    EXPECT_EQ(part->animation->frameMap, (std::vector<int>{0, 1, 3}));

    std::unique_ptr<DDImage> whole(rig.app.DuplicateImage(&source));
    EXPECT_EQ(std::vector<std::uint32_t>(whole->GetBits(), whole->GetBits() + 16), words);
}

TEST(AppDisplay, ScreenshotsCountUpAndHoldTheFrame) {
    testsupport::TempDir dir;
    const auto was = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    {
        Rig rig;
        rig.app.CreateMainWindow();
        DDImage* screen = rig.dd().GetScreenImage();
        screen->FillRect(Rect(0, 0, 64, 48), Color(0, 0, 255), 0);
        screen->FillRect(Rect(10, 5, 3, 2), Color(255, 0, 0), 0);
        rig.app.TakeScreenshot();
        rig.app.TakeScreenshot();
        ImageLib::ImagePtr shot = ImageLib::GetPNGImage("_screenshots/image2.png");
        ASSERT_NE(shot, nullptr);
        EXPECT_TRUE(std::filesystem::exists("_screenshots/image1.png"));
        EXPECT_EQ(shot->width, 64);
        EXPECT_EQ(shot->bits[0], 0xFF0000FFu);
        EXPECT_EQ(shot->bits[5 * 64 + 12], 0xFFFF0000u);
        EXPECT_FALSE(screen->HasBits());  // the screen still draws on its surface
    }
    std::filesystem::current_path(was);
}

TEST(AppDisplay, SoftwareCursorOnlyWhenAskedFor) {
    Rig rig;
    rig.app.CreateMainWindow();
    rig.app.mMouseIn = true;
    DDImage arrow(&rig.dd());
    arrow.SetBits(std::vector<std::uint32_t>(4, 0xFFFFFFFF).data(), 2, 2);
    rig.app.SetCursorImage(0, &arrow);
    EXPECT_EQ(rig.dd().CursorImage(), nullptr);  // custom cursors are off
    EXPECT_EQ(rig.host.cursor, 0);
    rig.app.SetCustomCursorsFlag(true);
    EXPECT_EQ(rig.dd().CursorImage(), &arrow);
    EXPECT_EQ(rig.host.cursor, 11);  // the system pointer hides over the window
    EXPECT_TRUE(rig.app.mSoftwareCursorInUse);
    rig.app.SetCursor(3);  // no picture for this one: the system's
    EXPECT_EQ(rig.dd().CursorImage(), nullptr);
    EXPECT_EQ(rig.host.cursor, 3);
    rig.app.SetCursorImage(13, &arrow);  // ignored
}

}  // namespace
