// What a ball in flight does with the chain balls it touched: consume the
// run it completes, knock the touched ball out and fly into its gap, or
// cling to a contour chain and roll into the next free place.
#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

#include "logic/Ball.h"
#include "logic/BallFree.h"
#include "logic/FindBalls.h"
#include "logic/Game.h"
#include "logic/Sequence.h"
#include "logic/ZelkorRegion.h"
#include "orvek/config/ConfigValue.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> connection_speed("ball_free/@connection_speed", 300.0f);
ostrel::ConfigValueReadOnly<float> angular_velocity("ball_free/@angular_velocity", 3.1415927f);
ostrel::ConfigValueReadOnly<bool> consume_when_collide("ball_free/@consume_when_collide", true);

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

float wrap_turn(float delta) {
    if (std::fabs(delta) > kPi) delta += delta <= 0.0f ? kTwoPi : -kTwoPi;
    return delta;
}

float heading_of(const Vector2& v) { return std::atan2(v.x, v.y); }

// How much faster than its limit a chain moves, at least 1. A limit of 0
// (or none) in the level data counts as no speed-up instead of an infinite one.
float speed_factor(float speed, float limit) {
    if (!(std::fabs(limit) > 0.0f)) return 1.0f;
    const float f = std::fabs(speed) / std::fabs(limit);
    return f > 1.0f ? f : 1.0f;
}

bool high_speed(const Game& game, const Sequence& s) {
    const WaySettings* ws = game.way_settings(s.way());
    return ws && std::fabs(s.motion().speed) > ws->speed_forward.max_speed;
}

}  // namespace

// ---------------------------------------------------------------- touches

void BallFree::add_candidate(std::weak_ptr<Ball> touched) {
    if (!can_hit_ || !ball_) return;
    const auto b = touched.lock();
    if (!b || b->color() == color_none) return;
    for (const auto& e : excluded_)
        if (e.lock() == b) return;
    // Equal depths keep the order they were offered in.
    candidates_.emplace(flying_contact(*ball_, *b), std::move(touched));
}

void BallFree::resolve_hits() {
    for (auto it = candidates_.begin(); it != candidates_.end();) {
        const auto b = it->second.lock();
        if (!b || !b->sequence())
            it = candidates_.erase(it);
        else
            ++it;
    }
    if (!game_ || !ball_) {
        candidates_.clear();
        return;
    }
    if (connecting_) {
        choose_anchor();
    } else if (on_contour_) {
        for (const auto& [depth, weak] : candidates_) {
            const auto b = weak.lock();
            if (b && b->way() == game_->contour().get()) contour_touched_.push_back(b);
        }
    } else if (!candidates_.empty()) {
        const std::shared_ptr<Ball> c = std::prev(candidates_.end())->second.lock();
        Sequence* s = c->sequence();
        const Way* w = s->way();
        if (dynamic_cast<BallBomb*>(ball_.get())) {
            detonate();
            return;
        }
        game_->add_action(GameAction(action_flying_ball_hit));
        if (consume_when_collide.get() && game_->is_game_way(w) && colors_match(ball_->color(), c->color()) &&
            consume_at(c))
            return;
        if (w && w == game_->contour().get()) {
            on_contour_ = 1;
            contour_ball_ = c;
            contour_ball_last_position_ = c->position();
            contour_touched_.push_back(c);
        } else if (game_->is_game_way(w)) {
            knock_out(c);
        }
    }
    candidates_.clear();
}

bool BallFree::consume_at(const std::shared_ptr<Ball>& c) {
    Sequence* s = c->sequence();
    const Sequence::Node node = s->find(*c);
    const Sequence::Run run = s->find_run(node);
    int ahead = run.ahead;
    int behind = run.behind;
    Sequence::Node first = run.first;
    if (ahead + behind + 2 < 3) return false;
    // A wild shot takes the next group along with the run it completes.
    if (ball_->color() == color_wild) {
        if (ahead == 0 && std::next(node) != s->balls().end()) {
            ahead = s->find_run(std::next(node)).ahead + 1;
        } else if (behind == 0 && node != s->balls().begin()) {
            const Sequence::Run back = s->find_run(std::prev(node));
            behind = back.behind + 1;
            first = back.first;
        }
    }
    const int creatures = game_->tails_ahead(s);
    const bool both = s->head() && s->tail();
    Way* way = s->way();
    Sequence::BallVector removed;
    s->consume_run(first, ahead + behind + 1, removed);
    removed.push_back(ball_);
    const bool high = high_speed(*game_, *s);
    game_->consume_balls(removed, {.mission = true,
                                   .score = true,
                                   .give_points = true,
                                   .creature_destroyed = s->empty() && both,
                                   .by_shot = true,
                                   .creatures_ahead = creatures,
                                   .way = way,
                                   .indirect = int(indirect_),
                                   .high_speed = high});
    game_->drop_flying_ball(this);
    return true;
}

// ---------------------------------------------------------------- knock-out

