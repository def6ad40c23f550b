#pragma once
// Error reporting of the game data: every lookup and load error is reported
// with its source location and thrown as std::runtime_error.
#include <string>

namespace orvek::trelm::core {

[[noreturn]] void raise_core_error(const char* file, unsigned line, const char* function,
                                   const std::string& message);

// An error line on the "Core.Levels" channel for problems that do not stop
// the load (or that explain an error raised right after).
void log_level_error(const std::string& message);

}  // namespace orvek::trelm::core
