#pragma once
// The game's data folder: "data/@path" made canonical once at start-up,
// from which other parts build data file names.
#include <string>

namespace orvek::trelm {

// Lower case, "/" separators, one trailing "/", parent references folded
// where a folder name stands before them (a drive prefix "x:" is never
// folded away); a path that begins with "." is taken from cwd. "" stays
// "", and a path folded to nothing becomes ".".
std::string normalise_data_path(std::string path, const std::string& cwd);

// The normalised path; set once by the game's start-up.
const std::string& data_path();
void set_data_path(const std::string& path);
// data_path() followed by name.
std::string data_file(const std::string& name);

}  // namespace orvek::trelm
