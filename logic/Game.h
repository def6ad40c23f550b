#pragma once
// The headless model of one sub-level: the ways with their chains, the balls
// in flight, the ball supply, bonuses, the mission, time, lives, coins and
// points. The user interface fills it through a GameCreator, steps it once
// per frame and learns what happens through five callbacks.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "logic/Float3.h"
#include "logic/GameAction.h"
#include "logic/GameRecords.h"
#include "logic/Medals.h"
#include "logic/Obj.h"
#include "logic/SpeedChanger.h"
#include "logic/Way.h"

namespace orvek::trelm::logic {

class Ball;
class FlyingBall;
class GameBonuses;
class GameCreator;
class LiftSystem;
class Platform;
class Sequence;
class ZelkorRegion;

// Counts towards the next bonus (or coin): fires when the elapsed value
// reaches the threshold, which is then drawn anew in [min, max].
struct RandomTimer {
    float elapsed = 0.0f;
    float threshold = 0.0f;
    float min = 0.0f;
    float max = 0.0f;

    bool advance(float dt);
    void redraw();
};

// The medal statistics of a sub-level.
struct MedalsStats {
    struct Knocked {
        std::weak_ptr<ZelkorRegion> head;
        std::weak_ptr<ZelkorRegion> tail;
        std::uint32_t red = 0;
        std::uint32_t grey = 0;
        std::uint32_t white = 0;
    };

    std::uint32_t sniper_red = 0;
    std::uint32_t sniper_white = 0;
    std::uint32_t sniper_grey = 0;
    std::uint32_t indirect = 0;
    std::uint32_t jewels = 0;
    std::vector<Knocked> knocked;
    std::uint32_t creatures_destroyed = 0;
    std::uint32_t creatures_home = 0;

    // Counts a knock of a red, grey or white ball on a creature; the medal it
    // reaches ({-1, 0} for none) and the new count.
    std::pair<MedalAward, std::uint32_t> knock(const std::shared_ptr<ZelkorRegion>& head,
                                               const std::shared_ptr<ZelkorRegion>& tail, std::int32_t color);
    void reset() { *this = MedalsStats(); }
};

class Game {
public:
    using AddedCallback = std::function<void(std::weak_ptr<Obj>)>;
    using ChangedCallback = std::function<void(Obj*)>;
    using RemovedCallback = std::function<void(std::weak_ptr<Obj>)>;
    using ActionCallback = std::function<void(GameAction)>;
    using CursorCallback = std::function<std::pair<float, float>()>;
    using SequenceList = std::list<std::shared_ptr<Sequence>>;
    using FlyingList = std::list<std::shared_ptr<FlyingBall>>;

    enum State { playing = 0, rolling_in = 1, complete = 2 };

    Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
    virtual ~Game();

    // Fills the game through the creator. A fresh start releases the first
    // chains; a restore (the creator sets GameSetup::restored) does not.
    // Throws std::invalid_argument ("Level refused: " and the field, way
    // first), leaving the game cleared, when the level handed over holds a
    // value that the step or the saved-game loader cannot live with
    // (GameChecks.cpp).
    void start(GameCreator& creator);
    void restart();
    void clear();
    void update(float dt);
    // The invariants a step keeps: on each way the chains in path order and
    // each chain's balls rear to front, every ball and region linked back to
    // its chain, and the counts and values the saved-game loader insists on.
    // Empty when they hold, else the first that does not. Builds made with
    // ZELKOR_CHECK_INVARIANTS (sanitizer and fuzz builds) check them after
    // every step and abort on a broken one.
    std::string validate() const;

    // The play state in an object stream (GameSave.cpp). load reads into
    // fresh state and takes it over only when the whole save is sound;
    // otherwise the game stays as it was, the stream fails (raising
    // io::Failure under its mask) and load answers false.
    void save(io::OStream& out) const;
    bool load(io::IStream& in);

