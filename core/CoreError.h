#pragma once
// Error reporting of the game data: every lookup and load error is reported
// with its source location and thrown as std::runtime_error.
#include <cstdint>
#include <string>

namespace orvek { class LogChannel; }
namespace orvek::io { class IStream; }

namespace orvek::trelm::core {

[[noreturn]] void raise_core_error(const char* file, unsigned line, const char* function,
                                   const std::string& message);

// An error line on the "Core.Levels" channel for problems that do not stop
// the load (or that explain an error raised right after).
void log_level_error(const std::string& message);

// A saved record of a newer version than this game knows: its layout is
// unknown and reading on would misread everything after it, so the stream
// fails, with "<what> version <stored> is newer than this game reads
// (<known>)." logged on errors and carried by the failure.
void refuse_newer_version(orvek::io::IStream& in, std::uint32_t stored, std::uint32_t known, const std::string& what,
                          const orvek::LogChannel& errors);

}  // namespace orvek::trelm::core
