#include "logic/BallFree.h"

#include "logic/Ball.h"
#include "logic/FindBalls.h"
#include "logic/Game.h"
#include "logic/Sequence.h"
#include "logic/ZelkorRegion.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

BallFree::BallFree() = default;

BallFree::BallFree(Game* game, std::shared_ptr<Ball> ball, const Float3& motion, const Vector2& direction,
                   bool can_hit, std::uint32_t indirect, std::weak_ptr<ZelkorRegion> head,
                   std::weak_ptr<ZelkorRegion> tail)
    : game_(game), ball_(std::move(ball)), motion_(motion), direction_(direction), can_hit_(can_hit ? 1 : 0),
      indirect_(indirect), head_(std::move(head)), tail_(std::move(tail)) {
    if (!ball_) return;
    ball_->set_draw_order(flying_draw_order);
    const Way* contour = game_ ? game_->contour().get() : nullptr;
    if (!contour) return;
    const Vector2 p = ball_->position();
    WayPosition crossing;
    if (direction_ != Vector2() && contour->intersect_ray(p, direction_, crossing)) {
        landing_ = crossing;
        return;
    }
    const WayPosition first = contour->first_position();
    const WayPosition last = contour->last_position();
    const Vector2 a = normalize(first.point - p);
    const Vector2 b = normalize(last.point - p);
    if (b.dot(direction_) > a.dot(direction_)) {
        direction_ = b;
        landing_ = last;
    } else {
        direction_ = a;
        landing_ = first;
    }
}

BallFree::~BallFree() {
    // A game being torn down has detached this ball first.
    if (!game_) return;
    if (ball_) game_->remove_object(ball_);
    if (auto placeholder = slot_.lock()) {
        placeholder->detach_flying();
        if (Sequence* s = placeholder->sequence()) s->remove_ball(*placeholder);
        game_->remove_object(placeholder);
    }
}

void BallFree::detach_game() {
    game_ = nullptr;
    if (ball_) ball_->relink_game(nullptr);
}

void BallFree::attach_to_game(Game* game) {
    game_ = game;
    if (!ball_ || !game_) return;
    ball_->relink_game(game_);
    game_->on_object_added(ball_);
}

void BallFree::drop_ball() {
    if (!ball_) return;
    auto ball = std::move(ball_);
    ball_.reset();
    if (game_) game_->remove_object(ball);
}

bool BallFree::reaches(const Vector2& point, float dt) const {
    return ball_ && reached_this_step(ball_->position(), direction_, motion_.speed, point, dt);
}

void BallFree::fly_on() {
    connecting_ = 0;
    on_contour_ = 0;
    if (ball_) direction_ = normalize(landing_.point - ball_->position());
}

void BallFree::step(float dt) {
    if (complete_pending_) {
        complete_pending_ = false;
        if (connecting_) finish_connection();
    }
    resolve_hits();
    if (!ball_) return;
    if (connecting_) connection_step(dt);
    if (on_contour_ && ball_) contour_step(dt);
    if (!ball_) return;
    if (!connecting_ && !on_contour_) ball_->position() += direction_ * motion_.step(dt);
    // A game without a contour gives the ball nowhere to land.
    if (!connecting_ && !on_contour_ && landing_.index >= 0 && reaches(landing_.point, dt)) land();
    if (connecting_ && ball_) {
        if (auto placeholder = slot_.lock(); placeholder && reaches(placeholder->position(), dt)) finish_connection();
    }
    contour_touched_.clear();
    anchor_.reset();
    if (ball_) ball_->update(dt);
}

void BallFree::detonate() {
    auto* bomb = dynamic_cast<BallBomb*>(ball_.get());
    if (!bomb || !game_) return;
    // The explosion's area query takes this ball with the rest; should it
    // have missed it, it must not explode again next step.
    bomb->explode();
    if (!game_->is_flying_ball_dropped(this)) game_->drop_flying_ball(this);
}

