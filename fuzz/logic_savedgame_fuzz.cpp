// Arbitrary bytes loaded as a saved game into a running game. A save that
// is refused must leave the game as it was and playable; one that loads must
// play on without NaN and save again.
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/FlyingBall.h"
#include "logic/Game.h"
#include "tests/logic/support/OrdinarySpeeds.h"
#include "logic/GameSave.h"
#include "logic/GameSetup.h"
#include "logic/LegacyRand.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/Way.h"
#include "orvek/Exception.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/Stream.h"

namespace lg = orvek::trelm::logic;
namespace io = orvek::io;
using orvek::trelm::Vector2;

namespace {

std::shared_ptr<lg::Way> open_way(const std::vector<Vector2>& points) {
    lg::WayGeometry g;
    for (const auto& p : points) g.points.emplace_back(p, 0, true);
    g.marks[lg::WayGeometry::start_mark] = lg::WayPosition(0, g.points.front().pos());
    g.marks[lg::WayGeometry::finish_mark] = lg::WayPosition(int(g.points.size()) - 2, g.points.back().pos());
    return std::make_shared<lg::Way>(g);
}

// Two ways under a contour across the top of the field.
class FuzzLevel : public lg::GameCreator {
public:
    void create(lg::GameSetup& s) override {
        s.set_on_game_action([](lg::GameAction) {});
        s.set_ball_colors({1, 2, 3, 6});
        lg::GameParams params;
        params.storage = 3;
        params.bonus_balls_min = 2.0f;
        params.bonus_balls_max = 4.0f;
        params.coin_balls_min = 5.0f;
        params.coin_balls_max = 8.0f;
        params.coins_for_life = 3;
        params.time_block_shoot = 0.3f;
        params.desktop_width = 800.0f;
        params.desktop_height = 600.0f;
        s.set_params(params);
        s.add_way(open_way({{-30, 140}, {830, 140}, {830, 300}, {-30, 300}}));
        s.add_way(open_way({{830, 400}, {-30, 400}, {-30, 470}, {400, 470}}));
        lg::WaySettings ws;
        ws.sequences_size = 14;
        ws.sequences_uniformity = 2;
        ws.sequences_dtime = 9.0f;
        ws.path_roll_out = 100.0f;
        ws.path_for_next_sequence = 150.0f;
        logictest::set_ordinary_speeds(ws, 45.0f);
        s.set_way_settings(0, ws);
        s.set_way_settings(1, ws);
        std::vector<Vector2> arc;
        for (int i = 0; i <= 24; ++i) {
            const double a = 3.14159265358979 * double(i) / 24.0;
            arc.emplace_back(float(400.0 - 540.0 * std::cos(a)), float(560.0 - 540.0 * std::sin(a)));
        }
        s.set_contour(open_way(arc));
        s.set_contour_speed(lg::Float3(0.0f, 120.0f, 250.0f));
        s.set_platform_line(560.0f, 60.0f, 740.0f);
        std::vector<std::pair<std::int32_t, float>> weights;
        for (std::int32_t kind = lg::bonus_wild_ball; kind <= lg::bonus_aiming_hit; ++kind)
            weights.emplace_back(kind, 1.0f);
        s.set_bonus_probabilities(weights);
        s.set_mission(std::make_shared<lg::Mission>(40));
    }
};

void play(lg::Game& game, int from, int steps) {
    for (int i = from; i < from + steps; ++i) {
        lg::seed_random(std::uint32_t(i));
        if (i % 5 == 0) game.move_platform(60.0f + float((i * 137) % 680));
        if (i % 11 == 0) game.shoot();
        game.update(0.032f);
    }
}

bool finite(const Vector2& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

void check_positions(const lg::Game& game) {
    for (const auto& s : game.sequences())
        for (const auto& b : s->balls())
            if (!finite(b->position())) __builtin_trap();
    for (const auto& f : game.flying_balls())
        if (const auto b = f->ball(); b && !finite(b->position())) __builtin_trap();
}

std::string save_of(const lg::Game& game) {
    std::stringbuf buf;
    io::OStream out(&buf);
    out.write_header();
    game.save(out);
    if (!out.good()) __builtin_trap();
    return buf.str();
}

}  // namespace

// A real save of the fuzzed level after the given number of steps (the seed
// corpus is made of these).
std::string logic_savedgame_sample(int steps) {
    orvek::ostrel::ConfigRegistry::instance().ensure_updated();
    FuzzLevel level;
    lg::Game game;
    lg::seed_random(1);
    game.start(level);
    play(game, 0, steps);
    return save_of(game);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvek::ostrel::ConfigRegistry::instance().ensure_updated();
    FuzzLevel level;
    lg::Game game;
    lg::seed_random(1);
    game.start(level);
    play(game, 0, 40);
    const std::string before = save_of(game);

    std::stringbuf buf(std::string(reinterpret_cast<const char*>(data), size));
    io::IStream in(&buf);
    bool loaded = false;
    try {
        in.read_header();
        loaded = game.load(in);
    } catch (const io::Failure&) {
    }
    if (!loaded) {
        // Refused: the game is untouched (its save is the same but for the
        // keys, so compare the sizes) and plays on.
        if (save_of(game).size() != before.size()) __builtin_trap();
        play(game, 40, 5);
        check_positions(game);
        save_of(game);
        return 0;
    }
    check_positions(game);
    play(game, 40, 20);
    check_positions(game);
    save_of(game);
    return 0;
}
