#pragma once
// The pieces of a busy playfield that the saved-game fuzz target and the soak
// share: open ways, a contour arched across the top of the field, bonuses of
// every drawable kind, and the checks they run on a game that plays on.
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "testkit/OrdinarySpeeds.h"
#include "logic/ActiveBonuses.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/FlyingBall.h"
#include "logic/Game.h"
#include "logic/GameSetup.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/Way.h"
#include "orvek/io/Stream.h"

namespace logictest {

inline std::shared_ptr<orvek::trelm::logic::Way> open_way(const std::vector<orvek::trelm::Vector2>& points) {
    namespace lg = orvek::trelm::logic;
    lg::WayGeometry g;
    for (const auto& p : points) g.points.emplace_back(p, 0, true);
    g.marks[lg::WayGeometry::start_mark] = lg::WayPosition(0, g.points.front().pos());
    g.marks[lg::WayGeometry::finish_mark] = lg::WayPosition(int(g.points.size()) - 2, g.points.back().pos());
    return std::make_shared<lg::Way>(g);
}

// An 800x600 field that pays a life for three coins and drops bonuses and
// coins every few balls.
inline orvek::trelm::logic::GameParams busy_params(std::int32_t storage, float bonus_min, float bonus_max,
                                                   float coin_min, float coin_max) {
    orvek::trelm::logic::GameParams params;
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

// The contour arched over the field, the platform on its line between the
// given ends, and every drawable bonus kind equally likely.
inline void set_busy_field(orvek::trelm::logic::GameSetup& s, int arc_pieces, float platform_left,
                           float platform_right) {
    namespace lg = orvek::trelm::logic;
    std::vector<orvek::trelm::Vector2> arc;
    for (int i = 0; i <= arc_pieces; ++i) {
        const double a = 3.14159265358979 * double(i) / double(arc_pieces);
        arc.emplace_back(float(400.0 - 540.0 * std::cos(a)), float(560.0 - 540.0 * std::sin(a)));
    }
    s.set_contour(open_way(arc));
    s.set_contour_speed(lg::Float3(0.0f, 120.0f, 250.0f));
    s.set_platform_line(560.0f, platform_left, platform_right);
    std::vector<std::pair<std::int32_t, float>> weights;
    for (std::int32_t kind = lg::bonus_wild_ball; kind <= lg::bonus_aiming_hit; ++kind)
        weights.emplace_back(kind, 1.0f);
    s.set_bonus_probabilities(weights);
}

// Positions that are not numbers, counted over every ball, bonus and the platform.
inline int nan_positions(const orvek::trelm::logic::Game& game) {
    namespace lg = orvek::trelm::logic;
    const auto finite = [](const orvek::trelm::Vector2& p) { return std::isfinite(p.x) && std::isfinite(p.y); };
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

// The game's save as a complete stream; `good` tells whether writing it worked.
inline std::string save_of(const orvek::trelm::logic::Game& game, bool* good = nullptr) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    out.write_header();
    game.save(out);
    if (good) *good = out.good();
    return buf.str();
}

}  // namespace logictest
