// Arbitrary bytes as what the restarted program reads after a crash: a map
// file put into a report, the report's names demangled, and the hand-over
// text from the environment. Nothing may read past its input, and the
// hand-over must come back the same after a round trip.
#include <cstdint>
#include <string>

#include "framework/app/CrashReport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = text.find('\x01');
    const std::string report = split == std::string::npos ? text : text.substr(0, split);
    const std::string map = split == std::string::npos ? text : text.substr(split + 1);
    Vant::SubstituteMapSymbols(report, map);
    Vant::DemangleReport(report);
    Vant::CrashErrorTitle(report);
    const Vant::CrashHandoff h = Vant::CrashHandoff::Parse(text);
    if (Vant::CrashHandoff::Parse(h.Serialize()).Serialize() != h.Serialize()) __builtin_trap();
    return 0;
}
