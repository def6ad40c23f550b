#pragma once
// The screen stack bound to the framework's widget manager: each pushed
// screen's control is shown as a child of the manager, window messages
// become input events offered to the controls, deepest first, and a mouse
// hover shows the tooltip under the pointer.
#include <cstdint>
#include <memory>
#include <vector>

#include "ostrel/Events.h"
#include "ostrel/screens/ScreenSystem.h"

namespace Vant {
class WidgetManager;
class ResourceManager;
}  // namespace Vant

namespace orvek::ostrel {

class BasicScreen;
class Control;

class ScreenSystem : public orvek::screens::ScreenSystem {
public:
    // Neither is owned.
    ScreenSystem(Vant::WidgetManager* widget_manager, Vant::ResourceManager* resources);
    ~ScreenSystem() override;

    // The App's entry for every message it hands over.
    void post_message(std::uint32_t message, std::uint32_t wparam, std::int32_t lparam);

    Vant::WidgetManager* widget_manager() const { return widget_manager_; }
    Vant::ResourceManager* resource_manager() const { return resources_; }
    const Input& input() const { return input_; }

    // The framework's cursor number.
    int cursor() const;
    // Does nothing when the number is already current.
    void set_cursor(int number);
    // false: remember the current cursor and show the busy cursor (11);
    // true: go back to the remembered one.
    void swap_cursor(bool restore);

    // Modal screens on the stack.
    int modal_count() const { return modal_count_; }
    // The control whose tooltip is shown; empty when none.
    std::shared_ptr<Control> shown_tooltip() const { return tooltip_; }

    // The tooltip under a point (client coordinates); empty when none.
    std::shared_ptr<Control> find_tooltip(Point p) const;
    // Shows a tooltip control at a point.
    void show_tooltip(const std::shared_ptr<Control>& tooltip, Point p);
    // Takes a shown tooltip down.
    void hide_tooltip();

    // Offers an event to the controls (see the file comment).
    void dispatch(events::Event& event);

    // Called by a control's destructor: an event being delivered does not
    // reach it any more.
    static void control_destroyed(Control* control);

protected:
    virtual void handle_message(std::uint32_t message, std::uint32_t wparam, std::int32_t lparam);

    void on_screen_added(orvek::screens::Screen* screen) override;
    void on_modal_screen_added(orvek::screens::Screen* screen) override;
    void on_screen_removed() override;
    void on_screen_withdrawn(orvek::screens::Screen* screen) override;

private:
    void collect(Control* control, const events::Event& event, std::vector<Control*>& candidates);
    void take_out(orvek::screens::Screen* screen);
    void hide_tooltip_outside(Point p);

    Vant::WidgetManager* widget_manager_;
    Vant::ResourceManager* resources_;
    Input input_;
    events::Event* current_event_ = nullptr;
    int remembered_cursor_ = 0;
    int modal_count_ = 0;
    std::shared_ptr<Control> tooltip_;
};

}  // namespace orvek::ostrel
