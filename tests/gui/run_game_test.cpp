// The whole program through run_game on SDL's dummy drivers: a manual clock
// that moves when the loop sleeps, and window events pushed as the run
// reaches each screen; a first player goes from her name to the campaign
// map and into a sub-level; broken data files end the start-up with -1 and
// a message naming the file; and the program itself ends with 0 on SIGTERM.
#include <gtest/gtest.h>

#include <SDL.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "core/CampaignPlayer.h"
#include "core/LevelPosition.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "gui/StatisticsFile.h"
#include "gui/CampaignScreen.h"
#include "gui/Dialogs.h"
#include "gui/GameApp.h"
#include "gui/GameScreen.h"
#include "gui/HelpScreen.h"
#include "gui/MainMenuScreen.h"
#include "gui/PlayerScreens.h"
#include "gui/ScreenSystem.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/gui/Buttons.h"
#include "platform/headless/ManualClock.h"
#include "support/Fixture.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
namespace gui = orvek::trelm::gui;
using orvek::trelm::GameApp;

std::string bytes_of(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A folder of its own with a copy of the fixture tree; the test runs in it.
struct Folder {
    testsupport::TempDir dir;
    fs::path old = fs::current_path();
    Folder() {
        fs::copy(testsupport::fixture_dir() / "data", dir.path() / "data", fs::copy_options::recursive);
        fs::current_path(dir.path());
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        orvek::ostrel::ConfigRegistry::instance().elements().clear();
    }
    ~Folder() { fs::current_path(old); }
};

void push_window_event(GameApp& app, Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = static_cast<Uint32>(app.mHWnd);
    e.window.event = what;
    SDL_PushEvent(&e);
}

void push_key(GameApp& app, SDL_Keycode sym, SDL_Scancode code) {
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = static_cast<Uint32>(app.mHWnd);
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = code;
        SDL_PushEvent(&e);
    }
}

void push_text(GameApp& app, const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = static_cast<Uint32>(app.mHWnd);
    SDL_strlcpy(e.text.text, text, sizeof e.text.text);
    SDL_PushEvent(&e);
}

// A left click a little inside the button, as the mouse sends it.
void push_click(GameApp& app, const orvek::ostrel::BasicButton& b) {
    const orvek::ostrel::Point p = b.screen_position();
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = static_cast<Uint32>(app.mHWnd);
    e.motion.x = p.x + 4;
    e.motion.y = p.y + 4;
    SDL_PushEvent(&e);
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        SDL_Event c{};
        c.type = type;
        c.button.windowID = static_cast<Uint32>(app.mHWnd);
        c.button.button = SDL_BUTTON_LEFT;
        c.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        c.button.clicks = 1;
        c.button.x = p.x + 4;
        c.button.y = p.y + 4;
        SDL_PushEvent(&c);
    }
}

template <class T>
T* top(GameApp& app) {
    gui::ScreenSystem* ss = app.game_screen_system();
    return ss ? dynamic_cast<T*>(ss->top_screen()) : nullptr;
}

template <class T>
bool on_top(GameApp& app) {
    gui::ScreenSystem* ss = app.game_screen_system();
    return ss && dynamic_cast<T*>(ss->top_screen()) != nullptr;
}

