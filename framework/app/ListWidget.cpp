#include "framework/app/ListWidget.h"

#include <algorithm>
#include <cctype>

#include "framework/app/ScrollbarWidget.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

namespace Vant {

namespace {

int CompareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

ListWidget::ListWidget(int id, Font* font, ListListener* listener) : mId(id), mFont(font), mListListener(listener) {
    SetColor(0, Color(255, 255, 255));
    SetColor(1, Color(255, 255, 255));
    SetColor(2, Color(0, 0, 0));
    SetColor(3, Color(0, 192, 0));
    SetColor(4, Color(0, 0, 128));
    SetColor(5, Color(255, 255, 255));
}

ListWidget::~ListWidget() = default;

int ListWidget::LineHeight() const {
    if (mItemHeight != -1) return mItemHeight;
    return mFont ? mFont->GetHeight() : 0;
}

ListWidget* ListWidget::First() {
    ListWidget* l = this;
    while (l->mPrev) l = l->mPrev;
    return l;
}

void ListWidget::SetScrollbar(ScrollbarWidget* scrollbar) {
    mScrollbar = scrollbar;
    if (!scrollbar) return;
    scrollbar->mScrollListener = this;
    scrollbar->SetPageSize(mPageSize);
    scrollbar->SetMaxValue(static_cast<double>(mLines.size()));
}

void ListWidget::UpdateScrollMax() {
    for (ListWidget* l = First(); l; l = l->mNext)
        if (l->mScrollbar) l->mScrollbar->SetMaxValue(static_cast<double>(l->mLines.size()));
}

std::string ListWidget::GetSortKey(int line) {
    std::string key = mLines[static_cast<std::size_t>(line)];
    if (static_cast<int>(key.size()) < mMaxNumericPlaces)
        key.insert(0, static_cast<std::size_t>(mMaxNumericPlaces) - key.size(), '0');
    if (mNext) {
        const std::string next = mNext->GetSortKey(line);
        key = mSortFromChild ? next + key : key + next;
    }
    return key;
}

void ListWidget::Sort(bool ascending) {
    const int count = static_cast<int>(mLines.size());
    std::vector<int> order(static_cast<std::size_t>(count));
    std::vector<std::string> keys(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        order[static_cast<std::size_t>(i)] = i;
        keys[static_cast<std::size_t>(i)] = GetSortKey(i);
    }
    for (int i = 0; i < count - 1; ++i)
        for (int j = 0; j < count - 1 - i; ++j) {
            const int c = keys[static_cast<std::size_t>(j)].compare(keys[static_cast<std::size_t>(j + 1)]);
            if (ascending ? c > 0 : c < 0) {
                std::swap(keys[static_cast<std::size_t>(j)], keys[static_cast<std::size_t>(j + 1)]);
                std::swap(order[static_cast<std::size_t>(j)], order[static_cast<std::size_t>(j + 1)]);
            }
        }
    for (ListWidget* l = First(); l; l = l->mNext) {
        if (static_cast<int>(l->mLines.size()) != count) continue;
        std::vector<std::string> lines;
        std::vector<Color> colors;
        for (int i : order) {
            lines.push_back(l->mLines[static_cast<std::size_t>(i)]);
            colors.push_back(l->mLineColors[static_cast<std::size_t>(i)]);
        }
        l->mLines = std::move(lines);
        l->mLineColors = std::move(colors);
        l->MarkDirty();
    }
}

std::string ListWidget::GetLine(int line) {
    if (line < 0 || line >= static_cast<int>(mLines.size())) return std::string();
    return mLines[static_cast<std::size_t>(line)];
}

int ListWidget::AddLine(const std::string& text, bool sorted) {
    int at = static_cast<int>(mLines.size());
    if (sorted) {
        for (int i = 0; i < static_cast<int>(mLines.size()); ++i)
            if (CompareNoCase(mLines[static_cast<std::size_t>(i)], text) > 0) {
                at = i;
                break;
            }
    }
    for (ListWidget* l = First(); l; l = l->mNext) {
        const int pos = std::min(at, static_cast<int>(l->mLines.size()));
        l->mLines.insert(l->mLines.begin() + pos, l == this ? text : std::string("-"));
        l->mLineColors.insert(l->mLineColors.begin() + pos, l->GetColor(2));
        l->MarkDirty();
    }
    UpdateScrollMax();
    return at;
}

void ListWidget::SetLine(int line, const std::string& text) {
    if (line < 0 || line >= static_cast<int>(mLines.size())) return;
    mLines[static_cast<std::size_t>(line)] = text;
    MarkDirty();
}

int ListWidget::GetLineCount() { return static_cast<int>(mLines.size()); }

int ListWidget::GetLineIndex(const std::string& text) {
    for (int i = 0; i < static_cast<int>(mLines.size()); ++i)
        if (mLines[static_cast<std::size_t>(i)] == text) return i;
    return -1;
}

void ListWidget::SetLineColor(int line, const Color& color) {
    for (ListWidget* l = First(); l; l = l->mNext) {
        if (line < 0 || line >= static_cast<int>(l->mLineColors.size())) continue;
        l->mLineColors[static_cast<std::size_t>(line)] = color;
        l->MarkDirty();
    }
}

void ListWidget::RemoveLine(int line) {
    for (ListWidget* l = First(); l; l = l->mNext) {
        if (line < 0 || line >= static_cast<int>(l->mLines.size())) continue;
        l->mLines.erase(l->mLines.begin() + line);
        l->mLineColors.erase(l->mLineColors.begin() + line);
        l->MarkDirty();
    }
    UpdateScrollMax();
}

void ListWidget::RemoveAll() {
    for (ListWidget* l = First(); l; l = l->mNext) {
        l->mLines.clear();
        l->mLineColors.clear();
        l->mHiliteIdx = -1;
        l->mSelectIdx = -1;
        l->MarkDirty();
    }
    UpdateScrollMax();
}

int ListWidget::GetOptimalWidth() {
    int widest = 0;
    if (mFont)
        for (const std::string& line : mLines) widest = std::max(widest, mFont->StringWidth(line));
    return widest + 16;
}

int ListWidget::GetOptimalHeight() { return static_cast<int>(mLines.size()) * LineHeight() + 8; }

void ListWidget::SetSelect(int line) {
    for (ListWidget* l = First(); l; l = l->mNext) {
        l->mSelectIdx = line;
        l->MarkDirty();
    }
}

void ListWidget::DetachManager(WidgetManager* manager) {
    Widget::DetachManager(manager);
    if (mListListener) mListListener->ListClosed(mId);
}

void ListWidget::OnReordered() {
    if (!mParent) return;
    if (mNext) mParent->PlaceAbove(mNext, this);
    if (mScrollbar) mParent->PlaceAbove(mScrollbar, mNext ? mNext : this);
}

void ListWidget::Resize(int x, int y, int width, int height) {
    Widget::Resize(x, y, width, height);
    const int lh = LineHeight();
    mPageSize = lh > 0 && height > lh + 8 ? static_cast<double>(height - 8) / lh : 1.0;
    if (mScrollbar) mScrollbar->SetPageSize(mPageSize);
}

void ListWidget::SetHilite(int line) {
    for (ListWidget* l = First(); l; l = l->mNext) {
        const int old = l->mHiliteIdx;
        l->mHiliteIdx = line;
        if (old != line && l->mListListener) l->mListListener->ListHiliteChanged(l->mId, old, line);
        l->MarkDirty();
    }
}

void ListWidget::MouseMove(int, int y) {
    const int lh = LineHeight();
    int line = lh > 0 ? static_cast<int>(static_cast<double>(y - 4) / lh + mPosition) : -1;
    if (line < 0 || line >= static_cast<int>(mLines.size())) line = -1;
    if (line == mHiliteIdx) return;
    SetHilite(line);
    SetAppCursor(line != -1 && mDoFingerWhenHilited ? 1 : 0);
}

void ListWidget::MouseLeave() {
    SetHilite(-1);
    SetAppCursor(0);
}

void ListWidget::MouseDown(int x, int y, int clicks) {
    Widget::MouseDown(x, y, clicks);
    if (mHiliteIdx != -1 && mListListener) mListListener->ListClicked(mId, mHiliteIdx, clicks);
}

void ListWidget::MouseWheel(int delta) {
    if (!mScrollbar || delta == 0) return;
    mScrollbar->SetValue(mScrollbar->mValue + (delta > 0 ? -5.0 : 5.0));
}

void ListWidget::ScrollPosition(int id, double value) {
    if (mNext) mNext->ScrollPosition(id, value);
    mPosition = value;
    MarkDirty();
}

void ListWidget::Draw(Graphics* g) {
    g->SetColor(GetColor(0));
    g->FillRect(0, 0, mWidth, mHeight);
    const int lh = LineHeight();
    const int count = static_cast<int>(mLines.size());
    if (mFont && lh > 0 && count > 0) {
        Graphics text(*g);
        text.ClipRect(4, 4, mWidth - 8, mHeight - 8);
        text.SetFont(mFont);
        Graphics bars(*g);
        bars.ClipRect(0, 4, mWidth, mHeight - 8);
        const int first = std::max(0, static_cast<int>(mPosition));
        const int last = std::min(first + static_cast<int>(mPageSize) + 1, count - 1);
        for (int i = first; i <= last; ++i) {
            const int y = static_cast<int>((i - mPosition) * lh) + 4;
            if (i == mSelectIdx || (i == mHiliteIdx && mDrawSelectWhenHilited)) {
                bars.SetColor(GetColor(4));
                bars.FillRect(0, y, mWidth, lh);
            }
            Color color = mLineColors[static_cast<std::size_t>(i)];
            if (i == mHiliteIdx)
                color = GetColor(3);
            else if (i == mSelectIdx && mColors.size() > 5)
                color = GetColor(5);
            const std::string& line = mLines[static_cast<std::size_t>(i)];
            const int w = mFont->StringWidth(line);
            const int x = mJustify == 0 ? 4 : mJustify == 1 ? (mWidth - w) / 2 : mWidth - w - 4;
            const int top = mItemHeight != -1 ? y + (lh - mFont->GetHeight()) / 2 : y;
            text.SetColor(color);
            text.DrawString(line, x, top + mFont->GetAscent());
        }
    }
    if (mDrawOutline) {
        g->SetColor(GetColor(1));
        g->DrawRect(0, 0, mWidth - 1, mHeight - 1);
    }
}

}  // namespace Vant
