#include "ostrel/Display3D.h"

#include "framework/app/VantAppBase.h"

namespace orvek::ostrel {

bool is_3d_accelerated() { return Vant::VantAppBase::gApp && Vant::VantAppBase::gApp->Is3DAccelerated(); }

}  // namespace orvek::ostrel
