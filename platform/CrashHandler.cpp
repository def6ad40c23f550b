#include "platform/CrashHandler.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <ucontext.h>
#include <unistd.h>

extern char** environ;

namespace plat::crash {

namespace {

struct NamedCode {
    std::uint32_t code;
    const char* name;
};

constexpr NamedCode kNames[] = {
    {0x40000005, "Segment Notification"},
    {0x80000003, "Breakpoint"},
    {0x80000004, "Single step"},
    {0x00000000, "Wait 0"},
    {0x00000080, "Abandoned Wait 0"},
    {0x000000C0, "User APC"},
    {0x00000102, "Timeout"},
    {0x00000103, "Pending"},
    {0x80000001, "Guard Page Violation"},
    {0x80000002, "Data Type Misalignment"},
    {0xC0000005, "Access Violation"},
    {0xC0000006, "In Page Error"},
    {0xC0000017, "No Memory"},
    {0xC000001D, "Illegal Instruction"},
    {0xC0000025, "Noncontinuable Exception"},
    {0xC0000026, "Invalid Disposition"},
    {0xC000008C, "Array Bounds Exceeded"},
    {0xC000008D, "Float Denormal Operand"},
    {0xC000008E, "Divide by Zero"},
    {0xC000008F, "Float Inexact Result"},
    {0xC0000090, "Float Invalid Operation"},
    {0xC0000091, "Float Overflow"},
    {0xC0000092, "Float Stack Check"},
    {0xC0000093, "Float Underflow"},
    {0xC0000094, "Integer Divide by Zero"},
    {0xC0000095, "Integer Overflow"},
    {0xC0000096, "Privileged Instruction"},
    {0xC00000FD, "Stack Overflow"},
    {0xC000013A, "Ctrl+C Exit"},
};

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kAltStackSize = 128 * 1024;
constexpr std::size_t kTextRoom = 16 * 1024;

// Everything the handler touches is reserved here, before any crash.
alignas(16) char gAltStack[kAltStackSize];
char gReport[96 * 1024];
// The application's texts, double-buffered so a crash while one is being
// replaced still finds the other whole.
char gAppText[2][kTextRoom];
std::size_t gAppTextLen[2] = {0, 0};
std::atomic<int> gAppTextCurrent{0};
char gHandoff[2][kTextRoom + 32];
std::atomic<int> gHandoffCurrent{0};
char gReportEnv[64];
char gPipeEnv[64];
const char* gEnv[1024];
const char* gArgv[2] = {nullptr, nullptr};
void* gFrames[128];
std::atomic<bool> gInstalled{false};
std::atomic<int> gEntered{0};
bool gRestart = true;
DemoWriter gDemoWriter = nullptr;
void* gDemoContext = nullptr;
int gNullFd = -1;

std::size_t Length(const char* s) {
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
}

bool StartsWith(const char* s, const char* prefix) {
    for (; *prefix; ++s, ++prefix)
        if (*s != *prefix) return false;
    return true;
}

const char* BaseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/') base = p + 1;
    return base;
}

// Readable memory, asked without touching it: a write of it to /dev/null
// fails with EFAULT when it is not.
bool Readable(const void* p, std::size_t n) {
    if (gNullFd < 0) return false;
    return ::write(gNullFd, p, n) == static_cast<ssize_t>(n);
}

struct SegmentQuery {
    std::uintptr_t address;
    const char* module = nullptr;
    int section = 0;
    std::uintptr_t offset = 0;
};

int FindSegment(dl_phdr_info* info, std::size_t, void* data) {
    auto* q = static_cast<SegmentQuery*>(data);
    int loadIndex = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_LOAD) continue;
        ++loadIndex;
        const std::uintptr_t start = info->dlpi_addr + ph.p_vaddr;
        if (q->address >= start && q->address < start + ph.p_memsz) {
            q->module = info->dlpi_name;
            q->section = loadIndex;
            q->offset = q->address - start;
            return 1;
        }
    }
    return 0;
}

// The module, loadable segment (1-based) and offset holding an address.
SegmentQuery Locate(std::uintptr_t address) {
    SegmentQuery q;
    q.address = address;
    dl_iterate_phdr(FindSegment, &q);
    return q;
}

