#include "core/CoreError.h"

#include <ostream>

#include "orvek/Exception.h"
#include "orvek/Log.h"
#include "orvek/io/Stream.h"

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

void refuse_newer_version(orvek::io::IStream& in, std::uint32_t stored, std::uint32_t known, const std::string& what,
                          const orvek::LogChannel& errors) {
    const std::string text = what + " version " + std::to_string(stored) + " is newer than this game reads (" +
                             std::to_string(known) + ").";
    errors << text << std::endl;
    orvek::io::Stream::Error info(text);
    in.setstate(orvek::io::Stream::failbit, &info);
}

}  // namespace orvek::trelm::core
