#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "framework/app/DemoExchanges.h"
#include "support/TestSupport.h"

using namespace Vant;

namespace {

// What one scripted run saw from outside, update by update.
struct Script {
    explicit Script(std::map<std::string, std::string>* s) : store(s) {}
    std::map<std::string, std::string>* store;
    int liveCalls = 0;
    std::vector<std::string> seen;

    void Run(DemoChannel* demo, const std::string& dir) {
        for (int u = 0; u < 40; u += 13) {
            demo->updateNum = u;
            char value[8] = {};
            uint32_t size = sizeof value, type = 0;
            const bool ok = DemoRegistryRead(
                demo,
                [&](uint32_t* t, std::vector<uint8_t>* d) {
                    ++liveCalls;
                    auto it = store->find("Name");
                    if (it == store->end()) return false;
                    *t = 1;
                    d->assign(it->second.begin(), it->second.end());
                    return true;
                },
                &type, value, &size);
            seen.push_back(ok ? std::string(value, size) : "<none>");
            const bool wrote = DemoRegistryWrite(demo, [&] {
                ++liveCalls;
                (*store)["Count"] = std::to_string(u);
                return true;
            });
            seen.push_back(wrote ? "w" : "-");
            Buffer file;
            seen.push_back(DemoReadBufferFromFile(demo, dir + "/level.txt", &file, false)
                               ? std::string(file.mData.begin(), file.mData.end())
                               : "<nofile>");
            bool flag = u % 2 == 0;
            DemoSyncBool(demo, &flag);
            std::string text = "t" + std::to_string(u * 7);
            DemoSyncString(demo, &text);
            seen.push_back(std::to_string(flag) + text);
        }
    }
};

}  // namespace

TEST(DemoExchanges, ReplayAnswersFromTheDemoNotFromOutside) {
    testsupport::TempDir dir;
    std::ofstream(dir.str() + "/level.txt") << "abc";
    std::map<std::string, std::string> store{{"Name", "Ann"}};

    DemoFile demo;
    DemoWriter writer(&demo.stream);
    DemoChannel rec;
    rec.recording = true;
    rec.buffer = &demo.stream;
    rec.writer = &writer;
    Script recorded{&store};
    recorded.Run(&rec, dir.str());
    EXPECT_GT(recorded.liveCalls, 0);

    // The outside world changes before the replay.
    store["Name"] = "Bob-longer-than-8";
    std::ofstream(dir.str() + "/level.txt") << "changed";
    demo.totalUpdates = 40;
    const std::vector<uint8_t> bytes = BuildDemoFile(demo);
    DemoFile back;
    std::string error;
    ASSERT_TRUE(ParseDemoFile(bytes.data(), bytes.size(), "", &back, &error)) << error;
    DemoReader reader(&back.stream);
    DemoChannel play;
    play.playing = true;
    play.buffer = &back.stream;
    play.reader = &reader;
    Script replayed{&store};
    replayed.Run(&play, dir.str());
    EXPECT_EQ(replayed.seen, recorded.seen);
    EXPECT_EQ(replayed.liveCalls, 0);
    EXPECT_TRUE(reader.Exhausted());
}

TEST(DemoExchanges, RecordedValueLargerThanTheCallersBufferFails) {
    Buffer b;
    DemoWriter w(&b);
    const uint8_t big[16] = {1, 2, 3};
    w.WriteRegistryRead(0, true, 3, big, sizeof big);
    DemoReader r(&b);
    DemoChannel play;
    play.playing = true;
    play.buffer = &b;
    play.reader = &r;
    uint8_t small[4] = {9, 9, 9, 9};
    uint32_t size = sizeof small, type = 0;
    EXPECT_FALSE(DemoRegistryRead(&play, nullptr, &type, small, &size));
    EXPECT_EQ(small[0], 9);

    // After the close was replayed nothing more is read.
    play.pastEnd = true;
    EXPECT_TRUE(DemoRegistryWrite(&play, nullptr));
    Buffer file;
    EXPECT_FALSE(DemoReadBufferFromFile(&play, "x", &file, false));
}
