#pragma once
// A buffered stream buffer whose reads, writes and seeks go through an
// attached AbstractFile, so a stream can run over any file implementation
// and report the file's name and last error. Characters pass unconverted.
#include <cstddef>
#include <streambuf>
#include <string>

#include "orvek/File.h"
#include "orvek/io/StreamBufEx.h"

namespace orvek::io {

class BasicFileBuf : public std::streambuf, public StreamBufEx {
public:
    BasicFileBuf();
    // Frees its own buffer; does not close the file (owners close first).
    ~BasicFileBuf() override;
    BasicFileBuf(const BasicFileBuf&) = delete;
    BasicFileBuf& operator=(const BasicFileBuf&) = delete;

    // Sets the file (not owned) and its name for messages.
    void attach(AbstractFile* file, const char* name = "");
    AbstractFile* file() const { return file_; }
    bool is_open() const;
    // Writes pending output and closes the file. Returns this when both
    // succeeded, else null (also without a file).
    BasicFileBuf* close();

    // The smallest multiple of the page size that is at least 4096.
    static std::size_t default_buffer_size(std::size_t page_size);

    const ErrorInfo* error_info() const override;
    const char* file_name() const override { return name_.c_str(); }

    bool in_error() const { return error_mode_; }

protected:
    std::streambuf* setbuf(char* s, std::streamsize n) override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                     std::ios_base::openmode which = std::ios_base::in | std::ios_base::out) override;
    pos_type seekpos(pos_type pos,
                     std::ios_base::openmode which = std::ios_base::in | std::ios_base::out) override;
    int sync() override;
    std::streamsize showmanyc() override;
    int_type underflow() override;
    int_type pbackfail(int_type c = traits_type::eof()) override;
    int_type overflow(int_type c = traits_type::eof()) override;
    void imbue(const std::locale& loc) override;

private:
    bool ensure_buffer();
    bool enter_input();
    bool enter_output();
    bool flush_output();  // writes the put area; a short write sets error mode
    void leave_input();   // drops the get area, moving the file back to the logical position
    void reset_areas();

    AbstractFile* file_ = nullptr;
    std::string name_;
    char* buffer_ = nullptr;
    std::size_t buffer_size_ = 0;
    bool own_buffer_ = false;
    bool input_mode_ = false;
    bool output_mode_ = false;
    bool error_mode_ = false;
};

}  // namespace orvek::io
