#include "logic/ActiveBonuses.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/BonusWord.h"
#include "logic/FindBalls.h"
#include "logic/FlyingBall.h"
#include "logic/Game.h"
#include "logic/GameAction.h"
#include "logic/LegacyRand.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/SkinLookup.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> time_after_last_explosion("level_complete_effect/@time_after_last_explosion",
                                                             1.5f);
ostrel::ConfigValueReadOnly<float> explosions_interval_time("level_complete_effect/@explosions_interval_time",
                                                            0.2f);
ostrel::ConfigValueReadOnly<float> explosions_interval_path("level_complete_effect/@explosions_interval_path",
                                                            20.0f);
ostrel::ConfigValueReadOnly<float> points_for_path("level_complete_effect/@points_for_path", 2.0f);
ostrel::ConfigValueReadOnly<float> bonusfall_radius("bonuses/@bonusfall_radius", 15.0f);
ostrel::ConfigValueReadOnly<int> jewels_quantity("bonuses/@jewels_quantity", 3);

WayPosition mark_of(const Way& w, int mark) { return w.geometry().marks[mark]; }

// A record of a damaged save may name a point the way does not have.
WayPosition within(const Way& w, WayPosition p) {
    p.index = std::clamp(p.index, -1, std::max(w.point_count() - 1, -1));
    return p;
}

// Loads a counted list of shared objects and hands on each one that arrived.
template <class T, class Take>
void load_shared_list(io::IStream& in, Take take) {
    const std::uint32_t n = io::read_count(in);
    for (std::uint32_t i = 0; i < n && in.good(); ++i) {
        std::shared_ptr<T> p;
        io::load_shared(in, p);
        if (p) take(std::move(p));
    }
}

void save_records(io::OStream& out, const std::vector<WayPosition>& records) {
    io::write_count(out, records.size());
    for (const WayPosition& r : records) {
        if (!out.good()) break;
        out << std::uint32_t(r.index);
        out.write_point(r.point);
    }
}

void load_records(io::IStream& in, std::vector<WayPosition>& records) {
    records.clear();
    const std::uint32_t n = io::read_count(in);
    for (std::uint32_t i = 0; i < n && in.good(); ++i) {
        std::uint32_t index = 0;
        WayPosition r;
        in >> index;
        in.read_point(r.point);
        r.index = std::int32_t(index);
        if (in.good()) records.push_back(r);
    }
}

}  // namespace

std::int32_t level_complete_points(float distance, float per_unit) {
    const float product = distance * per_unit;
    // A missing finish mark lies at infinity: the walk then earns nothing.
    if (!std::isfinite(product)) return 0;
    const float clamped = std::clamp(product, -2.0e9f, 2.0e9f);
    return (std::int32_t(clamped) + 1) / 50 * 50;
}

// ---------------------------------------------------------------- life cycle

ActiveBonuses::ActiveBonuses(Game* game) : game_(game), effects_(effect_slot_count) {
    words_.push_back(std::make_shared<BonusWordLife>(game, skin_text("menu/bonus_word")));
}

ActiveBonuses::~ActiveBonuses() = default;

void ActiveBonuses::reset() {
    combo_ = ComboCounters();
    effects_.assign(effect_slot_count, nullptr);
    front_.clear();
    walk_.clear();
    finished_.clear();
    next_explosion_ = never;
    finish_time_ = never;
    const FallingList falling = std::move(falling_);
    falling_.clear();
    if (game_)
        for (const auto& b : falling) game_->remove_object(b);
}

Platform* ActiveBonuses::platform() const { return game_ ? game_->platform() : nullptr; }

// ---------------------------------------------------------------- effects

void ActiveBonuses::add(std::shared_ptr<BonusBase> e) {
    if (!e || e->kind() < 0 || e->kind() >= effect_slot_count) return;
    auto& slot = effects_[std::size_t(e->kind())];
    if (!slot)
        slot = std::move(e);
    else
        slot->prolong();
}

