// The adapter's application: configuration file, fixed-step clock, and the
// window procedure that queues input for the screen system.
#include <gtest/gtest.h>

#include <cfenv>
#include <filesystem>
#include <limits>

#include "orvek/config/ConfigValue.h"
#include "platform/Window.h"
#include "support/AdapterHarness.h"

namespace {

using adaptertest::Platform;
using adaptertest::TestApp;
using orvek::ostrel::App;
using orvek::ostrel::ConfigRegistry;
using namespace plat::msg;

// One more registered key, to see that init writes every key in use.
orvek::ostrel::ConfigValueReadOnly<int> extra_key("test/@extra", 7);

std::size_t count(const adaptertest::Log& log, const std::string& what) {
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), what));
}

// The first pump reports the pointer as gone (it was never over the window):
// that leave and what it queued are taken out of the way.
void settle(Platform& p, TestApp& app) {
    p.host.PumpMessages(&app);
    p.clock.Advance(33);
    app.step_clock();
    app.log.clear();
}

std::string msg_line(std::uint32_t m, std::uint32_t w = 0, std::int32_t l = 0) {
    return "msg " + std::to_string(m) + " " + std::to_string(w) + " " + std::to_string(l);
}

TEST(AppClock, IntervalFromTheStepLength) {
    struct Case {
        const char* dt;
        std::uint64_t interval;
    };
    // 0.01 as a float lies just below 0.01, so its milliseconds truncate to 9.
    const Case cases[] = {{"0.032", 33}, {"0.025", 26}, {"0.01", 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dt);
        Platform p;
        std::filesystem::create_directories(p.dir.file("bin/config"));
        testsupport::write_file(p.config_file("Clock"), std::string("<root><app dt=\"") + c.dt + "\"/></root>");
        TestApp app(&p.host, p.program);
        app.set_config_name("Clock");
        app.init();
        EXPECT_EQ(app.update_interval(), c.interval);
    }
}

TEST(AppClock, StepsPerPass) {
    Platform p;
    TestApp app(&p.host, p.program);
    app.set_config_name("Clock");
    app.init();
    ASSERT_EQ(app.update_interval(), 33u);
    ASSERT_EQ(app.clock_ms(), 0u);
    struct Pass {
        std::uint32_t advance;
        std::size_t steps;
        std::uint64_t left;
    };
    const Pass passes[] = {
        {20, 0, 0},    // below one interval: nothing changes
        {15, 1, 2},    // measured from the same point: 35 ms
        {1000, 5, 2},  // a stall adds at most 5 steps
        {31, 1, 0},
        {32, 0, 0},
        {1, 1, 0},
    };
    for (const Pass& pass : passes) {
        SCOPED_TRACE(pass.advance);
        app.log.clear();
        p.clock.Advance(pass.advance);
        app.step_clock();
        EXPECT_EQ(count(app.log, "update"), pass.steps);
        EXPECT_EQ(app.accumulated(), pass.left);
    }
}

TEST(AppClock, MillisecondsWithoutOverflow) {
    // 300 days at a nanosecond counter: counts x 1000 would not fit 64 bits.
    const std::uint64_t ms = 300ull * 86400000ull + 7;
    const std::uint64_t counts = ms * 1000000ull + 999999ull;
    ASSERT_GT(counts, std::numeric_limits<std::uint64_t>::max() / 1000);
    EXPECT_EQ(orvek::ostrel::counts_to_ms(counts, 1000000000ull), ms);
    EXPECT_EQ(orvek::ostrel::counts_to_ms(2500, 1000), 2500u);
    EXPECT_EQ(orvek::ostrel::counts_to_ms(3579545ull * 5 + 1, 3579545ull), 5000u);

    Platform p;
    TestApp app(&p.host, p.program);
    for (std::uint64_t left = ms; left > 0;) {
        const std::uint32_t step = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, 4000000000u));
        p.clock.Advance(step);
        left -= step;
    }
    EXPECT_EQ(app.clock_ms(), ms);
}

TEST(AppClock, EachStepStartsAtRoundToNearest) {
    Platform p;
    TestApp app(&p.host, p.program);
    app.init();
    std::vector<int> modes;
    app.recording->on_each_update = [&] {
        modes.push_back(std::fegetround());
        std::fesetround(FE_UPWARD);
    };
    p.clock.Advance(66);
    app.step_clock();
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(modes, (std::vector<int>{FE_TONEAREST, FE_TONEAREST}));
}

