#pragma once
// The text of one configuration key (or one attribute of a data file) with
// its typed conversions. A text that does not convert raises
// std::domain_error ("Cannot convert value to Int", ...).
#include <string>
#include <string_view>

namespace orvek::ostrel {

class ConfigAttribute : public std::string {
public:
    ConfigAttribute() = default;
    ConfigAttribute(const std::string& text) : std::string(text) {}
    ConfigAttribute(std::string&& text) : std::string(std::move(text)) {}
    ConfigAttribute(const char* text) : std::string(text) {}

    // Exactly "true"/"1" or "false"/"0".
    operator bool() const;
    // The whole text must be the number: no blanks, nothing behind it.
    operator int() const;
    operator unsigned int() const;
    operator float() const;

    using std::string::operator=;
    // "true" or "false".
    ConfigAttribute& operator=(bool value);
    ConfigAttribute& operator=(int value);
    ConfigAttribute& operator=(unsigned int value);
    // General notation, 7 significant digits: 600, 0.032, 6.283185.
    ConfigAttribute& operator=(float value);

    const std::string& str() const { return *this; }
};

// The conversions without raising: false when the text does not convert.
bool parse_config_text(std::string_view text, bool& out);
bool parse_config_text(std::string_view text, int& out);
bool parse_config_text(std::string_view text, unsigned int& out);
bool parse_config_text(std::string_view text, float& out);
inline bool parse_config_text(std::string_view text, std::string& out) {
    out.assign(text);
    return true;
}

// The text that numbers are stored as.
std::string format_config_value(int value);
std::string format_config_value(unsigned int value);
std::string format_config_value(float value);

}  // namespace orvek::ostrel
