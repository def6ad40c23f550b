// What Game::start refuses of the level a creator handed over, and the
// invariants every step keeps.
#include <cmath>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <string>

#include "logic/Ball.h"
#include "logic/Game.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/ZelkorRegion.h"

namespace orvek::trelm::logic {

namespace {

[[noreturn]] void refuse(const std::string& why) { throw std::invalid_argument("Level refused: " + why); }

std::string text(double v) {
    char out[32];
    std::snprintf(out, sizeof out, "%g", v);
    return out;
}

// Whatever the saved-game loader refuses, the start refuses first: a value
// out of this range makes a place or speed that no save may hold.
void number(const std::string& name, float v) {
    if (!std::isfinite(v)) refuse(name + " is not finite");
    if (std::fabs(v) > largest_plausible) refuse(name + " is out of range (" + text(v) + ")");
}

void triple(const std::string& name, const Float3& t) {
    number(name + ".speed", t.speed);
    number(name + ".max_speed", t.max_speed);
    number(name + ".acceleration", t.acceleration);
}

void not_negative(const std::string& name, double v) {
    if (v < 0.0) refuse(name + " is negative (" + text(v) + ")");
}

// A count of balls in one chain, which a save must be able to hold again.
void chain_count(const std::string& name, int v, int least) {
    if (v < least) refuse(name + " must be at least " + std::to_string(least));
    if (std::uint32_t(v) > Sequence::most_balls) refuse(name + " is above " + std::to_string(Sequence::most_balls));
}

void check_way(const std::string& way, const WaySettings& ws) {
    chain_count(way + "sequences_size", ws.sequences_size, 1);
    chain_count(way + "sequences_uniformity", ws.sequences_uniformity, 1);
    number(way + "sequences_dtime", ws.sequences_dtime);
    // No time between chains would release one at every step.
    if (!(ws.sequences_dtime > 0.0f))
        refuse(way + "sequences_dtime must be above 0 (" + text(ws.sequences_dtime) + ")");
    number(way + "bonus_increment_for_seqs", ws.bonus_increment_for_seqs);
    number(way + "path_roll_out", ws.path_roll_out);
    number(way + "path_for_next_sequence", ws.path_for_next_sequence);
    // Below 0 the way counts as free while chains still queue behind its
    // start, and they would pile up there.
    not_negative(way + "path_for_next_sequence", ws.path_for_next_sequence);
    triple(way + "speed_roll_out", ws.speed_roll_out);
    triple(way + "speed_roll_in", ws.speed_roll_in);
    triple(way + "speed_forward", ws.speed_forward);
    triple(way + "speed_backward", ws.speed_backward);
    triple(way + "speed_go_back", ws.speed_go_back);
    triple(way + "speed_bonus_slowing", ws.speed_bonus_slowing);
    triple(way + "speed_bonus_go_back", ws.speed_bonus_go_back);
    triple(way + "speed_zelkor_region", ws.speed_zelkor_region);
    number(way + "roll_out_braking", ws.roll_out_braking);
}

}  // namespace

void Game::check_level() {
    not_negative("storage", params_.storage);
    chain_count("storage", params_.storage, 0);
    number("bonus_balls_min", params_.bonus_balls_min);
    number("bonus_balls_max", params_.bonus_balls_max);
    number("coin_balls_min", params_.coin_balls_min);
    number("coin_balls_max", params_.coin_balls_max);
    not_negative("coins_for_life", params_.coins_for_life);
    number("time_block_shoot", params_.time_block_shoot);
    number("desktop_width", params_.desktop_width);
    number("desktop_height", params_.desktop_height);
    number("platform_line.y", platform_line_.y);
    number("platform_line.left", platform_line_.left);
    number("platform_line.right", platform_line_.right);
    triple("contour_speed", contour_speed_);
    // The standing carried from the last sub-level (or the configured lives).
    not_negative("lives", lives_);
    not_negative("coins", coins_);
    if (contour_ && !shaft_) refuse("the lift shaft lies out of range (storage and desktop_height)");
    if (shaft_) {
        const Vector2 foot = shaft_->first_position().point;
        if (!(std::fabs(foot.y) <= largest_plausible))
            refuse("the lift shaft lies out of range (storage and desktop_height)");
    }

    if (!ways_.empty() && ball_colors_.empty()) refuse("no ball colours are given");
    if (way_settings_.size() < ways_.size()) refuse("way " + std::to_string(way_settings_.size()) + " has no settings");
    for (std::size_t i = 0; i < ways_.size(); ++i) {
        const std::string way = "way " + std::to_string(i);
        check_way(way + ": ", way_settings_[i]);
        if (!ways_[i]->geometry().has_mark(WayGeometry::start_mark)) refuse(way + " has no start mark");
    }
}

namespace {

bool finite(const Vector2& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

std::string Game::validate() const {
    if (state_ < playing || state_ > complete) return "unknown state " + std::to_string(state_);
    if (lives_ < 0 || coins_ < 0) return "negative lives or coins";
    if (way_settings_.size() < ways_.size()) return "a way without settings";
    if (started_ && next_release_.size() != ways_.size()) return "a way without its release time";
    for (float t : next_release_)
        if (std::isnan(t)) return "a release time is not a number";
    if (!std::isfinite(time_)) return "the time is not finite";
    if (!seq_pending_.empty() || !flying_pending_.empty()) return "removals left over after the step";

    std::set<const Way*> known;
    for (const auto& w : ways_) known.insert(w.get());
    for (const auto* w : {&contour_, &shaft_, &first_branch_, &second_branch_})
        if (*w) known.insert(w->get());
    std::set<const Sequence*> chains;
    std::set<const Ball*> balls;
    for (const auto& s : sequences_) {
        const std::string chain = "chain " + std::to_string(chains.size());
        if (!s || !chains.insert(s.get()).second) return chain + " is missing or listed twice";
        if (!known.count(s->way())) return chain + " runs on a way the game does not have";
        const Way& w = *s->way();
        const Ball* behind = nullptr;
        for (const auto& b : s->balls()) {
            if (!b || b->sequence() != s.get()) return chain + " holds a ball that belongs elsewhere";
            if (!balls.insert(b.get()).second) return chain + " holds a ball of another chain";
            if (b->segment() < -1 || b->segment() >= w.point_count()) return chain + " has a ball off its way";
            if (!finite(b->position())) return chain + " has a ball that lies nowhere";
            if (behind && w.is_ahead(behind->way_position(), b->way_position()))
                return chain + " has its balls out of order";
            behind = b.get();
        }
        if (s->head() && (s->head()->chain() != s.get() || s->head()->side() != ZelkorRegion::head_side))
            return chain + " has a head that does not lead back to it";
        if (s->tail() && (s->tail()->chain() != s.get() || s->tail()->side() != ZelkorRegion::tail_side))
            return chain + " has a tail that does not lead back to it";
    }
    // On each way, the rear-most chain first.
    for (auto it = sequences_.begin(); it != sequences_.end(); ++it) {
        const Sequence& a = **it;
        if (a.empty()) continue;
        for (auto jt = std::next(it); jt != sequences_.end(); ++jt) {
            const Sequence& b = **jt;
            if (b.way() != a.way() || b.empty()) continue;
            if (a.way()->is_ahead(a.rear_ball()->way_position(), b.rear_ball()->way_position()))
                return "two chains on one way are listed out of path order";
            break;
        }
    }
    if (platform_ && !finite(platform_->position())) return "the platform lies nowhere";
    return {};
}

}  // namespace orvek::trelm::logic
