// The application's 3D side on the headless display and the software
// device: the capability test at start, switching 3D on while running, the
// questions at the end, and texture data following the images.
#include <gtest/gtest.h>

#include "framework/app/AppDisplay.h"
#include "framework/graphics/DDImage.h"
#include "platform/SoftwareDevice3D.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/FakeHost.h"

namespace {

using apptest::FakeHost;
using apptest::TestApp;
using namespace Vant;

using apptest::DisplayHost;

struct Rig {
    DisplayHost host;
    std::unique_ptr<TestApp> app = std::make_unique<TestApp>(&host);
    Rig() {
        app->mWidth = 64;
        app->mHeight = 48;
        D3DInterface::renderTargetLost = false;
    }
    DDInterface& dd() { return *app->GetDDInterface(); }
    std::vector<std::string> Questions() const {
        std::vector<std::string> q;
        for (const auto& b : host.boxes)
            if (b.find("Hardware Acceleration Confirmation") != std::string::npos) q.push_back(b);
        return q;
    }
};

TEST(App3D, TestAtStartSwitches3DOnAndCachesTheVerdict) {
    Rig rig;
    rig.app->mTest3D = true;
    rig.app->mAutoEnable3D = true;
    rig.app->CreateMainWindow();
    EXPECT_TRUE(rig.app->Is3DAccelerated());
    EXPECT_TRUE(rig.app->Is3DSupported());
    EXPECT_TRUE(rig.app->Is3DRecommended());
    EXPECT_EQ(rig.dd().tester->renderTestsRun, 5);
    EXPECT_TRUE(rig.host.store.count("SOFTWARE\\Test\\Test3D|Version"));
    EXPECT_TRUE(rig.host.store.count("SOFTWARE\\Test\\Test3D|DisplayGUID"));

    // The screen draws through the device now.
    rig.dd().GetScreenImage()->FillRect(Rect(0, 0, 4, 4), Color(0, 255, 0), 0);
    EXPECT_TRUE(rig.dd().d3d.SceneOpen());
    EXPECT_EQ(rig.dd().DrawSurface()->PixelAt(2, 2) & 0xFFFFFF, 0x00FF00u);

    // A second start on the same settings reads the verdict.
    Rig again;
    again.host.store = rig.host.store;
    again.app->mTest3D = true;
    again.app->mAutoEnable3D = true;
    again.app->CreateMainWindow();
    EXPECT_EQ(again.dd().tester->renderTestsRun, 0);
    EXPECT_FALSE(again.dd().tester->resultIsNew);
    EXPECT_TRUE(again.app->Is3DAccelerated());
}

TEST(App3D, SwitchingOnWhileRunningAsksAtTheEnd) {
    struct Case {
        int answer;
        bool written;
    };
    for (const Case c : {Case{mb::kIdYes, true}, Case{mb::kIdNo, false}}) {
        Rig rig;
        rig.app->CreateMainWindow();
        ASSERT_FALSE(rig.app->Is3DAccelerated());
        rig.app->Set3DMode(true, true);
        ASSERT_TRUE(rig.app->Is3DAccelerated());
        rig.host.boxAnswer = c.answer;
        rig.app.reset();
        const auto q = rig.Questions();
        ASSERT_EQ(q.size(), 1u);
        EXPECT_NE(q[0].find("Hardware Acceleration was switched on during this session."), std::string::npos);
        EXPECT_EQ(rig.host.store.count("SOFTWARE\\Test|Is3D") == 1, c.written);
        if (c.written) {
            EXPECT_EQ(rig.host.Dword("Is3D"), 1u);
        }
    }
    // With "Is3D" already stored the mode is written without a question.
    Rig rig;
    rig.app->RegistryWriteDword("Is3D", 0);
    rig.app->CreateMainWindow();
    rig.app->Set3DMode(true, true);
    rig.app.reset();
    EXPECT_TRUE(rig.Questions().empty());
    EXPECT_EQ(rig.host.Dword("Is3D"), 1u);
}

TEST(App3D, TroubleDuringTheRunAsksWhetherToKeep3D) {
    Rig rig;
    rig.app->CreateMainWindow();
    D3DInterface::renderTargetLost = true;
    rig.host.boxAnswer = mb::kIdNo;
    rig.app.reset();
    const auto q = rig.Questions();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_NE(q[0].find("may not have been working correctly"), std::string::npos);
    EXPECT_EQ(rig.host.Dword("Is3D"), 0u);
    D3DInterface::renderTargetLost = false;
}

TEST(App3D, TextureDataFollowsTheImages) {
    Rig rig;
    rig.app->CreateMainWindow();
    rig.app->Set3DMode(true, true);
    DDInterface& dd = rig.dd();
    {
        MemoryImage img;
        img.Create(8, 8);
        std::fill(img.GetBits(), img.GetBits() + 64, 0xFFFF0000u);
        img.BitsChanged();
        dd.GetScreenImage()->Blit(&img, 1, 1, Rect(0, 0, 8, 8), Color::White, 0);
        EXPECT_EQ(dd.d3d.Images().count(&img), 1u);
        EXPECT_EQ(dd.DrawSurface()->PixelAt(4, 4) & 0xFFFFFF, 0xFF0000u);
        rig.app->Remove3DData(&img);
        EXPECT_EQ(dd.d3d.Images().count(&img), 0u);
        dd.GetScreenImage()->Blit(&img, 1, 1, Rect(0, 0, 8, 8), Color::White, 0);
        EXPECT_EQ(dd.d3d.Images().count(&img), 1u);
    }
    EXPECT_TRUE(dd.d3d.Images().empty()) << "a deleted image leaves no texture data behind";
}

}  // namespace
