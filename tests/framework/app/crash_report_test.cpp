// Crashes of a child program, what they leave behind, the report's texts and
// the upload's bytes.
#include <gtest/gtest.h>

#include "support/LoopbackListen.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "framework/app/CrashReport.h"
#include "platform/CrashHandler.h"
#include "support/FakeHost.h"
#include "support/TestSupport.h"
#include "support/XWindow.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the probe in its own empty folder; its wait status.
int RunProbe(const std::string& dir, const std::string& mode) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(90);
        // No display: the restarted program prints the report.
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("SDL_VIDEODRIVER");
        const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, 2);
        ::execl(APP_CRASH_PROBE, APP_CRASH_PROBE, mode.c_str(), static_cast<char*>(nullptr));
        ::_exit(91);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(CrashReport, AChildThatCrashesLeavesTheReportAndEndsWithItsSignal) {
    struct Case {
        const char* mode;
        int signal;
        const char* exceptionLine;
        const char* frame;
    } cases[] = {
        {"null", SIGSEGV, "Exception: Access Violation (code 0xc0000005) at address ", "probe::WriteThroughNull(int*)+"},
        {"divide", SIGFPE, "Exception: Integer Divide by Zero (code 0xc0000094) at address ", "probe::DivideBy(int)+"},
        {"abort", SIGABRT, "Unknown exception: (code 0x6) at address ", "probe::Abort()+"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        const std::string dir = std::string("crash_") + c.mode;
        const int status = RunProbe(dir, c.mode);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), c.signal);
        const std::string report = ReadFile(dir + "/crash.txt");
        EXPECT_EQ(report.rfind(c.exceptionLine, 0), 0u) << report;
        EXPECT_NE(report.find("\r\nModule: "), std::string::npos);
        EXPECT_NE(report.find("\r\nLogical Address: "), std::string::npos);
        EXPECT_NE(report.find(c.frame), std::string::npos) << report;
        EXPECT_NE(report.find("\r\nRAX:"), std::string::npos);
        EXPECT_NE(report.find("\r\nRIP:"), std::string::npos);
        EXPECT_NE(report.find("\r\nFlags:"), std::string::npos);
        EXPECT_NE(report.find("\r\nLinux Ver: "), std::string::npos);
        EXPECT_NE(report.find("\r\n\r\nProduct: Probe\r\n"), std::string::npos);
        // The restarted program took the report over (no display: stderr).
        EXPECT_NE(ReadFile(dir + "/stderr.txt").find(c.exceptionLine), std::string::npos);
    }
}

TEST(CrashReport, ACrashWhileRecordingLeavesADemoThatPlaysUpToIt) {
    const int status = RunProbe("crash_record", "record");
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_TRUE(std::filesystem::exists("crash_record/crash.txt"));

    apptest::FakeHost host;
    apptest::TestApp app(&host);
    app.mPlayingDemo = true;
    app.mDemoFileName = "crash_record/crash.dmo";
    app.mCmdLineParsed = true;
    app.Init();
    EXPECT_EQ(app.mDemoLength, 40);
    for (int i = 0; i < 3000 && app.mUpdateCount < 45; ++i) app.UpdateApp();
    const std::vector<std::string> want = {"keydown 75", "char 107"};
    EXPECT_EQ(app.wm().events, want);
    EXPECT_TRUE(app.mDemoReader.Exhausted());
}

TEST(CrashReport, ExceptionLines) {
    struct Case {
        std::uint32_t code;
        const char* line;
    } cases[] = {
        {0xE06D7363, "Unknown exception: (code 0xe06d7363) at address 0000000000401A2B in thread 1F\r\n"},
        {0xC0000005, "Exception: Access Violation (code 0xc0000005) at address 0000000000401A2B in thread 1F\r\n"},
        {0xC000013A, "Exception: Ctrl+C Exit (code 0xc000013a) at address 0000000000401A2B in thread 1F\r\n"},
        {0x00000000, "Exception: Wait 0 (code 0x0) at address 0000000000401A2B in thread 1F\r\n"},
    };
    for (const Case& c : cases) {
        char room[256];
        plat::crash::TextBuffer out(room, sizeof room);
        plat::crash::ExceptionLine(out, c.code, 0x401A2B, 0x1F);
        EXPECT_EQ(std::string(out.data(), out.size()), c.line);
    }
    EXPECT_EQ(plat::crash::SignalCode(SIGFPE, FPE_FLTDIV), 0xC000008Eu);
    EXPECT_EQ(plat::crash::SignalCode(SIGFPE, FPE_FLTINV), 0xC0000090u);
    EXPECT_EQ(plat::crash::SignalCode(SIGBUS, 0), 0x80000002u);
    EXPECT_EQ(plat::crash::SignalCode(SIGTERM, 0), std::uint32_t(SIGTERM));
    // Text that does not fit is cut, never written past.
    char tiny[8];
    plat::crash::TextBuffer cut(tiny, sizeof tiny);
    cut.Str("Exception").Hex(0xFFFF, 16);
    EXPECT_EQ(std::string(cut.data(), cut.size()), "Exceptio");
}

