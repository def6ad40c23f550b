#include "ShotHarness.h"

namespace logictest {

namespace lg = orvek::trelm::logic;

std::shared_ptr<lg::Way> open_way(float x0, float x1, float y, int pieces) {
    lg::WayGeometry g;
    for (int i = 0; i <= pieces; ++i)
        g.points.emplace_back(x0 + (x1 - x0) * float(i) / float(pieces), y, 0, true);
    g.marks[lg::WayGeometry::start_mark] = lg::WayPosition(0, g.points.front().pos());
    g.marks[lg::WayGeometry::finish_mark] = lg::WayPosition(pieces - 1, g.points.back().pos());
    return way(g);
}

ShotBench::ShotBench() {
    creator.ways = {open_way(0.0f, 1000.0f, way_y)};
    creator.settings = {quiet_settings()};
    creator.contour = open_way(0.0f, 1000.0f, contour_y, 2);
    creator.params.desktop_width = 1000.0f;
    creator.params.desktop_height = 600.0f;
    // Room for every ball a test puts on the contour: the supply takes none
    // away as surplus.
    creator.params.storage = 5;
    // Far thresholds: nothing drops unless a test lowers them.
    creator.params.bonus_balls_min = creator.params.bonus_balls_max = 1000.0f;
    creator.params.coin_balls_min = creator.params.coin_balls_max = 1000.0f;
    creator.extra = [](lg::GameSetup& setup) {
        setup.set_platform_line(platform_line, 0.0f, 1000.0f);
        setup.set_contour_speed({0.0f, 100.0f, 50.0f});
    };
}

void ShotBench::begin(std::uint32_t seed) {
    game.set_bonuses(bonuses);
    start(seed);
    way = game.ways().front().get();
    discard_chains();
}

std::shared_ptr<lg::Ball> ShotBench::load(std::int32_t color, std::int32_t kind) {
    std::shared_ptr<lg::Ball> ball;
    switch (kind) {
    case lg::ball_bomb: ball = std::make_shared<lg::BallBomb>(lg::Platform::loaded_draw_order); break;
    case lg::ball_lightning: ball = std::make_shared<lg::BallLightning>(lg::Platform::loaded_draw_order); break;
    case lg::ball_aiming_hit: ball = std::make_shared<lg::BallAimingHit>(lg::Platform::loaded_draw_order); break;
    default: ball = std::make_shared<lg::Ball>(Vector2(), lg::Platform::loaded_draw_order, lg::BallKind{kind, color});
    }
    game.on_object_added(ball);
    platform().set_ball(ball);
    return ball;
}

lg::BallFree* ShotBench::fire(float x, std::int32_t color) {
    game.move_platform(x);
    load(color);
    const std::size_t before = game.flying_balls().size();
    game.shoot();
    if (game.flying_balls().size() == before) return nullptr;
    return dynamic_cast<lg::BallFree*>(game.flying_balls().back().get());
}

std::vector<lg::BallFree*> ShotBench::flying() const {
    std::vector<lg::BallFree*> out;
    for (const auto& f : game.flying_balls())
        if (!game.is_flying_ball_dropped(f.get())) out.push_back(dynamic_cast<lg::BallFree*>(f.get()));
    return out;
}

int ShotBench::settle(int n, float dt) {
    int i = 0;
    for (; i < n && !flying().empty(); ++i) game.update(dt);
    return i;
}

void norm(ShotBench& b, const char* medal, const char* value) {
    b.skin.attribute(std::string("menu/trophy-room/medals/") + medal + "/norm", "value", value);
}

}  // namespace logictest
