#include "framework/app/PlatformHost.h"

#include "framework/app/VantAppBase.h"
#include "orvek/Log.h"

namespace Vant {

namespace {
orvek::LogChannel host_info("vant.app", orvek::log_info);

// 32x32 masks, '#' black, '.' white, ' ' transparent; the rows are drawn
// for this game.
plat::MaskCursor FromArt(const char* const rows[32], int hotX, int hotY) {
    plat::MaskCursor c;
    for (int y = 0; y < 32; ++y) {
        std::uint32_t andRow = 0xFFFFFFFFu, xorRow = 0;
        for (int x = 0; x < 32 && rows[y][x]; ++x) {
            const std::uint32_t bit = 0x80000000u >> x;
            if (rows[y][x] == '#') andRow &= ~bit;
            if (rows[y][x] == '.') {
                andRow &= ~bit;
                xorRow |= bit;
            }
        }
        c.andPlane[y] = andRow;
        c.xorPlane[y] = xorRow;
    }
    c.hotX = hotX;
    c.hotY = hotY;
    return c;
}

const char* const kHand[32] = {
    "          ##",       "         #..#",      "         #..#",      "         #..#",
    "         #..#",      "         #..###",    "         #..#..###", "         #..#..#..##",
    "      ## #..#..#..#.#", "     #..##.......#..#", "     #...#..........#", "      #.............#",
    "      #.............#", "       #............#", "       #...........#", "        #..........#",
    "        #.........#", "         #........#", "         #........#", "         ##########",
    "", "", "", "", "", "", "", "", "", "", "", ""};

const char* const kDragging[32] = {
    "", "", "", "", "", "",
    "            ## ## ##",    "           #..#..#..##",  "           #..#..#..#.#", "          ##.........#.#",
    "         #..............#", "         #..............#", "          #.............#", "          #............#",
    "           #...........#", "           #...........#", "            #.........#", "            #.........#",
    "            ###########", "", "", "", "", "", "", "", "", "", "", "", "", ""};
}  // namespace

PlatformHost::PlatformHost(plat::WindowService& window, plat::Shell& shell, plat::Clock& clock,
                           std::string settingsPath)
    : window_(window), shell_(shell), clock_(clock), settingsPath_(std::move(settingsPath)) {}

PlatformHost::~PlatformHost() {
    if (cursorsMade_)
        for (plat::CursorId c : cursors_)
            if (c) window_.DestroyCursor(c);
}

plat::MaskCursor PlatformHost::HandCursor() { return FromArt(kHand, 11, 4); }
plat::MaskCursor PlatformHost::DraggingCursor() { return FromArt(kDragging, 15, 10); }

bool PlatformHost::StartWindowing() {
    std::string error;
    if (window_.Start(&error)) return true;
    host_info << "no window: " << error << std::endl;
    return false;
}

plat::WindowHandle PlatformHost::CreateWindow(const std::string& title, int x, int y, int width, int height,
                                              bool fullscreen) {
    const plat::WindowHandle w = window_.CreateMainWindow(title, x, y, width, height, fullscreen);
    if (w && instance_ && notifyMessage_)
        window_.SetNotifySource([this] { return instance_->PollNotify(); }, w, notifyMessage_);
    return w;
}

void PlatformHost::DestroyWindow(plat::WindowHandle w) { window_.DestroyWindow(w); }

void PlatformHost::ShowWindow(plat::WindowHandle w, bool show) {
    if (show) window_.Show(w);
    else window_.Hide(w);
}

void PlatformHost::RaiseWindow(plat::WindowHandle w) { window_.Raise(w); }
void PlatformHost::RestoreWindow(plat::WindowHandle w) { window_.Raise(w); }
void PlatformHost::MoveWindow(plat::WindowHandle w, int x, int y) { window_.SetWindowPos(w, x, y); }

bool PlatformHost::WindowPosition(plat::WindowHandle w, int* x, int* y) {
    if (window_.IsMinimised(w)) return false;
    const plat::Rect client = window_.ClientRect(w);
    const plat::BorderSizes b = window_.WindowBorders(w);
    *x = client.x - b.left;
    *y = client.y - b.top;
    return true;
}

HostRect PlatformHost::WorkArea() {
    const plat::Rect r = window_.UsableDesktopBounds();
    return {r.x, r.y, r.x + r.w, r.y + r.h};
}

void PlatformHost::BorderSizes(int* left, int* top, int* right, int* bottom) {
    const plat::BorderSizes b = window_.WindowBorders(0);
    *left = b.left;
    *top = b.top;
    *right = b.right;
    *bottom = b.bottom;
}

void PlatformHost::ClearWindow(plat::WindowHandle w) { window_.ClearWindow(w, 0x000000); }

void PlatformHost::SetTimer(plat::WindowHandle w, std::uintptr_t id, int periodMs) {
    window_.SetTimer(w, id, static_cast<std::uint32_t>(periodMs > 0 ? periodMs : 1));
}

void PlatformHost::PumpMessages(VantAppBase* app) {
    window_.PumpEvents([&](const plat::MsgRecord& m) {
        app->CallWindowProc(m);
        if (app->mShutdown) window_.StopPump();
    });
}

std::uint32_t PlatformHost::RegisterMessage(const std::string& name) {
    notifyMessage_ = window_.RegisterMessage(name);
    return notifyMessage_;
}

void PlatformHost::SetCapture(plat::WindowHandle w) { window_.SetCapture(w); }
void PlatformHost::ReleaseCapture() { window_.ReleaseCapture(); }

bool PlatformHost::PointerInClient(plat::WindowHandle w, int* x, int* y) {
    int px = 0, py = 0;
    const plat::Rect client = window_.ClientRect(w);
    if (!window_.CursorPos(&px, &py)) {
        window_.LastClientCursorPos(x, y);
        return false;
    }
    *x = px - client.x;
    *y = py - client.y;
    return window_.WindowUnderCursor() == w && *x >= 0 && *y >= 0 && *x < client.w && *y < client.h;
}

void PlatformHost::ShowCursorNumber(int number) {
    if (!cursorsMade_) {
        using SC = plat::SystemCursor;
        cursors_[0] = window_.CreateSystemCursor(SC::Arrow);
        cursors_[1] = window_.CreateMaskCursor(HandCursor());
        cursors_[2] = window_.CreateMaskCursor(DraggingCursor());
        cursors_[3] = window_.CreateSystemCursor(SC::IBeam);
        cursors_[4] = window_.CreateSystemCursor(SC::No);
        cursors_[5] = window_.CreateSystemCursor(SC::SizeAll);
        cursors_[6] = window_.CreateSystemCursor(SC::SizeNESW);
        cursors_[7] = window_.CreateSystemCursor(SC::SizeNS);
        cursors_[8] = window_.CreateSystemCursor(SC::SizeNWSE);
        cursors_[9] = window_.CreateSystemCursor(SC::SizeWE);
        cursors_[10] = window_.CreateSystemCursor(SC::Wait);
        cursorsMade_ = true;
    }
    // 11 and 12 hide the pointer.
    window_.SetCursor(number >= 0 && number <= 10 ? cursors_[number] : 0);
}

int PlatformHost::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return shell_.MessageBox(text, caption, flags);
}

