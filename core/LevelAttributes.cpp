#include "core/LevelAttributes.h"

#include "orvek/config/XmlAttributes.h"

namespace orvek::trelm::core {

namespace {

const orvek::ostrel::ConfigAttribute* find(const orvek::ostrel::XmlAttributes& map, const std::string& key) {
    auto it = map.attributes.find(key);
    return it == map.attributes.end() ? nullptr : &it->second;
}

}  // namespace

std::string attribute_string(const orvek::ostrel::XmlAttributes& map, const std::string& key,
                             const std::string& fallback) {
    const auto* a = find(map, key);
    return a ? a->str() : fallback;
}

int attribute_int(const orvek::ostrel::XmlAttributes& map, const std::string& key, int fallback) {
    const auto* a = find(map, key);
    return a ? static_cast<int>(*a) : fallback;
}

unsigned attribute_uint(const orvek::ostrel::XmlAttributes& map, const std::string& key, unsigned fallback) {
    const auto* a = find(map, key);
    return a ? static_cast<unsigned>(*a) : fallback;
}

float attribute_float(const orvek::ostrel::XmlAttributes& map, const std::string& key, float fallback) {
    const auto* a = find(map, key);
    return a ? static_cast<float>(*a) : fallback;
}

bool has_attributes_under(const orvek::ostrel::XmlAttributes& map, const std::string& prefix) {
    auto it = map.attributes.lower_bound(prefix);
    return it != map.attributes.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace orvek::trelm::core
