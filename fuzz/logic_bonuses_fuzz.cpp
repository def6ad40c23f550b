// Arbitrary bytes as the saved bonus holder of a game (its effects, falling
// bonuses, words, counters, kind table and level-complete walk); whatever
// loads must step, walk, draw and reset without a fault.
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "logic/ActiveBonuses.h"
#include "logic/BonusFall.h"
#include "logic/BonusWord.h"
#include "logic/Factories.h"
#include "logic/Game.h"
#include "logic/GameSetup.h"
#include "logic/LegacyRand.h"
#include "orvek/Exception.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/Stream.h"

namespace lg = orvek::trelm::logic;

namespace {

// One straight way with its marks, an 800 x 600 field.
class Creator : public lg::GameCreator {
public:
    void create(lg::GameSetup& setup) override {
        lg::WayGeometry g;
        for (float x : {0.0f, 250.0f, 500.0f, 750.0f, 1000.0f}) g.points.emplace_back(x, 100.0f);
        g.marks[0] = lg::WayPosition(0, {0.0f, 100.0f});
        g.marks[1] = lg::WayPosition(3, {1000.0f, 100.0f});
        g.marks[2] = lg::WayPosition(3, {900.0f, 100.0f});
        lg::GameParams params;
        params.desktop_width = 800.0f;
        params.desktop_height = 600.0f;
        params.coins_for_life = 3;
        setup.set_params(params);
        setup.set_ball_colors({1, 2, 3});
        setup.add_way(std::make_shared<lg::Way>(g));
        lg::WaySettings ws;
        ws.sequences_size = 3;
        ws.sequences_uniformity = 1;
        ws.sequences_dtime = 1e6f;
        ws.path_for_next_sequence = 1e6f;
        setup.set_way_settings(0, ws);
        setup.set_on_game_action([](lg::GameAction) {});
        setup.set_platform_line(550.0f, 0.0f, 800.0f);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool configured = [] {
        orvek::ostrel::ConfigRegistry::instance().ensure_updated();
        return !lg::logic_factory_names().empty();
    }();
    (void)configured;
    lg::Game game;
    Creator creator;
    lg::seed_random(1);
    game.start(creator);
    auto* holder = dynamic_cast<lg::ActiveBonuses*>(game.bonuses());
    if (!holder) __builtin_trap();
    {
        std::stringbuf buf(std::string(reinterpret_cast<const char*>(data), size));
        orvek::io::IStream in(&buf);
        in.flags(in.flags() | orvek::io::Stream::no_header);
        try {
            holder->load(in);
        } catch (const orvek::io::Failure&) {
            return 0;
        }
    }
    if (holder->effects().size() != 6) __builtin_trap();
    for (int i = 0; i < 20; ++i) game.update(0.1f);
    holder->start_level_complete_effect();
    for (int i = 0; i < 20; ++i) game.update(0.25f);
    holder->create_bonus({100.0f, 100.0f});
    holder->create_kind(lg::bonus_letter, {100.0f, 100.0f});
    holder->reset();
    return 0;
}
