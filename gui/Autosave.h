#pragma once
// The autosave of a running sub-level: "<saves/@autosave>/<save id>",
// holding a version byte, where the game stands and the game itself.
//   version 0: the sub-level's id as a string, then the game;
//   version 1: a LevelPosition record, then the game.
// Any other version is refused.
#include <cstdint>
#include <string>

namespace orvek::io {
class IStream;
}
namespace orvek::trelm::logic {
class Game;
}
namespace orvek::trelm::core {
class LevelPosition;
class Levels;
class Session;
}  // namespace orvek::trelm::core

namespace orvek::trelm::gui {

constexpr std::uint8_t autosave_version = 1;

// Writes the autosave of the logged-in player through the safe writer,
// records the game's points and position as the saved game's resume values
// and saves the profile store, so that the continue dialog matches the
// file. Throws io::Failure; the old file is then as it was.
void write_autosave(core::Session& session, const logic::Game& game);

// Reads the version and the position of an autosave and checks the
// position against the levels. False, with the reason, when refused.
bool read_autosave_position(io::IStream& in, core::Levels& levels, core::LevelPosition& position, std::string& why);

// Keeps a refused autosave aside as "<file>.prev", removes it and logs why.
void refuse_autosave(const std::string& path, const std::string& why);

}  // namespace orvek::trelm::gui
