#pragma once
// What the player sees and hears of the game's actions: each action code
// becomes sounds, effects, a points pop-up, changes of the heads-up
// display, the player's statistics and medal bookkeeping, medals sent to
// the fly-in, or the lost-life dialog.
#include <cstdint>
#include <string>
#include <vector>

namespace orvek::trelm::logic {
struct GameAction;
class GameActionPoints;
}  // namespace orvek::trelm::logic

namespace orvek::trelm::gui {

class GameDesktop;

// Plays "menu/game/sounds/<name>" once; 0 when the skin has no such sound.
std::uint32_t play_game_sound(const std::string& name);

// The lines of a points pop-up: the points, then the chain, combo and
// indirect counts that are set and above 0, the sniper shot and the high
// speed with its bonus.
std::vector<std::string> points_lines(const logic::GameActionPoints& points);

class GameReactions {
public:
    explicit GameReactions(GameDesktop& desktop) : desktop_(desktop) {}

    // Codes outside 0..22 and payloads of another class do nothing.
    void dispatch(const logic::GameAction& action);
    // A new sub-level: no lost-life dialog is waiting any more.
    void reset() { lose_life_pending_ = false; }
    bool lose_life_pending() const { return lose_life_pending_; }

private:
    void points(const logic::GameActionPoints& points);
    void lose_life();
    void level_complete_start(float duration);
    void medals_stats(std::int32_t kind);
    void placement();
    // Sends the grade of the medal whose value norm equals count, if any.
    void award_at_norm(int medal, std::uint32_t count);

    GameDesktop& desktop_;
    // One lost life, one dialog: a second code 4 before it closes would
    // count the life twice.
    bool lose_life_pending_ = false;
};

}  // namespace orvek::trelm::gui
