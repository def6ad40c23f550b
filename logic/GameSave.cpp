// Game::save and Game::load: the play state of a running game in an object
// stream, version 2.
#include "logic/GameSave.h"

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "logic/ActiveBonuses.h"
#include "logic/Ball.h"
#include "logic/BallFree.h"
#include "logic/BonusFall.h"
#include "logic/Factories.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/ZelkorRegion.h"
#include "orvek/Exception.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

// 1 added the medal statistics, 2 the lift system.
constexpr std::uint8_t save_version = 2;
void save_timer(io::OStream& out, const RandomTimer& t) {
    out << std::uint8_t(0) << t.elapsed << t.threshold << t.min << t.max;
}

void load_timer(io::IStream& in, RandomTimer& t) {
    std::uint8_t version = 0;
    in >> version >> t.elapsed >> t.threshold >> t.min >> t.max;
}

// The knock hits of a creature in the order the record stores them.
constexpr std::uint32_t MedalsStats::Knocked::*knock_hits[] = {
    &MedalsStats::Knocked::grey, &MedalsStats::Knocked::red, &MedalsStats::Knocked::white};

bool refuse(io::IStream& in, const std::string& why) {
    TextualErrorInfo info("Saved game refused: " + why);
    in.setstate(io::Stream::failbit, &info);
    return false;
}

bool plausible(float v) { return std::isfinite(v) && std::fabs(v) <= largest_plausible; }
bool plausible(const Vector2& p) { return plausible(p.x) && plausible(p.y); }
bool plausible(const Float3& f) { return plausible(f.speed) && plausible(f.max_speed) && plausible(f.acceleration); }
bool plausible(const Obj& o) { return plausible(o.position()) && plausible(o.direction()) && plausible(o.rotation()); }
bool plausible(const Ball& b) { return plausible(static_cast<const Obj&>(b)) && plausible(b.roll_direction()); }

// Null when the save has no such object; the stream fails on a wrong type.
template <class T>
std::shared_ptr<T> load_ref(io::IStream& in) {
    std::shared_ptr<T> p;
    io::load_shared(in, p);
    return p;
}

}  // namespace

void save_medals_stats(io::OStream& out, const MedalsStats& m) {
    out << m.sniper_red << m.sniper_white << m.sniper_grey << m.indirect << m.jewels;
    io::write_count(out, m.knocked.size());
    for (const auto& k : m.knocked) {
        if (!out.good()) break;
        io::save_shared(out, k.head.lock());
        io::save_shared(out, k.tail.lock());
        for (auto hits : knock_hits) out << k.*hits;
    }
    out << m.creatures_destroyed << m.creatures_home;
}

void load_medals_stats(io::IStream& in, MedalsStats& m) {
    in >> m.sniper_red >> m.sniper_white >> m.sniper_grey >> m.indirect >> m.jewels;
    m.knocked.clear();
    const std::uint32_t n = io::read_count(in);
    for (std::uint32_t i = 0; i < n && in.good(); ++i) {
        MedalsStats::Knocked k;
        io::load_weak(in, k.head);
        io::load_weak(in, k.tail);
        for (auto hits : knock_hits) in >> k.*hits;
        if (in.good()) m.knocked.push_back(std::move(k));
    }
    in >> m.creatures_destroyed >> m.creatures_home;
}

void RestoringCreator::create(GameSetup& setup) {
    level_.create(setup);
    setup.restored = true;
}

bool restore_game(Game& game, GameCreator& level, io::IStream& in) {
    RestoringCreator restoring(level);
    game.start(restoring);
    return game.load(in);
}

// ---------------------------------------------------------------- save

