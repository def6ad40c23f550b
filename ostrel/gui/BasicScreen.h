#pragma once
// A screen the adapter can show: a screen of the stack with a skin path and
// one installed control that carries everything the screen shows. While the
// screen is on the stack its control is a child of the widget manager.
#include <memory>
#include <string>

#include "ostrel/Control.h"
#include "ostrel/screens/Screen.h"

namespace orvek::ostrel {

class ScreenSystem;

class BasicScreen : public orvek::screens::Screen {
public:
    // Installs a control made from the skin path.
    BasicScreen(ScreenSystem& system, const std::string& skin_path);
    // Leaves the stack while its control still exists, so the control's
    // widget leaves the widget manager at once.
    ~BasicScreen() override;

    // The installed control; raises an error when there is none.
    Control& control() const;
    bool has_control() const { return control_ != nullptr; }
    Size size() const { return control().size(); }
    const std::string& skin_path() const { return skin_path_; }
    // The screen system it was made for; null once that is gone.
    ScreenSystem* screen_system() const;

protected:
    // Replaces the installed control (the old one is deleted). Only while
    // the screen is off the stack.
    void install_control(std::unique_ptr<Control> control);

private:
    std::string skin_path_;
    std::unique_ptr<Control> control_;
};

}  // namespace orvek::ostrel
