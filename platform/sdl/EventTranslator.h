#pragma once
// SDL events to message records. Pure apart from the state it keeps (Alt
// held, buttons down), so tests feed it hand-made events.
#include <SDL.h>

#include <vector>

#include "platform/Messages.h"

namespace plat::sdl {

// The virtual-key code of an SDL key, 0 when it has none.
int VirtualKey(SDL_Keycode key);

class EventTranslator {
public:
    // Appends the records one event becomes (possibly none).
    void Translate(const SDL_Event& event, std::vector<MsgRecord>& out);
    bool altHeld() const { return altHeld_; }

private:
    std::uintptr_t MouseFlags() const;
    bool altHeld_ = false, shiftHeld_ = false, ctrlHeld_ = false;
    bool left_ = false, right_ = false, middle_ = false;
};

}  // namespace plat::sdl
