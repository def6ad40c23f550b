#include "gui/GameApp.h"

#include <stdexcept>

#include "core/Profiles.h"
#include "core/Session.h"
#include "framework/graphics/ImageLib.h"
#include "framework/raster/Raster.h"
#include "gui/DataPath.h"
#include "gui/Dialogs.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "gui/StatisticsFile.h"
#include "orvek/File.h"
#include "orvek/Path.h"
#include "orvek/Log.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/MusicPlaylist.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/Sound.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm {

namespace {

using orvek::ostrel::ConfigRegistry;
using orvek::ostrel::ConfigValueReadOnly;

LogChannel game_errors("Trelm.GameApp", log_error_flag);

// Every key the start-up reads, so a missing one is written with its default.
ConfigValueReadOnly<bool> full_screen("screen/@full_screen", false);
// The software 3D device draws wherever 3D is supported at all.
ConfigValueReadOnly<bool> acceleration_3d("screen/@acceleration_3d", true);
ConfigValueReadOnly<int> screen_lx("screen/@lx", 800);
ConfigValueReadOnly<int> screen_ly("screen/@ly", 600);
ConfigValueReadOnly<bool> custom_cursors("screen/@custom_cursors", false);
ConfigValueReadOnly<int> sound_volume("sound/@volume", 50);
ConfigValueReadOnly<int> music_volume("music/@volume", 50);
ConfigValueReadOnly<std::string> data_path_setting("data/@path", "Data/");
ConfigValueReadOnly<std::string> language("app/@lang", "en");
ConfigValueReadOnly<std::string> music_playlist("data/@music_playlist", "Data/Music/playlist.txt");
ConfigValueReadOnly<std::string> stats_file("data/@stats_file", "./saves/stats.dat");

const char* const kLogos[] = {"data//gui//logo//publisher", "data//gui//logo//developer"};

[[noreturn]] void data_file_error(const std::string& file, const std::string& reason) {
    throw std::runtime_error("Cannot read data file '" + file + "': " + reason);
}

void check_read(const std::string& file, const orvek::ostrel::Skin::ReadStatus& status) {
    if (status.ok) return;
    std::string reason = status.error.empty() ? std::string("cannot be read") : status.error;
    if (status.line > 0) reason += " on line " + std::to_string(status.line);
    data_file_error(file, reason);
}

}  // namespace

GameApp::GameApp(Vant::AppHost* host)
    : App(host),
      profiles_(std::make_unique<orvek::trelm::core::Profiles>("./saves/profiles.dat")),
      playlist_(std::make_unique<orvek::ostrel::MusicPlaylist>()) {
    mProdName = "Zelkor";
    mProductVersion = "1.0";
    mTitle = mProdName;
    mRegKey = "Orvek\\Zelkor";
    mTest3D = true;
    mWantsLoadingThread = false;
    set_config_name("Trelm");
}

GameApp::~GameApp() {
    if (stats_writable_) {
        if (gui::ScreenSystem* ss = game_screen_system(); ss && ss->controller())
            save_statistics_file(ss->controller()->session(), stats_path_);
    }
    orvek::ostrel::Skin::destroy();
    playlist_.reset();
    destroy_screen_system();
    profiles_.reset();
}

bool GameApp::ChangeDirHook(const std::string&) { return keep_directory; }

gui::ScreenSystem* GameApp::game_screen_system() const { return static_cast<gui::ScreenSystem*>(screen_system()); }

std::unique_ptr<orvek::ostrel::ScreenSystem> GameApp::create_screen_system() {
    auto ss = std::make_unique<gui::ScreenSystem>(mWidgetManager.get(), mResourceManager.get(), *profiles_, this);
    ConfigRegistry& registry = ConfigRegistry::instance();
    stats_path_ = registry.get_string(stats_file.key().c_str(), stats_file.default_value());
    // A damaged file kept aside may be written over; one that could not be
    // kept stays as it is.
    stats_writable_ = load_statistics_file(ss->controller()->session(), stats_path_) != StatisticsLoad::stuck;
    return ss;
}

