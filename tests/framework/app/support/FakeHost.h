#pragma once
// A host for the application without a window system: a manual clock whose
// sleeps move time on, a scripted message pump, settings in memory, and a
// record of what the application asked of the system.
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/app/DSoundManager.h"
#include "framework/app/VantAppBase.h"
#include "platform/headless/HeadlessDisplay.h"
#include "RecordingWidgetManager.h"

namespace apptest {

class ManualClock : public plat::Clock {
public:
    std::uint32_t TickMs() override { return now; }
    std::uint64_t SteadyNs() override { return std::uint64_t(now) * 1000000u; }
    void SleepMs(std::uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
    void Advance(std::uint32_t ms) { now += ms; }

    std::uint32_t now = 1000;
    std::vector<std::uint32_t> sleeps;
};

class FakeHost : public Vant::AppHost {
public:
    plat::Clock& Clock() override { return clock; }
    bool StartWindowing() override { return hasDisplay; }
    plat::WindowHandle CreateWindow(const std::string&, int x, int y, int w, int h, bool fullscreen) override {
        created.push_back({x, y, w, h, fullscreen});
        return ++lastWindow;
    }
    void DestroyWindow(plat::WindowHandle) override {}
    void ShowWindow(plat::WindowHandle, bool show) override { shown = show; }
    void RaiseWindow(plat::WindowHandle) override { ++raised; }
    void RestoreWindow(plat::WindowHandle) override { ++restored; }
    void MoveWindow(plat::WindowHandle, int, int) override {}
    bool WindowPosition(plat::WindowHandle, int* x, int* y) override {
        *x = windowX;
        *y = windowY;
        return true;
    }
    Vant::HostRect WorkArea() override { return work; }
    void BorderSizes(int* l, int* t, int* r, int* b) override {
        *l = border[0];
        *t = border[1];
        *r = border[2];
        *b = border[3];
    }
    void ClearWindow(plat::WindowHandle) override { ++clears; }
    void SetTimer(plat::WindowHandle, std::uintptr_t, int period) override { timerPeriod = period; }
    void PumpMessages(Vant::VantAppBase* app) override {
        ++pumps;
        while (!pending.empty() && !app->mShutdown) {
            const plat::MsgRecord m = pending.front();
            pending.pop_front();
            app->CallWindowProc(m);
        }
    }
    std::uint32_t RegisterMessage(const std::string& name) override {
        registered = name;
        return 0xC000;
    }
    void SetCapture(plat::WindowHandle) override { captured = true; }
    void ReleaseCapture() override { captured = false; }
    bool PointerInClient(plat::WindowHandle, int* x, int* y) override {
        *x = pointerX;
        *y = pointerY;
        return pointerInside;
    }
    void ShowCursorNumber(int n) override { cursor = n; }
    int MessageBox(const std::string& text, const std::string& caption, unsigned) override {
        boxes.push_back(caption + ": " + text);
        return boxAnswer;
    }
    bool OpenURL(const std::string& url) override {
        opened.push_back(url);
        return urlOk;
    }
    void SetClipboardText(const std::string& t) override { clipboard = t; }
    std::string ClipboardText() override { return clipboard; }
    bool ClaimSingleInstance(const std::string&) override { return firstInstance; }

    bool SettingsWrite(const std::string& key, const std::string& name, std::uint32_t type, const void* data,
                       std::uint32_t size) override {
        if (!storeWritable) return false;
        auto& v = store[key + "|" + name];
        v.first = type;
        v.second.assign(static_cast<const char*>(data), size);
        return true;
    }
    bool SettingsRead(const std::string& key, const std::string& name, std::uint32_t* type, void* data,
                      std::uint32_t* size) override {
        auto it = store.find(key + "|" + name);
        if (it == store.end() || it->second.second.size() > *size) return false;
        *type = it->second.first;
        *size = static_cast<std::uint32_t>(it->second.second.size());
        std::memcpy(data, it->second.second.data(), *size);
        return true;
    }
    bool SettingsErase(const std::string& key, const std::string& name) override {
        return store.erase(key + "|" + name) > 0;
    }
    std::uint32_t Dword(const std::string& name) {
        const auto& v = store.at("SOFTWARE\\Test|" + name).second;
        std::uint32_t d = 0;
        std::memcpy(&d, v.data(), 4);
        return d;
    }

    void Post(std::uint32_t msg, std::uintptr_t w = 0, std::intptr_t l = 0) { pending.push_back({1, msg, w, l}); }

    struct Created {
        int x, y, w, h;
        bool fullscreen;
    };
    ManualClock clock;
    bool hasDisplay = true, firstInstance = true, urlOk = true, storeWritable = true, shown = false;
    bool captured = false, pointerInside = true;
    int pointerX = 0, pointerY = 0, windowX = 0, windowY = 0;
    int raised = 0, restored = 0, clears = 0, pumps = 0, timerPeriod = 0, cursor = -1, boxAnswer = 1;
    int border[4] = {0, 0, 0, 0};
    Vant::HostRect work{0, 0, 1920, 1080};
    plat::WindowHandle lastWindow = 0;
    std::vector<Created> created;
    std::vector<std::string> boxes, opened;
    std::string clipboard, registered;
    std::deque<plat::MsgRecord> pending;
    std::map<std::string, std::pair<std::uint32_t, std::string>> store;
};

// Thrown instead of ending the test process.
// A host whose window gets a 64 x 48 headless display.
struct DisplayHost : FakeHost {
    plat::headless::HeadlessDisplay device;
    plat::DisplayDevice* DisplayDevice() override { return &device; }
    DisplayHost() {
        device.clientWidth = 64;
        device.clientHeight = 48;
    }
};

struct ExitCalled {
    int code;
};

// An application on the fake host that never changes the current folder.
class TestApp : public Vant::VantAppBase {
public:
    explicit TestApp(FakeHost* host) : Vant::VantAppBase(host) {
        mRegKey = "Test";
        Vant::VantAppBase::SetExitFunction([](int code) { throw ExitCalled{code}; });
        mWidgetManager = std::make_unique<RecordingWidgetManager>(this);
    }
    ~TestApp() override { Vant::VantAppBase::SetExitFunction(nullptr); }
    bool ChangeDirHook(const std::string&) override { return true; }
    // Tests never open the machine's audio device.
    Vant::SoundManager* CreateSoundManager() override {
        return new Vant::DSoundManager(static_cast<plat::AudioDevice*>(nullptr), false);
    }
    RecordingWidgetManager& wm() { return static_cast<RecordingWidgetManager&>(*mWidgetManager); }
};

}  // namespace apptest
