#pragma once
// What the game and the chains ask of a ball in flight. The ball in flight
// itself (its flight, landing and hits) implements it.
#include <memory>

namespace orvek::trelm::logic {

class Ball;
class Game;

class FlyingBall {
public:
    virtual ~FlyingBall() = default;

    virtual Game* game() const = 0;
    // Forgets the game without calling back into it (game teardown).
    virtual void detach_game() = 0;
    // One step of flight.
    virtual void step(float dt) = 0;
    // Whether the game's hit pass offers this ball the chain balls it touches.
    virtual bool can_hit() const = 0;
    // The moving ball, or null once it was handed on.
    virtual std::shared_ptr<Ball> ball() const = 0;
    // A chain ball that the moving ball touches.
    virtual void add_candidate(std::weak_ptr<Ball> touched) = 0;
    // Removes the moving ball from the game (the removal operation run by
    // Game::drop_flying_ball).
    virtual void drop_ball() = 0;
    // The placeholder that keeps this ball's gap crossed a way jump: take
    // its place at once.
    virtual void complete_connection() = 0;
};

}  // namespace orvek::trelm::logic
