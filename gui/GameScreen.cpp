#include "gui/GameScreen.h"

#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"

namespace orvek::trelm::gui {

GameScreen::GameScreen(ScreenSystem& system) : BasicScreen(system, "menu/game") {}

GameScreen::~GameScreen() = default;

void GameScreen::on_shown() {
    BasicScreen::on_shown();
    decided_ = false;
}

void GameScreen::on_cancel() {
    ScreenSystem* ss = screen_system();
    if (!ss || decided_) return;
    decided_ = true;
    ss->pop_screen();
}

GameScreen* SessionControllerBase::game_screen() { return make<GameScreen>(game_slot); }

}  // namespace orvek::trelm::gui
