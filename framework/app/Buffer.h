#pragma once
// A growable byte array read and written bit by bit, least significant bit
// first. Demo streams and their records are made of it.
#include <cstdint>
#include <string>
#include <vector>

namespace Vant {

class Buffer {
public:
    // A string's length field is 16 bits read back signed, so longer
    // strings are cut to this on writing.
    static constexpr int kMaxStringLength = 32767;

    Buffer() = default;
    virtual ~Buffer() = default;

    void WriteByte(uint8_t value);
    void WriteBits(int32_t value, int count);
    void WriteBoolean(bool value);
    void WriteLong(int32_t value);
    void WriteString(const std::string& text);
    void WriteBytes(const uint8_t* data, int count);

    uint8_t ReadByte();
    int32_t ReadBits(int count, bool signExtend);
    bool ReadBoolean();
    int32_t ReadLong();
    std::string ReadString();
    void ReadBytes(uint8_t* out, int count);

    // Replaces the data; the read and write positions stay where they are.
    void SetData(const uint8_t* data, int count);
    const uint8_t* GetDataPtr() const { return mData.empty() ? nullptr : mData.data(); }
    void Clear();
    void SeekFront() { mReadBitPos = 0; }
    int GetDataLen() const { return (mDataBitSize + 7) / 8; }
    bool AtEnd() const { return mReadBitPos >= mDataBitSize; }

    int GetReadBitPos() const { return mReadBitPos; }
    int GetWriteBitPos() const { return mWriteBitPos; }
    int GetDataBitSize() const { return mDataBitSize; }
    // Bits between the read position and the end of the data.
    int64_t BitsLeft() const { return mReadBitPos >= mDataBitSize ? 0 : int64_t(mDataBitSize) - mReadBitPos; }

    std::vector<uint8_t> mData;
    int32_t mDataBitSize = 0;
    int32_t mReadBitPos = 0;
    int32_t mWriteBitPos = 0;

private:
    void Grow() { if (mWriteBitPos > mDataBitSize) mDataBitSize = mWriteBitPos; }
};

}  // namespace Vant
