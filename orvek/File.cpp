#include "orvek/File.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "orvek/Log.h"
#include "orvek/Path.h"

namespace orvek {

namespace {

const LogChannel& io_info() {
    static const LogChannel channel("orvek.io", log_info_flag);
    return channel;
}
const LogChannel& io_warning() {
    static const LogChannel channel("orvek.io", log_warning_flag);
    return channel;
}
const LogChannel& io_error() {
    static const LogChannel channel("orvek.io", log_error_flag);
    return channel;
}

bool exists_as_is(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

std::string join(const std::string& dir, std::string_view name) {
    std::string s = dir;
    if (!s.empty() && s.back() != '/') s += '/';
    s.append(name);
    return s;
}

// The entry of dir whose name equals name without regard to case.
bool find_entry(const std::string& dir, std::string_view name, std::string& found) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    bool ok = false;
    while (dirent* e = ::readdir(d)) {
        if (same_ignoring_case(e->d_name, name)) {
            found = e->d_name;
            ok = true;
            break;
        }
    }
    ::closedir(d);
    return ok;
}

std::string to_base36(unsigned value) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    do {
        s.insert(s.begin(), digits[value % 36]);
        value /= 36;
    } while (value && s.size() < 6);
    return s;
}

}  // namespace

std::string resolve_path(std::string_view path) {
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    if (p.empty() || exists_as_is(p)) return p;

    std::string acc = p[0] == '/' ? "/" : "";
    std::size_t pos = acc.size();
    while (pos < p.size()) {
        std::size_t next = p.find('/', pos);
        if (next == std::string::npos) next = p.size();
        std::string_view comp(p.data() + pos, next - pos);
        pos = next + 1;
        if (comp.empty()) continue;
        std::string candidate = join(acc, comp);
        std::string found;
        if (comp == "." || comp == ".." || exists_as_is(candidate)) {
            acc = candidate;
        } else if (find_entry(acc, comp, found)) {
            acc = join(acc, found);
        } else {
            // Nothing matches: the rest stays as written.
            acc = candidate;
            if (pos < p.size()) acc = join(acc, std::string_view(p).substr(pos));
            break;
        }
    }
    if (p.back() == '/' && !acc.empty() && acc.back() != '/') acc += '/';
    return acc;
}

// ---------------------------------------------------------------- AbstractFile

AbstractFile::AbstractFile() { page_size(); }
AbstractFile::~AbstractFile() = default;

std::size_t AbstractFile::page_size() {
    static const std::size_t size = [] {
        long n = ::sysconf(_SC_PAGESIZE);
        return n > 0 ? static_cast<std::size_t>(n) : std::size_t{4096};
    }();
    return size;
}

bool AbstractFile::open(const char* name, OpenMode mode) {
    if (!do_open(name, mode)) return false;
    mode_ = mode;
    return true;
}

bool AbstractFile::close() {
    if (mode_ == 0 || !do_close()) return false;
    mode_ = 0;
    return true;
}

std::size_t AbstractFile::write_text(const char* buffer, std::size_t count) {
    if (binary()) return write(buffer, count);
    char chunk[1024];
    std::size_t consumed = 0;
    while (consumed < count) {
        std::size_t t = 0, s = consumed;
        while (s < count && t + 2 <= sizeof chunk) {
            if (buffer[s] == '\n') chunk[t++] = '\r';
            chunk[t++] = buffer[s++];
        }
        std::size_t written = write(chunk, t);
        if (written == t) {
            consumed = s;
            continue;
        }
        // Count the source bytes whose whole translation was written.
        std::size_t k = 0;
        while (consumed < s) {
            std::size_t need = buffer[consumed] == '\n' ? 2 : 1;
            if (k + need > written) break;
            k += need;
            ++consumed;
        }
        return consumed;
    }
    return consumed;
}

std::size_t AbstractFile::text_length(const char* begin, const char* end) const {
    if (!begin || end <= begin) return 0;
    std::size_t n = static_cast<std::size_t>(end - begin);
    if (!binary()) {
        for (const char* p = begin; p != end; ++p)
            if (*p == '\n') ++n;
    }
    return n;
}

// ---------------------------------------------------------------- File

File::File() : error_(0) {}

File::~File() { close(); }

bool File::attach(int fd, OpenMode mode) {
    if (is_open() || fd_ != -1 || fd == -1) return false;
    fd_ = fd;
    owns_ = false;
    path_.clear();
    set_mode(mode);
    return true;
}

