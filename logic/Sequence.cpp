#include "logic/Sequence.h"

#include <cmath>
#include <iterator>

#include "logic/Ball.h"
#include "logic/FlyingBall.h"
#include "logic/Game.h"
#include "logic/LegacyRand.h"
#include "logic/SpeedChanger.h"
#include "logic/ZelkorRegion.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> impulse_consume("sequence/@impulse_consume", 30.0f);
ostrel::ConfigValueReadOnly<float> speed_for_sound_rolling("sequence/@speed_for_sound_rolling", 100.0f);
ostrel::ConfigValueReadOnly<float> speed_after_connect_increment("sequence/@speed_after_connect_increment",
                                                                 -10.0f);
ostrel::ConfigValueReadOnly<float> speed_after_connect_min("sequence/@speed_after_connect_min", -30.0f);
ostrel::ConfigValueReadOnly<float> connect_path("zelkor/@connect_path", 60.0f);
ostrel::ConfigValueReadOnly<bool> color_in_2_colors("debug/@color_in_2_colors", false);

// The debug two-colour mode alternates runs of red and black across the program.
std::int32_t last_debug_color = 0;

float diameter() { return 2.0f * ball_radius(); }

}  // namespace

Sequence::Sequence() = default;

Sequence::Sequence(Game* game, Way* way, const Float3& motion) : game_(game), way_(way), motion_(motion) {
    if (game_ && way_) way_ref_ = game_->way_ref(way_);
}

Sequence::~Sequence() {
    // A region kept alive elsewhere must not point at a chain that is gone.
    for (auto* r : {&head_, &tail_})
        if (*r && (*r)->chain() == this) (*r)->set_chain(nullptr);
}

void Sequence::detach_game() {
    game_ = nullptr;
    for (auto& b : balls_) b->relink_game(nullptr);
    if (head_) head_->relink_game(nullptr);
    if (tail_) tail_->relink_game(nullptr);
}

void Sequence::attach_to_game(Game* game) {
    game_ = game;
    if (!way_ref_ && game_ && way_) way_ref_ = game_->way_ref(way_);
    for (auto& b : balls_) {
        b->set_sequence(this);
        game_->on_object_added(b);
    }
    for (auto* r : {&head_, &tail_}) {
        if (!*r) continue;
        (*r)->set_chain(this);
        game_->on_object_added(*r);
    }
}

void Sequence::own(Ball& ball) { ball.set_sequence(this); }

// ---------------------------------------------------------------- motion

void Sequence::step(float dt) {
    const bool known = game_ && game_->is_game_way(way_);
    if (known && !same_color_connection(*game_, *this)) connections_ = 0;
    if (game_) game_->speed_changers().apply_first(*this);
    const float d = motion_.step(dt);
    if (!move_by(d)) motion_.speed = 0.0f;
    if (head_) head_->update(dt);
    if (tail_) tail_->update(dt);
    for (auto& b : balls_) b->update(dt);
    if (known && motion_.speed >= speed_for_sound_rolling.get())
        game_->add_action(make_game_action<GameActionSequenceRoll>(action_sequence_roll, motion_.speed));
}

bool Sequence::move_by(float d) {
    if (d == 0.0f || balls_.empty() || !way_) return true;
    Ball& ref = d < 0.0f ? *balls_.front() : *balls_.back();
    float room = d < 0.0f ? way_->distance_from_start(ref.way_position()) : way_->distance_to_end(ref.way_position());
    if (!(room > 0.0f)) room = 0.0f;
    bool whole = true;
    if (std::fabs(d) > room) {
        d = std::copysign(room, d);
        whole = false;
    }
    ref.move_along(d);
    relay(d < 0.0f ? +1 : -1);
    return whole;
}

