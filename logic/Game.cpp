#include "logic/Game.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>

#include "logic/Ball.h"
#include "logic/FlyingBall.h"
#include "logic/ActiveBonuses.h"
#include "logic/GameBonuses.h"
#include "logic/GameSetup.h"
#include "logic/LegacyRand.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/ZelkorRegion.h"
#include "orvek/Profiler.h"
#include "orvek/config/ConfigValue.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<int> num_lifes("game/@num_lifes", 3);
ostrel::ConfigValueReadOnly<float> delay_after_roll_in_last("game/@delay_after_roll_in_last", 1.5f);
ostrel::ConfigValueReadOnly<float> length_for_delete_ball("game/@length_for_delete_ball_when_roll_in_back",
                                                          100.0f);
ostrel::ConfigValueReadOnly<int> size_small_seq("sequence/@size_small_seq", 2);

constexpr float kInfinity = std::numeric_limits<float>::infinity();

WayPosition start_mark(const Way& w) { return w.geometry().marks[WayGeometry::start_mark]; }

}  // namespace

// ---------------------------------------------------------------- small records

bool RandomTimer::advance(float dt) {
    elapsed += dt;
    if (elapsed < threshold) return false;
    elapsed = 0.0f;
    redraw();
    return true;
}

void RandomTimer::redraw() { threshold = random_in(min, max); }

std::pair<MedalAward, std::uint32_t> MedalsStats::knock(const std::shared_ptr<ZelkorRegion>& head,
                                                        const std::shared_ptr<ZelkorRegion>& tail,
                                                        std::int32_t color) {
    if (color != color_red && color != color_grey && color != color_white) return {MedalAward(), 0};
    Knocked* entry = nullptr;
    for (auto& k : knocked)
        if (k.head.lock() == head) entry = &k;
    if (!entry) {
        knocked.push_back({head, tail, 0, 0, 0});
        entry = &knocked.back();
    }
    std::uint32_t count;
    int medal;
    if (color == color_red) {
        count = ++entry->red;
        medal = medal_knock_zelkor_red;
    } else if (color == color_grey) {
        count = ++entry->grey;
        medal = medal_knock_zelkor_grey;
    } else {
        count = ++entry->white;
        medal = medal_knock_zelkor_white;
    }
    const int grade = medal_grade_for_value(medal, count, 0);
    return {grade >= 0 ? MedalAward(medal, grade) : MedalAward(), count};
}

bool more_than_half_of_color(const std::vector<std::shared_ptr<Ball>>& balls, std::int32_t color) {
    std::size_t n = 0;
    for (const auto& b : balls)
        if (b && b->color() == color) ++n;
    return !balls.empty() && n > balls.size() / 2;
}

// ---------------------------------------------------------------- life cycle

Game::Game()
    : roll_in_end_(kInfinity), lives_(num_lifes.get()), speed_changers_(this),
      medals_(std::make_shared<MedalsStats>()) {
    lift_system_ = std::make_shared<LiftSystem>(this);
    bonuses_ = std::make_shared<ActiveBonuses>(this);
    seed_random_from_clock();
}

Game::~Game() { teardown(); }

void Game::discard_content() {
    // Objects let go here must not reach back into the game: a placeholder
    // whose flying ball still lives would otherwise drop it while the lists
    // are being emptied.
    for (auto& f : flying_) f->detach_game();
    for (auto& s : sequences_) s->detach_game();
    sequences_.clear();
    seq_pending_.clear();
    flying_.clear();
    flying_pending_.clear();
}

void Game::teardown() {
    on_added_ = nullptr;
    on_changed_ = nullptr;
    on_removed_ = nullptr;
    on_action_ = nullptr;
    cursor_ = nullptr;
    discard_content();
    lift_system_->withdraw();
    if (mission_) mission_->set_game(nullptr);
}

void Game::draw_thresholds() {
    bonus_timer_.redraw();
    coin_timer_.redraw();
}

