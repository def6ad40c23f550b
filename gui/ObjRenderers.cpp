#include "gui/ObjRenderers.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "framework/graphics/Graphics.h"
#include "gui/ObjectProperties.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/ZelkorRegion.h"
#include "orvek/Log.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/Display3D.h"
#include "ostrel/gui/ColorNames.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {


constexpr float two_pi = 6.2831855f;

ostrel::ConfigValueReadOnly<bool> draw_bonus_name("debug/@draw_bonus_name", true);
ostrel::ConfigValueReadOnly<float> platform_ball0_x("render/@platform_ball0_x", 35.0f);
ostrel::ConfigValueReadOnly<float> platform_ball0_y("render/@platform_ball0_y", 13.0f);
ostrel::ConfigValueReadOnly<float> platform_ball1_x("render/@platform_ball1_x", 100.0f);
ostrel::ConfigValueReadOnly<float> platform_ball1_y("render/@platform_ball1_y", 13.0f);
ostrel::ConfigValueReadOnly<float> zelkor_head_offset("render/@zelkor_head_offset", 1.0f);
ostrel::ConfigValueReadOnly<float> zelkor_tail_offset("render/@zelkor_tail_offset", -20.0f);
ostrel::ConfigValueReadOnly<float> zelkor_head_time("render/@zelkor_head_time_animation", 1.0f);
ostrel::ConfigValueReadOnly<float> zelkor_tail_time("render/@zelkor_tail_time_animation", 1.0f);

const LogChannel& renderer_log() {
    static const LogChannel channel("Trelm.ObjRenderer", log_info_flag);
    return channel;
}

void log_missing_image() { renderer_log() << "Object does not contain image property. No image to load." << std::endl; }

int cel_count(const Vant::Image* image) {
    return image ? std::max(1, image->numCols) * std::max(1, image->numRows) : 0;
}

// The debug label of a falling bonus; coins and letters have none.
std::string bonus_debug_name(const logic::BonusFall& bonus) {
    switch (bonus.kind()) {
    case logic::bonus_wild_ball: return "WildBall";
    case logic::bonus_slowing: return "Slowing";
    case logic::bonus_go_back: return "GoBack";
    case logic::bonus_stop: return "Stop";
    case logic::bonus_bomb: return "Bomb";
    case logic::bonus_lightning: return "Lightning";
    case logic::bonus_color_bomb: return "ColorBomb";
    case logic::bonus_pull_in: return "PullIn";
    case logic::bonus_intensifier: return "Intensifier";
    case logic::bonus_progress: return "Progress";
    case logic::bonus_jewel: {
        const auto* jewel = dynamic_cast<const logic::BonusJewel*>(&bonus);
        return "Jewel" + std::to_string(jewel ? jewel->index() : 0u);
    }
    case logic::bonus_aiming_hit: return "AimingHit";
    case logic::bonus_sequence_acceleration: return "SequenceAcceleration";
    default: return {};
    }
}

// A spin of one turn per `seconds`; none for a period that is not positive.
float spin_for_period(float seconds) { return seconds > 0.0f ? two_pi / seconds : 0.0f; }

}  // namespace

int rotation_cel(float rotation, int cels) {
    if (cels < 1 || std::isnan(rotation)) return 0;
    float a = rotation;
    if (a < 0.0f) a += two_pi;
    if (a >= two_pi) a -= two_pi;
    // In single precision a tiny negative rotation lands on exactly 2 pi.
    return std::clamp(to_int(float(cels) * a * 0.15915494f), 0, cels - 1);
}

int door_cel(float fraction, int cels) {
    if (cels < 1) return 0;
    const float f = std::isnan(fraction) ? 1.0f : std::clamp(fraction, 0.0f, 1.0f);
    return std::clamp(to_int((1.0f - f) * float(cels)), 0, cels - 1);
}

// BasicObjRenderer