void Sequence::lay(Node from, int direction, bool snap_heading) {
    if (balls_.empty() || !way_) return;
    const float chord = direction > 0 ? diameter() : -diameter();
    auto place_one = [&](Ball& b, const Ball& neighbour) {
        WayPosition p = neighbour.way_position();
        float moved = 0.0f;
        std::int32_t link = -1;
        way_->advance_by_chord(neighbour.position(), chord, p, moved, link);
        if (snap_heading) {
            b.set_way_position(p);
            b.set_direction(way_->direction(p.index));
        } else {
            b.take_place(p, way_->distance(b.way_position(), p), link);
        }
    };
    if (direction > 0) {
        for (auto it = std::next(from); it != balls_.end(); ++it) place_one(**it, **std::prev(it));
    } else {
        for (auto it = from; it != balls_.begin();) {
            auto succ = it;
            --it;
            place_one(**it, **succ);
        }
    }
}

void Sequence::relay(int direction) {
    if (balls_.empty()) return;
    if (direction > 0)
        lay(balls_.begin(), +1, false);
    else
        lay(std::prev(balls_.end()), -1, false);
}

void Sequence::place_at(const WayPosition& p) {
    if (balls_.empty() || !way_) return;
    Ball& front = *balls_.back();
    front.set_way_position(p);
    front.set_direction(way_->direction(p.index));
    lay(std::prev(balls_.end()), -1, true);
}

bool Sequence::place_next_to(const Ball& ball, int direction) {
    if (balls_.empty() || !way_) return true;
    Ball& end = direction > 0 ? *balls_.front() : *balls_.back();
    // A ball on another way (a branch ball at the contour's end) has a place
    // that means nothing on this one: the search starts from the end ball.
    WayPosition p = ball.way() == way_ ? ball.way_position() : end.way_position();
    float moved = 0.0f;
    std::int32_t link = -1;
    const bool flag = way_->advance_by_chord(ball.position(), direction > 0 ? diameter() : -diameter(), p, moved, link);
    end.take_place(p, way_->distance(end.way_position(), p), link);
    relay(direction > 0 ? +1 : -1);
    return flag;
}

void Sequence::fill(int count, int run_bound, const WayPosition& start, int direction, const ColorSource& colors,
                    bool no_repeat) {
    if (!way_ || count <= 0) return;
    if (run_bound < 1) run_bound = 1;  // the level check refuses such a bound; never divide by it
    int counter = 0;
    bool have_run = false;
    std::int32_t run_color = 0;
    Ball* previous = nullptr;
    for (int i = 0; i < count; ++i) {
        if (counter == 0) {
            std::int32_t c = colors ? colors() : color_none;
            if (no_repeat && have_run && colors)
                for (int k = 0; k < 10 && c == run_color; ++k) c = colors();
            counter = random() % run_bound + 1;
            if (color_in_2_colors.get()) {
                counter = 2;
                c = last_debug_color == color_red ? color_black : color_red;
                last_debug_color = c;
            }
            run_color = c;
            have_run = true;
        }
        auto ball = std::make_shared<Ball>(start.point, 0, this, BallKind{ball_plain, run_color});
        ball->set_rotation(float(2 * random()) * 9.587673e-5f);
        WayPosition p = start;
        if (previous) {
            p = previous->way_position();
            way_->advance_by_chord(previous->position(), direction == 1 ? diameter() : -diameter(), p);
        }
        ball->set_way_position(p);
        ball->set_direction(way_->direction(p.index));
        if (direction == 1)
            balls_.push_back(ball);
        else
            balls_.push_front(ball);
        previous = ball.get();
        if (game_) game_->on_object_added(ball);
        --counter;
    }
}

// ---------------------------------------------------------------- ball list

void Sequence::push_back(BallPtr ball) {
    own(*ball);
    balls_.push_back(std::move(ball));
}

void Sequence::push_front(BallPtr ball) {
    own(*ball);
    balls_.push_front(std::move(ball));
}

void Sequence::attach_ball(BallPtr ball, const Ball& reference) {
    if (way_ && way_->is_ahead(reference.way_position(), ball->way_position()))
        push_front(std::move(ball));
    else
        push_back(std::move(ball));
}

Sequence::Node Sequence::find(const Ball& ball) {
    for (auto it = balls_.begin(); it != balls_.end(); ++it)
        if (it->get() == &ball) return it;
    return balls_.end();
}

