// Arbitrary bytes loaded as a saved game into a running game. A save that
// is refused must leave the game as it was and playable; one that loads must
// play on without NaN and save again.
//
// An input that begins with 'L' first changes numbers of the busy level: a
// count byte, then per change a field byte and a float. Such a level is
// refused at start by name, or it plays, and its own save comes back into a
// fresh game.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "logic/Game.h"
#include "logic/GameSave.h"
#include "logic/GameSetup.h"
#include "logic/LegacyRand.h"
#include "orvek/Exception.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/Stream.h"
#include "testkit/BusyLevel.h"
#include "testkit/LevelFields.h"

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

// Reads the level changes off the front of the input; false when there are none.
bool change_level(logictest::BusyLevel& level, const uint8_t*& data, size_t& size) {
    static const std::vector<logictest::LevelField> fields = [] {
        auto all = logictest::level_fields(0);
        for (auto& f : logictest::level_fields(1))
            if (f.name.rfind("way 1: ", 0) == 0) all.push_back(std::move(f));
        return all;
    }();
    if (size < 2 || data[0] != 'L') return false;
    const int changes = data[1];
    data += 2;
    size -= 2;
    for (int i = 0; i < changes && size >= 5; ++i, data += 5, size -= 5) {
        float v;
        std::memcpy(&v, data + 1, 4);
        // A chain set to roll backward for good drifts out of the range a
        // save may hold once enough time has passed; these few seconds of
        // play stay clear of it.
        if (std::isfinite(v)) v = std::clamp(v, -1e5f, 1e5f);
        fields[data[0] % fields.size()].set(level, v);
    }
    return true;
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
    const bool changed = change_level(level, data, size);
    lg::Game game;
    lg::seed_random(1);
    try {
        game.start(level);
    } catch (const std::invalid_argument& e) {
        if (std::string(e.what()).rfind("Level refused: ", 0) != 0 || game.started()) __builtin_trap();
        return 0;
    }
    play(game, 0, 40);
    check_positions(game);
    const std::string before = save_of(game);
    if (changed) {
        // What the start accepted, the loader takes back.
        lg::Game fresh;
        std::stringbuf buf(before);
        io::IStream in(&buf);
        in.read_header();
        if (!lg::restore_game(fresh, level, in) || save_of(fresh) != before) __builtin_trap();
    }

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
