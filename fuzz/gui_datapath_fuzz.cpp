// Arbitrary bytes as "data/@path" through the normalisation: it always
// ends, reads nothing outside the string, and gives a path of "/"
// separators that is empty only for an empty input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gui/DataPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const std::string out = orvek::trelm::normalise_data_path(in, "/home/player/Zelkor");
    if (in.empty() != out.empty()) std::abort();
    if (out.find('\\') != std::string::npos) std::abort();
    return 0;
}
