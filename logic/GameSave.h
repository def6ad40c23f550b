#pragma once
// Bringing a saved game back. The save holds the play state only; what the
// level's creator hands over (parameters, way settings, colours, bonus
// weights, callbacks) is handed over again by that creator, through a
// restoring creator that marks the set-up as restored.
#include "logic/Game.h"
#include "logic/GameSetup.h"

namespace orvek::io {
class IStream;
class OStream;
}  // namespace orvek::io

namespace orvek::trelm::logic {

class RestoringCreator : public GameCreator {
public:
    explicit RestoringCreator(GameCreator& level) : level_(level) {}
    void create(GameSetup& setup) override;

private:
    GameCreator& level_;
};

// Starts the game through a restoring creator over level, then loads the
// save. False (io::Failure under the stream's mask) when the save cannot be
// used: the game is then set up but not started.
bool restore_game(Game& game, GameCreator& level, io::IStream& in);

// The medal statistics record of a save; one routine each way, so both
// directions keep the same field order.
void save_medals_stats(io::OStream& out, const MedalsStats& stats);
void load_medals_stats(io::IStream& in, MedalsStats& stats);

}  // namespace orvek::trelm::logic
