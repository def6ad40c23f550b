#include "orvek/Log.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "support/LogCapture.h"
#include "support/TestSupport.h"

using orvek::LogLine;
using orvek::LogSettings;
using orvek::LogSettingsTable;
using orvek::LogStream;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

constexpr std::int32_t ON = LogSettings::all_on;

// ---------------------------------------------------------------- settings file

struct SettingsCase {
    const char* name;
    std::string text;
    std::string record;  // "!" global, "*" all channels, else a name
    std::int32_t error, warning, info;
    std::size_t warnings = 0;
};

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }

class SettingsText : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsText, SetsThresholds) {
    const SettingsCase& c = GetParam();
    LogSettingsTable table;
    std::istringstream in(c.text);
    auto warnings = orvek::read_log_settings(in, table);
    const LogSettings& r = table.section(c.record);
    EXPECT_EQ(r.thresholds[0], c.error);
    EXPECT_EQ(r.thresholds[1], c.warning);
    EXPECT_EQ(r.thresholds[2], c.info);
    EXPECT_EQ(warnings.size(), c.warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsText,
    ::testing::Values(
        SettingsCase{"empty", "", "x", ON, ON, ON},
        SettingsCase{"star_then_named", "[*] i=-*\n[Core.Profiles] i=+*\n", "Core.Profiles", ON, ON, ON},
        SettingsCase{"star_then_named_other", "[*] i=-*\n[Core.Profiles] i=+*\n", "Other", ON, ON, -1},
        SettingsCase{"named_then_star", "[Core.Profiles] i=+*\n[*] i=-*\n", "Core.Profiles", ON, ON, -1},
        SettingsCase{"global_bare_off", "[!] -*\n[x] +*\n", "!", -1, -1, -1},
        SettingsCase{"keyword_then_value", "[x] -* e=3\n", "x", 3, -1, -1},
        // the second value follows a value, not a keyword: all three
        SettingsCase{"value_after_value", "[x] -* e=3 +4\n", "x", 4, 4, 4},
        SettingsCase{"stray_char_before_value", "[x] -* e:=2\n", "x", 2, 2, 2},
        SettingsCase{"bare_digits_ignored", "[x] -* e 5\n", "x", -1, -1, -1},
        SettingsCase{"whole_word_keyword", "[x] -* warning = 7", "x", -1, 7, -1},
        SettingsCase{"upper_case_not_keyword", "[x] -* Error=5\n", "x", 5, 5, 5},
        SettingsCase{"equals_zero", "[x] i=0\n", "x", ON, ON, 0},
        SettingsCase{"equals_nothing_is_zero", "[x] -* i=\n", "x", -1, -1, 0},
        SettingsCase{"negative_number", "[x] i=-3\n", "x", ON, ON, 2},
        SettingsCase{"lone_star", "[x] -* i *\n", "x", -1, -1, ON},
        SettingsCase{"lone_minus", "[x] e -\n", "x", -1, ON, ON},
        SettingsCase{"spaces_after_sign", "[x] -* w = + 9\n", "x", -1, 9, -1},
        SettingsCase{"comments", "[x] ; -*\n// e -*\ne=-1 /- w-*", "x", 0, -1, ON},
        SettingsCase{"directive", "[x]\n#pragma -*\ne-*", "x", -1, ON, ON},
        SettingsCase{"before_first_section", "-*\n[x] e=-1", "", -1, -1, -1},
        SettingsCase{"before_first_section_other", "-*\n[x] e=-1", "x", 0, ON, ON},
        SettingsCase{"quoted_name", "[ \"a b\" ] -*", "a b", -1, -1, -1},
        SettingsCase{"single_quoted_escape", "['q\\tx'] e-*", "q\tx", -1, ON, ON},
        SettingsCase{"escaped_bracket", "[a\\]b] w-*", "a]b", ON, -1, ON},
        SettingsCase{"quote_stops_at_bracket", "[\"a]b\"] i-*", "a", ON, ON, -1},
        // "+=" is not supported: skipped with a warning, the rest still applies
        SettingsCase{"plus_equals_ignored", "[x] -* e+=5 i=+*\n", "x", -1, -1, ON, 1},
        SettingsCase{"minus_equals_ignored", "[x] e -= 5", "x", ON, ON, ON, 1},
        // the last token counts even without a line break after it
        SettingsCase{"last_token_applied", "[x] e=-*", "x", -1, ON, ON},
        SettingsCase{"last_sign_applied", "[x] w-", "x", ON, -1, ON}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsText, StarIsCopiedOverEarlierRecordsAndNewOnes) {
    LogSettingsTable table;
    LogSettings& early = table.record("early");
    std::istringstream in("[early] i=+*\n[*] w-*\n");
    orvek::read_log_settings(in, table);
    EXPECT_EQ(early.thresholds[1], -1);
    EXPECT_EQ(table.record("late").thresholds[1], -1);
    EXPECT_EQ(&table.record("early"), &early);  // records never move
}

// ---------------------------------------------------------------- the buffer

// A line on stream as a channel named name would open it.
LogLine open_line(LogStream& stream, const std::string& name, int severity) {
    return LogLine(std::make_shared<LogStream::Sentry>(&stream, &name, severity, 0));
}

class LogFormat : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string path = dir.file("t.log");
    LogStream stream{path, orvek::open_mode::out | orvek::open_mode::trunc, false};
    std::string x = "x", y = "y";

    std::string contents() {
        stream.flush();
        return testsupport::read_file(path);
    }
};

TEST_F(LogFormat, IndentsContinuationLinesUnderThePrefix) {
    open_line(stream, x, orvek::log_warning) << "a\nb" << std::endl;
    EXPECT_EQ(contents(), "[x] warning: a\n" + std::string(13, ' ') + "b\n");
    open_line(stream, y, orvek::log_info) << "c" << std::endl << "d" << std::endl;
    EXPECT_EQ(contents(), "[x] warning: a\n" + std::string(13, ' ') + "b\n[y] c\n    d\n");
}

TEST_F(LogFormat, TextWithoutLineEndMergesIntoOneMessage) {
    open_line(stream, x, orvek::log_error) << "a";
    open_line(stream, x, orvek::log_error) << "b" << 42 << std::endl;
    EXPECT_EQ(contents(), "[x] error: ab42\n");
}

TEST_F(LogFormat, ChangeOfChannelOrSeverityFlushes) {
    open_line(stream, x, orvek::log_warning) << "a";
    open_line(stream, x, orvek::log_error) << "b";
    open_line(stream, y, orvek::log_error) << "c" << std::endl;
    open_line(stream, std::string(), orvek::log_info) << "d" << std::endl;
    EXPECT_EQ(contents(), "[x] warning: a[x] error: b[y] error: c\n[] d\n");
}

TEST_F(LogFormat, LongMessagesPassThroughThePutArea) {
    std::string big(10000, 'q');
    open_line(stream, x, orvek::log_info) << big << std::endl;
    EXPECT_EQ(contents(), "[x] " + big + "\n");
}

TEST_F(LogFormat, DebuggerGetsErrorsAndWarningsOnly) {
    stream.buffer()->set_debugger(true);
    testing::internal::CaptureStderr();
    open_line(stream, x, orvek::log_info) << "quiet" << std::endl;
    open_line(stream, x, orvek::log_error) << "loud" << std::endl;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "[x] error: loud\n");
    EXPECT_EQ(contents(), "[x] quiet\n[x] error: loud\n");
}

