// Update timing and frame pacing against a manual clock: the clock moves
// only when the loop sleeps, when the display waits for its refresh, or when
// a case says so.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <thread>

#include "support/FakeHost.h"

namespace {

using apptest::FakeHost;
using apptest::TestApp;

struct Event {
    char kind;  // 'U' update, 'D' draw, 'B' blit
    std::uint32_t tick;
};

class HookedWidgets : public apptest::RecordingWidgetManager {
public:
    bool UpdateFrame() override {
        apptest::RecordingWidgetManager::UpdateFrame();
        timeline->push_back({'U', clock->now});
        if (onUpdate) onUpdate(updates);
        return true;
    }
    bool DrawScreen() override {
        timeline->push_back({'D', clock->now});
        return drawAlways || apptest::RecordingWidgetManager::DrawScreen();
    }
    std::vector<Event>* timeline = nullptr;
    apptest::ManualClock* clock = nullptr;
    std::function<void(int)> onUpdate;
    bool drawAlways = true;
};

// A display that presents at its refresh rate: a blit waits for the next
// refresh (0 Hz presents at once), or takes a fixed time.
class PacedDisplay : public Vant::DisplayInterface {
public:
    int Init(plat::WindowHandle, bool) override { return kOk; }
    bool Redraw() override {
        if (refresh > 0) {
            const double period = 1000.0 / refresh;
            const double next = std::floor((clock->now - origin) / period + 1e-9) * period + period;
            clock->now = origin + static_cast<std::uint32_t>(std::ceil(next - 1e-9));
        }
        clock->now += blitCost;
        events->push_back({'B', clock->now});
        return true;
    }
    int RefreshRate() const override { return refresh > 0 ? refresh : 100; }
    std::vector<Event>* events = nullptr;
    apptest::ManualClock* clock = nullptr;
    int refresh = 0;
    std::uint32_t blitCost = 0;
    std::uint32_t origin = 1000;
};

struct Loop {
    Loop() {
        widgets = new HookedWidgets;
        widgets->timeline = &events;
        widgets->clock = &host.clock;
        app.mWidgetManager.reset(widgets);
        display = new PacedDisplay;
        display->events = &events;
        display->clock = &host.clock;
        app.mDisplay.reset(display);
        app.mHWnd = 1;
        app.mRunning = true;
        app.mLoadingThreadCompleted = true;
        app.mLoadingThreadCompletedSeen = true;
        app.mLoadingThrottle = false;
    }
    // Pump steps until the clock reaches the tick (0: no limit) or the
    // condition holds.
    void RunUntil(std::uint32_t tick, const std::function<bool()>& stop = {}) {
        for (int i = 0; i < 200000 && (tick == 0 || host.clock.now < tick) && !(stop && stop()); ++i) {
            bool updated = false;
            ASSERT_TRUE(app.UpdateAppStep(&updated));
        }
    }
    int Count(char kind, std::uint32_t from, std::uint32_t to) const {
        int n = 0;
        for (const Event& e : events)
            if (e.kind == kind && e.tick >= from && e.tick < to) ++n;
        return n;
    }

