#pragma once
// Timed bonus effects that run between steps: slowing, go back and stop
// (read by the chains' speed rules), the pull-in that steers falling bonuses
// towards the platform, and the intensifier that waits for something to
// prolong or intensify.
#include <cstdint>
#include <memory>

#include "orvek/io/Object.h"

namespace orvek::trelm::logic {

class Game;

// Effect slots of the bonus holder.
enum BonusEffectKind : std::int32_t {
    effect_slowing = 0,
    effect_go_back = 1,
    effect_stop = 2,
    effect_pull_in = 3,
    effect_intensifier = 4,
    effect_slot_count = 6,
    // Kind of an effect made by a factory, before its load.
    effect_unset = 6,
};

class BonusBase : public io::Object {
public:
    ~BonusBase() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    // One step; true when the effect has run out.
    virtual bool update(float dt) = 0;
    // Another bonus of the same kind was caught; true when this one was
    // made to last longer.
    virtual bool prolong() = 0;

    Game* game() const { return game_; }
    void set_game(Game* game) { game_ = game; }
    std::int32_t kind() const { return kind_; }

protected:
    BonusBase(Game* game, std::int32_t kind) : game_(game), kind_(kind) {}

private:
    Game* game_;
    std::int32_t kind_;
};

// Slowing, go back or stop: runs until its end time.
class BonusSpeed : public BonusBase {
public:
    BonusSpeed() : BonusBase(nullptr, effect_unset) {}
    // Ends duration seconds after the game's current time.
    BonusSpeed(Game* game, std::int32_t kind, float duration);

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    bool update(float dt) override;
    bool prolong() override;

    float end_time() const { return end_time_; }
    float duration() const { return duration_; }

private:
    float end_time_ = 0.0f;
    float duration_ = 0.0f;
};

// Steers every falling bonus above the platform sideways so that it lands
// on the platform.
class BonusPullInApplier : public BonusBase {
public:
    BonusPullInApplier() : BonusBase(nullptr, effect_unset) {}
    BonusPullInApplier(Game* game, float end_time) : BonusBase(game, effect_pull_in), end_time_(end_time) {}

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    bool update(float dt) override;
    bool prolong() override;

    float end_time() const { return end_time_; }

private:
    float end_time_ = 0.0f;
};

// Prolongs the running effects and intensifies the platform's special
// ball; stays until it has changed something.
class BonusIntensifierApplier : public BonusBase {
public:
    BonusIntensifierApplier() : BonusBase(nullptr, effect_unset) {}
    BonusIntensifierApplier(Game* game, std::uint32_t count)
        : BonusBase(game, effect_intensifier), count_(count) {}

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    // True once something was prolonged or intensified.
    bool update(float dt) override;
    bool prolong() override { return false; }

    std::uint32_t count() const { return count_; }

private:
    std::uint32_t count_ = 0;
};

// "bonuses/@gravitation" (30): the downward acceleration of falling bonuses.
float bonus_gravitation();
// "bonuses/@time_pull_in" (30): how long a caught pull-in lasts.
float pull_in_time();

// The horizontal acceleration that brings a body at height y with vertical
// speed vy and horizontal offset dx (target minus body) onto the target's
// line under gravity g, clamped to +-200; 0 when it never gets there.
float pull_in_acceleration(float dx, float vx, float vy, float dy, float g);

}  // namespace orvek::trelm::logic
