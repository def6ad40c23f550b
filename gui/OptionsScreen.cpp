#include "gui/OptionsScreen.h"

#include <string>

#include "gui/OptionsModel.h"
#include "gui/ResultsScreens.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "ostrel/Display3D.h"
#include "ostrel/Sound.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/WidgetBridges.h"

namespace orvek::trelm::gui {

namespace {

using orvek::ostrel::ImageCheckButton;
using orvek::ostrel::ImageTextPushButton;
using orvek::ostrel::Slidebar;

const std::string kOptions = "menu/options";

}  // namespace

OptionsScreen::OptionsScreen(ScreenSystem& system)
    : BasicModalScreen(system, kOptions), settings_(OptionsModel::create(this)) {
    opening_ = {settings_->full_screen(), settings_->acceleration_3d(), settings_->custom_cursors(),
                settings_->sound_volume(), settings_->music_volume()};
    current_ = opening_;

    ok_ = std::make_unique<ImageTextPushButton>(control(), kOptions + "/ok");
    ok_->set_action([this] { on_ok(); });
    cancel_ = std::make_unique<ImageTextPushButton>(control(), kOptions + "/cancel");
    cancel_->set_action([this] { on_cancel(); });
    credits_ = std::make_unique<ImageTextPushButton>(control(), kOptions + "/credits");
    credits_->set_action([this] { on_credits(); });

    music_ = std::make_unique<Slidebar>(control().widget(), kOptions + "/music");
    music_->set_on_change([this](int percent) { on_music(percent); });
    sound_ = std::make_unique<Slidebar>(control().widget(), kOptions + "/sound");
    sound_->set_on_change([this](int percent) { on_sound(percent); });

    full_screen_ = std::make_unique<ImageCheckButton>(control(), kOptions + "/full-screen");
    full_screen_->set_on_change([this](bool on) {
        current_.full_screen = on;
        changed_ = true;
    });
    acceleration_ = std::make_unique<ImageCheckButton>(control(), kOptions + "/acceleration");
    acceleration_->set_on_change([this](bool on) {
        current_.acceleration = on;
        changed_ = true;
    });
    custom_cursors_ = std::make_unique<ImageCheckButton>(control(), kOptions + "/custom-cursors");
    custom_cursors_->set_on_change([this](bool on) {
        current_.custom_cursors = on;
        changed_ = true;
    });

    ok_->disable();
}

OptionsScreen::~OptionsScreen() {
    // The widgets leave the control's tree before the control goes.
    custom_cursors_.reset();
    acceleration_.reset();
    full_screen_.reset();
    sound_.reset();
    music_.reset();
    credits_.reset();
    cancel_.reset();
    ok_.reset();
}

void OptionsScreen::on_shown() {
    BasicModalScreen::on_shown();
    decided_ = false;
}

void OptionsScreen::on_activated() {
    BasicModalScreen::on_activated();
    full_screen_->set_checked(settings_->full_screen());
    if (orvek::ostrel::is_3d_supported()) {
        acceleration_->set_enabled(true);
        acceleration_->set_checked(settings_->acceleration_3d());
    } else {
        acceleration_->set_checked(false);
        acceleration_->disable();
        // The box may have been unchecked already, so its action need not
        // have run: a stored "on" must still count as a change, or OK could
        // never store the only value this machine can use.
        current_.acceleration = false;
        changed_ = true;
    }
    custom_cursors_->set_checked(settings_->custom_cursors());
    music_->set_percent(settings_->music_volume());
    sound_->set_percent(settings_->sound_volume());
}

void OptionsScreen::update() {
    BasicModalScreen::update();
    if (!changed_) return;
    ok_->set_enabled(!(current_ == opening_));
    changed_ = false;
}

bool OptionsScreen::decide() {
    if (decided_) return false;
    decided_ = true;
    return true;
}

void OptionsScreen::close(int result) {
    if (close_) {
        const auto callback = close_;
        callback(result);
    }
}

void OptionsScreen::on_ok() {
    if (!decide()) return;
    settings_->set_full_screen(current_.full_screen);
    settings_->set_acceleration_3d(current_.acceleration);
    settings_->set_custom_cursors(current_.custom_cursors);
    settings_->apply();
    close(ok_result);
}

void OptionsScreen::on_cancel() {
    if (!decide()) return;
    // What is heard again matches what is stored.
    settings_->restore_volumes();
    close(cancel_result);
}

void OptionsScreen::on_credits() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    ss->push_modal_screen(c->credits_screen());
}

void OptionsScreen::on_music(int percent) {
    settings_->set_music_volume(percent);
    current_.music_volume = settings_->music_volume();
    changed_ = true;
}

void OptionsScreen::on_sound(int percent) {
    settings_->set_sound_volume(percent);
    // While the thumb is dragged the sample would stutter on every step;
    // it plays when the slider settles.
    if (!sound_->is_dragging()) {
        if (const orvek::ostrel::Skin* skin = orvek::ostrel::Skin::instance())
            orvek::ostrel::play_sound(skin->get_path(kOptions + "/measuring-sound"));
    }
    current_.sound_volume = settings_->sound_volume();
    changed_ = true;
}

OptionsScreen* SessionControllerBase::options_screen() { return make<OptionsScreen>(options_slot); }

}  // namespace orvek::trelm::gui
