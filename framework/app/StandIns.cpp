#include "framework/app/AppInterfaces.h"
#include "framework/app/VantAppBase.h"

namespace Vant {

int BlankDisplay::Init(plat::WindowHandle window, bool) {
    window_ = window;
    ++initCount;
    return kOk;
}

bool BlankDisplay::Redraw() {
    ++redrawCount;
    if (app_ && window_) app_->mHost->ClearWindow(window_);
    return true;
}

}  // namespace Vant
