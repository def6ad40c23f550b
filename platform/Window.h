#pragma once
// The window and its input. One main window; input arrives as message
// records (platform/Messages.h) handed to the pump's callback in the order
// the events happened. Every call is for the primary thread unless it says
// otherwise.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Messages.h"

namespace plat {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
};

// Frame thickness around the client area; all 0 when the desktop does not say.
struct BorderSizes {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const BorderSizes&) const = default;
};

enum class SystemCursor { Arrow, IBeam, No, SizeAll, SizeNESW, SizeNS, SizeNWSE, SizeWE, Wait };

// A 32x32 monochrome cursor in the classic two-plane form: one bit per pixel,
// most significant bit leftmost, one 32-bit row each. and = 1, xor = 0 is
// transparent; 0, 0 black; 0, 1 white; 1, 1 inverts the screen (shown black
// where the desktop cannot invert).
struct MaskCursor {
    std::uint32_t andPlane[32] = {};
    std::uint32_t xorPlane[32] = {};
    int hotX = 0, hotY = 0;
};

// A cursor made by the window service; 0 is "no cursor" (hidden pointer).
using CursorId = int;

// Tracking requests: what the pump sends once the pointer rests
// (msg::kMouseHover, after about 400 ms) or leaves (msg::kMouseLeave).
// Each fires once per call of TrackMouse.
inline constexpr unsigned kTrackHover = 1;
inline constexpr unsigned kTrackLeave = 2;

using MessageCallback = std::function<void(const MsgRecord&)>;

class WindowService {
public:
    virtual ~WindowService() = default;

    // Connects to the display. False, with the reason, when there is none.
    virtual bool Start(std::string* error) = 0;

    // One window with a client area of w x h. Windowed at the outer
    // position x, y; full screen covers the desktop with the picture scaled.
    // The title is Windows-1251. Returns 0 on failure.
    virtual WindowHandle CreateMainWindow(const std::string& title, int x, int y, int w, int h,
                                          bool fullScreen) = 0;
    virtual void DestroyWindow(WindowHandle window) = 0;
    virtual void SetTitle(WindowHandle window, const std::string& title) = 0;
    // The window's icon from w x h pixels, 0xAARRGGBB row by row; a service
    // without icons ignores it.
    virtual void SetIcon(WindowHandle, const std::uint32_t*, int, int) {}
    virtual void Show(WindowHandle window) = 0;
    virtual void Hide(WindowHandle window) = 0;
    // Restores a minimised window and brings it to the front with the focus.
    virtual void Raise(WindowHandle window) = 0;
    virtual bool IsMinimised(WindowHandle window) = 0;
    // Moves the window's outer top-left corner.
    virtual void SetWindowPos(WindowHandle window, int x, int y) = 0;
    // Desktop full screen (true) or a window of the client size (false).
    virtual bool SetFullScreen(WindowHandle window, bool fullScreen) = 0;
    // Fills the client area with one colour (0xRRGGBB) and shows it.
    virtual void ClearWindow(WindowHandle window, std::uint32_t rgb) = 0;

    // The whole desktop, and the part of it not taken by panels.
    virtual Rect FullScreenBounds() = 0;
    virtual Rect UsableDesktopBounds() = 0;
    virtual BorderSizes WindowBorders(WindowHandle window) = 0;
    // The client area in desktop coordinates.
    virtual Rect ClientRect(WindowHandle window) = 0;
    // The pointer in desktop coordinates; false when unknown.
    virtual bool CursorPos(int* x, int* y) = 0;
    // The last pointer position the pump saw, in client coordinates. Safe
    // from any thread (the cursor thread polls it).
    virtual void LastClientCursorPos(int* x, int* y) = 0;
    // Our window the pointer is over, or 0.
    virtual WindowHandle WindowUnderCursor() = 0;

    // Delivers every waiting event as message records, then the due timer,
    // hover and leave messages, a single-instance notification and a caught
    // end-of-session signal (msg::kEndSession). Stops early when the
    // callback asks (returns after the current record) via StopPump.
    virtual void PumpEvents(const MessageCallback& callback) = 0;
    virtual void StopPump() = 0;
    // Queues a record for the next pump.
    virtual void PostMessage(const MsgRecord& record) = 0;
    // Returns the same number for the same name (ASCII case ignored), new
    // names counting up from msg::kFirstRegistered.
    virtual std::uint32_t RegisterMessage(const std::string& name) = 0;
    // msg::kTimer with wParam id at most once per pump, every intervalMs.
    virtual void SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs) = 0;
    virtual void KillTimer(WindowHandle window, std::uintptr_t id) = 0;
    // Arms hover and/or leave reports (kTrack* bits).
    virtual void TrackMouse(WindowHandle window, unsigned what) = 0;
    // Messages the pump turns a poll's true answer into (the single-instance
    // "Notify" message); nullptr stops it.
    virtual void SetNotifySource(std::function<bool()> poll, WindowHandle window, std::uint32_t message) = 0;

    // Keeps mouse input coming while the pointer is outside the window.
    virtual void SetCapture(WindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;

    virtual CursorId CreateSystemCursor(SystemCursor which) = 0;
    virtual CursorId CreateMaskCursor(const MaskCursor& cursor) = 0;
    virtual void DestroyCursor(CursorId cursor) = 0;
    // Shows the cursor over our window; 0 hides the pointer.
    virtual void SetCursor(CursorId cursor) = 0;

    // Keeps the desktop's screen saver off while true.
    virtual void InhibitScreenSaver(bool inhibit) = 0;
    // Whether the desktop runs a screen saver of its own the application
    // could emulate; this platform reports none.
    virtual bool SystemScreenSaverActive() = 0;
};

}  // namespace plat
