#include "ostrel/screens/ScreenSystem.h"

#include <algorithm>

namespace orvek::screens {

ScreenSystem::ScreenSystem() = default;

ScreenSystem::~ScreenSystem() {
    for (Screen* s : screens_) s->system_ = nullptr;
}

void ScreenSystem::detach(Screen* screen) { std::erase(screens_, screen); }

void ScreenSystem::push_screen(Screen* screen) {
    on_push_requested(screen);
    queue_request(kPush, screen);
}

void ScreenSystem::push_modal_screen(Screen* screen) {
    on_push_modal_requested(screen);
    queue_request(kPushModal, screen);
}

void ScreenSystem::pop_screen() {
    on_pop_requested();
    queue_request(kPop, nullptr);
}

void ScreenSystem::queue_request(std::uint32_t kind, Screen* screen) {
    queue_.push_back({kind, screen, false});
    pending_ = true;
    if (!stack_.empty() && stack_.back() && !stack_.back()->is_modal()) stack_.back()->on_request_noticed();
    // The hook above may have destroyed the top.
    if (!stack_.empty() && stack_.back()) stack_.back()->on_request_queued();
}

void ScreenSystem::update() {
    // A hook that updates the system again would pull the requests being
    // carried out from under this update.
    if (updating_) return;
    updating_ = true;
    applying_ = std::move(queue_);
    queue_.clear();
    for (std::size_t i = 0; i < applying_.size(); ++i) {
        applied_ = i + 1;
        if (applying_[i].struck) continue;
        switch (applying_[i].kind) {
        case kPush: apply_push(i, false); break;
        case kPushModal: apply_push(i, true); break;
        case kPop: apply_pop(); break;
        default: break;
        }
    }
    applying_.clear();
    applied_ = 0;
    pending_ = false;
    on_update();
    // Screens destroyed by an update leave null entries; the stack keeps its
    // length until the next update.
    for (std::size_t i = 0; i < stack_.size(); ++i)
        if (stack_[i] && stack_[i]->is_active()) stack_[i]->update();
    updating_ = false;
}

void ScreenSystem::apply_push(std::size_t index, bool modal) {
    // Any hook below may destroy the screen being pushed; that strikes this
    // request, and the push goes no further.
    auto alive = [&] { return !applying_[index].struck; };
    Screen* s = applying_[index].screen;
    if (!s) return;
    if (!stack_.empty() && stack_.back()) {
        if (!modal) stack_.back()->deactivate();
        if (!stack_.empty() && stack_.back()) stack_.back()->on_hidden();
    }
    if (!alive()) return;
    if (contains(s)) {
        withdraw(s);
        if (!alive()) return;
        std::erase(stack_, s);
    }
    // A screen pushed normally after a modal push is not modal any more, so
    // the modal screens on the stack are exactly those pushed as modal.
    s->set_modal(modal);
    stack_.push_back(s);
    if (modal) on_modal_screen_added(s);
    else on_screen_added(s);
    if (!alive()) return;
    s->on_shown();
    if (!alive()) return;
    s->set_active(true);
}

void ScreenSystem::apply_pop() {
    while (!stack_.empty()) {
        if (stack_.back()) stack_.back()->deactivate();
        if (!stack_.empty() && stack_.back()) stack_.back()->on_hidden();
        on_screen_removed();
        stack_.pop_back();
        if (stack_.empty()) return;
        if (Screen* top = stack_.back()) {
            top->on_shown();
            if (stack_.back() == top && !top->is_active()) top->set_active(true);
            return;
        }
        // A null entry: the same pop drops it too.
    }
}

void ScreenSystem::withdraw(Screen* screen) { on_screen_withdrawn(screen); }

Screen* ScreenSystem::top_screen() const { return stack_.empty() ? nullptr : stack_.back(); }

bool ScreenSystem::contains(const Screen* screen) const {
    return screen && std::find(stack_.begin(), stack_.end(), screen) != stack_.end();
}

bool ScreenSystem::requested(const Screen* screen) const {
    if (!screen) return false;
    for (const Request& r : queue_)
        if (r.screen == screen) return true;
    for (std::size_t i = applied_; i < applying_.size(); ++i)
        if (!applying_[i].struck && applying_[i].screen == screen) return true;
    return false;
}

bool ScreenSystem::pop_queued() const {
    for (const Request& r : queue_)
        if (r.kind == kPop) return true;
    for (std::size_t i = applied_; i < applying_.size(); ++i)
        if (!applying_[i].struck && applying_[i].kind == kPop) return true;
    return false;
}

void ScreenSystem::remove(Screen* screen) {
    if (!screen) return;
    std::erase_if(queue_, [&](const Request& r) { return r.screen == screen; });
    for (Request& r : applying_)
        if (r.screen == screen) {
            r.struck = true;
            r.screen = nullptr;
        }
    if (!contains(screen)) return;
    if (stack_.back() == screen && screen->is_active() && !pop_queued()) pop_screen();
    withdraw(screen);
    std::replace(stack_.begin(), stack_.end(), screen, static_cast<Screen*>(nullptr));
}

}  // namespace orvek::screens
