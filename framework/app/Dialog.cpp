#include "framework/app/Dialog.h"

#include <algorithm>

#include "framework/app/VantAppBase.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"

namespace Vant {

Dialog::Dialog(Image* componentImage, Image* buttonComponentImage, int id, bool modal, const std::string& header,
               const std::string& lines, const std::string& footer, int buttonMode)
    : mDialogListener(VantAppBase::gApp),
      mComponentImage(componentImage),
      mDialogHeader(header),
      mDialogFooter(footer),
      mDialogLines(lines),
      mButtonMode(buttonMode),
      mButtonHeight(buttonComponentImage ? buttonComponentImage->height : 24),
      mId(id),
      mIsModal(modal) {
    mHasAlpha = true;
    mHasTransparencies = true;
    mPriority = 1;
    const int colors[][3] = {{255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {255, 255, 255},
                             {255, 255, 255}, {80, 80, 80},  {255, 255, 255}};
    SetColorTableRGB(colors, 7);
    mHeaderFont = MakeDefaultFont("SansSerif", 14, false);
    mLinesFont = MakeDefaultFont("SansSerif", 12, false);

    VantAppBase* app = VantAppBase::gApp;
    auto text = [app](const char* key, const char* fallback) {
        return app ? app->GetString(key, fallback) : std::string(fallback);
    };
    if (buttonMode == 1 || buttonMode == 2 || buttonMode == 3) {
        mYesButton = new DialogButton(buttonComponentImage, kYesButton, this);
        mYesButton->mLabel = buttonMode == 1 ? "YES" : buttonMode == 2 ? text("DIALOG_BUTTON_OK", "OK") : footer;
    }
    if (buttonMode == 1 || buttonMode == 2) {
        mNoButton = new DialogButton(buttonComponentImage, kNoButton, this);
        mNoButton->mLabel = buttonMode == 1 ? "NO" : text("DIALOG_BUTTON_CANCEL", "CANCEL");
    }
}

Dialog::~Dialog() {
    for (DialogButton* b : {mYesButton, mNoButton}) {
        if (b && b->mParent) b->mParent->RemoveWidget(b);
        delete b;
    }
    delete mHeaderFont;
    delete mLinesFont;
}

void Dialog::SetButtonFont(Font* font) {
    if (mYesButton) mYesButton->SetFont(font);
    if (mNoButton) mNoButton->SetFont(font);
}

void Dialog::SetHeaderFont(Font* font) {
    delete mHeaderFont;
    mHeaderFont = font ? font->Duplicate() : nullptr;
}

void Dialog::SetLinesFont(Font* font) {
    delete mLinesFont;
    mLinesFont = font ? font->Duplicate() : nullptr;
}

int Dialog::GetPreferredHeight(int width) {
    const Insets& b = mBackgroundInsets;
    const Insets& c = mContentInsets;
    int height = b.mTop + b.mBottom + c.mTop + c.mBottom;
    bool above = false;
    if (!mDialogHeader.empty() && mHeaderFont) {
        height += mHeaderFont->GetHeight() - mHeaderFont->GetAscentPadding();
        above = true;
    }
    if (!mDialogLines.empty() && mLinesFont) {
        if (above) height += mSpaceAfterHeader;
        Graphics g;
        g.SetFont(mLinesFont);
        height += g.GetWordWrappedHeight(width - c.mLeft - c.mRight - b.mLeft - b.mRight - 4, mDialogLines,
                                         mLinesFont->GetLineSpacing() + mLineSpacingOffset);
        above = true;
    }
    if (!mDialogFooter.empty() && mButtonMode != 3 && mHeaderFont) {
        if (above) height += 8;
        height += mHeaderFont->GetLineSpacing();
        above = true;
    }
    if (mYesButton) {
        if (above) height += 8;
        height += 8 + mButtonHeight;
    }
    return height;
}

void Dialog::AttachManager(WidgetManager* manager) {
    Widget::AttachManager(manager);
    if (mYesButton) manager->AddWidget(mYesButton);
    if (mNoButton) manager->AddWidget(mNoButton);
}

void Dialog::DetachManager(WidgetManager* manager) {
    Widget::DetachManager(manager);
    if (mYesButton) manager->RemoveWidget(mYesButton);
    if (mNoButton) manager->RemoveWidget(mNoButton);
}

void Dialog::OnReordered() {
    if (!mParent) return;
    if (mYesButton) mParent->PlaceAbove(mYesButton, this);
    if (mNoButton) mParent->PlaceAbove(mNoButton, mYesButton ? static_cast<Widget*>(mYesButton) : this);
}

void Dialog::SetColor(int index, const Color& color) {
    Widget::SetColor(index, color);
    for (DialogButton* b : {mYesButton, mNoButton}) {
        if (!b) continue;
        if (index == 3) b->SetColor(0, color);
        if (index == 4) b->SetColor(1, color);
    }
}

void Dialog::Resize(int x, int y, int width, int height) {
    Widget::Resize(x, y, width, height);
    const Insets& b = mBackgroundInsets;
    const Insets& c = mContentInsets;
    const int buttonY = y + height - c.mBottom - b.mBottom - mButtonHeight;
    if (mYesButton && mNoButton) {
        const int w = (width - c.mRight - b.mRight - b.mLeft - c.mLeft - mButtonHorzSpacing - 2 * mButtonSidePadding) / 2;
        const int yesX = x + b.mLeft + c.mLeft + mButtonSidePadding;
        mYesButton->Resize(yesX, buttonY, w, mButtonHeight);
        mNoButton->Resize(yesX + w + mButtonHorzSpacing, buttonY, w, mButtonHeight);
    } else if (mYesButton) {
        const int left = x + b.mLeft + c.mLeft;
        mYesButton->Resize(left, buttonY, x + width - c.mRight - b.mRight - left, mButtonHeight);
    }
}

void Dialog::Draw(Graphics* g) {
    const Insets& b = mBackgroundInsets;
    const Insets& c = mContentInsets;
    if (!mComponentImage) {
        g->SetColor(GetColor(6));
        g->DrawRect(12, 12, mWidth - 25, mHeight - 25);
        g->SetColor(GetColor(5));
        g->FillRect(13, 13, mWidth - 26, mHeight - 26);
        g->SetColor(Color(0, 0, 0, 128));
        g->FillRect(mWidth - 12, 24, 12, mHeight - 36);
        g->FillRect(24, mHeight - 12, mWidth - 24, 12);
    } else {
        g->DrawImageBox(Rect(b.mLeft, b.mTop, mWidth - b.mLeft - b.mRight, mHeight - b.mTop - b.mBottom),
                        mComponentImage);
    }
    int y = c.mTop + b.mTop;
    bool above = false;
    if (!mDialogHeader.empty() && mHeaderFont) {
        g->SetFont(mHeaderFont);
        g->SetColor(GetColor(0));
        WriteCenteredText(g, y + mHeaderFont->GetAscent() - mHeaderFont->GetAscentPadding(), mDialogHeader);
        y += mHeaderFont->GetHeight() - mHeaderFont->GetAscentPadding();
        above = true;
    }
    if (!mDialogLines.empty() && mLinesFont) {
        if (above) y += mSpaceAfterHeader;
        g->SetFont(mLinesFont);
        g->SetColor(GetColor(1));
        y += WriteWordWrapped(g, Rect(b.mLeft + c.mLeft + 2, y, mWidth - c.mLeft - c.mRight - b.mLeft - b.mRight - 4, mHeight),
                              mDialogLines, mLinesFont->GetLineSpacing() + mLineSpacingOffset, mTextAlign);
        above = true;
    }
    if (!mDialogFooter.empty() && mButtonMode != 3 && mHeaderFont) {
        g->SetFont(mHeaderFont);
        g->SetColor(GetColor(2));
        WriteCenteredText(g, y + (above ? 8 : 0) + mHeaderFont->GetAscent(), mDialogFooter);
    }
}

void Dialog::ButtonPress(int id) {
    if (id != kYesButton && id != kNoButton) return;
    if (mDialogListener) mDialogListener->DialogPress(mId, id);
}

void Dialog::ButtonRelease(int id) {
    if (id != kYesButton && id != kNoButton) return;
    mResult = id;
    if (mDialogListener) mDialogListener->DialogRelease(mId, id);
}

void Dialog::MouseDown(int x, int y, int clicks) {
    Widget::MouseDown(x, y, clicks);
    if (clicks != 1) return;
    mDragging = true;
    mDragMouseX = x;
    mDragMouseY = y;
    SetAppCursor(2);
}

void Dialog::MouseDrag(int x, int y) {
    if (!mDragging || !mWidgetManager) return;
    // Kept within 8 pixels beyond each edge of the screen.
    const int screenW = mWidgetManager->mWidth, screenH = mWidgetManager->mHeight;
    const int nx = std::clamp(mX + x - mDragMouseX, -8, std::max(-8, screenW - mWidth + 8));
    const int ny = std::clamp(mY + y - mDragMouseY, -8, std::max(-8, screenH - mHeight + 8));
    mDragMouseX = std::clamp(mDragMouseX, 8, std::max(8, mWidth - 9));
    mDragMouseY = std::clamp(mDragMouseY, 8, std::max(8, mHeight - 9));
    Move(nx, ny);
}

void Dialog::MouseUpAt(int, int) {
    mDragging = false;
    SetAppCursor(0);
}

int Dialog::WaitForResult(bool autoClose) {
    VantAppBase* app = mWidgetManager ? mWidgetManager->mApp : VantAppBase::gApp;
    if (!app) return mResult;
    while (mWidgetManager && mResult == kNoResult && app->UpdateApp()) {
    }
    const int result = mResult;
    if (autoClose) app->KillDialog(mId);
    return result;
}

}  // namespace Vant
