#pragma once
// A text list; lists linked through mPrev/mNext form the columns of one
// multi-column list that hover, select, add, remove and sort together, and
// a scroll bar may drive it.
#include <string>
#include <vector>

#include "framework/app/Listeners.h"
#include "framework/app/Widget.h"

namespace Vant {

class ScrollbarWidget;

class ListWidget : public Widget, public ScrollListener {
public:
    ListWidget(int id, Font* font, ListListener* listener);
    ~ListWidget() override;

    virtual std::string GetSortKey(int line);
    virtual void Sort(bool ascending);
    virtual std::string GetLine(int line);
    // Returns the index of the new line.
    virtual int AddLine(const std::string& text, bool sorted);
    virtual void SetLine(int line, const std::string& text);
    virtual int GetLineCount();
    virtual int GetLineIndex(const std::string& text);
    virtual void SetLineColor(int line, const Color& color);
    virtual void RemoveLine(int line);
    virtual void RemoveAll();
    virtual int GetOptimalWidth();
    virtual int GetOptimalHeight();
    virtual void SetSelect(int line);

    void DetachManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void OnReordered() override;
    void Resize(int x, int y, int width, int height) override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clicks) override;
    void MouseWheel(int delta) override;
    void ScrollPosition(int id, double value) override;

    int LineHeight() const;
    ListWidget* First();
    // Ties a scroll bar to the list: its page and maximum follow the list.
    void SetScrollbar(ScrollbarWidget* scrollbar);

    int mId;
    Font* mFont;  // not owned
    ScrollbarWidget* mScrollbar = nullptr;
    int mJustify = 0;  // 0 left, 1 centred, else right
    std::vector<std::string> mLines;
    std::vector<Color> mLineColors;
    double mPosition = 0.0;
    double mPageSize = 0.0;
    int mHiliteIdx = -1;
    int mSelectIdx = -1;
    ListListener* mListListener;
    ListWidget* mPrev = nullptr;
    ListWidget* mNext = nullptr;
    bool mSortFromChild = false;
    bool mDrawOutline = true;
    int mMaxNumericPlaces = 0;
    int mItemHeight = -1;  // -1: the font's height
    bool mDrawSelectWhenHilited = false;
    bool mDoFingerWhenHilited = true;

private:
    void SetHilite(int line);
    void UpdateScrollMax();
};

}  // namespace Vant
