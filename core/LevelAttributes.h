#pragma once
// Typed readers over the flattened attribute map of a level file: a key is
// the element path below the wrapper element, "/@", and the attribute name.
#include <string>

namespace orvek::ostrel { class XmlAttributes; }

namespace orvek::trelm::core {

// The stored text, or `fallback` when the key is absent.
std::string attribute_string(const orvek::ostrel::XmlAttributes& map, const std::string& key,
                             const std::string& fallback = std::string());
// The fallback when the key is absent, else the text converted; a text that
// does not convert raises the configuration conversion error.
int attribute_int(const orvek::ostrel::XmlAttributes& map, const std::string& key, int fallback = 0);
unsigned attribute_uint(const orvek::ostrel::XmlAttributes& map, const std::string& key,
                        unsigned fallback = 0);
float attribute_float(const orvek::ostrel::XmlAttributes& map, const std::string& key,
                      float fallback = 0.0f);

// True when some key starts with `prefix` (an element with any attribute).
bool has_attributes_under(const orvek::ostrel::XmlAttributes& map, const std::string& prefix);

}  // namespace orvek::trelm::core