const char* ModuleName(const SegmentQuery& q) {
    // The main program reports an empty name; its path is our own.
    if (!q.module || !*q.module) {
        Dl_info info;
        if (dladdr(reinterpret_cast<void*>(q.address), &info) && info.dli_fname) return BaseName(info.dli_fname);
        return "?";
    }
    return BaseName(q.module);
}

// A return address may lie just past its function (a call that never
// returns ends it), so callers' frames are looked up one byte back.
void FrameLine(TextBuffer& out, std::uintptr_t frame, std::uintptr_t address, bool isReturn) {
    Dl_info info;
    out.Hex(frame, 16).Str(" ").Hex(address, 16).Str(" ");
    const std::uintptr_t lookup = isReturn ? address - 1 : address;
    if (dladdr(reinterpret_cast<void*>(lookup), &info) && info.dli_sname && info.dli_saddr) {
        out.Str(info.dli_sname).Str("+").Hex(address - reinterpret_cast<std::uintptr_t>(info.dli_saddr), 1);
    } else {
        SegmentQuery q = Locate(lookup);
        q.offset += address - lookup;
        out.Hex(std::uint64_t(q.section), 4).Str(":").Hex(q.offset, 8).Str(" ").Str(ModuleName(q));
    }
    out.Line();
}

// The walk along saved frame pointers, when the unwinder gives nothing.
void FramePointerWalk(TextBuffer& out, std::uintptr_t pc, std::uintptr_t fp) {
    for (int n = 0; n < 64 && pc; ++n) {
        const SegmentQuery q = Locate(pc);
        out.Hex(pc, 16).Str("  ").Hex(fp, 16).Str("  ").Hex(std::uint64_t(q.section), 4).Str(":").Hex(q.offset, 8);
        out.Str(" ").Str(ModuleName(q)).Line();
        if (fp % 8 != 0 || !Readable(reinterpret_cast<void*>(fp), 16)) break;
        const auto* words = reinterpret_cast<const std::uintptr_t*>(fp);
        const std::uintptr_t next = words[0];
        pc = words[1];
        if (next <= fp || next % 8 != 0) break;
        fp = next;
    }
}

void WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= std::size_t(n);
    }
}

void BuildReport(TextBuffer& out, int signal, siginfo_t* info, ucontext_t* uc) {
    const auto& g = uc->uc_mcontext.gregs;
    const std::uintptr_t pc = std::uintptr_t(g[REG_RIP]);
    ExceptionLine(out, SignalCode(signal, info ? info->si_code : 0), pc, std::uint64_t(::syscall(SYS_gettid)));
    const SegmentQuery where = Locate(pc);
    out.Str("Module: ").Str(ModuleName(where)).Line();
    out.Str("Logical Address: ").Hex(std::uint64_t(where.section), 4).Str(":").Hex(where.offset, 8).Line();
    out.Line();

    // The unwinder's frames start in this handler; the report starts at the
    // faulting instruction.
    const int count = backtrace(gFrames, int(sizeof gFrames / sizeof gFrames[0]));
    int first = -1;
    for (int i = 0; i < count; ++i) {
        if (reinterpret_cast<std::uintptr_t>(gFrames[i]) == pc) {
            first = i;
            break;
        }
    }
    if (first >= 0) {
        for (int i = first; i < count; ++i)
            FrameLine(out, i == first ? std::uintptr_t(g[REG_RBP]) : 0, reinterpret_cast<std::uintptr_t>(gFrames[i]),
                      i != first);
    } else {
        FramePointerWalk(out, pc, std::uintptr_t(g[REG_RBP]));
    }
    out.Line();

    out.Str("RAX:").Hex(g[REG_RAX], 16).Str(" RBX:").Hex(g[REG_RBX], 16).Str(" RCX:").Hex(g[REG_RCX], 16);
    out.Str(" RDX:").Hex(g[REG_RDX], 16).Str(" RSI:").Hex(g[REG_RSI], 16).Str(" RDI:").Hex(g[REG_RDI], 16).Line();
    out.Str("R8:").Hex(g[REG_R8], 16).Str(" R9:").Hex(g[REG_R9], 16).Str(" R10:").Hex(g[REG_R10], 16);
    out.Str(" R11:").Hex(g[REG_R11], 16).Str(" R12:").Hex(g[REG_R12], 16).Str(" R13:").Hex(g[REG_R13], 16);
    out.Str(" R14:").Hex(g[REG_R14], 16).Str(" R15:").Hex(g[REG_R15], 16).Line();
    out.Str("RIP:").Hex(g[REG_RIP], 16).Str(" RSP:").Hex(g[REG_RSP], 16).Str("  RBP:").Hex(g[REG_RBP], 16).Line();
    // cs, gs and fs share one word; the others are not kept on this platform.
    const std::uint64_t segs = std::uint64_t(g[REG_CSGSFS]);
    out.Str("CS:").Hex(segs & 0xFFFF, 4).Str(" SS:").Hex(0, 4).Str(" DS:").Hex(0, 4).Str(" ES:").Hex(0, 4);
    out.Str(" FS:").Hex((segs >> 32) & 0xFFFF, 4).Str(" GS:").Hex((segs >> 16) & 0xFFFF, 4).Line();
    out.Str("Flags:").Hex(std::uint64_t(g[REG_EFL]) & 0xFFFFFFFFu, 8).Line();
    out.Line();

    utsname name;
    if (uname(&name) == 0) out.Str("Linux Ver: ").Str(name.release).Line();

    const int cur = gAppTextCurrent.load();
    if (gAppTextLen[cur] > 0) {
        out.Line();
        out.Str(gAppText[cur], gAppTextLen[cur]);
    }
}

