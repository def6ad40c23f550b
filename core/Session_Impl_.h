#pragma once
// The session's implementation.
#include <map>
#include <memory>
#include <string>

#include "core/Levels.h"
#include "core/Profile.h"
#include "core/ResultsManager.h"
#include "core/StatisticsRecord.h"

namespace orvek::trelm::core {

class Profiles;
class Session;

class Session_Impl_ {
public:
    Session_Impl_(Session* owner, Profiles* profiles);
    virtual ~Session_Impl_();
    Session_Impl_(const Session_Impl_&) = delete;
    Session_Impl_& operator=(const Session_Impl_&) = delete;

    // Every level and sub-level has an id, and no id is used twice.
    static void check_levels_invariant(const Levels& levels);

    Session* owner;
    Profiles* profiles;
    std::shared_ptr<Profile> profile;
    Levels levels;
    ResultsManager results;
    std::map<std::string, StatisticsRecord> sub_level_statistics;
    StatisticsRecord best_statistics;
    float play_time = 0.0f;
};

class SingleSession_Impl_ : public Session_Impl_ {
public:
    using Session_Impl_::Session_Impl_;
};

}  // namespace orvek::trelm::core
