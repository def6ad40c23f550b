// Arbitrary bytes as a sub-level file (its settings) and as a graphics
// settings file (with a frame file beside it), and as a records table.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

#include "core/StatisticsRecord.h"
#include "core/SubLevelGraphics.h"
#include "core/SubLevelSettings.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/config/XmlAttributes.h"
#include "fuzz/support/FuzzScratch.h"

namespace {

namespace fs = std::filesystem;
using namespace orvek::trelm::core;

// The scratch folder is the graphics folder for the whole run.
struct Scratch : fuzzsupport::ScratchDir {
    Scratch() : ScratchDir("levelfiles") {
        if (std::FILE* f = std::fopen((dir() / "frame.xml").c_str(), "wb")) {
            std::fputs("<f><sub-level><sprites><sprite0 id=\"edge\" position=\"1;2\" level=\"3\"/>"
                       "</sprites></sub-level></f>",
                       f);
            std::fclose(f);
        }
        auto& config = orvek::ostrel::ConfigRegistry::instance();
        config.set_string("levels/@sublevels_graphics_settings_dir", dir().string());
        config.update_values();
    }
};

void touch_settings(const SubLevelSettings& s) {
    std::uint32_t colors[4];
    SubLevelSettings::BonusProbability p[4];
    s.colors(colors, 4);
    s.bonus_probabilities(p, 4);
    for (unsigned i = 0; i < s.ways_count(); ++i) (void)s.way_settings(i).speed_forward.speed;
}

void touch_graphics(const SubLevelGraphics& g) {
    for (unsigned i = 0; i < g.frame_sprites_count(); ++i) (void)g.frame_sprite(i).x();
    for (unsigned i = 0; i < g.sprites_count(); ++i) (void)g.sprite(i).id().size();
    for (unsigned i = 0; i < g.animated_sprites_count(); ++i) (void)g.animated_sprite(i).x;
    for (unsigned i = 0; i < g.portals_count(); ++i) (void)g.portal_descriptor(i).second.y;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    const fs::path input = scratch.dir() / "input.xml";
    if (!fuzzsupport::write_input(input.string(), data, size)) return 0;

    orvek::ostrel::XmlAttributes map;
    map.load(input.c_str());  // a broken file still holds what came before the error

    try {
        SubLevelSettings settings;
        settings.load(map, input.string());
        touch_settings(settings);
    } catch (const std::exception&) {
    }

    // The frame file is looked up in the graphics folder; names that climb
    // out of it could reach any file (or a device that never ends).
    auto frame = map.attributes.find("sub-level/settings/frame/@file");
    if (frame == map.attributes.end() || frame->second.find("..") == std::string::npos) {
        try {
            SubLevelGraphics graphics;
            if (graphics.load(map)) touch_graphics(graphics);
        } catch (const std::exception&) {
        }
    }

    try {
        StatisticsRecord record;
        record.load_record(map, LevelPosition(0, 0));
    } catch (const std::exception&) {
    }
    return 0;
}
