#include "orvek/Log.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "orvek/Path.h"
#include "orvek/io/BasicFileBuf.h"

namespace orvek {

namespace {

// Lines opened by this thread while the log itself is opening or writing
// its file are dropped, so the file layer's own lines cannot recurse.
thread_local int t_suppress = 0;

using Suppress = ThreadLogSuspend;

// The process-wide log lock: taken while the settings are read and while a
// channel first looks up its stream; never taken under a buffer's lock.
std::recursive_mutex& log_lock() {
    static auto* m = new std::recursive_mutex;
    return *m;
}

LogStream* g_log_stream = nullptr;

// The global stream lives until the process ends (channels in other static
// objects may log late); its pending text is written out at exit.
struct ExitFlush {
    ~ExitFlush() {
        if (g_log_stream) g_log_stream->flush();
    }
} g_exit_flush;

}  // namespace

ThreadLogSuspend::ThreadLogSuspend() { ++t_suppress; }
ThreadLogSuspend::~ThreadLogSuspend() { --t_suppress; }

// ---------------------------------------------------------------- settings

LogSettings& LogSettings::operator=(const LogSettings& other) {
    suspend.store(other.suspend.load());
    std::copy(std::begin(other.thresholds), std::end(other.thresholds), thresholds);
    return *this;
}

bool LogSettings::passes(int severity, int level) const {
    return suspend.load(std::memory_order_relaxed) <= 0 && severity >= 0 && severity < 3 &&
           level <= thresholds[severity];
}

LogSettings& LogSettingsTable::record(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = named_.find(name);
    if (it == named_.end()) it = named_.emplace(name, all_).first;
    return it->second;
}

LogSettings& LogSettingsTable::section(const std::string& name) {
    if (name == "!") return global_;
    if (name == "*") return all_;
    return record(name);
}

void LogSettingsTable::copy_all_over_named() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (auto& [name, settings] : named_) settings = all_;
}

LogSettingsTable& LogSettingsTable::instance() {
    static auto* table = new LogSettingsTable;
    return *table;
}

namespace {

class SettingsParser {
public:
    SettingsParser(std::string text, LogSettingsTable& table) : s_(std::move(text)), table_(table) {}

    std::vector<std::string> run() {
        while (i_ < s_.size()) token();
        return std::move(warnings_);
    }

private:
    bool at_end() const { return i_ >= s_.size(); }
    char peek() const { return at_end() ? '\0' : s_[i_]; }
    static bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
    static bool digit(char c) { return c >= '0' && c <= '9'; }
    void skip_space() {
        while (!at_end() && space(s_[i_])) ++i_;
    }
    void skip_line() {
        while (!at_end() && s_[i_] != '\n') ++i_;
    }

    void token() {
        char c = s_[i_];
        if (space(c)) {
            ++i_;
            return;
        }
        if (c == ';') {
            skip_line();
            return;
        }
        if (c == '/') {
            if (i_ + 1 < s_.size() && s_[i_ + 1] == '/') {
                skip_line();
                return;
            }
            i_ += 2;  // "/" and the character after it are ignored
            keyword_ = -1;
            return;
        }
        if (c == '[') {
            ++i_;
            section();
            keyword_ = -1;
            return;
        }
        if (c == 'e' || c == 'w' || c == 'i') {
            while (!at_end() && std::isalpha(static_cast<unsigned char>(s_[i_]))) ++i_;
            keyword_ = c == 'e' ? log_error : c == 'w' ? log_warning : log_info;
            return;
        }
        if (c == '#') {
            skip_line();
            keyword_ = -1;
            return;
        }
        if (c == '=') {
            ++i_;
            skip_space();
            char sign = 0;
            if (peek() == '+' || peek() == '-') {
                sign = peek();
                ++i_;
                skip_space();
            }
            std::int32_t v;
            if (!value_after_sign(sign, v)) v = sign ? (sign == '-' ? LogSettings::all_off : LogSettings::all_on) : 0;
            apply(v);
            return;
        }
        if (c == '+' || c == '-') {
            ++i_;
            skip_space();
            if (peek() == '=') {
                ++i_;
                warnings_.push_back(std::string("log settings: \"") + c +
                                    "=\" is not supported and was ignored");
                keyword_ = -1;
                return;
            }
            std::int32_t v;
            if (!value_after_sign(c, v)) v = c == '-' ? LogSettings::all_off : LogSettings::all_on;
            apply(v);
            return;
        }
        if (c == '*') {
            ++i_;
            apply(LogSettings::all_on);
            return;
        }
        ++i_;  // anything else, bare digits included, is ignored
        keyword_ = -1;
    }

