// A small program on the application object for the real-window 3D test:
// the capability test runs at start against the software 3D device and
// switches 3D on; every frame draws a scene of fills, alpha and additive
// sprites, a fast stretch, a mirrored blit and a rotated blit. Whenever a
// file "switch" appears in the working directory it is removed and 3D is
// switched over while running. After each new mode's first frame it says
// "probe: shown 3d" or "probe: shown software".
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "../support/RecordingWidgetManager.h"
#include "../support/SdlProbeHost.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"

namespace {

using namespace Vant;

class ProbeApp : public VantAppBase {
public:
    explicit ProbeApp(AppHost* host) : VantAppBase(host) {
        mProdName = "ZelkorD3DProbe";
        mTitle = "Zelkor 3D Probe";
        mRegKey = "ZelkorD3DProbe";
        mWantsLoadingThread = false;
        mWidth = 320;
        mHeight = 240;
        mTest3D = true;
        mAutoEnable3D = true;
        mWidgetManager = std::make_unique<apptest::RecordingWidgetManager>(this);
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    void InitHook() override {
        std::vector<std::uint32_t> ball(32 * 32), strip(8 * 4);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int dx = x - 16, dy = y - 16, d = dx * dx + dy * dy;
                const std::uint32_t a = d < 144 ? 255 : d < 256 ? std::uint32_t(255 - (d - 144) * 2) : 0;
                ball[y * 32 + x] = a << 24 | std::uint32_t(80 + 5 * x) << 16 | std::uint32_t(220 - 4 * y) << 8 | 60u;
            }
        for (int i = 0; i < 32; ++i) strip[i] = 0xFF000000u | std::uint32_t(i * 8) << 16 | std::uint32_t(255 - i * 8);
        ball_ = std::make_unique<DDImage>(GetDDInterface());
        ball_->SetBits(ball.data(), 32, 32);
        ball_->d3dFlags = 8;  // full-precision texels, as the software path reads them
        strip_ = std::make_unique<DDImage>(GetDDInterface());
        strip_->SetBits(strip.data(), 8, 4);
        strip_->d3dFlags = 8;
    }
    bool DrawDirtyStuff() override {
        DDInterface* dd = GetDDInterface();
        if (std::filesystem::remove("switch")) Set3DMode(!(dd && dd->Is3D()), true);
        dd = GetDDInterface();
        if (dd && dd->GetScreenImage()) DrawScene(dd->GetScreenImage());
        static_cast<apptest::RecordingWidgetManager&>(*mWidgetManager).dirty = true;
        const bool drew = VantAppBase::DrawDirtyStuff();
        const bool is3D = dd && dd->Is3D();
        if (drew && (!announced_ || is3D != shown3D_)) {
            announced_ = true;
            shown3D_ = is3D;
            std::printf("probe: shown %s\n", is3D ? "3d" : "software");
            std::fflush(stdout);
        }
        return drew;
    }
    void ReleaseAll() {
        ball_.reset();
        strip_.reset();
    }

private:
    void DrawScene(DDImage* s) {
        const Rect all(0, 0, 320, 240);
        s->FillRect(all, Color(20, 30, 90), 0);
        s->FillRect(Rect(10, 10, 120, 60), Color(200, 40, 30), 0);
        s->FillRect(Rect(60, 40, 120, 60), Color(255, 255, 0, 128), 0);
        s->FillRect(Rect(150, 20, 60, 40), Color(0, 96, 200), 1);
        s->Blit(ball_.get(), 20, 110, Rect(0, 0, 32, 32), Color::White, 0);
        s->Blit(ball_.get(), 40, 120, Rect(0, 0, 32, 32), Color(255, 160, 255, 180), 0);
        s->Blit(ball_.get(), 90, 110, Rect(0, 0, 32, 32), Color::White, 1);
        s->StretchBlit(strip_.get(), Rect(140, 110, 64, 32), Rect(0, 0, 8, 4), all, Color::White, 0, true);
        s->StretchBlitMirror(strip_.get(), Rect(140, 150, 64, 32), Rect(0, 0, 8, 4), all, Color::White, 0, true);
        s->BlitMirror(ball_.get(), 220, 110, Rect(0, 0, 32, 32), Color::White, 0);
        // Filtered differently by the two paths on purpose; the test leaves
        // this corner out of their comparison.
        s->BlitRotated(ball_.get(), 250, 170, Rect(0, 0, 32, 32), all, Color::White, 0, 0.6, 16, 16);
    }

    std::unique_ptr<DDImage> ball_, strip_;
    bool announced_ = false, shown3D_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    apptest::SdlProbeHost probe(argc, argv);
    {
        ProbeApp app(&probe.host);
        app.Init();
        app.Start();
        app.ReleaseAll();
    }
    return 0;
}
