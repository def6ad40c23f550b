#pragma once
// Input object streams opened by path through the archive formats manager.
// No archive format is registered and nothing is mounted in this program,
// so every path opens as a plain file, read-only and binary.
#include <cstdint>
#include <memory>
#include <streambuf>
#include <string>

#include "orvek/File.h"
#include "orvek/io/Stream.h"

namespace orvek::io {

// Archive failures: a Stream::Error whose code names the archive problem
// (1 to 5; see Stream::Error::code_text).
class ZipError : public Stream::Error {
public:
    explicit ZipError(std::uint32_t code, std::string_view context = {}, const ErrorInfo* nested = nullptr)
        : Stream::Error({}, code, context, nested) {}
};

}  // namespace orvek::io

namespace orvek {

class ArcFormatsManager {
public:
    static ArcFormatsManager& instance();

    // A stream buffer for path, owned by the caller; null when the path
    // cannot be opened, with the file layer's reason in failure when given.
    std::unique_ptr<std::streambuf> open(const char* path, std::string* failure = nullptr);

private:
    ArcFormatsManager() = default;
};

}  // namespace orvek

namespace orvek::io {

class IArcStream : public IStream {
public:
    IArcStream() = default;
    ~IArcStream() override;

    // Opens path through the manager and reads the header. A path that
    // cannot be opened sets fail (raising under the mask) with the file
    // layer's reason and the path. The mode adds nothing: archive streams
    // always read in binary.
    void open(const std::string& path, std::uint32_t exception_mask = default_exceptions);
    void open(const std::string& path, OpenMode mode, std::uint32_t exception_mask);
    bool is_open() const;

private:
    std::unique_ptr<std::streambuf> owned_;
};

}  // namespace orvek::io
