#pragma once
// The library's files: an interface that stream buffers read and write
// through, its implementation over a POSIX file descriptor, and a few
// file-system utilities.
//
// Paths: "\" is a separator like "/", and a path that does not exist as
// written is resolved component by component without regard to case, so
// "Data/Skin.xml" finds "data/skin.xml".
#include <cstddef>
#include <cstdint>
#include <ios>
#include <string>
#include <string_view>

#include "orvek/Exception.h"

namespace orvek {

// Open modes: the standard stream library's values.
using OpenMode = std::uint32_t;
namespace open_mode {
inline constexpr OpenMode app = 1;     // every write goes to the end
inline constexpr OpenMode ate = 2;     // start at the end
inline constexpr OpenMode binary = 4;  // no line-end translation
inline constexpr OpenMode in = 8;
inline constexpr OpenMode out = 16;
inline constexpr OpenMode trunc = 32;
}  // namespace open_mode

class AbstractFile {
public:
    // Seek directions.
    enum SeekDir : int { seek_begin = 1, seek_current = 2, seek_end = 4 };

    AbstractFile();
    virtual ~AbstractFile();
    AbstractFile(const AbstractFile&) = delete;
    AbstractFile& operator=(const AbstractFile&) = delete;

    // Opens through do_open and keeps the mode on success.
    bool open(const char* name, OpenMode mode);
    bool open(const std::string& name, OpenMode mode) { return open(name.c_str(), mode); }
    // Closes through do_close when open; the mode becomes 0 on success.
    bool close();
    OpenMode mode() const { return mode_; }
    bool is_open() const { return mode_ != 0; }
    bool binary() const { return (mode_ & open_mode::binary) != 0; }

    // In text mode every "\n" is written as "\r\n". Returns the number of
    // source bytes consumed.
    std::size_t write_text(const char* buffer, std::size_t count);
    // Bytes the range takes in the file: one more per "\n" unless binary.
    std::size_t text_length(const char* begin, const char* end) const;

    // The system page size (4096 when the system reports none).
    static std::size_t page_size();

    virtual bool do_open(const char* name, OpenMode mode) = 0;
    virtual bool do_close() = 0;
    virtual std::uint64_t size() = 0;
    virtual bool flush() = 0;
    // Returns the number of bytes delivered; 0 at the end or on failure.
    virtual std::size_t read(void* buffer, std::size_t count) = 0;
    // Returns the number of bytes written.
    virtual std::size_t write(const void* buffer, std::size_t count) = 0;
    // Returns the new position, or -1.
    virtual std::int64_t seek(std::int64_t offset, int direction) = 0;
    // The last failure.
    virtual const ErrorInfo* error_info() const = 0;

protected:
    // For implementations that adopt an open file without do_open.
    void set_mode(OpenMode mode) { mode_ = mode; }

private:
    OpenMode mode_ = 0;
};

// A file on a POSIX descriptor; logs opens and failures on "orvek.io".
// Failures are results, never exceptions.
class File : public AbstractFile {
public:
    File();
    ~File() override;

    // Adopts an open descriptor without owning it; fails when a file is
    // open or fd is -1.
    bool attach(int fd, OpenMode mode);
    int handle() const { return fd_; }
    // The path that was opened (after resolution); empty when closed.
    const std::string& path() const { return path_; }
    // Whether a successful open writes its "file opened." line (it does by
    // default); failures are always logged.
    void set_open_logged(bool logged) { open_logged_ = logged; }

    bool do_open(const char* name, OpenMode mode) override;
    bool do_close() override;
    std::uint64_t size() override;
    bool flush() override;
    std::size_t read(void* buffer, std::size_t count) override;
    std::size_t write(const void* buffer, std::size_t count) override;
    std::int64_t seek(std::int64_t offset, int direction) override;
    const ErrorInfo* error_info() const override { return &error_; }

private:
    std::size_t read_raw(char* buffer, std::size_t count);
    void fail(const char* what);

    int fd_ = -1;
    bool owns_ = false;
    bool open_logged_ = true;
    std::string path_;
    SystemErrorInfo error_;
};

// "\" becomes "/"; when the path does not exist as written, each component
// that is missing is looked up in its directory without regard to case.
// Components that match nothing stay as written.
std::string resolve_path(std::string_view path);

bool file_exists(const std::string& path);
bool delete_file(const std::string& path);
// Creates every missing directory of the path's directory part (the last
// component is the file name). A leading "//server" stays whole.
bool create_directories(const std::string& path);

// Opens a file that must be written somewhere: tries the path's directory,
// the program's directory, the temporary directory and ".", keeps an
// existing file as name.prev.ext and falls back to unique names
// name_<base36>.ext. With the in bit only the first directory is tried.
// The name that was opened is stored in opened_name when given.
bool open_with_fallback(AbstractFile& file, const std::string& path, OpenMode mode,
                        std::string* opened_name = nullptr);

}  // namespace orvek
