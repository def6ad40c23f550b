#include "ostrel/ScreenSystem.h"

#include <algorithm>

#include "framework/app/VantAppBase.h"
#include "framework/app/WidgetManager.h"
#include "ostrel/Control.h"
#include "ostrel/gui/BasicScreen.h"
#include "platform/Messages.h"

namespace orvek::ostrel {

namespace {

// The candidate lists of the dispatches under way, innermost last; a
// destroyed control is struck from each.
std::vector<std::vector<Control*>*>& deliveries() {
    static std::vector<std::vector<Control*>*> list;
    return list;
}

// The control of a widget, or null for a widget that is not a control's.
Control* control_of(Vant::Widget* w) {
    auto* impl = dynamic_cast<Control_Impl_*>(w);
    return impl ? &impl->owner() : nullptr;
}

// The modal flags of a modal screen's control: add 2 (marked dirty each
// update), remove 48 (mouse and focus) below it.
const Vant::FlagsMod kModalFlags{2, 48};

constexpr int kBusyCursor = 11;

// Takes the modal record of a widget out of the manager. The framework pops
// only the top record; a screen leaving from lower down the stack (pushed
// again, or destroyed) has its record spliced out, the record above it
// taking over what it had saved.
void remove_modal_record(Vant::WidgetManager& wm, Vant::Widget* w) {
    auto& list = wm.mPreModalInfoList;
    if (list.empty()) return;
    if (list.back().mModalWidget == w) {
        wm.PopModal(w);
        return;
    }
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->mModalWidget != w) continue;
        auto above = std::next(it);
        if (above != list.end()) {
            above->mPrevBaseModalWidget = it->mPrevBaseModalWidget;
            above->mPrevBelowModalFlagsMod = it->mPrevBelowModalFlagsMod;
            above->mPrevFocusWidget = it->mPrevFocusWidget;
        }
        list.erase(it);
        return;
    }
}

}  // namespace

ScreenSystem::ScreenSystem(Vant::WidgetManager* widget_manager, Vant::ResourceManager* resources)
    : widget_manager_(widget_manager), resources_(resources) {}

ScreenSystem::~ScreenSystem() {
    if (tooltip_ && widget_manager_) widget_manager_->RemovePopupWidget();
}

void ScreenSystem::control_destroyed(Control* control) {
    for (std::vector<Control*>* list : deliveries()) std::replace(list->begin(), list->end(), control, (Control*)nullptr);
}

void ScreenSystem::post_message(std::uint32_t message, std::uint32_t wparam, std::int32_t lparam) {
    handle_message(message, wparam, lparam);
}

int ScreenSystem::cursor() const { return widget_manager_->mApp->GetCursor(); }

void ScreenSystem::set_cursor(int number) {
    if (number == cursor()) return;
    widget_manager_->mApp->SetCursor(number);
}

void ScreenSystem::swap_cursor(bool restore) {
    if (restore) {
        set_cursor(remembered_cursor_);
    } else {
        remembered_cursor_ = cursor();
        set_cursor(kBusyCursor);
    }
}

void ScreenSystem::handle_message(std::uint32_t message, std::uint32_t wparam, std::int32_t lparam) {
    using namespace plat::msg;
    const Point p{plat::PointParamX(lparam), plat::PointParamY(lparam)};
    // A button acts where it was pressed, also without a move before it.
    auto at_button = [&] {
        input_.x = p.x;
        input_.y = p.y;
    };
    auto send = [&](auto&& event) { dispatch(event); };
    switch (message) {
    case kMouseMove: {
        hide_tooltip_outside(p);
        const Point delta{p.x - input_.x, p.y - input_.y};
        input_.x = p.x;
        input_.y = p.y;
        send(PositionEvent(input_, delta));
        return;
    }
    case 160:  // the pointer over the frame, or gone from the window
        hide_tooltip_outside(p);
        return;
    case kLButtonDown: at_button(); send(SelectPressEvent(input_)); return;
    case kLButtonUp: at_button(); send(SelectReleaseEvent(input_)); return;
    case kLButtonDblClk:
        at_button();
        send(SelectPressEvent(input_));
        send(OpenEvent_(input_));
        return;
    case kRButtonDown: at_button(); send(ContextPressEvent(input_)); return;
    case kRButtonUp: at_button(); send(ContextReleaseEvent(input_)); return;
    case kRButtonDblClk:
        at_button();
        send(ContextPressEvent(input_));
        send(ContextOpenEvent(input_));
        return;
    case kMButtonDown: at_button(); send(MiddlePressEvent(input_)); return;
    case kMButtonUp: at_button(); send(MiddleReleaseEvent(input_)); return;
    case kMouseWheel: send(WheelEvent(input_, plat::WheelDelta(wparam))); return;
    case kKeyDown:
    case kSysKeyDown:
        send(KeyPressEvent(input_, wparam, (lparam & kKeyWasDown) != 0));
        // Handlers saw the state before the key.
        if (wparam < input_.keys.size()) input_.keys[wparam] = true;
        return;
    case kKeyUp:
    case kSysKeyUp:
        send(KeyReleaseEvent(input_, wparam));
        if (wparam < input_.keys.size()) input_.keys[wparam] = false;
        return;
    case kChar:
    case kSysChar:
        send(CharEvent(input_, static_cast<unsigned char>(wparam & 0xFF), (lparam & kKeyWasDown) != 0));
        return;
    case kMouseHover: {
        if (tooltip_ && !widget_manager_->mPopupCommandWidget) tooltip_.reset();
        if (tooltip_ && tooltip_->contains_point(p)) return;
        std::shared_ptr<Control> found = find_tooltip(p);
        if (found) show_tooltip(found, p);
        else hide_tooltip();
        return;
    }
    default:
        return;
    }
}

