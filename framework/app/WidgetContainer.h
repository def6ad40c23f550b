#pragma once
// The common base of every node of the widget tree: an ordered child list
// (bottom to top), a rectangle relative to the parent, a dirty flag and the
// node's flag modifier. Update and draw walk the children through one
// stored position per node, so a child removed or moved while its siblings
// are visited neither skips nor repeats one of them.
#include <cstdint>
#include <list>

#include "framework/graphics/Rect.h"

namespace Vant {

class Graphics;
class Widget;
class WidgetManager;

// Flag bits used by traversal and hit testing.
enum WidgetFlags : int {
    WIDGETFLAGS_UPDATE = 1,
    WIDGETFLAGS_MARK_DIRTY = 2,  // redraw on every update pass
    WIDGETFLAGS_DRAW = 4,
    WIDGETFLAGS_CLIP = 8,
    WIDGETFLAGS_ALLOW_MOUSE = 16,
    WIDGETFLAGS_ALLOW_FOCUS = 32,
};

// A pair (add, remove): the modified flags have the add bits set, then the
// remove bits cleared.
struct FlagsMod {
    int mAddFlags = 0;
    int mRemoveFlags = 0;
    FlagsMod() = default;
    FlagsMod(int add, int remove) : mAddFlags(add), mRemoveFlags(remove) {}
    int Apply(int flags) const { return (flags | mAddFlags) & ~mRemoveFlags; }
};

// The flags carried through one traversal: those above the base modal
// widget, those below it, and whether the walk has passed it. Passing the
// modal widget holds for the rest of the whole traversal.
struct ModalFlags {
    int mOverFlags = 0;
    int mUnderFlags = 0;
    bool mIsOver = false;
    int GetFlags() const { return mIsOver ? mOverFlags : mUnderFlags; }
    void Modify(const FlagsMod& mod) {
        mOverFlags = mod.Apply(mOverFlags);
        mUnderFlags = mod.Apply(mUnderFlags);
    }
};

class WidgetContainer {
public:
    using WidgetList = std::list<Widget*>;

    WidgetContainer();
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;
    virtual ~WidgetContainer();

    virtual Rect GetRect();
    virtual bool Intersects(WidgetContainer* other);
    virtual void MarkChildDirty(WidgetContainer* child);
    virtual void MarkDirty();
    virtual void MarkChildAreaDirty(WidgetContainer* child);
    virtual void MarkAreaDirty();
    virtual void AttachManager(WidgetManager* manager);
    virtual void DetachManager(WidgetManager* manager);
    virtual void Update();
    virtual void UpdateTree(ModalFlags& flags);
    virtual void UpdateFraction(double) {}
    virtual void UpdateTreeFraction(ModalFlags& flags, double fraction);
    virtual void Draw(Graphics*) {}
    virtual void DrawTree(ModalFlags& flags, Graphics* g);

    // Tree building.
    void AddWidget(Widget* widget);
    void RemoveWidget(Widget* widget);
    bool HasWidget(Widget* widget) const;
    void RemoveAllWidgets(bool doDelete = false, bool recurse = false);
    void PlaceAbove(Widget* widget, Widget* other);
    // x, y plus those of every parent.
    void GetScreenPos(int* x, int* y) const;
    // Depth-first in list order from this node: true when a is met before b.
    // found tells whether either was met at all.
    bool IsBelow(WidgetContainer* a, WidgetContainer* b, bool* found = nullptr);
    // The topmost hit below this node; x, y relative to it. Local
    // coordinates of the hit widget come back through lx, ly.
    Widget* FindWidgetAt(int x, int y, int flags, int* lx, int* ly);

    // Fields.
    WidgetList mWidgets;
    WidgetManager* mWidgetManager = nullptr;
    WidgetContainer* mParent = nullptr;
    // The positions of the traversals running over the children, innermost
    // first (a handler may start another pass over the same node).
    struct Traversal {
        WidgetList::iterator mIterator;
        bool mModified = false;
        Traversal* mOuter = nullptr;
    };
    Traversal* mTraversal = nullptr;
    std::uint32_t mLastWMUpdateCount = 0;
    std::uint32_t mUpdateCnt = 0;
    bool mDirty = false;
    int mX = 0, mY = 0, mWidth = 0, mHeight = 0;
    bool mHasAlpha = false;
    bool mClip = true;
    FlagsMod mWidgetFlagsMod;
    int mPriority = 0;

protected:
    // Walks the children with the stored position; f runs for each child.
    template <class F>
    void ForEachChildSafely(F f);
    // Moves every traversal standing on pos past it.
    void StepTraversalsOff(WidgetList::iterator pos);
};

template <class F>
inline void WidgetContainer::ForEachChildSafely(F f) {
    Traversal t;
    t.mOuter = mTraversal;
    mTraversal = &t;
    t.mIterator = mWidgets.begin();
    while (t.mIterator != mWidgets.end()) {
        t.mModified = false;
        f(*t.mIterator);
        // A removal at our position already stepped us on.
        if (!t.mModified) ++t.mIterator;
    }
    mTraversal = t.mOuter;
}

}  // namespace Vant
