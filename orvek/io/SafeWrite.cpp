#include "orvek/io/SafeWrite.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "orvek/Path.h"

namespace orvek::io {

namespace {

// Makes a finished rename survive a crash; failures only cost durability.
void sync_directory_of(const std::string& path) {
    auto slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

const char* safe_write_step_text(SafeWriteStep step) {
    switch (step) {
    case SafeWriteStep::none: return "";
    case SafeWriteStep::directories: return "create directories";
    case SafeWriteStep::create: return "create";
    case SafeWriteStep::write: return "write";
    case SafeWriteStep::flush: return "flush";
    case SafeWriteStep::close: return "close";
    case SafeWriteStep::rename: return "rename";
    }
    return "";
}

SafeWriter::~SafeWriter() { discard(); }

int SafeWriter::file_code() const {
    const auto* info = file_ ? dynamic_cast<const SystemErrorInfo*>(file_->error_info()) : nullptr;
    return info && info->code() ? info->code() : EIO;
}

bool SafeWriter::fail(SafeWriteStep step, int code) {
    if (step_ == SafeWriteStep::none) {
        step_ = step;
        code_ = code ? code : EIO;
    }
    discard();
    return false;
}

void SafeWriter::fail_write(int code) { fail(SafeWriteStep::write, code ? code : file_code()); }

bool SafeWriter::begin(File& file, const std::string& target, bool log_open) {
    discard();
    step_ = SafeWriteStep::none;
    code_ = 0;
    file_ = &file;
    target_ = resolve_path(target);
    temp_ = target_ + ".tmp";
    errno = 0;
    if (!create_directories(target_)) return fail(SafeWriteStep::directories, errno);
    file.set_open_logged(log_open);
    const bool opened = file.open(temp_, open_mode::out | open_mode::trunc | open_mode::binary);
    file.set_open_logged(true);
    if (!opened) return fail(SafeWriteStep::create, file_code());
    pending_ = true;
    return true;
}

bool SafeWriter::write(std::string_view bytes) {
    if (!pending_) return false;
    if (file_->write(bytes.data(), bytes.size()) != bytes.size()) return fail(SafeWriteStep::write, file_code());
    return true;
}

bool SafeWriter::commit() {
    if (!pending_) return step_ == SafeWriteStep::none ? fail(SafeWriteStep::create, ENOENT) : false;
    if (!file_->flush()) return fail(SafeWriteStep::flush, file_code());
    if (!file_->close()) return fail(SafeWriteStep::close, file_code());
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) return fail(SafeWriteStep::rename, errno);
    pending_ = false;
    sync_directory_of(target_);
    return true;
}

void SafeWriter::discard() {
    if (!pending_) return;
    pending_ = false;
    if (file_ && file_->is_open()) file_->close();
    ::unlink(temp_.c_str());
}

std::string SafeWriter::message() const {
    if (step_ == SafeWriteStep::none) return {};
    return error_info().message();
}

TextualErrorInfo SafeWriter::error_info() const {
    SystemErrorInfo reason(code_ ? code_ : EIO);
    return TextualErrorInfo(std::string(safe_write_step_text(step_)) + " failed: ", target_, &reason);
}

// ---------------------------------------------------------------- kept copies

std::string kept_copy_path(const std::string& path, int slot) {
    PathParts parts = split_path(path);
    std::string name(parts.name);
    name += ".prev";
    if (slot > 1) name += std::to_string(slot);
    PathString out;
    make_path(out, parts.directory, name, parts.extension);
    return out.str();
}

std::string next_kept_copy_path(const std::string& path) {
    std::string oldest;
    struct timespec oldest_time {};
    for (int slot = 1; slot <= kept_copy_slots; ++slot) {
        const std::string candidate = kept_copy_path(path, slot);
        struct stat st;
        if (::lstat(resolve_path(candidate).c_str(), &st) != 0) return candidate;
        // Only a kept file may give way; a folder or link in a slot stays.
        if (!S_ISREG(st.st_mode)) continue;
        const struct timespec t = st.st_mtim;
        if (oldest.empty() || t.tv_sec < oldest_time.tv_sec ||
            (t.tv_sec == oldest_time.tv_sec && t.tv_nsec < oldest_time.tv_nsec)) {
            oldest = candidate;
            oldest_time = t;
        }
    }
    return oldest.empty() ? kept_copy_path(path, 1) : oldest;
}

bool keep_copy(const std::string& path, std::string& kept_as, std::string& why) {
    kept_as.clear();
    why.clear();
    const std::string resolved = resolve_path(path);
    struct stat st;
    if (::lstat(resolved.c_str(), &st) != 0 && errno == ENOENT) return true;

    File file;
    std::string bytes;
    bool read = file.open(resolved, open_mode::in | open_mode::binary);
    if (read) {
        char chunk[65536];
        for (;;) {
            std::size_t n = file.read(chunk, sizeof chunk);
            if (n == 0) break;
            bytes.append(chunk, n);
        }
        // A short read ends like the end of the file; the size tells them apart.
        read = bytes.size() == file.size();
    }
    const std::string target = next_kept_copy_path(path);
    if (!read) {
        why = "cannot read it: " + file.error_info()->message();
        kept_as = target;
        return false;
    }
    file.close();
    SafeWriter writer;
    File copy;
    kept_as = target;
    if (writer.begin(copy, target) && writer.write(bytes) && writer.commit()) return true;
    why = writer.message();
    return false;
}

}  // namespace orvek::io