bool File::do_open(const char* name, OpenMode mode) {
    constexpr OpenMode in = open_mode::in, out = open_mode::out, app = open_mode::app,
                       trunc = open_mode::trunc;
    if (!name || fd_ != -1) return false;
    int flags = 0;
    switch (mode & ~(open_mode::ate | open_mode::binary)) {
    case in: flags = O_RDONLY; break;
    // Plain out truncates, as in the standard library: overwriting from the
    // start would leave a stale tail behind a shorter text.
    case out: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case out | app: flags = O_WRONLY | O_CREAT; break;
    case in | out: flags = O_RDWR | O_CREAT; break;
    case out | trunc: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case in | out | trunc: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    default: return false;
    }
    std::string path = resolve_path(name);
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    int err = fd < 0 ? errno : 0;
    if (fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            err = errno;
        } else if (S_ISDIR(st.st_mode)) {
            err = EISDIR;
        } else if ((mode & open_mode::ate) && ::lseek(fd, 0, SEEK_END) < 0) {
            err = errno;
        }
        if (err) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        error_.set_code(err ? err : EIO);
        const LogChannel& channel = (mode & in) ? io_warning() : io_error();
        channel << "'" << name << "' open failed: " << error_.message() << std::endl;
        return false;
    }
    fd_ = fd;
    owns_ = true;
    path_ = path;
    if (open_logged_) io_info() << "'" << name << "' file opened." << std::endl;
    return true;
}

bool File::do_close() {
    if (fd_ == -1) return false;
    bool ok = true;
    if (owns_ && ::close(fd_) != 0) {
        error_.set_code(errno);
        ok = false;
    }
    fd_ = -1;
    owns_ = false;
    path_.clear();
    return ok;
}

