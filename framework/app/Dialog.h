#pragma once
// The message dialog: a header, word-wrapped lines, a footer and up to two
// dialog buttons (ids 1000 and 1001), dragged by its body.
#include <climits>
#include <string>

#include "framework/app/ButtonWidget.h"
#include "framework/app/Listeners.h"
#include "framework/app/Widget.h"

namespace Vant {

class Dialog : public Widget, public ButtonListener {
public:
    // Button modes: 1 "YES"/"NO", 2 "OK"/"CANCEL", 3 one button labelled
    // with the footer, anything else no buttons.
    Dialog(Image* componentImage, Image* buttonComponentImage, int id, bool modal, const std::string& header,
           const std::string& lines, const std::string& footer, int buttonMode);
    ~Dialog() override;

    static constexpr int kNoResult = INT_MAX;
    static constexpr int kYesButton = 1000;
    static constexpr int kNoButton = 1001;

    virtual void SetButtonFont(Font* font);
    virtual void SetHeaderFont(Font* font);
    virtual void SetLinesFont(Font* font);
    virtual int GetPreferredHeight(int width);
    virtual bool IsModal() { return mIsModal; }
    // Runs the application's updates until a button gives a result or the
    // dialog leaves the screen; with autoClose the dialog is then killed.
    virtual int WaitForResult(bool autoClose = true);

    void AttachManager(WidgetManager* manager) override;
    void DetachManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void OnReordered() override;
    void SetColor(int index, const Color& color) override;
    void Resize(int x, int y, int width, int height) override;
    void MouseDown(int x, int y, int clicks) override;
    void MouseUpAt(int x, int y) override;
    void MouseDrag(int x, int y) override;
    using ButtonListener::ButtonPress;
    void ButtonPress(int id) override;
    void ButtonRelease(int id) override;

    DialogListener* mDialogListener;
    Image* mComponentImage;
    DialogButton* mYesButton = nullptr;
    DialogButton* mNoButton = nullptr;
    std::string mDialogHeader, mDialogFooter, mDialogLines;
    int mButtonMode;
    Font* mHeaderFont = nullptr;  // owned
    Font* mLinesFont = nullptr;   // owned
    int mTextAlign = 0;
    int mLineSpacingOffset = 0;
    int mButtonHeight;
    Insets mBackgroundInsets;
    Insets mContentInsets{24, 24, 24, 24};
    int mSpaceAfterHeader = 10;
    bool mDragging = false;
    int mDragMouseX = 0, mDragMouseY = 0;
    int mId;
    bool mIsModal;
    int mResult = kNoResult;
    int mButtonHorzSpacing = 8;
    int mButtonSidePadding = 0;
};

}  // namespace Vant
