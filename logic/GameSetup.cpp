#include "logic/GameSetup.h"

#include <cmath>

#include "logic/Ball.h"
#include "logic/GameBonuses.h"
#include "logic/Lift.h"

namespace orvek::trelm::logic {

void GameSetup::set_ball_colors(std::vector<std::int32_t> colors) { game->ball_colors_ = std::move(colors); }

void GameSetup::set_bonus_probabilities(const std::vector<std::pair<std::int32_t, float>>& weights) {
    if (GameBonuses* b = game->bonuses()) b->set_probabilities(weights);
}

void GameSetup::add_way(std::shared_ptr<Way> way) {
    if (!way) return;
    way->set_unbounded(true);
    game->ways_.push_back(std::move(way));
}

void GameSetup::set_contour(std::shared_ptr<Way> contour) {
    game->contour_ = std::move(contour);
    game->shaft_.reset();
    game->first_branch_.reset();
    game->second_branch_.reset();
    if (!game->contour_) return;
    const WayPosition s = game->contour_->first_position();
    const WayPosition e = game->contour_->last_position();
    const Vector2 m((s.point.x + e.point.x) / 2.0f, (s.point.y + e.point.y) / 2.0f);
    // A storage or desktop height that puts the shaft's foot out of range
    // never gets further: the level check refuses it by name.
    const float storage = game->params_.storage < 0 ? 0.0f : float(game->params_.storage);
    const Vector2 p(m.x, ball_radius() * (4.0f * storage + 2.0f) + game->params_.desktop_height);
    if (!(std::fabs(p.y) <= largest_plausible)) return;
    game->shaft_ = Way::make_segment(p, m);
    game->first_branch_ = Way::make_segment(s.point, m);
    game->second_branch_ = Way::make_segment(e.point, m);
    game->lift_position_ = m;
    game->lift_system_->set_position(m);
}

void GameSetup::set_params(const GameParams& params) { game->params_ = params; }

void GameSetup::set_mission(std::shared_ptr<Mission> mission) {
    game->mission_ = std::move(mission);
    if (game->mission_) game->mission_->set_game(game);
}

void GameSetup::set_on_object_added(Game::AddedCallback cb) { game->on_added_ = std::move(cb); }
void GameSetup::set_on_object_changed(Game::ChangedCallback cb) { game->on_changed_ = std::move(cb); }
void GameSetup::set_on_object_removed(Game::RemovedCallback cb) { game->on_removed_ = std::move(cb); }
void GameSetup::set_on_game_action(Game::ActionCallback cb) { game->on_action_ = std::move(cb); }
void GameSetup::set_cursor_source(Game::CursorCallback cb) { game->cursor_ = std::move(cb); }

void GameSetup::set_contour_speed(const Float3& speed) { game->contour_speed_ = speed; }

void GameSetup::set_way_settings(std::size_t index, const WaySettings& settings) {
    if (game->way_settings_.size() < index + 1) game->way_settings_.resize(index + 1);
    game->way_settings_[index] = settings;
}

void GameSetup::set_stats(const GameStats& stats) {
    game->lives_ = stats.lives;
    game->coins_ = stats.coins;
    game->points_ = stats.points;
    if (GameBonuses* b = game->bonuses())
        for (std::uint8_t letter : stats.letters) b->collect_letter(letter);
}

int GameSetup::coins() const { return game->coins_; }
int GameSetup::points() const { return game->points_; }
float GameSetup::time() const { return game->time_; }

void GameSetup::set_platform_line(float y, float x_left, float x_right) {
    game->platform_line_ = {y, x_left, x_right};
}

}  // namespace orvek::trelm::logic
