// The application object: command line, settings, window placement, mute
// counting and the start-up errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/graphics/MemoryImage.h"
#include "support/FakeHost.h"
#include "support/TestSupport.h"

namespace {

using apptest::ExitCalled;
using apptest::FakeHost;
using apptest::TestApp;

TEST(CommandLine, Table) {
    struct Case {
        std::vector<const char*> argv;
        std::vector<int> files;  // numbered demos present beforehand
        bool recording, playing, screensaver;
        std::string demoFile;
        std::vector<int> filesAfter;
    };
    const Case cases[] = {
        {{"game", "-record"}, {}, true, false, false, "vantapp.dmo", {}},
        {{"game", "-recnum=3"}, {1, 2, 3}, true, false, false, "vantapp4.dmo", {2, 3}},
        {{"game", "-recnum=5"}, {1, 2, 3}, true, false, false, "vantapp4.dmo", {1, 2, 3}},
        {{"game", "-recnum=0"}, {}, true, false, false, "vantapp1.dmo", {}},
        {{"game", "-playnum=2"}, {1, 2, 7}, false, true, false, "vantapp6.dmo", {1, 2, 7}},
        {{"game", "-playnum"}, {1, 2, 7}, false, true, false, "vantapp7.dmo", {1, 2, 7}},
        {{"game", "-record", "-play"}, {}, false, true, false, "vantapp.dmo", {}},
        {{"game", "-demofile=my demo.dmo"}, {}, false, false, false, "my demo.dmo", {}},
        {{"my game", "-screensaver", "", "-record"}, {}, true, false, true, "vantapp.dmo", {}},
        {{"game"}, {}, false, false, false, "vantapp.dmo", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        testsupport::TempDir dir;
        testsupport::in_directory(dir.path(), [&] {
            for (int n : c.files) testsupport::write_file("vantapp" + std::to_string(n) + ".dmo", "x");
            testsupport::write_file("vantappx.dmo", "not numbered");
            FakeHost host;
            TestApp app(&host);
            Vant::VantAppBase::SetCommandLine(static_cast<int>(c.argv.size()), c.argv.data());
            app.ParseCommandLine();
            EXPECT_TRUE(app.mCmdLineParsed);
            EXPECT_EQ(app.mRecordingDemo, c.recording);
            EXPECT_EQ(app.mPlayingDemo, c.playing);
            EXPECT_EQ(app.mIsScreenSaver, c.screensaver);
            EXPECT_EQ(app.mDemoFileName, c.demoFile);
            std::vector<int> left;
            for (int n = 0; n < 10; ++n)
                if (std::filesystem::exists("vantapp" + std::to_string(n) + ".dmo")) left.push_back(n);
            EXPECT_EQ(left, c.filesAfter);
            EXPECT_TRUE(host.boxes.empty());
        });
    }
}

TEST(CommandLine, SplitEdgeCases) {
    FakeHost host;
    TestApp app(&host);
    // A closing quote ends the parameter; doubled and trailing spaces are
    // no parameters at all.
    app.SplitCommandLine("  -demofile=\"a b\"  -screensaver ");
    EXPECT_EQ(app.mDemoFileName, "a b");
    EXPECT_TRUE(app.mIsScreenSaver);
    EXPECT_TRUE(host.boxes.empty());
    // A program path in quotes with no closing quote parses nothing.
    const char* argv[] = {"\"unclosed", "-bogus"};
    Vant::VantAppBase::SetCommandLine(2, argv);
    app.ParseCommandLine();
    EXPECT_TRUE(host.boxes.empty());
}

TEST(CommandLine, UnknownNameIsRejectedWithAFailureCode) {
    for (const char* text : {"-bogus", "-Record", "=5", "-record -x=1"}) {
        SCOPED_TRACE(text);
        FakeHost host;
        TestApp app(&host);
        try {
            app.SplitCommandLine(text);
            ADD_FAILURE() << "no exit";
        } catch (const ExitCalled& e) {
            EXPECT_EQ(e.code, 1);
        }
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].rfind("FATAL ERROR: Invalid Command Line Param: ", 0), 0u);
    }
}