    // "*" or digits after an optional sign.
    bool value_after_sign(char sign, std::int32_t& v) {
        if (peek() == '*') {
            ++i_;
            v = sign == '-' ? LogSettings::all_off : LogSettings::all_on;
            return true;
        }
        if (!digit(peek())) return false;
        std::int64_t n = 0;
        while (digit(peek())) {
            n = std::min<std::int64_t>(n * 10 + (s_[i_] - '0'), LogSettings::all_on);
            ++i_;
        }
        v = static_cast<std::int32_t>(sign == '-' ? -n : n);
        return true;
    }

    char escaped() {
        char c = s_[i_++];
        switch (c) {
        case 'a': return 7;
        case 'b': return 8;
        case 'f': return 12;
        case 'n': return 10;
        case 'r': return 13;
        case 't': return 9;
        case 'v': return 11;
        default: return c;
        }
    }

    void section() {
        skip_space();
        std::string name;
        char quote = peek();
        if (quote == '"' || quote == '\'') {
            ++i_;
            while (!at_end() && s_[i_] != quote && s_[i_] != ']') {
                if (s_[i_] == '\\' && i_ + 1 < s_.size()) {
                    ++i_;
                    name += escaped();
                } else {
                    name += s_[i_++];
                }
            }
            if (!at_end() && s_[i_] == quote) ++i_;
            skip_space();
            if (!at_end()) ++i_;  // the closing "]"
        } else {
            while (!at_end() && s_[i_] != ']') {
                if (s_[i_] == '\\' && i_ + 1 < s_.size()) {
                    ++i_;
                    name += escaped();
                } else {
                    name += s_[i_++];
                }
            }
            if (!at_end()) ++i_;
        }
        section_ = name;
        table_.section(section_);
    }

    void apply(std::int32_t v) {
        LogSettings& r = table_.section(section_);
        int first = keyword_ >= 0 ? keyword_ : 0;
        int last = keyword_ >= 0 ? keyword_ : 2;
        for (int s = first; s <= last; ++s) {
            std::int32_t& t = r.thresholds[s];
            if (v >= 1) {
                t = std::max(t, v);
            } else if (v == LogSettings::all_off) {
                t = std::min(t, -1);
            } else {
                t = std::min(t, -v - 1);
                if (v == 0) t = std::max(t, 0);
            }
        }
        if (section_ == "*") table_.copy_all_over_named();
        keyword_ = -1;
    }

    std::string s_;
    std::size_t i_ = 0;
    LogSettingsTable& table_;
    std::string section_;
    int keyword_ = -1;
    std::vector<std::string> warnings_;
};

}  // namespace

std::vector<std::string> read_log_settings(std::istream& in, LogSettingsTable& table) {
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return SettingsParser(std::move(text), table).run();
}

void load_log_settings() {
    static std::atomic<bool> done{false};
    static bool reading = false;
    if (done.load(std::memory_order_acquire)) return;
    std::vector<std::string> warnings;
    {
        std::lock_guard<std::recursive_mutex> lock(log_lock());
        if (done.load() || reading) return;
        reading = true;
        LogSettingsTable& table = LogSettingsTable::instance();
        struct Suspend {
            LogSettings& g;
            explicit Suspend(LogSettings& s) : g(s) { ++g.suspend; }
            ~Suspend() { --g.suspend; }
        } suspend(table.global());
        try {
            File file;
            const std::string& name = log_settings_file_name();
            if (file.open(name, open_mode::in)) {
                io::BasicFileBuf buf;
                buf.attach(&file, name.c_str());
                std::istream in(&buf);
                warnings = read_log_settings(in, table);
                buf.close();
            }
        } catch (...) {
        }
        done.store(true, std::memory_order_release);
    }
    for (const std::string& w : warnings) default_warning_channel() << w << std::endl;
}

// ---------------------------------------------------------------- names

namespace {
std::string program_base_name() {
    PathString exe;
    if (get_module_file_name(exe)) {
        std::string base(split_path(exe.str()).name);
        if (!base.empty()) return base;
    }
    return "_orvek";
}
}  // namespace

