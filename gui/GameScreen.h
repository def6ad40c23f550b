#pragma once
// The screen a sub-level is played on. Until play exists it only draws its
// section and goes back on Escape.
#include "gui/BasicScreen.h"

namespace orvek::trelm::gui {

class GameScreen : public BasicScreen {
public:
    explicit GameScreen(ScreenSystem& system);
    ~GameScreen() override;

    void on_shown() override;
    void on_cancel() override;

private:
    bool decided_ = false;
};

}  // namespace orvek::trelm::gui
