#include "gui/DebugOverlay.h"

#include <cstdio>
#include <limits>

#include "core/CampaignPlayer.h"
#include "core/Profile.h"
#include "core/Session.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "logic/ActiveBonuses.h"
#include "logic/Bonus.h"
#include "logic/BonusWord.h"
#include "logic/Game.h"
#include "logic/Way.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {

const Vant::Color kWhite(255, 255, 255);
const Vant::Color kGrey(100, 100, 100);
const Vant::Color kWayColor(255, 128, 64);
const Vant::Color kMarkColors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 255, 255}};

constexpr int kStatsX = 30, kMedalsX = 400, kTop = 100, kStep = 20;

std::string number(float v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", double(v));
    return buf;
}

template <class T>
std::string number(T v) {
    return std::to_string(v);
}

void add(std::vector<DebugOverlay::Line>& lines, int x, std::string text, const Vant::Color& color) {
    DebugOverlay::Line line;
    line.x = x;
    line.y = kTop + kStep * int(lines.size());
    line.pieces.push_back({std::move(text), color});
    lines.push_back(std::move(line));
}

// The seconds a speed bonus of kind still runs; negative when none runs.
float remaining(const logic::ActiveBonuses* bonuses, int kind, float now) {
    if (!bonuses) return -1.0f;
    const auto& effects = bonuses->effects();
    if (std::size_t(kind) >= effects.size()) return -1.0f;
    const auto* speed = dynamic_cast<const logic::BonusSpeed*>(effects[std::size_t(kind)].get());
    return speed ? speed->end_time() - now : -1.0f;
}

}  // namespace

std::string DebugOverlay::Line::text() const {
    std::string out;
    for (const Piece& p : pieces) out += p.text;
    return out;
}

DebugOverlay::DebugOverlay() {
    static ostrel::ConfigValueReadOnly<bool> ways("debug/@draw_ways", true);
    static ostrel::ConfigValueReadOnly<bool> stats("debug/@draw_stats", true);
    static ostrel::ConfigValueReadOnly<bool> medals("debug/@draw_medals_stats", true);
    switches_ = {ways.get(), stats.get(), medals.get()};
}

void DebugOverlay::draw(Vant::Graphics& g, GameDesktop& desktop) {
    if (!switches_.ways && !switches_.stats && !switches_.medals) return;
    core::Session& session = desktop.session();
    const core::MedalsStats* player = nullptr;
    if (const auto profile = session.profile())
        if (const auto campaign = profile->property<core::CampaignPlayer>()) player = &campaign->medals_stats();
    draw(g, desktop.game(), session.play_time(), player);
}

void DebugOverlay::draw(Vant::Graphics& g, logic::Game& game, float play_time,
                        const core::MedalsStats* player) const {
    if (switches_.ways) draw_ways(g, game);
    if (!switches_.stats && !switches_.medals) return;
    const ostrel::Skin* skin = ostrel::Skin::instance();
    Vant::Font* font = nullptr;
    if (skin) {
        try {
            font = skin->get_font("DebugFont");
        } catch (const std::exception&) {
            font = nullptr;  // a debugging aid never ends the game
        }
    }
    if (switches_.stats) draw_lines(g, font, stats_lines(game));
    if (switches_.medals) {
        const Vant::Color color = skin ? skin->get_color("menu/game/text_colors/debug") : kWhite;
        draw_lines(g, font, medal_lines(game, play_time, player, color));
    }
}

void DebugOverlay::draw_ways(Vant::Graphics& g, const logic::Game& game) {
    for (const auto& way : game.ways()) {
        if (!way) continue;
        const auto& points = way->points();
        g.SetColor(kWayColor);
        for (std::size_t i = points.size(); i-- > 1;)
            g.DrawLine(int(points[i].x), int(points[i].y), int(points[i - 1].x), int(points[i - 1].y));
        const logic::WayGeometry& geometry = way->geometry();
        const logic::WayPosition* marks[4] = {&geometry.marks[0], &geometry.marks[1], &geometry.marks[2],
                                              &way->entry()};
        for (int m = 0; m < 4; ++m) {
            if (marks[m]->index < 0) continue;
            g.SetColor(kMarkColors[m]);
            g.FillRect(int(marks[m]->point.x) - 2, int(marks[m]->point.y) - 2, 4, 4);
        }
    }
}

