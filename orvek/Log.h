#pragma once
// Named log channels. A channel is a static object for one name and one
// severity; a line opened on it goes to the process-wide log stream, which
// prefixes it with "[name] " and "error: " or "warning: " and writes it to
// the program's ".log" file. The program's ".log.ini" file, read on the
// first line opened, sets which names and severities are written.
//
//     static orvek::LogChannel io_warn("orvek.io", 2);
//     io_warn << "'" << name << "' open failed: " << why << std::endl;
//
// Logging never throws and never blocks on another thread's open line:
// a line is collected on its own and written under one lock when it ends.
#include <atomic>
#include <cstdint>
#include <istream>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "orvek/File.h"

namespace orvek {

// Severities, and the flags the channel constructor takes for them.
enum LogSeverity : int { log_error = 0, log_warning = 1, log_info = 2 };
enum LogSeverityFlag : int { log_error_flag = 1, log_warning_flag = 2, log_info_flag = 4 };

// Per-name verbosity: a line of level L and severity s passes when the
// record is not suspended and L <= threshold[s].
struct LogSettings {
    static constexpr std::int32_t all_on = 0x7fffffff;      // "+*"
    static constexpr std::int32_t all_off = -0x7fffffff;    // "-*"

    LogSettings() = default;
    LogSettings(const LogSettings& other) { *this = other; }
    LogSettings& operator=(const LogSettings& other);

    bool passes(int severity, int level) const;

    std::atomic<std::int32_t> suspend{0};
    std::int32_t thresholds[3] = {all_on, all_on, all_on};
};

// The settings records: "!" (every line must pass it), "*" (the pattern
// for new records and the record of channels without one) and one record
// per channel name. Records live as long as the table and never move.
class LogSettingsTable {
public:
    LogSettingsTable() = default;
    LogSettingsTable(const LogSettingsTable&) = delete;
    LogSettingsTable& operator=(const LogSettingsTable&) = delete;

    LogSettings& global() { return global_; }
    LogSettings& all() { return all_; }
    // The record of a name, created as a copy of "*" when missing.
    LogSettings& record(const std::string& name);
    // "!" and "*" give the special records, any other name record(name).
    LogSettings& section(const std::string& name);
    // Copies "*" over every named record.
    void copy_all_over_named();

    // The process-wide table.
    static LogSettingsTable& instance();

private:
    std::recursive_mutex mutex_;
    LogSettings global_;
    LogSettings all_;
    std::map<std::string, LogSettings> named_;
};

// Applies a ".log.ini" text to table. Constructs that are not supported
// are skipped; a line describing each is returned.
std::vector<std::string> read_log_settings(std::istream& in, LogSettingsTable& table);

// Reads the program's settings file into the process-wide table, once per
// run (later calls do nothing). Called by the first line opened.
void load_log_settings();

// The stream buffer of a log stream: collects one message, prefixes it and
// indents its continuation lines, then writes it to the log file and, with
// a debugger attached, error and warning lines to stderr.
class LogFileBuf : public std::streambuf {
public:
    static constexpr std::size_t put_area_size = 4096;

    // Without a file: what is written is discarded.
    LogFileBuf();
    // The file is opened at the first flush with text (through
    // open_with_fallback when fallback is set); a file that cannot be
    // opened is given up for good.
    explicit LogFileBuf(std::string file_name,
                        OpenMode mode = open_mode::out | open_mode::trunc, bool fallback = true);
    ~LogFileBuf() override;

    // Starts a message: pending text of another name or severity is flushed
    // first, then the prefix is set up. Returns the message's number.
    std::uint64_t begin_message(const std::string& name, int severity, int level);
    // The number of the message being written.
    std::uint64_t current_message() const { return message_; }

    // Serialises whole messages.
    std::recursive_mutex& mutex() { return mutex_; }
    // The file's name; after the open, the name that was actually opened.
    // Empty without a file or after a failed open.
    std::string file_name() const;

    bool debugger() const { return debugger_; }
    void set_debugger(bool attached) { debugger_ = attached; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool flush_text(const char* extra, std::size_t extra_count);

    mutable std::recursive_mutex mutex_;
    bool debugger_ = false;
    File file_;
    OpenMode mode_ = 0;
    bool fallback_ = true;
    std::string file_name_;
    std::unique_ptr<char[]> area_;
    std::string name_;
    int severity_ = log_info;
    int level_ = 0;
    std::string prefix_;
    bool prefix_pending_ = true;
    bool indent_pending_ = false;
    std::uint64_t message_ = 0;
};

class LogStream : public std::ostream {
public:
    class Sentry;

