#include "orvek/io/ArcStream.h"

#include "orvek/Profiler.h"
#include "orvek/io/FileStream.h"

namespace orvek {

ArcFormatsManager& ArcFormatsManager::instance() {
    static ArcFormatsManager manager;
    return manager;
}

std::unique_ptr<std::streambuf> ArcFormatsManager::open(const char* path, std::string* failure) {
    ProfileScope scope("ArcFormatsManager::open", true);
    // Nothing is ever mounted: every path is a plain file.
    auto buffer = std::make_unique<io::FileBuf>();
    if (path && buffer->open(path, open_mode::in | open_mode::binary)) return buffer;
    if (failure) {
        const ErrorInfo* info = buffer->error_info();
        *failure = info ? info->message() : std::string();
    }
    return nullptr;
}

}  // namespace orvek

namespace orvek::io {

IArcStream::~IArcStream() {
    // The buffer goes after the stream part has let go of it.
    release_tables();
}

void IArcStream::open(const std::string& path, OpenMode, std::uint32_t exception_mask) { open(path, exception_mask); }

void IArcStream::open(const std::string& path, std::uint32_t exception_mask) {
    std::string failure;
    std::unique_ptr<std::streambuf> buffer = ArcFormatsManager::instance().open(path.c_str(), &failure);
    reset();
    attach(buffer.get(), nullptr);
    owned_ = std::move(buffer);
    exceptions_restore(exception_mask);
    if (!owned_) {
        Error info(failure.empty() ? "open failed" : failure, 0, path);
        setstate(failbit, &info);
        return;
    }
    if (rdstate() & exceptions()) throw_failure_();
    if (!fail() && !(flags() & no_header)) read_header();
}

bool IArcStream::is_open() const {
    auto* file = dynamic_cast<FileBuf*>(owned_.get());
    return file && file->is_open();
}

}  // namespace orvek::io
