#include "framework/app/AppInterfaces.h"
#include "framework/app/VantAppBase.h"

namespace Vant {

int BlankDisplay::Init(plat::WindowHandle window, bool) {
    window_ = window;
    ++initCount;
    return kOk;
}

bool BlankDisplay::Redraw() {
    ++redrawCount;
    if (app_ && window_) app_->mHost->ClearWindow(window_);
    return true;
}

void RecordingWidgetManager::SetSize(int w, int h) {
    width = w;
    height = h;
}

bool RecordingWidgetManager::UpdateFrame() {
    ++updates;
    return false;
}

bool RecordingWidgetManager::DrawScreen() {
    ++draws;
    const bool was = dirty;
    dirty = false;
    return was;
}

void RecordingWidgetManager::OnMouseMove(int x, int y) {
    if (recordMoves) events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
}

void RecordingWidgetManager::OnMouseDown(int x, int y, int clicks) {
    buttonsDown |= clicks == 3 ? 4u : clicks < 0 ? 2u : 1u;
    events.push_back("down " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(clicks));
}

void RecordingWidgetManager::OnMouseUp(int x, int y, int clicks) {
    buttonsDown &= ~(clicks == 3 ? 4u : clicks < 0 ? 2u : 1u);
    events.push_back("up " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(clicks));
}

void RecordingWidgetManager::OnMouseWheel(int delta) { events.push_back("wheel " + std::to_string(delta)); }

void RecordingWidgetManager::OnMouseExit(int, int) { events.push_back("exit"); }

void RecordingWidgetManager::OnKeyChar(char c) {
    events.push_back("char " + std::to_string(static_cast<unsigned char>(c)));
}

void RecordingWidgetManager::OnKeyDown(int key) {
    if (key >= 0 && key < 255) keyDown[static_cast<std::size_t>(key)] = true;
    events.push_back("keydown " + std::to_string(key));
}

void RecordingWidgetManager::OnKeyUp(int key) {
    if (key >= 0 && key < 255) keyDown[static_cast<std::size_t>(key)] = false;
    events.push_back("keyup " + std::to_string(key));
}

void RecordingWidgetManager::AppGotFocus() { events.push_back("gotfocus"); }

void RecordingWidgetManager::AppLostFocus() { events.push_back("lostfocus"); }

void RecordingWidgetManager::ReleasePressed() {
    buttonsDown = 0;
    events.push_back("release");
}

}  // namespace Vant
