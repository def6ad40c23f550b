#pragma once
// Every player profile of the installation, in one list and one file.
//
// The file is replaced only by a complete new copy (a temporary file beside
// it, renamed over it). A file that cannot be read completely is kept as
// "<name>.prev<ext>" before anything is written over it, and the store goes
// on with the profiles read before the damage.
#include <memory>
#include <string>
#include <vector>

#include "core/Profile.h"

namespace orvek::trelm::core {

class Profiles {
public:
    // Stores the path and loads the file.
    explicit Profiles(std::string path);
    // Saves the file; a failure is logged, never thrown.
    ~Profiles();
    Profiles(const Profiles&) = delete;
    Profiles& operator=(const Profiles&) = delete;

    bool empty() const { return profiles_.empty(); }
    unsigned size() const { return static_cast<unsigned>(profiles_.size()); }
    // Empty when the index is not less than size.
    std::shared_ptr<Profile> get(unsigned index) const;
    // size() when no profile has the name (compared byte by byte).
    unsigned index_of(const std::string& name) const;
    bool contains(const std::string& name) const { return index_of(name) < size(); }
    std::shared_ptr<Profile> find(const std::string& name) const;
    // Appends unless a profile of that name is stored already.
    void add(const std::shared_ptr<Profile>& profile);
    // Moves the last profile into the index's place.
    void remove(unsigned index);

    // Writes the file. A failure raises orvek::io::Failure and leaves the
    // previous file as it was.
    void save();

    const std::string& path() const { return path_; }
    // False when the file existed but could not be read completely.
    bool loaded_completely() const { return loaded_completely_; }

private:
    void load();

    std::vector<std::shared_ptr<Profile>> profiles_;
    std::string path_;
    bool loaded_completely_ = true;
    // The file on disk failed to load and has not been kept aside yet.
    bool backup_pending_ = false;
};

}  // namespace orvek::trelm::core
