#pragma once
// A ball flying freely over the field: the platform's shot, or a ball that
// a shot knocked out of a chain. It flies straight toward its landing point
// on the contour, or into the gap it made in a chain (connecting), or rolls
// around a contour chain it touched (on contour) until it joins it.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "logic/Float3.h"
#include "logic/FlyingBall.h"
#include "logic/Vector2.h"
#include "logic/Way.h"
#include "orvek/io/Object.h"

namespace orvek::trelm::logic {

class Ball;
class BallBomb;
class BallEmpty;
class Game;
class ZelkorRegion;

class BallFree : public io::Object, public FlyingBall {
public:
    static constexpr std::int32_t flying_draw_order = 1000;

    // The factory's form before a load.
    BallFree();
    // Aims the ball at its landing point on the game's contour: where the
    // ray crosses it, or else the end of the contour that lies more in the
    // direction of flight (the first one on a tie).
    BallFree(Game* game, std::shared_ptr<Ball> ball, const Float3& motion, const Vector2& direction, bool can_hit,
             std::uint32_t indirect, std::weak_ptr<ZelkorRegion> head, std::weak_ptr<ZelkorRegion> tail);
    ~BallFree() override;
    BallFree(const BallFree&) = delete;
    BallFree& operator=(const BallFree&) = delete;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    // After the game's load: takes the game and shows the ball again.
    void attach_to_game(Game* game);

    // FlyingBall. The game's "first flag" of a ball in flight is can_hit,
    // its "second flag" is connecting (the ball supply counts only balls
    // whose second flag is clear).
    Game* game() const override { return game_; }
    void detach_game() override;
    void step(float dt) override;
    bool can_hit() const override { return can_hit_ != 0; }
    std::shared_ptr<Ball> ball() const override { return ball_; }
    void add_candidate(std::weak_ptr<Ball> touched) override;
    void drop_ball() override;
    // Asked by the placeholder when it crosses a way jump. The chain is then
    // in the middle of moving its balls, so the shot takes the place at the
    // start of its own next step instead of changing the chain under it.
    void complete_connection() override { complete_pending_ = true; }

    // Acts on the touches gathered in the previous step.
    void resolve_hits();
    // The shot takes the placeholder's place and the run through it is matched.
    void finish_connection();
    void contour_step(float dt);

    bool connecting() const { return connecting_ != 0; }
    bool on_contour() const { return on_contour_ != 0; }
    const Float3& motion() const { return motion_; }
    const Vector2& direction() const { return direction_; }
    const WayPosition& landing() const { return landing_; }
    std::uint32_t indirect() const { return indirect_; }
    std::shared_ptr<BallEmpty> slot() const { return slot_.lock(); }
    const std::vector<std::weak_ptr<Ball>>& excluded() const { return excluded_; }
    const std::multimap<float, std::weak_ptr<Ball>>& candidates() const { return candidates_; }
    std::weak_ptr<ZelkorRegion> head() const { return head_; }
    std::weak_ptr<ZelkorRegion> tail() const { return tail_; }
    float turn_rest() const { return turn_rest_; }
    const Vector2& anchor_last_position() const { return anchor_last_position_; }
    void set_excluded(std::vector<std::weak_ptr<Ball>> balls) { excluded_ = std::move(balls); }

private:
    // Whether the ball is at or past point, or passes it within dt.
    bool reaches(const Vector2& point, float dt) const;
    void land();
    // A bomb explodes and takes everything in its reach, itself included.
    void detonate();
    // Consumes the run that the touch on c completes; false when it is
    // shorter than three.
    bool consume_at(const std::shared_ptr<Ball>& c);
    void knock_out(const std::shared_ptr<Ball>& c);
    void choose_anchor();
    void connection_step(float dt);
    // Back to plain flight toward the landing point.
    void fly_on();

    Game* game_ = nullptr;
    std::shared_ptr<Ball> ball_;
    Float3 motion_;
    Vector2 direction_;
    std::uint8_t can_hit_ = 0;
    std::uint8_t connecting_ = 0;
    std::uint8_t on_contour_ = 0;
    WayPosition landing_;
    std::vector<std::weak_ptr<Ball>> excluded_;
    std::weak_ptr<BallEmpty> slot_;
    Vector2 slot_last_position_;
    Vector2 anchor_last_position_;
    float turn_rest_ = 0.0f;
    std::weak_ptr<Ball> anchor_;
    std::weak_ptr<Ball> previous_anchor_;
    std::vector<std::weak_ptr<Ball>> contour_touched_;
    std::weak_ptr<Ball> contour_ball_;
    Vector2 contour_ball_last_position_;
    std::multimap<float, std::weak_ptr<Ball>> candidates_;
    std::uint32_t indirect_ = 0;
    std::weak_ptr<ZelkorRegion> head_;
    std::weak_ptr<ZelkorRegion> tail_;
    bool complete_pending_ = false;
};

// The direction a knocked-out ball leaves in: k, or the grazing line past a
// neighbour's clearance circle nearest to k that no neighbour blocks; k when
// every candidate is blocked. A neighbour within the clearance of the centre
// has no grazing line and blocks every candidate.
Vector2 choose_knock_direction(const Vector2& k, const Vector2& centre, const std::optional<Vector2>& first,
                               const std::optional<Vector2>& second, float clearance);

}  // namespace orvek::trelm::logic
