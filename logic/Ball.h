#pragma once
// Balls: one ball of a chain, or the ball the platform holds or shoots, with
// its kind, colour, place on the chain's way and rolling spin; and the
// special kinds that bonuses hand out.
#include <cstdint>
#include <memory>

#include "logic/Obj.h"
#include "logic/Way.h"

namespace orvek::trelm::logic {

class FlyingBall;
class Game;
class Sequence;

// Colour 0 is no colour (never matches), 9 the wild colour (matches all but 0).
constexpr std::int32_t color_none = 0;
constexpr std::int32_t color_wild = 9;
// The colours the red, grey and white medals count, and the second colour of
// the debug two-colour mode.
constexpr std::int32_t color_red = 1;
constexpr std::int32_t color_black = 5;
constexpr std::int32_t color_grey = 6;
constexpr std::int32_t color_white = 8;
bool colors_match(std::int32_t a, std::int32_t b);

// "ball/@radius" (12.5).
float ball_radius();

enum BallKindCode : std::int32_t { ball_plain = 0, ball_bomb = 1, ball_lightning = 2, ball_aiming_hit = 3 };

struct BallKind {
    std::int32_t kind = 0;
    std::int32_t color = 0;
};

class Ball : public Obj {
public:
    // The factory's form: no sequence, kind -1, colour -1, roll direction 0.
    Ball();
    Ball(const Vector2& position, std::int32_t draw_order, BallKind kc);
    Ball(const Vector2& position, std::int32_t draw_order, Sequence* sequence, BallKind kc);
    Ball(const Ball& other);
    ~Ball() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    std::shared_ptr<Obj> clone() const override;

    Sequence* sequence() const { return sequence_; }
    void set_sequence(Sequence* s) { sequence_ = s; }
    // The way of the owning sequence, or null.
    Way* way() const;

    std::int32_t segment() const { return segment_; }
    void set_segment(std::int32_t s) { segment_ = s; }
    WayPosition way_position() const { return WayPosition(segment_, position()); }
    void set_way_position(const WayPosition& p) {
        segment_ = p.index;
        set_position(p.point);
    }

    std::int32_t kind() const { return kind_; }
    std::int32_t color() const { return color_; }
    void set_color(std::int32_t c) { color_ = c; }
    float roll_direction() const { return roll_direction_; }
    void set_roll_direction(float d) { roll_direction_ = d; }
    bool turning() const { return turning_ != 0; }
    void set_turning(bool on) { turning_ = on ? 1 : 0; }
    float radius() const { return ball_radius(); }

    // Moves the ball d path units along its sequence's way; the way's flag
    // (false when it could not move the whole distance). Without a
    // sequence nothing moves.
    bool move_along(float d);
    // Takes a place reached by moving `moved` path units (crossing the jump
    // `link`, -1 for none): teleport report, heading, spin and link hook.
    void take_place(const WayPosition& p, float moved, std::int32_t link);
    // Turns the heading toward the way's direction by at most step radians;
    // true when it arrived. Never turns by more than a quarter turn: the
    // ball rolls the other way instead.
    bool turn_toward_path(float step);
    void turn_by(float angle) { set_direction(direction() + angle); }

    // Called after the ball crossed a jump of its way.
    virtual void on_way_link() {}

protected:
    Ball(std::int32_t kind, std::int32_t color);
    void on_update(float dt) override;

private:
    Sequence* sequence_ = nullptr;
    std::int32_t segment_ = 0;
    std::int32_t kind_ = -1;
    std::int32_t color_ = -1;
    float roll_direction_ = 0.0f;
    std::uint8_t turning_ = 0;
};

// Overlap of two balls: 2r minus the distance of the centres, at least 0.
float ball_overlap(const Ball& a, const Ball& b);
// The overlap as a ball in flight sees it; at least one of the two lies in
// a sequence. A ball on no way touches a way ball only on an open segment.
float flying_contact(const Ball& a, const Ball& b);

// Keeps a chain's place for a ball that is still flying into it.
class BallEmpty : public Ball {
public:
    BallEmpty();
    BallEmpty(const Vector2& position, std::weak_ptr<FlyingBall> flying);
    ~BallEmpty() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    std::shared_ptr<Obj> clone() const override;

    std::shared_ptr<FlyingBall> flying() const { return flying_.lock(); }
    // Breaks the link to the flying ball, so that neither side reaches the
    // other while it is being destroyed.
    void detach_flying() { flying_.reset(); }

    void on_way_link() override;

private:
    std::weak_ptr<FlyingBall> flying_;
};

// A special ball from a bonus: colourless, acts when it hits.
class BallBonus : public Ball {
public:
    ~BallBonus() override;
    bool intensified() const { return intensified_ != 0; }
    virtual float effect_size() const { return effect_size_; }
    // The kind's own answer to intensifying; see intensify().
    virtual bool do_intensify() = 0;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

protected:
    BallBonus(std::int32_t kind, std::int32_t draw_order, float effect_size);
    void set_intensified() { intensified_ = 1; }
    void set_effect_size(float s) { effect_size_ = s; }
    // The form of the kinds that keep their effect size.
    void save_sized(io::OStream& out) const;
    void load_sized(io::IStream& in);

    std::uint8_t intensified_ = 0;
    float effect_size_ = 0.0f;

    friend bool intensify(BallBonus& ball);
};

class BallBomb : public BallBonus {
public:
    explicit BallBomb(std::int32_t draw_order = 0);
    bool do_intensify() override;
    void save(io::OStream& out) const override { save_sized(out); }
    void load(io::IStream& in) override { load_sized(in); }
    std::shared_ptr<Obj> clone() const override;
    // Reports the explosion (action 9), then consumes every ball within
    // the effect size.
    void explode();
};

class BallLightning : public BallBonus {
public:
    explicit BallLightning(std::int32_t draw_order = 0);
    bool do_intensify() override;
    void save(io::OStream& out) const override { save_sized(out); }
    void load(io::IStream& in) override { load_sized(in); }
    std::shared_ptr<Obj> clone() const override;
};

class BallAimingHit : public BallBonus {
public:
    explicit BallAimingHit(std::int32_t draw_order = 0);
    bool do_intensify() override;
    float effect_size() const override;
    std::shared_ptr<Obj> clone() const override;
};

// Intensifies a special ball: when its kind agrees, marks it, reports it
// changed and sends action 7. Returns the kind's answer.
bool intensify(BallBonus& ball);

}  // namespace orvek::trelm::logic
