// Reporting an error reads the log's tail; meanwhile every other thread's
// lines must still reach the log.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "orvek/Exception.h"
#include "orvek/Log.h"
#include "support/LogCapture.h"

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

TEST(LogUnderErrorReports, AReportingThreadDropsNoOtherThreadsLines) {
    orvek::ErrorSink previous = orvek::set_error_sink([](const std::string&, const std::string&) {});
    orvek::LogChannel busy("test.busy", orvek::log_info_flag);
    busy << "first" << std::endl;  // the log has its file before the reports start

    std::atomic<bool> done{false};
    std::atomic<int> reports{0};
    std::thread reporter([&] {
        while (!done.load()) {
            orvek::report_error("trouble", "test");
            ++reports;
        }
    });
    while (reports.load() == 0) std::this_thread::yield();
    for (int i = 0; i < 20000; ++i) busy << "line " << i << std::endl;
    done = true;
    reporter.join();
    orvek::set_error_sink(previous);

    const std::string log = logcapture::global_log_text();
    EXPECT_EQ(count_of(log, "[test.busy] line "), 20000u);
    EXPECT_GT(reports.load(), 1);
}

}  // namespace
