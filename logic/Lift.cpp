#include "logic/Lift.h"

#include <utility>

#include "logic/Ball.h"
#include "logic/Game.h"
#include "logic/Sequence.h"
#include "logic/Way.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> lift_speed("lift_system/@lift_speed", 50.0f);
ostrel::ConfigValueReadOnly<float> door_height("lift_system/@door_height", 7.0f);
ostrel::ConfigValueReadOnly<float> door_speed("lift_system/@door_speed", 50.0f);

}  // namespace

// ---------------------------------------------------------------- door

Door::Door() : Obj(Vector2(), 0) {}

Door::~Door() = default;

void Door::close_now() {
    fraction_ = 1.0f;
    state_ = closed;
}

void Door::set_lift(std::weak_ptr<Lift> lift) {
    close_now();
    lift_ = std::move(lift);
}

void Door::on_update(float dt) {
    if (state_ == opening) {
        fraction_ -= door_speed.get() * dt;
        if (fraction_ <= 0.0f) {
            fraction_ = 0.0f;
            state_ = open;
        }
    } else if (state_ == closing) {
        fraction_ += door_speed.get() * dt;
        if (fraction_ >= 1.0f) {
            fraction_ = 1.0f;
            state_ = closed;
        }
    }
    if (state_ == open)
        if (const auto l = lift_.lock(); l && l->lets_door_close()) state_ = closing;
}

void Door::save(io::OStream& out) const {
    out << std::uint8_t(0);
    Obj::save(out);
    out << fraction_ << state_;
    io::save_shared(out, lift_.lock());
}

void Door::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    Obj::load(in);
    in >> fraction_ >> state_;
    // A damaged save must not leave a door that never closes again.
    if (state_ > closing || !(fraction_ >= 0.0f && fraction_ <= 1.0f)) close_now();
    io::load_weak(in, lift_);
}

// ---------------------------------------------------------------- lift

Lift::Lift() : Obj(Vector2(), 0) {}

Lift::~Lift() = default;

std::shared_ptr<Sequence> Lift::chain() const {
    auto c = chain_.lock();
    // A chain the game has let go of (a restart, a reset) is no column any more.
    if (c && (!c->game() || c->game()->is_sequence_dropped(c.get()))) return {};
    return c;
}

void Lift::set_door(std::weak_ptr<Door> door) {
    door_ = std::move(door);
    state_ = idle;
}

void Lift::set_top(const Vector2& top) {
    top_ = top;
    door_line_ = Vector2(top.x, top.y + ball_radius() + door_height.get());
}

bool Lift::lets_door_close() const {
    if (state_ == idle) return true;
    return state_ == returning && position().y >= door_line_.y;
}

void Lift::load(const std::vector<std::int32_t>& colors) {
    Game* g = game();
    if (!g || colors.empty() || !g->shaft_way()) return;
    const float r = ball_radius();
    const float desktop = g->params().desktop_height;
    const int n = int(colors.size());
    drop_chain();
    state_ = raising;
    set_position(Vector2(door_line_.x, desktop + 2.0f * r * float(n)));
    Way* shaft = g->shaft_way().get();
    auto c = std::make_shared<Sequence>(g, shaft, Float3());
    std::size_t next = 0;
    c->fill(n, 1, WayPosition(0, Vector2(top_.x, desktop + r)), -1,
            [&colors, &next] { return next < colors.size() ? colors[next++] : color_none; }, false);
    chain_ = c;
    g->insert_sequence(std::move(c));
}

void Lift::drop_chain() {
    const auto c = chain();
    chain_.reset();
    if (!c) return;
    // Still listed in the game: take it out with its balls.
    if (Game* g = c->game(); g && g->sequence_ref(c.get())) g->drop_sequence(c.get());
}

void Lift::on_update(float dt) {
    if (state_ == returning) {
        position().y += lift_speed.get() * dt;
        if (const Game* g = game(); !g || position().y >= g->params().desktop_height) state_ = idle;
    } else if (state_ == raising) {
        raise(dt);
    }
}

