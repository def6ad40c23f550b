#pragma once
// The game's screen system: the adapter's, plus the session controller that
// owns the game's screens. Until the game's controllers exist there is none.
#include "ostrel/ScreenSystem.h"

namespace orvek::trelm::gui {

class SessionControllerBase;

class ScreenSystem : public orvek::ostrel::ScreenSystem {
public:
    // Neither is owned.
    ScreenSystem(Vant::WidgetManager* widget_manager, Vant::ResourceManager* resources);
    ~ScreenSystem() override;

    // The current session controller; null while there is none.
    SessionControllerBase* controller() const { return controller_; }

private:
    SessionControllerBase* controller_ = nullptr;
};

}  // namespace orvek::trelm::gui
