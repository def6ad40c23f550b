#pragma once
// The trophy room: every medal kind at every grade with how often the
// logged-in player won it, and the three prize places of the best results.
// Acts on its first decision per showing, so a second Escape or click in
// the same step cannot pop the screen below.
#include <memory>
#include <vector>

#include "gui/BasicScreen.h"

namespace orvek::ostrel {
class ImageTextPushButton;
}

namespace orvek::trelm::gui {

class TrophyRoomMedalControl;

class TrophyScreen : public BasicScreen {
public:
    explicit TrophyScreen(ScreenSystem& system);
    ~TrophyScreen() override;

    void on_shown() override;
    void on_cancel() override;

    orvek::ostrel::ImageTextPushButton& ok_button() const { return *ok_; }
    // 72: kinds 0..22 by grade, then the three prize places.
    const std::vector<std::shared_ptr<TrophyRoomMedalControl>>& medals() const { return medals_; }

private:
    std::unique_ptr<orvek::ostrel::ImageTextPushButton> ok_;
    std::vector<std::shared_ptr<TrophyRoomMedalControl>> medals_;
    bool decided_ = false;
};

}  // namespace orvek::trelm::gui
