#pragma once
// Scripted play as the player's input: mouse moves, clicks and keys posted to
// the screen system as message records, for the headless twin and for the
// real program alike. ScriptedGame plays a whole game one fixed step at a
// time: from the main menu through the campaign map into sub-level 1, where
// it steers, lets a chain cost a life, and shoots until the sub-level is
// won; then into sub-level 2 and out through the break menu's exit. Its
// restore mode starts the saved game again instead. What it sees is kept as
// facts ("name value" lines) and a trace of game states, so a test may run
// it in a child process and read them afterwards.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvek::ostrel {
class BasicButton;
}
namespace orvek::trelm::logic {
class Game;
}
namespace orvek::trelm::gui {
class ScreenSystem;
class GameScreen;
}  // namespace orvek::trelm::gui

namespace guitest {

namespace play {

// Where the scripted shots aim from: below the chains, above the platform.
constexpr int kAimY = 450;
// Fixed steps between two scripted shots.
constexpr int kStepsPerShot = 10;

std::int32_t point(int x, int y);
void move(orvek::trelm::gui::ScreenSystem& ss, int x, int y);
// A press and release of the left button at (x, y), after a move there.
void shot(orvek::trelm::gui::ScreenSystem& ss, int x, int y);
// The n-th scripted shot's x: spread over the platform's range.
int shot_x(int n);
void click(orvek::trelm::gui::ScreenSystem& ss, const orvek::ostrel::BasicButton& button);
void key(orvek::trelm::gui::ScreenSystem& ss, std::uint32_t vk);
// The game's saved state as a short text: a hash of its bytes and their count.
std::string digest(const orvek::trelm::logic::Game& game);

}  // namespace play

class ScriptedGame {
public:
    enum class Mode { play, restore };
    explicit ScriptedGame(Mode mode, std::uint32_t seed) : mode_(mode), seed_(seed) {}

    // One call after every fixed step; false once the script is over (or
    // gave up: the fact "stuck" names the phase).
    bool step(orvek::trelm::gui::ScreenSystem& ss);

    std::map<std::string, std::string> facts;
    // The game's digest after every shot, and every shot-worth of steps
    // while the script waits in a game.
    std::vector<std::string> trace;

    // Facts one a line, then "--", then the trace.
    std::string text() const;
    static ScriptedGame parse(const std::string& text);

private:
    enum Phase { to_game, steer, lose_life, win, to_second, second, leave, done };
    bool enter_game(orvek::trelm::gui::ScreenSystem& ss);
    void fact(const std::string& name, const std::string& value) { facts[name] = value; }
    void fact(const std::string& name, long long value) { facts[name] = std::to_string(value); }

    Mode mode_;
    std::uint32_t seed_;
    Phase phase_ = to_game;
    int wait_ = 0;        // steps left before the script acts again
    int steps_ = 0;       // steps in the current phase
    int total_ = 0;
    int shots_ = 0;
    int lives_ = 0;
    int lost_ = 0;
    int wait_for_pause_ = 0;
    unsigned games_ = 0;  // game screens seeded
    orvek::trelm::gui::GameScreen* seeded_ = nullptr;
};

}  // namespace guitest
