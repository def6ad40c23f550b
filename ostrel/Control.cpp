#include "ostrel/Control.h"

#include <algorithm>
#include <vector>

#include "ostrel/ScreenSystem.h"
#include "ostrel/gui/Skin.h"

namespace orvek::ostrel {

void Control_Impl_::Draw(Vant::Graphics* g) { owner_.draw(g); }
void Control_Impl_::MouseEnter() {
    Widget::MouseEnter();
    owner_.on_mouse_enter();
}
void Control_Impl_::MouseLeave() {
    Widget::MouseLeave();
    owner_.on_mouse_leave();
}
void Control_Impl_::MouseMove(int x, int y) {
    Widget::MouseMove(x, y);
    owner_.on_mouse_move(x, y);
}

void Control_Impl_::MouseDownButton(int x, int y, int button, int clicks) {
    Widget::MouseDownButton(x, y, button, clicks);
    if (button == 0 && clicks == 1) owner_.on_left_press(x, y);
    else if (button == 0 && clicks == 2) owner_.on_left_double_click(x, y);
    else if (button == 1 && clicks == 1) owner_.on_right_press(x, y);
    else if (button == 1 && clicks == 2) owner_.on_right_double_click(x, y);
}

void Control_Impl_::MouseUpButton(int x, int y, int button, int clicks) {
    Widget::MouseUpButton(x, y, button, clicks);
    if (button == 0 && clicks == 1) owner_.on_left_release(x, y);
    else if (button == 1 && clicks == 1) owner_.on_right_release(x, y);
}

Control::Control() : impl_(std::make_unique<Control_Impl_>(*this)) {}

Control::Control(const std::string& skin_path) : Control() {
    impl_->skin_path = skin_path;
    apply_skin_geometry();
}

Control::Control(Control& parent, const std::string& skin_path) : Control(skin_path) {
    parent.impl_->AddWidget(impl_.get());
    impl_->parent = &parent;
}

Control::~Control() {
    ScreenSystem::control_destroyed(this);
    // Children outlive their parent's widget: they forget it, and their
    // widgets leave it.
    std::vector<Vant::Widget*> children(impl_->mWidgets.begin(), impl_->mWidgets.end());
    for (Vant::Widget* w : children) {
        if (auto* child = dynamic_cast<Control_Impl_*>(w); child && child->parent == this) child->parent = nullptr;
        impl_->RemoveWidget(w);
    }
    // Whatever holds the widget now (the parent's widget, the widget
    // manager) lets it go before it is deleted.
    if (impl_->mParent) impl_->mParent->RemoveWidget(impl_.get());
    impl_->parent = nullptr;
}

void Control::apply_skin_geometry() {
    if (impl_->skin_path.empty()) return;
    const Skin* skin = Skin::instance();
    const auto pos = skin ? skin->get_position(impl_->skin_path) : std::pair<int, int>{0, 0};
    const auto dim = skin ? skin->get_dimensions(impl_->skin_path) : std::pair<int, int>{0, 0};
    set_position({pos.first, pos.second});
    set_size({dim.first, dim.second});
}

std::shared_ptr<Control> Control::tooltip() const { return impl_->tooltip; }
EventResult Control::accepts(const events::Event&) { return EventResult(false); }
EventResult Control::handle(const events::Event&) { return EventResult(false); }
void Control::draw(Vant::Graphics*) {}
void Control::on_moving(Point&) {}
void Control::on_moved() {}
void Control::on_resizing(Size&) {}
void Control::on_resized() {}
void Control::on_mouse_move(int, int) {}
void Control::on_mouse_enter() {}
void Control::on_mouse_leave() {}
void Control::on_left_press(int, int) {}
void Control::on_left_release(int, int) {}
void Control::on_left_double_click(int, int) {}
void Control::on_right_press(int, int) {}
void Control::on_right_release(int, int) {}
void Control::on_right_double_click(int, int) {}

Point Control::position() const { return {impl_->mX, impl_->mY}; }

Point Control::screen_position() const {
    Point p;
    impl_->GetScreenPos(&p.x, &p.y);
    return p;
}

Size Control::size() const { return {impl_->mWidth, impl_->mHeight}; }

void Control::set_position(Point p) {
    if (p == position()) return;
    on_moving(p);
    if (p == position()) return;
    impl_->Move(p.x, p.y);
    on_moved();
}

void Control::set_size(Size s) {
    s.width = std::max(s.width, 0);
    s.height = std::max(s.height, 0);
    if (s == size()) return;
    on_resizing(s);
    if (s == size()) return;
    impl_->Resize(impl_->mX, impl_->mY, s.width, s.height);
    on_resized();
}

bool Control::contains_point(Point p) const {
    const Point s = screen_position();
    const Size z = size();
    return s.x <= p.x && p.x < s.x + z.width && s.y <= p.y && p.y < s.y + z.height;
}

void Control::set_visible(bool visible) { impl_->SetVisible(visible); }
bool Control::is_visible() const { return impl_->mVisible; }
void Control::set_enabled(bool enabled) { impl_->SetDisabled(!enabled); }
bool Control::is_enabled() const { return !impl_->mDisabled; }
void Control::mark_dirty() { impl_->MarkDirty(); }

void Control::add_child(Control& child) {
    if (child.impl_->parent) child.impl_->parent->impl_->RemoveWidget(child.impl_.get());
    // A widget held elsewhere (the widget manager) leaves that place too.
    if (child.impl_->mParent) child.impl_->mParent->RemoveWidget(child.impl_.get());
    impl_->AddWidget(child.impl_.get());
    child.impl_->parent = this;
}

void Control::set_tooltip(std::shared_ptr<Control> tooltip) { impl_->tooltip = std::move(tooltip); }

}  // namespace orvek::ostrel
