#pragma once
// The game's application: the product's identity, the start-up settings,
// the skin, cursors, volumes and music, the game screen system with the
// statistics file, and when the program quits. run_game is the program.
#include <functional>
#include <memory>
#include <string>

#include "framework/graphics/Image.h"
#include "ostrel/App.h"

namespace orvek::ostrel {
class MusicPlaylist;
}
namespace orvek::trelm::core {
class Profiles;
}
namespace plat {
class Clock;
}
namespace orvek::trelm::gui {
class ScreenSystem;
}

namespace orvek::trelm {

class GameApp : public orvek::ostrel::App {
public:
    explicit GameApp(Vant::AppHost* host);
    // Statistics, skin, playlist, screen system, profiles, in this order.
    ~GameApp() override;

    void init() override;
    bool update_app() override;
    bool quit_now() override;
    std::unique_ptr<orvek::ostrel::ScreenSystem> create_screen_system() override;
    bool on_close_request() override;
    void GotFocus() override;
    void LostFocus() override;
    bool ChangeDirHook(const std::string& folder) override;

    // Bound as the close confirmation's callback.
    void set_close_confirmed() { close_confirmed_ = true; }
    bool close_confirmed() const { return close_confirmed_; }

    gui::ScreenSystem* game_screen_system() const;
    orvek::trelm::core::Profiles& profiles() const { return *profiles_; }
    orvek::ostrel::MusicPlaylist& playlist() const { return *playlist_; }
    // Whether the statistics file will be written at the end: it was read
    // cleanly, or there was none.
    bool statistics_writable() const { return stats_writable_; }

    // The program's folder stays the current one (tests run in their own).
    bool keep_directory = false;
    // Called at the end of every main-loop pass (tests drive the run).
    std::function<void(GameApp&)> on_pass_hook;

private:
    void check_data_files();

    bool close_confirmed_ = false;
    std::unique_ptr<orvek::trelm::core::Profiles> profiles_;
    std::unique_ptr<orvek::ostrel::MusicPlaylist> playlist_;
    bool stats_writable_ = false;
    std::string stats_path_;
    Vant::SharedImageRef cursors_[4];
};

// What a test changes about a run; the program uses the defaults.
struct RunOptions {
    // The main loop's clock; the system's when null.
    plat::Clock* clock = nullptr;
    // Called once per main-loop pass, after the game's own work.
    std::function<void(GameApp&)> on_pass;
    // Where a start-up error is reported; the message box when empty.
    std::function<void(const std::string& text, const std::string& caption)> error_sink;
    // Tests keep their own folder and may run several games in a row.
    bool keep_directory = false;
    bool single_instance = true;
};

// The program: returns 0, or -1 after a reported error.
int run_game(int argc, char** argv, const RunOptions& options = RunOptions());

}  // namespace orvek::trelm
