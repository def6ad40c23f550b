#pragma once
// Everything the game remembers about a player between runs, per game mode
// (0 campaign, 1 single): where the player stands, the autosave resume
// values, statistics, the state carried between campaign sub-levels, the
// best result per sub-level and the medals.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/LevelPosition.h"
#include "core/LevelResult.h"
#include "core/Profile.h"
#include "core/StatisticsRecord.h"
#include "logic/GameRecords.h"
#include "logic/Medals.h"

namespace orvek::trelm::core {

// Medal bookkeeping of one run.
class MedalsStats {
public:
    MedalsStats() { reset(); }

    std::uint32_t increment_counter_a() { return ++counter_a_; }
    std::uint32_t increment_counter_b() { return ++counter_b_; }
    std::uint32_t increment_counter_c() { return ++counter_c_; }
    void reset_counter_a() { counter_a_ = 0; }
    void reset_counter_b() { counter_b_ = 0; }
    std::uint32_t counter_a() const { return counter_a_; }
    std::uint32_t counter_b() const { return counter_b_; }
    std::uint32_t counter_c() const { return counter_c_; }

    bool without_lose_life() const { return without_lose_life_; }
    bool without_continue() const { return without_continue_; }
    void clear_without_continue() { without_continue_ = false; }
    void clear_flags() { without_lose_life_ = without_continue_ = false; }
    // The three counters 0 and without-lose-life false; the rest stays.
    void clear_run();
    // Counters 0, both flags true, no quick-complete counts.
    void reset();

    std::uint32_t quick_complete_count(std::uint32_t grade) const;
    // Grows the counts to grade + 1 when needed; returns the new count.
    std::uint32_t add_quick_complete(std::uint32_t grade);
    const std::vector<std::uint32_t>& quick_complete_counts() const { return quick_complete_; }

    // u8 version 0, counter b, counter a, counter c, the two flags as u8,
    // u32 count and the quick-complete counts.
    void save(orvek::io::OStream& out) const;
    void load(orvek::io::IStream& in);

private:
    std::uint32_t counter_a_ = 0;
    std::uint32_t counter_b_ = 0;
    std::uint32_t counter_c_ = 0;
    bool without_lose_life_ = true;
    bool without_continue_ = true;
    std::vector<std::uint32_t> quick_complete_;
};

// The save id text of 16 GUID bytes: four little-endian words, each as 8
// digits from the lowest to the highest, over the table "1234567890ABCDEF".
std::string format_save_id(const std::array<std::uint8_t, 16>& guid);
// 16 bytes from the operating system's random source.
std::array<std::uint8_t, 16> new_guid();

class CampaignPlayer : public ProfileProperty {
public:
    static constexpr const char* type_key = "class orvek::trelm::core::CampaignPlayer";
    static constexpr std::uint32_t version = 13;
    static constexpr unsigned medal_kinds = 24;
    static constexpr unsigned grades = 3;
    using BestResults = std::map<std::string, std::shared_ptr<LevelResultI>>;

    CampaignPlayer();

    LevelPosition& position() { return position_[mode()]; }
    // In campaign mode a higher level index raises the highest level.
    void set_position(const LevelPosition& position);
    std::uint32_t highest_level() const { return highest_level_; }

    // Keeps the stored result unless the new one is better.
    void store_result(const std::string& key, const std::shared_ptr<LevelResultI>& result);
    const BestResults& best_results() const { return best_results_; }

    bool show_help() const { return show_help_; }
    void set_show_help(bool show) { show_help_ = show; }

    // Made from a new GUID on first use; "S" follows in single mode.
    std::string save_id();

    bool has_carried_state() const { return mode() == campaign && has_carried_state_; }
    void set_has_carried_state(bool has);
    logic::GameStats& carried_state() { return carried_state_; }
    void set_carried_state(const logic::GameStats& state);

    StatisticsRecord& statistics() { return statistics_[mode()]; }
    StatisticsRecord& best_statistics() { return best_statistics_; }
    StatisticsRecord& sub_level_statistics(const std::string& key) { return sub_level_statistics_[key]; }
    const std::map<std::string, StatisticsRecord>& all_sub_level_statistics() const { return sub_level_statistics_; }

    std::uint32_t game_mode() const { return game_mode_; }
    void set_game_mode(std::uint32_t mode) { game_mode_ = mode; }

    std::uint32_t& resume_score() { return resume_score_[mode()]; }
    LevelPosition& resume_position() { return resume_position_[mode()]; }

    bool campaign_completed() const { return campaign_completed_; }
    void set_campaign_completed(bool completed) { campaign_completed_ = completed; }

    // Awards outside the table (such as "no award") are ignored and count 0.
    void add_medal(const logic::MedalAward& medal);
    std::uint32_t medal_count(const logic::MedalAward& medal) const;
    MedalsStats& medals_stats() { return medals_stats_[mode()]; }
    void update_medal_progress(std::uint32_t kind, std::uint32_t value);
    std::uint32_t medal_progress(std::uint32_t kind) const;
    // An equal or unordered (NaN) value keeps the stored one.
    void update_best_time(float seconds);
    float best_time() const { return best_time_; }
    void update_grade_record(std::uint32_t grade, std::uint32_t value);
    std::uint32_t grade_record(std::uint32_t grade) const;

    // Per-mode values of either mode, for the autosave and the tests.
    std::uint32_t resume_score_of(unsigned m) const { return resume_score_[m & 1]; }
    const LevelPosition& resume_position_of(unsigned m) const { return resume_position_[m & 1]; }
    const LevelPosition& position_of(unsigned m) const { return position_[m & 1]; }
    const StatisticsRecord& statistics_of(unsigned m) const { return statistics_[m & 1]; }
    const MedalsStats& medals_stats_of(unsigned m) const { return medals_stats_[m & 1]; }
    const std::string& stored_save_id() const { return save_id_; }

    // Always the newest layout (version 13).
    void save(orvek::io::OStream& out) const override;
    // Reads every older layout by its own version; a version newer than
    // this game knows fails the stream.
    void load(orvek::io::IStream& in) override;

private:
    // Per-mode arrays have two entries; a game mode other than 0 is single.
    static constexpr unsigned campaign = 0;
    static constexpr unsigned single = 1;
    unsigned mode() const { return game_mode_ == 0 ? campaign : single; }
    void load_mode_block(orvek::io::IStream& in, unsigned m);

    LevelPosition position_[2];
    std::uint32_t highest_level_ = 0;
    BestResults best_results_;
    bool show_help_ = true;
    std::string save_id_;
    std::uint32_t resume_score_[2] = {0, 0};
    LevelPosition resume_position_[2];
    bool has_carried_state_ = false;
    logic::GameStats carried_state_;
    StatisticsRecord statistics_[2];
    StatisticsRecord best_statistics_;
    std::map<std::string, StatisticsRecord> sub_level_statistics_;
    std::uint32_t game_mode_ = 0;
    bool campaign_completed_ = false;
    std::uint32_t medal_counts_[medal_kinds][grades] = {};
    MedalsStats medals_stats_[2];
    std::uint32_t medal_progress_[medal_kinds] = {};
    float best_time_ = 0.0f;
    std::uint32_t grade_record_[grades] = {};
};

}  // namespace orvek::trelm::core
