#pragma once
// Names for the display and sound services' result codes, for error texts.
#include <cstdint>
#include <string>

namespace Vant {

// The code's name, or the value in lower-case hex without prefix ("%x").
std::string GetDirectXErrorString(std::uint32_t result);

// path with "\" (backslash) or "/" appended unless it is empty or already
// ends in either.
std::string AddTrailingSlash(const std::string& path, bool backslash);

}  // namespace Vant
