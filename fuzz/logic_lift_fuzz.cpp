// Arbitrary bytes as the saved body of a door ('D' first) or a lift
// (anything else first), as found in a saved game: a body that loads must
// leave a state the lift system can run, and stepping it must stay safe.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "logic/Lift.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/Stream.h"

namespace lg = orvek::trelm::logic;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const bool configured = (orvek::ostrel::ConfigRegistry::instance().ensure_updated(), true);
    (void)configured;
    std::stringbuf buf(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    orvek::io::IStream in(&buf);
    in.flags(in.flags() | orvek::io::Stream::no_header);
    try {
        if (data[0] == 'D') {
            lg::Door door;
            door.load(in);
            if (door.state() > lg::Door::closing) __builtin_trap();
            if (!(door.fraction() >= 0.0f && door.fraction() <= 1.0f)) __builtin_trap();
            for (int i = 0; i < 3; ++i) door.update(0.032f);
            if (door.state() > lg::Door::closing) __builtin_trap();
        } else {
            lg::Lift lift;
            lift.load(in);
            if (lift.state() > lg::Lift::returning) __builtin_trap();
            for (int i = 0; i < 3; ++i) lift.update(0.032f);
            (void)lift.lets_door_close();
        }
    } catch (const orvek::io::Failure&) {
        return 0;
    }
    return 0;
}