std::vector<DebugOverlay::Line> DebugOverlay::stats_lines(logic::Game& game) {
    std::vector<Line> lines;
    add(lines, kStatsX, "Lifes: " + number(game.lives()), kWhite);
    add(lines, kStatsX, "Points: " + number(game.points()), kWhite);
    add(lines, kStatsX, "Progress: " + number(game.mission_progress()), kWhite);
    add(lines, kStatsX, "Coins: " + number(game.coins()), kWhite);
    const logic::RandomTimer& bonus = game.bonus_timer();
    add(lines, kStatsX, "BonusProgress: " + number(bonus.elapsed) + " / " + number(bonus.threshold), kWhite);
    const logic::RandomTimer& coin = game.coin_timer();
    add(lines, kStatsX, "CoinProgress: " + number(coin.elapsed) + " / " + number(coin.threshold), kWhite);

    // The nearest release still to come on any way.
    float next = std::numeric_limits<float>::infinity();
    for (float t : game.next_release_times())
        if (t > game.time() && t - game.time() < next) next = t - game.time();
    if (next != std::numeric_limits<float>::infinity())
        add(lines, kStatsX, "TimeForNextSequence: " + number(next), kWhite);

    const auto* bonuses = dynamic_cast<const logic::ActiveBonuses*>(game.bonuses());
    if (bonuses) {
        Line word;
        word.x = kStatsX;
        word.y = kTop + kStep * int(lines.size());
        for (const auto& w : bonuses->words())
            if (w)
                for (const auto& letter : w->letters())
                    word.pieces.push_back({std::string(1, letter.letter), letter.marked ? kWhite : kGrey});
        if (!word.pieces.empty()) lines.push_back(std::move(word));
    }
    const struct {
        const char* name;
        int kind;
    } timed[] = {{"BonusGoBack: ", logic::effect_go_back},
                 {"BonusStop: ", logic::effect_stop},
                 {"BonusSlowing: ", logic::effect_slowing}};
    for (const auto& t : timed) {
        const float left = remaining(bonuses, t.kind, game.time());
        if (left >= 0.0f) add(lines, kStatsX, t.name + number(left), kWhite);
    }
    return lines;
}

std::vector<DebugOverlay::Line> DebugOverlay::medal_lines(logic::Game& game, float play_time,
                                                          const core::MedalsStats* player, const Vant::Color& color) {
    std::vector<Line> lines;
    auto put = [&](const char* name, const std::string& value) {
        add(lines, kMedalsX, std::string(name) + ": " + value, color);
    };
    put("play_time", number(play_time));
    if (player) {
        put("zelkors_destroying_global", number(player->counter_a()));
        put("completing_sublevels", number(player->counter_c()));
        put("catching_bonuses", number(player->counter_b()));
        put("quick_complete_sublevels0", number(player->quick_complete_count(0)));
        put("quick_complete_sublevels1", number(player->quick_complete_count(1)));
        put("quick_complete_sublevels2", number(player->quick_complete_count(2)));
        put("need_medal_without_continue", number(int(player->without_continue())));
        put("need_medal_without_loose_life", number(int(player->without_lose_life())));
    }
    const logic::MedalsStats& m = game.medals_stats();
    put("sniper_shot_grey", number(m.sniper_grey));
    put("sniper_shot_red", number(m.sniper_red));
    put("sniper_shot_white", number(m.sniper_white));
    put("indirect", number(m.indirect));
    put("jewels", number(m.jewels));
    put("zelkors_destroying_sublevel", number(m.creatures_destroyed));
    put("zelkors_back_home", number(m.creatures_home));
    for (const auto& k : m.knocked) {
        put("knock_zelkor_red", number(k.red));
        put("knock_zelkor_grey", number(k.grey));
        put("knock_zelkor_white", number(k.white));
    }
    return lines;
}

void DebugOverlay::draw_lines(Vant::Graphics& g, Vant::Font* font, const std::vector<Line>& lines) {
    if (!font) return;
    g.SetFont(font);
    for (const Line& line : lines) {
        int x = line.x;
        for (const Piece& p : line.pieces) {
            g.SetColor(p.color);
            g.DrawString(p.text, x, line.y);
            x += font->StringWidth(p.text);
        }
    }
}

}  // namespace orvek::trelm::gui
