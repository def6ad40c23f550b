#include "gui/ScreenSystem.h"

namespace orvek::trelm::gui {

ScreenSystem::ScreenSystem(Vant::WidgetManager* widget_manager, Vant::ResourceManager* resources)
    : orvek::ostrel::ScreenSystem(widget_manager, resources) {}

ScreenSystem::~ScreenSystem() = default;

}  // namespace orvek::trelm::gui