    void pause() { ++pause_; }
    void resume() { --pause_; }
    bool is_paused() const { return pause_ > 0; }
    bool started() const { return started_; }
    int state() const { return state_; }
    float time() const { return time_; }
    int lives() const { return lives_; }
    int coins() const { return coins_; }
    int points() const { return points_; }
    void add_points(int p) { points_ += p; }
    void add_life() { ++lives_; }

    void shoot();
    void take_ball();
    void move_platform(float x);
    Platform* platform() const { return platform_.get(); }
    // The platform's line (the line set up for it when there is none yet).
    float platform_y() const;
    // The ball the platform loads next: the nearest one on the contour and
    // its branches, or null.
    Ball* next_ball_for_platform() const;
    // Loads that ball into the slot; a ball already there takes its place.
    void exchange_platform_ball(std::shared_ptr<Ball>& slot);

    // Announces an object to the user interface, then hands it the game.
    void on_object_added(std::shared_ptr<Obj> object);
    // Withdraws an object from the user interface, then takes the game back.
    void remove_object(std::shared_ptr<Obj> object);
    void object_changed(Obj* object);
    void add_action(const GameAction& action);
    std::pair<float, float> cursor_position() const;

    std::shared_ptr<GameStats> stats() const;
    const std::shared_ptr<Mission>& mission() const { return mission_; }
    float mission_progress() const;
    void add_mission_progress(float p);

    const SequenceList& sequences() const { return sequences_; }
    const FlyingList& flying_balls() const { return flying_; }
    const std::vector<std::shared_ptr<Way>>& ways() const { return ways_; }
    const std::shared_ptr<Way>& contour() const { return contour_; }
    const std::shared_ptr<Way>& shaft_way() const { return shaft_; }
    const std::shared_ptr<Way>& first_branch() const { return first_branch_; }
    const std::shared_ptr<Way>& second_branch() const { return second_branch_; }
    const GameParams& params() const { return params_; }
    const Float3& contour_speed() const { return contour_speed_; }
    const std::vector<WaySettings>& all_way_settings() const { return way_settings_; }
    // The settings of a way of the game, or null.
    const WaySettings* way_settings(const Way* way) const;
    const std::vector<std::int32_t>& ball_colors() const { return ball_colors_; }
    // A uniformly drawn colour of the sub-level's list (0 when it is empty).
    std::int32_t random_ball_color() const;
    const std::vector<float>& next_release_times() const { return next_release_; }
    const RandomTimer& bonus_timer() const { return bonus_timer_; }
    const RandomTimer& coin_timer() const { return coin_timer_; }
    MedalsStats& medals_stats() { return *medals_; }
    SpeedChangerChain& speed_changers() { return speed_changers_; }

    // The bonus holder (null: no bonus runs, nothing falls).
    GameBonuses* bonuses() const { return bonuses_.get(); }
    void set_bonuses(std::shared_ptr<GameBonuses> bonuses) { bonuses_ = std::move(bonuses); }

    void add_flying_ball(std::shared_ptr<FlyingBall> ball);
    void drop_sequence(Sequence* s);
    void drop_flying_ball(FlyingBall* f);
    bool is_game_way(const Way* way) const;
    std::shared_ptr<Way> way_ref(const Way* way) const;
    std::shared_ptr<FlyingBall> flying_ball_ref(const FlyingBall* f) const;
    std::shared_ptr<Sequence> sequence_ref(const Sequence* s) const;
    void forget_creature(const ZelkorRegion* region);
    Sequence* rear_sequence_on_way(const Way* way) const;
    Sequence* front_sequence_on_way(const Way* way) const;
    Sequence* sequence_behind(const Sequence* s) const;
    Sequence* sequence_ahead(const Sequence* s) const;
    int tails_ahead(const Sequence* s) const;
    void add_coin();
    void insert_sequence(std::shared_ptr<Sequence> s);
    bool is_sequence_dropped(const Sequence* s) const { return seq_pending_.count(s) != 0; }
    bool is_flying_ball_dropped(const FlyingBall* f) const { return flying_pending_.count(f) != 0; }
    bool ends_nearly_meet(const Ball* a, const Ball* b) const;
    bool comes_before(const Sequence* a, const Sequence* b) const;
    void send_knock_medal(const std::weak_ptr<ZelkorRegion>& head, const std::weak_ptr<ZelkorRegion>& tail,
                          std::int32_t color);
    void send_medals_stats();
    void send_consuming_balls(std::shared_ptr<Ball> ball);

