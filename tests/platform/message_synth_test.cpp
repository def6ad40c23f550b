// Messages the pump makes up, on the manual clock: the window timer's
// cadence, hover after a rest and its re-arming, leave, registered message
// numbers, the single-instance notification and the end-of-session signal.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/MessageSynth.h"
#include "platform/Signals.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/ManualClock.h"

namespace {

using plat::MsgRecord;
namespace msg = plat::msg;

std::vector<MsgRecord> Collect(plat::MessageSynth& s) {
    std::vector<MsgRecord> out;
    s.Collect(out);
    return out;
}

int Count(const std::vector<MsgRecord>& v, std::uint32_t m) {
    int n = 0;
    for (const auto& r : v) n += r.msg == m;
    return n;
}

TEST(MessageSynth, TimerFiresEveryIntervalAndOnceWhenLate) {
    plat::headless::ManualClock clock(0xFFFFFFF0u);   // crosses the wrap on the way
    plat::MessageSynth synth(clock);
    synth.SetTimer(1, msg::kAppTimerId, 10);
    int fired = 0;
    for (int step = 0; step < 100; ++step) {
        clock.Advance(5);
        for (const auto& r : Collect(synth)) {
            ASSERT_EQ(r.msg, msg::kTimer);
            EXPECT_EQ(r.wParam, msg::kAppTimerId);
            EXPECT_EQ(r.window, 1u);
            ++fired;
        }
    }
    EXPECT_EQ(fired, 50);   // 500 ms at 10 ms
    // A stall of a second leaves one timer message, and the cadence goes on
    // from there rather than catching up.
    clock.Advance(1000);
    EXPECT_EQ(Count(Collect(synth), msg::kTimer), 1);
    clock.Advance(9);
    EXPECT_EQ(Count(Collect(synth), msg::kTimer), 0);
    clock.Advance(1);
    EXPECT_EQ(Count(Collect(synth), msg::kTimer), 1);
    synth.KillTimer(1, msg::kAppTimerId);
    clock.Advance(100);
    EXPECT_TRUE(Collect(synth).empty());
}

TEST(MessageSynth, HoverAfterRestOnlyWhileArmed) {
    plat::headless::ManualClock clock;
    plat::MessageSynth synth(clock);
    synth.MouseMoved(1, 30, 40);
    clock.Advance(1000);
    EXPECT_TRUE(Collect(synth).empty()) << "nothing before the tracking call";

    synth.Track(1, plat::kTrackHover | plat::kTrackLeave);
    clock.Advance(399);
    EXPECT_TRUE(Collect(synth).empty());
    clock.Advance(1);
    auto out = Collect(synth);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].msg, msg::kMouseHover);
    EXPECT_EQ(out[0].lParam, plat::MakePointParam(30, 40));
    clock.Advance(1000);
    EXPECT_TRUE(Collect(synth).empty()) << "hover fires once per request";

    // Re-armed: a move restarts the rest.
    synth.Track(1, plat::kTrackHover);
    clock.Advance(300);
    synth.MouseMoved(1, 31, 40);
    clock.Advance(300);
    EXPECT_TRUE(Collect(synth).empty());
    clock.Advance(100);
    EXPECT_EQ(Count(Collect(synth), msg::kMouseHover), 1);

    // Leave is still armed from the first call; it fires once and also ends
    // a pending hover request.
    synth.Track(1, plat::kTrackHover);
    synth.MouseLeft(1);
    out = Collect(synth);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].msg, msg::kMouseLeave);
    synth.MouseMoved(1, 5, 5);
    clock.Advance(1000);
    EXPECT_TRUE(Collect(synth).empty());
}

TEST(MessageSynth, LeaveRequestedWhileOutsideReportsAtOnce) {
    plat::headless::ManualClock clock;
    plat::MessageSynth synth(clock);
    synth.Track(1, plat::kTrackLeave);
    auto out = Collect(synth);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].msg, msg::kMouseLeave);
    synth.MouseMoved(1, 1, 1);
    synth.Track(1, plat::kTrackLeave);
    EXPECT_TRUE(Collect(synth).empty());
    synth.MouseLeft(1);
    EXPECT_EQ(Count(Collect(synth), msg::kMouseLeave), 1);
    synth.MouseMoved(1, 1, 1);
    synth.MouseLeft(1);
    EXPECT_TRUE(Collect(synth).empty()) << "not re-armed";
}

TEST(HeadlessWindow, PumpOrderRegisteredNotifyAndSessionEnd) {
    plat::headless::ManualClock clock;
    plat::headless::HeadlessWindow win(clock);
    ASSERT_TRUE(win.Start(nullptr));
    const auto main = win.CreateMainWindow("t", 0, 0, 640, 480, false);
    const auto notify = win.RegisterMessage("NotifyZelkor");
    EXPECT_EQ(notify, msg::kFirstRegistered);
    EXPECT_EQ(win.RegisterMessage("NOTIFYzelkor"), notify);
    EXPECT_EQ(win.RegisterMessage("Other"), msg::kFirstRegistered + 1);

    bool knock = false;
    win.SetNotifySource([&] { return std::exchange(knock, false); }, main, notify);
    win.SetTimer(main, msg::kAppTimerId, 10);
    win.QueueInput({main, msg::kKeyDown, 'A', 1});
    win.QueueInput({main, msg::kMouseMove, 0, plat::MakePointParam(3, 4)});
    knock = true;
    plat::RequestSessionEnd();
    clock.Advance(10);

    std::vector<MsgRecord> got;
    win.PumpEvents([&](const MsgRecord& r) { got.push_back(r); });
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].msg, msg::kKeyDown);
    EXPECT_EQ(got[1].msg, msg::kMouseMove);
    EXPECT_EQ(got[2].msg, notify);
    EXPECT_EQ(got[3].msg, msg::kEndSession);
    EXPECT_EQ(got[3].wParam, 1u);
    EXPECT_EQ(got[4].msg, msg::kTimer);
    int x = 0, y = 0;
    win.LastClientCursorPos(&x, &y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);

    // Stopping mid-pump keeps the rest, in order, for the next pump.
    win.QueueInput({main, msg::kChar, 'a', 1});
    win.QueueInput({main, msg::kChar, 'b', 1});
    got.clear();
    win.PumpEvents([&](const MsgRecord& r) {
        got.push_back(r);
        win.StopPump();
    });
    ASSERT_EQ(got.size(), 1u);
    win.PumpEvents([&](const MsgRecord& r) { got.push_back(r); });
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].wParam, std::uintptr_t('b'));
}

}  // namespace