void Restart() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return;
    }
    if (child == 0) {
        ::close(fds[0]);
        TextBuffer pipeEnv(gPipeEnv, sizeof gPipeEnv - 1);
        pipeEnv.Str(kPipeEnv).Str("=").Dec(fds[1]);
        gPipeEnv[pipeEnv.size()] = 0;
        std::size_t n = 0;
        for (char** e = environ; e && *e && n + 4 < sizeof gEnv / sizeof gEnv[0]; ++e) {
            if (StartsWith(*e, kReportEnv) || StartsWith(*e, kHandoffEnv) || StartsWith(*e, kPipeEnv)) continue;
            gEnv[n++] = *e;
        }
        gEnv[n++] = gReportEnv;
        gEnv[n++] = gHandoff[gHandoffCurrent.load()];
        gEnv[n++] = gPipeEnv;
        gEnv[n] = nullptr;
        ::execve("/proc/self/exe", const_cast<char* const*>(gArgv), const_cast<char* const*>(gEnv));
        ::_exit(127);
    }
    ::close(fds[1]);
    // The report is the restarted process's once it closes the pipe; a
    // process that never answers is not waited for past a few seconds.
    pollfd p{fds[0], POLLIN, 0};
    for (int waited = 0; waited < 10000; waited += 100) {
        const int r = ::poll(&p, 1, 100);
        if (r < 0 && errno != EINTR) break;
        if (r > 0) {
            char c;
            if (::read(fds[0], &c, 1) <= 0) break;
        }
    }
    ::close(fds[0]);
}

void Handler(int signal, siginfo_t* info, void* context) {
    if (gEntered.fetch_add(1) != 0) {
        // A crash inside the report, or on a second thread: end at once.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    TextBuffer out(gReport, sizeof gReport);
    BuildReport(out, signal, info, static_cast<ucontext_t*>(context));
    const int fd = ::open(kReportFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        WriteAll(fd, out.data(), out.size());
        ::close(fd);
    }
    if (gDemoWriter) gDemoWriter(gDemoContext);
    if (gRestart) Restart();
    // The usual end of the signal: the default action once this returns.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(signal, &dfl, nullptr);
    ::raise(signal);
}

}  // namespace

TextBuffer& TextBuffer::Str(const char* s) { return Str(s, Length(s)); }

TextBuffer& TextBuffer::Str(const char* s, std::size_t n) {
    for (std::size_t i = 0; i < n && len_ < cap_; ++i) data_[len_++] = s[i];
    return *this;
}

