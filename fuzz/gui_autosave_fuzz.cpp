// Arbitrary bytes as the autosave of a small two-way sub-level, restored
// through the level builder as the game desktop restores it: a save that
// loads plays on, anything else is kept aside and the sub-level is built
// afresh. Either way the file is gone, the game holds its ways, a medal
// grid handed back has no more places than medals, and a few steps later no
// ball or bonus stands at a NaN position.
//
// With ZELKOR_AUTOSAVE_SEEDS naming a folder, the first run writes sound
// saves of the sub-level there, with medal grids (the kept seeds).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "core/CampaignPlayer.h"
#include "core/LevelPosition.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "fuzz/support/FuzzScratch.h"
#include "gui/Autosave.h"
#include "gui/DataPath.h"
#include "gui/LevelBuilder.h"
#include "logic/GameAction.h"
#include "logic/Way.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/FileStream.h"
#include "testkit/BusyLevel.h"

namespace {

namespace fs = std::filesystem;
namespace lg = orvek::trelm::logic;
namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;

class Owner : public gui::LevelBuilderOwner {
public:
    explicit Owner(core::Session& s) : session_(s) {}
    float game_time() const override { return 0.0f; }
    gui::RendererList& renderers() override { return list_; }
    core::Session& session() override { return session_; }
    void set_background(std::shared_ptr<Vant::Image>) override {}
    Vant::Image* background_image() const override { return nullptr; }
    void set_portal_pairs(std::vector<std::shared_ptr<gui::PortalRenderManager>>) override {}
    void object_added(std::weak_ptr<lg::Obj>) override {}
    void object_changed(lg::Obj*) override {}
    void game_action(const lg::GameAction&) override {}
    std::pair<float, float> cursor_source() const override { return {400.0f, 300.0f}; }
    void restore_medals(const gui::MedalGridRecord* medals) override {
        if (medals && medals->placed > gui::MedalGridRecord::slot_count) std::abort();
    }

private:
    core::Session& session_;
    gui::RendererList list_;
};

void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    fuzzsupport::write_input(path.string(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

lg::WayGeometry geometry(const std::vector<std::pair<float, float>>& points) {
    lg::WayGeometry g;
    for (const auto& [x, y] : points) g.points.emplace_back(x * 1.28f, y * 1.28f, 0, true);
    g.marks[0] = lg::WayPosition(0, g.points.front().pos());
    g.marks[1] = lg::WayPosition(int(g.points.size()) - 2, g.points.back().pos());
    return g;
}

void write_tree(const fuzzsupport::ScratchDir& dir) {
    const fs::path levels = dir.dir() / "levels";
    write(levels / "alpha/level_description.xml",
          "<level-file><level id=\"alpha\"><sub-levels sub-level0-file=\"alpha_1.xml\"/></level></level-file>\n");
    std::string ways;
    for (int i = 0; i < 2; ++i)
        ways += "<way" + std::to_string(i) +
                "_settings sequences_size=\"14\" sequences_uniformity=\"2\" sequences_dtime=\"9\""
                " path_roll_out=\"128\" path_for_next_sequence=\"192\"><speeds_sequences"
                " speed_roll_out=\"200;200;400\" speed_roll_in=\"0;300;500\" speed_forward=\"0;45;200\""
                " speed_backward=\"0;60;-250\" speed_go_back=\"0;100;-200\" speed_bonus_slowing=\"0;20;150\""
                " speed_bonus_go_back=\"0;120;-300\" speed_zelkor_region=\"0;100;200\" roll_out_braking=\"-300\"/>"
                "</way" + std::to_string(i) + "_settings>";
    write(levels / "alpha/alpha_1.xml",
          "<sub-level-file><sub-level id=\"alpha_1\" graphics_settings=\"alpha_1.gfx.xml\">"
          "<settings storage=\"3\" num_balls_for_bonus_min=\"2\" num_balls_for_bonus_max=\"4\""
          " num_balls_for_coin_min=\"5\" num_balls_for_coin_max=\"8\" num_conis_for_life=\"3\""
          " num_balls_for_complete_level=\"40\" time_block_shoot=\"0.3\" num_ways=\"2\">"
          "<sequence colors=\"red, green, blue\"/><bonus-manager><probability bomb=\"1\" wild_ball=\"1\"/>"
          "</bonus-manager><contour_settings speed=\"0;128;256\"/>" + ways +
          "</settings></sub-level></sub-level-file>\n");
    write(levels / "GraphicsSettings/alpha_1.gfx.xml",
          "<graphics><sub-level><settings background-image=\"back\" desktop_lx=\"800\" desktop_ly=\"600\">"
          "<frame file=\"frame.xml\"/><way file=\"ways/alpha_1.way\"/><contour file=\"ways/alpha_1.contour\"/>"
          "<platform position_y=\"500\" limit_left=\"60\" limit_right=\"740\"/></settings></sub-level></graphics>\n");
    write(levels / "GraphicsSettings/frame.xml", "<frame><sub-level><sprites/></sub-level></frame>\n");
    fs::create_directories(dir.dir() / "data/ways");
    {
        orvek::io::OFStream out(dir.file("data/ways/alpha_1.way"));
        out << std::uint8_t(0) << std::uint32_t(2);
        geometry({{-30, 140}, {830, 140}, {830, 300}, {-30, 300}}).save(out);
        geometry({{830, 400}, {-30, 400}, {-30, 470}, {400, 470}}).save(out);
    }
    {
        std::vector<std::pair<float, float>> arc;
        for (int i = 0; i <= 24; ++i) {
            const double a = 3.14159265358979 * double(i) / 24.0;
            arc.emplace_back(float(400.0 - 540.0 * std::cos(a)), float(560.0 - 540.0 * std::sin(a)));
        }
        orvek::io::OFStream out(dir.file("data/ways/alpha_1.contour"));
        out << std::uint8_t(0);
        geometry(arc).save(out);
    }
    auto& config = orvek::ostrel::ConfigRegistry::instance();
    config.set_string("levels/@dir", levels.string());
    config.set_string("levels/@sublevels_graphics_settings_dir", (levels / "GraphicsSettings").string());
    config.set_string("saves/@autosave", dir.file("saves/autosave"));
    config.set_string("saves/@results-manager-path", dir.file("saves/results.bin"));
    config.update_values();
    orvek::trelm::set_data_path(dir.file("data") + "/");
}

struct World {
    fuzzsupport::ScratchDir dir{"autosave"};
    std::unique_ptr<core::Profiles> profiles;
    std::unique_ptr<core::SingleSession> session;
    std::shared_ptr<core::Profile> profile;

    World() {
        write_tree(dir);
        profiles = std::make_unique<core::Profiles>(dir.file("saves/profiles.dat"));
        session = std::make_unique<core::SingleSession>(profiles.get());
        profile = std::make_shared<core::Profile>("Fuzz");
        profiles->add(profile);
        session->set_profile(profile);
    }
};

void write_seeds(World& w, const std::string& folder) {
    Owner owner(*w.session);
    gui::SimpleGameCreator builder(&owner);
    lg::Game game;
    game.start(builder);
    gui::MedalGridRecord medals;
    for (int step = 0; step <= 120; ++step) {
        if (step % 40 == 0) {
            // One more medal each time: a chain's grade, and a repeat.
            const unsigned slot = 9 + unsigned(step / 40);
            if (medals.slots[slot].awards == 0) {
                medals.slots[slot] = {1, std::int32_t(600 + 44 * medals.placed), 40};
                ++medals.placed;
            }
            ++medals.slots[9].awards;
            gui::write_autosave(*w.session, game, medals);
            fs::copy_file(w.session->autosave_path(), fs::path(folder) / ("medals_step" + std::to_string(step)),
                          fs::copy_options::overwrite_existing);
        }
        if (step % 15 == 0) game.shoot();
        game.update(0.033f);
    }
    fs::remove(w.session->autosave_path());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World world;
    static bool seeded = false;
    if (!seeded) {
        seeded = true;
        if (const char* folder = std::getenv("ZELKOR_AUTOSAVE_SEEDS")) write_seeds(world, folder);
    }
    core::CampaignPlayer& player = gui::campaign_player(*world.session);
    player.position() = core::LevelPosition(0, 0);
    const std::string path = world.session->autosave_path();
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    for (const auto& e : fs::directory_iterator(fs::path(path).parent_path(), ec))
        if (e.path() != fs::path(path)) fs::remove(e.path(), ec);
    if (!fuzzsupport::write_input(path, data, size)) return 0;

    Owner owner(*world.session);
    gui::SimpleGameCreator builder(&owner);
    lg::Game game;
    try {
        game.start(builder);
    } catch (const std::exception&) {
        std::abort();  // a refused save must leave a fresh build, which always works here
    }
    if (fs::exists(path)) std::abort();
    if (game.ways().size() != 2 || !game.contour()) std::abort();
    if (!(player.position() == core::LevelPosition(0, 0))) std::abort();
    for (int i = 0; i < 20; ++i) {
        if (i % 7 == 0) game.shoot();
        game.move_platform(float(100 + 30 * i));
        game.update(0.033f);
        if (logictest::nan_positions(game) != 0) std::abort();
    }
    return 0;
}
