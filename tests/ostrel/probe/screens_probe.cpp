// A small program on the adapter's application for the real-window test: a
// screen of nested controls and a modal screen pushed by a click on it.
// Every control writes the events it handles to "events.txt"; each fills
// its rectangle with one flat colour. The first close is refused, the
// second accepted. Lines on stdout tell the test what has been shown.
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../../framework/app/support/SdlProbeHost.h"
#include "../support/Recorder.h"
#include "ostrel/App.h"
#include "ostrel/ScreenSystem.h"

namespace {

using namespace orvek::ostrel;
namespace ev = orvek::ostrel;

std::ofstream* g_events = nullptr;

void Log(const std::string& line) {
    *g_events << line << "\n";
    g_events->flush();
}

void Say(const char* line) {
    std::printf("probe: %s\n", line);
    std::fflush(stdout);
}

// Takes pointer events inside itself, and keys when it is a screen's root
// marked as the keyboard's.
class Box : public Control {
public:
    Box(std::string name, std::uint32_t fill) : name_(std::move(name)), fill_(fill) {}
    Box(Control& parent, std::string name, std::uint32_t fill)
        : Control(parent, ""), name_(std::move(name)), fill_(fill) {}

    EventResult accepts(const ev::events::Event& e) override {
        if (auto* c = dynamic_cast<const ev::CursorEvent*>(&e)) return EventResult(contains_point(c->position()));
        return EventResult(keys);
    }
    EventResult handle(const ev::events::Event& e) override {
        // Alt and F4 only close the window; when their key events arrive
        // beside the close depends on timing.
        auto* k = dynamic_cast<const ev::KeyEvent*>(&e);
        if (!k || (k->key() != 18 && k->key() != 115)) Log(name_ + ": " + adaptertest::describe(e));
        if (on_handle) on_handle(e);
        return EventResult(true);
    }
    void draw(Vant::Graphics* g) override {
        g->SetColor(Vant::Color(fill_));
        g->FillRect(0, 0, size().width, size().height);
    }
    void place(int x, int y, int w, int h) {
        set_position({x, y});
        set_size({w, h});
    }

    bool keys = false;
    std::function<void(const ev::events::Event&)> on_handle;

private:
    std::string name_;
    std::uint32_t fill_;
};

class BoxScreen : public BasicScreen {
public:
    BoxScreen(ScreenSystem& system, std::unique_ptr<Box> root) : BasicScreen(system, ""), root(root.get()) {
        install_control(std::move(root));
    }
    Box* root;
};

class ProbeApp : public App {
public:
    explicit ProbeApp(Vant::AppHost* host) : App(host), events_("events.txt") {
        g_events = &events_;
        mProdName = "ZelkorScreensProbe";
        mTitle = "Zelkor Screens Probe";
        mRegKey = "ZelkorScreensProbe";
        mWantsLoadingThread = false;
        mWidth = 320;
        mHeight = 240;
        set_config_name("screens_probe");
    }
    ~ProbeApp() override {
        // The screens leave the stack before the screen system goes.
        lower_.reset();
        upper_.reset();
        g_events = nullptr;
    }
    bool ChangeDirHook(const std::string&) override { return true; }

    // The screens need the screen system, which exists once the App's
    // start-up is through.
    void init() override {
        App::init();
        ScreenSystem& ss = *screen_system();
        auto a = std::make_unique<Box>("A", 0xFF283C5A);
        a->place(0, 0, mWidth, mHeight);
        auto* a1 = new Box(*a, "A1", 0xFF30A050);
        a1->place(20, 20, 120, 80);
        owned_.emplace_back(a1);
        auto* a1a = new Box(*a1, "A1a", 0xFFF0D020);
        a1a->place(10, 10, 40, 30);
        owned_.emplace_back(a1a);
        lower_ = std::make_unique<BoxScreen>(ss, std::move(a));

        auto b = std::make_unique<Box>("B", 0xFFC03030);
        b->place(160, 120, 140, 100);
        auto* b1 = new Box(*b, "B1", 0xFFF0F0F0);
        b1->place(20, 20, 60, 40);
        owned_.emplace_back(b1);
        b->keys = true;
        upper_ = std::make_unique<BoxScreen>(ss, std::move(b));

        // A click on the nested box opens the modal screen.
        a1->on_handle = [this](const ev::events::Event& e) {
            if (dynamic_cast<const ev::SelectReleaseEvent*>(&e)) {
                Log("push modal B");
                screen_system()->push_modal_screen(upper_.get());
                pending_ = "shown B";
            }
        };
        // The last typed letter ends the script.
        upper_->root->on_handle = [this](const ev::events::Event& e) {
            if (auto* c = dynamic_cast<const ev::CharEvent*>(&e); c && c->character() == '.') pending_ = "typed";
        };
        ss.push_screen(lower_.get());
        pending_ = "shown A";
    }

    bool on_close_request() override {
        const bool allow = ++closes_ > 1;
        Log(allow ? "close accepted" : "close refused");
        if (!allow) Say("close refused");
        return allow;
    }

    bool DrawDirtyStuff() override {
        // Said once the picture is surely on the window: a frame or two
        // drawn in full after the change.
        if (!pending_.empty()) mWidgetManager->MarkAllDirty();
        const bool drew = App::DrawDirtyStuff();
        if (drew && !pending_.empty() && ++frames_ >= 2) {
            Say(pending_.c_str());
            pending_.clear();
            frames_ = 0;
        }
        return drew;
    }

private:
    std::ofstream events_;
    std::unique_ptr<BoxScreen> lower_, upper_;
    // Children are deleted before their roots, with the screens.
    std::vector<std::unique_ptr<Box>> owned_;
    std::string pending_;
    int frames_ = 0, closes_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    apptest::SdlProbeHost probe(argc, argv);
    {
        ProbeApp app(&probe.host);
        app.Init();
        app.Start();
    }
    Say("ended");
    return 0;
}
