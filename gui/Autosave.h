#pragma once
// The autosave of a running sub-level: "<saves/@autosave>/<save id>",
// holding a version byte, where the game stands, the game itself and the
// medal grid of the game screen.
//   version 0: the sub-level's id as a string, then the game;
//   version 1: a LevelPosition record, then the game;
//   version 2: a LevelPosition record, the game, the medal grid's record.
// Any other version is refused.
#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "core/LevelPosition.h"
#include "gui/MedalFlyIn.h"

namespace orvek::io {
class IStream;
}
namespace orvek::trelm::logic {
class Game;
}
namespace orvek::trelm::core {
class Levels;
class Session;
}  // namespace orvek::trelm::core

namespace orvek::trelm::gui {

constexpr std::uint8_t autosave_version = 2;

// Writes the autosave of the logged-in player through the safe writer,
// records the game's points and position as the saved game's resume values
// and saves the profile store, so that the continue dialog matches the
// file. Throws io::Failure; the old file is then as it was.
void write_autosave(core::Session& session, const logic::Game& game, const MedalGridRecord& medals);

// Reads the version and the position of an autosave and checks the
// position against the levels. False, with the reason, when refused.
bool read_autosave_position(io::IStream& in, core::Levels& levels, core::LevelPosition& position, std::string& why,
                            std::uint8_t* version = nullptr);

// An autosave's parts read from its bytes. The medal grid's record is
// checked before the game is read: a game takes itself over from the
// stream once it has read it whole, so a refusal after that would leave a
// half-restored sub-level.
class AutosaveReader {
public:
    explicit AutosaveReader(std::string bytes);
    ~AutosaveReader();
    AutosaveReader(const AutosaveReader&) = delete;
    AutosaveReader& operator=(const AutosaveReader&) = delete;

    // Header, version, position (checked against the levels) and, for
    // version 2, the grid's record at the end of the file. False, with the
    // reason, when refused.
    bool open(core::Levels& levels, std::string& why);
    std::uint8_t version() const { return version_; }
    const core::LevelPosition& position() const { return position_; }
    // At the game, after open; it ends where the grid's record begins.
    io::IStream& game() { return *game_; }
    // The grid of a version-2 file; none for the older ones.
    const std::optional<MedalGridRecord>& medals() const { return medals_; }

private:
    std::string bytes_;
    std::stringbuf buf_;
    std::unique_ptr<io::IStream> game_;
    std::uint8_t version_ = 0;
    core::LevelPosition position_;
    std::optional<MedalGridRecord> medals_;
};

// The whole file; false when it cannot be read.
bool read_file_bytes(const std::string& path, std::string& bytes);

// Keeps a refused autosave aside as "<file>.prev", removes it and logs why.
void refuse_autosave(const std::string& path, const std::string& why);

}  // namespace orvek::trelm::gui
