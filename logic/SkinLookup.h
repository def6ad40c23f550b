#pragma once
// The few skin look-ups the game logic needs (texts of the language table and
// attributes of the skin tree). The GUI adapter's skin implements it; tests
// install a map-backed fake.
#include <string>

namespace orvek::trelm::logic {

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

// Look-ups through the process-wide skin; without one they answer as for an
// absent key.
std::string skin_text(const std::string& key);
std::string skin_attribute(const std::string& path, const std::string& name);

}  // namespace orvek::trelm::logic
