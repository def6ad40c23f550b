#pragma once
// The logic's shorthands over the process-wide skin look-up.
#include <string>

#include "orvek/SkinLookup.h"

namespace orvek::trelm::logic {

using orvek::ISkinLookup;
using orvek::set_skin_lookup;
using orvek::skin_lookup;

// Look-ups through the process-wide skin; without one they answer as for an
// absent key.
std::string skin_text(const std::string& key);
std::string skin_attribute(const std::string& path, const std::string& name);

}  // namespace orvek::trelm::logic
