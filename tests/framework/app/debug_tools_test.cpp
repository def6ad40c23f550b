// The debug keys, the image dump's accounting and the frame-rate overlay.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "framework/app/DebugTools.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "support/FakeHost.h"

namespace {

using namespace Vant;
namespace vk = plat::vk;

struct Keys : ::testing::Test {
    Keys() {
        app.mWidth = 64;
        app.mHeight = 48;
        app.mCmdLineParsed = true;
        app.Init();
        SetDebugClock(&host.clock);
    }
    ~Keys() override { SetDebugClock(nullptr); }
    bool Press(int key, int modifier = 0) {
        auto& down = app.mWidgetManager->keyDown;
        down.fill(false);
        if (modifier) down[modifier] = true;
        return app.DebugKeyDown(key);
    }
    apptest::DisplayHost host;
    apptest::TestApp app{&host};
};

TEST_F(Keys, F2TwiceShowsTheTimeBetweenThePresses) {
    EXPECT_FALSE(Press(vk::kF1 + 1));
    EXPECT_TRUE(IsProfiling());
    host.clock.Advance(1234);
    EXPECT_FALSE(Press(vk::kF1 + 1));
    EXPECT_FALSE(IsProfiling());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0], "Perf Results: Total Time: 1234.00\n");

    PerfTimer t;
    t.Start();
    host.clock.Advance(7);
    EXPECT_DOUBLE_EQ(t.GetDuration(), 7.0);
    t.Stop();
    host.clock.Advance(5);
    EXPECT_DOUBLE_EQ(t.GetDuration(), 7.0);
}

TEST_F(Keys, F10StepsOneUpdateAtATimeAndCtrlF10SlowsDown) {
    EXPECT_TRUE(Press(vk::kF1 + 9));
    EXPECT_EQ(app.mStepMode, 1);
    app.mUpdateAppState = 1;
    const int before = app.mUpdateCount;
    bool updated = false;
    app.UpdateAppStep(&updated);  // one update and one draw, then hold
    EXPECT_EQ(app.mUpdateCount, before + 1);
    EXPECT_EQ(app.mStepMode, 2);
    host.clock.sleeps.clear();
    app.UpdateAppStep(&updated);
    EXPECT_EQ(app.mUpdateCount, before + 1);
    EXPECT_EQ(host.clock.sleeps, std::vector<std::uint32_t>{10});
    EXPECT_TRUE(Press(vk::kF1 + 9));  // the next single step
    EXPECT_EQ(app.mStepMode, 1);
    EXPECT_TRUE(Press(vk::kF1 + 9, vk::kShift));
    EXPECT_EQ(app.mStepMode, 0);

    EXPECT_TRUE(Press(vk::kF1 + 9, vk::kControl));
    EXPECT_EQ(app.mUpdateMultiplier, 0.25);
    EXPECT_TRUE(Press(vk::kF1 + 9, vk::kControl));
    EXPECT_EQ(app.mUpdateMultiplier, 1.0);
}

TEST_F(Keys, OtherKeysAndTheirBoxes) {
    EXPECT_FALSE(Press('R', vk::kMenu));
    EXPECT_EQ(host.boxes.back(), "MODVAL WARNING!: WARNING: No file changes detected.  Files parsed: \r\n  none");
    EXPECT_FALSE(app.mWidgetManager->keyDown[vk::kMenu]);  // the key table was cleared
    EXPECT_TRUE(Press(vk::kF1 + 7));
    EXPECT_EQ(host.boxes.back().rfind("Video Stats: 3D-Mode is Off (3D is Unsupported on this system)\r\n\r\n", 0), 0u)
        << host.boxes.back();
    EXPECT_NE(host.boxes.back().find("Texture Memory: 0 KB\r\nA8R8G8B8: 0 - 0 KB\r\nA4R4G4B4: 0 - 0 KB\r\n"
                                     "R5G6B5: 0 - 0 KB\r\nPalette8: 0 - 0 KB\r\n"),
              std::string::npos);
    EXPECT_FALSE(Press('Q'));

    std::filesystem::remove_all("_screenshots");
    EXPECT_TRUE(Press(vk::kF1 + 10));
    EXPECT_TRUE(std::filesystem::exists("_screenshots/image1.png"));
}