TEST(CrashReport, MapFileSymbolsAndLinesReplaceLogicalAddresses) {
    // Public symbols: ":" at 5, name from 21; line-number entries only in
    // lines of exactly 80 characters.
    const std::string entries = "    12 0001:00000010    14 0001:00000020    30 0002:00000000    31 0002:00000008";
    ASSERT_EQ(entries.size(), 80u);
    const std::string map = std::string(" 0001:00000000       _ZN4game4stepEv 00401000 f game.obj\r\n") +
                            " 0001:00000100       _other 00401100 f other.obj\n" +
                            " 0002:00000000       _ZN4data5tableE 00402000 d data.obj\n" +
                            "Line numbers for c:\\src\\game.obj(c:\\src\\game.cpp) segment .text\n" + entries + "\n" +
                            "    99 0001:00000300    99 0001:00000300\n";
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"Logical Address: 0001:00000024\r\n",
         "Logical Address: game::step()+0x24\r\n    c:\\src\\game.cpp line 14 +0x4\r\n"},
        {"at 0001:00000000.", "at game::step()."},
        {"x 0001:00000300 y", "x _other+0x200\r\n    c:\\src\\game.cpp line 14 +0x2E0 y"},
        {"0002:00000009", "data::table+0x9\r\n    c:\\src\\game.cpp line 31 +0x1"},
        {"0003:00000010 stays", "0003:00000010 stays"},
        {"RIP:0001:0000 short", "RIP:0001:0000 short"},
    };
    for (const Case& c : cases) EXPECT_EQ(Vant::SubstituteMapSymbols(c.in, map), c.out) << c.in;
    EXPECT_EQ(Vant::SubstituteMapSymbols("0001:00000024", "no symbols here\n"), "0001:00000024");
    EXPECT_EQ(Vant::CrashErrorTitle("Exception: x\r\nLogical Address: 0002:000001A0\r\n"),
              "Exception at 0002:000001A0");
    EXPECT_EQ(Vant::DemangleReport("0 1 _ZN5probe8DivideByEi+1C\r\n0 2 _start+5\r\n"),
              "0 1 probe::DivideBy(int)+1C\r\n0 2 _start+5\r\n");
}

// Takes one request whole (headers and the announced body) and answers 200.
class UploadServer {
public:
    UploadServer() {
        mListen = apptest::listen_on_loopback(mPort);
        mThread = std::thread([this] { Serve(); });
    }
    ~UploadServer() {
        mDone = true;
        if (mThread.joinable()) mThread.join();
        ::close(mListen);
    }
    int Port() const { return mPort; }
    std::string Request() {
        mDone = true;
        if (mThread.joinable()) mThread.join();
        return mRequest;
    }

private:
    void Serve() {
        pollfd p{mListen, POLLIN, 0};
        while (!mDone && ::poll(&p, 1, 20) == 0) {
        }
        if (mDone) return;
        const int c = ::accept(mListen, nullptr, nullptr);
        char buf[4096];
        for (;;) {
            const std::size_t head = mRequest.find("\r\n\r\n");
            if (head != std::string::npos) {
                const std::size_t cl = mRequest.find("Content-Length: ");
                const std::size_t want = head + 4 + (cl < head ? std::stoul(mRequest.substr(cl + 16)) : 0);
                if (mRequest.size() >= want) break;
            }
            const ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            mRequest.append(buf, std::size_t(n));
        }
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
        ::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
        ::close(c);
    }

    std::string mRequest;
    std::atomic<bool> mDone{false};
    int mListen, mPort = 0;
    std::thread mThread;
};

