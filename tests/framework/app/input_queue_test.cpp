// The window procedure and the deferred input queue, fed message records.
#include <gtest/gtest.h>

#include "support/FakeHost.h"

namespace {

using apptest::FakeHost;
using apptest::TestApp;
using namespace plat::msg;

struct Queue : ::testing::Test {
    Queue() {
        app.mDisplay.reset(new Vant::BlankDisplay(&app));
        app.mHWnd = 1;
        app.mRunning = true;
        app.mInitialized = true;
        app.wm().events.clear();
    }
    std::intptr_t Send(std::uint32_t msg, std::uintptr_t w = 0, std::intptr_t l = 0) {
        return app.WindowProc({1, msg, w, l});
    }
    void Drain() {
        while (app.ProcessDeferredMessages(true)) {
        }
    }
    std::vector<std::uint32_t> Queued() const {
        std::vector<std::uint32_t> out;
        for (const auto& m : app.mDeferredMessages) out.push_back(m.msg);
        return out;
    }
    FakeHost host;
    TestApp app{&host};
};

TEST_F(Queue, WhatIsQueuedTable) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint32_t, std::uintptr_t>> sent;
        std::vector<std::uint32_t> queued;
    };
    const Case cases[] = {
        {"two timers in a row leave one", {{kTimer, 100}, {kTimer, 100}}, {kTimer}},
        {"a timer after other input is kept", {{kTimer, 100}, {kKeyDown, 'A'}, {kTimer, 100}},
         {kTimer, kKeyDown, kTimer}},
        {"nothing after a close", {{kKeyDown, 'A'}, {kClose, 0}, {kKeyDown, 'B'}, {kTimer, 100}, {kClose, 0}},
         {kKeyDown, kClose}},
        {"Alt+Enter is taken out again", {{kSysKeyDown, plat::vk::kReturn}}, {}},
        {"Alt+F4 closes", {{kSysKeyDown, plat::vk::kF1 + 3}, {kKeyDown, 'A'}}, {kSysKeyDown, kClose}},
        {"paint and set-cursor are handled at once", {{kPaint, 0}, {kSetCursor, 0}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.mDeferredMessages.clear();
        for (auto [msg, w] : c.sent) Send(msg, w);
        EXPECT_EQ(Queued(), c.queued);
    }
}

TEST_F(Queue, AltEnterSwitchesModeAndNeverReachesTheWidgets) {
    app.mIsWindowed = true;
    Send(kSysKeyDown, plat::vk::kMenu);
    Send(kSysKeyDown, plat::vk::kReturn);
    Drain();
    EXPECT_FALSE(app.mIsWindowed);
    ASSERT_FALSE(host.created.empty());
    EXPECT_TRUE(host.created.back().fullscreen);
    EXPECT_EQ(app.wm().events, (std::vector<std::string>{"keydown 18"}));
    EXPECT_FALSE(app.mAltDown);  // key states cleared

    // After a colour-depth failure there is no way back to a window.
    app.mForceFullscreen = true;
    Send(kSysKeyDown, plat::vk::kReturn);
    EXPECT_EQ(Queued(), (std::vector<std::uint32_t>{kSysKeyDown}));
    EXPECT_FALSE(app.mIsWindowed);
}

TEST_F(Queue, CloseShutsDownAndWritesSettings) {
    app.mReadFromRegistry = true;
    Send(kSysKeyDown, plat::vk::kF1 + 3);
    Drain();
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(host.Dword("InProgress"), 0u);
}

TEST_F(Queue, InputReachesTheWidgetsInOrderWithItsCodes) {
    Send(kMouseMove, 0, plat::MakePointParam(10, 20));
    Send(kLButtonDown, kMkLButton, plat::MakePointParam(11, 21));
    Send(kLButtonUp, 0, plat::MakePointParam(11, 21));
    Send(kLButtonDblClk, kMkLButton, plat::MakePointParam(11, 21));
    Send(kRButtonDown, kMkRButton, plat::MakePointParam(-5, -7));  // captured, outside
    Send(kRButtonUp, 0, plat::MakePointParam(-5, -7));
    Send(kMButtonDown, kMkMButton, plat::MakePointParam(1, 2));
    Send(kMouseWheel, static_cast<std::uintptr_t>(static_cast<std::uint16_t>(-240)) << 16, 0);
    Send(kKeyDown, 'Q');
    Send(kChar, 0xC0);  // a Cyrillic letter
    Send(kKeyUp, 'Q');
    Drain();
    // Positions outside 0..4095 arrive held to it, and a button at an
    // unchanged position brings no move, as a demo records them.
    const std::vector<std::string> want = {
        "move 10,20", "move 11,21", "down 11,21 1", "up 11,21 1",  "down 11,21 2", "move 0,0", "down 0,0 -1",
        "up 0,0 -1",  "move 1,2",   "down 1,2 3",   "wheel -2",    "keydown 81",   "char 192", "keyup 81"};
    EXPECT_EQ(app.wm().events, want);
    EXPECT_TRUE(host.captured);  // the middle button is still down
}

TEST_F(Queue, PopupModeQueuesNothingAndAnotherInstanceRaisesTheWindow) {
    app.mNoDefer = true;
    Send(kKeyDown, 'A');
    EXPECT_TRUE(Queued().empty());
    app.mNoDefer = false;
    app.mNotifyGameMessage = 0xC000;
    Send(0xC000);
    EXPECT_EQ(host.raised, 1);
    EXPECT_EQ(host.restored, 1);
}

TEST_F(Queue, FocusAndMinimiseMuteAutomatically) {
    Send(kActivateApp, 0);
    Drain();
    EXPECT_FALSE(app.mHasFocus);
    EXPECT_TRUE(app.IsMuted());
    Send(kSize, kSizeMinimized);
    Drain();
    EXPECT_EQ(app.mMuteCount, 2);
    Send(kSize, kSizeRestored);
    Send(kActivateApp, 1);
    Drain();
    EXPECT_TRUE(app.mHasFocus);
    EXPECT_FALSE(app.IsMuted());
    EXPECT_EQ(app.wm().events, (std::vector<std::string>{"lostfocus", "gotfocus"}));
}

TEST_F(Queue, TimerWatchesThePointerLeavingAndTheOpenedPage) {
    app.mMouseIn = true;
    host.pointerInside = false;
    host.clock.Advance(100);
    Send(kTimer, kAppTimerId);
    Drain();
    EXPECT_EQ(app.wm().events, (std::vector<std::string>{"exit"}));
    EXPECT_FALSE(app.mMouseIn);

    // A page opened while the game stays active: after the timer has run
    // smoothly for more than 5 s the open counts as done.
    ASSERT_TRUE(app.OpenURL("http://example.invalid/", true));
    EXPECT_EQ(host.opened, (std::vector<std::string>{"http://example.invalid/"}));
    for (int i = 0; i < 600 && app.mIsOpeningURL; ++i) {
        host.clock.Advance(10);
        Send(kTimer, kAppTimerId);
        Drain();
    }
    EXPECT_FALSE(app.mIsOpeningURL);
    EXPECT_TRUE(app.mShutdown);  // asked to shut down after the open

    host.urlOk = false;
    EXPECT_FALSE(app.OpenURL("x", false));
    EXPECT_FALSE(app.mIsOpeningURL);
}

TEST_F(Queue, ScreenSaverModeEndsOnInput) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint32_t, std::intptr_t>> sent;
        bool ends;
    };
    const Case cases[] = {
        {"three moves are swallowed",
         {{kMouseMove, 0}, {kMouseMove, 1}, {kMouseMove, 2}, {kMouseMove, 3}, {kMouseMove, 3}}, false},
        {"the fourth move ends it",
         {{kMouseMove, 0}, {kMouseMove, 1}, {kMouseMove, 2}, {kMouseMove, 3}, {kMouseMove, 4}}, true},
        {"a key ends it", {{kKeyDown, 'A'}}, true},
        {"a click ends it", {{kRButtonDown, 0}}, true},
        {"a timer does not", {{kTimer, 0}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost h;
        TestApp saver(&h);
        saver.mHWnd = 1;
        saver.mIsScreenSaver = true;
        saver.mRunning = true;
        for (auto [msg, x] : c.sent) saver.WindowProc({1, msg, 0, plat::MakePointParam(static_cast<int>(x), 0)});
        while (saver.ProcessDeferredMessages(true)) {
        }
        EXPECT_EQ(static_cast<bool>(saver.mShutdown), c.ends);
        // Nothing of the saver's input reaches the widgets but the ending one.
        EXPECT_LE(saver.wm().events.size(), 2u);
    }
}

}  // namespace