std::uint64_t File::size() {
    struct stat st;
    if (fd_ == -1 || ::fstat(fd_, &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

void File::fail(const char* what) {
    error_.set_code(errno ? errno : EIO);
    // The reason alone does not say which file ran out of room.
    if (path_.empty()) io_error() << what << error_.message() << std::endl;
    else io_error() << what << error_.message() << " ('" << path_ << "')" << std::endl;
}

bool File::flush() {
    if (fd_ == -1) return false;
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
        fail("flush failed: ");
        return false;
    }
    return true;
}

std::size_t File::read_raw(char* buffer, std::size_t count) {
    for (;;) {
        ssize_t n = ::read(fd_, buffer, count);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EINTR) continue;
        fail("reading failed: ");
        return 0;
    }
}

std::size_t File::read(void* buffer, std::size_t count) {
    if (count == 0) return 0;
    if (fd_ == -1) {
        errno = EBADF;
        fail("reading failed: ");
        return 0;
    }
    char* p = static_cast<char*>(buffer);
    for (;;) {
        std::size_t n = read_raw(p, count);
        if (n == 0 || binary()) return n;
        std::size_t out = 0;
        bool ended = false;
        for (std::size_t i = 0; i < n; ++i) {
            char c = p[i];
            if (c == 26) {
                // The end of the text: later reads find it again.
                ::lseek(fd_, -static_cast<off_t>(n - i), SEEK_CUR);
                ended = true;
                break;
            }
            if (c == '\r') {
                if (i + 1 < n) {
                    if (p[i + 1] == '\n') continue;
                } else {
                    char next = 0;
                    ssize_t r;
                    do r = ::read(fd_, &next, 1);
                    while (r < 0 && errno == EINTR);
                    if (r == 1) {
                        ::lseek(fd_, -1, SEEK_CUR);
                        if (next == '\n') continue;
                    }
                }
            }
            p[out++] = c;
        }
        // A lone "\r" whose "\n" follows delivered nothing: read on rather
        // than report an end that is not there.
        if (out > 0 || ended) return out;
    }
}

std::size_t File::write(const void* buffer, std::size_t count) {
    if (fd_ == -1) {
        errno = EBADF;
        fail("writing failed: ");
        return 0;
    }
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (mode() & open_mode::app) ::lseek(fd_, 0, SEEK_END);
        ssize_t n = ::write(fd_, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("writing failed: ");
            break;
        }
        if (n == 0) {  // no progress: stop rather than spin
            errno = EIO;
            fail("writing failed: ");
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::int64_t File::seek(std::int64_t offset, int direction) {
    if (fd_ == -1) return -1;
    int whence;
    switch (direction) {
    case seek_begin:
        if (offset < 0) return -1;
        whence = SEEK_SET;
        break;
    case seek_current: whence = SEEK_CUR; break;
    case seek_end:
        if (offset < 0 && static_cast<std::uint64_t>(-offset) > size()) return -1;
        whence = SEEK_END;
        break;
    default: return -1;
    }
    off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (pos < 0) {
        error_.set_code(errno);
        return -1;
    }
    return static_cast<std::int64_t>(pos);
}

// ---------------------------------------------------------------- utilities

bool file_exists(const std::string& path) { return exists_as_is(resolve_path(path)); }

bool delete_file(const std::string& path) { return ::unlink(resolve_path(path).c_str()) == 0; }

bool create_directories(const std::string& path) {
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    auto slash = p.rfind('/');
    if (slash == std::string::npos) return true;
    std::string dir = p.substr(0, slash);

    std::string acc;
    std::size_t pos = 0;
    if (dir.size() >= 2 && dir[0] == '/' && dir[1] == '/') {
        // "//server/share": the server part is a prefix, never created.
        std::size_t end = dir.find('/', 2);
        if (end == std::string::npos) end = dir.size();
        acc = dir.substr(0, end);
        pos = end;
    } else if (!dir.empty() && dir[0] == '/') {
        acc = "/";
        pos = 1;
    } else if (dir.empty() && slash == 0) {
        return true;
    }
    while (pos < dir.size()) {
        std::size_t next = dir.find('/', pos);
        if (next == std::string::npos) next = dir.size();
        std::string_view comp(dir.data() + pos, next - pos);
        pos = next + 1;
        if (comp.empty()) continue;
        std::string candidate = join(acc, comp);
        if (comp == "." || comp == "..") {
            acc = candidate;
            continue;
        }
        std::string resolved = resolve_path(candidate);
        if (exists_as_is(resolved)) {
            acc = resolved;
            continue;
        }
        if (::mkdir(candidate.c_str(), 0777) != 0 && errno != EEXIST) return false;
        acc = candidate;
    }
    return true;
}

namespace {

bool try_directory(AbstractFile& file, const std::string& dir, std::string_view name,
                   std::string_view ext, OpenMode mode, std::string* opened_name) {
    std::string base = dir;
    if (!base.empty() && base.back() != '/' && base.back() != '\\') base += '/';
    std::string full = base + std::string(name) + std::string(ext);
    if ((mode & (open_mode::out | open_mode::trunc)) && file_exists(full)) {
        std::string backup = base + std::string(name) + ".prev" + std::string(ext);
        delete_file(backup);
        std::string from = resolve_path(full);
        ::rename(from.c_str(), resolve_path(backup).c_str());
    }
    if (file.open(full, mode)) {
        if (opened_name) *opened_name = full;
        return true;
    }
    if (mode & open_mode::in) return false;
    for (unsigned counter = 1; counter <= 101; ++counter) {
        if (counter > 1) io_info() << "can't create unique file, trying again" << std::endl;
        std::string unique = base + std::string(name) + "_" + to_base36(counter) + std::string(ext);
        if (file.open(unique, mode)) {
            if (opened_name) *opened_name = unique;
            return true;
        }
    }
    return false;
}

}  // namespace

bool open_with_fallback(AbstractFile& file, const std::string& path, OpenMode mode,
                        std::string* opened_name) {
    if (file.is_open()) return false;
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    PathParts parts = split_path(p);
    // A path that is only "/name" has the root as its directory.
    std::string own_dir(parts.directory);
    bool has_dir = !parts.directory.empty() || (!p.empty() && p[0] == '/');
    if (has_dir && own_dir.empty()) own_dir.assign(1, '/');  // not = "/": a false -Wrestrict in g++ 12

    std::vector<std::string> dirs;
    if (has_dir) dirs.push_back(own_dir);
    PathString exe;
    if (get_module_file_name(exe)) {
        std::string_view exe_dir = split_path(exe.str()).directory;
        dirs.emplace_back(exe_dir.empty() ? "/" : std::string(exe_dir));
    }
    PathString temp;
    get_temp_path(temp);
    dirs.push_back(temp.str());
    dirs.emplace_back(".");
    if (mode & open_mode::in) dirs.resize(1);

    for (const std::string& dir : dirs) {
        if (try_directory(file, dir, parts.name, parts.extension, mode, opened_name)) return true;
    }
    return false;
}

}  // namespace orvek
