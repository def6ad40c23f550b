#include "orvek/Path.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace orvek {

PathString& PathString::assign(const char* text) {
    text_.assign(text ? text : "");
    return *this;
}

PathString& PathString::assign(std::string_view text) {
    text_.assign(text.data(), text.size());
    return *this;
}

PathString& PathString::append(const char* begin, const char* end) {
    if (begin && end > begin) text_.append(begin, end);
    return *this;
}

PathString& PathString::append(const char* text) {
    if (text) text_.append(text);
    return *this;
}

PathString& PathString::append(std::string_view text) {
    text_.append(text.data(), text.size());
    return *this;
}

PathString& PathString::append(std::size_t count, char c) {
    text_.append(count, c);
    return *this;
}

int PathString::find(char c) const {
    auto pos = text_.find(c);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

PathString& PathString::erase(std::size_t pos, std::size_t count) {
    if (pos < text_.size()) text_.erase(pos, count);
    return *this;
}

PathString& PathString::resize(std::size_t length, char fill) {
    text_.resize(length, fill);
    return *this;
}

std::size_t get_current_directory(PathString& out) {
    std::vector<char> buf(PATH_MAX);
    for (;;) {
        if (getcwd(buf.data(), buf.size())) {
            out.assign(buf.data());
            return out.size();
        }
        if (errno != ERANGE) {
            out.clear();
            return 0;
        }
        buf.resize(buf.size() * 2);
    }
}

std::size_t get_module_file_name(PathString& out) {
    std::vector<char> buf(PATH_MAX);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) {
            out.clear();
            return 0;
        }
        if (static_cast<std::size_t>(n) < buf.size()) {
            out.assign(std::string_view(buf.data(), static_cast<std::size_t>(n)));
            return out.size();
        }
        buf.resize(buf.size() * 2);  // possibly cut: try again with more room
    }
}

std::size_t get_temp_path(PathString& out) {
    const char* dir = std::getenv("TMPDIR");
    out.assign(dir && *dir ? dir : "/tmp");
    if (out.str().back() != '/') out.append(1, '/');
    return out.size();
}

int find_last_of(std::string_view text, std::string_view set) {
    auto pos = text.find_last_of(set);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

PathParts split_path(std::string_view path) {
    PathParts parts;
    int sep = find_last_of(path, "\\/");
    std::string_view name = path;
    if (sep >= 0) {
        parts.directory = path.substr(0, static_cast<std::size_t>(sep));
        name = path.substr(static_cast<std::size_t>(sep) + 1);
    } else {
        parts.directory = path.substr(0, 0);
    }
    int dot = find_last_of(name, "./\\");
    if (dot >= 0 && name[static_cast<std::size_t>(dot)] == '.') {
        parts.extension = name.substr(static_cast<std::size_t>(dot));
        name = name.substr(0, static_cast<std::size_t>(dot));
    } else {
        parts.extension = name.substr(name.size());
    }
    parts.name = name;
    return parts;
}

void make_path(PathString& out, std::string_view directory, std::string_view name,
               std::string_view extension) {
    out.assign(directory);
    if (!directory.empty() && directory.back() != '\\' && directory.back() != '/')
        out.append(1, '/');
    out.append(name);
    out.append(extension);
}

void to_lower(std::string& text, const std::locale& loc) {
    const auto& ct = std::use_facet<std::ctype<char>>(loc);
    for (char& c : text) c = ct.tolower(c);
}

}  // namespace orvek
