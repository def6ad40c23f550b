// The platform's side of the ball supply: which waiting ball it loads next
// and how it takes it out of its chain.
#include <limits>

#include "logic/Ball.h"
#include "logic/Game.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "orvek/Profiler.h"

namespace orvek::trelm::logic {

Ball* Game::next_ball_for_platform() const {
    ProfileScope scope("Game::next_ball_for_platform()");
    if (!platform_) return nullptr;
    const Vector2 at = platform_->position();
    Ball* best = nullptr;
    float best_d = std::numeric_limits<float>::infinity();
    for (const auto& s : sequences_) {
        if (!live(*s) || !s->way()) continue;
        const Way* w = s->way();
        if (w != contour_.get() && w != first_branch_.get() && w != second_branch_.get()) continue;
        for (const auto& b : s->balls()) {
            const Vector2 d = b->position() - at;
            const float d2 = d.dot(d);
            if (d2 < best_d) {
                best_d = d2;
                best = b.get();
            }
        }
    }
    return best;
}

void Game::exchange_platform_ball(std::shared_ptr<Ball>& slot) {
    Ball* b = next_ball_for_platform();
    if (!b || !b->sequence()) return;
    Sequence* s = b->sequence();
    if (slot)
        slot = s->replace_ball(*b, slot);
    else
        slot = s->remove_ball(*b);
}

}  // namespace orvek::trelm::logic
