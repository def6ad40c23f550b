#include "framework/app/CrashReport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "framework/app/Common.h"
#include "framework/app/DemoExchanges.h"
#include "framework/app/HTTPTransfer.h"
#include "framework/app/VantAppBase.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/FileStream.h"
#include "platform/CrashHandler.h"

namespace Vant {

namespace {

orvek::ostrel::ConfigValueReadOnly<std::string> report_host("crash/@report_host", "");

// The hand-over is lines of "key=value" with the value's bytes escaped, so
// any text survives an environment variable.
std::string Escape(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '%' || c == '\n' || c == '=' || c < 0x20) out += FormatString("%%%02X", c);
        else out += char(c);
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() + 0 && std::isxdigit((unsigned char)s[i + 1]) &&
            std::isxdigit((unsigned char)s[i + 2])) {
            out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool IsHex(const std::string& s, std::size_t at, std::size_t n) {
    if (at + n > s.size()) return false;
    for (std::size_t i = at; i < at + n; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

unsigned long HexAt(const std::string& s, std::size_t at, std::size_t n) {
    return std::strtoul(s.substr(at, n).c_str(), nullptr, 16);
}

std::string Demangle(const std::string& name) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> out(abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status),
                                               std::free);
    return status == 0 && out ? std::string(out.get()) : name;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string CrashHandoff::Serialize() const {
    std::string s = "prod=" + Escape(prod) + "\nversion=" + Escape(version) + "\nhost=" + Escape(host) +
                    "\ndemo=" + Escape(demoFile) + "\nattach=" + (attachDemo ? "1" : "0") + "\n";
    for (const auto& [k, v] : fields) s += "field." + Escape(k) + "=" + Escape(v) + "\n";
    return s;
}

CrashHandoff CrashHandoff::Parse(const std::string& text) {
    CrashHandoff h;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = Unescape(line.substr(eq + 1));
        if (key == "prod") h.prod = value;
        else if (key == "version") h.version = value;
        else if (key == "host") h.host = value;
        else if (key == "demo") h.demoFile = value;
        else if (key == "attach") h.attachDemo = value == "1";
        else if (key.rfind("field.", 0) == 0) h.fields[Unescape(key.substr(6))] = value;
    }
    return h;
}

std::string BuildCrashRequest(const CrashHandoff& handoff, const std::string& userText, const std::string& errorTitle,
                              const std::string& errorText, const std::vector<unsigned char>* demo) {
    const std::string b = kCrashBoundary;
    std::string body;
    for (const auto& [name, value] : handoff.fields)
        body += "--" + b + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
    const std::pair<const char*, const std::string*> fixed[] = {
        {"prod", &handoff.prod},          {"version", &handoff.version}, {"usertext", &userText},
        {"errortitle", &errorTitle},      {"errortext", &errorText},
    };
    for (const auto& [name, value] : fixed)
        body += "--" + b + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n" + "\r\n" + *value + "\r\n";
    if (demo) {
        body += "--" + b + "\r\nContent-Disposition: form-data; name=\"demofile\"; filename=\"ostrel.dmo\"\r\n" +
                "Content-Type: application/octet-stream\r\n\r\n";
        body.append(demo->begin(), demo->end());
        body += "\r\n";
    }
    body += "--" + b + "--\r\n";
    return "POST /plenar_error.php HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=" + b +
           "\r\nUser-Agent: Mozilla/4.0 (compatible; ostrel)\r\nHost: " + handoff.host +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

int UploadCrashReport(const CrashHandoff& handoff, const std::string& userText, const std::string& errorTitle,
                      const std::string& errorText, const std::function<bool()>& keepWaiting) {
    std::vector<unsigned char> demo;
    Buffer file;
    const bool withDemo = handoff.attachDemo && DemoReadBufferFromFile(nullptr, handoff.demoFile, &file, true);
    if (withDemo) demo.assign(file.mData.begin(), file.mData.begin() + file.GetDataLen());
    HTTPTransfer transfer;
    transfer.StartTransfer(handoff.host, BuildCrashRequest(handoff, userText, errorTitle, errorText,
                                                           withDemo ? &demo : nullptr));
    while (transfer.GetResult() == HTTPTransfer::RESULT_NOT_COMPLETED) {
        if (keepWaiting && !keepWaiting()) {
            transfer.Reset();
            return HTTPTransfer::RESULT_ABORTED;
        }
        transfer.UpdateStatus();
        ::usleep(20000);
    }
    while (transfer.IsActive()) ::usleep(1000);
    return transfer.GetResult();
}

std::string SubstituteMapSymbols(const std::string& report, const std::string& mapText) {
    struct Symbol {
        unsigned long section, offset;
        std::string name;
    };
    struct LineEntry {
        unsigned long section, offset;
        int line;
        std::string file;
    };
    std::vector<Symbol> symbols;
    std::vector<LineEntry> lines;
    std::string file;
    bool inFile = false;
    std::istringstream in(mapText);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 4096) line.resize(4096);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 23 && line[5] == ':' && line[20] == ' ' && IsHex(line, 1, 4) && IsHex(line, 6, 8)) {
            const std::size_t end = line.find(' ', 21);
            symbols.push_back({HexAt(line, 1, 4), HexAt(line, 6, 8), line.substr(21, end == std::string::npos ? std::string::npos : end - 21)});
            continue;
        }
        if (line.rfind("Line numbers", 0) == 0) {
            const std::size_t open = line.find('('), close = line.rfind(')');
            inFile = open != std::string::npos && close != std::string::npos && close > open;
            if (inFile) file = line.substr(open + 1, close - open - 1);
            continue;
        }
        if (inFile && line.size() == 80) {
            for (std::size_t e = 0; e < 80; e += 20) {
                if (!IsHex(line, e + 7, 4) || !IsHex(line, e + 12, 8)) continue;
                lines.push_back({HexAt(line, e + 7, 4), HexAt(line, e + 12, 8), std::atoi(line.substr(e, 6).c_str()), file});
            }
        }
    }
    if (symbols.empty()) return report;

