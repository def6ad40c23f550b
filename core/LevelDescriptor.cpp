#include "core/LevelDescriptor.h"

#include <vector>

#include "core/CoreError.h"
#include "core/LevelAttributes.h"
#include "orvek/File.h"
#include "orvek/config/XmlAttributes.h"

namespace orvek::trelm::core {

struct LevelDescriptor::Impl {
    std::string id;
    std::vector<SubLevelDescriptor> sub_levels;

    SubLevelDescriptor& get(unsigned index) {
        if (index >= sub_levels.size())
            raise_core_error("Core/LevelDescriptor", 77, "orvek::trelm::core::LevelDescriptor::Impl::get",
                             "Attempt to take non-existent sub-level");
        return sub_levels[index];
    }

    bool load(const std::string& folder) {
        const std::string description = folder + "/level_description.xml";
        orvek::ostrel::XmlAttributes map;
        if (!map.load(description.c_str())) {
            // A folder without a description is not a level; a description
            // that is there but cannot be read is a broken level.
            if (!orvek::file_exists(description)) return false;
            log_level_error("Cannot read level description file " + description + ": " + map.error_text +
                            " (line " + std::to_string(map.error_line) + ")");
            raise_core_error("Core/LevelDescriptor", 100, "orvek::trelm::core::LevelDescriptor::Impl::load",
                             "Level description file " + description + " cannot be read");
        }
        Impl loaded;
        loaded.id = attribute_string(map, "level/@id");
        for (unsigned n = 0;; ++n) {
            const std::string name = attribute_string(map, "level/sub-levels/@sub-level" + std::to_string(n) + "-file");
            if (name.empty()) break;
            const std::string path = folder + "/" + name;
            SubLevelDescriptor sub_level;
            if (!sub_level.load(path))
                raise_core_error("Core/LevelDescriptor", 114, "orvek::trelm::core::LevelDescriptor::Impl::load",
                                 "Sub-level file " + path + " not found");
            loaded.sub_levels.push_back(sub_level);
        }
        *this = std::move(loaded);
        return true;
    }
};

LevelDescriptor::LevelDescriptor() : impl_(std::make_unique<Impl>()) {}
LevelDescriptor::LevelDescriptor(const LevelDescriptor& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}
LevelDescriptor& LevelDescriptor::operator=(const LevelDescriptor& other) {
    if (this != &other) *impl_ = *other.impl_;
    return *this;
}
LevelDescriptor::~LevelDescriptor() = default;

bool LevelDescriptor::load(const std::string& folder) { return impl_->load(folder); }
const std::string& LevelDescriptor::id() const { return impl_->id; }
unsigned LevelDescriptor::size() const { return static_cast<unsigned>(impl_->sub_levels.size()); }
SubLevelDescriptor& LevelDescriptor::get(unsigned index) { return impl_->get(index); }
const SubLevelDescriptor& LevelDescriptor::get(unsigned index) const { return impl_->get(index); }

unsigned LevelDescriptor::index_of(const SubLevelDescriptor& sub_level) const {
    for (unsigned i = 0; i < impl_->sub_levels.size(); ++i)
        if (impl_->sub_levels[i].id() == sub_level.id()) return i;
    return size();
}

}  // namespace orvek::trelm::core
