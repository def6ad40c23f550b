#pragma once
// The window service over SDL2.
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/MessageSynth.h"
#include "platform/Window.h"
#include "platform/sdl/EventTranslator.h"

struct SDL_Window;
struct SDL_Cursor;

namespace plat::sdl {

// The two bit planes of a mask cursor as SDL's data and mask bytes.
void MaskToSdl(const MaskCursor& cursor, std::uint8_t data[128], std::uint8_t mask[128]);

class SdlWindowService : public WindowService {
public:
    explicit SdlWindowService(Clock& clock = SystemClock());
    ~SdlWindowService() override;

    bool Start(std::string* error) override;
    WindowHandle CreateMainWindow(const std::string& title, int x, int y, int w, int h, bool fullScreen) override;
    void DestroyWindow(WindowHandle window) override;
    void SetTitle(WindowHandle window, const std::string& title) override;
    void SetIcon(WindowHandle window, const std::uint32_t* argb, int w, int h) override;
    void Show(WindowHandle window) override;
    void Hide(WindowHandle window) override;
    void Raise(WindowHandle window) override;
    bool IsMinimised(WindowHandle window) override;
    void SetWindowPos(WindowHandle window, int x, int y) override;
    bool SetFullScreen(WindowHandle window, bool fullScreen) override;
    void ClearWindow(WindowHandle window, std::uint32_t rgb) override;
    Rect FullScreenBounds() override;
    Rect UsableDesktopBounds() override;
    BorderSizes WindowBorders(WindowHandle window) override;
    Rect ClientRect(WindowHandle window) override;
    bool CursorPos(int* x, int* y) override;
    void LastClientCursorPos(int* x, int* y) override;
    WindowHandle WindowUnderCursor() override;
    void PumpEvents(const MessageCallback& callback) override;
    void StopPump() override { stop_ = true; }
    void PostMessage(const MsgRecord& record) override;
    std::uint32_t RegisterMessage(const std::string& name) override;
    void SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs) override;
    void KillTimer(WindowHandle window, std::uintptr_t id) override;
    void TrackMouse(WindowHandle window, unsigned what) override;
    void SetNotifySource(std::function<bool()> poll, WindowHandle window, std::uint32_t message) override;
    void SetCapture(WindowHandle window) override;
    void ReleaseCapture() override;
    CursorId CreateSystemCursor(SystemCursor which) override;
    CursorId CreateMaskCursor(const MaskCursor& cursor) override;
    void DestroyCursor(CursorId cursor) override;
    void SetCursor(CursorId cursor) override;
    void InhibitScreenSaver(bool inhibit) override;
    bool SystemScreenSaverActive() override { return false; }
    // Runs after every pump (the display shows the cursor's changes).
    void SetPumpHook(std::function<void()> hook) { pumpHook_ = std::move(hook); }

private:
    SDL_Window* Find(WindowHandle window) const;

    bool started_ = false;
    MessageSynth synth_;
    EventTranslator translator_;
    std::map<WindowHandle, SDL_Window*> windows_;
    std::map<CursorId, SDL_Cursor*> cursors_;
    CursorId nextCursor_ = 1;
    std::vector<MsgRecord> posted_;
    std::map<std::string, std::uint32_t> registered_;
    std::function<bool()> notifyPoll_;
    WindowHandle notifyWindow_ = 0;
    std::uint32_t notifyMessage_ = 0;
    std::atomic<int> lastX_{0}, lastY_{0};
    bool stop_ = false;
    std::function<void()> pumpHook_;
};

}  // namespace plat::sdl
