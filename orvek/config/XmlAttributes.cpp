#include "orvek/config/XmlAttributes.h"

#include "orvek/XMLParser.h"

namespace orvek::ostrel {

bool XmlAttributes::load(const char* file_name) {
    attributes.clear();
    loaded = false;
    error_text.clear();
    error_line = 0;
    Vant::XMLParser parser;
    if (!parser.OpenFile(file_name)) {
        error_text = parser.GetErrorText();
        return false;
    }
    Vant::XMLElement e;
    std::string key;
    while (parser.NextElement(&e)) {
        if (e.mType != Vant::XMLElement::TYPE_START || e.mAttributes.empty()) continue;
        std::string prefix = e.mSection + "/" + e.mValue + "/@";
        prefix.erase(0, prefix.find('/') + 1);
        for (const auto& [name, text] : e.mAttributes) {
            key = prefix;
            key += name;
            attributes[key].assign(text);
        }
    }
    if (parser.HasFailed()) {
        error_text = parser.GetErrorText();
        error_line = parser.GetCurrentLineNum();
        return false;
    }
    loaded = true;
    return true;
}

}  // namespace orvek::ostrel
