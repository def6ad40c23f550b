// Controls: geometry with veto hooks, the skin's geometry, reparenting, the
// framework's mouse callbacks and teardown in either order.
#include <gtest/gtest.h>

#include "framework/app/WidgetManager.h"
#include "ostrel/gui/Skin.h"
#include "support/AdapterHarness.h"
#include "support/Recorder.h"

namespace {

using adaptertest::Log;
using orvek::ostrel::Control;
using orvek::ostrel::Point;
using orvek::ostrel::Size;

class HookControl : public Control {
public:
    using Control::Control;
    void on_moving(Point& p) override {
        log.push_back("moving " + std::to_string(p.x) + "," + std::to_string(p.y));
        if (veto_move) p = position();
    }
    void on_moved() override { log.push_back("moved"); }
    void on_resizing(Size& s) override {
        log.push_back("resizing " + std::to_string(s.width) + "," + std::to_string(s.height));
        if (clamp_width >= 0) s.width = clamp_width;
    }
    void on_resized() override { log.push_back("resized"); }
    void on_left_press(int x, int y) override { log.push_back("left " + xy(x, y)); }
    void on_left_release(int x, int y) override { log.push_back("left up " + xy(x, y)); }
    void on_left_double_click(int x, int y) override { log.push_back("left double " + xy(x, y)); }
    void on_right_press(int x, int y) override { log.push_back("right " + xy(x, y)); }
    void on_right_release(int x, int y) override { log.push_back("right up " + xy(x, y)); }
    void on_right_double_click(int x, int y) override { log.push_back("right double " + xy(x, y)); }

