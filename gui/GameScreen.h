#pragma once
// The screen a sub-level is played on. It owns the play field, starts the
// sub-level on its first update, keeps the game paused while anything
// covers it or the window has lost the focus, and runs the dialogs of play:
// the break menu, the pause, the options, the end of a won sub-level and
// the failed mission.
#include <memory>

#include "gui/BasicScreen.h"

namespace orvek::trelm::gui {

class GameDesktop;
class Interface;

class GameScreen : public BasicScreen {
public:
    explicit GameScreen(ScreenSystem& system);
    // Writes the autosave while a sub-level runs; a failure is logged.
    ~GameScreen() override;

    void update() override;

    GameDesktop& desktop() const;
    Interface& hud() const;
    bool started() const;

    struct Impl_;

private:
    std::unique_ptr<Impl_> impl_;
};

}  // namespace orvek::trelm::gui
