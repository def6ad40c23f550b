#include "core/Levels.h"

#include <vector>

#include "core/CoreError.h"
#include "orvek/DirSearch.h"

namespace orvek::trelm::core {

struct Levels::Impl {
    std::vector<LevelDescriptor> levels;

    LevelDescriptor& get(unsigned index) {
        if (index >= levels.size())
            raise_core_error("Core/Levels", 91, "orvek::trelm::core::Levels::Impl::get",
                             "Attempt to take non-existent level");
        return levels[index];
    }

    SubLevelDescriptor& sub_level_descriptor(const std::string& id) {
        for (LevelDescriptor& level : levels)
            for (unsigned i = 0; i < level.size(); ++i)
                if (level.get(i).id() == id) return level.get(i);
        raise_core_error("Core/Levels", 130, "orvek::trelm::core::Levels::Impl::sub_level_descriptor",
                         "Attempt to take non-existent sub-level");
    }

    LevelDescriptor& level_descriptor(const SubLevelDescriptor& sub_level) {
        for (LevelDescriptor& level : levels)
            if (level.index_of(sub_level) < level.size()) return level;
        raise_core_error("Core/Levels", 146, "orvek::trelm::core::Levels::Impl::level_descriptor",
                         "Attempt to take non-existent level");
    }
};

Levels::Levels(const std::string& folder) : impl_(std::make_unique<Impl>()) {
    // Level indexes are saved in progress and in the records table; the
    // search lists the folders in one fixed order on every file system.
    orvek::DirSearch search(folder + "/*.*", 1);
    for (auto it = search.begin(); it != search.end(); ++it) {
        orvek::DirEntry entry = *it;
        if (entry.name == "." || entry.name == "..") continue;
        LevelDescriptor level;
        if (level.load(entry.full_path())) impl_->levels.push_back(level);
    }
}

Levels::Levels(const Levels& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}
Levels& Levels::operator=(const Levels& other) {
    if (this != &other) *impl_ = *other.impl_;
    return *this;
}
Levels::~Levels() = default;

unsigned Levels::size() const { return static_cast<unsigned>(impl_->levels.size()); }
LevelDescriptor& Levels::get(unsigned index) { return impl_->get(index); }
const LevelDescriptor& Levels::get(unsigned index) const { return impl_->get(index); }

unsigned Levels::index_of(const LevelDescriptor& level) const {
    for (unsigned i = 0; i < impl_->levels.size(); ++i)
        if (impl_->levels[i].id() == level.id()) return i;
    return size();
}

SubLevelDescriptor& Levels::sub_level_descriptor(const std::string& id) { return impl_->sub_level_descriptor(id); }
LevelDescriptor& Levels::level_descriptor(const SubLevelDescriptor& sub_level) {
    return impl_->level_descriptor(sub_level);
}

}  // namespace orvek::trelm::core
