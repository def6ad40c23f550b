#include "gui/RendererFactory.h"

#include <string>

#include "gui/Effects.h"
#include "gui/ObjRenderers.h"
#include "gui/ObjectProperties.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/ZelkorRegion.h"
#include "orvek/Log.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/gui/ColorNames.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {


ostrel::ConfigValueReadOnly<float> speed_rotation("bonuses/@speed_rotation", 6.2831855f);
ostrel::ConfigValueReadOnly<int> jewels_quantity("bonuses/@jewels_quantity", 3);
ostrel::ConfigValueReadOnly<float> shadow_offset0_x("render/@bonusfall_shadow_offset0_x", 1.0f);
ostrel::ConfigValueReadOnly<float> shadow_offset0_y("render/@bonusfall_shadow_offset0_y", 1.0f);
ostrel::ConfigValueReadOnly<float> shadow_offset1_x("render/@bonusfall_shadow_offset1_x", 10.0f);
ostrel::ConfigValueReadOnly<float> shadow_offset1_y("render/@bonusfall_shadow_offset1_y", 10.0f);
ostrel::ConfigValueReadOnly<float> shadow_speed("render/@bonusfall_shadow_speed", 10.0f);

const LogChannel& factory_warning() {
    static const LogChannel channel("Trelm.RendererFactory", log_warning_flag);
    return channel;
}

constexpr float two_pi = 6.2831855f;

Vector2 skin_offset(const char* node) {
    const auto o = skin().get_offset(node);
    return Vector2(float(o.first), float(o.second));
}

}  // namespace

template <class R, class... Args>
std::shared_ptr<R> RendererFactory::add(Args&&... args) {
    auto r = std::make_shared<R>(owner_, std::forward<Args>(args)...);
    owner_->add_renderer(r);
    return r;
}

void RendererFactory::create_renderers(const std::weak_ptr<logic::Obj>& object) {
    const auto obj = object.lock();
    if (!obj) return;
    if (auto platform = std::dynamic_pointer_cast<logic::Platform>(obj)) {
        attach_image_property(*platform, "platform", false);
        attach_shadow_property(*platform, "platform_shadow", skin_offset("menu/game/platform_shadow"));
        add<PlatformRenderer>(std::weak_ptr<logic::Platform>(platform));
    } else if (std::dynamic_pointer_cast<logic::Ball>(obj)) {
        create_ball(obj);
    } else if (std::dynamic_pointer_cast<logic::BonusFall>(obj)) {
        create_bonus(obj);
    } else if (auto region = std::dynamic_pointer_cast<logic::ZelkorRegion>(obj)) {
        add<ZelkorRegionRenderer>(std::weak_ptr<logic::ZelkorRegion>(region));
    } else if (auto door = std::dynamic_pointer_cast<logic::Door>(obj)) {
        add<DoorRenderer>(std::weak_ptr<logic::Door>(door));
    } else if (auto lift = std::dynamic_pointer_cast<logic::Lift>(obj)) {
        add<LiftRenderer>(std::weak_ptr<logic::Lift>(lift));
    }
}

void RendererFactory::create_ball(const std::shared_ptr<logic::Obj>& obj) {
    const auto& ball = static_cast<const logic::Ball&>(*obj);
    const int kind = ball.kind(), colour = ball.color();
    if (kind == logic::ball_plain && colour == logic::color_none) return;
    const auto* special = dynamic_cast<const logic::BallBonus*>(&ball);
    const bool intensified = special && special->intensified();
    std::string name;
    float spin = 0.0f;
    switch (kind) {
    case logic::ball_plain:
        if (colour == logic::color_wild) {
            spin = 2 * two_pi;
        } else if (const char* colour_name = ostrel::color_name(colour)) {
            name = std::string("ball-") + colour_name;
        } else {
            factory_warning() << "No image for a ball of colour " << colour << std::endl;
            return;
        }
        break;
    case logic::ball_bomb: name = intensified ? "ball-bomb_intensive" : "ball-bomb"; spin = two_pi; break;
    case logic::ball_lightning:
        name = intensified ? "ball-lightning_intensive" : "ball-lightning";
        spin = two_pi;
        break;
    case logic::ball_aiming_hit:
        name = intensified ? "ball-aiming_hit_intensive" : "ball-aiming_hit";
        spin = two_pi;
        break;
    default: factory_warning() << "No image for a ball of kind " << kind << std::endl; return;
    }
    attach_shadow_property(*obj, "ball_shadow", skin_offset("menu/game/ball_shadow"));
    if (kind == logic::ball_bomb || kind == logic::ball_lightning) {
        attach_image_property(*obj, name, true);
        add<GlowingObjRenderer>(std::weak_ptr<logic::Obj>(obj), spin, skin_image("ball_glowing_active"),
                                skin_image("ball_glowing_passive"), 0.5f, false);
    } else if (kind == logic::ball_plain && colour == logic::color_wild) {
        auto r = add<AnimatedObjRenderer>(std::weak_ptr<logic::Obj>(obj), skin_image("ball-wild"), false, 0.5f);
        r->attach_spot(skin_image("wild_ball_stars"), true, 1.5f);
    } else {
        attach_image_property(*obj, name, true);
        add<ObjRenderer>(std::weak_ptr<logic::Obj>(obj), false, spin);
    }
}

