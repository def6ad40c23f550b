#include "testkit/BusyLevel.h"

#include <cmath>
#include <sstream>
#include <utility>

#include "logic/ActiveBonuses.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/FlyingBall.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "orvek/io/Stream.h"

namespace logictest {

namespace lg = orvek::trelm::logic;
using orvek::trelm::Vector2;

std::shared_ptr<lg::Way> open_way(const std::vector<Vector2>& points) {
    lg::WayGeometry g;
    for (const auto& p : points) g.points.emplace_back(p, 0, true);
    g.marks[lg::WayGeometry::start_mark] = lg::WayPosition(0, g.points.front().pos());
    g.marks[lg::WayGeometry::finish_mark] = lg::WayPosition(int(g.points.size()) - 2, g.points.back().pos());
    return std::make_shared<lg::Way>(g);
}

lg::GameParams busy_params(std::int32_t storage, float bonus_min, float bonus_max, float coin_min, float coin_max) {
    lg::GameParams params;
    params.storage = storage;
    params.bonus_balls_min = bonus_min;
    params.bonus_balls_max = bonus_max;
    params.coin_balls_min = coin_min;
    params.coin_balls_max = coin_max;
    params.coins_for_life = 3;
    params.time_block_shoot = 0.3f;
    params.desktop_width = 800.0f;
    params.desktop_height = 600.0f;
    return params;
}

BusyLevel::BusyLevel()
    : ways{{{-30, 140}, {830, 140}, {830, 300}, {-30, 300}}, {{830, 400}, {-30, 400}, {-30, 470}, {400, 470}}},
      settings(2, way_settings({.size = 14, .uniformity = 2, .dtime = 9.0f, .path_for_next = 150.0f,
                                .forward_limit = 45.0f})) {}

void BusyLevel::create(lg::GameSetup& s) {
    s.set_on_game_action(on_action);
    s.set_ball_colors(colors);
    s.set_params(params);
    for (const auto& points : ways) s.add_way(open_way(points));
    for (std::size_t i = 0; i < settings.size(); ++i) s.set_way_settings(i, settings[i]);
    s.set_contour(open_way(contour_points()));
    s.set_contour_speed(contour_speed);
    s.set_platform_line(platform.y, platform.left, platform.right);
    s.set_bonus_probabilities(bonus_weights());
    if (stats) s.set_stats(*stats);
    if (mission_balls > 0) s.set_mission(std::make_shared<lg::Mission>(mission_balls));
}

std::vector<Vector2> BusyLevel::contour_points() const {
    std::vector<Vector2> arc;
    for (int i = 0; i <= contour_pieces; ++i) {
        const double a = 3.14159265358979 * double(i) / double(contour_pieces);
        arc.emplace_back(float(400.0 - 540.0 * std::cos(a)), float(560.0 - 540.0 * std::sin(a)));
    }
    return arc;
}

std::vector<std::pair<std::int32_t, float>> BusyLevel::bonus_weights() {
    std::vector<std::pair<std::int32_t, float>> weights;
    for (std::int32_t kind = lg::bonus_wild_ball; kind <= lg::bonus_aiming_hit; ++kind)
        weights.emplace_back(kind, 1.0f);
    return weights;
}

int nan_positions(const lg::Game& game) {
    const auto finite = [](const Vector2& p) { return std::isfinite(p.x) && std::isfinite(p.y); };
    int n = 0;
    for (const auto& s : game.sequences())
        for (const auto& b : s->balls()) n += !finite(b->position());
    for (const auto& f : game.flying_balls())
        if (const auto b = f->ball()) n += !finite(b->position());
    if (const auto* holder = dynamic_cast<const lg::ActiveBonuses*>(game.bonuses()))
        for (const auto& b : holder->falling()) n += !finite(b->position());
    if (const lg::Platform* p = game.platform()) n += !finite(p->position());
    return n;
}

std::string save_of(const lg::Game& game, bool* good) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    out.write_header();
    game.save(out);
    if (good) *good = out.good();
    return buf.str();
}

}  // namespace logictest
