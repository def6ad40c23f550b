// Drawing of the widget tree. Until the drawing context is in, a draw pass
// only settles the dirty flags.
#include "framework/app/Widget.h"
#include "framework/app/WidgetManager.h"

namespace Vant {

void WidgetContainer::DrawTree(ModalFlags& flags, Graphics* g) {
    const ModalFlags saved = flags;
    flags.Modify(mWidgetFlagsMod);
    WidgetManager* manager = mWidgetManager;
    ForEachChildSafely([&](Widget* w) {
        if (manager && w == manager->mBaseModalWidget) flags.mIsOver = true;
        if (!w->mVisible) return;
        w->DrawTree(flags, g);
        w->mDirty = false;
    });
    flags.mOverFlags = saved.mOverFlags;
    flags.mUnderFlags = saved.mUnderFlags;
}

bool WidgetManager::DrawScreen() {
    ModalFlags flags = InitModalFlags();
    bool drew = false;
    ForEachChildSafely([&](Widget* w) {
        if (w == mBaseModalWidget) flags.mIsOver = true;
        if (w->mDirty && w->mVisible) {
            w->DrawTree(flags, nullptr);
            drew = true;
        }
        w->mDirty = false;
    });
    mDirty = false;
    FlushDeferredOverlayWidgets(2147483647);
    return drew;
}

void WidgetManager::FlushDeferredOverlayWidgets(int) {
    mDeferredOverlayWidgets.clear();
    mMinDeferredOverlayPriority = 2147483647;
}

Rect Widget::WriteCenteredTextShadowed(Graphics*, int, const std::string&, const Color&, const Color&, int, int) {
    return Rect();
}
Rect Widget::WriteCenteredText(Graphics*, int, const std::string&) { return Rect(); }
int Widget::WriteString(Graphics*, const std::string&, int, int, int, int, bool, int, int) { return 0; }
int Widget::WriteWordWrapped(Graphics*, const Rect&, const std::string&, int, int) { return 0; }
int Widget::GetWordWrappedHeight(Graphics*, int, const std::string&, int) { return 0; }
void Widget::WriteDigitsFromStrip(Graphics*, int, int, int, Image*, int) {}

}  // namespace Vant
