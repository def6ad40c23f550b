#pragma once
// A game in the headless harness: a creator built from plain data, a game
// whose callbacks go to a Recorder, and helpers that lay chains by hand.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "LogicHarness.h"
#include "logic/Ball.h"
#include "logic/FlyingBall.h"
#include "logic/Game.h"
#include "logic/GameBonuses.h"
#include "logic/GameSetup.h"
#include "logic/Sequence.h"
#include "logic/ZelkorRegion.h"

namespace logictest {

// Way settings that keep a test's chains under its control: no timed
// release, every chain keeps its way busy, and plain round speeds.
logic::WaySettings quiet_settings();

// A bonus holder whose running effects and walk a test switches by hand.
struct TestBonuses : logic::GameBonuses {
    bool slowing = false, go_back = false, stop = false;
    bool walk_finished = true, nothing_falling = true;
    int cancels = 0, drops = 0, walks_started = 0, resets = 0;
    void update(float) override {}
    bool is_slowing_active() const override { return slowing; }
    bool is_go_back_active() const override { return go_back; }
    bool is_stop_active() const override { return stop; }
    void cancel_go_back_and_stop() override {
        go_back = stop = false;
        ++cancels;
    }
    void drop_effects() override {
        slowing = go_back = stop = false;
        ++drops;
    }
    void start_level_complete_effect() override { ++walks_started; }
    bool level_complete_finished() const override { return walk_finished; }
    bool falling_empty() const override { return nothing_falling; }
    void reset() override { ++resets; }
    void set_probabilities(const std::vector<std::pair<std::int32_t, float>>&) override {}
    void collect_letter(std::uint8_t) override {}
};

// A ball in flight that only records what the game asks of it.
struct TestFlying : logic::FlyingBall {
    logic::Game* owner = nullptr;
    std::shared_ptr<logic::Ball> moving;
    bool hits = true;
    int steps = 0, drops = 0, connections = 0;
    std::vector<std::weak_ptr<logic::Ball>> candidates;

    logic::Game* game() const override { return owner; }
    void detach_game() override { owner = nullptr; }
    void step(float) override { ++steps; }
    bool can_hit() const override { return hits; }
    std::shared_ptr<logic::Ball> ball() const override { return moving; }
    void add_candidate(std::weak_ptr<logic::Ball> b) override { candidates.push_back(std::move(b)); }
    void drop_ball() override { ++drops; }
    void complete_connection() override { ++connections; }
};

// A creator that hands over what it holds, in the order the game relies on.
class TestCreator : public logic::GameCreator {
public:
    explicit TestCreator(Recorder& recorder) : recorder_(recorder) {}
    void create(logic::GameSetup& setup) override;

    std::vector<std::shared_ptr<logic::Way>> ways;
    std::vector<logic::WaySettings> settings;
    std::vector<std::int32_t> colors{1, 2, 3};
    logic::GameParams params;
    int mission_balls = 0;  // 0: no mission
    std::shared_ptr<logic::Way> contour;
    bool restored = false;
    bool install_action_callback = true;
    // Runs last, for anything else a test wants to set.
    std::function<void(logic::GameSetup&)> extra;

private:
    Recorder& recorder_;
};

// A game with its recorder and creator. The game seeds the generator from
// the clock when it is made, so the seed is set just before the start.
struct GameBench {
    GameBench();

    FakeSkin skin;
    Recorder rec;
    TestCreator creator{rec};
    logic::Game game;

    // Starts with the creator's data after seeding the generator.
    void start(std::uint32_t seed = 1);
    // Starts with one straight way [0, length] along y = 100 and quiet
    // settings, then drops the chain released at the start.
    logic::Way* start_quiet(float length = 1000.0f, std::uint32_t seed = 1);
    // Drops every chain and flushes, and forgets what was recorded.
    void discard_chains();
    // Steps n times by dt.
    void run(int n, float dt = 0.02f);

    // A chain of the given colours (rear ball first) whose front ball lies
    // at path length front on way, inserted into the game in path order.
    logic::Sequence* chain(logic::Way* way, const std::vector<std::int32_t>& colors, float front,
                           const logic::Float3& motion = {});
    // The same with a head region, a tail region, or both.
    logic::Sequence* creature(logic::Way* way, const std::vector<std::int32_t>& colors, float front,
                              bool head, bool tail, const logic::Float3& motion = {});
    std::vector<std::int32_t> colors_of(const logic::Sequence& s) const;
    int live_sequences() const;
    std::vector<logic::Sequence*> live_chains() const;
};

// The place at path length d on a way, from its first point.
logic::WayPosition at_length(const logic::Way& way, float d);
// Path length of a ball on its way.
float path_of(const logic::Ball& b);

}  // namespace logictest
