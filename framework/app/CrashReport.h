#pragma once
// The crash report after the crash: the restarted process takes "crash.txt"
// over (names demangled, map-file symbols put in), puts it on the clipboard
// and shows it; the user may send it, with a comment and the demo, to the
// configured host. Also the pieces the crashed process needs kept ready.
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Vant {

class VantAppBase;

// What the application hands to the restarted process.
struct CrashHandoff {
    std::string prod, version;
    std::string host;  // "crash/@report_host"; empty: no upload
    std::string demoFile;
    bool attachDemo = false;
    std::map<std::string, std::string> fields;  // extra form fields

    std::string Serialize() const;
    static CrashHandoff Parse(const std::string& text);
};

inline constexpr const char* kCrashBoundary = "---------------------------7d3e1f30eec";

// The whole upload request, byte for byte; demo is null when none goes.
std::string BuildCrashRequest(const CrashHandoff& handoff, const std::string& userText, const std::string& errorTitle,
                              const std::string& errorText, const std::vector<unsigned char>* demo);

// Sends the report to the hand-over's host, with the demo when one goes,
// polling every 20 ms while keepWaiting holds; the transfer's result.
int UploadCrashReport(const CrashHandoff& handoff, const std::string& userText, const std::string& errorTitle,
                      const std::string& errorText, const std::function<bool()>& keepWaiting = nullptr);

// The report's addresses "SSSS:OOOOOOOO" replaced by the map file's
// symbols (with their source lines when the map has them).
std::string SubstituteMapSymbols(const std::string& report, const std::string& mapText);
// Mangled names in the frame lines replaced by readable ones.
std::string DemangleReport(const std::string& report);
// "Exception at SSSS:OOOOOOOO" from the report's logical address.
std::string CrashErrorTitle(const std::string& report);

// True when this process was started to take a crash report over.
bool CrashReportRequested();
// Runs the restarted process's part; returns its exit status. Without a
// display the report goes to stderr and nothing is sent. The window is
// opened through the given function (none: no window).
using CrashWindowFn = std::function<void(const CrashHandoff&, const std::string& title, const std::string& report)>;
int RunCrashReport(const CrashWindowFn& window = nullptr);

// The above with the crash window on the display (CrashWindow.cpp).
int RunCrashReportWithWindow();

// Installs the crash hooks for the application and keeps its texts ready.
void InstallAppCrashHandler(VantAppBase* app);
// Brings the texts kept for a crash up to date (crash info, hand-over).
void RefreshAppCrashTexts(VantAppBase* app);

}  // namespace Vant
