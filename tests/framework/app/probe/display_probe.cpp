// A small program on the application object for the real-display test: it
// draws a test card (fills, a translucent fill, lines, an opaque and a
// colour-keyed picture) on every frame, takes one screenshot after its third
// frame, and on exit writes what reached the widget manager to
// "events.txt". With ZELKOR_PROBE_CURSOR set, cursor 0 is a software cursor
// (a 9 x 9 magenta square) and custom cursors are on.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "../support/RecordingWidgetManager.h"
#include "../support/SdlProbeHost.h"
#include "framework/app/PlatformHost.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "platform/Signals.h"
#include "platform/sdl/SdlDisplay.h"
#include "platform/sdl/SdlShell.h"
#include "platform/sdl/SdlWindow.h"

namespace {

using namespace Vant;

class ProbeApp : public VantAppBase {
public:
    explicit ProbeApp(AppHost* host) : VantAppBase(host) {
        mProdName = "ZelkorDisplayProbe";
        mTitle = "Zelkor Display Probe";
        mRegKey = "ZelkorDisplayProbe";
        mWantsLoadingThread = false;
        mWidth = 320;
        mHeight = 240;
        mWidgetManager = std::make_unique<apptest::RecordingWidgetManager>(this);
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    void InitHook() override {
        std::vector<std::uint32_t> checker(32 * 32), ring(32 * 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                checker[y * 32 + x] = ((x / 8 + y / 8) & 1) ? 0xFFFFFFFF : 0xFF000000;
                const int dx = x - 16, dy = y - 16, d = dx * dx + dy * dy;
                ring[y * 32 + x] = d >= 64 && d < 196 ? 0xFF20E040 : 0x00000000;
            }
        opaque_ = std::make_unique<DDImage>(GetDDInterface());
        opaque_->SetBits(checker.data(), 32, 32);
        keyed_ = std::make_unique<DDImage>(GetDDInterface());
        keyed_->SetBits(ring.data(), 32, 32);
        // Both live in surfaces: copies surface to surface, one with its key.
        opaque_->GenerateDDSurface();
        keyed_->GenerateDDSurface();
        if (std::getenv("ZELKOR_PROBE_CURSOR")) {
            cursor_ = std::make_unique<DDImage>(GetDDInterface());
            cursor_->SetBits(std::vector<std::uint32_t>(81, 0xFFFF00FF).data(), 9, 9);
            SetCursorImage(0, cursor_.get());
            SetCustomCursorsFlag(true);
        }
        std::printf("probe: window open\n");
        std::fflush(stdout);
    }
    bool DrawDirtyStuff() override {
        if (DDInterface* dd = GetDDInterface(); dd && dd->GetScreenImage()) DrawCard(dd->GetScreenImage());
        static_cast<apptest::RecordingWidgetManager&>(*mWidgetManager).dirty = true;
        const bool drew = VantAppBase::DrawDirtyStuff();
        if (drew && mHWnd != shownOn_) {
            // A frame reached this window (a new one after each mode switch).
            shownOn_ = mHWnd;
            std::printf("probe: shown %s\n", mIsPhysWindowed ? "windowed" : "full screen");
            std::fflush(stdout);
        }
        if (drew && ++frames_ == 3) {
            TakeScreenshot();
            std::printf("probe: frame\n");
            std::fflush(stdout);
        }
        return drew;
    }
    void ReleaseAll() {
        cursor_.reset();
        opaque_.reset();
        keyed_.reset();
    }

private:
    void DrawCard(DDImage* s) {
        s->FillRect(Rect(0, 0, 320, 240), Color(20, 30, 90), 0);
        const Color blocks[] = {Color(255, 0, 0), Color(0, 255, 0), Color(0, 0, 255), Color(255, 255, 255),
                                Color(128, 128, 128), Color(0, 0, 0)};
        for (int i = 0; i < 6; ++i) s->FillRect(Rect(10 + i * 50, 10, 40, 40), blocks[i], 0);
        s->FillRect(Rect(35, 30, 100, 40), Color(255, 255, 0, 128), 0);
        s->FillRect(Rect(160, 60, 60, 30), Color(0, 96, 200), 1);
        s->DrawLine(10, 100, 150, 230, Color(255, 255, 255), 0);
        s->DrawLine(10, 230, 150, 100, Color(255, 128, 0), 0);
        s->DrawLine(170, 110, 310, 110, Color(0, 255, 255), 0);
        s->DrawLine(240, 100, 240, 230, Color(255, 0, 255), 0);
        s->Blit(opaque_.get(), 180, 130, Rect(0, 0, 32, 32), Color::White, 0);
        s->Blit(keyed_.get(), 260, 130, Rect(0, 0, 32, 32), Color::White, 0);
        s->Blit(keyed_.get(), 224, 180, Rect(0, 0, 32, 32), Color::White, 0);
    }

    std::unique_ptr<DDImage> opaque_, keyed_, cursor_;
    int frames_ = 0;
    plat::WindowHandle shownOn_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    apptest::SdlProbeHost probe(argc, argv);
    {
        ProbeApp app(&probe.host);
        app.Init();
        app.Start();
        app.ReleaseAll();
        std::ofstream out("events.txt");
        for (const std::string& e : static_cast<apptest::RecordingWidgetManager&>(*app.mWidgetManager).events)
            out << e << "\n";
    }
    return 0;
}
