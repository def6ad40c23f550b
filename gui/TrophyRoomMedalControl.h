#pragma once
// One medal of the trophy room: its picture once earned, how often it was
// earned, and a tooltip that explains it with the player's progress.
#include <cstdint>
#include <memory>
#include <string>

#include "logic/Medals.h"
#include "ostrel/Control.h"
#include "ostrel/gui/Spots.h"

namespace orvek::trelm::core {
class Session;
}

namespace orvek::trelm::gui {

// "menu/game/medals/<name><grade>".
std::string medal_image_id(const logic::MedalAward& medal);

// The tooltip text of a medal, earned or not, filled from the logged-in
// player of the session (a session without one fills nothing but the
// prize holder's name).
std::string medal_tooltip_text(const core::Session& session, const logic::MedalAward& medal, bool earned);

class TrophyRoomMedalControl : public ostrel::Control {
public:
    // Placed by "menu/trophy-room/medals/<name>/level<grade>" on parent.
    TrophyRoomMedalControl(ostrel::Control& parent, const core::Session& session, const logic::MedalAward& medal,
                           std::uint32_t count);
    ~TrophyRoomMedalControl() override;

    // A new text tooltip at each call, so the text follows the progress.
    std::shared_ptr<ostrel::Control> tooltip() const override;
    void draw(Vant::Graphics* g) override;

    const logic::MedalAward& medal() const { return medal_; }
    std::uint32_t count() const { return count_; }
    const ostrel::AnimationSpot& image() const { return image_; }

private:
    ostrel::AnimationSpot image_;
    logic::MedalAward medal_;
    std::uint32_t count_;
    const core::Session& session_;
};

}  // namespace orvek::trelm::gui