    FakeHost host;
    TestApp app{&host};
    HookedWidgets* widgets;
    PacedDisplay* display;
    std::vector<Event> events;
};

struct TimingCase {
    const char* name;
    std::function<void(Loop&)> run;
};

const TimingCase kTimingCases[] = {
    {"10 ms frames and 10 ms clock steps: one update a step",
     [](Loop& l) {
         l.RunUntil(2000);
         EXPECT_NEAR(l.Count('U', 1000, 2000), 100, 1);
         std::uint32_t last = 0;
         for (const Event& e : l.events) {
             if (e.kind != 'U') continue;
             if (last) {
                 EXPECT_EQ(e.tick - last, 10u);
             }
             last = e.tick;
         }
         for (std::uint32_t s : l.host.clock.sleeps) EXPECT_LE(s, 10u);
     }},
    {"a 5 s stall: elapsed 200 ms, at most 20 catch-ups, at most 10 between draws",
     [](Loop& l) {
         std::uint32_t stallEnd = 0;
         double elapsedAfter = -1;
         l.widgets->onUpdate = [&](int n) {
             if (n == 50) {
                 l.host.clock.Advance(5000);
                 stallEnd = l.host.clock.now;
             }
             if (n == 51) elapsedAfter = l.app.mUpdateFTimeAcc;
         };
         l.RunUntil(9000);
         ASSERT_NE(stallEnd, 0u);
         // Sampled as 200, less the 10 ms of the update just before.
         EXPECT_EQ(elapsedAfter, 190.0);
         EXPECT_LE(l.Count('U', stallEnd, stallEnd + 1), 20);
         EXPECT_GE(l.Count('U', stallEnd, stallEnd + 1), 19);
         int run = 0, longest = 0;
         for (const Event& e : l.events) {
             if (e.kind == 'U') longest = std::max(longest, ++run);
             if (e.kind == 'D') run = 0;
         }
         EXPECT_LE(longest, 10);
         // Afterwards the game runs at its own pace again.
         EXPECT_NEAR(l.Count('U', stallEnd + 1000, stallEnd + 2000), 100, 1);
     }},
    {"vsync at 60 Hz owes 1.6667 updates a frame and carries the fraction",
     [](Loop& l) {
         l.app.mVSyncUpdates = true;
         l.app.mIsPhysWindowed = false;
         l.app.mSyncRefreshRate = 60;
         l.display->refresh = 60;
         std::vector<double> carried;
         l.widgets->onUpdate = [&](int) { carried.push_back(l.app.mPendingUpdatesAcc); };
         l.RunUntil(3000);
         EXPECT_NEAR(l.Count('U', 2000, 3000), 100, 2);
         EXPECT_NEAR(l.Count('B', 2000, 3000), 60, 1);
         bool sawTwoThirds = false;
         for (double a : carried) sawTwoThirds |= std::fabs(a - 2.0 / 3.0) < 1e-6;
         EXPECT_TRUE(sawTwoThirds);
         EXPECT_FALSE(l.app.mVSyncBroken);
     }},
    {"vsync at 120 Hz with 10 ms updates runs 100 updates a second, not 120",
     [](Loop& l) {
         l.app.mVSyncUpdates = true;
         l.app.mIsPhysWindowed = false;
         l.app.mSyncRefreshRate = 120;
         l.display->refresh = 120;
         l.RunUntil(4000);
         EXPECT_NEAR(l.Count('B', 3000, 4000), 120, 1);
         EXPECT_NEAR(l.Count('U', 3000, 4000), 100, 2);
     }},
    {"100 updates within 800 ms three seconds in a row: vsync broken for good",
     [](Loop& l) {
         l.app.mVSyncUpdates = true;
         l.app.mIsPhysWindowed = false;
         l.display->blitCost = 2;  // presents at once: no real vsync
         l.RunUntil(60000, [&] { return l.app.mVSyncBroken; });
         EXPECT_TRUE(l.app.mVSyncBroken);
         // The first mark starts the count; three fast seconds follow.
         EXPECT_GE(l.app.mUpdateCount.load(), 300);
         EXPECT_LE(l.app.mUpdateCount.load(), 400);
         // Back on the clock: 100 a second.
         const std::uint32_t t = l.host.clock.now;
         l.RunUntil(t + 2000);
         EXPECT_NEAR(l.Count('U', t + 1000, t + 2000), 100, 1);
     }},
    {"a real 60 Hz vsync is never taken as broken",
     [](Loop& l) {
         l.app.mVSyncUpdates = true;
         l.app.mIsPhysWindowed = false;
         l.app.mSyncRefreshRate = 60;
         l.display->refresh = 60;
         l.RunUntil(10000);
         EXPECT_FALSE(l.app.mVSyncBroken);
     }},
    {"multiplier 0 runs no update while input is still pumped",
     [](Loop& l) {
         l.app.mUpdateMultiplier = 0.0;
         l.RunUntil(0, [&] { return l.host.pumps >= 5; });
         l.host.Post(plat::msg::kKeyDown, 'A');
         l.host.Post(plat::msg::kChar, 'a');
         l.RunUntil(0, [&] { return l.host.pumps >= 20; });
         EXPECT_EQ(l.app.mUpdateCount.load(), 0);
         EXPECT_EQ(l.widgets->events, (std::vector<std::string>{"keydown 65", "char 97"}));
     }},
    {"pausing resets the elapsed time: resuming does not catch up",
     [](Loop& l) {
         l.RunUntil(1500);
         l.app.mPaused = true;
         const int before = l.app.mUpdateCount;
         l.RunUntil(0, [&] { return l.host.pumps >= 10; });
         l.host.clock.Advance(3000);
         const int pumps = l.host.pumps;
         l.RunUntil(0, [&] { return l.host.pumps >= pumps + 10; });
         EXPECT_EQ(l.app.mUpdateCount, before);
         l.app.mPaused = false;
         const std::uint32_t resumed = l.host.clock.now;
         l.RunUntil(resumed + 100);
         EXPECT_LE(l.Count('U', resumed, resumed + 1), 1);
         EXPECT_NEAR(l.Count('U', resumed, resumed + 100), 10, 1);
     }},
    {"allowSleep false returns false instead of sleeping or throttling",
     [](Loop& l) {
         l.RunUntil(1100);
         // Go to the start of a due check that will not be due.
         l.app.mUpdateAppState = 1;
         l.app.mHasPendingDraw = false;
         l.app.mUpdateFTimeAcc = 0.0;
         l.app.mLastTimeCheck = l.host.clock.now;
         const std::uint32_t now = l.host.clock.now;
         const int sleeps = l.app.mSleepCount;
         EXPECT_FALSE(l.app.ProcessTimedUpdate(false));
         EXPECT_EQ(l.host.clock.now, now);
         EXPECT_EQ(l.app.mSleepCount, sleeps);
         // While loading throttles: an update that took time owes a rest.
         l.app.mLoadingThreadStarted = true;
         l.app.mLoadingThreadCompleted = false;
         l.app.mLoadingThrottle = true;
         l.app.mUpdateAppState = 1;
         l.app.mUpdateFTimeAcc = 50.0;
         l.widgets->onUpdate = [&](int) { l.host.clock.Advance(30); };
         const std::size_t slept = l.host.clock.sleeps.size();
         EXPECT_FALSE(l.app.ProcessTimedUpdate(false));
         EXPECT_EQ(l.host.clock.sleeps.size(), slept);
     }},
    {"while loading, draws at least 50 ms apart and no throttle above 250 ms",
     [](Loop& l) {
         l.app.mLoadingThreadStarted = true;
         l.app.mLoadingThreadCompleted = false;
         l.app.mLoadingThreadCompletedSeen = false;
         l.app.mLoadingThrottle = true;
         l.widgets->onUpdate = [&](int n) { l.host.clock.Advance(n == 30 ? 400 : 3); };
         l.RunUntil(8000);
         std::uint32_t last = 0;
         int blits = 0;
         for (const Event& e : l.events) {
             if (e.kind != 'B') continue;
             if (last) {
                 EXPECT_GE(e.tick - last, 50u);
             }
             last = e.tick;
             ++blits;
         }
         EXPECT_GT(blits, 20);
         bool capped = false;
         for (std::uint32_t s : l.host.clock.sleeps) {
             EXPECT_LE(s, 250u);
             capped |= s == 250;
         }
         EXPECT_TRUE(capped);
     }},
};

TEST(MainLoop, TimingTable) {
    for (const TimingCase& c : kTimingCases) {
        SCOPED_TRACE(c.name);
        Loop l;
        c.run(l);
    }
}

TEST(MainLoop, ShutdownFromAnotherThreadWaitsForThePrimaryThread) {
    Loop l;
    l.app.mPrimaryThreadId = std::this_thread::get_id();
    l.app.mPrimaryThreadKnown = true;
    l.app.mReadFromRegistry = true;
    std::thread other([&] { l.app.Shutdown(); });
    other.join();
    EXPECT_FALSE(l.app.mShutdown);
    EXPECT_TRUE(l.app.mShutdownRequestedAsync);
    EXPECT_TRUE(l.host.store.empty());
    l.app.ProcessTimedUpdate(true);
    EXPECT_TRUE(l.app.mShutdown);
    EXPECT_EQ(l.host.Dword("InProgress"), 0u);
    bool updated = false;
    EXPECT_FALSE(l.app.UpdateAppStep(&updated));
}

TEST(MainLoop, DeferredDeletesWaitForTheirPumpLevel) {
    Loop l;
    int deleted = 0;
    l.app.mUpdateAppDepth = 2;
    l.app.SafeDeleteWidget(nullptr, [&] { ++deleted; });
    l.app.mUpdateAppDepth = 3;
    bool updated = false;
    // The sweep of a deeper step leaves it alone.
    l.app.mUpdateAppState = 2;
    l.app.UpdateAppStep(&updated);
    EXPECT_EQ(deleted, 0);
    l.app.mUpdateAppDepth = 1;
    l.app.mUpdateAppState = 2;
    l.app.UpdateAppStep(&updated);
    EXPECT_EQ(deleted, 1);
}

}  // namespace
