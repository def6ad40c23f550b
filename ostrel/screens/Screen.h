#pragma once
// A screen of the stack: told when it becomes active or inactive, shown or
// hidden, and when a request is queued while it is on top. It knows nothing
// of windows or drawing.
namespace orvek::screens {

class ScreenSystem;

class Screen {
public:
    explicit Screen(ScreenSystem& system);
    // Takes the screen off the stack and out of every queued request.
    virtual ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    virtual void on_activated() {}
    virtual void on_deactivated() {}
    virtual void on_request_noticed() {}
    virtual void on_shown() {}
    virtual void on_hidden() {}
    virtual void on_request_queued() {}
    virtual void update() {}

    bool is_active() const { return active_; }
    // On a change calls on_activated or on_deactivated.
    void set_active(bool active);
    void deactivate();
    bool is_modal() const { return modal_; }
    void set_modal(bool modal) { modal_ = modal; }
    // The system the screen was made for; null once that system is gone.
    ScreenSystem* system() const { return system_; }

private:
    friend class ScreenSystem;
    ScreenSystem* system_;
    bool active_ = false;
    bool modal_ = false;
};

}  // namespace orvek::screens
