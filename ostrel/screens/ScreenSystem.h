#pragma once
// The stack of screens. Callers queue requests (push, push as modal, pop);
// the next update carries them out in order and tells the screens, and
// derived systems through their hooks. The stack does not own its screens.
#include <cstdint>
#include <vector>

#include "ostrel/screens/Screen.h"

namespace orvek::screens {

class ScreenSystem {
public:
    enum RequestKind : std::uint32_t { kPush = 0, kPushModal = 1, kPop = 3 };

    ScreenSystem();
    // Screens still alive forget the system, so their destructors do not
    // reach it.
    virtual ~ScreenSystem();
    ScreenSystem(const ScreenSystem&) = delete;
    ScreenSystem& operator=(const ScreenSystem&) = delete;

    void push_screen(Screen* screen);
    void push_modal_screen(Screen* screen);
    void pop_screen();

    // Carries out the requests queued so far (requests made meanwhile wait
    // for the next update), then updates every active screen, bottom first.
    void update();

    // The top entry; null when the stack is empty or its top was destroyed.
    Screen* top_screen() const;
    bool empty() const { return stack_.empty(); }
    bool requests_empty() const { return queue_.empty(); }
    bool contains(const Screen* screen) const;
    // True while a request that names the screen waits to be carried out.
    bool requested(const Screen* screen) const;
    bool requests_pending() const { return pending_; }

    // Called by a screen's destructor: strikes it from the queued requests,
    // and on the stack leaves a null entry (queuing a pop when it was the
    // active top). Calling it again does nothing.
    void remove(Screen* screen);

    // The stack, bottom first; null entries are destroyed screens.
    const std::vector<Screen*>& stack() const { return stack_; }

protected:
    virtual void on_push_requested(Screen*) {}
    virtual void on_push_modal_requested(Screen*) {}
    virtual void on_pop_requested() {}
    virtual void on_screen_added(Screen*) {}
    virtual void on_modal_screen_added(Screen*) {}
    // Called while the leaving entry is still the top (it may be null).
    virtual void on_screen_removed() {}
    virtual void on_update() {}
    // The screen leaves its place on the stack without a pop: pushed again
    // from where it stands, or destroyed while on the stack. Called while it
    // is still in its old place.
    virtual void on_screen_withdrawn(Screen*) {}

private:
    friend class Screen;
    struct Request {
        std::uint32_t kind;
        Screen* screen;
        bool struck;
    };

    void queue_request(std::uint32_t kind, Screen* screen);
    bool pop_queued() const;
    void apply_push(std::size_t index, bool modal);
    void apply_pop();
    void withdraw(Screen* screen);
    void attach(Screen* screen) { screens_.push_back(screen); }
    void detach(Screen* screen);

    std::vector<Screen*> stack_;
    std::vector<Request> queue_;
    // The requests update is carrying out; a screen destroyed meanwhile is
    // struck from them as well.
    std::vector<Request> applying_;
    std::size_t applied_ = 0;
    // Every live screen made for this system.
    std::vector<Screen*> screens_;
    bool pending_ = false;
    bool updating_ = false;
};

}  // namespace orvek::screens
