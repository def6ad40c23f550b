#include "orvek/io/BasicFileBuf.h"

#include <algorithm>
#include <cstring>

namespace orvek::io {

namespace {
// Characters of the previous get area kept in front of the next one, so a
// few put-backs work across a refill.
constexpr std::size_t putback_room = 8;
}  // namespace

BasicFileBuf::BasicFileBuf() { reset_areas(); }

BasicFileBuf::~BasicFileBuf() {
    if (own_buffer_) delete[] buffer_;
}

void BasicFileBuf::attach(AbstractFile* file, const char* name) {
    file_ = file;
    name_ = name ? name : "";
}

bool BasicFileBuf::is_open() const { return file_ && file_->is_open(); }

std::size_t BasicFileBuf::default_buffer_size(std::size_t page_size) {
    if (page_size == 0) page_size = 4096;
    return (4096 + page_size - 1) / page_size * page_size;
}

const ErrorInfo* BasicFileBuf::error_info() const { return file_ ? file_->error_info() : nullptr; }

void BasicFileBuf::reset_areas() {
    setg(nullptr, nullptr, nullptr);
    setp(nullptr, nullptr);
}

bool BasicFileBuf::ensure_buffer() {
    if (!buffer_) {
        buffer_size_ = default_buffer_size(AbstractFile::page_size());
        buffer_ = new char[buffer_size_];
        own_buffer_ = true;
    }
    return true;
}

bool BasicFileBuf::enter_input() {
    if (input_mode_) return true;
    if (!is_open() || !(file_->mode() & open_mode::in) || output_mode_ || error_mode_) return false;
    ensure_buffer();
    input_mode_ = true;
    setg(buffer_, buffer_, buffer_);
    return true;
}

bool BasicFileBuf::enter_output() {
    if (output_mode_) return true;
    if (!is_open() || !(file_->mode() & open_mode::out) || input_mode_ || error_mode_) return false;
    ensure_buffer();
    output_mode_ = true;
    setp(buffer_, buffer_ + buffer_size_);
    return true;
}

bool BasicFileBuf::flush_output() {
    if (!output_mode_) return !error_mode_;
    std::size_t n = static_cast<std::size_t>(pptr() - pbase());
    if (n > 0 && file_->write_text(pbase(), n) != n) {
        // What was not written is lost; the buffer stays failed until close.
        error_mode_ = true;
        output_mode_ = false;
        setp(nullptr, nullptr);
        return false;
    }
    setp(buffer_, buffer_ + buffer_size_);
    return true;
}

void BasicFileBuf::leave_input() {
    if (!input_mode_) return;
    std::size_t unread = file_->text_length(gptr(), egptr());
    if (unread) file_->seek(-static_cast<std::int64_t>(unread), AbstractFile::seek_current);
    input_mode_ = false;
    setg(nullptr, nullptr, nullptr);
}

BasicFileBuf* BasicFileBuf::close() {
    if (!file_) return nullptr;
    bool ok = flush_output();
    input_mode_ = output_mode_ = error_mode_ = false;
    reset_areas();
    bool closed = file_->close();
    return ok && closed ? this : nullptr;
}

std::streambuf* BasicFileBuf::setbuf(char* s, std::streamsize n) {
    if (input_mode_ || output_mode_ || error_mode_ || !s || n <= 0) return this;
    if (own_buffer_) delete[] buffer_;
    buffer_ = s;
    buffer_size_ = static_cast<std::size_t>(n);
    own_buffer_ = false;
    return this;
}

BasicFileBuf::pos_type BasicFileBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                             std::ios_base::openmode) {
    const pos_type bad(off_type(-1));
    if (!is_open() || error_mode_) return bad;
    int direction = dir == std::ios_base::beg   ? AbstractFile::seek_begin
                    : dir == std::ios_base::cur ? AbstractFile::seek_current
                                                : AbstractFile::seek_end;
    bool tell = off == 0 && dir == std::ios_base::cur;
    if (output_mode_) {
        if (!flush_output()) return bad;
        if (!tell) {
            output_mode_ = false;
            setp(nullptr, nullptr);
        }
    } else if (input_mode_) {
        if (tell) {
            std::int64_t pos = file_->seek(0, AbstractFile::seek_current);
            if (pos < 0) return bad;
            return pos_type(off_type(pos - static_cast<std::int64_t>(file_->text_length(gptr(), egptr()))));
        }
        leave_input();
    }
    std::int64_t pos = file_->seek(static_cast<std::int64_t>(off), direction);
    return pos < 0 ? bad : pos_type(off_type(pos));
}

BasicFileBuf::pos_type BasicFileBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

int BasicFileBuf::sync() {
    if (error_mode_) return -1;
    return flush_output() ? 0 : -1;
}

std::streamsize BasicFileBuf::showmanyc() {
    if (input_mode_ && gptr() < egptr()) return egptr() - gptr();
    return is_open() ? 0 : -1;
}

BasicFileBuf::int_type BasicFileBuf::underflow() {
    if (gptr() && gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (!enter_input()) return traits_type::eof();
    std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(gptr() - eback()),
                                             std::min(putback_room, buffer_size_ / 2));
    if (keep) std::memmove(buffer_, gptr() - keep, keep);
    std::size_t n = file_->read(buffer_ + keep, buffer_size_ - keep);
    setg(buffer_, buffer_ + keep, buffer_ + keep + n);
    if (n == 0) return traits_type::eof();
    return traits_type::to_int_type(*gptr());
}

BasicFileBuf::int_type BasicFileBuf::pbackfail(int_type c) {
    if (!input_mode_ || gptr() == eback()) return traits_type::eof();
    gbump(-1);
    if (!traits_type::eq_int_type(c, traits_type::eof())) *gptr() = traits_type::to_char_type(c);
    return traits_type::not_eof(c);
}

BasicFileBuf::int_type BasicFileBuf::overflow(int_type c) {
    if (error_mode_ || !enter_output()) return traits_type::eof();
    if (pptr() == epptr() && !flush_output()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

void BasicFileBuf::imbue(const std::locale&) {
    // Characters pass unconverted whatever the locale says.
}

}  // namespace orvek::io
