#pragma once
// Session controllers own the game's screens, one slot per screen class,
// and the core session. Each accessor makes a fresh screen; the one it
// replaces is retired and deleted only once neither the stack nor a queued
// request names it, so callbacks and pushes that still refer to it stay
// safe.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orvek::screens {
class Screen;
}
namespace orvek::trelm::core {
class Profiles;
class Session;
class SingleSession;
}  // namespace orvek::trelm::core

namespace orvek::trelm::gui {

class ScreenSystem;
class LoadingScreen;
class MainMenuScreen;
class ConfirmCloseGameScreen;
class ConfirmRemovePlayerScreen;
class ConfirmRemoveResultsScreen;
class ContinueSavedGameScreen;
class GameBreakScreen;
class GamePauseScreen;
class LoseLifeScreen;
class MissionFailedScreen;
class BestResultsScreen;
class CreditsScreen;
class NewPlayerScreen;
class SelectPlayerScreen;
class SelectGameModeScreen;
class OptionsScreen;
class CampaignScreen;
class GameScreen;
class StatsScreen;
class HelpScreen;
class TrophyScreen;

class SessionControllerBase {
public:
    // The screen classes, in slot order.
    enum Slot {
        game_slot, loading_slot, main_menu_slot, new_player_slot, select_player_slot, options_slot,
        confirm_remove_player_slot, game_break_slot, game_pause_slot, stats_slot, mission_failed_slot,
        lose_life_slot, help_slot, best_results_slot, campaign_slot, continue_saved_game_slot,
        confirm_remove_results_slot, confirm_close_game_slot, credits_slot, select_game_mode_slot, trophy_slot,
        slot_count
    };

    SessionControllerBase(ScreenSystem& system, orvek::trelm::core::Profiles& profiles);
    virtual ~SessionControllerBase();
    SessionControllerBase(const SessionControllerBase&) = delete;
    SessionControllerBase& operator=(const SessionControllerBase&) = delete;

    virtual void start() {}
    virtual void update() {}

    ScreenSystem& screen_system() const { return system_; }
    orvek::trelm::core::Session& session() const { return *session_; }
    orvek::trelm::core::Profiles& profiles() const { return profiles_; }

    LoadingScreen* loading_screen(const std::string& text_key, int flag);
    MainMenuScreen* main_menu_screen();
    ConfirmCloseGameScreen* confirm_close_game_screen();
    ConfirmRemovePlayerScreen* confirm_remove_player_screen(const std::string& name);
    ConfirmRemoveResultsScreen* confirm_remove_results_screen();
    ContinueSavedGameScreen* continue_saved_game_screen();
    GameBreakScreen* game_break_screen();
    GamePauseScreen* game_pause_screen();
    LoseLifeScreen* lose_life_screen();
    MissionFailedScreen* mission_failed_screen();
    BestResultsScreen* best_results_screen();
    CreditsScreen* credits_screen();
    // Each screen's own source defines its accessor with make<T>(), so a
    // new screen touches only its own files.
    NewPlayerScreen* new_player_screen(bool cancellable);
    SelectPlayerScreen* select_player_screen();
    SelectGameModeScreen* select_game_mode_screen();
    OptionsScreen* options_screen();
    CampaignScreen* campaign_screen(bool start_at_once, bool resume);
    GameScreen* game_screen();
    StatsScreen* stats_screen();
    HelpScreen* help_screen();
    TrophyScreen* trophy_screen();
    // Deletes the game screen (it leaves the stack) and clears its slot.
    void destroy_game_screen();

    // The screen a slot holds now; null when none was asked for.
    orvek::screens::Screen* slot(Slot s) const { return slots_[s].get(); }
    // Puts a screen in a slot; the one there before is retired.
    void fill_slot(Slot s, std::unique_ptr<orvek::screens::Screen> screen);
    // Hands a screen to the controller to be deleted once it is off the
    // stack and out of the queue.
    void retire(std::unique_ptr<orvek::screens::Screen> screen);
    // Deletes the retired screens the stack and the queue no longer name;
    // the screen system calls it after each stack update.
    void collect_retired();
    std::size_t retired_count() const { return retired_.size(); }

    // Makes a screen of class T in slot s; the one there before is retired.
    template <class T, class... Args>
    T* make(Slot s, Args&&... args) {
        auto screen = std::make_unique<T>(system_, std::forward<Args>(args)...);
        T* raw = screen.get();
        fill_slot(s, std::move(screen));
        return raw;
    }

protected:
    void set_session(orvek::trelm::core::Session* session) { session_ = session; }
    // The slots from the last to the first, then the retired screens.
    void delete_screens();

private:
    ScreenSystem& system_;
    orvek::trelm::core::Profiles& profiles_;
    orvek::trelm::core::Session* session_ = nullptr;
    std::array<std::unique_ptr<orvek::screens::Screen>, slot_count> slots_;
    std::vector<std::unique_ptr<orvek::screens::Screen>> retired_;
};

// The one controller: the session of one player at a time, and the start
// sequence logos, loading, main menu.
class SingleSessionController : public SessionControllerBase {
public:
    SingleSessionController(ScreenSystem& system, orvek::trelm::core::Profiles& profiles);
    // The session first, then the screens.
    ~SingleSessionController() override;

    void start() override;

    // The logo screen of the start sequence; null once loading is done.
    orvek::screens::Screen* logo_screen() const { return logo_.get(); }

private:
    void load_screens();
    void on_loading_finished();

    std::unique_ptr<orvek::trelm::core::SingleSession> session_;
    std::unique_ptr<orvek::screens::Screen> logo_;
};

}  // namespace orvek::trelm::gui
