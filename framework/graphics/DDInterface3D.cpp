// The display's 3D parts: the capability test, the 3D layer's start and the
// end of each 3D frame.
#include "framework/graphics/DDInterface.h"

#include "orvek/Log.h"

namespace Vant {

bool DDInterface::RunD3DTestIfWanted(plat::WindowHandle window) {
    if (tester || !(test3D.wantTest || test3D.auto3D)) return false;
    tester = std::make_unique<D3DTester>();
    tester->device = device3D;
    tester->readValue = test3D.readValue;
    tester->writeValue = test3D.writeValue;
    tester->minVidMemory = test3D.minVidMemory;
    tester->recVidMemory = test3D.recVidMemory;
    tester->desktopWidth = test3D.desktopWidth;
    tester->desktopHeight = test3D.desktopHeight;
    tester->desktopFormat = test3D.desktopFormat;
    tester->cardListDir = test3D.cardListDir;
    tester->isPlayingDemo = test3D.isPlayingDemo;
    tester->demoExchange = test3D.demoExchange;
    tester->Run(window);
    if (test3D.auto3D && tester->failureReason.empty() && tester->warning.empty()) is3D_ = true;
    if (!tester->failureReason.empty()) is3D_ = false;
    if (tester->resultIsNew && (!tester->failureReason.empty() || !tester->warning.empty())) is3D_ = false;
    return true;
}

bool DDInterface::Start3D() {
    if (d3d.InitFromDDInterface(*this, device3D)) return true;
    errorText_ = "3D init error: " + D3DInterface::errorText3D;
    return false;
}

void DDInterface::Finish3DFrame() {
    d3d.EndScene();
    if (is3D_ && !D3DInterface::errorText3D.empty()) {
        // The frame that failed is lost; from now on the display draws in
        // software.
        is3D_ = false;
        d3d.Cleanup();
    }
}

}  // namespace Vant
