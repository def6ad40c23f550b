#pragma once
// A whole XML data file as a flat map "element/path/@attribute" -> text,
// without the root element's name ("level/@id" for <root><level id=..>).
// A repeated element overwrites the texts of the earlier one.
#include <map>
#include <string>

#include "orvek/config/ConfigAttribute.h"

namespace orvek::ostrel {

class XmlAttributes {
public:
    // False when the file cannot be opened or has a syntax error; then
    // error_text and error_line tell why, and `attributes` holds what was
    // read before the error.
    bool load(const char* file_name);

    std::map<std::string, ConfigAttribute> attributes;
    bool loaded = false;
    std::string error_text;
    int error_line = 0;
};

}  // namespace orvek::ostrel
