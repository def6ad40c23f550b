// SDL events, built by hand, through the translator: every message number
// the window procedure relies on, with its wParam and lParam.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sdl/EventTranslator.h"

namespace {

using plat::MsgRecord;
namespace msg = plat::msg;
namespace vk = plat::vk;

constexpr Uint32 kWin = 7;

SDL_Event WindowEvent(Uint8 what, int d1 = 0, int d2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = kWin;
    e.window.event = what;
    e.window.data1 = d1;
    e.window.data2 = d2;
    return e;
}
SDL_Event Key(bool down, SDL_Keycode sym, Uint16 mod = 0, bool repeat = false,
              SDL_Scancode sc = SDL_SCANCODE_UNKNOWN) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = kWin;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    e.key.keysym.scancode = sc;
    return e;
}
SDL_Event Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = kWin;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    return e;
}
SDL_Event Motion(int x, int y, Uint32 state = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = kWin;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    return e;
}
SDL_Event Button(bool down, Uint8 button, int x, int y, Uint8 clicks = 1) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = kWin;
    e.button.button = button;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    return e;
}
SDL_Event Wheel(int y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = kWin;
    e.wheel.y = y;
    e.wheel.direction = direction;
    e.wheel.mouseX = 5;
    e.wheel.mouseY = 6;
    return e;
}

std::vector<MsgRecord> Translate(plat::sdl::EventTranslator& t, std::initializer_list<SDL_Event> events) {
    std::vector<MsgRecord> out;
    for (const SDL_Event& e : events) t.Translate(e, out);
    return out;
}

struct Expect {
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

void ExpectRecords(const std::vector<MsgRecord>& got, const std::vector<Expect>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].window, kWin) << what << " #" << i;
        EXPECT_EQ(got[i].msg, want[i].msg) << what << " #" << i;
        EXPECT_EQ(got[i].wParam, want[i].wParam) << what << " #" << i;
        EXPECT_EQ(got[i].lParam, want[i].lParam) << what << " #" << i;
    }
}

constexpr std::intptr_t kDownParam = 1;
constexpr std::intptr_t kUpParam = 1 | msg::kKeyWasDown | msg::kKeyReleased;
constexpr std::intptr_t kAlt = msg::kKeyAltHeld;
constexpr std::intptr_t kSetCursorParam = msg::kHitClient | (std::intptr_t(msg::kMouseMove) << 16);

