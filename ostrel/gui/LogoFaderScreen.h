#pragma once
// Full-window logos on black: each fades in, holds and fades out, then the
// next follows. A click or a key ends the show at once. The show moves on
// in draw (the timer runs in update), so a screen that is not drawn stands.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ostrel/gui/BasicScreen.h"

namespace Vant {
class Image;
class MemoryImage;
}  // namespace Vant

namespace orvek::ostrel {

class LogoFaderScreen : public BasicScreen {
public:
    explicit LogoFaderScreen(ScreenSystem& system);
    ~LogoFaderScreen() override;

    // Not owned: the caller keeps each image alive as long as the screen.
    void add_logo(Vant::Image* image);
    // Seconds taken off the timer per update.
    void set_fade_speed(float step);
    // Called once: when the last logo has faded out, or at the first press.
    void set_on_finished(std::function<void()> finished);

    void update() override;
    void draw(Vant::Graphics* g) override;

    int phase() const { return phase_; }
    std::size_t current_logo() const { return current_; }
    float timer() const { return timer_; }

private:
    class CancelControl;

    void advance();
    void finish();

    std::vector<Vant::Image*> logos_;
    std::unique_ptr<Vant::MemoryImage> background_;
    float hold_time_ = 2.0f;
    float fade_time_ = 2.0f;
    float timer_ = 0.0f;
    std::size_t current_ = 0;
    int phase_ = 0;
    float step_ = 0.032f;
    std::function<void()> finished_;
    bool finished_called_ = false;
    std::unique_ptr<CancelControl> cancel_;
};

}  // namespace orvek::ostrel
