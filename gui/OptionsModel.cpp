#include "gui/OptionsModel.h"

#include <algorithm>
#include <stdexcept>

#include "orvek/Log.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/App.h"
#include "ostrel/Display3D.h"
#include "ostrel/Sound.h"

namespace orvek::trelm {

namespace {

using orvek::ostrel::ConfigRegistry;

const char* const kFullScreen = "screen/@full_screen";
const char* const kAcceleration3D = "screen/@acceleration_3d";
const char* const kCustomCursors = "screen/@custom_cursors";
const char* const kSoundVolume = "sound/@volume";
const char* const kMusicVolume = "music/@volume";

// The start-up's registered defaults, so both agree on a lost key.
constexpr bool kDefaultFullScreen = false;
constexpr bool kDefaultAcceleration3D = true;
constexpr bool kDefaultCustomCursors = false;
constexpr int kDefaultVolume = 50;

const LogChannel& options_warnings() {
    static const LogChannel channel("Trelm.Options", log_warning_flag);
    return channel;
}

int clamp_percent(int v) { return std::clamp(v, 0, 100); }

// A missing key, or one whose text does not convert (a hand-edited file),
// gets its default written: the options never raise over the file's text.
bool read_bool(ConfigRegistry& registry, const char* key, bool fallback) {
    if (registry.has(key)) {
        try {
            return registry.get_bool(key, fallback);
        } catch (const std::domain_error&) {
            options_warnings().stream() << "unreadable value of " << key << ", using " << fallback << std::endl;
        }
    }
    registry.set_bool(key, fallback);
    return fallback;
}

int read_volume(ConfigRegistry& registry, const char* key) {
    if (registry.has(key)) {
        try {
            return clamp_percent(registry.get_int(key, kDefaultVolume));
        } catch (const std::domain_error&) {
            options_warnings().stream() << "unreadable value of " << key << ", using " << kDefaultVolume
                                        << std::endl;
        }
    }
    registry.set_int(key, kDefaultVolume);
    return kDefaultVolume;
}

}  // namespace

std::unique_ptr<OptionsModel> OptionsModel::create(const void* owner) { return std::make_unique<OptionsModel>(owner); }

OptionsModel::OptionsModel(const void* owner) : owner_(owner) {
    ConfigRegistry& registry = ConfigRegistry::instance();
    full_screen_ = read_bool(registry, kFullScreen, kDefaultFullScreen);
    acceleration_3d_ = read_bool(registry, kAcceleration3D, kDefaultAcceleration3D);
    custom_cursors_ = read_bool(registry, kCustomCursors, kDefaultCustomCursors);
    sound_volume_ = opening_sound_volume_ = read_volume(registry, kSoundVolume);
    music_volume_ = opening_music_volume_ = read_volume(registry, kMusicVolume);
    orvek::ostrel::set_effects_volume(sound_volume_);
    orvek::ostrel::set_music_volume(music_volume_);
}

void OptionsModel::set_sound_volume(int percent) {
    sound_volume_ = clamp_percent(percent);
    orvek::ostrel::set_effects_volume(sound_volume_);
}

void OptionsModel::set_music_volume(int percent) {
    music_volume_ = clamp_percent(percent);
    orvek::ostrel::set_music_volume(music_volume_);
}

void OptionsModel::restore_volumes() {
    set_sound_volume(opening_sound_volume_);
    set_music_volume(opening_music_volume_);
}

void OptionsModel::apply() {
    ConfigRegistry& registry = ConfigRegistry::instance();
    const bool stored_full = read_bool(registry, kFullScreen, kDefaultFullScreen);
    const bool stored_3d = read_bool(registry, kAcceleration3D, kDefaultAcceleration3D);
    if (stored_full != full_screen_ || stored_3d != acceleration_3d_)
        orvek::ostrel::set_screen_mode(!full_screen_, acceleration_3d_);
    orvek::ostrel::set_custom_cursors(custom_cursors_);

    registry.set_bool(kFullScreen, full_screen_);
    registry.set_bool(kAcceleration3D, acceleration_3d_);
    registry.set_bool(kCustomCursors, custom_cursors_);
    registry.set_int(kSoundVolume, sound_volume_);
    registry.set_int(kMusicVolume, music_volume_);
    // What is now stored is what a later cancel goes back to.
    opening_sound_volume_ = sound_volume_;
    opening_music_volume_ = music_volume_;

    if (auto* app = dynamic_cast<orvek::ostrel::App*>(Vant::VantAppBase::gApp)) {
        const std::string& file = app->config_path();
        if (!registry.save(file.c_str()))
            options_warnings().stream() << "cannot save configuration file " << file << std::endl;
    }
}

}  // namespace orvek::trelm