    // How removed balls count; with nothing set they simply vanish.
    struct Consumption {
        bool mission = false;      // they advance the mission
        bool score = false;        // medals, combo, chain and bonus drops
        bool give_points = false;
        bool creature_destroyed = false;
        bool by_shot = false;
        int creatures_ahead = 0;   // raises the drop counters by the way's bonus increment
        const Way* way = nullptr;
        int indirect = 0;          // bounces before the hit
        bool sniper_shot = false;
        bool high_speed = false;
    };
    // Turns removed balls into points, progress and reports.
    void consume_balls(const std::vector<std::shared_ptr<Ball>>& removed, const Consumption& how);

    // The parts of one step, in the order update runs them.
    void hit_flying_balls();
    void touch_sequences();
    void release_sequences();
    void check_complete();
    void check_roll_in();
    void begin_roll_in();
    void flush_removed();
    // A new chain on way (see release_sequences), inserted in path order.
    Sequence* add_sequence(Way* way, int size, int uniformity, const std::function<std::int32_t()>& colors);

    // The ball supply: the contour, its two branches and the lift
    // (GameSupply.cpp).
    LiftSystem& lift_system() const { return *lift_system_; }
    // Takes the ball out of its chain into a new one-ball chain at the
    // way's first (+1) or last (-1) place.
    Sequence* move_ball_to_way(Ball& ball, Way* way, int direction);
    // A ball that rose out of the shaft enters the contour system.
    void receive_ball(std::shared_ptr<Ball> ball);
    void fill_contour();
    void supply_balls();

private:
    friend class GameSetup;

    bool live(const Sequence& s) const { return !is_sequence_dropped(&s); }
    void release_after_bonuses();
    void drive_creatures_home();
    void draw_thresholds();
    // Lets go of every chain and ball in flight without calling back.
    void discard_content();
    void teardown();
    void check_level();

    int pause_ = 0;
    bool started_ = false;
    int state_ = playing;
    SequenceList sequences_;
    std::set<const Sequence*> seq_pending_;
    std::shared_ptr<Platform> platform_;
    FlyingList flying_;
    std::set<const FlyingBall*> flying_pending_;
    float time_ = 0.0f;
    std::vector<float> next_release_;
    float roll_in_end_;
    bool lost_action_sent_ = false;
    int lives_ = 0;
    int coins_ = 0;
    int points_ = 0;
    RandomTimer bonus_timer_;
    RandomTimer coin_timer_;
    std::shared_ptr<GameBonuses> bonuses_;
    SpeedChangerChain speed_changers_;
    std::shared_ptr<Mission> mission_;
    AddedCallback on_added_;
    ChangedCallback on_changed_;
    RemovedCallback on_removed_;
    ActionCallback on_action_;
    CursorCallback cursor_;
    std::vector<std::shared_ptr<Way>> ways_;
    std::shared_ptr<Way> contour_;
    std::shared_ptr<Way> shaft_;
    std::shared_ptr<Way> first_branch_;
    std::shared_ptr<Way> second_branch_;
    Vector2 lift_position_;
    std::shared_ptr<LiftSystem> lift_system_;
    std::shared_ptr<MedalsStats> medals_;
    GameParams params_;
    Float3 contour_speed_;
    std::vector<WaySettings> way_settings_;
    std::vector<std::int32_t> ball_colors_;
    struct PlatformLine {
        float y = 0.0f, left = 0.0f, right = 0.0f;
    } platform_line_;
};

// More than half of the balls (count > size / 2) have the colour.
bool more_than_half_of_color(const std::vector<std::shared_ptr<Ball>>& balls, std::int32_t color);

}  // namespace orvek::trelm::logic
