#include "orvek/io/FileStream.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "orvek/Path.h"

namespace orvek::io {

namespace {

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
    if (filebuf().is_open() && !filebuf().close()) {
        ErrorInfo info(filebuf().file_name(), filebuf().error_info());
        setstate(failbit, &info);
    }
    reset();
    clear();
    exceptions(exception_mask);
    if (!writer_.begin(filebuf().file(), target)) {
        TextualErrorInfo info = writer_.error_info();
        setstate(failbit, &info);
        return;
    }
    // Messages name the file being saved; its temporary means nothing to a user.
    filebuf().attach(&filebuf().file(), writer_.target().c_str());
    if (!(flags() & no_header)) write_header();
}

void SafeOFStream::discard() {
    if (!writer_.active()) return;
    filebuf().close();
    writer_.discard();
}

bool SafeOFStream::give_up(const ErrorInfo& info) {
    discard();
    filebuf().close();  // the buffer lets go of the file the writer closed
    setstate(failbit, &info);
    return false;
}

bool SafeOFStream::commit() {
    if (!writer_.active() || !is_open()) {
        Error info("Nothing to save", 0, writer_.target());
        setstate(failbit, &info);
        return false;
    }
    if (rdstate() != goodbit) return give_up(Error("Save not completed", 0, writer_.target()));
    if (filebuf().pubsync() != 0) writer_.fail_write();
    if (!writer_.active() || !writer_.commit()) return give_up(writer_.error_info());
    filebuf().close();
    return true;
}

bool write_file_safely(const std::string& target, std::string_view bytes, std::string* error, bool log_open) {
    SafeWriter writer;
    File file;
    if (writer.begin(file, target, log_open) && writer.write(bytes) && writer.commit()) return true;
    if (error) *error = writer.message();
    return false;
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
