#pragma once
// The game's levels: every level folder in the levels folder, in the sorted
// order of the folder names, so indexes are the same on every machine.
#include <memory>
#include <string>

#include "core/LevelDescriptor.h"

namespace orvek::trelm::core {

class Levels {
public:
    explicit Levels(const std::string& folder);
    Levels(const Levels& other);
    Levels& operator=(const Levels& other);
    ~Levels();

    unsigned size() const;
    LevelDescriptor& get(unsigned index);
    const LevelDescriptor& get(unsigned index) const;
    // Index of the first level with the same id; size() when none.
    unsigned index_of(const LevelDescriptor& level) const;
    // First sub-level with this id over all levels in order.
    SubLevelDescriptor& sub_level_descriptor(const std::string& id);
    // First level holding a sub-level with the given sub-level's id.
    LevelDescriptor& level_descriptor(const SubLevelDescriptor& sub_level);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvek::trelm::core
