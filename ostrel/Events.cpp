#include "ostrel/Events.h"

namespace orvek::ostrel {

events::Event::~Event() = default;
BasicEvent::~BasicEvent() = default;

}  // namespace orvek::ostrel
