#include "logic/Bonus.h"

#include <cmath>
#include <cstring>

#include "logic/ActiveBonuses.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/Game.h"
#include "logic/Platform.h"
#include "logic/SpeedChanger.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> time_pull_in("bonuses/@time_pull_in", 30.0f);
ostrel::ConfigValueReadOnly<float> gravitation("bonuses/@gravitation", 30.0f);

constexpr float max_pull_in_acceleration = 200.0f;
constexpr std::uint32_t max_intensifier_count = 64;

float game_time(const Game* g) { return g ? g->time() : 0.0f; }

}  // namespace

float bonus_gravitation() { return gravitation.get(); }
float pull_in_time() { return time_pull_in.get(); }

// ---------------------------------------------------------------- base

BonusBase::~BonusBase() = default;

void BonusBase::save(io::OStream& out) const { out << std::uint8_t(0) << std::uint32_t(kind_); }

void BonusBase::load(io::IStream& in) {
    std::uint8_t version = 0;
    std::uint32_t kind = 0;
    in >> version >> kind;
    kind_ = std::int32_t(kind);
}

// ---------------------------------------------------------------- speed

BonusSpeed::BonusSpeed(Game* game, std::int32_t kind, float duration)
    : BonusBase(game, kind), end_time_(game_time(game) + duration), duration_(duration) {}

void BonusSpeed::save(io::OStream& out) const {
    out << std::uint8_t(0);
    BonusBase::save(out);
    out << duration_ << end_time_;
}

void BonusSpeed::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    BonusBase::load(in);
    in >> duration_ >> end_time_;
}

bool BonusSpeed::update(float) { return game_time(game()) >= end_time_; }

bool BonusSpeed::prolong() {
    end_time_ += duration_;
    return true;
}

// ---------------------------------------------------------------- pull-in

float pull_in_acceleration(float dx, float vx, float vy, float dy, float g) {
    float t0 = 0.0f, t = 0.0f;
    // dy is the body's height over the target line (negative: above it).
    if (!solve_quadratic(g * 0.5f, vy, dy, t0, t) || !(t > 0.0f)) return 0.0f;
    float ax = 2.0f * (dx - vx * t) / (t * t);
    if (std::fabs(ax) > max_pull_in_acceleration) ax = std::copysign(max_pull_in_acceleration, ax);
    return std::isfinite(ax) ? ax : 0.0f;
}

void BonusPullInApplier::save(io::OStream& out) const {
    out << std::uint8_t(0);
    BonusBase::save(out);
    out << end_time_;
}

void BonusPullInApplier::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    BonusBase::load(in);
    in >> end_time_;
}

bool BonusPullInApplier::update(float dt) {
    Game* g = game();
    if (!g || g->time() >= end_time_) return true;
    auto* holder = dynamic_cast<ActiveBonuses*>(g->bonuses());
    const Platform* platform = holder ? holder->platform() : nullptr;
    if (!platform) return false;
    const Vector2 target = platform->position();
    // A copy: steering never changes the list, but the list must not be
    // walked while anything else might.
    const auto falling = holder->falling();
    for (const auto& b : falling) {
        const Vector2 p = b->position();
        if (!(target.y > p.y)) continue;
        Vector2 v = b->velocity();
        v.x += pull_in_acceleration(target.x - p.x, v.x, v.y, p.y - target.y, gravitation.get()) * dt;
        b->set_velocity(v);
    }
    return false;
}

bool BonusPullInApplier::prolong() {
    end_time_ += time_pull_in.get();
    return true;
}

// ---------------------------------------------------------------- intensifier

void BonusIntensifierApplier::save(io::OStream& out) const {
    out << std::uint8_t(0);
    BonusBase::save(out);
    out << count_;
}

void BonusIntensifierApplier::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    BonusBase::load(in);
    in >> count_;
    // The count repeats every prolonging: a damaged save must not stall the step.
    if (count_ > max_intensifier_count) count_ = max_intensifier_count;
}

bool BonusIntensifierApplier::update(float) {
    Game* g = game();
    auto* holder = g ? dynamic_cast<ActiveBonuses*>(g->bonuses()) : nullptr;
    if (!holder) return false;
    bool applied = false;
    // A copy: prolonging never empties a slot, but the slots are the
    // holder's to change.
    const auto effects = holder->effects();
    for (const auto& e : effects) {
        if (!e) continue;
        for (std::uint32_t i = 0; i < count_; ++i)
            if (e->prolong()) applied = true;
    }
    if (Platform* platform = holder->platform()) {
        if (const auto special = std::dynamic_pointer_cast<BallBonus>(platform->ball())) {
            for (std::uint32_t i = 0; i < count_; ++i)
                if (intensify(*special)) applied = true;
        }
    }
    return applied;
}

}  // namespace orvek::trelm::logic
