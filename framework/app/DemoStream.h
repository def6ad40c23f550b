#pragma once
// Demo files and their record stream: the recording side writes records
// stamped with update numbers into a bit buffer, the playing side reads them
// back. Everything read from a file is bounded by what is left in it.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/app/Buffer.h"

namespace Vant {

constexpr uint32_t kDemoMagic = 0x42BEEF78;
constexpr int32_t kDemoVersion = 2;

enum DemoCode {
    DEMO_MOUSE_POSITION = 0,
    DEMO_ACTIVATE = 1,
    DEMO_SIZE = 2,
    DEMO_KEY_DOWN = 3,
    DEMO_KEY_UP = 4,
    DEMO_KEY_CHAR = 5,
    DEMO_CLOSE = 6,
    DEMO_MOUSE_ENTER = 7,
    DEMO_MOUSE_EXIT = 8,
    DEMO_LOADING_COMPLETE = 9,
    DEMO_REGISTRY_GETSUBKEYS = 10,  // unused
    DEMO_REGISTRY_READ = 11,
    DEMO_REGISTRY_WRITE = 12,
    DEMO_FILE_READ = 15,
    DEMO_HTTP_RESULT = 17,
    DEMO_SYNC = 18,
    DEMO_MOUSE_WHEEL = 21,
    DEMO_VIDEO_DATA = 23,
    DEMO_IDLE = 31,
};

// Compact records read back with these codes.
constexpr int kDemoCompactMove = -2;
constexpr int kDemoCompactButton = -3;

// Recorded and delivered mouse positions are held to what the 12-bit
// absolute record can carry, so a drag outside the window replays the same.
inline int ClampDemoMouse(int v) { return v < 0 ? 0 : v > 4095 ? 4095 : v; }

struct DemoMarker {
    std::string name;
    int32_t updateNum = 0;
};

struct DemoFile {
    int32_t version = kDemoVersion;
    uint32_t seed = 0;
    std::string versionText;
    std::vector<DemoMarker> markers;
    int32_t totalUpdates = 0;
    Buffer stream;  // positioned at its start
};

// The whole file as bytes, and written through the safe writer; false with
// the reason when the file cannot be written.
std::vector<uint8_t> BuildDemoFile(const DemoFile& demo);
bool SaveDemoFile(const std::string& path, const DemoFile& demo, std::string* error);

// Reads a demo from bytes; on failure error holds "Invalid demo file." or
// "This demo file appears to be for '...'". An empty expected text accepts
// any.
bool ParseDemoFile(const uint8_t* data, std::size_t size, const std::string& expectedVersionText, DemoFile* out,
                   std::string* error);
// As above from a file; a missing file gives "Demo file not found: " + path.
bool LoadDemoFile(const std::string& path, const std::string& expectedVersionText, DemoFile* out,
                  std::string* error);

// Records into a bit buffer. updateNum is the number of the update in
// progress.
class DemoWriter {
public:
    explicit DemoWriter(Buffer* buffer) : mBuffer(buffer) {}

    // The update delta, preceded by gap fillers for gaps above 15.
    void WriteTimingBlock(int updateNum);
    // Timing block, non-compact flag and code.
    void BeginRecord(int updateNum, int code);
    // A mouse position: compact when both differences are below 32 and not
    // both 0, absolute otherwise, nothing when unchanged.
    void WriteMousePosition(int updateNum, int x, int y);
    void WriteMouseButton(int updateNum, bool down, int button);

    void WriteRegistryRead(int updateNum, bool ok, uint32_t type, const uint8_t* data, uint32_t size);
    void WriteRegistryWrite(int updateNum, bool ok);
    void WriteFileRead(int updateNum, bool ok, const std::vector<uint8_t>& bytes);
    void WriteSyncBuffer(int updateNum, const std::vector<uint8_t>& bytes);
    void WriteScreenMode(int updateNum, bool windowed, int refreshRate);

    int mLastUpdate = 0;
    int mLastX = 0, mLastY = 0;
    int mRecordCount = 0;

private:
    Buffer* mBuffer;
};

// Reads records from a bit buffer in update order.
class DemoReader {
public:
    explicit DemoReader(Buffer* buffer) : mBuffer(buffer) {}

    // Reads the pending header when none is pending; true when the pending
    // record belongs to updateNum. False at the end of the stream.
    bool ReadRecordHeader(int updateNum);
    bool HasPending() const { return !mNeedNextHeader; }
    // The pending record's code (kDemoCompact* for compact records); marks
    // it taken so the next call reads a new header.
    int TakeRecord() { mNeedNextHeader = true; return mNextCode; }
    int PendingCode() const { return mNeedNextHeader ? -1 : mNextCode; }
    static constexpr int kMinRecordBits = 10;
    bool Exhausted() const { return mNeedNextHeader && mBuffer->BitsLeft() < kMinRecordBits; }
    int NextUpdate() const { return mNextUpdate; }

    // Payload readers; the byte blocks fail when their size exceeds what is
    // left of the stream, before anything is allocated.
    void ReadCompactMove(int* dx, int* dy);
    void ReadCompactButton(bool* down, int* button);
    void ReadMousePosition(int* x, int* y);
    bool ReadFlag() { return mBuffer->ReadBits(1, false) != 0; }
    int ReadBits(int n, bool sign) { return mBuffer->ReadBits(n, sign); }
    bool ReadBlock(std::vector<uint8_t>* out);
    bool ReadRegistryRead(bool* ok, uint32_t* type, std::vector<uint8_t>* data);
    bool ReadFileRead(bool* ok, std::vector<uint8_t>* data);
    // Skips the payload of the record just taken; false when it cannot.
    bool SkipPayload(int code);

    int mRecordCount = 0;
    int mHeaderBitPos = 0;

private:
    Buffer* mBuffer;
    bool mNeedNextHeader = true;
    int mNextCode = -1;
    int mNextUpdate = 0;
};

// What a synchronous exchange needs of the application's demo state.
struct DemoChannel {
    bool recording = false;
    bool playing = false;
    bool pastEnd = false;
    Buffer* buffer = nullptr;
    DemoWriter* writer = nullptr;
    DemoReader* reader = nullptr;
    int updateNum = 0;  // the update in progress
};

}  // namespace Vant
