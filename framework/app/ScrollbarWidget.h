#pragma once
// The scroll bar with its two arrow buttons, and the horizontal slider.
#include "framework/app/ButtonWidget.h"
#include "framework/app/Listeners.h"
#include "framework/app/Widget.h"

namespace Vant {

class ScrollbarWidget : public Widget, public ButtonListener {
public:
    ScrollbarWidget(int id, ScrollListener* listener);
    ~ScrollbarWidget() override;

    virtual void SetHideWhenNotNeeded(bool hide);
    virtual void SetMaxValue(double value);
    virtual void SetPageSize(double value);
    virtual void SetValue(double value);
    virtual void SetHorizontal(bool horizontal);
    virtual void ResizeScrollbar(int x, int y, int width, int height);
    virtual bool AtEnd();
    virtual void GoToEnd();
    virtual void DrawThumb(Graphics* g, int x, int y, int width, int height);
    virtual int TrackLength();
    virtual int ThumbLength();
    virtual int ThumbPosition();
    virtual void ClampValue();
    virtual void SetThumbPosition(int position);
    // Along the bar: -1 before the thumb, 0 on it, 1 after it.
    virtual int ThumbHitTest(int x, int y);

    void Update() override;
    void Draw(Graphics* g) override;
    void MouseDown(int x, int y, int clicks) override;
    void MouseUpAt(int x, int y) override;
    void MouseDrag(int x, int y) override;
    using ButtonListener::ButtonPress;
    void ButtonPress(int id) override;
    void ButtonHeld(int id) override;

    int ButtonSize() const { return mUpButton->mWidth; }

    ScrollbuttonWidget* mUpButton;
    ScrollbuttonWidget* mDownButton;
    bool mInvisIfNoScroll = false;
    int mId;
    double mValue = 0.0, mMaxValue = 0.0, mPageSize = 0.0;
    bool mHorizontal = false;
    bool mPressedOnThumb = false;
    int mMouseDownThumbPos = 0, mMouseDownX = 0, mMouseDownY = 0;
    int mUpdateMode = 0;  // paging: 1 backwards, 2 forwards
    int mUpdateAcc = 0;
    int mButtonAcc = 0;
    int mLastMouseX = 0, mLastMouseY = 0;
    ScrollListener* mScrollListener;
};

class Slider : public Widget {
public:
    Slider(Image* trackImage, Image* thumbImage, int id, SliderListener* listener);

    virtual void SetValue(double value);
    virtual bool HasTransparencies() { return true; }

    void Draw(Graphics* g) override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clicks) override;
    void MouseUpAt(int x, int y) override;
    void MouseDrag(int x, int y) override;

    int ThumbX() const;

    SliderListener* mListener;
    double mVal = 0.0;
    int mId;
    Image* mTrackImage;  // not owned
    Image* mThumbImage;  // not owned
    bool mDragging = false;
    int mRelX = 0;
};

}  // namespace Vant
