#include "core/SubLevelDescriptor.h"

#include "core/CoreError.h"
#include "core/LevelAttributes.h"
#include "orvek/config/XmlAttributes.h"

namespace orvek::trelm::core {

struct SubLevelDescriptor::Impl {
    std::string id;
    SubLevelSettings settings;
    SubLevelGraphics graphics;
};

SubLevelDescriptor::SubLevelDescriptor() : impl_(std::make_unique<Impl>()) {}
SubLevelDescriptor::SubLevelDescriptor(const SubLevelDescriptor& other)
    : impl_(std::make_unique<Impl>(*other.impl_)) {}
SubLevelDescriptor& SubLevelDescriptor::operator=(const SubLevelDescriptor& other) {
    if (this != &other) *impl_ = *other.impl_;
    return *this;
}
SubLevelDescriptor::~SubLevelDescriptor() = default;

bool SubLevelDescriptor::load(const std::string& path) {
    orvek::ostrel::XmlAttributes a;
    if (!a.load(path.c_str())) {
        log_level_error("Cannot read sub-level file " + path + ": " + a.error_text);
        return false;
    }
    impl_->id = attribute_string(a, "sub-level/@id");
    const std::string graphics_path =
        graphics_settings_dir() + "/" + attribute_string(a, "sub-level/@graphics_settings");
    orvek::ostrel::XmlAttributes b;
    if (!b.load(graphics_path.c_str())) {
        log_level_error("Cannot read graphics settings file " + graphics_path + " of sub-level file " + path + ": " +
                        b.error_text);
        return false;
    }
    if (!impl_->settings.load(a, path)) return false;
    if (!impl_->graphics.load(b)) {
        log_level_error("The frame file of graphics settings file " + graphics_path + " (sub-level file " + path +
                        ") cannot be read");
        return false;
    }
    return true;
}

const std::string& SubLevelDescriptor::id() const { return impl_->id; }
SubLevelSettings& SubLevelDescriptor::settings() { return impl_->settings; }
const SubLevelSettings& SubLevelDescriptor::settings() const { return impl_->settings; }
SubLevelGraphics& SubLevelDescriptor::graphics() { return impl_->graphics; }
const SubLevelGraphics& SubLevelDescriptor::graphics() const { return impl_->graphics; }

}  // namespace orvek::trelm::core
