// Every number a level hands over, tried with the values that broke the game
// before: a value the game cannot live with is refused at start, naming its
// field; any other one plays on the busy level, saves, and comes back into a
// fresh game that steps on exactly as the first.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "logic/GameSave.h"
#include "logic/LegacyRand.h"
#include "logic/Sequence.h"
#include "orvek/io/Stream.h"
#include "support/LogicHarness.h"
#include "testkit/BusyLevel.h"
#include "testkit/LevelFields.h"

namespace {

namespace lg = orvek::trelm::logic;
namespace io = orvek::io;
using logictest::BusyLevel;

constexpr float dt = 0.032f;
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();
constexpr int steps = 900;
constexpr int steps_after_restore = 60;
// The busy level holds about 150 balls; a flood of chains passes this soon.
constexpr std::size_t most_balls = 2000;

struct Row {
    std::string name;
    std::function<void(BusyLevel&)> set;
    std::string refusal;  // "" when the level must play
};

// Where a negative value must be refused; elsewhere the field is signed or a
// negative value does no harm.
const std::map<std::string, std::string> negative_refusals = {
    {"way 1: sequences_dtime", "way 1: sequences_dtime must be above 0"},
    {"way 1: path_for_next_sequence", "way 1: path_for_next_sequence is negative"},
};

std::vector<Row> rows() {
    std::vector<Row> out;
    const auto row = [&](const std::string& name, std::function<void(BusyLevel&)> set, std::string refusal) {
        out.push_back({name, std::move(set), std::move(refusal)});
    };
    // The second way, so that each refusal must name the way.
    for (const logictest::LevelField& f : logictest::level_fields(1)) {
        const auto set = f.set;
        for (const auto& [what, v] : {std::pair{"NaN", nan}, std::pair{"inf", inf}, std::pair{"minus inf", -inf}})
            row(f.name + " " + what, [set, v = v](BusyLevel& l) { set(l, v); }, f.name + " is not finite");
        const auto negative = negative_refusals.find(f.name);
        row(f.name + " minus 1", [set](BusyLevel& l) { set(l, -1.0f); },
            negative == negative_refusals.end() ? "" : negative->second);
    }

    // Whole numbers of the level and the standing carried from the last one.
    row("storage minus 1", [](BusyLevel& l) { l.params.storage = -1; }, "storage is negative");
    row("coins_for_life minus 1", [](BusyLevel& l) { l.params.coins_for_life = -1; }, "coins_for_life is negative");
    row("way 1: sequences_size minus 1", [](BusyLevel& l) { l.settings[1].sequences_size = -1; },
        "way 1: sequences_size must be at least 1");
    row("way 1: sequences_uniformity minus 1", [](BusyLevel& l) { l.settings[1].sequences_uniformity = -1; },
        "way 1: sequences_uniformity must be at least 1");
    row("lives minus 1", [](BusyLevel& l) { l.stats = lg::GameStats{-1, 0, 0, {}}; }, "lives is negative");
    row("coins minus 1", [](BusyLevel& l) { l.stats = lg::GameStats{3, -1, 0, {}}; }, "coins is negative");
    row("points minus 1", [](BusyLevel& l) { l.stats = lg::GameStats{3, 0, -1, {}}; }, "");

    // What a saved game could not hold again.
    row("storage above a chain", [](BusyLevel& l) { l.params.storage = lg::Sequence::most_balls + 1; },
        "storage is above 65536");
    row("way 1: sequences_size above a chain",
        [](BusyLevel& l) { l.settings[1].sequences_size = lg::Sequence::most_balls + 1; },
        "way 1: sequences_size is above 65536");
    row("way 1: speed_forward.max_speed 1e8", [](BusyLevel& l) { l.settings[1].speed_forward.max_speed = 1e8f; },
        "way 1: speed_forward.max_speed is out of range");
    row("desktop_height 1e8", [](BusyLevel& l) { l.params.desktop_height = 1e8f; },
        "desktop_height is out of range");
    row("shaft below the range", [](BusyLevel& l) {
        l.params.storage = lg::Sequence::most_balls;
        l.params.desktop_height = lg::largest_plausible;
    }, "the lift shaft lies out of range");

    // Values a real level may hold stay playable: zero where zero means
    // something, and large but finite speeds.
    row("zero ranges and times", [](BusyLevel& l) {
        l.params.bonus_balls_min = l.params.bonus_balls_max = 0.0f;
        l.params.coin_balls_min = l.params.coin_balls_max = 0.0f;
        l.params.time_block_shoot = 0.0f;
        l.params.coins_for_life = 0;
        l.params.storage = 0;
        l.settings[1].path_for_next_sequence = 0.0f;
        l.settings[1].path_roll_out = 0.0f;
    }, "");
    row("zero desktop", [](BusyLevel& l) { l.params.desktop_width = l.params.desktop_height = 0.0f; }, "");
    row("large roll-out speed", [](BusyLevel& l) { l.settings[1].speed_roll_out = {1e6f, 1e6f, 1e6f}; }, "");
    row("large forward acceleration", [](BusyLevel& l) { l.settings[1].speed_forward = {0.0f, 1e4f, 1e6f}; }, "");
    row("zero lives", [](BusyLevel& l) { l.stats = lg::GameStats{0, 0, 0, {}}; }, "");
    return out;
}

// The busy level played by a player whose moves depend on the step alone;
// a lost life restarts the sub-level as the user interface does.
struct Player {
    BusyLevel& level;
    lg::Game game;
    bool restart_asked = false;

