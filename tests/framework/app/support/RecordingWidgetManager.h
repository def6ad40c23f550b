#pragma once
// A widget manager that writes down every input reaching it, one text per
// call, before handling it as usual. Its update and draw only count, and
// its draw reports whatever was marked dirty since the last one.
#include <string>
#include <vector>

#include "framework/app/WidgetManager.h"

namespace apptest {

class RecordingWidgetManager : public Vant::WidgetManager {
public:
    explicit RecordingWidgetManager(Vant::VantAppBase* app = nullptr) : Vant::WidgetManager(app) {}

    void SetSize(int w, int h) override {
        width = w;
        height = h;
        Vant::WidgetManager::SetSize(w, h);
    }
    bool UpdateFrame() override {
        ++updates;
        return false;
    }
    void UpdateFrameFraction(float) override {}
    bool DrawScreen() override {
        ++draws;
        const bool was = dirty;
        dirty = false;
        return was;
    }
    void MarkAllDirty() override { dirty = true; }
    void OnMouseMove(int x, int y) override {
        if (recordMoves) events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        Vant::WidgetManager::OnMouseMove(x, y);
    }
    bool OnMouseDown(int x, int y, int clicks) override {
        events.push_back("down " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(clicks));
        return Vant::WidgetManager::OnMouseDown(x, y, clicks);
    }
    bool OnMouseUp(int x, int y, int clicks) override {
        events.push_back("up " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(clicks));
        return Vant::WidgetManager::OnMouseUp(x, y, clicks);
    }
    bool OnMouseWheel(int delta) override {
        events.push_back("wheel " + std::to_string(delta));
        return Vant::WidgetManager::OnMouseWheel(delta);
    }
    bool OnMouseExit(int x, int y) override {
        events.push_back("exit");
        return Vant::WidgetManager::OnMouseExit(x, y);
    }
    bool OnKeyChar(char c) override {
        events.push_back("char " + std::to_string(static_cast<unsigned char>(c)));
        return Vant::WidgetManager::OnKeyChar(c);
    }
    bool OnKeyDown(int key) override {
        events.push_back("keydown " + std::to_string(key));
        return Vant::WidgetManager::OnKeyDown(key);
    }
    bool OnKeyUp(int key) override {
        events.push_back("keyup " + std::to_string(key));
        return Vant::WidgetManager::OnKeyUp(key);
    }
    void AppGotFocus() override {
        events.push_back("gotfocus");
        Vant::WidgetManager::AppGotFocus();
    }
    void AppLostFocus() override {
        events.push_back("lostfocus");
        Vant::WidgetManager::AppLostFocus();
    }
    void ReleasePressed() override {
        events.push_back("release");
        Vant::WidgetManager::ReleasePressed();
    }

    std::vector<std::string> events;
    bool recordMoves = true;
    bool dirty = true;
    int width = 0, height = 0;
    int updates = 0, draws = 0;
};

}  // namespace apptest
