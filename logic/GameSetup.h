#pragma once
// How a creator fills a new game: Game::start hands it a GameSetup, and the
// creator sets the ways, contour, colours, records, mission and callbacks.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "logic/Float3.h"
#include "logic/Game.h"
#include "logic/GameRecords.h"

namespace orvek::trelm::logic {

class GameSetup {
public:
    explicit GameSetup(Game* game) : game(game) {}

    Game* game;
    // Set by a creator that brings a saved game back: Game::start then
    // skips its fresh-start steps.
    bool restored = false;

    void set_ball_colors(std::vector<std::int32_t> colors);
    void set_bonus_probabilities(const std::vector<std::pair<std::int32_t, float>>& weights);
    // Appends a way for chains; such ways are unbounded.
    void add_way(std::shared_ptr<Way> way);
    // Sets the contour and builds the shaft and the two branches; needs the
    // parameters first.
    void set_contour(std::shared_ptr<Way> contour);
    void set_params(const GameParams& params);
    void set_mission(std::shared_ptr<Mission> mission);
    void set_on_object_added(Game::AddedCallback cb);
    void set_on_object_changed(Game::ChangedCallback cb);
    void set_on_object_removed(Game::RemovedCallback cb);
    void set_on_game_action(Game::ActionCallback cb);
    void set_cursor_source(Game::CursorCallback cb);
    void set_contour_speed(const Float3& speed);
    // Stores the record at index, growing the list when needed.
    void set_way_settings(std::size_t index, const WaySettings& settings);
    void set_stats(const GameStats& stats);
    int coins() const;
    int points() const;
    float time() const;
    void set_platform_line(float y, float x_left, float x_right);
};

class GameCreator {
public:
    virtual ~GameCreator() = default;
    virtual void create(GameSetup& setup) = 0;
};

}  // namespace orvek::trelm::logic