void ActiveBonuses::cancel_go_back_and_stop() {
    effects_[effect_go_back].reset();
    effects_[effect_stop].reset();
}

void ActiveBonuses::drop_effects() { effects_.assign(effect_slot_count, nullptr); }

void ActiveBonuses::cancel_intensifier() { effects_[effect_intensifier].reset(); }

// ---------------------------------------------------------------- the draw

void ActiveBonuses::set_probabilities(const std::vector<std::pair<std::int32_t, float>>& weights) {
    kind_table_.clear();
    // The acceleration bonus lies past the range: it is never drawn.
    const auto drawable = [](std::int32_t kind, float weight) {
        return kind >= bonus_wild_ball && kind <= bonus_aiming_hit && weight > 0.0f && std::isfinite(weight);
    };
    double total = 0.0;
    for (const auto& [kind, weight] : weights)
        if (drawable(kind, weight)) total += weight;
    // Weights that give nothing to draw leave the table empty: no bonus.
    if (!(total > 0.0) || !std::isfinite(total)) return;
    double c = 0.0;
    for (const auto& [kind, weight] : weights) {
        if (!drawable(kind, weight)) continue;
        c += weight;
        kind_table_[float(c / total)] = kind;
    }
}

std::int32_t ActiveBonuses::kind_for(float r) const {
    if (kind_table_.empty()) return -1;
    const auto it = kind_table_.upper_bound(r);
    return it == kind_table_.end() ? std::prev(it)->second : it->second;
}

void ActiveBonuses::create_bonus(const Vector2& position) {
    if (kind_table_.empty()) return;
    create_kind(kind_for(random_fraction()), position);
}

void ActiveBonuses::create_jewel(const Vector2& position) { create_kind(bonus_jewel, position); }

void ActiveBonuses::create_coin(const Vector2& position) { create_kind(bonus_coin, position); }

std::shared_ptr<BonusFall> ActiveBonuses::create_kind(std::int32_t kind, const Vector2& p) {
    std::shared_ptr<BonusFall> b;
    switch (kind) {
        case bonus_wild_ball: b = std::make_shared<BonusWildBall>(this, p); break;
        case bonus_slowing: b = std::make_shared<BonusSlowing>(this, p); break;
        case bonus_go_back: b = std::make_shared<BonusGoBack>(this, p); break;
        case bonus_stop: b = std::make_shared<BonusStop>(this, p); break;
        case bonus_bomb: b = std::make_shared<BonusBomb>(this, p); break;
        case bonus_lightning: b = std::make_shared<BonusLightning>(this, p); break;
        case bonus_color_bomb: {
            if (!game_) return nullptr;
            const std::vector<std::int32_t> colors = colors_in_rect(*game_, color_bomb_field(*game_));
            std::int32_t color;
            if (!colors.empty())
                color = colors[std::size_t(random_pick(int(colors.size())))];
            else if (!game_->ball_colors().empty())
                color = game_->random_ball_color();
            else
                return nullptr;
            b = std::make_shared<BonusColorBomb>(this, p, color);
            break;
        }
        case bonus_pull_in: b = std::make_shared<BonusPullIn>(this, p); break;
        case bonus_intensifier: b = std::make_shared<BonusIntensifier>(this, p); break;
        case bonus_progress: b = std::make_shared<BonusProgress>(this, p); break;
        case bonus_jewel: {
            const int quantity = jewels_quantity.get();
            if (quantity < 1) return nullptr;
            b = std::make_shared<BonusJewel>(this, p, std::uint32_t(random_pick(quantity)));
            break;
        }
        case bonus_coin: b = std::make_shared<BonusCoin>(this, p); break;
        case bonus_letter: {
            const std::vector<char> letters = unmarked_letters();
            if (letters.empty()) return nullptr;
            b = std::make_shared<BonusLetter>(this, p, letters[std::size_t(random_pick(int(letters.size())))]);
            break;
        }
        case bonus_aiming_hit: b = std::make_shared<BonusAimingHit>(this, p); break;
        case bonus_sequence_acceleration: b = std::make_shared<BonusSequenceAcceleration>(this, p); break;
        default: return nullptr;
    }
    launch(b);
    return b;
}

