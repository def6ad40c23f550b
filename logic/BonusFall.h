#pragma once
// Falling bonuses: launched upwards from consumed balls, they fall under
// gravity, spin, bounce off the side walls, and are caught by the platform
// (which applies the kind's effect) or lost through the bottom.
#include <cstdint>
#include <memory>
#include <string>

#include "logic/Obj.h"

namespace orvek::trelm::logic {

class ActiveBonuses;
class Game;
struct FindRect;

// The colour bomb's field: the play field grown by a ball radius each side.
FindRect color_bomb_field(const Game& game);

enum BonusFallKind : std::int32_t {
    bonus_wild_ball = 1,
    bonus_slowing = 2,
    bonus_go_back = 3,
    bonus_stop = 4,
    bonus_bomb = 5,
    bonus_lightning = 6,
    bonus_color_bomb = 7,
    bonus_pull_in = 8,
    bonus_intensifier = 9,
    bonus_progress = 10,
    bonus_jewel = 11,
    bonus_coin = 12,
    bonus_letter = 13,
    bonus_aiming_hit = 14,
    bonus_sequence_acceleration = 15,
};

class BonusFall : public Obj {
public:
    static constexpr std::int32_t fall_draw_order = 2000;

    // The factory's form before a load: origin, draw order -1, no holder,
    // at rest, kind -1, no name.
    BonusFall();
    ~BonusFall() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    ActiveBonuses* bonuses() const { return bonuses_; }
    const Vector2& velocity() const { return velocity_; }
    void set_velocity(const Vector2& v) { velocity_ = v; }
    std::int32_t kind() const { return kind_; }
    const std::string& name() const { return name_; }

    // Reports the catch (actions 2 and 21), then applies the kind's effect.
    virtual void on_caught();

    // The skin text for "menu/bonuses" + suffix.
    static std::string kind_name(const char* suffix);

protected:
    // Launches the bonus from position: upwards within 45 degrees of
    // vertical, faster for each bonus already made in this step.
    BonusFall(ActiveBonuses* bonuses, const Vector2& position, std::int32_t kind, std::string name);

    // Motion: position, then gravity, then spin.
    void on_update(float dt) override;
    void on_relinked() override;
    // The game of the holder, or null.
    Game* owner_game() const;

private:
    ActiveBonuses* bonuses_ = nullptr;
    Vector2 velocity_;
    std::int32_t kind_ = -1;
    std::string name_;
};

// The kinds' shared clone.
template <class Self>
class BonusFallOf : public BonusFall {
public:
    std::shared_ptr<Obj> clone() const override { return std::make_shared<Self>(static_cast<const Self&>(*this)); }

protected:
    using BonusFall::BonusFall;
};

// A wild ball for the platform.
class BonusWildBall : public BonusFallOf<BonusWildBall> {
public:
    BonusWildBall() = default;
    BonusWildBall(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

// Slowing, go back and stop: a timed speed effect.
class BonusSlowing : public BonusFallOf<BonusSlowing> {
public:
    BonusSlowing() = default;
    BonusSlowing(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

class BonusGoBack : public BonusFallOf<BonusGoBack> {
public:
    BonusGoBack() = default;
    BonusGoBack(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

class BonusStop : public BonusFallOf<BonusStop> {
public:
    BonusStop() = default;
    BonusStop(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

// Bomb, lightning and aiming hit: a special ball for the platform.
class BonusBomb : public BonusFallOf<BonusBomb> {
public:
    BonusBomb() = default;
    BonusBomb(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

class BonusLightning : public BonusFallOf<BonusLightning> {
public:
    BonusLightning() = default;
    BonusLightning(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

class BonusAimingHit : public BonusFallOf<BonusAimingHit> {
public:
    BonusAimingHit() = default;
    BonusAimingHit(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

// Consumes every ball of its colour in the field.
class BonusColorBomb : public BonusFallOf<BonusColorBomb> {
public:
    BonusColorBomb() = default;
    BonusColorBomb(ActiveBonuses* b, const Vector2& p, std::int32_t color);
    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    void on_caught() override;
    std::int32_t color() const { return color_; }

private:
    std::int32_t color_ = 0;
};

class BonusPullIn : public BonusFallOf<BonusPullIn> {
public:
    BonusPullIn() = default;
    BonusPullIn(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

class BonusIntensifier : public BonusFallOf<BonusIntensifier> {
public:
    BonusIntensifier() = default;
    BonusIntensifier(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

class BonusProgress : public BonusFallOf<BonusProgress> {
public:
    BonusProgress() = default;
    BonusProgress(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

// Worth index * "bonuses/@increment_points_for_jewel" + "bonuses/@points_for_jewel".
class BonusJewel : public BonusFallOf<BonusJewel> {
public:
    BonusJewel() = default;
    BonusJewel(ActiveBonuses* b, const Vector2& p, std::uint32_t index);
    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    void on_caught() override;
    std::uint32_t index() const { return index_; }
    static std::int32_t points_for(std::uint32_t index);

private:
    std::uint32_t index_ = 0;
};

class BonusCoin : public BonusFallOf<BonusCoin> {
public:
    BonusCoin() = default;
    BonusCoin(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
};

// A letter of the bonus word.
class BonusLetter : public BonusFallOf<BonusLetter> {
public:
    BonusLetter() = default;
    BonusLetter(ActiveBonuses* b, const Vector2& p, char letter);
    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    void on_caught() override;
    char letter() const { return letter_; }

private:
    char letter_ = 0;
};

// Pushes every chain forward; never drawn, only found in old saves.
class BonusSequenceAcceleration : public BonusFallOf<BonusSequenceAcceleration> {
public:
    BonusSequenceAcceleration() = default;
    BonusSequenceAcceleration(ActiveBonuses* b, const Vector2& p);
    void on_caught() override;
    bool accelerated() const { return accelerated_ != 0; }

private:
    std::uint8_t accelerated_ = 0;
};

}  // namespace orvek::trelm::logic
