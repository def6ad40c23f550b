#include "logic/SpeedChanger.h"

#include <algorithm>
#include <cmath>

#include "logic/Ball.h"
#include "logic/Game.h"
#include "logic/GameBonuses.h"
#include "logic/Sequence.h"
#include "logic/ZelkorRegion.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/Stream.h"

namespace orvek::trelm::logic {

namespace {

ostrel::ConfigValueReadOnly<int> size_small_seq("sequence/@size_small_seq", 2);
ostrel::ConfigValueReadOnly<float> speed_max_go_back_increment("sequence/@speed_max_go_back_increment", 100.0f);
ostrel::ConfigValueReadOnly<float> accel_go_back_increment("sequence/@accel_go_back_increment", -150.0f);
ostrel::ConfigValueReadOnly<float> slowing_path_to_finish("sequence/@slowing_at_end__path_to_finish", 500.0f);
ostrel::ConfigValueReadOnly<float> slowing_k("sequence/@slowing_at_end__k", 1.5f);
ostrel::ConfigValueReadOnly<float> slowing_speed_min("sequence/@slowing_at_end__speed_min", 5.0f);

const WaySettings& settings(Game* game, const Sequence& s) {
    static const WaySettings none;
    const WaySettings* ws = game->way_settings(s.way());
    return ws ? *ws : none;
}

void set_limits(Sequence& s, float limit, float acceleration) {
    s.motion().max_speed = limit;
    s.motion().acceleration = acceleration;
}

}  // namespace

bool same_color_connection(Game& game, Sequence& s) {
    if (s.tail() || s.empty()) return false;
    Sequence* behind = game.sequence_behind(&s);
    return behind && !behind->empty() && colors_match(behind->front_ball()->color(), s.rear_ball()->color());
}

namespace speed_changer {

bool RollIn::applies(Sequence&) { return game_->state() == Game::rolling_in || game_->state() == Game::complete; }

void RollIn::apply(Sequence& s) {
    const Float3& roll_in = settings(game_, s).speed_roll_in;
    if (game_->state() == Game::rolling_in) {
        if (s.tail())
            s.motion().set_limits(roll_in);
        else
            set_limits(s, 0.0f, 0.0f);
    } else if (s.head()) {
        set_limits(s, roll_in.max_speed, -roll_in.acceleration);
    } else {
        set_limits(s, 0.0f, 0.0f);
    }
}

bool RollOut::applies(Sequence& s) {
    const WaySettings& ws = settings(game_, s);
    const Float3& m = s.motion();
    return m.same_limits(ws.speed_roll_out) ||
           (m.acceleration == ws.roll_out_braking && m.speed > ws.speed_forward.max_speed);
}

void RollOut::apply(Sequence& s) {
    const WaySettings& ws = settings(game_, s);
    if (!s.motion().same_limits(ws.speed_roll_out) || s.empty()) return;
    if (s.way()->distance_from_start_mark(s.front_ball()->way_position()) > ws.path_roll_out)
        s.motion().acceleration = ws.roll_out_braking;
}

bool SameColorConnection::applies(Sequence& s) { return same_color_connection(*game_, s); }

void SameColorConnection::apply(Sequence& s) {
    if (s.connections() == 0) s.set_connections(1);
    const float i = float(s.connections() - 1);
    const Float3& go_back = settings(game_, s).speed_go_back;
    set_limits(s, go_back.max_speed + i * speed_max_go_back_increment.get(),
               go_back.acceleration + i * accel_go_back_increment.get());
}

bool BonusGoBack::applies(Sequence&) {
    const GameBonuses* b = game_->bonuses();
    return b && b->is_go_back_active();
}

void BonusGoBack::apply(Sequence& s) {
    if (s.head())
        s.motion().set_limits(settings(game_, s).speed_bonus_go_back);
    else
        set_limits(s, 0.0f, 0.0f);
}

bool BonusStop::applies(Sequence&) {
    const GameBonuses* b = game_->bonuses();
    return b && b->is_stop_active();
}

void BonusStop::apply(Sequence& s) { set_limits(s, 0.0f, 0.0f); }

bool SmallSeqs::applies(Sequence& s) {
    if (s.tail() && int(s.balls().size()) <= size_small_seq.get() && game_->front_sequence_on_way(s.way()) == &s)
        return true;
    return s.motion().same_limits(settings(game_, s).speed_backward);
}

void SmallSeqs::apply(Sequence& s) {
    if (s.tail()) {
        Sequence* behind = game_->sequence_behind(&s);
        // Only a piece that carries the creature's head meets this tail; a
        // plain piece behind leaves both regions alone.
        if (behind && behind->head()) {
            auto tail = s.take_tail();
            auto head = behind->take_head();
            game_->remove_object(tail);
            game_->remove_object(head);
            game_->add_action(make_game_action<GameActionHeadAndTailDestroing>(action_head_and_tail_destroing,
                                                                               head->position(), tail->position()));
            game_->send_medals_stats();
        }
    }
    s.motion().set_limits(settings(game_, s).speed_backward);
}

bool BonusSlowing::applies(Sequence& s) {
    const GameBonuses* b = game_->bonuses();
    return s.tail() && b && b->is_slowing_active();
}

void BonusSlowing::apply(Sequence& s) { s.motion().set_limits(settings(game_, s).speed_bonus_slowing); }

bool UsualMovement::applies(Sequence& s) { return bool(s.tail()); }

void UsualMovement::apply(Sequence& s) {
    Float3 forward = settings(game_, s).speed_forward;
    if (!s.empty()) {
        const float d = s.way()->distance_to_finish_mark(s.front_ball()->way_position());
        if (d < slowing_path_to_finish.get()) {
            const float candidate = std::sqrt(std::max(d, 0.0f)) * slowing_k.get() + slowing_speed_min.get();
            if (candidate < forward.max_speed) forward.max_speed = candidate;
        }
    }
    s.motion().set_limits(forward);
}

bool Idle::applies(Sequence&) { return true; }

void Idle::apply(Sequence& s) { set_limits(s, 0.0f, 0.0f); }

}  // namespace speed_changer

SpeedChangerChain::SpeedChangerChain(Game* game) : game_(game) { build(); }

void SpeedChangerChain::build() {
    using namespace speed_changer;
    rules_ = {std::make_shared<RollIn>(game_),       std::make_shared<RollOut>(game_),
              std::make_shared<SameColorConnection>(game_), std::make_shared<BonusGoBack>(game_),
              std::make_shared<BonusStop>(game_),    std::make_shared<SmallSeqs>(game_),
              std::make_shared<BonusSlowing>(game_), std::make_shared<UsualMovement>(game_),
              std::make_shared<Idle>(game_)};
}

SpeedChanger* SpeedChangerChain::first_applying(Sequence& s) {
    if (!game_ || !game_->is_game_way(s.way())) return nullptr;
    for (auto& r : rules_)
        if (r->applies(s)) return r.get();
    return nullptr;
}

void SpeedChangerChain::apply_first(Sequence& s) {
    if (SpeedChanger* r = first_applying(s)) r->apply(s);
}

void SpeedChangerChain::save(io::OStream& out) const { out << std::uint8_t(0); }

void SpeedChangerChain::load(io::IStream& in, Game* game) {
    std::uint8_t version = 0;
    in >> version;
    game_ = game;
    build();
}

bool solve_quadratic(float a, float b, float c, float& r1, float& r2) {
    const float disc = b * b - 4.0f * a * c;
    if (a == 0.0f || !(disc >= 0.0f)) return false;
    const float root = std::sqrt(disc);
    r1 = (-b - root) / (2.0f * a);
    r2 = (root - b) / (2.0f * a);
    return true;
}

}  // namespace orvek::trelm::logic