void Game::save(io::OStream& out) const {
    logic_factory_names();  // the names below must be registered
    out << save_version << std::uint32_t(0) << std::uint8_t(started_ ? 1 : 0) << std::uint32_t(state_);

    io::write_count(out, ways_.size());
    for (const auto& w : ways_) io::save_shared(out, w);
    for (const auto* w : {&contour_, &shaft_, &first_branch_, &second_branch_}) io::save_shared(out, *w);

    // Chains dropped in a step are gone once the step ends; a save between
    // steps finds none.
    std::vector<std::shared_ptr<Sequence>> chains;
    for (const auto& s : sequences_)
        if (!is_sequence_dropped(s.get())) chains.push_back(s);
    io::write_count(out, chains.size());
    for (const auto& s : chains) io::save_shared(out, s);

    io::save_shared(out, platform_);

    // A placeholder in a chain refers to its ball in flight as a plain
    // object: the list does too, so that both share one counter.
    std::vector<std::shared_ptr<io::Object>> flying;
    for (const auto& f : flying_)
        if (!is_flying_ball_dropped(f.get()))
            if (auto o = std::dynamic_pointer_cast<io::Object>(f)) flying.push_back(std::move(o));
    io::write_count(out, flying.size());
    for (const auto& f : flying) io::save_shared(out, f);

    out << time_;
    io::write_count(out, next_release_.size());
    for (float t : next_release_) out << t;
    out << roll_in_end_ << std::uint8_t(lost_action_sent_ ? 1 : 0);
    out << std::int32_t(lives_) << std::int32_t(coins_) << std::int32_t(points_);
    save_timer(out, bonus_timer_);
    save_timer(out, coin_timer_);
    if (const auto* holder = dynamic_cast<const ActiveBonuses*>(bonuses_.get()))
        holder->save(out);
    else
        ActiveBonuses(nullptr).save(out);  // nothing runs, nothing falls
    speed_changers_.save(out);
    io::save_shared(out, mission_);
    save_medals_stats(out, *medals_);
    lift_system_->save(out);
}

// ---------------------------------------------------------------- load

