// Arbitrary bytes as the profiles file, on the game running headless over
// the test fixture with its four levels of two sub-levels: the store loads
// what it can, the game's store takes its players and the first one is
// logged in; the main menu shows (asking for a name when there is nobody)
// and play is pressed three times, answering the mode and continue dialogs
// differently each time; then the campaign map, fresh and resuming, is
// refreshed and every one of its buttons clicked.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include "core/Profiles.h"
#include "core/Session.h"
#include "framework/app/DSoundManager.h"
#include "framework/app/PlatformHost.h"
#include "framework/app/WidgetManager.h"
#include "fuzz/support/FuzzScratch.h"
#include "gui/CampaignScreen.h"
#include "gui/Dialogs.h"
#include "gui/GameApp.h"
#include "gui/MainMenuScreen.h"
#include "gui/PlayerScreens.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "orvek/config/ConfigRegistry.h"
#include "platform/Messages.h"
#include "platform/headless/HeadlessShell.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/ManualClock.h"

namespace {

namespace fs = std::filesystem;
namespace gui = orvek::trelm::gui;

class FuzzGameApp : public orvek::trelm::GameApp {
public:
    FuzzGameApp(Vant::AppHost* host, std::string program) : GameApp(host), program_(std::move(program)) {
        mOnlyAllowOneCopyToRun = false;
        keep_directory = true;
    }
    Vant::SoundManager* CreateSoundManager() override {
        return new Vant::DSoundManager(static_cast<plat::AudioDevice*>(nullptr), false);
    }
    Vant::MusicInterface* CreateMusicInterface() override { return new Vant::MusicInterface(); }

protected:
    std::string program_file() const override { return program_; }

private:
    std::string program_;
};

struct Game;

// The game runs in its scratch folder, and libFuzzer finds its own relative
// paths again after each input.
class InScratch {
public:
    explicit InScratch(const Game& game);
    ~InScratch() {
        std::error_code ec;
        fs::current_path(back_, ec);
    }

private:
    fs::path back_;
};

struct Game {
    fuzzsupport::ScratchDir scratch{"menus"};
    plat::headless::ManualClock clock;
    plat::headless::HeadlessWindow window{clock};
    plat::headless::HeadlessShell shell;
    std::unique_ptr<Vant::PlatformHost> host;
    std::unique_ptr<FuzzGameApp> app;

