#include "platform/Shell.h"

#include <limits.h>
#include <unistd.h>

#include <vector>

namespace plat {

int mb::DefaultAnswer(unsigned flags) {
    switch (flags & kButtonsMask) {
    case kYesNo: return kIdNo;
    case kRetryCancel: return kIdCancel;
    default: return kIdOk;
    }
}

const std::string& BuildVersion() {
    static const std::string version = "1.0.0.0";
    return version;
}

std::string ExecutablePath() {
    std::vector<char> buf(PATH_MAX + 1);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string ProductVersion(const std::string& path) {
    if (path.empty()) return {};
    char resolved[PATH_MAX];
    const std::string self = ExecutablePath();
    if (!self.empty() && ::realpath(path.c_str(), resolved) && self == resolved) return BuildVersion();
    return {};
}

}  // namespace plat
