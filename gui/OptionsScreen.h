#pragma once
// The options dialog: both volumes, heard while the sliders move, and the
// full-screen, 3D and cursor switches, which take effect on OK. OK stores
// everything at once; cancel and Escape store nothing and put back the
// volumes the dialog opened with. It acts on its first decision per showing,
// so two OKs in one step close it once.
#include <functional>
#include <memory>

#include "gui/BasicScreen.h"

namespace orvek::ostrel {
class ImageCheckButton;
class ImageTextPushButton;
class Slidebar;
}  // namespace orvek::ostrel

namespace orvek::trelm {
class OptionsModel;
}

namespace orvek::trelm::gui {

class OptionsScreen : public BasicModalScreen {
public:
    enum Result { ok_result = 0, cancel_result = 1 };

    explicit OptionsScreen(ScreenSystem& system);
    ~OptionsScreen() override;

    // Called with ok_result or cancel_result; the caller pops the dialog.
    void set_close_callback(std::function<void(int)> callback) { close_ = std::move(callback); }

    void on_shown() override;
    // Sets the controls from the settings.
    void on_activated() override;
    void update() override;
    void on_cancel() override;
    void on_accept() override {}

    void on_ok();
    void on_credits();

    struct Values {
        bool full_screen = false;
        bool acceleration = false;
        bool custom_cursors = false;
        int sound_volume = 0;
        int music_volume = 0;
        bool operator==(const Values&) const = default;
    };
    const Values& opening_values() const { return opening_; }
    const Values& current_values() const { return current_; }
    OptionsModel& settings() const { return *settings_; }

    orvek::ostrel::ImageTextPushButton& ok_button() const { return *ok_; }
    orvek::ostrel::ImageTextPushButton& cancel_button() const { return *cancel_; }
    orvek::ostrel::ImageTextPushButton& credits_button() const { return *credits_; }
    orvek::ostrel::Slidebar& music_slider() const { return *music_; }
    orvek::ostrel::Slidebar& sound_slider() const { return *sound_; }
    orvek::ostrel::ImageCheckButton& full_screen_box() const { return *full_screen_; }
    orvek::ostrel::ImageCheckButton& acceleration_box() const { return *acceleration_; }
    orvek::ostrel::ImageCheckButton& custom_cursors_box() const { return *custom_cursors_; }

private:
    bool decide();
    void close(int result);
    void on_music(int percent);
    void on_sound(int percent);

    std::unique_ptr<OptionsModel> settings_;
    std::function<void(int)> close_;
    std::unique_ptr<orvek::ostrel::ImageTextPushButton> ok_, cancel_, credits_;
    std::unique_ptr<orvek::ostrel::Slidebar> music_, sound_;
    std::unique_ptr<orvek::ostrel::ImageCheckButton> full_screen_, acceleration_, custom_cursors_;
    bool changed_ = false;
    bool decided_ = false;
    Values opening_, current_;
};

}  // namespace orvek::trelm::gui
