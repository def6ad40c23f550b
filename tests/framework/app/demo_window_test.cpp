// A run in a real window, driven through the X server (a drag that leaves
// the window while the button is held among it), is recorded into a demo
// and replayed headless: every update must hash the same.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/DemoHash.h"
#include "support/FakeHost.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {

class ReplayApp : public apptest::TestApp {
public:
    using TestApp::TestApp;
    void UpdateFrames() override {
        TestApp::UpdateFrames();
        hashes.push_back(std::to_string(mUpdateCount) + " " + std::to_string(apptest::DemoStateHash(*this, wm())));
    }
    std::vector<std::string> hashes;
};

std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(DemoWindow, ARunDrivenThroughTheXServerReplaysHeadless) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool"}); !m.empty()) GTEST_SKIP() << m << " missing";
    testsupport::TempDir dir;
    const int rc = apptest::RunUnderXvfb(dir, "640x480x24", R"SH(
"$2" -record -demofile=run.dmo > probe.out 2>&1 &
P=$!
wait_line probe.out "probe: shown"
find_window "Zelkor Demo Probe"
xdotool windowfocus --sync "$WID"
at() { xdotool mousemove --window "$WID" "$1" "$2"; sleep 0.15; }
at 40 30
xdotool mousedown 1; sleep 0.15
at 100 80
# Outside the window while the button is held: screen coordinates left of it.
eval "$(xdotool getwindowgeometry --shell "$WID")"
xdotool mousemove $((X - 40)) $((Y + 300)); sleep 0.15
xdotool mousemove $((X - 60 > 0 ? X - 60 : 0)) $((Y + 320)); sleep 0.15
xdotool mouseup 1; sleep 0.15
at 60 60
xdotool type --delay 50 "ab"
xdotool click 3; sleep 0.15
xdotool key alt+F4
wait $P
echo "exit $?"
)SH", APP_DEMO_PROBE);
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "demo_window_", {"probe.out", "run.out", "hashes.txt", "run.dmo"});
    ASSERT_EQ(rc, 0) << testsupport::read_file(dir.file("run.out")) << testsupport::read_file(dir.file("probe.out"));
    ASSERT_NE(testsupport::read_file(dir.file("run.out")).find("exit 0"), std::string::npos)
        << testsupport::read_file(dir.file("run.out"));
    const std::vector<std::string> recorded = Lines(testsupport::read_file(dir.file("hashes.txt")));
    ASSERT_FALSE(recorded.empty());

    apptest::FakeHost host;
    ReplayApp app(&host);
    app.mPlayingDemo = true;
    app.mDemoFileName = dir.file("run.dmo");
    app.mCmdLineParsed = true;
    app.Init();
    for (int i = 0; i < 100000 && !app.mShutdown; ++i) app.UpdateApp();
    ASSERT_TRUE(app.mShutdown.load());
    EXPECT_EQ(app.hashes, recorded);
    // The drag outside arrived held to the window's edge, and the rest came.
    const auto& ev = app.wm().events;
    auto has = [&](const std::string& prefix) {
        for (const std::string& e : ev)
            if (e.rfind(prefix, 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(has("up 0,")) << ::testing::PrintToString(ev);
    EXPECT_TRUE(has("char 97"));
    EXPECT_TRUE(has("down 60,60 -1"));
}

}  // namespace