TEST(Settings, VolumesAreClampedAndKeepTheirValueOverRestarts) {
    FakeHost host;
    struct Case { double stored; std::uint32_t written; double read; };
    const Case cases[] = {{0.855, 85, 0.85}, {0.29, 29, 0.29}, {0.58, 58, 0.58}, {1.0, 100, 1.0},
                          {0.0, 0, 0.0},     {7.5, 100, 1.0},  {-3.0, 0, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        {
            TestApp app(&host);
            app.mMusicVolume = c.stored;
            app.WriteToRegistry();
        }
        EXPECT_EQ(host.Dword("MusicVolume"), c.written);
        for (int run = 0; run < 10; ++run) {
            TestApp app(&host);
            app.ReadFromRegistry();
            EXPECT_DOUBLE_EQ(app.mMusicVolume, c.read);
            app.Shutdown();  // writes back
        }
        EXPECT_EQ(host.Dword("MusicVolume"), c.written);
    }
    // A value from a damaged or edited file reads as at most full volume.
    TestApp app(&host);
    app.RegistryWriteDword("SfxVolume", 5000);
    app.ReadFromRegistry();
    EXPECT_EQ(app.mSfxVolume, 1.0);
}

TEST(Settings, ValuesTypesAndSubKeys) {
    FakeHost host;
    TestApp app(&host);
    // Wrong types and absent values keep the defaults.
    app.WriteRegistryString("ScreenMode", "1");
    app.RegistryWriteDword("PreferredX", 33);
    app.ReadFromRegistry();
    EXPECT_TRUE(app.mIsWindowed);
    EXPECT_EQ(app.mPreferredX, 33);
    EXPECT_EQ(app.mPreferredY, -1);

    EXPECT_TRUE(app.WriteRegistryString("Sub\\Deeper\\Name", "text"));
    EXPECT_EQ(host.store.count("SOFTWARE\\Test\\Sub\\Deeper|Name"), 1u);
    char buf[8] = {};
    std::uint32_t type = 0, size = 2;
    EXPECT_FALSE(app.RegistryRead("Sub\\Deeper\\Name", &type, buf, &size));  // too small
    size = sizeof buf;
    EXPECT_TRUE(app.RegistryRead("Sub\\Deeper\\Name", &type, buf, &size));
    EXPECT_EQ(std::string(buf, size), "text");
    EXPECT_TRUE(app.RegistryEraseValue("Sub\\Deeper\\Name"));

    // A store that cannot be written says so; an empty key reaches nothing.
    host.storeWritable = false;
    EXPECT_FALSE(app.RegistryWriteDword("X", 1));
    host.storeWritable = true;
    app.mRegKey.clear();
    EXPECT_FALSE(app.RegistryWriteDword("X", 1));
    EXPECT_FALSE(app.RegistryRead("Sub\\Deeper\\Name", &type, buf, &size));
}

TEST(Settings, InProgressMarksARunThatDidNotEndCleanly) {
    FakeHost host;
    decltype(host.store) crashed;
    {
        TestApp app(&host);
        app.ReadFromRegistry();
        EXPECT_TRUE(app.mLastShutdownWasGraceful);
        EXPECT_EQ(host.Dword("InProgress"), 1u);
        crashed = host.store;  // the file as a crash would leave it
    }
    EXPECT_EQ(host.Dword("InProgress"), 0u);
    {
        TestApp app(&host);
        app.ReadFromRegistry();
        EXPECT_TRUE(app.mLastShutdownWasGraceful);
    }
    host.store = crashed;
    TestApp app(&host);
    app.ReadFromRegistry();
    EXPECT_FALSE(app.mLastShutdownWasGraceful);
}

TEST(Services, WindowPlacementTable) {
    struct Case { Vant::HostRect work; int w, h, px, py, x, y; };
    const Case cases[] = {
        {{0, 0, 1920, 1080}, 640, 480, -1, -1, 640, 229},      // 38.2 % of 600 above
        {{100, 30, 1380, 830}, 646, 505, -1, -1, 417, 142},    // trunc(295 * .382) = 112
        {{0, 0, 1920, 1080}, 640, 480, 1500, 100, 1276, 100},  // off the right: 4 px inside
        {{0, 0, 1920, 1080}, 640, 480, -50, 900, 4, 596},      // left and bottom edges
        {{0, 0, 1920, 1080}, 640, 480, 300, 200, 300, 200},
    };
    for (const Case& c : cases) {
        int x = 0, y = 0;
        Vant::VantAppBase::PlaceWindow(c.work, c.w, c.h, c.px, c.py, &x, &y);
        EXPECT_EQ(x, c.x) << c.px;
        EXPECT_EQ(y, c.y) << c.px;
    }
}

TEST(Services, MuteCountingTable) {
    struct Step { bool mute, autoMute; };
    struct Case { std::vector<Step> steps; bool muted; };
    const Case cases[] = {
        {{{true, true}, {true, true}, {false, true}}, true},
        {{{true, true}, {false, true}}, false},
        {{{false, false}, {true, false}}, true},  // an unmute below zero is ignored
        {{{true, false}, {true, true}, {false, true}, {false, false}}, false},
    };
    for (const Case& c : cases) {
        FakeHost host;
        TestApp app(&host);
        app.mSoundManager.reset(app.CreateSoundManager());
        app.SetSfxVolume(0.6);
        for (const Step& s : c.steps) {
            if (s.mute) app.Mute(s.autoMute);
            else app.Unmute(s.autoMute);
        }
        EXPECT_EQ(app.IsMuted(), c.muted);
        EXPECT_EQ(static_cast<Vant::DSoundManager&>(*app.mSoundManager).effectsVolume, c.muted ? 0.0 : 0.6);
        EXPECT_EQ(app.GetSfxVolume(), 0.6);
    }
}

TEST(Services, InitOpensTheWindowOrStopsWithAReason) {
    {
        FakeHost host;
        host.work = {0, 0, 1920, 1080};
        host.border[1] = 20;
        TestApp app(&host);
        const char* argv[] = {"game"};
        Vant::VantAppBase::SetCommandLine(1, argv);
        app.Init();
        EXPECT_TRUE(app.mInitialized);
        ASSERT_EQ(host.created.size(), 1u);
        EXPECT_FALSE(host.created[0].fullscreen);
        // Outer 640 x 500 with its frame: 221 of the free 580 above.
        EXPECT_EQ(host.created[0].x, 640);
        EXPECT_EQ(host.created[0].y, 221);
        EXPECT_EQ(host.timerPeriod, 10);
        EXPECT_EQ(host.registered, "NotifyProduct");
        EXPECT_EQ(host.Dword("InProgress"), 1u);
    }
    {
        // A desktop no larger than the window starts full screen.
        FakeHost host;
        host.work = {0, 0, 640, 480};
        TestApp app(&host);
        app.mCmdLineParsed = true;
        app.Init();
        ASSERT_EQ(host.created.size(), 1u);
        EXPECT_TRUE(host.created[0].fullscreen);
    }
    {
        FakeHost host;
        host.hasDisplay = false;
        TestApp app(&host);
        EXPECT_THROW(
            {
                try {
                    app.Init();
                } catch (const ExitCalled& e) {
                    EXPECT_EQ(e.code, 1);
                    throw;
                }
            },
            ExitCalled);
        EXPECT_EQ(host.boxes, (std::vector<std::string>{
                                  "VantApp: This application requires a graphical display to run."}));
    }
    {
        // A second instance leaves quietly and successfully.
        FakeHost host;
        host.firstInstance = false;
        TestApp app(&host);
        app.mCmdLineParsed = true;
        try {
            app.Init();
            ADD_FAILURE();
        } catch (const ExitCalled& e) {
            EXPECT_EQ(e.code, 0);
        }
        EXPECT_TRUE(host.boxes.empty());
        EXPECT_TRUE(host.created.empty());
    }
}

TEST(Services, TextsAndProgress) {
    FakeHost host;
    TestApp app(&host);
    EXPECT_EQ(app.GetString("DIALOG_BUTTON_OK", "?"), "OK");
    EXPECT_EQ(app.GetString("NOPE", "dflt"), "dflt");
    EXPECT_EQ(app.GetProductVersion(""), Vant::kBuildVersion);
    EXPECT_EQ(app.GetProductVersion("/bin/sh"), "");
    host.clock.Advance(3723000);
    const std::string info = app.GetCrashInfo();
    EXPECT_EQ(info.rfind("Product: Product\r\nVersion: 1.0.0\r\nTime Loaded: 01:02:03\r\nFullscreen: No\r\n"
                         "Primary ThreadId: ",
                         0),
              0u);

    EXPECT_EQ(app.GetLoadingThreadProgress(), 0.0);
    app.mLoadingThreadStarted = true;
    app.mNumLoadingThreadTasks = 4;
    app.mCompletedLoadingThreadTasks = 3;
    EXPECT_EQ(app.GetLoadingThreadProgress(), 0.75);
    app.mCompletedLoadingThreadTasks = 9;
    EXPECT_EQ(app.GetLoadingThreadProgress(), 1.0);

    int pressed = 0, released = 0;
    struct Buttons : TestApp {
        using TestApp::TestApp;
        void ButtonPress(int id) override { *p = id; }
        void ButtonRelease(int id) override { *r = id; }
        int *p = nullptr, *r = nullptr;
    } buttons(&host);
    buttons.p = &pressed;
    buttons.r = &released;
    buttons.DialogPress(7, 1000);
    buttons.DialogRelease(7, 1001);
    EXPECT_EQ(pressed, 2007);
    EXPECT_EQ(released, 3007);
    buttons.DialogPress(7, 1);
    EXPECT_EQ(pressed, 2007);
}

}  // namespace

TEST(Services, MemoryImagesAreKnownToTheApplicationWhileTheyLive) {
    FakeHost host;
    TestApp app(&host);
    {
        Vant::MemoryImage image;
        EXPECT_EQ(app.mMemoryImageSet.count(&image), 1u);
        app.SetImageSetDirty();
        EXPECT_TRUE(app.mCleanupSharedImages);
    }
    EXPECT_TRUE(app.mMemoryImageSet.empty());
}
