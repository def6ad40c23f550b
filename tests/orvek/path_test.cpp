#include "orvek/Path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

using orvek::PathString;

namespace {

struct SplitCase {
    const char* path;
    const char* directory;
    const char* name;
    const char* extension;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << '"' << c.path << '"'; }

class SplitPath : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPath, TakesPathApart) {
    const SplitCase& c = GetParam();
    orvek::PathParts parts = orvek::split_path(c.path);
    EXPECT_EQ(parts.directory, c.directory);
    EXPECT_EQ(parts.name, c.name);
    EXPECT_EQ(parts.extension, c.extension);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitPath,
    ::testing::Values(SplitCase{"d/f.tar.gz", "d", "f.tar", ".gz"}, SplitCase{"f", "", "f", ""},
                      SplitCase{".log", "", "", ".log"}, SplitCase{"a\\b/c", "a\\b", "c", ""},
                      SplitCase{"a/b\\", "a/b", "", ""}, SplitCase{"dir.d/name", "dir.d", "name", ""},
                      SplitCase{"/abs/x.log", "/abs", "x", ".log"}, SplitCase{"", "", "", ""}));

TEST(MakePath, AddsSeparatorOnlyWhenNeeded) {
    PathString p;
    orvek::make_path(p, "", "x", ".log");
    EXPECT_EQ(p.str(), "x.log");
    orvek::make_path(p, "dir", "x", ".log");
    EXPECT_EQ(p.str(), "dir/x.log");
    orvek::make_path(p, "dir\\", "x", "");
    EXPECT_EQ(p.str(), "dir\\x");
    orvek::make_path(p, "dir/", "x", ".a");
    EXPECT_EQ(p.str(), "dir/x.a");
}

TEST(PathStringOps, EditsText) {
    PathString p("abcdef");
    EXPECT_EQ(p.find('c'), 2);
    EXPECT_EQ(p.find('z'), -1);
    p.erase(4, 100);  // count past the end removes the rest
    EXPECT_EQ(p.str(), "abcd");
    p.erase(1, 2);
    EXPECT_EQ(p.str(), "ad");
    p.erase(10, 1);  // position past the end changes nothing
    EXPECT_EQ(p.str(), "ad");
    p.resize(4, '.');
    EXPECT_EQ(p.str(), "ad..");
    p.resize(1);
    EXPECT_EQ(p.str(), "a");
    const char* tail = "xyz";
    p.append(tail, tail + 2).append(2, '-').append("!");
    EXPECT_EQ(p.str(), "axy--!");
    EXPECT_EQ(orvek::find_last_of("a/b\\c", "/\\"), 3);
    EXPECT_EQ(orvek::find_last_of("abc", "/"), -1);
}

TEST(PathStringOps, LongPathsAreKeptWhole) {
    std::string longer(600, 'x');
    PathString p(longer);
    p.append("/tail");
    EXPECT_EQ(p.size(), 605u);
    EXPECT_EQ(p.str().substr(600), "/tail");
}

TEST(SystemPaths, ReportWhatTheSystemKnows) {
    PathString p;
    ASSERT_GT(orvek::get_module_file_name(p), 0u);
    EXPECT_EQ(p[0], '/');
    EXPECT_EQ(access(p.c_str(), X_OK), 0);

    ASSERT_GT(orvek::get_current_directory(p), 0u);
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    EXPECT_EQ(p.str(), buf);

    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    setenv("TMPDIR", "/some/where", 1);
    orvek::get_temp_path(p);
    EXPECT_EQ(p.str(), "/some/where/");
    unsetenv("TMPDIR");
    orvek::get_temp_path(p);
    EXPECT_EQ(p.str(), "/tmp/");
    if (old) setenv("TMPDIR", saved.c_str(), 1);
}

TEST(ToLower, LowersThroughLocale) {
    std::string s = "Data/Skin.XML";
    orvek::to_lower(s);
    EXPECT_EQ(s, "data/skin.xml");
}

}  // namespace
