#include "logic/SkinLookup.h"

namespace orvek::trelm::logic {

namespace {
ISkinLookup* g_lookup = nullptr;
}

ISkinLookup* skin_lookup() { return g_lookup; }

ISkinLookup* set_skin_lookup(ISkinLookup* lookup) {
    ISkinLookup* old = g_lookup;
    g_lookup = lookup;
    return old;
}

std::string skin_text(const std::string& key) {
    return g_lookup ? g_lookup->get_text(key) : key;
}

std::string skin_attribute(const std::string& path, const std::string& name) {
    return g_lookup ? g_lookup->get_attribute(path, name) : std::string();
}

}  // namespace orvek::trelm::logic