TEST(EventTranslation, EveryEventBecomesItsMessages) {
    struct Case {
        const char* name;
        std::vector<SDL_Event> events;
        std::vector<Expect> want;
    };
    const std::vector<Case> cases = {
        {"move", {WindowEvent(SDL_WINDOWEVENT_MOVED, 100, 50)}, {{msg::kMove, 0, plat::MakePointParam(100, 50)}}},
        {"size", {WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480)},
         {{msg::kSize, msg::kSizeRestored, plat::MakePointParam(640, 480)}}},
        {"minimise and restore",
         {WindowEvent(SDL_WINDOWEVENT_MINIMIZED), WindowEvent(SDL_WINDOWEVENT_RESTORED)},
         {{msg::kSize, msg::kSizeMinimized, 0}, {msg::kSize, msg::kSizeRestored, 0}}},
        {"paint", {WindowEvent(SDL_WINDOWEVENT_EXPOSED)}, {{msg::kPaint, 0, 0}}},
        {"close", {WindowEvent(SDL_WINDOWEVENT_CLOSE)}, {{msg::kClose, 0, 0}}},
        {"focus",
         {WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST)},
         {{msg::kActivateApp, 1, 0}, {msg::kActivateApp, 0, 0}}},
        {"enter and leave make nothing themselves",
         {WindowEvent(SDL_WINDOWEVENT_ENTER), WindowEvent(SDL_WINDOWEVENT_LEAVE)},
         {}},
        {"letter key down, repeat, up",
         {Key(true, SDLK_a), Key(true, SDLK_a, 0, true), Key(false, SDLK_a)},
         {{msg::kKeyDown, 'A', kDownParam},
          {msg::kKeyDown, 'A', 1 | msg::kKeyWasDown},
          {msg::kKeyUp, 'A', kUpParam}}},
        {"typed text", {Text("a")}, {{msg::kChar, 'a', 1}}},
        {"Cyrillic and Yo typed",
         {Text("\xD0\x96\xD1\x91\xD0\x81")},   // Ж ё Ё
         {{msg::kChar, 0xC6, 1}, {msg::kChar, 0xB8, 1}, {msg::kChar, 0xA8, 1}}},
        {"text without a Windows-1251 byte is dropped",
         {Text("\xE2\x82\xAC\xE4\xB8\xAD!")},   // euro sign (0x88), a CJK character, "!"
         {{msg::kChar, 0x88, 1}, {msg::kChar, '!', 1}}},
        {"control characters from keys",
         {Key(true, SDLK_BACKSPACE), Key(true, SDLK_TAB), Key(true, SDLK_RETURN), Key(true, SDLK_ESCAPE)},
         {{msg::kKeyDown, vk::kBack, kDownParam},
          {msg::kChar, 8, 1},
          {msg::kKeyDown, vk::kTab, kDownParam},
          {msg::kChar, 9, 1},
          {msg::kKeyDown, vk::kReturn, kDownParam},
          {msg::kChar, 13, 1},
          {msg::kKeyDown, vk::kEscape, kDownParam},
          {msg::kChar, 27, 1}}},
        {"Ctrl+C, V, X, Z give 3, 22, 24, 26; Ctrl+A none",
         {Key(true, SDLK_c, KMOD_LCTRL), Key(true, SDLK_v, KMOD_LCTRL), Key(true, SDLK_x, KMOD_LCTRL),
          Key(true, SDLK_z, KMOD_LCTRL), Key(true, SDLK_a, KMOD_LCTRL)},
         {{msg::kKeyDown, 'C', kDownParam},
          {msg::kChar, 3, 1},
          {msg::kKeyDown, 'V', kDownParam},
          {msg::kChar, 22, 1},
          {msg::kKeyDown, 'X', kDownParam},
          {msg::kChar, 24, 1},
          {msg::kKeyDown, 'Z', kDownParam},
          {msg::kChar, 26, 1},
          {msg::kKeyDown, 'A', kDownParam}}},
        {"Alt makes system keys and characters; its text input is not doubled",
         {Key(true, SDLK_LALT, KMOD_LALT), Key(true, SDLK_r, KMOD_LALT), Text("r"), Key(false, SDLK_r, KMOD_LALT),
          Key(false, SDLK_LALT, 0), Text("r")},
         {{msg::kSysKeyDown, vk::kMenu, kDownParam | kAlt},
          {msg::kSysKeyDown, 'R', kDownParam | kAlt},
          {msg::kSysChar, 'r', 1 | kAlt},
          {msg::kSysKeyUp, 'R', kUpParam | kAlt},
          {msg::kSysKeyUp, vk::kMenu, kUpParam | kAlt},
          {msg::kChar, 'r', 1}}},
        {"Alt+Shift+letter is upper case; Alt+Enter and Alt+F4 are system keys",
         {Key(true, SDLK_r, KMOD_LALT | KMOD_LSHIFT), Key(true, SDLK_RETURN, KMOD_LALT),
          Key(true, SDLK_F4, KMOD_LALT)},
         {{msg::kSysKeyDown, 'R', kDownParam | kAlt},
          {msg::kSysChar, 'R', 1 | kAlt},
          {msg::kSysKeyDown, vk::kReturn, kDownParam | kAlt},
          {msg::kSysKeyDown, vk::kF1 + 3, kDownParam | kAlt}}},
        {"F10 alone is a system key", {Key(true, SDLK_F10)}, {{msg::kSysKeyDown, vk::kF1 + 9, kDownParam}}},
        {"a Cyrillic layout's letter key keeps its position's code",
         {Key(true, 0x0444 /* ф */, 0, false, SDL_SCANCODE_A)},
         {{msg::kKeyDown, 'A', kDownParam}}},
        {"mouse move announces the cursor first",
         {Motion(10, 20)},
         {{msg::kSetCursor, kWin, kSetCursorParam}, {msg::kMouseMove, 0, plat::MakePointParam(10, 20)}}},
        {"negative coordinates while captured",
         {Motion(-5, -300, SDL_BUTTON_LMASK)},
         {{msg::kSetCursor, kWin, kSetCursorParam},
          {msg::kMouseMove, msg::kMkLButton, std::intptr_t(0xFED4FFFB)}}},
        {"left, right, middle down and up",
         {Button(true, SDL_BUTTON_LEFT, 1, 2), Button(false, SDL_BUTTON_LEFT, 1, 2), Button(true, SDL_BUTTON_RIGHT, 3, 4),
          Button(false, SDL_BUTTON_RIGHT, 3, 4), Button(true, SDL_BUTTON_MIDDLE, 5, 6),
          Button(false, SDL_BUTTON_MIDDLE, 5, 6)},
         {{msg::kLButtonDown, msg::kMkLButton, plat::MakePointParam(1, 2)},
          {msg::kLButtonUp, 0, plat::MakePointParam(1, 2)},
          {msg::kRButtonDown, msg::kMkRButton, plat::MakePointParam(3, 4)},
          {msg::kRButtonUp, 0, plat::MakePointParam(3, 4)},
          {msg::kMButtonDown, msg::kMkMButton, plat::MakePointParam(5, 6)},
          {msg::kMButtonUp, 0, plat::MakePointParam(5, 6)}}},
        {"double clicks: the second of a run, not the third",
         {Button(true, SDL_BUTTON_LEFT, 1, 1, 2), Button(true, SDL_BUTTON_LEFT, 1, 1, 3),
          Button(true, SDL_BUTTON_RIGHT, 1, 1, 2), Button(true, SDL_BUTTON_MIDDLE, 1, 1, 2)},
         {{msg::kLButtonDblClk, msg::kMkLButton, plat::MakePointParam(1, 1)},
          {msg::kLButtonDown, msg::kMkLButton, plat::MakePointParam(1, 1)},
          {msg::kRButtonDblClk, msg::kMkLButton | msg::kMkRButton, plat::MakePointParam(1, 1)},
          {msg::kMButtonDblClk, msg::kMkLButton | msg::kMkRButton | msg::kMkMButton, plat::MakePointParam(1, 1)}}},
        {"wheel up and down, and a flipped wheel",
         {Wheel(1), Wheel(-2), Wheel(1, SDL_MOUSEWHEEL_FLIPPED), Wheel(0)},
         {{msg::kMouseWheel, std::uintptr_t(120) << 16, plat::MakePointParam(5, 6)},
          {msg::kMouseWheel, std::uintptr_t(0xFF10) << 16, plat::MakePointParam(5, 6)},
          {msg::kMouseWheel, std::uintptr_t(0xFF88) << 16, plat::MakePointParam(5, 6)}}},
    };
    for (const Case& c : cases) {
        plat::sdl::EventTranslator t;
        std::vector<MsgRecord> out;
        for (const SDL_Event& e : c.events) t.Translate(e, out);
        ExpectRecords(out, c.want, c.name);
    }
}

