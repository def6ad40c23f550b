#pragma once
// The one way a whole file is saved: a temporary file "<target>.tmp" beside
// the target is written, flushed to the disk, closed and renamed over the
// target, then the folder is flushed so that the rename survives a crash.
// Any failure leaves the target as it was and removes the temporary file;
// the failure names its step, the system's reason and the file being saved
// (never its temporary).
//
// Also here: keeping a damaged file aside before anything is saved over it.
#include <string>
#include <string_view>

#include "orvek/Exception.h"
#include "orvek/File.h"

namespace orvek::io {

enum class SafeWriteStep { none, directories, create, write, flush, close, rename };

// "create directories", "create", "write", "flush", "close", "rename".
const char* safe_write_step_text(SafeWriteStep step);

class SafeWriter {
public:
    SafeWriter() = default;
    // Removes the temporary file unless committed.
    ~SafeWriter();
    SafeWriter(const SafeWriter&) = delete;
    SafeWriter& operator=(const SafeWriter&) = delete;

    // Creates the target's missing folders and opens its temporary file on
    // file (out|trunc|binary). Without log_open the file layer's "opened"
    // line is left out.
    bool begin(File& file, const std::string& target, bool log_open = true);
    // Writes through the file opened by begin.
    bool write(std::string_view bytes);
    // Marks the write step failed with the system's code, 0 for the file's
    // own (for writers that write through a buffer of their own); the
    // temporary file is removed.
    void fail_write(int code = 0);
    // Flushes the file to the disk, closes it, renames it over the target
    // and flushes the folder.
    bool commit();
    // Closes and removes the temporary file; the target stays as it was.
    void discard();

    // True between a successful begin and commit or discard.
    bool active() const { return pending_; }
    // The resolved target and its temporary; empty before begin.
    const std::string& target() const { return target_; }
    const std::string& temp() const { return temp_; }
    SafeWriteStep failed_step() const { return step_; }
    int error_code() const { return code_; }
    // "<step> failed: <reason> ('<target>')"; empty without a failure.
    std::string message() const;
    TextualErrorInfo error_info() const;

private:
    bool fail(SafeWriteStep step, int code);
    int file_code() const;

    File* file_ = nullptr;
    std::string target_;
    std::string temp_;
    bool pending_ = false;  // a temporary file exists that commit has not renamed
    SafeWriteStep step_ = SafeWriteStep::none;
    int code_ = 0;
};

// How many kept copies of one file there may be: "name.prev.ext",
// "name.prev2.ext" ... "name.prev5.ext".
inline constexpr int kept_copy_slots = 5;

// The name of the kept copy in slot n (1 is "dir/name.prev.ext", n > 1
// "dir/name.prev<n>.ext").
std::string kept_copy_path(const std::string& path, int slot = 1);

// Where the next copy of a damaged file goes: the first slot whose name is
// free; when every one is taken, the slot holding the oldest copy. A kept
// copy is never overwritten while a free slot is left.
std::string next_kept_copy_path(const std::string& path);

// Copies the file at path to next_kept_copy_path through the safe writer.
// True when there is no file at path (nothing to keep) or the copy is
// complete; kept_as then names the copy (empty when nothing was kept).
// False with the reason in why when the copy could not be made.
bool keep_copy(const std::string& path, std::string& kept_as, std::string& why);

}  // namespace orvek::io