void RendererFactory::create_bonus(const std::shared_ptr<logic::Obj>& obj) {
    const auto& bonus = static_cast<const logic::BonusFall&>(*obj);
    add<EffectRendererTail>(std::weak_ptr<logic::Obj>(obj), 10.0f, 10.0f);
    static const char* const plain_names[] = {nullptr,  "wild_ball",   "slowing", "go_back", "stop",
                                              "bomb",   "lightning",   nullptr,   "pull_in", "intensifier",
                                              "progress", nullptr,     "coin",    nullptr,   "aiming_hit",
                                              "sequence_acceleration"};
    const int kind = bonus.kind();
    if (kind < 1 || kind > 15) return;
    std::string name, shadow;
    if (kind == logic::bonus_color_bomb) {
        const auto* bomb = dynamic_cast<const logic::BonusColorBomb*>(&bonus);
        const int colour = bomb ? bomb->color() : 0;
        // Colour 9 has a name but no colour bomb.
        const char* colour_name = colour >= 1 && colour <= 8 ? ostrel::color_name(colour) : nullptr;
        if (!colour_name) {
            factory_warning() << "No image for a colour bomb of colour " << colour << std::endl;
            return;
        }
        name = std::string("colorbomb-") + colour_name;
        shadow = "colorbomb_shadow";
    } else if (kind == logic::bonus_jewel) {
        const auto* jewel = dynamic_cast<const logic::BonusJewel*>(&bonus);
        const long long index = jewel ? jewel->index() : 0;
        if (index >= jewels_quantity.get()) {
            factory_warning() << "No image for jewel " << index << std::endl;
            return;
        }
        name = "jewel" + std::to_string(index);
    } else if (kind == logic::bonus_letter) {
        const auto* letter = dynamic_cast<const logic::BonusLetter*>(&bonus);
        const std::string word = skin().get_text("menu/bonus_word");
        const std::size_t at = letter && letter->letter() ? word.find(letter->letter()) : std::string::npos;
        if (at == std::string::npos) {
            factory_warning() << "No image for the letter " << int(letter ? letter->letter() : 0)
                              << ": it is not in the bonus word" << std::endl;
            return;
        }
        name = "letter_" + std::to_string(at);
    } else {
        name = plain_names[kind];
    }
    if (shadow.empty()) shadow = name + "_shadow";
    attach_image_property(*obj, name, true);
    attach_shadow_property(*obj, shadow, Vector2(shadow_offset0_x.get(), shadow_offset0_y.get()),
                           Vector2(shadow_offset1_x.get(), shadow_offset1_y.get()), shadow_speed.get());
    auto r = add<ObjRenderer>(std::weak_ptr<logic::Obj>(obj), false, 0.0f);
    if (kind == logic::bonus_jewel) {
        const float speed = speed_rotation.get();
        r->attach_spot(skin_image(name + "_glowing"), true, speed > 0.0f ? two_pi / speed : 1.0f);
    } else if (kind == logic::bonus_coin) {
        add<EffectRendererShining>(std::weak_ptr<logic::Obj>(obj), 10.0f, 10);
    }
}

void RendererFactory::rebuild_renderers(logic::Obj* changed) {
    if (!changed) return;
    std::shared_ptr<logic::Obj> object;  // kept alive through the rebuild
    RendererList& list = owner_->renderers();
    for (auto it = list.begin(); it != list.end();) {
        auto followed = *it ? (*it)->object().lock() : nullptr;
        if (followed && followed.get() == changed) {
            object = std::move(followed);
            it = list.erase(it);
        } else {
            ++it;
        }
    }
    if (!object) return;
    // The new kind may take no property of a class the old one had.
    object->set_property(ObjectPropertyImage::type_name, nullptr);
    object->set_property(ObjectPropertyShadow::type_name, nullptr);
    create_renderers(object);
}

}  // namespace orvek::trelm::gui
