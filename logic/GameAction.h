#pragma once
// Game actions: what the logic tells the presentation happened in a step.
// The type code, not the payload's class, is what receivers switch on; an
// empty payload carries nothing, for every code.
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "logic/Medals.h"
#include "logic/Vector2.h"

namespace orvek::trelm::logic {

class Ball;
class Way;

enum GameActionType : std::int32_t {
    action_points = 0,                          // GameActionPoints
    action_consuming_balls = 1,                 // GameActionConsumingBalls
    action_catch_bonus = 2,                     // GameActionCatchBonus
    action_restart = 3,                         // none
    action_restart_after_life_lost = 4,         // none
    action_sequence_roll_in_complete = 5,       // GameActionSequenceRollInComplete
    action_lightning = 6,                       // GameActionLightning
    action_intensify = 7,                       // GameActionIntensify
    action_flying_ball_hit = 8,                 // none
    action_explosion = 9,                       // GameActionExplosion
    action_sequences_connection = 10,           // none
    action_sequence_roll = 11,                  // GameActionSequenceRoll
    action_shoot = 12,                          // none
    action_bonus_word_complete = 13,            // none
    action_letter_activate = 14,                // GameActionLetterActivate
    action_level_complete_effect = 15,          // GameActionLevelCompleteEffect
    action_level_complete_effect_start = 16,    // GameActionLevelCompleteEffectStart
    action_head_and_tail_destroing = 17,        // GameActionHeadAndTailDestroing
    action_aiming_hit = 18,                     // GameActionAimingHit
    action_teleportation = 19,                  // GameActionTeleportation
    action_medal = 20,                          // GameActionMedal
    action_medals_stats = 21,                   // GameActionMedalsStats
    action_game_lost = 22,                      // none
};

constexpr std::int32_t game_action_type_count = 23;

// Base of every payload; payloads are never changed once sent.
class GameActionData {
public:
    virtual ~GameActionData();
};

struct GameAction {
    std::shared_ptr<GameActionData> data;
    std::int32_t type = 0;

    GameAction() = default;
    explicit GameAction(std::int32_t type_, std::shared_ptr<GameActionData> data_ = {})
        : data(std::move(data_)), type(type_) {}

    // The payload as T, or null when it is empty or of another class.
    template <class T>
    const T* payload() const { return dynamic_cast<const T*>(data.get()); }
};

// Statistic codes of GameActionMedalsStats.
enum MedalsStatsCode : std::int32_t {
    medals_stats_creature_destroyed = 0,  // a creature's chain was consumed
    medals_stats_head_and_tail_met = 1,   // the creatures-destroyed count starts again
    medals_stats_creatures_destroyed = 1, // older name of code 1
    medals_stats_bonus_caught = 2,
    medals_stats_bonus_missed = 3,        // a falling bonus left the field uncaught
};

// An optional counter of a points pop-up.
struct ActionCounter {
    bool set = false;
    std::int32_t value = 0;
    bool operator==(const ActionCounter&) const = default;
};

class GameActionPoints : public GameActionData {
public:
    GameActionPoints() = default;
    GameActionPoints(const Vector2& p, std::int32_t c, std::int32_t pts)
        : position(p), color(c), points(pts) {}

    Vector2 position;
    std::int32_t color = 0;
    std::int32_t points = 0;

    const ActionCounter& combo() const { return combo_; }
    const ActionCounter& chain() const { return chain_; }
    const ActionCounter& indirect() const { return indirect_; }
    bool sniper_shot() const { return sniper_shot_.set; }
    bool high_speed() const { return high_speed_.set; }

