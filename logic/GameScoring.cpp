// Turning removed balls into what the player earns: points with their
// combo, chain, indirect and high-speed bonuses, mission progress, drops,
// jewels, medals and the reports of all of it, in that order.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "logic/Ball.h"
#include "logic/Game.h"
#include "logic/GameBonuses.h"
#include "logic/Platform.h"
#include "orvek/config/ConfigValue.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<int> high_speed_bonus_increment("bonuses/@high_speed_bonus_increment", 20);

void send_medal(Game& game, int medal, int grade, std::uint32_t count) {
    game.add_action(make_game_action<GameActionMedal>(action_medal, MedalAward(medal, grade), std::int32_t(count)));
}

// Points are 32-bit; a long chain of multipliers stops at the limit
// instead of wrapping round to a negative score.
std::int32_t saturate(std::int64_t v) {
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    return std::int32_t(std::clamp(v, lo, hi));
}

}  // namespace

float Game::platform_y() const { return platform_ ? platform_->position().y : platform_line_.y; }

void Game::consume_balls(const std::vector<std::shared_ptr<Ball>>& removed, const Consumption& how) {
    // The supply may hand over nothing at all; there is no middle ball then.
    if (removed.empty()) return;
    const int n = int(removed.size());
    const std::shared_ptr<Ball>& reference = removed[std::size_t(n / 2)];
    const Vector2 pos = reference ? reference->position() : Vector2();
    const std::int32_t ref_color = reference ? reference->color() : color_none;

    // 1. A whole creature is gone.
    if (how.creature_destroyed) {
        add_action(make_game_action<GameActionMedalsStats>(action_medals_stats, medals_stats_creature_destroyed));
        const std::uint32_t count = ++medals_->creatures_destroyed;
        const int grade = medal_grade_for_value(medal_zelkors_destroying_sublevel, count, 0);
        if (grade >= 0) send_medal(*this, medal_zelkors_destroying_sublevel, grade, count);
    }

    // 2. Colour medals.
    if (how.score) {
        MedalAward award;
        const std::pair<std::int32_t, int> colours[] = {
            {color_red, medal_consume_red}, {color_white, medal_consume_white}, {color_grey, medal_consume_grey}};
        for (const auto& [colour, medal] : colours) {
            if (!more_than_half_of_color(removed, colour)) continue;
            const int grade = medal_grade_for_value(medal, std::uint32_t(n), 1);
            if (grade >= 0) award = MedalAward(medal, grade);
        }
        if (award.medal != -1) send_medal(*this, award.medal, award.grade, std::uint32_t(n));
    }

    // 3. Combo and chain.
    const bool credited = bonuses_ && bonuses_->register_consumption(how.by_shot, how.score && how.give_points);
    const std::int32_t combo = bonuses_ ? bonuses_->combo_count() : 0;
    const std::int32_t chain = bonuses_ ? bonuses_->chain_count() : 0;

    // 4. Points.
    std::int64_t points = std::int64_t(n) * 100;
    if (how.score) {
        if (credited && combo > 1) points += std::int64_t(combo - 1) * 100;
        if (chain > 1) points = std::int64_t(saturate(points)) * chain;
        points = std::int64_t(saturate(points)) * (std::int64_t(how.indirect) + 1);
        if (how.high_speed) points += std::int64_t(n) * high_speed_bonus_increment.get();
    }
    const std::int32_t gained = saturate(points);

    // 5, 6. Mission and score.
    if (how.mission && mission_) mission_->add_steps(n);
    if (how.give_points) points_ = saturate(std::int64_t(points_) + gained);

    // 7. Bonus and coin drops: the counters run below the platform line too,
    // but nothing is dropped where the player could not catch it.
    if (how.score) {
        float value = float(n);
        if (const WaySettings* ws = way_settings(how.way))
            value = float(n) * (1.0f + float(how.creatures_ahead) * ws->bonus_increment_for_seqs);
        const bool above = pos.y < platform_y();
        if (bonus_timer_.advance(value) && above && bonuses_) bonuses_->create_bonus(pos);
        if (coin_timer_.advance(value) && above && bonuses_) bonuses_->create_coin(pos);
    }

    // 8. Jewels.
    {
        int grade = -1;
        int jewels = 0;
        for (bool earned : {how.creature_destroyed, how.sniper_shot}) {
            if (!earned) continue;
            if (bonuses_) bonuses_->create_jewel(pos);
            ++medals_->jewels;
            ++jewels;
            const int g = medal_grade_for_value(medal_jewels, medals_->jewels, 0);
            if (g >= 0) grade = g;
        }
        if (jewels > 0 && grade >= 0) send_medal(*this, medal_jewels, grade, medals_->jewels);
    }

    // 9. The points pop-up.
    if (how.give_points) {
        auto action = std::make_shared<GameActionPoints>(pos, ref_color, gained);
        if (how.score) {
            if (credited && combo > 1) action->set_combo(combo);
            if (chain > 1) action->set_chain(chain);
            if (how.indirect > 0) action->set_indirect(how.indirect + 1);
            if (how.sniper_shot) action->set_sniper_shot();
            if (how.high_speed) action->set_high_speed();
        }
        add_action(GameAction(action_points, action));

        // 10. Sniper medals.
        if (action->sniper_shot()) {
            MedalAward award;
            std::uint32_t count = 0;
            const struct {
                std::int32_t colour;
                int medal;
                std::uint32_t MedalsStats::*counter;
            } snipers[] = {{color_red, medal_sniper_shot_red, &MedalsStats::sniper_red},
                           {color_white, medal_sniper_shot_white, &MedalsStats::sniper_white},
                           {color_grey, medal_sniper_shot_grey, &MedalsStats::sniper_grey}};
            for (const auto& s : snipers) {
                if (!more_than_half_of_color(removed, s.colour)) continue;
                const std::uint32_t c = ++(medals_.get()->*s.counter);
                const int grade = medal_grade_for_value(s.medal, c, 0);
                if (grade >= 0) {
                    award = MedalAward(s.medal, grade);
                    count = c;
                }
            }
            if (award.medal != -1) send_medal(*this, award.medal, award.grade, count);
        }

        // 11. The indirect medal.
        if (action->indirect().set) {
            const std::uint32_t count = ++medals_->indirect;
            const int grade = medal_grade_for_value(medal_indirect, count, 0);
            if (grade >= 0) send_medal(*this, medal_indirect, grade, count);
        }
    }

    // 12. What vanished.
    add_action(make_game_action<GameActionConsumingBalls>(action_consuming_balls, removed));
}

}  // namespace orvek::trelm::logic
