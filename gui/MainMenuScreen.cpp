#include "gui/MainMenuScreen.h"

#include "gui/Dialogs.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "ostrel/gui/Buttons.h"

namespace orvek::trelm::gui {

MainMenuScreen::MainMenuScreen(ScreenSystem& system) : BasicScreen(system, "menu/main") {
    exit_ = std::make_unique<orvek::ostrel::ImagePushButton>(control(), "menu/main/exit");
    exit_->set_action([this] { on_exit(); });
}

MainMenuScreen::~MainMenuScreen() { exit_.reset(); }

void MainMenuScreen::on_exit() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c) return;
    ConfirmCloseGameScreen* confirm = c->confirm_close_game_screen();
    // After the dialog has popped itself the main menu is on top: popping
    // it empties the stack, and the game ends.
    confirm->set_callback([ss] { ss->pop_screen(); });
    ss->push_modal_screen(confirm);
}

}  // namespace orvek::trelm::gui
