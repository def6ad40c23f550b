#pragma once
// The game's screen system: the adapter's, plus the session controller that
// owns the game's screens and the session, the focus flag, and whether the
// first controller has started (which the quit check reads).
#include <map>
#include <memory>
#include <string>

#include "ostrel/ScreenSystem.h"

namespace orvek::trelm {
class GameApp;
}
namespace orvek::trelm::core {
class Profiles;
}

namespace orvek::trelm::gui {

class SessionControllerBase;
class SingleSessionController;

class ScreenSystem : public orvek::ostrel::ScreenSystem {
public:
    // Without a controller: for screens tried on their own.
    ScreenSystem(Vant::WidgetManager* widget_manager, Vant::ResourceManager* resources);
    // Makes the session controller, whose start waits for the first step.
    // None is owned; app may be null.
    ScreenSystem(Vant::WidgetManager* widget_manager, Vant::ResourceManager* resources,
                 orvek::trelm::core::Profiles& profiles, orvek::trelm::GameApp* app);
    // The current controller's game screen first, then the controllers,
    // then the stack.
    ~ScreenSystem() override;

    // The current session controller; null while there is none.
    SessionControllerBase* controller() const { return controller_; }
    // The single-session controller, made on first use.
    std::shared_ptr<SessionControllerBase> get_controller();
    // Makes it current; it starts at the next step.
    void switch_controller(const std::shared_ptr<SessionControllerBase>& controller);

    bool has_started() const { return started_; }
    bool is_active() const { return !inactive_; }
    void set_inactive() { inactive_ = true; }
    void set_active() { inactive_ = false; }

    // The pointer in the game's coordinates; (0, 0) when unknown.
    orvek::ostrel::Point cursor_position() const;
    // Milliseconds per fixed step; 33 without an application.
    std::uint64_t update_interval() const;
    orvek::trelm::GameApp* app() const { return app_; }

protected:
    void on_update() override;

private:
    orvek::trelm::GameApp* app_ = nullptr;
    orvek::trelm::core::Profiles* profiles_ = nullptr;
    std::map<std::string, std::shared_ptr<SessionControllerBase>> registry_;
    std::shared_ptr<SessionControllerBase> current_;
    SessionControllerBase* controller_ = nullptr;
    bool start_pending_ = false;
    bool started_ = false;
    bool inactive_ = false;
};

}  // namespace orvek::trelm::gui