void ActiveBonuses::launch(const std::shared_ptr<BonusFall>& bonus) {
    falling_.push_back(bonus);
    if (game_) game_->on_object_added(bonus);
}

// ---------------------------------------------------------------- words

void ActiveBonuses::offer_letter(char c) {
    for (const auto& w : words_)
        if (w && w->activate(c)) return;
}

void ActiveBonuses::collect_letter(std::uint8_t letter) {
    for (const auto& w : words_)
        if (w && w->collect(char(letter))) return;
}

std::vector<std::uint8_t> ActiveBonuses::marked_letters() const {
    std::vector<std::uint8_t> out;
    for (const auto& w : words_)
        if (w)
            for (const auto& l : w->letters())
                if (l.marked) out.push_back(std::uint8_t(l.letter));
    return out;
}

std::vector<char> ActiveBonuses::unmarked_letters() const {
    std::vector<char> out;
    for (const auto& w : words_)
        if (w)
            for (const auto& l : w->letters())
                if (!l.marked) out.push_back(l.letter);
    return out;
}

// ---------------------------------------------------------------- the step

void ActiveBonuses::update(float dt) {
    update_level_complete();
    for (std::size_t i = 0; i < effects_.size(); ++i) {
        // Hold the effect: its update may change the slots.
        const std::shared_ptr<BonusBase> e = effects_[i];
        if (e && e->update(dt) && effects_[i] == e) effects_[i].reset();
    }
    update_falling(dt);
    reset_chain();
    created_this_step_ = 0;
}

void ActiveBonuses::update_falling(float dt) {
    if (!game_) return;
    const float width = game_->params().desktop_width;
    const float height = game_->params().desktop_height;
    const float radius = bonusfall_radius.get();
    // A catch may make bonuses (a colour bomb's consumption drops new ones)
    // or reset the list: walk a snapshot and skip what has left the list.
    const std::vector<std::shared_ptr<BonusFall>> snapshot(falling_.begin(), falling_.end());
    for (const auto& b : snapshot) {
        const auto at = std::find(falling_.begin(), falling_.end(), b);
        if (at == falling_.end()) continue;
        const Vector2 p = b->position();
        Vector2 v = b->velocity();
        if (p.x > 0.0f && p.x >= width - 1.0f) {
            if (v.x > 0.0f) v.x = -0.8f * v.x;
        } else if (p.x <= 0.0f) {
            if (v.x < 0.0f) v.x = -0.8f * v.x;
        }
        b->set_velocity(v);
        if (p.y - radius <= height) {
            const Platform* platform = this->platform();
            if (platform && platform->contains(p)) {
                falling_.erase(at);
                b->on_caught();
                game_->remove_object(b);
            } else {
                b->update(dt);
            }
        } else {
            falling_.erase(at);
            game_->remove_object(b);
            if (b->kind() != bonus_sequence_acceleration)
                game_->add_action(
                    make_game_action<GameActionMedalsStats>(action_medals_stats, medals_stats_bonus_missed));
        }
    }
}

void ActiveBonuses::reset_chain() {
    if (!game_) return;
    int joins = 0;
    for (const auto& s : game_->sequences()) {
        if (game_->is_sequence_dropped(s.get()) || !game_->is_game_way(s->way()) || s->tail() || s->empty())
            continue;
        Sequence* behind = game_->sequence_behind(s.get());
        if (!behind || behind->empty() || !colors_match(behind->front_ball()->color(), s->rear_ball()->color()))
            continue;
        const int ahead = s->find_run(s->balls().begin()).ahead;
        const int back = behind->find_run(std::prev(behind->balls().end())).behind;
        if (ahead + back + 2 >= 3) ++joins;
    }
    int flying = 0;
    for (const auto& f : game_->flying_balls())
        if (!game_->is_flying_ball_dropped(f.get())) ++flying;
    if (joins == 0 && flying == 0) combo_.chain = 0;
}

