#pragma once
// One level: its id and its sub-levels in play order.
#include <memory>
#include <string>

#include "core/SubLevelDescriptor.h"

namespace orvek::trelm::core {

class LevelDescriptor {
public:
    LevelDescriptor();
    LevelDescriptor(const LevelDescriptor& other);
    LevelDescriptor& operator=(const LevelDescriptor& other);
    ~LevelDescriptor();

    // Reads "level_description.xml" of the folder and every sub-level it
    // lists; false when the description cannot be read. A listed sub-level
    // that cannot be read raises "Sub-level file <path> not found".
    bool load(const std::string& folder);

    const std::string& id() const;
    unsigned size() const;
    SubLevelDescriptor& get(unsigned index);
    const SubLevelDescriptor& get(unsigned index) const;
    // Index of the first sub-level with the same id; size() when none.
    unsigned index_of(const SubLevelDescriptor& sub_level) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvek::trelm::core
