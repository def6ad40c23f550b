#include "orvek/io/FileStream.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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

std::string temp_name_for(const std::string& resolved_target) { return resolved_target + ".tmp"; }

// Starts a fresh opening (keys and names afresh, state good, the given mask)
// and opens the file; when it cannot be opened the stream gets fail with the
// system's reason and the path.
template <class S>
bool open_fresh(S& stream, FileBuf& buf, const std::string& path, OpenMode mode, std::uint32_t exception_mask) {
    stream.reset();
    stream.clear();
    stream.exceptions(exception_mask);
    if (buf.open(path.c_str(), mode | open_mode::binary)) return true;
    ErrorInfo info(path, buf.error_info());
    stream.setstate(Stream::failbit, &info);
    return false;
}

}  // namespace

// ---------------------------------------------------------------- FileBuf

FileBuf::FileBuf() { attach(&file_, ""); }

FileBuf::FileBuf(const char* path, OpenMode mode) {
    attach(&file_, "");
    open(path, mode);
}

FileBuf::~FileBuf() {
    if (is_open()) close();
}

FileBuf* FileBuf::open(const char* path, OpenMode mode) {
    attach(&file_, path ? path : "");
    if (!path || !file_.open(path, mode)) return nullptr;
    return this;
}

// ---------------------------------------------------------------- IFStream

IFStream::IFStream() { attach(&buf_, nullptr); }

IFStream::IFStream(const std::string& path, OpenMode mode, std::uint32_t exception_mask) {
    attach(&buf_, nullptr);
    open(path, mode, exception_mask);
}

IFStream::~IFStream() = default;

void IFStream::open(const std::string& path, OpenMode mode, std::uint32_t exception_mask) {
    if (buf_.is_open()) buf_.close();
    if (!open_fresh(*this, buf_, path, mode | open_mode::in, exception_mask)) return;
    if (!(flags() & no_header)) read_header();
}

void IFStream::close() {
    if (buf_.is_open()) buf_.close();
    reset();
}

// ---------------------------------------------------------------- OFStream

OFStream::OFStream() { attach(&buf_, nullptr); }

OFStream::OFStream(const std::string& path, OpenMode mode, std::uint32_t exception_mask) {
    attach(&buf_, nullptr);
    open(path, mode, exception_mask);
}

OFStream::~OFStream() = default;

void OFStream::open(const std::string& path, OpenMode mode, std::uint32_t exception_mask) {
    if (buf_.is_open() && !buf_.close()) {
        // The previous file did not reach the disk whole: say so.
        ErrorInfo info(buf_.file_name(), buf_.error_info());
        setstate(failbit, &info);
    }
    if (!open_fresh(*this, buf_, path, mode | open_mode::out, exception_mask)) return;
    if (!(flags() & no_header)) write_header();
}

bool OFStream::close() {
    if (!buf_.is_open()) return good();
    const std::string name = buf_.file_name();
    if (!buf_.close()) {
        ErrorInfo info(name, buf_.error_info());
        setstate(failbit, &info);
        return false;
    }
    return good();
}

// ---------------------------------------------------------------- SafeOFStream

SafeOFStream::SafeOFStream() = default;

SafeOFStream::SafeOFStream(const std::string& target, std::uint32_t exception_mask) { open(target, exception_mask); }

SafeOFStream::~SafeOFStream() { discard(); }

void SafeOFStream::open(const std::string& target, std::uint32_t exception_mask) {
    discard();
    target_ = resolve_path(target);
    temp_ = temp_name_for(target_);
    if (!create_directories(target_)) {
        const std::string failed = temp_;
        temp_.clear();
        reset();
        clear();
        exceptions(exception_mask);
        Error info("Failed to create directories", 0, failed);
        setstate(failbit, &info);
        return;
    }
    OFStream::open(temp_, open_mode::out | open_mode::trunc, exception_mask);
}

void SafeOFStream::discard() {
    if (temp_.empty()) return;
    filebuf().close();
    ::unlink(temp_.c_str());
    temp_.clear();
}

bool SafeOFStream::commit() {
    if (temp_.empty() || !is_open()) {
        Error info("Nothing to save", 0, target_);
        setstate(failbit, &info);
        return false;
    }
    auto give_up = [&](const ErrorInfo& info) {
        discard();
        setstate(failbit, &info);
        return false;
    };
    if (rdstate() != goodbit) return give_up(Error("Save not completed", 0, target_));
    if (filebuf().pubsync() != 0 || !filebuf().file().flush()) {
        ErrorInfo info(target_, filebuf().error_info());
        return give_up(info);
    }
    if (!filebuf().close()) {
        ErrorInfo info(target_, filebuf().error_info());
        return give_up(info);
    }
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        SystemErrorInfo info(errno, target_);
        return give_up(info);
    }
    temp_.clear();
    sync_directory_of(target_);
    return true;
}

bool write_file_safely(const std::string& target, std::string_view bytes, std::string* error) {
    const std::string resolved = resolve_path(target);
    const std::string temp = temp_name_for(resolved);
    auto fail = [&](const ErrorInfo& info) {
        ::unlink(temp.c_str());
        if (error) *error = info.message();
        return false;
    };
    if (!create_directories(resolved)) {
        SystemErrorInfo info(errno ? errno : EIO, resolved);
        return fail(info);
    }
    File file;
    if (!file.open(temp, open_mode::out | open_mode::trunc | open_mode::binary)) {
        ErrorInfo info(temp, file.error_info());
        return fail(info);
    }
    const bool written = file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush();
    const bool closed = file.close();
    if (!written || !closed) {
        ErrorInfo info(resolved, file.error_info());
        return fail(info);
    }
    if (std::rename(temp.c_str(), resolved.c_str()) != 0) {
        SystemErrorInfo info(errno, resolved);
        return fail(info);
    }
    sync_directory_of(resolved);
    return true;
}

}  // namespace orvek::io

namespace orvek {

bool create_directories(io::OFStream& stream, const std::string& path) {
    if (create_directories(path)) {
        stream.open(path, open_mode::out | open_mode::trunc, io::Stream::default_exceptions);
        return stream.is_open();
    }
    if (stream.is_open()) stream.close();
    stream.exceptions(0);
    stream.clear();
    stream.exceptions(io::Stream::default_exceptions);
    io::Stream::Error info("Failed to create directories", 0, path);
    stream.setstate(io::Stream::failbit, &info);
    return false;
}

}  // namespace orvek
