#pragma once
// The combo and chain counters of the bonus holder: a chain counts every
// scored consumption until the holder resets it; a combo counts shots that
// consumed, and ends when a plain ball is fired without a consumption
// credited to it since the previous plain shot.
#include <cstdint>

namespace orvek::trelm::logic {

struct ComboCounters {
    std::int32_t chain = 0;
    std::int32_t combo = 0;
    bool match = false;  // a consumption was credited since the last plain shot

    // Counts a consumption; true when it was credited to the combo (at most
    // once per shot).
    bool register_consumption(bool by_shot, bool scored) {
        if (scored) ++chain;
        if (!by_shot || match) return false;
        ++combo;
        match = true;
        return true;
    }
    // A plain ball was fired.
    void plain_shot() {
        if (!match)
            combo = 0;
        else
            match = false;
    }
};

}  // namespace orvek::trelm::logic
