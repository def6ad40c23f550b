// Crashes on request so the tests can look at what a crash leaves behind.
// Started again by its own crash handler, it takes the report over and
// prints it (no window: these runs have no display).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/app/CrashReport.h"
#include "platform/CrashHandler.h"
#include "../support/FakeHost.h"

namespace probe {

__attribute__((noinline, no_sanitize("undefined", "address"))) void WriteThroughNull(int* p) {
    *static_cast<volatile int*>(p) = 1;
}

__attribute__((noinline, no_sanitize("undefined"))) int DivideBy(int d) {
    volatile int v = d;
    return 100 / v;
}

__attribute__((noinline)) void Abort() { std::abort(); }

}  // namespace probe

// A recording application that crashes after some input.
static int RecordThenCrash() {
    apptest::FakeHost host;
    apptest::TestApp app(&host);
    app.mRecordingDemo = true;
    app.mDemoFileName = "crash.dmo";
    app.mCmdLineParsed = true;
    app.Init();
    Vant::InstallAppCrashHandler(&app);
    plat::crash::SetRestart(false);
    for (int i = 0; app.mUpdateCount < 40 && i < 2000; ++i) {
        if (app.mUpdateCount == 5 && host.pending.empty()) host.Post(plat::msg::kKeyDown, 'K');
        if (app.mUpdateCount == 25 && host.pending.empty()) host.Post(plat::msg::kChar, 'k');
        app.UpdateApp();
    }
    probe::WriteThroughNull(nullptr);
    return 0;
}

int main(int argc, char** argv) {
    if (Vant::CrashReportRequested()) return Vant::RunCrashReportWithWindow();
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "record") return RecordThenCrash();
    plat::crash::Install();
    plat::crash::SetAppText("Product: Probe\r\n");
    // A second argument names the host a report may be sent to.
    Vant::CrashHandoff handoff;
    handoff.prod = "Probe";
    handoff.version = "1.0";
    if (argc > 2) handoff.host = argv[2];
    plat::crash::SetHandoff(handoff.Serialize());
    if (mode == "null") probe::WriteThroughNull(nullptr);
    if (mode == "divide") std::printf("%d\n", probe::DivideBy(0));
    if (mode == "abort") probe::Abort();
    return 3;
}
