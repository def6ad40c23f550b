// The application's demo steps: the file a quiet run leaves, start-up with
// an unreadable demo, and the two playback dialogs.
#include <gtest/gtest.h>

#include <cstdio>

#include "framework/app/Dialog.h"
#include "framework/app/EditWidget.h"
#include "framework/app/ListWidget.h"
#include "support/FakeHost.h"

namespace {

TEST(AppDemo, AQuietRunRecordsOnlyTheScreenModeAndTheLoadingCompletion) {
    std::remove("quiet.dmo");
    {
        apptest::FakeHost host;
        apptest::TestApp app(&host);
        app.mRegKey.clear();  // no settings, so nothing of them is recorded
        app.mRecordingDemo = true;
        app.mDemoFileName = "quiet.dmo";
        app.mCmdLineParsed = true;
        app.Init();
        app.mLoadingThreadStarted = true;
        app.mLoadingThreadCompleted = true;
        for (int i = 0; i < 200 && app.mUpdateCount < 30; ++i) app.UpdateApp();
    }
    Vant::DemoFile demo;
    std::string error;
    ASSERT_TRUE(Vant::LoadDemoFile("quiet.dmo", Vant::kBuildVersion, &demo, &error)) << error;
    EXPECT_EQ(demo.totalUpdates, 30);
    EXPECT_TRUE(demo.markers.empty());
    Vant::DemoReader reader(&demo.stream);
    std::vector<int> codes;
    for (int u = 0; u <= 30 && !reader.Exhausted(); ++u) {
        while (reader.ReadRecordHeader(u)) {
            codes.push_back(reader.TakeRecord());
            ASSERT_TRUE(reader.SkipPayload(codes.back()));
        }
    }
    EXPECT_EQ(codes, (std::vector<int>{Vant::DEMO_VIDEO_DATA, Vant::DEMO_LOADING_COMPLETE}));
}

TEST(AppDemo, AnUnreadableDemoEndsTheStartWithItsText) {
    apptest::FakeHost host;
    apptest::TestApp app(&host);
    app.mPlayingDemo = true;
    app.mDemoFileName = "missing.dmo";
    app.mCmdLineParsed = true;
    EXPECT_THROW(app.Init(), apptest::ExitCalled);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0], "FATAL ERROR: Demo file not found: missing.dmo");
    EXPECT_FALSE(app.mPlayingDemo);
}

struct PlaybackDialogs : ::testing::Test {
    void SetUp() override {
        app.mCmdLineParsed = true;
        app.Init();
        app.mDemoLength = 10000;
        app.mUpdateCount = 100;
    }
    Vant::Dialog* Shown() { return app.mDialogList.empty() ? nullptr : app.mDialogList.back(); }
    apptest::FakeHost host;
    apptest::TestApp app{&host};
};

TEST_F(PlaybackDialogs, JumpToTimeTakesMinutesAndSecondsAndKeepsTheText) {
    app.DemoPlaybackChar('j');
    Vant::Dialog* d = Shown();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->mDialogHeader, "Jump To Time");
    for (char c : std::string("1:30")) app.mWidgetManager->OnKeyChar(c);
    d->ButtonRelease(Vant::Dialog::kYesButton);
    // (90 + 1) seconds back from the end, at 10 ms an update.
    EXPECT_EQ(app.mFastForwardToUpdateNum, 10000 - 91 * 1000 / 10);
    EXPECT_EQ(host.store.at("SOFTWARE\\Test|DemoJumpTime").second, "1:30");
    EXPECT_EQ(app.GetDialogCount(), 0);

    // The next time the field starts with the text kept.
    app.DemoPlaybackChar('J');
    auto* edit = dynamic_cast<Vant::EditWidget*>(app.mWidgetManager->mFocusWidget);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->mString, "1:30");
    Shown()->ButtonRelease(Vant::Dialog::kNoButton);
    EXPECT_EQ(app.GetDialogCount(), 0);
    EXPECT_EQ(app.DemoJumpTarget("2"), 10000 - 300);
    EXPECT_EQ(app.DemoJumpTarget("1:0:0"), 0);  // before the start: the start
}

TEST_F(PlaybackDialogs, ADoubleClickOnAMarkerAheadJumpsToIt) {
    app.mDemoMarkers = {{"start", 5}, {"boss", 3000}, {"end", 366100}};
    app.DemoPlaybackChar('L');
    Vant::Dialog* d = Shown();
    ASSERT_NE(d, nullptr);
    auto* list = dynamic_cast<Vant::ListListener*>(d);
    ASSERT_NE(list, nullptr);
    list->ListClicked(100, 1, 1);  // a single click does nothing
    EXPECT_EQ(app.mFastForwardToUpdateNum, 0);
    // The passed marker is not listed.
    Vant::ListWidget* lines = nullptr;
    for (Vant::Widget* w : d->mWidgets)
        if (auto* l = dynamic_cast<Vant::ListWidget*>(w)) lines = l;
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->mLines, (std::vector<std::string>{"boss (00:00:30)", "end (01:01:01)"}));
    app.mUpdateCount = 3500;  // the first line is behind by now
    list->ListClicked(100, 0, 2);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 0);
    list->ListClicked(100, 1, 2);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 366100);
    EXPECT_EQ(app.GetDialogCount(), 0);
}

}  // namespace

namespace {

TEST(AppDemo, FastForwardRunsToTheTargetMutedThenPlaysOn) {
    std::remove("long.dmo");
    {
        apptest::FakeHost host;
        apptest::TestApp app(&host);
        app.mRecordingDemo = true;
        app.mDemoFileName = "long.dmo";
        app.mCmdLineParsed = true;
        app.Init();
        for (int i = 0; i < 2000 && app.mUpdateCount < 300; ++i) {
            if (app.mUpdateCount == 250 && host.pending.empty()) host.Post(plat::msg::kChar, 'z');
            app.UpdateApp();
        }
    }
    apptest::FakeHost host;
    apptest::TestApp app(&host);
    app.mPlayingDemo = true;
    app.mDemoFileName = "long.dmo";
    app.mCmdLineParsed = true;
    app.Init();
    app.mUpdateAppState = 1;
    app.DemoPlaybackChar('7');  // 30 s before the end: before the start, so all of it
    EXPECT_LE(app.mFastForwardToUpdateNum, 0);
    app.mFastForwardToUpdateNum = 260;
    const std::uint32_t began = host.clock.now;
    for (int i = 0; i < 50 && app.mUpdateCount < 260; ++i) app.ProcessTimedUpdate(true);
    EXPECT_EQ(app.mUpdateCount, 260);
    EXPECT_LT(host.clock.now - began, 100u);  // not at 10 ms an update
    EXPECT_EQ(app.wm().events, std::vector<std::string>{"char 122"});
    app.ProcessTimedUpdate(true);  // the target reached: sound back
    EXPECT_FALSE(app.IsMuted());
    // "M" hurries to the end and stops there.
    app.DemoPlaybackChar('m');
    for (int i = 0; i < 50 && app.mFastForwardToMarker; ++i) app.ProcessTimedUpdate(true);
    EXPECT_FALSE(app.mFastForwardToMarker);
    EXPECT_GE(app.mUpdateCount, 300);
}

}  // namespace
