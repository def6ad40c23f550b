#include "framework/app/Widget.h"

#include "framework/app/VantAppBase.h"
#include "framework/app/WidgetManager.h"

namespace Vant {

bool Widget::mWriteColoredString = true;

Widget::Widget() = default;

Widget::~Widget() = default;

void Widget::SetVisible(bool visible) {
    if (mVisible == visible) return;
    mVisible = visible;
    if (visible)
        MarkDirty();
    else
        MarkAreaDirty();
    if (mWidgetManager) mWidgetManager->RecheckMouse();
}

void Widget::SetColorTableRGBA(const int (*table)[4], int count) {
    mColors.clear();
    for (int i = 0; i < count; ++i) SetColor(i, Color(table[i][0], table[i][1], table[i][2], table[i][3]));
    MarkDirty();
}

void Widget::SetColorTableRGB(const int (*table)[3], int count) {
    mColors.clear();
    for (int i = 0; i < count; ++i) SetColor(i, Color(table[i][0], table[i][1], table[i][2], 255));
    MarkDirty();
}

void Widget::SetColor(int index, const Color& color) {
    if (index < 0) return;
    const auto i = static_cast<std::size_t>(index);
    if (mColors.size() <= i) mColors.resize(i + 1, Color(0, 0, 0, 255));
    mColors[i] = color;
    MarkDirty();
}

const Color& Widget::GetColorOrDefault(int index, const Color& fallback) const {
    if (index < 0 || static_cast<std::size_t>(index) >= mColors.size()) return fallback;
    return mColors[static_cast<std::size_t>(index)];
}

Color Widget::GetColor(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= mColors.size()) return Color(0, 0, 0, 255);
    return mColors[static_cast<std::size_t>(index)];
}

void Widget::SetDisabled(bool disabled) {
    if (mDisabled == disabled) return;
    mDisabled = disabled;
    if (disabled && mWidgetManager) mWidgetManager->ForgetWidget(this);
    MarkDirty();
    if (!disabled && mWidgetManager && Contains(mWidgetManager->mLastMouseX, mWidgetManager->mLastMouseY))
        mWidgetManager->UpdateMouseOver(mWidgetManager->mLastMouseX, mWidgetManager->mLastMouseY);
}

void Widget::ShowHandCursor(bool on) {
    if (mWidgetManager && mWidgetManager->mApp) mWidgetManager->mApp->SetCursor(on ? 1 : 0);
}

void Widget::ResizeRect(const Rect& r) { Resize(r.x, r.y, r.width, r.height); }

void Widget::Resize(int x, int y, int width, int height) {
    if (mX == x && mY == y && mWidth == width && mHeight == height) return;
    MarkAreaDirty();
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
    MarkDirty();
    if (mWidgetManager) mWidgetManager->RecheckMouse();
}

void Widget::Move(int x, int y) { Resize(x, y, mWidth, mHeight); }

void Widget::GotFocus() { mHasFocus = true; }

void Widget::LostFocus() { mHasFocus = false; }

void Widget::KeyDown(int key) {
    if (key != 9 || !mWidgetManager) return;
    Widget* next = mWidgetManager->IsKeyDown(16) ? mTabPrev : mTabNext;
    if (next) mWidgetManager->SetFocus(next);
}

void Widget::MouseDown(int x, int y, int clicks) {
    if (clicks == 3)
        MouseDownButton(x, y, 2, 1);
    else if (clicks < 0)
        MouseDownButton(x, y, 1, -clicks);
    else
        MouseDownButton(x, y, 0, clicks);
}

void Widget::MouseUp(int x, int y, int clicks) {
    MouseUpAt(x, y);
    if (clicks == 3)
        MouseUpButton(x, y, 2, 1);
    else if (clicks < 0)
        MouseUpButton(x, y, 1, -clicks);
    else
        MouseUpButton(x, y, 0, clicks);
}

int Widget::CountDigits(int number) {
    int digits = 1;
    while (number >= 10) {
        number /= 10;
        ++digits;
    }
    return digits;
}

bool Widget::Contains(int x, int y) { return x >= mX && x < mX + mWidth && y >= mY && y < mY + mHeight; }

Rect Widget::GetHitRect() {
    return Rect(mX + mMouseInsets.mLeft, mY + mMouseInsets.mTop, mWidth - mMouseInsets.mLeft - mMouseInsets.mRight,
                mHeight - mMouseInsets.mTop - mMouseInsets.mBottom);
}

}  // namespace Vant
