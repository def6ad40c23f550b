#pragma once
// The text form of way files that levelgen writes and waypack reads:
//
//   ways <N>
//   way <C>                         then C lines "x y order open link"
//   mark <index> <x> <y>            three lines: start, finish, explosion
//
// Coordinates are authoring units.
#include <string>
#include <vector>

#include "logic/Way.h"

namespace zelkor_tools {

// Throws std::runtime_error naming the source and line on bad text.
std::vector<orvek::trelm::logic::WayGeometry> parse_way_text(const std::string& text,
                                                             const std::string& source);
std::string format_way_text(const std::vector<orvek::trelm::logic::WayGeometry>& ways);

// A way file (contour = false: version, count, records) or a contour file
// (version, one record) through the game's stream and way writer. Both
// throw std::runtime_error naming the file.
void save_way_file(const std::vector<orvek::trelm::logic::WayGeometry>& ways, bool contour,
                   const std::string& path);
// Reads a file as the level builder does.
std::vector<orvek::trelm::logic::WayGeometry> load_way_file(bool contour, const std::string& path);

}  // namespace zelkor_tools