Sequence::BallPtr* Sequence::neighbour(const Ball& ball, int k) {
    Node it = find(ball);
    if (it == balls_.end()) return nullptr;
    for (; k > 0; --k)
        if (++it == balls_.end()) return nullptr;
    for (; k < 0; ++k) {
        if (it == balls_.begin()) return nullptr;
        --it;
    }
    return &*it;
}

bool Sequence::are_adjacent(const Ball& a, const Ball& b) const {
    for (auto it = balls_.begin(); it != balls_.end(); ++it) {
        if (it->get() != &a) continue;
        const auto next = std::next(it);
        if (next != balls_.end() && next->get() == &b) return true;
        return it != balls_.begin() && std::prev(it)->get() == &b;
    }
    return false;
}

Sequence::BallPtr Sequence::replace_ball(Ball& old_ball, BallPtr new_ball) {
    Node it = find(old_ball);
    if (it == balls_.end()) return {};
    new_ball->set_sequence(this);
    new_ball->set_way_position(old_ball.way_position());
    BallPtr old = std::move(*it);
    *it = std::move(new_ball);
    old->set_sequence(nullptr);
    return old;
}

Sequence::BallPtr Sequence::replace_with_placeholder(Ball& old_ball, std::weak_ptr<FlyingBall> flying) {
    auto placeholder = std::make_shared<BallEmpty>(old_ball.position(), std::move(flying));
    if (game_) game_->on_object_added(placeholder);
    return replace_ball(old_ball, placeholder);
}

void Sequence::substitute_ball(Ball& old_ball, BallPtr new_ball) {
    BallPtr old = replace_ball(old_ball, std::move(new_ball));
    if (old && game_) game_->remove_object(old);
}

// ---------------------------------------------------------------- split and removal

Sequence* Sequence::split_between(Ball& a, Ball& b) {
    Node na = find(a);
    if (na == balls_.end()) return nullptr;
    Node next = std::next(na);
    if (next != balls_.end() && next->get() == &b) return split(next);
    return split(na);
}

Sequence* Sequence::split(Node at) {
    if (at == balls_.begin() || at == balls_.end() || !game_) return nullptr;
    auto piece = std::make_shared<Sequence>(game_, way_, motion_);
    piece->balls_.splice(piece->balls_.end(), balls_, at, balls_.end());
    for (auto& b : piece->balls_) b->set_sequence(piece.get());
    game_->insert_sequence(piece);
    if (head_) piece->set_head(take_head());
    // The piece that would drive against the chain's motion stops dead.
    const bool going_back = motion_.acceleration < 0.0f || (motion_.acceleration == 0.0f && motion_.speed < 0.0f);
    if (going_back)
        motion_ = Float3();
    else
        piece->motion_ = Float3();
    return piece.get();
}

Sequence::BallPtr Sequence::remove_ball(Ball& ball) {
    Node it = find(ball);
    if (it == balls_.end()) return {};
    BallPtr handle = *it;
    BallVector removed;
    Sequence* front = nullptr;
    remove_balls(it, 1, removed, front);
    return handle;
}

void Sequence::remove_balls(Node first, int count, BallVector& removed, Sequence*& front_piece,
                            BallVector* detached) {
    removed.clear();
    front_piece = nullptr;
    Node it = first;
    for (int i = 0; i < count && it != balls_.end(); ++i) {
        BallPtr b = *it;
        b->set_sequence(nullptr);
        if (b->color() != color_none) removed.push_back(b);
        if (detached) detached->push_back(b);
        it = balls_.erase(it);
    }
    if (!balls_.empty()) {
        if (it != balls_.end() && it != balls_.begin()) front_piece = split(it);
    } else if (game_) {
        game_->drop_sequence(this);
    }
}

Sequence* Sequence::consume_run(Node first, int count, BallVector& removed) {
    BallVector detached;
    Sequence* front = nullptr;
    remove_balls(first, count, removed, front, &detached);
    // Colourless balls of the run go too: left in the game they would stay
    // on show with no chain.
    if (game_)
        for (auto& b : detached) game_->remove_object(b);
    motion_.speed -= impulse_consume.get();
    if (front) {
        front->motion_.speed += impulse_consume.get();
        front->connections_ = 1;
    }
    return front;
}