void Game::start(GameCreator& creator) {
    clear();
    platform_ = std::make_shared<Platform>();
    GameSetup setup(this);
    try {
        creator.create(setup);
        check_level();
    } catch (...) {
        clear();
        throw;
    }
    if (setup.restored) return;
    started_ = true;
    next_release_.assign(ways_.size(), 0.0f);
    platform_->set_line(platform_line_.y, platform_line_.left, platform_line_.right);
    on_object_added(platform_);
    release_sequences();
    fill_contour();
    bonus_timer_ = {0.0f, 0.0f, params_.bonus_balls_min, params_.bonus_balls_max};
    coin_timer_ = {0.0f, 0.0f, params_.coin_balls_min, params_.coin_balls_max};
    draw_thresholds();
    lift_system_->start();
}

void Game::restart() {
    medals_->reset();
    if (platform_) platform_->clear_ball();
    discard_content();
    if (bonuses_) bonuses_->reset();
    time_ = 0.0f;
    std::fill(next_release_.begin(), next_release_.end(), 0.0f);
    roll_in_end_ = kInfinity;
    bonus_timer_.elapsed = 0.0f;
    coin_timer_.elapsed = 0.0f;
    draw_thresholds();
    if (mission_) mission_->reset_progress();
    state_ = playing;
    lost_action_sent_ = false;
    lift_system_->reset();
    release_sequences();
    fill_contour();
    add_action(GameAction(action_restart));
}

void Game::clear() {
    medals_->reset();
    ways_.clear();
    contour_.reset();
    shaft_.reset();
    first_branch_.reset();
    second_branch_.reset();
    discard_content();
    if (platform_) {
        platform_->clear_ball();
        remove_object(platform_);
        platform_.reset();
    }
    way_settings_.clear();
    if (bonuses_) bonuses_->reset();
    params_ = GameParams();
    lives_ = num_lifes.get();
    time_ = 0.0f;
    roll_in_end_ = kInfinity;
    started_ = false;
    state_ = playing;
    lost_action_sent_ = false;
    lift_system_->reset();
}

// ---------------------------------------------------------------- the step

void Game::update(float dt) {
    if (!started_ || pause_ > 0) return;
    ProfileScope scope("Game::update()");
    time_ += dt;
    if (bonuses_) bonuses_->update(dt);
    for (auto it = sequences_.begin(); it != sequences_.end(); ++it) {
        const std::shared_ptr<Sequence> s = *it;
        if (live(*s)) s->step(dt);
    }
    for (auto it = flying_.begin(); it != flying_.end(); ++it) {
        const std::shared_ptr<FlyingBall> f = *it;
        if (!is_flying_ball_dropped(f.get())) f->step(dt);
    }
    if (platform_) platform_->update(dt);
    hit_flying_balls();
    touch_sequences();
    release_sequences();
    check_complete();
    check_roll_in();
    if (mission_) mission_->update();
    lift_system_->update(dt);
    supply_balls();
    flush_removed();
#ifdef ZELKOR_CHECK_INVARIANTS
    if (const std::string broken = validate(); !broken.empty()) {
        std::fprintf(stderr, "Game invariant broken after the step at %g s: %s\n", double(time_), broken.c_str());
        std::abort();
    }
#endif
}

void Game::hit_flying_balls() {
    for (auto& f : flying_) {
        if (is_flying_ball_dropped(f.get()) || !f->can_hit()) continue;
        const auto ball = f->ball();
        if (!ball) continue;
        for (auto& s : sequences_) {
            if (is_flying_ball_dropped(f.get())) break;
            if (!live(*s)) continue;
            for (auto& b : s->balls()) {
                if (!live(*s) || is_flying_ball_dropped(f.get())) break;
                if (flying_contact(*ball, *b) != 0.0f) f->add_candidate(b);
            }
        }
    }
}