void BallFree::land() {
    if (!ball_ || !game_) return;
    if (dynamic_cast<BallBomb*>(ball_.get())) {
        detonate();
        return;
    }
    game_->send_knock_medal(head_, tail_, ball_->color());
    const std::shared_ptr<Way>& contour = game_->contour();
    if (!contour) return;
    // The new chain starts at rest and accelerates toward the nearer end.
    const Float3& cs = game_->contour_speed();
    const bool first_half = contour->path_length(contour->last_position()) * 0.5f > contour->path_length(landing_);
    auto chain = std::make_shared<Sequence>(game_, contour.get(),
                                            Float3(0.0f, cs.max_speed, first_half ? -cs.acceleration : cs.acceleration));
    ball_->set_way_position(landing_);
    chain->push_back(ball_);
    game_->insert_sequence(chain);
    ball_->set_turning(true);
    ball_.reset();
    game_->drop_flying_ball(this);
}

// ---------------------------------------------------------------- stream form

namespace {

void save_weak_list(io::OStream& out, const std::vector<std::weak_ptr<Ball>>& list) {
    io::write_count(out, list.size());
    for (const auto& w : list) {
        if (!out.good()) break;
        io::save_shared(out, w.lock());
    }
}

// Loads a counted list, bounded by what the stream can plausibly hold.
void load_weak_list(io::IStream& in, std::vector<std::weak_ptr<Ball>>& list) {
    list.clear();
    const std::uint32_t count = io::read_count(in);
    for (std::uint32_t i = 0; i < count && in.good(); ++i) {
        std::weak_ptr<Ball> w;
        io::load_weak(in, w);
        if (in.good()) list.push_back(std::move(w));
    }
}

template <class T>
void save_weak(io::OStream& out, const std::weak_ptr<T>& w) {
    io::save_shared(out, w.lock());
}

}  // namespace

void BallFree::save(io::OStream& out) const {
    out << std::uint8_t(4);
    io::save_shared(out, ball_);
    out << motion_.speed << motion_.max_speed << motion_.acceleration;
    out.write_point(direction_);
    out << can_hit_ << connecting_ << on_contour_;
    out << std::int32_t(landing_.index);
    out.write_point(landing_.point);
    save_weak_list(out, excluded_);
    save_weak(out, slot_);
    out.write_point(slot_last_position_);
    save_weak(out, anchor_);
    save_weak(out, previous_anchor_);
    out.write_point(anchor_last_position_);
    save_weak_list(out, contour_touched_);
    save_weak(out, contour_ball_);
    out.write_point(contour_ball_last_position_);
    io::write_count(out, candidates_.size());
    for (const auto& [key, ball] : candidates_) {
        if (!out.good()) break;
        out << key;
        save_weak(out, ball);
    }
    out << indirect_;
    save_weak(out, head_);
    save_weak(out, tail_);
    out << turn_rest_;
}

void BallFree::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    game_ = nullptr;
    io::load_shared(in, ball_);
    in >> motion_.speed >> motion_.max_speed >> motion_.acceleration;
    in.read_point(direction_);
    in >> can_hit_ >> connecting_ >> on_contour_;
    std::int32_t index = -1;
    in >> index;
    landing_.index = index;
    in.read_point(landing_.point);
    load_weak_list(in, excluded_);
    io::load_weak(in, slot_);
    in.read_point(slot_last_position_);
    io::load_weak(in, anchor_);
    io::load_weak(in, previous_anchor_);
    if (version >= 3) in.read_point(anchor_last_position_);
    load_weak_list(in, contour_touched_);
    io::load_weak(in, contour_ball_);
    in.read_point(contour_ball_last_position_);
    candidates_.clear();
    const std::uint32_t count = io::read_count(in);
    for (std::uint32_t i = 0; i < count && in.good(); ++i) {
        float key = 0.0f;
        std::weak_ptr<Ball> ball;
        in >> key;
        io::load_weak(in, ball);
        if (in.good()) candidates_.emplace(key, std::move(ball));
    }
    indirect_ = 0;
    if (version >= 1) in >> indirect_;
    head_.reset();
    tail_.reset();
    if (version >= 2) {
        io::load_weak(in, head_);
        io::load_weak(in, tail_);
    }
    turn_rest_ = 0.0f;
    if (version >= 4) in >> turn_rest_;
    // Both at once would leave the ball neither flying nor riding.
    if (connecting_ && on_contour_) on_contour_ = 0;
}

}  // namespace orvek::trelm::logic
