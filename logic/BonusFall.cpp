#include "logic/BonusFall.h"

#include <cmath>
#include <string>

#include "logic/ActiveBonuses.h"
#include "logic/Ball.h"
#include "logic/Bonus.h"
#include "logic/FindBalls.h"
#include "logic/Game.h"
#include "logic/GameAction.h"
#include "logic/LegacyRand.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/SkinLookup.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<float> speed_rotation("bonuses/@speed_rotation", 6.2831855f);
ostrel::ConfigValueReadOnly<float> speed0("bonuses/@bonusfall_speed0", 30.0f);
ostrel::ConfigValueReadOnly<float> speed_inc("bonuses/@bonusfall_speed_inc", 50.0f);
ostrel::ConfigValueReadOnly<float> progress_increment("bonuses/@progress_increment", 10.0f);
ostrel::ConfigValueReadOnly<int> points_for_jewel("bonuses/@points_for_jewel", 1000);
ostrel::ConfigValueReadOnly<int> increment_points_for_jewel("bonuses/@increment_points_for_jewel", 1000);
ostrel::ConfigValueReadOnly<int> points_for_coin("bonuses/@points_for_coin", 250);
ostrel::ConfigValueReadOnly<int> points_for_letter("bonuses/@points_for_letter", 1000);
ostrel::ConfigValueReadOnly<float> sequence_acceleration_speed("bonuses/@sequence_acceleration_speed", 100.0f);
ostrel::ConfigValueReadOnly<float> time_slowing("bonus_speed/@time_slowing", 10.0f);
ostrel::ConfigValueReadOnly<float> time_go_back("bonus_speed/@time_go_back", 10.0f);
ostrel::ConfigValueReadOnly<float> time_stop("bonus_speed/@time_stop", 10.0f);

constexpr double pi = 3.14159265358979323846;
constexpr float two_pi = 6.2831855f;
constexpr std::int32_t loaded_ball_order = 3000;

void add_speed_effect(ActiveBonuses* holder, std::int32_t kind, float duration) {
    if (holder) holder->add(std::make_shared<BonusSpeed>(holder->game(), kind, duration));
}

void set_special(ActiveBonuses* holder, std::int32_t kind) {
    if (Platform* p = holder ? holder->platform() : nullptr) p->set_special(kind);
}

}  // namespace

// ---------------------------------------------------------------- base

BonusFall::BonusFall() = default;

BonusFall::BonusFall(ActiveBonuses* bonuses, const Vector2& position, std::int32_t kind, std::string name)
    : Obj(position, fall_draw_order), bonuses_(bonuses), kind_(kind), name_(std::move(name)) {
    const double a = -(pi / 2.0) * double(random_fraction()) - pi / 4.0;
    const std::uint32_t n = bonuses ? bonuses->next_launch_number() : 0;
    const float speed = speed0.get() + float(n) * speed_inc.get();
    velocity_ = Vector2(float(std::cos(a)) * speed, float(std::sin(a)) * speed);
}

BonusFall::~BonusFall() = default;

std::string BonusFall::kind_name(const char* suffix) { return skin_text(std::string("menu/bonuses") + suffix); }

Game* BonusFall::owner_game() const {
    if (game()) return game();
    return bonuses_ ? bonuses_->game() : nullptr;
}

void BonusFall::on_update(float dt) {
    position() += velocity_ * dt;
    velocity_.y += bonus_gravitation() * dt;
    float r = rotation() + speed_rotation.get() * dt;
    if (r >= two_pi) r -= two_pi;
    set_rotation(r);
}

void BonusFall::on_relinked() {
    Game* g = game();
    bonuses_ = g ? dynamic_cast<ActiveBonuses*>(g->bonuses()) : nullptr;
}

void BonusFall::on_caught() {
    Game* g = owner_game();
    if (!g) return;
    g->add_action(make_game_action<GameActionCatchBonus>(action_catch_bonus, position(), name_));
    g->add_action(make_game_action<GameActionMedalsStats>(action_medals_stats, medals_stats_bonus_caught));
}

void BonusFall::save(io::OStream& out) const {
    out << std::uint8_t(0);
    Obj::save(out);
    out.write_point(velocity_);
    out << std::uint32_t(kind_);
    out.write_sized_block(name_);
}

void BonusFall::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    Obj::load(in);
    in.read_point(velocity_);
    std::uint32_t kind = 0;
    in >> kind;
    kind_ = std::int32_t(kind);
    in.read_string(name_);
}

// ---------------------------------------------------------------- kinds

BonusWildBall::BonusWildBall(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_wild_ball, kind_name("/wild_ball")) {}

void BonusWildBall::on_caught() {
    BonusFall::on_caught();
    Game* g = owner_game();
    Platform* platform = bonuses() ? bonuses()->platform() : nullptr;
    if (!g || !platform) return;
    auto ball = std::make_shared<Ball>(Vector2(0.0f, 0.0f), loaded_ball_order, BallKind{ball_plain, color_wild});
    g->on_object_added(ball);
    platform->set_ball(ball);
}

BonusSlowing::BonusSlowing(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_slowing, kind_name("/slowing")) {}

void BonusSlowing::on_caught() {
    BonusFall::on_caught();
    add_speed_effect(bonuses(), effect_slowing, time_slowing.get());
}

BonusGoBack::BonusGoBack(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_go_back, kind_name("/go_back")) {}

void BonusGoBack::on_caught() {
    BonusFall::on_caught();
    add_speed_effect(bonuses(), effect_go_back, time_go_back.get());
}

BonusStop::BonusStop(ActiveBonuses* b, const Vector2& p) : BonusFallOf(b, p, bonus_stop, kind_name("/stop")) {}