    Game() {
        // The fixture's data as "data" in the scratch folder, which becomes
        // the current one; its campaign levels through the configuration.
        std::error_code ec;
        fs::create_directory_symlink(fs::path(ZELKOR_FIXTURE_DIR) / "data", scratch.dir() / "data", ec);
        if (ec) std::abort();
        const InScratch here(*this);
        const fs::path config = scratch.dir() / "bin" / "config" / "Trelm.cfg.xml";
        fs::create_directories(config.parent_path());
        auto& registry = orvek::ostrel::ConfigRegistry::instance();
        registry.set_string("levels/@dir", "data/levels-campaign");
        registry.set_string("levels/@sublevels_graphics_settings_dir", "data/levels-campaign/GraphicsSettings");
        if (!registry.save(config.c_str())) std::abort();
        host = std::make_unique<Vant::PlatformHost>(window, shell, clock, scratch.file("settings.txt"));
        app = std::make_unique<FuzzGameApp>(host.get(), scratch.file("bin/zelkor"));
        app->init();
        step(2);
        ss().post_message(plat::msg::kKeyDown, 'A', 0);  // skips the logos
        for (int i = 0; i < 40 && !top_is<gui::MainMenuScreen>(); ++i) step();
        if (!top_is<gui::MainMenuScreen>()) std::abort();
    }
    gui::ScreenSystem& ss() const { return *app->game_screen_system(); }
    gui::SessionControllerBase& controller() const { return *ss().controller(); }
    void step(int n = 1) {
        for (int i = 0; i < n; ++i) ss().update();
    }
    template <class T>
    bool top_is() const {
        return dynamic_cast<T*>(ss().top_screen()) != nullptr;
    }
    void click(orvek::ostrel::BasicButton& b) {
        const orvek::ostrel::Point p = b.screen_position();
        const auto at = static_cast<std::int32_t>(plat::MakePointParam(p.x + 2, p.y + 2));
        ss().post_message(plat::msg::kMouseMove, 0, at);
        ss().post_message(plat::msg::kLButtonDown, 1, at);
        ss().post_message(plat::msg::kLButtonUp, 0, at);
    }
    // Typing as the window delivers it: to the focused widget at once, to
    // the screens as a character message.
    void type(const std::string& text) {
        for (char c : text) {
            ss().widget_manager()->OnKeyChar(c);
            ss().post_message(plat::msg::kChar, static_cast<unsigned char>(c), 0);
        }
    }
    void press_enter() {
        ss().widget_manager()->OnKeyDown(13);
        ss().post_message(plat::msg::kKeyDown, 13, 0);
        type("\r");
        ss().widget_manager()->OnKeyUp(13);
    }
    gui::MainMenuScreen& main_menu() const { return *static_cast<gui::MainMenuScreen*>(ss().top_screen()); }
    // Whatever was opened goes; the main menu stays.
    void back_to_main_menu() {
        for (int i = 0; i < 20 && !top_is<gui::MainMenuScreen>() && ss().top_screen(); ++i) {
            ss().pop_screen();
            step();
        }
        if (!top_is<gui::MainMenuScreen>()) std::abort();
    }
};

InScratch::InScratch(const Game& game) : back_(fs::current_path()) {
    std::error_code ec;
    fs::current_path(game.scratch.dir(), ec);
    if (ec) std::abort();
}

// The main menu shown anew: its login check and greeting. Nobody logged in
// and no players: a name is typed; a list of players: Enter takes the
// line it selects.
void main_menu_login(Game& game) {
    game.ss().push_modal_screen(game.controller().confirm_remove_results_screen());
    game.step();
    game.ss().pop_screen();
    game.step(2);
    if (game.top_is<gui::NewPlayerScreen>()) {
        game.type("Fuzz");
        game.press_enter();
        game.step(2);
    } else if (game.top_is<gui::SelectPlayerScreen>()) {
        game.press_enter();
        game.step(2);
    }
    game.back_to_main_menu();
}

// Play, with answer k (0..2) to whichever dialog comes: the campaign, the
// single mode or back; load, a new game or cancel. The first time the
// player has an autosave, so loading starts the map at once. False when no
// dialog came: the other answers would do the same.
bool main_menu_play(Game& game, int k) {
    static const char* const kModes[] = {"/campaign", "/single", "/back"};
    static const char* const kContinue[] = {"/load-saved-game", "/start-new-game", "/cancel"};
    orvek::trelm::core::Session& session = game.controller().session();
    if (k == 0 && !session.autosave_path().empty()) {
        const fs::path autosave = session.autosave_path();
        std::error_code ec;
        fs::create_directories(autosave.parent_path(), ec);
        std::ofstream(autosave, std::ios::binary) << "saved";
    }
    game.click(game.main_menu().play_button());
    game.step(2);
    bool asked = false;
    for (int i = 0; i < 2; ++i) {
        orvek::ostrel::BasicButton* answer = nullptr;
        if (auto* mode = dynamic_cast<gui::SelectGameModeScreen*>(game.ss().top_screen()))
            answer = mode->button(kModes[k]);
        else if (auto* more = dynamic_cast<gui::ContinueSavedGameScreen*>(game.ss().top_screen()))
            answer = more->button(kContinue[k]);
        if (!answer) break;
        asked = true;
        game.click(*answer);
        game.step(2);
    }
    game.step();
    game.back_to_main_menu();
    return asked;
}

// The map's refresh, then a click on every button while it stays on top.
void campaign_map(Game& game, bool resume) {
    gui::CampaignScreen* map = game.controller().campaign_screen(false, resume);
    game.ss().push_screen(map);
    game.step();
    if (!game.top_is<gui::CampaignScreen>()) std::abort();
    map->refresh();
    for (std::size_t i = 0; i < map->level_buttons().size(); ++i) {
        if (!game.top_is<gui::CampaignScreen>()) break;
        game.click(*map->level_buttons()[i]);
        game.step();
        for (const auto& sub : map->sub_level_buttons()[i]) {
            if (!game.top_is<gui::CampaignScreen>()) break;
            game.click(*sub);
            game.step();
        }
    }
    if (game.top_is<gui::CampaignScreen>()) {
        game.click(map->start_button());
        game.step(2);
    }
    game.back_to_main_menu();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Never destroyed: at exit it would outlive the sound table its game
    // screen still stops sounds in.
    static Game& game = *new Game;
    const InScratch here(game);
    const std::string path = game.scratch.file("profiles.dat");
    const std::string kept = game.scratch.file("profiles.prev.dat");
    std::error_code ec;
    fs::remove(kept, ec);
    if (!fuzzsupport::write_input(path, data, size)) return 0;
    {
        orvek::trelm::core::Profiles store(path);
        orvek::trelm::core::Profiles& players = game.controller().profiles();
        while (!players.empty()) players.remove(players.size() - 1);
        for (unsigned i = 0; i < store.size(); ++i) players.add(store.get(i));
        orvek::trelm::core::Session& session = game.controller().session();
        session.set_profile(store.get(0));

        main_menu_login(game);
        for (int k = 0; k < 3; ++k)
            if (!main_menu_play(game, k)) break;
        session.remove_autosave();

        campaign_map(game, false);
        campaign_map(game, true);
        session.log_off();
    }
    return 0;
}
