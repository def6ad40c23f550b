// A window whose run is recorded into a demo ("-record -demofile=..."):
// after every update it writes the update number and the hash of what the
// widgets received to "hashes.txt", and says "probe: shown" once a frame
// was drawn.
#include <cstdio>
#include <fstream>
#include <memory>

#include "../support/DemoHash.h"
#include "../support/RecordingWidgetManager.h"
#include "../support/SdlProbeHost.h"

namespace {

class DemoProbe : public Vant::VantAppBase {
public:
    explicit DemoProbe(Vant::AppHost* host) : VantAppBase(host), hashes_("hashes.txt") {
        mProdName = "ZelkorDemoProbe";
        mTitle = "Zelkor Demo Probe";
        mRegKey = "ZelkorDemoProbe";
        mWantsLoadingThread = false;
        mWidth = 320;
        mHeight = 240;
        mWidgetManager = std::make_unique<apptest::RecordingWidgetManager>(this);
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    void UpdateFrames() override {
        VantAppBase::UpdateFrames();
        auto& wm = static_cast<apptest::RecordingWidgetManager&>(*mWidgetManager);
        hashes_ << mUpdateCount << " " << apptest::DemoStateHash(*this, wm) << "\n";
    }
    bool DrawDirtyStuff() override {
        const bool drew = VantAppBase::DrawDirtyStuff();
        if (drew && !shown_) {
            shown_ = true;
            std::printf("probe: shown\n");
            std::fflush(stdout);
        }
        return drew;
    }

private:
    std::ofstream hashes_;
    bool shown_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    apptest::SdlProbeHost sdl(argc, argv);
    {
        DemoProbe app(&sdl.host);
        app.Init();
        app.Start();
    }
    std::printf("probe: done\n");
    return 0;
}
