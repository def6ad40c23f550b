#pragma once
// The push button, the dialog button drawn from a 3x3-cel box image and the
// arrow buttons of a scroll bar.
#include <string>

#include "framework/app/Listeners.h"
#include "framework/app/Widget.h"

namespace Vant {

class ButtonWidget : public Widget {
public:
    ButtonWidget(int id, ButtonListener* listener);
    ~ButtonWidget() override;

    virtual void DrawButtonImage(Graphics* g, Image* image, const Rect& rect, int x, int y);
    // Keeps a copy of the font.
    virtual void SetFont(Font* font);
    virtual bool IsButtonDown() { return mIsDown && mIsOver && !mDisabled; }

    void Update() override;
    void Draw(Graphics* g) override;
    void SetDisabled(bool disabled) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clicks) override;
    void MouseUpAt(int x, int y) override;

    bool HaveButtonImage(Image* image, const Rect& rect) const { return image || rect.width != 0; }
    // The pressed look: pressed over the button, or the reverse when inverted.
    bool ShowsPressed() { return IsButtonDown() != mInverted; }

    int mId;
    std::string mLabel;
    int mLabelJustify = 0;  // 0 centred, 1 right, else left
    Font* mFont = nullptr;  // owned
    Image* mButtonImage = nullptr;
    Image* mOverImage = nullptr;
    Image* mDownImage = nullptr;
    Image* mDisabledImage = nullptr;
    Rect mNormalRect, mOverRect, mDownRect, mDisabledRect;  // cels of the normal image
    bool mInverted = false;
    bool mBtnNoDraw = false;
    bool mFrameNoDraw = false;
    ButtonListener* mButtonListener;
    double mOverAlpha = 0.0;
    double mOverAlphaSpeed = 0.0;        // fading out
    double mOverAlphaFadeInSpeed = 0.0;  // fading in

protected:
    // Ensures a font for the label: the given default system font when none.
    Font* LabelFont(int pointSize, bool bold);
    void DrawBevel(Graphics* g, bool pressed);
    int LabelX(Font* font) const;
};

class DialogButton : public ButtonWidget {
public:
    DialogButton(Image* componentImage, int id, ButtonListener* listener);
    void Draw(Graphics* g) override;

    Image* mComponentImage;  // not owned
    int mTranslateX = 1, mTranslateY = 1;  // pressed offset
    int mTextOffsetX = 0, mTextOffsetY = 0;
};

class ScrollbuttonWidget : public ButtonWidget {
public:
    // Arrow type: 0 by the id, 1 up, 2 down, 3 left, 4 right.
    ScrollbuttonWidget(int id, ButtonListener* listener, int type = 0);
    void Draw(Graphics* g) override;

    bool mHorizontal = false;
    int mType;
};

}  // namespace Vant
