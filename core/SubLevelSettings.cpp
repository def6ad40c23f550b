#include "core/SubLevelSettings.h"

#include <algorithm>
#include <vector>

#include "core/CoreError.h"
#include "core/LevelAttributes.h"
#include "core/LevelText.h"

namespace orvek::trelm::core {

namespace {

const char* const color_words[] = {"empty", "red",    "green", "blue",  "yellow",
                                   "black", "grey",   "purple", "white", "wild"};

const char* const bonus_words[] = {"empty_type", "wild_ball", "slowing",   "go_back",
                                   "stop",       "bomb",      "lightning", "color_bomb",
                                   "pull_in",    "intensifier", "progress", "jewel",
                                   "coin",       "letter",    "aiming_hit", "sequence_acceleration"};

const std::string settings_prefix = "sub-level/settings/";

logic::Float3 read_triple(const orvek::ostrel::XmlAttributes& map, const std::string& key) {
    FloatTriple t = parse_triple(attribute_string(map, key));
    return logic::Float3(t.a, t.b, t.c);
}

std::string way_prefix(unsigned n) {
    return settings_prefix + "way" + std::to_string(n) + "_settings/";
}

logic::WaySettings read_way(const orvek::ostrel::XmlAttributes& map, const std::string& prefix) {
    logic::WaySettings w;
    w.sequences_size = attribute_int(map, prefix + "@sequences_size");
    w.sequences_uniformity = attribute_int(map, prefix + "@sequences_uniformity");
    w.sequences_dtime = attribute_float(map, prefix + "@sequences_dtime");
    w.bonus_increment_for_seqs = attribute_float(map, prefix + "@bonus_increment_for_seqs");
    w.path_roll_out = attribute_float(map, prefix + "@path_roll_out");
    w.path_for_next_sequence = attribute_float(map, prefix + "@path_for_next_sequence");
    const std::string speeds = prefix + "speeds_sequences/";
    w.speed_roll_out = read_triple(map, speeds + "@speed_roll_out");
    w.speed_roll_in = read_triple(map, speeds + "@speed_roll_in");
    w.speed_forward = read_triple(map, speeds + "@speed_forward");
    w.speed_backward = read_triple(map, speeds + "@speed_backward");
    w.speed_go_back = read_triple(map, speeds + "@speed_go_back");
    w.speed_bonus_slowing = read_triple(map, speeds + "@speed_bonus_slowing");
    w.speed_bonus_go_back = read_triple(map, speeds + "@speed_bonus_go_back");
    w.speed_zelkor_region = read_triple(map, speeds + "@speed_zelkor_region");
    w.roll_out_braking = attribute_float(map, speeds + "@roll_out_braking");
    return w;
}

}  // namespace

std::uint32_t string_to_color(const std::string& word) {
    for (std::uint32_t i = 0; i < std::size(color_words); ++i)
        if (word == color_words[i]) return i;
    raise_core_error("Core/SubLevelSettings", 86, "orvek::trelm::core::string_to_color",
                     "Invalid color '" + word + "'");
}

std::uint32_t string_to_bonus_type(const std::string& word) {
    for (std::uint32_t i = 0; i < std::size(bonus_words); ++i)
        if (word == bonus_words[i]) return i;
    raise_core_error("Core/SubLevelSettings", 97, "orvek::trelm::core::string_to_bonus_type",
                     "Invalid bonus_type '" + word + "'");
}

struct SubLevelSettings::Impl {
    int storage = 0;
    FloatPair num_balls_for_bonus{0.0f, 0.0f};
    FloatPair num_balls_for_coin{0.0f, 0.0f};
    int num_coins_for_life = 0;
    int num_balls_for_complete_level = 0;
    float time_block_shoot = 0.0f;
    std::vector<std::uint32_t> colors;
    std::vector<BonusProbability> bonus_probabilities;
    logic::Float3 contour_settings;
    std::vector<logic::WaySettings> ways;
};

SubLevelSettings::SubLevelSettings() : impl_(std::make_unique<Impl>()) {}
SubLevelSettings::SubLevelSettings(const SubLevelSettings& other)
    : impl_(std::make_unique<Impl>(*other.impl_)) {}
SubLevelSettings& SubLevelSettings::operator=(const SubLevelSettings& other) {
    if (this != &other) *impl_ = *other.impl_;
    return *this;
}
SubLevelSettings::~SubLevelSettings() = default;

bool SubLevelSettings::load(const orvek::ostrel::XmlAttributes& map, const std::string& source) {
    Impl& d = *impl_;
    d.storage = attribute_int(map, settings_prefix + "@storage");
    d.num_balls_for_bonus.first = attribute_float(map, settings_prefix + "@num_balls_for_bonus_min");
    d.num_balls_for_bonus.second = attribute_float(map, settings_prefix + "@num_balls_for_bonus_max");
    d.num_balls_for_coin.first = attribute_float(map, settings_prefix + "@num_balls_for_coin_min");
    d.num_balls_for_coin.second = attribute_float(map, settings_prefix + "@num_balls_for_coin_max");
    d.num_coins_for_life = attribute_int(map, settings_prefix + "@num_conis_for_life");
    d.num_balls_for_complete_level = attribute_int(map, settings_prefix + "@num_balls_for_complete_level");
    d.time_block_shoot = attribute_float(map, settings_prefix + "@time_block_shoot");

    d.colors.clear();
    for (const std::string& word : split_words(attribute_string(map, settings_prefix + "sequence/@colors")))
        d.colors.push_back(string_to_color(word));

    d.bonus_probabilities.clear();
    for (std::uint32_t code = 0; code < std::size(bonus_words); ++code) {
        float p = attribute_float(map, settings_prefix + "bonus-manager/probability/@" + bonus_words[code]);
        if (p > 0.0f) d.bonus_probabilities.emplace_back(code, p);
    }

    d.contour_settings = read_triple(map, settings_prefix + "contour_settings/@speed");

    // The count comes from the file; a typo must not allocate billions of
    // records, so only ways that are actually described (and at most
    // max_ways) are kept. Undescribed ways between described ones stay as
    // all-zero records so that way indexes keep their meaning.
    const unsigned declared = attribute_uint(map, settings_prefix + "@num_ways");
    const unsigned limit = std::min(declared, max_ways);
    unsigned count = 0;
    for (unsigned n = 0; n < limit; ++n)
        if (has_attributes_under(map, way_prefix(n))) count = n + 1;
    if (count < declared) {
        log_level_error("num_ways is " + std::to_string(declared) + " but " + std::to_string(count) +
                        " way" + (count == 1 ? "" : "s") + " (at most " + std::to_string(max_ways) +
                        ") are described; only those are read" +
                        (source.empty() ? std::string() : " in " + source));
    }
    d.ways.clear();
    d.ways.reserve(count);
    for (unsigned n = 0; n < count; ++n) d.ways.push_back(read_way(map, way_prefix(n)));
    return true;
}

int SubLevelSettings::storage() const { return impl_->storage; }
const SubLevelSettings::FloatPair& SubLevelSettings::num_balls_for_bonus() const { return impl_->num_balls_for_bonus; }
const SubLevelSettings::FloatPair& SubLevelSettings::num_balls_for_coin() const { return impl_->num_balls_for_coin; }
int SubLevelSettings::num_coins_for_life() const { return impl_->num_coins_for_life; }
int SubLevelSettings::num_balls_for_complete_level() const { return impl_->num_balls_for_complete_level; }
float SubLevelSettings::time_block_shoot() const { return impl_->time_block_shoot; }

unsigned SubLevelSettings::colors_count() const { return static_cast<unsigned>(impl_->colors.size()); }

unsigned SubLevelSettings::colors(std::uint32_t* out, unsigned capacity) const {
    unsigned n = std::min(capacity, colors_count());
    std::copy_n(impl_->colors.begin(), n, out);
    return n;
}

unsigned SubLevelSettings::bonus_probabilities_count() const {
    return static_cast<unsigned>(impl_->bonus_probabilities.size());
}

unsigned SubLevelSettings::bonus_probabilities(BonusProbability* out, unsigned capacity) const {
    unsigned n = std::min(capacity, bonus_probabilities_count());
    std::copy_n(impl_->bonus_probabilities.begin(), n, out);
    return n;
}

const logic::Float3& SubLevelSettings::contour_settings() const { return impl_->contour_settings; }
unsigned SubLevelSettings::ways_count() const { return static_cast<unsigned>(impl_->ways.size()); }
const logic::WaySettings& SubLevelSettings::way_settings(unsigned index) const { return impl_->ways.at(index); }

}  // namespace orvek::trelm::core
