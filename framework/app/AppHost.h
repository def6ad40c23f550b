#pragma once
// What the application needs of the system around it: the clock, one main
// window and its input pump, cursors, message boxes, the clipboard, opening
// a web page, single-instance start and the settings file. The application
// sees only this; one implementation stands on the platform layer, tests
// bring their own.
#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/Messages.h"

namespace plat {
class DisplayDevice;
}

namespace Vant {

class VantAppBase;

struct HostRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// Message-box flags and answers, the values the game always used.
namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kRetryCancel = 0x5;
inline constexpr unsigned kIconError = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconWarning = 0x30;
inline constexpr unsigned kIconInfo = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

class AppHost {
public:
    virtual ~AppHost() = default;

    virtual plat::Clock& Clock() = 0;

    // False when no window can be opened (no display).
    virtual bool StartWindowing() = 0;
    // A client area of width x height; windowed at the outer (frame)
    // position x, y. 0 on failure.
    virtual plat::WindowHandle CreateWindow(const std::string& title, int x, int y, int width, int height,
                                            bool fullscreen) = 0;
    virtual void DestroyWindow(plat::WindowHandle window) = 0;
    virtual void ShowWindow(plat::WindowHandle window, bool show) = 0;
    virtual void RaiseWindow(plat::WindowHandle window) = 0;
    virtual void RestoreWindow(plat::WindowHandle window) = 0;
    virtual void MoveWindow(plat::WindowHandle window, int x, int y) = 0;
    // The window's outer top-left while it is shown normally.
    virtual bool WindowPosition(plat::WindowHandle window, int* x, int* y) = 0;
    // The usable desktop (without panels) and the window-frame sizes.
    virtual HostRect WorkArea() = 0;
    virtual void BorderSizes(int* left, int* top, int* right, int* bottom) = 0;
    // Clears the window to black and presents it.
    virtual void ClearWindow(plat::WindowHandle window) = 0;
    // Message 275 with the id every period milliseconds.
    virtual void SetTimer(plat::WindowHandle window, std::uintptr_t id, int periodMs) = 0;
    // Hands every waiting message to the application's window procedure;
    // stops early once shutdown is set.
    virtual void PumpMessages(VantAppBase* app) = 0;
    virtual std::uint32_t RegisterMessage(const std::string& name) = 0;

    virtual void SetCapture(plat::WindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;
    // The pointer in client coordinates, and whether it is over the client
    // area of the window.
    virtual bool PointerInClient(plat::WindowHandle window, int* x, int* y) = 0;
    // Cursor numbers 0..12 as the application's SetCursor knows them.
    virtual void ShowCursorNumber(int number) = 0;

    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    virtual bool OpenURL(const std::string& url) = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    virtual std::string ClipboardText() = 0;

    // True when this is the only instance; false after the first instance
    // was told to raise its window.
    virtual bool ClaimSingleInstance(const std::string& name) = 0;
    // The display service for the window's surfaces; none gives a display
    // that only clears the window.
    virtual plat::DisplayDevice* DisplayDevice() { return nullptr; }
    // The pointer's last position in client coordinates as the input pump
    // saw it; safe from any thread. False when not known.
    virtual bool LastPointer(int*, int*) { return false; }
    // The window's title (Windows-1251) and icon (0xAARRGGBB pixels); hosts
    // without them ignore both.
    virtual void SetWindowTitle(plat::WindowHandle, const std::string&) {}
    virtual void SetWindowIcon(plat::WindowHandle, const std::uint32_t*, int, int) {}
    // Keeps the desktop's screen saver away while true.
    virtual void InhibitScreenSaver(bool) {}
    // The real program catches its own crashes; test hosts do not.
    virtual bool WantsCrashHooks() { return false; }
    // Arms one hover and/or leave report (the kTrack* bits of platform/Window.h).
    virtual void TrackMouse(plat::WindowHandle, unsigned) {}

    // The settings store: typed values under key paths ("SOFTWARE\..."),
    // names without regard to ASCII case. Types 1 text, 3 bytes, 4 DWORD.
    virtual bool SettingsWrite(const std::string& key, const std::string& name, std::uint32_t type,
                               const void* data, std::uint32_t size) = 0;
    // Fails without writing past size when the value does not fit.
    virtual bool SettingsRead(const std::string& key, const std::string& name, std::uint32_t* type, void* data,
                              std::uint32_t* size) = 0;
    virtual bool SettingsErase(const std::string& key, const std::string& name) = 0;
};

}  // namespace Vant
