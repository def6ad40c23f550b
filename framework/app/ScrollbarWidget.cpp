#include "framework/app/ScrollbarWidget.h"

#include <algorithm>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"

namespace Vant {

// ---- scroll bar ----

ScrollbarWidget::ScrollbarWidget(int id, ScrollListener* listener) : mId(id), mScrollListener(listener) {
    mUpButton = new ScrollbuttonWidget(0, this);
    mDownButton = new ScrollbuttonWidget(1, this);
    mUpButton->SetDisabled(true);
    mDownButton->SetDisabled(true);
    mDisabled = true;
    AddWidget(mUpButton);
    AddWidget(mDownButton);
}

ScrollbarWidget::~ScrollbarWidget() {
    RemoveWidget(mUpButton);
    RemoveWidget(mDownButton);
    delete mUpButton;
    delete mDownButton;
}

void ScrollbarWidget::SetHideWhenNotNeeded(bool hide) {
    mInvisIfNoScroll = hide;
    if (hide) {
        SetVisible(false);
        mUpButton->SetVisible(false);
        mDownButton->SetVisible(false);
    }
}

void ScrollbarWidget::SetMaxValue(double value) {
    mMaxValue = value;
    ClampValue();
    MarkDirty();
}

void ScrollbarWidget::SetPageSize(double value) {
    mPageSize = value;
    ClampValue();
    MarkDirty();
}

void ScrollbarWidget::SetValue(double value) {
    mValue = value;
    ClampValue();
    if (mScrollListener) mScrollListener->ScrollPosition(mId, mValue);
    MarkDirty();
}

void ScrollbarWidget::SetHorizontal(bool horizontal) {
    mHorizontal = horizontal;
    mUpButton->mHorizontal = horizontal;
    mDownButton->mHorizontal = horizontal;
}

void ScrollbarWidget::ResizeScrollbar(int x, int y, int width, int height) {
    Resize(x, y, width, height);
    if (!mHorizontal) {
        mUpButton->Resize(0, 0, width, width);
        mDownButton->Resize(0, height - width, width, width);
    } else {
        mUpButton->Resize(0, 0, height, height);
        mDownButton->Resize(width - height, 0, height, height);
    }
}

bool ScrollbarWidget::AtEnd() { return mMaxValue - mPageSize - mValue <= 1.0; }

void ScrollbarWidget::GoToEnd() {
    mValue = mMaxValue - mPageSize;
    ClampValue();
    SetValue(mValue);
}

int ScrollbarWidget::TrackLength() { return (mHorizontal ? mWidth : mHeight) - 2 * ButtonSize(); }

int ScrollbarWidget::ThumbLength() {
    if (mPageSize >= mMaxValue) return 0;
    return std::max(8, static_cast<int>(TrackLength() * mPageSize / mMaxValue + 0.5));
}

int ScrollbarWidget::ThumbPosition() {
    if (mPageSize >= mMaxValue) return ButtonSize();
    return ButtonSize() +
           static_cast<int>((TrackLength() - ThumbLength()) * mValue / (mMaxValue - mPageSize) + 0.5);
}

void ScrollbarWidget::ClampValue() {
    const double was = mValue;
    if (mValue > mMaxValue - mPageSize) mValue = mMaxValue - mPageSize;
    if (mValue < 0.0) mValue = 0.0;
    const bool needed = mPageSize < mMaxValue;
    SetDisabled(!needed);
    mUpButton->SetDisabled(!needed);
    mDownButton->SetDisabled(!needed);
    if (mInvisIfNoScroll) {
        SetVisible(needed);
        mUpButton->SetVisible(needed);
        mDownButton->SetVisible(needed);
    }
    if (mValue != was && mScrollListener) mScrollListener->ScrollPosition(mId, mValue);
}

void ScrollbarWidget::SetThumbPosition(int position) {
    // A thumb that fills the whole track has nowhere to move.
    const int room = TrackLength() - ThumbLength();
    if (room <= 0) return;
    SetValue((mMaxValue - mPageSize) * (position - ButtonSize()) / room);
}

int ScrollbarWidget::ThumbHitTest(int x, int y) {
    const int along = mHorizontal ? x : y;
    const int pos = ThumbPosition();
    if (along < pos) return -1;
    if (along >= pos + ThumbLength()) return 1;
    return 0;
}

void ScrollbarWidget::ButtonPress(int id) {
    mButtonAcc = 0;
    SetValue(mValue + (id == 0 ? -1.0 : 1.0));
}

void ScrollbarWidget::ButtonHeld(int id) {
    // After 25 updates of holding, one step on every update.
    if (++mButtonAcc >= 25) {
        SetValue(mValue + (id == 0 ? -1.0 : 1.0));
        mButtonAcc = 24;
    }
}

void ScrollbarWidget::MouseDown(int x, int y, int clicks) {
    Widget::MouseDown(x, y, clicks);
    mLastMouseX = x;
    mLastMouseY = y;
    if (mDisabled) return;
    switch (ThumbHitTest(x, y)) {
    case -1:
        SetValue(mValue - mPageSize);
        mUpdateMode = 1;
        mUpdateAcc = 0;
        break;
    case 1:
        SetValue(mValue + mPageSize);
        mUpdateMode = 2;
        mUpdateAcc = 0;
        break;
    default:
        mPressedOnThumb = true;
        mMouseDownThumbPos = ThumbPosition();
        mMouseDownX = x;
        mMouseDownY = y;
        break;
    }
}

void ScrollbarWidget::MouseDrag(int x, int y) {
    mLastMouseX = x;
    mLastMouseY = y;
    if (!mPressedOnThumb) return;
    SetThumbPosition(mMouseDownThumbPos + (mHorizontal ? x - mMouseDownX : y - mMouseDownY));
}

void ScrollbarWidget::MouseUpAt(int, int) {
    mUpdateMode = 0;
    mPressedOnThumb = false;
    MarkDirty();
}

void ScrollbarWidget::Update() {
    Widget::Update();
    if (mUpdateMode == 0) return;
    const int want = mUpdateMode == 1 ? -1 : 1;
    if (ThumbHitTest(mLastMouseX, mLastMouseY) == want) {
        // Paging repeats from the 25th update on, every 5 updates.
        if (++mUpdateAcc >= 25) {
            SetValue(mValue + want * mPageSize);
            mUpdateAcc = 20;
        }
    } else {
        mUpdateMode = 0;
        MarkDirty();
    }
}

void ScrollbarWidget::DrawThumb(Graphics* g, int x, int y, int w, int h) {
    g->SetColor(Color(212, 212, 212));
    g->FillRect(x, y, w, h);
    g->SetColor(Color(255, 255, 255));
    g->FillRect(x + 1, y + 1, w - 2, 1);
    g->FillRect(x + 1, y + 1, 1, h - 2);
    g->SetColor(Color(0, 0, 0));
    g->FillRect(x, y + h - 1, w, 1);
    g->FillRect(x + w - 1, y, 1, h);
    g->SetColor(Color(132, 132, 132));
    g->FillRect(x + 1, y + h - 2, w - 2, 1);
    g->FillRect(x + w - 2, y + 1, 1, h - 2);
}

void ScrollbarWidget::Draw(Graphics* g) {
    const int button = ButtonSize();
    const int pos = ThumbPosition(), len = ThumbLength();
    const int end = (mHorizontal ? mWidth : mHeight) - button;
    const Color busy(48, 48, 48), idle(232, 232, 232);
    auto span = [&](int from, int to) {
        if (mHorizontal)
            g->FillRect(from, 0, to - from, mHeight);
        else
            g->FillRect(0, from, mWidth, to - from);
    };
    g->SetColor(mUpdateMode == 1 ? busy : idle);
    span(button, pos);
    g->SetColor(mUpdateMode == 2 ? busy : idle);
    span(pos + len, end);
    if (len > 0) {
        if (mHorizontal)
            DrawThumb(g, pos, 0, len, mHeight);
        else
            DrawThumb(g, 0, pos, mWidth, len);
    }
}

// ---- slider ----

Slider::Slider(Image* trackImage, Image* thumbImage, int id, SliderListener* listener)
    : mListener(listener), mId(id), mTrackImage(trackImage), mThumbImage(thumbImage) {}

int Slider::ThumbX() const {
    const int thumbW = mThumbImage ? mThumbImage->width : 0;
    return static_cast<int>((mWidth - thumbW) * mVal);
}

void Slider::SetValue(double value) {
    mVal = value;
    MarkAreaDirty();
}

void Slider::MouseDown(int x, int y, int clicks) {
    Widget::MouseDown(x, y, clicks);
    const int tx = ThumbX(), thumbW = mThumbImage ? mThumbImage->width : 0;
    if (x >= tx && x < tx + thumbW) {
        mDragging = true;
        mRelX = x - tx;
        SetAppCursor(2);
    }
}

void Slider::MouseMove(int x, int) {
    const int tx = ThumbX(), thumbW = mThumbImage ? mThumbImage->width : 0;
    SetAppCursor(x >= tx && x < tx + thumbW ? 2 : 0);
}

void Slider::MouseDrag(int x, int) {
    if (!mDragging) return;
    const int thumbW = mThumbImage ? mThumbImage->width : 0;
    double v = static_cast<double>(x - mRelX) / (mWidth - thumbW);
    if (!(v >= 0.0)) v = 0.0;  // negative, or no room at all
    if (v > 1.0) v = 1.0;
    if (v == mVal) return;
    mVal = v;
    if (mListener) mListener->SliderValue(mId, mVal);
    MarkAreaDirty();
}

void Slider::MouseUpAt(int, int) {
    mDragging = false;
    SetAppCursor(0);
    if (mListener) mListener->SliderValue(mId, mVal);
}

void Slider::MouseLeave() {
    if (!mDragging) SetAppCursor(0);
}

void Slider::Draw(Graphics* g) {
    if (mTrackImage) {
        const int cap = mTrackImage->width / 3, th = mTrackImage->height;
        const int y = (mHeight - th) / 2;
        g->DrawImage(mTrackImage, 0, y, Rect(0, 0, cap, th));
        if (cap > 0) {
            Graphics middle(*g);
            middle.ClipRect(cap, y, mWidth - 2 * cap, th);
            for (int x = cap; x < mWidth - cap; x += cap) middle.DrawImage(mTrackImage, x, y, Rect(cap, 0, cap, th));
        }
        g->DrawImage(mTrackImage, mWidth - cap, y, Rect(2 * cap, 0, cap, th));
    }
    if (mThumbImage) g->DrawImage(mThumbImage, ThumbX(), (mHeight - mThumbImage->height) / 2);
}

}  // namespace Vant
