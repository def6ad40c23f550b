#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../orvek/support/LogCapture.h"
#include "framework/app/Buffer.h"

namespace {
const bool in_private_dir = logcapture::enter_private_dir();

std::vector<uint8_t> Bytes(const Vant::Buffer& b) {
    return std::vector<uint8_t>(b.mData.begin(), b.mData.begin() + b.GetDataLen());
}
}  // namespace

TEST(Buffer, BitLayoutAndReads) {
    ASSERT_TRUE(in_private_dir);
    Vant::Buffer b;
    b.WriteBits(5, 3);
    EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{0x05}));
    EXPECT_EQ(b.GetWriteBitPos(), 3);
    EXPECT_EQ(b.GetDataBitSize(), 3);
    b.WriteByte(0xFF);
    EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{0xFD, 0x07}));
    EXPECT_EQ(b.GetWriteBitPos(), 11);

    // Bits 1,0,1,1 first bit first.
    struct Case { bool sign; int32_t want; };
    for (const Case c : {Case{true, -3}, Case{false, 13}}) {
        Vant::Buffer r;
        r.WriteBits(0b1101, 4);
        EXPECT_EQ(r.ReadBits(4, c.sign), c.want) << c.sign;
    }

    Vant::Buffer m;
    m.WriteBoolean(true);
    EXPECT_EQ(m.GetWriteBitPos(), 8);
    m.WriteLong(-2);
    m.WriteBits(3, 2);
    m.WriteString("abc");
    m.WriteLong(0x12345678);
    EXPECT_TRUE(m.ReadBoolean());
    EXPECT_EQ(m.ReadLong(), -2);
    EXPECT_EQ(m.ReadBits(2, false), 3);
    EXPECT_EQ(m.ReadString(), "abc");
    EXPECT_EQ(m.ReadLong(), 0x12345678);
    EXPECT_TRUE(m.AtEnd());
    // At the end a byte read gives 0 and stays put; a bit read gives what it got.
    const int pos = m.GetReadBitPos();
    EXPECT_EQ(m.ReadByte(), 0);
    EXPECT_EQ(m.GetReadBitPos(), pos);
    EXPECT_EQ(m.ReadBits(5, true), 0);

    Vant::Buffer partial;
    partial.WriteBits(1, 4);
    partial.mReadBitPos = 0;
    EXPECT_EQ(partial.ReadBits(8, false), 1);  // stops at the end of the one byte

    // SetData keeps the read position.
    Vant::Buffer s;
    const uint8_t data[] = {1, 2, 3};
    s.SetData(data, 3);
    EXPECT_EQ(s.ReadByte(), 1);
    s.SetData(data, 3);
    EXPECT_EQ(s.ReadByte(), 2);
    EXPECT_EQ(s.GetDataLen(), 3);
    s.Clear();
    EXPECT_EQ(s.GetDataPtr(), nullptr);
    EXPECT_EQ(s.GetReadBitPos(), 0);
}

TEST(Buffer, LongStringsAreCutAndLaterRecordsStillRead) {
    for (const std::size_t size : {std::size_t(70000), std::size_t(40000), std::size_t(32767)}) {
        logcapture::LogMark mark;
        Vant::Buffer b;
        b.WriteBits(1, 3);  // unaligned, as in a record stream
        b.WriteString(std::string(size, 'x'));
        b.WriteLong(777);
        const std::string got = (b.ReadBits(3, false), b.ReadString());
        EXPECT_EQ(got, std::string(32767, 'x')) << size;
        EXPECT_EQ(b.ReadLong(), 777) << size;
        const bool logged = mark.text().find("cut to 32767") != std::string::npos;
        EXPECT_EQ(logged, size > 32767) << size;
    }
}
