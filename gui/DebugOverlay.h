#pragma once
// Three drawings for level designers and testers over the running game: the
// ways with their marked points, the game's counters and the medal
// statistics. Each has its configuration switch; they read and never change.
#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "gui/GameDesktop.h"

namespace Vant {
class Font;
class Graphics;
}  // namespace Vant
namespace orvek::trelm::logic {
class Game;
}
namespace orvek::trelm::core {
class MedalsStats;
}

namespace orvek::trelm::gui {

class DebugOverlay : public DesktopOverlay {
public:
    struct Switches {
        bool ways = true;    // "debug/@draw_ways"
        bool stats = true;   // "debug/@draw_stats"
        bool medals = true;  // "debug/@draw_medals_stats"
    };
    // A run of one colour; a line is one or more runs side by side.
    struct Piece {
        std::string text;
        Vant::Color color;
    };
    struct Line {
        int x = 0, y = 0;
        std::vector<Piece> pieces;
        // The runs' texts joined.
        std::string text() const;
    };

    // The switches from the configuration.
    DebugOverlay();
    explicit DebugOverlay(const Switches& switches) : switches_(switches) {}

    const Switches& switches() const { return switches_; }
    void set_switches(const Switches& switches) { switches_ = switches; }

    // The desktop's game, the session's play time and the logged-in
    // player's medal statistics.
    void draw(Vant::Graphics& g, GameDesktop& desktop) override;
    // What the switches ask for. player is the logged-in player's medal
    // statistics for the current mode; without one its lines are left out.
    void draw(Vant::Graphics& g, logic::Game& game, float play_time, const core::MedalsStats* player) const;

    static void draw_ways(Vant::Graphics& g, const logic::Game& game);
    static std::vector<Line> stats_lines(logic::Game& game);
    static std::vector<Line> medal_lines(logic::Game& game, float play_time, const core::MedalsStats* player,
                                         const Vant::Color& color);
    // Each line's runs one after another from its x; nothing without a font.
    static void draw_lines(Vant::Graphics& g, Vant::Font* font, const std::vector<Line>& lines);

private:
    Switches switches_;
};

}  // namespace orvek::trelm::gui