void ScreenSystem::hide_tooltip_outside(Point p) {
    if (tooltip_ && !tooltip_->contains_point(p)) hide_tooltip();
}

void ScreenSystem::hide_tooltip() {
    tooltip_.reset();
    widget_manager_->RemovePopupWidget();
}

void ScreenSystem::dispatch(events::Event& event) {
    events::Event* outer = current_event_;
    current_event_ = &event;
    std::vector<Control*> candidates;
    for (auto it = widget_manager_->mWidgets.rbegin(); it != widget_manager_->mWidgets.rend(); ++it)
        if (Control* c = control_of(*it)) collect(c, event, candidates);
    event.set_handled_by(nullptr);
    deliveries().push_back(&candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        Control* c = candidates[i];
        if (!c) continue;  // destroyed by an earlier handler
        const EventResult r = c->handle(event);
        // The handler may have destroyed its own control.
        if (r.handled() && !event.handled_by() && candidates[i]) event.set_handled_by(c);
    }
    deliveries().pop_back();
    current_event_ = outer;
}

void ScreenSystem::collect(Control* control, const events::Event& event, std::vector<Control*>& candidates) {
    if (!control->is_visible() || !control->is_enabled()) return;
    Control_Impl_* w = control->widget();
    for (auto it = w->mWidgets.rbegin(); it != w->mWidgets.rend(); ++it)
        if (Control* c = control_of(*it)) collect(c, event, candidates);
    if (control->accepts(event).handled()) candidates.push_back(control);
}

namespace {

std::shared_ptr<Control> search_tooltip(Control* control, Point p) {
    if (!control->is_visible() || !control->is_enabled() || !control->contains_point(p)) return {};
    Control_Impl_* w = control->widget();
    for (auto it = w->mWidgets.rbegin(); it != w->mWidgets.rend(); ++it)
        if (Control* c = control_of(*it))
            if (auto t = search_tooltip(c, p)) return t;
    return control->tooltip();
}

}  // namespace

std::shared_ptr<Control> ScreenSystem::find_tooltip(Point p) const {
    for (auto it = widget_manager_->mWidgets.rbegin(); it != widget_manager_->mWidgets.rend(); ++it) {
        if (Control* c = control_of(*it))
            if (auto t = search_tooltip(c, p)) return t;
        // Nothing below the current modal widget shows a tooltip.
        if (*it == widget_manager_->mBaseModalWidget) break;
    }
    return {};
}

void ScreenSystem::show_tooltip(const std::shared_ptr<Control>& tooltip, Point p) {
    tooltip_ = tooltip;
    widget_manager_->RemovePopupWidget();
    widget_manager_->SetPopupWidget(tooltip->widget());
    const Size s = tooltip->size();
    int left = std::max(p.x - s.width / 2, 0);
    if (left + s.width > widget_manager_->mWidth) left = widget_manager_->mWidth - s.width;
    const int top = std::max(p.y - s.height, 0);
    tooltip->set_position({left, top});
}

void ScreenSystem::on_screen_added(orvek::screens::Screen* screen) {
    auto* bs = dynamic_cast<BasicScreen*>(screen);
    if (!bs) return;
    Vant::Widget* w = bs->control().widget();
    widget_manager_->PushModalDefault(w);
    widget_manager_->AddWidget(w);
}

void ScreenSystem::on_modal_screen_added(orvek::screens::Screen* screen) {
    auto* bs = dynamic_cast<BasicScreen*>(screen);
    if (!bs) return;
    Vant::Widget* w = bs->control().widget();
    widget_manager_->PushModal(w, kModalFlags);
    widget_manager_->AddWidget(w);
    ++modal_count_;
}

void ScreenSystem::on_screen_removed() { take_out(top_screen()); }

void ScreenSystem::on_screen_withdrawn(orvek::screens::Screen* screen) { take_out(screen); }

void ScreenSystem::take_out(orvek::screens::Screen* screen) {
    auto* bs = dynamic_cast<BasicScreen*>(screen);
    if (!bs || !bs->has_control()) return;
    Vant::Widget* w = bs->control().widget();
    remove_modal_record(*widget_manager_, w);
    widget_manager_->RemoveWidget(w);
    if (screen->is_modal()) --modal_count_;
}

}  // namespace orvek::ostrel