void Game::touch_sequences() {
    for (auto it = sequences_.begin(); it != sequences_.end(); ++it) {
        const std::shared_ptr<Sequence> a = *it;
        if (!live(*a)) continue;
        for (auto jt = std::next(it); jt != sequences_.end(); ++jt) {
            if (!live(**jt) || (*jt)->way() != a->way()) continue;
            const std::shared_ptr<Sequence> b = *jt;
            a->try_join(*b);
            break;
        }
    }
}

void Game::flush_removed() {
    if (!seq_pending_.empty()) {
        const auto pending = std::move(seq_pending_);
        seq_pending_.clear();
        sequences_.remove_if([&](const std::shared_ptr<Sequence>& s) { return pending.count(s.get()) != 0; });
    }
    if (!flying_pending_.empty()) {
        const auto pending = std::move(flying_pending_);
        flying_pending_.clear();
        flying_.remove_if([&](const std::shared_ptr<FlyingBall>& f) { return pending.count(f.get()) != 0; });
    }
}

// ---------------------------------------------------------------- release

void Game::release_after_bonuses() {
    if (!bonuses_ || !(bonuses_->is_go_back_active() || bonuses_->is_stop_active())) return;
    for (const auto& w : ways_) {
        const Sequence* front = front_sequence_on_way(w.get());
        if (front && !front->empty() && w->is_ahead(front->front_ball()->way_position(), w->entry())) return;
    }
    bonuses_->cancel_go_back_and_stop();
}

void Game::drive_creatures_home() {
    std::set<const Way*> seen;
    for (auto it = sequences_.rbegin(); it != sequences_.rend(); ++it) {
        Sequence* s = it->get();
        if (!live(*s) || !is_game_way(s->way()) || !seen.insert(s->way()).second) continue;
        if (!s->head() || s->empty()) continue;
        Way& w = *s->way();
        const WayPosition home = start_mark(w);
        if (!w.is_ahead(home, s->front_ball()->way_position())) continue;
        if (!s->head()->is_attached() && !w.is_ahead(home, s->head()->way_position())) continue;

        auto head = s->take_head();
        Sequence* current = s;
        while (!current->tail()) {
            // A creature whose tail piece is gone ends with the last piece found.
            Sequence* behind = sequence_behind(current);
            if (!behind) break;
            for (auto& b : current->balls()) behind->push_back(b);
            current->balls().clear();
            drop_sequence(current);
            current = behind;
        }
        current->place_at(home);
        current->set_head(head);
        head->attach(current);
        if (current->tail()) current->tail()->attach(current);
        current->motion().speed = 0.0f;

        const std::uint32_t count = ++medals_->creatures_home;
        const int grade = medal_grade_for_value(medal_zelkors_back_home, count, 0);
        if (grade >= 0)
            add_action(make_game_action<GameActionMedal>(action_medal, MedalAward(medal_zelkors_back_home, grade),
                                                         std::int32_t(count)));
    }
}

void Game::release_sequences() {
    if (state_ != playing) return;
    release_after_bonuses();
    drive_creatures_home();

    if (next_release_.size() < ways_.size()) next_release_.resize(ways_.size(), 0.0f);
    // A release adds a chain to its own way only, so each way is counted
    // right before its own decision.
    for (std::size_t i = std::min(ways_.size(), way_settings_.size()); i-- > 0;) {
        const Way& way = *ways_[i];
        const WaySettings& ws = way_settings_[i];
        int count = 0;
        bool busy = false, has_chain = false;
        for (const auto& s : sequences_) {
            if (!live(*s) || s->way() != &way) continue;
            has_chain = true;
            count += int(s->balls().size());
            if (!s->empty() && way.distance_from_start_mark(s->rear_ball()->way_position()) < ws.path_for_next_sequence)
                busy = true;
        }
        const bool release = next_release_[i] <= time_ || !has_chain || count <= size_small_seq.get() || !busy;
        if (!release) continue;
        next_release_[i] = time_ + ws.sequences_dtime;
        Sequence* s = add_sequence(ways_[i].get(), ws.sequences_size, ws.sequences_uniformity,
                                   [this] { return random_ball_color(); });
        s->motion() = ws.speed_roll_out;
        s->create_regions();
    }
}

