#include "gui/TrophyRoomMedalControl.h"

#include <vector>

#include "core/CampaignPlayer.h"
#include "core/LevelResult.h"
#include "core/Session.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "orvek/Names.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Statics.h"

namespace orvek::trelm::gui {

namespace {

ostrel::ConfigValueReadOnly<bool> draw_control_rect("debug/@draw_control_rect", false);

const std::string kMedals = "menu/trophy-room/medals/";
const std::string kNum = "menu/trophy-room/medals/num";
const std::string kTooltip = "menu/trophy-room/tooltip";
const std::string kCountFont = "menu/game/medals/font";

// Seconds as whole minutes, by the game's own factor.
long long minutes(float seconds) { return ostrel::saturate_int(seconds * 0.016666668f); }

std::shared_ptr<core::CampaignPlayer> logged_player(const core::Session& session) {
    const auto profile = session.profile();
    return profile ? profile->property<core::CampaignPlayer>() : nullptr;
}

}  // namespace

std::string medal_image_id(const logic::MedalAward& medal) {
    return "menu/game/medals/" + std::string(logic::medal_name(medal.medal)) + std::to_string(medal.grade);
}

std::string medal_tooltip_text(const core::Session& session, const logic::MedalAward& medal, bool earned) {
    const ostrel::Skin* skin = ostrel::Skin::instance();
    if (!skin) return {};
    const auto player = logged_player(session);
    orvek::TextParams params;
    const auto kind = static_cast<std::uint32_t>(medal.medal);
    const auto grade = static_cast<std::uint32_t>(medal.grade);
    switch (kind) {
    case logic::medal_play_time:
        if (player) {
            params.set_int("%time%", minutes(player->best_time()));
            params.set_int("%curtime%", minutes(session.play_time()));
        }
        break;
    case logic::medal_quick_complete_sublevels:
        if (player) params.set_uint("%count%", player->grade_record(grade));
        break;
    case logic::medal_game_complete:
    case logic::medal_game_complete_without_continues:
    case logic::medal_game_complete_without_lost_life:
        break;
    case logic::medal_prize_place: {
        const std::vector<core::ResultEntry> places = session.best_results(3);
        params.set("%name%", grade < places.size() ? places[grade].name().c_str() : "");
        break;
    }
    default:
        if (player) params.set_uint("%count%", player->medal_progress(kind));
        break;
    }
    const std::string key =
        kMedals + logic::medal_name(medal.medal) + std::to_string(medal.grade) + (earned ? "/@exist" : "/@not_exist");
    return skin->get_formatted_text(key, params);
}

TrophyRoomMedalControl::TrophyRoomMedalControl(ostrel::Control& parent, const core::Session& session,
                                               const logic::MedalAward& medal, std::uint32_t count)
    : ostrel::Control(parent,
                      kMedals + logic::medal_name(medal.medal) + "/level" + std::to_string(medal.grade)),
      medal_(medal),
      count_(count),
      session_(session) {
    if (count_ != 0) {
        if (ostrel::Skin* skin = ostrel::Skin::instance()) image_.set_image(skin->get_image(medal_image_id(medal_)));
        image_.play();
    }
    image_.set_position({0, 0});
}

TrophyRoomMedalControl::~TrophyRoomMedalControl() = default;

std::shared_ptr<ostrel::Control> TrophyRoomMedalControl::tooltip() const {
    auto tip = std::make_shared<ostrel::TextTooltip>(kTooltip);
    tip->set_text(medal_tooltip_text(session_, medal_, count_ != 0));
    return tip;
}

void TrophyRoomMedalControl::draw(Vant::Graphics* g) {
    if (!g) return;
    image_.draw(*g);
    const ostrel::Size s = size();
    const ostrel::Skin* skin = ostrel::Skin::instance();
    if (count_ > 1 && skin) {
        Vant::Font* font = skin->get_font(kCountFont);
        const std::string text = std::to_string(count_);
        const auto [dx, dy] = skin->get_offset(kNum);
        g->SetFont(font);
        g->SetColor(skin->get_color(kNum));
        g->DrawString(text, s.width - (font ? font->StringWidth(text) : 0) - dx, s.height - dy);
    }
    if (draw_control_rect.get()) {
        g->SetColor(Vant::Color(255, 255, 255));
        // Inside the control, where its clip keeps all four sides.
        g->DrawRect(0, 0, s.width - 1, s.height - 1);
    }
}

}  // namespace orvek::trelm::gui
