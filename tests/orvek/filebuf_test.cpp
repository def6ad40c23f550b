#include "orvek/io/BasicFileBuf.h"

#include <gtest/gtest.h>

#include <istream>
#include <iterator>
#include <ostream>
#include <string>

#include "support/FakeFile.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

constexpr orvek::OpenMode in = orvek::open_mode::in, out = orvek::open_mode::out,
                          binary = orvek::open_mode::binary, trunc = orvek::open_mode::trunc;
using orvek::io::BasicFileBuf;
using testsupport::FakeFile;

namespace {

const bool in_private_dir = logcapture::enter_private_dir();

std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
    return s;
}

TEST(BasicFileBuf, RoundTripsLargeDataThroughShortReads) {
    FakeFile file;
    const std::string data = pattern(100000);
    {
        ASSERT_TRUE(file.open("f", out | binary));
        BasicFileBuf buf;
        buf.attach(&file, "f");
        std::ostream os(&buf);
        os.write(data.data(), 5000);
        for (std::size_t i = 5000; i < data.size(); ++i) os.put(data[i]);
        ASSERT_TRUE(os.good());
        EXPECT_EQ(buf.close(), &buf);
    }
    EXPECT_EQ(file.data, data);

    ASSERT_TRUE(file.open("f", in | binary));
    file.max_read = 7;
    BasicFileBuf buf;
    buf.attach(&file, "f");
    std::istream in(&buf);
    std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, data);
}

TEST(BasicFileBuf, PutsBackAcrossRefills) {
    FakeFile file;
    file.data = "abcdefgh";
    file.max_read = 3;
    ASSERT_TRUE(file.open("f", in | binary));
    BasicFileBuf buf;
    buf.attach(&file);
    std::istream in(&buf);
    char c[4] = {};
    in.read(c, 3);  // "abc": the get area is now used up
    ASSERT_EQ(std::string(c, 3), "abc");
    EXPECT_EQ(in.get(), 'd');  // refill
    in.unget();
    in.unget();
    EXPECT_EQ(in.get(), 'c');
    EXPECT_TRUE(in.putback('c'));
    EXPECT_TRUE(in.putback('X'));  // another character replaces it in the buffer
    EXPECT_EQ(in.get(), 'X');
    EXPECT_EQ(in.tellg(), 2);
    EXPECT_EQ(in.get(), 'c');
}

TEST(BasicFileBuf, TextModePositionsCountLineFeedsTwice) {
    testsupport::TempDir dir;
    std::string path = dir.file("t.txt");
    orvek::File file;
    {
        ASSERT_TRUE(file.open(path, out | trunc));
        BasicFileBuf buf;
        buf.attach(&file, path.c_str());
        std::ostream os(&buf);
        os << "ab\ncd\n";
        EXPECT_EQ(os.tellp(), 8);
        os << "e";
        EXPECT_EQ(buf.close(), &buf);
    }
    EXPECT_EQ(testsupport::read_file(path), "ab\r\ncd\r\ne");

    ASSERT_TRUE(file.open(path, in));
    BasicFileBuf buf;
    buf.attach(&file, path.c_str());
    std::istream in(&buf);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "ab");
    EXPECT_EQ(in.tellg(), 4);
    in.seekg(2, std::ios::cur);
    EXPECT_EQ(in.tellg(), 6);
    EXPECT_EQ(in.get(), '\n');
    in.seekg(0, std::ios::beg);
    std::getline(in, line);
    EXPECT_EQ(line, "ab");
    in.seekg(-1, std::ios::end);
    EXPECT_EQ(in.get(), 'e');
    EXPECT_EQ(in.get(), std::char_traits<char>::eof());
}

TEST(BasicFileBuf, ReadsAndWritesOneFileAfterSeeks) {
    FakeFile file;
    file.data = "0123456789";
    ASSERT_TRUE(file.open("f", in | out | binary));
    BasicFileBuf buf;
    buf.attach(&file);
    std::iostream io(&buf);
    EXPECT_EQ(io.get(), '0');
    io.seekp(5);
    io << "ab";
    io.seekg(4);
    char c[4] = {};
    io.read(c, 4);
    EXPECT_EQ(std::string(c, 4), "4ab7");
    EXPECT_EQ(buf.close(), &buf);
    EXPECT_EQ(file.data, "01234ab789");
}

TEST(BasicFileBuf, ShortWriteFailsUntilClose) {
    FakeFile file;
    ASSERT_TRUE(file.open("data.bin", out | binary));
    file.write_budget = 10;
    BasicFileBuf buf;
    buf.attach(&file, "data.bin");
    std::ostream os(&buf);
    std::string big(10000, 'x');
    os.write(big.data(), static_cast<std::streamsize>(big.size()));
    EXPECT_TRUE(os.bad());
    EXPECT_TRUE(buf.in_error());
    ASSERT_NE(buf.error_info(), nullptr);
    EXPECT_EQ(buf.error_info()->message(), "disk full");
    EXPECT_STREQ(buf.file_name(), "data.bin");
    EXPECT_EQ(buf.pubsync(), -1);
    EXPECT_EQ(buf.sputc('y'), std::char_traits<char>::eof());  // still failed
    EXPECT_EQ(buf.close(), nullptr);
    EXPECT_FALSE(buf.in_error());

    // A fresh open starts clean.
    file.write_budget = SIZE_MAX;
    ASSERT_TRUE(file.open("data.bin", out | trunc | binary));
    std::ostream again(&buf);
    again << "ok";
    EXPECT_EQ(buf.close(), &buf);
    EXPECT_EQ(file.data, "ok");
}

TEST(BasicFileBuf, ShortWriteAtCloseMakesCloseFail) {
    FakeFile file;
    ASSERT_TRUE(file.open("f", out | binary));
    file.max_write = 1;  // the file layer would loop; this fake does not
    BasicFileBuf buf;
    buf.attach(&file);
    std::ostream os(&buf);
    os << "abc";
    EXPECT_EQ(buf.close(), nullptr);
}

TEST(BasicFileBuf, WithoutFileEverythingFails) {
    BasicFileBuf buf;
    EXPECT_EQ(buf.close(), nullptr);
    EXPECT_FALSE(buf.is_open());
    EXPECT_EQ(buf.error_info(), nullptr);
    EXPECT_EQ(buf.sgetc(), std::char_traits<char>::eof());
    EXPECT_EQ(buf.sputc('a'), std::char_traits<char>::eof());
    EXPECT_EQ(buf.pubseekoff(0, std::ios::cur), std::streampos(-1));

    FakeFile file;
    ASSERT_TRUE(file.open("f", in | binary));
    buf.attach(&file);
    EXPECT_EQ(buf.sputc('a'), std::char_traits<char>::eof());  // not opened for writing
}

TEST(BasicFileBuf, BufferIsAPageMultipleOfAtLeast4096) {
    EXPECT_EQ(BasicFileBuf::default_buffer_size(4096), 4096u);
    EXPECT_EQ(BasicFileBuf::default_buffer_size(65536), 65536u);
    EXPECT_EQ(BasicFileBuf::default_buffer_size(1000), 5000u);
    EXPECT_EQ(BasicFileBuf::default_buffer_size(0), 4096u);

    FakeFile file;
    file.data = std::string(20000, 'z');
    file.max_read = SIZE_MAX;
    ASSERT_TRUE(file.open("f", in | binary));
    BasicFileBuf buf;
    buf.attach(&file);
    buf.sgetc();
    EXPECT_EQ(static_cast<std::size_t>(buf.in_avail()),
              BasicFileBuf::default_buffer_size(orvek::AbstractFile::page_size()));
}

}  // namespace
