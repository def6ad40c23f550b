#pragma once
// Interned names (one stored copy per distinct text, stable for the whole run)
// and placeholder tables that fill texts such as "%name% has %count% balls".
#include <cstddef>
#include <cstring>
#include <map>
#include <string>

namespace orvek {

// The stored, NUL-terminated copy of the text; equal texts give one pointer.
const char* intern_name(const char* text, std::size_t length);

class TextParams {
public:
    // Interns the name; a later value for the same name replaces the earlier.
    TextParams& set(const char* name, const char* value);
    TextParams& set_int(const char* name, long long value);
    TextParams& set_uint(const char* name, unsigned long long value);

    // Replaces every placeholder in one left-to-right pass: inserted values
    // are never searched again, so user text cannot expand other entries.
    void apply(std::string& text) const;

private:
    struct ByText {
        bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
    };
    std::map<const char*, std::string, ByText> entries_;
};

}  // namespace orvek