Sequence::Run Sequence::find_run(Node ball) {
    Run run;
    run.first = ball;
    if (ball == balls_.end()) return run;
    const std::int32_t c = (*ball)->color();
    std::int32_t current = c;
    for (auto it = std::next(ball); it != balls_.end() && colors_match(current, (*it)->color()); ++it) {
        ++run.ahead;
        current = (*it)->color();
    }
    current = c;
    for (auto it = ball; it != balls_.begin();) {
        --it;
        if (!colors_match(current, (*it)->color())) break;
        ++run.behind;
        current = (*it)->color();
        run.first = it;
    }
    return run;
}

void Sequence::match_at(Ball& ball, BallVector& removed) {
    removed.clear();
    const Run run = find_run(find(ball));
    if (run.first != balls_.end() && run.length() >= 3) consume_run(run.first, run.length(), removed);
}

Sequence* Sequence::match_at_junction(Ball& ball, BallVector& removed) {
    removed.clear();
    const Run run = find_run(find(ball));
    if (run.first == balls_.end() || run.length() < 3 || run.ahead < 1) return nullptr;
    return consume_run(run.first, run.length(), removed);
}

// ---------------------------------------------------------------- joining

void Sequence::try_join(Sequence& ahead) {
    if (balls_.empty() || ahead.balls_.empty() || !way_ || !game_) return;
    const Ball& front = *balls_.back();
    if (head_ && ahead.tail_ &&
        way_->distance(front.way_position(), ahead.rear_ball()->way_position()) < connect_path.get()) {
        auto h = take_head();
        auto t = ahead.take_tail();
        game_->remove_object(h);
        game_->remove_object(t);
        game_->add_action(make_game_action<GameActionHeadAndTailDestroing>(action_head_and_tail_destroing,
                                                                           h->position(), t->position()));
        game_->send_medals_stats();
    }
    const float gap = way_->distance(front.way_position(), ahead.rear_ball()->way_position());
    if (gap > diameter()) {
        WayPosition place = front.way_position();
        way_->advance_by_chord(front.position(), diameter(), place);
        if (way_->is_ahead(ahead.rear_ball()->way_position(), place)) return;
    }
    join(ahead);
}

void Sequence::join(Sequence& ahead) {
    if (!game_ || ahead.balls_.empty() || balls_.empty()) return;
    game_->add_action(GameAction(action_sequences_connection));

    bool other_wins;
    if (way_ && way_ == game_->contour().get())
        other_wins = motion_.acceleration == 0.0f;
    else
        other_wins = motion_.acceleration > 0.0f && ahead.motion_.acceleration > 0.0f &&
                     motion_.acceleration <= ahead.motion_.acceleration;
    if (other_wins) motion_.set_limits(ahead.motion_);

    const bool known = game_->is_game_way(way_);
    float speed = (motion_.speed + ahead.motion_.speed) * 0.5f;
    if (known && ahead.connections_ != 0) {
        const float cap =
            float(ahead.connections_ - 1) * speed_after_connect_increment.get() + speed_after_connect_min.get();
        if (speed > cap) speed = cap;
    }
    motion_.speed = speed;

    const Node junction_node = std::prev(balls_.end());
    Ball* junction = junction_node->get();
    // A piece that overlaps this one past its front ball (a ball that landed
    // where this chain had just rolled) is laid ahead of it: the balls stay
    // in order from rear to front.
    const bool overlapping = way_ && !way_->is_ahead(ahead.balls_.front()->way_position(), junction->way_position());
    for (auto& b : ahead.balls_) b->set_sequence(this);
    balls_.splice(balls_.end(), ahead.balls_);
    if (overlapping) lay(junction_node, +1, false);
    if (ahead.head_) {
        // The creature's front is the head ahead; a second head here would leak.
        if (head_) game_->remove_object(take_head());
        set_head(ahead.take_head());
    }

    if (game_->state() == Game::playing && known && ahead.connections_ != 0) {
        const bool held_both = head_ && tail_;
        const int creatures_ahead = game_->tails_ahead(this);
        BallVector removed;
        Sequence* front = match_at_junction(*junction, removed);
        if (!removed.empty())
            game_->consume_balls(removed, {.mission = true,
                                           .score = true,
                                           .give_points = true,
                                           .creature_destroyed = balls_.empty() && held_both,
                                           .creatures_ahead = creatures_ahead,
                                           .way = way_});
        if (front) front->connections_ += ahead.connections_;
    }
    ahead.balls_.clear();
    game_->drop_sequence(&ahead);
}