bool PlatformHost::OpenURL(const std::string& url) { return shell_.OpenURL(url); }
void PlatformHost::SetClipboardText(const std::string& text) { shell_.SetClipboardText(text); }
std::string PlatformHost::ClipboardText() { return shell_.GetClipboardText(); }

bool PlatformHost::ClaimSingleInstance(const std::string& name) {
    instance_ = std::make_unique<plat::SingleInstance>(name);
    if (instance_->Acquire()) return true;
    if (instance_->LockFailed()) {
        host_info << "single-instance lock unavailable; not checked" << std::endl;
        instance_.reset();
        return true;
    }
    instance_->NotifyFirst();
    instance_.reset();
    return false;
}

plat::SettingsStore& PlatformHost::Store() {
    if (!store_) {
        store_ = std::make_unique<plat::SettingsStore>(settingsPath_);
        store_->Load();
    }
    return *store_;
}

bool PlatformHost::SettingsWrite(const std::string& key, const std::string& name, std::uint32_t type,
                                 const void* data, std::uint32_t size) {
    return Store().Write(key, name, type, data, size);
}

bool PlatformHost::SettingsRead(const std::string& key, const std::string& name, std::uint32_t* type, void* data,
                                std::uint32_t* size) {
    return Store().Read(key, name, type, data, size);
}

bool PlatformHost::SettingsErase(const std::string& key, const std::string& name) {
    return Store().Erase(key, name);
}

}  // namespace Vant
