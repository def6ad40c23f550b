#pragma once
// The game's bonus holder: the running timed effects, the falling bonuses,
// the bonus words, the table the kind of a new falling bonus is drawn from,
// the combo and chain counters of the match step, and the explosion walk
// that runs along every way when a sub-level is completed.
#include <cstdint>
#include <limits>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "logic/Bonus.h"
#include "logic/GameBonuses.h"
#include "logic/Scoring.h"
#include "logic/Way.h"

namespace orvek::io {
class IStream;
class OStream;
}  // namespace orvek::io

namespace orvek::trelm::logic {

class BonusFall;
class BonusWord;
class Game;
class Platform;

class ActiveBonuses : public GameBonuses {
public:
    using FallingList = std::list<std::shared_ptr<BonusFall>>;
    using FinishedWays = std::set<std::weak_ptr<Way>, std::owner_less<std::weak_ptr<Way>>>;
    static constexpr float never = std::numeric_limits<float>::infinity();

    // Makes the bonus word from the skin text "menu/bonus_word".
    explicit ActiveBonuses(Game* game);
    ~ActiveBonuses() override;
    ActiveBonuses(const ActiveBonuses&) = delete;
    ActiveBonuses& operator=(const ActiveBonuses&) = delete;

    Game* game() const { return game_; }

    // ---- the game's step and life cycle
    void update(float dt) override;
    void reset() override;
    void start_level_complete_effect() override;
    bool level_complete_finished() const override;
    bool falling_empty() const override { return falling_.empty(); }

    // ---- effects
    // Stores e in its kind's slot, or prolongs the effect already there
    // (e is then dropped).
    void add(std::shared_ptr<BonusBase> e);
    bool is_slowing_active() const override { return has_effect(effect_slowing); }
    bool is_go_back_active() const override { return has_effect(effect_go_back); }
    bool is_stop_active() const override { return has_effect(effect_stop); }
    bool is_intensifier_active() const override { return has_effect(effect_intensifier); }
    void cancel_go_back_and_stop() override;
    void drop_effects() override;
    void cancel_intensifier();
    const std::vector<std::shared_ptr<BonusBase>>& effects() const { return effects_; }

    // ---- falling bonuses
    void set_probabilities(const std::vector<std::pair<std::int32_t, float>>& weights) override;
    // The kind for a draw r in [0, 1]; -1 with an empty table.
    std::int32_t kind_for(float r) const;
    // Makes a falling bonus of a drawn kind at position; nothing when no
    // kind (or no candidate for the kind's own draw) is to be had.
    void create_bonus(const Vector2& position) override;
    void create_jewel(const Vector2& position) override;
    void create_coin(const Vector2& position) override;
    // Makes a falling bonus of kind code at position (see create_bonus).
    std::shared_ptr<BonusFall> create_kind(std::int32_t kind, const Vector2& position);
    // The launch number of the next falling bonus made in this step.
    std::uint32_t next_launch_number() { return created_this_step_++; }
    const FallingList& falling() const { return falling_; }
    const std::map<float, std::int32_t>& kind_table() const { return kind_table_; }
    // The platform of the game, or null.
    Platform* platform() const;

    // ---- words
    void offer_letter(char c);
    void collect_letter(std::uint8_t letter) override;
    std::vector<std::uint8_t> marked_letters() const override;
    std::vector<char> unmarked_letters() const;
    const std::vector<std::shared_ptr<BonusWord>>& words() const { return words_; }

    // ---- combo and chain
    bool register_consumption(bool by_shot, bool scored) override {
        return combo_.register_consumption(by_shot, scored);
    }
    void plain_shot() override { combo_.plain_shot(); }
    std::int32_t combo_count() const override { return combo_.combo; }
    std::int32_t chain_count() const override { return combo_.chain; }
    bool match_flag() const { return combo_.match; }

    // ---- level-complete walk
    const std::vector<WayPosition>& front_records() const { return front_; }
    const std::vector<WayPosition>& walk_records() const { return walk_; }
    float next_explosion_time() const { return next_explosion_; }
    float finish_time() const { return finish_time_; }
    const FinishedWays& finished_ways() const { return finished_; }
    std::uint32_t created_this_step() const { return created_this_step_; }

    // ---- stream form (with the game's own save)
    void save(io::OStream& out) const;
    // Replaces the contents and hands every loaded object the game again.
    void load(io::IStream& in);

private:
    bool has_effect(int kind) const { return effects_[std::size_t(kind)] != nullptr; }
    void update_level_complete();
    void track_fronts();
    void update_falling(float dt);
    void reset_chain();
    void launch(const std::shared_ptr<BonusFall>& bonus);

    Game* game_;
    std::vector<std::shared_ptr<BonusBase>> effects_;
    FallingList falling_;
    std::vector<std::shared_ptr<BonusWord>> words_;
    ComboCounters combo_;
    std::map<float, std::int32_t> kind_table_;
    std::vector<WayPosition> front_;
    std::vector<WayPosition> walk_;
    float next_explosion_ = never;
    float finish_time_ = never;
    FinishedWays finished_;
    std::uint32_t created_this_step_ = 0;
};

// Level-complete points for a front that stopped distance units short of
// the finish mark: ((int(distance * per_unit) + 1) / 50) * 50.
std::int32_t level_complete_points(float distance, float per_unit);

}  // namespace orvek::trelm::logic
