#include "platform/sdl/EventTranslator.h"

#include <algorithm>
#include <string>

#include "platform/Text.h"

namespace plat::sdl {
namespace {

struct KeyPair {
    SDL_Keycode key;
    int vk;
};

constexpr KeyPair kKeys[] = {
    {SDLK_BACKSPACE, vk::kBack},       {SDLK_TAB, vk::kTab},
    {SDLK_RETURN, vk::kReturn},        {SDLK_KP_ENTER, vk::kReturn},
    {SDLK_LSHIFT, vk::kShift},         {SDLK_RSHIFT, vk::kShift},
    {SDLK_LCTRL, vk::kControl},        {SDLK_RCTRL, vk::kControl},
    {SDLK_LALT, vk::kMenu},            {SDLK_RALT, vk::kMenu},
    {SDLK_PAUSE, vk::kPause},          {SDLK_CAPSLOCK, vk::kCapital},
    {SDLK_ESCAPE, vk::kEscape},        {SDLK_SPACE, vk::kSpace},
    {SDLK_PAGEUP, vk::kPrior},         {SDLK_PAGEDOWN, vk::kNext},
    {SDLK_END, vk::kEnd},              {SDLK_HOME, vk::kHome},
    {SDLK_LEFT, vk::kLeft},            {SDLK_UP, vk::kUp},
    {SDLK_RIGHT, vk::kRight},          {SDLK_DOWN, vk::kDown},
    {SDLK_PRINTSCREEN, vk::kSnapshot}, {SDLK_INSERT, vk::kInsert},
    {SDLK_DELETE, vk::kDelete},        {SDLK_KP_MULTIPLY, vk::kMultiply},
    {SDLK_KP_PLUS, vk::kAdd},          {SDLK_KP_MINUS, vk::kSubtract},
    {SDLK_KP_PERIOD, vk::kDecimal},    {SDLK_KP_DIVIDE, vk::kDivide},
    {SDLK_NUMLOCKCLEAR, vk::kNumLock}, {SDLK_SCROLLLOCK, vk::kScroll},
    {SDLK_SEMICOLON, vk::kOem1},       {SDLK_EQUALS, vk::kOemPlus},
    {SDLK_COMMA, vk::kOemComma},       {SDLK_MINUS, vk::kOemMinus},
    {SDLK_PERIOD, vk::kOemPeriod},     {SDLK_SLASH, vk::kOem2},
    {SDLK_BACKQUOTE, vk::kOem3},       {SDLK_LEFTBRACKET, vk::kOem4},
    {SDLK_BACKSLASH, vk::kOem5},       {SDLK_RIGHTBRACKET, vk::kOem6},
    {SDLK_QUOTE, vk::kOem7},
};

constexpr SDL_Keycode kKeypad[10] = {SDLK_KP_0, SDLK_KP_1, SDLK_KP_2, SDLK_KP_3, SDLK_KP_4,
                                     SDLK_KP_5, SDLK_KP_6, SDLK_KP_7, SDLK_KP_8, SDLK_KP_9};
constexpr SDL_Keycode kFunction[12] = {SDLK_F1, SDLK_F2, SDLK_F3, SDLK_F4,  SDLK_F5,  SDLK_F6,
                                       SDLK_F7, SDLK_F8, SDLK_F9, SDLK_F10, SDLK_F11, SDLK_F12};

// A key whose layout gives a non-Latin key code (a Cyrillic layout, say)
// still has its position: letters and digits come from the scan code.
int VirtualKeyOfScancode(SDL_Scancode sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc == SDL_SCANCODE_0) return '0';
    return 0;
}

std::intptr_t KeyParam(bool down, bool repeat, bool alt) {
    std::intptr_t l = 1;   // repeat count
    if (alt) l |= msg::kKeyAltHeld;
    if (!down || repeat) l |= msg::kKeyWasDown;
    if (!down) l |= msg::kKeyReleased;
    return l;
}

}  // namespace

int VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    for (int i = 0; i < 10; ++i)
        if (kKeypad[i] == key) return vk::kNumpad0 + i;
    for (int i = 0; i < 12; ++i)
        if (kFunction[i] == key) return vk::kF1 + i;
    for (const KeyPair& p : kKeys)
        if (p.key == key) return p.vk;
    return 0;
}

std::uintptr_t EventTranslator::MouseFlags() const {
    std::uintptr_t f = 0;
    if (left_) f |= msg::kMkLButton;
    if (right_) f |= msg::kMkRButton;
    if (middle_) f |= msg::kMkMButton;
    if (shiftHeld_) f |= msg::kMkShift;
    if (ctrlHeld_) f |= msg::kMkControl;
    return f;
}

void EventTranslator::Translate(const SDL_Event& event, std::vector<MsgRecord>& out) {
    switch (event.type) {
    case SDL_QUIT:
        out.push_back({0, msg::kClose, 0, 0});
        break;
    case SDL_WINDOWEVENT: {
        const SDL_WindowEvent& w = event.window;
        const WindowHandle win = w.windowID;
        switch (w.event) {
        case SDL_WINDOWEVENT_MOVED: out.push_back({win, msg::kMove, 0, MakePointParam(w.data1, w.data2)}); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.push_back({win, msg::kSize, msg::kSizeRestored, MakePointParam(w.data1, w.data2)});
            break;
        case SDL_WINDOWEVENT_MINIMIZED: out.push_back({win, msg::kSize, msg::kSizeMinimized, 0}); break;
        case SDL_WINDOWEVENT_MAXIMIZED: out.push_back({win, msg::kSize, msg::kSizeMaximized, 0}); break;
        case SDL_WINDOWEVENT_RESTORED: out.push_back({win, msg::kSize, msg::kSizeRestored, 0}); break;
        case SDL_WINDOWEVENT_EXPOSED: out.push_back({win, msg::kPaint, 0, 0}); break;
        case SDL_WINDOWEVENT_CLOSE: out.push_back({win, msg::kClose, 0, 0}); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: out.push_back({win, msg::kActivateApp, 1, 0}); break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys released while another program had the focus never come back.
            altHeld_ = shiftHeld_ = ctrlHeld_ = false;
            out.push_back({win, msg::kActivateApp, 0, 0});
            break;
        default: break;
        }
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_KeyboardEvent& k = event.key;
        const bool down = event.type == SDL_KEYDOWN;
        const SDL_Keycode sym = k.keysym.sym;
        const Uint16 mod = k.keysym.mod;
        const bool isAlt = sym == SDLK_LALT || sym == SDLK_RALT;
        // The modifier state as it is with this key pressed or released.
        altHeld_ = isAlt ? down : (mod & KMOD_ALT) != 0;
        shiftHeld_ = (sym == SDLK_LSHIFT || sym == SDLK_RSHIFT) ? down : (mod & KMOD_SHIFT) != 0;
        ctrlHeld_ = (sym == SDLK_LCTRL || sym == SDLK_RCTRL) ? down : (mod & KMOD_CTRL) != 0;
        int key = VirtualKey(sym);
        if (key == 0) key = VirtualKeyOfScancode(k.keysym.scancode);
        if (key == 0) break;
        // Alt (and F10) make system keys, except with Ctrl, which is AltGr.
        const bool altForKey = isAlt || altHeld_;
        const bool sys = (altForKey && !ctrlHeld_) || key == vk::kF1 + 9;
        const WindowHandle win = k.windowID;
        std::uint32_t m = down ? (sys ? msg::kSysKeyDown : msg::kKeyDown) : (sys ? msg::kSysKeyUp : msg::kKeyUp);
        out.push_back({win, m, static_cast<std::uintptr_t>(key), KeyParam(down, k.repeat != 0, altForKey)});
        if (!down) break;
        // Characters that text input never brings: control codes and Alt
        // combinations.
        int ch = 0;
        bool sysChar = false;
        if (ctrlHeld_ && !altHeld_) {
            switch (key) {
            case 'C': ch = 3; break;
            case 'V': ch = 22; break;
            case 'X': ch = 24; break;
            case 'Z': ch = 26; break;
            default: break;
            }
        } else if (!ctrlHeld_ && !altHeld_) {
            switch (key) {
            case vk::kBack: ch = 8; break;
            case vk::kTab: ch = 9; break;
            case vk::kReturn: ch = 13; break;
            case vk::kEscape: ch = 27; break;
            default: break;
            }
        } else if (altHeld_ && !ctrlHeld_ && !isAlt) {
            if (sym >= SDLK_a && sym <= SDLK_z) {
                ch = static_cast<int>(sym) - (shiftHeld_ ? 'a' - 'A' : 0);
            } else if (sym >= 0x20 && sym < 0x7F) {
                ch = static_cast<int>(sym);
            } else if (key >= 'A' && key <= 'Z') {
                ch = shiftHeld_ ? key : key + ('a' - 'A');
            }
            sysChar = ch != 0;
        }
        if (ch) out.push_back({win, sysChar ? msg::kSysChar : msg::kChar, static_cast<std::uintptr_t>(ch),
                               KeyParam(true, k.repeat != 0, sysChar)});
        break;
    }
    case SDL_TEXTINPUT: {
        // Alt combinations already came as system characters.
        if (altHeld_ && !ctrlHeld_) break;
        const std::string text = Utf8ToCp1251(event.text.text);
        for (char c : text)
            out.push_back({event.text.windowID, msg::kChar, static_cast<unsigned char>(c), 1});
        break;
    }
    case SDL_MOUSEMOTION: {
        const SDL_MouseMotionEvent& m = event.motion;
        left_ = (m.state & SDL_BUTTON_LMASK) != 0;
        right_ = (m.state & SDL_BUTTON_RMASK) != 0;
        middle_ = (m.state & SDL_BUTTON_MMASK) != 0;
        out.push_back({m.windowID, msg::kSetCursor, m.windowID,
                       msg::kHitClient | static_cast<std::intptr_t>(msg::kMouseMove) << 16});
        out.push_back({m.windowID, msg::kMouseMove, MouseFlags(), MakePointParam(m.x, m.y)});
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const SDL_MouseButtonEvent& b = event.button;
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        // Every second click of a run is a double click, as the system
        // counts them: down, double, down, double...
        const bool dbl = down && b.clicks >= 2 && b.clicks % 2 == 0;
        std::uint32_t m;
        switch (b.button) {
        case SDL_BUTTON_LEFT:
            left_ = down;
            m = down ? (dbl ? msg::kLButtonDblClk : msg::kLButtonDown) : msg::kLButtonUp;
            break;
        case SDL_BUTTON_RIGHT:
            right_ = down;
            m = down ? (dbl ? msg::kRButtonDblClk : msg::kRButtonDown) : msg::kRButtonUp;
            break;
        case SDL_BUTTON_MIDDLE:
            middle_ = down;
            m = down ? (dbl ? msg::kMButtonDblClk : msg::kMButtonDown) : msg::kMButtonUp;
            break;
        default: return;
        }
        out.push_back({b.windowID, m, MouseFlags(), MakePointParam(b.x, b.y)});
        break;
    }
    case SDL_MOUSEWHEEL: {
        const SDL_MouseWheelEvent& w = event.wheel;
        long long notches = w.direction == SDL_MOUSEWHEEL_FLIPPED ? -static_cast<long long>(w.y) : w.y;
        if (notches == 0) break;
        const int delta = static_cast<int>(std::clamp(notches * 120, -32768LL, 32767LL));
        const std::uintptr_t wParam = (static_cast<std::uintptr_t>(static_cast<std::uint16_t>(delta)) << 16) | MouseFlags();
        out.push_back({w.windowID, msg::kMouseWheel, wParam, MakePointParam(w.mouseX, w.mouseY)});
        break;
    }
    default: break;
    }
}

}  // namespace plat::sdl
