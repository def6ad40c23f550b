#include "logic/FindBalls.h"

#include <algorithm>
#include <cmath>

#include "logic/Ball.h"
#include "logic/FlyingBall.h"
#include "logic/Game.h"
#include "logic/LegacyRand.h"
#include "logic/Sequence.h"
#include "logic/Way.h"

namespace orvek::trelm::logic {

namespace {

bool is_pool_color(std::int32_t c) { return c >= 1 && c <= 8; }

void add_color(std::vector<std::int32_t>& pool, std::int32_t c) {
    if (!is_pool_color(c)) return;
    const auto it = std::lower_bound(pool.begin(), pool.end(), c);
    if (it == pool.end() || *it != c) pool.insert(it, c);
}

}  // namespace

FindBalls::~FindBalls() = default;

bool FindBalls::passes(const Ball& ball) const {
    if (ball.sequence() && game_) {
        const Way* shaft = game_->shaft_way().get();
        if (shaft && ball.way() == shaft) return false;
    }
    return test(ball);
}

void FindBalls::collect() {
    runs_.clear();
    flying_.clear();
    if (!game_) return;
    for (const auto& s : game_->sequences()) {
        if (game_->is_sequence_dropped(s.get())) continue;
        Run run;
        for (const auto& b : s->balls()) {
            if (passes(*b)) {
                if (!run.first) run.first = b;
                ++run.length;
            } else if (run.first) {
                runs_.push_back(std::move(run));
                run = Run();
            }
        }
        if (run.first) runs_.push_back(std::move(run));
    }
    for (const auto& f : game_->flying_balls()) {
        if (game_->is_flying_ball_dropped(f.get())) continue;
        const auto ball = f->ball();
        if (ball && passes(*ball)) flying_.push_back(f.get());
    }
}

bool FindBalls::any_on_known_way() const {
    if (!game_) return false;
    for (const auto& r : runs_)
        if (r.first && game_->is_game_way(r.first->way())) return true;
    return false;
}

void FindBalls::consume_found() {
    const auto runs = std::move(runs_);
    const auto flying = std::move(flying_);
    runs_.clear();
    flying_.clear();
    if (!game_) return;
    for (const auto& r : runs) {
        // Earlier runs may have split or emptied the chain this run was
        // found in: take the chain that holds the first ball now, and never
        // more balls than it still has from there.
        Sequence* s = r.first ? r.first->sequence() : nullptr;
        if (!s || game_->is_sequence_dropped(s)) continue;
        const Sequence::Node node = s->find(*r.first);
        if (node == s->balls().end()) continue;
        const int left = int(std::distance(node, s->balls().end()));
        const int count = std::min(r.length, left);
        const bool held_both = s->head() && s->tail();
        Way* way = s->way();
        Sequence::BallVector removed;
        s->consume_run(node, count, removed);
        if (removed.empty()) continue;
        const bool destroyed = s->empty() && held_both && game_->is_game_way(way);
        game_->consume_balls(
            removed, {.mission = true, .give_points = true, .creature_destroyed = destroyed, .way = way});
    }
    for (FlyingBall* f : flying) {
        // Only balls the game still lists; one taken by an earlier effect of
        // this query is not reported twice.
        if (!game_->flying_ball_ref(f) || game_->is_flying_ball_dropped(f)) continue;
        if (auto ball = f->ball()) game_->send_consuming_balls(ball);
        game_->drop_flying_ball(f);
    }
}

bool FindBallsInCircle_WithOutEntryWay::test(const Ball& ball) const {
    const Vector2 d = ball.position() - centre_;
    return d.x * d.x + d.y * d.y <= radius_sq_;
}

bool FindBallsInRect_WithOutEntryWay::test(const Ball& ball) const { return rect_.contains(ball.position()); }

bool FindBallsWithColorInRect_WithOutEntryWay::test(const Ball& ball) const {
    return ball.color() == color_ && FindBallsInRect_WithOutEntryWay::test(ball);
}

// ---------------------------------------------------------------- colour pools

std::vector<std::int32_t> colors_of_sequence(const Sequence& s) {
    std::vector<std::int32_t> pool;
    for (const auto& b : s.balls()) add_color(pool, b->color());
    return pool;
}

std::vector<std::int32_t> colors_in_rect(const Game& game, const FindRect& rect) {
    std::vector<std::int32_t> pool;
    for (const auto& s : game.sequences()) {
        if (game.is_sequence_dropped(s.get()) || !game.is_game_way(s->way())) continue;
        for (const auto& b : s->balls())
            if (rect.contains(b->position())) add_color(pool, b->color());
    }
    return pool;
}

ColorBag::ColorBag(const std::vector<std::int32_t>& colors) {
    for (std::int32_t c : colors)
        if (is_pool_color(c)) full.push_back(c);
    remaining = full;
}

std::int32_t pick_color(const Game& game, const std::vector<std::int32_t>& list) {
    if (list.empty()) return game.random_ball_color();
    return list[std::size_t(random_pick(int(list.size())))];
}

std::int32_t draw_color(ColorBag& bag) {
    if (bag.remaining.empty()) bag.remaining = bag.full;
    if (bag.remaining.empty()) return color_none;
    const std::size_t i = std::size_t(random_pick(int(bag.remaining.size())));
    const std::int32_t c = bag.remaining[i];
    bag.remaining[i] = bag.remaining.back();
    bag.remaining.pop_back();
    if (bag.remaining.empty()) bag.remaining = bag.full;
    return c;
}

// ---------------------------------------------------------------- geometry

bool same_level(const Ball& a, const Ball& b) {
    const Way* wa = a.way();
    const Way* wb = b.way();
    if (!wa || !wb || wa != wb) return true;
    const auto& pieces = wa->pieces();
    if (pieces.empty()) return true;
    auto piece = [&](std::int32_t segment) {
        const std::int32_t last = std::int32_t(pieces.size()) - 1;
        return pieces[std::size_t(std::clamp(segment, std::int32_t(0), last))];
    };
    return piece(a.segment()) == piece(b.segment());
}

bool ray_hits_circle(const Vector2& centre, float r, const Vector2& origin, const Vector2& dir) {
    const Vector2 d = centre - origin;
    const float t = d.dot(dir);
    if (t < 0.0f) return false;
    return r * r > d.dot(d) - t * t + 0.001f;
}

bool reached_this_step(const Vector2& position, const Vector2& direction, float speed, const Vector2& point,
                       float dt) {
    const Vector2 d = point - position;
    if (d.dot(direction) <= 0.0f) return true;
    return (d - direction * (speed * dt)).dot(direction) <= 0.0f;
}

Vector2 normalize(const Vector2& v) { return v.normalized(); }

}  // namespace orvek::trelm::logic
