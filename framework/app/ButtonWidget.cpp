#include "framework/app/ButtonWidget.h"

#include "framework/app/WidgetManager.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

namespace Vant {

namespace {

const Color kFace(212, 212, 212);
const Color kShade(132, 132, 132);

}  // namespace

ButtonWidget::ButtonWidget(int id, ButtonListener* listener) : mId(id), mButtonListener(listener) {
    mHasAlpha = true;
    SetColor(0, Color(0, 0, 0));
    SetColor(1, Color(0, 0, 0));
}

ButtonWidget::~ButtonWidget() { delete mFont; }

void ButtonWidget::SetFont(Font* font) {
    delete mFont;
    mFont = font ? font->Duplicate() : nullptr;
}

Font* ButtonWidget::LabelFont(int pointSize, bool bold) {
    if (!mFont && !mLabel.empty()) mFont = MakeDefaultFont("SansSerif", pointSize, bold);
    return mFont;
}

void ButtonWidget::DrawButtonImage(Graphics* g, Image* image, const Rect& rect, int x, int y) {
    if (rect.width == 0) {
        if (image) g->DrawImage(image, x, y);
    } else if (mButtonImage) {
        g->DrawImage(mButtonImage, x, y, rect);
    }
}

int ButtonWidget::LabelX(Font* font) const {
    const int w = font->StringWidth(mLabel);
    if (mLabelJustify == 0) return (mWidth - w) / 2;
    if (mLabelJustify == 1) return mWidth - w;
    return 0;
}

void ButtonWidget::DrawBevel(Graphics* g, bool pressed) {
    const int w = mWidth, h = mHeight;
    g->SetColor(kFace);
    g->FillRect(0, 0, w, h);
    if (pressed) {
        g->SetColor(Color(0, 0, 0));
        g->FillRect(0, 0, w - 1, 1);
        g->FillRect(0, 0, 1, h - 1);
        g->SetColor(Color(255, 255, 255));
        g->FillRect(0, h - 1, w, 1);
        g->FillRect(w - 1, 0, 1, h);
        g->SetColor(kShade);
        g->FillRect(1, 1, w - 3, 1);
        g->FillRect(1, 1, 1, h - 3);
    } else {
        g->SetColor(Color(255, 255, 255));
        g->FillRect(0, 0, w - 1, 1);
        g->FillRect(0, 0, 1, h - 1);
        g->SetColor(Color(0, 0, 0));
        g->FillRect(0, h - 1, w, 1);
        g->FillRect(w - 1, 0, 1, h);
        g->SetColor(kShade);
        g->FillRect(1, h - 2, w - 2, 1);
        g->FillRect(w - 2, 1, 1, h - 2);
    }
}

void ButtonWidget::Draw(Graphics* g) {
    if (mBtnNoDraw) return;
    Font* font = LabelFont(10, false);
    const bool pressed = ShowsPressed();
    int labelX = 0, labelY = 0;
    if (font) {
        const int ascent = font->GetAscent();
        labelX = LabelX(font);
        labelY = (mHeight - ascent / 6 + ascent - 1) / 2;
    }
    g->SetFont(font);
    Color labelColor = mIsOver ? GetColor(1) : GetColor(0);
    int shift = 0;

    if (!mButtonImage && !mDownImage) {
        if (!mFrameNoDraw) DrawBevel(g, pressed);
        if (pressed) {
            labelColor = Color(0, 0, 0);
            shift = 1;
        }
    } else if (pressed) {
        if (HaveButtonImage(mDownImage, mDownRect))
            DrawButtonImage(g, mDownImage, mDownRect, 0, 0);
        else if (HaveButtonImage(mOverImage, mOverRect))
            DrawButtonImage(g, mOverImage, mOverRect, 1, 1);
        else
            DrawButtonImage(g, mButtonImage, mNormalRect, 1, 1);
        labelColor = GetColor(1);
        shift = 1;
    } else if (mDisabled && HaveButtonImage(mDisabledImage, mDisabledRect)) {
        DrawButtonImage(g, mDisabledImage, mDisabledRect, 0, 0);
    } else if (mOverAlpha > 0.0 && HaveButtonImage(mOverImage, mOverRect)) {
        DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
        g->SetColorizeImages(true);
        g->SetColor(Color(255, 255, 255, static_cast<int>(mOverAlpha * 255)));
        DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
        g->SetColorizeImages(false);
    } else if ((mIsOver || mIsDown) && HaveButtonImage(mOverImage, mOverRect)) {
        DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
    } else {
        DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
    }
    if (font && !mLabel.empty()) {
        g->SetColor(labelColor);
        g->DrawString(mLabel, labelX + shift, labelY + shift);
    }
}

void ButtonWidget::SetDisabled(bool disabled) {
    Widget::SetDisabled(disabled);
    if (HaveButtonImage(mDisabledImage, mDisabledRect)) MarkDirty();
}

void ButtonWidget::Update() {
    Widget::Update();
    if (mIsDown && mIsOver && mButtonListener) mButtonListener->ButtonHeld(mId);
    const double was = mOverAlpha;
    if (!mIsOver && mOverAlpha > 0.0) {
        mOverAlpha = mOverAlphaSpeed > 0.0 ? std::max(0.0, mOverAlpha - mOverAlphaSpeed) : 0.0;
    } else if (mIsOver && mOverAlphaFadeInSpeed > 0.0 && mOverAlpha < 1.0) {
        mOverAlpha = std::min(1.0, mOverAlpha + mOverAlphaFadeInSpeed);
    }
    if (mOverAlpha != was) MarkDirty();
}

void ButtonWidget::MouseEnter() {
    if (mOverAlphaFadeInSpeed == 0.0 && mOverAlpha > 0.0) mOverAlpha = 0.0;
    const bool unchanged =
        !mIsDown && !HaveButtonImage(mOverImage, mOverRect) && GetColor(1) == GetColor(0);
    if (!unchanged) MarkDirty();
    if (mButtonListener) mButtonListener->ButtonEnter(mId);
}

void ButtonWidget::MouseLeave() {
    if (mOverAlphaSpeed == 0.0 && mOverAlpha > 0.0)
        mOverAlpha = 0.0;
    else if (mOverAlphaSpeed > 0.0 && mOverAlpha == 0.0)
        mOverAlpha = 1.0;
    const bool unchanged =
        !mIsDown && !HaveButtonImage(mOverImage, mOverRect) && GetColor(1) == GetColor(0);
    if (!unchanged) MarkDirty();
    if (mButtonListener) mButtonListener->ButtonLeave(mId);
}

void ButtonWidget::MouseMove(int x, int y) {
    if (mButtonListener) mButtonListener->ButtonMove(mId, x, y);
}

void ButtonWidget::MouseDown(int x, int y, int clicks) {
    Widget::MouseDown(x, y, clicks);
    if (mButtonListener) mButtonListener->ButtonPress(mId, clicks);
    MarkDirty();
}

void ButtonWidget::MouseUpAt(int, int) {
    if (mIsOver && AppHasFocus() && mButtonListener) mButtonListener->ButtonRelease(mId);
    MarkDirty();
}

// ---- dialog button ----

DialogButton::DialogButton(Image* componentImage, int id, ButtonListener* listener)
    : ButtonWidget(id, listener), mComponentImage(componentImage) {
    mDoFinger = true;
    SetColor(0, Color(255, 255, 255));
    SetColor(1, Color(255, 255, 255));
}

void DialogButton::Draw(Graphics* g) {
    if (!mComponentImage) {
        ButtonWidget::Draw(g);
        return;
    }
    if (mBtnNoDraw) return;
    Font* font = LabelFont(12, true);
    const bool pressed = ShowsPressed();
    const int tx = pressed ? mTranslateX : 0, ty = pressed ? mTranslateY : 0;
    if (mNormalRect.width != 0) {
        Rect cel = mNormalRect;
        if (mDisabled && mDisabledRect.width >= 1 && mDisabledRect.height >= 1)
            cel = mDisabledRect;
        else if (pressed && mDownRect.width != 0)
            cel = mDownRect;
        else if (mIsOver && mOverRect.width != 0)
            cel = mOverRect;
        g->DrawImageBox(cel, Rect(0, 0, mWidth, mHeight), mComponentImage);
    } else {
        g->DrawImageBox(Rect(tx, ty, mWidth, mHeight), mComponentImage);
    }
    if (font && !mLabel.empty()) {
        const int ascent = font->GetAscent();
        const int x = (mWidth - font->StringWidth(mLabel)) / 2 + mTextOffsetX;
        const int y = (mHeight - ascent / 6 - font->GetAscentPadding() + ascent - 1) / 2 + mTextOffsetY;
        g->SetFont(font);
        g->SetColor(mIsOver ? GetColor(1) : GetColor(0));
        g->DrawString(mLabel, x + tx, y + ty);
    }
}

// ---- scroll bar arrows ----

ScrollbuttonWidget::ScrollbuttonWidget(int id, ButtonListener* listener, int type)
    : ButtonWidget(id, listener), mType(type) {}

void ScrollbuttonWidget::Draw(Graphics* g) {
    const bool pressed = ShowsPressed();
    if (pressed) {
        g->SetColor(kFace);
        g->FillRect(0, 0, mWidth, mHeight);
        g->SetColor(kShade);
        g->DrawRect(0, 0, mWidth - 1, mHeight - 1);
    } else {
        DrawBevel(g, false);
    }
    const int shift = pressed ? 1 : 0;
    g->SetColor(mDisabled ? kShade : Color(0, 0, 0));
    const int cx = mWidth / 2 + shift, cy = mHeight / 2 + shift;
    const bool sideways = mHorizontal || mType == 3 || mType == 4;
    // Four strokes of 1, 3, 5 and 7 pixels from the apex outwards.
    for (int i = 0; i < 4; ++i) {
        if (!sideways) {
            const bool up = mType != 0 ? mType == 1 : mId == 0;
            const int row = up ? cy - 2 + i : cy + 1 - i;
            g->FillRect(cx - i, row, 2 * i + 1, 1);
        } else {
            const bool left = mType != 0 ? mType == 3 : mId == 0;
            const int col = left ? cx - 2 + i : cx + 1 - i;
            g->FillRect(col, cy - i, 1, 2 * i + 1);
        }
    }
}

}  // namespace Vant
