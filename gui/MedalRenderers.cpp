#include "gui/MedalRenderers.h"

#include <cmath>
#include <limits>
#include <string>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "gui/Effects.h"
#include "gui/ScreenSystem.h"
#include "gui/TrophyRoomMedalControl.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/Control.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Statics.h"

namespace orvek::trelm::gui {

namespace {

ostrel::ConfigValueReadOnly<bool> draw_medal_name("debug/@draw_medal_name", true);

const std::string kAppearance = "menu/trophy-room/medals/appearance_in_game";
const std::string kNum = "menu/trophy-room/medals/num";

}  // namespace

MedalArrivalHandler::~MedalArrivalHandler() = default;

// MedalDynamicRenderer

MedalDynamicRenderer::MedalDynamicRenderer(RendererOwner* owner, MedalArrivalHandler* handler,
                                           const logic::MedalAward& award, const Vector2& target)
    : BasicRenderer(owner, layer_medal_flying), handler_(handler), award_(award), target_(target) {
    ostrel::Skin& s = skin();
    const auto [x, y] = s.get_position(kAppearance);
    start_ = position_ = Vector2(float(x), float(y));
    const Vector2 way = target_ - start_;
    distance_ = way.length();
    // A target on the appearance point has no direction: such a medal
    // stands still and arrives at its first update.
    Vector2 direction;
    if (distance_ > 0.0f && std::isfinite(distance_)) direction = Vector2(way.x / distance_, way.y / distance_);
    else distance_ = 0.0f;
    velocity_ = direction * s.get_float(kAppearance, "speed");
    acceleration_ = direction * s.get_float(kAppearance, "acceleration");
    scale_start_ = s.get_float(kAppearance, "scale_start");
    spot_.set_image(skin_image(medal_image_id(award_)));
    spot_.set_duration(std::numeric_limits<float>::infinity());
    spot_.play();
}

void MedalDynamicRenderer::update(float dt) {
    velocity_ += acceleration_ * dt;
    position_ += velocity_ * dt;
    if (!arrived_) {
        // Not heading for the target any more (or no number at all): there.
        const float ahead = velocity_.dot(target_ - position_);
        if (distance_ == 0.0f || !(ahead > 0.0f)) {
            arrived_ = true;
            if (handler_) handler_->arrive(award_);
        }
    }
    scale_ = 1.0f;
    if (distance_ > 0.0f) {
        const float s = (scale_start_ - 1.0f) / distance_ * distance(target_, position_) + 1.0f;
        if (std::isfinite(s)) scale_ = s;
    }
    const Vant::Image* image = spot_.image().GetImage();
    const float half_w = image ? float(image->GetCelWidth()) * 0.5f * scale_ : 0.0f;
    const float half_h = image ? float(image->GetCelHeight()) * 0.5f * scale_ : 0.0f;
    spot_.set_exact_position(position_.x - half_w, position_.y - half_h);
    spot_.set_scale(scale_);
    if (effect_timer_ <= 0.0f) {
        effect_timer_ = skin().get_float(kAppearance, "dtime_effect");
        if (owner()) owner()->add_renderer(make_medal_effect(owner(), position_, velocity_));
    }
    effect_timer_ -= dt;
}

// MedalStaticRenderer

MedalStaticRenderer::MedalStaticRenderer(RendererOwner* owner, const logic::MedalAward& award, int x, int y)
    : BasicRenderer(owner, layer_medal_resting), award_(award), image_(skin_image(medal_image_id(award))) {
    const Vant::Image* image = image_.GetImage();
    const int cel_w = image ? image->GetCelWidth() : 0, cel_h = image ? image->GetCelHeight() : 0;
    top_left_ = {x - cel_w / 2, y - cel_h / 2};
    ostrel::Control* parent = owner ? owner->owner_control() : nullptr;
    if (!parent) return;
    tooltip_control_ = std::make_shared<ostrel::Control>();
    parent->add_child(*tooltip_control_);
    tooltip_control_->set_position(top_left_);
    tooltip_control_->set_size({image ? image->width : 0, image ? image->height : 0});
    auto tip = std::make_shared<ostrel::TextTooltip>("menu/trophy-room/tooltip");
    if (const core::Session* session = owner->owner_session()) tip->set_text(medal_tooltip_text(*session, award_, true));
    tooltip_control_->set_tooltip(std::move(tip));
}

MedalStaticRenderer::~MedalStaticRenderer() {
    if (!tooltip_control_) return;
    // A tooltip shown for this medal goes with it.
    ScreenSystem* ss = owner() ? owner()->owner_screen_system() : nullptr;
    const auto tip = tooltip_control_->tooltip();
    if (ss && ss->widget_manager() && tip && ss->shown_tooltip() == tip) ss->hide_tooltip();
    // Its destructor takes the area off the owner's control.
    tooltip_control_.reset();
}

void MedalStaticRenderer::draw(Vant::Graphics& g) {
    Vant::Image* image = image_.GetImage();
    if (!image) return;
    g.DrawImage(image, top_left_.x, top_left_.y);
    if (count_ > 1) {
        ostrel::Skin& s = skin();
        Vant::Font* font = s.get_font("menu/game/medals/font");
        const std::string text = std::to_string(count_);
        g.SetFont(font);
        g.SetColor(s.get_color(kNum));
        g.DrawString(text, top_left_.x + image->width - (font ? font->StringWidth(text) : 0),
                     top_left_.y + image->height);
    }
    if (draw_medal_name.get()) {
        g.SetFont(skin().get_font("DebugFont"));
        g.SetColor(Vant::Color(0, 0, 0));
        g.DrawString(logic::medal_name(award_.medal) + std::to_string(award_.grade), top_left_.x, top_left_.y);
    }
}

}  // namespace orvek::trelm::gui
