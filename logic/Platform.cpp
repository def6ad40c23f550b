#include "logic/Platform.h"

#include <algorithm>

#include "logic/Ball.h"
#include "logic/BallFree.h"
#include "logic/FindBalls.h"
#include "logic/Game.h"
#include "logic/GameBonuses.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> platform_width("platform/@width", 150.0f);
ostrel::ConfigValueReadOnly<float> platform_height("platform/@height", 40.0f);
ostrel::ConfigValueReadOnly<float> time_ball("platform/@time_ball", 0.5f);
ostrel::ConfigValueReadOnly<float> ball_speed("platform/@ball_speed", 600.0f);
ostrel::ConfigValueReadOnly<float> ball_shift("platform/@ball_shift", -20.0f);

}  // namespace

Platform::Platform() : Obj(Vector2(), platform_draw_order) {}

Platform::~Platform() = default;

void Platform::set_line(float y, float left, float right) {
    limit_left_ = left;
    limit_right_ = right;
    set_position(Vector2((left + right) * 0.5f, y));
}

void Platform::set_position(const Vector2& p) {
    Obj::set_position(p);
    if (ball_) ball_->set_position(Vector2(p.x, p.y + ball_shift.get()));
}

void Platform::move_to(float x) {
    if (x < limit_left_) x = limit_left_;
    if (x > limit_right_) x = limit_right_;
    set_position(Vector2(x, position().y));
}

bool Platform::contains(const Vector2& p) const {
    const float hw = platform_width.get() * 0.5f;
    const float hh = platform_height.get() * 0.5f;
    const Vector2& c = position();
    return c.x - hw <= p.x && p.x <= c.x + hw && c.y - hh <= p.y && p.y <= c.y + hh;
}

void Platform::set_ball(std::shared_ptr<Ball> ball) {
    if (ball_ && game()) game()->remove_object(ball_);
    ball_ = std::move(ball);
    set_position(position());
}

void Platform::clear_ball() {
    if (ball_ && game()) game()->remove_object(ball_);
    ball_.reset();
    next_shot_time_ = 0.0f;
}

std::shared_ptr<Ball> Platform::release_ball() { return std::exchange(ball_, nullptr); }

bool Platform::may_take() const {
    const Game* g = game();
    return g && g->time() >= g->params().time_block_shoot && g->state() == Game::playing;
}

void Platform::take_ball() {
    if (!may_take()) return;
    game()->exchange_platform_ball(ball_);
    if (ball_) {
        set_position(position());
        ball_->set_draw_order(loaded_draw_order);
    }
}

Ball* Platform::ball_to_take() const { return may_take() ? game()->next_ball_for_platform() : nullptr; }

bool Platform::is_intensified() const {
    const Game* g = game();
    return g && g->bonuses() && g->bonuses()->is_intensifier_active();
}

void Platform::set_special(std::int32_t kind) {
    if (ball_ && ball_->kind() == kind) {
        if (auto* special = dynamic_cast<BallBonus*>(ball_.get())) intensify(*special);
        return;
    }
    std::shared_ptr<Ball> made;
    switch (kind) {
    case ball_bomb: made = std::make_shared<BallBomb>(loaded_draw_order); break;
    case ball_lightning: made = std::make_shared<BallLightning>(loaded_draw_order); break;
    case ball_aiming_hit: made = std::make_shared<BallAimingHit>(loaded_draw_order); break;
    default: return;
    }
    if (game()) game()->on_object_added(made);
    set_ball(std::move(made));
}

void Platform::shoot() {
    Game* g = game();
    if (!g || g->state() != Game::playing || !ball_ || g->time() < next_shot_time_) return;
    const std::shared_ptr<Ball> ball = ball_;
    // A kind code without its special ball (a damaged save) fires as a plain ball would.
    const auto* bonus = dynamic_cast<const BallBonus*>(ball.get());
    switch (bonus ? ball->kind() : ball_plain) {
    case ball_lightning: {
        const BallBonus& special = *bonus;
        g->add_action(make_game_action<GameActionLightning>(action_lightning, ball->position(), special.intensified()));
        const float half = special.effect_size() * 0.5f;
        const float x = position().x;
        FindRect strip{std::max(0.0f, x - half), 0.0f, std::min(g->params().desktop_width, x + half), position().y};
        FindBallsInRect_WithOutEntryWay found(g, strip);
        found.collect();
        found.consume_found();
        g->remove_object(ball);
        break;
    }
    case ball_aiming_hit: {
        const BallBonus& special = *bonus;
        const auto [cx, cy] = g->cursor_position();
        FindBallsInCircle_WithOutEntryWay found(g, Vector2(cx, cy), special.effect_size());
        found.collect();
        // Nothing in reach: the shot is not fired and the ball stays.
        if (found.empty()) return;
        g->add_action(make_game_action<GameActionAimingHit>(action_aiming_hit, special.intensified()));
        found.consume_found();
        g->remove_object(ball);
        break;
    }
    default: {
        g->add_action(GameAction(action_shoot));
        const float speed = ball_speed.get();
        g->add_flying_ball(std::make_shared<BallFree>(g, ball, Float3(speed, speed, 0.0f), Vector2(0.0f, -1.0f),
                                                      true, 0, std::weak_ptr<ZelkorRegion>(),
                                                      std::weak_ptr<ZelkorRegion>()));
        if (ball->kind() == ball_plain && g->bonuses()) g->bonuses()->plain_shot();
        break;
    }
    }
    ball_.reset();
    next_shot_time_ = g->time() + time_ball.get();
}

void Platform::update(float dt) {
    Game* g = game();
    if (!g) return;
    if (!ball_ && may_take()) take_ball();
    if (ball_) ball_->update(dt);
    if (g->state() != Game::playing && ball_) {
        g->remove_object(ball_);
        ball_.reset();
    }
}

void Platform::on_relinked() {
    if (ball_ && game()) {
        ball_->relink_game(game());
        game()->on_object_added(ball_);
    }
}

void Platform::save(io::OStream& out) const {
    out << std::uint8_t(0);
    Obj::save(out);
    io::save_shared(out, ball_);
    out << next_shot_time_ << limit_left_ << limit_right_;
}

void Platform::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    Obj::load(in);
    io::load_shared(in, ball_);
    in >> next_shot_time_ >> limit_left_ >> limit_right_;
}

}  // namespace orvek::trelm::logic
