#include "platform/sdl/SdlWindow.h"

#include <string>

#include <SDL.h>

#include "orvek/Log.h"
#include "platform/Signals.h"
#include "platform/Text.h"

namespace plat::sdl {
namespace {

const orvek::LogChannel& Warn() {
    static const orvek::LogChannel channel("platform.window", orvek::log_warning_flag);
    return channel;
}

std::string FoldName(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

void MaskToSdl(const MaskCursor& cursor, std::uint8_t data[128], std::uint8_t mask[128]) {
    for (int row = 0; row < 32; ++row) {
        const std::uint32_t a = cursor.andPlane[row], x = cursor.xorPlane[row];
        // Shown where and is 0; black where the planes agree (0,0 black and
        // 1,1 invert, which SDL draws black or inverted).
        const std::uint32_t m = ~a, d = ~(a ^ x);
        for (int b = 0; b < 4; ++b) {
            mask[row * 4 + b] = static_cast<std::uint8_t>(m >> (24 - 8 * b));
            data[row * 4 + b] = static_cast<std::uint8_t>(d >> (24 - 8 * b));
        }
    }
}

SdlWindowService::SdlWindowService(Clock& clock) : synth_(clock) {}

SdlWindowService::~SdlWindowService() {
    if (!started_) return;
    for (auto& [id, c] : cursors_) SDL_FreeCursor(c);
    for (auto& [id, w] : windows_) SDL_DestroyWindow(w);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindowService::Start(std::string* error) {
    if (started_) return true;
    // Our own handlers take the end-of-session signals (Signals.h).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint("SDL_QUIT_ON_LAST_WINDOW_CLOSE", "0");
    // The activating click reaches the game, and the desktop's screen saver
    // is left alone unless InhibitScreenSaver says otherwise.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error) *error = SDL_GetError();
        return false;
    }
    // Without a display SDL falls back to drawing off screen, where the game
    // would run unseen: that counts as no display unless it was asked for.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && std::string(driver) == "offscreen" && !(asked && std::string(asked) == "offscreen")) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (error) *error = "no display";
        return false;
    }
    SDL_StartTextInput();
    started_ = true;
    return true;
}

SDL_Window* SdlWindowService::Find(WindowHandle window) const {
    const auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second;
}

WindowHandle SdlWindowService::CreateMainWindow(const std::string& title, int x, int y, int w, int h,
                                                bool fullScreen) {
    if (!started_) return 0;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (fullScreen) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        // Made at the desktop's size: without a window manager nobody else
        // would resize it. The display scales the picture into it.
        SDL_Rect b{};
        if (SDL_GetDisplayBounds(0, &b) == 0 && b.w > 0 && b.h > 0) {
            x = b.x;
            y = b.y;
            w = b.w;
            h = b.h;
        }
    }
    SDL_Window* win = SDL_CreateWindow(Cp1251ToUtf8(title).c_str(), x, y, w, h, flags);
    if (!win) {
        Warn() << "window " << w << "x" << h << " not created: " << SDL_GetError() << std::endl;
        return 0;
    }
    const WindowHandle id = SDL_GetWindowID(win);
    windows_[id] = win;
    // The position asked for is the frame's; SDL places the client area.
    if (!fullScreen) SetWindowPos(id, x, y);
    return id;
}

void SdlWindowService::DestroyWindow(WindowHandle window) {
    SDL_Window* w = Find(window);
    if (!w) return;
    synth_.KillTimers(window);
    SDL_DestroyWindow(w);
    windows_.erase(window);
}

void SdlWindowService::SetTitle(WindowHandle window, const std::string& title) {
    if (SDL_Window* w = Find(window)) SDL_SetWindowTitle(w, Cp1251ToUtf8(title).c_str());
}
void SdlWindowService::SetIcon(WindowHandle window, const std::uint32_t* argb, int w, int h) {
    SDL_Window* win = Find(window);
    if (!win || !argb || w <= 0 || h <= 0) return;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(argb), w, h, 32, w * 4,
                                                        SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_SetWindowIcon(win, s);
    SDL_FreeSurface(s);
}
void SdlWindowService::Show(WindowHandle window) {
    if (SDL_Window* w = Find(window)) SDL_ShowWindow(w);
}
void SdlWindowService::Hide(WindowHandle window) {
    if (SDL_Window* w = Find(window)) SDL_HideWindow(w);
}
void SdlWindowService::Raise(WindowHandle window) {
    SDL_Window* w = Find(window);
    if (!w) return;
    if (SDL_GetWindowFlags(w) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(w);
    SDL_RaiseWindow(w);
}
bool SdlWindowService::IsMinimised(WindowHandle window) {
    SDL_Window* w = Find(window);
    return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_MINIMIZED);
}
void SdlWindowService::SetWindowPos(WindowHandle window, int x, int y) {
    SDL_Window* w = Find(window);
    if (!w) return;
    // SDL places the client area; the caller means the outer corner.
    const BorderSizes b = WindowBorders(window);
    SDL_SetWindowPosition(w, x + b.left, y + b.top);
}
bool SdlWindowService::SetFullScreen(WindowHandle window, bool fullScreen) {
    SDL_Window* w = Find(window);
    return w && SDL_SetWindowFullscreen(w, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
}
void SdlWindowService::ClearWindow(WindowHandle window, std::uint32_t rgb) {
    SDL_Window* w = Find(window);
    if (!w) return;
    SDL_Surface* s = SDL_GetWindowSurface(w);
    if (!s) return;
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    SDL_UpdateWindowSurface(w);
}

Rect SdlWindowService::FullScreenBounds() {
    SDL_Rect r{};
    if (!started_ || SDL_GetDisplayBounds(0, &r) != 0) return {};
    return {r.x, r.y, r.w, r.h};
}
Rect SdlWindowService::UsableDesktopBounds() {
    SDL_Rect r{};
    if (!started_ || SDL_GetDisplayUsableBounds(0, &r) != 0) return FullScreenBounds();
    return {r.x, r.y, r.w, r.h};
}
BorderSizes SdlWindowService::WindowBorders(WindowHandle window) {
    SDL_Window* w = Find(window);
    int top = 0, left = 0, bottom = 0, right = 0;
    if (!w || SDL_GetWindowBordersSize(w, &top, &left, &bottom, &right) != 0) return {};
    return {left, top, right, bottom};
}
Rect SdlWindowService::ClientRect(WindowHandle window) {
    SDL_Window* w = Find(window);
    if (!w) return {};
    Rect r;
    SDL_GetWindowPosition(w, &r.x, &r.y);
    SDL_GetWindowSize(w, &r.w, &r.h);
    return r;
}
bool SdlWindowService::CursorPos(int* x, int* y) {
    if (!started_) return false;
    SDL_GetGlobalMouseState(x, y);
    return true;
}
void SdlWindowService::LastClientCursorPos(int* x, int* y) {
    *x = lastX_.load(std::memory_order_relaxed);
    *y = lastY_.load(std::memory_order_relaxed);
}
WindowHandle SdlWindowService::WindowUnderCursor() {
    if (!started_) return 0;
    SDL_Window* w = SDL_GetMouseFocus();
    return w ? SDL_GetWindowID(w) : 0;
}

void SdlWindowService::PumpEvents(const MessageCallback& callback) {
    stop_ = false;
    std::vector<MsgRecord> batch;
    batch.swap(posted_);
    const WindowHandle main = windows_.empty() ? 0 : windows_.begin()->first;
    if (started_) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            const std::size_t first = batch.size();
            translator_.Translate(e, batch);
            for (std::size_t i = first; i < batch.size(); ++i)
                if (batch[i].window == 0) batch[i].window = main;
            if (e.type == SDL_MOUSEMOTION) {
                lastX_.store(e.motion.x, std::memory_order_relaxed);
                lastY_.store(e.motion.y, std::memory_order_relaxed);
                synth_.MouseMoved(e.motion.windowID, e.motion.x, e.motion.y);
            } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_LEAVE) {
                synth_.MouseLeft(e.window.windowID);
            }
        }
    }
    if (notifyPoll_ && notifyPoll_()) batch.push_back({notifyWindow_, notifyMessage_, 0, 0});
    if (TakeSessionEndRequest()) batch.push_back({main, msg::kEndSession, 1, 0});
    synth_.Collect(batch);
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (stop_) {
            // The rest waits for the next pump, ahead of anything posted since.
            posted_.insert(posted_.begin(), batch.begin() + static_cast<std::ptrdiff_t>(i), batch.end());
            break;
        }
        callback(batch[i]);
    }
    if (pumpHook_) pumpHook_();
}