TEST(AppClock, QuitNowEndsTheMainLoopAfterThatPass) {
    Platform p;
    TestApp app(&p.host, p.program);
    app.init();
    app.quit_after = 3;
    app.Start();
    EXPECT_EQ(app.quit_questions, 3);
    EXPECT_TRUE(app.mShutdown);
}

TEST(AppWindowProc, WhichMessagesAreQueued) {
    Platform p;
    TestApp app(&p.host, p.program);
    // Before the screen system exists nothing is queued.
    app.window_proc({0, kKeyDown, 'A', 0});
    EXPECT_EQ(app.queued_messages(), 0u);
    app.init();
    settle(p, app);
    struct Case {
        std::uint32_t msg;
        bool queued;
    };
    const Case cases[] = {
        {160, true},          {256, true},   {257, true},   {258, true},   {259, true},   {260, true},
        {261, true},          {262, true},   {263, true},   {264, true},   {512, true},   {513, true},
        {514, true},          {515, true},   {516, true},   {517, true},   {518, true},   {519, true},
        {520, true},          {521, true},   {522, true},   {32768, true}, {0xC005, true}, {3, false},
        {15, false},          {28, false},   {255, false},  {265, false},  {275, false},  {511, false},
        {523, false},         {673, false},  {32767, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.msg);
        p.queue(c.msg, 0, plat::MakePointParam(10, 20));
        p.host.PumpMessages(&app);
        EXPECT_EQ(app.queued_messages(), c.queued ? 1u : 0u);
        p.clock.Advance(33);
        app.step_clock();
        EXPECT_EQ(app.queued_messages(), 0u);
    }
}

TEST(AppWindowProc, OrderKeptAndInputBeforeTheUpdate) {
    Platform p;
    TestApp app(&p.host, p.program);
    app.init();
    p.queue(kLButtonDown, 1, plat::MakePointParam(5, 6));
    p.queue(kKeyDown, 'Q', 1);
    p.queue(kChar, 'q', 1);
    p.queue(kMouseMove, 0, plat::MakePointParam(7, 8));
    p.queue(kFirstRegistered, 3, 4);
    p.host.PumpMessages(&app);
    EXPECT_TRUE(app.log.empty());
    p.clock.Advance(66);
    app.step_clock();
    EXPECT_EQ(app.log, (adaptertest::Log{msg_line(kLButtonDown, 1, 5 | 6 << 16), msg_line(kKeyDown, 'Q', 1),
                                         msg_line(kChar, 'q', 1), msg_line(kMouseMove, 0, 7 | 8 << 16),
                                         msg_line(kFirstRegistered, 3, 4), "update", "update"}));
}

TEST(AppWindowProc, HoverAtOnceClickAtTheNextStep) {
    Platform p;
    TestApp app(&p.host, p.program);
    app.init();
    p.queue(kLButtonDown, 1, plat::MakePointParam(5, 6));
    p.queue(kMouseHover, 0, plat::MakePointParam(5, 6));
    p.host.PumpMessages(&app);
    p.clock.Advance(10);
    app.step_clock();  // a pass without steps
    EXPECT_EQ(app.log, (adaptertest::Log{msg_line(kMouseHover, 0, 5 | 6 << 16)}));
    p.clock.Advance(23);
    app.step_clock();
    EXPECT_EQ(app.log, (adaptertest::Log{msg_line(kMouseHover, 0, 5 | 6 << 16), msg_line(kLButtonDown, 1, 5 | 6 << 16),
                                         "update"}));
}

