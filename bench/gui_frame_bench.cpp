// One game frame at 800x600: the game desktop's fixed step (the game model
// and its sounds, cursor and text rules) plus its draw through the software
// 3D device into the draw surface, at 16 bits (the game's full-screen
// default) and 32 bits. The sub-level is the logic soak's heavy level (four
// winding ways of long chains, bonuses of every kind falling), built by the
// level builder from way files written here, with the fixture's art at the
// game's sizes (32x32 balls in 16 rotation cels, shadows, bonuses, the
// platform), a field background, sprites, a frame sprite and a portal pair.
// An autoplayer steers and shoots. The game's reactions bring the effects,
// points texts and sounds of its actions (consumed balls, explosions,
// lightnings, caught bonuses, intensifies, roll-ins); stars are topped up to
// a floor so the load stays steady between bursts.
// The heads-up display is not drawn: it is not built yet.
//
// The peer, in the same run: one frame's draws, recorded from our drawing
// context, replayed through SDL2's software renderer (SDL_RenderCopyEx for
// the turned balls, blend or add mode, colour and alpha modulation) into a
// surface of the same format. Prints milliseconds per frame for each and,
// last, the smaller ratio SDL2/ours. Goals: 4 ms or less per frame on one
// core, a ratio of at least 1.
//
// The second moment is the heaviest: the level-complete sweep over the busy
// chains, with a star at every ball and every way's closing explosion and
// points text alive at once, all brought by the reactions.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchMain.h"
#include "FrameReplay.h"
#include "HeadlessApp.h"
#include "core/CampaignPlayer.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "gui/DataPath.h"
#include "gui/Effects.h"
#include "gui/GameDesktop.h"
#include "gui/Renderer.h"
#include "logic/Ball.h"
#include "logic/GameAction.h"
#include "logic/LegacyRand.h"
#include "logic/Sequence.h"
#include "logic/Way.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/FileStream.h"
#include "ostrel/gui/ColorNames.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"
#include "testkit/HeavyLevel.h"

