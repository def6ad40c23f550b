// Object streams on files, the safe whole-file writers and archive streams.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "orvek/io/ArcStream.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/SafeWrite.h"
#include "support/FullDisk.h"
#include "support/LogCapture.h"
#include "support/StreamTestKit.h"
#include "support/TestSupport.h"

using namespace orvek;
using namespace orvek::io;
using streamkit::Bytes;
using streamkit::Leaf;
using testsupport::read_file;
using testsupport::TempDir;
using testsupport::write_file;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();
const bool kit = (streamkit::register_kit(), true);

// Saves part of itself, then fails, as a save that meets a bug would.
struct Breaks : Object {
    void save(OStream& os) const override {
        os << std::uint32_t(0xBAD);
        throw std::runtime_error("save broke");
    }
    void load(IStream&) override {}
};
Factory<Breaks> breaks_factory("class t::Breaks");

std::string saved_leaf(std::uint32_t value, const std::string& text) {
    std::stringbuf buf;
    OStream os(&buf);
    os.write_header();
    Leaf leaf(value, text);
    os.write_object(&leaf, type_name_of(&leaf));
    return buf.str();
}

}  // namespace

TEST(FileStreams, AMissingInputFileFailsWithItsPathAndReason) {
    TempDir dir;
    const std::string path = dir.file("absent.dat");
    try {
        IFStream is(path, open_mode::in, 13);
        FAIL();
    } catch (const Failure& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
        EXPECT_NE(text.find("('" + path + "')"), std::string::npos) << text;
    }
    IFStream quiet(path, open_mode::in, 0);
    EXPECT_TRUE(quiet.fail());
    EXPECT_FALSE(quiet.is_open());
    EXPECT_EQ(quiet.header_size(), 0);
    EXPECT_FALSE(quiet.is_legacy());
}

TEST(FileStreams, OutputStartsWithTheHeaderAndReopeningCompletesTheFirstFile) {
    TempDir dir;
    const std::string first = dir.file("first.dat"), second = dir.file("second.dat");
    {
        OFStream os(first);
        Leaf leaf(1, "one");
        os.write_object(&leaf, type_name_of(&leaf));
        os.open(second);
        os.write_object(&leaf, type_name_of(&leaf));  // keys start afresh
    }
    EXPECT_EQ(read_file(first), saved_leaf(1, "one"));
    EXPECT_EQ(read_file(second), saved_leaf(1, "one"));

    IFStream is(first);
    EXPECT_EQ(is.header_size(), 21);
    auto* leaf = dynamic_cast<Leaf*>(is.read_object_or_skip());
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->text, "one");
    is.open(second);
    auto* again = dynamic_cast<Leaf*>(is.read_object_or_skip());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->text, "one");
}

TEST(FileStreams, AFileWithoutTheMagicIsReadAsLegacyFromItsFirstByte) {
    TempDir dir;
    const std::string path = dir.file("old.dat");
    write_file(path, Bytes().u32(2).str(streamkit::leaf_name).u8(0).u32(6).str("six").s);
    IFStream is(path);
    EXPECT_TRUE(is.is_legacy());
    auto* leaf = dynamic_cast<Leaf*>(is.read_object_or_skip());
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->value, 6u);
}

