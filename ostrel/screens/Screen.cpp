#include "ostrel/screens/Screen.h"

#include "ostrel/screens/ScreenSystem.h"

namespace orvek::screens {

Screen::Screen(ScreenSystem& system) : system_(&system) { system.attach(this); }

Screen::~Screen() {
    if (!system_) return;
    system_->remove(this);
    system_->detach(this);
}

void Screen::set_active(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active) on_activated();
    else on_deactivated();
}

void Screen::deactivate() {
    if (!active_) return;
    active_ = false;
    on_deactivated();
}

}  // namespace orvek::screens
