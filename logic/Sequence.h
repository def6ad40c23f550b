#pragma once
// A chain of balls rolling along one way, rear-most ball first. A creature
// is a chain with a head region at its front and a tail region at its rear;
// shots cut it into pieces, each a sequence of its own, and pieces join
// again when they touch.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <vector>

#include "logic/Float3.h"
#include "logic/Way.h"
#include "orvek/io/Object.h"

namespace orvek::trelm::logic {

class Ball;
class FlyingBall;
class Game;
class ZelkorRegion;

class Sequence : public io::Object {
public:
    using BallPtr = std::shared_ptr<Ball>;
    using BallList = std::list<BallPtr>;
    using Node = BallList::iterator;
    using BallVector = std::vector<BallPtr>;
    // Draws the colour of a new ball.
    using ColorSource = std::function<std::int32_t()>;

    // A run of matching colours through a ball.
    struct Run {
        Node first;      // rear-most ball of the run
        int ahead = 0;   // matching balls ahead of the ball
        int behind = 0;  // matching balls behind it
        int length() const { return ahead + behind + 1; }
    };

    // The most balls a saved chain may hold.
    static constexpr std::uint32_t most_balls = 1u << 16;

    Sequence();
    Sequence(Game* game, Way* way, const Float3& motion);
    // Member-wise, for the factory; a game never copies a chain.
    Sequence(const Sequence&) = default;
    Sequence& operator=(const Sequence&) = delete;
    ~Sequence() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;
    // After a load: the game pointer of the sequence, its balls and regions,
    // each announced to the game.
    void attach_to_game(Game* game);

    Game* game() const { return game_; }
    // Forgets the game without calling back into it (game teardown).
    void detach_game();
    Way* way() const { return way_; }
    const std::shared_ptr<Way>& way_ref() const { return way_ref_; }
    Float3& motion() { return motion_; }
    const Float3& motion() const { return motion_; }
    BallList& balls() { return balls_; }
    const BallList& balls() const { return balls_; }
    bool empty() const { return balls_.empty(); }
    Ball* rear_ball() const { return balls_.empty() ? nullptr : balls_.front().get(); }
    Ball* front_ball() const { return balls_.empty() ? nullptr : balls_.back().get(); }
    const std::shared_ptr<ZelkorRegion>& head() const { return head_; }
    const std::shared_ptr<ZelkorRegion>& tail() const { return tail_; }
    std::int32_t connections() const { return connections_; }
    void set_connections(std::int32_t c) { connections_ = c; }

    // One frame: rule, motion, regions and balls, rolling sound.
    void step(float dt);
    // Moves the chain by d, clipped at the ends of the way; false when clipped.
    bool move_by(float d);
    // Front ball at p, heading along the path, the others behind it.
    void place_at(const WayPosition& p);
    // Re-lays the chain one diameter apart: +1 from the rear ball forward,
    // -1 from the front ball backward.
    void relay(int direction);
    // Appends count new plain balls from start, one diameter apart, ahead
    // (direction +1) or behind (otherwise); runs of one colour hold at most
    // run_bound balls.
    void fill(int count, int run_bound, const WayPosition& start, int direction, const ColorSource& colors,
              bool no_repeat);

    void push_back(BallPtr ball);   // at the front end
    void push_front(BallPtr ball);  // at the rear end
    // At the front end, unless reference lies ahead of the new ball.
    void attach_ball(BallPtr ball, const Ball& reference);
    // Puts the rear ball (+1) or front ball (-1) one diameter ahead of /
    // behind ball and re-lays the chain from there.
    bool place_next_to(const Ball& ball, int direction);
    // The ball k places toward the front (k > 0) or the rear; null beyond.
    BallPtr* neighbour(const Ball& ball, int k);
    bool are_adjacent(const Ball& a, const Ball& b) const;
    Node find(const Ball& ball);

    // The new ball takes the old one's place; the old one is detached and returned.
    BallPtr replace_ball(Ball& old_ball, BallPtr new_ball);
    // A placeholder for the flying ball takes the old ball's place.
    BallPtr replace_with_placeholder(Ball& old_ball, std::weak_ptr<FlyingBall> flying);
    // As replace_ball, and the old ball leaves the game.
    void substitute_ball(Ball& old_ball, BallPtr new_ball);

    // Splits at b when it directly follows a toward the front, else at a.
    Sequence* split_between(Ball& a, Ball& b);
    // Moves the balls from at to the front end to a new piece; null when at
    // is the rear ball or the end.
    Sequence* split(Node at);
    BallPtr remove_ball(Ball& ball);
    // Detaches count balls from first forward. removed gets those with a
    // colour; detached (when given) every one. front_piece is the piece
    // split off ahead of the gap, or null.
    void remove_balls(Node first, int count, BallVector& removed, Sequence*& front_piece,
                      BallVector* detached = nullptr);
    // Removes a run with the consume impulse; the new front piece or null.
    Sequence* consume_run(Node first, int count, BallVector& removed);
    Run find_run(Node ball);
    void match_at(Ball& ball, BallVector& removed);
    Sequence* match_at_junction(Ball& ball, BallVector& removed);
    void try_join(Sequence& ahead);
    void join(Sequence& ahead);

    void set_head(std::shared_ptr<ZelkorRegion> head);
    void set_tail(std::shared_ptr<ZelkorRegion> tail);
    std::shared_ptr<ZelkorRegion> take_head();
    std::shared_ptr<ZelkorRegion> take_tail();
    void create_regions();
    // The removal run by Game::drop_sequence.
    void clear();

private:
    void lay(Node from, int direction, bool snap_heading);
    void own(Ball& ball);

    Game* game_ = nullptr;
    Way* way_ = nullptr;
    std::shared_ptr<Way> way_ref_;
    Float3 motion_;
    BallList balls_;
    std::shared_ptr<ZelkorRegion> head_;
    std::shared_ptr<ZelkorRegion> tail_;
    std::int32_t connections_ = 0;
};

}  // namespace orvek::trelm::logic
