// A scripted run recorded through the application and replayed from its
// demo file: every update of the replay must end in the same state, with the
// outside world (settings, files, the network) changed or gone.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "framework/app/HTTPTransfer.h"
#include "support/FakeHost.h"

namespace {

using namespace plat::msg;

// Answers one request with a fixed response.
class CannedSocket : public plat::StreamSocket {
public:
    Connect Start(const std::string&, int) override { return Connect::Started; }
    Wait WaitFor(bool, bool, int) override { return Wait::Ready; }
    long Send(const char*, std::size_t size) override { return long(size); }
    long Receive(char* data, std::size_t size) override {
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
        const std::size_t n = std::min(size, reply.size() - at);
        std::copy_n(reply.data() + at, n, data);
        at += n;
        return long(n);
    }
    void Close() override {}
    std::size_t at = 0;
};

struct CountingHost : apptest::FakeHost {
    int reads = 0;
    bool SettingsRead(const std::string& key, const std::string& name, std::uint32_t* type, void* data,
                      std::uint32_t* size) override {
        ++reads;
        return FakeHost::SettingsRead(key, name, type, data, size);
    }
};

// Asks the outside world at fixed updates and hashes what it saw after
// every update.
class ScriptApp : public apptest::TestApp {
public:
    explicit ScriptApp(apptest::FakeHost* host) : TestApp(host) { http.SetDemoChannel(DemoState()); }
    ~ScriptApp() override { http.SetDemoChannel(nullptr); }

    void UpdateFrames() override {
        TestApp::UpdateFrames();
        const int u = mUpdateCount;
        if (u == 3) {
            std::uint32_t v = 0;
            seen += RegistryReadDword("Speed", &v) ? "speed " + std::to_string(v) + ";" : "no speed;";
        }
        if (u == 4) seen += RegistryWriteDword("Speed", 9) ? "wrote;" : "not written;";
        if (u == 6) {
            Vant::Buffer b;
            seen += ReadBufferFromFile("level.txt", &b) ? "file " + std::string(b.mData.begin(), b.mData.end()) + ";"
                                                       : "no file;";
        }
        if (u == 7) http.StartTransfer("127.0.0.1:8080/x", "GET /x HTTP/1.0\r\n\r\n");
        if (u == 8 && !mPlayingDemo) {
            // The live run waits for its worker so the result lands at this update.
            for (int i = 0; i < 500 && http.IsActive(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        http.UpdateStatus();
        if (u == 9) {
            Vant::Buffer b;
            b.WriteLong(liveNumber);
            SyncDataBuffer(&b);
            seen += "sync " + std::to_string(b.ReadLong()) + ";";
        }
        if (u == 11) seen += "clip " + GetClipboard() + ";";

        std::string state = seen;
        for (const std::string& e : wm().events) state += e + "|";
        state += std::to_string(mWidgetManager->mLastMouseX) + "," + std::to_string(mWidgetManager->mLastMouseY);
        state += " http " + std::to_string(http.GetResult());
        if (http.GetResult() != Vant::HTTPTransfer::RESULT_NOT_COMPLETED) state += " " + http.GetContent();
        hashes.push_back(std::hash<std::string>()(state));
        states.push_back(state);
    }

    Vant::HTTPTransfer http;
    std::string seen;
    int liveNumber = 0;
    std::vector<std::size_t> hashes;
    std::vector<std::string> states;
};

struct Step {
    int update;
    std::uint32_t msg;
    std::uintptr_t w;
    std::intptr_t l;
};

void RunUntilShutdown(ScriptApp& app, apptest::FakeHost& host, const std::vector<Step>& script) {
    std::size_t next = 0;
    for (int guard = 0; guard < 5000 && !app.mShutdown; ++guard) {
        while (next < script.size() && script[next].update <= app.mUpdateCount) {
            host.Post(script[next].msg, script[next].w, script[next].l);
            ++next;
        }
        app.UpdateApp();
    }
    ASSERT_TRUE(app.mShutdown.load());
}

TEST(DemoReplay, ARecordedRunReplaysUpdateForUpdate) {
    Vant::HTTPTransfer::SetSocketFactory([] { return std::make_unique<CannedSocket>(); });
    std::remove("replay.dmo");
    std::ofstream("level.txt") << "ways";

    const auto P = plat::MakePointParam;
    const std::vector<Step> script = {
        {1, kMouseMove, 0, P(10, 12)},
        {2, kMouseMove, 0, P(50, 70)},          // too far for a compact move
        {2, kLButtonDown, kMkLButton, P(52, 71)},
        {5, kMouseMove, kMkLButton, P(-30, 9000)},  // captured drag outside the window
        {5, kLButtonUp, 0, P(-30, 9000)},
        {8, kKeyDown, 'A', 0},
        {8, kChar, 'a', 0},
        {8, kKeyUp, 'A', 0},
        {10, kMouseWheel, std::uintptr_t(240) << 16, 0},
        {12, kRButtonDblClk, 0, P(3, 4)},
        {60, kClose, 0, 0},
    };

    std::vector<std::size_t> recorded;
    std::vector<std::string> recordedStates;
    {
        apptest::FakeHost host;
        host.clipboard = "pasted";
        std::uint32_t speed = 4;
        host.SettingsWrite("SOFTWARE\\Test", "Speed", Vant::kRegDword, &speed, 4);
        Vant::HTTPTransfer::SetNextTransferId(1);
        ScriptApp app(&host);
        app.mRecordingDemo = true;
        app.mDemoFileName = "replay.dmo";
        app.mCmdLineParsed = true;
        app.liveNumber = 1234;
        app.Init();
        RunUntilShutdown(app, host, script);
        recorded = app.hashes;
        recordedStates = app.states;
        // What the run saw, and what the drag delivered.
        EXPECT_NE(app.seen.find("speed 4;"), std::string::npos);
        EXPECT_NE(app.seen.find("file ways;"), std::string::npos);
        EXPECT_NE(app.seen.find("sync 1234;"), std::string::npos);
        EXPECT_NE(app.seen.find("clip pasted;"), std::string::npos);
        EXPECT_EQ(app.http.GetContent(), "hello");
        const auto& ev = app.wm().events;
        EXPECT_NE(std::find(ev.begin(), ev.end(), "up 0,4095 1"), ev.end());
    }

    // The world changed: other settings, no file, no network, nothing on
    // the clipboard.
    std::remove("level.txt");
    Vant::HTTPTransfer::SetSocketFactory([]() -> std::unique_ptr<plat::StreamSocket> {
        ADD_FAILURE() << "a replay opened a socket";
        return nullptr;
    });
    Vant::HTTPTransfer::SetNextTransferId(1);
    CountingHost host;
    std::uint32_t speed = 77;
    host.SettingsWrite("SOFTWARE\\Test", "Speed", Vant::kRegDword, &speed, 4);
    ScriptApp app(&host);
    app.mPlayingDemo = true;
    app.mDemoFileName = "replay.dmo";
    app.mCmdLineParsed = true;
    app.liveNumber = -1;
    app.Init();
    host.Post(kMouseMove, 0, plat::MakePointParam(30, 30));  // live input is not delivered
    RunUntilShutdown(app, host, {});
    Vant::HTTPTransfer::SetSocketFactory(nullptr);

    EXPECT_EQ(host.reads, 0);
    ASSERT_EQ(app.hashes.size(), recorded.size());
    for (std::size_t i = 0; i < recorded.size(); ++i)
        ASSERT_EQ(app.states[i], recordedStates[i]) << "update " << i + 1;
    EXPECT_EQ(app.hashes, recorded);
}

}  // namespace
