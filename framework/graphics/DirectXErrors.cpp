#include "framework/graphics/DirectXErrors.h"

#include <cstdio>

#include "platform/SurfaceResults.h"

namespace Vant {

std::string GetDirectXErrorString(std::uint32_t result) {
    if (const char* name = plat::ResultName(plat::MakeResult(result))) return name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(result));
    return buf;
}

std::string AddTrailingSlash(const std::string& path, bool backslash) {
    if (path.empty() || path.back() == '\\' || path.back() == '/') return path;
    return path + (backslash ? '\\' : '/');
}

}  // namespace Vant
