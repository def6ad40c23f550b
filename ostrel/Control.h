#pragma once
// The base of every control. A control is a plain object with virtual
// operations; it owns one framework widget (Control_Impl_) that puts it in
// the widget tree for drawing, clipping and the framework's own mouse
// callbacks. Events of the screen system arrive through accepts and handle.
#include <memory>
#include <string>

#include "framework/app/Widget.h"
#include "ostrel/Events.h"
#include "ostrel/Geometry.h"

namespace Vant {
class Graphics;
}

namespace orvek::ostrel {

class Control;

class EventResult {
public:
    EventResult() = default;
    explicit EventResult(bool handled) : handled_(handled) {}
    void set(bool handled) { handled_ = handled; }
    bool handled() const { return handled_; }
    explicit operator bool() const { return handled_; }

private:
    bool handled_ = false;
};

// The widget of a control: forwards the framework's callbacks to it.
class Control_Impl_ : public Vant::Widget {
public:
    explicit Control_Impl_(Control& owner) : owner_(owner) {}
    Control& owner() const { return owner_; }

    void Draw(Vant::Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDownButton(int x, int y, int button, int clicks) override;
    void MouseUpButton(int x, int y, int button, int clicks) override;

    std::string skin_path;
    Control* parent = nullptr;
    std::shared_ptr<Control> tooltip;

private:
    Control& owner_;
};

class Control {
public:
    Control();
    // Takes "position" and "dimensions" of the skin path.
    explicit Control(const std::string& skin_path);
    // As above, then becomes a child of parent.
    Control(Control& parent, const std::string& skin_path);
    // Leaves its parent, lets its children go (they keep their widgets),
    // and is struck from an event being delivered.
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual std::shared_ptr<Control> tooltip() const;
    virtual EventResult accepts(const events::Event& event);
    virtual EventResult handle(const events::Event& event);
    virtual void draw(Vant::Graphics* g);
    // May change the new position or size before it is applied.
    virtual void on_moving(Point& p);
    virtual void on_moved();
    virtual void on_resizing(Size& s);
    virtual void on_resized();
    virtual void on_mouse_move(int x, int y);
    virtual void on_mouse_enter();
    virtual void on_mouse_leave();
    virtual void on_left_press(int x, int y);
    virtual void on_left_release(int x, int y);
    virtual void on_left_double_click(int x, int y);
    virtual void on_right_press(int x, int y);
    virtual void on_right_release(int x, int y);
    virtual void on_right_double_click(int x, int y);

    Point position() const;
    // Through every parent widget.
    Point screen_position() const;
    Size size() const;
    void set_position(Point p);
    // Negative components count as 0.
    void set_size(Size s);
    // p in client coordinates.
    bool contains_point(Point p) const;

    void set_visible(bool visible);
    void hide() { set_visible(false); }
    bool is_visible() const;
    void set_enabled(bool enabled);
    void disable() { set_enabled(false); }
    bool is_enabled() const;
    void mark_dirty();

    // Takes the child's widget from its old parent into this one.
    void add_child(Control& child);
    void set_tooltip(std::shared_ptr<Control> tooltip);

    Control_Impl_* widget() const { return impl_.get(); }
    Control* parent() const { return impl_->parent; }
    const std::string& skin_path() const { return impl_->skin_path; }

private:
    void apply_skin_geometry();

    std::unique_ptr<Control_Impl_> impl_;
};

}  // namespace orvek::ostrel