void Lift::raise(float dt) {
    Game* g = game();
    auto c = chain();
    if (g && c && !c->empty()) {
        const float d = lift_speed.get() * dt;
        position().y -= d;
        c->move_by(d);
        const auto door = door_.lock();
        if (!door || !door->is_open()) {
            // The whole column waits below the door line, however long it is.
            const float height = 2.0f * ball_radius() * float(c->balls().size());
            if (position().y - height < door_line_.y) {
                const float back = door_line_.y + height - position().y;
                position() = Vector2(door_line_.x, door_line_.y + height);
                c->move_by(-back);
            }
        }
        while (!c->empty() && c->front_ball()->position().y <= top_.y) {
            std::shared_ptr<Ball> b = c->remove_ball(*c->front_ball());
            g->receive_ball(std::move(b));
        }
        if (!c->empty()) return;
    }
    chain_.reset();
    state_ = returning;
    set_position(Vector2(top_.x, top_.y + ball_radius()));
}

void Lift::save(io::OStream& out) const {
    out << std::uint8_t(0);
    Obj::save(out);
    out << state_;
    out.write_point(top_);
    out.write_point(door_line_);
    io::save_shared(out, chain_.lock());
    io::save_shared(out, door_.lock());
}

void Lift::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    Obj::load(in);
    in >> state_;
    if (state_ > returning) state_ = returning;  // a damaged save: bring the lift down
    in.read_point(top_);
    in.read_point(door_line_);
    io::load_weak(in, chain_);
    io::load_weak(in, door_);
}

// ---------------------------------------------------------------- lift system

LiftSystem::LiftSystem(Game* game)
    : game_(game), lift_(std::make_shared<Lift>()), door_(std::make_shared<Door>()) {}

LiftSystem::~LiftSystem() = default;

void LiftSystem::start() {
    door_->set_lift(lift_);
    lift_->set_door(door_);
    if (!game_) return;
    game_->on_object_added(lift_);
    game_->on_object_added(door_);
}

void LiftSystem::withdraw() {
    if (!game_) return;
    game_->remove_object(door_);
    game_->remove_object(lift_);
}

void LiftSystem::set_position(const Vector2& p) {
    door_->set_position(Vector2(p.x, p.y + ball_radius() + door_height.get() * 0.5f));
    lift_->set_top(p);
}

void LiftSystem::reset() {
    door_->close_now();
    lift_->go_idle();
    lift_->drop_chain();
}

void LiftSystem::send(const std::vector<std::int32_t>& colors) {
    if (colors.empty()) return;
    lift_->load(colors);
    door_->start_opening();
}

bool LiftSystem::is_busy() const { return !door_->is_closed() || lift_->state() != Lift::idle; }

int LiftSystem::ball_count() const {
    const auto c = lift_->chain();
    return c ? int(c->balls().size()) : 0;
}

Ball* LiftSystem::top_ball() const {
    const auto c = lift_->chain();
    return c ? c->front_ball() : nullptr;
}

void LiftSystem::update(float dt) {
    door_->update(dt);
    lift_->update(dt);
}

void LiftSystem::save(io::OStream& out) const {
    out << std::uint8_t(0);
    io::save_shared(out, lift_);
    io::save_shared(out, door_);
}

void LiftSystem::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    std::shared_ptr<Lift> lift;
    std::shared_ptr<Door> door;
    io::load_shared(in, lift);
    io::load_shared(in, door);
    if (!in.good()) return;
    if (lift) lift_ = std::move(lift);
    if (door) door_ = std::move(door);
    if (!game_) return;
    for (const std::shared_ptr<Obj>& o : {std::shared_ptr<Obj>(lift_), std::shared_ptr<Obj>(door_)}) {
        o->relink_game(game_);
        game_->on_object_added(o);
    }
}

}  // namespace orvek::trelm::logic
