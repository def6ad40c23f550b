// The game step pinned: the busy level played for a fixed number of steps
// from a fixed seed must save exactly the state it saved when the constant
// below was taken. A change to the step that changes replays or saves fails
// here; when the change is meant, take the new constant and say why in the
// commit.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "logic/LegacyRand.h"
#include "support/LogicHarness.h"
#include "testkit/BusyLevel.h"

namespace {

namespace lg = orvek::trelm::logic;

// 64-bit FNV-1a.
std::uint64_t hash_of(const std::string& bytes) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3u;
    }
    return h;
}

TEST(Determinism, TheBusyLevelSavesThePinnedStateAfterAFixedGame) {
    // Taken from a build with -ffp-contract=off (set on the logic library and
    // everything that uses it), so that no compiler or instruction set fuses
    // a multiply and an add differently.
    constexpr std::uint64_t pinned = 0x6bd7e98be1364a50u;
    constexpr int steps = 2000;

    logictest::ensure_config_defaults();
    logictest::FakeSkin skin;
    skin.text("menu/bonus_word", "ZELKOR");
    logictest::BusyLevel level;
    level.mission_balls = 120;
    bool restart = false;
    level.on_action = [&restart](lg::GameAction a) { restart |= a.type == lg::action_restart_after_life_lost; };
    lg::Game game;
    lg::seed_random(20240518);
    game.start(level);
    for (int i = 1; i <= steps; ++i) {
        if (i % 5 == 0) game.move_platform(60.0f + float((i * 137) % 680));
        if (i % 11 == 0) game.shoot();
        if (i % 97 == 0) game.take_ball();
        game.update(0.032f);
        if (restart) game.restart();
        restart = false;
    }
    bool good = false;
    const std::string bytes = logictest::save_of(game, &good);
    ASSERT_TRUE(good);
    EXPECT_EQ(hash_of(bytes), pinned) << std::hex << "0x" << hash_of(bytes) << " from " << std::dec << bytes.size()
                                      << " bytes";
}

}  // namespace
