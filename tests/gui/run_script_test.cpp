// scripts/run.sh without a display says why and stops before building.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

TEST(RunScript, NoDisplayStopsAtOnce) {
    const std::string cmd = "cd /tmp && env -u DISPLAY -u WAYLAND_DISPLAY PATH=/nonexistent /bin/bash " ZELKOR_SOURCE_DIR
                            "/scripts/run.sh 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    std::array<char, 256> buf{};
    while (std::fgets(buf.data(), buf.size(), p)) out += buf.data();
    const int status = ::pclose(p);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    // PATH leads nowhere: reaching any build step would have failed differently.
    EXPECT_EQ(out, "scripts/run.sh: no graphical display found; the game needs one.\n");
}
