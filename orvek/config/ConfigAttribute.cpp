#include "orvek/config/ConfigAttribute.h"

#include <locale>
#include <sstream>

#include "orvek/Exception.h"

namespace orvek::ostrel {

namespace {

// Stream extraction without skipping blanks that must consume the whole
// text, as a lexical cast does.
template <class T>
bool parse_number(std::string_view text, T& out) {
    if (text.empty()) return false;
    std::istringstream in{std::string(text)};
    in.imbue(std::locale::classic());
    in.unsetf(std::ios::skipws);
    T value{};
    in >> value;
    if (in.fail()) return false;
    if (in.peek() != std::char_traits<char>::eof()) return false;
    out = value;
    return true;
}

template <class T>
std::string format_number(T value, const ThrowLocation& location) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(7);
    out << value;
    if (out.fail()) throw_domain_error(location, "Cannot convert value to string");
    return out.str();
}

constexpr const char* kSource = "orvek/ostrel/ConfigAttribute";
constexpr const char* kAssign = "orvek::ostrel::ConfigAttribute::operator`='";

}  // namespace

bool parse_config_text(std::string_view text, bool& out) {
    if (text == "true" || text == "1") {
        out = true;
        return true;
    }
    if (text == "false" || text == "0") {
        out = false;
        return true;
    }
    return false;
}

bool parse_config_text(std::string_view text, int& out) { return parse_number(text, out); }
bool parse_config_text(std::string_view text, unsigned int& out) { return parse_number(text, out); }
bool parse_config_text(std::string_view text, float& out) { return parse_number(text, out); }

std::string format_config_value(int value) {
    return format_number(value, ThrowLocation{kSource, 103, kAssign});
}
std::string format_config_value(unsigned int value) {
    return format_number(value, ThrowLocation{kSource, 116, kAssign});
}
std::string format_config_value(float value) {
    return format_number(value, ThrowLocation{kSource, 129, kAssign});
}

ConfigAttribute::operator bool() const {
    bool v = false;
    if (!parse_config_text(*this, v))
        throw_domain_error(
            ThrowLocation{kSource, 78, "orvek::ostrel::ConfigAttribute::operator`bool'"},
            "Cannot convert value to bool");
    return v;
}

ConfigAttribute::operator int() const {
    int v = 0;
    if (!parse_config_text(*this, v))
        throw_domain_error(ThrowLocation{kSource, 43, "orvek::ostrel::ConfigAttribute::operator`int'"},
                           "Cannot convert value to Int");
    return v;
}

ConfigAttribute::operator unsigned int() const {
    unsigned int v = 0;
    if (!parse_config_text(*this, v))
        throw_domain_error(
            ThrowLocation{kSource, 55, "orvek::ostrel::ConfigAttribute::operator`unsigned int'"},
            "Cannot convert value to UInt");
    return v;
}

ConfigAttribute::operator float() const {
    float v = 0;
    if (!parse_config_text(*this, v))
        throw_domain_error(
            ThrowLocation{kSource, 67, "orvek::ostrel::ConfigAttribute::operator`float'"},
            "Cannot convert value to float");
    return v;
}

ConfigAttribute& ConfigAttribute::operator=(bool value) {
    assign(value ? "true" : "false");
    return *this;
}

ConfigAttribute& ConfigAttribute::operator=(int value) {
    assign(format_config_value(value));
    return *this;
}

ConfigAttribute& ConfigAttribute::operator=(unsigned int value) {
    assign(format_config_value(value));
    return *this;
}

ConfigAttribute& ConfigAttribute::operator=(float value) {
    assign(format_config_value(value));
    return *this;
}

}  // namespace orvek::ostrel