    void set_combo(std::int32_t n) { combo_ = {true, n}; }
    void set_chain(std::int32_t n) { chain_ = {true, n}; }
    void set_indirect(std::int32_t n) { indirect_ = {true, n}; }
    void set_sniper_shot() { sniper_shot_.set = true; }
    void set_high_speed() { high_speed_.set = true; }

private:
    ActionCounter combo_, chain_, indirect_, sniper_shot_, high_speed_;
};

class GameActionConsumingBalls : public GameActionData {
public:
    GameActionConsumingBalls() = default;
    explicit GameActionConsumingBalls(std::vector<std::shared_ptr<Ball>> b) : balls(std::move(b)) {}
    std::vector<std::shared_ptr<Ball>> balls;
};

class GameActionCatchBonus : public GameActionData {
public:
    GameActionCatchBonus() = default;
    GameActionCatchBonus(const Vector2& p, std::string n) : position(p), name(std::move(n)) {}
    Vector2 position;
    std::string name;  // display name of the caught bonus
};

class GameActionLightning : public GameActionData {
public:
    GameActionLightning() = default;
    GameActionLightning(const Vector2& p, bool i) : position(p), intensive(i ? 1 : 0) {}
    Vector2 position;
    std::uint8_t intensive = 0;
};

class GameActionExplosion : public GameActionData {
public:
    GameActionExplosion() = default;
    GameActionExplosion(const Vector2& p, bool i) : position(p), intensive(i ? 1 : 0) {}
    Vector2 position;
    std::uint8_t intensive = 0;
};

class GameActionIntensify : public GameActionData {
public:
    GameActionIntensify() = default;
    explicit GameActionIntensify(const Vector2& p) : position(p) {}
    Vector2 position;
};

class GameActionSequenceRoll : public GameActionData {
public:
    GameActionSequenceRoll() = default;
    explicit GameActionSequenceRoll(float s) : speed(s) {}
    float speed = 0.0f;
};

// Receivers may keep a payload for an effect that lasts several frames, and
// the game may drop its ways meanwhile (restart, clear): the way is held
// weakly.
class GameActionSequenceRollInComplete : public GameActionData {
public:
    GameActionSequenceRollInComplete() = default;
    explicit GameActionSequenceRollInComplete(std::weak_ptr<const Way> w) : way(std::move(w)) {}
    std::weak_ptr<const Way> way;
};

class GameActionLetterActivate : public GameActionData {
public:
    GameActionLetterActivate() = default;
    explicit GameActionLetterActivate(std::int32_t i) : letter(i) {}
    std::int32_t letter = 0;
};

class GameActionLevelCompleteEffect : public GameActionData {
public:
    GameActionLevelCompleteEffect() = default;
    GameActionLevelCompleteEffect(std::int32_t order, const Vector2& p, bool l, std::int32_t pts)
        : draw_order(order), position(p), last(l ? 1 : 0), points(pts) {}
    std::int32_t draw_order = 0;
    Vector2 position;
    std::uint8_t last = 0;
    std::int32_t points = 0;
};

class GameActionLevelCompleteEffectStart : public GameActionData {
public:
    GameActionLevelCompleteEffectStart() = default;
    explicit GameActionLevelCompleteEffectStart(float d) : duration(d) {}
    float duration = 0.0f;
};

class GameActionHeadAndTailDestroing : public GameActionData {
public:
    GameActionHeadAndTailDestroing() = default;
    GameActionHeadAndTailDestroing(const Vector2& h, const Vector2& t) : head(h), tail(t) {}
    Vector2 head;
    Vector2 tail;
};

class GameActionAimingHit : public GameActionData {
public:
    GameActionAimingHit() = default;
    explicit GameActionAimingHit(bool i) : intensive(i ? 1 : 0) {}
    std::uint8_t intensive = 0;
};

class GameActionTeleportation : public GameActionData {
public:
    GameActionTeleportation() = default;
    explicit GameActionTeleportation(std::int32_t l) : link(l) {}
    std::int32_t link = 0;
};

class GameActionMedal : public GameActionData {
public:
    GameActionMedal() = default;
    GameActionMedal(const MedalAward& a, std::int32_t v) : award(a), value(v) {}
    MedalAward award;
    std::int32_t value = 0;  // the count that earned it
};

class GameActionMedalsStats : public GameActionData {
public:
    GameActionMedalsStats() = default;
    explicit GameActionMedalsStats(std::int32_t c) : code(c) {}
    std::int32_t code = 0;
};

// Builds an action with a fresh payload of class T. When the payload cannot
// be allocated the action still goes out, with no payload.
template <class T, class... Args>
GameAction make_game_action(std::int32_t type, Args&&... args) {
    try {
        return GameAction(type, std::make_shared<T>(std::forward<Args>(args)...));
    } catch (const std::bad_alloc&) {
        return GameAction(type);
    }
}

// The action for a crossed way jump; none when no jump was crossed (link < 0).
std::optional<GameAction> teleportation_action(std::int32_t link);

}  // namespace orvek::trelm::logic
