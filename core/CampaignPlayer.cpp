#include "core/CampaignPlayer.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <random>
#include <sys/random.h>
#include <unistd.h>

#include "core/CoreError.h"
#include "core/SaveFiles.h"
#include "orvek/AbstractFactory.h"
#include "orvek/Log.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::core {

namespace {

orvek::Factory<CampaignPlayer> campaign_player_factory(CampaignPlayer::type_key);

using orvek::io::IStream;
using orvek::io::OStream;

void save_bool(OStream& out, bool v) { out << static_cast<std::uint8_t>(v ? 1 : 0); }

void load_bool(IStream& in, bool& v) {
    std::uint8_t b = 0;
    if ((in >> b).good()) v = b != 0;
}

void drop_string(IStream& in) {
    std::string dropped;
    in.read_string(dropped);
}

void save_carried(OStream& out, const logic::GameStats& s) {
    out << std::uint8_t{0} << static_cast<std::uint32_t>(s.lives) << static_cast<std::uint32_t>(s.coins)
        << static_cast<std::uint32_t>(s.points) << static_cast<std::uint32_t>(s.letters.size());
    if (!s.letters.empty()) out.write(s.letters.data(), s.letters.size());
}

void load_carried(IStream& in, logic::GameStats& s) {
    std::uint8_t version = 0;
    std::uint32_t lives = 0, coins = 0, points = 0, count = 0;
    in >> version >> lives >> coins >> points;
    s.lives = static_cast<int>(lives);
    s.coins = static_cast<int>(coins);
    s.points = static_cast<int>(points);
    s.letters.clear();
    if (!(in >> count).good()) return;
    std::vector<char> bytes;
    // Grows with the bytes that arrive, never with the count alone.
    if (in.read_block(bytes, count)) s.letters.assign(bytes.begin(), bytes.end());
}

}  // namespace

// ---------------------------------------------------------------- MedalsStats

void MedalsStats::clear_run() {
    counter_a_ = counter_b_ = counter_c_ = 0;
    without_lose_life_ = false;
}

void MedalsStats::reset() {
    counter_a_ = counter_b_ = counter_c_ = 0;
    without_lose_life_ = without_continue_ = true;
    quick_complete_.clear();
}

std::uint32_t MedalsStats::quick_complete_count(std::uint32_t grade) const {
    return grade < quick_complete_.size() ? quick_complete_[grade] : 0;
}

std::uint32_t MedalsStats::add_quick_complete(std::uint32_t grade) {
    if (grade >= quick_complete_.size()) quick_complete_.resize(grade + std::size_t{1}, 0);
    return ++quick_complete_[grade];
}

void MedalsStats::save(OStream& out) const {
    out << std::uint8_t{0} << counter_b_ << counter_a_ << counter_c_;
    save_bool(out, without_lose_life_);
    save_bool(out, without_continue_);
    orvek::io::write_counted(out, quick_complete_.begin(), quick_complete_.end(),
                             static_cast<std::uint32_t>(quick_complete_.size()));
}

void MedalsStats::load(IStream& in) {
    std::uint8_t version = 0;
    in >> version >> counter_b_ >> counter_a_ >> counter_c_;
    load_bool(in, without_lose_life_);
    load_bool(in, without_continue_);
    orvek::io::read_vector(in, quick_complete_);
}

// ---------------------------------------------------------------- save id

std::string format_save_id(const std::array<std::uint8_t, 16>& guid) {
    static const char digits[] = "1234567890ABCDEF";
    std::string text;
    text.reserve(32);
    for (int w = 0; w < 4; ++w) {
        std::uint32_t word = IStream::get_u32(guid.data() + 4 * w);
        for (int d = 0; d < 8; ++d, word >>= 4) text += digits[word & 0xF];
    }
    return text;
}

std::array<std::uint8_t, 16> new_guid() {
    std::array<std::uint8_t, 16> bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            break;
        }
    }
    if (got < bytes.size()) {
        int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            got = 0;
            while (got < bytes.size()) {
                ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
                if (n > 0) got += static_cast<std::size_t>(n);
                else if (n == 0 || errno != EINTR) break;
            }
            ::close(fd);
        }
    }
    if (got < bytes.size()) {
        // No system source at all: still a distinct id, never a fixed one.
        std::random_device device;
        for (auto& b : bytes) b = static_cast<std::uint8_t>(device());
    }
    return bytes;
}

// ---------------------------------------------------------------- CampaignPlayer

CampaignPlayer::CampaignPlayer() = default;

void CampaignPlayer::set_position(const LevelPosition& position) {
    position_[mode()] = position;
    if (mode() == campaign && position.level() > highest_level_) highest_level_ = position.level();
}

void CampaignPlayer::store_result(const std::string& key, const std::shared_ptr<LevelResultI>& result) {
    if (!result) return;
    auto& stored = best_results_[key];
    if (!stored || stored->less(*result)) stored = result;
}

std::string CampaignPlayer::save_id() {
    if (save_id_.empty()) save_id_ = format_save_id(new_guid());
    return game_mode_ != 0 ? save_id_ + "S" : save_id_;
}

void CampaignPlayer::set_has_carried_state(bool has) {
    if (mode() == campaign) has_carried_state_ = has;
}

void CampaignPlayer::set_carried_state(const logic::GameStats& state) {
    if (mode() != campaign) return;
    carried_state_.lives = state.lives;
    carried_state_.coins = state.coins;
    carried_state_.points = state.points;
    carried_state_.letters = state.letters;
}

