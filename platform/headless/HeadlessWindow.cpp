#include "platform/headless/HeadlessWindow.h"

#include "platform/Signals.h"

namespace plat::headless {
namespace {

std::string FoldName(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsMouseMessage(std::uint32_t m) { return m >= msg::kMouseMove && m <= msg::kMButtonDblClk; }

}  // namespace

HeadlessWindow::HeadlessWindow(Clock& clock) : clock_(clock), synth_(clock) {}

void HeadlessWindow::QueueInput(const MsgRecord& record) { input_.push_back(record); }

void HeadlessWindow::SetPointer(int clientX, int clientY, bool overWindow) {
    pointerX_ = clientX;
    pointerY_ = clientY;
    const WindowHandle main = windows.empty() ? 0 : windows.begin()->first;
    if (overWindow) {
        synth_.MouseMoved(main, clientX, clientY);
    } else if (pointerOver_) {
        synth_.MouseLeft(main);
    }
    pointerOver_ = overWindow;
}

bool HeadlessWindow::Start(std::string* error) {
    if (!startSucceeds && error) *error = "no display";
    return startSucceeds;
}

WindowHandle HeadlessWindow::CreateMainWindow(const std::string& title, int x, int y, int w, int h,
                                              bool fullScreen) {
    const WindowHandle id = nextWindow_++;
    WindowState& s = windows[id];
    s.title = title;
    s.x = x;
    s.y = y;
    s.w = w;
    s.h = h;
    s.fullScreen = fullScreen;
    return id;
}

void HeadlessWindow::DestroyWindow(WindowHandle window) {
    synth_.KillTimers(window);
    windows.erase(window);
    if (captured == window) captured = 0;
}

void HeadlessWindow::SetTitle(WindowHandle window, const std::string& title) {
    if (auto it = windows.find(window); it != windows.end()) it->second.title = title;
}
void HeadlessWindow::Show(WindowHandle window) {
    if (auto it = windows.find(window); it != windows.end()) it->second.shown = true;
}
void HeadlessWindow::Hide(WindowHandle window) {
    if (auto it = windows.find(window); it != windows.end()) it->second.shown = false;
}
void HeadlessWindow::Raise(WindowHandle window) {
    if (auto it = windows.find(window); it != windows.end()) {
        it->second.minimised = false;
        ++it->second.raised;
    }
}
bool HeadlessWindow::IsMinimised(WindowHandle window) {
    auto it = windows.find(window);
    return it != windows.end() && it->second.minimised;
}
void HeadlessWindow::SetWindowPos(WindowHandle window, int x, int y) {
    if (auto it = windows.find(window); it != windows.end()) {
        it->second.x = x;
        it->second.y = y;
    }
}
bool HeadlessWindow::SetFullScreen(WindowHandle window, bool fullScreen) {
    auto it = windows.find(window);
    if (it == windows.end()) return false;
    it->second.fullScreen = fullScreen;
    return true;
}
void HeadlessWindow::ClearWindow(WindowHandle window, std::uint32_t) {
    if (auto it = windows.find(window); it != windows.end()) ++it->second.clears;
}

Rect HeadlessWindow::ClientRect(WindowHandle window) {
    auto it = windows.find(window);
    if (it == windows.end()) return {};
    const WindowState& s = it->second;
    if (s.fullScreen) return desktop;
    return {s.x + borders.left, s.y + borders.top, s.w, s.h};
}

bool HeadlessWindow::CursorPos(int* x, int* y) {
    const Rect c = windows.empty() ? Rect{} : ClientRect(windows.begin()->first);
    *x = c.x + pointerX_;
    *y = c.y + pointerY_;
    return true;
}

void HeadlessWindow::LastClientCursorPos(int* x, int* y) {
    *x = pointerX_;
    *y = pointerY_;
}

WindowHandle HeadlessWindow::WindowUnderCursor() {
    return pointerOver_ && !windows.empty() ? windows.begin()->first : 0;
}

void HeadlessWindow::PumpEvents(const MessageCallback& callback) {
    stop_ = false;
    std::vector<MsgRecord> batch;
    while (!posted_.empty()) {
        batch.push_back(posted_.front());
        posted_.pop_front();
    }
    while (!input_.empty()) {
        const MsgRecord r = input_.front();
        input_.pop_front();
        if (IsMouseMessage(r.msg)) {
            pointerX_ = PointParamX(r.lParam);
            pointerY_ = PointParamY(r.lParam);
            pointerOver_ = true;
            synth_.MouseMoved(r.window, pointerX_, pointerY_);
        }
        batch.push_back(r);
    }
    if (notifyPoll_ && notifyPoll_()) batch.push_back({notifyWindow_, notifyMessage_, 0, 0});
    if (TakeSessionEndRequest()) {
        batch.push_back({windows.empty() ? 0 : windows.begin()->first, msg::kEndSession, 1, 0});
    }
    synth_.Collect(batch);
    for (const MsgRecord& r : batch) {
        if (stop_) {
            // What was not handed out waits for the next pump.
            posted_.push_back(r);
            continue;
        }
        callback(r);
    }
}

std::uint32_t HeadlessWindow::RegisterMessage(const std::string& name) {
    auto [it, fresh] = registered_.try_emplace(FoldName(name), 0);
    if (fresh) it->second = msg::kFirstRegistered + static_cast<std::uint32_t>(registered_.size() - 1);
    return it->second;
}

void HeadlessWindow::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t intervalMs) {
    synth_.SetTimer(window, id, intervalMs);
}
void HeadlessWindow::KillTimer(WindowHandle window, std::uintptr_t id) { synth_.KillTimer(window, id); }

void HeadlessWindow::TrackMouse(WindowHandle window, unsigned what) {
    trackRequests.push_back(what);
    synth_.Track(window, what);
}

void HeadlessWindow::SetNotifySource(std::function<bool()> poll, WindowHandle window, std::uint32_t message) {
    notifyPoll_ = std::move(poll);
    notifyWindow_ = window;
    notifyMessage_ = message;
}

CursorId HeadlessWindow::CreateSystemCursor(SystemCursor) { return nextCursor_++; }

CursorId HeadlessWindow::CreateMaskCursor(const MaskCursor& cursor) {
    maskCursors.push_back(cursor);
    return nextCursor_++;
}

}  // namespace plat::headless