// ---------------------------------------------------------------- level-complete walk

void ActiveBonuses::track_fronts() {
    const auto& ways = game_->ways();
    if (front_.size() != ways.size()) front_.resize(ways.size());
    for (std::size_t i = ways.size(); i-- > 0;) {
        const Way& w = *ways[i];
        const Sequence* s = game_->front_sequence_on_way(&w);
        front_[i] = s && !s->empty() ? s->front_ball()->way_position() : mark_of(w, WayGeometry::start_mark);
    }
}

void ActiveBonuses::start_level_complete_effect() {
    if (!game_) return;
    const auto& ways = game_->ways();
    if (front_.size() != ways.size()) {
        front_.resize(ways.size());
        for (std::size_t i = 0; i < ways.size(); ++i) front_[i] = mark_of(*ways[i], WayGeometry::start_mark);
    }
    walk_.assign(ways.size(), WayPosition());
    const float speed = explosions_interval_path.get() / explosions_interval_time.get();
    float duration = 0.0f;
    for (std::size_t i = ways.size(); i-- > 0;) {
        const Way& w = *ways[i];
        walk_[i] = mark_of(w, WayGeometry::explosion_mark);
        const float d = w.distance(within(w, front_[i]), within(w, walk_[i])) / speed;
        if (d > duration) duration = d;
    }
    next_explosion_ = game_->time();
    game_->add_action(
        make_game_action<GameActionLevelCompleteEffectStart>(action_level_complete_effect_start, duration));
}

void ActiveBonuses::update_level_complete() {
    if (!game_) return;
    if (next_explosion_ == never) {
        // The walk has not started: follow how far the chains reach.
        track_fronts();
        return;
    }
    const auto& ways = game_->ways();
    const float time = game_->time();
    if (!walk_.empty() && time >= next_explosion_) {
        next_explosion_ = time + explosions_interval_time.get();
        // A save may hold fewer records than ways: the missing ones walk
        // from the start mark and from the explosion mark.
        for (std::size_t i = front_.size(); i < ways.size(); ++i)
            front_.push_back(mark_of(*ways[i], WayGeometry::start_mark));
        for (std::size_t i = walk_.size(); i < ways.size(); ++i)
            walk_.push_back(mark_of(*ways[i], WayGeometry::explosion_mark));
        for (std::size_t i = ways.size(); i-- > 0;) {
            const std::shared_ptr<Way>& w = ways[i];
            if (finished_.count(w)) continue;
            WayPosition& walk = walk_[i];
            walk = within(*w, walk);
            const WayPosition front = within(*w, front_[i]);
            if (w->is_ahead(walk, front)) {
                game_->add_action(make_game_action<GameActionLevelCompleteEffect>(
                    action_level_complete_effect, w->segment_order(walk.index), walk.point, false, 0));
                const WayPosition before = walk;
                w->advance(walk, -explosions_interval_path.get());
                // A walk held at the end of a bounded way ends at the front.
                if (walk == before) walk = front;
            } else {
                finished_.insert(w);
                const float to_finish = w->geometry().has_mark(WayGeometry::finish_mark)
                                            ? w->distance_to_finish_mark(front)
                                            : never;
                const std::int32_t points = level_complete_points(to_finish, points_for_path.get());
                game_->add_points(points);
                game_->add_action(make_game_action<GameActionLevelCompleteEffect>(
                    action_level_complete_effect, w->segment_order(front.index), front.point, true, points));
            }
        }
    }
    if (finished_.size() >= ways.size() && finish_time_ == never)
        finish_time_ = time + time_after_last_explosion.get();
}

