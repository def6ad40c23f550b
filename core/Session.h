#pragma once
// The game's single point of access to everything that outlives one game:
// the profile store and the logged-in player, the levels, the results
// tables, the statistics of all sub-levels and the play time of the login.
#include <memory>
#include <string>
#include <vector>

#include "core/LevelResult.h"
#include "core/Levels.h"
#include "core/Profile.h"
#include "core/StatisticsRecord.h"

namespace orvek::io { class OStream; class IStream; }

namespace orvek::trelm::core {

class Profiles;
class Session_Impl_;

// The key of the best-results table.
extern const std::string best_results_key;

class Session {
public:
    virtual ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Profiles* profiles() const;
    // Logs the profile in (empty logs nobody in) and restarts the play time.
    // A profile without campaign progress gets fresh progress, and the
    // store is saved.
    void set_profile(const std::shared_ptr<Profile>& profile);
    void log_off();
    bool has_profile() const;
    std::shared_ptr<Profile> profile() const;
    // The name of the last profile logged in; empty when none.
    std::string last_logged_profile() const;

    float add_play_time(float seconds);
    float play_time() const;

    Levels& levels();
    LevelDescriptor& level(unsigned index);

    // Adds to the best-results table and saves the results file; the
    // entry's 1-based place, 0 when it did not stay in the table.
    int add_best_result(const ResultEntry& entry);
    std::vector<ResultEntry> best_results(unsigned n) const;
    // Adds the skin's default entries "menu/best-results/default/player<i>".
    void fill_default_best_results();
    void clear_results();

    // False (and nothing removed) while nobody with campaign progress is
    // logged in.
    bool has_autosave();
    void remove_autosave();
    // "<saves/@autosave>/<save id>"; empty while nobody with campaign
    // progress is logged in.
    std::string autosave_path();

    StatisticsRecord& sub_level_statistics(const std::string& key);
    // The record of a sub-level, or null; unlike the accessor above it adds
    // no empty record.
    const StatisticsRecord* find_sub_level_statistics(const std::string& key) const;
    StatisticsRecord& best_statistics();
    // u8 version 0, the best record, u32 count, then key and record per entry.
    void save_statistics(orvek::io::OStream& out) const;
    // Reads into scratch records and replaces the session's statistics only
    // when every read succeeded; answers whether it did. A failed read
    // leaves the statistics as they were (raising under the stream's mask).
    bool load_statistics(orvek::io::IStream& in);

    Session_Impl_& impl() { return *impl_; }

protected:
    Session() = default;
    std::unique_ptr<Session_Impl_> impl_;
};

class SingleSession : public Session {
public:
    // Loads the levels and the results file; a missing or duplicated level
    // or sub-level id raises std::runtime_error.
    explicit SingleSession(Profiles* profiles);
};

}  // namespace orvek::trelm::core
