#include "gui/LoadingScreen.h"

#include "framework/app/VantAppBase.h"
#include "gui/ScreenSystem.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/LogoFaderScreen.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Statics.h"

namespace orvek::trelm::gui {

namespace {

orvek::ostrel::ConfigValueReadOnly<bool> close_auto("loading_screen/@close_auto", true);

class LogoScreen : public orvek::ostrel::LogoFaderScreen {
public:
    LogoScreen(ScreenSystem& system, std::function<void()> done)
        : LogoFaderScreen(system), done_(std::move(done)) {
        set_fade_speed(static_cast<float>(system.update_interval()) * 0.001f);
        set_on_finished([this] { finished_ = true; });
        if (orvek::ostrel::Skin* skin = orvek::ostrel::Skin::instance()) {
            publisher_ = skin->load_image("data//gui//logo//publisher", true);
            developer_ = skin->load_image("data//gui//logo//developer", true);
        }
        add_logo(publisher_.get());
        add_logo(developer_.get());
    }

    void update() override {
        LogoFaderScreen::update();
        ScreenSystem* ss = static_cast<ScreenSystem*>(screen_system());
        if (finished_ && !handed_over_ && ss && ss->top_screen() == this) {
            handed_over_ = true;
            ss->pop_screen();
            if (done_) done_();
        }
    }

private:
    std::function<void()> done_;
    orvek::ostrel::Skin::ImagePtr publisher_, developer_;
    bool finished_ = false;
    bool handed_over_ = false;
};

}  // namespace

std::unique_ptr<orvek::screens::Screen> make_logo_screen(ScreenSystem& system, std::function<void()> done) {
    return std::make_unique<LogoScreen>(system, std::move(done));
}

LoadingScreen::LoadingScreen(ScreenSystem& system, const std::string& skin_path, int)
    : BasicScreen(system, skin_path) {
    background_ = std::make_unique<orvek::ostrel::StaticImage>(control(), skin_path + "/progress-background");
    progress_ = std::make_unique<orvek::ostrel::StaticImage>(control(), skin_path + "/progress");
    continue_ = std::make_unique<orvek::ostrel::ImagePushButton>(control(), skin_path + "/continue");
    continue_->hide();
    continue_->set_action([this] { done_ = true; });
}

LoadingScreen::~LoadingScreen() {
    // Children before the control they hang on.
    continue_.reset();
    progress_.reset();
    background_.reset();
}

void LoadingScreen::on_shown() {
    BasicScreen::on_shown();
    if (auto* ss = screen_system()) ss->swap_cursor(false);
    elapsed_ = 0;
}

void LoadingScreen::on_hidden() {
    BasicScreen::on_hidden();
    if (auto* ss = screen_system()) ss->swap_cursor(true);
}

void LoadingScreen::update() {
    BasicScreen::update();
    ScreenSystem* ss = screen_system();
    if (done_ && ss && ss->top_screen() == this) {
        ss->pop_screen();
        // Once: the pop is carried out at the next step.
        done_ = false;
        if (finished_) finished_();
    }
    elapsed_ += static_cast<std::uint32_t>(ss ? ss->update_interval() : 33);
    const double f = static_cast<double>(elapsed_) * 0.002;
    const orvek::ostrel::Size image = progress_->image_size();
    if (f < 1.0) {
        progress_->set_size({static_cast<int>(image.width * f), image.height});
    } else if (f > 1.0 && !bar_full_) {
        progress_->set_size(image);
        bar_full_ = true;
        if (ss) ss->swap_cursor(true);
        if (close_auto.get())
            done_ = true;
        else
            continue_->set_visible(true);
    }
}

}  // namespace orvek::trelm::gui