Vector2 choose_knock_direction(const Vector2& k, const Vector2& centre, const std::optional<Vector2>& first,
                               const std::optional<Vector2>& second, float clearance) {
    const float r2 = clearance * clearance;
    std::vector<Vector2> candidates{k};
    std::vector<Vector2> obstacles;
    bool engulfed = false;
    for (const auto& q : {first, second}) {
        if (!q) continue;
        const Vector2 w = *q - centre;
        obstacles.push_back(*q);
        const float w2 = w.dot(w);
        // No line from the centre grazes a circle that holds the centre.
        if (!(w2 > r2)) {
            engulfed = true;
            continue;
        }
        const float l = std::sqrt(r2 * w2 / (w2 - r2));
        const Vector2 n = Vector2(-w.y, w.x) * (1.0f / std::sqrt(w2));
        candidates.push_back(normalize(*q + n * l - centre));
        candidates.push_back(normalize(*q - n * l - centre));
    }
    if (engulfed) return k;
    const Vector2* best = nullptr;
    float best_dot = 0.0f;
    for (const Vector2& u : candidates) {
        bool blocked = false;
        for (const Vector2& q : obstacles)
            if (ray_hits_circle(q, clearance, centre, u)) blocked = true;
        if (blocked) continue;
        const float d = u.dot(k);
        if (!best || d > best_dot) {
            best = &u;
            best_dot = d;
        }
    }
    return best ? *best : k;
}

void BallFree::knock_out(const std::shared_ptr<Ball>& c) {
    Sequence* s = c->sequence();
    auto placeholder = std::make_shared<BallEmpty>(c->position(), game_->flying_ball_ref(this));
    game_->on_object_added(placeholder);
    s->replace_ball(*c, placeholder);
    slot_ = placeholder;
    slot_last_position_ = placeholder->position();

    Vector2 k = normalize(c->position() - ball_->position());
    // The shot sits exactly on the ball it hit: knock it on along the shot.
    if (k == Vector2()) k = direction_ == Vector2() ? Vector2(0.0f, -1.0f) : direction_;
    const Sequence::BallPtr* behind = s->neighbour(*placeholder, -1);
    const Sequence::BallPtr* ahead = s->neighbour(*placeholder, +1);
    std::optional<Vector2> p1, p2;
    if (behind) p1 = (*behind)->position();
    if (ahead) p2 = (*ahead)->position();
    const Vector2 d = choose_knock_direction(k, c->position(), p1, p2, 1.6f * ball_radius());

    std::weak_ptr<ZelkorRegion> head, tail;
    for (Sequence* x = s; x; x = game_->sequence_ahead(x))
        if (x->head()) {
            head = x->head();
            break;
        }
    for (Sequence* x = s; x; x = game_->sequence_behind(x))
        if (x->tail()) {
            tail = x->tail();
            break;
        }

    auto knocked = std::make_shared<BallFree>(game_, c, motion_, d, true, indirect_ + 1, head, tail);
    std::vector<std::weak_ptr<Ball>> excluded;
    if (behind) excluded.push_back(*behind);
    if (ahead) excluded.push_back(*ahead);
    excluded.push_back(ball_);
    knocked->set_excluded(std::move(excluded));
    game_->add_flying_ball(knocked);

    connecting_ = 1;
    const float speed = connection_speed.get();
    motion_ = Float3(speed, speed, 0.0f);
}

// ---------------------------------------------------------------- connecting

void BallFree::choose_anchor() {
    const auto e = slot_.lock();
    Sequence* s = e ? e->sequence() : nullptr;
    if (!s) return;
    const auto previous = previous_anchor_.lock();
    if (previous && s->are_adjacent(*e, *previous) && same_level(*e, *previous)) {
        anchor_ = previous;
        return;
    }
    previous_anchor_.reset();
    // Ascending depth: the deepest fitting contact wins.
    for (const auto& [depth, weak] : candidates_) {
        const auto b = weak.lock();
        if (b && s->are_adjacent(*e, *b) && same_level(*e, *b)) anchor_ = b;
    }
}

void BallFree::connection_step(float dt) {
    const auto e = slot_.lock();
    if (!e || !e->sequence()) {
        // The gap is gone without taking this ball down with it.
        slot_.reset();
        fly_on();
        return;
    }
    const auto a = anchor_.lock();
    const auto previous = previous_anchor_.lock();
    const bool riding = a && a == previous;
    Vector2& pos = ball_->position();
    if (riding)
        pos += a->position() - anchor_last_position_;
    else
        pos += e->position() - slot_last_position_;
    previous_anchor_.reset();
    slot_last_position_ = e->position();
    direction_ = normalize(e->position() - pos);
    if (!a) {
        pos += direction_ * motion_.step(dt);
        return;
    }
    previous_anchor_ = a;
    anchor_last_position_ = a->position();
    float limit = 0.0f;
    if (const WaySettings* ws = game_->way_settings(a->way())) limit = ws->speed_forward.max_speed;
    const float speed = a->sequence() ? a->sequence()->motion().speed : 0.0f;
    const float maxturn = angular_velocity.get() * speed_factor(speed, limit) * dt;

    const float a1 = heading_of(normalize(pos - a->position()));
    const float a2 = heading_of(normalize(e->position() - a->position()));
    float delta = wrap_turn(a2 - a1);
    if (riding && std::fabs(turn_rest_) < std::fabs(delta)) delta = turn_rest_;
    float angle;
    if (std::fabs(delta) <= maxturn) {
        ball_->turn_by(a2 - a1);
        turn_rest_ = 0.0f;
        angle = a2;
    } else {
        const float step = std::copysign(maxturn, delta);
        angle = a2 - delta + step;
        ball_->turn_by(angle - a1);
        turn_rest_ = delta - step;
    }
    pos = a->position() + Vector2(std::sin(angle), std::cos(angle)) * (2.0f * ball_radius());
}

