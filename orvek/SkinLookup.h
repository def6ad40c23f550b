#pragma once
// The look-up of texts and skin attributes that layers below the GUI adapter
// read (the game logic's names and messages). The adapter's skin implements
// it; tests install a map-backed fake.
#include <string>

namespace orvek {

class ISkinLookup {
public:
    virtual ~ISkinLookup() = default;
    // The text for key, or the key itself when absent.
    virtual std::string get_text(const std::string& key) const = 0;
    // The value of path + "/@" + name, or "" when absent.
    virtual std::string get_attribute(const std::string& path, const std::string& name) const = 0;
    virtual bool has_attribute(const std::string& path, const std::string& name) const = 0;
};

// The process-wide look-up (null until a skin is created or a test installs one).
ISkinLookup* skin_lookup();
// Installs lookup (may be null) and returns the previous one.
ISkinLookup* set_skin_lookup(ISkinLookup* lookup);

}  // namespace orvek
