// The framework widget bridges on the look fixture, driven through the
// widget manager: edit boxes and their ids, colours from the skin, the
// list's scroll bar coming and going (also while it is held or inside its
// own callback), the arrows and thumb looks, and the slidebar's percent.
#include <gtest/gtest.h>

#include "framework/app/WidgetManager.h"
#include "ostrel/gui/WidgetBridges.h"
#include "support/WidgetFixture.h"

namespace {

using namespace orvek::ostrel;

struct Bridges : adaptertest::WidgetFixture {
    void SetUp() override {
        WidgetFixture::SetUp();
        wm().SetSize(800, 600);
    }
    Vant::WidgetManager& wm() { return *app->mWidgetManager; }
    Vant::WidgetContainer* root() { return app->mWidgetManager.get(); }
    void click(int x, int y, int clicks = 1) {
        wm().OnMouseMove(x, y);
        wm().OnMouseDown(x, y, clicks);
        wm().OnMouseUp(x, y, clicks);
    }
};

TEST_F(Bridges, EditBoxesTakeTextAndEnterReachesTheirOwn) {
    const std::size_t before = impl::edit_box_count();
    auto first = std::make_unique<EditBox>(root(), "menu/widgets/edit");
    EditBox second(root(), "menu/widgets/edit2");
    EXPECT_EQ(impl::edit_box_count(), before + 2);
    EXPECT_NE(first->mId, second.mId);
    EXPECT_GT(first->mId, 0);
    EXPECT_EQ(second.mX, 20);
    EXPECT_EQ(second.mY, 100);
    EXPECT_EQ(second.mWidth, 200);
    EXPECT_EQ(second.mHeight, 24);
    EXPECT_NE(first->background(), nullptr);
    EXPECT_EQ(second.background(), nullptr);

    std::vector<std::string> entered;
    int chars = 0;
    first->on_text = [&](const std::string& t) { entered.push_back("first " + t); };
    second.on_text = [&](const std::string& t) { entered.push_back("second " + t); };
    second.set_on_char([&] { ++chars; });
    second.set_focus();
    // Windows-1251 bytes: "Da" in Cyrillic letters, then Latin.
    for (char c : std::string("\xc4\xe0 ok")) wm().OnKeyChar(c);
    wm().OnKeyDown(13);
    EXPECT_EQ(second.text(), "\xc4\xe0 ok");
    EXPECT_EQ(chars, 5);
    EXPECT_EQ(entered, (std::vector<std::string>{"second \xc4\xe0 ok"}));

    // A notification for a destroyed id is ignored.
    const int gone = first->mId;
    Vant::EditListener* listener = second.mEditListener;
    first->set_focus();
    first.reset();
    listener->EditTextEntered(gone, "late");
    EXPECT_TRUE(listener->AllowChar(gone, 'x'));
    EXPECT_EQ(entered.size(), 1u);
    // The destroyed box had the focus: typing now reaches nothing freed.
    wm().OnKeyChar('z');
    wm().OnKeyDown(13);
    EXPECT_EQ(impl::edit_box_count(), before + 1);
    EXPECT_EQ(second.text(), "\xc4\xe0 ok");
}

TEST_F(Bridges, ColoursFromTheSkin) {
    const Vant::Color clear(0, 0, 0, 0);
    Vant::EditWidget plain(0, nullptr);
    EditBox dressed(root(), "menu/widgets/edit"), bare(root(), "menu/widgets/edit2");
    const Vant::Color edit_expected[5] = {clear, {255, 255, 255}, {255, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(dressed.GetColor(i), edit_expected[i]) << i;
    EXPECT_EQ(bare.GetColor(0), clear);
    EXPECT_EQ(bare.GetColor(1), clear);
    for (int i = 2; i < 5; ++i) EXPECT_EQ(bare.GetColor(i), plain.GetColor(i)) << i;

    ListBox list(root(), "menu/widgets/list");
    const Vant::Color list_expected[6] = {clear, clear, {255, 255, 255}, {255, 255, 0}, {0, 0, 160}, {0, 255, 255}};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(list.GetColor(i), list_expected[i]) << i;

    EXPECT_THROW(EditBox(root(), "menu/widgets/nothing"), Vant::ResourceManagerException);
    EXPECT_THROW(ListBox(root(), "menu/widgets/nothing"), Vant::ResourceManagerException);
}

TEST_F(Bridges, ListGrowsOneScrollBarAndLosesIt) {
    ListBox list(root(), "menu/widgets/list");  // 160 x 60 at (20, 140): 5.2 lines a page
    for (int i = 0; i < 5; ++i) list.add_line("line " + std::to_string(i));
    EXPECT_EQ(list.scroll_bar(), nullptr);
    list.add_line("line 5");
    ScrollBar* bar = list.scroll_bar();
    ASSERT_NE(bar, nullptr);
    list.add_line("line 6");
    EXPECT_EQ(list.scroll_bar(), bar);
    int bars = 0;
    for (Vant::Widget* w : list.mWidgets) bars += dynamic_cast<ScrollBar*>(w) != nullptr;
    EXPECT_EQ(bars, 1);
    EXPECT_EQ(bar->mParent, &list);
    EXPECT_EQ(bar->mX, 144);
    EXPECT_EQ(bar->mY, 0);
    EXPECT_EQ(bar->mWidth, 16);
    EXPECT_EQ(bar->mHeight, 60);
    EXPECT_DOUBLE_EQ(bar->mMaxValue, 7.0);
    EXPECT_DOUBLE_EQ(bar->mPageSize, list.mPageSize);
    EXPECT_NEAR(list.mPageSize, 5.2, 1e-9);
    EXPECT_FALSE(bar->mDisabled);

    list.clear();
    EXPECT_EQ(list.scroll_bar(), nullptr);
    EXPECT_TRUE(list.mWidgets.empty());
    EXPECT_EQ(list.mScrollbar, nullptr);
}

TEST_F(Bridges, DoubleClickReportsItsLine) {
    ListBox list(root(), "menu/widgets/list");
    for (int i = 0; i < 4; ++i) list.add_line("line " + std::to_string(i));
    std::vector<int> opened;
    list.set_on_double_click([&](int line) { opened.push_back(line); });
    click(40, 169);  // line 2
    EXPECT_EQ(list.mSelectIdx, 2);
    click(40, 169, 2);
    EXPECT_EQ(opened, (std::vector<int>{2}));
}

TEST_F(Bridges, ClearingWhileTheThumbIsDraggedTouchesNothingFreed) {
    ListBox list(root(), "menu/widgets/list");
    for (int i = 0; i < 10; ++i) list.add_line("line " + std::to_string(i));
    ScrollBar* bar = list.scroll_bar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->ThumbLength(), 12);
    // The thumb starts below the 16-pixel up arrow, at screen y 156.
    wm().OnMouseMove(170, 160);
    EXPECT_EQ(bar->thumb_look(), 2);
    wm().OnMouseDown(170, 160, 1);
    wm().OnMouseMove(170, 168);
    bar->Update();
    EXPECT_EQ(bar->thumb_look(), 3);
    EXPECT_NEAR(bar->mValue, 4.8 * 8 / 16, 1e-9);
    EXPECT_NEAR(list.mPosition, bar->mValue, 1e-9);

    list.clear();
    EXPECT_EQ(list.scroll_bar(), nullptr);
    app->FreeDialogsAndWidgets();  // the deferred delete happens now
    wm().OnMouseMove(170, 175);
    wm().OnMouseUp(170, 175, 1);
    wm().UpdateFrame();
    EXPECT_DOUBLE_EQ(list.mPosition, 0.0);
}

// A list that clears itself when it is scrolled: the bar is let go inside
// its own callback.
struct SelfClearingList : ListBox {
    using ListBox::ListBox;
    void ScrollPosition(int id, double value) override {
        ListBox::ScrollPosition(id, value);
        if (value > 0) clear();
    }
};

TEST_F(Bridges, ArrowsStepOnlyWhileTheBarIsEnabled) {
    ListBox list(root(), "menu/widgets/list");
    for (int i = 0; i < 10; ++i) list.add_line("line " + std::to_string(i));
    ScrollBar* bar = list.scroll_bar();
    ASSERT_NE(bar, nullptr);
    auto* down = dynamic_cast<ScrollBarButton*>(bar->mDownButton);
    auto* up = dynamic_cast<ScrollBarButton*>(bar->mUpButton);
    ASSERT_NE(down, nullptr);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(down->mId, 2);
    EXPECT_EQ(up->mId, 1);
    EXPECT_EQ(down->current_image(), image("menu/widgets/list/scrollbar/buttons/down/normal"));
    click(170, 190);  // the down arrow
    EXPECT_DOUBLE_EQ(bar->mValue, 1.0);
    EXPECT_EQ(down->current_image(), image("menu/widgets/list/scrollbar/buttons/down/active"));
    down->mButtonListener->ButtonPress(2);
    down->mButtonListener->ButtonPress(4);
    up->mButtonListener->ButtonPress(1);
    up->mButtonListener->ButtonPress(7);
    EXPECT_DOUBLE_EQ(bar->mValue, 2.0);
    bar->SetDisabled(true);
    down->mButtonListener->ButtonPress(2);
    EXPECT_DOUBLE_EQ(bar->mValue, 2.0);
    wm().OnMouseMove(400, 400);
    EXPECT_EQ(down->current_image(), image("menu/widgets/list/scrollbar/buttons/down/normal"));

    SelfClearingList self(root(), "menu/widgets/list");
    for (int i = 0; i < 10; ++i) self.add_line("line " + std::to_string(i));
    ASSERT_NE(self.scroll_bar(), nullptr);
    list.SetVisible(false);
    click(170, 190);
    EXPECT_EQ(self.scroll_bar(), nullptr);
}

TEST_F(Bridges, AFixedThumbThatFillsItsTrackKeepsTheValue) {
    ListBox list(root(), "menu/widgets/list-full");  // a 40-pixel thumb on a 28-pixel track
    for (int i = 0; i < 10; ++i) list.add_line("line " + std::to_string(i));
    ScrollBar* bar = list.scroll_bar();
    ASSERT_NE(bar, nullptr);
    bar->SetValue(1.0);
    bar->SetThumbPosition(30);
    EXPECT_DOUBLE_EQ(bar->mValue, 1.0);
    // Drawn with the framework's look: the fixture gives it no images.
    Vant::MemoryImage out;
    out.Create(16, 60);
    Vant::Graphics g(&out);
    bar->Draw(&g);
}

TEST_F(Bridges, SlidebarPercent) {
    Slidebar slider(root(), "menu/widgets/slider");
    EXPECT_EQ(slider.mX, 20);
    EXPECT_EQ(slider.mWidth, 200);
    EXPECT_NE(slider.mTrackImage, nullptr);
    std::vector<int> changes;
    slider.set_on_change([&](int p) { changes.push_back(p); });
    slider.mListener->SliderValue(slider.mId, 0.999);
    slider.mListener->SliderValue(slider.mId, 0.29);  // a hair below 0.29 in binary
    slider.mListener->SliderValue(slider.mId, 1.0);
    EXPECT_EQ(changes, (std::vector<int>{99, 29, 100}));
    slider.set_percent(50);
    EXPECT_DOUBLE_EQ(slider.mVal, 0.5);
    slider.set_percent(250);
    EXPECT_DOUBLE_EQ(slider.mVal, 1.0);

    // A drag of the thumb (10 wide; the track 190 long) reports its percent.
    slider.set_percent(0);
    changes.clear();
    click(25, 230);
    wm().OnMouseMove(25, 230);
    wm().OnMouseDown(25, 230, 1);
    wm().OnMouseMove(120, 230);
    wm().OnMouseUp(120, 230, 1);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), 50);

    Slidebar bare(root(), "menu/widgets/slider-bare");
    EXPECT_EQ(bare.mTrackImage, nullptr);
    EXPECT_THROW(Slidebar(root(), "menu/widgets/list"), Vant::ResourceManagerException);
}

}  // namespace
