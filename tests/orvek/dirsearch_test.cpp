#include "orvek/DirSearch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

using orvek::DirEntry;
using orvek::DirSearch;

namespace {

class DirSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* d : {"levels", "Beta", "alpha"}) std::filesystem::create_directory(dir.path() / d);
        for (const char* f : {"b.txt", "A.txt", "c.XML", ".hidden"}) testsupport::write_file(dir.path() / f, "x");
    }

    std::vector<std::string> names(const std::string& pattern, std::uint32_t filter) {
        std::vector<std::string> out;
        DirSearch search(pattern, filter);
        for (DirSearch::iterator it = search.begin(); it != search.end(); ++it) out.push_back((*it).name);
        return out;
    }

    testsupport::TempDir dir;
};

TEST_F(DirSearchTest, FilterTableAndSortedNames) {
    const std::string all = dir.str() + "/*";
    EXPECT_EQ(names(all, 1), (std::vector<std::string>{".", "..", "alpha", "Beta", "levels"}));
    EXPECT_EQ(names(all, 2), (std::vector<std::string>{".hidden", "A.txt", "b.txt", "c.XML"}));
    EXPECT_EQ(names(all, 3), (std::vector<std::string>{".", "..", ".hidden", "A.txt", "alpha", "b.txt",
                                                       "Beta", "c.XML", "levels"}));
    EXPECT_TRUE(names(all, 0).empty());
    EXPECT_EQ(names(dir.str() + "\\*.*", 2).size(), 4u);
}

TEST_F(DirSearchTest, PatternIgnoresCase) {
    EXPECT_EQ(names(dir.str() + "/*.txt", 3), (std::vector<std::string>{"A.txt", "b.txt"}));
    EXPECT_EQ(names(dir.str() + "/*.xml", 3), (std::vector<std::string>{"c.XML"}));
    EXPECT_EQ(names(dir.str() + "/LEV*", 1), (std::vector<std::string>{"levels"}));
}

TEST_F(DirSearchTest, NothingMatches) {
    DirSearch none(dir.str() + "/*.png", 3);
    EXPECT_FALSE(none.begin() != none.end());
    DirSearch missing(dir.str() + "/nowhere/*", 3);
    EXPECT_FALSE(missing.begin() != missing.end());
}

TEST_F(DirSearchTest, EntryFlagsAndPaths) {
    ASSERT_EQ(::chmod((dir.path() / "b.txt").c_str(), 0444), 0);
    DirSearch search(dir.str() + "/*", 3);
    std::map<std::string, DirEntry> found;
    for (auto it = search.begin(); it != search.end(); ++it) found[(*it).name] = *it;
    EXPECT_EQ(found.at("levels").flags, DirEntry::attr_directory);
    EXPECT_EQ(found.at("b.txt").flags, DirEntry::attr_read_only);
    EXPECT_EQ(found.at("A.txt").flags, 0u);
    EXPECT_EQ(found.at(".hidden").flags, DirEntry::attr_hidden);
    EXPECT_EQ(found.at("..").flags, DirEntry::attr_directory);
    EXPECT_EQ(found.at("A.txt").directory, dir.str());
    EXPECT_EQ(found.at("A.txt").full_path(), dir.str() + "/A.txt");

    // The folder part of the pattern is found whatever its case; the entry
    // keeps the folder as the pattern wrote it.
    testsupport::write_file(dir.path() / "levels" / "l1.xml", "x");
    DirSearch nested(dir.str() + "/LEVELS/*.xml", 2);
    auto it = nested.begin();
    ASSERT_TRUE(it != nested.end());
    EXPECT_EQ((*it).name, "l1.xml");
    EXPECT_EQ((*it).full_path(), dir.str() + "/LEVELS/l1.xml");
    ++it;
    EXPECT_FALSE(it != nested.end());

    // A relative pattern without a folder searches the current directory.
    testsupport::in_directory(dir.path(), [&] {
        DirSearch here("*.txt", 2);
        auto h = here.begin();
        ASSERT_TRUE(h != here.end());
        EXPECT_EQ((*h).directory, "");
        EXPECT_EQ((*h).full_path(), "A.txt");
    });
}

}  // namespace
