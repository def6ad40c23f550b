#pragma once
// A game with a contour, its branches and the lift, for the ball supply and
// lift tests: storage and colours under the test's control, a straight game
// way, and helpers that lay chains on the contour and the branches.
#include <cstdint>
#include <memory>
#include <vector>

#include "GameHarness.h"
#include "logic/Lift.h"
#include "logic/Platform.h"

namespace logictest {

struct SupplyBench : GameBench {
    // Contour: an arc of radius 200 around (400, 500) from (200, 500) over
    // the top to (600, 500); the shaft top is (400, 500). Field height 600,
    // platform line y = 560. The game way runs along y = 100.
    static constexpr float contour_acceleration = 200.0f;

    // Without the game way the sub-level's colours are {4, 7}.
    explicit SupplyBench(int storage = 3, std::uint32_t seed = 1, bool with_way = true);

    logic::Way* way = nullptr;
    logic::Way* contour() const { return game.contour().get(); }
    logic::Way* first_branch() const { return game.first_branch().get(); }
    logic::Way* second_branch() const { return game.second_branch().get(); }
    logic::LiftSystem& lift() { return game.lift_system(); }

    // A chain on way laid from start, balls one diameter apart, ahead of it
    // (direction +1) or behind it (-1); colours from rear ball to front ball.
    logic::Sequence* lay(logic::Way* w, const std::vector<std::int32_t>& colors, const logic::WayPosition& start,
                         int direction, const logic::Float3& motion = {});
    // Storage chains: rear ball on the contour's first point / front ball on
    // its last point.
    logic::Sequence* at_s(const std::vector<std::int32_t>& colors);
    logic::Sequence* at_e(const std::vector<std::int32_t>& colors);
    // A one-ball chain at the shaft top end of a branch.
    logic::Sequence* at_top(logic::Way* branch, std::int32_t color);
    // A creature with head and tail on the game way.
    logic::Sequence* on_way(const std::vector<std::int32_t>& colors, float front = 300.0f);

    // Live chains on w, in list order.
    std::vector<logic::Sequence*> chains_on(const logic::Way* w) const;
    // Colours of every ball on the contour and both branches.
    std::vector<std::int32_t> supply_colors() const;
    // Balls on the contour, the branches, the platform and in the lift.
    int balls_in_supply();
    // Colours of the lift's column, top ball first.
    std::vector<std::int32_t> lift_colors();
    // Loads a plain ball of colour c onto the platform.
    void load_platform(std::int32_t c);
};

}  // namespace logictest