void CampaignPlayer::add_medal(const logic::MedalAward& medal) {
    if (medal.medal >= 0 && medal.medal < int(medal_kinds) && medal.grade >= 0 && medal.grade < int(grades))
        ++medal_counts_[medal.medal][medal.grade];
}

std::uint32_t CampaignPlayer::medal_count(const logic::MedalAward& medal) const {
    if (medal.medal >= 0 && medal.medal < int(medal_kinds) && medal.grade >= 0 && medal.grade < int(grades))
        return medal_counts_[medal.medal][medal.grade];
    return 0;
}

void CampaignPlayer::update_medal_progress(std::uint32_t kind, std::uint32_t value) {
    if (kind < medal_kinds && value > medal_progress_[kind]) medal_progress_[kind] = value;
}

std::uint32_t CampaignPlayer::medal_progress(std::uint32_t kind) const {
    return kind < medal_kinds ? medal_progress_[kind] : 0;
}

void CampaignPlayer::update_best_time(float seconds) {
    if (seconds > best_time_) best_time_ = seconds;  // false for NaN
}

void CampaignPlayer::update_grade_record(std::uint32_t grade, std::uint32_t value) {
    if (grade < grades && value > grade_record_[grade]) grade_record_[grade] = value;
}

std::uint32_t CampaignPlayer::grade_record(std::uint32_t grade) const {
    return grade < grades ? grade_record_[grade] : 0;
}

void CampaignPlayer::save(OStream& out) const {
    out << version;
    save_map(out, best_results_, [&](const auto& r) { orvek::io::save_shared(out, r); });
    save_bool(out, show_help_);
    out.write_sized_block(save_id_);
    for (unsigned m : {campaign, single}) {
        out << resume_score_[m];
        resume_position_[m].save(out);
        statistics_[m].save(out);
        position_[m].save(out);
    }
    save_bool(out, has_carried_state_);
    save_carried(out, carried_state_);
    best_statistics_.save(out);
    out << highest_level_;
    save_map(out, sub_level_statistics_, [&](const StatisticsRecord& r) { r.save(out); });
    out << game_mode_;
    save_bool(out, campaign_completed_);
    for (const auto& kind : medal_counts_)
        for (std::uint32_t count : kind) out << count;
    medals_stats_[campaign].save(out);
    medals_stats_[single].save(out);
    for (std::uint32_t p : medal_progress_) out << p;
    out << best_time_;
    for (std::uint32_t g : grade_record_) out << g;
}

void CampaignPlayer::load_mode_block(IStream& in, unsigned m) {
    in >> resume_score_[m];
    resume_position_[m].load(in);
    statistics_[m].load(in);
    position_[m].load(in);
}

void CampaignPlayer::load(IStream& in) {
    // Whatever a version lacks keeps the value of a new object; this also
    // resets the single-mode resume values.
    *this = CampaignPlayer();
    std::uint32_t v = 0;
    if (!(in >> v).good()) return;
    if (v > version) {
        static orvek::LogChannel errors("Core.Profiles", 1);
        return refuse_newer_version(in, v, version, "Campaign progress", errors);
    }
    auto load_best_results = [&] {
        load_map(in, best_results_, [&](std::shared_ptr<LevelResultI>& r) { orvek::io::load_shared(in, r); });
    };
    auto load_statistics_map = [&] {
        load_map(in, sub_level_statistics_, [&](StatisticsRecord& r) { r.load(in); });
    };

    if (v <= 8) {
        if (v >= 2) load_best_results();
        drop_string(in);
        if (v >= 1) load_bool(in, show_help_);
        if (v >= 3) in.read_string(save_id_);
        if (v >= 4) {
            in >> resume_score_[campaign];
            resume_position_[campaign].load(in);
        }
        if (v >= 5) {
            load_bool(in, has_carried_state_);
            load_carried(in, carried_state_);
        }
        if (v >= 6) statistics_[campaign].load(in);
        if (v >= 7) best_statistics_.load(in);
        if (v >= 8) drop_string(in);
        return;
    }
    if (v == 9) {
        load_best_results();
        load_bool(in, show_help_);
        in.read_string(save_id_);
        in >> resume_score_[campaign];
        resume_position_[campaign].load(in);
        load_bool(in, has_carried_state_);
        load_carried(in, carried_state_);
        statistics_[campaign].load(in);
        best_statistics_.load(in);
        position_[campaign].load(in);
        in >> highest_level_;
        return;
    }
    load_best_results();
    load_bool(in, show_help_);
    in.read_string(save_id_);
    load_mode_block(in, campaign);
    load_mode_block(in, single);
    load_bool(in, has_carried_state_);
    load_carried(in, carried_state_);
    best_statistics_.load(in);
    in >> highest_level_;
    load_statistics_map();
    in >> game_mode_;
    load_bool(in, campaign_completed_);
    if (v >= 11)
        for (auto& kind : medal_counts_)
            for (std::uint32_t& count : kind) in >> count;
    if (v >= 12) {
        medals_stats_[0].load(in);
        medals_stats_[1].load(in);
    }
    if (v >= 13) {
        for (std::uint32_t& p : medal_progress_) in >> p;
        in >> best_time_;
        for (std::uint32_t& g : grade_record_) in >> g;
    }
}

}  // namespace orvek::trelm::core