BasicObjRenderer::BasicObjRenderer(RendererOwner* owner, std::weak_ptr<logic::Obj> object)
    : BasicRenderer(owner, -1), target_(std::move(object)) {
    const auto obj = target_.lock();
    if (!obj) return;
    set_layer(obj->draw_order());
    if (const auto shadow = shadow_property(*obj)) {
        shadow_image_ = skin_image(shadow->name());
        shadow_offset_ = shadow->offset();
        shadow_target_ = shadow->second_offset();
        shadow_speed_ = shadow->speed();
    }
}

int BasicObjRenderer::shadow_cels() const { return cel_count(shadow_image_.GetImage()); }

void BasicObjRenderer::update(float dt) {
    const auto obj = target_.lock();
    if (!obj) return;
    set_layer(obj->draw_order());
    if (shadow_image_.GetImage() && !(shadow_offset_ == shadow_target_)) {
        const Vector2 d = shadow_target_ - shadow_offset_;
        const float length = d.length();
        const float step = std::max(0.0f, shadow_speed_ * dt);
        // Within a rounding error of the last step the shadow lands on its
        // target instead of stopping a hair short.
        if (length > step + 1e-4f && std::isfinite(length))
            shadow_offset_ += d * (step / length);
        else if (step > 0.0f || length <= 1e-4f)
            shadow_offset_ = shadow_target_;
    }
    if (spot_) {
        spot_->update(dt);
        spot_->set_centre(obj->position());
    }
}

void BasicObjRenderer::draw_under(Vant::Graphics& g) {
    const auto obj = target_.lock();
    if (!obj) return;
    Vant::Image* shadow = shadow_image_.GetImage();
    if (shadow && ostrel::is_3d_accelerated()) {
        const Vant::Rect r = cel_rect(*shadow, shadow_cel_);
        const Vector2& p = obj->position();
        g.DrawImageF(shadow, p.x - float(r.width / 2) + shadow_offset_.x, p.y - float(r.height / 2) + shadow_offset_.y,
                     r);
    }
    if (spot_) spot_->draw(g);
}

void BasicObjRenderer::attach_spot(const Vant::SharedImageRef& image, bool additive, float duration) {
    const auto obj = target_.lock();
    spot_ = std::make_shared<MovableAnimationSpot>(image, obj ? obj->position() : Vector2(), duration, true, additive,
                                                   true);
}

// ObjRenderer

ObjRenderer::ObjRenderer(RendererOwner* owner, std::weak_ptr<logic::Obj> object, bool additive, float spin_speed)
    : BasicObjRenderer(owner, std::move(object)), spin_speed_(spin_speed), additive_(additive) {
    const auto obj = target();
    if (!obj) return;
    if (const auto property = image_property(*obj)) {
        image_ = skin_image(property->name());
        cel_from_rotation_ = property->cel_from_rotation();
    } else {
        log_missing_image();
    }
    if (draw_bonus_name.get())
        if (const auto* bonus = dynamic_cast<const logic::BonusFall*>(obj.get())) debug_name_ = bonus_debug_name(*bonus);
}

void ObjRenderer::update(float dt) {
    BasicObjRenderer::update(dt);
    const auto obj = target();
    if (!obj) return;
    if (spin_speed_ != 0.0f) obj->set_rotation(obj->rotation() + dt * spin_speed_);
    cel_ = cel_from_rotation_ ? rotation_cel(obj->rotation(), cel_count(image_.GetImage())) : 0;
    if (shadow_cels() > 1) shadow_cel_ = cel_;
}

