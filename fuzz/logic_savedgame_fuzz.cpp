// Arbitrary bytes loaded as a saved game into a running game. A save that
// is refused must leave the game as it was and playable; one that loads must
// play on without NaN and save again.
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "logic/Game.h"
#include "logic/GameSave.h"
#include "logic/GameSetup.h"
#include "logic/LegacyRand.h"
#include "orvek/Exception.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/Stream.h"
#include "testkit/BusyLevel.h"

namespace lg = orvek::trelm::logic;
namespace io = orvek::io;

namespace {

void play(lg::Game& game, int from, int steps) {
    for (int i = from; i < from + steps; ++i) {
        lg::seed_random(std::uint32_t(i));
        if (i % 5 == 0) game.move_platform(60.0f + float((i * 137) % 680));
        if (i % 11 == 0) game.shoot();
        game.update(0.032f);
    }
}

void check_positions(const lg::Game& game) {
    if (logictest::nan_positions(game) > 0) __builtin_trap();
}

std::string save_of(const lg::Game& game) {
    bool good = false;
    std::string bytes = logictest::save_of(game, &good);
    if (!good) __builtin_trap();
    return bytes;
}

}  // namespace

// A real save of the fuzzed level after the given number of steps (the seed
// corpus is made of these).
std::string logic_savedgame_sample(int steps) {
    orvek::ostrel::ConfigRegistry::instance().ensure_updated();
    logictest::BusyLevel level;
    lg::Game game;
    lg::seed_random(1);
    game.start(level);
    play(game, 0, steps);
    return save_of(game);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvek::ostrel::ConfigRegistry::instance().ensure_updated();
    logictest::BusyLevel level;
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
