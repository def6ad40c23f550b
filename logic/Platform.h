#pragma once
// The shooter the player moves along a line at the bottom of the field. It
// holds at most one ball, taken from the contour chains, and fires it
// straight up; special balls from bonuses replace it, and lightning and
// aiming-hit balls strike at once instead of flying.
#include <memory>

#include "logic/Obj.h"

namespace orvek::trelm::logic {

class Ball;

class Platform : public Obj {
public:
    static constexpr std::int32_t platform_draw_order = 2000;
    static constexpr std::int32_t loaded_draw_order = 3000;

    Platform();
    ~Platform() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    // The line and the range of x; the platform goes to the middle.
    void set_line(float y, float left, float right);
    // Moves the platform; a loaded ball follows, shifted by "platform/@ball_shift".
    void set_position(const Vector2& p);
    // Moves along the line, clamped to the limits.
    void move_to(float x);
    // Within the catching rectangle, edges included.
    bool contains(const Vector2& p) const;

    const std::shared_ptr<Ball>& ball() const { return ball_; }
    // Loads a ball; one loaded before leaves the game.
    void set_ball(std::shared_ptr<Ball> ball);
    // Takes the loaded ball out of the game and allows the next shot at once.
    void clear_ball();
    // Hands the loaded ball over without telling the game.
    std::shared_ptr<Ball> release_ball();
    // Loads (or exchanges) the ball nearest to the platform from the contour
    // chains, once shooting is allowed.
    void take_ball();
    // What take_ball would load now, or null.
    Ball* ball_to_take() const;
    bool is_intensified() const;
    // A caught bonus's special ball: 1 bomb, 2 lightning, 3 aiming hit. The
    // same kind already loaded is intensified instead.
    void set_special(std::int32_t kind);
    void shoot();
    // The game's step: loads a ball when it can, updates it, and drops it
    // once the sub-level is no longer being played.
    void update(float dt);

    float next_shot_time() const { return next_shot_time_; }
    float limit_left() const { return limit_left_; }
    float limit_right() const { return limit_right_; }

protected:
    void on_relinked() override;

private:
    // Shooting is allowed: the block time has passed and the game is playing.
    bool may_take() const;

    std::shared_ptr<Ball> ball_;
    float next_shot_time_ = 0.0f;
    float limit_left_ = 0.0f;
    float limit_right_ = 0.0f;
};

}  // namespace orvek::trelm::logic
