#pragma once
// Area queries over the balls of every chain and of the shots in flight (a
// bomb, a lightning strip, an aiming hit, a colour bomb), the colour pools
// that choose colours for new balls, and small geometric tests of the ball
// in flight.
#include <cstdint>
#include <memory>
#include <vector>

#include "logic/Vector2.h"

namespace orvek::trelm::logic {

class Ball;
class FlyingBall;
class Game;
class Sequence;

struct FindRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    // Half-open: left <= x < right, top <= y < bottom.
    bool contains(const Vector2& p) const { return left <= p.x && p.x < right && top <= p.y && p.y < bottom; }
};

class FindBalls {
public:
    struct Run {
        std::shared_ptr<Ball> first;
        int length = 0;
    };

    explicit FindBalls(Game* game) : game_(game) {}
    virtual ~FindBalls();

    // Whether a ball lies in the area (the storage column is ruled out
    // before this is asked).
    virtual bool test(const Ball& ball) const = 0;

    // Gathers runs of passing balls per chain, then passing shots in flight.
    void collect();
    // Whether some run starts on a way of the game (not the contour's).
    bool any_on_known_way() const;
    // Removes every run and every found shot as consumed; both records are
    // emptied.
    void consume_found();

    const std::vector<Run>& runs() const { return runs_; }
    const std::vector<FlyingBall*>& flying() const { return flying_; }
    bool empty() const { return runs_.empty() && flying_.empty(); }

protected:
    Game* game_;

private:
    // Balls in the shaft below the field are never hit by an area effect.
    bool passes(const Ball& ball) const;

    std::vector<Run> runs_;
    std::vector<FlyingBall*> flying_;
};

class FindBallsInCircle_WithOutEntryWay : public FindBalls {
public:
    FindBallsInCircle_WithOutEntryWay(Game* game, const Vector2& centre, float radius)
        : FindBalls(game), centre_(centre), radius_sq_(radius * radius) {}
    bool test(const Ball& ball) const override;

private:
    Vector2 centre_;
    float radius_sq_;
};

class FindBallsInRect_WithOutEntryWay : public FindBalls {
public:
    FindBallsInRect_WithOutEntryWay(Game* game, const FindRect& rect) : FindBalls(game), rect_(rect) {}
    bool test(const Ball& ball) const override;

protected:
    FindRect rect_;
};

// Exact colour: a wild ball does not count as the colour looked for.
class FindBallsWithColorInRect_WithOutEntryWay : public FindBallsInRect_WithOutEntryWay {
public:
    FindBallsWithColorInRect_WithOutEntryWay(Game* game, const FindRect& rect, std::int32_t color)
        : FindBallsInRect_WithOutEntryWay(game, rect), color_(color) {}
    bool test(const Ball& ball) const override;

private:
    std::int32_t color_;
};

// ---------------------------------------------------------------- colour pools
// Pools keep only the colours 1 to 8, ascending and distinct.

std::vector<std::int32_t> colors_of_sequence(const Sequence& s);
// Over every live chain on a way of the game.
std::vector<std::int32_t> colors_in_rect(const Game& game, const FindRect& rect);

// Draws each colour once before any repeats.
struct ColorBag {
    ColorBag() = default;
    explicit ColorBag(const std::vector<std::int32_t>& colors);
    std::vector<std::int32_t> full;
    std::vector<std::int32_t> remaining;
};

// A uniformly drawn entry; from the sub-level's colours when list is empty.
std::int32_t pick_color(const Game& game, const std::vector<std::int32_t>& list);
// A random entry of what is left in the bag, refilled once it runs out.
// An empty bag gives no colour (0).
std::int32_t draw_color(ColorBag& bag);

// ---------------------------------------------------------------- geometry

// Whether two balls may touch across their way's levels: always when either
// is off a way or they roll on different ways; otherwise when both lie in
// the same piece of the way.
bool same_level(const Ball& a, const Ball& b);
// Whether the ray from origin along the unit dir passes strictly inside the
// circle (a graze is no hit; a circle behind the origin is never hit).
bool ray_hits_circle(const Vector2& centre, float r, const Vector2& origin, const Vector2& dir);
// Whether a shot at position moving along the unit direction at speed is at
// or past point, or passes it within dt.
bool reached_this_step(const Vector2& position, const Vector2& direction, float speed, const Vector2& point,
                       float dt);
// Unit vector; a zero vector stays zero instead of becoming NaN.
Vector2 normalize(const Vector2& v);

}  // namespace orvek::trelm::logic
