#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app/DemoStream.h"
#include "support/TestSupport.h"

using namespace Vant;

namespace {

std::vector<uint8_t> Le(std::initializer_list<uint32_t> longs) {
    std::vector<uint8_t> out;
    for (uint32_t v : longs)
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    return out;
}

void Append(std::vector<uint8_t>& a, const std::vector<uint8_t>& b) { a.insert(a.end(), b.begin(), b.end()); }

std::vector<uint8_t> TextField(const std::string& t) {
    std::vector<uint8_t> out{uint8_t(t.size()), uint8_t(t.size() >> 8)};
    out.insert(out.end(), t.begin(), t.end());
    return out;
}

}  // namespace

TEST(DemoStream, RecordsRoundTripThroughAFile) {
    testsupport::TempDir dir;
    DemoFile demo;
    demo.seed = 0xDEADBEEF;
    demo.versionText = "1.2";
    demo.markers = {{"start", 3}, {"boss", 400}};
    demo.totalUpdates = 500;
    DemoWriter w(&demo.stream);
    w.WriteScreenMode(0, true, 60);
    w.WriteMousePosition(1, 10, 20);    // compact
    w.WriteMousePosition(1, 10, 20);    // unchanged: nothing
    w.WriteMouseButton(1, true, -2);
    w.WriteMousePosition(3, 300, 20);   // absolute
    w.WriteMousePosition(3, -40, 9000); // held to 0..4095
    const uint8_t value[] = {7, 8, 9};
    w.WriteRegistryRead(5, true, 4, value, 3);
    w.WriteRegistryRead(5, false, 0, nullptr, 0);
    w.WriteRegistryWrite(60, true);
    w.WriteFileRead(61, true, {'a', 'b'});
    w.WriteSyncBuffer(61, {});
    w.BeginRecord(62, DEMO_KEY_DOWN);
    demo.stream.WriteBits(0x41, 8);

    const std::string path = dir.str() + "/x.dmo";
    std::string error;
    ASSERT_TRUE(SaveDemoFile(path, demo, &error)) << error;
    DemoFile back;
    ASSERT_TRUE(LoadDemoFile(path, "1.2", &back, &error)) << error;
    EXPECT_EQ(back.seed, 0xDEADBEEFu);
    ASSERT_EQ(back.markers.size(), 2u);
    EXPECT_EQ(back.markers[1].name, "boss");
    EXPECT_EQ(back.markers[1].updateNum, 400);
    EXPECT_EQ(back.totalUpdates, 500);

    // Walk the updates as playback does; the fillers of the 55-update gap
    // are taken on their way.
    DemoReader r(&back.stream);
    std::vector<std::string> seen;
    for (int update = 0; update < 70; ++update) {
        while (r.ReadRecordHeader(update)) {
            const int code = r.TakeRecord();
            std::string s = std::to_string(update) + ":" + std::to_string(code);
            if (code == kDemoCompactMove) {
                int dx, dy;
                r.ReadCompactMove(&dx, &dy);
                s += "=" + std::to_string(dx) + "," + std::to_string(dy);
            } else if (code == kDemoCompactButton) {
                bool down;
                int b;
                r.ReadCompactButton(&down, &b);
                s += "=" + std::to_string(down) + "," + std::to_string(b);
            } else if (code == DEMO_MOUSE_POSITION) {
                int x, y;
                r.ReadMousePosition(&x, &y);
                s += "=" + std::to_string(x) + "," + std::to_string(y);
            } else if (code == DEMO_REGISTRY_READ) {
                bool ok;
                uint32_t type = 0;
                std::vector<uint8_t> data;
                ASSERT_TRUE(r.ReadRegistryRead(&ok, &type, &data));
                s += "=" + std::to_string(ok) + "," + std::to_string(type) + "," + std::to_string(data.size());
            } else if (code == DEMO_FILE_READ) {
                bool ok;
                std::vector<uint8_t> data;
                ASSERT_TRUE(r.ReadFileRead(&ok, &data));
                s += "=" + std::string(data.begin(), data.end());
            } else if (code == DEMO_IDLE) {
                continue;
            } else {
                ASSERT_TRUE(r.SkipPayload(code));
            }
            seen.push_back(s);
        }
    }
    const std::vector<std::string> want = {"0:23", "1:-2=10,20", "1:-3=1,-2", "3:0=300,20", "3:0=0,4095",
                                           "5:11=1,4,3", "5:11=0,0,0", "60:12", "61:15=ab", "61:18", "62:3"};
    EXPECT_EQ(seen, want);
    EXPECT_TRUE(r.Exhausted());
}

