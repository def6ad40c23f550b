#pragma once
// Crash hooks: fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) are
// caught on an alternate stack. The handler only does async-signal-safe
// work in memory reserved beforehand: it writes the report to "crash.txt",
// lets the application write its demo raw, starts the program again with
// the report named in the environment, waits (bounded) until that process
// has taken the report over, and ends with the signal's usual status.
#include <cstddef>
#include <cstdint>
#include <string>

namespace plat::crash {

// Environment variables of the restarted process: the report's path, the
// application's hand-over text and the pipe to close once the report is
// taken over.
inline constexpr const char* kReportEnv = "ZELKOR_CRASH_REPORT";
inline constexpr const char* kHandoffEnv = "ZELKOR_CRASH_HANDOFF";
inline constexpr const char* kPipeEnv = "ZELKOR_CRASH_PIPE";
inline constexpr const char* kReportFile = "crash.txt";

// Called inside the handler to write the demo; must be async-signal-safe.
using DemoWriter = void (*)(void* context);

// Installs the hooks once per process; later calls do nothing.
void Install();
bool Installed();
// False keeps the crashed process from starting the program again.
void SetRestart(bool restart);
// Kept ready for the report: the application's crash info (its lines go at
// the end of the report) and the text handed to the restarted process.
// Longer texts are cut to the reserved room. Primary thread only.
void SetAppText(const std::string& crashInfo);
void SetHandoff(const std::string& handoff);
void SetDemoWriter(DemoWriter writer, void* context);
// Crashes as an unhandled fault would (the "-crash" switch).
[[noreturn]] void CrashNow();

// The exception-name table: the name for a code, or null.
const char* ExceptionName(std::uint32_t code);
// The code of a signal (SIGFPE by its si_code), as the report prints it;
// other signals give their number.
std::uint32_t SignalCode(int signal, int siCode);

// Formatting without allocation, for the handler and for tests: appends
// to a fixed buffer, cutting what does not fit.
class TextBuffer {
public:
    TextBuffer(char* data, std::size_t capacity) : data_(data), cap_(capacity) {}
    TextBuffer& Str(const char* s);
    TextBuffer& Str(const char* s, std::size_t n);
    TextBuffer& Hex(std::uint64_t v, int digits, bool upper = true);
    TextBuffer& Dec(std::int64_t v);
    TextBuffer& Line() { return Str("\r\n"); }
    std::size_t size() const { return len_; }
    const char* data() const { return data_; }

private:
    char* data_;
    std::size_t cap_;
    std::size_t len_ = 0;
};

// The first line of a report.
void ExceptionLine(TextBuffer& out, std::uint32_t code, std::uint64_t address, std::uint64_t thread);

}  // namespace plat::crash