    static std::string xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    Log log;
    bool veto_move = false;
    int clamp_width = -1;
};

TEST(Control, SizeAndPositionHooks) {
    HookControl c;
    c.set_size({0, 10});
    c.log.clear();
    c.set_size({-5, 10});  // raised to (0, 10): no change
    EXPECT_TRUE(c.log.empty());
    c.clamp_width = 0;
    c.set_size({30, 10});  // the hook puts the width back
    EXPECT_EQ(c.log, (Log{"resizing 30,10"}));
    EXPECT_EQ(c.size(), (Size{0, 10}));
    c.clamp_width = -1;
    c.log.clear();
    c.set_size({30, 40});
    EXPECT_EQ(c.log, (Log{"resizing 30,40", "resized"}));
    EXPECT_EQ(c.size(), (Size{30, 40}));

    c.log.clear();
    c.veto_move = true;
    c.set_position({5, 6});
    EXPECT_EQ(c.log, (Log{"moving 5,6"}));
    EXPECT_EQ(c.position(), (Point{0, 0}));
    c.veto_move = false;
    c.log.clear();
    c.set_position({5, 6});
    c.set_position({5, 6});
    EXPECT_EQ(c.log, (Log{"moving 5,6", "moved"}));
}

TEST(Control, ContainsPointOnTheEdges) {
    Control parent, child(parent, "");
    parent.set_position({100, 50});
    child.set_position({10, 20});
    child.set_size({30, 40});
    EXPECT_EQ(child.screen_position(), (Point{110, 70}));
    struct Case {
        Point p;
        bool in;
    };
    const Case cases[] = {{{110, 70}, true},  {{139, 70}, true},  {{140, 70}, false}, {{109, 70}, false},
                          {{110, 109}, true}, {{110, 110}, false}, {{110, 69}, false}, {{139, 109}, true}};
    for (const Case& c : cases) EXPECT_EQ(child.contains_point(c.p), c.in) << c.p.x << "," << c.p.y;
}

TEST(Control, AddChildTakesTheWidgetFromItsOldParent) {
    Control a, b;
    Control child(a, "");
    ASSERT_TRUE(a.widget()->HasWidget(child.widget()));
    b.add_child(child);
    EXPECT_FALSE(a.widget()->HasWidget(child.widget()));
    EXPECT_TRUE(b.widget()->HasWidget(child.widget()));
    EXPECT_EQ(child.parent(), &b);
}

TEST(Control, MouseCallbacksByButtonAndClicks) {
    HookControl c;
    Vant::Widget* w = c.widget();
    struct Case {
        bool down;
        int button, clicks;
        const char* slot;  // "" for none
    };
    const Case cases[] = {
        {true, 0, 1, "left 3,4"},    {true, 0, 2, "left double 3,4"}, {true, 0, 3, ""},
        {true, 1, 1, "right 3,4"},   {true, 1, 2, "right double 3,4"}, {true, 2, 1, ""},
        {false, 0, 1, "left up 3,4"}, {false, 0, 2, ""},              {false, 1, 1, "right up 3,4"},
        {false, 2, 1, ""},
    };
    for (const Case& k : cases) {
        c.log.clear();
        if (k.down) w->MouseDownButton(3, 4, k.button, k.clicks);
        else w->MouseUpButton(3, 4, k.button, k.clicks);
        EXPECT_EQ(c.log, *k.slot ? Log{k.slot} : Log{}) << k.down << " " << k.button << " " << k.clicks;
    }
    // The framework's click counts: negative for the right button.
    c.log.clear();
    w->MouseDown(7, 8, -2);
    EXPECT_EQ(c.log, (Log{"right double 7,8"}));
}

TEST(Control, GeometryFromTheSkin) {
    testsupport::TempDir dir;
    const std::string skin = dir.file("Skin.xml"), lang = dir.file("en.xml");
    testsupport::write_file(skin, "<menu><a position=\"12,34\" dimensions=\"56,78\"/><b dimensions=\"5,6\"/></menu>");
    testsupport::write_file(lang, "<menu/>");
    orvek::ostrel::Skin::set_skin_file(skin.c_str());
    orvek::ostrel::Skin::set_language_file(lang.c_str());
    orvek::ostrel::Skin::create();
    {
        Control a("menu/a"), b("menu/b"), none("menu/none");
        EXPECT_EQ(a.position(), (Point{12, 34}));
        EXPECT_EQ(a.size(), (Size{56, 78}));
        EXPECT_EQ(b.position(), (Point{0, 0}));
        EXPECT_EQ(b.size(), (Size{5, 6}));
        EXPECT_EQ(none.size(), (Size{0, 0}));
        EXPECT_EQ(a.skin_path(), "menu/a");
        Control child(a, "menu/b");
        EXPECT_EQ(child.parent(), &a);
        EXPECT_EQ(child.screen_position(), (Point{12, 34}));
    }
    orvek::ostrel::Skin::destroy();
}

TEST(Control, ParentDestroyedBeforeItsChild) {
    auto parent = std::make_unique<Control>();
    Control child(*parent, "");
    Control grandchild(child, "");
    parent.reset();
    EXPECT_EQ(child.parent(), nullptr);
    EXPECT_EQ(child.widget()->mParent, nullptr);
    EXPECT_EQ(grandchild.parent(), &child);
    Control other;
    other.add_child(child);  // no use of the destroyed parent (sanitizers)
    EXPECT_EQ(child.parent(), &other);
}

TEST(Control, AppDestroyedWhileAScreenIsShown) {
    adaptertest::Platform p;
    Log log;
    auto app = std::make_unique<adaptertest::TestApp>(&p.host, p.program);
    app->init();
    auto screen = std::make_unique<adaptertest::TestScreen>(*app->screen_system(), "S", log);
    adaptertest::Recorder child(*screen->recorder, "C", log);
    auto stray = new Vant::Widget;  // a framework widget no control owns
    app->mWidgetManager->AddWidget(stray);
    app->screen_system()->push_screen(screen.get());
    app->screen_system()->update();
    app.reset();  // the stray widget is deleted, the control's is let go
    EXPECT_EQ(screen->control().widget()->mParent, nullptr);
    EXPECT_EQ(screen->screen_system(), nullptr);
    screen.reset();
}

}  // namespace
