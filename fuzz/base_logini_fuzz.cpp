// The log settings file is read on every start: no text may crash it.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "orvek/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvek::LogSettingsTable table;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    orvek::read_log_settings(in, table);
    return 0;
}
