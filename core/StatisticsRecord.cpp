#include "core/StatisticsRecord.h"

#include <algorithm>

#include "core/LevelAttributes.h"
#include "orvek/config/XmlAttributes.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::core {

namespace {

// Counters stop at their largest value instead of wrapping to 0.
void add_one(std::uint32_t& v) {
    if (v != std::numeric_limits<std::uint32_t>::max()) ++v;
}

// A gain since the start; spending more than was gained is no gain at all
// (a wrapped difference would be an unbeatable best).
std::uint32_t gain(std::uint32_t current, std::uint32_t start) { return current > start ? current - start : 0; }

}  // namespace

template <class Self, class F>
void StatisticsRecord::for_each_count(Self& self, F&& f) {
    f(self.chain_num_, "chain_num");
    f(self.combo_num_, "combo_num");
    f(self.indirect_num_, "indirect_num");
    f(self.sniper_num_, "sniper_num");
    f(self.coins_num_, "coins_num");
    f(self.words_num_, "words_num");
    f(self.chain_max_, "chain_max");
    f(self.combo_max_, "combo_max");
    f(self.indirect_max_, "indirect_max");
    f(self.score_, "score");
    f(self.lifes_expend_, "lifes_expend");
}

void StatisticsRecord::clear() { *this = StatisticsRecord(); }

void StatisticsRecord::set_position(const LevelPosition& position) {
    for_each_count(*this, [&](Count& e, const char*) { e.position = position; });
    time_expend_.position = position;
}

void StatisticsRecord::set_holder(const std::string& name) {
    for_each_count(*this, [&](Count& e, const char*) { e.holder = name; });
    time_expend_.holder = name;
}

void StatisticsRecord::add_chain() { add_one(chain_num_.value); }
void StatisticsRecord::add_combo() { add_one(combo_num_.value); }
void StatisticsRecord::add_indirect() { add_one(indirect_num_.value); }
void StatisticsRecord::add_sniper() { add_one(sniper_num_.value); }
void StatisticsRecord::add_word() { add_one(words_num_.value); }
void StatisticsRecord::add_life_expend() { add_one(lifes_expend_.value); }

void StatisticsRecord::update_chain_max(std::uint32_t n) { chain_max_.value = std::max(chain_max_.value, n); }
void StatisticsRecord::update_combo_max(std::uint32_t n) { combo_max_.value = std::max(combo_max_.value, n); }
void StatisticsRecord::update_indirect_max(std::uint32_t n) {
    indirect_max_.value = std::max(indirect_max_.value, n);
}

void StatisticsRecord::set_coins(std::uint32_t current) { coins_num_.value = gain(current, coins_at_start_); }
void StatisticsRecord::set_score(std::uint32_t current) { score_.value = gain(current, score_at_start_); }

void StatisticsRecord::update_time(float now) {
    time_expend_.value += now - time_mark_;
    time_mark_ = now;
    set_ = true;
}

void StatisticsRecord::merge_best(const StatisticsRecord& other) {
    if (!set_) {
        *this = other;
        return;
    }
    auto larger = [](Count& mine, const Count& theirs) {
        if (theirs.value > mine.value) mine = theirs;
    };
    larger(chain_num_, other.chain_num_);
    larger(combo_num_, other.combo_num_);
    larger(indirect_num_, other.indirect_num_);
    larger(sniper_num_, other.sniper_num_);
    larger(coins_num_, other.coins_num_);
    larger(words_num_, other.words_num_);
    larger(chain_max_, other.chain_max_);
    larger(combo_max_, other.combo_max_);
    larger(indirect_max_, other.indirect_max_);
    larger(score_, other.score_);
    if (other.lifes_expend_.value < lifes_expend_.value) lifes_expend_ = other.lifes_expend_;
    if (other.time_expend_.value < time_expend_.value) time_expend_ = other.time_expend_;
}

void StatisticsRecord::load_record(const orvek::ostrel::XmlAttributes& table, const LevelPosition& position,
                                   const TextLookup& text) {
    const std::string key = "sub_level_" + std::to_string(position.level()) + "_" +
                            std::to_string(position.sub_level());
    const std::string text_key = "menu/best-results/default/" + attribute_string(table, key + "/@name");
    set_ = true;
    set_holder(text ? text(text_key) : text_key);
    set_position(LevelPosition(position.level() + 1, position.sub_level() + 1));
    for_each_count(*this, [&](Count& e, const char* name) { e.value = attribute_uint(table, key + "/@" + name); });
    time_expend_.value = attribute_float(table, key + "/@time_expend");
    // A sub-level the table does not list has no best lives and time yet:
    // a seeded 0 could never be beaten.
    if (!has_attributes_under(table, key + "/@")) {
        lifes_expend_.value = no_lifes_best;
        time_expend_.value = no_time_best;
    }
}

namespace {

template <class T>
void save_entry(orvek::io::OStream& out, const StatisticsEntry<T>& e) {
    out << std::uint8_t{0} << e.value;
    e.position.save(out);
    out.write_sized_block(e.holder);
}

template <class T>
void load_entry(orvek::io::IStream& in, StatisticsEntry<T>& e) {
    std::uint8_t version = 0;
    in >> version >> e.value;
    e.position.load(in);
    in.read_string(e.holder);
}

}  // namespace

void StatisticsRecord::save(orvek::io::OStream& out) const {
    out << std::uint8_t{0} << static_cast<std::uint8_t>(set_ ? 1 : 0);
    for_each_count(*this, [&](const Count& e, const char*) { save_entry(out, e); });
    save_entry(out, time_expend_);
    out << coins_at_start_ << score_at_start_ << time_mark_;
}

void StatisticsRecord::load(orvek::io::IStream& in) {
    std::uint8_t version = 0, set = 0;
    in >> version >> set;
    set_ = set != 0;
    for_each_count(*this, [&](Count& e, const char*) { load_entry(in, e); });
    load_entry(in, time_expend_);
    in >> coins_at_start_ >> score_at_start_ >> time_mark_;
}

}  // namespace orvek::trelm::core
