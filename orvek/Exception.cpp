#include "orvek/Exception.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <memory>
#include <mutex>
#include <new>
#include <ostream>
#include <vector>

#include "orvek/File.h"
#include "orvek/Log.h"

namespace orvek {

namespace {

// Copies text into buffer at offset `used`, keeping a NUL within size.
std::size_t append_text(char* buffer, std::size_t size, std::size_t used, std::string_view text) {
    if (used + 1 >= size) return 0;
    std::size_t n = std::min(text.size(), size - 1 - used);
    std::memcpy(buffer + used, text.data(), n);
    buffer[used + n] = '\0';
    return n;
}

// Both strerror_r variants: the GNU one returns the text, the POSIX one
// fills the buffer.
[[maybe_unused]] const char* strerror_result(int rc, const char* buf) { return rc == 0 ? buf : nullptr; }
[[maybe_unused]] const char* strerror_result(const char* text, const char*) { return text; }

std::string system_error_text(int code) {
    char buf[512] = {};
    const char* text = strerror_result(strerror_r(code, buf, sizeof buf), buf);
    if (!text || !*text) {
        std::snprintf(buf, sizeof buf, "error %d", code);
        text = buf;
    }
    return text;
}

}  // namespace

std::string type_name(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    if (status == 0 && demangled) return demangled.get();
    return type.name();
}

// ---------------------------------------------------------------- ErrorInfo

ErrorInfo::ErrorInfo(std::string_view context, const ErrorInfo* nested) : context_(context) {
    set_nested(nested);
}

ErrorInfo::~ErrorInfo() = default;

void ErrorInfo::set_nested(const ErrorInfo* nested) {
    has_nested_ = nested != nullptr;
    nested_ = nested ? nested->message() : std::string();
}

std::size_t ErrorInfo::write_base(char* buffer, std::size_t size) const {
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    std::size_t used = append_text(buffer, size, 0, nested_);
    if (!context_.empty()) {
        used += append_text(buffer, size, used, " ('");
        used += append_text(buffer, size, used, context_);
        used += append_text(buffer, size, used, "')");
    }
    return used;
}

std::size_t ErrorInfo::write_message(char* buffer, std::size_t size) const {
    return write_base(buffer, size);
}

std::string ErrorInfo::message() const {
    char buf[4096];
    std::size_t n = write_message(buf, sizeof buf);
    return std::string(buf, n);
}

std::ostream& operator<<(std::ostream& out, const ErrorInfo& info) {
    return out << info.message();
}

TextualErrorInfo::TextualErrorInfo(std::string_view text, std::string_view context,
                                   const ErrorInfo* nested)
    : ErrorInfo(context, nested), text_(text) {}

std::size_t TextualErrorInfo::write_message(char* buffer, std::size_t size) const {
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    std::size_t used = append_text(buffer, size, 0, text_);
    return used + write_base(buffer + used, size - used);
}

SystemErrorInfo::SystemErrorInfo(int code, std::string_view context, const ErrorInfo* nested)
    : ErrorInfo(context, nested), code_(code ? code : errno) {}

void SystemErrorInfo::set_code(int code) { code_ = code ? code : errno; }

std::size_t SystemErrorInfo::write_message(char* buffer, std::size_t size) const {
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    std::size_t used = append_text(buffer, size, 0, system_error_text(code_));
    while (used > 1 && (buffer[used - 1] == '\r' || buffer[used - 1] == '\n')) buffer[--used] = '\0';
    return used + write_base(buffer + used, size - used);
}

// ---------------------------------------------------------------- Exception

Exception::Exception() noexcept { message_[0] = '\0'; }

Exception::Exception(const char* message) noexcept {
    message_[0] = '\0';
    if (message) append_text(message_, message_size, 0, message);
}

Exception::Exception(const std::string& message) noexcept : Exception(message.c_str()) {}

Exception::Exception(const ErrorInfo& info) noexcept {
    message_[0] = '\0';
    try {
        info.write_message(message_, message_size);
    } catch (...) {
        message_[0] = '\0';
    }
}

Exception::Exception(const Exception& other) noexcept : std::exception(other) {
    std::memcpy(message_, other.message_, message_size);
}

Exception& Exception::operator=(const Exception& other) noexcept {
    std::exception::operator=(other);
    std::memmove(message_, other.message_, message_size);
    return *this;
}

Exception::~Exception() = default;

const char* Exception::what() const noexcept {
    if (message_[0] == '\0') {
        try {
            format_message(message_, message_size);
        } catch (...) {
            message_[0] = '\0';
        }
    }
    return message_;
}

void Exception::format_message(char* buffer, std::size_t size) const {
    if (!buffer || size == 0) return;
    buffer[0] = '\0';
    append_text(buffer, size, 0, type_name(typeid(*this)));
}

io::Failure::Failure(const char* message) noexcept
    : Exception(message && *message ? message : "i/o error") {}

// ---------------------------------------------------------------- throw sites

std::string format_location(const ThrowLocation& location) {
    std::string text;
    if (location.file && *location.file) {
        text += location.file;
        text += "(";
        text += std::to_string(location.line);
        text += ") : ";
    }
    if (location.function && *location.function) {
        text += location.function;
        text += " : ";
    }
    return text;
}

namespace {
const LogChannel& exception_channel() {
    static const LogChannel channel("exception", log_error_flag);
    return channel;
}
}  // namespace

void report_throw(const ThrowLocation& location, const std::exception& e) noexcept {
    try {
        exception_channel() << type_name(typeid(e)) << "\n    " << format_location(location) << "\n    "
                            << e.what() << std::endl;
    } catch (...) {
    }
}

void throw_exception(const char* message) { throw Exception(message); }

void throw_logic_error(const ThrowLocation& location, const std::string& message) {
    report_and_throw(location, std::logic_error(message));
}

void throw_domain_error(const ThrowLocation& location, const std::string& message) {
    report_and_throw(location, std::domain_error(message));
}

void throw_runtime_error(const ThrowLocation& location, const std::string& message) {
    report_and_throw(location, std::runtime_error(message));
}

// ---------------------------------------------------------------- error report

namespace {

void default_sink(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "*** %s\n%s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

std::mutex& sink_mutex() {
    static std::mutex m;
    return m;
}

ErrorSink& current_sink() {
    static ErrorSink sink = default_sink;
    return sink;
}

}  // namespace

ErrorSink set_error_sink(ErrorSink sink) {
    std::lock_guard<std::mutex> lock(sink_mutex());
    ErrorSink previous = std::move(current_sink());
    current_sink() = sink ? std::move(sink) : ErrorSink(default_sink);
    return previous;
}

std::string read_log_tail(const std::string& path, std::size_t count) {
    constexpr std::size_t max_line = 258;
    // Enough for the last lines unless they are very long; long lines are
    // cut anyway, so a window from the end is all that is needed.
    constexpr std::size_t window = 64 * 1024;
    if (count == 0) return {};
    File file;
    if (!file.open(path, open_mode::in | open_mode::binary)) return {};
    std::uint64_t size = file.size();
    std::uint64_t start = size > window ? size - window : 0;
    std::string data(static_cast<std::size_t>(size - start), '\0');
    std::size_t got = 0;
    if (file.seek(static_cast<std::int64_t>(start), AbstractFile::seek_begin) >= 0) {
        while (got < data.size()) {
            std::size_t n = file.read(data.data() + got, data.size() - got);
            if (n == 0) break;
            got += n;
        }
    }
    data.resize(got);
    file.close();

    std::vector<std::string_view> lines;
    std::string_view rest(data);
    bool partial_first = start > 0;
    while (!rest.empty()) {
        auto nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (partial_first) {  // began in the middle of a line
            partial_first = false;
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) lines.push_back(line);
    }
    std::size_t first = lines.size() > count ? lines.size() - count : 0;
    std::string text;
    for (std::size_t i = first; i < lines.size(); ++i) {
        text.append(lines[i].substr(0, max_line));
        text += '\n';
    }
    return text;
}

void report_error(const char* message, const char* caption) noexcept {
    try {
        std::string text;
        if (message) {
            text = message;
            text += "\n\n";
        }
        if (LogStream* stream = default_info_channel().known_stream()) {
            stream->flush();  // so the tail holds the latest lines
            std::string name = stream->buffer()->file_name();
            if (!name.empty()) {
                text += "Recent log entries (\"" + name + "\"):\n";
                // Reading the log must not add its own open line to it;
                // only this thread's lines pause, the others' are kept.
                ThreadLogSuspend quiet;
                text += read_log_tail(name);
            }
        }
        ErrorSink sink;
        {
            std::lock_guard<std::mutex> lock(sink_mutex());
            sink = current_sink();
        }
        sink(text, caption ? caption : "");
    } catch (const std::exception& e) {
        try {
            default_error_channel() << "o::report_error() failed with std::exception: " << e.what()
                                    << std::endl;
        } catch (...) {
        }
    } catch (...) {
        try {
            default_error_channel() << "o::report_error() failed" << std::endl;
        } catch (...) {
        }
    }
}

void report_exception(const std::exception& e) noexcept {
    std::string caption;
    try {
        caption = type_name(typeid(e));
    } catch (...) {
    }
    report_error(e.what(), caption.c_str());
}

// ---------------------------------------------------------------- Allocator

namespace {

std::atomic<Allocator*> g_allocator{nullptr};

class DefaultAllocator : public Allocator {
public:
    DefaultAllocator() : previous_(g_allocator.load()) {}
    ~DefaultAllocator() override {
        Allocator* self = this;
        g_allocator.compare_exchange_strong(self, previous_);
    }

protected:
    void* do_allocate(std::size_t size) override { return ::operator new(size, std::nothrow); }
    void do_deallocate(void* p) override { ::operator delete(p); }

private:
    Allocator* previous_;
};

}  // namespace

Allocator::~Allocator() = default;

Allocator* Allocator::instance(Allocator* allocator) {
    if (allocator) {
        g_allocator.store(allocator);
        return allocator;
    }
    Allocator* current = g_allocator.load();
    if (!current) {
        static DefaultAllocator default_allocator;
        Allocator* expected = nullptr;
        g_allocator.compare_exchange_strong(expected, &default_allocator);
        current = g_allocator.load();
    }
    return current;
}

void* Allocator::allocate(std::size_t size) {
    void* p = instance()->do_allocate(size);
    if (!p) {
        report_and_throw(ThrowLocation{"orvek/Allocator", 25, "orvek::Allocator::allocate"},
                         Exception("Allocator: Memory allocation failed."));
    }
    return p;
}

void Allocator::deallocate(void* p) {
    if (p) instance()->do_deallocate(p);
}

}  // namespace orvek
