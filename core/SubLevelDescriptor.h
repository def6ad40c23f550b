#pragma once
// One playable stage of a level: its id, game settings and graphics.
#include <memory>
#include <string>

#include "core/SubLevelGraphics.h"
#include "core/SubLevelSettings.h"

namespace orvek::trelm::core {

class SubLevelDescriptor {
public:
    SubLevelDescriptor();
    SubLevelDescriptor(const SubLevelDescriptor& other);
    SubLevelDescriptor& operator=(const SubLevelDescriptor& other);
    ~SubLevelDescriptor();

    // Reads the sub-level file, its graphics settings file and frame file;
    // false when one of them cannot be read.
    bool load(const std::string& path);

    const std::string& id() const;
    SubLevelSettings& settings();
    const SubLevelSettings& settings() const;
    SubLevelGraphics& graphics();
    const SubLevelGraphics& graphics() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvek::trelm::core
