#include "gui/GameReactions.h"

#include <algorithm>
#include <memory>

#include "core/CampaignPlayer.h"
#include "core/LevelDescriptor.h"
#include "core/LevelResult.h"
#include "core/Levels.h"
#include "core/Profile.h"
#include "core/Session.h"
#include "gui/Dialogs.h"
#include "gui/Effects.h"
#include "gui/GameDesktop.h"
#include "gui/MedalFlyIn.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "logic/Ball.h"
#include "logic/GameAction.h"
#include "logic/Medals.h"
#include "logic/Way.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/Sound.h"
#include "ostrel/gui/ColorNames.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {

namespace lg = logic;

ostrel::ConfigValueReadOnly<std::uint32_t> high_speed_increment("bonuses/@high_speed_bonus_increment", 20u);

constexpr int medal_chain = 3, medal_combo = 11, medal_destroying_global = 14, medal_completing = 17,
              medal_catching = 18, medal_quick = 19, medal_game_complete = 20, medal_without_continues = 21,
              medal_without_lost_life = 22, medal_prize_place = 23;

// A counter of the pop-up counts when it is set and above 0.
bool counts(const lg::ActionCounter& c) { return c.set && c.value > 0; }

std::uint32_t setting(const ostrel::ConfigValueReadOnly<std::uint32_t>& value) {
    ostrel::ConfigRegistry::instance().ensure_updated();
    return value.get();
}

}  // namespace

std::uint32_t play_game_sound(const std::string& name) {
    const ostrel::Skin* s = ostrel::Skin::instance();
    const std::string node = "menu/game/sounds/" + name;
    if (!s || !s->has_attribute(node, "path")) return 0;
    return ostrel::play_sound(s->get_path(node));
}

std::vector<std::string> points_lines(const lg::GameActionPoints& p) {
    const ostrel::Skin& s = skin();
    std::vector<std::string> lines{std::to_string(p.points)};
    const auto counted = [&](const lg::ActionCounter& c, const char* key) {
        if (counts(c)) lines.push_back(s.get_text(std::string("menu/points/") + key) + " x" + std::to_string(c.value));
    };
    counted(p.chain(), "chain");
    counted(p.combo(), "combo");
    counted(p.indirect(), "indirect");
    if (p.sniper_shot()) lines.push_back(s.get_text("menu/points/sniper_shot"));
    if (p.high_speed())
        lines.push_back(s.get_text("menu/points/high-speed") + " +" + std::to_string(setting(high_speed_increment)));
    return lines;
}