void ObjRenderer::draw(Vant::Graphics& g) {
    const auto obj = target();
    if (!obj) return;
    const int mode = g.GetDrawMode();
    if (additive_) g.SetDrawMode(1);
    const Vector2& p = obj->position();
    if (Vant::Image* image = image_.GetImage()) {
        const Vant::Rect r = cel_rect(*image, cel_);
        const int hw = r.width / 2, hh = r.height / 2;
        if (ostrel::is_3d_accelerated())
            g.DrawImageRotated(image, p.x - float(hw), p.y - float(hh), double(obj->direction()), &r);
        else
            g.DrawImage(image, to_int(p.x - float(hw) + 0.5f), to_int(p.y - float(hh) + 0.5f), r);
    }
    if (draw_bonus_name.get() && !debug_name_.empty()) {
        g.SetFont(skin().get_font("DebugFont"));
        g.SetColor(Vant::Color(0, 0, 0));
        g.DrawString(debug_name_, to_int(p.x), to_int(p.y));
    }
    if (additive_) g.SetDrawMode(mode);
}

// GlowingObjRenderer

GlowingObjRenderer::GlowingObjRenderer(RendererOwner* owner, std::weak_ptr<logic::Obj> object, float spin_speed,
                                       const Vant::SharedImageRef& platform_glow, const Vant::SharedImageRef& glow,
                                       float glow_duration, bool additive)
    : ObjRenderer(owner, object, additive, spin_speed),
      platform_glow_(platform_glow, Vector2(), glow_duration, true, true, true),
      glow_(glow, Vector2(), glow_duration, true, true, true) {
    if (const auto obj = target()) {
        platform_glow_.set_centre(obj->position());
        glow_.set_centre(obj->position());
    }
}

void GlowingObjRenderer::update(float dt) {
    ObjRenderer::update(dt);
    const auto obj = target();
    if (!obj) return;
    for (MovableAnimationSpot* glow : {&platform_glow_, &glow_}) {
        glow->set_centre(obj->position());
        glow->update(dt);
    }
}

void GlowingObjRenderer::draw(Vant::Graphics& g) {
    ObjRenderer::draw(g);
    const auto obj = target();
    if (!obj) return;
    if (obj->draw_order() == loaded_draw_order)
        platform_glow_.draw(g);
    else
        glow_.draw(g);
}

void GlowingObjRenderer::draw_under(Vant::Graphics& g) {
    const auto obj = target();
    if (obj && obj->draw_order() != loaded_draw_order) ObjRenderer::draw_under(g);
}

// AnimatedObjRenderer

AnimatedObjRenderer::AnimatedObjRenderer(RendererOwner* owner, std::weak_ptr<logic::Obj> object,
                                         const Vant::SharedImageRef& image, bool additive, float duration)
    : BasicObjRenderer(owner, object), spot_(image, Vector2(), duration, true, additive, true) {
    if (const auto obj = target()) spot_.set_centre(obj->position());
}

void AnimatedObjRenderer::update(float dt) {
    BasicObjRenderer::update(dt);
    const auto obj = target();
    if (!obj) return;
    spot_.update(dt);
    if (shadow_cels() > 1) shadow_cel_ = spot_.current_frame();
    spot_.set_centre(obj->position());
    if (second_) {
        second_->update(dt);
        second_->set_centre(obj->position());
    }
}

void AnimatedObjRenderer::draw(Vant::Graphics& g) {
    if (!target()) return;
    spot_.draw(g);
    if (second_) second_->draw(g);
}

void AnimatedObjRenderer::attach_spot(const Vant::SharedImageRef& image, bool additive, float duration) {
    const auto obj = target();
    second_ = std::make_shared<MovableAnimationSpot>(image, obj ? obj->position() : Vector2(), duration, true, additive,
                                                     true);
}

// PlatformRenderer

