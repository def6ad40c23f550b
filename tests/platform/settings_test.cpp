// The settings store: typed round trips under sub-keys, the caller's buffer
// size, case-blind names, damaged files, and that no crash in the middle of
// a write ever loses a value that was saved before it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/Settings.h"
#include "support/TestSupport.h"

namespace {

using plat::SettingsStore;
const std::string kKey = "SOFTWARE\\Zelkor";

std::uint32_t ReadDword(const SettingsStore& s, const std::string& key, const std::string& name, bool* ok = nullptr) {
    std::uint32_t type = 0, v = 0, size = 4;
    const bool r = s.Read(key, name, &type, &v, &size) && type == plat::kSettingsDword;
    if (ok) *ok = r;
    return v;
}

bool WriteDword(SettingsStore& s, const std::string& key, const std::string& name, std::uint32_t v) {
    return s.Write(key, name, plat::kSettingsDword, &v, 4);
}

TEST(Settings, TypedValuesSurviveARestartUnderSubKeys) {
    testsupport::TempDir dir;
    const std::string file = dir.file("config/registry.txt");
    const std::string text = "Lev \xC6\xE8\xE7\xED\xFC = 100%\n[x]";   // Windows-1251 bytes, format characters
    const std::uint8_t blob[] = {0, 1, 0x7F, 0x80, 0xFF, '\n', '='};
    {
        SettingsStore s(file);
        ASSERT_TRUE(s.Load());
        EXPECT_TRUE(WriteDword(s, kKey, "MusicVolume", 85));
        EXPECT_TRUE(WriteDword(s, kKey + "\\Test3D", "Result", 0xFFFFFFFFu));
        EXPECT_TRUE(s.Write(kKey, "Demo Jump=Time", plat::kSettingsSz, text.data(), std::uint32_t(text.size())));
        EXPECT_TRUE(s.Write(kKey + "\\Test3D", "Blob", plat::kSettingsBinary, blob, sizeof blob));
        EXPECT_TRUE(s.Write(kKey, "Empty", plat::kSettingsBinary, nullptr, 0));
    }
    SettingsStore s(file);
    ASSERT_TRUE(s.Load());
    EXPECT_EQ(ReadDword(s, kKey, "MusicVolume"), 85u);
    EXPECT_EQ(ReadDword(s, kKey + "\\Test3D", "Result"), 0xFFFFFFFFu);
    char buf[64];
    std::uint32_t type = 0, size = sizeof buf;
    ASSERT_TRUE(s.Read(kKey, "Demo Jump=Time", &type, buf, &size));
    EXPECT_EQ(type, plat::kSettingsSz);
    EXPECT_EQ(std::string(buf, size), text);
    size = sizeof buf;
    ASSERT_TRUE(s.Read(kKey + "\\Test3D", "Blob", &type, buf, &size));
    EXPECT_EQ(type, plat::kSettingsBinary);
    ASSERT_EQ(size, sizeof blob);
    EXPECT_EQ(std::memcmp(buf, blob, sizeof blob), 0);
    size = sizeof buf;
    EXPECT_TRUE(s.Read(kKey, "Empty", &type, buf, &size));
    EXPECT_EQ(size, 0u);
    // A value of the key is not a value of its sub-key.
    bool ok = true;
    ReadDword(s, kKey, "Result", &ok);
    EXPECT_FALSE(ok);
}

TEST(Settings, NamesAndKeysIgnoreCaseAndKeepTheirSpelling) {
    testsupport::TempDir dir;
    SettingsStore s(dir.file("r.txt"));
    ASSERT_TRUE(WriteDword(s, "SOFTWARE\\Zelkor", "ScreenMode", 1));
    ASSERT_TRUE(WriteDword(s, "software\\ZELKOR", "SCREENMODE", 0));
    EXPECT_EQ(ReadDword(s, "Software\\zelkor", "screenmode"), 0u);
    const std::string saved = s.Serialise();
    EXPECT_NE(saved.find("[SOFTWARE\\Zelkor]"), std::string::npos) << saved;
    EXPECT_NE(saved.find("dword ScreenMode=0"), std::string::npos) << saved;
    EXPECT_TRUE(s.KeyExists("SOFTWARE\\ZELKOR"));
}

TEST(Settings, SmallBufferFailsAndWritesNothingPastIt) {
    testsupport::TempDir dir;
    SettingsStore s(dir.file("r.txt"));
    const std::string text = "twelve bytes";
    ASSERT_TRUE(s.Write(kKey, "T", plat::kSettingsSz, text.data(), 12));
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    std::uint32_t type = 0, size = 11;
    EXPECT_FALSE(s.Read(kKey, "T", &type, buf, &size));
    EXPECT_EQ(size, 12u) << "the size needed comes back";
    for (char c : buf) EXPECT_EQ(c, '#');
    // Null data asks for the size.
    size = 0;
    EXPECT_FALSE(s.Read(kKey, "T", &type, nullptr, &size));
    EXPECT_EQ(size, 12u);
    size = 12;
    EXPECT_TRUE(s.Read(kKey, "T", &type, buf, &size));
    EXPECT_EQ(buf[12], '#');
}

TEST(Settings, RefusedWritesChangeNothing) {
    testsupport::TempDir dir;
    SettingsStore s(dir.file("r.txt"));
    const std::uint8_t three[3] = {1, 2, 3};
    EXPECT_FALSE(s.Write(kKey, "D", plat::kSettingsDword, three, 3)) << "a DWORD is 4 bytes";
    EXPECT_FALSE(s.Write(kKey, "D", 2, three, 3)) << "unknown type";
    EXPECT_FALSE(s.Write("", "D", plat::kSettingsBinary, three, 3));
    EXPECT_FALSE(s.Write(kKey, "", plat::kSettingsBinary, three, 3));
    EXPECT_FALSE(s.Erase(kKey, "D"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("r.txt")));

    // A file that cannot be written: the value stays as it was, in memory too.
    ASSERT_TRUE(WriteDword(s, kKey, "V", 1));
    SettingsStore blocked(dir.file("r.txt/inside"));   // a folder path through a file
    EXPECT_FALSE(WriteDword(blocked, kKey, "V", 2));
    bool ok = true;
    ReadDword(blocked, kKey, "V", &ok);
    EXPECT_FALSE(ok);

    ASSERT_TRUE(s.Erase(kKey, "v"));
    SettingsStore again(dir.file("r.txt"));
    ASSERT_TRUE(again.Load());
    ReadDword(again, kKey, "V", &ok);
    EXPECT_FALSE(ok);
}

TEST(Settings, DamagedFileIsKeptAndTheRunStartsFromDefaults) {
    const std::string good = "ZelkorSettings 1\n[SOFTWARE\\Zelkor]\ndword A=1\nend 1\n";
    const std::string damaged[] = {
        "",                                                            // empty
        "garbage\n",                                                   // not ours
        "ZelkorSettings 1\n[SOFTWARE\\Zelkor]\ndword A=1\n",           // cut short: no end line
        "ZelkorSettings 1\n[SOFTWARE\\Zelkor]\ndword A=1\nend 1",      // cut in the last line
        "ZelkorSettings 1\n[SOFTWARE\\Zelkor]\ndword A=1\nend 2\n",    // count does not match
        "ZelkorSettings 1\ndword A=1\nend 1\n",                        // value before a key
        "ZelkorSettings 1\n[K]\ndword A=4294967296\nend 1\n",          // number too large
        "ZelkorSettings 1\n[K]\ndword A=-1\nend 1\n",
        "ZelkorSettings 1\n[K]\nbinary A=abc\nend 1\n",                // odd hex
        "ZelkorSettings 1\n[K]\nsz A=%4\nend 1\n",                     // short escape
        "ZelkorSettings 1\n[K]\nsz A=a b\nend 1\n",                    // raw space
        "ZelkorSettings 1\n[K]\nqword A=1\nend 1\n",                   // unknown type
        "ZelkorSettings 1\n[K]\ndword A=1\ndword a=2\nend 2\n",        // twice, by case
        "ZelkorSettings 1\n[K]\n[k]\nend 0\n",                         // key twice
        "ZelkorSettings 1\n[K]\nend 0\nend 0\n",                       // after the end
    };
    for (const std::string& bytes : damaged) {
        testsupport::TempDir dir;
        const std::string file = dir.file("registry.txt");
        testsupport::write_file(file, bytes);
        SettingsStore s(file);
        EXPECT_FALSE(s.Load()) << bytes;
        bool ok = true;
        ReadDword(s, "K", "A", &ok);
        EXPECT_FALSE(ok) << bytes;
        EXPECT_FALSE(std::filesystem::exists(file)) << bytes;
        EXPECT_EQ(testsupport::read_file(file + ".prev"), bytes);
        // The next write starts a fresh, good file.
        ASSERT_TRUE(WriteDword(s, kKey, "B", 2));
        SettingsStore again(file);
        EXPECT_TRUE(again.Load()) << bytes;
    }
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("r.txt"), good);
    SettingsStore s(dir.file("r.txt"));
    EXPECT_TRUE(s.Load());
    EXPECT_EQ(ReadDword(s, kKey, "a"), 1u);
    EXPECT_EQ(s.Serialise(), good);
}

