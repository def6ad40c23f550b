#pragma once
// An adapter application on the generated look fixture (the skin section
// "menu/widgets"), with a sound manager that records what it is asked to
// load and plays nothing, so no stand-in file is ever written.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/SoundManager.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"
#include "AdapterHarness.h"
#include "support/Fixture.h"

namespace adaptertest {

struct SilentInstance : Vant::SoundInstance {
    void Release() override {}
    void SetBaseVolume(double) override {}
    void SetBasePan(int) override {}
    void AdjustPitch(double) override {}
    void SetVolume(double) override {}
    void SetPan(int) override {}
    bool Play(bool, bool) override { return true; }
    void Stop() override {}
    bool IsPlaying() override { return false; }
    bool IsReleased() override { return false; }
    double GetVolume() override { return 1.0; }
};

struct RecordingSounds : Vant::SoundManager {
    std::vector<std::string> loads;
    SilentInstance instance;
    bool Initialized() override { return true; }
    int LoadSound(const std::string& path) override {
        loads.push_back(path);
        return 0;
    }
    bool LoadSound(unsigned, const std::string&) override { return true; }
    void ReleaseSound(unsigned) override {}
    void SetVolume(double) override {}
    bool SetBaseVolume(unsigned, double) override { return true; }
    bool SetBasePan(unsigned, int) override { return true; }
    Vant::SoundInstance* GetSoundInstance(unsigned) override { return &instance; }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void SetCooperativeWindow(void*, bool) override {}
    void StopAllSounds() override {}
};

struct WidgetFixture : ::testing::Test {
    Platform platform;
    std::unique_ptr<TestApp> app;
    RecordingSounds* sounds = nullptr;

    void SetUp() override {
        // Test cases of one program may run side by side in one folder.
        testsupport::link_fixture_data();
        ASSERT_TRUE(std::filesystem::exists("data/Skin.xml")) << "the look fixture is missing";
        app = std::make_unique<TestApp>(&platform.host, platform.program);
        app->mWidth = 800;
        app->mHeight = 600;
        sounds = new RecordingSounds;
        app->mSoundManager.reset(sounds);
        orvek::ostrel::Skin::set_resources_file("data/resources.xml");
        orvek::ostrel::Skin::set_skin_file("data/Skin.xml");
        orvek::ostrel::Skin::set_language_file("data/en.xml");
        orvek::ostrel::Skin::create(dynamic_cast<orvek::ostrel::ResourceManager*>(app->resource_manager()));
        orvek::ostrel::Skin::instance()->load_resources("Common");
    }
    void TearDown() override {
        orvek::ostrel::Skin::destroy();
        orvek::ostrel::Skin::set_resources_file("properties/resources.xml");
        orvek::ostrel::Skin::set_skin_file("");
        orvek::ostrel::Skin::set_language_file("");
        app.reset();
    }

    static Vant::Image* image(const std::string& id) {
        return orvek::ostrel::Skin::instance()->get_image(id).GetImage();
    }
    // The flat colour of a fixture image.
    static std::uint32_t colour_of(const std::string& id) {
        Vant::Image* i = image(id);
        auto* m = dynamic_cast<Vant::MemoryImage*>(i);
        return m ? m->GetBits()[0] : 0;
    }
};

inline std::uint32_t pixel(Vant::MemoryImage& image, int x, int y) {
    return image.GetBits()[static_cast<std::size_t>(y) * image.width + x];
}

}  // namespace adaptertest
