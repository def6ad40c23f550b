#include "orvek/Profiler.h"
#include "orvek/Timer.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

namespace {

using orvek::ProfileClock;
using orvek::Profiler;
using orvek::ProfileScope;

// Distinct name strings in address order, so the report order is known.
const char names[][8] = {"Main", "A", "B", "Arc", "Work", "Work"};
const char* const kMain = names[0];
const char* const kA = names[1];
const char* const kB = names[2];
const char* const kArc = names[3];

// Manual clock in milliseconds: time moves only when the test says so, so
// the profiler's own cost is zero and every number is exact.
std::uint64_t fake_now = 0;
std::uint64_t fake_step = 0;  // ticks added on every reading

ProfileClock fake_clock() {
    return ProfileClock{[] { return fake_now += fake_step; }, 1000};
}

void advance(std::uint64_t ms) { fake_now += ms; }

class ProfilerTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_now = 1000000;
        fake_step = 0;
        ASSERT_TRUE(Profiler::reset(fake_clock()));
    }
    void TearDown() override { Profiler::reset(ProfileClock::performance()); }
};

struct ReportCase {
    const char* what;
    void (*scenario)();
    float threshold;
    std::string expected;
};

void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.what; }

class ProfilerReport : public ProfilerTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ProfilerReport, WritesExactLines) {
    const ReportCase& c = GetParam();
    c.scenario();
    EXPECT_EQ(Profiler::report(c.threshold), c.expected) << c.what;
}

void nested_main_open() {
    ProfileScope main(kMain);
    advance(100);
    {
        ProfileScope a(kA);
        advance(250);
    }
    for (int i = 0; i < 2; ++i) {
        ProfileScope b(kB);
        advance(125);
    }
    advance(400);
    // The report is taken while "Main" still runs, as the application does.
    std::string text = Profiler::report(1.0f);
    EXPECT_EQ(text,
              "Time lost on profile: 0\n"
              "all: 100.00%[100.00]. time: 1.00\n"
              "  Main: 100.00%[50.00]. time: 1.00. n: 1. average: 1000.00\n"
              "    A: 25.00%. time: 0.25. n: 1. average: 250.00\n"
              "    B: 25.00%. time: 0.25. n: 2. average: 125.00\n");
}

void main_with_small_subtree() {
    ProfileScope main(kMain);
    advance(992);
    ProfileScope a(kA);
    advance(4);
    ProfileScope b(kB);
    advance(4);
}

void at_root_inside_main() {
    ProfileScope main(kMain);
    advance(800);
    {
        ProfileScope arc(kArc, true);
        advance(100);
        ProfileScope inner(kA);
        advance(100);
    }
}

void same_text_two_strings() {
    ProfileScope main(kMain);
    for (const char* name : {names[4], names[5]}) {
        ProfileScope work(name);
        advance(500);
    }
}

void started_twice() {
    ProfileScope main(kMain);
    main.start();
    advance(20);
}

void nothing_measured() {}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfilerReport,
    ::testing::Values(
        ReportCase{"closed scopes", [] { { ProfileScope m(kMain); advance(1000); } }, 1.0f,
                   "Time lost on profile: 0\n"
                   "all: 100.00%[100.00]. time: 1.00\n"
                   "  Main: 100.00%[0.00]. time: 1.00. n: 1. average: 1000.00\n"},
        ReportCase{"threshold drops an entry with its children", main_with_small_subtree, 1.0f,
                   "Time lost on profile: 0\n"
                   "all: 100.00%[100.00]. time: 1.00\n"
                   "  Main: 100.00%[0.80]. time: 1.00. n: 1. average: 1000.00\n"},
        ReportCase{"threshold between parent and child", main_with_small_subtree, 0.5f,
                   "Time lost on profile: 0\n"
                   "all: 100.00%[100.00]. time: 1.00\n"
                   "  Main: 100.00%[0.80]. time: 1.00. n: 1. average: 1000.00\n"
                   "    A: 0.80%[50.00]. time: 0.01. n: 1. average: 8.00\n"},
        ReportCase{"lower threshold keeps both", main_with_small_subtree, 0.3f,
                   "Time lost on profile: 0\n"
                   "all: 100.00%[100.00]. time: 1.00\n"
                   "  Main: 100.00%[0.80]. time: 1.00. n: 1. average: 1000.00\n"
                   "    A: 0.80%[50.00]. time: 0.01. n: 1. average: 8.00\n"
                   "      B: 0.40%. time: 0.00. n: 1. average: 4.00\n"},
        ReportCase{"at-root scope is top-level", at_root_inside_main, 1.0f,
                   "Time lost on profile: 0\n"
                   "all: 100.00%[100.00]. time: 1.20\n"
                   "  Main: 83.33%[0.00]. time: 1.00. n: 1. average: 1000.00\n"
                   "  Arc: 16.67%[50.00]. time: 0.20. n: 1. average: 200.00\n"
                   "    A: 8.33%. time: 0.10. n: 1. average: 100.00\n"},
        ReportCase{"equal texts, two entries", same_text_two_strings, 1.0f,
                   "Time lost on profile: 0\n"
                   "all: 100.00%[100.00]. time: 1.00\n"
                   "  Main: 100.00%[100.00]. time: 1.00. n: 1. average: 1000.00\n"
                   "    Work: 50.00%. time: 0.50. n: 1. average: 500.00\n"
                   "    Work: 50.00%. time: 0.50. n: 1. average: 500.00\n"},
        ReportCase{"started twice counts once", started_twice, 1.0f,
                   "Time lost on profile: 0\n"
                   "all: 100.00%[100.00]. time: 0.02\n"
                   "  Main: 100.00%[0.00]. time: 0.02. n: 1. average: 20.00\n"},
        ReportCase{"nothing measured", nothing_measured, 0.0f,
                   "Time lost on profile: 0\n"
                   "all: 0.00%. time: 0.00\n"}),
    [](const ::testing::TestParamInfo<ReportCase>& info) { return "case" + std::to_string(info.index); });

