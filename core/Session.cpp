#include "core/Session.h"

#include <cstdlib>
#include <set>

#include "core/CampaignPlayer.h"
#include "core/CoreError.h"
#include "core/Profiles.h"
#include "core/SaveFiles.h"
#include "core/Session_Impl_.h"
#include "logic/SkinLookup.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::core {

const std::string best_results_key = "A7CCE641-3829-4cbb-B7FA-0FEA98260907";

namespace {

orvek::ostrel::ConfigValueReadOnly<std::string> levels_dir("levels/@dir", "data/levels-xml");
orvek::ostrel::ConfigValueReadOnly<std::string> results_path("saves/@results-manager-path", "saves/results.bin");
orvek::ostrel::ConfigValueReadOnly<std::string> autosave_dir("saves/@autosave", "saves/autosave");
orvek::LogChannel session_log("Core.Session_Impl_", 4);

constexpr const char* last_logged_key = "profiles/@last_logged";
constexpr unsigned results_per_table = 10;

// Values read before the application's first configuration update still
// get their settings or defaults.
std::string setting(const orvek::ostrel::ConfigValueReadOnly<std::string>& value) {
    orvek::ostrel::ConfigRegistry::instance().ensure_updated();
    return value.get();
}

[[noreturn]] void invariant_error(const std::string& text) {
    raise_core_error("Core/Session_Impl_", __LINE__, "orvek::trelm::core::Session_Impl_::check_levels_invariant",
                     text);
}

}  // namespace

// ---------------------------------------------------------------- Session_Impl_

Session_Impl_::Session_Impl_(Session* owner_, Profiles* profiles_)
    : owner(owner_),
      profiles(profiles_),
      levels(setting(levels_dir)),
      results(setting(results_path), results_per_table) {
    check_levels_invariant(levels);
}

Session_Impl_::~Session_Impl_() = default;

void Session_Impl_::check_levels_invariant(const Levels& levels) {
    session_log << "Levels invariant check begin" << std::endl;
    session_log << "Whether to check up all levels have guids" << std::endl;
    for (unsigned i = 0; i < levels.size(); ++i) {
        const LevelDescriptor& level = levels.get(i);
        unsigned missing = level.id().empty() ? 1 : 0;
        for (unsigned s = 0; s < level.size(); ++s)
            if (level.get(s).id().empty()) ++missing;
        if (missing != 0)
            invariant_error("Found " + std::to_string(missing) + " error(s) during loading level: " +
                            (level.id().empty() ? std::to_string(i) : level.id()));
    }
    session_log << "Whether to check up guids of levels and sub-levels are unique" << std::endl;
    std::set<std::string> guids;
    for (unsigned i = 0; i < levels.size(); ++i) {
        const LevelDescriptor& level = levels.get(i);
        if (!guids.insert(level.id()).second) invariant_error("Guid " + level.id() + " duplicated");
        for (unsigned s = 0; s < level.size(); ++s) {
            const std::string& id = level.get(s).id();
            if (!guids.insert(id).second) invariant_error("Guid " + id + " duplicated");
        }
    }
    guids.clear();
    session_log << "Levels invariant check end" << std::endl;
}

// ---------------------------------------------------------------- Session

Session::~Session() = default;

SingleSession::SingleSession(Profiles* profiles) { impl_ = std::make_unique<SingleSession_Impl_>(this, profiles); }

Profiles* Session::profiles() const { return impl_->profiles; }

void Session::set_profile(const std::shared_ptr<Profile>& profile) {
    impl_->profile = profile;
    // Restarts before the store is saved, so a failed save changes nothing here.
    impl_->play_time = 0.0f;
    if (!profile) return;
    orvek::ostrel::ConfigRegistry::instance().set_string(last_logged_key, profile->name());
    // A missing or empty property both mean no progress yet.
    if (!profile->property<CampaignPlayer>()) {
        profile->set_property(std::make_shared<CampaignPlayer>());
        if (impl_->profiles) impl_->profiles->save();
    }
}

void Session::log_off() { impl_->profile.reset(); }
bool Session::has_profile() const { return impl_->profile != nullptr; }
std::shared_ptr<Profile> Session::profile() const { return impl_->profile; }

std::string Session::last_logged_profile() const {
    return orvek::ostrel::ConfigRegistry::instance().get_string(last_logged_key, std::string());
}

float Session::add_play_time(float seconds) { return impl_->play_time += seconds; }
float Session::play_time() const { return impl_->play_time; }

Levels& Session::levels() { return impl_->levels; }
LevelDescriptor& Session::level(unsigned index) { return impl_->levels.get(index); }

int Session::add_best_result(const ResultEntry& entry) { return impl_->results.add(best_results_key, entry); }

std::vector<ResultEntry> Session::best_results(unsigned n) const { return impl_->results.results(best_results_key, n); }

void Session::fill_default_best_results() {
    logic::ISkinLookup* skin = logic::skin_lookup();
    if (!skin) return;
    for (unsigned i = 1;; ++i) {
        const std::string path = "menu/best-results/default/player" + std::to_string(i);
        if (!skin->has_attribute(path, "score")) break;
        const int score = std::atoi(skin->get_attribute(path, "score").c_str());
        auto result = std::make_shared<ScoreLevelResult>(score, LevelPosition(0, 0));
        add_best_result(ResultEntry(skin->get_text(path), result));
    }
}

void Session::clear_results() { impl_->results.clear(); }

std::string Session::autosave_path() {
    if (!impl_->profile) return {};
    auto player = impl_->profile->property<CampaignPlayer>();
    if (!player) return {};
    return setting(autosave_dir) + "/" + player->save_id();
}

bool Session::has_autosave() {
    const std::string path = autosave_path();
    return !path.empty() && orvek::file_exists(path);
}

void Session::remove_autosave() {
    const std::string path = autosave_path();
    if (!path.empty() && orvek::file_exists(path)) orvek::delete_file(path);
}

StatisticsRecord& Session::sub_level_statistics(const std::string& key) { return impl_->sub_level_statistics[key]; }
const StatisticsRecord* Session::find_sub_level_statistics(const std::string& key) const {
    const auto found = impl_->sub_level_statistics.find(key);
    return found == impl_->sub_level_statistics.end() ? nullptr : &found->second;
}
StatisticsRecord& Session::best_statistics() { return impl_->best_statistics; }

void Session::save_statistics(orvek::io::OStream& out) const {
    out << std::uint8_t{0};
    impl_->best_statistics.save(out);
    save_map(out, impl_->sub_level_statistics, [&](const StatisticsRecord& record) { record.save(out); });
}

bool Session::load_statistics(orvek::io::IStream& in) {
    // A half-read file must not leave a half-filled set behind.
    std::uint8_t version = 0;
    in >> version;
    StatisticsRecord best;
    best.load(in);
    std::map<std::string, StatisticsRecord> records;
    load_map(in, records, [&](StatisticsRecord& record) { record.load(in); });
    if (!in.good()) return false;
    impl_->best_statistics = best;
    impl_->sub_level_statistics = std::move(records);
    return true;
}

}  // namespace orvek::trelm::core
