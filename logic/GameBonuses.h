#pragma once
// What the game and its speed changers ask of the bonus holder (the running
// effects, the falling bonuses, the bonus words and the level-complete walk).
// A game without a holder has no bonus running and nothing falling.
#include <cstdint>
#include <utility>
#include <vector>

#include "logic/Vector2.h"

namespace orvek::trelm::logic {

class GameBonuses {
public:
    virtual ~GameBonuses() = default;

    // One step, run first in the game's step.
    virtual void update(float dt) = 0;
    virtual bool is_slowing_active() const = 0;
    virtual bool is_go_back_active() const = 0;
    virtual bool is_stop_active() const = 0;
    virtual void cancel_go_back_and_stop() = 0;
    // Ends every running effect.
    virtual void drop_effects() = 0;
    virtual void start_level_complete_effect() = 0;
    // The level-complete walk has finished and its delay has passed.
    virtual bool level_complete_finished() const = 0;
    // No falling bonus is in the field.
    virtual bool falling_empty() const = 0;
    // Back to the state of a fresh sub-level (restart, clear).
    virtual void reset() = 0;
    // {kind code, weight} of the falling bonuses.
    virtual void set_probabilities(const std::vector<std::pair<std::int32_t, float>>& weights) = 0;
    // A letter of the bonus words collected in an earlier sub-level.
    virtual void collect_letter(std::uint8_t letter) = 0;
    // The marked letters of the bonus words, word by word (the statistics).
    virtual std::vector<std::uint8_t> marked_letters() const { return {}; }

    // The match step and the platform (see ComboCounters in logic/Scoring.h).
    // Counts a consumption; true when it was credited to the combo.
    virtual bool register_consumption(bool /*by_shot*/, bool /*scored*/) { return false; }
    virtual std::int32_t combo_count() const { return 0; }
    virtual std::int32_t chain_count() const { return 0; }
    // A plain ball was fired.
    virtual void plain_shot() {}
    // Drops that a consumption earns, at the place of its middle ball.
    virtual void create_bonus(const Vector2& /*position*/) {}
    virtual void create_coin(const Vector2& /*position*/) {}
    virtual void create_jewel(const Vector2& /*position*/) {}
    virtual bool is_intensifier_active() const { return false; }
};

}  // namespace orvek::trelm::logic