bool ActiveBonuses::level_complete_finished() const {
    return game_ && finish_time_ != never && game_->time() >= finish_time_;
}

// ---------------------------------------------------------------- stream form

void ActiveBonuses::save(io::OStream& out) const {
    out << std::uint8_t(0);
    io::write_count(out, effects_.size());
    for (const auto& e : effects_) io::save_shared(out, e);
    io::write_count(out, falling_.size());
    for (const auto& b : falling_) io::save_shared(out, b);
    io::write_count(out, words_.size());
    for (const auto& w : words_) io::save_shared(out, w);
    out << std::uint32_t(combo_.chain) << std::uint32_t(combo_.combo) << std::uint8_t(combo_.match ? 1 : 0);
    out << std::uint8_t(0);
    io::write_count(out, kind_table_.size());
    for (const auto& [key, kind] : kind_table_) out << key << std::uint32_t(kind);
    save_records(out, front_);
    save_records(out, walk_);
    out << next_explosion_ << finish_time_;
    // In the game's order of ways: the set's own order is one of addresses,
    // which would make two runs of one game write different bytes.
    std::vector<std::shared_ptr<Way>> finished;
    if (game_)
        for (const auto& w : game_->ways())
            if (finished_.count(w)) finished.push_back(w);
    io::write_count(out, finished.size());
    for (const auto& w : finished) io::save_shared(out, w);
    out << created_this_step_;
}

void ActiveBonuses::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;

    // The effects are indexed by kind: whatever the file holds, there are
    // six slots, and an effect sits in its own kind's slot.
    std::vector<std::shared_ptr<BonusBase>> effects(effect_slot_count);
    load_shared_list<BonusBase>(in, [&effects](std::shared_ptr<BonusBase> e) {
        if (e->kind() >= 0 && e->kind() < effect_slot_count) effects[std::size_t(e->kind())] = std::move(e);
    });
    FallingList falling;
    load_shared_list<BonusFall>(in, [&falling](std::shared_ptr<BonusFall> b) { falling.push_back(std::move(b)); });
    std::vector<std::shared_ptr<BonusWord>> words;
    load_shared_list<BonusWord>(in, [&words](std::shared_ptr<BonusWord> w) { words.push_back(std::move(w)); });
    std::uint32_t chain = 0, combo = 0;
    std::uint8_t match = 0, table_version = 0;
    in >> chain >> combo >> match >> table_version;
    std::map<float, std::int32_t> table;
    const std::uint32_t n = io::read_count(in);
    for (std::uint32_t i = 0; i < n && in.good(); ++i) {
        float key = 0.0f;
        std::uint32_t kind = 0;
        in >> key >> kind;
        if (in.good()) table[key] = std::int32_t(kind);
    }
    std::vector<WayPosition> front, walk;
    load_records(in, front);
    load_records(in, walk);
    float next_explosion = never, finish_time = never;
    in >> next_explosion >> finish_time;
    FinishedWays finished;
    load_shared_list<Way>(in, [&finished](std::shared_ptr<Way> w) { finished.insert(w); });
    std::uint32_t created = 0;
    in >> created;
    if (!in.good()) return;

    effects_ = std::move(effects);
    falling_ = std::move(falling);
    words_ = std::move(words);
    combo_.chain = std::int32_t(chain);
    combo_.combo = std::int32_t(combo);
    combo_.match = match != 0;
    kind_table_ = std::move(table);
    front_ = std::move(front);
    walk_ = std::move(walk);
    next_explosion_ = next_explosion;
    finish_time_ = finish_time;
    finished_ = std::move(finished);
    created_this_step_ = created;

    for (const auto& e : effects_)
        if (e) e->set_game(game_);
    for (const auto& w : words_) w->set_game(game_);
    for (const auto& b : falling_) {
        b->relink_game(game_);
        if (game_) game_->on_object_added(b);
    }
}

}  // namespace orvek::trelm::logic