TEST_F(ProfilerTest, ReportWhileMainRuns) { nested_main_open(); }

TEST_F(ProfilerTest, CalibrationEntrySitsUnderTheFirstEntry) {
    {
        ProfileScope main(kMain);
        advance(10);
    }
    const auto& top = Profiler::root().children;
    ASSERT_EQ(top.size(), 1u);
    const auto& below = top.at(kMain).children;
    ASSERT_EQ(below.size(), 1u);
    EXPECT_STREQ(below.begin()->first, "one_profile_time_measure");
    EXPECT_EQ(below.begin()->second.count, 100);
    EXPECT_EQ(top.at(kMain).count, 1);
}

// With a clock that moves on every reading the profiler's own cost is real,
// and the report corrects for it. Writing it again must give the same text,
// and no correction may wrap below zero.
TEST_F(ProfilerTest, SecondReportRepeatsTheNumbers) {
    fake_step = 1;
    {
        ProfileScope main(kMain);
        advance(50);
        for (int i = 0; i < 300; ++i) {
            ProfileScope a(kA);
            ProfileScope b(kB);
        }
    }
    std::string first = Profiler::report(0.0f);
    std::string second = Profiler::report(0.0f);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.find("Time lost on profile: 0\n"), std::string::npos) << first;
    // Here the charged overhead exceeds what "Main" measured; a wrapped total
    // would show up as a huge time and percentages far above 100.
    std::istringstream lines(first);
    std::string line;
    std::getline(lines, line);
    int entries = 0;
    while (std::getline(lines, line)) {
        ++entries;
        double percent = std::stod(line.substr(line.find(": ") + 2));
        double time = std::stod(line.substr(line.find("time: ") + 6));
        EXPECT_GE(percent, 0.0) << line;
        EXPECT_LE(percent, 100.0) << line;
        EXPECT_LT(time, 100000.0) << line;
    }
    EXPECT_EQ(entries, 5) << first;
}

// A counter that jitters back and forth, as unsynchronised time-stamp
// counters do, can make the calibration run look shorter than the cost it
// charged; the per-start cost must then be 0, not a wrapped huge value.
TEST_F(ProfilerTest, JitteryClockNeverChargesAWrappedCost) {
    static std::uint64_t reading = 0;
    reading = 0;
    ASSERT_TRUE(Profiler::reset(ProfileClock{[] { return 1000000 + (reading++ % 2 ? 1000 : 0); }, 1000000000}));
    {
        ProfileScope main(kMain);
        ProfileScope a(kA);
    }
    std::string text = Profiler::report(0.0f);
    ASSERT_EQ(text.rfind("Time lost on profile: ", 0), 0u) << text;
    EXPECT_LT(std::stod(text.substr(22)), 1.0) << text;
}

// Nothing measurable: the shares are 0, not a division by zero.
TEST_F(ProfilerTest, ZeroTimesGiveZeroShares) {
    {
        ProfileScope main(kMain);
        ProfileScope a(kA);
    }
    std::string text = Profiler::report(0.0f);
    EXPECT_NE(text.find("all: 0.00%[0.00]. time: 0.00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Main: 0.00%[0.00]. time: 0.00. n: 1. average: 0.00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    A: 0.00%. time: 0.00. n: 1. average: 0.00\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
}

TEST_F(ProfilerTest, WritesProfileLogReplacingAnOldOne) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.path() / "profile.log", std::string(5000, 'x'));
    {
        ProfileScope main(kMain);
        advance(1000);
    }
    testsupport::in_directory(dir.path(), [] { EXPECT_TRUE(Profiler::write_report(1.0f)); });
    EXPECT_EQ(testsupport::read_file(dir.path() / "profile.log"), Profiler::report(1.0f));
}

TEST_F(ProfilerTest, ReportFailsWhenTheFileCannotBeCreated) {
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir.path() / "profile.log");
    testsupport::in_directory(dir.path(), [] { EXPECT_FALSE(Profiler::write_report(1.0f)); });
}

TEST_F(ProfilerTest, ResetIsRefusedWhileAScopeRuns) {
    ProfileScope main(kMain);
    EXPECT_FALSE(Profiler::reset(fake_clock()));
}

TEST(Timer, StoppedTimerAnswersItsStoppedValue) {
    orvek::Timer t;
    t.start = 0;
    t.stopped_value = 1234;
    t.stopped = true;
    EXPECT_EQ(t.elapsed(), 1234u);
    t.start = orvek::performance_counter() - 1;  // would give a tiny interval when running
    EXPECT_EQ(t.elapsed(), 1234u);
}

TEST(Timer, RunningTimerNeverWrapsBelowZero) {
    orvek::Timer t;
    t.start = orvek::performance_counter() + 1000000000000ull;  // well ahead of the clock
    EXPECT_EQ(t.elapsed(), 0u);
    t.start = orvek::performance_counter();
    EXPECT_LT(t.elapsed(), orvek::Timer::frequency() * 3600);
}

TEST(Timer, FrequencyIsFixed) {
    EXPECT_EQ(orvek::Timer::frequency(), 1000000000u);
    EXPECT_EQ(orvek::Timer::frequency(), orvek::Timer::frequency());
}

}  // namespace