    std::string out;
    for (std::size_t i = 0; i < report.size();) {
        if (i + 13 <= report.size() && report[i + 4] == ':' && IsHex(report, i, 4) && IsHex(report, i + 5, 8)) {
            const unsigned long section = HexAt(report, i, 4), offset = HexAt(report, i + 5, 8);
            const Symbol* best = nullptr;
            for (const Symbol& s : symbols)
                if (s.section == section && s.offset <= offset && (!best || s.offset >= best->offset)) best = &s;
            if (best) {
                out += Demangle(best->name);
                if (offset != best->offset) out += FormatString("+0x%lX", offset - best->offset);
                const LineEntry* at = nullptr;
                for (const LineEntry& l : lines)
                    if (l.section == section && l.offset <= offset && (!at || l.offset >= at->offset)) at = &l;
                if (at)
                    out += FormatString("\r\n    %s line %d +0x%lX", at->file.c_str(), at->line, offset - at->offset);
                i += 13;
                continue;
            }
        }
        out += report[i++];
    }
    return out;
}

std::string DemangleReport(const std::string& report) {
    std::string out;
    std::size_t i = 0;
    while (i < report.size()) {
        const std::size_t z = report.find("_Z", i);
        if (z == std::string::npos) break;
        if (z > 0 && report[z - 1] != ' ') {
            out.append(report, i, z + 2 - i);
            i = z + 2;
            continue;
        }
        std::size_t end = z;
        while (end < report.size() && report[end] != '+' && report[end] != ' ' && report[end] != '\r' &&
               report[end] != '\n')
            ++end;
        out.append(report, i, z - i);
        out += Demangle(report.substr(z, end - z));
        i = end;
    }
    out.append(report, i, std::string::npos);
    return out;
}

std::string CrashErrorTitle(const std::string& report) {
    const std::string key = "Logical Address: ";
    const std::size_t at = report.find(key);
    if (at == std::string::npos) return "Exception";
    return "Exception at " + report.substr(at + key.size(), 13);
}

bool CrashReportRequested() { return std::getenv(plat::crash::kReportEnv) != nullptr; }

int RunCrashReport(const CrashWindowFn& window) {
    const char* path = std::getenv(plat::crash::kReportEnv);
    if (!path) return 0;
    const std::string reportPath = path;
    const char* handoffText = std::getenv(plat::crash::kHandoffEnv);
    const CrashHandoff handoff = CrashHandoff::Parse(handoffText ? handoffText : "");
    const char* pipeText = std::getenv(plat::crash::kPipeEnv);
    const int pipeFd = pipeText ? std::atoi(pipeText) : -1;
    ::unsetenv(plat::crash::kReportEnv);
    ::unsetenv(plat::crash::kHandoffEnv);
    ::unsetenv(plat::crash::kPipeEnv);
    // A crash of this process leaves its report but starts nothing again.
    plat::crash::SetRestart(false);

    std::string report = DemangleReport(ReadWhole(reportPath));
    // The first map file of the current folder, if one was left there.
    std::error_code ec;
    std::vector<std::string> maps;
    for (const auto& e : std::filesystem::directory_iterator(".", ec))
        if (e.path().extension() == ".map" && e.is_regular_file(ec)) maps.push_back(e.path().string());
    std::sort(maps.begin(), maps.end());
    if (!maps.empty()) report = SubstituteMapSymbols(report, ReadWhole(maps.front()));
    std::string error;
    if (!orvek::io::write_file_safely(reportPath, report, &error))
        std::fprintf(stderr, "%s\n", error.c_str());
    // The crashed process may end now.
    if (pipeFd > 2) ::close(pipeFd);

    const std::string title = CrashErrorTitle(report);
    if (window) window(handoff, title, report);
    else std::fwrite(report.data(), 1, report.size(), stderr);
    return 0;
}

