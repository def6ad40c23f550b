#pragma once
// The library's errors: exceptions that carry only their message, chained
// error descriptions that build such messages, throw sites that report
// themselves to the "exception" log channel before throwing, and the fatal
// error report.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <typeinfo>

namespace orvek {

// Readable name of a type (demangled where the runtime can).
std::string type_name(const std::type_info& type);

// A description of an error. The context is appended as " ('context')"
// after the nested description's text. Descriptions keep copies of every
// text they are given, so nothing has to outlive them.
class ErrorInfo {
public:
    ErrorInfo() = default;
    explicit ErrorInfo(std::string_view context, const ErrorInfo* nested = nullptr);
    virtual ~ErrorInfo();

    // Writes the message into buffer (at most size - 1 characters and a NUL)
    // and returns the number of characters written. Never writes past size.
    virtual std::size_t write_message(char* buffer, std::size_t size) const;

    // The whole message (formatted into a 4096-character buffer).
    std::string message() const;

    const std::string& context() const { return context_; }
    void set_context(std::string_view context) { context_ = context; }
    // Keeps the nested description's message as it reads now (null clears).
    void set_nested(const ErrorInfo* nested);
    bool has_nested() const { return has_nested_; }

protected:
    // The base text: the nested message, then " ('context')".
    std::size_t write_base(char* buffer, std::size_t size) const;

private:
    std::string context_;
    std::string nested_;
    bool has_nested_ = false;
};

// A fixed text, then the nested message and the context.
class TextualErrorInfo : public ErrorInfo {
public:
    explicit TextualErrorInfo(std::string_view text, std::string_view context = {},
                              const ErrorInfo* nested = nullptr);
    std::size_t write_message(char* buffer, std::size_t size) const override;
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// An operating-system error code (errno) and its text. Code 0 takes the
// calling thread's errno at construction.
class SystemErrorInfo : public ErrorInfo {
public:
    explicit SystemErrorInfo(int code = 0, std::string_view context = {},
                             const ErrorInfo* nested = nullptr);
    std::size_t write_message(char* buffer, std::size_t size) const override;
    int code() const { return code_; }
    // Records a new code; 0 takes errno.
    void set_code(int code = 0);

private:
    int code_ = 0;
};

// Writes the description's message (formatted into a 4096-character buffer).
std::ostream& operator<<(std::ostream& out, const ErrorInfo& info);

// Base of the library's exceptions. Holds only its message, at most 2047
// characters; an empty message reads as the exception's dynamic type name.
class Exception : public std::exception {
public:
    static constexpr std::size_t message_size = 2048;

    Exception() noexcept;
    explicit Exception(const char* message) noexcept;
    explicit Exception(const std::string& message) noexcept;
    explicit Exception(const ErrorInfo& info) noexcept;
    Exception(const Exception& other) noexcept;
    Exception& operator=(const Exception& other) noexcept;
    ~Exception() override;

    const char* what() const noexcept override;

protected:
    // Fills the buffer when the message is empty; the base writes the type name.
    virtual void format_message(char* buffer, std::size_t size) const;

private:
    mutable char message_[message_size];
};

namespace io {
// Stream and file failures; the default text is "i/o error".
class Failure : public Exception {
public:
    Failure() noexcept : Failure(static_cast<const char*>(nullptr)) {}
    explicit Failure(const char* message) noexcept;
    explicit Failure(const std::string& message) noexcept : Failure(message.c_str()) {}
    explicit Failure(const ErrorInfo& info) noexcept : Exception(info) {}
};
}  // namespace io

// Where a throw happens.
struct ThrowLocation {
    const char* file = "";
    std::uint32_t line = 0;
    const char* function = "";
};

#define ORVEK_THROW_LOCATION \
    ::orvek::ThrowLocation { __FILE__, static_cast<std::uint32_t>(__LINE__), __PRETTY_FUNCTION__ }

// The location as the throw report prints it: "file(line) : function : ".
std::string format_location(const ThrowLocation& location);

// Writes the exception's type, the location and its message to the
// "exception" log channel. Never throws.
void report_throw(const ThrowLocation& location, const std::exception& e) noexcept;

// The throw-site pattern: report, then throw. Always throws.
template <class E>
[[noreturn]] void report_and_throw(const ThrowLocation& location, const E& e) {
    report_throw(location, e);
    throw e;
}

// Throws Exception(message) without a report.
[[noreturn]] void throw_exception(const char* message);
[[noreturn]] void throw_logic_error(const ThrowLocation& location, const std::string& message);
[[noreturn]] void throw_domain_error(const ThrowLocation& location, const std::string& message);
[[noreturn]] void throw_runtime_error(const ThrowLocation& location, const std::string& message);

// A failed library assertion: reports and throws Exception with the text of
// the condition.
#define ORVEK_ASSERT(cond)                                                              \
    do {                                                                                \
        if (!(cond))                                                                    \
            ::orvek::report_and_throw(ORVEK_THROW_LOCATION, ::orvek::Exception(#cond)); \
    } while (0)

// Where the error report's box goes. The default writes the caption and the
// text to stderr; the platform layer installs its message box. A sink must
// not throw; if it does, the report logs that and returns.
using ErrorSink = std::function<void(const std::string& text, const std::string& caption)>;
// Installs sink (an empty one restores the default) and returns the previous.
ErrorSink set_error_sink(ErrorSink sink);

// Shows message (with the last lines of the log file, when the log has one)
// through the error sink. Never throws.
void report_error(const char* message, const char* caption) noexcept;
// report_error with the exception's text and its type name as caption.
void report_exception(const std::exception& e) noexcept;

// The last `count` lines of a text file, each cut to 258 characters, empty
// lines left out; empty when the file cannot be read.
std::string read_log_tail(const std::string& path, std::size_t count = 9);

// The library's replaceable memory allocator.
class Allocator {
public:
    virtual ~Allocator();

    // With null returns the current allocator (installing the default on
    // first use); with an allocator installs it and returns it.
    static Allocator* instance(Allocator* allocator = nullptr);
    // Memory from the current allocator; throws Exception
    // "Allocator: Memory allocation failed." (reported first) when none is left.
    static void* allocate(std::size_t size);
    static void deallocate(void* p);

protected:
    virtual void* do_allocate(std::size_t size) = 0;
    virtual void do_deallocate(void* p) = 0;
};

}  // namespace orvek
