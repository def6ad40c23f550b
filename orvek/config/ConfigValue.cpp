#include "orvek/config/ConfigValue.h"

#include <ostream>

#include "orvek/Log.h"

namespace orvek::ostrel {

namespace {
const orvek::LogChannel& config_warning() {
    static const orvek::LogChannel channel("ostrel.Config", orvek::log_warning_flag);
    return channel;
}

std::string show(const bool& v) { return v ? "true" : "false"; }
std::string show(const int& v) { return format_config_value(v); }
std::string show(const unsigned int& v) { return format_config_value(v); }
std::string show(const float& v) { return format_config_value(v); }
std::string show(const std::string& v) { return v; }
}  // namespace

BasicConfigValue::BasicConfigValue() { ConfigRegistry::instance().add_value(this); }

BasicConfigValue::~BasicConfigValue() { ConfigRegistry::instance().remove_value(this); }

namespace config_detail {

template <class T>
bool prepare(ConfigRegistry& r, const std::string& key, const T& default_value) {
    const ConfigAttribute* text = r.find(key.c_str());
    if (!text) {
        set(r, key.c_str(), default_value);
        return true;
    }
    T parsed{};
    if (parse_config_text(*text, parsed)) return true;
    config_warning() << "'" << key << "': cannot read \"" << text->str()
                     << "\", using the default \"" << show(default_value) << "\"" << std::endl;
    return false;
}

template bool prepare<bool>(ConfigRegistry&, const std::string&, const bool&);
template bool prepare<int>(ConfigRegistry&, const std::string&, const int&);
template bool prepare<unsigned int>(ConfigRegistry&, const std::string&, const unsigned int&);
template bool prepare<float>(ConfigRegistry&, const std::string&, const float&);
template bool prepare<std::string>(ConfigRegistry&, const std::string&, const std::string&);

}  // namespace config_detail

template class ConfigValueReadOnly<bool>;
template class ConfigValueReadOnly<int>;
template class ConfigValueReadOnly<unsigned int>;
template class ConfigValueReadOnly<float>;
template class ConfigValueReadOnly<std::string>;
template class ConfigValue<bool>;
template class ConfigValue<float>;

}  // namespace orvek::ostrel
