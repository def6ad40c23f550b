// The widget tree and its manager: who receives each press, release and
// drag; modal widgets and focus; traversals that survive removals; and how
// a dirty widget marks its neighbours.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/Widget.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "support/FakeHost.h"

namespace {

using Log = std::vector<std::string>;

// Writes its mouse and focus events to a shared log.
class Probe : public Vant::Widget {
public:
    Probe(std::string name, Log* log, int x, int y, int w, int h) : name_(std::move(name)), log_(log) {
        Resize(x, y, w, h);
    }
    void MouseDown(int x, int y, int clicks) override {
        Add("down " + Pos(x, y) + " " + std::to_string(clicks));
        Vant::Widget::MouseDown(x, y, clicks);
    }
    void MouseUp(int x, int y, int clicks) override {
        Add("up " + Pos(x, y) + " " + std::to_string(clicks));
        Vant::Widget::MouseUp(x, y, clicks);
    }
    void MouseDrag(int x, int y) override { Add("drag " + Pos(x, y)); }
    void GotFocus() override {
        Add("gotfocus");
        Vant::Widget::GotFocus();
    }
    void LostFocus() override {
        Add("lostfocus");
        Vant::Widget::LostFocus();
    }
    void KeyChar(char c) override { Add("char " + std::to_string(static_cast<int>(c))); }
    void KeyUp(int key) override { Add("keyup " + std::to_string(key)); }
    void Update() override {
        Vant::Widget::Update();
        Add("update");
        if (onUpdate) onUpdate();
    }
    void Draw(Vant::Graphics* g) override {
        Add("draw");
        g->SetColor(color);
        g->FillRect(0, 0, mWidth, mHeight);
        if (onDraw) onDraw();
    }
    std::function<void()> onUpdate, onDraw;
    Vant::Color color{255, 0, 0};

private:
    static std::string Pos(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    void Add(const std::string& e) {
        if (log_) log_->push_back(name_ + " " + e);
    }
    std::string name_;
    Log* log_;
};

struct Tree {
    Tree() : manager(nullptr) { manager.SetSize(800, 600); }
    Probe* Add(const std::string& name, int x, int y, int w, int h, Vant::WidgetContainer* parent = nullptr) {
        owned.push_back(std::make_unique<Probe>(name, &log, x, y, w, h));
        (parent ? parent : &manager)->AddWidget(owned.back().get());
        return owned.back().get();
    }
    Log log;
    std::vector<std::unique_ptr<Probe>> owned;  // outlive the manager
    Vant::WidgetManager manager;
};

TEST(WidgetDispatch, WhoReceivesEachPressReleaseAndDrag) {
    struct Case {
        const char* name;
        std::function<void(Tree&)> run;
        Log want;
    };
    // a at (10,10), b at (450,450); p > q > r nested, r on screen at 225,225.
    const Case cases[] = {
        {"a press on a disabled widget reaches nobody",
         [](Tree& t) {
             t.owned[0]->SetDisabled(true);
             t.manager.OnMouseDown(50, 50, 1);
             t.manager.OnMouseUp(50, 50, 1);
         },
         {}},
        {"a second button while captured goes to the captured widget in its own coordinates",
         [](Tree& t) {
             t.manager.OnMouseDown(20, 20, 1);
             t.manager.OnMouseMove(460, 470);
             t.manager.OnMouseDown(460, 470, -1);
         },
         {"a down 10,10 1", "a drag 450,460", "a down 450,460 -1"}},
        {"releasing one of two keeps the capture; the last ends it, off the pointer",
         [](Tree& t) {
             t.manager.OnMouseDown(20, 20, 1);
             t.manager.OnMouseDown(20, 20, -1);
             t.manager.OnMouseUp(460, 460, 1);
             EXPECT_EQ(t.manager.mLastDownWidget, t.owned[0].get());
             t.manager.OnMouseUp(470, 460, -1);
             EXPECT_EQ(t.manager.mLastDownWidget, nullptr);
             t.manager.OnMouseDown(470, 460, 1);
         },
         {"a down 10,10 1", "a down 10,10 -1", "a up 450,450 1", "a up 460,450 -1", "b down 20,10 1"}},
        {"a click outside the popup removes it first",
         [](Tree& t) {
             Probe* popup = t.Add("popup", 600, 10, 100, 100);
             t.manager.RemoveWidget(popup);
             t.manager.SetPopupWidget(popup);
             t.manager.OnMouseDown(650, 50, 1);
             t.manager.OnMouseUp(650, 50, 1);
             t.manager.OnMouseDown(30, 30, 1);
             EXPECT_EQ(t.manager.mPopupCommandWidget, nullptr);
             EXPECT_FALSE(t.manager.HasWidget(popup));
         },
         {"popup down 50,40 1", "popup up 50,40 1", "a down 20,20 1"}},
        {"three deep: down, drag and up in the widget's own coordinates",
         [](Tree& t) {
             t.manager.OnMouseDown(230, 240, 1);
             t.manager.OnMouseMove(260, 270);
             t.manager.OnMouseUp(270, 280, 1);
         },
         {"r down 5,15 1", "r drag 35,45", "r up 45,55 1"}},
        {"buttons still held when the focus goes are released where the mouse was",
         [](Tree& t) {
             t.manager.OnMouseDown(230, 240, 1);
             t.manager.OnMouseMove(300, 300);
             t.manager.ReleasePressed();
             EXPECT_FALSE(t.manager.HasPressedButtons());
         },
         {"r down 5,15 1", "r drag 75,75", "r up 75,75 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tree t;
        t.Add("a", 10, 10, 100, 100);
        t.Add("b", 450, 450, 100, 100);
        Probe* p = t.Add("p", 200, 200, 300, 200);
        Probe* q = t.Add("q", 20, 20, 100, 100, p);
        t.Add("r", 5, 5, 50, 50, q);
        c.run(t);
        EXPECT_EQ(t.log, c.want);
    }
}

TEST(WidgetModal, DefaultModalTakesMouseAndFocusBelowAndPopRestoresFocus) {
    Tree t;
    Probe* a = t.Add("a", 10, 10, 100, 100);
    a->mWantsFocus = true;
    Probe* m = t.Add("m", 300, 300, 100, 100);
    t.manager.OnMouseDown(20, 20, 1);
    t.manager.OnMouseUp(20, 20, 1);
    ASSERT_EQ(t.manager.mFocusWidget, a);

    t.log.clear();
    t.manager.PushModalDefault(m);
    EXPECT_EQ(t.manager.mFocusWidget, nullptr);
    t.manager.OnMouseDown(20, 20, 1);  // below the modal one: nobody
    t.manager.OnMouseUp(20, 20, 1);
    t.manager.OnMouseDown(310, 310, 1);
    t.manager.OnMouseUp(310, 310, 1);
    t.manager.PopModal(m);
    EXPECT_EQ(t.manager.mFocusWidget, a);
    EXPECT_EQ(t.log, (Log{"a lostfocus", "m down 10,10 1", "m up 10,10 1", "a gotfocus"}));

    // With a focus of its own at the pop, the saved one is not brought back.
    t.manager.PushModalDefault(m);
    m->mWantsFocus = true;
    t.manager.OnMouseDown(310, 310, 1);
    t.manager.OnMouseUp(310, 310, 1);
    t.manager.PopModal(m);
    EXPECT_EQ(t.manager.mFocusWidget, m);
    EXPECT_EQ(t.manager.mBaseModalWidget, nullptr);
}

TEST(WidgetModal, PopRunsOnOverRecordsWhoseBaseWasRemoved) {
    Tree t;
    Probe* a = t.Add("a", 10, 10, 100, 100);
    Probe* b = t.Add("b", 300, 300, 100, 100);
    t.manager.PushModalDefault(a);
    t.manager.PushModalDefault(b);
    ASSERT_EQ(t.manager.mPreModalInfoList.size(), 2u);
    t.manager.RemoveWidget(a);  // b's record no longer knows a base
    EXPECT_EQ(t.manager.mPreModalInfoList.back().mPrevBaseModalWidget, nullptr);
    t.manager.PopModal(a);      // not on top: nothing
    EXPECT_EQ(t.manager.mPreModalInfoList.size(), 2u);
    t.manager.PopModal(b);
    EXPECT_TRUE(t.manager.mPreModalInfoList.empty());
    EXPECT_EQ(t.manager.mBaseModalWidget, nullptr);
    EXPECT_EQ(t.manager.mBelowModalFlagsMod.mRemoveFlags, 0);
}

TEST(WidgetKeys, CtrlTabGoesToItsOwnWidgetAndTabMovesTheFocus) {
    Tree t;
    Probe* a = t.Add("a", 10, 10, 10, 10);
    Probe* b = t.Add("b", 30, 10, 10, 10);
    Probe* c = t.Add("c", 50, 10, 10, 10);
    a->mTabNext = b;
    a->mTabPrev = c;
    t.manager.mDefaultTab = c;
    t.manager.SetFocus(a);
    t.log.clear();
    t.manager.OnKeyDown(17);
    t.manager.OnKeyChar(9);
    t.manager.OnKeyUp(9);
    t.manager.OnKeyUp(17);
    t.manager.OnKeyDown(9);
    EXPECT_EQ(t.manager.mFocusWidget, b);
    t.manager.SetFocus(a);
    t.manager.OnKeyDown(16);
    t.manager.OnKeyDown(9);
    EXPECT_EQ(t.manager.mFocusWidget, c);
    EXPECT_EQ(t.log, (Log{"c char 9", "a keyup 17", "a lostfocus", "b gotfocus", "b lostfocus", "a gotfocus",
                          "a lostfocus", "c gotfocus"}));
}

TEST(WidgetTraversal, RemovingDuringUpdateNeitherSkipsNorRepeats) {
    struct Case {
        const char* name;
        int remover;  // index of the widget whose update removes
        int removed;
        Log want;
    };
    const Case cases[] = {
        {"itself", 1, 1, {"w0 update", "w1 update", "w2 update", "w3 update"}},
        {"the next sibling", 1, 2, {"w0 update", "w1 update", "w3 update"}},
        {"an earlier sibling", 2, 0, {"w0 update", "w1 update", "w2 update", "w3 update"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tree t;
        Probe* w[4];
        for (int i = 0; i < 4; ++i) w[i] = t.Add("w" + std::to_string(i), i * 20, 0, 10, 10);
        Probe* victim = w[c.removed];
        w[c.remover]->onUpdate = [&t, victim] { t.manager.RemoveWidget(victim); };
        t.manager.UpdateFrame();
        EXPECT_EQ(t.log, c.want);
        // The next pass sees the tree as it is now.
        t.log.clear();
        w[c.remover]->onUpdate = nullptr;
        t.manager.UpdateFrame();
        EXPECT_EQ(t.log.size(), 3u);
    }
}

TEST(WidgetTraversal, RemovingDuringDrawNeitherSkipsNorRepeats) {
    Tree t;
    Vant::MemoryImage screen;
    screen.Create(800, 600);
    t.manager.mImage = &screen;
    Probe* p = t.Add("p", 0, 0, 400, 100);
    Probe* w[4];
    for (int i = 0; i < 4; ++i) w[i] = t.Add("w" + std::to_string(i), i * 20, 0, 10, 10, p);
    p->color = Vant::Color(0, 0, 255);
    w[1]->onDraw = [&w] { w[1]->mParent->RemoveWidget(w[1]); };
    w[2]->onDraw = [&w] { w[2]->mParent->RemoveWidget(w[3]); };
    t.manager.MarkAllDirty();
    EXPECT_TRUE(t.manager.DrawScreen());
    EXPECT_EQ(t.log, (Log{"p draw", "w0 draw", "w1 draw", "w2 draw"}));
    // Children draw in their own place, clipped to themselves.
    const std::uint32_t* bits = screen.GetBits();
    EXPECT_EQ(bits[5 * 800 + 45] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bits[5 * 800 + 65] & 0xFFFFFF, 0x0000FFu);  // w3 went before its turn
    EXPECT_EQ(bits[50 * 800 + 65] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(bits[200 * 800 + 5], 0u);
    // Nothing dirty, nothing drawn.
    t.log.clear();
    EXPECT_FALSE(t.manager.DrawScreen());
    EXPECT_TRUE(t.log.empty());
}

TEST(WidgetDirty, OpaqueCoverStopsTheWalkAndAlphaMarksWhatLiesUnder) {
    Tree t;
    Probe* back = t.Add("back", 0, 0, 400, 400);
    Probe* cover = t.Add("cover", 50, 50, 200, 200);
    Probe* over = t.Add("over", 140, 140, 100, 100);
    Probe* top = t.Add("top", 100, 100, 50, 50);
    top->mHasAlpha = true;
    auto clean = [&] {
        t.manager.DrawScreen();
        for (auto& w : t.owned) ASSERT_FALSE(w->mDirty);
    };

    clean();
    top->MarkDirty();
    EXPECT_TRUE(top->mDirty);
    EXPECT_TRUE(cover->mDirty);  // covers top: marked and ends the walk
    EXPECT_FALSE(back->mDirty);
    EXPECT_TRUE(over->mDirty);   // under top, overlapping it
    EXPECT_TRUE(t.manager.mDirty);

    // Once the cover no longer covers the whole of it, the walk goes on down.
    cover->Resize(120, 120, 200, 200);
    clean();
    top->MarkDirty();
    EXPECT_TRUE(cover->mDirty);
    EXPECT_TRUE(back->mDirty);

    // An opaque widget marks only itself and what lies above it.
    top->mHasAlpha = false;
    clean();
    cover->MarkDirty();
    EXPECT_TRUE(cover->mDirty);
    EXPECT_TRUE(over->mDirty);
    EXPECT_TRUE(top->mDirty);
    EXPECT_FALSE(back->mDirty);
}

TEST(WidgetApp, InputFromTheDeferredQueueReachesTheWidgets) {
    apptest::FakeHost host;
    apptest::TestApp app(&host);
    app.mWidgetManager = std::make_unique<Vant::WidgetManager>(&app);
    app.mDisplay.reset(new Vant::BlankDisplay(&app));
    app.mHWnd = 1;
    app.mRunning = true;
    app.mInitialized = true;
    app.mWidgetManager->SetSize(640, 480);
    Log log;
    Probe button("button", &log, 100, 100, 80, 30);
    app.mWidgetManager->AddWidget(&button);
    using namespace plat::msg;
    const std::intptr_t at = static_cast<std::intptr_t>((110 << 16) | 120);  // x 120, y 110
    app.WindowProc({1, kMouseMove, 0, at});
    app.WindowProc({1, kLButtonDown, kMkLButton, at});
    app.WindowProc({1, kLButtonUp, 0, at});
    while (app.ProcessDeferredMessages(true)) {
    }
    // A button message moves the pointer only when its position changed (a
    // demo records no move either, and a replay must make the same calls).
    EXPECT_EQ(log, (Log{"button down 20,10 1", "button up 20,10 1"}));
    app.WindowProc({1, kLButtonDown, kMkLButton, at});
    app.WindowProc({1, kLButtonUp, 0, static_cast<std::intptr_t>((112 << 16) | 125)});
    while (app.ProcessDeferredMessages(true)) {
    }
    EXPECT_EQ(log, (Log{"button down 20,10 1", "button up 20,10 1", "button down 20,10 1", "button drag 25,12",
                        "button up 25,12 1"}));
    app.mWidgetManager->RemoveWidget(&button);
}

}  // namespace
