#include "core/ResultsManager.h"

#include <exception>
#include <iterator>

#include "core/SaveFiles.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/SharedRefs.h"

namespace orvek::trelm::core {

namespace {

orvek::LogChannel results_errors("Core.Results", 1);

using orvek::io::IStream;
using orvek::io::OStream;
using orvek::io::Stream;

void save_entry(OStream& out, const ResultEntry& entry) {
    out << std::uint32_t{0};
    out.write_sized_block(entry.name());
    orvek::io::save_shared(out, entry.result());
}

// False when the stream went bad before the entry was complete.
bool load_entry(IStream& in, ResultEntry& entry) {
    std::uint32_t version = 0;
    std::string name;
    std::shared_ptr<LevelResultI> result;
    in >> version;
    in.read_string(name);
    if (!in.good()) return false;
    orvek::io::load_shared(in, result);
    if (!in.good()) return false;
    entry = ResultEntry(std::move(name), std::move(result));
    return true;
}

}  // namespace

ResultsManager::ResultsManager(std::string path, std::uint32_t max_entries)
    : path_(std::move(path)), max_entries_(max_entries) {
    orvek::create_directories(path_);
    load();
}

ResultsManager::~ResultsManager() = default;

int ResultsManager::add(const std::string& key, const ResultEntry& entry) {
    Table& table = tables_[key];
    auto at = table.insert(entry);
    const auto place = static_cast<std::size_t>(std::distance(table.begin(), at));
    if (table.size() > max_entries_) table.erase(std::next(table.begin(), max_entries_), table.end());
    save();
    return place < max_entries_ ? static_cast<int>(place + 1) : 0;
}

std::vector<ResultEntry> ResultsManager::results(const std::string& key, unsigned n) const {
    std::vector<ResultEntry> out;
    auto it = tables_.find(key);
    if (it == tables_.end()) return out;
    for (const ResultEntry& e : it->second) {
        if (out.size() >= n) break;
        out.push_back(e);
    }
    return out;
}

bool ResultsManager::clear() {
    tables_.clear();
    return save();
}

bool ResultsManager::save() {
    if (backup_pending_) {
        if (!keep_aside(path_, results_errors)) {
            results_errors << "Results not saved: " << path_ << " could not be read and is not kept yet"
                           << std::endl;
            return false;
        }
        backup_pending_ = false;
    }
    try {
        orvek::io::SafeOFStream out(path_, Stream::default_exceptions);
        out << std::uint32_t{0};
        out << static_cast<std::uint32_t>(tables_.size());
        for (const auto& [key, table] : tables_) {
            if (!out.good()) break;
            out.write_sized_block(key);
            out << static_cast<std::uint32_t>(table.size());
            for (const ResultEntry& e : table) {
                if (!out.good()) break;
                save_entry(out, e);
            }
        }
        return out.commit();
    } catch (const std::exception& e) {
        results_errors << "Cannot save the results to " << path_ << ": " << e.what() << std::endl;
        return false;
    }
}

bool ResultsManager::load() {
    if (!orvek::file_exists(path_)) return false;
    bool complete = false;
    try {
        orvek::io::IFStream in;
        in.open(path_, 0, Stream::badbit);
        if (in.is_open()) {
            // Skipped objects (lost) are noted below rather than raised.
            in.exceptions(Stream::badbit | Stream::failbit);
            std::uint32_t version = 0;
            std::uint32_t count = 0;
            in >> version >> count;
            tables_.clear();
            // Counts come from the file: every step reads bytes, so the
            // stream's end bounds the loops, and nothing is reserved.
            for (std::uint32_t t = 0; t < count && in.good(); ++t) {
                std::string key;
                std::uint32_t entries = 0;
                in.read_string(key);
                in >> entries;
                Table table;
                for (std::uint32_t i = 0; i < entries && in.good(); ++i) {
                    ResultEntry entry;
                    if (!load_entry(in, entry)) break;
                    // An entry whose result could not be understood is dropped.
                    if (entry.result()) table.insert(entry);
                }
                if (!in.good()) break;
                tables_[key] = std::move(table);
            }
            complete = in.rdstate() == Stream::goodbit;
            if (!complete) results_errors << "The results file " << path_ << " is damaged" << std::endl;
        } else {
            results_errors << "Cannot open the results file " << path_ << std::endl;
        }
    } catch (const std::exception& e) {
        results_errors << "Cannot read the results file " << path_ << ": " << e.what() << std::endl;
    }
    if (!complete) backup_pending_ = !keep_aside(path_, results_errors);
    return complete;
}

}  // namespace orvek::trelm::core
