#include "SupplyBench.h"

#include <algorithm>

namespace logictest {

namespace lg = orvek::trelm::logic;

SupplyBench::SupplyBench(int storage, std::uint32_t seed, bool with_way) {
    if (with_way) {
        creator.ways = {straight_way(0.0f, 1000.0f, 100.0f, 4)};
        creator.settings = {quiet_settings()};
        creator.colors = {1, 2, 3, 4, 5};
    } else {
        creator.colors = {4, 7};
    }
    creator.params.storage = storage;
    creator.params.desktop_width = 800.0f;
    creator.params.desktop_height = 600.0f;
    creator.contour = contour_way(Vector2(400.0f, 500.0f), 200.0f, 16);
    creator.extra = [](lg::GameSetup& setup) {
        setup.set_contour_speed(lg::Float3(0.0f, 100.0f, contour_acceleration));
        setup.set_platform_line(560.0f, 100.0f, 700.0f);
    };
    start(seed);
    if (with_way) way = game.ways().front().get();
}

lg::Sequence* SupplyBench::lay(lg::Way* w, const std::vector<std::int32_t>& colors, const lg::WayPosition& start,
                               int direction, const lg::Float3& motion) {
    auto s = std::make_shared<lg::Sequence>(&game, w, motion);
    std::vector<std::int32_t> order = colors;
    if (direction != 1) std::reverse(order.begin(), order.end());
    std::size_t next = 0;
    s->fill(int(order.size()), 1, start, direction, [&] { return order[next++]; }, false);
    lg::Sequence* raw = s.get();
    game.insert_sequence(std::move(s));
    return raw;
}

lg::Sequence* SupplyBench::at_s(const std::vector<std::int32_t>& colors) {
    return lay(contour(), colors, contour()->first_position(), +1);
}

lg::Sequence* SupplyBench::at_e(const std::vector<std::int32_t>& colors) {
    return lay(contour(), colors, contour()->last_position(), -1);
}

lg::Sequence* SupplyBench::at_top(lg::Way* branch, std::int32_t color) {
    return lay(branch, {color}, branch->last_position(), -1);
}

lg::Sequence* SupplyBench::on_way(const std::vector<std::int32_t>& colors, float front) {
    return creature(way, colors, front, true, true);
}

std::vector<lg::Sequence*> SupplyBench::chains_on(const lg::Way* w) const {
    std::vector<lg::Sequence*> out;
    for (auto* s : live_chains())
        if (s->way() == w) out.push_back(s);
    return out;
}

std::vector<std::int32_t> SupplyBench::supply_colors() const {
    std::vector<std::int32_t> out;
    for (auto* s : live_chains())
        if (s->way() == contour() || s->way() == first_branch() || s->way() == second_branch())
            for (const auto& b : s->balls()) out.push_back(b->color());
    return out;
}

int SupplyBench::balls_in_supply() {
    int n = int(supply_colors().size()) + lift().ball_count();
    if (game.platform() && game.platform()->ball()) ++n;
    return n;
}

std::vector<std::int32_t> SupplyBench::lift_colors() {
    std::vector<std::int32_t> out;
    if (auto c = lift().lift()->chain())
        for (auto it = c->balls().rbegin(); it != c->balls().rend(); ++it) out.push_back((*it)->color());
    return out;
}

void SupplyBench::load_platform(std::int32_t c) {
    auto ball = std::make_shared<lg::Ball>(Vector2(), 0, lg::BallKind{lg::ball_plain, c});
    game.on_object_added(ball);
    game.platform()->set_ball(ball);
}

}  // namespace logictest
