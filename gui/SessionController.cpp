#include "gui/SessionController.h"

#include "core/Session.h"
#include "gui/Dialogs.h"
#include "gui/ResultsScreens.h"
#include "gui/LoadingScreen.h"
#include "gui/MainMenuScreen.h"
#include "gui/ScreenSystem.h"

namespace orvek::trelm::gui {

SessionControllerBase::SessionControllerBase(ScreenSystem& system, orvek::trelm::core::Profiles& profiles)
    : system_(system), profiles_(profiles) {}

SessionControllerBase::~SessionControllerBase() { delete_screens(); }

void SessionControllerBase::delete_screens() {
    for (int s = slot_count - 1; s >= 0; --s) slots_[static_cast<std::size_t>(s)].reset();
    retired_.clear();
}

void SessionControllerBase::fill_slot(Slot s, std::unique_ptr<orvek::screens::Screen> screen) {
    std::unique_ptr<orvek::screens::Screen> old = std::move(slots_[s]);
    slots_[s] = std::move(screen);
    retire(std::move(old));
}

void SessionControllerBase::retire(std::unique_ptr<orvek::screens::Screen> screen) {
    if (screen) retired_.push_back(std::move(screen));
}

void SessionControllerBase::collect_retired() {
    // Deleting one screen may retire none other, but keep it simple: take
    // the survivors out first, then let the rest go.
    std::vector<std::unique_ptr<orvek::screens::Screen>> keep, drop;
    for (auto& s : retired_) {
        if (system_.contains(s.get()) || system_.requested(s.get()))
            keep.push_back(std::move(s));
        else
            drop.push_back(std::move(s));
    }
    retired_ = std::move(keep);
    drop.clear();
}

LoadingScreen* SessionControllerBase::loading_screen(const std::string& text_key, int flag) {
    return make<LoadingScreen>(loading_slot, text_key, flag);
}
MainMenuScreen* SessionControllerBase::main_menu_screen() { return make<MainMenuScreen>(main_menu_slot); }
ConfirmCloseGameScreen* SessionControllerBase::confirm_close_game_screen() {
    return make<ConfirmCloseGameScreen>(confirm_close_game_slot);
}
ConfirmRemovePlayerScreen* SessionControllerBase::confirm_remove_player_screen(const std::string& name) {
    return make<ConfirmRemovePlayerScreen>(confirm_remove_player_slot, name);
}
ConfirmRemoveResultsScreen* SessionControllerBase::confirm_remove_results_screen() {
    return make<ConfirmRemoveResultsScreen>(confirm_remove_results_slot);
}
ContinueSavedGameScreen* SessionControllerBase::continue_saved_game_screen() {
    return make<ContinueSavedGameScreen>(continue_saved_game_slot);
}
GameBreakScreen* SessionControllerBase::game_break_screen() { return make<GameBreakScreen>(game_break_slot); }
GamePauseScreen* SessionControllerBase::game_pause_screen() { return make<GamePauseScreen>(game_pause_slot); }
BestResultsScreen* SessionControllerBase::best_results_screen() {
    return make<BestResultsScreen>(best_results_slot);
}
CreditsScreen* SessionControllerBase::credits_screen() { return make<CreditsScreen>(credits_slot); }
LoseLifeScreen* SessionControllerBase::lose_life_screen() { return make<LoseLifeScreen>(lose_life_slot); }
MissionFailedScreen* SessionControllerBase::mission_failed_screen() {
    return make<MissionFailedScreen>(mission_failed_slot);
}

// Deleted at once, not retired: the game screen's destructor writes the
// autosave through the session, which the controller deletes first.
void SessionControllerBase::destroy_game_screen() { slots_[game_slot].reset(); }

// ---------------------------------------------------------------- single session

SingleSessionController::SingleSessionController(ScreenSystem& system, orvek::trelm::core::Profiles& profiles)
    : SessionControllerBase(system, profiles),
      session_(std::make_unique<orvek::trelm::core::SingleSession>(&profiles)) {
    set_session(session_.get());
}

SingleSessionController::~SingleSessionController() {
    session_.reset();
    set_session(nullptr);
    delete_screens();
    logo_.reset();
}

void SingleSessionController::start() {
    // The callbacks name the controller, which outlives every screen it makes.
    logo_ = make_logo_screen(screen_system(), [this] { load_screens(); });
    screen_system().push_screen(logo_.get());
}

void SingleSessionController::load_screens() {
    LoadingScreen* loading = loading_screen("menu/loading", 1);
    loading->set_on_finished([this] { on_loading_finished(); });
    screen_system().push_screen(loading);
}

void SingleSessionController::on_loading_finished() {
    retire(std::move(logo_));
    screen_system().push_screen(main_menu_screen());
}

}  // namespace orvek::trelm::gui