const std::string& log_file_name() {
    static const std::string name = program_base_name() + ".log";
    return name;
}

const std::string& log_settings_file_name() {
    static const std::string name = program_base_name() + ".log.ini";
    return name;
}

bool debugger_attached() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) return std::atoi(line.c_str() + 10) != 0;
    }
    return false;
}

// ---------------------------------------------------------------- LogFileBuf

LogFileBuf::LogFileBuf() : debugger_(debugger_attached()), fallback_(false) {
    setp(nullptr, nullptr);
}

LogFileBuf::LogFileBuf(std::string file_name, OpenMode mode, bool fallback)
    : debugger_(debugger_attached()), mode_(mode), fallback_(fallback), file_name_(std::move(file_name)) {
    setp(nullptr, nullptr);
}

LogFileBuf::~LogFileBuf() {
    try {
        sync();
    } catch (...) {
    }
}

std::string LogFileBuf::file_name() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return file_name_;
}

std::uint64_t LogFileBuf::begin_message(const std::string& name, int severity, int level) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (pptr() != pbase() && (severity != severity_ || name != name_)) sync();
    name_ = name;
    severity_ = severity;
    level_ = level;
    prefix_ = "[" + name + "] ";
    if (severity == log_error) prefix_ += "error: ";
    else if (severity == log_warning) prefix_ += "warning: ";
    prefix_pending_ = true;
    indent_pending_ = false;
    return ++message_;
}

LogFileBuf::int_type LogFileBuf::overflow(int_type c) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (file_name_.empty() && mode_ == 0) return traits_type::eof();
    if (!area_) {
        area_.reset(new char[put_area_size]);
        setp(area_.get(), area_.get() + put_area_size - 2);
    } else if (pptr() == epptr()) {
        char extra = traits_type::to_char_type(c);
        bool has_extra = !traits_type::eq_int_type(c, traits_type::eof());
        return flush_text(&extra, has_extra ? 1 : 0) ? traits_type::not_eof(c) : traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int LogFileBuf::sync() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return flush_text(nullptr, 0) ? 0 : -1;
}

bool LogFileBuf::flush_text(const char* extra, std::size_t extra_count) {
    std::size_t n = pbase() ? static_cast<std::size_t>(pptr() - pbase()) : 0;
    if (n == 0 && extra_count == 0) return true;
    std::string text(pbase() ? pbase() : "", n);
    text.append(extra ? extra : "", extra_count);
    setp(area_.get(), area_.get() + put_area_size - 2);

    Suppress quiet;  // the file layer's own lines must not come back here
    if (!file_.is_open() && !file_name_.empty()) {
        std::string name = file_name_;
        if (split_path(name).directory.empty() && name[0] != '/') name = "./" + name;  // the current directory first
        std::string opened = name;
        bool ok = fallback_ ? open_with_fallback(file_, name, mode_, &opened) : file_.open(name, mode_);
        if (!ok) {
            file_name_.clear();
        } else {
            if (opened[0] != '/') {
                PathString cwd;
                if (get_current_directory(cwd)) {
                    if (opened.rfind("./", 0) == 0) opened.erase(0, 2);
                    opened = cwd.str() + "/" + opened;
                }
            }
            file_name_ = opened;
        }
    }

    std::string out;
    out.reserve(text.size() + prefix_.size() + 16);
    if (prefix_pending_) {
        out = prefix_;
        prefix_pending_ = false;
    } else if (indent_pending_) {
        out.append(prefix_.size(), ' ');
        indent_pending_ = false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < text.size()) out.append(prefix_.size(), ' ');
    }
    if (text.back() == '\n') indent_pending_ = true;

    bool ok = false;
    if (debugger_) {
        if (severity_ != log_info) {
            std::fwrite(out.data(), 1, out.size(), stderr);
            std::fflush(stderr);
        }
        ok = true;
    }
    if (file_.is_open() && file_.write(out.data(), out.size()) == out.size()) ok = true;
    return ok;
}

// ---------------------------------------------------------------- LogStream

LogStream::LogStream() : std::ostream(nullptr) { init(&buf_); }

LogStream::LogStream(std::string file_name, OpenMode mode, bool fallback)
    : std::ostream(nullptr), buf_(std::move(file_name), mode, fallback) {
    init(&buf_);
}

LogStream::~LogStream() = default;

