#pragma once
// The statistics file: a version byte 0, then the session's statistics
// block, in one object stream. It is read whole or not at all, and written
// through a temporary file, so a kill at any moment leaves the old file or
// the new one.
#include <string>

namespace orvek::trelm::core {
class Session;
}

namespace orvek::trelm {

enum class StatisticsLoad {
    none,     // no file, or an empty one
    loaded,   // read to its end; the session holds its statistics
    damaged,  // not taken; the file was kept aside and the session is unchanged
    stuck,    // not taken, and it could not be kept aside: write nothing over it
};

// A damaged file is kept aside ("<name>.prev<ext>") and logged.
StatisticsLoad load_statistics_file(core::Session& session, const std::string& path);
// False, logged, when it could not be written; the old file then stays.
// Never throws.
bool save_statistics_file(const core::Session& session, const std::string& path) noexcept;

}  // namespace orvek::trelm
