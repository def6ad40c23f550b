// Arbitrary bytes as the saved body of a ball in flight, then of the
// platform (as found in a saved game). What loads must be safe to let go of
// without a game, and a ball in flight never both connects and clings.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "logic/BallFree.h"
#include "logic/Factories.h"
#include "logic/Platform.h"
#include "orvek/Exception.h"
#include "orvek/io/Stream.h"

using orvek::trelm::logic::BallFree;
using orvek::trelm::logic::Platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool factories = !orvek::trelm::logic::logic_factory_names().empty();
    (void)factories;
    std::stringbuf buf(std::string(reinterpret_cast<const char*>(data), size));
    orvek::io::IStream in(&buf);
    in.flags(in.flags() | orvek::io::Stream::no_header);
    try {
        BallFree flying;
        flying.load(in);
        if (flying.connecting() && flying.on_contour()) __builtin_trap();
        if (flying.game() != nullptr) __builtin_trap();
        Platform platform;
        platform.load(in);
        platform.move_to(platform.limit_left());
    } catch (const orvek::Exception&) {
        return 0;
    } catch (const std::exception&) {
        return 0;
    }
    return 0;
}
