#include "framework/app/Common.h"

#include "orvek/NumberText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "orvek/File.h"

namespace Vant {

namespace {

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string NativePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

}  // namespace

std::string FormatStringV(const char* fmt, va_list args) {
    char small[160];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (n < static_cast<int>(sizeof small)) return std::string(small, static_cast<std::size_t>(n));
    std::size_t size = sizeof small;
    std::string big;
    while (size < 1000000) {
        size = std::min<std::size_t>(size * 2, 1000000);
        big.assign(size, '\0');
        va_copy(copy, args);
        n = std::vsnprintf(big.data(), size, fmt, copy);
        va_end(copy);
        if (n < 0) return std::string();
        if (static_cast<std::size_t>(n) < size) {
            big.resize(static_cast<std::size_t>(n));
            return big;
        }
    }
    big.resize(size - 1);
    return big;
}

std::string FormatString(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string s = FormatStringV(fmt, args);
    va_end(args);
    return s;
}

std::string ToUpperCopy(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(std::toupper(U(c)));
    return r;
}

std::string ToLowerCopy(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(std::tolower(U(c)));
    return r;
}

std::string TrimWhitespace(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(U(s[b]))) ++b;
    while (e > b && std::isspace(U(s[e - 1]))) --e;
    return s.substr(b, e - b);
}



bool ParseHex(const std::string& s, unsigned* out) {
    unsigned value = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) {
            *out = value;
            return false;
        }
        value = value * 16u + static_cast<unsigned>(d);
    }
    *out = value;
    return true;
}

int FindNoCase(const std::string& text, const std::string& pattern) {
    if (text.empty() || pattern.size() > text.size()) return -1;
    for (std::size_t i = 0; i + pattern.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < pattern.size() && std::tolower(U(text[i + j])) == std::tolower(U(pattern[j]))) ++j;
        if (j == pattern.size()) return static_cast<int>(i);
    }
    return -1;
}

std::string CommaSeparate(long long value) {
    const bool negative = value < 0;
    unsigned long long v = negative ? 0ull - static_cast<unsigned long long>(value)
                                    : static_cast<unsigned long long>(value);
    const std::string digits = std::to_string(v);
    std::string r;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) r += ',';
        r += digits[i];
    }
    return negative ? "-" + r : r;
}

bool ParseInt(const std::string& s, int* out) { return orvek::parse_int(s, out); }

bool ParseDouble(const std::string& s, double* out) { return orvek::parse_double(s, out); }

void ParseIntList(const std::string& text, std::vector<int>* out) {
    out->clear();
    // atoi semantics, but a number past the int range is clamped rather
    // than left undefined.
    auto atoi_at = [&](std::size_t pos) {
        const long v = std::strtol(text.c_str() + pos, nullptr, 10);
        return static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
    };
    out->push_back(atoi_at(0));
    for (std::size_t pos = text.find(','); pos != std::string::npos; pos = text.find(',', pos + 1))
        out->push_back(atoi_at(pos + 1));
}

std::string GetFileName(const std::string& path, bool noExtension) {
    const std::size_t sep = path.find_last_of("\\/");
    const std::size_t start = sep == std::string::npos ? 0 : sep + 1;
    std::size_t end = path.size();
    if (noExtension) {
        const std::size_t dot = path.rfind('.');
        if (dot != std::string::npos && dot >= start) end = dot;
    }
    return path.substr(start, end - start);
}

std::string DirectoryOfPath(const std::string& path, bool keepSeparator) {
    const std::size_t sep = path.find_last_of("\\/");
    if (sep == std::string::npos) return std::string();
    return path.substr(0, keepSeparator ? sep + 1 : sep);
}

std::string StripTrailingSlash(const std::string& path) {
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) return path.substr(0, path.size() - 1);
    return path;
}

void MakeDirectories(const std::string& path) {
    const std::string native = NativePath(path);
    for (std::size_t pos = native.find('/'); pos != std::string::npos; pos = native.find('/', pos + 1))
        if (pos > 0) ::mkdir(native.substr(0, pos).c_str(), 0777);
    if (!native.empty()) ::mkdir(native.c_str(), 0777);
}

namespace {

bool DeleteTreeNative(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return false;
    bool ok = true;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string child = dir + "/" + name;
        struct stat st;
        // lstat: a link to a folder is removed as a link, its target stays.
        if (::lstat(child.c_str(), &st) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (!DeleteTreeNative(child)) ok = false;
        } else if (::unlink(child.c_str()) != 0) {
            ok = false;
        }
    }
    ::closedir(d);
    if (::rmdir(dir.c_str()) != 0) ok = false;
    return ok;
}

}  // namespace

bool DeleteTree(const std::string& path) {
    if (path.size() < 2) return false;
    std::string native = StripTrailingSlash(NativePath(path));
    if (native.empty()) return false;
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return DeleteTreeNative(native);
}

std::int32_t GetFileTime(const std::string& path) {
    struct stat st;
    if (::stat(orvek::resolve_path(path).c_str(), &st) != 0) return 0;
    return static_cast<std::int32_t>(st.st_mtime);
}

}  // namespace Vant