TEST(LogFile, UnopenableFileNeverStopsTheProgram) {
    testsupport::TempDir dir;
    LogStream stream(dir.file("no/such/dir/t.log"), orvek::open_mode::out | orvek::open_mode::trunc, false);
    std::string x = "x";
    EXPECT_NO_THROW(open_line(stream, x, orvek::log_error) << "lost" << std::endl);
    EXPECT_EQ(stream.buffer()->file_name(), "");
    EXPECT_NO_THROW(open_line(stream, x, orvek::log_error) << "lost too" << std::endl);
    EXPECT_TRUE(stream.bad());

    LogStream nowhere;  // a stream without a file discards
    EXPECT_NO_THROW(open_line(nowhere, x, orvek::log_info) << "gone" << std::endl);
    EXPECT_EQ(nowhere.buffer()->file_name(), "");
}

TEST(LogFile, LinesFromTwoThreadsStayWhole) {
    testsupport::TempDir dir;
    std::string path = dir.file("t.log");
    LogStream stream(path, orvek::open_mode::out | orvek::open_mode::trunc, false);
    const int lines = 10000;
    auto writer = [&](std::string name) {
        for (int i = 0; i < lines; ++i) open_line(stream, name, orvek::log_info) << "line " << i << " end" << std::endl;
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    stream.flush();
    std::istringstream in(testsupport::read_file(path));
    std::string line;
    int count[2] = {0, 0};
    while (std::getline(in, line)) {
        ASSERT_TRUE(line.rfind("[a] line ", 0) == 0 || line.rfind("[b] line ", 0) == 0) << line;
        int who = line[1] - 'a';
        ASSERT_EQ(line, "[" + std::string(1, line[1]) + "] line " + std::to_string(count[who]) + " end");
        ++count[who];
    }
    EXPECT_EQ(count[0], lines);
    EXPECT_EQ(count[1], lines);
}

// ---------------------------------------------------------------- channels

TEST(LogChannel, EnabledTestFollowsItsRecordAndTheGlobalOne) {
    orvek::LogChannel info("test.channel", orvek::log_info_flag);
    orvek::LogChannel warn("test.channel", orvek::log_warning_flag | orvek::log_info_flag);
    orvek::LogChannel err("test.channel", 7);
    EXPECT_EQ(info.severity(), orvek::log_info);
    EXPECT_EQ(warn.severity(), orvek::log_warning);
    EXPECT_EQ(err.severity(), orvek::log_error);
    EXPECT_EQ(info.settings(), err.settings());
    EXPECT_TRUE(info.enabled());

    info.settings()->thresholds[orvek::log_info] = -1;
    EXPECT_FALSE(info.enabled());
    EXPECT_FALSE(info.stream().active());
    EXPECT_TRUE(err.enabled());

    LogSettings& global = LogSettingsTable::instance().global();
    ++global.suspend;
    EXPECT_FALSE(err.enabled());
    --global.suspend;
    EXPECT_TRUE(err.enabled());
    info.settings()->thresholds[orvek::log_info] = LogSettings::all_on;
}

TEST(LogChannel, WritesPrefixedLinesToTheGlobalLog) {
    static orvek::LogChannel channel("test.global", orvek::log_warning_flag);
    logcapture::LogMark mark;
    channel << "value " << 7 << std::endl;
    EXPECT_NE(channel.known_stream(), nullptr);
    EXPECT_EQ(mark.text(), "[test.global] warning: value 7\n");
    const LogLine off;
    EXPECT_NO_THROW(off << "nothing" << std::endl);
}

}  // namespace
