#include "logic/Ball.h"

#include <cmath>
#include <limits>

#include "logic/FindBalls.h"
#include "logic/FlyingBall.h"
#include "logic/Game.h"
#include "logic/Sequence.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> radius_value("ball/@radius", 12.5f);
ostrel::ConfigValueReadOnly<float> speed_turning("ball/@speed_turning", 0.04f);
ostrel::ConfigValueReadOnly<float> speed_correction_dir("ball/@speed_correction_dir", 0.1f);
ostrel::ConfigValueReadOnly<float> radius_explosion("special_balls/@radius_explosion", 100.0f);
ostrel::ConfigValueReadOnly<float> radius_explosion_intensive("special_balls/@radius_explosion_intensive",
                                                              200.0f);
ostrel::ConfigValueReadOnly<float> width_lightning("special_balls/@width_lightning", 50.0f);
ostrel::ConfigValueReadOnly<float> width_lightning_intensive("special_balls/@width_lightning_intensive",
                                                             100.0f);
ostrel::ConfigValueReadOnly<float> radius_aiming_hit("special_balls/@radius_aiming_hit", 100.0f);
ostrel::ConfigValueReadOnly<float> radius_aiming_hit_intensive("special_balls/@radius_aiming_hit_intensive",
                                                               200.0f);

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kQuarterTurn = 1.5707964f;

}  // namespace

bool colors_match(std::int32_t a, std::int32_t b) {
    if (a == color_none || b == color_none) return false;
    return a == color_wild || b == color_wild || a == b;
}

float ball_radius() { return radius_value.get(); }

// ---------------------------------------------------------------- Ball

Ball::Ball() : Obj() {}

Ball::Ball(std::int32_t kind, std::int32_t color) : Obj(), kind_(kind), color_(color) {}

Ball::Ball(const Vector2& position, std::int32_t draw_order, BallKind kc)
    : Obj(position, draw_order), kind_(kc.kind), color_(kc.color), roll_direction_(1.0f) {}

Ball::Ball(const Vector2& position, std::int32_t draw_order, Sequence* sequence, BallKind kc)
    : Obj(position, draw_order), sequence_(sequence), kind_(kc.kind), color_(kc.color), roll_direction_(1.0f) {}

Ball::Ball(const Ball& other) = default;

Ball::~Ball() = default;

std::shared_ptr<Obj> Ball::clone() const { return std::make_shared<Ball>(*this); }

Way* Ball::way() const { return sequence_ ? sequence_->way() : nullptr; }

bool Ball::move_along(float d) {
    Way* w = way();
    if (!w) return false;
    WayPosition p = way_position();
    float moved = 0.0f;
    std::int32_t link = -1;
    const bool whole = w->advance(p, d, moved, link);
    take_place(p, d, link);
    return whole;
}

void Ball::take_place(const WayPosition& p, float moved, std::int32_t link) {
    Game* g = game();
    if (link >= 0 && g) {
        if (auto a = teleportation_action(link)) g->add_action(*a);
    }
    if (sequence_) {
        segment_ = p.index;
        turn_toward_path(link >= 0 ? std::numeric_limits<float>::infinity() : std::fabs(moved) * speed_turning.get());
    }
    set_way_position(p);
    set_rotation(rotation() + roll_direction_ * moved / ball_radius());
    if (link >= 0) on_way_link();
}

bool Ball::turn_toward_path(float step) {
    Way* w = way();
    if (!w) return true;
    float target = w->direction(segment_);
    if (roll_direction_ < 0.0f) target += target <= 0.0f ? kPi : -kPi;
    float diff = target - direction();
    if (std::fabs(diff) > kPi) diff += diff <= 0.0f ? kTwoPi : -kTwoPi;
    if (std::fabs(diff) > kQuarterTurn) {
        roll_direction_ = -roll_direction_;
        target += target <= 0.0f ? kPi : -kPi;
        diff += diff <= 0.0f ? kPi : -kPi;
    }
    bool arrived;
    float heading;
    if (std::fabs(diff) <= step) {
        heading = target;
        arrived = true;
    } else {
        heading = direction() + (diff > 0.0f ? step : -step);
        arrived = false;
    }
    if (std::fabs(heading) > kPi) heading += heading > 0.0f ? -kTwoPi : kTwoPi;
    set_direction(heading);
    return arrived;
}

void Ball::on_update(float dt) {
    if (!sequence_) return;
    if (Way* w = way()) set_draw_order(w->segment_order(segment_));
    if (turning_ && turn_toward_path(speed_correction_dir.get() * dt)) turning_ = 0;
}

namespace {

void save_kind(io::OStream& out, std::int32_t kind, std::int32_t color) {
    out << std::uint8_t(0) << std::uint32_t(color) << std::uint32_t(kind);
}

}  // namespace

void Ball::save(io::OStream& out) const {
    out << std::uint8_t(0);
    Obj::save(out);
    std::shared_ptr<Sequence> owner;
    if (sequence_ && game()) owner = game()->sequence_ref(sequence_);
    io::save_shared(out, owner);
    out << std::uint32_t(segment_);
    save_kind(out, kind_, color_);
    out << roll_direction_ << turning_;
}