void GameReactions::dispatch(const lg::GameAction& action) {
    GameDesktop& d = desktop_;
    switch (action.type) {
    case lg::action_points:
        if (const auto* p = action.payload<lg::GameActionPoints>()) points(*p);
        break;
    case lg::action_consuming_balls:
        play_game_sound("ball_consuming");
        if (const auto* p = action.payload<lg::GameActionConsumingBalls>())
            for (const auto& ball : p->balls)
                // A ball of no colour has no effect, and nothing goes in the list.
                if (ball) d.add_renderer(make_ball_consuming_effect(&d, ball->position(), ball->color()));
        break;
    case lg::action_catch_bonus:
        play_game_sound("catch_bonus");
        if (const auto* p = action.payload<lg::GameActionCatchBonus>()) {
            d.add_renderer(make_catch_bonus_effect(&d, p->position));
            d.add_bonus_name(p->name);
        }
        break;
    case lg::action_restart: {
        core::StatisticsRecord& record = campaign_player(d.session()).statistics();
        record.update_time(d.time_mark());
        record.set_time_mark(d.game_time());
        d.set_time_mark(d.game_time());
        break;
    }
    case lg::action_restart_after_life_lost:
        lose_life();
        break;
    case lg::action_sequence_roll_in_complete:
        play_game_sound("sequence_roll_in_complete");
        if (const auto* p = action.payload<lg::GameActionSequenceRollInComplete>())
            // The way may be gone by now, or have no finish mark: the sound alone then.
            if (const auto way = p->way.lock())
                if (way->geometry().has_mark(lg::WayGeometry::finish_mark))
                    d.add_renderer(
                        make_roll_in_effect(&d, way->geometry().marks[lg::WayGeometry::finish_mark].point));
        break;
    case lg::action_lightning:
        if (const auto* p = action.payload<lg::GameActionLightning>()) {
            play_game_sound(p->intensive ? "lightning_intensive" : "lightning");
            d.add_renderer(make_lightning_effect(&d, p->position, p->intensive != 0));
        }
        break;
    case lg::action_intensify:
        play_game_sound("intensify");
        if (const auto* p = action.payload<lg::GameActionIntensify>())
            d.add_renderer(make_intensify_effect(&d, p->position));
        break;
    case lg::action_flying_ball_hit:
        play_game_sound("ballfree_hit");
        break;
    case lg::action_explosion:
        if (const auto* p = action.payload<lg::GameActionExplosion>()) {
            play_game_sound(p->intensive ? "bomb_intensive" : "bomb");
            d.add_renderer(make_explosion_effect(&d, p->position, p->intensive != 0));
        }
        break;
    case lg::action_sequences_connection:
        play_game_sound("sequences_connection");
        break;
    case lg::action_sequence_roll:
        if (const auto* p = action.payload<lg::GameActionSequenceRoll>()) d.roll(p->speed, d.game_time() + 0.5f);
        break;
    case lg::action_shoot:
        play_game_sound("shoot");
        break;
    case lg::action_bonus_word_complete:
        campaign_player(d.session()).statistics().add_word();
        d.hud().clear_letters();
        break;
    case lg::action_letter_activate:
        if (const auto* p = action.payload<lg::GameActionLetterActivate>()) d.hud().activate_letter(p->letter);
        break;
    case lg::action_level_complete_effect:
        if (const auto* p = action.payload<lg::GameActionLevelCompleteEffect>()) {
            if (p->last) play_game_sound("complete_effect");
            d.add_renderer(make_level_complete_effect(&d, p->draw_order, p->position, p->last != 0));
            if (p->last) d.add_renderer(make_level_complete_points_text(&d, p->position, p->points));
        }
        break;
    case lg::action_level_complete_effect_start:
        if (const auto* p = action.payload<lg::GameActionLevelCompleteEffectStart>())
            level_complete_start(p->duration);
        break;
    case lg::action_head_and_tail_destroing:
        if (const auto* p = action.payload<lg::GameActionHeadAndTailDestroing>()) {
            d.add_renderer(make_head_and_tail_destroying_effect(&d, p->head));
            d.add_renderer(make_head_and_tail_destroying_effect(&d, p->tail));
        }
        break;
    case lg::action_aiming_hit:
        if (const auto* p = action.payload<lg::GameActionAimingHit>()) {
            play_game_sound(p->intensive ? "aiming_hit_intensive" : "aiming_hit");
            const auto [x, y] = d.cursor();
            d.add_renderer(make_explosion_effect(&d, Vector2(float(x), float(y)), p->intensive != 0));
        }
        break;
    case lg::action_teleportation:
        if (const auto* p = action.payload<lg::GameActionTeleportation>()) {
            // The index comes from the way file's links: one naming no pair does nothing.
            const auto& pairs = d.portal_pairs();
            if (p->link >= 0 && std::size_t(p->link) < pairs.size() && pairs[std::size_t(p->link)])
                start_portals(pairs[std::size_t(p->link)]);
        }
        break;
    case lg::action_medal:
        if (const auto* p = action.payload<lg::GameActionMedal>()) {
            if (MedalFlyIn::slot_of(p->award) < 0) break;
            d.medal_fly_in().award(p->award);
            campaign_player(d.session())
                .update_medal_progress(std::uint32_t(p->award.medal), std::uint32_t(std::max(p->value, 0)));
        }
        break;
    case lg::action_medals_stats:
        if (const auto* p = action.payload<lg::GameActionMedalsStats>()) medals_stats(p->code);
        break;
    case lg::action_game_lost:
        if (d.game().points() > 0) placement();
        break;
    default:
        break;
    }
}

void GameReactions::award_at_norm(int medal, std::uint32_t count) {
    const int grade = lg::medal_grade_for_value(medal, count, 0);
    if (grade >= 0) desktop_.medal_fly_in().award(lg::MedalAward(medal, grade));
}

void GameReactions::points(const lg::GameActionPoints& p) {
    GameDesktop& d = desktop_;
    core::CampaignPlayer& player = campaign_player(d.session());
    core::StatisticsRecord& record = player.statistics();
    if (counts(p.chain())) {
        const auto n = std::uint32_t(p.chain().value);
        record.add_chain();
        record.update_chain_max(n);
        award_at_norm(medal_chain, n);
        player.update_medal_progress(medal_chain, n);
    }
    if (counts(p.combo())) {
        const auto n = std::uint32_t(p.combo().value);
        record.add_combo();
        record.update_combo_max(n);
        award_at_norm(medal_combo, n);
        player.update_medal_progress(medal_combo, n);
    }
    if (counts(p.indirect())) {
        record.add_indirect();
        record.update_indirect_max(std::uint32_t(p.indirect().value));
    }
    if (p.sniper_shot()) record.add_sniper();

    ostrel::Skin& s = skin();
    // The colour names stop at 9; anything else shows white.
    const char* name = ostrel::color_name(p.color);
    d.add_renderer(std::make_shared<TextRenderer>(&d, points_lines(p), p.position, s.get_font("Points"),
                                                  s.get_color(std::string("menu/game/text_colors/") +
                                                              (name ? name : "white"))));
}