void SdlWindowService::PostMessage(const MsgRecord& record) { posted_.push_back(record); }

std::uint32_t SdlWindowService::RegisterMessage(const std::string& name) {
    auto [it, fresh] = registered_.try_emplace(FoldName(name), 0);
    if (fresh) it->second = msg::kFirstRegistered + static_cast<std::uint32_t>(registered_.size() - 1);
    return it->second;
}

void SdlWindowService::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs) {
    synth_.SetTimer(window, id, intervalMs);
}
void SdlWindowService::KillTimer(WindowHandle window, std::uintptr_t id) { synth_.KillTimer(window, id); }
void SdlWindowService::TrackMouse(WindowHandle window, unsigned what) { synth_.Track(window, what); }

void SdlWindowService::SetNotifySource(std::function<bool()> poll, WindowHandle window, std::uint32_t message) {
    notifyPoll_ = std::move(poll);
    notifyWindow_ = window;
    notifyMessage_ = message;
}

void SdlWindowService::SetCapture(WindowHandle) {
    if (started_) SDL_CaptureMouse(SDL_TRUE);
}
void SdlWindowService::ReleaseCapture() {
    if (started_) SDL_CaptureMouse(SDL_FALSE);
}

CursorId SdlWindowService::CreateSystemCursor(SystemCursor which) {
    if (!started_) return 0;
    SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
    switch (which) {
    case SystemCursor::Arrow: id = SDL_SYSTEM_CURSOR_ARROW; break;
    case SystemCursor::IBeam: id = SDL_SYSTEM_CURSOR_IBEAM; break;
    case SystemCursor::No: id = SDL_SYSTEM_CURSOR_NO; break;
    case SystemCursor::SizeAll: id = SDL_SYSTEM_CURSOR_SIZEALL; break;
    case SystemCursor::SizeNESW: id = SDL_SYSTEM_CURSOR_SIZENESW; break;
    case SystemCursor::SizeNS: id = SDL_SYSTEM_CURSOR_SIZENS; break;
    case SystemCursor::SizeNWSE: id = SDL_SYSTEM_CURSOR_SIZENWSE; break;
    case SystemCursor::SizeWE: id = SDL_SYSTEM_CURSOR_SIZEWE; break;
    case SystemCursor::Wait: id = SDL_SYSTEM_CURSOR_WAIT; break;
    }
    SDL_Cursor* c = SDL_CreateSystemCursor(id);
    if (!c) return 0;
    cursors_[nextCursor_] = c;
    return nextCursor_++;
}

CursorId SdlWindowService::CreateMaskCursor(const MaskCursor& cursor) {
    if (!started_) return 0;
    std::uint8_t data[128], mask[128];
    MaskToSdl(cursor, data, mask);
    SDL_Cursor* c = SDL_CreateCursor(data, mask, 32, 32, cursor.hotX, cursor.hotY);
    if (!c) {
        Warn() << "cursor not created: " << SDL_GetError() << std::endl;
        return 0;
    }
    cursors_[nextCursor_] = c;
    return nextCursor_++;
}

void SdlWindowService::DestroyCursor(CursorId cursor) {
    const auto it = cursors_.find(cursor);
    if (it == cursors_.end()) return;
    SDL_FreeCursor(it->second);
    cursors_.erase(it);
}

void SdlWindowService::SetCursor(CursorId cursor) {
    if (!started_) return;
    const auto it = cursors_.find(cursor);
    if (it == cursors_.end()) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    SDL_SetCursor(it->second);
    SDL_ShowCursor(SDL_ENABLE);
}

void SdlWindowService::InhibitScreenSaver(bool inhibit) {
    if (!started_) return;
    if (inhibit)
        SDL_DisableScreenSaver();
    else
        SDL_EnableScreenSaver();
}

}  // namespace plat::sdl