TEST(CrashReport, TheUploadSendsTheFormByteForByte) {
    std::ofstream("upload.dmo", std::ios::binary) << std::string("DM\0O", 4);
    UploadServer server;
    Vant::CrashHandoff h;
    h.prod = "Zelkor";
    h.version = "1.0";
    h.host = "127.0.0.1:" + std::to_string(server.Port());
    h.demoFile = "upload.dmo";
    h.attachDemo = true;
    h.fields = {{"zeta", "last"}, {"alpha", "first"}};
    // The hand-over survives its trip through the environment.
    const Vant::CrashHandoff back = Vant::CrashHandoff::Parse(h.Serialize());
    EXPECT_EQ(back.Serialize(), h.Serialize());
    EXPECT_EQ(back.fields, h.fields);

    const int result = Vant::UploadCrashReport(back, "it froze", "Exception at 0001:00000024", "report\r\ntext");
    EXPECT_EQ(result, 0);
    const std::string b = "---------------------------7d3e1f30eec";
    const std::string body =
        "--" + b + "\r\nContent-Disposition: form-data; name=\"alpha\"\r\n\r\nfirst\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"zeta\"\r\n\r\nlast\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"prod\"\r\n\r\nZelkor\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"version\"\r\n\r\n1.0\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"usertext\"\r\n\r\nit froze\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"errortitle\"\r\n\r\nException at 0001:00000024\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"errortext\"\r\n\r\nreport\r\ntext\r\n" +
        "--" + b + "\r\nContent-Disposition: form-data; name=\"demofile\"; filename=\"ostrel.dmo\"\r\n" +
        "Content-Type: application/octet-stream\r\n\r\n" + std::string("DM\0O", 4) + "\r\n" + "--" + b + "--\r\n";
    const std::string want = "POST /plenar_error.php HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=" + b +
                             "\r\nUser-Agent: Mozilla/4.0 (compatible; ostrel)\r\nHost: " + h.host +
                             "\r\nContent-Length: " + std::to_string(body.size()) +
                             "\r\nConnection: close\r\n\r\n" + body;
    EXPECT_EQ(server.Request(), want);
}

}  // namespace

namespace {

TEST(CrashReport, TheCrashWindowSendsOnlyWhenAskedAndOnlyWithAHost) {
    if (const std::string m = apptest::MissingTool({"xvfb-run", "xdotool"}); !m.empty()) GTEST_SKIP() << m << " missing";
    UploadServer server;
    const std::string host = "127.0.0.1:" + std::to_string(server.Port());
    testsupport::TempDir dir;
    const int rc = apptest::RunUnderXvfb(dir, "640x480x24", R"SH(
click() { xdotool mousemove --window "$WID" "$1" "$2"; sleep 0.2; xdotool click 1; sleep 0.3; }
window() {
  wait_line "$1" "crash window: page 0"
  find_window "Fatal Error!"
  xdotool windowfocus --sync "$WID"; sleep 0.3
}
# A host, and "Close Now": nothing is sent.
"$2" null "$3" > closed.out 2>&1; echo "crashed $?"
window closed.out
click 300 280
wait_line closed.out "crash window: closed"
# No host: "Close Now" alone, the whole width.
"$2" null > nohost.out 2>&1
window nohost.out
click 20 280
wait_line nohost.out "crash window: closed"
# A host, "Send Report", a comment and "Continue".
"$2" null "$3" > sent.out 2>&1
window sent.out
click 100 280
wait_line sent.out "crash window: page 1"
xdotool type --delay 40 "it froze"
sleep 0.2
click 100 280
wait_line sent.out "crash window: sent"
echo "done"
)SH", APP_CRASH_PROBE, host);
    const std::string out = testsupport::read_file(dir.file("run.out"));
    apptest::KeepArtefacts(dir, ARTEFACT_DIR, "crash_window_", {"run.out", "closed.out", "nohost.out", "sent.out"});
    ASSERT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("crashed 139"), std::string::npos) << out;  // the crash's own status
    EXPECT_NE(testsupport::read_file(dir.file("closed.out")).find("page 0: Send Report,Close Now"), std::string::npos);
    EXPECT_NE(testsupport::read_file(dir.file("nohost.out")).find("page 0: Close Now\n"), std::string::npos);

    const std::string report = testsupport::read_file(dir.file("crash.txt"));
    Vant::CrashHandoff h;
    h.prod = "Probe";
    h.version = "1.0";
    h.host = host;
    EXPECT_EQ(server.Request(), Vant::BuildCrashRequest(h, "it froze", Vant::CrashErrorTitle(report), report, nullptr));
}

}  // namespace