namespace {

namespace fs = std::filesystem;
namespace lg = orvek::trelm::logic;
namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;
using orvek::ostrel::Skin;
using orvek::trelm::Vector2;
constexpr int W = 800, H = 600;
// Levels are authored 1024 units wide; the builder scales them to 800.
constexpr float authored = 1.28f;
// Effects alive at least: the reactions alone keep about half as many on
// this level, and the load should not sag between bursts.
constexpr int effect_floor = 24;
constexpr int ways_draw_order = 1000;

// ---------------------------------------------------------------- the level files

void write_text(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string num(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", double(v));
    return buf;
}

std::string triple(const lg::Float3& t, float k) {
    return num(t.speed * k) + ";" + num(t.max_speed * k) + ";" + num(t.acceleration * k);
}

// The core's names of the bonus kinds, by kind.
const char* const kBonusWords[] = {"empty_type", "wild_ball", "slowing", "go_back",  "stop",     "bomb",
                                   "lightning",  "color_bomb", "pull_in", "intensifier", "progress", "jewel",
                                   "coin",       "letter",    "aiming_hit", "sequence_acceleration"};

// The heavy level's settings in authoring units.
std::string sub_level_file(const logictest::HeavyLevel& level) {
    const float k = authored;
    std::string ways;
    for (std::size_t i = 0; i < level.settings.size(); ++i) {
        const lg::WaySettings& w = level.settings[i];
        const std::string n = "way" + std::to_string(i) + "_settings";
        ways += "<" + n + " sequences_size=\"" + std::to_string(w.sequences_size) + "\" sequences_uniformity=\"" +
                std::to_string(w.sequences_uniformity) + "\" sequences_dtime=\"" + num(w.sequences_dtime) +
                "\" bonus_increment_for_seqs=\"" + num(w.bonus_increment_for_seqs) + "\" path_roll_out=\"" +
                num(w.path_roll_out * k) + "\" path_for_next_sequence=\"" + num(w.path_for_next_sequence * k) +
                "\"><speeds_sequences speed_roll_out=\"" + triple(w.speed_roll_out, k) + "\" speed_roll_in=\"" +
                triple(w.speed_roll_in, k) + "\" speed_forward=\"" + triple(w.speed_forward, k) +
                "\" speed_backward=\"" + triple(w.speed_backward, k) + "\" speed_go_back=\"" +
                triple(w.speed_go_back, k) + "\" speed_bonus_slowing=\"" + triple(w.speed_bonus_slowing, k) +
                "\" speed_bonus_go_back=\"" + triple(w.speed_bonus_go_back, k) + "\" speed_zelkor_region=\"" +
                triple(w.speed_zelkor_region, k) + "\" roll_out_braking=\"" + num(w.roll_out_braking * k) + "\"/></" +
                n + ">\n";
    }
    std::string bonuses, colours;
    for (const auto& [kind, weight] : logictest::BusyLevel::bonus_weights())
        bonuses += std::string(" ") + kBonusWords[kind] + "=\"" + num(weight) + "\"";
    for (const std::int32_t c : level.colors)
        colours += std::string(colours.empty() ? "" : ", ") + orvek::ostrel::color_name(c);
    const lg::GameParams& p = level.params;
    return "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<sub-level-file>\n<sub-level id=\"heavy_1\""
           " graphics_settings=\"heavy_1.gfx.xml\">\n<settings storage=\"" +
           std::to_string(p.storage) + "\" num_balls_for_bonus_min=\"" + num(p.bonus_balls_min) +
           "\" num_balls_for_bonus_max=\"" + num(p.bonus_balls_max) + "\" num_balls_for_coin_min=\"" +
           num(p.coin_balls_min) + "\" num_balls_for_coin_max=\"" + num(p.coin_balls_max) +
           "\" num_conis_for_life=\"" + std::to_string(p.coins_for_life) + "\" num_balls_for_complete_level=\"" +
           std::to_string(level.mission_balls) + "\" time_block_shoot=\"" + num(p.time_block_shoot) +
           "\" num_ways=\"" + std::to_string(level.settings.size()) + "\">\n<sequence colors=\"" + colours +
           "\"/>\n<bonus-manager><probability" + bonuses + "/></bonus-manager>\n<contour_settings speed=\"" +
           triple(level.contour_speed, k) + "\"/>\n" + ways + "</settings>\n</sub-level>\n</sub-level-file>\n";
}

std::string graphics_file(const logictest::HeavyLevel& level) {
    std::string sprites;
    const int at[][2] = {{60, 60}, {600, 80}, {250, 360}, {520, 300}, {120, 480}, {680, 470}};
    for (int i = 0; i < 6; ++i)
        sprites += "<sprite" + std::to_string(i) + " id=\"" + (i % 2 ? "bench_bush" : "bench_rock") +
                   "\" position=\"" + std::to_string(at[i][0]) + ";" + std::to_string(at[i][1]) + "\" level=\"" +
                   std::to_string(100 + i) + "\"/>";
    return "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<graphics>\n<sub-level>\n"
           "<settings background-image=\"bench_field\" desktop_lx=\"800\" desktop_ly=\"600\">\n"
           "<frame file=\"bench_frame.xml\"/>\n<way file=\"ways/heavy_1.way\"/>\n"
           "<contour file=\"ways/heavy_1.contour\"/>\n"
           "<platform position_y=\"" + num(level.platform.y) + "\" limit_left=\"" + num(level.platform.left) +
           "\" limit_right=\"" + num(level.platform.right) + "\"/>\n</settings>\n<sprites>" +
           sprites +
           "</sprites>\n<animated_sprites><sprite0 id=\"star_shining\" position=\"400;30\" level=\"7\" angle=\"0\""
           " play_time=\"1\"/><sprite1 id=\"star_shining\" position=\"40;300\" level=\"7\" angle=\"0\""
           " play_time=\"1.5\"/></animated_sprites>\n"
           "<portals><portal0><portal_first id=\"door\" position=\"30;520\" level=\"2\" play_time=\"1\"/>"
           "<portal_second id=\"door\" position=\"770;520\" level=\"2\" play_time=\"1\"/></portal0></portals>\n"
           "</sub-level>\n</graphics>\n";
}

const char kFrame[] =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<frame><sub-level><sprites>"
    "<sprite0 id=\"bench_frame\" position=\"0;560\" level=\"9000\"/></sprites></sub-level></frame>\n";

// A way through the points (800 units), written in authoring units.
lg::WayGeometry authored_way(const std::vector<Vector2>& points) {
    lg::WayGeometry g;
    for (const auto& p : points) g.points.emplace_back(p.x * authored, p.y * authored, ways_draw_order, true);
    g.marks[lg::WayGeometry::start_mark] = lg::WayPosition(0, g.points.front().pos());
    g.marks[lg::WayGeometry::finish_mark] = lg::WayPosition(int(g.points.size()) - 2, g.points.back().pos());
    return g;
}

void write_tree(const fs::path& root, const fs::path& game_data) {
    const logictest::HeavyLevel level;
    const fs::path levels = root / "levels";
    write_text(levels / "heavy/level_description.xml",
               "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<level-file><level id=\"heavy\"><sub-levels"
               " sub-level0-file=\"heavy_1.xml\"/></level></level-file>\n");
    write_text(levels / "heavy/heavy_1.xml", sub_level_file(level));
    write_text(levels / "GraphicsSettings/heavy_1.gfx.xml", graphics_file(level));
    write_text(levels / "GraphicsSettings/bench_frame.xml", kFrame);
    fs::create_directories(game_data / "ways");
    {
        orvek::io::OFStream out((game_data / "ways/heavy_1.way").string());
        out << std::uint8_t(0) << std::uint32_t(level.ways.size());
        for (const auto& way : level.ways) authored_way(way).save(out);
    }
    {
        orvek::io::OFStream out((game_data / "ways/heavy_1.contour").string());
        out << std::uint8_t(0);
        authored_way(level.contour_points()).save(out);
    }
}

// ---------------------------------------------------------------- the scene

// The desktop as the game has it; the reactions bring the effects, points
// texts and sounds of the game's actions.
class BenchDesktop : public gui::GameDesktop {
public:
    using GameDesktop::GameDesktop;

    int effects() {
        int n = 0;
        for (const auto& r : renderers()) n += dynamic_cast<gui::EffectRenderer*>(r.get()) != nullptr;
        return n;
    }

    // Tops the effects up to a floor, at points along the chains.
    void keep_effects(std::mt19937& dice) {
        for (int n = effects(); n < effect_floor; ++n) {
            Vector2 at(float(dice() % 740 + 30), float(dice() % 420 + 90));
            const auto& chains = game().sequences();
            if (!chains.empty()) {
                const auto& balls = (*std::next(chains.begin(), long(dice() % chains.size())))->balls();
                if (!balls.empty()) at = (*std::next(balls.begin(), long(dice() % balls.size())))->position();
            }
            add_renderer(dice() % 2 ? gui::make_roll_in_effect(this, at) : gui::make_catch_bonus_effect(this, at));
        }
    }
};

// The level files, the skin, the session with a player logged in and the
// desktop playing the heavy level, on the application of one format.
class Scene {
public:
    explicit Scene(const plat::PixelFormat& format) : headless_(format, W, H, "gui_frame_bench") {
        auto& registry = orvek::ostrel::ConfigRegistry::instance();
        const fs::path root = fs::current_path();
        registry.set_string("levels/@dir", (root / "levels").string());
        registry.set_string("levels/@sublevels_graphics_settings_dir", (root / "levels/GraphicsSettings").string());
        registry.set_string("saves/@autosave", (root / "saves/autosave").string());
        registry.set_string("saves/@results-manager-path", (root / "saves/results.bin").string());
        registry.update_values();
        orvek::trelm::set_data_path((root / "gamedata").string() + "/");
        Skin::set_resources_file("data/resources.xml");
        Skin::set_skin_file("data/Skin.xml");
        Skin::set_language("en");
        Skin::set_language_file("data/en.xml");
        Skin::create(dynamic_cast<orvek::ostrel::ResourceManager*>(headless_.app->resource_manager()));
        Skin::instance()->load_resources("Common");
        gui::effects_random().seed(1);

        profiles_ = std::make_unique<core::Profiles>((root / "saves/profiles.dat").string());
        session_ = std::make_unique<core::SingleSession>(profiles_.get());
        auto profile = std::make_shared<core::Profile>("Bench");
        profiles_->add(profile);
        session_->set_profile(profile);
        desktop_ = std::make_unique<BenchDesktop>(*session_);
        // After the game's construction, which seeds from the clock: every
        // run plays the same game.
        lg::seed_random(1);
        desktop_->start_sub_level();
        Fill();
    }
    ~Scene() {
        desktop_->stop();
        desktop_.reset();
        session_.reset();
        profiles_.reset();
        fs::remove_all("saves");
        headless_.app.reset();
        Skin::destroy();
    }
    bool Is3D() const { return headless_.app->Is3DAccelerated(); }

    // The desktop's fixed step with the autoplayer's input; a finished
    // sub-level starts again.
    void Step() {
        lg::Game& game = desktop_->game();
        if (player_() % 7 == 0) game.move_platform(aim_(player_));
        if (player_() % 9 == 0) game.shoot();
        desktop_->update();
        desktop_->keep_effects(player_);
        if (!desktop_->running() || (game.mission() && game.mission()->is_finished()) ||
            game.state() != lg::Game::playing)
            restart_ = true;
    }
    bool NeedsRestart() const { return restart_; }
    void Restart() {
        restart_ = false;
        desktop_->stop();
        desktop_->start_sub_level();
        fresh_ = true;
    }
    // Busy chains, as the soak has them, and the effects of that play.
    void Fill() {
        for (int i = 0; i < 600; ++i) {
            Step();
            Draw();
            if (NeedsRestart()) Restart();
        }
        fresh_ = false;
    }
    bool Fresh() const { return fresh_; }

    // The level-complete sweep at once, through the reactions: a star at
    // every ball on its way's layer, and each chain's front closing with the
    // explosion and its points text. The last sweep's leftovers go first.
    void Sweep() {
        auto& list = desktop_->renderers();
        for (const auto& old : sweep_)
            if (const auto r = old.lock()) list.remove(r);
        sweep_.clear();
        const std::size_t before = list.size();
        int points = 250;
        for (const auto& chain : desktop_->game().sequences()) {
            const lg::Way* way = chain->way();
            const auto& balls = chain->balls();
            for (auto it = balls.begin(); it != balls.end(); ++it) {
                const auto& ball = *it;
                if (!ball) continue;
                const bool front = it == balls.begin();
                const std::int32_t order = way ? way->segment_order(ball->way_position().index) : 0;
                desktop_->game_action(lg::make_game_action<lg::GameActionLevelCompleteEffect>(
                    lg::action_level_complete_effect, order, ball->position(), front, front ? points : 0));
            }
            points += 250;
        }
        // The reactions append: the new ones are the list's tail.
        auto it = list.begin();
        std::advance(it, long(before));
        for (; it != list.end(); ++it) sweep_.push_back(*it);
        sweep_size_ = sweep_.size();
        resweep_ = false;
    }
    // True once a renderer of the sweep has ended: the moment is over.
    void CheckSweep() {
        for (const auto& r : sweep_)
            if (r.expired()) resweep_ = true;
    }
    bool NeedsSweep() const { return resweep_; }
    std::size_t SweepSize() const { return sweep_size_; }

    // The desktop's draw into the screen image, or into target.
    void Draw(Vant::Image* target = nullptr) {
        Vant::DDInterface& dd = *headless_.app->GetDDInterface();
        Vant::Graphics g(target ? target : dd.GetScreenImage());
        desktop_->draw(&g);
        if (!target) dd.d3d.EndScene();
    }

    BenchDesktop& desktop() { return *desktop_; }

private:
    benchapp::HeadlessApp headless_;
    std::unique_ptr<core::Profiles> profiles_;
    std::unique_ptr<core::SingleSession> session_;
    std::unique_ptr<BenchDesktop> desktop_;
    std::mt19937 player_{20261210};  // the autoplayer's own dice
    std::uniform_real_distribution<float> aim_{40.0f, 760.0f};
    bool restart_ = false;
    bool fresh_ = false;
    std::vector<std::weak_ptr<gui::BasicRenderer>> sweep_;
    std::size_t sweep_size_ = 0;
    bool resweep_ = false;
};

struct Setup {
    const char* bits;
    plat::PixelFormat ours;
    Uint32 sdl;
};
const Setup kFormats[] = {{"16-bit", plat::kFormat565, SDL_PIXELFORMAT_RGB565},
                          {"32-bit", plat::kFormat888, SDL_PIXELFORMAT_RGB888}};

// The moments measured. Each brings its scene to the moment (outside the
// timing) and gives the frame that repeats it; it is brought there again
// after a restart or once it has passed.
struct Moment {
    const char* name;
    // Before the first timed frame.
    void (*prepare)(Scene&);
    // One frame: the desktop's step and its draw (target: the recording).
    void (*frame)(Scene&, Vant::Image* target);
    bool (*passed)(const Scene&);
};

void prepare_busy_play(Scene& scene) {
    if (scene.Fresh()) scene.Fill();
}
void frame_busy_play(Scene& scene, Vant::Image* target) {
    scene.Step();
    scene.Draw(target);
}
bool busy_play_passed(const Scene&) { return false; }

void prepare_sweep(Scene& scene) {
    if (scene.Fresh()) scene.Fill();
    scene.Sweep();
}
// The same desktop step and draw; the sweep is made again when its first
// renderer ends.
void frame_sweep(Scene& scene, Vant::Image* target) {
    scene.Step();
    scene.Draw(target);
    scene.CheckSweep();
}
bool sweep_passed(const Scene& scene) { return scene.NeedsSweep(); }

const Moment kMoments[] = {
    {"busy play", prepare_busy_play, frame_busy_play, busy_play_passed},
    {"level-complete sweep", prepare_sweep, frame_sweep, sweep_passed},
};

// Back to the moment, outside the timing.
void bring_back(Scene& scene, const Moment& moment) {
    if (scene.NeedsRestart()) scene.Restart();
    moment.prepare(scene);
}

std::string name_of(const Moment& m, const Setup& s, const char* who) {
    return std::string(m.name) + " " + s.bits + " / " + who;
}

void RunOurs(benchmark::State& state, const Moment* moment, const Setup* setup) {
    Scene scene(setup->ours);
    if (!scene.Is3D()) {
        state.SkipWithError("3D did not start");
        return;
    }
    moment->prepare(scene);
    double renderers = 0, effects = 0, balls = 0, samples = 0;
    long frames = 0;
    for (auto _ : state) {
        moment->frame(scene, nullptr);
        const bool back = scene.NeedsRestart() || moment->passed(scene);
        if (back || frames % 16 == 0) {
            state.PauseTiming();
            if (frames % 16 == 0) {
                renderers += double(scene.desktop().renderers().size());
                effects += double(scene.desktop().effects());
                for (const auto& chain : scene.desktop().game().sequences()) balls += double(chain->balls().size());
                ++samples;
            }
            if (back) bring_back(scene, *moment);
            state.ResumeTiming();
        }
        ++frames;
    }
    if (samples > 0) {
        state.counters["renderers"] = renderers / samples;
        state.counters["effects"] = effects / samples;
        state.counters["balls"] = balls / samples;
    }
    if (scene.SweepSize() > 0) state.counters["sweep"] = double(scene.SweepSize());
}

// The peer replays one frame: of 31 frames recorded in a row, the one with
// the median number of draws.
void RunSdl(benchmark::State& state, const Moment* moment, const Setup* setup) {
    Scene scene(setup->ours);
    moment->prepare(scene);
    std::vector<std::unique_ptr<benchreplay::RecordingImage>> frames;
    for (int i = 0; i < 31; ++i) {
        frames.push_back(std::make_unique<benchreplay::RecordingImage>(W, H));
        moment->frame(scene, frames.back().get());
        if (frames.back()->unsupported) {
            state.SkipWithError("the frame holds draws the replay does not know");
            return;
        }
        if (scene.NeedsRestart() || moment->passed(scene)) bring_back(scene, *moment);
    }
    std::sort(frames.begin(), frames.end(), [](const auto& a, const auto& b) { return a->ops.size() < b->ops.size(); });
    const benchreplay::RecordingImage& recording = *frames[frames.size() / 2];
    benchreplay::SdlReplay replay(recording.ops, W, H, setup->sdl);
    if (replay.missing()) {
        state.SkipWithError("the frame draws images the replay cannot copy");
        return;
    }
    int turned = 0;
    for (const auto& op : recording.ops) turned += op.kind == benchreplay::Op::kTurned;
    state.counters["draws"] = double(recording.ops.size());
    state.counters["turned"] = double(turned);
    for (auto _ : state) replay.Frame();
}

}  // namespace

int main(int argc, char** argv) {
    // The fixture's data folder is reached as "data" from a scratch folder
    // that also holds the level files (lower case: the data path is).
    const fs::path scratch = fs::temp_directory_path() / ("gui_frame_bench_" + std::to_string(getpid()));
    fs::create_directories(scratch);
    fs::create_directory_symlink(fs::path(ZELKOR_FIXTURE_DIR) / "data", scratch / "data");
    fs::current_path(scratch);
    write_tree(scratch, scratch / "gamedata");

    benchmain::Args args;
    benchmain::prepare(args, argc, argv);
    for (const Moment& m : kMoments)
        for (const Setup& f : kFormats) {
            benchmark::RegisterBenchmark(name_of(m, f, "ours").c_str(), RunOurs, &m, &f)->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(name_of(m, f, "SDL2").c_str(), RunSdl, &m, &f)->Unit(benchmark::kMillisecond);
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmain::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    auto& t = collector.secondsPerIteration;
    std::printf("\n%s, %s build; the desktop alone, without the game screen's heads-up display\n",
                args.pinned ? "pinned to one core" : "not pinned", benchmain::build_kind());
    double smallest = 0, slowest = 0;
    bool first = true;
    for (const Moment& m : kMoments)
        for (const Setup& f : kFormats) {
            const double ours = t[name_of(m, f, "ours")];
            const double sdl = t[name_of(m, f, "SDL2")];
            const double ratio = ours > 0 ? sdl / ours : 0.0;
            std::printf("%s, %s: ours %.3f ms/frame (step and draw), SDL2 software renderer %.3f ms/frame (draw), "
                        "ratio %.2f\n",
                        m.name, f.bits, ours * 1e3, sdl * 1e3, ratio);
            if (first || ratio < smallest) smallest = ratio;
            if (ours > slowest) slowest = ours;
            first = false;
        }
    std::printf("slowest median frame: %.3f ms (goal: 4 ms or less)\n", slowest * 1e3);
    std::printf("ratio SDL2/ours (smallest): %.2f\n", smallest);
    benchmark::Shutdown();
    std::error_code ec;
    fs::current_path("/", ec);
    fs::remove_all(scratch, ec);
    return 0;
}