Sequence* Game::add_sequence(Way* way, int size, int uniformity, const std::function<std::int32_t()>& colors) {
    const WaySettings* ws = way_settings(way);
    auto s = std::make_shared<Sequence>(this, way, ws ? ws->speed_forward : Float3());
    WayPosition start = start_mark(*way);
    if (const Sequence* rear = rear_sequence_on_way(way); rear && !rear->empty()) {
        const WayPosition rb = rear->rear_ball()->way_position();
        const float gap = 3.0f * ball_radius();
        if (way->distance(start, rb) < gap) {
            start = rb;
            way->advance(start, -gap);
        }
    }
    s->fill(size, uniformity, start, -1, colors, true);
    insert_sequence(s);
    return s.get();
}

void Game::insert_sequence(std::shared_ptr<Sequence> s) {
    if (!s) return;
    const Ball* rear = s->rear_ball();
    auto it = sequences_.begin();
    if (rear) {
        for (; it != sequences_.end(); ++it) {
            const Sequence& o = **it;
            if (o.way() == s->way() && !o.empty() &&
                s->way()->is_ahead(o.rear_ball()->way_position(), rear->way_position()))
                break;
        }
    } else {
        it = sequences_.end();
    }
    sequences_.insert(it, std::move(s));
}

// ---------------------------------------------------------------- completion and lives

void Game::check_complete() {
    if (!mission_ || mission_->is_finished() || mission_->progress() != 100.0f) return;
    const bool entering = state_ != complete;
    state_ = complete;
    if (bonuses_) bonuses_->drop_effects();
    bool looked = false;
    for (auto it = sequences_.rbegin(); it != sequences_.rend(); ++it) {
        const std::shared_ptr<Sequence> s = *it;
        if (!live(*s) || !is_game_way(s->way())) continue;
        looked = true;
        const WaySettings* ws = way_settings(s->way());
        if (ws) {
            s->motion().max_speed = ws->speed_roll_in.max_speed;
            s->motion().acceleration = -ws->speed_roll_in.acceleration;
        }
        Ball* rear = s->rear_ball();
        if (rear && s->way()->distance_from_start_mark(rear->way_position()) < -length_for_delete_ball.get())
            remove_object(s->remove_ball(*rear));
    }
    // The level-complete walk starts once; restarting it every step would
    // keep it from ever finishing.
    if (bonuses_ && entering) bonuses_->start_level_complete_effect();
    const bool bonuses_done = !bonuses_ || (bonuses_->falling_empty() && bonuses_->level_complete_finished());
    if (!looked && bonuses_done) mission_->set_state_1();
}

void Game::check_roll_in() {
    if (state_ == rolling_in) {
        if (bonuses_) bonuses_->drop_effects();
        bool left = false;
        for (auto it = sequences_.begin(); it != sequences_.end(); ++it) {
            const std::shared_ptr<Sequence> s = *it;
            if (!live(*s) || !is_game_way(s->way())) continue;
            if (const WaySettings* ws = way_settings(s->way())) s->motion().set_limits(ws->speed_roll_in);
            Ball* front = s->front_ball();
            if (front && s->way()->distance_to_finish_mark(front->way_position()) <= 0.0f) {
                remove_object(s->remove_ball(*front));
                if (s->empty())
                    add_action(make_game_action<GameActionSequenceRollInComplete>(
                        action_sequence_roll_in_complete, std::weak_ptr<const Way>(way_ref(s->way()))));
            }
            if (live(*s)) left = true;
        }
        if (left) return;
        if (roll_in_end_ == kInfinity) roll_in_end_ = time_ + delay_after_roll_in_last.get();
        if (time_ < roll_in_end_) return;
        if (lives_ <= 0) {
            if (mission_) mission_->set_state_2();
            return;
        }
        if (!lost_action_sent_) {
            lost_action_sent_ = true;
            add_action(GameAction(action_restart_after_life_lost));
        }
        return;
    }
    for (const auto& s : sequences_) {
        if (!live(*s) || !is_game_way(s->way())) continue;
        const Ball* front = s->front_ball();
        if (front && s->way()->distance_to_finish_mark(front->way_position()) <= 0.0f) {
            begin_roll_in();
            return;
        }
    }
}

