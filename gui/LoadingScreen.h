#pragma once
// The screens that open the game: the logos, then a loading bar that fills
// over half a second of steps and then closes, or waits for its continue
// button.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gui/BasicScreen.h"

namespace orvek::ostrel {
class ImagePushButton;
class StaticImage;
}  // namespace orvek::ostrel

namespace orvek::trelm::gui {

// The publisher's then the developer's logo, fading; when they are done (or
// cancelled) and the screen is on top, it pops itself and calls done.
std::unique_ptr<orvek::screens::Screen> make_logo_screen(ScreenSystem& system, std::function<void()> done);

class LoadingScreen : public BasicScreen {
public:
    // The flag is not used.
    LoadingScreen(ScreenSystem& system, const std::string& skin_path, int flag);
    ~LoadingScreen() override;

    void set_on_finished(std::function<void()> finished) { finished_ = std::move(finished); }

    void on_shown() override;
    void on_hidden() override;
    void update() override;

    std::uint32_t elapsed() const { return elapsed_; }
    bool is_finished() const { return bar_full_; }
    bool is_done() const { return done_; }
    orvek::ostrel::StaticImage& progress() const { return *progress_; }
    orvek::ostrel::ImagePushButton& continue_button() const { return *continue_; }

private:
    std::function<void()> finished_;
    bool done_ = false;
    std::uint32_t elapsed_ = 0;
    std::unique_ptr<orvek::ostrel::StaticImage> background_;
    std::unique_ptr<orvek::ostrel::StaticImage> progress_;
    bool bar_full_ = false;
    std::unique_ptr<orvek::ostrel::ImagePushButton> continue_;
};

}  // namespace orvek::trelm::gui
