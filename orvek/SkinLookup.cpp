#include "orvek/SkinLookup.h"

namespace orvek {

namespace {
ISkinLookup* g_lookup = nullptr;
}

ISkinLookup* skin_lookup() { return g_lookup; }

ISkinLookup* set_skin_lookup(ISkinLookup* lookup) {
    ISkinLookup* old = g_lookup;
    g_lookup = lookup;
    return old;
}

}  // namespace orvek