void Game::begin_roll_in() {
    --lives_;
    state_ = rolling_in;
    // A configuration with no lives at all ends the game too, instead of
    // restarting the sub-level for ever.
    if (lives_ <= 0) {
        lives_ = 0;
        add_action(GameAction(action_game_lost));
    }
}

// ---------------------------------------------------------------- objects and callbacks

void Game::on_object_added(std::shared_ptr<Obj> object) {
    if (!object) return;
    if (on_added_) on_added_(object);
    object->set_game(this);
}

void Game::remove_object(std::shared_ptr<Obj> object) {
    if (!object) return;
    if (on_removed_) on_removed_(object);
    object->clear_game();
}

void Game::object_changed(Obj* object) {
    if (on_changed_) on_changed_(object);
}

void Game::add_action(const GameAction& action) {
    if (on_action_) on_action_(action);
}

std::pair<float, float> Game::cursor_position() const { return cursor_ ? cursor_() : std::pair<float, float>(); }

void Game::shoot() {
    if (platform_) platform_->shoot();
}

void Game::take_ball() {
    if (platform_) platform_->take_ball();
}

void Game::move_platform(float x) {
    if (platform_) platform_->move_to(x);
}

std::shared_ptr<GameStats> Game::stats() const {
    auto s = std::make_shared<GameStats>();
    s->lives = lives_;
    s->coins = coins_;
    s->points = points_;
    if (bonuses_) s->letters = bonuses_->marked_letters();
    return s;
}

float Game::mission_progress() const { return mission_ ? mission_->progress() : 0.0f; }

void Game::add_mission_progress(float p) {
    if (mission_) mission_->add_progress(p);
}

const WaySettings* Game::way_settings(const Way* way) const {
    for (std::size_t i = 0; i < ways_.size(); ++i)
        if (ways_[i].get() == way) return i < way_settings_.size() ? &way_settings_[i] : nullptr;
    return nullptr;
}

std::int32_t Game::random_ball_color() const {
    if (ball_colors_.empty()) return color_none;
    return ball_colors_[std::size_t(random_pick(int(ball_colors_.size())))];
}

// ---------------------------------------------------------------- lists

void Game::add_flying_ball(std::shared_ptr<FlyingBall> ball) {
    if (ball) flying_.push_back(std::move(ball));
}

void Game::drop_sequence(Sequence* s) {
    if (!s || is_sequence_dropped(s)) return;
    s->clear();
    seq_pending_.insert(s);
}

void Game::drop_flying_ball(FlyingBall* f) {
    if (!f || is_flying_ball_dropped(f)) return;
    flying_pending_.insert(f);
    f->drop_ball();
}

bool Game::is_game_way(const Way* way) const {
    if (!way) return false;
    for (const auto& w : ways_)
        if (w.get() == way) return true;
    return false;
}

std::shared_ptr<Way> Game::way_ref(const Way* way) const {
    for (const auto& w : ways_)
        if (w.get() == way) return w;
    for (const auto* w : {&contour_, &shaft_, &first_branch_, &second_branch_})
        if (w->get() == way) return *w;
    return {};
}

std::shared_ptr<FlyingBall> Game::flying_ball_ref(const FlyingBall* f) const {
    for (const auto& x : flying_)
        if (x.get() == f) return x;
    return {};
}

std::shared_ptr<Sequence> Game::sequence_ref(const Sequence* s) const {
    for (const auto& x : sequences_)
        if (x.get() == s) return x;
    return {};
}

void Game::forget_creature(const ZelkorRegion* region) {
    if (!region) return;
    auto& list = medals_->knocked;
    for (auto it = list.begin(); it != list.end(); ++it) {
        const auto& side = region->side() == ZelkorRegion::head_side ? it->head : it->tail;
        if (side.lock().get() == region) {
            list.erase(it);
            return;
        }
    }
}

