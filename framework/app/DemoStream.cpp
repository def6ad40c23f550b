#include "framework/app/DemoStream.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>

#include "orvek/io/FileStream.h"

namespace Vant {

namespace {

void PutLong(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A cursor over the file's bytes that never reads past the end.
struct ByteReader {
    const uint8_t* p;
    std::size_t left;
    bool Long(uint32_t* v) {
        if (left < 4) return false;
        *v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        p += 4;
        left -= 4;
        return true;
    }
};

const char kInvalid[] = "Invalid demo file.";

}  // namespace

std::vector<uint8_t> BuildDemoFile(const DemoFile& demo) {
    std::vector<uint8_t> out;
    PutLong(out, kDemoMagic);
    PutLong(out, uint32_t(kDemoVersion));
    PutLong(out, demo.seed);
    Buffer text;
    text.WriteString(demo.versionText);
    out.insert(out.end(), text.mData.begin(), text.mData.end());
    Buffer markers;
    markers.WriteLong(int32_t(demo.markers.size()));
    for (const DemoMarker& m : demo.markers) {
        markers.WriteString(m.name);
        markers.WriteLong(m.updateNum);
    }
    PutLong(out, uint32_t(markers.GetDataLen()));
    out.insert(out.end(), markers.mData.begin(), markers.mData.begin() + markers.GetDataLen());
    PutLong(out, uint32_t(demo.totalUpdates));
    out.insert(out.end(), demo.stream.mData.begin(), demo.stream.mData.begin() + demo.stream.GetDataLen());
    return out;
}

bool SaveDemoFile(const std::string& path, const DemoFile& demo, std::string* error) {
    const std::vector<uint8_t> bytes = BuildDemoFile(demo);
    return orvek::io::write_file_safely(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

bool ParseDemoFile(const uint8_t* data, std::size_t size, const std::string& expectedVersionText, DemoFile* out,
                   std::string* error) {
    ByteReader r{data, size};
    uint32_t magic = 0, version = 0, seed = 0;
    if (!r.Long(&magic) || magic != kDemoMagic || !r.Long(&version) || !r.Long(&seed) || r.left < 2) {
        *error = kInvalid;
        return false;
    }
    out->version = int32_t(version);
    out->seed = seed;
    const std::size_t len = std::size_t(r.p[0]) | std::size_t(r.p[1]) << 8;
    r.p += 2;
    r.left -= 2;
    if (len > r.left) {
        *error = kInvalid;
        return false;
    }
    // Longer texts are cut to 255 bytes; the rest of the field is skipped.
    out->versionText.assign(reinterpret_cast<const char*>(r.p), len < 255 ? len : 255);
    r.p += len;
    r.left -= len;
    if (!expectedVersionText.empty() && out->versionText != expectedVersionText.substr(0, 255)) {
        *error = "This demo file appears to be for '" + out->versionText + "'";
        return false;
    }
    out->markers.clear();
    if (int32_t(version) >= 2) {
        uint32_t m = 0;
        if (!r.Long(&m) || m >= r.left) {
            *error = kInvalid;
            return false;
        }
        Buffer block;
        block.SetData(r.p, int(m));
        r.p += m;
        r.left -= m;
        const int32_t count = block.ReadLong();
        // Each marker takes at least six bytes, so the count is bounded by
        // the block before anything is reserved.
        if (int64_t(count) > int64_t(m) / 6) {
            *error = kInvalid;
            return false;
        }
        for (int32_t i = 0; i < count; ++i) {
            if (block.BitsLeft() < 48) {
                *error = kInvalid;
                return false;
            }
            DemoMarker marker;
            const int lo = block.ReadByte();
            const int16_t n = int16_t(uint16_t(lo | block.ReadByte() << 8));
            if (n > 0 && int64_t(n) * 8 + 32 > block.BitsLeft()) {
                *error = kInvalid;
                return false;
            }
            block.mReadBitPos -= 16;
            marker.name = block.ReadString();
            marker.updateNum = block.ReadLong();
            out->markers.push_back(std::move(marker));
        }
    }
    uint32_t total = 0;
    if (!r.Long(&total) || r.left == 0 || r.left > std::size_t(INT32_MAX / 8)) {
        *error = kInvalid;
        return false;
    }
    out->totalUpdates = int32_t(total);
    out->stream.Clear();
    out->stream.SetData(r.p, int(r.left));
    return true;
}

bool LoadDemoFile(const std::string& path, const std::string& expectedVersionText, DemoFile* out,
                  std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "Demo file not found: " + path;
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ParseDemoFile(bytes.data(), bytes.size(), expectedVersionText, out, error);
}

void DemoWriter::WriteTimingBlock(int updateNum) {
    int delta = updateNum - mLastUpdate;
    if (delta < 0) delta = 0;
    while (delta > 15) {
        mBuffer->WriteBits(15, 4);
        mBuffer->WriteBits(0, 1);
        mBuffer->WriteBits(DEMO_IDLE, 5);
        mLastUpdate += 15;
        delta -= 15;
        ++mRecordCount;
    }
    mBuffer->WriteBits(delta, 4);
    mLastUpdate = updateNum;
    ++mRecordCount;
}

void DemoWriter::BeginRecord(int updateNum, int code) {
    WriteTimingBlock(updateNum);
    mBuffer->WriteBits(0, 1);
    mBuffer->WriteBits(code, 5);
}

void DemoWriter::WriteMousePosition(int updateNum, int x, int y) {
    x = ClampDemoMouse(x);
    y = ClampDemoMouse(y);
    const int dx = x - mLastX, dy = y - mLastY;
    if (dx == 0 && dy == 0) return;
    if (dx > -32 && dx < 32 && dy > -32 && dy < 32) {
        WriteTimingBlock(updateNum);
        mBuffer->WriteBits(1, 1);
        mBuffer->WriteBits(0, 1);
        mBuffer->WriteBits(dx, 6);
        mBuffer->WriteBits(dy, 6);
    } else {
        BeginRecord(updateNum, DEMO_MOUSE_POSITION);
        mBuffer->WriteBits(x, 12);
        mBuffer->WriteBits(y, 12);
    }
    mLastX = x;
    mLastY = y;
}

void DemoWriter::WriteMouseButton(int updateNum, bool down, int button) {
    WriteTimingBlock(updateNum);
    mBuffer->WriteBits(1, 1);
    mBuffer->WriteBits(1, 1);
    mBuffer->WriteBits(down ? 1 : 0, 1);
    mBuffer->WriteBits(button, 3);
}

void DemoWriter::WriteRegistryRead(int updateNum, bool ok, uint32_t type, const uint8_t* data, uint32_t size) {
    BeginRecord(updateNum, DEMO_REGISTRY_READ);
    mBuffer->WriteBits(ok ? 1 : 0, 1);
    if (!ok) return;
    mBuffer->WriteLong(int32_t(type));
    mBuffer->WriteLong(int32_t(size));
    mBuffer->WriteBytes(data, int(size));
}

void DemoWriter::WriteRegistryWrite(int updateNum, bool ok) {
    BeginRecord(updateNum, DEMO_REGISTRY_WRITE);
    mBuffer->WriteBits(ok ? 1 : 0, 1);
}

void DemoWriter::WriteFileRead(int updateNum, bool ok, const std::vector<uint8_t>& bytes) {
    BeginRecord(updateNum, DEMO_FILE_READ);
    mBuffer->WriteBits(ok ? 1 : 0, 1);
    if (!ok) return;
    mBuffer->WriteLong(int32_t(bytes.size()));
    mBuffer->WriteBytes(bytes.data(), int(bytes.size()));
}

void DemoWriter::WriteSyncBuffer(int updateNum, const std::vector<uint8_t>& bytes) {
    BeginRecord(updateNum, DEMO_SYNC);
    mBuffer->WriteLong(int32_t(bytes.size()));
    mBuffer->WriteBytes(bytes.data(), int(bytes.size()));
}

void DemoWriter::WriteScreenMode(int updateNum, bool windowed, int refreshRate) {
    BeginRecord(updateNum, DEMO_VIDEO_DATA);
    mBuffer->WriteBits(windowed ? 1 : 0, 1);
    mBuffer->WriteBits(refreshRate, 8);
}

bool DemoReader::ReadRecordHeader(int updateNum) {
    if (mNeedNextHeader) {
        // The shortest record takes 10 bits; fewer are the last byte's padding.
        if (mBuffer->BitsLeft() < kMinRecordBits) return false;
        mHeaderBitPos = mBuffer->GetReadBitPos();
        mNextUpdate += mBuffer->ReadBits(4, false);
        const bool compact = mBuffer->ReadBits(1, false) != 0;
        if (compact) mNextCode = mBuffer->ReadBits(1, false) ? kDemoCompactButton : kDemoCompactMove;
        else mNextCode = mBuffer->ReadBits(5, false);
        mNeedNextHeader = false;
        ++mRecordCount;
    }
    return updateNum == mNextUpdate;
}

void DemoReader::ReadCompactMove(int* dx, int* dy) {
    *dx = mBuffer->ReadBits(6, true);
    *dy = mBuffer->ReadBits(6, true);
}

void DemoReader::ReadCompactButton(bool* down, int* button) {
    *down = mBuffer->ReadBits(1, false) != 0;
    *button = mBuffer->ReadBits(3, true);
}

void DemoReader::ReadMousePosition(int* x, int* y) {
    *x = mBuffer->ReadBits(12, false);
    *y = mBuffer->ReadBits(12, false);
}

bool DemoReader::ReadBlock(std::vector<uint8_t>* out) {
    const int32_t size = mBuffer->ReadLong();
    if (size < 0 || int64_t(size) * 8 > mBuffer->BitsLeft()) return false;
    out->resize(std::size_t(size));
    mBuffer->ReadBytes(out->data(), size);
    return true;
}

bool DemoReader::ReadRegistryRead(bool* ok, uint32_t* type, std::vector<uint8_t>* data) {
    *ok = ReadFlag();
    data->clear();
    if (!*ok) return true;
    *type = uint32_t(mBuffer->ReadLong());
    return ReadBlock(data);
}

bool DemoReader::ReadFileRead(bool* ok, std::vector<uint8_t>* data) {
    *ok = ReadFlag();
    data->clear();
    return !*ok || ReadBlock(data);
}

bool DemoReader::SkipPayload(int code) {
    std::vector<uint8_t> scratch;
    bool ok = false;
    uint32_t type = 0;
    switch (code) {
        case kDemoCompactMove: mBuffer->ReadBits(12, false); return true;
        case kDemoCompactButton: mBuffer->ReadBits(4, false); return true;
        case DEMO_MOUSE_POSITION: mBuffer->ReadBits(24, false); return true;
        case DEMO_ACTIVATE: case DEMO_SIZE: case DEMO_REGISTRY_WRITE: mBuffer->ReadBits(1, false); return true;
        case DEMO_KEY_DOWN: case DEMO_KEY_UP: case DEMO_KEY_CHAR: case DEMO_MOUSE_WHEEL:
            mBuffer->ReadBits(8, false);
            return true;
        case DEMO_VIDEO_DATA: mBuffer->ReadBits(9, false); return true;
        case DEMO_REGISTRY_READ: return ReadRegistryRead(&ok, &type, &scratch);
        case DEMO_FILE_READ: return ReadFileRead(&ok, &scratch);
        case DEMO_SYNC: return ReadBlock(&scratch);
        case DEMO_CLOSE: case DEMO_MOUSE_ENTER: case DEMO_MOUSE_EXIT: case DEMO_LOADING_COMPLETE: case DEMO_IDLE:
            return true;
        case DEMO_HTTP_RESULT:
            mBuffer->ReadLong();
            mBuffer->ReadByte();
            mBuffer->ReadString();
            return true;
        default: return false;
    }
}

}  // namespace Vant
