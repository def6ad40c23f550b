// The options' settings: fallbacks for lost or damaged keys, volumes heard at
// once and put back on cancel, and apply storing everything at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gui/OptionsModel.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/support/AdapterHarness.h"

namespace {

namespace fs = std::filesystem;
using orvek::ostrel::ConfigRegistry;
using orvek::trelm::OptionsModel;

class ModeApp : public adaptertest::TestApp {
public:
    using TestApp::TestApp;
    using TestApp::SwitchScreenMode;
    void SwitchScreenMode(bool windowed, bool is3D, bool force) override { switches.emplace_back(windowed, is3D, force); }
    std::vector<std::tuple<bool, bool, bool>> switches;
};

struct OptionsFixture : ::testing::Test {
    adaptertest::Platform p;
    ModeApp app{&p.host, p.program};
    ConfigRegistry& registry = ConfigRegistry::instance();

    void SetUp() override {
        app.set_config_name("Trelm");
        fs::create_directories(fs::path(p.config_file("Trelm")).parent_path());
    }
    std::string text(const char* key) {
        const auto* a = registry.find(key);
        return a ? std::string(a->c_str()) : "<missing>";
    }
};

TEST_F(OptionsFixture, LostOrDamagedKeysTakeTheStartUpDefaults) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> file;
        bool full, accel, cursors;
        int sound, music;
        // The volumes' texts afterwards: fallbacks are written, readable
        // values stay as the file has them.
        std::vector<std::pair<const char*, const char*>> stored;
    };
    const std::vector<Case> cases{
        {"every key lost", {}, false, true, false, 50, 50, {{"sound/@volume", "50"}, {"music/@volume", "50"}}},
        {"texts that do not convert", {{"screen/@full_screen", "maybe"}, {"sound/@volume", "loud"}},
         false, true, false, 50, 50, {{"sound/@volume", "50"}}},
        {"volumes out of range", {{"sound/@volume", "150"}, {"music/@volume", "-5"}, {"screen/@custom_cursors", "1"}},
         false, true, true, 100, 0, {{"sound/@volume", "150"}, {"music/@volume", "-5"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry.elements().clear();
        for (const auto& [key, value] : c.file) registry.add(key, orvek::ostrel::ConfigAttribute(std::string(value)));
        std::unique_ptr<OptionsModel> model;
        ASSERT_NO_THROW(model = OptionsModel::create(this));
        EXPECT_EQ(model->owner(), this);
        EXPECT_EQ(model->full_screen(), c.full);
        EXPECT_EQ(model->acceleration_3d(), c.accel);
        EXPECT_EQ(model->custom_cursors(), c.cursors);
        EXPECT_EQ(model->sound_volume(), c.sound);
        EXPECT_EQ(model->music_volume(), c.music);
        for (const auto& [key, value] : c.stored) EXPECT_EQ(text(key), value) << key;
        EXPECT_EQ(registry.get_bool("screen/@full_screen", !c.full), c.full);
        EXPECT_EQ(registry.get_bool("screen/@acceleration_3d", !c.accel), c.accel);
        EXPECT_EQ(registry.get_bool("screen/@custom_cursors", !c.cursors), c.cursors);
        // Both volumes are heard as soon as the model is made.
        EXPECT_DOUBLE_EQ(app.GetSfxVolume(), c.sound / 100.0);
        EXPECT_DOUBLE_EQ(app.GetMusicVolume(), c.music / 100.0);
    }
}

TEST_F(OptionsFixture, VolumesAreHeardAtOnceAndCancelPutsTheOpeningOnesBack) {
    registry.set_int("sound/@volume", 30);
    registry.set_int("music/@volume", 70);
    OptionsModel model(nullptr);
    model.set_music_volume(10);
    model.set_sound_volume(120);
    EXPECT_DOUBLE_EQ(app.GetMusicVolume(), 0.1);
    EXPECT_DOUBLE_EQ(app.GetSfxVolume(), 1.0);
    EXPECT_EQ(model.sound_volume(), 100);
    model.restore_volumes();
    EXPECT_DOUBLE_EQ(app.GetMusicVolume(), 0.7);
    EXPECT_DOUBLE_EQ(app.GetSfxVolume(), 0.3);
    EXPECT_EQ(registry.get_int("music/@volume", 0), 70);
    // Once applied, the applied volumes are the ones a cancel keeps.
    model.set_music_volume(20);
    model.apply();
    model.set_music_volume(90);
    model.restore_volumes();
    EXPECT_DOUBLE_EQ(app.GetMusicVolume(), 0.2);
}

TEST_F(OptionsFixture, ApplySwitchesOnlyOnADisplayChangeAndStoresAllFiveAtOnce) {
    OptionsModel model(nullptr);
    model.set_custom_cursors(true);
    model.set_sound_volume(40);
    model.apply();
    EXPECT_TRUE(app.switches.empty());
    EXPECT_TRUE(app.mCustomCursorsEnabled);

    // The file on disk holds the choice before the program ends.
    ConfigRegistry& stored = registry;
    registry.elements().clear();
    ASSERT_TRUE(stored.load(p.config_file("Trelm").c_str()));
    EXPECT_FALSE(stored.get_bool("screen/@full_screen", true));
    EXPECT_TRUE(stored.get_bool("screen/@acceleration_3d", false));
    EXPECT_TRUE(stored.get_bool("screen/@custom_cursors", false));
    EXPECT_EQ(stored.get_int("sound/@volume", 0), 40);
    EXPECT_EQ(stored.get_int("music/@volume", 0), 50);

    // Each step changes one of the two, from what the step before stored.
    const std::vector<std::tuple<bool, bool, std::tuple<bool, bool, bool>>> changes{
        {true, true, {false, true, false}},    // full screen
        {true, false, {false, false, false}},  // then 3D off
        {false, false, {true, false, false}},  // back to a window
    };
    for (const auto& [full, accel, expected] : changes) {
        app.switches.clear();
        OptionsModel next(nullptr);
        next.set_full_screen(full);
        next.set_acceleration_3d(accel);
        next.set_custom_cursors(false);
        next.apply();
        ASSERT_EQ(app.switches.size(), 1u);
        EXPECT_EQ(app.switches[0], expected);
        EXPECT_FALSE(app.mCustomCursorsEnabled);
        EXPECT_EQ(registry.get_bool("screen/@full_screen", !full), full);
        EXPECT_EQ(registry.get_bool("screen/@acceleration_3d", !accel), accel);
    }
}

}  // namespace