void GameApp::init() {
    mWidth = 800;
    mHeight = 600;
    App::init();
    if (mShutdown || !screen_system()) return;
    ConfigRegistry& registry = ConfigRegistry::instance();

    if (!Is3DSupported()) registry.set_bool(acceleration_3d.key().c_str(), false);
    const bool windowed = !registry.get_bool(full_screen.key().c_str(), full_screen.default_value());
    SwitchScreenMode(windowed, registry.get_bool(acceleration_3d.key().c_str(), acceleration_3d.default_value()),
                     false);

    const std::string raw_path = registry.get_string(data_path_setting.key().c_str(), data_path_setting.default_value());
    orvek::PathString cwd;
    orvek::get_current_directory(cwd);
    set_data_path(normalise_data_path(raw_path, cwd.str()));

    const std::string lang = registry.get_string(language.key().c_str(), language.default_value());
    const std::string language_file = raw_path + lang + ".xml";
    using orvek::ostrel::Skin;
    Skin::set_skin_file("data/Skin.xml");
    Skin::set_data_path(raw_path);
    Skin::set_language(lang.c_str());
    Skin::set_language_file(language_file.c_str());
    Skin::set_resources_file("data/resources.xml");
    orvek::ostrel::set_screen_size(registry.get_int(screen_lx.key().c_str(), screen_lx.default_value()),
                                   registry.get_int(screen_ly.key().c_str(), screen_ly.default_value()));
    Skin::create(static_cast<orvek::ostrel::ResourceManager*>(mResourceManager.get()));
    check_data_files();
    Skin* skin = Skin::instance();
    skin->load_resources("Common");

    static const std::pair<int, const char*> cursors[] = {
        {0, "cursor/pointer"}, {1, "cursor/hand"}, {2, "cursor/dragging"}, {5, "cursor/aiming"}};
    for (std::size_t i = 0; i < 4; ++i) {
        cursors_[i] = skin->get_image(cursors[i].second);
        SetCursorImage(cursors[i].first, cursors_[i].GetImage());
    }
    screen_system()->set_cursor(0);
    SetCustomCursorsFlag(registry.get_bool(custom_cursors.key().c_str(), custom_cursors.default_value()));

    orvek::ostrel::set_effects_volume(registry.get_int(sound_volume.key().c_str(), sound_volume.default_value()));
    orvek::ostrel::set_music_volume(registry.get_int(music_volume.key().c_str(), music_volume.default_value()));

    // No playlist means no music.
    playlist_->load(registry.get_string(music_playlist.key().c_str(), music_playlist.default_value()));
    playlist_->set_order(1);
    playlist_->start();

    Vant::SWRaster::InitFillerTable();
}

void GameApp::check_data_files() {
    using orvek::ostrel::Skin;
    Skin* skin = Skin::instance();
    check_read("data/Skin.xml", skin->skin_status());
    check_read(Skin::language_file(), skin->language_status());
    check_read("data/resources.xml", skin->manifest_status());
    Vant::ResourceManager* resources = mResourceManager.get();
    if (!resources->IsGroupLoaded("Common") && !resources->LoadGroup("Common"))
        throw std::runtime_error("Resource group: 'Common' could not be loaded: " + resources->ErrorText());
    for (const char* logo : kLogos)
        if (!ImageLib::GetImage(logo)) data_file_error(logo, "not a readable image");
}

bool GameApp::update_app() {
    App::update_app();
    playlist_->update();
    if (on_pass_hook) on_pass_hook(*this);
    return true;
}

bool GameApp::quit_now() {
    if (close_confirmed_) return true;
    gui::ScreenSystem* ss = game_screen_system();
    if (!ss) return false;
    return ss->has_started() && ss->empty() && ss->requests_empty();
}

bool GameApp::on_close_request() {
    gui::ScreenSystem* ss = game_screen_system();
    if (!ss || !ss->controller()) return true;
    // Asked already: on top, or pushed and waiting for the next step.
    orvek::screens::Screen* last = ss->controller()->slot(gui::SessionControllerBase::confirm_close_game_slot);
    if (dynamic_cast<gui::ConfirmCloseGameScreen*>(ss->top_screen())) return false;
    if (last && ss->requested(last)) return false;
    gui::ConfirmCloseGameScreen* confirm = ss->controller()->confirm_close_game_screen();
    confirm->set_callback([this] { set_close_confirmed(); });
    ss->push_modal_screen(confirm);
    return false;
}

void GameApp::GotFocus() {
    if (gui::ScreenSystem* ss = game_screen_system()) ss->set_active();
}

void GameApp::LostFocus() {
    if (gui::ScreenSystem* ss = game_screen_system()) ss->set_inactive();
}

}  // namespace orvek::trelm
