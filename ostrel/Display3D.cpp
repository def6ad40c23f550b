#include "ostrel/Display3D.h"

#include "framework/app/VantAppBase.h"

namespace orvek::ostrel {

bool is_3d_accelerated() { return Vant::VantAppBase::gApp && Vant::VantAppBase::gApp->Is3DAccelerated(); }

bool is_3d_supported() { return Vant::VantAppBase::gApp && Vant::VantAppBase::gApp->Is3DSupported(); }

void set_screen_mode(bool windowed, bool accelerated) {
    if (auto* app = Vant::VantAppBase::gApp) app->SwitchScreenMode(windowed, accelerated, false);
}

void set_custom_cursors(bool enabled) {
    if (auto* app = Vant::VantAppBase::gApp) app->SetCustomCursorsFlag(enabled);
}

}  // namespace orvek::ostrel