TEST(AppWindowProc, LeaveQueuesAFrameMoveOutsideAndTrackingIsRearmed) {
    Platform p;
    TestApp app(&p.host, p.program);
    app.init();
    ASSERT_EQ(p.window.trackRequests, (std::vector<unsigned>{plat::kTrackLeave | plat::kTrackHover}));
    p.queue(kMouseMove, 0, plat::MakePointParam(1, 1));
    p.queue(kMouseLeave);
    p.host.PumpMessages(&app);
    EXPECT_EQ(p.window.trackRequests, (std::vector<unsigned>{plat::kTrackLeave | plat::kTrackHover,
                                                             plat::kTrackHover | plat::kTrackLeave,
                                                             plat::kTrackHover}));
    p.clock.Advance(33);
    app.step_clock();
    const std::int32_t outside = static_cast<std::int32_t>(plat::MakePointParam(-1, -1));
    EXPECT_EQ(app.log, (adaptertest::Log{msg_line(kMouseMove, 0, 1 | 1 << 16), msg_line(160, 0, outside), "update"}));
}

TEST(AppWindowProc, CloseAskedFirst) {
    Platform p;
    TestApp app(&p.host, p.program);
    app.init();
    settle(p, app);
    app.close_answers = {false, false};
    p.queue(kClose);
    p.queue(kSysKeyDown, plat::vk::kF1 + 3, kKeyAltHeld);
    p.host.PumpMessages(&app);
    app.ProcessDeferredMessages(false);
    EXPECT_EQ(app.close_requests, 2);
    EXPECT_FALSE(app.mShutdown);
    EXPECT_EQ(app.queued_messages(), 0u);
    // Accepted: the framework ends the run.
    p.queue(kClose);
    app.Start();
    EXPECT_EQ(app.close_requests, 3);
    EXPECT_TRUE(app.mShutdown);
}

TEST(AppWindow, CentredInTheUsableDesktop) {
    Platform p;
    p.window.usable = {0, 0, 1024, 740};
    p.window.borders = {2, 20, 2, 2};
    TestApp app(&p.host, p.program);
    app.init();
    ASSERT_EQ(p.window.windows.size(), 1u);
    const auto& w = p.window.windows.begin()->second;
    EXPECT_EQ(w.x, (1024 - (640 + 4)) / 2);
    EXPECT_EQ(w.y, (740 - (480 + 22)) / 2);
}

TEST(AppConfig, PathTable) {
    struct Case {
        const char* program;
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"/opt/zelkor/bin/zelkor", "Trelm", "/opt/zelkor/bin/config/Trelm.cfg.xml"},
        {"/opt/zelkor/bin/zelkor.exe", "", "/opt/zelkor/bin/config/zelkor.cfg.xml"},
        {"/opt/zelkor/bin/zelkor", "", "/opt/zelkor/bin/config/zelkor.cfg.xml"},
        {"", "Trelm", "_orvek.cfg.xml"},
    };
    for (const Case& c : cases) EXPECT_EQ(App::make_config_path(c.program, c.name), c.path) << c.program;

    Platform p;
    TestApp app(&p.host, p.program);
    app.set_config_name("First");
    const std::string first = app.config_path();
    app.set_config_name("Second");
    EXPECT_EQ(app.config_path(), first);
    EXPECT_EQ(first, p.config_file("First"));
}

TEST(AppConfig, MissingFileWrittenWithEveryKeyAndSavedAgainAtTheEnd) {
    Platform p;
    const std::string file = p.config_file("Trelm");
    {
        TestApp app(&p.host, p.program);
        app.set_config_name("Trelm");
        app.init();
        const std::string text = testsupport::read_file(file);
        EXPECT_NE(text.find("dt=\"0.032"), std::string::npos) << text;
        EXPECT_NE(text.find("extra=\"7\""), std::string::npos) << text;
        ConfigRegistry::instance().set_int("test/@extra", 9);
    }
    EXPECT_NE(testsupport::read_file(file).find("extra=\"9\""), std::string::npos);
}

TEST(AppConfig, DamagedFileKeptAsideAndDefaultsApply) {
    Platform p;
    const std::string file = p.config_file("Trelm");
    std::filesystem::create_directories(p.dir.file("bin/config"));
    const std::string damaged = "<root><app dt=\"0.05";
    testsupport::write_file(file, damaged);
    TestApp app(&p.host, p.program);
    app.set_config_name("Trelm");
    app.init();
    EXPECT_EQ(testsupport::read_file(p.dir.file("bin/config/Trelm.cfg.prev.xml")), damaged);
    EXPECT_NE(testsupport::read_file(file).find("extra=\"7\""), std::string::npos);
    EXPECT_EQ(app.update_interval(), 33u);
}

}  // namespace
