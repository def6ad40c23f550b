#pragma once
// Window messages as the framework's window procedure and demo code know
// them: the same numbers and virtual-key codes the game always used, as our
// own constants, so the input queue, the demo encoding and the adapter's copy
// of messages need no translation layer of their own.
#include <cstdint>

namespace plat {

// A window: 0 is none.
using WindowHandle = std::uint32_t;

struct MsgRecord {
    WindowHandle window = 0;
    std::uint32_t msg = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

namespace msg {
inline constexpr std::uint32_t kMove = 3;           // lParam: client origin x | y << 16
inline constexpr std::uint32_t kSize = 5;           // wParam: kSizeRestored/Minimized/Maximized
inline constexpr std::uint32_t kPaint = 15;
inline constexpr std::uint32_t kClose = 16;
inline constexpr std::uint32_t kEndSession = 22;    // wParam 1: the session ends
inline constexpr std::uint32_t kActivateApp = 28;   // wParam 1 active, 0 inactive
inline constexpr std::uint32_t kSetCursor = 32;     // lParam: kHitClient | kMouseMove << 16
inline constexpr std::uint32_t kNcLButtonDown = 161;
inline constexpr std::uint32_t kKeyDown = 256;
inline constexpr std::uint32_t kKeyUp = 257;
inline constexpr std::uint32_t kChar = 258;
inline constexpr std::uint32_t kSysKeyDown = 260;
inline constexpr std::uint32_t kSysKeyUp = 261;
inline constexpr std::uint32_t kSysChar = 262;
inline constexpr std::uint32_t kSysCommand = 274;
inline constexpr std::uint32_t kTimer = 275;        // wParam: timer id
inline constexpr std::uint32_t kMouseMove = 512;
inline constexpr std::uint32_t kLButtonDown = 513;
inline constexpr std::uint32_t kLButtonUp = 514;
inline constexpr std::uint32_t kLButtonDblClk = 515;
inline constexpr std::uint32_t kRButtonDown = 516;
inline constexpr std::uint32_t kRButtonUp = 517;
inline constexpr std::uint32_t kRButtonDblClk = 518;
inline constexpr std::uint32_t kMButtonDown = 519;
inline constexpr std::uint32_t kMButtonUp = 520;
inline constexpr std::uint32_t kMButtonDblClk = 521;
inline constexpr std::uint32_t kMouseWheel = 522;   // wParam high word: signed delta, 120 a notch
inline constexpr std::uint32_t kMouseHover = 673;
inline constexpr std::uint32_t kMouseLeave = 675;
// Numbers handed out by RegisterMessage start here.
inline constexpr std::uint32_t kFirstRegistered = 0xC000;

inline constexpr std::uintptr_t kSizeRestored = 0;
inline constexpr std::uintptr_t kSizeMinimized = 1;
inline constexpr std::uintptr_t kSizeMaximized = 2;
inline constexpr std::intptr_t kHitClient = 1;

// Mouse message wParam flags.
inline constexpr std::uintptr_t kMkLButton = 0x01;
inline constexpr std::uintptr_t kMkRButton = 0x02;
inline constexpr std::uintptr_t kMkShift = 0x04;
inline constexpr std::uintptr_t kMkControl = 0x08;
inline constexpr std::uintptr_t kMkMButton = 0x10;

// Key message lParam bits (the repeat count, 1, is in the low word).
inline constexpr std::intptr_t kKeyAltHeld = 1 << 29;
inline constexpr std::intptr_t kKeyWasDown = 1 << 30;   // auto-repeat, and every key up
inline constexpr std::intptr_t kKeyReleased = std::intptr_t(1) << 31;

// The window timer the application sets to its frame time.
inline constexpr std::uintptr_t kAppTimerId = 100;
}  // namespace msg

namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;   // Alt
inline constexpr int kPause = 0x13;
inline constexpr int kCapital = 0x14;
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21;  // Page Up
inline constexpr int kNext = 0x22;   // Page Down
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kSnapshot = 0x2C;
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
// Digits and letters are their upper-case ASCII codes: '0'..'9', 'A'..'Z'.
inline constexpr int kNumpad0 = 0x60;    // .. kNumpad0 + 9
inline constexpr int kMultiply = 0x6A;
inline constexpr int kAdd = 0x6B;
inline constexpr int kSubtract = 0x6D;
inline constexpr int kDecimal = 0x6E;
inline constexpr int kDivide = 0x6F;
inline constexpr int kF1 = 0x70;         // .. kF1 + 11 is F12
inline constexpr int kNumLock = 0x90;
inline constexpr int kScroll = 0x91;
inline constexpr int kOem1 = 0xBA;       // ;:
inline constexpr int kOemPlus = 0xBB;
inline constexpr int kOemComma = 0xBC;
inline constexpr int kOemMinus = 0xBD;
inline constexpr int kOemPeriod = 0xBE;
inline constexpr int kOem2 = 0xBF;       // /?
inline constexpr int kOem3 = 0xC0;       // `~
inline constexpr int kOem4 = 0xDB;       // [{
inline constexpr int kOem5 = 0xDC;       // backslash
inline constexpr int kOem6 = 0xDD;       // ]}
inline constexpr int kOem7 = 0xDE;       // quote
}  // namespace vk

// lParam of mouse messages: x and y as signed 16-bit halves, so positions
// left of or above the client area (while captured) stay negative.
inline std::intptr_t MakePointParam(int x, int y) {
    return static_cast<std::intptr_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
                                      (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16));
}
inline int PointParamX(std::intptr_t lParam) { return static_cast<std::int16_t>(lParam & 0xFFFF); }
inline int PointParamY(std::intptr_t lParam) { return static_cast<std::int16_t>((lParam >> 16) & 0xFFFF); }
// The signed wheel delta in the high word of a wheel message's wParam.
inline int WheelDelta(std::uintptr_t wParam) { return static_cast<std::int16_t>((wParam >> 16) & 0xFFFF); }

}  // namespace plat
