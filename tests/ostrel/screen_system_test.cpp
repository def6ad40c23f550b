// Window messages become events for the controls of the shown screens:
// the message table, the dispatch order, the stack hooks on the widget
// manager, tooltips and the cursor.
#include <gtest/gtest.h>

#include <initializer_list>

#include "framework/app/WidgetManager.h"
#include "framework/graphics/MemoryImage.h"
#include "ostrel/gui/Statics.h"
#include "support/AdapterHarness.h"
#include "support/Recorder.h"

namespace {

using adaptertest::Log;
using adaptertest::Platform;
using adaptertest::Recorder;
using adaptertest::TestApp;
using adaptertest::TestScreen;
using orvek::ostrel::Control;
using orvek::ostrel::Point;
using namespace plat::msg;

std::int32_t at(int x, int y) { return static_cast<std::int32_t>(plat::MakePointParam(x, y)); }

// An initialised App and its screen system.
struct Stage {
    Platform p;
    TestApp app{&p.host, p.program};
    orvek::ostrel::ScreenSystem* ss;
    Vant::WidgetManager* wm;
    Log log;
    Stage() {
        app.init();
        ss = app.screen_system();
        wm = app.mWidgetManager.get();
    }
    void post(std::uint32_t m, std::uint32_t w = 0, std::int32_t l = 0) { ss->post_message(m, w, l); }
};

struct Message {
    std::uint32_t msg;
    std::uint32_t w;
    std::int32_t l;
};

TEST(Events, MessageTable) {
    struct Case {
        const char* name;
        std::vector<Message> messages;
        Log events;
    };
    const std::uint32_t wheel_down = static_cast<std::uint32_t>(static_cast<std::uint16_t>(-240)) << 16;
    const Case cases[] = {
        {"double click: press then open", {{515, 1, at(3, 4)}, {514, 0, at(3, 4)}},
         {"S: press 3,4", "S: open 3,4", "S: release 3,4"}},
        {"right double click", {{518, 2, at(5, 6)}}, {"S: ctx-press 5,6", "S: ctx-open 5,6"}},
        {"middle double click makes nothing", {{521, 0, at(5, 6)}}, {}},
        {"buttons", {{513, 1, at(1, 2)}, {514, 0, at(1, 2)}, {516, 2, at(1, 2)}, {517, 0, at(1, 2)},
                     {519, 16, at(1, 2)}, {520, 0, at(1, 2)}},
         {"S: press 1,2", "S: release 1,2", "S: ctx-press 1,2", "S: ctx-release 1,2", "S: mid-press 1,2",
          "S: mid-release 1,2"}},
        {"a click acts at its own place", {{512, 0, at(10, 20)}, {513, 1, at(40, 50)}, {512, 0, at(41, 50)}},
         {"S: move 10,20 by 10,20", "S: press 40,50", "S: move 41,50 by 1,0"}},
        {"wheel keeps its sign", {{522, wheel_down, at(9, 9)}, {522, 120u << 16, at(9, 9)}},
         {"S: wheel -240", "S: wheel 120"}},
        {"was-down from bit 30",
         {{256, 'A', 1}, {256, 'A', 1 | kKeyWasDown}, {257, 'A', 1 | kKeyWasDown}, {260, 'F', kKeyAltHeld},
          {261, 'F', 0}},
         {"S: key 65", "S: key 65 was", "S: keyup 65", "S: key 70", "S: keyup 70"}},
        {"characters are Windows-1251 bytes", {{258, 0xA8, 1}, {262, 0xFF, 1 | kKeyWasDown}, {258, 0x1E0, 1}},
         {"S: char 168", "S: char 255 was", "S: char 224"}},
        {"other messages make nothing", {{160, 0, at(1, 1)}, {3, 0, 0}, {673, 0, at(1, 1)}, {32768, 1, 2}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage s;
        TestScreen screen(*s.ss, "S", s.log);
        s.ss->push_screen(&screen);
        s.ss->update();
        for (const Message& m : c.messages) s.post(m.msg, m.w, m.l);
        EXPECT_EQ(s.log, c.events);
    }
}

TEST(Events, KeyFlagChangesAfterTheDispatch) {
    Stage s;
    TestScreen screen(*s.ss, "S", s.log);
    s.ss->push_screen(&screen);
    s.ss->update();
    std::vector<bool> seen;
    screen.recorder->on_handle = [&](const orvek::ostrel::events::Event& e) {
        seen.push_back(dynamic_cast<const orvek::ostrel::BasicEvent&>(e).input().key_down('K'));
    };
    s.post(256, 'K', 1);
    s.post(258, 'k', 1);
    s.post(257, 'K', 1);
    s.post(258, 'k', 1);
    EXPECT_EQ(seen, (std::vector<bool>{false, true, true, false}));
}

// Screen A (normal) with root R over C1 and C2, C2 holding G; screen B
// (modal) above with M over its child N.
struct Tree : Stage {
    TestScreen a{*ss, "R", log};
    TestScreen b{*ss, "M", log, 200, 200};
    std::unique_ptr<Recorder> c1 = std::make_unique<Recorder>(*a.recorder, "C1", log);
    Recorder c2{*a.recorder, "C2", log};
    Recorder g{c2, "G", log};
    Recorder n{*b.recorder, "N", log};
    Tree() {
        for (Recorder* r : {c1.get(), &c2, &g, &n}) r->place(0, 0, 100, 100);
        ss->push_screen(&a);
        ss->push_modal_screen(&b);
        ss->update();
    }
};

TEST(Dispatch, DeepestFirstAndEveryCandidateReceives) {
    Tree t;
    Control* first = nullptr;
    t.a.recorder->on_handle = [&](const orvek::ostrel::events::Event& e) { first = e.handled_by(); };
    t.post(513, 1, at(5, 5));
    EXPECT_EQ(t.log, (Log{"N: press 5,5", "M: press 5,5", "G: press 5,5", "C2: press 5,5", "C1: press 5,5",
                          "R: press 5,5"}));
    EXPECT_EQ(first, &t.n);
}

TEST(Dispatch, OnlyHandlersAreRecordedAndRefusersGetNothing) {
    Tree t;
    Control* first = nullptr;
    t.n.handled = false;
    t.b.recorder->accept = false;
    t.a.recorder->on_handle = [&](const orvek::ostrel::events::Event& e) { first = e.handled_by(); };
    t.post(256, 'X', 1);
    EXPECT_EQ(t.log, (Log{"N: key 88", "G: key 88", "C2: key 88", "C1: key 88", "R: key 88"}));
    EXPECT_EQ(first, &t.g);
}

TEST(Dispatch, HiddenOrDisabledParentsHideTheirChildren) {
    Tree t;
    t.c2.disable();
    t.b.recorder->hide();
    t.post(513, 1, at(5, 5));
    EXPECT_EQ(t.log, (Log{"C1: press 5,5", "R: press 5,5"}));
    t.log.clear();
    t.c2.set_enabled(true);
    t.g.hide();
    t.post(514, 1, at(5, 5));
    EXPECT_EQ(t.log, (Log{"C2: release 5,5", "C1: release 5,5", "R: release 5,5"}));
}

TEST(Dispatch, FrameworkWidgetsThatAreNotControlsAreSkipped) {
    Tree t;
    Vant::Widget plain, inner;
    t.wm->AddWidget(&plain);
    t.c2.widget()->AddWidget(&inner);
    t.post(513, 1, at(5, 5));
    EXPECT_EQ(t.log.size(), 6u);
    t.c2.widget()->RemoveWidget(&inner);
    t.wm->RemoveWidget(&plain);
}

TEST(Dispatch, AHandlerDestroyingALaterCandidate) {
    Tree t;
    t.g.on_handle = [&](const orvek::ostrel::events::Event&) { t.c1.reset(); };
    t.post(513, 1, at(5, 5));
    EXPECT_EQ(t.log, (Log{"N: press 5,5", "M: press 5,5", "G: press 5,5", "C2: press 5,5", "R: press 5,5"}));
}

// The manager's children without the screens' shades (each screen keeps
// its shade there, hidden unless it is an active modal screen).
std::size_t shown_controls(const Stage& s, std::initializer_list<const orvek::ostrel::BasicScreen*> screens) {
    std::size_t n = 0;
    for (Vant::Widget* w : s.wm->mWidgets) {
        bool shade = false;
        for (const auto* screen : screens) shade |= screen->shade().widget() == w;
        n += !shade;
    }
    return n;
}

TEST(StackHooks, ShownControlsAndModalRecords) {
    Stage s;
    TestScreen a(*s.ss, "A", s.log), b(*s.ss, "B", s.log);
    s.ss->push_screen(&a);
    s.ss->update();
    EXPECT_EQ(s.wm->mWidgets.back(), a.control().widget());
    EXPECT_EQ(s.wm->mBaseModalWidget, a.control().widget());
    EXPECT_EQ(s.ss->modal_count(), 0);
    s.ss->push_modal_screen(&b);
    s.ss->update();
    EXPECT_EQ(s.wm->mWidgets.back(), b.control().widget());
    EXPECT_EQ(s.wm->mBaseModalWidget, b.control().widget());
    EXPECT_EQ(s.wm->mBelowModalFlagsMod.mAddFlags, 2);
    EXPECT_EQ(s.wm->mBelowModalFlagsMod.mRemoveFlags, 48);
    EXPECT_EQ(s.ss->modal_count(), 1);
    s.ss->pop_screen();
    s.ss->update();
    EXPECT_EQ(s.wm->mWidgets.back(), a.control().widget());
    EXPECT_EQ(s.wm->mBaseModalWidget, a.control().widget());
    EXPECT_FALSE(s.wm->HasWidget(b.control().widget()));
    EXPECT_EQ(s.ss->modal_count(), 0);
    s.ss->pop_screen();
    s.ss->update();
    EXPECT_EQ(shown_controls(s, {&a, &b}), 0u);
    EXPECT_EQ(s.wm->mBaseModalWidget, nullptr);
}

TEST(StackHooks, ModalScreenDestroyedWhileShown) {
    Stage s;
    TestScreen a(*s.ss, "A", s.log);
    auto b = std::make_unique<TestScreen>(*s.ss, "B", s.log);
    s.ss->push_screen(&a);
    s.ss->push_modal_screen(b.get());
    s.ss->update();
    s.post(512, 0, at(10, 10));  // the pointer over B
    b.reset();
    EXPECT_EQ(s.ss->modal_count(), 0);
    EXPECT_EQ(s.wm->mBaseModalWidget, a.control().widget());
    s.log.clear();
    for (std::uint32_t m : {512u, 513u, 514u}) {
        s.post(m, 0, at(12, 12));
        s.wm->OnMouseMove(12, 12);
    }
    s.wm->OnMouseDown(12, 12, 1);
    s.wm->OnMouseUp(12, 12, 1);
    EXPECT_EQ(s.log, (Log{"A: move 12,12 by 2,2", "A: press 12,12", "A: release 12,12"}));
    s.ss->update();  // the queued pop drops the null entry
    EXPECT_EQ(s.ss->stack().size(), 1u);
    EXPECT_EQ(s.ss->modal_count(), 0);
    EXPECT_TRUE(a.is_active());
}

TEST(StackHooks, PushedAgainFromLowerDownComesOnTop) {
    Stage s;
    TestScreen a(*s.ss, "A", s.log), b(*s.ss, "B", s.log), c(*s.ss, "C", s.log);
    s.ss->push_modal_screen(&a);
    s.ss->push_screen(&b);
    s.ss->push_modal_screen(&c);
    s.ss->update();
    ASSERT_EQ(s.ss->modal_count(), 2);
    s.ss->push_modal_screen(&a);
    s.ss->update();
    EXPECT_EQ(s.ss->modal_count(), 2);
    ASSERT_EQ(shown_controls(s, {&a, &b, &c}), 3u);
    EXPECT_EQ(s.wm->mWidgets.back(), a.control().widget());
    EXPECT_EQ(s.wm->mBaseModalWidget, a.control().widget());
    for (int i = 0; i < 3; ++i) {
        s.ss->pop_screen();
        s.ss->update();
    }
    EXPECT_EQ(s.ss->modal_count(), 0);
    EXPECT_EQ(shown_controls(s, {&a, &b, &c}), 0u);
    EXPECT_EQ(s.wm->mBaseModalWidget, nullptr);
}

TEST(StackHooks, ModalControlIsDrawnAboveTheLowerScreen) {
    Stage s;
    Vant::MemoryImage screen;
    screen.Create(64, 48);
    s.wm->mImage = &screen;
    TestScreen a(*s.ss, "A", s.log, 64, 48), b(*s.ss, "B", s.log, 20, 10);
    a.recorder->fill = 0xFF0000FF;
    b.recorder->fill = 0xFFFF0000;
    b.recorder->set_position({10, 8});
    s.ss->push_screen(&a);
    s.ss->push_modal_screen(&b);
    s.ss->update();
    s.wm->MarkAllDirty();
    ASSERT_TRUE(s.wm->DrawScreen());
    const auto px = [&](int x, int y) { return screen.GetBits()[y * 64 + x] & 0xFFFFFF; };
    EXPECT_EQ(px(10, 8), 0xFF0000u);
    EXPECT_EQ(px(29, 17), 0xFF0000u);
    EXPECT_EQ(px(30, 17), 0x0000FFu);
    EXPECT_EQ(px(29, 18), 0x0000FFu);
    EXPECT_EQ(px(0, 0), 0x0000FFu);
    // The lower screen drawn again on its own stays under the modal one.
    a.control().mark_dirty();
    s.wm->DrawScreen();
    EXPECT_EQ(px(15, 12), 0xFF0000u);
    s.wm->mImage = nullptr;
}

TEST(Tooltips, Placement) {
    struct Case {
        int w, h, x, y, left, top;
    };
    // The application is 640 x 480.
    const Case cases[] = {
        {100, 20, 300, 200, 250, 180},  // centred on the pointer's x, above it
        {100, 20, 10, 200, 0, 180},     // left edge at least 0
        {100, 20, 630, 200, 540, 180},  // right edge at most the width
        {700, 20, 300, 200, -60, 180},  // wider than the application
        {100, 20, 300, 5, 250, 0},      // top at least 0
    };
    Stage s;
    for (const Case& c : cases) {
        auto tip = std::make_shared<Control>();
        tip->set_size({c.w, c.h});
        s.ss->show_tooltip(tip, {c.x, c.y});
        EXPECT_EQ(tip->position(), (Point{c.left, c.top})) << c.w << " at " << c.x << "," << c.y;
        EXPECT_EQ(s.ss->shown_tooltip(), tip);
    }
    s.ss->hide_tooltip();
}

TEST(Tooltips, HoverSearchAndTakeDown) {
    Tree t;
    auto tip_r = std::make_shared<Control>(), tip_c2 = std::make_shared<Control>();
    for (auto& tip : {tip_r, tip_c2}) tip->set_size({40, 10});
    t.a.recorder->set_tooltip(tip_r);
    t.c2.set_tooltip(tip_c2);
    // The modal screen is on top: nothing below it is searched.
    t.post(673, 0, at(300, 300));
    EXPECT_EQ(t.ss->shown_tooltip(), nullptr);
    t.ss->pop_screen();
    t.ss->update();
    // G has none: its parent's shows.
    t.post(673, 0, at(50, 50));
    EXPECT_EQ(t.ss->shown_tooltip(), tip_c2);
    // A hover inside the tooltip keeps it; a move outside takes it down.
    const Point inside = tip_c2->screen_position();
    t.post(673, 0, at(inside.x + 1, inside.y + 1));
    EXPECT_EQ(t.ss->shown_tooltip(), tip_c2);
    t.post(512, 0, at(300, 300));
    EXPECT_EQ(t.ss->shown_tooltip(), nullptr);
    // Outside C2: R's own. Hidden or disabled controls give none.
    t.post(673, 0, at(300, 300));
    EXPECT_EQ(t.ss->shown_tooltip(), tip_r);
    t.c2.disable();
    t.post(673, 0, at(50, 50));
    EXPECT_EQ(t.ss->shown_tooltip(), tip_r);
    t.a.recorder->hide();
    t.post(673, 0, at(50, 50));
    EXPECT_EQ(t.ss->shown_tooltip(), nullptr);
}

TEST(Cursor, SetAndSwap) {
    Stage s;
    s.ss->set_cursor(2);
    EXPECT_EQ(s.ss->cursor(), 2);
    s.p.window.currentCursor = -5;
    s.ss->set_cursor(2);  // already current: nothing reaches the window
    EXPECT_EQ(s.p.window.currentCursor, -5);
    s.ss->swap_cursor(false);
    EXPECT_EQ(s.ss->cursor(), 11);
    s.ss->swap_cursor(true);
    EXPECT_EQ(s.ss->cursor(), 2);
    s.ss->swap_cursor(false);
    s.ss->swap_cursor(false);  // remembers the busy cursor itself
    s.ss->swap_cursor(true);
    EXPECT_EQ(s.ss->cursor(), 11);
}

}  // namespace
