#pragma once
// The application's display: the surfaces' display on the host's display
// service, fed the application's size, depth and presenting settings.
#include "framework/app/AppInterfaces.h"
#include "framework/graphics/DDInterface.h"

namespace Vant {

class SurfaceDisplay : public DisplayInterface {
public:
    SurfaceDisplay(VantAppBase* app, plat::DisplayDevice& device);
    ~SurfaceDisplay() override;

    int Init(plat::WindowHandle window, bool windowed) override;
    bool Redraw() override;
    bool Is3D() const override { return dd_.Is3D(); }
    void Set3D(bool on) override { dd_.Set3D(on); }
    int RefreshRate() const override { return dd_.RefreshRate(); }
    void SetVideoOnlyDraw(bool on) override { dd_.SetVideoMemoryDraw(on); }
    std::string ErrorText() const override { return dd_.ErrorText(); }
    DDInterface* GetDDInterface() override { return &dd_; }
    void Cleanup() override { dd_.Cleanup(); }

private:
    VantAppBase* app_;
    DDInterface dd_;
};

}  // namespace Vant
