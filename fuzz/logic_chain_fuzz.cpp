// Arbitrary bytes as an object stream holding one saved chain (its way,
// balls of every kind and creature regions, as found in a saved game); a
// chain that loads must keep its balls owned and move without harm.
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "logic/Ball.h"
#include "logic/Sequence.h"
#include "logic/Way.h"
#include "logic/ZelkorRegion.h"
#include "logic/Factories.h"
#include "orvek/Exception.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"

namespace lg = orvek::trelm::logic;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (orvek::ostrel::ConfigRegistry::instance().ensure_updated(),
                               !lg::logic_factory_names().empty());
    (void)ready;
    std::shared_ptr<lg::Sequence> chain;
    {
        std::stringbuf buf(std::string(reinterpret_cast<const char*>(data), size));
        orvek::io::IStream in(&buf);
        try {
            in.read_header();
            orvek::io::load_shared(in, chain);
        } catch (const orvek::io::Failure&) {
            return 0;
        } catch (const orvek::Exception&) {
            return 0;
        }
        if (!in.good()) return 0;
    }
    if (!chain) return 0;
    for (const auto& b : chain->balls()) {
        if (!b) __builtin_trap();
        if (b->sequence() != chain.get()) __builtin_trap();
    }
    if (chain->way() && chain->way()->point_count() >= 2) {
        chain->move_by(30.0f);
        chain->move_by(-45.0f);
        chain->relay(1);
        for (const auto& b : chain->balls())
            if (std::isnan(b->position().x) || std::isnan(b->position().y)) __builtin_trap();
        if (!chain->empty()) chain->find_run(chain->balls().begin());
    }
    chain->clear();
    return 0;
}
