#pragma once
// The lift that brings new balls up the shaft below the play field, and the
// door at the top of the shaft that opens to let them out. The ball supply
// orders a column of colours; the lift raises it and hands every ball that
// passes the top of the shaft to the game.
#include <cstdint>
#include <memory>
#include <vector>

#include "logic/Obj.h"
#include "logic/Vector2.h"

namespace orvek::trelm::logic {

class Ball;
class Game;
class Lift;
class Sequence;

class Door : public Obj {
public:
    enum State : std::uint32_t { open = 0, closed = 1, opening = 2, closing = 3 };

    Door();
    ~Door() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    bool is_open() const { return state_ == open; }
    bool is_closed() const { return state_ == closed; }
    std::uint32_t state() const { return state_; }
    // 1 when closed, 0 when open.
    float fraction() const { return fraction_; }
    std::shared_ptr<Lift> lift() const { return lift_.lock(); }

    void close_now();
    void start_opening() { state_ = opening; }
    // Belongs to the lift from now on; closed at once.
    void set_lift(std::weak_ptr<Lift> lift);

protected:
    void on_update(float dt) override;

private:
    std::uint32_t state_ = closed;
    float fraction_ = 0.0f;
    std::weak_ptr<Lift> lift_;
};

class Lift : public Obj {
public:
    enum State : std::uint32_t { idle = 0, raising = 1, returning = 2 };

    Lift();
    ~Lift() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    std::uint32_t state() const { return state_; }
    const Vector2& top() const { return top_; }
    const Vector2& door_line() const { return door_line_; }
    // The chain being raised while it is still in the game; null otherwise.
    std::shared_ptr<Sequence> chain() const;
    std::shared_ptr<Door> door() const { return door_.lock(); }

    void set_door(std::weak_ptr<Door> door);
    void set_top(const Vector2& top);
    // A column of new balls below the field, one per colour, the first
    // colour at the top; the lift starts raising it.
    void load(const std::vector<std::int32_t>& colors);
    // Lets go of the chain (and takes it out of the game if it is still there).
    void drop_chain();
    void go_idle() { state_ = idle; }
    bool lets_door_close() const;

protected:
    void on_update(float dt) override;

private:
    void raise(float dt);

    std::uint32_t state_ = idle;
    Vector2 top_;
    Vector2 door_line_;
    std::weak_ptr<Sequence> chain_;
    std::weak_ptr<Door> door_;
};

class LiftSystem {
public:
    explicit LiftSystem(Game* game);
    LiftSystem(const LiftSystem&) = delete;
    LiftSystem& operator=(const LiftSystem&) = delete;
    ~LiftSystem();

    // Links lift and door and announces both to the game.
    void start();
    // Takes lift and door out of the game.
    void withdraw();
    // p is the top of the shaft.
    void set_position(const Vector2& p);
    // Door closed at once, lift idle and without a chain.
    void reset();
    // Loads one new ball of each colour into the lift and opens the door.
    void send(const std::vector<std::int32_t>& colors);
    bool is_busy() const;
    int ball_count() const;
    // The highest ball of the column, or null.
    Ball* top_ball() const;
    void update(float dt);

    Game* game() const { return game_; }
    const std::shared_ptr<Lift>& lift() const { return lift_; }
    const std::shared_ptr<Door>& door() const { return door_; }

    void save(io::OStream& out) const;
    // Reads lift and door, then hands them to the game again.
    void load(io::IStream& in);

private:
    Game* game_;
    std::shared_ptr<Lift> lift_;
    std::shared_ptr<Door> door_;
};

}  // namespace orvek::trelm::logic
