#pragma once
// Object streams on files. The header is read or written when the file is
// opened; re-opening starts keys and factory ids afresh.
//
// Writers of whole files (profiles, results, statistics, autosaves) use
// SafeOFStream, which never destroys the previous good copy of its file:
//
//     orvek::io::SafeOFStream os("saves/profiles.dat");  // mask 13: failures raise
//     profiles.save(os);
//     os.commit();  // flush, then rename "saves/profiles.dat.tmp" over the file
//
// Anything that goes wrong before commit (an exception out of save, a full
// disk, a failed rename) leaves the old file as it was, removes the
// temporary file and is reported: io::Failure under the mask, or fail in the
// state and false from commit. Plain byte files use write_file_safely.
#include <cstdint>
#include <string>
#include <string_view>

#include "orvek/File.h"
#include "orvek/io/BasicFileBuf.h"
#include "orvek/io/SafeWrite.h"
#include "orvek/io/Stream.h"

namespace orvek::io {

// A buffered stream buffer that owns its file.
class FileBuf : public BasicFileBuf {
public:
    FileBuf();
    FileBuf(const char* path, OpenMode mode);
    // Flushes and closes the file.
    ~FileBuf() override;

    // Opens the file; this buffer, or null when the file cannot be opened.
    FileBuf* open(const char* path, OpenMode mode);
    File& file() { return file_; }

private:
    File file_;
};

class IFStream : public IStream {
public:
    IFStream();
    // Opens path with mode | in | binary and reads the header.
    explicit IFStream(const std::string& path, OpenMode mode = open_mode::in,
                      std::uint32_t exception_mask = default_exceptions);
    ~IFStream() override;

    // Closes a file open before (keys and names start afresh), opens path and
    // reads the header. A file that cannot be opened sets fail (raising
    // under the mask) with the system's reason and the path.
    void open(const std::string& path, OpenMode mode = open_mode::in,
              std::uint32_t exception_mask = default_exceptions);
    bool is_open() const { return buf_.is_open(); }
    void close();
    FileBuf& filebuf() { return buf_; }

private:
    FileBuf buf_;
};

class OFStream : public OStream {
public:
    OFStream();
    // Opens path with mode | out | binary and writes the header.
    explicit OFStream(const std::string& path, OpenMode mode = open_mode::out | open_mode::trunc,
                      std::uint32_t exception_mask = default_exceptions);
    // Flushes and closes the file.
    ~OFStream() override;

    void open(const std::string& path, OpenMode mode = open_mode::out | open_mode::trunc,
              std::uint32_t exception_mask = default_exceptions);
    bool is_open() const { return buf_.is_open(); }
    // Flushes and closes; a failed flush or close sets fail (raising under
    // the mask) and answers false.
    bool close();
    FileBuf& filebuf() { return buf_; }

private:
    FileBuf buf_;
};

// An output stream whose file replaces its target only on commit, through
// the safe writer. Its failures name the target, never the temporary file.
class SafeOFStream : public OFStream {
public:
    SafeOFStream();
    // Creates the target's missing directories and opens "<target>.tmp"
    // beside it (mode out|trunc), writing the header.
    explicit SafeOFStream(const std::string& target, std::uint32_t exception_mask = default_exceptions);
    // Without a successful commit the temporary file is removed.
    ~SafeOFStream() override;

    void open(const std::string& target, std::uint32_t exception_mask = default_exceptions);
    // Flushes the temporary file to the disk, closes it and renames it over
    // the target. On any failure the target keeps its old content, the
    // temporary file is removed, fail is set (raising under the mask) and
    // the answer is false.
    bool commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

    const std::string& target() const { return writer_.target(); }
    const std::string& temp_path() const { return writer_.temp(); }

private:
    bool give_up(const ErrorInfo& info);

    SafeWriter writer_;
};

// Writes bytes as the whole new content of target through the safe writer.
// On failure the target is untouched, and the safe writer's message (step,
// reason, target) is stored in error when given. Without log_open the file
// layer's "opened" line is left out.
bool write_file_safely(const std::string& target, std::string_view bytes, std::string* error = nullptr,
                       bool log_open = true);

}  // namespace orvek::io

namespace orvek {
// Creates the missing directories of path and opens the stream on it for
// output (out|trunc, exception mask 13). When the directories cannot be
// made the stream gets fail (raising under the mask 13) and the answer is
// false, so a save never silently goes nowhere.
bool create_directories(io::OFStream& stream, const std::string& path);
}  // namespace orvek