    LogStream();  // discards what is written
    explicit LogStream(std::string file_name, OpenMode mode = open_mode::out | open_mode::trunc,
                       bool fallback = true);
    ~LogStream() override;

    LogFileBuf* buffer() { return &buf_; }

private:
    LogFileBuf buf_;
};

// The global log stream (built on first call, never destroyed before exit).
LogStream* log_stream();
// "<program base name>.log" and ".log.ini"; base "_orvek" when unknown.
const std::string& log_file_name();
const std::string& log_settings_file_name();
// Whether a debugger traces this process.
bool debugger_attached();

// One message being written. Copies share it; when the last copy is gone,
// or at each flush (std::endl), the collected text goes to the stream.
class LogStream::Sentry {
public:
    Sentry(LogStream* stream, const std::string* name, int severity, int level);
    ~Sentry();
    Sentry(const Sentry&) = delete;
    Sentry& operator=(const Sentry&) = delete;

    std::ostream& out() { return out_; }
    void commit(bool flush) noexcept;

private:
    class Collector : public std::streambuf {
    public:
        explicit Collector(Sentry* owner) : owner_(owner) {}
        std::string text;

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;
        int sync() override;

    private:
        Sentry* owner_;
    };

    LogStream* stream_;
    const std::string* name_;
    int severity_;
    int level_;
    std::uint64_t message_ = 0;  // 0 until the first text is written
    Collector collector_;
    std::ostream out_;
};

// A handle on an open line; empty when the channel is off.
class LogLine {
public:
    LogLine() = default;
    explicit LogLine(std::shared_ptr<LogStream::Sentry> sentry) : sentry_(std::move(sentry)) {}

    bool active() const { return sentry_ != nullptr; }
    explicit operator bool() const { return active(); }

    template <class T>
    const LogLine& operator<<(const T& value) const {
        if (sentry_) {
            try {
                sentry_->out() << value;
            } catch (...) {
            }
        }
        return *this;
    }
    const LogLine& operator<<(std::ostream& (*manip)(std::ostream&)) const;
    const LogLine& operator<<(std::ios_base& (*manip)(std::ios_base&)) const;

private:
    std::shared_ptr<LogStream::Sentry> sentry_;
};

class LogChannel {
public:
    using StreamSource = LogStream* (*)();

    // flags: 1 error, else 2 warning, else info. The channel's record is the
    // one of its name in the process-wide settings table.
    LogChannel(const char* name, int severity_flags, int level = 0);
    // Unnamed channels without a record, on a given stream or source.
    LogChannel(LogStream* stream, int severity_flags, int level = 0);
    LogChannel(StreamSource source, int severity_flags, int level = 0);
    LogChannel(const LogChannel&) = delete;
    LogChannel& operator=(const LogChannel&) = delete;

    // Opens a line at the channel's level; empty when the channel is off.
    LogLine stream() const;
    bool enabled() const;

    const std::string& name() const { return name_; }
    int severity() const { return severity_; }
    int level() const { return level_; }
    LogSettings* settings() const { return settings_; }
    // The stream once a line has been opened; null before.
    LogStream* known_stream() const { return stream_.load(std::memory_order_acquire); }

private:
    mutable std::atomic<LogStream*> stream_{nullptr};
    StreamSource source_ = nullptr;
    std::string name_;
    LogSettings* settings_ = nullptr;
    int severity_ = log_info;
    int level_ = 0;
};

template <class T>
LogLine operator<<(const LogChannel& channel, const T& value) {
    LogLine line = channel.stream();
    line << value;
    return line;
}
LogLine operator<<(const LogChannel& channel, std::ostream& (*manip)(std::ostream&));

// While one lives, the lines its thread opens are dropped; other threads
// log on. For code that reads or writes the log's own file.
class ThreadLogSuspend {
public:
    ThreadLogSuspend();
    ~ThreadLogSuspend();
    ThreadLogSuspend(const ThreadLogSuspend&) = delete;
    ThreadLogSuspend& operator=(const ThreadLogSuspend&) = delete;
};

// The unnamed channels on the global stream, without settings record.
const LogChannel& default_error_channel();
const LogChannel& default_warning_channel();
const LogChannel& default_info_channel();

}  // namespace orvek
