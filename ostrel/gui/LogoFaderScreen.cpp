#include "ostrel/gui/LogoFaderScreen.h"

#include <limits>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "ostrel/gui/Skin.h"

namespace orvek::ostrel {

// Ends the show on a click or a key, and leaves the press to whoever else
// wants it.
class LogoFaderScreen::CancelControl : public Control {
public:
    CancelControl(Control& parent, std::function<void()> action) : Control(parent, ""), action_(std::move(action)) {}

    EventResult accepts(const events::Event& event) override {
        return EventResult(dynamic_cast<const SelectPressEvent*>(&event) != nullptr ||
                           dynamic_cast<const KeyPressEvent*>(&event) != nullptr);
    }
    EventResult handle(const events::Event&) override {
        if (action_) action_();
        return EventResult(false);
    }

private:
    std::function<void()> action_;
};

LogoFaderScreen::LogoFaderScreen(ScreenSystem& system)
    : BasicScreen(system, ""), background_(std::make_unique<Vant::MemoryImage>()) {
    const auto [width, height] = screen_size();
    const int w = width > 0 ? width : 0, h = height > 0 ? height : 0;
    background_->Create(w, h);
    if (w > 0 && h > 0) {
        std::vector<std::uint32_t> black(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFF000000u);
        background_->SetBits(black.data(), w, h);
    }
    cancel_ = std::make_unique<CancelControl>(control(), [this] {
        current_ = std::numeric_limits<std::size_t>::max();
        finish();
    });
    control().set_position({0, 0});
    control().set_size({w, h});
    cancel_->set_size({w, h});
}

LogoFaderScreen::~LogoFaderScreen() = default;

void LogoFaderScreen::add_logo(Vant::Image* image) { logos_.push_back(image); }
void LogoFaderScreen::set_fade_speed(float step) { step_ = step; }
void LogoFaderScreen::set_on_finished(std::function<void()> finished) { finished_ = std::move(finished); }

void LogoFaderScreen::finish() {
    // Presses after the end must not finish the show a second time.
    if (finished_called_) return;
    finished_called_ = true;
    if (finished_) finished_();
}

void LogoFaderScreen::update() {
    BasicScreen::update();
    if (current_ >= logos_.size()) return;
    if (phase_ == 0) {
        phase_ = 1;
        timer_ = fade_time_;
    }
    timer_ -= step_;
    control().mark_dirty();
}

void LogoFaderScreen::advance() {
    if (current_ >= logos_.size() || timer_ > 0.0f) return;
    if (phase_ == 1) {
        phase_ = 2;
        timer_ = hold_time_;
    } else if (phase_ == 2) {
        phase_ = 3;
        timer_ = fade_time_;
    } else if (phase_ == 3) {
        ++current_;
        if (current_ < logos_.size()) {
            phase_ = 1;
            timer_ = fade_time_;
        } else {
            phase_ = 0;
            finish();
        }
    }
}

void LogoFaderScreen::draw(Vant::Graphics* g) {
    if (g) g->DrawImage(background_.get(), 0, 0);
    if (phase_ == 0 || current_ >= logos_.size()) return;
    Vant::Image* logo = logos_[current_];
    if (phase_ == 2) {
        if (g && logo) g->DrawImage(logo, 0, 0);
        advance();
        return;
    }
    const float passed = (fade_time_ - timer_) / fade_time_;
    const float a = phase_ == 1 ? passed : 1.0f - passed;
    if (a > 0.0f && g && logo) {
        if (a < 1.0f) {
            const int alpha = static_cast<int>(a * 255.0f + 0.5f);
            g->SetColorizeImages(true);
            g->SetColor(Vant::Color(255, 255, 255, alpha));
            g->SetDrawMode(0);
            g->DrawImage(logo, 0, 0);
            g->SetColorizeImages(false);
        } else {
            g->DrawImage(logo, 0, 0);
        }
    }
    advance();
}

}  // namespace orvek::ostrel
