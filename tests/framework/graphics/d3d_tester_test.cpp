// The 3D capability test against the software device: the render tests in
// each display depth, the failure texts of a broken device, the card-list
// rule, the memory count and the cached verdict; and the display's use of
// it, its 3D start, the frame end and a runtime error turning 3D off.
#include <gtest/gtest.h>

#include "framework/graphics/D3DTester.h"
#include "framework/graphics/DDInterface.h"
#include "platform/SoftwareDevice3D.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/TestSupport.h"

namespace {

using namespace Vant;
using testsupport::TempDir;

struct Rig {
    TempDir dir;
    plat::SoftwareDevice3D dev;
    plat::SettingsStore settings{dir.file("registry.txt")};
    D3DTester tester;
    Rig() {
        tester.device = &dev;
        tester.settings = &settings;
        tester.keyPath = "SOFTWARE\\Zelkor\\Test3D";
        tester.cardListDir = dir.str();
        tester.desktopWidth = 1024;
        tester.desktopHeight = 768;
    }
};

TEST(D3DTester, RenderTestsPassInEveryDisplayDepth) {
    for (const plat::PixelFormat& f : {plat::kFormat565, plat::kFormat555, plat::kFormat888}) {
        SCOPED_TRACE(f.rMask);
        Rig rig;
        rig.tester.desktopFormat = f;
        rig.tester.Run(0);
        EXPECT_EQ(rig.tester.failureReason, "");
        EXPECT_EQ(rig.tester.warning, "");
        EXPECT_EQ(rig.tester.renderTestsRun, 5);
        EXPECT_TRUE(rig.tester.resultIsNew);
        EXPECT_EQ(rig.tester.description, "Software 3D device");
    }
}

TEST(D3DTester, BrokenDeviceGivesTheExactTexts) {
    struct Case {
        std::uint32_t src, dest;
        const char* failure;
    };
    const Case cases[] = {
        {plat::kBlendOne, plat::kBlendInvSrcAlpha, "Alpha blend Not Supported"},
        {plat::kBlendSrcAlpha, plat::kBlendInvSrcAlpha, "Additive blend not supported."},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.dev.forceSrcBlend = c.src;
        rig.dev.forceDestBlend = c.dest;
        rig.tester.Run(0);
        EXPECT_EQ(rig.tester.failureReason, c.failure);
    }
    Rig rig;
    rig.dev.FailStep(plat::SoftwareDevice3D::Step::DrawPrimitive, plat::res::DDERR_SURFACELOST, 3);
    rig.tester.Run(0);
    EXPECT_EQ(rig.tester.failureReason, "DXError - DrawPrimitive: DDERR_SURFACELOST");
    EXPECT_EQ(rig.tester.renderTestsRun, 2);
    EXPECT_FALSE(rig.dev.InScene()) << "the failed test's scene is ended";

    Rig deep;
    deep.tester.desktopFormat = plat::kFormat24;
    deep.tester.Run(0);
    EXPECT_EQ(deep.tester.failureReason, "Can't test 24-bit mode.");

    Rig none;
    none.tester.device = nullptr;
    none.tester.Run(0);
    EXPECT_EQ(none.tester.failureReason, "No DirectDrawCreateEx");
}

TEST(D3DTester, CardListsAndDriverYear) {
    struct Case {
        const char* name;
        const char* vhwb;  // null: no file
        const char* vhw;
        int year;
        const char* description;
        bool supported;
    };
    const Case cases[] = {
        {"nvidia in capitals", nullptr, nullptr, 2001, "NVIDIA GeForce2 MX", true},
        {"unknown, old driver", nullptr, nullptr, 2001, "Acme Blitter 3", false},
        {"unknown, new driver", nullptr, nullptr, 2002, "Acme Blitter 3", true},
        {"ati with a blank", nullptr, nullptr, 2001, "ATI Rage", true},
        {"supported list without it", nullptr, "Voodoo\n", 2005, "Acme Blitter 3", false},
        {"supported list with it", nullptr, "acme blit\n", 2001, "Acme Blitter 3", true},
        {"padded unsupported entry", " radeon 7000 \n", nullptr, 2005, "ATI Radeon 7000 DDR", false},
        {"empty line matches nothing", "\n\n   \n", "\nacme\n", 2001, "Acme Blitter 3", true},
        {"empty line in supported list", nullptr, "\n\n", 2005, "Acme Blitter 3", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        if (c.vhwb) testsupport::write_file(rig.dir.file("vhwb.dat"), c.vhwb);
        if (c.vhw) testsupport::write_file(rig.dir.file("vhw.dat"), c.vhw);
        rig.tester.driverYear = c.year;
        EXPECT_EQ(rig.tester.IsSupportedCard(c.description), c.supported);
    }
    // Through a run: the warning names the card; the device's driver is
    // this program, dated this year or close.
    Rig rig;
    testsupport::write_file(rig.dir.file("vhw.dat"), "Voodoo\n");
    rig.tester.Run(0);
    EXPECT_EQ(rig.tester.warning, "Unsupported video card: Software 3D device");
    EXPECT_EQ(rig.tester.failureReason, "");
    EXPECT_GE(rig.tester.driverYear, 2020);
}

TEST(D3DTester, MemoryCountsTheDesktopFrameBuffer) {
    struct Case {
        std::uint32_t min, rec;
        const char* failure;
        const char* warning;
    };
    // 64 MB and a 1024 x 768 x 32 desktop: 67 MB.
    const Case cases[] = {{67, 67, "", ""}, {68, 0, "Not enough video memory.", ""}, {0, 68, "", "Low video memory."}};
    for (const Case& c : cases) {
        Rig rig;
        rig.dev.videoMemory = 64u << 20;
        rig.tester.minVidMemory = c.min;
        rig.tester.recVidMemory = c.rec;
        rig.tester.Run(0);
        EXPECT_EQ(rig.tester.failureReason, c.failure);
        EXPECT_EQ(rig.tester.warning, c.warning);
    }
}

TEST(D3DTester, SecondStartReadsTheCachedVerdict) {
    Rig rig;
    testsupport::write_file(rig.dir.file("vhw.dat"), "Voodoo\n");
    rig.tester.minVidMemory = 8;
    rig.tester.Run(0);
    ASSERT_EQ(rig.tester.renderTestsRun, 5);
    ASSERT_TRUE(rig.tester.resultIsNew);
    const std::string warning = rig.tester.warning;

    plat::SettingsStore reread(rig.settings.path());
    ASSERT_TRUE(reread.Load());
    D3DTester second;
    second.device = &rig.dev;
    second.settings = &reread;
    second.keyPath = rig.tester.keyPath;
    second.minVidMemory = 8;
    second.Run(0);
    EXPECT_EQ(second.renderTestsRun, 0);
    EXPECT_FALSE(second.resultIsNew);
    EXPECT_EQ(second.warning, warning);

    // Other thresholds: the whole test again.
    D3DTester third;
    third.device = &rig.dev;
    third.settings = &reread;
    third.keyPath = rig.tester.keyPath;
    third.minVidMemory = 9;
    third.Run(0);
    EXPECT_EQ(third.renderTestsRun, 5);
    EXPECT_TRUE(third.resultIsNew);

    // A damaged value counts as no cache.
    const std::uint32_t shortGuid = 7;
    reread.Write(rig.tester.keyPath, "DisplayGUID", plat::kSettingsDword, &shortGuid, 4);
    D3DTester fourth;
    fourth.device = &rig.dev;
    fourth.settings = &reread;
    fourth.keyPath = rig.tester.keyPath;
    fourth.minVidMemory = 9;
    fourth.Run(0);
    EXPECT_EQ(fourth.renderTestsRun, 5);
}

// --- The display's 3D parts.

struct DisplayRig {
    TempDir dir;
    plat::headless::HeadlessDisplay device;
    plat::SoftwareDevice3D dev;
    plat::SettingsStore settings{dir.file("registry.txt")};
    DDInterface display{device};
    int newResults = 0;
    DisplayRig() {
        display.config.width = 64;
        display.config.height = 48;
        display.device3D = &dev;
        display.test3D.settings = &settings;
        display.test3D.keyPath = "SOFTWARE\\Zelkor\\Test3D";
        display.test3D.cardListDir = dir.str();
        display.test3D.onNewResult = [this] { ++newResults; };
    }
};

TEST(Display3D, AutomaticTestSwitches3DOnAndFramesEndAtRedraw) {
    DisplayRig rig;
    rig.display.test3D.auto3D = true;
    ASSERT_EQ(rig.display.Init(1, true), DDInterface::RESULT_OK);
    EXPECT_TRUE(rig.display.Is3D());
    EXPECT_EQ(rig.newResults, 1);
    ASSERT_NE(rig.display.tester, nullptr);
    rig.display.d3d.FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), false);
    EXPECT_TRUE(rig.display.d3d.SceneOpen());
    EXPECT_EQ(rig.display.DrawSurface()->PixelAt(1, 1) & 0xFFFFFF, 0xFF0000u);
    rig.display.Redraw();
    EXPECT_FALSE(rig.display.d3d.SceneOpen());
    EXPECT_TRUE(rig.display.Is3D());
    // The test runs once per display.
    ASSERT_EQ(rig.display.Init(1, true), DDInterface::RESULT_OK);
    EXPECT_EQ(rig.newResults, 1);
}