TEST(FileStreams, CreatingDirectoriesOpensTheStreamOrFailsIt) {
    TempDir dir;
    const std::string path = dir.file("a/b/c/save.dat");
    OFStream os;
    EXPECT_TRUE(create_directories(os, path));
    EXPECT_TRUE(os.is_open());
    EXPECT_TRUE(os.close());
    EXPECT_EQ(read_file(path), Bytes().header().s);

    write_file(dir.file("blocker"), "x");
    OFStream blocked;
    try {
        create_directories(blocked, dir.file("blocker/sub/save.dat"));
        FAIL() << "the save would go nowhere";
    } catch (const Failure& e) {
        EXPECT_NE(std::string(e.what()).find("Failed to create directories"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(blocked.is_open());
    EXPECT_TRUE(blocked.fail());
}

TEST(SafeFileWriting, ACommittedSaveReplacesTheFile) {
    TempDir dir;
    const std::string path = dir.file("saves/profiles.dat");
    for (std::uint32_t round = 1; round <= 2; ++round) {
        SafeOFStream os(path);
        EXPECT_EQ(os.temp_path(), path + ".tmp");
        Leaf leaf(round, "p");
        os.write_object(&leaf, type_name_of(&leaf));
        EXPECT_TRUE(os.commit());
        EXPECT_EQ(read_file(path), saved_leaf(round, "p"));
        EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    }
}

TEST(SafeFileWriting, ASaveThatThrowsHalfwayLeavesThePreviousFile) {
    TempDir dir;
    const std::string path = dir.file("stats.dat");
    const std::string good = saved_leaf(7, "good");
    write_file(path, good);
    try {
        SafeOFStream os(path);
        Breaks breaks;
        os.write_object(&breaks, type_name_of(&breaks));
        os.commit();
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "save broke");
    }
    EXPECT_EQ(read_file(path), good);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(SafeFileWriting, FailuresBeforeOrDuringCommitAreReportedAndKeepTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("results.dat");
    const std::string good = saved_leaf(3, "old");
    write_file(path, good);
    {
        // A stream that failed on the way (mask 0: no exception).
        SafeOFStream os(path, 0);
        os << std::uint32_t(1);
        os.setstate(Stream::failbit);
        EXPECT_FALSE(os.commit());
        EXPECT_TRUE(os.fail());
    }
    EXPECT_EQ(read_file(path), good);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    // The rename cannot happen: the target is a directory with content.
    const std::string taken = dir.file("taken");
    std::filesystem::create_directories(taken + "/inside");
    SafeOFStream os(taken);
    EXPECT_THROW(os.commit(), Failure);
    EXPECT_TRUE(std::filesystem::is_directory(taken + "/inside"));
    EXPECT_FALSE(std::filesystem::exists(taken + ".tmp"));
}

TEST(SafeFileWriting, PlainBytesAreWrittenTheSameWay) {
    TempDir dir;
    const std::string path = dir.file("config/Trelm.cfg.xml");
    EXPECT_TRUE(write_file_safely(path, "<root/>"));
    EXPECT_EQ(read_file(path), "<root/>");
    EXPECT_TRUE(write_file_safely(path, "<root a=\"1\"/>"));
    EXPECT_EQ(read_file(path), "<root a=\"1\"/>");

    std::filesystem::create_directories(dir.file("busy/inside"));
    std::string error;
    EXPECT_FALSE(write_file_safely(dir.file("busy"), "x", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("busy.tmp")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("busy/inside")));
}

TEST(SafeFileWriting, AFullDiskFailsWithTheReasonAndTheTargetsName) {
    // Every writer through the safe routine: the failure says why, names the
    // file being saved (not its temporary) and leaves the old file whole.
    TempDir dir;
    const std::string path = dir.file("profiles.dat");
    const std::string good = saved_leaf(1, "old");
    write_file(path, good);
    const std::string big(20000, 'x');
    struct Case {
        const char* name;
        std::function<std::string()> save;
    } cases[] = {
        {"stream",
         [&]() -> std::string {
             try {
                 SafeOFStream os(path);
                 Leaf leaf(2, big);
                 os.write_object(&leaf, type_name_of(&leaf));
                 os.commit();
                 return "saved";
             } catch (const Failure& e) {
                 return e.what();
             }
         }},
        {"stream, quiet mask",
         [&]() -> std::string {
             SafeOFStream os(path, 0);
             os.write(big.data(), 1000);  // fits the buffer: the commit meets the limit
             return os.commit() ? "saved" : "refused";
         }},
        {"bytes",
         [&]() -> std::string {
             std::string error;
             return write_file_safely(path, big, &error) ? "saved" : error;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string got = fulldisk::run(512, c.save);
        if (std::string(c.name) == "stream, quiet mask") {
            EXPECT_EQ(got, "refused");
        } else {
            EXPECT_NE(got.find("write failed: File too large ('" + path + "')"), std::string::npos) << got;
            EXPECT_EQ(got.find(".tmp"), std::string::npos) << got;
        }
        EXPECT_EQ(read_file(path), good);
        EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    }
}

TEST(SafeFileWriting, TheFailedStepIsNamed) {
    TempDir dir;
    write_file(dir.file("blocker"), "x");
    std::filesystem::create_directories(dir.file("busy/inside"));
    std::filesystem::create_directories(dir.file("held.tmp"));
    struct Case {
        std::string target;
        SafeWriteStep step;
        std::string message;
    } cases[] = {
        {dir.file("blocker/sub/x"), SafeWriteStep::directories, "create directories failed: "},
        {dir.file("held"), SafeWriteStep::create, "create failed: Is a directory ('" + dir.file("held") + "')"},
        {dir.file("busy"), SafeWriteStep::rename, "rename failed: Is a directory ('" + dir.file("busy") + "')"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        SafeWriter writer;
        File file;
        const bool ok = writer.begin(file, c.target) && writer.write("abc") && writer.commit();
        EXPECT_FALSE(ok);
        EXPECT_EQ(writer.failed_step(), c.step);
        EXPECT_EQ(writer.message().substr(0, c.message.size()), c.message);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("busy.tmp")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("held.tmp")));

    // Without its open line, when asked.
    logcapture::LogMark mark;
    EXPECT_TRUE(write_file_safely(dir.file("quiet.xml"), "<root/>", nullptr, false));
    EXPECT_EQ(mark.text().find("quiet.xml"), std::string::npos) << mark.text();
    EXPECT_TRUE(write_file_safely(dir.file("loud.xml"), "<root/>"));
    EXPECT_NE(mark.text().find("loud.xml.tmp' file opened."), std::string::npos) << mark.text();
}

TEST(KeptCopies, AKeptCopyIsNeverOverwrittenWhileASlotIsFree) {
    TempDir dir;
    const std::string path = dir.file("saves/results.bin");
    std::filesystem::create_directories(dir.file("saves"));
    // A folder in the first slot is passed over, never replaced.
    std::filesystem::create_directories(dir.file("saves/results.prev.bin"));
    std::vector<std::string> kept;
    // Copies made in one instant can share a time stamp: give each its own.
    const auto start = std::filesystem::file_time_type::clock::now();
    for (int damage = 1; damage <= kept_copy_slots + 1; ++damage) {
        SCOPED_TRACE(damage);
        write_file(path, "damage " + std::to_string(damage));
        std::string kept_as, why;
        ASSERT_TRUE(keep_copy(path, kept_as, why)) << why;
        kept.push_back(kept_as);
        EXPECT_EQ(read_file(kept_as), "damage " + std::to_string(damage));
        std::filesystem::last_write_time(kept_as, start + std::chrono::seconds(damage));
    }
    // Slots 2..5 took the first four; the fifth and sixth took the oldest.
    EXPECT_EQ(kept[0], dir.file("saves/results.prev2.bin"));
    EXPECT_EQ(kept[3], dir.file("saves/results.prev5.bin"));
    EXPECT_EQ(kept[4], kept[0]);
    EXPECT_EQ(kept[5], kept[1]);
    EXPECT_EQ(read_file(dir.file("saves/results.prev3.bin")), "damage 6");
    EXPECT_EQ(read_file(dir.file("saves/results.prev4.bin")), "damage 3");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("saves/results.prev.bin")));

    // Nothing at the path: nothing to keep. A folder: it cannot be read.
    std::string kept_as, why;
    EXPECT_TRUE(keep_copy(dir.file("none.bin"), kept_as, why));
    EXPECT_EQ(kept_as, "");
    EXPECT_FALSE(keep_copy(dir.file("saves"), kept_as, why));
    EXPECT_NE(why.find("Is a directory"), std::string::npos) << why;
}

TEST(ArchiveStreams, AnExistingFileOpensAndItsHeaderIsRead) {
    TempDir dir;
    const std::string path = dir.file("profiles.dat");
    write_file(path, saved_leaf(9, "arc"));
    IArcStream is;
    is.open(path, open_mode::in, 13);
    EXPECT_TRUE(is.is_open());
    EXPECT_EQ(is.header_size(), 21);
    auto* leaf = dynamic_cast<Leaf*>(is.read_object_or_skip());
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->text, "arc");
}

TEST(ArchiveStreams, AMissingFileFailsWithTheFileLayersReasonAndThePath) {
    TempDir dir;
    const std::string path = dir.file("none.dat");
    IArcStream is;
    try {
        is.open(path);
        FAIL();
    } catch (const Failure& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("No such file or directory ('" + path + "')"), std::string::npos) << text;
    }
    IArcStream quiet;
    quiet.open(path, 0);
    EXPECT_TRUE(quiet.fail());
    EXPECT_FALSE(quiet.is_open());
}

TEST(ArchiveStreams, ZipErrorCodesHaveTheirTexts) {
    const char* texts[] = {"",
                           "reading rw1 header failed",
                           "g1rw streams packed with dkpack are not supported",
                           "Encrypted g1rw streams are not supported",
                           "Unknown g1rw stream packer type",
                           "z_uncompress() failed while opening g1rw stream"};
    for (std::uint32_t code = 0; code < 6; ++code) {
        SCOPED_TRACE(code);
        EXPECT_STREQ(Stream::Error::code_text(code), texts[code]);
        const std::string expected = std::string(texts[code]) + " ('x.arc')";
        EXPECT_EQ(ZipError(code, "x.arc").message(), expected);
        EXPECT_EQ(Stream::Error("Opening failed", code).message(),
                  code ? std::string("Opening failed: ") + texts[code] : std::string("Opening failed"));
    }
}

TEST(FileStreams, ManyObjectsRoundTripThroughAFile) {
    // Bodies longer than the file buffer, and lengths patched across it.
    TempDir dir;
    const std::string path = dir.file("big.dat");
    {
        SafeOFStream os(path);
        std::vector<Refs<Leaf>> leaves;
        for (std::uint32_t i = 0; i < 300; ++i) leaves.emplace_back(new Leaf(i, std::string(i * 37, char('a' + i % 26))));
        os << static_cast<std::uint32_t>(leaves.size() * 2);
        for (const auto& h : leaves) save_refs(os, h);
        for (auto it = leaves.rbegin(); it != leaves.rend(); ++it) save_refs(os, *it);
        ASSERT_TRUE(os.commit());
    }
    IFStream is(path);
    std::uint32_t count = 0;
    is >> count;
    ASSERT_EQ(count, 600u);
    std::vector<Refs<Leaf>> loaded(count);
    for (auto& h : loaded) load_refs(is, h);
    for (std::uint32_t i = 0; i < 300; ++i) {
        ASSERT_TRUE(loaded[i]);
        EXPECT_EQ(loaded[i]->value, i);
        EXPECT_EQ(loaded[i]->text.size(), i * 37u);
        EXPECT_EQ(loaded[i].get(), loaded[599 - i].get());
        EXPECT_EQ(loaded[i].use_count(), 2);
    }
    std::uint8_t extra;
    is.exceptions(0);
    is >> extra;
    EXPECT_TRUE(is.eof());
}
