#pragma once
// Typed configuration values: a static object per tunable, bound to a key
// and a default, registered with the configuration registry.
//
//     static orvek::ostrel::ConfigValueReadOnly<float> ball_speed("platform/@ball_speed", 600.0f);
//     ... ball_speed.get() ...
//
// ConfigValueReadOnly caches the value at each update (ConfigRegistry::
// update_values); ConfigValue caches nothing, its users go through the
// registry's typed getters and setters.
#include <string>

#include "orvek/config/ConfigRegistry.h"

namespace orvek::ostrel {

class BasicConfigValue {
public:
    BasicConfigValue();
    virtual ~BasicConfigValue();
    BasicConfigValue(const BasicConfigValue&) = delete;
    BasicConfigValue& operator=(const BasicConfigValue&) = delete;

    // Re-reads the value from the registry.
    virtual void update() = 0;
};

namespace config_detail {

inline bool get(const ConfigRegistry& r, const char* k, const bool& f) { return r.get_bool(k, f); }
inline int get(const ConfigRegistry& r, const char* k, const int& f) { return r.get_int(k, f); }
inline unsigned int get(const ConfigRegistry& r, const char* k, const unsigned int& f) {
    return r.get_uint(k, f);
}
inline float get(const ConfigRegistry& r, const char* k, const float& f) { return r.get_float(k, f); }
inline std::string get(const ConfigRegistry& r, const char* k, const std::string& f) {
    return r.get_string(k, f);
}

inline void set(ConfigRegistry& r, const char* k, const bool& v) { r.set_bool(k, v); }
inline void set(ConfigRegistry& r, const char* k, const int& v) { r.set_int(k, v); }
inline void set(ConfigRegistry& r, const char* k, const unsigned int& v) { r.set_uint(k, v); }
inline void set(ConfigRegistry& r, const char* k, const float& v) { r.set_float(k, v); }
inline void set(ConfigRegistry& r, const char* k, const std::string& v) { r.set_string(k, v); }

// Writes the default when the key is missing. Returns false (after logging
// a warning) when the key's text does not convert to T.
template <class T>
bool prepare(ConfigRegistry& r, const std::string& key, const T& default_value);

}  // namespace config_detail

template <class T>
class ConfigValueReadOnly : public BasicConfigValue {
public:
    ConfigValueReadOnly(const char* key, const T& default_value)
        : default_value_(default_value), key_(key) {}

    // Writes the default when the key is missing, then caches the key's
    // value; a text that does not convert gives the default (and a warning
    // in the log), leaving the text in the file for the user to mend.
    void update() override {
        ConfigRegistry& r = ConfigRegistry::instance();
        if (config_detail::prepare(r, key_, default_value_))
            value_ = config_detail::get(r, key_.c_str(), T{});
        else
            value_ = default_value_;
    }

    // The cached value; T{} before the first update.
    T get() const { return value_; }
    const T& default_value() const { return default_value_; }
    const std::string& key() const { return key_; }

private:
    T default_value_;
    T value_{};
    std::string key_;
};

template <class T>
class ConfigValue : public BasicConfigValue {
public:
    ConfigValue(const char* key, const T& default_value)
        : default_value_(default_value), key_(key) {}

    // Writes the default when the key is missing. A text that does not
    // convert is replaced by the default (with a warning in the log), so
    // that the typed getters never fail on this key later.
    void update() override {
        ConfigRegistry& r = ConfigRegistry::instance();
        if (!config_detail::prepare(r, key_, default_value_))
            config_detail::set(r, key_.c_str(), default_value_);
    }

    const T& default_value() const { return default_value_; }
    const std::string& key() const { return key_; }

private:
    T default_value_;
    std::string key_;
};

extern template class ConfigValueReadOnly<bool>;
extern template class ConfigValueReadOnly<int>;
extern template class ConfigValueReadOnly<unsigned int>;
extern template class ConfigValueReadOnly<float>;
extern template class ConfigValueReadOnly<std::string>;
extern template class ConfigValue<bool>;
extern template class ConfigValue<float>;

}  // namespace orvek::ostrel
