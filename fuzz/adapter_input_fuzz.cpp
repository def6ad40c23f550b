// Window messages, clock steps and changes of the screen stack and the
// control tree, in any order, over three screens of nested controls on the
// adapter's application. Checks that the modal count matches the modal
// screens on the stack and that no hidden or disabled control is handed an
// event.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "framework/app/DSoundManager.h"
#include "framework/app/PlatformHost.h"
#include "framework/app/WidgetManager.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/App.h"
#include "ostrel/Control.h"
#include "ostrel/ScreenSystem.h"
#include "ostrel/gui/BasicScreen.h"
#include "platform/headless/HeadlessShell.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/ManualClock.h"
#include "support/FuzzScratch.h"

namespace {

using orvek::ostrel::Control;
using orvek::ostrel::EventResult;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    bool more() const { return p_ < end_; }
    std::uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(byte()) << (8 * i);
        return v;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

// Every control and widget up to the widget manager is visible and enabled.
bool reachable(const Control& c) {
    for (Vant::WidgetContainer* w = c.widget(); w; w = w->mParent) {
        auto* widget = dynamic_cast<Vant::Widget*>(w);
        if (widget && (!widget->mVisible || widget->mDisabled)) return false;
    }
    return true;
}

class FuzzControl : public Control {
public:
    FuzzControl() = default;
    FuzzControl(Control& parent, int) : Control(parent, "") {}
    EventResult accepts(const orvek::ostrel::events::Event&) override { return EventResult(accept); }
    EventResult handle(const orvek::ostrel::events::Event&) override {
        if (!reachable(*this)) std::abort();
        return EventResult(handled);
    }
    bool accept = true, handled = false;
};

// The screen's control and five more under it: two children, three
// grandchildren.
class FuzzScreen : public orvek::ostrel::BasicScreen {
public:
    explicit FuzzScreen(orvek::ostrel::ScreenSystem& system) : BasicScreen(system, "") {
        auto root = std::make_unique<FuzzControl>();
        root->set_size({400, 300});
        controls[0] = root.get();
        install_control(std::move(root));
        for (int i = 0; i < 2; ++i) owned[i] = std::make_unique<FuzzControl>(*controls[0], 0);
        owned[2] = std::make_unique<FuzzControl>(*owned[0], 0);
        owned[3] = std::make_unique<FuzzControl>(*owned[0], 0);
        owned[4] = std::make_unique<FuzzControl>(*owned[1], 0);
        for (int i = 0; i < 5; ++i) {
            controls[i + 1] = owned[i].get();
            owned[i]->set_position({10 * i, 5 * i});
            owned[i]->set_size({100, 80});
        }
    }
    std::array<FuzzControl*, 6> controls{};
    std::array<std::unique_ptr<FuzzControl>, 5> owned;
};

class FuzzApp : public orvek::ostrel::App {
public:
    FuzzApp(Vant::AppHost* host, std::string program) : App(host), program_(std::move(program)) {
        mOnlyAllowOneCopyToRun = false;
    }
    bool ChangeDirHook(const std::string&) override { return true; }
    Vant::SoundManager* CreateSoundManager() override {
        return new Vant::DSoundManager(static_cast<plat::AudioDevice*>(nullptr), false);
    }
    Vant::MusicInterface* CreateMusicInterface() override { return new Vant::MusicInterface(); }

protected:
    std::string program_file() const override { return program_; }

private:
    std::string program_;
};

const std::uint32_t kCodes[] = {160, 256, 257, 258, 260, 261, 262, 512, 513, 514, 515, 516, 517,
                                518, 519, 520, 521, 522, 673, 675, 16,  3,   275, 32768, 0xC001};

void check_modal_count(orvek::ostrel::ScreenSystem& ss) {
    int modal = 0;
    for (orvek::screens::Screen* s : ss.stack())
        if (s && s->is_modal()) ++modal;
    if (modal != ss.modal_count()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::ScratchDir scratch("adapter_input");
    Reader in(data, size);
    orvek::ostrel::ConfigRegistry::instance().elements().clear();
    plat::headless::ManualClock clock;
    plat::headless::HeadlessWindow window(clock);
    plat::headless::HeadlessShell shell;
    Vant::PlatformHost host(window, shell, clock, scratch.file("registry.txt"));
    auto app = std::make_unique<FuzzApp>(&host, scratch.file("bin/fuzz"));
    app->init();
    orvek::ostrel::ScreenSystem& ss = *app->screen_system();
    const plat::WindowHandle hwnd = app->mHWnd;

    std::array<std::unique_ptr<FuzzScreen>, 3> screens;
    for (auto& s : screens) s = std::make_unique<FuzzScreen>(ss);
    std::vector<std::shared_ptr<Control>> tips;

    int ops = 0;
    while (in.more() && ++ops < 400) {
        const std::uint8_t op = in.byte();
        FuzzScreen* screen = screens[in.byte() % 3].get();
        switch (op % 10) {
        case 0: case 1: {  // a message, mostly a known one
            const std::uint8_t pick = in.byte();
            const std::uint32_t code = pick < 200 ? kCodes[pick % std::size(kCodes)] : in.u32();
            const std::uint32_t w = in.u32(), l = in.u32();
            app->CallWindowProc({hwnd, code, w, static_cast<std::intptr_t>(static_cast<std::int32_t>(l))});
            if (app->mShutdown) app->mShutdown = false;
            break;
        }
        case 2:
            clock.Advance(in.byte() * 2u);
            app->step_clock();
            check_modal_count(ss);
            break;
        case 3:
            if (screen) ss.push_screen(screen);
            break;
        case 4:
            if (screen) ss.push_modal_screen(screen);
            break;
        case 5:
            ss.pop_screen();
            break;
        case 6: {  // destroy a screen, or make a destroyed one again
            auto& slot = screens[in.byte() % 3];
            if (slot) slot.reset();
            else slot = std::make_unique<FuzzScreen>(ss);
            check_modal_count(ss);
            break;
        }
        case 7: {  // destroy a control under a screen's own
            const std::uint8_t i = in.byte() % 5;
            if (screen) screen->owned[i].reset();
            if (screen) screen->controls[i + 1] = nullptr;
            break;
        }
        case 8: {  // a tooltip on a control, or none
            const std::uint8_t i = in.byte();
            if (!screen || !screen->controls[i % 6]) break;
            std::shared_ptr<Control> tip;
            if (i & 0x80) {
                tip = std::make_shared<Control>();
                tip->set_size({in.byte(), in.byte()});
                tips.push_back(tip);
            }
            screen->controls[i % 6]->set_tooltip(tip);
            break;
        }
        default: {  // show, hide, enable, disable, accept or handle
            const std::uint8_t i = in.byte();
            FuzzControl* c = screen ? screen->controls[i % 6] : nullptr;
            if (!c) break;
            switch ((i >> 3) % 4) {
            case 0: c->set_visible(!c->is_visible()); break;
            case 1: c->set_enabled(!c->is_enabled()); break;
            case 2: c->accept = !c->accept; break;
            default: c->handled = !c->handled; break;
            }
            break;
        }
        }
    }
    ss.update();
    check_modal_count(ss);
    // Either order of teardown.
    if (in.byte() & 1) {
        app.reset();
        for (auto& s : screens) s.reset();
    } else {
        for (auto& s : screens) s.reset();
        app.reset();
    }
    return 0;
}
