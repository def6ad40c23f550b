#pragma once
// The application's host on the platform layer: a window service, a shell,
// a clock, the single-instance lock and the settings file.
#include <memory>
#include <string>

#include "framework/app/AppHost.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "platform/Window.h"

namespace Vant {

class PlatformHost : public AppHost {
public:
    // The services are not owned. The settings file is read on first use,
    // relative to the current folder then.
    PlatformHost(plat::WindowService& window, plat::Shell& shell, plat::Clock& clock,
                 std::string settingsPath = plat::kSettingsFile);
    ~PlatformHost() override;

    plat::Clock& Clock() override { return clock_; }
    bool WantsCrashHooks() override { return true; }
    bool StartWindowing() override;
    plat::WindowHandle CreateWindow(const std::string& title, int x, int y, int width, int height,
                                    bool fullscreen) override;
    void DestroyWindow(plat::WindowHandle window) override;
    void ShowWindow(plat::WindowHandle window, bool show) override;
    void RaiseWindow(plat::WindowHandle window) override;
    void RestoreWindow(plat::WindowHandle window) override;
    void MoveWindow(plat::WindowHandle window, int x, int y) override;
    bool WindowPosition(plat::WindowHandle window, int* x, int* y) override;
    HostRect WorkArea() override;
    void BorderSizes(int* left, int* top, int* right, int* bottom) override;
    void ClearWindow(plat::WindowHandle window) override;
    void SetTimer(plat::WindowHandle window, std::uintptr_t id, int periodMs) override;
    void PumpMessages(VantAppBase* app) override;
    std::uint32_t RegisterMessage(const std::string& name) override;
    void SetCapture(plat::WindowHandle window) override;
    void ReleaseCapture() override;
    bool PointerInClient(plat::WindowHandle window, int* x, int* y) override;
    void ShowCursorNumber(int number) override;
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool OpenURL(const std::string& url) override;
    void SetClipboardText(const std::string& text) override;
    std::string ClipboardText() override;
    bool ClaimSingleInstance(const std::string& name) override;
    void InhibitScreenSaver(bool inhibit) override { window_.InhibitScreenSaver(inhibit); }
    void SetWindowTitle(plat::WindowHandle w, const std::string& title) override { window_.SetTitle(w, title); }
    void SetWindowIcon(plat::WindowHandle w, const std::uint32_t* argb, int width, int height) override {
        window_.SetIcon(w, argb, width, height);
    }
    void TrackMouse(plat::WindowHandle w, unsigned what) override { window_.TrackMouse(w, what); }
    // The display service is not owned.
    void SetDisplayDevice(plat::DisplayDevice* device) { display_ = device; }
    plat::DisplayDevice* DisplayDevice() override { return display_; }
    bool LastPointer(int* x, int* y) override {
        window_.LastClientCursorPos(x, y);
        return true;
    }
    bool SettingsWrite(const std::string& key, const std::string& name, std::uint32_t type, const void* data,
                       std::uint32_t size) override;
    bool SettingsRead(const std::string& key, const std::string& name, std::uint32_t* type, void* data,
                      std::uint32_t* size) override;
    bool SettingsErase(const std::string& key, const std::string& name) override;

    // The hand (hot spot 11,4) and the dragging hand (15,10).
    static plat::MaskCursor HandCursor();
    static plat::MaskCursor DraggingCursor();

private:
    plat::SettingsStore& Store();

    plat::WindowService& window_;
    plat::Shell& shell_;
    plat::Clock& clock_;
    std::string settingsPath_;
    std::unique_ptr<plat::SettingsStore> store_;
    std::unique_ptr<plat::SingleInstance> instance_;
    std::uint32_t notifyMessage_ = 0;
    plat::CursorId cursors_[13] = {};
    bool cursorsMade_ = false;
    plat::DisplayDevice* display_ = nullptr;
};

}  // namespace Vant
