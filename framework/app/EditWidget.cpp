#include "framework/app/EditWidget.h"

#include <algorithm>

#include "framework/app/VantAppBase.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

namespace Vant {

namespace {

constexpr int kShift = 16, kCtrl = 17;

}  // namespace

EditWidget::EditWidget(int id, EditListener* listener) : mId(id), mEditListener(listener) {
    mWantsFocus = true;
    SetColor(0, Color(255, 255, 255));
    SetColor(1, Color(0, 0, 0));
    SetColor(2, Color(0, 0, 0));
    SetColor(3, Color(0, 0, 0));
    SetColor(4, Color(255, 255, 255));
}

EditWidget::~EditWidget() {
    delete mFont;
    for (auto& [font, width] : mWidthCheckList) delete font;
}

Font* EditWidget::EnsureFont() {
    if (!mFont) mFont = MakeDefaultFont("SansSerif", 10, false);
    return mFont;
}

void EditWidget::SetFont(Font* font, Font* widthCheckFont) {
    delete mFont;
    mFont = font ? font->Duplicate() : nullptr;
    for (auto& [f, width] : mWidthCheckList) delete f;
    mWidthCheckList.clear();
    if (widthCheckFont) mWidthCheckList.emplace_back(widthCheckFont->Duplicate(), -1);
}

const std::string& EditWidget::DisplayText() {
    if (mPasswordChar == 0) return mString;
    mPasswordDisplayString.assign(mString.size(), mPasswordChar);
    return mPasswordDisplayString;
}

int EditWidget::TextWidth(int from, int to) {
    const std::string& text = DisplayText();
    from = std::clamp(from, 0, static_cast<int>(text.size()));
    to = std::clamp(to, 0, static_cast<int>(text.size()));
    if (!mFont || to <= from) return 0;
    return mFont->StringWidth(text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
}

bool EditWidget::Shift() const { return mWidgetManager && mWidgetManager->IsKeyDown(kShift); }

bool EditWidget::Ctrl() const { return mWidgetManager && mWidgetManager->IsKeyDown(kCtrl); }

bool EditWidget::IsPartOfWord(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_';
}

void EditWidget::DeleteSelection() {
    const int a = std::min(mCursorPos, mHilitePos), b = std::max(mCursorPos, mHilitePos);
    mString.erase(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
    mCursorPos = a;
    mHilitePos = -1;
}

void EditWidget::InsertText(int at, const std::string& text) {
    mString.insert(static_cast<std::size_t>(at), text);
    mCursorPos = at + static_cast<int>(text.size());
}

void EditWidget::ProcessKey(int keyCode, char c) {
    if (keyCode == kShift || keyCode == kCtrl) return;
    const bool shift = Shift(), ctrl = Ctrl();
    if (shift && (mHilitePos == -1 || mHilitePos == mCursorPos)) mHilitePos = mCursorPos;
    const std::string oldString = mString;
    const int oldCursor = mCursorPos, oldHilite = mHilitePos;
    const int len = static_cast<int>(mString.size());
    const unsigned char uc = static_cast<unsigned char>(c);
    VantAppBase* app = mWidgetManager ? mWidgetManager->mApp : nullptr;
    bool newUndoStep = false;
    bool keepSelection = false;

    auto word = [&](int i) { return IsPartOfWord(mString[static_cast<std::size_t>(i)]); };
    if (c == 3 || c == 24) {
        if (HasSelection()) {
            const int a = std::min(mCursorPos, mHilitePos), b = std::max(mCursorPos, mHilitePos);
            if (app) app->CopyToClipboard(DisplayText().substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)));
            if (c == 24) {
                DeleteSelection();
                newUndoStep = true;
            } else {
                keepSelection = true;
            }
        }
    } else if (c == 22) {
        std::string clip = app ? app->GetClipboard() : std::string();
        clip = clip.substr(0, clip.find_first_of("\r\n"));
        std::string kept;
        for (char ch : clip)
            if (EnsureFont() && mFont->CharWidth(ch) > 0 && (!mEditListener || mEditListener->AllowChar(mId, ch)))
                kept += ch;
        if (HasSelection()) DeleteSelection();
        InsertText(mCursorPos, kept);
        mHilitePos = -1;
        newUndoStep = true;
    } else if (c == 26) {
        std::swap(mString, mUndoString);
        std::swap(mCursorPos, mUndoCursor);
        std::swap(mHilitePos, mUndoHilitePos);
        mLastModifyIdx = -1;
    } else if (keyCode == 37) {
        if (ctrl) {
            while (mCursorPos > 0 && !word(mCursorPos - 1)) --mCursorPos;
            while (mCursorPos > 0 && word(mCursorPos - 1)) --mCursorPos;
        } else if (!shift && HasSelection()) {
            mCursorPos = std::min(mCursorPos, mHilitePos);
        } else {
            --mCursorPos;
        }
    } else if (keyCode == 39) {
        if (ctrl) {
            while (mCursorPos < len && word(mCursorPos)) ++mCursorPos;
            while (mCursorPos < len && !word(mCursorPos)) ++mCursorPos;
        } else if (!shift && HasSelection()) {
            mCursorPos = std::max(mCursorPos, mHilitePos);
        } else {
            ++mCursorPos;
        }
    } else if ((keyCode == 8 || keyCode == 46) && !mString.empty()) {
        if (HasSelection()) {
            DeleteSelection();
            newUndoStep = true;
            mLastModifyIdx = -1;
        } else if (keyCode == 8 && mCursorPos > 0) {
            newUndoStep = mCursorPos != mLastModifyIdx;
            mString.erase(static_cast<std::size_t>(mCursorPos - 1), 1);
            mLastModifyIdx = --mCursorPos;
        } else if (keyCode == 46 && mCursorPos < len) {
            newUndoStep = mCursorPos != mLastModifyIdx;
            mString.erase(static_cast<std::size_t>(mCursorPos), 1);
            mLastModifyIdx = mCursorPos;
        }
    } else if (keyCode == 36) {
        mCursorPos = 0;
    } else if (keyCode == 35) {
        mCursorPos = len;
    } else if (keyCode == 13) {
        if (mEditListener) mEditListener->EditTextEntered(mId, mString);
    } else {
        // Above ASCII only 192..255 is typed, and only what the font draws.
        const bool printable = (uc >= 32 && uc <= 126) || (uc >= 192 && EnsureFont() && mFont->CharWidth(c) > 0);
        if (printable && (!mEditListener || mEditListener->AllowChar(mId, c))) {
            if (HasSelection()) {
                DeleteSelection();
                mLastModifyIdx = -1;
            }
            newUndoStep = mCursorPos != mLastModifyIdx;
            InsertText(mCursorPos, std::string(1, c));
            mLastModifyIdx = mCursorPos;
            // What was typed is not selected, even with Shift held for a
            // capital letter.
            mHilitePos = -1;
            FocusCursor(false);
        }
    }

    // Limits: characters, then pixel widths.
    if (mMaxChars >= 0 && static_cast<int>(mString.size()) > mMaxChars) mString.resize(static_cast<std::size_t>(mMaxChars));
    std::vector<std::pair<Font*, int>> checks = mWidthCheckList;
    if (checks.empty()) checks.emplace_back(mFont, mMaxPixels);
    for (const auto& [font, width] : checks) {
        const int limit = width == -1 ? mMaxPixels : width;
        if (!font || limit < 0) continue;
        while (!mString.empty() && font->StringWidth(DisplayText()) > limit) mString.pop_back();
    }
    mCursorPos = std::clamp(mCursorPos, 0, static_cast<int>(mString.size()));
    if (mCursorPos != oldCursor) {
        mBlinkAcc = 0;
        mShowingCursor = true;
    }
    FocusCursor(true);
    if (!keepSelection && (!shift || mHilitePos == mCursorPos)) mHilitePos = -1;
    if (mHilitePos > static_cast<int>(mString.size())) mHilitePos = static_cast<int>(mString.size());

    if (mEditListener && !mEditListener->AllowText(mId, mString)) {
        mString = oldString;
        mCursorPos = oldCursor;
        mHilitePos = oldHilite;
    } else if (newUndoStep && mString != oldString) {
        mUndoString = oldString;
        mUndoCursor = oldCursor;
        mUndoHilitePos = oldHilite;
    }
    MarkDirty();
}

void EditWidget::FocusCursor(bool bigJump) {
    const int step = bigJump ? 10 : 1;
    while (mCursorPos < mLeftPos) mLeftPos = std::max(0, mLeftPos - step);
    const int len = static_cast<int>(mString.size());
    if (!mFont || mWidth <= 8) return;
    while (mLeftPos < len - 1 && TextWidth(mLeftPos, mCursorPos) >= mWidth - 8)
        mLeftPos = std::min(mLeftPos + step, len - 1);
}

int EditWidget::GetCharAt(int x, int) {
    const int len = static_cast<int>(DisplayText().size());
    for (int i = mLeftPos; i < len; ++i) {
        const int before = TextWidth(mLeftPos, i), after = TextWidth(mLeftPos, i + 1);
        if (x < (before + after) / 2 + 5) return i;
    }
    return len;
}

void EditWidget::SetText(const std::string& text, bool leftPosToZero) {
    mString = text;
    mCursorPos = static_cast<int>(mString.size());
    mHilitePos = 0;
    if (leftPosToZero)
        mLeftPos = 0;
    else
        FocusCursor(true);
    MarkDirty();
}

void EditWidget::MarkDirty() {
    // A see-through background shows what lies under the field.
    if (GetColor(0).a == 255)
        Widget::MarkDirty();
    else
        Widget::MarkAreaDirty();
}

void EditWidget::Update() {
    Widget::Update();
    if (!mHasFocus) return;
    if (++mBlinkAcc > mBlinkDelay) {
        mBlinkAcc = 0;
        mShowingCursor = !mShowingCursor;
        MarkDirty();
    }
}

void EditWidget::Resize(int x, int y, int width, int height) {
    Widget::Resize(x, y, width, height);
    FocusCursor(false);
}

void EditWidget::GotFocus() {
    Widget::GotFocus();
    mShowingCursor = true;
    mBlinkAcc = 0;
    MarkDirty();
}

void EditWidget::LostFocus() {
    Widget::LostFocus();
    mShowingCursor = false;
    MarkDirty();
}

void EditWidget::KeyChar(char c) { ProcessKey(0, c); }

void EditWidget::KeyDown(int key) {
    // Letters come as characters; 'Z' is not among them.
    if (key < 65 || key > 89) {
        if (!mEditListener || mEditListener->AllowKey(mId, key)) ProcessKey(key, 0);
    }
    Widget::KeyDown(key);
}

void EditWidget::MouseEnter() { SetAppCursor(3); }

void EditWidget::MouseLeave() { SetAppCursor(0); }

void EditWidget::MouseDown(int x, int y, int clicks) {
    Widget::MouseDown(x, y, clicks);
    mHilitePos = -1;
    EnsureFont();
    mCursorPos = GetCharAt(x, y);
    const int len = static_cast<int>(mString.size());
    if (clicks >= 2 && mCursorPos < len) {
        mHilitePos = mCursorPos;
        while (mHilitePos > 0 && IsPartOfWord(mString[static_cast<std::size_t>(mHilitePos - 1)])) --mHilitePos;
        while (mCursorPos < len && IsPartOfWord(mString[static_cast<std::size_t>(mCursorPos)])) ++mCursorPos;
        if (mCursorPos < len) ++mCursorPos;
    }
    MarkDirty();
    FocusCursor(false);
}

void EditWidget::MouseDrag(int x, int y) {
    if (mHilitePos == -1) mHilitePos = mCursorPos;
    mCursorPos = GetCharAt(x, y);
    MarkDirty();
    FocusCursor(false);
}

void EditWidget::MouseUp(int x, int y, int clicks) {
    Widget::MouseUp(x, y, clicks);
    if (mHilitePos == mCursorPos) mHilitePos = -1;
}

void EditWidget::Draw(Graphics* g) {
    Font* font = EnsureFont();
    g->SetColor(GetColor(0));
    g->FillRect(0, 0, mWidth, mHeight);
    if (font) {
        const std::string text = DisplayText().substr(static_cast<std::size_t>(std::min<int>(mLeftPos, static_cast<int>(DisplayText().size()))));
        const int top = (mHeight - font->GetHeight()) / 2;
        const int baseline = top + font->GetAscent();
        g->SetFont(font);
        Graphics plain(*g);
        plain.ClipRect(4, 0, mWidth - 8, mHeight);
        plain.SetColor(GetColor(2));
        plain.DrawString(text, 4, baseline);

        int from = 0, to = 0;
        bool mark = false;
        if (HasSelection() && (mHasFocus || mDrawSelOverride)) {
            from = TextWidth(mLeftPos, std::min(mCursorPos, mHilitePos));
            to = TextWidth(mLeftPos, std::max(mCursorPos, mHilitePos));
            mark = true;
        } else if (mHasFocus && mShowingCursor) {
            from = TextWidth(mLeftPos, mCursorPos);
            to = from + 2;
            mark = true;
        }
        if (mark) {
            from = std::clamp(from, 0, mWidth - 8);
            to = std::clamp(to, 0, mWidth - 8);
            Graphics marked(*g);
            marked.ClipRect(4 + from, top, to - from, font->GetHeight());
            marked.SetColor(GetColor(3));
            marked.FillRect(0, 0, mWidth, mHeight);
            marked.SetColor(GetColor(4));
            marked.DrawString(text, 4, baseline);
        }
    }
    g->SetColor(GetColor(1));
    g->DrawRect(0, 0, mWidth - 1, mHeight - 1);
}

}  // namespace Vant
