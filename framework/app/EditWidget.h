#pragma once
// The single-line text field: cursor and selection, word jumps, the
// clipboard, one step of undo, length and width limits, and a listener
// that may veto each key's result.
#include <string>
#include <utility>
#include <vector>

#include "framework/app/Listeners.h"
#include "framework/app/Widget.h"

namespace Vant {

class EditWidget : public Widget {
public:
    EditWidget(int id, EditListener* listener);
    ~EditWidget() override;

    virtual void ProcessKey(int keyCode, char c);
    // Keeps a copy; a second font (kept too) also limits the width.
    virtual void SetFont(Font* font, Font* widthCheckFont = nullptr);
    virtual void SetText(const std::string& text, bool leftPosToZero = true);
    virtual bool IsPartOfWord(char c);
    virtual int GetCharAt(int x, int y);
    virtual void FocusCursor(bool bigJump);

    void MarkDirty() override;
    void Update() override;
    void Draw(Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    bool WantsFocus() override { return true; }
    void GotFocus() override;
    void LostFocus() override;
    void KeyChar(char c) override;
    void KeyDown(int key) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(int x, int y, int clicks) override;
    void MouseUp(int x, int y, int clicks) override;
    void MouseDrag(int x, int y) override;

    const std::string& DisplayText();
    bool HasSelection() const { return mHilitePos != -1 && mHilitePos != mCursorPos; }

    int mId;
    std::string mString;
    std::string mPasswordDisplayString;
    Font* mFont = nullptr;  // owned
    std::vector<std::pair<Font*, int>> mWidthCheckList;  // fonts owned; -1: the field's limit
    EditListener* mEditListener;
    bool mShowingCursor = false;
    bool mDrawSelOverride = false;  // selection shown without focus
    int mCursorPos = 0;
    int mHilitePos = -1;  // selection anchor
    int mBlinkAcc = 0;
    int mBlinkDelay = 40;
    int mLeftPos = 0;  // first visible character
    int mMaxChars = -1;
    int mMaxPixels = -1;
    char mPasswordChar = 0;
    std::string mUndoString;
    int mUndoCursor = 0;
    int mUndoHilitePos = -1;
    int mLastModifyIdx = -1;

private:
    Font* EnsureFont();
    int TextWidth(int from, int to);
    void DeleteSelection();
    void InsertText(int at, const std::string& text);
    bool Shift() const;
    bool Ctrl() const;
};

}  // namespace Vant
