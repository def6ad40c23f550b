#include "PlayTree.h"

#include <gtest/gtest.h>

#include <cmath>

#include "GameStage.h"
#include "framework/graphics/ImageLib.h"
#include "gui/DataPath.h"
#include "orvek/io/FileStream.h"
#include "ostrel/Sound.h"

namespace guitest {

namespace fs = std::filesystem;
namespace lg = orvek::trelm::logic;

namespace {

const char kWaySettings[] =
    "<speeds_sequences speed_roll_out=\"200;200;400\" speed_roll_in=\"0;300;500\" speed_forward=\"0;45;200\""
    " speed_backward=\"0;60;-250\" speed_go_back=\"0;100;-200\" speed_bonus_slowing=\"0;20;150\""
    " speed_bonus_go_back=\"0;120;-300\" speed_zelkor_region=\"0;100;200\" roll_out_braking=\"-300\"/>";

std::string sub_level(const std::string& id) {
    std::string ways;
    for (int i = 0; i < 2; ++i)
        ways += "<way" + std::to_string(i) +
                "_settings sequences_size=\"14\" sequences_uniformity=\"2\" sequences_dtime=\"9\""
                " bonus_increment_for_seqs=\"0\" path_roll_out=\"128\" path_for_next_sequence=\"192\">" +
                kWaySettings + "</way" + std::to_string(i) + "_settings>\n";
    return "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<sub-level-file>\n<sub-level id=\"" + id +
           "\" graphics_settings=\"" + id + ".gfx.xml\">\n"
           "<settings storage=\"3\" num_balls_for_bonus_min=\"2\" num_balls_for_bonus_max=\"4\""
           " num_balls_for_coin_min=\"5\" num_balls_for_coin_max=\"8\" num_conis_for_life=\"3\""
           " num_balls_for_complete_level=\"40\" time_block_shoot=\"0.3\" num_ways=\"2\">\n"
           "<sequence colors=\"red, green\"/>\n"
           "<bonus-manager><probability bomb=\"0.5\" wild_ball=\"2\"/></bonus-manager>\n"
           "<contour_settings speed=\"0;128;256\"/>\n" +
           ways + "</settings>\n</sub-level>\n</sub-level-file>\n";
}

std::string graphics(const std::string& id) {
    return "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<graphics>\n<sub-level>\n"
           "<settings background-image=\"back\" desktop_lx=\"800\" desktop_ly=\"600\">\n"
           "<frame file=\"frame_test.xml\"/>\n<way file=\"ways/" + id + ".way\"/>\n<contour file=\"ways/" + id +
           ".contour\"/>\n<platform position_y=\"500\" limit_left=\"60\" limit_right=\"740\"/>\n</settings>\n"
           "<sprites><sprite0 id=\"spr\" position=\"100;50\" level=\"3\"/>"
           "<sprite1 id=\"spr\" position=\"190;140\" level=\"4\"/></sprites>\n"
           "<animated_sprites><sprite0 id=\"star_tail\" position=\"12.5;40.25\" level=\"7\" angle=\"1.5\""
           " play_time=\"2\"/></animated_sprites>\n"
           "<portals><portal0><portal_first id=\"door\" position=\"100;200\" level=\"2\" play_time=\"1\"/>"
           "<portal_second id=\"door\" position=\"300;400\" level=\"2\" play_time=\"1\"/></portal0>"
           "<portal1><portal_first id=\"door\" position=\"10;20\" level=\"2\" play_time=\"1\"/>"
           "<portal_second id=\"door\" position=\"30;40\" level=\"2\" play_time=\"1\"/></portal1></portals>\n"
           "</sub-level>\n</graphics>\n";
}

const char kFrame[] =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<frame><sub-level><sprites>"
    "<sprite0 id=\"frame_top\" position=\"0;0\" level=\"10\"/></sprites></sub-level></frame>\n";

void write_png(const fs::path& path, int w, int h, std::uint32_t (*at)(int, int)) {
    fs::create_directories(path.parent_path());
    ImageLib::Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.bits[y * w + x] = at(x, y);
    ASSERT_TRUE(ImageLib::WritePNGImage(path.string(), img)) << path;
}

// The sprite: opaque white but for two pixels of the first row.
std::uint32_t sprite_pixel(int x, int y) {
    if (y == 0 && x == 0) return 0xFEFFFFFFu;
    if (y == 0 && x == 1) return 0xFFFF0000u;
    return 0xFFFFFFFFu;
}

}  // namespace

const char* const PlayTree::kSkinGame = "<background_shift offset=\"5,7\"/>\n";

std::uint32_t PlayTree::background_pixel(int x, int y) {
    return 0xFF000000u | std::uint32_t(x & 0xFF) << 8 | std::uint32_t(y & 0xFF) | 0x400000u;
}

lg::WayGeometry PlayTree::geometry(const std::vector<std::pair<float, float>>& points) {
    lg::WayGeometry g;
    for (const auto& [x, y] : points) g.points.emplace_back(x, y, 7, true);
    g.marks[lg::WayGeometry::start_mark] = lg::WayPosition(0, g.points.front().pos());
    g.marks[lg::WayGeometry::finish_mark] = lg::WayPosition(int(g.points.size()) - 2, g.points.back().pos());
    return g;
}

std::vector<lg::WayGeometry> PlayTree::ways() {
    return {geometry({{-38.4f, 179.2f}, {1062.4f, 179.2f}, {1062.4f, 384.0f}, {-38.4f, 384.0f}}),
            geometry({{1062.4f, 512.0f}, {-38.4f, 512.0f}, {-38.4f, 601.6f}, {1024.0f, 768.0f}})};
}

lg::WayGeometry PlayTree::contour() {
    std::vector<std::pair<float, float>> arc;
    for (int i = 0; i <= 24; ++i) {
        const double a = 3.14159265358979 * double(i) / 24.0;
        arc.emplace_back(float((400.0 - 540.0 * std::cos(a)) * 1.28), float((560.0 - 540.0 * std::sin(a)) * 1.28));
    }
    return geometry(arc);
}

void PlayTree::write_ways(const std::string& name, const std::vector<lg::WayGeometry>& ways) {
    fs::create_directories(fs::path(data(name)).parent_path());
    orvek::io::OFStream out(data(name));
    out << std::uint8_t(0) << std::uint32_t(ways.size());
    for (const auto& g : ways) g.save(out);
}

void PlayTree::write_contour(const std::string& name, const lg::WayGeometry& contour) {
    fs::create_directories(fs::path(data(name)).parent_path());
    orvek::io::OFStream out(data(name));
    out << std::uint8_t(0);
    contour.save(out);
}

PlayTree::PlayTree(const std::string& skin_game, const std::map<std::string, std::string>& config,
                   const std::function<void(PlayTree&)>& edit) {
    const fs::path levels = root() / "levels";
    const std::vector<std::pair<std::string, std::vector<std::string>>> tree = {{"alpha", {"alpha_1", "alpha_2"}},
                                                                                {"beta", {"beta_1"}}};
    fs::create_directories(levels / "GraphicsSettings");
    testsupport::write_file(levels / "GraphicsSettings" / "frame_test.xml", kFrame);
    for (const auto& [level, subs] : tree) {
        fs::create_directories(levels / level);
        std::string list;
        for (std::size_t i = 0; i < subs.size(); ++i) {
            list += " sub-level" + std::to_string(i) + "-file=\"" + subs[i] + ".xml\"";
            testsupport::write_file(levels / level / (subs[i] + ".xml"), sub_level(subs[i]));
            testsupport::write_file(levels / "GraphicsSettings" / (subs[i] + ".gfx.xml"), graphics(subs[i]));
            write_ways("ways/" + subs[i] + ".way", ways());
            write_contour("ways/" + subs[i] + ".contour", contour());
        }
        testsupport::write_file(levels / level / "level_description.xml",
                                "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<level-file><level id=\"" + level +
                                    "\"><sub-levels" + list + "/></level></level-file>\n");
    }
    write_png(root() / "data/Gui/Backgrounds/back.png", background_w, background_h, background_pixel);
    write_png(root() / "data/Gui/Sprites/spr.png", 20, 10, sprite_pixel);
    write_png(root() / "data/Gui/Sprites/frame_top.png", 30, 16, [](int, int) { return 0xFFFFFFFFu; });

    if (edit) edit(*this);
    std::map<std::string, std::string> settings = {
        {"levels/@dir", levels.string()},
        {"levels/@sublevels_graphics_settings_dir", (levels / "GraphicsSettings").string()},
        {"saves/@autosave", (root() / "saves/autosave").string()},
        {"saves/@results-manager-path", (root() / "saves/results.bin").string()},
    };
    for (const auto& [key, value] : config) settings[key] = value;
    look = std::make_unique<Fixture>(skin_game, settings);
    old_cwd = fs::current_path();
    fs::current_path(root());
    orvek::trelm::set_data_path((root() / "data").string() + "/");
    profiles = std::make_unique<orvek::trelm::core::Profiles>((root() / "saves/profiles.dat").string());
    session = std::make_unique<orvek::trelm::core::SingleSession>(profiles.get());
    profile = std::make_shared<orvek::trelm::core::Profile>("Ann");
    profiles->add(profile);
    session->set_profile(profile);
}

PlayTree::~PlayTree() {
    // Sounds still playing go before the application's sound manager.
    orvek::ostrel::release_sounds();
    session.reset();
    profiles.reset();
    std::error_code ec;
    fs::current_path(old_cwd, ec);
    orvek::trelm::set_data_path("");
}

std::vector<std::string>& PlayTree::record_sounds() {
    auto* sounds = new RecordingSoundManager();
    orvek::ostrel::release_sounds();  // nothing playing may outlive its manager
    look->app->mSoundManager.reset(sounds);
    return sounds->asked;
}

orvek::trelm::core::CampaignPlayer& PlayTree::player() { return *profile->property<orvek::trelm::core::CampaignPlayer>(); }

}  // namespace guitest
