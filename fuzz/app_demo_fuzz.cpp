// Arbitrary bytes as a demo file: reading it and walking every record the
// way playback does must stay inside the data, and no payload may reserve
// more than the stream holds. A file that reads is then played through a
// headless application that asks for settings, files, data buffers and the
// clipboard every update, as a game would.
#include <cstdint>
#include <vector>

#include "../tests/framework/app/support/FakeHost.h"
#include "framework/app/DemoStream.h"

namespace {

class AskingApp : public apptest::TestApp {
public:
    using TestApp::TestApp;
    void UpdateFrames() override {
        TestApp::UpdateFrames();
        std::uint32_t v = 0;
        RegistryReadDword("Speed", &v);
        RegistryWriteDword("Speed", v);
        Vant::Buffer b;
        ReadBufferFromFile("level.txt", &b);
        b.WriteLong(mUpdateCount);
        SyncDataBuffer(&b);
        GetClipboard();
    }
};

void PlayThroughApplication(const Vant::DemoFile& demo) {
    apptest::FakeHost host;
    AskingApp app(&host);
    app.mCmdLineParsed = true;
    app.Init();
    app.mPlayingDemo = true;
    app.mDemoMarkers = demo.markers;
    app.mDemoLength = demo.totalUpdates;
    app.mDemoBuffer = demo.stream;
    app.mDemoBuffer.SeekFront();
    app.mDemoReader = Vant::DemoReader(&app.mDemoBuffer);
    // A loading thread that has finished, so a recorded completion can be seen.
    app.mLoadingThreadStarted = true;
    app.mLoadingThreadCompleted = true;
    bool updated = false;
    for (int i = 0; i < 20000 && !app.mShutdown && !app.mDemoReader.Exhausted(); ++i) app.UpdateAppStep(&updated);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Vant::DemoFile demo;
    std::string error;
    if (!Vant::ParseDemoFile(data, size, "", &demo, &error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (demo.stream.GetDataLen() <= 0) __builtin_trap();
    Vant::Buffer copy = demo.stream;
    Vant::DemoReader reader(&copy);
    std::vector<uint8_t> block;
    // Each update injects what is due; a record that cannot be read ends
    // playback, as the application does.
    for (int update = 0; update < 1 << 20 && !reader.Exhausted(); ++update) {
        while (reader.ReadRecordHeader(update)) {
            const int code = reader.TakeRecord();
            if (!reader.SkipPayload(code)) goto walked;
            if (copy.GetReadBitPos() > copy.GetDataBitSize() + 64) __builtin_trap();
        }
        if (reader.Exhausted()) break;
    }
walked:
    PlayThroughApplication(demo);
    return 0;
}