    explicit Player(BusyLevel& l) : level(l) {}

    // The game takes the level's callback when it is filled.
    void listen() {
        level.on_action = [this](lg::GameAction a) { restart_asked |= a.type == lg::action_restart_after_life_lost; };
    }
    void start() {
        listen();
        lg::seed_random(1);
        game.start(level);
    }
    bool restore(const std::string& bytes) {
        listen();
        std::stringbuf buf(bytes);
        io::IStream in(&buf);
        in.read_header();
        return lg::restore_game(game, level, in);
    }
    void step(int i) {
        lg::seed_random(0x5eed0000u + std::uint32_t(i));
        if (i % 5 == 0) game.move_platform(60.0f + float((i * 137) % 680));
        if (i % 11 == 0) game.shoot();
        game.update(dt);
        if (restart_asked) game.restart();
        restart_asked = false;
    }
};

std::size_t balls_in_chains(const lg::Game& game) {
    std::size_t n = 0;
    for (const auto& s : game.sequences()) n += s->balls().size();
    return n;
}

class LevelValues : public ::testing::TestWithParam<Row> {};

TEST_P(LevelValues, AreRefusedByNameOrPlaySaveAndComeBack) {
    const Row& row = GetParam();
    logictest::ensure_config_defaults();
    logictest::FakeSkin skin;
    BusyLevel level;
    row.set(level);
    Player first(level);
    if (!row.refusal.empty()) {
        try {
            first.start();
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Level refused: " + row.refusal, 0), 0u) << e.what();
        }
        EXPECT_FALSE(first.game.started());
        return;
    }

    ASSERT_NO_THROW(first.start());
    for (int i = 1; i <= steps; ++i) {
        first.step(i);
        ASSERT_EQ(logictest::nan_positions(first.game), 0) << "step " << i;
        ASSERT_LT(balls_in_chains(first.game), most_balls) << "step " << i;
    }
    bool good = false;
    const std::string bytes = logictest::save_of(first.game, &good);
    ASSERT_TRUE(good);

    Player second(level);
    ASSERT_TRUE(second.restore(bytes));
    EXPECT_EQ(logictest::save_of(second.game), bytes);
    for (int i = steps + 1; i <= steps + steps_after_restore; ++i) {
        first.step(i);
        second.step(i);
    }
    EXPECT_EQ(logictest::save_of(second.game), logictest::save_of(first.game));
}

INSTANTIATE_TEST_SUITE_P(Table, LevelValues, ::testing::ValuesIn(rows()), [](const auto& info) {
    std::string name;
    for (char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

}  // namespace