TEST(Settings, MissingFileIsAnEmptyStore) {
    testsupport::TempDir dir;
    SettingsStore s(dir.file("none/registry.txt"));
    EXPECT_TRUE(s.Load());
    EXPECT_FALSE(s.KeyExists(kKey));
}

// A child rewrites the file over and over, each write adding a value, and
// reports every finished write; it is killed at a different moment of a
// later write each round. Whatever it left must load, with every value that
// was reported and nothing out of order.
TEST(Settings, KillingAWriterNeverLosesSavedValues) {
    testsupport::TempDir dir;
    const std::string file = dir.file("config/registry.txt");
    std::uint32_t saved = 0;   // values known to be on disk
    for (int round = 0; round < 40; ++round) {
        int pipefd[2];
        ASSERT_EQ(::pipe(pipefd), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(pipefd[0]);
            SettingsStore s(file);
            if (!s.Load()) ::_exit(3);
            for (std::uint32_t i = saved;; ++i) {
                const std::string text(200 + i % 50, char('a' + i % 26));
                if (!s.Write(kKey, "T" + std::to_string(i), plat::kSettingsSz, text.data(),
                             std::uint32_t(text.size())))
                    ::_exit(5);
                if (!WriteDword(s, kKey, "V" + std::to_string(i), i)) ::_exit(5);
                const char done = 1;
                if (::write(pipefd[1], &done, 1) != 1) ::_exit(4);
            }
        }
        ::close(pipefd[1]);
        // Let 1 to 3 writes finish, then kill somewhere in the ones after.
        const int acknowledged = 1 + round % 3;
        for (int k = 0; k < acknowledged; ++k) {
            char done = 0;
            ASSERT_EQ(::read(pipefd[0], &done, 1), 1) << "the writer failed";
        }
        ::usleep(static_cast<useconds_t>((round * 373) % 2500));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(pipefd[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own: " << status;

        SettingsStore s(file);
        ASSERT_TRUE(s.Load()) << "round " << round;
        std::uint32_t present = 0;
        while (true) {
            bool ok = false;
            const std::uint32_t v = ReadDword(s, kKey, "V" + std::to_string(present), &ok);
            if (!ok) break;
            ASSERT_EQ(v, present);
            ++present;
        }
        ASSERT_GE(present, saved + acknowledged) << "round " << round;
        // Nothing beyond the run of values: each write kept all the earlier ones.
        bool ok = true;
        ReadDword(s, kKey, "V" + std::to_string(present + 1), &ok);
        EXPECT_FALSE(ok);
        saved = present;
        EXPECT_FALSE(std::filesystem::exists(file + ".prev"));
    }
}

}  // namespace
