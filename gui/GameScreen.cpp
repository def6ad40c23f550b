#include "gui/GameScreen.h"

#include <algorithm>
#include <exception>
#include <string>

#include "core/CampaignPlayer.h"
#include "core/LevelDescriptor.h"
#include "core/LevelPosition.h"
#include "core/Levels.h"
#include "core/Profile.h"
#include "core/Session.h"
#include "framework/app/AppHost.h"
#include "gui/DebugOverlay.h"
#include "gui/Dialogs.h"
#include "gui/GameApp.h"
#include "gui/GameDesktop.h"
#include "gui/Interface.h"
#include "gui/ResultsScreens.h"
#include "gui/OptionsScreen.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "gui/StatsScreen.h"
#include "orvek/Log.h"

namespace orvek::trelm::gui {

namespace {

LogChannel game_screen_errors("Trelm.GameScreen", log_error_flag);

// The logged-in player's campaign record; null when nobody is logged in.
std::shared_ptr<core::CampaignPlayer> logged_player(core::Session& session) {
    const std::shared_ptr<core::Profile> profile = session.profile();
    return profile ? profile->property<core::CampaignPlayer>() : nullptr;
}

// What the desktop shows goes to the heads-up display, a child of the
// desktop that the widget tree draws over the field.
class HudLink : public GameHud {
public:
    explicit HudLink(Interface& hud) : hud_(hud) {}
    void set_score(std::uint32_t score) override { hud_.set_score(score); }
    void set_lives(int lives) override { hud_.set_lives(std::uint32_t(std::max(lives, 0))); }
    void set_coins(int coins) override { hud_.set_coins(std::uint32_t(std::max(coins, 0))); }
    void set_progress(int percent) override { hud_.set_progress(std::uint32_t(std::max(percent, 0))); }
    void set_stage(std::uint32_t level, std::uint32_t sub_level) override {
        hud_.set_stage(core::LevelPosition(level, sub_level));
    }
    void set_word(const std::string& word) override { hud_.set_word(word); }
    void activate_letter(int index) override {
        if (index >= 0) hud_.activate_letter(std::size_t(index));
    }
    void clear_letters() override { hud_.clear_letters(); }
    bool contains(int x, int y) const override {
        const ostrel::Point p = hud_.screen_position();
        const ostrel::Size s = hud_.size();
        return x >= p.x && y >= p.y && x < p.x + s.width && y < p.y + s.height;
    }

private:
    Interface& hud_;
};

}  // namespace

struct GameScreen::Impl_ {
    Impl_(GameScreen& o, ScreenSystem& system)
        : owner(o),
          desktop(system.controller()->session(), system.controller(), &system),
          hud(desktop),
          hud_link(hud) {
        desktop.set_hud(&hud_link);
        desktop.set_overlay(&overlay);
    }
    ~Impl_() {
        desktop.set_hud(nullptr);
        desktop.set_overlay(nullptr);
    }
    core::LevelPosition shown_position() const {
        const auto [level, sub_level] = desktop.display_position();
        return core::LevelPosition(level, sub_level);
    }

    ScreenSystem* system() const { return owner.screen_system(); }
    SessionControllerBase* controller() const { return owner.controller(); }
    bool on_top() const {
        ScreenSystem* ss = system();
        return ss && ss->top_screen() == &owner;
    }

    // The autosave rule; a failure is logged, and play goes on or ends as
    // it would have.
    void write_autosave() noexcept;
    void start();
    void update();
    void open_break_menu();
    void break_menu_closed(int result);
    void options_closed(int result);
    void open_pause();
    void pause_closed();
    void show_statistics();
    void statistics_closed();
    void show_mission_failed();
    void mission_failed_closed(int result);

