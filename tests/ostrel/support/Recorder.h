#pragma once
// Controls that record the events they are offered, and a screen with one
// of them installed.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "ostrel/Control.h"
#include "ostrel/Events.h"
#include "ostrel/gui/BasicScreen.h"

namespace adaptertest {

using orvek::ostrel::Control;
using orvek::ostrel::EventResult;
namespace ev = orvek::ostrel;

// "press 3,4", "open 3,4", "wheel -120", "key 65 was", "char 168", ...
inline std::string describe(const orvek::ostrel::events::Event& e) {
    auto at = [](const ev::CursorEvent& c) {
        return " " + std::to_string(c.position().x) + "," + std::to_string(c.position().y);
    };
    if (auto* c = dynamic_cast<const ev::SelectPressEvent*>(&e)) return "press" + at(*c);
    if (auto* c = dynamic_cast<const ev::SelectReleaseEvent*>(&e)) return "release" + at(*c);
    if (auto* c = dynamic_cast<const ev::ContextPressEvent*>(&e)) return "ctx-press" + at(*c);
    if (auto* c = dynamic_cast<const ev::ContextReleaseEvent*>(&e)) return "ctx-release" + at(*c);
    if (auto* c = dynamic_cast<const ev::MiddlePressEvent*>(&e)) return "mid-press" + at(*c);
    if (auto* c = dynamic_cast<const ev::MiddleReleaseEvent*>(&e)) return "mid-release" + at(*c);
    if (auto* c = dynamic_cast<const ev::OpenEvent_*>(&e)) return "open" + at(*c);
    if (auto* c = dynamic_cast<const ev::ContextOpenEvent*>(&e)) return "ctx-open" + at(*c);
    if (auto* c = dynamic_cast<const ev::WheelEvent*>(&e)) return "wheel " + std::to_string(c->delta());
    if (auto* c = dynamic_cast<const ev::PositionEvent*>(&e))
        return "move" + at(*c) + " by " + std::to_string(c->delta().x) + "," + std::to_string(c->delta().y);
    if (auto* k = dynamic_cast<const ev::KeyReleaseEvent*>(&e)) return "keyup " + std::to_string(k->key());
    if (auto* k = dynamic_cast<const ev::KeyPressEvent*>(&e))
        return "key " + std::to_string(k->key()) + (k->was_down() ? " was" : "");
    if (auto* ch = dynamic_cast<const ev::CharEvent*>(&e))
        return "char " + std::to_string(ch->character()) + (ch->flag() ? " was" : "");
    return "?";
}

class Recorder : public Control {
public:
    Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    Recorder(Control& parent, std::string name, std::vector<std::string>& log)
        : Control(parent, ""), name_(std::move(name)), log_(log) {}

    EventResult accepts(const orvek::ostrel::events::Event&) override { return EventResult(accept); }
    EventResult handle(const orvek::ostrel::events::Event& e) override {
        log_.push_back(name_ + ": " + describe(e));
        if (on_handle) on_handle(e);
        return EventResult(handled);
    }
    void draw(Vant::Graphics* g) override {
        if (fill == 0) return;
        g->SetColor(Vant::Color(fill));
        g->FillRect(0, 0, size().width, size().height);
    }
    void place(int x, int y, int w, int h) {
        set_position({x, y});
        set_size({w, h});
    }
    const std::string& name() const { return name_; }

    bool accept = true;
    bool handled = true;
    std::uint32_t fill = 0;  // ARGB; 0 draws nothing
    std::function<void(const orvek::ostrel::events::Event&)> on_handle;

private:
    std::string name_;
    std::vector<std::string>& log_;
};

// A screen whose control is a recorder covering the given rectangle.
class TestScreen : public orvek::ostrel::BasicScreen {
public:
    TestScreen(orvek::ostrel::ScreenSystem& system, const std::string& name, std::vector<std::string>& log,
               int w = 640, int h = 480)
        : BasicScreen(system, "") {
        auto r = std::make_unique<Recorder>(name, log);
        r->place(0, 0, w, h);
        recorder = r.get();
        install_control(std::move(r));
    }
    Recorder* recorder;
};

}  // namespace adaptertest
