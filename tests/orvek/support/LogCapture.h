#pragma once
// Reading back the global log in tests. Each test process first moves into
// a private folder, so test processes running side by side never share a
// log file; then a mark shows only the lines written after it.
#include <string>
#include <unistd.h>

#include "orvek/Log.h"
#include "support/TestSupport.h"

namespace logcapture {

// Call from a static initialiser, before anything logs.
inline bool enter_private_dir() {
    static testsupport::TempDir dir;
    return ::chdir(dir.str().c_str()) == 0;
}

inline std::string global_log_text() {
    orvek::log_stream()->flush();
    std::string name = orvek::log_stream()->buffer()->file_name();
    return name.empty() ? std::string() : testsupport::read_file(name);
}

class LogMark {
public:
    LogMark() : start_(global_log_text().size()) {}
    std::string text() const {
        std::string all = global_log_text();
        return all.size() > start_ ? all.substr(start_) : std::string();
    }

private:
    std::size_t start_;
};

}  // namespace logcapture
