#pragma once
// Play statistics of a sub-level: the running record of a game, the best of
// one sub-level, or the best over all of them. Each entry carries where and
// by whom its value was reached.
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "core/LevelPosition.h"

namespace orvek::ostrel { class XmlAttributes; }
namespace orvek::io { class OStream; class IStream; }

namespace orvek::trelm::core {

template <class T>
struct StatisticsEntry {
    T value{};
    LevelPosition position;
    std::string holder;
};

class StatisticsRecord {
public:
    using Count = StatisticsEntry<std::uint32_t>;
    using Time = StatisticsEntry<float>;

    // Best lives and time of a sub-level nobody has finished yet: any real
    // result is smaller, so the first finisher always takes the record.
    static constexpr std::uint32_t no_lifes_best = std::numeric_limits<std::uint32_t>::max();
    static constexpr float no_time_best = std::numeric_limits<float>::infinity();

    // Looks a language-file key up; returns the key itself when it has no text.
    using TextLookup = std::function<std::string(const std::string&)>;

    StatisticsRecord() = default;

    void clear();
    bool is_set() const { return set_; }

    void set_position(const LevelPosition& position);
    void set_holder(const std::string& name);

    void add_chain();
    void add_combo();
    void add_indirect();
    void add_sniper();
    void add_word();
    void add_life_expend();

    void update_chain_max(std::uint32_t n);
    void update_combo_max(std::uint32_t n);
    void update_indirect_max(std::uint32_t n);

    void set_coins_at_start(std::uint32_t coins) { coins_at_start_ = coins; }
    void set_score_at_start(std::uint32_t score) { score_at_start_ = score; }
    std::uint32_t coins_at_start() const { return coins_at_start_; }
    std::uint32_t score_at_start() const { return score_at_start_; }

    // Gains since the start; spending below the start value counts as 0.
    void set_coins(std::uint32_t current);
    void set_score(std::uint32_t current);

    void set_time_mark(float time) { time_mark_ = time; }
    float time_mark() const { return time_mark_; }
    void update_time(float now);

    Count& chain_num() { return chain_num_; }
    Count& combo_num() { return combo_num_; }
    Count& indirect_num() { return indirect_num_; }
    Count& sniper_num() { return sniper_num_; }
    Count& coins_num() { return coins_num_; }
    Count& words_num() { return words_num_; }
    Count& chain_max() { return chain_max_; }
    Count& combo_max() { return combo_max_; }
    Count& indirect_max() { return indirect_max_; }
    Count& score() { return score_; }
    Count& lifes_expend() { return lifes_expend_; }
    Time& time_expend() { return time_expend_; }
    const Count& chain_num() const { return chain_num_; }
    const Count& combo_num() const { return combo_num_; }
    const Count& indirect_num() const { return indirect_num_; }
    const Count& sniper_num() const { return sniper_num_; }
    const Count& coins_num() const { return coins_num_; }
    const Count& words_num() const { return words_num_; }
    const Count& chain_max() const { return chain_max_; }
    const Count& combo_max() const { return combo_max_; }
    const Count& indirect_max() const { return indirect_max_; }
    const Count& score() const { return score_; }
    const Count& lifes_expend() const { return lifes_expend_; }
    const Time& time_expend() const { return time_expend_; }

    void merge_best(const StatisticsRecord& other);

    // Fills the record from the records table entry of the sub-level at
    // `position` (0-based indexes). `text` maps the holder's language-file
    // key to its text; without it the key itself is the holder.
    void load_record(const orvek::ostrel::XmlAttributes& table, const LevelPosition& position,
                     const TextLookup& text = {});

    void save(orvek::io::OStream& out) const;
    void load(orvek::io::IStream& in);

private:
    // Calls f(entry, attribute name) for the eleven counted entries in order.
    template <class Self, class F> static void for_each_count(Self& self, F&& f);

    bool set_ = false;
    Count chain_num_, combo_num_, indirect_num_, sniper_num_, coins_num_, words_num_;
    Count chain_max_, combo_max_, indirect_max_, score_, lifes_expend_;
    Time time_expend_;
    std::uint32_t coins_at_start_ = 0;
    std::uint32_t score_at_start_ = 0;
    float time_mark_ = 0.0f;
};

}  // namespace orvek::trelm::core
