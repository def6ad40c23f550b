// Buttons, scroll bars and sliders driven through the widget manager.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/app/ButtonWidget.h"
#include "framework/app/ScrollbarWidget.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/MemoryImage.h"

namespace {

using Log = std::vector<std::string>;

struct Buttons : Vant::ButtonListener {
    void ButtonPress(int id) override { log.push_back("press " + std::to_string(id)); }
    void ButtonRelease(int id) override { log.push_back("release " + std::to_string(id)); }
    Log log;
};

struct Scrolls : Vant::ScrollListener {
    void ScrollPosition(int, double value) override { values.push_back(value); }
    std::vector<double> values;
};

struct Sliders : Vant::SliderListener {
    void SliderValue(int, double value) override { values.push_back(value); }
    std::vector<double> values;
};

struct Screen {
    Screen() : manager(nullptr) { manager.SetSize(800, 600); }
    Vant::WidgetManager manager;
};

TEST(ScrollbarWidget, WithoutRoomToScrollItHasNoThumbIsDisabledAndHoldsZero) {
    Scrolls listener;
    Vant::ScrollbarWidget bar(7, &listener);
    bar.ResizeScrollbar(0, 0, 16, 216);
    bar.SetMaxValue(100);
    bar.SetPageSize(10);
    bar.SetValue(40);
    EXPECT_FALSE(bar.mDisabled);
    EXPECT_FALSE(bar.mUpButton->mDisabled);

    for (double page : {100.0, 250.0}) {
        bar.SetPageSize(page);
        EXPECT_EQ(bar.ThumbLength(), 0);
        EXPECT_EQ(bar.mValue, 0.0);
        EXPECT_TRUE(bar.mDisabled);
        EXPECT_TRUE(bar.mUpButton->mDisabled);
        EXPECT_TRUE(bar.mDownButton->mDisabled);
    }
    // Hidden as well when asked to.
    bar.SetHideWhenNotNeeded(true);
    bar.SetPageSize(50);
    EXPECT_TRUE(bar.mVisible);
    bar.SetPageSize(100);
    EXPECT_FALSE(bar.mVisible);
    EXPECT_FALSE(bar.mDownButton->mVisible);
}

TEST(ScrollbarWidget, ThumbLengthAndPosition) {
    struct Case {
        int height;
        double max, page, value;
        int length, position;
    };
    // Buttons 16 high: the track is height - 32.
    const Case cases[] = {
        {216, 100, 10, 0, 18, 16},    // 184 * 0.1 + 0.5 -> 18
        {216, 100, 10, 45, 18, 99},   // 16 + trunc(166 * 45 / 90 + 0.5)
        {216, 100, 10, 90, 18, 182},  // at the end
        {216, 100, 10, 500, 18, 182}, // clamped to max - page
        {216, 1000, 1, 0, 8, 16},     // never shorter than 8
        {40, 100, 10, 30, 8, 16},     // a short track: the thumb fills it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height * 1000 + c.value);
        Vant::ScrollbarWidget bar(0, nullptr);
        bar.ResizeScrollbar(0, 0, 16, c.height);
        bar.SetMaxValue(c.max);
        bar.SetPageSize(c.page);
        bar.SetValue(c.value);
        EXPECT_EQ(bar.ThumbLength(), c.length);
        EXPECT_EQ(bar.ThumbPosition(), c.position);
    }
}

TEST(ScrollbarWidget, DraggingAThumbThatFillsTheTrackKeepsTheValue) {
    Vant::ScrollbarWidget bar(0, nullptr);
    bar.ResizeScrollbar(0, 0, 16, 40);
    bar.SetMaxValue(100);
    bar.SetPageSize(10);
    bar.SetValue(30);
    bar.SetThumbPosition(20);
    EXPECT_EQ(bar.mValue, 30.0);
}

TEST(ScrollbarWidget, HoldingAnArrowRepeatsEveryUpdateFromThe25thAndTheTrackEvery5) {
    struct Case {
        const char* name;
        int pressY;  // on the screen; the bar is at (0, 0, 16, 216)
        double step;
        std::vector<int> movesAt;  // updates after the press that move
    };
    const Case cases[] = {
        {"arrow", 208, 1.0, {25, 26, 27, 28, 29, 30}},
        {"track", 190, 10.0, {25, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Screen s;
        Scrolls listener;
        Vant::ScrollbarWidget bar(1, &listener);
        bar.ResizeScrollbar(0, 0, 16, 216);
        bar.SetMaxValue(100);
        bar.SetPageSize(10);
        s.manager.AddWidget(&bar);
        s.manager.OnMouseMove(8, c.pressY);
        s.manager.OnMouseDown(8, c.pressY, 1);
        EXPECT_EQ(bar.mValue, c.step);  // at once on the press
        std::vector<int> moves;
        double last = bar.mValue;
        for (int update = 1; update <= 30; ++update) {
            s.manager.UpdateFrame();
            if (bar.mValue != last) moves.push_back(update);
            last = bar.mValue;
        }
        EXPECT_EQ(moves, c.movesAt);
        s.manager.OnMouseUp(8, c.pressY, 1);
        s.manager.UpdateFrame();
        EXPECT_EQ(bar.mValue, last);
        s.manager.RemoveWidget(&bar);
    }
}

TEST(ButtonWidget, AReleaseOutsideTheButtonReportsNothing) {
    Screen s;
    Buttons listener;
    Vant::ButtonWidget button(5, &listener);
    button.Resize(10, 10, 50, 20);
    s.manager.AddWidget(&button);
    s.manager.OnMouseMove(20, 20);
    s.manager.OnMouseDown(20, 20, 1);
    s.manager.OnMouseMove(200, 200);
    s.manager.OnMouseUp(200, 200, 1);
    s.manager.OnMouseMove(30, 15);
    s.manager.OnMouseDown(30, 15, 1);
    s.manager.OnMouseUp(30, 15, 1);
    EXPECT_EQ(listener.log, (Log{"press 5", "press 5", "release 5"}));
    s.manager.RemoveWidget(&button);
}

TEST(Slider, DraggedPastTheEndsStaysInRangeAndReportsChangesThenTheFinalValue) {
    Screen s;
    Sliders listener;
    Vant::MemoryImage thumb;
    thumb.Create(10, 10);
    Vant::Slider slider(nullptr, &thumb, 3, &listener);
    slider.Resize(100, 100, 110, 20);  // 100 pixels of travel
    s.manager.AddWidget(&slider);
    s.manager.OnMouseMove(105, 110);
    s.manager.OnMouseDown(105, 110, 1);  // on the thumb, 5 pixels into it
    for (int x : {50, 0, 155, 400, 500, 155}) s.manager.OnMouseMove(x, 110);
    s.manager.OnMouseUp(155, 110, 1);
    EXPECT_EQ(listener.values, (std::vector<double>{0.5, 1.0, 0.5, 0.5}));
    EXPECT_FALSE(slider.mDragging);
    s.manager.RemoveWidget(&slider);
}

}  // namespace
