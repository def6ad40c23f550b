#include "gui/StatisticsFile.h"

#include <cstdint>
#include <exception>
#include <filesystem>

#include "core/SaveFiles.h"
#include "core/Session.h"
#include "orvek/Log.h"
#include "orvek/io/FileStream.h"

namespace orvek::trelm {

namespace {

LogChannel stats_errors("Trelm.Statistics", log_error_flag);

}  // namespace

StatisticsLoad load_statistics_file(core::Session& session, const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size == 0) return StatisticsLoad::none;
    bool clean = false;
    try {
        orvek::io::IFStream in(path, orvek::open_mode::in, 0);
        std::uint8_t version = 0xFF;
        if (in.good()) in >> version;
        clean = in.good() && version == 0 && session.load_statistics(in);
    } catch (const std::exception& e) {
        stats_errors << "Reading " << path << ": " << e.what() << std::endl;
    }
    if (clean) return StatisticsLoad::loaded;
    stats_errors << "The statistics file " << path << " is damaged; starting with empty statistics" << std::endl;
    return core::keep_aside(path, stats_errors) ? StatisticsLoad::damaged : StatisticsLoad::stuck;
}

bool save_statistics_file(const core::Session& session, const std::string& path) noexcept {
    try {
        orvek::io::SafeOFStream out(path, 0);
        if (out.good()) {
            out << std::uint8_t{0};
            session.save_statistics(out);
        }
        if (out.good() && out.commit()) return true;
        out.discard();
        stats_errors << "Cannot save the statistics file " << path << std::endl;
    } catch (const std::exception& e) {
        stats_errors << "Cannot save the statistics file " << path << ": " << e.what() << std::endl;
    } catch (...) {
        stats_errors << "Cannot save the statistics file " << path << std::endl;
    }
    return false;
}

}  // namespace orvek::trelm
