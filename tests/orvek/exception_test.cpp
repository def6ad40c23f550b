#include "orvek/Exception.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "orvek/Log.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

using orvek::ErrorInfo;
using orvek::SystemErrorInfo;
using orvek::TextualErrorInfo;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

// Captures what the error report shows, for the length of a test.
class SinkCapture {
public:
    SinkCapture() {
        previous_ = orvek::set_error_sink([this](const std::string& text, const std::string& caption) {
            text_ = text;
            caption_ = caption;
            ++calls_;
        });
    }
    ~SinkCapture() { orvek::set_error_sink(previous_); }
    const std::string& text() const { return text_; }
    const std::string& caption() const { return caption_; }
    int calls() const { return calls_; }

private:
    orvek::ErrorSink previous_;
    std::string text_, caption_;
    int calls_ = 0;
};

// Runs before anything in this process has used the default info channel.
TEST(ReportError, BeforeTheLogIsUsedShowsOnlyTheMessage) {
    if (orvek::default_info_channel().known_stream()) GTEST_SKIP() << "needs a fresh process";
    SinkCapture sink;
    orvek::report_error("Something broke", "Zelkor");
    EXPECT_EQ(sink.calls(), 1);
    EXPECT_EQ(sink.text(), "Something broke\n\n");
    EXPECT_EQ(sink.caption(), "Zelkor");
    orvek::report_error(nullptr, nullptr);
    EXPECT_EQ(sink.text(), "");
}

// ---------------------------------------------------------------- error infos

// Writes into a heap buffer of exactly `size` bytes, so AddressSanitizer
// catches any byte written past it.
std::string write_exact(const ErrorInfo& info, std::size_t size, std::size_t* count = nullptr) {
    std::unique_ptr<char[]> buf(new char[size ? size : 1]);
    std::memset(buf.get(), '#', size ? size : 1);
    std::size_t n = info.write_message(size ? buf.get() : nullptr, size);
    if (count) *count = n;
    if (size == 0) return "<none>";
    EXPECT_LT(n, size);
    EXPECT_EQ(buf[n], '\0');
    return std::string(buf.get(), n);
}

TEST(ErrorInfo, WriteMessageNeverPassesTheSize) {
    TextualErrorInfo inner("inner");
    TextualErrorInfo info("text", "ctx", &inner);
    const std::string full = "textinner ('ctx')";
    EXPECT_EQ(info.message(), full);
    std::size_t n = 99;
    EXPECT_EQ(write_exact(info, 0, &n), "<none>");
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(write_exact(info, 1), "");
    EXPECT_EQ(write_exact(info, full.size() + 1), full);
    for (std::size_t size = 2; size <= full.size(); ++size)
        EXPECT_EQ(write_exact(info, size), full.substr(0, size - 1)) << size;

    SystemErrorInfo sys(ENOENT, "some/path", &inner);
    std::string sys_full = sys.message();
    for (std::size_t size = 1; size <= sys_full.size() + 1; ++size)
        EXPECT_EQ(write_exact(sys, size), sys_full.substr(0, size - 1)) << size;
}

TEST(ErrorInfo, ChainsTextNestedAndContext) {
    EXPECT_EQ(TextualErrorInfo("text", "x").message(), "text ('x')");
    EXPECT_EQ(TextualErrorInfo("text").message(), "text");
    EXPECT_EQ(ErrorInfo("x").message(), " ('x')");
    EXPECT_EQ(ErrorInfo().message(), "");
    TextualErrorInfo inner("disk full", "a.bin");
    ErrorInfo outer("b.bin", &inner);
    EXPECT_EQ(outer.message(), "disk full ('a.bin') ('b.bin')");
    std::ostringstream os;
    os << outer;
    EXPECT_EQ(os.str(), outer.message());
}

TEST(ErrorInfo, KeepsItsOwnCopies) {
    auto inner = std::make_unique<TextualErrorInfo>(std::string("inner ") + "text");
    std::string context = "temporary context";
    TextualErrorInfo info(std::string("outer ") + "text", context, inner.get());
    inner.reset();
    context.assign("changed");
    EXPECT_EQ(info.message(), "outer textinner text ('temporary context')");
}

TEST(SystemErrorInfo, TakesErrnoAndDropsLineBreaks) {
    errno = EACCES;
    SystemErrorInfo info;
    EXPECT_EQ(info.code(), EACCES);
    std::string text = info.message();
    EXPECT_EQ(text, std::strerror(EACCES));
    EXPECT_NE(text.back(), '\n');
    info.set_code(ENOENT);
    EXPECT_EQ(info.message(), std::strerror(ENOENT));
    EXPECT_EQ(SystemErrorInfo(ENOENT, "f.txt").message(), std::string(std::strerror(ENOENT)) + " ('f.txt')");
}

