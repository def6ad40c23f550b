#pragma once
// Input events: a window message becomes one of these objects, and the
// screen system offers it to the controls. Handlers tell the kinds apart by
// dynamic type tests. Events live for one dispatch only.
#include <array>
#include <cstdint>

#include "ostrel/Geometry.h"

namespace orvek::ostrel {

class Control;

// The input state: the cursor of the last mouse message and the key-down
// flags, indexed by virtual-key code.
struct Input {
    int x = 0, y = 0;
    std::array<bool, 256> keys{};
    bool key_down(std::uint32_t key) const { return key < keys.size() && keys[key]; }
};

namespace events {

class Event {
public:
    virtual ~Event();
    // The first control that reported the event handled; null before.
    Control* handled_by() const { return handled_by_; }
    void set_handled_by(Control* control) { handled_by_ = control; }

private:
    Control* handled_by_ = nullptr;
};

class CursorEvent : public Event {};
class KeyboardEvent : public Event {};

}  // namespace events

// The second base of every concrete event: the input state it was made from.
class BasicEvent {
public:
    explicit BasicEvent(const Input& input) : input_(input) {}
    virtual ~BasicEvent();
    const Input& input() const { return input_; }

private:
    const Input& input_;
};

class CursorEvent : public events::CursorEvent, public BasicEvent {
public:
    explicit CursorEvent(const Input& input) : BasicEvent(input), position_{input.x, input.y} {}
    Point position() const { return position_; }

private:
    Point position_;
};

// Left button.
class SelectPressEvent : public CursorEvent { using CursorEvent::CursorEvent; };
class SelectReleaseEvent : public CursorEvent { using CursorEvent::CursorEvent; };
// Right button.
class ContextPressEvent : public CursorEvent { using CursorEvent::CursorEvent; };
class ContextReleaseEvent : public CursorEvent { using CursorEvent::CursorEvent; };
class MiddlePressEvent : public CursorEvent { using CursorEvent::CursorEvent; };
class MiddleReleaseEvent : public CursorEvent { using CursorEvent::CursorEvent; };
// Left double click.
class OpenEvent_ : public CursorEvent { using CursorEvent::CursorEvent; };
// Right double click.
class ContextOpenEvent : public CursorEvent { using CursorEvent::CursorEvent; };

class WheelEvent : public CursorEvent {
public:
    WheelEvent(const Input& input, std::int32_t delta) : CursorEvent(input), delta_(delta) {}
    std::int32_t delta() const { return delta_; }

private:
    std::int32_t delta_;
};

class PositionEvent : public CursorEvent {
public:
    PositionEvent(const Input& input, Point delta) : CursorEvent(input), delta_(delta) {}
    // The cursor's move since the previous mouse message.
    Point delta() const { return delta_; }

private:
    Point delta_;
};

class KeyboardEvent : public events::KeyboardEvent, public BasicEvent {
public:
    explicit KeyboardEvent(const Input& input) : BasicEvent(input) {}
};

class KeyEvent : public KeyboardEvent {
public:
    KeyEvent(const Input& input, std::uint32_t key, bool was_down)
        : KeyboardEvent(input), key_(key), was_down_(was_down) {}
    // The virtual-key code.
    std::uint32_t key() const { return key_; }
    bool was_down() const { return was_down_; }

private:
    std::uint32_t key_;
    bool was_down_;
};

class KeyPressEvent : public KeyEvent { using KeyEvent::KeyEvent; };

class KeyReleaseEvent : public KeyEvent {
public:
    KeyReleaseEvent(const Input& input, std::uint32_t key) : KeyEvent(input, key, false) {}
};

class CharEvent : public KeyboardEvent {
public:
    CharEvent(const Input& input, unsigned char character, bool flag)
        : KeyboardEvent(input), character_(character), flag_(flag) {}
    // A Windows-1251 byte.
    unsigned char character() const { return character_; }
    // Bit 30 of the message: the key was down before.
    bool flag() const { return flag_; }

private:
    unsigned char character_;
    bool flag_;
};

}  // namespace orvek::ostrel
