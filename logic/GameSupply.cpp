// The ball supply: the storage chains on the contour, the two branches up to
// the top of the lift shaft, and the lift orders that keep 2 * storage + 1
// balls ready for the platform.
#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <vector>

#include "logic/Ball.h"
#include "logic/BallFree.h"
#include "logic/FindBalls.h"
#include "logic/Game.h"
#include "logic/LegacyRand.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"

namespace orvek::trelm::logic {

namespace {

using BallPtr = std::shared_ptr<Ball>;

// Colours the supply counts, orders and drops.
constexpr int kFirstColor = 1;
constexpr int kLastColor = 8;
bool supply_color(std::int32_t c) { return c >= kFirstColor && c <= kLastColor; }
// Only plain balls of a real colour are counted per colour, and only such
// balls are ever thrown away: a wild or special ball is the player's bonus.
bool countable(const Ball& b) { return b.kind() == ball_plain && supply_color(b.color()); }

float squared(const Vector2& a, const Vector2& b) {
    const Vector2 d = a - b;
    return d.dot(d);
}

float diameter() { return 2.0f * ball_radius(); }

bool within_half(const Vector2& a, const Vector2& b) { return squared(a, b) < 0.25f; }
bool within_diameter(const Vector2& a, const Vector2& b) { return squared(a, b) < diameter() * diameter(); }

bool touching(const Ball* a, const Ball* b) { return a && b && ball_overlap(*a, *b) > 0.0f; }

// Moves x alone (its chain is not re-laid) to one diameter ahead of (+1) or
// behind (-1) y, searching along x's own way from where x stands.
void set_next_to(Ball& x, const Ball& y, int direction) {
    Way* w = x.way();
    if (!w) return;
    WayPosition p = x.way_position();
    float moved = 0.0f;
    std::int32_t link = -1;
    w->advance_by_chord(y.position(), direction > 0 ? diameter() : -diameter(), p, moved, link);
    x.take_place(p, w->distance(x.way_position(), p), link);
}

void take_out_of_chain(Ball& b) {
    if (Sequence* s = b.sequence()) s->remove_ball(b);
}

}  // namespace

Sequence* Game::move_ball_to_way(Ball& ball, Way* way, int direction) {
    Sequence* from = ball.sequence();
    if (!from || !way) return nullptr;
    BallPtr b = from->remove_ball(ball);
    if (!b) return nullptr;
    Float3 motion = contour_speed_;
    WayPosition place = way->first_position();
    if (direction != 1) {
        place = way->last_position();
        motion.acceleration = -motion.acceleration;
    }
    auto s = std::make_shared<Sequence>(this, way, motion);
    b->set_way_position(place);
    s->push_back(std::move(b));
    Sequence* raw = s.get();
    insert_sequence(std::move(s));
    return raw;
}

void Game::receive_ball(std::shared_ptr<Ball> ball) {
    if (!ball) return;
    if (!contour_ || !first_branch_ || !second_branch_) {
        // No contour to take it: it must not linger on show.
        remove_object(ball);
        return;
    }
    const Vector2 s_point = contour_->first_position().point;
    const Vector2 e_point = contour_->last_position().point;
    Sequence* a = nullptr;
    Sequence* b = nullptr;
    for (const auto& s : sequences_) {
        if (!live(*s) || s->way() != contour_.get() || s->empty()) continue;
        if (within_diameter(s->rear_ball()->position(), s_point)) a = s.get();
        if (within_diameter(s->front_ball()->position(), e_point)) b = s.get();
    }

    if (Sequence* b1 = rear_sequence_on_way(first_branch_.get()); b1 && !b1->empty()) {
        if (Sequence* moved = move_ball_to_way(*b1->front_ball(), contour_.get(), +1)) {
            moved->motion().set_limits(Float3(0.0f, contour_speed_.max_speed, -contour_speed_.acceleration));
            Ball* m = moved->rear_ball();
            if (a && live(*a) && touching(m, a->rear_ball())) {
                a->place_next_to(*m, +1);
                // Both stood on the contour's first point when the newcomer was
                // listed, so it went in after A; A is ahead of it now, and the
                // list must keep the path order for joins.
                const auto it = std::find_if(sequences_.begin(), sequences_.end(),
                                             [moved](const auto& p) { return p.get() == moved; });
                if (it != sequences_.end()) {
                    std::shared_ptr<Sequence> keep = *it;
                    sequences_.erase(it);
                    insert_sequence(std::move(keep));
                }
            }
        }
    }
    if (Sequence* b2 = rear_sequence_on_way(second_branch_.get()); b2 && !b2->empty()) {
        if (Sequence* moved = move_ball_to_way(*b2->front_ball(), contour_.get(), -1)) {
            moved->motion().set_limits(contour_speed_);
            Ball* m = moved->front_ball();
            if (b && live(*b) && touching(m, b->front_ball())) b->place_next_to(*m, -1);
        }
    }

    auto top = std::make_shared<Sequence>(this, first_branch_.get(), contour_speed_);
    ball->set_way_position(first_branch_->last_position());
    top->push_back(std::move(ball));
    insert_sequence(std::move(top));
}

void Game::fill_contour() {
    if (!contour_) return;
    // The new balls keep to the colours of the chain nearest its finish.
    const Sequence* lead = nullptr;
    float nearest = std::numeric_limits<float>::infinity();
    for (auto it = sequences_.rbegin(); it != sequences_.rend(); ++it) {
        const Sequence& s = **it;
        if (!live(s) || !is_game_way(s.way()) || s.empty()) continue;
        const float d = s.way()->distance_to_finish_mark(s.front_ball()->way_position());
        if (d < nearest) {
            nearest = d;
            lead = &s;
        }
    }
    ColorBag bag = lead ? ColorBag(colors_of_sequence(*lead)) : ColorBag();
    // No chain on the ways yet (or none with a real colour): the sub-level's
    // own colours, never an empty bag.
    if (bag.full.empty()) bag = ColorBag(ball_colors_);
    const Sequence::ColorSource source = [&bag] { return draw_color(bag); };

    const int storage = std::max(params_.storage, 0);
    if (storage > 0) {
        // Each storage chain rests against its own end of the contour.
        auto front = std::make_shared<Sequence>(
            this, contour_.get(), Float3(contour_speed_.speed, contour_speed_.max_speed, -contour_speed_.acceleration));
        front->fill(storage, 1, contour_->first_position(), +1, source, false);
        insert_sequence(std::move(front));
        auto back = std::make_shared<Sequence>(this, contour_.get(), contour_speed_);
        back->fill(storage, 1, contour_->last_position(), -1, source, false);
        insert_sequence(std::move(back));
    }
    if (first_branch_) {
        auto top = std::make_shared<Sequence>(this, first_branch_.get(), contour_speed_);
        top->fill(1, 1, first_branch_->last_position(), -1, source, false);
        insert_sequence(std::move(top));
    }
}

void Game::supply_balls() {
    // Without a contour there is nothing to supply.
    if (!contour_ || !first_branch_ || !second_branch_ || !shaft_) return;
    const int wanted = 2 * std::max(params_.storage, 0) + 1;
    const auto on_supply_way = [this](const Way* w) {
        return w && (w == contour_.get() || w == first_branch_.get() || w == second_branch_.get());
    };

    // 1. What the supply holds, per colour.
    std::array<int, kLastColor + 1> count{};
    std::array<std::vector<BallPtr>, kLastColor + 1> listed;
    int total = 0;
    const auto count_ball = [&](const BallPtr& b) {
        ++total;
        if (!countable(*b)) return;
        ++count[std::size_t(b->color())];
        if (b->sequence()) listed[std::size_t(b->color())].push_back(b);
    };
    for (const auto& s : sequences_)
        if (live(*s) && on_supply_way(s->way()))
            for (const auto& b : s->balls()) count_ball(b);
    for (const auto& f : flying_) {
        if (is_flying_ball_dropped(f.get())) continue;
        // A ball flying into the gap it made belongs to the ways already.
        if (const auto* bf = dynamic_cast<const BallFree*>(f.get()); bf && bf->connecting()) continue;
        if (BallPtr b = f->ball()) count_ball(b);
    }
    if (platform_ && platform_->ball()) count_ball(platform_->ball());

    // 2. The colours of the front-most creature of each way, and of every way.
    std::array<bool, kLastColor + 1> ahead{};
    std::array<bool, kLastColor + 1> on_ways{};
    for (const auto& s : sequences_)
        if (live(*s) && is_game_way(s->way()))
            for (const auto& b : s->balls())
                if (supply_color(b->color())) on_ways[std::size_t(b->color())] = true;
    for (const auto& w : ways_) {
        for (auto it = sequences_.rbegin(); it != sequences_.rend(); ++it) {
            const Sequence& s = **it;
            if (!live(s) || s.way() != w.get()) continue;
            for (const auto& b : s.balls())
                if (supply_color(b->color())) ahead[std::size_t(b->color())] = true;
            if (s.tail()) break;
        }
    }

    // 3. Colours gone from the ways leave the supply too.
    std::vector<BallPtr> drop;
    if (platform_ && platform_->ball()) {
        const Ball& pb = *platform_->ball();
        if (countable(pb) && !on_ways[std::size_t(pb.color())]) drop.push_back(platform_->release_ball());
    }
    for (int c = kFirstColor; c <= kLastColor; ++c) {
        if (on_ways[std::size_t(c)]) continue;
        for (const auto& b : listed[std::size_t(c)]) {
            take_out_of_chain(*b);
            drop.push_back(b);
        }
        listed[std::size_t(c)].clear();
    }

    // 4. No more than wanted: thin out the most plentiful colour.
    while (total - int(drop.size()) + lift_system_->ball_count() > wanted) {
        int most = 0;
        for (int c = kFirstColor; c <= kLastColor; ++c) {
            const auto i = std::size_t(c);
            if (count[i] >= 2 && !listed[i].empty() && (most == 0 || count[i] > count[std::size_t(most)])) most = c;
        }
        if (most == 0) break;
        --count[std::size_t(most)];
        BallPtr b = listed[std::size_t(most)].back();
        listed[std::size_t(most)].pop_back();
        take_out_of_chain(*b);
        drop.push_back(std::move(b));
    }

    // 5. They vanish as consumed, without points or progress.
    for (const auto& b : drop) remove_object(b);
    if (!drop.empty()) consume_balls(drop, {});

    // 6. Order what is missing.
    if (!lift_system_->is_busy()) {
        std::vector<std::int32_t> order;
        for (int c = kFirstColor; c <= kLastColor; ++c)
            if (ahead[std::size_t(c)] && count[std::size_t(c)] == 0) order.push_back(c);
        const int left = total - int(drop.size());
        while (int(order.size()) + left < wanted) {
            int fewest = 0;
            for (int c = kFirstColor; c <= kLastColor; ++c) {
                const auto i = std::size_t(c);
                if (on_ways[i] && count[i] < wanted && (fewest == 0 || count[i] < count[std::size_t(fewest)]))
                    fewest = c;
            }
            if (fewest == 0) break;
            order.push_back(fewest);
            ++count[std::size_t(fewest)];
        }
        if (!order.empty()) lift_system_->send(order);
    }

    // 7. Balls move between the contour and its branches.
    const Vector2 s_point = contour_->first_position().point;
    const Vector2 e_point = contour_->last_position().point;
    const Vector2 t_point = shaft_->last_position().point;
    Sequence *b1 = nullptr, *b2 = nullptr, *a0 = nullptr, *a = nullptr, *z0 = nullptr, *z = nullptr;
    for (const auto& sp : sequences_) {
        Sequence* s = sp.get();
        if (!live(*s) || s->empty()) continue;
        if (s->way() == first_branch_.get()) b1 = s;
        if (s->way() == second_branch_.get()) b2 = s;
        if (s->way() != contour_.get()) continue;
        const Vector2 rear = s->rear_ball()->position();
        const Vector2 front = s->front_ball()->position();
        if (within_half(rear, s_point)) a0 = s;
        if (within_diameter(rear, s_point)) a = s;
        if (within_half(front, e_point)) z0 = s;
        if (within_diameter(front, e_point)) z = s;
    }
    const auto still_there = [this](Sequence* s) { return s && live(*s) && !s->empty() ? s : nullptr; };

    // An empty shaft top takes a ball from the longer storage chain.
    if (lift_system_->ball_count() == 0 && !b1 && !b2) {
        if (a0 && (!z0 || a0->balls().size() > z0->balls().size() ||
                   (a0->balls().size() == z0->balls().size() && random() % 2 == 1))) {
            b1 = move_ball_to_way(*a0->rear_ball(), first_branch_.get(), +1);
            a = still_there(a0);
        } else if (z0) {
            b2 = move_ball_to_way(*z0->front_ball(), second_branch_.get(), +1);
            z = still_there(z0);
        }
    }
    if (!b1 && !b2) return;

    // Close up the branches against the column and the storage chains.
    if (Ball* u = lift_system_->top_ball()) {
        if (b1) {
            Ball* f = b1->front_ball();
            if (touching(u, f)) set_next_to(*f, *u, -1);
            if (a && touching(a->rear_ball(), f)) a->place_next_to(*f, +1);
        }
        if (b2) {
            Ball* g = b2->front_ball();
            if (touching(u, g)) set_next_to(*g, *u, -1);
            if (z && touching(z->front_ball(), g)) z->place_next_to(*g, -1);
        }
    } else {
        Sequence* branch = b1 ? b1 : b2;
        Ball* x = b1 ? (a ? a->rear_ball() : nullptr) : (z ? z->front_ball() : nullptr);
        Ball* rear = branch->rear_ball();
        if (x && touching(x, rear)) set_next_to(*rear, *x, +1);
    }

    // A ball waiting at the shaft top goes to the branch of the shorter
    // storage chain.
    const std::size_t na = a ? a->balls().size() : 0;
    const std::size_t nz = z ? z->balls().size() : 0;
    if (b1 && nz < na && within_half(b1->rear_ball()->position(), t_point))
        if (Sequence* moved = move_ball_to_way(*b1->front_ball(), second_branch_.get(), -1))
            moved->motion() = contour_speed_;
    if (b2 && live(*b2) && !b2->empty() && na < nz && within_half(b2->rear_ball()->position(), t_point))
        if (Sequence* moved = move_ball_to_way(*b2->front_ball(), first_branch_.get(), -1))
            moved->motion() = contour_speed_;
}

}  // namespace orvek::trelm::logic