TEST_F(Keys, TheFrameRateAppearsTenPixelsFromTheRightAndBottom) {
    EXPECT_FALSE(Press(vk::kF1 + 2));
    ASSERT_TRUE(app.mShowFPS);
    DDImage* screen = app.GetDDInterface()->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    {
        Graphics g(screen);
        g.SetColor(Color(0, 0, 255));
        g.FillRect(0, 0, screen->width, screen->height);
    }
    app.mForceDraw = true;
    ASSERT_TRUE(app.DrawDirtyStuff());
    EXPECT_EQ(app.mFPSText, "FPS: 0");
    ASSERT_NE(app.mFPSImage, nullptr);
    const int w = app.mFPSImage->width, h = app.mFPSImage->height;
    const std::uint32_t* px = screen->GetBits();
    auto at = [&](int x, int y) { return px[y * screen->width + x] & 0xFFFFFF; };
    const int right = screen->width - 10, bottom = screen->height - 10;
    EXPECT_EQ(at(right - 1, bottom - 1), 0u);          // the text's black ground
    EXPECT_EQ(at(right, bottom), 0x0000FFu);           // the screen beyond it
    EXPECT_EQ(at(right - w - 1, bottom - 1), 0x0000FFu);
    EXPECT_EQ(at(right - 1, bottom - h - 1), 0x0000FFu);
    int white = 0;
    for (int y = bottom - h; y < bottom; ++y)
        for (int x = right - w; x < right; ++x) white += at(x, y) == 0xFFFFFFu;
    EXPECT_GT(white, 5);

    // A second later the count is the frames drawn in it.
    for (int i = 0; i < 4; ++i) {
        host.clock.Advance(250);
        app.mForceDraw = true;
        app.DrawDirtyStuff();
    }
    EXPECT_EQ(app.mFPSText, "FPS: 4");
    // The pointer style.
    Press(vk::kF1 + 2, vk::kShift);
    app.mWidgetManager->mLastMouseX = 12;
    app.mWidgetManager->mLastMouseY = 34;
    app.mForceDraw = true;
    app.DrawDirtyStuff();
    EXPECT_EQ(app.mFPSText, "12,34");
}

TEST(ImageDump, AccountingAndRowsLargestFirst) {
    MemoryImage plain, palettised, small;
    plain.Create(100, 100);
    plain.GetBits();  // bits: 40,000
    palettised.width = palettised.height = 10;
    palettised.palette.reset(new std::uint32_t[256]);
    palettised.nativeAlphaData.reset(new std::uint32_t[100]);
    palettised.rlAlphaData.reset(new std::uint8_t[100]);
    palettised.hasAlpha = true;
    small.Create(2, 2);
    small.GetBits();
    small.nativeAlphaData.reset(new std::uint32_t[4]);

    const ImageMemory p = MeasureImage(&palettised, nullptr, false);
    EXPECT_EQ(p.palette + p.nativeAlpha, 100 + 1024 + 1024);
    EXPECT_EQ(p.total, 100 + 1024 + 1024 + 100);
    const ImageMemory s = MeasureImage(&small, nullptr, true);
    EXPECT_EQ(s.nativeAlpha, 16);
    EXPECT_EQ(s.surface, 16);
    EXPECT_EQ(s.total, 16 + 16 + 16);

    std::vector<ImageMemory> rows = {s, MeasureImage(&plain, nullptr, false), p};
    const std::string page = ImageDumpPage(rows, "Mon Jan  1 00:00:00 2026\n");
    EXPECT_EQ(rows[0].image, &plain);
    EXPECT_EQ(rows[1].image, &palettised);
    EXPECT_EQ(rows[2].image, &small);
    EXPECT_NE(page.find("Total Image Allocation: 42,296 bytes<BR>"), std::string::npos) << page;
    EXPECT_NE(page.find("<TD ALIGN=RIGHT>100 x 100<BR>40,000 bytes</TD><TD>mBits<BR>40,000</TD>"), std::string::npos);
    EXPECT_NE(page.find("<TD>Palletized<BR>1,124</TD><TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD>"
                        "<TD>HasAlpha</TD><TD>&nbsp;</TD><TD>NativeAlpha<BR>1,024</TD><TD>RLAlpha<BR>100</TD>"),
              std::string::npos);
    EXPECT_NE(page.find("<IMG SRC=thumb0002.jpg WIDTH=64 HEIGHT=64>"), std::string::npos);
    EXPECT_NE(page.find("<TR><TD>Totals</TD>\n<TD>42,296</TD>\n<TD>40,016</TD>\n<TD>1,124</TD>\n<TD>16</TD>\n"),
              std::string::npos);
    EXPECT_EQ(page.substr(page.size() - 31), "</TABLE></CENTER></BODY></HTML>");
}

TEST(ImageDump, ShiftF11WritesThePageAndPicturesWithoutFollowingLinks) {
    namespace fs = std::filesystem;
    fs::remove_all("_dump");
    fs::remove_all("kept");
    fs::create_directories("kept");
    std::ofstream("kept/file.txt") << "stays";
    fs::create_directories("_dump");
    fs::create_directory_symlink("../kept", "_dump/link");

    apptest::DisplayHost host;
    apptest::TestApp app(&host);
    app.mWidth = 64;
    app.mHeight = 48;
    app.mCmdLineParsed = true;
    app.Init();
    MemoryImage image(&app);
    image.Create(8, 4);
    image.GetBits();
    app.mWidgetManager->keyDown[vk::kShift] = true;
    EXPECT_TRUE(app.DebugKeyDown(vk::kF1 + 10));
    EXPECT_TRUE(fs::exists("kept/file.txt"));
    EXPECT_FALSE(fs::exists("_dump/link"));
    std::ifstream in("_dump/imagelist.html");
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(page.find("8 x 4<BR>128 bytes"), std::string::npos) << page;
    EXPECT_TRUE(fs::exists("_dump/img0000.png"));
    EXPECT_TRUE(fs::exists("_dump/thumb0000.jpg"));
}

}  // namespace