bool Game::load(io::IStream& in) {
    logic_factory_names();  // the names of the save must be known
    const bool lost_before = (in.rdstate() & io::Stream::lostbit) != 0;

    std::uint8_t version = 0;
    in >> version;
    if (!in.good()) return false;
    if (version > save_version)
        return refuse(in, "version " + std::to_string(version) + " is newer than this game knows");

    // Everything is read into fresh state; the game takes it over only once
    // the whole save has been read and checked.
    std::uint8_t started = 0, lost_action_sent = 0;
    std::uint32_t state = 0;
    std::vector<std::shared_ptr<Way>> ways;
    std::shared_ptr<Way> contour, shaft, first_branch, second_branch;
    SequenceList sequences;
    std::shared_ptr<Platform> platform;
    std::vector<std::shared_ptr<BallFree>> flying;
    float time = 0.0f, roll_in_end = 0.0f;
    std::vector<float> next_release;
    std::int32_t lives = 0, coins = 0, points = 0;
    RandomTimer bonus_timer, coin_timer;
    std::shared_ptr<ActiveBonuses> bonuses;
    std::shared_ptr<Mission> mission;
    std::shared_ptr<MedalsStats> medals;
    std::shared_ptr<LiftSystem> lifts;
    bool all_flying_known = true;
    {
        // The holders below hand what they read to the game at once; the
        // user interface must not hear of objects that may never join it.
        struct Quiet {
            Game& g;
            AddedCallback added;
            ChangedCallback changed;
            RemovedCallback removed;
            ActionCallback action;
            CursorCallback cursor;
            explicit Quiet(Game& game) : g(game) { swap(); }
            ~Quiet() { swap(); }
            void swap() {
                std::swap(added, g.on_added_);
                std::swap(changed, g.on_changed_);
                std::swap(removed, g.on_removed_);
                std::swap(action, g.on_action_);
                std::swap(cursor, g.cursor_);
            }
        } quiet(*this);

        std::uint32_t unused = 0;
        in >> unused >> started >> state;
        std::uint32_t n = io::read_count(in);
        for (std::uint32_t i = 0; i < n && in.good(); ++i) {
            auto w = load_ref<Way>(in);
            if (in.good()) ways.push_back(std::move(w));
        }
        contour = load_ref<Way>(in);
        shaft = load_ref<Way>(in);
        first_branch = load_ref<Way>(in);
        second_branch = load_ref<Way>(in);
        n = io::read_count(in);
        for (std::uint32_t i = 0; i < n && in.good(); ++i) {
            auto s = load_ref<Sequence>(in);
            if (in.good()) sequences.push_back(std::move(s));
        }
        platform = load_ref<Platform>(in);
        n = io::read_count(in);
        for (std::uint32_t i = 0; i < n && in.good(); ++i) {
            auto o = load_ref<io::Object>(in);
            if (!in.good()) break;
            auto f = std::dynamic_pointer_cast<BallFree>(o);
            if (!f) all_flying_known = false;
            flying.push_back(std::move(f));
        }
        in >> time;
        n = io::read_count(in);
        for (std::uint32_t i = 0; i < n && in.good(); ++i) {
            float t = 0.0f;
            in >> t;
            if (in.good()) next_release.push_back(t);
        }
        in >> roll_in_end >> lost_action_sent >> lives >> coins >> points;
        load_timer(in, bonus_timer);
        load_timer(in, coin_timer);
        if (in.good()) {
            bonuses = std::make_shared<ActiveBonuses>(this);
            bonuses->load(in);
        }
        if (in.good()) {
            SpeedChangerChain rules(this);  // holds nothing but its version
            rules.load(in, this);
        }
        mission = load_ref<Mission>(in);
        if (version >= 1 && in.good()) {
            medals = std::make_shared<MedalsStats>();
            load_medals_stats(in, *medals);
        }
        if (version >= 2 && in.good()) {
            lifts = std::make_shared<LiftSystem>(this);
            lifts->load(in);
        }
    }
    if (!in.good()) return false;
    if (!lost_before && (in.rdstate() & io::Stream::lostbit)) return refuse(in, "an object of it could not be read");

    // Counts and indices are checked against each other before anything
    // of the game changes.
    if (state > complete) return refuse(in, "unknown state " + std::to_string(state));
    std::set<const Way*> known;
    for (const auto& w : ways) {
        if (!w) return refuse(in, "a way is missing");
        known.insert(w.get());
    }
    if (next_release.size() != ways.size())
        return refuse(in, std::to_string(ways.size()) + " ways but " + std::to_string(next_release.size()) +
                              " release times");
    if (way_settings_.size() < ways.size())
        return refuse(in, "the level has settings for " + std::to_string(way_settings_.size()) + " ways, the save " +
                              std::to_string(ways.size()));
    for (const auto* w : {&contour, &shaft, &first_branch, &second_branch})
        if (*w) known.insert(w->get());
    std::set<const Sequence*> seen_chains;
    for (const auto& s : sequences) {
        if (!s || !seen_chains.insert(s.get()).second) return refuse(in, "a chain is missing or listed twice");
        if (!s->way() || !known.count(s->way())) return refuse(in, "a chain runs on a way the game does not have");
        const int points_on_way = s->way()->point_count();
        if (!plausible(s->motion())) return refuse(in, "a chain moves at no sound speed");
        for (const auto& b : s->balls()) {
            if (!b || b->sequence() != s.get()) return refuse(in, "a ball belongs to no chain or to two");
            if (b->segment() < -1 || b->segment() >= points_on_way || !plausible(*b))
                return refuse(in, "a ball lies outside its way");
        }
        for (const auto* r : {&s->head(), &s->tail()})
            if (*r && (!plausible(**r) || !plausible((*r)->speed())))
                return refuse(in, "a creature lies nowhere");
    }
    std::set<const BallFree*> seen_flying;
    for (const auto& f : flying) {
        if (!all_flying_known || !f || !seen_flying.insert(f.get()).second)
            return refuse(in, "a ball in flight is missing or listed twice");
        if ((f->ball() && !plausible(*f->ball())) || !plausible(f->motion()) || !plausible(f->direction()) ||
            !plausible(f->landing().point) || !plausible(f->turn_rest()))
            return refuse(in, "a ball in flight lies nowhere or moves at no sound speed");
    }
    if (platform && (!plausible(*platform) || !plausible(platform->limit_left()) ||
                     !plausible(platform->limit_right()) || std::isnan(platform->next_shot_time()) ||
                     (platform->ball() && !plausible(*platform->ball()))))
        return refuse(in, "the platform lies nowhere");
    for (const auto& b : bonuses->falling())
        if (!b || !plausible(*b) || !plausible(b->velocity())) return refuse(in, "a falling bonus lies nowhere");
    if (lifts)
        for (const Obj* o : {static_cast<const Obj*>(lifts->lift().get()), static_cast<const Obj*>(lifts->door().get())})
            if (!plausible(*o) || !plausible(lifts->lift()->top()) || !plausible(lifts->lift()->door_line()))
                return refuse(in, "the lift lies nowhere");
    if (!std::isfinite(time) || std::isnan(roll_in_end)) return refuse(in, "its time is not a number");
    for (float t : next_release)
        if (std::isnan(t)) return refuse(in, "a release time is not a number");
    if (lives < 0 || coins < 0) return refuse(in, "negative lives or coins");
    for (const RandomTimer* t : {&bonus_timer, &coin_timer})
        if (!std::isfinite(t->elapsed) || std::isnan(t->threshold) || !std::isfinite(t->min) ||
            !std::isfinite(t->max))
            return refuse(in, "a drop counter is not a number");

    // ---- the save is sound: the old content goes
    if (platform_ && platform_ != platform && platform_->game()) {
        platform_->clear_ball();
        remove_object(platform_);
    }
    discard_content();
    if (bonuses_) bonuses_->reset();
    if (lift_system_->lift()->game()) lift_system_->withdraw();
    if (mission_ && mission_ != mission) mission_->set_game(nullptr);

    started_ = started != 0;
    state_ = int(state);
    ways_ = std::move(ways);
    contour_ = std::move(contour);
    shaft_ = std::move(shaft);
    first_branch_ = std::move(first_branch);
    second_branch_ = std::move(second_branch);
    sequences_ = std::move(sequences);
    seq_pending_.clear();
    platform_ = std::move(platform);
    flying_.assign(flying.begin(), flying.end());
    flying_pending_.clear();
    time_ = time;
    next_release_ = std::move(next_release);
    roll_in_end_ = roll_in_end;
    lost_action_sent_ = lost_action_sent != 0;
    lives_ = lives;
    coins_ = coins;
    points_ = points;
    bonus_timer_ = bonus_timer;
    coin_timer_ = coin_timer;
    bonuses_ = bonuses;
    mission_ = std::move(mission);
    if (medals) medals_ = std::move(medals);  // an older save keeps the counters
    const bool fresh_lift = !lifts;
    if (fresh_lift) {
        // Saves before the lift: a new, idle lift as on a fresh start.
        lifts = std::make_shared<LiftSystem>(this);
        lifts->set_position(lift_position_);
    }
    lift_system_ = std::move(lifts);

    // ---- everything is told its game again, and the user interface hears of it
    if (platform_) {
        platform_->relink_game(this);
        on_object_added(platform_);
    }
    if (mission_) mission_->set_game(this);
    for (const auto& f : flying) f->attach_to_game(this);
    for (const auto& s : sequences_) s->attach_to_game(this);
    for (const auto& b : bonuses->falling()) {
        b->relink_game(this);  // the holder it belongs to is the new one
        on_object_added(b);
    }
    if (fresh_lift) {
        lift_system_->start();
    } else {
        on_object_added(lift_system_->lift());
        on_object_added(lift_system_->door());
    }
    // Saved after a life was lost and before the restart: the user
    // interface still has to restart the sub-level.
    if (lost_action_sent_) add_action(GameAction(action_restart_after_life_lost));
    return true;
}

}  // namespace orvek::trelm::logic