    GameScreen& owner;
    GameDesktop desktop;
    Interface hud;
    HudLink hud_link;
    DebugOverlay overlay;
    bool started = false;
    bool had_focus = true;
    // A dialog requested and not yet closed: its opener does not push it
    // again, so two requests in one step open it once.
    bool break_open = false;
    bool pause_open = false;
    bool options_open = false;
    bool failed_open = false;
    bool statistics_shown = false;
};

void GameScreen::Impl_::write_autosave() noexcept {
    try {
        desktop.write_autosave_if_running();
    } catch (const std::exception& e) {
        game_screen_errors.stream() << "The autosave was not written: " << e.what() << std::endl;
    } catch (...) {
        game_screen_errors.stream() << "The autosave was not written." << std::endl;
    }
}

void GameScreen::Impl_::start() {
    started = true;
    statistics_shown = false;
    try {
        desktop.start_sub_level();
    } catch (const std::exception& e) {
        // Whatever the sub-level's files or the saved game hold, the player
        // goes back to the screen that started the game.
        const std::string text = e.what();
        game_screen_errors.stream() << "Cannot start the sub-level: " << text << std::endl;
        if (ScreenSystem* ss = system())
            if (GameApp* app = ss->app()) app->MsgBox(text, app->mTitle, Vant::mb::kIconError);
        desktop.stop();
        if (ScreenSystem* ss = system()) ss->pop_screen();
    }
}

void GameScreen::Impl_::update() {
    if (!started) {
        start();
        owner.control().mark_dirty();
        return;
    }
    ScreenSystem* ss = system();
    if (!ss) return;
    const bool focus = ss->is_active();
    if (focus != had_focus) {
        had_focus = focus;
        if (!focus && on_top()) open_pause();
    }
    if (!on_top()) {
        if (!desktop.is_paused()) desktop.pause_quietly();
    } else if (desktop.is_paused()) {
        desktop.resume();
    }
    desktop.update();
    owner.control().mark_dirty();
}

void GameScreen::Impl_::open_break_menu() {
    ScreenSystem* ss = system();
    SessionControllerBase* c = controller();
    if (!ss || !c || break_open) return;
    if (dynamic_cast<GameBreakScreen*>(ss->top_screen())) return;
    desktop.pause_quietly();
    GameBreakScreen* menu = c->game_break_screen();
    menu->set_callback([this](int result) { break_menu_closed(result); });
    break_open = true;
    ss->push_modal_screen(menu);
}

void GameScreen::Impl_::break_menu_closed(int result) {
    ScreenSystem* ss = system();
    if (!ss) return;
    break_open = false;
    ss->pop_screen();
    switch (result) {
    case 0:
        write_autosave();
        desktop.stop();
        ss->pop_screen();
        ss->pop_screen();
        break;
    case 1:
        desktop.resume();
        break;
    case 2: {
        SessionControllerBase* c = controller();
        if (!c || options_open) break;
        OptionsScreen* options = c->options_screen();
        options->set_close_callback([this](int r) { options_closed(r); });
        options_open = true;
        ss->push_modal_screen(options);
        break;
    }
    default:
        break;
    }
}

void GameScreen::Impl_::options_closed(int) {
    ScreenSystem* ss = system();
    if (!ss) return;
    if (options_open) {
        options_open = false;
        ss->pop_screen();
    }
    desktop.resume();
}

void GameScreen::Impl_::open_pause() {
    ScreenSystem* ss = system();
    SessionControllerBase* c = controller();
    if (!ss || !c || pause_open || desktop.is_paused()) return;
    desktop.pause_quietly();
    GamePauseScreen* pause = c->game_pause_screen();
    pause->set_callback([this] { pause_closed(); });
    pause_open = true;
    ss->push_modal_screen(pause);
}

void GameScreen::Impl_::pause_closed() {
    pause_open = false;
    desktop.resume();
}

void GameScreen::Impl_::show_statistics() {
    SessionControllerBase* c = controller();
    ScreenSystem* ss = system();
    if (!c || !ss || statistics_shown) return;
    statistics_shown = true;
    desktop.pause_quietly();
    const auto player = logged_player(c->session());
    if (!player) {
        statistics_closed();
        return;
    }
    desktop.merge_run_statistics();
    const core::LevelPosition shown = shown_position();
    core::Session& session = c->session();
    const std::string id = session.levels().get(shown.level() - 1).get(shown.sub_level() - 1).id();
    StatsScreen* stats = c->stats_screen();
    stats->set_callback([this](int) {
        if (ScreenSystem* s = system()) s->pop_screen();  // the statistics
        statistics_closed();
    });
    stats->set_header(false, shown);
    stats->fill_table(false, player->statistics(), session.sub_level_statistics(id));
    ss->push_modal_screen(stats);
}

void GameScreen::Impl_::statistics_closed() {
    ScreenSystem* ss = system();
    SessionControllerBase* c = controller();
    if (!ss || !c) return;
    desktop.stop();
    ss->pop_screen();  // the game screen
    core::Session& session = c->session();
    const auto player = logged_player(session);
    if (!player || player->game_mode() != 0) return;
    const core::LevelPosition shown = shown_position();
    core::Levels& levels = session.levels();
    if (levels.size() == 0 || shown.level() != levels.size()) return;
    if (shown.sub_level() != levels.get(levels.size() - 1).size()) return;
    ss->pop_screen();
    ss->push_screen(c->best_results_screen());
}

void GameScreen::Impl_::show_mission_failed() {
    ScreenSystem* ss = system();
    SessionControllerBase* c = controller();
    if (!ss || !c || failed_open) return;
    desktop.pause_quietly();
    MissionFailedScreen* dialog = c->mission_failed_screen();
    dialog->set_callback([this](int result) { mission_failed_closed(result); });
    failed_open = true;
    ss->push_modal_screen(dialog);
}

void GameScreen::Impl_::mission_failed_closed(int result) {
    ScreenSystem* ss = system();
    if (!ss) return;
    failed_open = false;
    ss->pop_screen();
    desktop.stop();
    if (result == 0) {
        if (SessionControllerBase* c = controller())
            if (const auto player = logged_player(c->session())) player->medals_stats().clear_without_continue();
        started = false;
        desktop.resume();
    } else if (result == 1) {
        ss->pop_screen();
        ss->pop_screen();
    }
}

GameScreen::GameScreen(ScreenSystem& system)
    : BasicScreen(system, "menu/game"), impl_(std::make_unique<Impl_>(*this, system)) {
    GameDesktop& d = impl_->desktop;
    control().add_child(d);
    d.set_position({0, 0});
    d.set_size(control().size());
    Impl_* m = impl_.get();
    d.set_menu_callback([m] { m->open_break_menu(); });
    d.set_pause_callback([m] { m->open_pause(); });
    d.set_complete_callback([m] { m->show_statistics(); });
    d.set_failed_callback([m] { m->show_mission_failed(); });
    impl_->hud.set_on_menu([m] { m->open_break_menu(); });
}

GameScreen::~GameScreen() {
    impl_->write_autosave();
    // Written once: the desktop's own destructor finds nothing running.
    impl_->desktop.stop();
}

void GameScreen::update() { impl_->update(); }

GameDesktop& GameScreen::desktop() const { return impl_->desktop; }
Interface& GameScreen::hud() const { return impl_->hud; }
bool GameScreen::started() const { return impl_->started; }

GameScreen* SessionControllerBase::game_screen() { return make<GameScreen>(game_slot); }

}  // namespace orvek::trelm::gui
