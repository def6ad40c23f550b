// One running copy: the second sees the lock held, knocks, and the first
// hears the knock; a crashed first instance leaves nothing that blocks.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/SingleInstance.h"
#include "support/TestSupport.h"

namespace {

TEST(SingleInstance, SecondInstanceNotifiesTheFirst) {
    testsupport::TempDir dir;
    plat::SingleInstance first("ZelkorMutex", dir.str());
    ASSERT_TRUE(first.Acquire());
    EXPECT_FALSE(first.PollNotify());

    // The second instance is another process, as in real life.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        plat::SingleInstance second("ZelkorMutex", dir.str());
        if (second.Acquire() || second.LockFailed()) ::_exit(1);
        ::_exit(second.NotifyFirst() ? 0 : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(first.PollNotify());
    EXPECT_FALSE(first.PollNotify()) << "one knock, one answer";
}

TEST(SingleInstance, LockIsFreedWhenTheHolderGoes) {
    testsupport::TempDir dir;
    {
        plat::SingleInstance first("Product Mutex", dir.str());
        ASSERT_TRUE(first.Acquire());
        plat::SingleInstance second("Product Mutex", dir.str());
        EXPECT_FALSE(second.Acquire());
        EXPECT_FALSE(second.LockFailed());
    }
    // A crashed holder leaves the lock file and a stale socket behind.
    testsupport::write_file(dir.file("Product Mutex.sock"), "stale");
    plat::SingleInstance next("Product Mutex", dir.str());
    EXPECT_TRUE(next.Acquire());
    plat::SingleInstance knocker("Product Mutex", dir.str());
    EXPECT_TRUE(knocker.NotifyFirst());
    EXPECT_TRUE(next.PollNotify());
}

TEST(SingleInstance, NamesCannotLeaveTheFolder) {
    testsupport::TempDir dir;
    plat::SingleInstance inst("../x/y", dir.str());
    EXPECT_EQ(std::filesystem::path(inst.lockPath()).parent_path(), dir.path());
    EXPECT_TRUE(inst.Acquire());
    // An unusable folder: the check is skipped rather than blocking the game.
    plat::SingleInstance nowhere("Z", dir.file("missing/folder"));
    EXPECT_FALSE(nowhere.Acquire());
    EXPECT_TRUE(nowhere.LockFailed());
}

}  // namespace