void GameReactions::lose_life() {
    if (lose_life_pending_) return;
    GameDesktop& d = desktop_;
    auto go_on = [this] {
        GameDesktop& desk = desktop_;
        core::CampaignPlayer& player = campaign_player(desk.session());
        player.statistics().add_life_expend();
        player.medals_stats().clear_run();
        lose_life_pending_ = false;
        if (desk.running()) desk.game().restart();
    };
    SessionControllerBase* controller = d.controller();
    ScreenSystem* system = d.owner_screen_system();
    if (!controller || !system) {
        go_on();
        return;
    }
    lose_life_pending_ = true;
    LoseLifeScreen* dialog = controller->lose_life_screen();
    dialog->set_callback([system, go_on] {
        system->pop_screen();
        go_on();
    });
    system->push_modal_screen(dialog);
}

void GameReactions::level_complete_start(float duration) {
    GameDesktop& d = desktop_;
    core::CampaignPlayer& player = campaign_player(d.session());
    core::StatisticsRecord& record = player.statistics();
    core::MedalsStats& stats = player.medals_stats();
    const float now = d.game_time();
    record.update_time(now);

    // Quick completion counts for its grade and every slower one.
    const int first = lg::medal_grade_for_time(medal_quick, record.time_expend().value);
    if (first >= 0)
        for (int grade = first; grade <= 2; ++grade) {
            const std::uint32_t c = stats.add_quick_complete(std::uint32_t(grade));
            if (lg::medal_grade_for_value(medal_quick, c, 0) == grade)
                d.medal_fly_in().award(lg::MedalAward(medal_quick, grade));
            player.update_grade_record(std::uint32_t(grade), c);
        }

    const std::uint32_t completed = stats.increment_counter_c();
    award_at_norm(medal_completing, completed);
    player.update_medal_progress(medal_completing, completed);

    if (player.game_mode() == 0) {
        core::Levels& levels = d.session().levels();
        const core::LevelPosition at = player.position();
        if (levels.size() > 0 && at.level() + 1 == levels.size() &&
            at.sub_level() + 1 == levels.get(at.level()).size()) {
            d.medal_fly_in().award(lg::MedalAward(medal_game_complete, 0));
            if (stats.without_continue()) d.medal_fly_in().award(lg::MedalAward(medal_without_continues, 0));
            if (stats.without_lose_life()) d.medal_fly_in().award(lg::MedalAward(medal_without_lost_life, 0));
        }
    }

    d.start_completion_sound(play_game_sound("complete_effect_start"), now, now + duration);
}

void GameReactions::medals_stats(std::int32_t kind) {
    GameDesktop& d = desktop_;
    core::CampaignPlayer& player = campaign_player(d.session());
    core::MedalsStats& stats = player.medals_stats();
    switch (kind) {
    case lg::medals_stats_creature_destroyed: {
        const std::uint32_t c = stats.increment_counter_a();
        award_at_norm(medal_destroying_global, c);
        player.update_medal_progress(medal_destroying_global, c);
        break;
    }
    case lg::medals_stats_head_and_tail_met:
        stats.reset_counter_a();
        break;
    case lg::medals_stats_bonus_caught: {
        const std::uint32_t c = stats.increment_counter_b();
        award_at_norm(medal_catching, c);
        player.update_medal_progress(medal_catching, c);
        break;
    }
    case lg::medals_stats_bonus_missed:
        stats.reset_counter_b();
        break;
    default:
        break;
    }
}

void GameReactions::placement() {
    GameDesktop& d = desktop_;
    core::Session& session = d.session();
    const auto profile = session.profile();
    if (!profile) return;
    const auto [level, sub_level] = d.display_position();
    auto result = std::make_shared<core::ScoreLevelResult>(std::uint32_t(d.game().points()),
                                                           core::LevelPosition(level, sub_level));
    const int p = session.add_best_result(core::ResultEntry(profile->name(), result)) - 1;
    if (p >= 0 && p < 3) d.medal_fly_in().award(lg::MedalAward(medal_prize_place, p));
}

}  // namespace orvek::trelm::gui
