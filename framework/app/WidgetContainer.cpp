#include "framework/app/WidgetContainer.h"

#include <algorithm>

#include "framework/app/Widget.h"
#include "framework/app/WidgetManager.h"

namespace Vant {

WidgetContainer::WidgetContainer() = default;

WidgetContainer::~WidgetContainer() = default;

void WidgetContainer::StepTraversalsOff(WidgetList::iterator pos) {
    for (Traversal* t = mTraversal; t; t = t->mOuter) {
        if (t->mIterator == pos) {
            ++t->mIterator;
            t->mModified = true;
        }
    }
}

Rect WidgetContainer::GetRect() { return Rect(mX, mY, mWidth, mHeight); }

bool WidgetContainer::Intersects(WidgetContainer* other) {
    const Rect a = GetRect(), b = other->GetRect();
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

void WidgetContainer::MarkDirty() {
    if (mParent)
        mParent->MarkChildDirty(this);
    else
        mDirty = true;
}

void WidgetContainer::MarkChildDirty(WidgetContainer* child) {
    if (child->mDirty) return;
    MarkDirty();
    child->mDirty = true;
    if (mParent) return;
    if (child->mHasAlpha) {
        MarkChildAreaDirty(child);
        return;
    }
    auto it = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (it == mWidgets.end()) return;
    for (++it; it != mWidgets.end(); ++it) {
        Widget* w = *it;
        if (w->mVisible && w->Intersects(child)) MarkChildDirty(w);
    }
}

void WidgetContainer::MarkAreaDirty() {
    if (mParent)
        mParent->MarkChildAreaDirty(this);
    else
        mDirty = true;
}

void WidgetContainer::MarkChildAreaDirty(WidgetContainer* child) {
    MarkAreaDirty();
    child->mDirty = true;
    if (mParent) return;
    auto pos = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (pos == mWidgets.end()) return;

    // What lies under the child shows through it: redraw downwards until an
    // opaque widget covers the child's visible part.
    const Rect r = child->GetRect().Intersection(Rect(0, 0, mWidth, mHeight));
    for (auto it = pos; it != mWidgets.begin();) {
        --it;
        Widget* w = *it;
        if (!w->mVisible) continue;
        if (!w->mHasAlpha && !w->mHasTransparencies && w->Contains(r.x, r.y) &&
            w->Contains(r.x + r.width - 1, r.y + r.height - 1)) {
            w->MarkDirty();
            break;
        }
        if (w->Intersects(child)) MarkChildDirty(w);
    }
    for (auto it = std::next(pos); it != mWidgets.end(); ++it) {
        Widget* w = *it;
        if (w->mVisible && w->Intersects(child)) MarkChildDirty(w);
    }
}

void WidgetContainer::AttachManager(WidgetManager* manager) {
    for (Widget* w : mWidgets) {
        w->mWidgetManager = manager;
        w->AttachManager(manager);
    }
    MarkDirty();
}

void WidgetContainer::DetachManager(WidgetManager* manager) {
    for (Widget* w : mWidgets) {
        manager->ForgetWidget(w);
        w->DetachManager(manager);
        w->mWidgetManager = nullptr;
    }
    if (manager->mPopupCommandWidget == this) manager->mPopupCommandWidget = nullptr;
}

void WidgetContainer::Update() { ++mUpdateCnt; }

void WidgetContainer::UpdateTree(ModalFlags& flags) {
    const ModalFlags saved = flags;
    flags.Modify(mWidgetFlagsMod);
    const int f = flags.GetFlags();
    if (f & WIDGETFLAGS_MARK_DIRTY) MarkDirty();
    WidgetManager* manager = mWidgetManager;
    if (manager) {
        if ((f & WIDGETFLAGS_UPDATE) && mLastWMUpdateCount != manager->mUpdateCnt) {
            mLastWMUpdateCount = manager->mUpdateCnt;
            Update();
        }
        ForEachChildSafely([&](Widget* w) {
            if (w == manager->mBaseModalWidget) flags.mIsOver = true;
            w->UpdateTree(flags);
        });
    }
    flags.mOverFlags = saved.mOverFlags;
    flags.mUnderFlags = saved.mUnderFlags;
}

void WidgetContainer::UpdateTreeFraction(ModalFlags& flags, double fraction) {
    const ModalFlags saved = flags;
    flags.Modify(mWidgetFlagsMod);
    const int f = flags.GetFlags();
    WidgetManager* manager = mWidgetManager;
    if (manager) {
        if (f & WIDGETFLAGS_UPDATE) UpdateFraction(fraction);
        ForEachChildSafely([&](Widget* w) {
            if (w == manager->mBaseModalWidget) flags.mIsOver = true;
            w->UpdateTreeFraction(flags, fraction);
        });
    }
    flags.mOverFlags = saved.mOverFlags;
    flags.mUnderFlags = saved.mUnderFlags;
}

void WidgetContainer::AddWidget(Widget* widget) {
    if (HasWidget(widget)) return;
    mWidgets.push_back(widget);
    widget->mWidgetManager = mWidgetManager;
    widget->mParent = this;
    if (mWidgetManager) {
        widget->AttachManager(mWidgetManager);
        widget->MarkAreaDirty();
        mWidgetManager->RecheckMouse();
    }
    MarkDirty();
}

bool WidgetContainer::HasWidget(Widget* widget) const {
    return std::find(mWidgets.begin(), mWidgets.end(), widget) != mWidgets.end();
}

void WidgetContainer::RemoveWidget(Widget* widget) {
    auto pos = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (pos == mWidgets.end()) return;
    if (WidgetManager* manager = widget->mWidgetManager) {
        manager->ForgetWidget(widget);
        for (WidgetManager::PreModalInfo& info : manager->mPreModalInfoList) {
            if (info.mPrevBaseModalWidget == widget) info.mPrevBaseModalWidget = nullptr;
            if (info.mPrevFocusWidget == widget) info.mPrevFocusWidget = nullptr;
        }
        widget->DetachManager(manager);
        MarkChildAreaDirty(widget);
    }
    widget->mWidgetManager = nullptr;
    widget->mParent = nullptr;
    // A handler may have removed it from under us meanwhile.
    pos = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (pos == mWidgets.end()) return;
    StepTraversalsOff(pos);
    mWidgets.erase(pos);
}

void WidgetContainer::RemoveAllWidgets(bool doDelete, bool recurse) {
    while (!mWidgets.empty()) {
        Widget* w = mWidgets.front();
        RemoveWidget(w);
        if (recurse) w->RemoveAllWidgets(doDelete, recurse);
        if (doDelete) delete w;
    }
}

void WidgetContainer::PlaceAbove(Widget* widget, Widget* other) {
    auto pos = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (pos == mWidgets.end()) return;
    StepTraversalsOff(pos);
    mWidgets.erase(pos);
    auto at = std::find(mWidgets.begin(), mWidgets.end(), other);
    if (at == mWidgets.end())
        mWidgets.push_back(widget);
    else
        mWidgets.insert(std::next(at), widget);
    widget->OnReordered();
}

void WidgetContainer::GetScreenPos(int* x, int* y) const {
    int sx = mX, sy = mY;
    for (const WidgetContainer* p = mParent; p; p = p->mParent) {
        sx += p->mX;
        sy += p->mY;
    }
    *x = sx;
    *y = sy;
}

bool WidgetContainer::IsBelow(WidgetContainer* a, WidgetContainer* b, bool* found) {
    bool dummy = false;
    bool& f = found ? *found : dummy;
    f = false;
    for (Widget* w : mWidgets) {
        if (w == a) {
            f = true;
            return true;
        }
        if (w == b) {
            f = true;
            return false;
        }
        const bool below = w->IsBelow(a, b, &f);
        if (f) return below;
    }
    return false;
}

Widget* WidgetContainer::FindWidgetAt(int x, int y, int flags, int* lx, int* ly) {
    flags = mWidgetFlagsMod.Apply(flags);
    WidgetManager* manager = mWidgetManager;
    for (auto it = mWidgets.rbegin(); it != mWidgets.rend(); ++it) {
        Widget* w = *it;
        if (!(flags & WIDGETFLAGS_ALLOW_MOUSE) || !w->mVisible) {
            if (manager && w == manager->mBaseModalWidget) flags = manager->mBelowModalFlagsMod.Apply(flags);
            continue;
        }
        if (Widget* hit = w->FindWidgetAt(x - w->mX, y - w->mY, flags, lx, ly)) return hit;
        if (w->mMouseVisible) {
            const Rect r = w->GetHitRect();
            if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height &&
                w->AcceptsPoint(x - w->mX, y - w->mY)) {
                if (lx) *lx = x - w->mX;
                if (ly) *ly = y - w->mY;
                return w;
            }
        }
        if (manager && w == manager->mBaseModalWidget) flags = manager->mBelowModalFlagsMod.Apply(flags);
    }
    return nullptr;
}

}  // namespace Vant