PlatformRenderer::PlatformRenderer(RendererOwner* owner, std::weak_ptr<logic::Platform> platform)
    : BasicRenderer(owner, layer_platform),
      next_lightning_time_(std::numeric_limits<float>::infinity()),
      target_(std::move(platform)) {
    const auto p = target_.lock();
    if (!p) return;
    if (const auto property = image_property(*p))
        image_ = skin_image(property->name());
    else
        log_missing_image();
    if (const auto shadow = shadow_property(*p)) {
        shadow_image_ = skin_image(shadow->name());
        shadow_offset_ = shadow->offset();
    }
    ostrel::Skin& s = skin();
    const std::string node = "menu/game/platform_lightnings";
    dtime_min_ = s.get_float(node, "dtime_min");
    dtime_max_ = s.get_float(node, "dtime_max");
    const int count = s.get_int(node, "num_lightnings");
    for (int i = count - 1; i >= 0; --i) {
        const std::string n = std::to_string(i);
        const std::string sub = node + "/lightning" + n;
        lightning_spots_.push_back(std::make_shared<MovableAnimationSpot>(
            skin_image("platform_lightning" + n), Vector2(), s.get_float(sub, "time"), false, true, false));
        const auto offset = s.get_offset(sub);
        lightning_offsets_.emplace_back(float(offset.first), float(offset.second));
    }
}

std::weak_ptr<logic::Obj> PlatformRenderer::object() const { return target_.lock(); }

void PlatformRenderer::update(float dt) {
    const auto p = target_.lock();
    if (!p) return;
    if (const logic::Ball* ball = p->ball_to_take()) {
        if (ball->kind() != ball_kind_ || ball->color() != ball_colour_) {
            ball_kind_ = ball->kind();
            ball_colour_ = ball->color();
            const char* suffix = nullptr;
            switch (ball_kind_) {
            case logic::ball_plain: suffix = ostrel::color_name(ball_colour_); break;
            case logic::ball_bomb: suffix = "bomb"; break;
            case logic::ball_lightning: suffix = "lightning"; break;
            case logic::ball_aiming_hit: suffix = "aiming_hit"; break;
            default: break;
            }
            ball_image_ = suffix ? skin_image(std::string("platform_ball_") + suffix) : Vant::SharedImageRef();
        }
    } else {
        ball_image_ = Vant::SharedImageRef();
        ball_kind_ = -1;
    }

    const Vant::Image* image = image_.GetImage();
    const float cw = image ? float(image->GetCelWidth()) : 0.0f, ch = image ? float(image->GetCelHeight()) : 0.0f;
    const Vector2& pos = p->position();
    const Vector2 base(float(to_int(pos.x - cw * 0.5f)), float(to_int(pos.y - ch * 0.5f)));
    for (std::size_t i = 0; i < lightning_spots_.size(); ++i) {
        const Vector2& off = lightning_offsets_[i];
        lightning_spots_[i]->set_centre(Vector2(float(to_int(base.x + off.x)), float(to_int(base.y + off.y))));
        lightning_spots_[i]->update(dt);
    }

    if (!p->is_intensified()) {
        next_lightning_time_ = std::numeric_limits<float>::infinity();
        return;
    }
    const float now = owner() ? owner()->game_time() : 0.0f;
    if (std::isfinite(next_lightning_time_) && now < next_lightning_time_) return;
    if (lightning_spots_.empty()) return;
    int k = effects_random().next() % int(lightning_spots_.size());
    for (const auto& spot : lightning_spots_) {
        if (spot->is_playing()) continue;
        if (k > 0) {
            --k;
            continue;
        }
        spot->play();
        next_lightning_time_ = now + dtime_min_ +
                               float(effects_random().next()) * (dtime_max_ - dtime_min_) /
                                   float(orvek::LegacyRand::max_value);
        break;
    }
}

void PlatformRenderer::draw(Vant::Graphics& g) {
    const auto p = target_.lock();
    if (!p) return;
    const Vector2& pos = p->position();
    if (Vant::Image* image = image_.GetImage()) {
        const float left = pos.x - float(image->width / 2), top = pos.y - float(image->height / 2);
        g.DrawImageF(image, left, top);
        if (Vant::Image* ball = ball_image_.GetImage()) {
            g.DrawImageF(ball, left + platform_ball0_x.get(), top + platform_ball0_y.get());
            g.DrawImageF(ball, left + platform_ball1_x.get(), top + platform_ball1_y.get());
        }
    }
    for (const auto& spot : lightning_spots_) spot->draw(g);
}

