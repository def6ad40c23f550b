// A game killed while it saves must never leave a save file that loads with
// less than before the save began. Each case forks a child that saves over
// and over, growing the data, and kills it at many different moments.
#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "core/CampaignPlayer.h"
#include "core/Profiles.h"
#include "core/ResultsManager.h"
#include "orvek/config/ConfigRegistry.h"
#include "support/TestSupport.h"

using namespace orvek::trelm::core;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<Profile> big_player(const std::string& name) {
    auto p = std::make_shared<Profile>(name);
    auto progress = std::make_shared<CampaignPlayer>();
    for (int s = 0; s < 20; ++s) progress->sub_level_statistics("sub-level-" + std::to_string(s)).set_holder(name);
    progress->store_result("arbor-1", std::make_shared<ScoreLevelResult>(100, LevelPosition(0, 0)));
    p->set_property(progress);
    return p;
}

// Runs `saving` (which never returns; it writes a byte to the descriptor it
// is given once its first save is complete) in a child and kills it
// `rounds` times at spread-out moments; after each kill `check` inspects the
// file. Answers how many kills found a temporary file, that is hit a save in
// the middle.
int kill_while_saving(int rounds, const std::string& temp, const std::function<void(int)>& saving,
                      const std::function<void()>& check) {
    int interrupted = 0;
    // On a busy machine the kills may keep missing the moment a save is on
    // disk half-written: go on, up to five times as long, until one hits.
    for (int round = 0; round < rounds || (interrupted == 0 && round < 5 * rounds); ++round) {
        int ready[2];
        if (::pipe(ready) != 0) {
            ADD_FAILURE() << "pipe";
            return interrupted;
        }
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            try {
                saving(ready[1]);
            } catch (...) {
            }
            ::_exit(3);
        }
        ::close(ready[1]);
        char byte = 0;
        (void)!::read(ready[0], &byte, 1);  // the child has loaded and starts saving
        ::close(ready[0]);
        // Kills land up to 4 ms into the next save; each further block of
        // rounds doubles that, for a slow machine where the writing comes later.
        const int spread_us = 4000 << std::min(round / rounds, 4);
        ::usleep(static_cast<useconds_t>((round * 997) % spread_us));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the child stopped saving by itself";
        if (fs::exists(temp)) ++interrupted;
        check();
        if (::testing::Test::HasFatalFailure()) break;
    }
    return interrupted;
}

void signal_ready(int fd) {
    (void)!::write(fd, "r", 1);
    ::close(fd);
}

}  // namespace

TEST(SaveCrash, ProfilesFileNeverLoadsWithLess) {
    TempDir dir;
    const std::string path = dir.file("saves/profiles.dat");
    {
        Profiles store(path);
        for (int i = 0; i < 40; ++i) store.add(big_player("p" + std::to_string(i)));
    }
    unsigned held = 40;
    const int interrupted = kill_while_saving(
        60, path + ".tmp",
        [&](int ready_fd) {
            Profiles store(path);
            for (int k = 0;; ++k) {
                store.add(big_player("c" + std::to_string(::getpid()) + "-" + std::to_string(k)));
                store.save();
                if (k == 0) signal_ready(ready_fd);
            }
        },
        [&] {
            Profiles store(path);
            ASSERT_TRUE(store.loaded_completely());
            ASSERT_GE(store.size(), held);
            held = store.size();
            ASSERT_TRUE(store.find("p39")->property<CampaignPlayer>());
        });
    EXPECT_GT(interrupted, 0) << "no kill hit a save in the middle";
    EXPECT_GT(held, 40u);
}

TEST(SaveCrash, ResultsFileNeverLoadsWithLess) {
    TempDir dir;
    const std::string path = dir.file("saves/results.bin");
    {
        // Many tables, so every save writes a good deal.
        ResultsManager results(path, 1000);
        for (int k = 0; k < 50; ++k)
            results.add("table-" + std::to_string(k), ResultEntry("player", std::make_shared<ScoreLevelResult>(k, LevelPosition(0, 0))));
    }
    std::size_t held = 50;
    auto total = [](const ResultsManager& r) {
        std::size_t n = 0;
        for (const auto& [key, table] : r.tables()) n += table.size();
        return n;
    };
    const int interrupted = kill_while_saving(
        60, path + ".tmp",
        [&](int ready_fd) {
            ResultsManager results(path, 1000);
            for (int k = 0;; ++k) {
                const std::string key = "table-" + std::to_string(k % 50);
                results.add(key, ResultEntry("player", std::make_shared<ScoreLevelResult>(k, LevelPosition(0, 0))));
                if (k == 0) signal_ready(ready_fd);
            }
        },
        [&] {
            ResultsManager results(path, 1000);
            ASSERT_TRUE(results.load());
            ASSERT_GE(total(results), held);
            held = total(results);
        });
    EXPECT_GT(interrupted, 0) << "no kill hit a save in the middle";
    EXPECT_GT(held, 50u);
}

TEST(SaveCrash, ConfigurationFileNeverLoadsWithLess) {
    using orvek::ostrel::ConfigRegistry;
    TempDir dir;
    const std::string path = dir.file("Trelm.cfg.xml");
    auto keys = [](const ConfigRegistry& reg) {
        std::size_t n = 0;
        for (const auto& [element, attributes] : reg.elements()) n += attributes.size();
        return n;
    };
    {
        ConfigRegistry reg;
        for (int k = 0; k < 3000; ++k)
            reg.set_string(("group" + std::to_string(k % 30) + "/@key" + std::to_string(k)).c_str(), "value");
        ASSERT_TRUE(reg.save(path.c_str()));
    }
    std::size_t held = 3000;
    const int interrupted = kill_while_saving(
        60, path + ".tmp",
        [&](int ready_fd) {
            ConfigRegistry reg;
            reg.load(path.c_str());
            for (int k = 0;; ++k) {
                reg.set_string(("added/@c" + std::to_string(::getpid()) + "_" + std::to_string(k)).c_str(), "v");
                reg.save(path.c_str());
                if (k == 0) signal_ready(ready_fd);
            }
        },
        [&] {
            ConfigRegistry reg;
            ASSERT_TRUE(reg.load(path.c_str()));
            ASSERT_GE(keys(reg), held);
            held = keys(reg);
        });
    EXPECT_GT(interrupted, 0) << "no kill hit a save in the middle";
    EXPECT_GT(held, 3000u);
}
