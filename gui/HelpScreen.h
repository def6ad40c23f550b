#pragma once
// The help page: pictures and texts from the skin, animated by effects that
// loop in place and by short animations that spawn around a place, drift
// and are replaced when they end. A box stops it being shown again before
// the campaign.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/BasicScreen.h"

namespace orvek::ostrel {
class AnimationSpot;
class ImageCheckButton;
class ImageTextPushButton;
}  // namespace orvek::ostrel

namespace orvek::trelm::gui {

class MovableAnimationSpot;

class HelpScreen : public BasicModalScreen {
public:
    using Instances = std::vector<std::shared_ptr<MovableAnimationSpot>>;
    // A movable effect's shortest run, so a small "play_time" never gives
    // a negative or empty animation.
    static constexpr float min_duration = 0.05f;

    explicit HelpScreen(ScreenSystem& system);
    ~HelpScreen() override;

    // Called once per showing, by OK, Enter or Escape.
    void set_callback(std::function<void()> callback) { callback_ = std::move(callback); }

    // OK and Enter store the box into the player's show-help flag; Escape
    // leaves the flag.
    void on_accept() override;
    void on_cancel() override;
    void on_shown() override;
    void update() override;
    void draw(Vant::Graphics* g) override;

    orvek::ostrel::ImageTextPushButton& ok_button() const { return *ok_; }
    orvek::ostrel::ImageCheckButton& show_again_box() const { return *box_; }
    const std::vector<std::shared_ptr<orvek::ostrel::AnimationSpot>>& static_effects() const { return statics_; }
    // By the effect's skin path.
    const std::map<std::string, Instances>& movable_effects() const { return movables_; }

private:
    bool decide();
    void spawn(const std::string& path, Instances& into);

    std::function<void()> callback_;
    std::unique_ptr<orvek::ostrel::ImageTextPushButton> ok_;
    std::unique_ptr<orvek::ostrel::ImageCheckButton> box_;
    std::vector<std::shared_ptr<orvek::ostrel::AnimationSpot>> statics_;
    std::map<std::string, Instances> movables_;
    bool decided_ = false;
};

}  // namespace orvek::trelm::gui
