#include "logic/ZelkorRegion.h"

#include <cmath>

#include "logic/Ball.h"
#include "logic/Game.h"
#include "logic/Sequence.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> speed_rotation("zelkor/@speed_rotation", 0.04f);
ostrel::ConfigValueReadOnly<float> head_offset("zelkor/@head_offset", 3.0f);
ostrel::ConfigValueReadOnly<float> tail_offset("zelkor/@tail_offset", 3.0f);

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

}  // namespace

ZelkorRegion::ZelkorRegion() : Obj(Vector2(), -1) {}

ZelkorRegion::ZelkorRegion(std::uint32_t side, Sequence* chain) : Obj(Vector2(), -1), side_(side) {
    attach(chain);
}

ZelkorRegion::~ZelkorRegion() = default;

Ball* ZelkorRegion::end_ball() const {
    if (!chain_ || chain_->balls().empty()) return nullptr;
    return side_ == head_side ? chain_->balls().back().get() : chain_->balls().front().get();
}

float ZelkorRegion::offset() const {
    return ball_radius() + (side_ == head_side ? head_offset.get() : tail_offset.get());
}

void ZelkorRegion::attach(Sequence* chain) {
    chain_ = chain;
    if (!chain_ || chain_->balls().empty()) return;
    const auto& end = side_ == head_side ? chain_->balls().back() : chain_->balls().front();
    ball_ = end;
    index_ = end->segment();
    set_position(end->position());
    follow();
    if (Way* w = chain_->way()) set_direction(w->direction(index_));
}

bool ZelkorRegion::is_attached() const {
    const auto b = ball_.lock();
    return b && b.get() == end_ball();
}

void ZelkorRegion::report_link(std::int32_t link) {
    if (Game* g = game())
        if (auto a = teleportation_action(link)) g->add_action(*a);
}

void ZelkorRegion::on_update(float dt) {
    Way* w = chain_ ? chain_->way() : nullptr;
    if (!w) return;
    const std::int32_t order = w->segment_order(index_);
    set_draw_order(order == -1 ? -1 : order + 1);
    if (is_attached()) {
        follow();
        speed_.speed = chain_->motion().speed;
    } else {
        ball_.reset();
        walk(dt);
    }
}

void ZelkorRegion::follow() {
    const auto b = ball_.lock();
    Way* w = chain_ ? chain_->way() : nullptr;
    if (!b || !w) return;
    WayPosition p = b->way_position();
    float moved = 0.0f;
    std::int32_t link = -1;
    w->advance_by_chord(b->position(), side_ == head_side ? offset() : -offset(), p, moved, link);
    report_link(link);
    // The turn is bounded by how far the region itself moved: measured from
    // the ball it would always be the follow distance, and a region at rest
    // would keep turning.
    place(p, std::fabs(w->distance(way_position(), p)));
}

void ZelkorRegion::walk(float dt) {
    Way* w = chain_->way();
    const float d = speed_.step(dt);
    WayPosition p = way_position();
    float moved = 0.0f;
    std::int32_t link = -1;
    w->advance(p, d, moved, link);
    report_link(link);
    if (Ball* e = end_ball()) {
        const float ahead = w->path_length(p) - w->path_length(e->way_position());
        const float gap = side_ == head_side ? ahead : -ahead;
        if (gap < offset()) ball_ = side_ == head_side ? chain_->balls().back() : chain_->balls().front();
    }
    place(p, std::fabs(d));
}

void ZelkorRegion::place(const WayPosition& p, float moved) {
    Way* w = chain_->way();
    float target;
    if (const auto b = ball_.lock()) {
        const Vector2 v = side_ == head_side ? p.point - b->position() : b->position() - p.point;
        target = std::atan2(v.x, v.y);
    } else {
        target = w->direction(index_);
    }
    const float largest = speed_rotation.get() * moved;
    float diff = target - direction();
    if (diff > kPi)
        diff -= kTwoPi;
    else if (diff < -kPi)
        diff += kTwoPi;
    if (std::fabs(diff) <= largest)
        set_direction(target);
    else
        set_direction(direction() + (diff > 0.0f ? largest : -largest));
    index_ = p.index;
    set_position(p.point);
}

void ZelkorRegion::on_added() {
    Game* g = game();
    if (!g || !chain_) return;
    const WaySettings* ws = g->way_settings(chain_->way());
    if (!ws) return;
    speed_.max_speed = ws->speed_zelkor_region.max_speed;
    speed_.acceleration = side_ == tail_side ? ws->speed_zelkor_region.acceleration
                                             : -ws->speed_zelkor_region.acceleration;
}

void ZelkorRegion::on_removal() {
    if (Game* g = game()) g->forget_creature(this);
}

void ZelkorRegion::save(io::OStream& out) const {
    out << std::uint8_t(0);
    Obj::save(out);
    std::shared_ptr<Sequence> owner;
    if (chain_ && game()) owner = game()->sequence_ref(chain_);
    io::save_shared(out, owner);
    out << side_ << index_;
    io::save_shared(out, ball_.lock());
    speed_.save(out);
}

void ZelkorRegion::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    Obj::load(in);
    std::shared_ptr<Sequence> owner;
    io::load_shared(in, owner);
    chain_ = owner.get();
    in >> side_ >> index_;
    std::weak_ptr<Ball> b;
    io::load_weak(in, b);
    ball_ = b;
    speed_.load(in);
}

}  // namespace orvek::trelm::logic
