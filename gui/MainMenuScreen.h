#pragma once
// The hub of the game's menus. For now: its section's background and the
// exit button, which asks first and then leaves the game.
#include <memory>

#include "gui/BasicScreen.h"

namespace orvek::ostrel {
class ImagePushButton;
}

namespace orvek::trelm::gui {

class MainMenuScreen : public BasicScreen {
public:
    explicit MainMenuScreen(ScreenSystem& system);
    ~MainMenuScreen() override;

    orvek::ostrel::ImagePushButton& exit_button() const { return *exit_; }
    // What the exit button does.
    void on_exit();

private:
    std::unique_ptr<orvek::ostrel::ImagePushButton> exit_;
};

}  // namespace orvek::trelm::gui
