#pragma once
// Game rules of one sub-level, read from the `settings` element of its file.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "logic/GameRecords.h"

namespace orvek::ostrel { class XmlAttributes; }

namespace orvek::trelm::core {

// Ball colour code of a colour word ("empty", "red", ... "wild").
std::uint32_t string_to_color(const std::string& word);
// Bonus kind code of a bonus word ("empty_type", "wild_ball", ...).
std::uint32_t string_to_bonus_type(const std::string& word);

class SubLevelSettings {
public:
    using FloatPair = std::pair<float, float>;
    using BonusProbability = std::pair<std::uint32_t, float>;

    // More ways than this in one sub-level are treated as a broken file.
    static constexpr unsigned max_ways = 64;

    SubLevelSettings();
    SubLevelSettings(const SubLevelSettings& other);
    SubLevelSettings& operator=(const SubLevelSettings& other);
    ~SubLevelSettings();

    // Fills the settings from a sub-level file's map; errors are exceptions.
    // `source` names the file in log lines.
    bool load(const orvek::ostrel::XmlAttributes& map, const std::string& source = std::string());

    int storage() const;
    const FloatPair& num_balls_for_bonus() const;
    const FloatPair& num_balls_for_coin() const;
    int num_coins_for_life() const;
    int num_balls_for_complete_level() const;
    float time_block_shoot() const;

    unsigned colors_count() const;
    // Copies the first min(capacity, count) codes; returns how many.
    unsigned colors(std::uint32_t* out, unsigned capacity) const;

    unsigned bonus_probabilities_count() const;
    unsigned bonus_probabilities(BonusProbability* out, unsigned capacity) const;

    const logic::Float3& contour_settings() const;

    unsigned ways_count() const;
    // The caller keeps the index below ways_count().
    const logic::WaySettings& way_settings(unsigned index) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvek::trelm::core
