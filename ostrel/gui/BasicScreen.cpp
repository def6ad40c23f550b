#include "ostrel/gui/BasicScreen.h"

#include "orvek/Exception.h"
#include "ostrel/ScreenSystem.h"

namespace orvek::ostrel {

BasicScreen::BasicScreen(ScreenSystem& system, const std::string& skin_path)
    : Screen(system), skin_path_(skin_path), control_(std::make_unique<Control>(skin_path)) {}

BasicScreen::~BasicScreen() {
    if (Screen::system()) Screen::system()->remove(this);
}

Control& BasicScreen::control() const {
    if (!control_) throw_logic_error(ORVEK_THROW_LOCATION, "There is no control installed.");
    return *control_;
}

ScreenSystem* BasicScreen::screen_system() const { return static_cast<ScreenSystem*>(Screen::system()); }

void BasicScreen::install_control(std::unique_ptr<Control> control) {
    if (Screen::system() && Screen::system()->contains(this))
        throw_logic_error(ORVEK_THROW_LOCATION, "A control is installed while the screen is shown.");
    control_ = std::move(control);
}

}  // namespace orvek::ostrel
