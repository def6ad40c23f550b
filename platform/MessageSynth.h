#pragma once
// The messages the pump makes up rather than translates: window timers,
// hover after the pointer rests, leave when it goes. Shared by the desktop
// and the headless window so both keep the same cadence.
#include <cstdint>
#include <vector>

#include "platform/Clock.h"
#include "platform/Messages.h"

namespace plat {

class MessageSynth {
public:
    // How long the pointer must rest before a hover report.
    static constexpr std::uint32_t kHoverMs = 400;

    explicit MessageSynth(Clock& clock) : clock_(clock) {}

    void SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs);
    void KillTimer(WindowHandle window, std::uintptr_t id);
    void KillTimers(WindowHandle window);
    // Arms hover and/or leave reports (kTrackHover/kTrackLeave bits of Window.h).
    void Track(WindowHandle window, unsigned what);

    // What the translated input said about the pointer.
    void MouseMoved(WindowHandle window, int x, int y);
    void MouseLeft(WindowHandle window);

    // Appends the messages due now: a leave first, then hover, then one
    // timer message per due timer (a late timer fires once, not once per
    // missed interval).
    void Collect(std::vector<MsgRecord>& out);

private:
    struct Timer {
        WindowHandle window;
        std::uintptr_t id;
        std::uint32_t interval;
        std::uint32_t next;
    };
    Clock& clock_;
    std::vector<Timer> timers_;
    WindowHandle hoverWindow_ = 0, leaveWindow_ = 0;
    bool hoverArmed_ = false, leaveArmed_ = false, leftPending_ = false;
    bool inside_ = false;
    WindowHandle pointerWindow_ = 0;
    int x_ = 0, y_ = 0;
    std::uint32_t restSince_ = 0;
};

}  // namespace plat
