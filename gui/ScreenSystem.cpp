#include "gui/ScreenSystem.h"

#include <typeinfo>

#include "framework/app/VantAppBase.h"
#include "gui/GameApp.h"
#include "gui/SessionController.h"

namespace orvek::trelm::gui {

ScreenSystem::ScreenSystem(Vant::WidgetManager* widget_manager, Vant::ResourceManager* resources)
    : orvek::ostrel::ScreenSystem(widget_manager, resources) {}

ScreenSystem::ScreenSystem(Vant::WidgetManager* widget_manager, Vant::ResourceManager* resources,
                           orvek::trelm::core::Profiles& profiles, orvek::trelm::GameApp* app)
    : orvek::ostrel::ScreenSystem(widget_manager, resources), app_(app), profiles_(&profiles) {
    switch_controller(get_controller());
}

ScreenSystem::~ScreenSystem() {
    if (controller_) controller_->destroy_game_screen();
    controller_ = nullptr;
    current_.reset();
    registry_.clear();
}

std::shared_ptr<SessionControllerBase> ScreenSystem::get_controller() {
    const std::string name = typeid(SingleSessionController).name();
    auto it = registry_.find(name);
    if (it != registry_.end()) return it->second;
    if (!profiles_) return nullptr;
    auto controller = std::make_shared<SingleSessionController>(*this, *profiles_);
    registry_[name] = controller;
    return controller;
}

void ScreenSystem::switch_controller(const std::shared_ptr<SessionControllerBase>& controller) {
    current_ = controller;
    controller_ = controller.get();
    start_pending_ = controller_ != nullptr;
}

void ScreenSystem::on_update() {
    if (!controller_) return;
    // Screens replaced since the last step go once nothing names them.
    controller_->collect_retired();
    if (start_pending_) {
        start_pending_ = false;
        started_ = true;
        controller_->start();
    }
    controller_->update();
}

orvek::ostrel::Point ScreenSystem::cursor_position() const {
    int x = 0, y = 0;
    if (app_ && app_->mHost && app_->mHost->LastPointer(&x, &y)) return {x, y};
    return {0, 0};
}

std::uint64_t ScreenSystem::update_interval() const { return app_ ? app_->update_interval() : 33; }

}  // namespace orvek::trelm::gui
