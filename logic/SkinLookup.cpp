#include "logic/SkinLookup.h"

namespace orvek::trelm::logic {

std::string skin_text(const std::string& key) {
    const ISkinLookup* lookup = skin_lookup();
    return lookup ? lookup->get_text(key) : key;
}

std::string skin_attribute(const std::string& path, const std::string& name) {
    const ISkinLookup* lookup = skin_lookup();
    return lookup ? lookup->get_attribute(path, name) : std::string();
}

}  // namespace orvek::trelm::logic
