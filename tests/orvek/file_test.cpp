#include "orvek/File.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "orvek/Path.h"
#include "support/FakeFile.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace orvek::open_mode;
using logcapture::LogMark;
using testsupport::read_file;
using testsupport::TempDir;
using testsupport::write_file;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

std::string read_all(orvek::File& f, std::size_t chunk) {
    std::string out;
    std::string buf(chunk, '\0');
    for (;;) {
        std::size_t n = f.read(buf.data(), chunk);
        if (n == 0) return out;
        out.append(buf.data(), n);
    }
}

struct TextReadCase {
    const char* name;
    std::string bytes;
    std::size_t chunk;
    std::string expected;
};

void PrintTo(const TextReadCase& c, std::ostream* os) { *os << c.name; }

class TextRead : public ::testing::TestWithParam<TextReadCase> {};

TEST_P(TextRead, TranslatesLineEnds) {
    TempDir dir;
    const TextReadCase& c = GetParam();
    write_file(dir.file("t.txt"), c.bytes);
    orvek::File f;
    ASSERT_TRUE(f.open(dir.file("t.txt"), in));
    EXPECT_EQ(read_all(f, c.chunk), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextRead,
    ::testing::Values(TextReadCase{"crlf", "a\r\nb\rc", 64, "a\nb\rc"},
                      TextReadCase{"cr_at_chunk_end", "ab\r\ncd", 3, "ab\ncd"},
                      TextReadCase{"cr_alone_at_chunk_end", "ab\rcd", 3, "ab\rcd"},
                      TextReadCase{"cr_at_file_end", "ab\r", 3, "ab\r"},
                      TextReadCase{"one_byte_reads", "a\r\n\r\nb", 1, "a\n\nb"},
                      TextReadCase{"ctrl_z_ends", std::string("ab\x1a" "cd", 5), 64, "ab"},
                      TextReadCase{"ctrl_z_first", std::string("\x1a" "cd", 3), 64, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileRead, CarriageReturnAtChunkEndLeavesLineFeedForNextRead) {
    TempDir dir;
    write_file(dir.file("t.txt"), "ab\r\ncd");
    orvek::File f;
    ASSERT_TRUE(f.open(dir.file("t.txt"), in));
    char buf[8];
    ASSERT_EQ(f.read(buf, 3), 2u);
    EXPECT_EQ(std::string(buf, 2), "ab");
    ASSERT_EQ(f.read(buf, 8), 3u);
    EXPECT_EQ(std::string(buf, 3), "\ncd");
}

TEST(FileRead, CtrlZStaysTheEndOnLaterReads) {
    TempDir dir;
    write_file(dir.file("t.txt"), std::string("ab\x1a" "cd", 5));
    orvek::File f;
    ASSERT_TRUE(f.open(dir.file("t.txt"), in));
    char buf[8];
    EXPECT_EQ(f.read(buf, 8), 2u);
    EXPECT_EQ(f.read(buf, 8), 0u);
    EXPECT_EQ(f.seek(0, orvek::AbstractFile::seek_current), 2);
}

TEST(FileRead, BinaryModeDeliversBytesUnchanged) {
    TempDir dir;
    std::string bytes("a\r\nb\r\x1a" "c", 7);
    write_file(dir.file("b.bin"), bytes);
    orvek::File f;
    ASSERT_TRUE(f.open(dir.file("b.bin"), in | binary));
    EXPECT_EQ(read_all(f, 2), bytes);
}

TEST(FileWrite, WriteTextDoublesLineEndsAndCountsSource) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "x\n";  // spans many internal chunks
    orvek::File f;
    ASSERT_TRUE(f.open(dir.file("t.txt"), out | trunc));
    EXPECT_EQ(f.write_text(text.data(), text.size()), text.size());
    f.close();
    std::string expected;
    for (int i = 0; i < 3000; ++i) expected += "x\r\n";
    EXPECT_EQ(read_file(dir.file("t.txt")), expected);

    ASSERT_TRUE(f.open(dir.file("b.bin"), out | trunc | binary));
    EXPECT_EQ(f.write_text("a\nb", 3), 3u);
    f.close();
    EXPECT_EQ(read_file(dir.file("b.bin")), "a\nb");
}

TEST(FileWrite, ShortWriteReportsWholeSourceCharactersOnly) {
    testsupport::FakeFile f;
    ASSERT_TRUE(f.open("x", out));
    f.write_budget = 4;  // "ab\r\n" fits, then nothing more
    EXPECT_EQ(f.write_text("ab\ncd", 5), 3u);
    f.write_budget = 3;  // "\r" of "\r\n" fits, the line feed does not
    f.data.clear();
    f.pos = 0;
    EXPECT_EQ(f.write_text("ab\nc", 4), 2u);
    const char text[] = "a\nb\n";
    EXPECT_EQ(f.text_length(text, text + 4), 6u);
}

TEST(FileWrite, FailedWriteIsRecordedAndLogged) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    LogMark mark;
    orvek::File f;
    ASSERT_TRUE(f.open("/dev/full", out | app));
    EXPECT_EQ(f.write("abc", 3), 0u);
    std::string why = f.error_info()->message();
    EXPECT_FALSE(why.empty());
    EXPECT_NE(mark.text().find("[orvek.io] error: writing failed: " + why), std::string::npos) << mark.text();
}

// Open modes against an existing file holding "0123456789".
struct ModeCase {
    const char* name;
    orvek::OpenMode mode;
    bool opens;
    const char* after_write;  // file content after writing "ab", or null
    const char* read_back;    // what a read right after opening gives, or null
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class OpenModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(OpenModes, BehaveAsDecided) {
    TempDir dir;
    const ModeCase& c = GetParam();
    std::string path = dir.file("m.txt");
    write_file(path, "0123456789");
    LogMark mark;
    orvek::File f;
    ASSERT_EQ(f.open(path, c.mode), c.opens);
    if (!c.opens) {
        EXPECT_EQ(f.mode(), 0u);
        EXPECT_EQ(mark.text(), "");  // refused modes are not logged
        return;
    }
    EXPECT_EQ(f.mode(), c.mode);
    if (c.read_back) {
        char buf[16];
        std::size_t n = f.read(buf, sizeof buf);
        EXPECT_EQ(std::string(buf, n), c.read_back);
    }
    if (c.after_write) {
        EXPECT_EQ(f.write("ab", 2), 2u);
        ASSERT_TRUE(f.close());
        EXPECT_EQ(read_file(path), c.after_write);
    }
    EXPECT_NE(mark.text().find("[orvek.io] '" + path + "' file opened."), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpenModes,
    ::testing::Values(ModeCase{"in", in, true, nullptr, "0123456789"},
                      ModeCase{"in_binary", in | binary, true, nullptr, "0123456789"},
                      // plain out truncates: no stale tail behind a shorter text
                      ModeCase{"out", out, true, "ab", nullptr},
                      ModeCase{"out_app", out | app, true, "0123456789ab", nullptr},
                      ModeCase{"in_out", in | out, true, "ab23456789", nullptr},
                      ModeCase{"out_trunc", out | trunc, true, "ab", nullptr},
                      ModeCase{"in_out_trunc", in | out | trunc, true, "ab", ""},
                      ModeCase{"in_out_ate", in | out | ate, true, "0123456789ab", ""},
                      ModeCase{"in_app", in | app, false, nullptr, nullptr},
                      ModeCase{"app_alone", app, false, nullptr, nullptr},
                      ModeCase{"trunc_alone", trunc, false, nullptr, nullptr},
                      ModeCase{"in_trunc", in | trunc, false, nullptr, nullptr},
                      ModeCase{"nothing", 0, false, nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileOpen, FailuresAreLoggedAtTheRightLevel) {
    TempDir dir;
    LogMark mark;
    orvek::File f;
    std::string missing = dir.file("missing.txt");
    EXPECT_FALSE(f.open(missing, in));
    std::string why = f.error_info()->message();
    EXPECT_NE(why.find("No such file"), std::string::npos) << why;
    std::string unwritable = dir.file("no/such/dir/x.txt");
    EXPECT_FALSE(f.open(unwritable, out | trunc));
    std::string log = mark.text();
    EXPECT_NE(log.find("[orvek.io] warning: '" + missing + "' open failed: " + why), std::string::npos) << log;
    EXPECT_NE(log.find("[orvek.io] error: '" + unwritable + "' open failed: "), std::string::npos) << log;
    EXPECT_FALSE(f.open(dir.str(), in));  // a directory is not a file
}

TEST(FileSeek, ChecksItsBounds) {
    TempDir dir;
    write_file(dir.file("s.bin"), "0123456789");
    orvek::File f;
    ASSERT_TRUE(f.open(dir.file("s.bin"), in | binary));
    using F = orvek::AbstractFile;
    EXPECT_EQ(f.size(), 10u);
    EXPECT_EQ(f.seek(-1, F::seek_begin), -1);
    EXPECT_EQ(f.seek(-11, F::seek_end), -1);
    EXPECT_EQ(f.seek(0, 3), -1);
    EXPECT_EQ(f.seek(-10, F::seek_end), 0);
    EXPECT_EQ(f.seek(4, F::seek_begin), 4);
    EXPECT_EQ(f.seek(2, F::seek_current), 6);
    char c;
    ASSERT_EQ(f.read(&c, 1), 1u);
    EXPECT_EQ(c, '6');
}

TEST(FileAttach, AdoptsWithoutOwning) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    orvek::File f;
    EXPECT_FALSE(f.attach(-1, out));
    ASSERT_TRUE(f.attach(fds[1], out | binary));
    EXPECT_FALSE(f.attach(fds[1], out));  // already open
    EXPECT_EQ(f.write("hi", 2), 2u);
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.close());
    EXPECT_EQ(write(fds[1], "!", 1), 1);  // still open: attached handles are not closed
    char buf[4];
    EXPECT_EQ(read(fds[0], buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "hi!");
    close(fds[0]);
    close(fds[1]);
}

TEST(CaseInsensitivePaths, FindFilesWhateverTheCase) {
    TempDir dir;
    fs::create_directories(dir.path() / "data" / "gui");
    write_file(dir.path() / "data" / "skin.xml", "<skin/>");
    testsupport::in_directory(dir.path(), [] {
        orvek::File f;
        ASSERT_TRUE(f.open("Data/Skin.xml", in));
        char buf[16];
        EXPECT_EQ(std::string(buf, f.read(buf, sizeof buf)), "<skin/>");
        f.close();
        EXPECT_TRUE(f.open("DATA\\SKIN.XML", in));
        f.close();
        EXPECT_TRUE(orvek::file_exists("data\\Gui"));
        EXPECT_EQ(orvek::resolve_path("Data/Gui/New.png"), "data/gui/New.png");
        // A new file in a differently spelled folder lands in the existing one.
        ASSERT_TRUE(f.open("Data/Gui/new.txt", out | trunc));
        f.close();
        EXPECT_TRUE(fs::exists("data/gui/new.txt"));
        EXPECT_FALSE(fs::exists("Data"));
        EXPECT_TRUE(orvek::create_directories("DATA/Gui/Sub/x.png"));
        EXPECT_TRUE(fs::is_directory("data/gui/Sub"));
        EXPECT_TRUE(orvek::delete_file("data/GUI/NEW.TXT"));
        EXPECT_FALSE(orvek::file_exists("data/gui/new.txt"));
        EXPECT_FALSE(orvek::delete_file("data/gui/new.txt"));
    });
}

TEST(CreateDirectories, MakesEveryMissingLevel) {
    TempDir dir;
    std::string path = dir.file("a/b/c/file.txt");
    EXPECT_TRUE(orvek::create_directories(path));
    EXPECT_TRUE(fs::is_directory(dir.path() / "a/b/c"));
    EXPECT_FALSE(fs::exists(dir.path() / "a/b/c/file.txt"));
    EXPECT_TRUE(orvek::create_directories(path));  // all there: nothing to do
    EXPECT_TRUE(orvek::create_directories(dir.file("a\\b\\d\\.\\e\\f.txt")));
    EXPECT_TRUE(fs::is_directory(dir.path() / "a/b/d/e"));
    write_file(dir.file("plain"), "x");
    EXPECT_FALSE(orvek::create_directories(dir.file("plain/sub/f.txt")));
    EXPECT_TRUE(orvek::create_directories("nodir.txt"));
}

TEST(OpenWithFallback, KeepsThePreviousFileAsPrev) {
    TempDir dir;
    write_file(dir.file("x.log"), "old");
    write_file(dir.file("x.prev.log"), "older");
    orvek::File f;
    std::string opened;
    ASSERT_TRUE(orvek::open_with_fallback(f, dir.file("x.log"), out | trunc, &opened));
    EXPECT_EQ(opened, dir.file("x.log"));
    EXPECT_EQ(f.write("new", 3), 3u);
    f.close();
    EXPECT_EQ(read_file(dir.file("x.log")), "new");
    EXPECT_EQ(read_file(dir.file("x.prev.log")), "old");
}

TEST(OpenWithFallback, TriesUniqueNamesThenTheNextDirectories) {
    TempDir dir;
    orvek::PathString exe, temp;
    orvek::get_module_file_name(exe);
    orvek::get_temp_path(temp);
    std::string exe_dir(orvek::split_path(exe.str()).directory);
    std::string own = dir.str();

    testsupport::FakeFile f;
    // Exactly the temporary folder: the test's own folder may lie below it.
    f.accept = [&](const std::string& name) { return name == temp.str() + "x.log"; };
    LogMark mark;
    std::string opened;
    ASSERT_TRUE(orvek::open_with_fallback(f, own + "\\x.log", out | trunc, &opened));
    EXPECT_EQ(opened, temp.str() + "x.log");

    // own directory: the name, then 101 unique names; the same in the
    // program's directory; then the temporary one.
    ASSERT_EQ(f.opened_names.size(), 2 * 102u + 1);
    EXPECT_EQ(f.opened_names[0], own + "/x.log");
    EXPECT_EQ(f.opened_names[1], own + "/x_1.log");
    EXPECT_EQ(f.opened_names[10], own + "/x_a.log");
    EXPECT_EQ(f.opened_names[36], own + "/x_10.log");
    EXPECT_EQ(f.opened_names[101], own + "/x_2t.log");
    EXPECT_EQ(f.opened_names[102], exe_dir + "/x.log");
    std::string log = mark.text();
    std::size_t retries = 0;
    for (auto p = log.find("can't create unique file, trying again"); p != std::string::npos;
         p = log.find("can't create unique file, trying again", p + 1))
        ++retries;
    EXPECT_EQ(retries, 200u);

    // Everything refused: the current directory is the last resort.
    testsupport::FakeFile g;
    g.accept = [](const std::string& name) { return name.rfind("./", 0) == 0; };
    ASSERT_TRUE(orvek::open_with_fallback(g, own + "/y.txt", out | trunc, &opened));
    EXPECT_EQ(opened, "./y.txt");
}

TEST(OpenWithFallback, ReadingTriesOnlyTheFirstDirectory) {
    TempDir dir;
    testsupport::FakeFile f;
    f.accept = [](const std::string&) { return false; };
    EXPECT_FALSE(orvek::open_with_fallback(f, dir.file("x.ini"), in));
    ASSERT_EQ(f.opened_names.size(), 1u);
    EXPECT_EQ(f.opened_names[0], dir.file("x.ini"));
    f.accept = [](const std::string&) { return true; };
    EXPECT_TRUE(f.open("x", in));
    EXPECT_FALSE(orvek::open_with_fallback(f, dir.file("x.ini"), in));  // already open
}

}  // namespace