TextBuffer& TextBuffer::Hex(std::uint64_t v, int digits, bool upper) {
    char tmp[16];
    int n = 0;
    do {
        const int d = int(v & 0xF);
        tmp[n++] = char(d < 10 ? '0' + d : (upper ? 'A' : 'a') + d - 10);
        v >>= 4;
    } while (v != 0 && n < 16);
    for (int i = n; i < digits && i < 16; ++i) Str("0", 1);
    while (n > 0) Str(&tmp[--n], 1);
    return *this;
}

TextBuffer& TextBuffer::Dec(std::int64_t v) {
    char tmp[24];
    int n = 0;
    std::uint64_t u = v < 0 ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v);
    do {
        tmp[n++] = char('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (v < 0) Str("-", 1);
    while (n > 0) Str(&tmp[--n], 1);
    return *this;
}

const char* ExceptionName(std::uint32_t code) {
    for (const NamedCode& n : kNames)
        if (n.code == code) return n.name;
    return nullptr;
}

std::uint32_t SignalCode(int signal, int siCode) {
    switch (signal) {
    case SIGSEGV: return 0xC0000005;
    case SIGBUS: return 0x80000002;
    case SIGILL: return 0xC000001D;
    case SIGFPE:
        switch (siCode) {
        case FPE_INTDIV: return 0xC0000094;
        case FPE_INTOVF: return 0xC0000095;
        case FPE_FLTDIV: return 0xC000008E;
        default: return 0xC0000090;
        }
    default: return std::uint32_t(signal);
    }
}

void ExceptionLine(TextBuffer& out, std::uint32_t code, std::uint64_t address, std::uint64_t thread) {
    if (const char* name = ExceptionName(code)) {
        out.Str("Exception: ").Str(name).Str(" (code 0x").Hex(code, 1, false).Str(")");
    } else {
        out.Str("Unknown exception: (code 0x").Hex(code, 1, false).Str(")");
    }
    out.Str(" at address ").Hex(address, 16).Str(" in thread ").Hex(thread, 1).Line();
}

void Install() {
    if (gInstalled.exchange(true)) return;
    gNullFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    // The unwinder loads its library on first use; that happens here, not
    // in the handler.
    backtrace(gFrames, 2);
    gArgv[0] = program_invocation_name ? program_invocation_name : "zelkor";
    TextBuffer env(gReportEnv, sizeof gReportEnv - 1);
    env.Str(kReportEnv).Str("=").Str(kReportFile);
    gReportEnv[env.size()] = 0;
    SetHandoff(std::string());

    stack_t ss{};
    ss.ss_sp = gAltStack;
    ss.ss_size = sizeof gAltStack;
    ::sigaltstack(&ss, nullptr);
    struct sigaction sa {};
    sa.sa_sigaction = Handler;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) ::sigaction(s, &sa, nullptr);
}

bool Installed() { return gInstalled.load(); }

void CrashNow() {
    ::raise(SIGSEGV);
    ::_exit(128 + SIGSEGV);
}

void SetRestart(bool restart) { gRestart = restart; }

void SetAppText(const std::string& crashInfo) {
    const int next = 1 - gAppTextCurrent.load();
    const std::size_t n = std::min(crashInfo.size(), kTextRoom);
    std::memcpy(gAppText[next], crashInfo.data(), n);
    gAppTextLen[next] = n;
    gAppTextCurrent.store(next);
}

void SetHandoff(const std::string& handoff) {
    const int next = 1 - gHandoffCurrent.load();
    TextBuffer b(gHandoff[next], sizeof gHandoff[next] - 1);
    b.Str(kHandoffEnv).Str("=");
    // An environment string ends at its first zero byte.
    for (char c : handoff.substr(0, kTextRoom))
        if (c != 0) b.Str(&c, 1);
    gHandoff[next][b.size()] = 0;
    gHandoffCurrent.store(next);
}

void SetDemoWriter(DemoWriter writer, void* context) {
    gDemoContext = context;
    gDemoWriter = writer;
}

}  // namespace plat::crash