void PlatformRenderer::draw_under(Vant::Graphics& g) {
    const auto p = target_.lock();
    if (!p) return;
    if (Vant::Image* shadow = shadow_image_.GetImage())
        g.DrawImageF(shadow, p->position().x + shadow_offset_.x, p->position().y + shadow_offset_.y);
}

// ZelkorRegionRenderer

ZelkorRegionRenderer::ZelkorRegionRenderer(RendererOwner* owner, std::weak_ptr<logic::ZelkorRegion> region)
    : BasicRenderer(owner, -1), target_(std::move(region)) {
    const auto r = target_.lock();
    if (!r) return;
    if (r->side() == logic::ZelkorRegion::tail_side) {
        image_ = skin_image("zelkor_tail");
        offset_ = zelkor_tail_offset.get();
        spin_speed_ = spin_for_period(zelkor_tail_time.get());
    } else {
        image_ = skin_image("zelkor_head");
        offset_ = zelkor_head_offset.get();
        spin_speed_ = spin_for_period(zelkor_head_time.get());
    }
}

std::weak_ptr<logic::Obj> ZelkorRegionRenderer::object() const { return target_.lock(); }

void ZelkorRegionRenderer::update(float dt) {
    const auto r = target_.lock();
    if (!r) return;
    if (spin_speed_ != 0.0f) r->set_rotation(r->rotation() + dt * spin_speed_);
    set_layer(r->draw_order());
}

void ZelkorRegionRenderer::draw(Vant::Graphics& g) {
    const auto r = target_.lock();
    Vant::Image* image = image_.GetImage();
    if (!r || !image) return;
    const Vant::Rect cel = cel_rect(*image, rotation_cel(r->rotation(), cel_count(image)));
    const float d = r->direction();
    const Vector2& p = r->position();
    const float cx = p.x + std::sin(d) * offset_, cy = p.y + std::cos(d) * offset_;
    g.DrawImageRotated(image, cx - float(cel.width / 2), cy - float(cel.height / 2), double(d), &cel);
}

// DoorRenderer

DoorRenderer::DoorRenderer(RendererOwner* owner, std::weak_ptr<logic::Door> door)
    : BasicRenderer(owner, layer_doors), image_(skin_image("door")), target_(std::move(door)) {}

std::weak_ptr<logic::Obj> DoorRenderer::object() const { return target_.lock(); }

void DoorRenderer::draw(Vant::Graphics& g) {
    const auto door = target_.lock();
    Vant::Image* image = image_.GetImage();
    if (!door || !image) return;
    const Vant::Rect cel = cel_rect(*image, door_cel(door->fraction(), cel_count(image)));
    const Vector2& p = door->position();
    g.DrawImage(image, to_int(p.x - float(cel.width / 2) + 0.5f), to_int(p.y - float(cel.height / 2) + 0.5f), cel);
}

// LiftRenderer

LiftRenderer::LiftRenderer(RendererOwner* owner, std::weak_ptr<logic::Lift> lift)
    : BasicRenderer(owner, layer_doors), image_(skin_image("lift")), target_(std::move(lift)) {}

std::weak_ptr<logic::Obj> LiftRenderer::object() const { return target_.lock(); }

void LiftRenderer::draw(Vant::Graphics& g) {
    const auto lift = target_.lock();
    Vant::Image* image = image_.GetImage();
    if (!lift || !image) return;
    if (const auto door = lift->door(); door && door->is_open()) return;
    const Vector2& p = lift->position();
    g.DrawImage(image, to_int(p.x - float(image->width / 2) + 0.5f), to_int(p.y + 0.5f));
}

}  // namespace orvek::trelm::gui