TEST(Display3D, RuntimeErrorTurns3DOffAtTheNextRedraw) {
    DisplayRig rig;
    rig.display.Set3D(true);
    ASSERT_EQ(rig.display.Init(1, true), DDInterface::RESULT_OK);
    std::vector<std::string> written;
    rig.display.d3d.writeRegistryString = [&](const std::string& n, const std::string&) { written.push_back(n); };
    rig.dev.FailStep(plat::SoftwareDevice3D::Step::DrawPrimitive, plat::res::DDERR_SURFACELOST);
    rig.display.d3d.FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), false);
    EXPECT_TRUE(rig.display.Is3D());
    rig.display.Redraw();
    EXPECT_FALSE(rig.display.Is3D());
    EXPECT_EQ(written, std::vector<std::string>{"Test3D\\RuntimeError"});
}

TEST(Display3D, FailingTestOrMissingDeviceKeeps3DOff) {
    DisplayRig broken;
    broken.dev.forceSrcBlend = plat::kBlendOne;
    broken.dev.forceDestBlend = plat::kBlendInvSrcAlpha;
    broken.display.test3D.auto3D = true;
    broken.display.Set3D(true);
    ASSERT_EQ(broken.display.Init(1, true), DDInterface::RESULT_OK);
    EXPECT_FALSE(broken.display.Is3D());
    EXPECT_EQ(broken.display.tester->failureReason, "Alpha blend Not Supported");

    DisplayRig none;
    none.display.device3D = nullptr;
    none.display.Set3D(true);
    EXPECT_EQ(none.display.Init(1, true), DDInterface::RESULT_3D_FAIL);
    EXPECT_EQ(none.display.ErrorText().rfind("3D init error: ", 0), 0u);
}

}  // namespace