TEST(RunGame, HeadlessToMainMenuCloseTwice) {
    Folder f;
    plat::headless::ManualClock clock;
    orvek::trelm::RunOptions options;
    options.clock = &clock;
    options.keep_directory = true;
    options.single_instance = false;
    std::string errors;
    options.error_sink = [&](const std::string& text, const std::string&) { errors += text; };
    int state = 0, passes = 0, menus = 0;
    options.on_pass = [&](GameApp& app) {
        clock.Advance(1);  // a loop that never sleeps still moves on
        if (++passes > 200000) {
            ADD_FAILURE() << "stuck in state " << state;
            app.mShutdown = true;
        }
        switch (state) {
        case 0:
            // A first start asks for the player's name.
            if (on_top<gui::NewPlayerScreen>(app)) {
                push_text(app, "Ana");
                push_key(app, SDLK_RETURN, SDL_SCANCODE_RETURN);
                state = 1;
            }
            break;
        case 1:
            if (on_top<gui::MainMenuScreen>(app)) {
                ++menus;
                push_window_event(app, SDL_WINDOWEVENT_CLOSE);
                state = 2;
            }
            break;
        case 2:
            if (on_top<gui::ConfirmCloseGameScreen>(app)) {
                push_key(app, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
                state = 3;
            }
            break;
        case 3:
            if (on_top<gui::MainMenuScreen>(app)) {
                push_window_event(app, SDL_WINDOWEVENT_CLOSE);
                state = 4;
            }
            break;
        case 4:
            if (on_top<gui::ConfirmCloseGameScreen>(app)) {
                push_key(app, SDLK_RETURN, SDL_SCANCODE_RETURN);
                state = 5;
            }
            break;
        default:
            break;
        }
    };
    const int code = orvek::trelm::run_game(0, nullptr, options);
    EXPECT_EQ(code, 0) << errors;
    EXPECT_EQ(state, 5);
    EXPECT_EQ(menus, 1);
    // The saves load, and the run was marked as ended cleanly.
    EXPECT_GT(fs::file_size("saves/stats.dat"), 0u);
    orvek::trelm::core::Profiles profiles("saves/profiles.dat");
    EXPECT_TRUE(profiles.loaded_completely());
    EXPECT_TRUE(profiles.contains("Ana"));
    const std::string registry = bytes_of("config/registry.txt");
    EXPECT_NE(registry.find("dword InProgress=0"), std::string::npos) << registry;
}

// A first start on an empty saves folder, over the fixture's four campaign
// levels: the name typed, the greeting, play to the map, "/start" to the
// game screen; the player is stored at the first sub-level. The fixture's
// levels cannot be played, so the game screen reports that and goes back
// to the map; the run still ends cleanly.
TEST(RunGame, FirstPlayerGoesFromHerNameToTheGameScreen) {
    Folder f;
    fs::create_directories("config");
    std::ofstream("config/Trelm.cfg.xml")
        << "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<root><levels dir=\"data/levels-campaign\" "
           "sublevels_graphics_settings_dir=\"data/levels-campaign/GraphicsSettings\"/></root>\n";
    ASSERT_FALSE(fs::exists("saves"));
    plat::headless::ManualClock clock;
    orvek::trelm::RunOptions options;
    options.clock = &clock;
    options.keep_directory = true;
    options.single_instance = false;
    std::string errors, greeting;
    options.error_sink = [&](const std::string& text, const std::string&) { errors += text; };
    enum { name, menu, map, game, close, confirm, done } state = name;
    int passes = 0, games = 0;
    options.on_pass = [&](GameApp& app) {
        clock.Advance(1);
        if (++passes > 200000) {
            ADD_FAILURE() << "stuck in state " << state;
            app.mShutdown = true;
        }
        switch (state) {
        case name:
            if (on_top<gui::NewPlayerScreen>(app)) {
                push_text(app, "Ana");
                push_key(app, SDLK_RETURN, SDL_SCANCODE_RETURN);
                state = menu;
            }
            break;
        case menu:
            if (auto* m = top<gui::MainMenuScreen>(app)) {
                greeting = m->welcome().text();
                push_click(app, m->play_button());
                state = map;
            }
            break;
        case map:
            if (auto* m = top<gui::CampaignScreen>(app)) {
                push_click(app, m->start_button());
                state = game;
            }
            break;
        case game:
            // A new player reads the help first.
            if (auto* help = top<gui::HelpScreen>(app)) {
                push_click(app, help->ok_button());
                break;
            }
            if (on_top<gui::GameScreen>(app)) {
                ++games;
                state = close;
            }
            break;
        case close:
            push_window_event(app, SDL_WINDOWEVENT_CLOSE);
            state = confirm;
            break;
        case confirm:
            if (on_top<gui::ConfirmCloseGameScreen>(app)) {
                push_key(app, SDLK_RETURN, SDL_SCANCODE_RETURN);
                state = done;
            }
            break;
        default:
            break;
        }
    };
    const int code = orvek::trelm::run_game(0, nullptr, options);
    EXPECT_EQ(code, 0) << errors;
    EXPECT_EQ(state, done);
    EXPECT_EQ(greeting, "Hello, Ana!");
    EXPECT_EQ(games, 1);
    orvek::trelm::core::Profiles profiles("saves/profiles.dat");
    ASSERT_TRUE(profiles.loaded_completely());
    const auto ana = profiles.find("Ana");
    ASSERT_TRUE(ana);
    const auto player = ana->property<orvek::trelm::core::CampaignPlayer>();
    ASSERT_TRUE(player);
    EXPECT_EQ(player->position(), orvek::trelm::core::LevelPosition(0, 0));
}

TEST(RunGame, BrokenDataFilesStopTheStart) {
    struct Case {
        const char* file;
        bool remove;  // else cut to half
        const char* named;
    };
    for (const Case& c : {
             Case{"data/Skin.xml", true, "data/Skin.xml"},
             Case{"data/Skin.xml", false, "data/Skin.xml"},
             Case{"data/en.xml", true, "en.xml"},
             Case{"data/en.xml", false, "en.xml"},
             Case{"data/resources.xml", false, "data/resources.xml"},
             Case{"data/images/cursor/pointer.png", true, "pointer"},
             Case{"data/fonts/block.png", false, "block"},
             Case{"data/gui/logo/publisher.png", true, "publisher"},
             Case{"data/gui/logo/developer.png", false, "developer"},
         }) {
        SCOPED_TRACE(std::string(c.file) + (c.remove ? " removed" : " cut"));
        Folder f;
        fs::create_directories("saves");
        {
            orvek::trelm::core::Profiles p("saves/profiles.dat");
            p.add(std::make_shared<orvek::trelm::core::Profile>("Ann"));
        }
        {
            orvek::trelm::core::Profiles p("saves/other.dat");
            orvek::trelm::core::SingleSession session(&p);
            session.best_statistics().update_chain_max(7);
            session.sub_level_statistics("arbor-1").add_combo();
            ASSERT_TRUE(orvek::trelm::save_statistics_file(session, "saves/stats.dat"));
        }
        const std::string profiles = bytes_of("saves/profiles.dat");
        const std::string stats = bytes_of("saves/stats.dat");
        if (c.remove) {
            fs::remove(c.file);
        } else {
            const std::string whole = bytes_of(c.file);
            std::ofstream(c.file, std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() / 2);
        }
        orvek::trelm::RunOptions options;
        options.keep_directory = true;
        options.single_instance = false;
        std::string errors;
        options.error_sink = [&](const std::string& text, const std::string&) { errors += text; };
        EXPECT_EQ(orvek::trelm::run_game(0, nullptr, options), -1);
        EXPECT_NE(errors.find(c.named), std::string::npos) << errors;
        EXPECT_EQ(bytes_of("saves/profiles.dat"), profiles);
        EXPECT_EQ(bytes_of("saves/stats.dat"), stats);
    }
}

TEST(RunGame, ProgramEndsWithZeroOnSigterm) {
    Folder f;
    fs::copy_file(ZELKOR_EXE, "zelkor");
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("./zelkor", "zelkor", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The configuration is written during start-up; the logos follow.
    for (int i = 0; i < 600 && !fs::exists("config/Trelm.cfg.xml"); ++i) ::usleep(50000);
    ::usleep(500000);
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_GT(fs::file_size("saves/stats.dat"), 0u);
    EXPECT_TRUE(fs::exists("saves/profiles.dat"));
    EXPECT_TRUE(fs::exists("config/Trelm.cfg.xml"));
}

}  // namespace
