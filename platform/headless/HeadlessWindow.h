#pragma once
// A window service with no display: tests queue input records, the pump
// hands them out followed by the timer, hover and leave messages due on the
// given clock, and every request the program makes is recorded.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/MessageSynth.h"
#include "platform/Window.h"

namespace plat::headless {

class HeadlessWindow : public WindowService {
public:
    explicit HeadlessWindow(Clock& clock);

    // Test controls.
    bool startSucceeds = true;
    Rect desktop{0, 0, 1024, 768};
    Rect usable{0, 0, 1024, 740};
    BorderSizes borders{};
    // Input for the next pump, in order. Mouse records also move the pointer.
    void QueueInput(const MsgRecord& record);
    void SetPointer(int clientX, int clientY, bool overWindow);

    // What happened.
    struct WindowState {
        std::string title;
        int x = 0, y = 0, w = 0, h = 0;
        bool fullScreen = false, shown = false, minimised = false;
        int raised = 0, clears = 0;
    };
    std::map<WindowHandle, WindowState> windows;
    WindowHandle captured = 0;
    CursorId currentCursor = -1;
    std::vector<MaskCursor> maskCursors;
    bool screenSaverInhibited = false;
    std::vector<unsigned> trackRequests;

    bool Start(std::string* error) override;
    WindowHandle CreateMainWindow(const std::string& title, int x, int y, int w, int h, bool fullScreen) override;
    void DestroyWindow(WindowHandle window) override;
    void SetTitle(WindowHandle window, const std::string& title) override;
    void Show(WindowHandle window) override;
    void Hide(WindowHandle window) override;
    void Raise(WindowHandle window) override;
    bool IsMinimised(WindowHandle window) override;
    void SetWindowPos(WindowHandle window, int x, int y) override;
    bool SetFullScreen(WindowHandle window, bool fullScreen) override;
    void ClearWindow(WindowHandle window, std::uint32_t rgb) override;
    Rect FullScreenBounds() override { return desktop; }
    Rect UsableDesktopBounds() override { return usable; }
    BorderSizes WindowBorders(WindowHandle) override { return borders; }
    Rect ClientRect(WindowHandle window) override;
    bool CursorPos(int* x, int* y) override;
    void LastClientCursorPos(int* x, int* y) override;
    WindowHandle WindowUnderCursor() override;
    void PumpEvents(const MessageCallback& callback) override;
    void StopPump() override { stop_ = true; }
    void PostMessage(const MsgRecord& record) override { posted_.push_back(record); }
    std::uint32_t RegisterMessage(const std::string& name) override;
    void SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs) override;
    void KillTimer(WindowHandle window, std::uintptr_t id) override;
    void TrackMouse(WindowHandle window, unsigned what) override;
    void SetNotifySource(std::function<bool()> poll, WindowHandle window, std::uint32_t message) override;
    void SetCapture(WindowHandle window) override { captured = window; }
    void ReleaseCapture() override { captured = 0; }
    CursorId CreateSystemCursor(SystemCursor which) override;
    CursorId CreateMaskCursor(const MaskCursor& cursor) override;
    void DestroyCursor(CursorId) override {}
    void SetCursor(CursorId cursor) override { currentCursor = cursor; }
    void InhibitScreenSaver(bool inhibit) override { screenSaverInhibited = inhibit; }
    bool SystemScreenSaverActive() override { return false; }

private:
    Clock& clock_;
    MessageSynth synth_;
    std::deque<MsgRecord> input_, posted_;
    std::map<std::string, std::uint32_t> registered_;
    WindowHandle nextWindow_ = 1;
    CursorId nextCursor_ = 1;
    int pointerX_ = 0, pointerY_ = 0;
    bool pointerOver_ = false, stop_ = false;
    std::function<bool()> notifyPoll_;
    WindowHandle notifyWindow_ = 0;
    std::uint32_t notifyMessage_ = 0;
};

}  // namespace plat::headless