TEST(EventTranslation, WheelDeltaReadsBackSigned) {
    plat::sdl::EventTranslator t;
    const auto out = Translate(t, {Wheel(-1), Wheel(3), Wheel(1000000)});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(plat::WheelDelta(out[0].wParam) / 120, -1);
    EXPECT_EQ(plat::WheelDelta(out[1].wParam) / 120, 3);
    EXPECT_EQ(plat::WheelDelta(out[2].wParam), 32767);   // clamped, not wrapped to negative
}

TEST(EventTranslation, QuitClosesAndFocusLossForgetsAlt) {
    plat::sdl::EventTranslator t;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    auto out = Translate(t, {quit});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].msg, msg::kClose);
    // Alt pressed, then the focus goes away (Alt+Tab): the release never
    // arrives, yet typing afterwards must be ordinary text.
    out = Translate(t, {Key(true, SDLK_LALT, KMOD_LALT), WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST), Text("q")});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[2].msg, msg::kChar);
    EXPECT_EQ(out[2].wParam, std::uintptr_t('q'));
}

TEST(EventTranslation, VirtualKeyTable) {
    const std::pair<SDL_Keycode, int> table[] = {
        {SDLK_RETURN, 13}, {SDLK_ESCAPE, 27}, {SDLK_SPACE, 32}, {SDLK_TAB, 9},   {SDLK_BACKSPACE, 8},
        {SDLK_LSHIFT, 16}, {SDLK_RCTRL, 17},  {SDLK_RALT, 18},  {SDLK_LEFT, 37}, {SDLK_UP, 38},
        {SDLK_RIGHT, 39},  {SDLK_DOWN, 40},   {SDLK_HOME, 36},  {SDLK_END, 35},  {SDLK_DELETE, 46},
        {SDLK_F1, 112},    {SDLK_F12, 123},   {SDLK_0, '0'},    {SDLK_9, '9'},   {SDLK_a, 'A'},
        {SDLK_z, 'Z'},     {SDLK_KP_5, 0x65}, {SDLK_F13, 0},
    };
    for (const auto& [key, code] : table) EXPECT_EQ(plat::sdl::VirtualKey(key), code) << key;
}

TEST(EventTranslation, PointParamRoundTrip) {
    for (int v : {0, 1, -1, 32767, -32768, 640}) {
        const auto l = plat::MakePointParam(v, -v);
        EXPECT_EQ(plat::PointParamX(l), v);
        EXPECT_EQ(plat::PointParamY(l), std::int16_t(-v));
    }
}

}  // namespace