namespace {

// Appends bits to a small staging area and writes whole bytes out.
struct BitSink {
    int fd;
    unsigned char bytes[256];
    int count = 0;  // whole bytes staged
    int bits = 0;   // bits in bytes[count]
    void Flush() {
        if (count > 0 && ::write(fd, bytes, std::size_t(count)) < 0) count = 0;
        if (count > 0) bytes[0] = bytes[count];
        count = 0;
    }
    void Bits(unsigned value, int n) {
        for (int i = 0; i < n; ++i) {
            if (bits == 0) bytes[count] = 0;
            if (value >> i & 1) bytes[count] = static_cast<unsigned char>(bytes[count] | (1u << bits));
            if (++bits == 8) {
                bits = 0;
                if (++count == int(sizeof bytes) - 1) Flush();
            }
        }
    }
    void Finish() {
        if (bits > 0) ++count;
        if (count > 0 && ::write(fd, bytes, std::size_t(count)) < 0) return;
    }
};

void PutLong(int fd, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    if (::write(fd, b, 4) < 0) return;
}

void PutShortString(int fd, const std::string& s) {
    const std::size_t n = std::min<std::size_t>(s.size(), 32767);
    unsigned char b[2] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8)};
    if (::write(fd, b, 2) < 0 || ::write(fd, s.data(), n) < 0) return;
}

// Inside the crash handler: the demo so far, written raw without
// allocating, ended by a gap-filler record at the update of the crash.
void WriteDemoInCrash(void* context) {
    auto* app = static_cast<VantAppBase*>(context);
    if (!app->mRecordingDemo) return;
    const int fd = ::open(app->mDemoFileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    PutLong(fd, kDemoMagic);
    PutLong(fd, std::uint32_t(kDemoVersion));
    PutLong(fd, app->mRandSeed);
    PutShortString(fd, app->mProductVersion);
    std::uint32_t markerBytes = 4;
    for (const DemoMarker& m : app->mDemoMarkers) markerBytes += 2 + std::uint32_t(std::min<std::size_t>(m.name.size(), 32767)) + 4;
    PutLong(fd, markerBytes);
    PutLong(fd, std::uint32_t(app->mDemoMarkers.size()));
    for (const DemoMarker& m : app->mDemoMarkers) {
        PutShortString(fd, m.name);
        PutLong(fd, std::uint32_t(m.updateNum));
    }
    const int updates = app->mUpdateCount;
    PutLong(fd, std::uint32_t(updates));

    const Buffer& b = app->mDemoBuffer;
    const std::size_t whole = std::size_t(b.mDataBitSize / 8);
    if (whole > 0 && whole <= b.mData.size() && ::write(fd, b.mData.data(), whole) < 0) {
        ::close(fd);
        return;
    }
    BitSink sink{fd, {}};
    const int rest = b.mDataBitSize % 8;
    if (rest > 0 && whole < b.mData.size()) sink.Bits(b.mData[whole], rest);
    int delta = updates - app->mDemoWriter.mLastUpdate;
    if (delta < 0) delta = 0;
    for (; delta > 15; delta -= 15) {
        sink.Bits(15, 4);
        sink.Bits(0, 1);
        sink.Bits(DEMO_IDLE, 5);
    }
    sink.Bits(unsigned(delta), 4);
    sink.Bits(0, 1);
    sink.Bits(DEMO_IDLE, 5);
    sink.Finish();
    ::close(fd);
}

}  // namespace

void InstallAppCrashHandler(VantAppBase* app) {
    plat::crash::Install();
    plat::crash::SetDemoWriter(WriteDemoInCrash, app);
    RefreshAppCrashTexts(app);
}

void RefreshAppCrashTexts(VantAppBase* app) {
    if (!plat::crash::Installed()) return;
    plat::crash::SetAppText(app->GetCrashInfo());
    CrashHandoff h;
    h.prod = app->mProdName;
    h.version = app->mProductVersion;
    report_host.update();
    h.host = report_host.get();
    h.attachDemo = app->mRecordingDemo;
    h.demoFile = app->mRecordingDemo ? app->mDemoFileName : std::string();
    const std::string named = app->GetCrashDemoName();
    if (!named.empty()) {
        h.demoFile = named;
        h.attachDemo = true;
    }
    app->FillCrashFields(h.fields);
    plat::crash::SetHandoff(h.Serialize());
}

}  // namespace Vant
