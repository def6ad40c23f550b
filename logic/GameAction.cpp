#include "logic/GameAction.h"

namespace orvek::trelm::logic {

GameActionData::~GameActionData() = default;

std::optional<GameAction> teleportation_action(std::int32_t link) {
    if (link < 0) return std::nullopt;
    return make_game_action<GameActionTeleportation>(action_teleportation, link);
}

}  // namespace orvek::trelm::logic