LogStream* log_stream() {
    // The static's own guard serialises the construction; taking the log
    // lock here as well could deadlock against a channel that holds it.
    static LogStream* stream = [] {
        g_log_stream = new LogStream(log_file_name());
        return g_log_stream;
    }();
    return stream;
}

LogStream::Sentry::Sentry(LogStream* stream, const std::string* name, int severity, int level)
    : stream_(stream), name_(name), severity_(severity), level_(level), collector_(this), out_(&collector_) {}

LogStream::Sentry::~Sentry() {
    commit(false);
    try {
        if (stream_->flags() & std::ios_base::unitbuf) stream_->flush();
    } catch (...) {
    }
}

void LogStream::Sentry::commit(bool flush) noexcept {
    try {
        if (collector_.text.empty() && !flush) return;
        LogFileBuf* buf = stream_->buffer();
        std::lock_guard<std::recursive_mutex> lock(buf->mutex());
        if (!collector_.text.empty()) {
            // Later text of this line continues its message unless another
            // message came in between.
            if (message_ == 0 || buf->current_message() != message_)
                message_ = buf->begin_message(*name_, severity_, level_);
            stream_->write(collector_.text.data(), static_cast<std::streamsize>(collector_.text.size()));
            collector_.text.clear();
        }
        if (flush) stream_->flush();
    } catch (...) {
        collector_.text.clear();
    }
}

LogStream::Sentry::Collector::int_type LogStream::Sentry::Collector::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) text.push_back(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

std::streamsize LogStream::Sentry::Collector::xsputn(const char* s, std::streamsize n) {
    text.append(s, static_cast<std::size_t>(n));
    return n;
}

int LogStream::Sentry::Collector::sync() {
    owner_->commit(true);
    return 0;
}

// ---------------------------------------------------------------- lines and channels

const LogLine& LogLine::operator<<(std::ostream& (*manip)(std::ostream&)) const {
    if (sentry_) {
        try {
            manip(sentry_->out());
        } catch (...) {
        }
    }
    return *this;
}

const LogLine& LogLine::operator<<(std::ios_base& (*manip)(std::ios_base&)) const {
    if (sentry_) {
        try {
            manip(sentry_->out());
        } catch (...) {
        }
    }
    return *this;
}

namespace {
int severity_of(int flags) {
    if (flags & log_error_flag) return log_error;
    if (flags & log_warning_flag) return log_warning;
    return log_info;
}
}  // namespace

LogChannel::LogChannel(const char* name, int severity_flags, int level)
    : source_(&log_stream), name_(name ? name : ""), severity_(severity_of(severity_flags)), level_(level) {
    settings_ = &LogSettingsTable::instance().record(name_);
}

LogChannel::LogChannel(LogStream* stream, int severity_flags, int level)
    : stream_(stream), severity_(severity_of(severity_flags)), level_(level) {}

LogChannel::LogChannel(StreamSource source, int severity_flags, int level)
    : source_(source), severity_(severity_of(severity_flags)), level_(level) {}

bool LogChannel::enabled() const {
    if (t_suppress > 0) return false;
    LogSettingsTable& table = LogSettingsTable::instance();
    if (!table.global().passes(severity_, level_)) return false;
    const LogSettings& own = settings_ ? *settings_ : table.all();
    return own.passes(severity_, level_);
}

LogLine LogChannel::stream() const {
    try {
        load_log_settings();
        if (!enabled()) return LogLine();
        LogStream* s = stream_.load(std::memory_order_acquire);
        if (!s && source_) {
            std::lock_guard<std::recursive_mutex> lock(log_lock());
            s = stream_.load();
            if (!s) {
                s = source_();
                stream_.store(s, std::memory_order_release);
            }
        }
        if (!s) return LogLine();
        return LogLine(std::make_shared<LogStream::Sentry>(s, &name_, severity_, level_));
    } catch (...) {
        return LogLine();
    }
}

LogLine operator<<(const LogChannel& channel, std::ostream& (*manip)(std::ostream&)) {
    LogLine line = channel.stream();
    line << manip;
    return line;
}

const LogChannel& default_error_channel() {
    static const LogChannel channel(&log_stream, log_error_flag);
    return channel;
}

const LogChannel& default_warning_channel() {
    static const LogChannel channel(&log_stream, log_warning_flag);
    return channel;
}

const LogChannel& default_info_channel() {
    static const LogChannel channel(&log_stream, log_info_flag);
    return channel;
}

}  // namespace orvek
