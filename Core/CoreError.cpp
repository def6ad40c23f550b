#include "Core/CoreError.h"

#include <ostream>

#include "orvek/Exception.h"
#include "orvek/Log.h"

namespace orvek::trelm::core {

namespace {

const orvek::LogChannel& levels_error_channel() {
    static orvek::LogChannel channel("Core.Levels", 1);
    return channel;
}

}  // namespace

void raise_core_error(const char* file, unsigned line, const char* function, const std::string& message) {
    orvek::throw_runtime_error(orvek::ThrowLocation{file, line, function}, message);
}

void log_level_error(const std::string& message) { levels_error_channel() << message << std::endl; }

}  // namespace orvek::trelm::core
