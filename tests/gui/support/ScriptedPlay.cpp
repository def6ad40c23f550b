#include "ScriptedPlay.h"

#include <filesystem>
#include <sstream>
#include <typeinfo>

#include "core/CampaignPlayer.h"
#include "core/Profile.h"
#include "core/Session.h"
#include "gui/CampaignScreen.h"
#include "gui/Dialogs.h"
#include "gui/GameDesktop.h"
#include "gui/GameScreen.h"
#include "gui/HelpScreen.h"
#include "gui/Interface.h"
#include "gui/MainMenuScreen.h"
#include "gui/ScreenSystem.h"
#include "gui/StatsScreen.h"
#include "gui/SessionController.h"
#include "logic/Game.h"
#include "logic/LegacyRand.h"
#include "logic/Platform.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Spots.h"
#include "platform/Messages.h"
#include "testkit/BusyLevel.h"

namespace guitest {

namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;

namespace play {

std::int32_t point(int x, int y) { return static_cast<std::int32_t>(plat::MakePointParam(x, y)); }

void move(gui::ScreenSystem& ss, int x, int y) { ss.post_message(512, 0, point(x, y)); }

void shot(gui::ScreenSystem& ss, int x, int y) {
    ss.post_message(512, 0, point(x, y));
    ss.post_message(513, 1, point(x, y));
    ss.post_message(514, 0, point(x, y));
}

int shot_x(int n) { return 120 + (n * 53) % 560; }

void click(gui::ScreenSystem& ss, const orvek::ostrel::BasicButton& button) {
    const orvek::ostrel::Point p = button.screen_position();
    shot(ss, p.x + 2, p.y + 2);
}

void key(gui::ScreenSystem& ss, std::uint32_t vk) { ss.post_message(256, vk, 0); }

std::string digest(const orvek::trelm::logic::Game& game) {
    const std::string bytes = logictest::save_of(game);
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    std::ostringstream out;
    out << std::hex << h << std::dec << ':' << bytes.size();
    return out.str();
}

}  // namespace play

namespace {

template <class T>
T* top(gui::ScreenSystem& ss) {
    return dynamic_cast<T*>(ss.top_screen());
}

gui::GameScreen* game_of(gui::ScreenSystem& ss) {
    gui::SessionControllerBase* c = ss.controller();
    return c ? dynamic_cast<gui::GameScreen*>(c->slot(gui::SessionControllerBase::game_slot)) : nullptr;
}

core::CampaignPlayer* player_of(gui::ScreenSystem& ss) {
    gui::SessionControllerBase* c = ss.controller();
    if (!c || !c->session().profile()) return nullptr;
    return c->session().profile()->property<core::CampaignPlayer>().get();
}

std::string top_name(gui::ScreenSystem& ss) {
    if (top<gui::MainMenuScreen>(ss)) return "main_menu";
    if (top<gui::CampaignScreen>(ss)) return "campaign_map";
    if (top<gui::GameScreen>(ss)) return "game";
    if (top<gui::GamePauseScreen>(ss)) return "pause";
    if (top<gui::GameBreakScreen>(ss)) return "break_menu";
    if (top<gui::LoseLifeScreen>(ss)) return "lose_life";
    if (top<gui::MissionFailedScreen>(ss)) return "mission_failed";
    return ss.top_screen() ? typeid(*ss.top_screen()).name() : "none";
}

// Phase limits in fixed steps, far above what the fixture level needs.
constexpr int kMenuSteps = 3000;
constexpr int kLoseSteps = 8000;
constexpr int kShots = 600;

}  // namespace

// Waits for the game screen, clicking its way there: the main menu's play,
// the continue dialog's load (restore mode), the map's start. Each game
// screen is seeded before its first update starts it.
bool ScriptedGame::enter_game(gui::ScreenSystem& ss) {
    gui::GameScreen* game = game_of(ss);
    if (game && game != seeded_ && !game->started()) {
        orvek::trelm::logic::seed_random(seed_ + games_++);
        seeded_ = game;
    }
    if (game && game->started() && ss.contains(game) && game->desktop().running()) return true;
    if (wait_ > 0) return false;
    wait_ = 20;  // lets a click take effect before the next one
    if (auto* menu = top<gui::MainMenuScreen>(ss)) {
        if (player_of(ss)) play::click(ss, menu->play_button());
    } else if (auto* dialog = top<gui::ContinueSavedGameScreen>(ss)) {
        play::click(ss, *dialog->button(mode_ == Mode::restore ? "/load-saved-game" : "/start-new-game"));
    } else if (auto* map = top<gui::CampaignScreen>(ss)) {
        play::click(ss, map->start_button());
    } else if (auto* help = top<gui::HelpScreen>(ss)) {
        play::click(ss, help->ok_button());
    } else if (top<gui::GamePauseScreen>(ss) && game && ss.contains(game)) {
        return true;  // a restored game waits behind the pause screen
    } else {
        wait_ = 0;
    }
    return false;
}

bool ScriptedGame::step(gui::ScreenSystem& ss) {
    ++total_;
    ++steps_;
    if (wait_ > 0) --wait_;
    auto next = [&](Phase p) {
        phase_ = p;
        steps_ = 0;
        wait_ = 0;
    };
    auto stuck = [&](int limit) {
        if (steps_ <= limit) return false;
        fact("stuck", std::to_string(int(phase_)) + " on " + top_name(ss));
        phase_ = done;
        return true;
    };
    gui::GameScreen* game = game_of(ss);
    core::CampaignPlayer* player = player_of(ss);
    switch (phase_) {
    case to_game:
        if (stuck(kMenuSteps)) break;
        if (!enter_game(ss)) break;
        if (mode_ == Mode::restore) {
            // The pause screen the restore asks for comes with the next step.
            if (!top<gui::GamePauseScreen>(ss) && ++wait_for_pause_ < 50) break;
            fact("restored_top", top_name(ss));
            fact("restored_digest", play::digest(game->desktop().game()));
            fact("restored_paused", game->desktop().is_paused());
            fact("autosave_after_restore",
                 std::filesystem::exists(ss.controller()->session().autosave_path()));
            next(done);
            break;
        }
        fact("first_position", std::to_string(player->position().level()) + "-" +
                                   std::to_string(player->position().sub_level()));
        next(steer);
        play::move(ss, 300, play::kAimY);
        break;
    case steer: {
        const orvek::trelm::logic::Platform* platform = game->desktop().game().platform();
        if (steps_ == 1) {
            fact("platform_at_300", platform ? long(platform->position().x) : -1);
            play::move(ss, 5, play::kAimY);  // beyond the left limit
        } else {
            fact("platform_at_5", platform ? long(platform->position().x) : -1);
            lives_ = game->desktop().game().lives();
            fact("lives_at_start", lives_);
            next(lose_life);
        }
        break;
    }
    case lose_life:
        // No input: the chain rolls to its end.
        if (stuck(kLoseSteps)) break;
        if (steps_ % play::kStepsPerShot == 0 && top<gui::GameScreen>(ss))
            trace.push_back(play::digest(game->desktop().game()));
        if (auto* dialog = top<gui::LoseLifeScreen>(ss)) {
            if (wait_ > 0) break;
            if (!facts.count("lose_life_shown")) {
                fact("lose_life_shown", steps_);
                fact("score_without_shots", game->desktop().run_score());
                fact("paused_under_dialog", game->desktop().is_paused());
            }
            play::click(ss, *dialog->button("/continue"));
            wait_ = 5;
        } else if (facts.count("lose_life_shown") && top<gui::GameScreen>(ss) && !game->desktop().is_paused()) {
            fact("lives_after_loss", game->desktop().game().lives());
            fact("lives_lost_recorded", long(player->statistics().lifes_expend().value));
            next(win);
        }
        break;
    case win:
        // The win shows the run's statistics first; their OK goes on.
        if (auto* stats = top<gui::StatsScreen>(ss)) {
            if (wait_ == 0) {
                if (!facts.count("statistics_shown")) fact("statistics_shown", shots_);
                play::click(ss, stats->ok_button());
                wait_ = 5;
            }
            break;
        }
        if (!game || !ss.contains(game) || !game->desktop().running()) {
            if (!ss.requests_empty()) break;
            fact("won_after_shots", shots_);
            fact("top_after_win", top_name(ss));
            fact("position_after_win", std::to_string(player->position().level()) + "-" +
                                           std::to_string(player->position().sub_level()));
            fact("best_result_stored", long(player->best_results().count("xplay_1")));
            fact("profiles_saved", std::filesystem::exists("saves/profiles.dat"));
            fact("score_recorded", long(player->statistics().score().value));
            next(to_second);
            break;
        }
        if (shots_ >= kShots) {
            fact("stuck", "no win after " + std::to_string(shots_) + " shots");
            phase_ = done;
            break;
        }
        if (auto* dialog = top<gui::LoseLifeScreen>(ss)) {
            if (wait_ == 0) {
                play::click(ss, *dialog->button("/continue"));
                wait_ = 5;
                fact("lives_lost_while_shooting", ++lost_);
            }
            break;
        }
        if (!top<gui::GameScreen>(ss) || steps_ % play::kStepsPerShot != 0) break;
        trace.push_back(play::digest(game->desktop().game()));
        if (!facts.count("first_score") && game->desktop().run_score() > 0) {
            fact("first_score", long(game->desktop().run_score()));
            fact("first_score_hud", game->hud().score_spot().text());
            fact("first_score_shots", shots_);
        }
        play::shot(ss, play::shot_x(shots_++), play::kAimY);
        break;
    case to_second:
        if (stuck(kMenuSteps)) break;
        if (!enter_game(ss)) break;
        fact("second_position", std::to_string(player->position().level()) + "-" +
                                    std::to_string(player->position().sub_level()));
        next(second);
        break;
    case second:
        if (stuck(200)) break;
        if (steps_ % play::kStepsPerShot == 0) trace.push_back(play::digest(game->desktop().game()));
        if (steps_ == 60) play::key(ss, 27);
        if (auto* menu = top<gui::GameBreakScreen>(ss)) {
            // The game stands still under the menu: this is what the exit saves.
            fact("saved_digest", play::digest(game->desktop().game()));
            fact("paused_under_break_menu", game->desktop().is_paused());
            play::click(ss, *menu->button("/exit"));
            next(leave);
        }
        break;
    case leave:
        if (stuck(200)) break;
        if (game && ss.contains(game)) break;
        if (!ss.requests_empty()) break;
        fact("top_after_exit", top_name(ss));
        fact("autosave_written", std::filesystem::exists(ss.controller()->session().autosave_path()));
        next(done);
        break;
    case done:
        break;
    }
    return phase_ != done;
}

std::string ScriptedGame::text() const {
    std::string out;
    for (const auto& [name, value] : facts) out += name + " " + value + "\n";
    out += "--\n";
    for (const std::string& t : trace) out += t + "\n";
    return out;
}

ScriptedGame ScriptedGame::parse(const std::string& text) {
    ScriptedGame g(Mode::play, 0);
    std::istringstream in(text);
    std::string line;
    bool facts = true;
    while (std::getline(in, line)) {
        if (line == "--") {
            facts = false;
        } else if (facts) {
            const std::size_t space = line.find(' ');
            g.facts[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
        } else {
            g.trace.push_back(line);
        }
    }
    return g;
}

}  // namespace guitest
