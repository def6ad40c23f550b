// Edit fields, lists and dialogs, and the application's dialog services.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/Dialog.h"
#include "framework/app/EditWidget.h"
#include "framework/app/ListWidget.h"
#include "framework/app/ScrollbarWidget.h"
#include "framework/app/WidgetManager.h"
#include "support/FakeHost.h"
#include "support/TestFont.h"

namespace {

using apptest::FakeHost;
using apptest::TestApp;
using apptest::TestFont;

// The stock widgets' default fonts are test fonts while a test runs.
struct WithTestFonts : ::testing::Test {
    WithTestFonts() { Vant::Widget::sFontMaker = &TestFont::Make; }
    ~WithTestFonts() override { Vant::Widget::sFontMaker = saved; }
    Vant::Widget::FontMaker saved = Vant::Widget::sFontMaker;
};

// An application whose widget manager is the real one.
struct App : WithTestFonts {
    App() {
        app.mWidgetManager = std::make_unique<Vant::WidgetManager>(&app);
        app.mWidgetManager->SetSize(app.mWidth, app.mHeight);
    }
    FakeHost host;
    TestApp app{&host};
    Vant::WidgetManager& wm() { return *app.mWidgetManager; }
};

struct Rules : Vant::EditListener {
    bool AllowText(int, const std::string& text) override { return !reject || !reject(text); }
    std::function<bool(const std::string&)> reject;
};

using EditFields = App;

TEST_F(EditFields, ProcessKeyTable) {
    constexpr int kShift = 16, kCtrl = 17, kLeft = 37, kRight = 39, kBack = 8;
    struct Key {
        int code;  // 0: a typed character; negative: that key released
        char c;
    };
    struct Case {
        const char* name;
        std::string text;
        int cursor, anchor;
        int maxPixels;
        std::string clipboard;
        std::function<bool(const std::string&)> reject;
        std::vector<Key> keys;
        std::string wantText;
        int wantCursor, wantAnchor;
    };
    auto noX = [](const std::string& t) { return t.find('x') != std::string::npos; };
    const Case cases[] = {
        {"a rejected text leaves text, cursor and selection", "hello", 3, 1, -1, "", noX,
         {{0, 'x'}}, "hello", 3, 1},
        {"a rejected backspace too", "xhello", 6, -1, -1, "", noX, {{kBack, 0}}, "xhello", 6, -1},
        {"undo twice returns to the original", "abc", 3, -1, -1, "", nullptr,
         {{0, 'd'}, {0, 'e'}, {0, 26}, {0, 26}}, "abcde", 5, -1},
        {"one undo takes back the whole run of typing", "abc", 3, -1, -1, "", nullptr,
         {{0, 'd'}, {0, 'e'}, {0, 26}}, "abc", 3, -1},
        {"paste stops at the line break and drops what the font cannot draw", "[]", 1, -1, -1,
         "ab#\x01" "c\r\nzz", nullptr, {{0, 22}}, "[abc]", 4, -1},
        {"paste replaces the selection", "hello", 4, 1, -1, "EY", nullptr, {{0, 22}}, "hEYo", 3, -1},
        {"the maximum width cuts from the end", "", 0, -1, 30, "", nullptr,
         {{0, 'a'}, {0, 'b'}, {0, 'c'}, {0, 'd'}, {0, 'e'}, {0, 'f'}, {0, 'g'}}, "abcde", 5, -1},
        {"Ctrl+Left by word", "foo bar_baz qux", 15, -1, -1, "", nullptr,
         {{kCtrl, 0}, {kLeft, 0}, {kLeft, 0}}, "foo bar_baz qux", 4, -1},
        {"Ctrl+Right by word", "foo bar_baz qux", 4, -1, -1, "", nullptr,
         {{kCtrl, 0}, {kRight, 0}}, "foo bar_baz qux", 12, -1},
        {"Shift+Left selects", "abcd", 4, -1, -1, "", nullptr,
         {{kShift, 0}, {kLeft, 0}, {kLeft, 0}}, "abcd", 2, 4},
        {"a capital typed with Shift held is not selected", "", 0, -1, -1, "", nullptr,
         {{kShift, 0}, {0, 'H'}, {-kShift, 0}, {0, 'i'}}, "Hi", 2, -1},
        {"cut takes the selection to the clipboard", "abcd", 3, 1, -1, "", nullptr, {{0, 24}}, "ad", 1, -1},
        {"Cyrillic letters are typed, 0xA8 is not", "", 0, -1, -1, "", nullptr,
         {{0, '\xC0'}, {0, '\xFF'}, {0, '\xA8'}}, "\xC0\xFF", 2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rules rules;
        rules.reject = c.reject;
        Vant::EditWidget edit(1, &rules);
        edit.Resize(10, 10, 200, 20);
        wm().AddWidget(&edit);
        wm().SetFocus(&edit);
        TestFont font;
        edit.SetFont(&font);
        edit.mString = c.text;
        edit.mCursorPos = c.cursor;
        edit.mHilitePos = c.anchor;
        edit.mMaxPixels = c.maxPixels;
        host.clipboard = c.clipboard;
        for (const Key& k : c.keys) {
            if (k.code < 0)
                wm().OnKeyUp(-k.code);
            else if (k.code)
                wm().OnKeyDown(k.code);
            else
                wm().OnKeyChar(k.c);
        }
        wm().OnKeyUp(kShift);
        wm().OnKeyUp(kCtrl);
        EXPECT_EQ(edit.mString, c.wantText);
        EXPECT_EQ(edit.mCursorPos, c.wantCursor);
        EXPECT_EQ(edit.mHilitePos, c.wantAnchor);
        if (std::string(c.name).rfind("cut", 0) == 0) {
            EXPECT_EQ(host.clipboard, "bc");
        }
        wm().RemoveWidget(&edit);
    }
}

TEST_F(EditFields, EnterReportsTheTextAndTabMovesOn) {
    struct Entered : Vant::EditListener {
        void EditTextEntered(int id, const std::string& text) override { got = std::to_string(id) + ":" + text; }
        std::string got;
    } listener;
    Vant::EditWidget a(4, &listener), b(5, &listener);
    a.Resize(0, 0, 100, 20);
    b.Resize(0, 30, 100, 20);
    a.mTabNext = &b;
    wm().AddWidget(&a);
    wm().AddWidget(&b);
    wm().OnMouseMove(10, 10);
    wm().OnMouseDown(10, 10, 1);
    wm().OnMouseUp(10, 10, 1);
    EXPECT_EQ(wm().mFocusWidget, &a);
    for (char c : std::string("hi")) wm().OnKeyChar(c);
    wm().OnKeyDown(13);
    EXPECT_EQ(listener.got, "4:hi");
    wm().OnKeyDown(9);
    EXPECT_EQ(wm().mFocusWidget, &b);
    wm().RemoveWidget(&a);
    wm().RemoveWidget(&b);
}

using Lists = WithTestFonts;

TEST_F(Lists, AFixedLineHeightOf20In108PixelsPagesBy5AndTheScrollBarFollows) {
    TestFont font;
    Vant::ListWidget list(1, &font, nullptr);
    Vant::ScrollbarWidget bar(2, nullptr);
    bar.ResizeScrollbar(0, 0, 16, 108);
    list.mItemHeight = 20;
    list.SetScrollbar(&bar);
    list.Resize(0, 0, 200, 108);
    EXPECT_EQ(list.mPageSize, 5.0);
    EXPECT_EQ(bar.mPageSize, 5.0);
    for (int i = 0; i < 12; ++i) list.AddLine("line " + std::to_string(i), false);
    EXPECT_EQ(bar.mMaxValue, 12.0);
    bar.SetValue(4);
    EXPECT_EQ(list.mPosition, 4.0);
    // The line under the pointer counts from the scrolled position.
    list.MouseMove(10, 4 + 20 * 2 + 3);
    EXPECT_EQ(list.mHiliteIdx, 6);
    list.MouseWheel(1);
    EXPECT_EQ(list.mPosition, 0.0);
}

TEST_F(Lists, ASortedAddIntoTheFirstColumnPutsADashIntoTheSecond) {
    TestFont font;
    Vant::ListWidget names(1, &font, nullptr), scores(2, &font, nullptr);
    names.mNext = &scores;
    scores.mPrev = &names;
    names.AddLine("alpha", true);
    scores.SetLine(0, "10");
    names.AddLine("delta", true);
    scores.SetLine(1, "40");
    EXPECT_EQ(names.AddLine("Charlie", true), 1);
    EXPECT_EQ(names.mLines, (std::vector<std::string>{"alpha", "Charlie", "delta"}));
    EXPECT_EQ(scores.mLines, (std::vector<std::string>{"10", "-", "40"}));
    // Sorted by the second column first, numbers padded to three places.
    scores.mMaxNumericPlaces = 3;
    scores.SetLine(1, "9");
    names.mSortFromChild = true;
    names.Sort(true);
    EXPECT_EQ(scores.mLines, (std::vector<std::string>{"9", "10", "40"}));
    EXPECT_EQ(names.mLines, (std::vector<std::string>{"Charlie", "alpha", "delta"}));
}

using Dialogs = App;

TEST_F(Dialogs, PreferredHeightOnAKnownFont) {
    Vant::Dialog d(nullptr, nullptr, 1, true, "Title", "one two", "", 2);
    // Insets 24 + 24; header 13 - 1; space 10; one wrapped line: ascent 10
    // - padding 1 + descent 3; buttons 8 + 8 + 24.
    EXPECT_EQ(d.GetPreferredHeight(300), 48 + 12 + 10 + 12 + 40);
    // Each further line adds the line spacing (15): 300 - 48 - 4 = 248
    // pixels hold 41 characters.
    Vant::Dialog two(nullptr, nullptr, 1, true, "", std::string(50, 'w'), "", 0);
    EXPECT_EQ(two.GetPreferredHeight(300), 48 + 12 + 15);
}

TEST_F(Dialogs, DraggedAgainstTheEdgeStops8PixelsBeyondIt) {
    Vant::Dialog* d = app.DoDialog(9, false, "Drag me", "", "", 0);
    d->Resize(300, 200, 200, 100);
    wm().OnMouseMove(350, 250);
    wm().OnMouseDown(350, 250, 1);
    wm().OnMouseMove(-400, 250);
    EXPECT_EQ(d->mX, -8);
    wm().OnMouseMove(2000, 2000);
    EXPECT_EQ(d->mX, app.mWidth - 200 + 8);
    EXPECT_EQ(d->mY, app.mHeight - 100 + 8);
    wm().OnMouseUp(2000, 2000, 1);
    EXPECT_FALSE(d->mDragging);
}

TEST_F(Dialogs, AddedWithoutAWidthItTakesHalfTheWindowAFifthDown) {
    Vant::Dialog* d = app.DoDialog(3, true, "Header", "Some lines", "", 1);
    EXPECT_EQ(d->mWidth, app.mWidth / 2);
    EXPECT_EQ(d->mX, (app.mWidth - app.mWidth / 2) / 2);
    EXPECT_EQ(d->mY, app.mHeight / 5);
    EXPECT_EQ(d->mHeight, d->GetPreferredHeight(app.mWidth / 2));
    EXPECT_EQ(wm().mBaseModalWidget, d);
    EXPECT_EQ(app.GetDialogCount(), 1);
    EXPECT_EQ(app.GetDialog(3), d);
    // Both buttons sit on the manager above the dialog, along its bottom.
    ASSERT_NE(d->mNoButton, nullptr);
    EXPECT_EQ(wm().mWidgets.back(), d->mNoButton);
    EXPECT_EQ(d->mYesButton->mY + d->mYesButton->mHeight, d->mY + d->mHeight - 24);
    EXPECT_TRUE(app.KillDialog(3));
    EXPECT_FALSE(app.KillDialog(3));
    EXPECT_EQ(wm().mBaseModalWidget, nullptr);
    EXPECT_TRUE(wm().mWidgets.empty());
    EXPECT_EQ(app.GetDialogCount(), 0);
}

// A dialog that says when it is deleted.
struct Watched : Vant::Dialog {
    Watched(int id, bool* deleted) : Vant::Dialog(nullptr, nullptr, id, true, "Sure?", "", "", 2), deleted(deleted) {}
    ~Watched() override { *deleted = true; }
    bool* deleted;
};

struct KillingApp : TestApp {
    using TestApp::TestApp;
    Vant::Dialog* NewDialog(int id, bool, const std::string&, const std::string&, const std::string&,
                            int) override {
        return new Watched(id, &deleted);
    }
    // Killed from inside its own button's press, before any result.
    void ButtonPress(int id) override {
        if (id != 2000 + 6) return;
        Vant::Dialog* d = GetDialog(6);
        KillDialog(6);
        resultAtKill = d->mResult;
        deletedAtKill = deleted;
    }
    bool deleted = false, deletedAtKill = true;
    int resultAtKill = -5;
};

TEST(DialogKill, FromItsOwnButtonHandlerTheDeleteWaitsForThePumpStep) {
    Vant::Widget::FontMaker saved = Vant::Widget::sFontMaker;
    Vant::Widget::sFontMaker = &TestFont::Make;
    {
        FakeHost host;
        KillingApp app(&host);
        app.mWidgetManager = std::make_unique<Vant::WidgetManager>(&app);
        app.mWidgetManager->SetSize(app.mWidth, app.mHeight);
        app.mDisplay.reset(new Vant::BlankDisplay(&app));
        app.mHWnd = 1;
        app.mRunning = true;
        app.mInitialized = true;
        app.mLoadingThreadCompleted = true;
        Vant::Dialog* d = app.DoDialog(6, true, "Sure?", "", "", 2);
        const int x = d->mYesButton->mX + 5, y = d->mYesButton->mY + 5;
        const std::intptr_t at = static_cast<std::intptr_t>((y << 16) | x);
        using namespace plat::msg;
        app.WindowProc({1, kMouseMove, 0, at});
        app.WindowProc({1, kLButtonDown, kMkLButton, at});
        app.WindowProc({1, kLButtonUp, 0, at});
        bool updated = false;
        for (int i = 0; i < 5 && app.resultAtKill == -5; ++i) app.UpdateAppStep(&updated);  // input steps
        EXPECT_FALSE(app.deletedAtKill);
        EXPECT_EQ(app.resultAtKill, 0);
        EXPECT_EQ(app.GetDialogCount(), 0);
        for (int i = 0; i < 20 && !app.deleted; ++i) {
            host.clock.now += 20;
            app.UpdateAppStep(&updated);
        }
        EXPECT_TRUE(app.deleted);
    }
    Vant::Widget::sFontMaker = saved;
}

}  // namespace
