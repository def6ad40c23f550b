#pragma once
// A visible element of the widget tree: visibility, disabled state, colour
// table, keyboard focus and Tab order, the mouse and key handlers, and the
// text drawing helpers.
#include <string>
#include <vector>

#include "framework/app/WidgetContainer.h"
#include "framework/graphics/Color.h"

namespace Vant {

class Image;

struct Insets {
    int mLeft = 0, mTop = 0, mRight = 0, mBottom = 0;
    Insets() = default;
    Insets(int l, int t, int r, int b) : mLeft(l), mTop(t), mRight(r), mBottom(b) {}
};

class Widget : public WidgetContainer {
public:
    Widget();
    ~Widget() override;

    virtual void OnReordered() {}
    virtual void SetVisible(bool visible);
    virtual void SetColorTableRGBA(const int (*table)[4], int count);
    virtual void SetColorTableRGB(const int (*table)[3], int count);
    virtual void SetColor(int index, const Color& color);
    virtual const Color& GetColorOrDefault(int index, const Color& fallback) const;
    virtual Color GetColor(int index) const;
    virtual void SetDisabled(bool disabled);
    virtual void ShowHandCursor(bool on);
    virtual void ResizeRect(const Rect& rect);
    virtual void Resize(int x, int y, int width, int height);
    virtual void Move(int x, int y);
    virtual bool WantsFocus() { return mWantsFocus; }
    virtual void DrawOverlay(Graphics*) {}
    virtual void GotFocus();
    virtual void LostFocus();
    virtual void KeyChar(char) {}
    virtual void KeyDown(int key);
    virtual void KeyUp(int) {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void MouseMove(int, int) {}
    virtual void MouseDownButton(int, int, int, int) {}
    // clicks: 1 or 2 left, negative right, 3 middle.
    virtual void MouseDown(int x, int y, int clicks);
    virtual void MouseUpButton(int, int, int, int) {}
    virtual void MouseUp(int x, int y, int clicks);
    virtual void MouseUpAt(int, int) {}
    virtual void MouseDrag(int, int) {}
    virtual void MouseWheel(int) {}
    virtual bool AcceptsPoint(int, int) { return true; }
    // Text through the graphics' font; the rectangle covers what was drawn.
    virtual Rect WriteCenteredTextShadowed(Graphics* g, int y, const std::string& text, const Color& color,
                                           const Color& shadow, int offsetX = 1, int offsetY = 2);
    virtual Rect WriteCenteredText(Graphics* g, int y, const std::string& text);
    virtual int WriteString(Graphics* g, const std::string& text, int x, int y, int width = -1,
                            int justification = -1, bool draw = true, int offset = 0, int length = -1);
    virtual int WriteWordWrapped(Graphics* g, const Rect& rect, const std::string& text, int lineSpacing,
                                 int justification);
    virtual int GetWordWrappedHeight(Graphics* g, int width, const std::string& text, int lineSpacing);
    virtual int CountDigits(int number);
    virtual void WriteDigitsFromStrip(Graphics* g, int number, int x, int y, Image* strip, int spacing);
    // x, y in the parent's coordinates.
    virtual bool Contains(int x, int y);
    virtual Rect GetHitRect();

    void SetHitInsets(const Insets& insets) { mMouseInsets = insets; }

    // Whether WriteString and WriteWordWrapped read colour codes; on unless
    // the program turns it off.
    static bool mWriteColoredString;

    bool mVisible = true;
    bool mMouseVisible = true;
    bool mDisabled = false;
    bool mHasFocus = false;
    bool mIsDown = false;
    bool mIsOver = false;
    bool mHasTransparencies = false;
    std::vector<Color> mColors;
    Insets mMouseInsets;
    bool mDoFinger = false;  // hand cursor while over
    bool mWantsFocus = false;
    Widget* mTabPrev = nullptr;
    Widget* mTabNext = nullptr;
};

}  // namespace Vant