// ---------------------------------------------------------------- exceptions

class Custom : public orvek::Exception {};

TEST(Exception, EmptyMessageReadsAsTheDynamicTypeName) {
    EXPECT_EQ(std::string(orvek::Exception().what()), orvek::type_name(typeid(orvek::Exception)));
    EXPECT_EQ(std::string(orvek::Exception("").what()), orvek::type_name(typeid(orvek::Exception)));
    EXPECT_EQ(std::string(orvek::Exception(static_cast<const char*>(nullptr)).what()),
              orvek::type_name(typeid(orvek::Exception)));
    Custom c;
    const std::exception& e = c;
    EXPECT_EQ(std::string(e.what()), orvek::type_name(typeid(Custom)));
}

TEST(Exception, KeepsAtMost2047Characters) {
    std::string text(3000, 'm');
    orvek::Exception e(text);
    EXPECT_EQ(std::strlen(e.what()), 2047u);
    orvek::Exception copy(e);
    EXPECT_STREQ(copy.what(), e.what());
    orvek::Exception assigned("short");
    assigned = e;
    EXPECT_STREQ(assigned.what(), e.what());
    EXPECT_STREQ(orvek::Exception(TextualErrorInfo("a", "b")).what(), "a ('b')");
}

TEST(Exception, FailureDefaultsToIoError) {
    EXPECT_STREQ(orvek::io::Failure().what(), "i/o error");
    EXPECT_STREQ(orvek::io::Failure(static_cast<const char*>(nullptr)).what(), "i/o error");
    EXPECT_STREQ(orvek::io::Failure("").what(), "i/o error");
    EXPECT_STREQ(orvek::io::Failure("read past end").what(), "read past end");
    EXPECT_STREQ(orvek::io::Failure(TextualErrorInfo("bad", "f")).what(), "bad ('f')");
    EXPECT_THROW(throw orvek::io::Failure(), orvek::Exception);
}

// ---------------------------------------------------------------- throw sites

TEST(ThrowSites, LocationFormat) {
    EXPECT_EQ(orvek::format_location({"a.cpp", 12, "f()"}), "a.cpp(12) : f() : ");
    EXPECT_EQ(orvek::format_location({"", 12, "f()"}), "f() : ");
    EXPECT_EQ(orvek::format_location({"a.cpp", 3, ""}), "a.cpp(3) : ");
    EXPECT_EQ(orvek::format_location({"", 0, ""}), "");
}

template <class E, class F>
void expect_reported_throw(F&& thrower, const std::string& message) {
    logcapture::LogMark mark;
    const orvek::ThrowLocation loc{"src/thing.cpp", 42, "orvek::thing()"};
    try {
        thrower(loc, message);
        ADD_FAILURE() << "did not throw";
    } catch (const E& e) {
        EXPECT_EQ(std::string(e.what()), message);
        EXPECT_EQ(typeid(e), typeid(E));
    }
    std::string pad(std::string("[exception] error: ").size(), ' ');
    EXPECT_EQ(mark.text(), "[exception] error: " + orvek::type_name(typeid(E)) + "\n" + pad +
                               "    src/thing.cpp(42) : orvek::thing() : \n" + pad + "    " + message + "\n");
}

TEST(ThrowSites, HelpersReportThenThrow) {
    expect_reported_throw<std::logic_error>(orvek::throw_logic_error, "logic");
    expect_reported_throw<std::domain_error>(orvek::throw_domain_error, "domain");
    expect_reported_throw<std::runtime_error>(orvek::throw_runtime_error, "runtime");
    EXPECT_THROW(orvek::throw_exception("plain"), orvek::Exception);
}

TEST(ThrowSites, ThrowEvenWhenLoggingIsOff) {
    orvek::LogSettings& global = orvek::LogSettingsTable::instance().global();
    ++global.suspend;
    EXPECT_THROW(orvek::throw_runtime_error(ORVEK_THROW_LOCATION, "quiet"), std::runtime_error);
    EXPECT_THROW(ORVEK_ASSERT(1 == 2), orvek::Exception);
    --global.suspend;
    try {
        ORVEK_ASSERT(2 + 2 == 5);
        ADD_FAILURE();
    } catch (const orvek::Exception& e) {
        EXPECT_STREQ(e.what(), "2 + 2 == 5");
    }
}

class Refusing : public orvek::Allocator {
protected:
    void* do_allocate(std::size_t) override { return nullptr; }
    void do_deallocate(void*) override {}
};