// ---------------------------------------------------------------- regions

void Sequence::set_head(std::shared_ptr<ZelkorRegion> head) {
    head_ = std::move(head);
    if (head_) head_->set_chain(this);
}

void Sequence::set_tail(std::shared_ptr<ZelkorRegion> tail) {
    tail_ = std::move(tail);
    if (tail_) tail_->set_chain(this);
}

std::shared_ptr<ZelkorRegion> Sequence::take_head() {
    auto h = std::move(head_);
    head_.reset();
    if (h) h->set_chain(nullptr);
    return h;
}

std::shared_ptr<ZelkorRegion> Sequence::take_tail() {
    auto t = std::move(tail_);
    tail_.reset();
    if (t) t->set_chain(nullptr);
    return t;
}

void Sequence::create_regions() {
    head_ = std::make_shared<ZelkorRegion>(ZelkorRegion::head_side, this);
    tail_ = std::make_shared<ZelkorRegion>(ZelkorRegion::tail_side, this);
    if (game_) {
        game_->on_object_added(head_);
        game_->on_object_added(tail_);
    }
}

void Sequence::clear() {
    BallList balls;
    balls.swap(balls_);
    for (auto& b : balls) {
        b->set_sequence(nullptr);
        if (game_) game_->remove_object(b);
    }
    if (!game_) return;
    if (head_ && tail_) {
        game_->remove_object(take_head());
        game_->remove_object(take_tail());
        return;
    }
    // A lone end region goes to the neighbouring piece of its creature; with
    // no such piece free to take it, it leaves the game.
    if (head_) {
        Sequence* behind = game_->sequence_behind(this);
        if (behind && !behind->head_)
            behind->set_head(take_head());
        else
            game_->remove_object(take_head());
    } else if (tail_) {
        Sequence* ahead = game_->sequence_ahead(this);
        if (ahead && !ahead->tail_)
            ahead->set_tail(take_tail());
        else
            game_->remove_object(take_tail());
    }
}

// ---------------------------------------------------------------- stream form

void Sequence::save(io::OStream& out) const {
    out << std::uint8_t(0);
    io::save_shared(out, way_ref_);
    motion_.save(out);
    io::write_count(out, balls_.size());
    for (const auto& b : balls_) {
        if (!out.good()) break;
        io::save_shared(out, b);
    }
    io::save_shared(out, head_);
    io::save_shared(out, tail_);
    out << connections_;
}

void Sequence::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    game_ = nullptr;
    io::load_shared(in, way_ref_);
    way_ = way_ref_.get();
    motion_.load(in);
    balls_.clear();
    const std::uint32_t count = io::read_count(in);
    if (count > most_balls) {
        orvek::TextualErrorInfo info("Sequence has too many balls");
        in.setstate(io::Stream::failbit, &info);
        return;
    }
    for (std::uint32_t i = 0; i < count && in.good(); ++i) {
        BallPtr b;
        io::load_shared(in, b);
        if (in.good() && b) {
            b->set_sequence(this);
            balls_.push_back(std::move(b));
        }
    }
    io::load_shared(in, head_);
    io::load_shared(in, tail_);
    if (head_) head_->set_chain(this);
    if (tail_) tail_->set_chain(this);
    in >> connections_;
}

}  // namespace orvek::trelm::logic