void BallFree::finish_connection() {
    if (!ball_ || !game_) return;
    const auto e = slot_.lock();
    Sequence* s = e ? e->sequence() : nullptr;
    if (!s) {
        slot_.reset();
        fly_on();
        return;
    }
    const std::int32_t col = ball_->color();
    const Sequence::BallPtr* behind = s->neighbour(*e, -1);
    const Sequence::BallPtr* ahead = s->neighbour(*e, +1);
    const bool sniper =
        behind && ahead && colors_match(col, (*behind)->color()) && colors_match(col, (*ahead)->color());
    std::shared_ptr<Ball> b = std::move(ball_);
    ball_.reset();
    connecting_ = 0;
    slot_.reset();
    // The placeholder leaves the game now; it must not drop this ball again.
    e->detach_flying();
    s->substitute_ball(*e, b);
    const bool both = s->head() && s->tail();
    const int creatures = game_->tails_ahead(s);
    Sequence::BallVector removed;
    s->match_at(*b, removed);
    if (!removed.empty())
        game_->consume_balls(removed, {.mission = true,
                                       .score = true,
                                       .give_points = true,
                                       .creature_destroyed = s->empty() && both,
                                       .by_shot = true,
                                       .creatures_ahead = creatures,
                                       .way = s->way(),
                                       .indirect = int(indirect_),
                                       .sniper_shot = sniper,
                                       .high_speed = high_speed(*game_, *s)});
    b->set_turning(true);
    game_->drop_flying_ball(this);
}

// ---------------------------------------------------------------- on the contour

void BallFree::contour_step(float dt) {
    const Way* contour = game_ ? game_->contour().get() : nullptr;
    std::shared_ptr<Ball> c = contour_ball_.lock();
    if (!c || !c->sequence() || !contour || c->way() != contour) {
        fly_on();
        return;
    }
    Vector2& pos = ball_->position();
    float p = contour->tangent(c->segment()).dot(pos - c->position());
    if (p == 0.0f) p = 0.001f;
    if (const Sequence::BallPtr* n = c->sequence()->neighbour(*c, p > 0.0f ? +1 : -1))
        if (flying_contact(*ball_, **n) != 0.0f) c->sequence()->split_between(*c, **n);
    Sequence* cs = c->sequence();

    std::shared_ptr<Ball> x;
    for (const auto& weak : contour_touched_) {
        const auto t = weak.lock();
        if (t && t != c && t->sequence() && t->sequence() != cs && game_->ends_nearly_meet(c.get(), t.get())) x = t;
    }

    pos += c->position() - contour_ball_last_position_;
    contour_ball_last_position_ = c->position();

    const float chord = 2.0f * ball_radius() + 0.1f;
    WayPosition place = c->way_position();
    bool found = contour->advance_by_chord(c->position(), p >= 0.0f ? chord : -chord, place);
    if (!found) {
        place = c->way_position();
        found = contour->advance_by_chord(c->position(), p >= 0.0f ? -chord : chord, place);
    }
    // No room on either side: keep riding the chain until there is.
    if (!found) return;

    const float maxturn = angular_velocity.get() * speed_factor(cs->motion().speed, game_->contour_speed().max_speed) * dt;
    const float a1 = heading_of(normalize(pos - c->position()));
    const float a2 = heading_of(normalize(place.point - c->position()));
    const float delta = wrap_turn(a2 - a1);
    if (std::fabs(delta) <= maxturn) {
        game_->send_knock_medal(head_, tail_, ball_->color());
        ball_->turn_by(delta);
        ball_->set_way_position(place);
        std::shared_ptr<Ball> b = std::move(ball_);
        ball_.reset();
        on_contour_ = 0;
        cs->attach_ball(b, *c);
        b->set_turning(true);
        game_->drop_flying_ball(this);
        return;
    }
    const float step = std::copysign(maxturn, delta);
    ball_->turn_by(step);
    pos = c->position() + Vector2(std::sin(a1 + step), std::cos(a1 + step)) * (2.0f * ball_radius());
    if (x) {
        Sequence* xs = x->sequence();
        const int o = game_->comes_before(cs, xs) ? +1 : -1;
        // The shot is off the way; lay the other chain from the place of the
        // ball it clings to.
        ball_->set_segment(c->segment());
        if (!xs->place_next_to(*ball_, o)) {
            contour_ball_ = x;
            contour_ball_last_position_ = x->position();
        }
    }
}

}  // namespace orvek::trelm::logic