TEST(Allocator, FailureIsReportedAndThrown) {
    void* p = orvek::Allocator::allocate(64);
    ASSERT_NE(p, nullptr);
    orvek::Allocator::deallocate(p);

    orvek::Allocator* previous = orvek::Allocator::instance();
    Refusing refusing;
    EXPECT_EQ(orvek::Allocator::instance(&refusing), &refusing);
    logcapture::LogMark mark;
    try {
        orvek::Allocator::allocate(64);
        ADD_FAILURE();
    } catch (const orvek::Exception& e) {
        EXPECT_STREQ(e.what(), "Allocator: Memory allocation failed.");
    }
    orvek::Allocator::instance(previous);
    EXPECT_NE(mark.text().find("orvek/Allocator(25) : orvek::Allocator::allocate : "), std::string::npos);
}

// ---------------------------------------------------------------- the error report

TEST(LogTail, ShowsTheRealLastLines) {
    testsupport::TempDir dir;
    auto lines = [](int from, int to) {
        std::string s;
        for (int i = from; i <= to; ++i) s += "line " + std::to_string(i) + "\n";
        return s;
    };
    testsupport::write_file(dir.file("three.log"), lines(1, 3));
    EXPECT_EQ(orvek::read_log_tail(dir.file("three.log")), lines(1, 3));

    testsupport::write_file(dir.file("thirty.log"), lines(1, 30));
    EXPECT_EQ(orvek::read_log_tail(dir.file("thirty.log")), lines(22, 30));

    // A long line neither hides the lines after it nor overflows a slot.
    std::string longline(300, 'L');
    testsupport::write_file(dir.file("long.log"), lines(1, 5) + longline + "\n" + lines(6, 10) + "\n\n");
    EXPECT_EQ(orvek::read_log_tail(dir.file("long.log")), lines(3, 5) + longline.substr(0, 258) + "\n" + lines(6, 10));

    // The window from the end starts inside a line: that piece is dropped.
    std::string huge(100000, 'h');
    testsupport::write_file(dir.file("huge.log"), huge + "\n" + lines(1, 2));
    EXPECT_EQ(orvek::read_log_tail(dir.file("huge.log")), lines(1, 2));

    EXPECT_EQ(orvek::read_log_tail(dir.file("missing.log")), "");
}

TEST(ReportError, QuotesTheLastLogLines) {
    orvek::default_info_channel() << "first entry" << std::endl;
    orvek::default_error_channel() << "second entry" << std::endl;
    SinkCapture sink;
    orvek::report_error("Fatal", "Caption");
    std::string name = orvek::log_stream()->buffer()->file_name();
    ASSERT_FALSE(name.empty());
    const std::string head = "Fatal\n\nRecent log entries (\"" + name + "\"):\n";
    ASSERT_EQ(sink.text().substr(0, head.size()), head);
    std::string tail = sink.text().substr(head.size());
    EXPECT_NE(tail.find("[] first entry\n[] error: second entry\n"), std::string::npos) << tail;
    orvek::LogSettings& global = orvek::LogSettingsTable::instance().global();
    ++global.suspend;
    EXPECT_EQ(tail, orvek::read_log_tail(name));
    --global.suspend;

    std::runtime_error e("went wrong");
    orvek::report_exception(e);
    EXPECT_EQ(sink.caption(), orvek::type_name(typeid(e)));
    EXPECT_EQ(sink.text().substr(0, 12), "went wrong\n\n");
}

TEST(ReportError, SinkFailuresAreLoggedNotPassedOn) {
    logcapture::LogMark mark;
    orvek::ErrorSink previous =
        orvek::set_error_sink([](const std::string&, const std::string&) { throw std::runtime_error("no display"); });
    EXPECT_NO_THROW(orvek::report_error("x", "y"));
    orvek::set_error_sink([](const std::string&, const std::string&) { throw 7; });
    EXPECT_NO_THROW(orvek::report_error("x", "y"));
    orvek::set_error_sink(previous);
    EXPECT_NE(mark.text().find("[] error: o::report_error() failed with std::exception: no display\n"),
              std::string::npos);
    EXPECT_NE(mark.text().find("[] error: o::report_error() failed\n"), std::string::npos);
}

TEST(ReportError, DefaultSinkWritesToStderr) {
    orvek::ErrorSink previous = orvek::set_error_sink(nullptr);
    testing::internal::CaptureStderr();
    orvek::report_error("message text", "The Caption");
    std::string err = testing::internal::GetCapturedStderr();
    orvek::set_error_sink(previous);
    EXPECT_NE(err.find("The Caption"), std::string::npos);
    EXPECT_NE(err.find("message text"), std::string::npos);
}

}  // namespace
