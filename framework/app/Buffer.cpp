#include "framework/app/Buffer.h"

#include <ostream>

#include "orvek/Log.h"

namespace Vant {

namespace {
orvek::LogChannel buffer_warn("vant.buffer", orvek::log_warning_flag);
}

void Buffer::WriteByte(uint8_t value) {
    const int r = mWriteBitPos % 8;
    if (r == 0) {
        mData.push_back(value);
    } else {
        mData[mWriteBitPos / 8] |= uint8_t(value << r);
        mData.push_back(uint8_t(value >> (8 - r)));
    }
    mWriteBitPos += 8;
    Grow();
}

void Buffer::WriteBits(int32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        if (mWriteBitPos % 8 == 0) mData.push_back(0);
        if ((uint32_t(value) >> i) & 1u) mData[mWriteBitPos / 8] |= uint8_t(1u << (mWriteBitPos % 8));
        ++mWriteBitPos;
    }
    Grow();
}

void Buffer::WriteBoolean(bool value) { WriteByte(value ? 1 : 0); }

void Buffer::WriteLong(int32_t value) {
    for (int i = 0; i < 4; ++i) WriteByte(uint8_t(uint32_t(value) >> (8 * i)));
}

void Buffer::WriteString(const std::string& text) {
    std::size_t len = text.size();
    if (len > std::size_t(kMaxStringLength)) {
        // A longer length would read back negative and every later record
        // would be parsed from the string's bytes.
        buffer_warn << "string of " << len << " bytes cut to " << kMaxStringLength << " bytes" << std::endl;
        len = kMaxStringLength;
    }
    WriteByte(uint8_t(len));
    WriteByte(uint8_t(len >> 8));
    WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), int(len));
}

void Buffer::WriteBytes(const uint8_t* data, int count) {
    for (int i = 0; i < count; ++i) WriteByte(data[i]);
}

uint8_t Buffer::ReadByte() {
    const int p = mReadBitPos;
    const int r = p % 8;
    if (p < 0 || std::size_t((p + 7) / 8) >= mData.size()) return 0;
    uint8_t result;
    if (r == 0) result = mData[p / 8];
    else result = uint8_t((mData[p / 8] >> r) | (mData[p / 8 + 1] << (8 - r)));
    mReadBitPos += 8;
    return result;
}

int32_t Buffer::ReadBits(int count, bool signExtend) {
    uint32_t result = 0;
    bool last = false;
    for (int i = 0; i < count && i < 32 && mReadBitPos >= 0 && std::size_t(mReadBitPos / 8) < mData.size(); ++i) {
        last = (mData[mReadBitPos / 8] >> (mReadBitPos % 8)) & 1;
        if (last) result |= 1u << i;
        ++mReadBitPos;
    }
    if (signExtend && last && count < 32) result |= ~0u << count;
    return int32_t(result);
}

bool Buffer::ReadBoolean() { return ReadByte() != 0; }

int32_t Buffer::ReadLong() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(ReadByte()) << (8 * i);
    return int32_t(v);
}

std::string Buffer::ReadString() {
    const int lo = ReadByte();
    const int16_t len = int16_t(uint16_t(lo | (ReadByte() << 8)));
    if (len <= 0) return std::string();
    std::string s(std::size_t(len), '\0');
    for (int i = 0; i < len; ++i) s[i] = char(ReadByte());
    return s;
}

void Buffer::ReadBytes(uint8_t* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = ReadByte();
}

void Buffer::SetData(const uint8_t* data, int count) {
    mData.assign(data, data + (count > 0 ? count : 0));
    mDataBitSize = (count > 0 ? count : 0) * 8;
}

void Buffer::Clear() {
    mData.clear();
    mDataBitSize = mReadBitPos = mWriteBitPos = 0;
}

}  // namespace Vant
