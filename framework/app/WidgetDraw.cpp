// Drawing of the widget tree: the draw pass of the manager, each node's
// walk over its children, deferred overlays and the text helpers.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "framework/app/VantAppBase.h"
#include "framework/app/Widget.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

namespace Vant {

namespace {

// Puts the flag words back however the walk ends.
struct FlagsRestorer {
    ModalFlags& flags;
    int over, under;
    explicit FlagsRestorer(ModalFlags& f) : flags(f), over(f.mOverFlags), under(f.mUnderFlags) {}
    ~FlagsRestorer() {
        flags.mOverFlags = over;
        flags.mUnderFlags = under;
    }
};

}  // namespace

void WidgetContainer::DrawTree(ModalFlags& flags, Graphics* g) {
    WidgetManager* manager = mWidgetManager;
    if (manager && mPriority > manager->mMinDeferredOverlayPriority) manager->FlushDeferredOverlayWidgets(mPriority);
    FlagsRestorer restore(flags);
    flags.Modify(mWidgetFlagsMod);
    const int f = flags.GetFlags();
    if ((f & WIDGETFLAGS_CLIP) && mClip) g->ClipRect(0, 0, mWidth, mHeight);
    if (mWidgets.empty()) {
        if (f & WIDGETFLAGS_DRAW) Draw(g);
        return;
    }
    if (f & WIDGETFLAGS_DRAW) {
        g->PushState();
        Draw(g);
        g->PopState();
    }
    ForEachChildSafely([&](Widget* w) {
        if (manager && w == manager->mBaseModalWidget) flags.mIsOver = true;
        if (!w->mVisible) return;
        Graphics child(*g);
        child.Translate(w->mX, w->mY);
        w->DrawTree(flags, &child);
        w->mDirty = false;
    });
}

Image* WidgetManager::ScreenImage() const {
    if (mImage) return mImage;
    if (!mApp) return nullptr;
    DDInterface* dd = mApp->GetDDInterface();
    return dd ? dd->GetScreenImage() : nullptr;
}

bool WidgetManager::DrawScreen() {
    ModalFlags flags = InitModalFlags();
    int dirtyCount = 0;
    for (Widget* w : mWidgets)
        if (w->mDirty) ++dirtyCount;
    mDeferredOverlayWidgets.clear();
    mMinDeferredOverlayPriority = INT_MAX;

    // Without a screen image everything is clipped away, but the pass
    // still settles who is dirty.
    Graphics g(ScreenImage());
    mCurG = &g;
    bool drew = false;
    if (dirtyCount > 0) {
        const bool is3D = Is3D();
        ForEachChildSafely([&](Widget* w) {
            if (w == mBaseModalWidget) flags.mIsOver = true;
            if (!w->mDirty || !w->mVisible) return;
            Graphics child(g);
            child.SetFastStretch(!is3D);
            child.SetLinearBlend(is3D);
            child.Translate(w->mX, w->mY);
            w->DrawTree(flags, &child);
            w->mDirty = false;
            drew = true;
        });
    }
    FlushDeferredOverlayWidgets(INT_MAX);
    mCurG = nullptr;
    mDirty = false;
    return drew;
}

void WidgetManager::FlushDeferredOverlayWidgets(int maxPriority) {
    while (mMinDeferredOverlayPriority < maxPriority) {
        const int current = mMinDeferredOverlayPriority;
        int next = INT_MAX;
        // An overlay may defer further ones: index, do not iterate.
        for (std::size_t i = 0; i < mDeferredOverlayWidgets.size(); ++i) {
            Widget* w = mDeferredOverlayWidgets[i].first;
            const int priority = mDeferredOverlayWidgets[i].second;
            if (!w) continue;
            if (priority == current) {
                mDeferredOverlayWidgets[i].first = nullptr;
                if (mCurG) {
                    Graphics g(*mCurG);
                    g.Translate(w->mX, w->mY);
                    w->DrawOverlay(&g);
                }
            } else if (priority < next) {
                next = priority;
            }
        }
        mMinDeferredOverlayPriority = next;
        if (next == INT_MAX) mDeferredOverlayWidgets.clear();
    }
}

Rect Widget::WriteCenteredText(Graphics* g, int y, const std::string& text) {
    Font* font = g->GetFont();
    const int w = font->StringWidth(text);
    const int x = (mWidth - w) / 2;
    g->DrawString(text, x, y);
    return Rect(x, y - font->GetAscent(), w, font->GetHeight());
}

Rect Widget::WriteCenteredTextShadowed(Graphics* g, int y, const std::string& text, const Color& color,
                                       const Color& shadow, int offsetX, int offsetY) {
    Font* font = g->GetFont();
    const int w = font->StringWidth(text);
    const int x = (mWidth - w) / 2;
    g->SetColor(color);
    g->DrawString(text, x + offsetX, y + offsetY);
    g->SetColor(shadow);
    g->DrawString(text, x, y);
    const int top = y - font->GetAscent();
    const int left = std::min(x, x + offsetX), right = std::max(x, x + offsetX) + w;
    const int upper = std::min(top, top + offsetY), lower = std::max(top, top + offsetY) + font->GetHeight();
    return Rect(left, upper, right - left, lower - upper);
}

int Widget::WriteString(Graphics* g, const std::string& text, int x, int y, int width, int justification, bool draw,
                        int offset, int length) {
    const bool was = g->GetWriteColoredString();
    g->SetWriteColoredString(mWriteColoredString);
    const int written = g->WriteString(text, x, y, width, justification, draw, offset, length);
    g->SetWriteColoredString(was);
    return written;
}

int Widget::WriteWordWrapped(Graphics* g, const Rect& rect, const std::string& text, int lineSpacing,
                             int justification) {
    const bool was = g->GetWriteColoredString();
    g->SetWriteColoredString(mWriteColoredString);
    const int height = g->WriteWordWrapped(rect, text, lineSpacing, justification);
    g->SetWriteColoredString(was);
    return height;
}

int Widget::GetWordWrappedHeight(Graphics* g, int width, const std::string& text, int lineSpacing) {
    return g->GetWordWrappedHeight(width, text, lineSpacing);
}

void Widget::WriteDigitsFromStrip(Graphics* g, int number, int x, int y, Image* strip, int spacing) {
    if (!strip) return;
    const int cell = strip->width / 10;
    const std::string digits = std::to_string(std::abs(static_cast<long long>(number)));
    for (char c : digits) {
        const int d = c - '0';
        Graphics cellG(*g);
        cellG.ClipRect(x, y, cell, strip->height);
        cellG.DrawImage(strip, x - d * cell, y);
        x += cell + spacing;
    }
}

}  // namespace Vant