Sequence* Game::rear_sequence_on_way(const Way* way) const {
    for (const auto& s : sequences_)
        if (live(*s) && s->way() == way) return s.get();
    return nullptr;
}

Sequence* Game::front_sequence_on_way(const Way* way) const {
    for (auto it = sequences_.rbegin(); it != sequences_.rend(); ++it)
        if (live(**it) && (*it)->way() == way) return it->get();
    return nullptr;
}

Sequence* Game::sequence_behind(const Sequence* s) const {
    Sequence* behind = nullptr;
    for (const auto& x : sequences_) {
        if (x.get() == s) return behind;
        if (live(*x) && x->way() == s->way()) behind = x.get();
    }
    return nullptr;
}

Sequence* Game::sequence_ahead(const Sequence* s) const {
    bool found = false;
    for (const auto& x : sequences_) {
        if (found && live(*x) && x->way() == s->way()) return x.get();
        if (x.get() == s) found = true;
    }
    return nullptr;
}

int Game::tails_ahead(const Sequence* s) const {
    int n = 0;
    bool found = false;
    for (const auto& x : sequences_) {
        if (found && live(*x) && x->way() == s->way() && x->tail()) ++n;
        if (x.get() == s) found = true;
    }
    return n;
}

void Game::add_coin() {
    ++coins_;
    // 0 coins for a life: the sub-level gives no extra lives.
    if (params_.coins_for_life > 0 && coins_ % params_.coins_for_life == 0) ++lives_;
}

bool Game::comes_before(const Sequence* a, const Sequence* b) const {
    for (const auto& x : sequences_) {
        if (x.get() == a) return true;
        if (x.get() == b) return false;
    }
    return false;
}

bool Game::ends_nearly_meet(const Ball* a, const Ball* b) const {
    if (!a || !b) return false;
    Sequence* sa = a->sequence();
    Sequence* sb = b->sequence();
    if (!sa || !sb || sa == sb || sa->way() != sb->way() || !sa->way()) return false;
    const bool a_first = comes_before(sa, sb);
    Sequence* r = a_first ? sa : sb;
    Sequence* f = a_first ? sb : sa;
    const Ball* r_ball = a_first ? a : b;
    const Ball* f_ball = a_first ? b : a;
    if (r->front_ball() != r_ball || f->rear_ball() != f_ball) return false;
    bool after_r = false;
    for (const auto& x : sequences_) {
        if (x.get() == r) {
            after_r = true;
            continue;
        }
        if (after_r && x->way() == r->way()) {
            if (x.get() != f) return false;
            break;
        }
    }
    const Way& w = *r->way();
    const float chord = 2.0f * ball_radius() + 0.5f;
    WayPosition place = r_ball->way_position();
    w.advance_by_chord(place.point, chord, place);
    w.advance_by_chord(place.point, chord, place);
    return !w.is_ahead(f_ball->way_position(), place);
}

void Game::send_knock_medal(const std::weak_ptr<ZelkorRegion>& head, const std::weak_ptr<ZelkorRegion>& tail,
                            std::int32_t color) {
    const auto h = head.lock();
    const auto t = tail.lock();
    if (!h || !t) return;
    const auto [award, count] = medals_->knock(h, t, color);
    if (award.medal != -1)
        add_action(make_game_action<GameActionMedal>(action_medal, award, std::int32_t(count)));
}

void Game::send_medals_stats() {
    medals_->creatures_destroyed = 0;
    add_action(make_game_action<GameActionMedalsStats>(action_medals_stats, medals_stats_creatures_destroyed));
}

void Game::send_consuming_balls(std::shared_ptr<Ball> ball) {
    add_action(make_game_action<GameActionConsumingBalls>(action_consuming_balls,
                                                          std::vector<std::shared_ptr<Ball>>{std::move(ball)}));
}

}  // namespace orvek::trelm::logic
