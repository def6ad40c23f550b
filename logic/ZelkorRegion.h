#pragma once
// One end of a creature riding a chain: its head ahead of the chain's front
// ball (side 0) or its tail behind the rear ball (side 1). It follows its
// end ball while that stays the chain's end, and moves on by itself until it
// catches up with the new end ball otherwise.
#include <cstdint>
#include <memory>

#include "logic/Float3.h"
#include "logic/Obj.h"
#include "logic/Way.h"

namespace orvek::trelm::logic {

class Ball;
class Sequence;

class ZelkorRegion : public Obj {
public:
    enum Side : std::uint32_t { head_side = 0, tail_side = 1 };

    // The factory's form: side 0, no chain.
    ZelkorRegion();
    ZelkorRegion(std::uint32_t side, Sequence* chain);
    ~ZelkorRegion() override;

    void save(io::OStream& out) const override;
    void load(io::IStream& in) override;

    std::uint32_t side() const { return side_; }
    Sequence* chain() const { return chain_; }
    void set_chain(Sequence* chain) { chain_ = chain; }
    std::int32_t index() const { return index_; }
    WayPosition way_position() const { return WayPosition(index_, position()); }
    std::shared_ptr<Ball> ball() const { return ball_.lock(); }
    const Float3& speed() const { return speed_; }
    Float3& speed() { return speed_; }

    // Follows the chain's end ball for this side from now on, at once and
    // without turning.
    void attach(Sequence* chain);
    // The followed ball is alive and still the chain's end ball for this side.
    bool is_attached() const;

protected:
    void on_update(float dt) override;
    void on_added() override;
    void on_removal() override;

private:
    Ball* end_ball() const;
    float offset() const;
    void follow();
    void walk(float dt);
    void place(const WayPosition& p, float moved);
    void report_link(std::int32_t link);

    std::uint32_t side_ = head_side;
    Sequence* chain_ = nullptr;
    std::int32_t index_ = -1;
    std::weak_ptr<Ball> ball_;
    Float3 speed_;
};

}  // namespace orvek::trelm::logic
