#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/app/Common.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

TEST(Common, ParseIntTable) {
    struct Case { const char* text; bool ok; int value; };
    const Case cases[] = {
        {"0x1F", true, 31}, {"0X1f", true, 31}, {"-12", true, -12}, {"0", true, 0},
        {"2147483647", true, INT_MAX}, {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0}, {"-2147483649", false, 0}, {"99999999999999999999", false, 0},
        {"0x80000000", false, 0}, {"1x2", false, 0}, {"12 ", false, 0}, {"", false, 0},
        {"-", false, 0}, {"0x", false, 0}, {"1e5", false, 0},
    };
    for (const Case& c : cases) {
        int v = 777;
        EXPECT_EQ(Vant::ParseInt(c.text, &v), c.ok) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(Common, ParseDoubleAndHex) {
    double d = 1;
    EXPECT_TRUE(Vant::ParseDouble("-.5", &d));
    EXPECT_DOUBLE_EQ(d, -0.5);
    EXPECT_TRUE(Vant::ParseDouble("12.25", &d));
    EXPECT_DOUBLE_EQ(d, 12.25);
    EXPECT_FALSE(Vant::ParseDouble("1e5", &d));
    EXPECT_EQ(d, 0.0);
    EXPECT_FALSE(Vant::ParseDouble("1.2.3", &d));
    EXPECT_FALSE(Vant::ParseDouble("", &d));

    unsigned h = 5;
    EXPECT_TRUE(Vant::ParseHex("fF10", &h));
    EXPECT_EQ(h, 0xFF10u);
    EXPECT_TRUE(Vant::ParseHex("", &h));
    EXPECT_EQ(h, 0u);
    EXPECT_FALSE(Vant::ParseHex("0x1", &h));
}

// Windows-1251 letters are bytes above 0x7F: folding and trimming them must
// neither crash (sanitizers) nor change them in the C locale.
TEST(Common, HighBytesAreFoldedAsUnsigned) {
    const std::string cyr = "\xC0\xE1\xA8 aZ";
    EXPECT_EQ(Vant::ToUpperCopy(cyr), "\xC0\xE1\xA8 AZ");
    EXPECT_EQ(Vant::ToLowerCopy(cyr), "\xC0\xE1\xA8 az");
    EXPECT_EQ(Vant::TrimWhitespace(" \t\xFF x \xFF\n "), "\xFF x \xFF");
    EXPECT_EQ(Vant::FindNoCase("ab\xE0XyZ", "xYz"), 3);
    EXPECT_EQ(Vant::FindNoCase("", ""), -1);
    EXPECT_EQ(Vant::FindNoCase("abc", "abcd"), -1);
}

TEST(Common, NumbersAndListsAsText) {
    EXPECT_EQ(Vant::CommaSeparate(1234567), "1,234,567");
    EXPECT_EQ(Vant::CommaSeparate(0), "0");
    EXPECT_EQ(Vant::CommaSeparate(999), "999");
    EXPECT_EQ(Vant::CommaSeparate(1000), "1,000");
    std::vector<int> list;
    Vant::ParseIntList("3,-4,,7x", &list);
    EXPECT_EQ(list, (std::vector<int>{3, -4, 0, 7}));
    Vant::ParseIntList("", &list);
    EXPECT_EQ(list, (std::vector<int>{0}));
    EXPECT_EQ(Vant::FormatString("%d-%s", 5, "x"), "5-x");
    const std::string big(5000, 'q');
    EXPECT_EQ(Vant::FormatString("<%s>", big.c_str()), "<" + big + ">");
}

TEST(Common, PathPieces) {
    EXPECT_EQ(Vant::GetFileName("a.b/c", true), "c");
    EXPECT_EQ(Vant::GetFileName("dir\\name.ext", true), "name");
    EXPECT_EQ(Vant::GetFileName("dir/x\\name.ext"), "name.ext");
    EXPECT_EQ(Vant::GetFileName("plain"), "plain");
    EXPECT_EQ(Vant::DirectoryOfPath("a\\b/c.txt"), "a\\b");
    EXPECT_EQ(Vant::DirectoryOfPath("a\\b/c.txt", true), "a\\b/");
    EXPECT_EQ(Vant::DirectoryOfPath("c.txt"), "");
    EXPECT_EQ(Vant::StripTrailingSlash("a\\"), "a");
    EXPECT_EQ(Vant::StripTrailingSlash("a"), "a");
}

TEST(Common, FoldersAndFileTimes) {
    testsupport::TempDir tmp;
    Vant::MakeDirectories(tmp.str() + "\\one/two\\three");
    EXPECT_TRUE(fs::is_directory(tmp.path() / "one/two/three"));

    // A link to a folder outside the tree: the link goes, the target stays.
    fs::create_directories(tmp.path() / "outside");
    testsupport::write_file(tmp.path() / "outside/keep.txt", "k");
    testsupport::write_file(tmp.path() / "one/two/f.txt", "f");
    fs::create_directory_symlink(tmp.path() / "outside", tmp.path() / "one/two/link");
    EXPECT_TRUE(Vant::DeleteTree(tmp.str() + "\\one"));
    EXPECT_FALSE(fs::exists(tmp.path() / "one"));
    EXPECT_TRUE(fs::exists(tmp.path() / "outside/keep.txt"));

    EXPECT_FALSE(Vant::DeleteTree(tmp.str() + "/missing"));
    EXPECT_FALSE(Vant::DeleteTree("x"));

    testsupport::write_file(tmp.path() / "t.txt", "t");
    const auto stamp = std::chrono::file_clock::to_sys(fs::last_write_time(tmp.path() / "t.txt"));
    EXPECT_EQ(Vant::GetFileTime(tmp.file("t.txt")),
              std::chrono::duration_cast<std::chrono::seconds>(stamp.time_since_epoch()).count());
    EXPECT_EQ(Vant::GetFileTime(tmp.file("none.txt")), 0);
}
