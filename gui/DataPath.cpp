#include "gui/DataPath.h"

#include <cctype>

namespace orvek::trelm {

namespace {

std::string& stored_path() {
    static std::string path;
    return path;
}

}  // namespace

std::string normalise_data_path(std::string path, const std::string& cwd) {
    if (path.empty()) return path;
    if (path[0] == '.') path = cwd + "/" + path;
    for (char& c : path) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '\\') c = '/';
    }
    if (path.back() != '/') path += '/';
    // "x:" stays in front whatever the parent references say.
    const std::size_t prefix = path.size() >= 3 && path[0] != '/' && path[1] == ':' ? 2 : 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t p = path.find("/..", from);
        if (p == std::string::npos) break;
        std::size_t end = p + 3;
        // A reference after another one, or after "." or "..", has nothing to fold.
        const bool after_parent = p >= 3 && path.compare(p - 3, 3, "/..") == 0;
        const bool after_dot = (p == 1 && path[0] == '.') || (p == 2 && path.compare(0, 2, "..") == 0);
        if (after_parent || after_dot) {
            from = end;
            continue;
        }
        if (end < path.size()) {
            if (path[end] != '/') {  // a name that begins with ".."
                from = end;
                continue;
            }
            end = p + 4;
        }
        std::size_t start = p;
        while (start > prefix && path[start - 1] != '/') --start;
        path.erase(start, end - start);
        from = start > 0 ? start - 1 : 0;
    }
    if (path.empty()) path = ".";
    return path;
}

const std::string& data_path() { return stored_path(); }
void set_data_path(const std::string& path) { stored_path() = path; }
std::string data_file(const std::string& name) { return stored_path() + name; }

}  // namespace orvek::trelm
