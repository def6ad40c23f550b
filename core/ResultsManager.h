#pragma once
// Named tables of the best results, each ordered best first and cut to a
// fixed length, kept in one file that is rewritten after every change.
//
// The file is replaced only by a complete new copy (a temporary file beside
// it, renamed over it). A file that cannot be read completely is kept as
// "<name>.prev<ext>" before anything is written over it; while that copy
// cannot be made, saves are refused so the unread results are not lost.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/LevelResult.h"

namespace orvek::trelm::core {

class ResultsManager {
public:
    // Best first; equal entries keep the order they came in.
    struct BestFirst {
        bool operator()(const ResultEntry& a, const ResultEntry& b) const { return b < a; }
    };
    using Table = std::multiset<ResultEntry, BestFirst>;

    // Creates the missing folders of path and loads the file.
    ResultsManager(std::string path, std::uint32_t max_entries);
    virtual ~ResultsManager();
    ResultsManager(const ResultsManager&) = delete;
    ResultsManager& operator=(const ResultsManager&) = delete;

    // Inserts the entry (after the entries equal to it), cuts the table and
    // saves. Returns the new entry's 1-based place, or 0 when it was cut.
    int add(const std::string& key, const ResultEntry& entry);
    // Copies of the first n entries of the key's table; empty without table.
    std::vector<ResultEntry> results(const std::string& key, unsigned n) const;
    // Removes every table, then saves.
    bool clear();
    // True only when the whole file was written and has replaced the old one.
    bool save();
    // True when the file was read without an error. Tables read before an
    // error stay; the table being read is dropped.
    bool load();

    const std::string& path() const { return path_; }
    std::uint32_t max_entries() const { return max_entries_; }
    const std::map<std::string, Table>& tables() const { return tables_; }

private:
    std::string path_;
    std::uint32_t max_entries_;
    std::map<std::string, Table> tables_;
    // The file on disk failed to load and has not been kept aside yet.
    bool backup_pending_ = false;
};

}  // namespace orvek::trelm::core
