// Arbitrary bytes as the statistics file: it loads whole, or the session
// keeps empty statistics and the file is kept aside; what loads saves and
// loads again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "core/Profiles.h"
#include "core/Session.h"
#include "core/Session_Impl_.h"
#include "fuzz/support/FuzzScratch.h"
#include "gui/StatisticsFile.h"
#include "orvek/config/ConfigRegistry.h"

namespace {

namespace fs = std::filesystem;
using orvek::trelm::StatisticsLoad;
using orvek::trelm::core::Session;

std::string bytes_of(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void clear(Session& s) {
    s.best_statistics() = orvek::trelm::core::StatisticsRecord();
    s.impl().sub_level_statistics.clear();
}

bool empty(Session& s) { return !s.best_statistics().is_set() && s.impl().sub_level_statistics.empty(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzsupport::ScratchDir scratch("stats");
    static std::unique_ptr<orvek::trelm::core::Profiles> profiles;
    static std::unique_ptr<orvek::trelm::core::SingleSession> session, again;
    if (!session) {
        auto& config = orvek::ostrel::ConfigRegistry::instance();
        fs::create_directories(scratch.dir() / "levels");
        config.set_string("levels/@dir", scratch.file("levels"));
        config.set_string("saves/@results-manager-path", scratch.file("results.bin"));
        config.update_values();
        profiles = std::make_unique<orvek::trelm::core::Profiles>(scratch.file("profiles.dat"));
        session = std::make_unique<orvek::trelm::core::SingleSession>(profiles.get());
        again = std::make_unique<orvek::trelm::core::SingleSession>(profiles.get());
    }
    const std::string path = scratch.file("stats.dat");
    const std::string kept = scratch.file("stats.prev.dat");
    fs::remove(kept);
    if (!fuzzsupport::write_input(path, data, size)) return 0;
    clear(*session);
    const StatisticsLoad result = orvek::trelm::load_statistics_file(*session, path);
    switch (result) {
    case StatisticsLoad::none:
        if (size != 0 || !empty(*session)) std::abort();
        break;
    case StatisticsLoad::damaged:
    case StatisticsLoad::stuck:
        if (!empty(*session)) std::abort();
        if (result == StatisticsLoad::damaged && bytes_of(kept) != std::string(reinterpret_cast<const char*>(data), size))
            std::abort();
        break;
    case StatisticsLoad::loaded: {
        const std::string first = scratch.file("first.dat"), second = scratch.file("second.dat");
        if (!orvek::trelm::save_statistics_file(*session, first)) std::abort();
        clear(*again);
        if (orvek::trelm::load_statistics_file(*again, first) != StatisticsLoad::loaded) std::abort();
        if (!orvek::trelm::save_statistics_file(*again, second)) std::abort();
        if (bytes_of(first) != bytes_of(second)) std::abort();
        break;
    }
    }
    return 0;
}
