#include "platform/MessageSynth.h"

#include <algorithm>

#include "platform/Window.h"

namespace plat {

void MessageSynth::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs) {
    const std::uint32_t interval = std::max<std::uint32_t>(intervalMs, 1);
    const std::uint32_t next = clock_.TickMs() + interval;
    for (auto& t : timers_)
        if (t.window == window && t.id == id) {
            t.interval = interval;
            t.next = next;
            return;
        }
    timers_.push_back({window, id, interval, next});
}

void MessageSynth::KillTimer(WindowHandle window, std::uintptr_t id) {
    std::erase_if(timers_, [&](const Timer& t) { return t.window == window && t.id == id; });
}

void MessageSynth::KillTimers(WindowHandle window) {
    std::erase_if(timers_, [&](const Timer& t) { return t.window == window; });
    if (hoverWindow_ == window) hoverArmed_ = false;
    if (leaveWindow_ == window) leaveArmed_ = false;
}

void MessageSynth::Track(WindowHandle window, unsigned what) {
    if (what & kTrackHover) {
        hoverArmed_ = true;
        hoverWindow_ = window;
        restSince_ = clock_.TickMs();
    }
    if (what & kTrackLeave) {
        leaveArmed_ = true;
        leaveWindow_ = window;
        // Asking while the pointer is already elsewhere reports at once.
        leftPending_ = !(inside_ && pointerWindow_ == window);
    }
}

void MessageSynth::MouseMoved(WindowHandle window, int x, int y) {
    if (!inside_ || pointerWindow_ != window || x != x_ || y != y_) restSince_ = clock_.TickMs();
    inside_ = true;
    pointerWindow_ = window;
    x_ = x;
    y_ = y;
    leftPending_ = false;
}

void MessageSynth::MouseLeft(WindowHandle window) {
    if (pointerWindow_ != window && inside_) return;   // a stale report for another window
    inside_ = false;
    leftPending_ = true;
}

void MessageSynth::Collect(std::vector<MsgRecord>& out) {
    const std::uint32_t now = clock_.TickMs();
    if (leftPending_ && leaveArmed_) {
        out.push_back({leaveWindow_, msg::kMouseLeave, 0, 0});
        leaveArmed_ = false;
        hoverArmed_ = false;   // leaving ends a hover request as well
    }
    leftPending_ = false;
    if (hoverArmed_ && inside_ && pointerWindow_ == hoverWindow_ && TickDiff(now, restSince_) >= std::int32_t(kHoverMs)) {
        out.push_back({hoverWindow_, msg::kMouseHover, 0, MakePointParam(x_, y_)});
        hoverArmed_ = false;
    }
    for (auto& t : timers_) {
        if (TickDiff(now, t.next) < 0) continue;
        out.push_back({t.window, msg::kTimer, t.id, 0});
        t.next = now + t.interval;
    }
}

}  // namespace plat
