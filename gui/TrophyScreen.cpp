#include "gui/TrophyScreen.h"

#include <string>

#include "core/CampaignPlayer.h"
#include "core/LevelResult.h"
#include "core/Session.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "gui/TrophyRoomMedalControl.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/gui/Buttons.h"

namespace orvek::trelm::gui {

namespace {

ostrel::ConfigValueReadOnly<bool> show_all_medals("debug/@show_all_medals", false);

const std::string kTrophy = "menu/trophy-room";

}  // namespace

TrophyScreen::TrophyScreen(ScreenSystem& system) : BasicScreen(system, kTrophy) {
    ok_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), kTrophy + "/ok");
    ok_->set_action([this] { on_cancel(); });
    SessionControllerBase* c = controller();
    if (!c) return;
    const core::Session& session = c->session();
    const auto profile = session.profile();
    const auto player = profile ? profile->property<core::CampaignPlayer>() : nullptr;
    const bool all = show_all_medals.get();
    medals_.reserve(logic::medal_count * 3);
    for (int kind = 0; kind < logic::medal_prize_place; ++kind) {
        for (int grade = 0; grade < 3; ++grade) {
            const logic::MedalAward medal(kind, grade);
            std::uint32_t count = player ? player->medal_count(medal) : 0;
            if (all) {
                const bool once_only = kind >= logic::medal_game_complete;
                count = once_only && grade > 0 ? 0 : 2;
            }
            medals_.push_back(std::make_shared<TrophyRoomMedalControl>(control(), session, medal, count));
        }
    }
    const auto places = session.best_results(3);
    for (int place = 0; place < 3; ++place) {
        // The holder's name must match byte for byte.
        const bool held = profile && std::size_t(place) < places.size() && places[place].name() == profile->name();
        const std::uint32_t count = all || held ? 1 : 0;
        medals_.push_back(std::make_shared<TrophyRoomMedalControl>(
            control(), session, logic::MedalAward(logic::medal_prize_place, place), count));
    }
}

TrophyScreen::~TrophyScreen() {
    medals_.clear();
    ok_.reset();
}

void TrophyScreen::on_shown() {
    BasicScreen::on_shown();
    decided_ = false;
}

void TrophyScreen::on_cancel() {
    ScreenSystem* ss = screen_system();
    if (!ss || decided_) return;
    decided_ = true;
    ss->pop_screen();
}

TrophyScreen* SessionControllerBase::trophy_screen() { return make<TrophyScreen>(trophy_slot); }

}  // namespace orvek::trelm::gui