void Ball::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    Obj::load(in);
    std::shared_ptr<Sequence> owner;
    io::load_shared(in, owner);
    sequence_ = owner.get();
    if (owner) in.shared_objects().insert(owner);
    std::uint32_t segment = 0, color = 0, kind = 0;
    std::uint8_t kind_version = 0;
    in >> segment >> kind_version >> color >> kind >> roll_direction_ >> turning_;
    segment_ = std::int32_t(segment);
    color_ = std::int32_t(color);
    kind_ = std::int32_t(kind);
}

float ball_overlap(const Ball& a, const Ball& b) {
    const float v = 2.0f * ball_radius() - distance(a.position(), b.position());
    return v > 0.0f ? v : 0.0f;
}

float flying_contact(const Ball& a, const Ball& b) {
    const Ball* on_way = a.sequence() ? &a : &b;
    const Ball* other = a.sequence() ? &b : &a;
    if (!other->sequence()) {
        Way* w = on_way->way();
        if (!w || !w->segment_open(on_way->segment())) return 0.0f;
    }
    return ball_overlap(a, b);
}

// ---------------------------------------------------------------- BallEmpty

BallEmpty::BallEmpty() : Ball(ball_plain, -1) {}

BallEmpty::BallEmpty(const Vector2& position, std::weak_ptr<FlyingBall> flying)
    : Ball(position, 0, {ball_plain, color_none}), flying_(std::move(flying)) {}

BallEmpty::~BallEmpty() {
    // The flying ball lost its gap: it leaves the game too. Its game is gone
    // when the whole game is being torn down.
    if (auto f = flying_.lock()) {
        flying_.reset();
        if (Game* g = f->game(); g && !g->is_flying_ball_dropped(f.get())) g->drop_flying_ball(f.get());
    }
}

std::shared_ptr<Obj> BallEmpty::clone() const { return std::make_shared<BallEmpty>(*this); }

void BallEmpty::on_way_link() {
    if (auto f = flying_.lock()) f->complete_connection();
}

void BallEmpty::save(io::OStream& out) const {
    out << std::uint8_t(0);
    Ball::save(out);
    io::save_shared(out, std::dynamic_pointer_cast<io::Object>(flying_.lock()));
}

void BallEmpty::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    Ball::load(in);
    std::weak_ptr<io::Object> flying;
    io::load_weak(in, flying);
    flying_ = std::dynamic_pointer_cast<FlyingBall>(flying.lock());
}

// ---------------------------------------------------------------- special balls

BallBonus::BallBonus(std::int32_t kind, std::int32_t draw_order, float effect_size)
    : Ball(Vector2(), draw_order, {kind, color_none}), effect_size_(effect_size) {}

BallBonus::~BallBonus() = default;

void BallBonus::save(io::OStream& out) const {
    out << std::uint8_t(0);
    Ball::save(out);
    out << intensified_;
}

void BallBonus::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    Ball::load(in);
    in >> intensified_;
}

void BallBonus::save_sized(io::OStream& out) const {
    out << std::uint8_t(0);
    BallBonus::save(out);
    out << effect_size_;
}

void BallBonus::load_sized(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    BallBonus::load(in);
    in >> effect_size_;
}

BallBomb::BallBomb(std::int32_t draw_order) : BallBonus(ball_bomb, draw_order, radius_explosion.get()) {}

bool BallBomb::do_intensify() {
    if (intensified()) return false;
    set_effect_size(radius_explosion_intensive.get());
    return true;
}

std::shared_ptr<Obj> BallBomb::clone() const { return std::make_shared<BallBomb>(*this); }

void BallBomb::explode() {
    Game* g = game();
    if (!g) return;
    g->add_action(make_game_action<GameActionExplosion>(action_explosion, position(), intensified()));
    FindBallsInCircle_WithOutEntryWay reach(g, position(), effect_size());
    reach.collect();
    reach.consume_found();
}

BallLightning::BallLightning(std::int32_t draw_order)
    : BallBonus(ball_lightning, draw_order, width_lightning.get()) {}

bool BallLightning::do_intensify() {
    if (intensified()) return false;
    set_effect_size(width_lightning_intensive.get());
    return true;
}

std::shared_ptr<Obj> BallLightning::clone() const { return std::make_shared<BallLightning>(*this); }

BallAimingHit::BallAimingHit(std::int32_t draw_order) : BallBonus(ball_aiming_hit, draw_order, 0.0f) {}

bool BallAimingHit::do_intensify() { return !intensified(); }

float BallAimingHit::effect_size() const {
    return intensified() ? radius_aiming_hit_intensive.get() : radius_aiming_hit.get();
}

std::shared_ptr<Obj> BallAimingHit::clone() const { return std::make_shared<BallAimingHit>(*this); }

bool intensify(BallBonus& ball) {
    const bool changed = ball.do_intensify();
    if (changed) {
        ball.set_intensified();
        if (Game* g = ball.game()) {
            g->object_changed(&ball);
            g->add_action(make_game_action<GameActionIntensify>(action_intensify, ball.position()));
        }
    }
    return changed;
}

}  // namespace orvek::trelm::logic
