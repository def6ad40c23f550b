#pragma once
// Helpers shared by the writers of the player's save files.
#include <string>

namespace orvek { class LogChannel; }

namespace orvek::trelm::core {

// "dir/name.ext" -> "dir/name.prev.ext": where a save file that could not be
// read is kept before anything is written over it.
std::string backup_path(const std::string& path);

// Copies the file at path to its backup path (through a temporary file, so a
// backup made earlier is replaced only by a complete one). True when there
// is nothing to keep or the copy is complete; failures are logged on channel.
bool keep_aside(const std::string& path, const orvek::LogChannel& errors);

}  // namespace orvek::trelm::core
