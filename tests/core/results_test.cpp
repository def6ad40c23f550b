#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/ResultsManager.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/SharedRefs.h"
#include "support/TestSupport.h"

using namespace orvek::trelm::core;
using testsupport::read_file;
using testsupport::TempDir;
using testsupport::write_file;
namespace fs = std::filesystem;

namespace {

ResultEntry entry(const std::string& name, int score) {
    return ResultEntry(name, std::make_shared<ScoreLevelResult>(score, LevelPosition(1, 0)));
}

int score_of(const ResultEntry& e) { return std::dynamic_pointer_cast<ScoreLevelResult>(e.result())->score(); }

std::vector<std::string> names(const std::vector<ResultEntry>& list) {
    std::vector<std::string> out;
    for (const auto& e : list) out.push_back(e.name());
    return out;
}

class Results : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("saves/results.bin");
};

}  // namespace

TEST_F(Results, AddKeepsTheBestAndAnswersTheNewEntrysOwnPlace) {
    ResultsManager r(path, 10);
    struct Step {
        const char* name;
        int score;
        int place;
    };
    // Ten distinct scores, then one below all of them, then ties.
    const std::vector<Step> steps = {
        {"s50", 50, 1}, {"s90", 90, 1}, {"s70", 70, 2}, {"s10", 10, 4}, {"s30", 30, 4},
        {"s80", 80, 2}, {"s60", 60, 4}, {"s20", 20, 7}, {"s40", 40, 6}, {"s100", 100, 1},
        {"s5", 5, 0},   // below all ten: cut
        {"tie100", 100, 2},  // ties the first: goes after it
        {"tie20", 20, 0},    // ties the 10th of a full table: cut, not "10th"
    };
    for (const Step& s : steps) EXPECT_EQ(r.add("k", entry(s.name, s.score)), s.place) << s.name;
    EXPECT_EQ(names(r.results("k", 20)), (std::vector<std::string>{"s100", "tie100", "s90", "s80", "s70", "s60",
                                                                    "s50", "s40", "s30", "s20"}));
}

TEST_F(Results, ResultsCopiesTheFirstEntries) {
    ResultsManager r(path, 10);
    for (int i = 0; i < 10; ++i) r.add("k", entry("p" + std::to_string(i), i));
    EXPECT_EQ(names(r.results("k", 3)), (std::vector<std::string>{"p9", "p8", "p7"}));
    EXPECT_EQ(r.results("k", 20).size(), 10u);
    EXPECT_TRUE(r.results("other", 5).empty());
}

TEST_F(Results, FileRoundTripKeepsOrderTiesAndUncutTables) {
    {
        ResultsManager r(path, 12);
        for (int i = 0; i < 12; ++i) r.add("a", entry("a" + std::to_string(i), i % 3));
        r.add("b", entry("only", -7));
    }
    ResultsManager r(path, 10);
    // Not cut on loading.
    auto a = r.results("a", 20);
    ASSERT_EQ(a.size(), 12u);
    EXPECT_EQ(a[0].name(), "a2");
    EXPECT_EQ(a[1].name(), "a5");  // equal results keep their order
    EXPECT_EQ(score_of(r.results("b", 1).at(0)), -7);
    // The next add cuts the table.
    EXPECT_EQ(r.add("a", entry("new", 2)), 5);
    EXPECT_EQ(r.results("a", 20).size(), 10u);
    ResultsManager again(path, 10);
    EXPECT_EQ(again.results("a", 20).size(), 10u);
}

TEST_F(Results, ClearWritesAnEmptyTableFile) {
    ResultsManager r(path, 10);
    r.add("k", entry("x", 1));
    ASSERT_TRUE(r.clear());
    const std::string bytes = read_file(path);
    EXPECT_EQ(bytes, std::string("orvek::io::Stream\2\0\0\0", 21) + std::string(8, '\0'));
    EXPECT_TRUE(ResultsManager(path, 10).tables().empty());
}

TEST_F(Results, FailedSaveKeepsTheOldFileAndSaysSo) {
    ResultsManager r(path, 10);
    r.add("k", entry("kept", 5));
    const std::string before = read_file(path);
    // The temporary file cannot be created.
    fs::create_directory(path + ".tmp");
    EXPECT_EQ(r.add("k", entry("lost", 9)), 1);  // the place is still answered
    EXPECT_FALSE(r.save());
    EXPECT_EQ(read_file(path), before);
    fs::remove(path + ".tmp");
    // A temporary file left behind is simply overwritten.
    write_file(path + ".tmp", "leftover garbage");
    ASSERT_TRUE(r.save());
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    EXPECT_EQ(names(ResultsManager(path, 10).results("k", 10)), (std::vector<std::string>{"lost", "kept"}));
}

TEST_F(Results, DamagedFileIsKeptAsidePartlyReadAndNeverLost) {
    {
        ResultsManager r(path, 10);
        r.add("a", entry("a1", 1));
        r.add("b", entry("b1", 1));
        r.add("b", entry("b2", 2));
    }
    const std::string whole = read_file(path);
    write_file(path, whole.substr(0, whole.size() - 3));
    ResultsManager r(path, 10);
    EXPECT_FALSE(r.load());
    // Table "a" was complete; "b" broke off and is dropped.
    EXPECT_EQ(r.results("a", 10).size(), 1u);
    EXPECT_TRUE(r.results("b", 10).empty());
    const std::string backup = dir.file("saves/results.prev.bin");
    EXPECT_EQ(read_file(backup), whole.substr(0, whole.size() - 3));
    // Saving writes what was read; the backup stays.
    r.add("c", entry("c1", 3));
    EXPECT_TRUE(fs::exists(backup));
    EXPECT_EQ(ResultsManager(path, 10).tables().size(), 2u);
}

TEST_F(Results, NewerResultVersionFailsTheLoad) {
    // A file whose one result is of a version this game does not know.
    {
        orvek::io::SafeOFStream out(path);
        out << std::uint32_t{0} << std::uint32_t{1};
        out.write_sized_block("k");
        out << std::uint32_t{1} << std::uint32_t{0};
        out.write_sized_block("future");
        struct Future : ScoreLevelResult {
            void save(orvek::io::OStream& o) const override { o << std::uint32_t{1} << std::uint32_t{42}; }
        };
        // Written under the real type name, as a newer game would.
        out.write_object(std::make_shared<Future>().get(), ScoreLevelResult::type_key);
        out.write_shared_datum(nullptr, 4, "long");
        ASSERT_TRUE(out.commit());
    }
    const std::string bytes = read_file(path);
    ResultsManager r(path, 10);
    EXPECT_TRUE(r.tables().empty());
    EXPECT_EQ(read_file(dir.file("saves/results.prev.bin")), bytes);
}

TEST_F(Results, GarbageAndHugeCountsLoadNothingAndCrashNothing) {
    fs::create_directories(dir.file("saves"));
    std::string huge("orvek::io::Stream\2\0\0\0", 21);
    huge += std::string("\0\0\0\0\xff\xff\xff\xff\1\0\0\0k\xff\xff\xff\x7f", 17);
    for (const std::string& bytes : {std::string(), std::string("garbage"), huge}) {
        write_file(path, bytes);
        ResultsManager r(path, 10);
        EXPECT_FALSE(r.load());
        EXPECT_TRUE(r.tables().empty() || r.tables().begin()->second.empty());
    }
}
