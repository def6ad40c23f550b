// The program's own log: its settings file is read once, on the first line
// opened, and its file is kept as ".prev" when it already exists. Each test
// process starts in a private folder, so these tests see a fresh log.
#include "orvek/Log.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "orvek/Path.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

TEST(GlobalLog, ReadsItsSettingsFileAndKeepsThePreviousLog) {
    static bool ran = false;  // the settings are read once per process
    if (ran) GTEST_SKIP() << "needs a fresh process";
    ran = true;
    orvek::PathString exe;
    ASSERT_GT(orvek::get_module_file_name(exe), 0u);
    const std::string base(orvek::split_path(exe.str()).name);
    EXPECT_EQ(orvek::log_file_name(), base + ".log");
    EXPECT_EQ(orvek::log_settings_file_name(), base + ".log.ini");

    testsupport::write_file(orvek::log_file_name(), "old run\n");
    // No line break after the last value: it still counts.
    testsupport::write_file(orvek::log_settings_file_name(),
                            "// test settings\n[*] i=-*\n[test.on] i=+*\n[test.odd] e+=1\n[test.on] w=-*");

    orvek::LogChannel off("test.off", orvek::log_info_flag);
    orvek::LogChannel on("test.on", orvek::log_info_flag);
    orvek::LogChannel err("test.off", orvek::log_error_flag);
    orvek::LogChannel warn("test.on", orvek::log_warning_flag);

    off << "hidden" << std::endl;
    on << "shown " << 1 << std::endl;
    err << "an error" << std::endl;
    warn << "silenced" << std::endl;

    std::string log = logcapture::global_log_text();
    EXPECT_EQ(log.find("hidden"), std::string::npos) << log;
    EXPECT_NE(log.find("[test.on] shown 1\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[test.off] error: an error\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("silenced"), std::string::npos) << log;
    // The unsupported construct did not stop logging; it was only reported,
    // and the reading left logging switched on.
    EXPECT_NE(log.find("[] warning: log settings: \"+=\" is not supported and was ignored\n"), std::string::npos)
        << log;
    EXPECT_EQ(orvek::LogSettingsTable::instance().global().suspend.load(), 0);

    std::string name = orvek::log_stream()->buffer()->file_name();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(name, std::string(cwd) + "/" + base + ".log");
    EXPECT_EQ(testsupport::read_file(base + ".prev.log"), "old run\n");

    // Read once per run: a changed file changes nothing now.
    testsupport::write_file(orvek::log_settings_file_name(), "[!] -*");
    orvek::load_log_settings();
    on << "still shown" << std::endl;
    EXPECT_NE(logcapture::global_log_text().find("[test.on] still shown\n"), std::string::npos);
}

}  // namespace
