#pragma once
// The process-wide configuration: the text of every key ("element/@attr"),
// the typed values that registered themselves, and the configuration file.
//
// Start-up order: typed values register during static construction; the
// application then calls load, update_values (every value writes its default
// when the key is missing and caches its current value) and save. Tests that
// need the defaults without a file call ensure_updated.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "orvek/config/ConfigAttribute.h"

namespace orvek::ostrel {

class BasicConfigValue;

class ConfigRegistry {
public:
    using Attribute = std::pair<std::string, ConfigAttribute>;
    // In insertion order; a lookup takes the first entry of a name.
    using Attributes = std::vector<Attribute>;
    using Elements = std::map<std::string, Attributes>;

    // The process-wide registry, created on first use.
    static ConfigRegistry& instance();

    ConfigRegistry() = default;
    ConfigRegistry(const ConfigRegistry&) = delete;
    ConfigRegistry& operator=(const ConfigRegistry&) = delete;

    void add_value(BasicConfigValue* value);
    // Called by a value's destructor, so a short-lived value leaves no
    // dangling pointer behind.
    void remove_value(BasicConfigValue* value);
    // Re-reads every registered value, in registration order.
    void update_values();
    // Updates the values that have not been updated yet (all of them when
    // update_values never ran): afterwards every value holds its setting or
    // its default.
    void ensure_updated();
    // True when every registered value has been updated at least once.
    bool updated() const { return pending_.empty(); }

    bool has(const char* key) const;
    // The first entry of the key's element with the key's attribute name.
    ConfigAttribute* find(const char* key);
    const ConfigAttribute* find(const char* key) const;
    // Appends an entry, never replacing one.
    void add(const char* key, const ConfigAttribute& text);

    // The typed getters give the fallback for a missing key and raise
    // std::domain_error for a text that does not convert.
    bool get_bool(const char* key, const bool& fallback) const;
    int get_int(const char* key, const int& fallback) const;
    unsigned int get_uint(const char* key, const unsigned int& fallback) const;
    float get_float(const char* key, const float& fallback) const;
    std::string get_string(const char* key) const;
    std::string get_string(const char* key, const std::string& fallback) const;

    // An existing key's text is replaced in place (a bool as "1"/"0"); a new
    // key is appended (a bool as "true"/"false").
    void set_bool(const char* key, const bool& value);
    void set_int(const char* key, const int& value);
    void set_uint(const char* key, const unsigned int& value);
    void set_float(const char* key, const float& value);
    void set_string(const char* key, const std::string& value);

    // Replaces the keys by the file's. False when there is no file, or when
    // it is damaged: it cannot be read, has a syntax error (the keys read
    // before the error stay) or has no root element. A damaged file is
    // logged and copied to the next free kept-copy name ("<name>.prev<ext>",
    // "<name>.prev2<ext>", ...) before anything can be written over it.
    bool load(const char* file_name);
    // Writes every key once (a name read twice keeps the text a lookup
    // reads) through the safe writer; false (and the old file untouched)
    // when that fails, or when the file is a damaged one that could not be
    // kept aside.
    bool save(const char* file_name) const;

    const std::vector<BasicConfigValue*>& values() const { return values_; }
    Elements& elements() { return elements_; }
    const Elements& elements() const { return elements_; }

    // "render/@x" -> ("render", "x"); the byte before "@" is dropped. A key
    // without "@" is both the element path and the attribute name.
    static std::pair<std::string, std::string> split_key(const char* key);

private:
    void keep_damaged(const char* file_name);

    std::vector<BasicConfigValue*> values_;
    std::vector<BasicConfigValue*> pending_;
    Elements elements_;
    // Damaged files (resolved paths) that could not be kept aside yet.
    mutable std::vector<std::string> unkept_;
};

}  // namespace orvek::ostrel