void BonusStop::on_caught() {
    BonusFall::on_caught();
    add_speed_effect(bonuses(), effect_stop, time_stop.get());
}

BonusBomb::BonusBomb(ActiveBonuses* b, const Vector2& p) : BonusFallOf(b, p, bonus_bomb, kind_name("/bomb")) {}

void BonusBomb::on_caught() {
    BonusFall::on_caught();
    set_special(bonuses(), ball_bomb);
}

BonusLightning::BonusLightning(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_lightning, kind_name("/lightning")) {}

void BonusLightning::on_caught() {
    BonusFall::on_caught();
    set_special(bonuses(), ball_lightning);
}

BonusAimingHit::BonusAimingHit(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_aiming_hit, kind_name("/aiming_hit")) {}

void BonusAimingHit::on_caught() {
    BonusFall::on_caught();
    set_special(bonuses(), ball_aiming_hit);
}

BonusColorBomb::BonusColorBomb(ActiveBonuses* b, const Vector2& p, std::int32_t color)
    : BonusFallOf(b, p, bonus_color_bomb, kind_name("/ColorBomb")), color_(color) {}

void BonusColorBomb::save(io::OStream& out) const {
    out << std::uint8_t(0);
    BonusFall::save(out);
    out << std::uint32_t(color_);
}

void BonusColorBomb::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    BonusFall::load(in);
    std::uint32_t c = 0;
    in >> c;
    color_ = std::int32_t(c);
}

void BonusColorBomb::on_caught() {
    BonusFall::on_caught();
    Game* g = owner_game();
    if (!g) return;
    FindBallsWithColorInRect_WithOutEntryWay found(g, color_bomb_field(*g), color_);
    found.collect();
    found.consume_found();
}

FindRect color_bomb_field(const Game& game) {
    const float r = ball_radius();
    return FindRect{-r, -r, game.params().desktop_width + r, game.params().desktop_height + r};
}

BonusPullIn::BonusPullIn(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_pull_in, kind_name("/PullIn")) {}

void BonusPullIn::on_caught() {
    BonusFall::on_caught();
    ActiveBonuses* holder = bonuses();
    Game* g = owner_game();
    if (holder && g) holder->add(std::make_shared<BonusPullInApplier>(g, g->time() + pull_in_time()));
}

BonusIntensifier::BonusIntensifier(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_intensifier, kind_name("/Intensifier")) {}

void BonusIntensifier::on_caught() {
    BonusFall::on_caught();
    ActiveBonuses* holder = bonuses();
    Game* g = owner_game();
    if (!holder || !g) return;
    auto applier = std::make_shared<BonusIntensifierApplier>(g, 1u);
    // Applied at once; it waits in its slot only when it changed nothing.
    if (!applier->update(0.0f)) holder->add(applier);
}

BonusProgress::BonusProgress(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_progress, kind_name("/Progress")) {}

void BonusProgress::on_caught() {
    BonusFall::on_caught();
    if (Game* g = owner_game()) g->add_mission_progress(progress_increment.get());
}

std::int32_t BonusJewel::points_for(std::uint32_t index) {
    return std::int32_t(index) * increment_points_for_jewel.get() + points_for_jewel.get();
}

BonusJewel::BonusJewel(ActiveBonuses* b, const Vector2& p, std::uint32_t index)
    : BonusFallOf(b, p, bonus_jewel, std::to_string(points_for(index))), index_(index) {}

void BonusJewel::save(io::OStream& out) const {
    out << std::uint8_t(0);
    BonusFall::save(out);
    out << index_;
}

void BonusJewel::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    BonusFall::load(in);
    in >> index_;
}

void BonusJewel::on_caught() {
    BonusFall::on_caught();
    if (Game* g = owner_game()) g->add_points(points_for(index_));
}

BonusCoin::BonusCoin(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_coin, std::to_string(points_for_coin.get())) {}

void BonusCoin::on_caught() {
    BonusFall::on_caught();
    Game* g = owner_game();
    if (!g) return;
    g->add_points(points_for_coin.get());
    g->add_coin();
}

BonusLetter::BonusLetter(ActiveBonuses* b, const Vector2& p, char letter)
    : BonusFallOf(b, p, bonus_letter, std::to_string(points_for_letter.get())), letter_(letter) {}

void BonusLetter::save(io::OStream& out) const {
    out << std::uint8_t(0);
    BonusFall::save(out);
    out << std::uint8_t(letter_);
}

void BonusLetter::load(io::IStream& in) {
    std::uint8_t version = 0;
    in >> version;
    BonusFall::load(in);
    std::uint8_t l = 0;
    in >> l;
    letter_ = char(l);
}

void BonusLetter::on_caught() {
    BonusFall::on_caught();
    if (bonuses()) bonuses()->offer_letter(letter_);
    if (Game* g = owner_game()) g->add_points(points_for_letter.get());
}

BonusSequenceAcceleration::BonusSequenceAcceleration(ActiveBonuses* b, const Vector2& p)
    : BonusFallOf(b, p, bonus_sequence_acceleration, kind_name("/SequenceAcceleration")) {}

void BonusSequenceAcceleration::on_caught() {
    BonusFall::on_caught();
    accelerated_ = 0;
    Game* g = owner_game();
    if (!g || g->state() != Game::playing) return;
    const bool intensified = bonuses() && bonuses()->is_intensifier_active();
    const float push = sequence_acceleration_speed.get() * (intensified ? 2.0f : 1.0f);
    for (const auto& s : g->sequences()) {
        if (g->is_sequence_dropped(s.get()) || !g->is_game_way(s->way())) continue;
        s->motion().speed += push;
        accelerated_ = 1;
    }
    if (accelerated_ && bonuses()) bonuses()->cancel_intensifier();
}

}  // namespace orvek::trelm::logic
