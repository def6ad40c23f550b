// Arbitrary bytes as the profiles file and as the results file: both must
// load what they can, never crash, and save what they loaded.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

#include "core/CampaignPlayer.h"
#include "core/Profiles.h"
#include "core/ResultsManager.h"
#include "fuzz/support/FuzzScratch.h"

namespace {

namespace fs = std::filesystem;
using namespace orvek::trelm::core;

void touch_player(CampaignPlayer& p) {
    (void)p.position().to_string();
    (void)p.stored_save_id().size();
    (void)p.has_carried_state();
    (void)p.carried_state().letters.size();
    (void)p.statistics().score().value;
    (void)p.medals_stats().quick_complete_count(2);
    (void)p.resume_position().level();
    for (unsigned k = 0; k < 24; ++k) (void)p.medal_progress(k);
    auto probe = std::make_shared<ScoreLevelResult>(0, LevelPosition());
    for (const auto& [key, result] : p.best_results()) (void)result_less(result, probe);
    p.store_result("probe", probe);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("saves");

    const fs::path profiles_path = scratch.dir() / "profiles.dat";
    if (fuzzsupport::write_input(profiles_path.string(), data, size)) {
        try {
            Profiles store(profiles_path.string());
            for (unsigned i = 0; i < store.size(); ++i) {
                auto profile = store.get(i);
                (void)profile->name().size();
                for (const auto& [key, property] : profile->properties()) (void)key.size();
                if (auto player = profile->property<CampaignPlayer>()) touch_player(*player);
            }
        } catch (const std::exception&) {
            // A failed save may raise; the store's destructor never does.
        }
    }

    const fs::path results_path = scratch.dir() / "results.bin";
    if (fuzzsupport::write_input(results_path.string(), data, size)) {
        ResultsManager results(results_path.string(), 10);
        for (const auto& [key, table] : results.tables()) {
            for (const auto& entry : results.results(key, 20)) (void)entry.name().size();
            (void)table.size();
        }
        results.add("probe", ResultEntry("probe", std::make_shared<ScoreLevelResult>(1, LevelPosition())));
    }
    return 0;
}