TEST(DemoStream, GapOfFortyUpdatesWritesTwoFillers) {
    Buffer b;
    DemoWriter w(&b);
    w.BeginRecord(40, DEMO_CLOSE);
    // 15 + filler, 15 + filler, then 10 and the record itself.
    const int want[][3] = {{15, 0, DEMO_IDLE}, {15, 0, DEMO_IDLE}, {10, 0, DEMO_CLOSE}};
    for (const auto& rec : want) {
        EXPECT_EQ(b.ReadBits(4, false), rec[0]);
        EXPECT_EQ(b.ReadBits(1, false), rec[1]);
        EXPECT_EQ(b.ReadBits(5, false), rec[2]);
    }
    EXPECT_TRUE(b.AtEnd());
}

TEST(DemoStream, ReadErrors) {
    testsupport::TempDir dir;
    DemoFile out;
    std::string error;
    EXPECT_FALSE(LoadDemoFile(dir.str() + "/none.dmo", "", &out, &error));
    EXPECT_EQ(error, "Demo file not found: " + dir.str() + "/none.dmo");

    struct Case { const char* what; std::vector<uint8_t> bytes; const char* error; };
    std::vector<uint8_t> badMagic = Le({0x42BEEF77, 2, 1});
    Append(badMagic, TextField("v"));
    std::vector<uint8_t> bigMarkers = Le({kDemoMagic, 2, 1});
    Append(bigMarkers, TextField("v"));
    Append(bigMarkers, Le({8, 0, 0}));  // M = 8 with 8 bytes after it
    std::vector<uint8_t> foreign = Le({kDemoMagic, 2, 1});
    Append(foreign, TextField("other"));
    std::vector<uint8_t> noStream = Le({kDemoMagic, 2, 1});
    Append(noStream, TextField("v"));
    Append(noStream, Le({4, 0, 10}));
    std::vector<uint8_t> shortMarkers = Le({kDemoMagic, 2, 1});
    Append(shortMarkers, TextField("v"));
    Append(shortMarkers, Le({4, 3, 10, 0}));  // three markers counted, none there
    const Case cases[] = {
        {"magic", badMagic, "Invalid demo file."},
        {"marker block not shorter than the rest", bigMarkers, "Invalid demo file."},
        {"foreign", foreign, "This demo file appears to be for 'other'"},
        {"no stream", noStream, "Invalid demo file."},
        {"markers missing", shortMarkers, "Invalid demo file."},
        {"empty", {}, "Invalid demo file."},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(ParseDemoFile(c.bytes.data(), c.bytes.size(), "v", &out, &error)) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

TEST(DemoStream, VersionOneAndLongVersionTexts) {
    // Version 1: no marker block.
    std::vector<uint8_t> v1 = Le({kDemoMagic, 1, 5});
    Append(v1, TextField("v"));
    Append(v1, Le({30}));
    v1.push_back(0xA3);  // delta 3, non-compact, code 5 (low bits)
    v1.push_back(0x00);
    DemoFile out;
    std::string error;
    ASSERT_TRUE(ParseDemoFile(v1.data(), v1.size(), "v", &out, &error)) << error;
    EXPECT_EQ(out.totalUpdates, 30);
    EXPECT_TRUE(out.markers.empty());
    DemoReader r(&out.stream);
    EXPECT_FALSE(r.ReadRecordHeader(0));
    EXPECT_TRUE(r.ReadRecordHeader(3));
    EXPECT_EQ(r.TakeRecord(), DEMO_KEY_CHAR);

    // A 300-byte text is cut to 255 on reading, and the file still reads.
    DemoFile demo;
    demo.versionText = std::string(300, 'q');
    demo.totalUpdates = 1;
    DemoWriter(&demo.stream).BeginRecord(0, DEMO_CLOSE);
    const std::vector<uint8_t> bytes = BuildDemoFile(demo);
    ASSERT_TRUE(ParseDemoFile(bytes.data(), bytes.size(), demo.versionText, &out, &error)) << error;
    EXPECT_EQ(out.versionText, std::string(255, 'q'));
}

TEST(DemoStream, PayloadSizesAreBoundedByTheStream) {
    // Sizes beyond the bits left fail before anything is allocated.
    for (int code : {DEMO_REGISTRY_READ, DEMO_FILE_READ, DEMO_SYNC}) {
        Buffer b;
        DemoWriter w(&b);
        w.BeginRecord(0, code);
        if (code != DEMO_SYNC) b.WriteBits(1, 1);
        if (code == DEMO_REGISTRY_READ) b.WriteLong(1);
        b.WriteLong(0x7FFFFFF0);
        b.WriteLong(0);
        DemoReader r(&b);
        ASSERT_TRUE(r.ReadRecordHeader(0));
        EXPECT_FALSE(r.SkipPayload(r.TakeRecord())) << code;
    }
}
