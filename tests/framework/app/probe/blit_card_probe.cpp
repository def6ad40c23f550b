// A small program on the application object for the real-display test of
// the drawing context: on every frame it draws a test card with every kind
// of image draw (sub-pixel, rotated, fast and filtered stretches, mirrored,
// additive, colourised, tiled boxes, text-free shapes) through a Graphics
// on the screen image, takes one screenshot after its third frame and says
// so. With ZELKOR_CARD_FULLSCREEN set it starts full screen in 16 bits
// (5-6-5 surfaces), else windowed in 32 bits (x8-8-8).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../support/RecordingWidgetManager.h"
#include "../support/SdlProbeHost.h"
#include "framework/app/PlatformHost.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "platform/Signals.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"

namespace {

using namespace Vant;

class CardApp : public VantAppBase {
public:
    explicit CardApp(AppHost* host, bool fullScreen) : VantAppBase(host) {
        mProdName = "ZelkorBlitCard";
        mTitle = "Zelkor Blit Card";
        mRegKey = "ZelkorBlitCard";
        mWantsLoadingThread = false;
        mWidth = 320;
        mHeight = 240;
        mWidgetManager = std::make_unique<apptest::RecordingWidgetManager>(this);
        if (fullScreen) {
            mIsWindowed = false;
            mColorDepth = 16;
        }
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    void InitHook() override {
        std::vector<std::uint32_t> sprite(24 * 16), frame(30 * 30), ramp(10 * 4);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x) {
                // Opaque body, a soft right edge, a transparent notch.
                const std::uint32_t a = x >= 20 ? 255 - (x - 19) * 50 : (x < 4 && y < 4 ? 0 : 255);
                sprite[y * 24 + x] = a << 24 | std::uint32_t(x * 10) << 16 | std::uint32_t(y * 15) << 8 | 0x60;
            }
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool edge = x < 10 || x >= 20 || y < 10 || y >= 20;
                frame[y * 30 + x] = edge ? (((x + y) & 4) ? 0xFFE0C040 : 0xFF804010) : 0xFF203060;
            }
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 10; ++x) ramp[y * 10 + x] = 0xFF000000u | std::uint32_t(x * 25) << 16 | 0x2000 | std::uint32_t(y * 60);
        sprite_ = Make(sprite, 24, 16);
        frame_ = Make(frame, 30, 30);
        ramp_ = Make(ramp, 10, 4);
        ramp_->GenerateDDSurface();
        std::printf("probe: window open\n");
        std::fflush(stdout);
    }
    bool DrawDirtyStuff() override {
        if (DDInterface* dd = GetDDInterface(); dd && dd->GetScreenImage()) DrawCard(dd->GetScreenImage());
        static_cast<apptest::RecordingWidgetManager&>(*mWidgetManager).dirty = true;
        const bool drew = VantAppBase::DrawDirtyStuff();
        if (drew && ++frames_ == 3) {
            TakeScreenshot();
            std::printf("probe: frame\n");
            std::fflush(stdout);
        }
        return drew;
    }
    void ReleaseAll() {
        sprite_.reset();
        frame_.reset();
        ramp_.reset();
    }

private:
    std::unique_ptr<DDImage> Make(const std::vector<std::uint32_t>& px, int w, int h) {
        auto im = std::make_unique<DDImage>(GetDDInterface());
        im->SetBits(px.data(), w, h);
        return im;
    }

    void DrawCard(DDImage* screen) {
        Graphics g(screen);
        g.SetColor(Color(16, 24, 48));
        g.FillRect(0, 0, 320, 240);
        g.SetColor(Color(200, 200, 200));
        g.DrawRect(4, 4, 311, 231);
        g.DrawLine(8, 230, 312, 150);

        // Plain, sub-pixel and turned.
        g.DrawImage(sprite_.get(), 10, 10);
        g.DrawImageF(sprite_.get(), 40.5f, 10.25f);
        for (int i = 0; i < 4; ++i)
            g.DrawImageRotatedF(sprite_.get(), 80.0f + i * 40, 12.0f, i * 0.5, 12.0f, 8.0f);

        // Stretches: filtered, fast, and the fast one mirrored.
        g.DrawImage(sprite_.get(), 10, 50, 72, 32);
        g.SetFastStretch(true);
        g.DrawImage(sprite_.get(), 90, 50, 72, 32);
        g.DrawImage(ramp_.get(), Rect(170, 50, 40, 16), Rect(0, 0, 10, 4));
        screen->StretchBlitMirror(sprite_.get(), Rect(220, 50, 72, 32), Rect(0, 0, 24, 16), g.clipRect, Color::White,
                                  0, true);
        screen->StretchBlitMirror(ramp_.get(), Rect(170, 70, 40, 16), Rect(0, 0, 10, 4), g.clipRect, Color::White, 0,
                                  true);
        g.SetFastStretch(false);

        // Additive and colourised, turned and stretched.
        g.SetDrawMode(DrawModeAdditive);
        g.SetColor(Color(255, 255, 255, 160));
        g.DrawImageRotatedF(sprite_.get(), 20.0f, 100.0f, 0.3, 12.0f, 8.0f);
        g.DrawImage(sprite_.get(), 60, 95, 48, 24);
        g.SetDrawMode(DrawModeNormal);
        g.SetColorizeImages(true);
        g.SetColor(Color(255, 80, 80, 200));
        g.DrawImageRotatedF(sprite_.get(), 120.0f, 100.0f, -0.4, 12.0f, 8.0f);
        g.SetFastStretch(true);
        g.DrawImage(sprite_.get(), 160, 95, 48, 24);
        g.SetFastStretch(false);
        g.SetColorizeImages(false);

        // Tiled boxes, one through a clipped, translated child.
        g.DrawImageBox(Rect(10, 130, 100, 45), frame_.get());
        Graphics child(g);
        child.Translate(130, 130);
        child.ClipRect(0, 0, 80, 40);
        child.DrawImageBox(Rect(0, 0, 100, 60), frame_.get());
        g.DrawImageBox(Rect(230, 130, 70, 70), frame_.get());
    }

    std::unique_ptr<DDImage> sprite_, frame_, ramp_;
    int frames_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    apptest::SdlProbeHost probe(argc, argv);
    {
        CardApp app(&probe.host, std::getenv("ZELKOR_CARD_FULLSCREEN") != nullptr);
        app.Init();
        app.Start();
        app.ReleaseAll();
    }
    return 0;
}
