#include "BonusHarness.h"

namespace logictest {

namespace lg = orvek::trelm::logic;

BonusBench::BonusBench(const std::string& word, std::uint32_t seed) {
    skin.text("menu/bonus_word", word);
    holder = std::make_shared<lg::ActiveBonuses>(&game);
    game.set_bonuses(holder);
    creator.params.desktop_width = 800.0f;
    creator.params.desktop_height = 600.0f;
    creator.params.coins_for_life = 3;
    creator.extra = [](lg::GameSetup& s) { s.set_platform_line(550.0f, 0.0f, 800.0f); };
    way = start_quiet(1000.0f, seed);
}

std::shared_ptr<lg::BonusFall> BonusBench::drop(std::int32_t kind, Vector2 p, Vector2 v) {
    auto b = holder->create_kind(kind, p);
    if (b) {
        b->set_position(p);
        b->set_velocity(v);
    }
    return b;
}

}  // namespace logictest
