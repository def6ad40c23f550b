// The statistics file: no file, an empty one, a round trip, a file cut at
// every byte, a save that cannot be written, the whole run's end, and a
// writer killed at many moments.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Profiles.h"
#include "core/Session.h"
#include "gui/StatisticsFile.h"
#include "support/GameStage.h"
#include "support/TestSupport.h"

namespace {

using orvek::trelm::StatisticsLoad;
using orvek::trelm::load_statistics_file;
using orvek::trelm::save_statistics_file;
using orvek::trelm::core::Profiles;
using orvek::trelm::core::SingleSession;
namespace fs = std::filesystem;

std::string bytes_of(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Sessions {
    Sessions() { testsupport::link_fixture_data(); }
    testsupport::TempDir dir;
    Profiles profiles{dir.file("profiles.dat")};
    std::string path = dir.file("stats.dat");
    std::unique_ptr<SingleSession> make() { return std::make_unique<SingleSession>(&profiles); }
};

void fill(SingleSession& s, unsigned n) {
    s.best_statistics().update_chain_max(n);
    for (unsigned i = 0; i < n; ++i) s.sub_level_statistics("key-" + std::to_string(i)).add_combo();
}

TEST(StatisticsFile, Table) {
    Sessions t;
    // No file: nothing loaded, nothing kept.
    auto s = t.make();
    EXPECT_EQ(load_statistics_file(*s, t.path), StatisticsLoad::none);
    // A zero-byte file counts as none.
    put(t.path, "");
    EXPECT_EQ(load_statistics_file(*s, t.path), StatisticsLoad::none);
    EXPECT_FALSE(fs::exists(t.dir.file("stats.prev.dat")));
    // A round trip.
    fill(*s, 3);
    ASSERT_TRUE(save_statistics_file(*s, t.path));
    const std::string good = bytes_of(t.path);
    auto back = t.make();
    EXPECT_EQ(load_statistics_file(*back, t.path), StatisticsLoad::loaded);
    EXPECT_EQ(back->best_statistics().chain_max().value, 3u);
    EXPECT_EQ(back->sub_level_statistics("key-2").combo_num().value, 1u);
    ASSERT_TRUE(save_statistics_file(*back, t.path));
    EXPECT_EQ(bytes_of(t.path), good);
    // Cut at every byte (a file of one record and one entry keeps it
    // short): nothing taken, the file kept aside.
    auto small = t.make();
    fill(*small, 1);
    ASSERT_TRUE(save_statistics_file(*small, t.path));
    const std::string whole = bytes_of(t.path);
    auto cut = t.make();
    for (std::size_t n = 1; n < whole.size(); ++n) {
        put(t.path, whole.substr(0, n));
        fs::remove(t.dir.file("stats.prev.dat"));
        ASSERT_EQ(load_statistics_file(*cut, t.path), StatisticsLoad::damaged) << n;
        EXPECT_EQ(cut->best_statistics().chain_max().value, 0u) << n;
        EXPECT_EQ(cut->sub_level_statistics("key-0").combo_num().value, 0u) << n;
        EXPECT_EQ(bytes_of(t.dir.file("stats.prev.dat")), whole.substr(0, n)) << n;
    }
    // A save that cannot be written leaves the old file and reports false.
    put(t.path, good);
    fs::create_directory(t.path + ".tmp");
    EXPECT_FALSE(save_statistics_file(*t.make(), t.path));
    EXPECT_EQ(bytes_of(t.path), good);
}

TEST(StatisticsFile, TheRunReadsAndWritesIt) {
    // No file: it exists after the end.
    {
        guitest::GameStage st;
        st.app->init();
        st.step(2);
        EXPECT_TRUE(st.app->statistics_writable());
        st.app.reset();
        EXPECT_GT(fs::file_size("saves/stats.dat"), 0u);
    }
    // Damaged: kept aside, empty statistics, a fresh file at the end.
    {
        const std::string good = bytes_of("saves/stats.dat");
        guitest::GameStage st;  // clears saves/
        fs::create_directories("saves");
        put("saves/stats.dat", good.substr(0, good.size() / 2));
        st.app->init();
        EXPECT_EQ(st.controller().session().best_statistics().chain_max().value, 0u);
        EXPECT_EQ(bytes_of("saves/stats.prev.dat"), good.substr(0, good.size() / 2));
        st.app.reset();
        EXPECT_EQ(bytes_of("saves/stats.dat"), good);
    }
    // A save that fails is logged and the run still ends.
    {
        guitest::GameStage st;
        st.app->init();
        fs::create_directories("saves/stats.dat.tmp");
        EXPECT_NO_THROW(st.app.reset());
        EXPECT_FALSE(fs::exists("saves/stats.dat"));
        fs::remove_all("saves/stats.dat.tmp");
    }
}

TEST(StatisticsFile, KilledWriterLeavesOldOrNew) {
    Sessions t;
    {
        auto first = t.make();
        fill(*first, 1);
        ASSERT_TRUE(save_statistics_file(*first, t.path));
    }
    // Made before the children are forked: each starts saving at once.
    auto writer = t.make();
    auto reader = t.make();
    int interrupted = 0;
    for (int round = 0; round < 40 || (interrupted == 0 && round < 200); ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            for (unsigned n = 2;; ++n) {
                fill(*writer, n % 300);
                save_statistics_file(*writer, t.path);
                if (n == 2) (void)!::write(ready[1], "x", 1);
            }
        }
        ::close(ready[1]);
        char byte = 0;
        (void)!::read(ready[0], &byte, 1);
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>((round * 997) % 6000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (fs::exists(t.path + ".tmp")) ++interrupted;
        ASSERT_EQ(load_statistics_file(*reader, t.path), StatisticsLoad::loaded) << "round " << round;
        const unsigned n = reader->best_statistics().chain_max().value;
        // Whole: every record up to the one its best chain names.
        ASSERT_GT(n, 0u);
        EXPECT_GE(reader->sub_level_statistics("key-" + std::to_string(n - 1)).combo_num().value, 1u);
    }
    EXPECT_GT(interrupted, 0);
}

}  // namespace
