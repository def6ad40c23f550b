#include "gui/Effects.h"

#include <algorithm>
#include <cmath>

#include "logic/Obj.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/gui/ColorNames.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {

constexpr float pi = 3.1415927f;
constexpr float two_pi = 6.2831855f;

// A count from the configuration: n + 1 stars, none for a negative n, and
// never so many that a typing slip in the file stalls the game.
int star_count(int configured) { return configured < 0 ? 0 : std::min(configured, 9999) + 1; }

// The keys of one two-kind star explosion.
struct ExplosionKeys {
    ostrel::ConfigValueReadOnly<int> num_stars0, num_stars1;
    ostrel::ConfigValueReadOnly<float> speed_star0, speed_star1, time_star0, time_star1, speed_dispersion;
};

ExplosionKeys level_complete_keys{{"level_complete_effect/@num_stars0", 20},
                                  {"level_complete_effect/@num_stars1", 30},
                                  {"level_complete_effect/@speed_star0", 100.0f},
                                  {"level_complete_effect/@speed_star1", 120.0f},
                                  {"level_complete_effect/@time_star0", 0.7f},
                                  {"level_complete_effect/@time_star1", 0.35f},
                                  {"level_complete_effect/@speed_dispersion", 0.4f}};
ostrel::ConfigValueReadOnly<float> time_usual_star("level_complete_effect/@time_usual_star", 0.5f);

ExplosionKeys head_and_tail_keys{{"effect_head_and_tail_destroing/@num_stars0", 5},
                                 {"effect_head_and_tail_destroing/@num_stars1", 8},
                                 {"effect_head_and_tail_destroing/@speed_star0", 25.0f},
                                 {"effect_head_and_tail_destroing/@speed_star1", 30.0f},
                                 {"effect_head_and_tail_destroing/@time_star0", 0.46666667f},
                                 {"effect_head_and_tail_destroing/@time_star1", 0.23333333f},
                                 {"effect_head_and_tail_destroing/@speed_dispersion", 0.4f}};

ostrel::ConfigValueReadOnly<int> medal_num_stars("effect_medal/@num_stars", 10);
ostrel::ConfigValueReadOnly<float> medal_speed_star("effect_medal/@speed_star", 50.0f);
ostrel::ConfigValueReadOnly<float> medal_speed_dispersion("effect_medal/@speed_dispersion", 0.4f);
ostrel::ConfigValueReadOnly<float> medal_time_star("effect_medal/@time_star", 1.0f);

Vector2 heading(float angle, float speed) { return Vector2(std::cos(angle) * speed, std::sin(angle) * speed); }

// An additive, always drawn star that ends by time.
std::shared_ptr<SpotRenderer> star(RendererOwner* owner, const Vant::SharedImageRef& image, const Vector2& centre,
                                   const Vector2& velocity, const Vector2& acceleration, float duration,
                                   int layer = layer_effects, float start = 0.0f, float rotation = 0.0f) {
    return std::make_shared<SpotRenderer>(owner, image, centre, rotation, velocity, acceleration, start, duration, true,
                                          layer, false, true);
}

void add(EffectEntries& entries, RendererPtr r) { entries.push_back({0.0f, std::move(r)}); }

// count stars of one image flying out in random directions at speed.
void spray(RendererOwner* owner, EffectEntries& entries, const char* image_name, int count, const Vector2& point,
           float speed, float duration) {
    if (count <= 0) return;
    const Vant::SharedImageRef image = skin_image(image_name);
    for (int i = 0; i < count; ++i)
        add(entries, star(owner, image, point, heading(effects_angle(), speed), Vector2(), duration));
}

// Two kinds of stars with speeds spread around their keys' values.
RendererPtr two_kind_explosion(RendererOwner* owner, int layer, const Vector2& point, const ExplosionKeys& keys,
                               const std::string& image_prefix) {
    EffectEntries entries;
    const float d = keys.speed_dispersion.get();
    const struct {
        int count;
        float speed, time;
    } kinds[] = {{star_count(keys.num_stars0.get()), keys.speed_star0.get(), keys.time_star0.get()},
                 {star_count(keys.num_stars1.get()), keys.speed_star1.get(), keys.time_star1.get()}};
    for (int k = 0; k < 2; ++k) {
        if (kinds[k].count == 0) continue;
        const Vant::SharedImageRef image = skin_image(image_prefix + std::to_string(k));
        for (int i = 0; i < kinds[k].count; ++i) {
            const float angle = effects_angle();
            const float speed = effects_uniform((1 - d) * kinds[k].speed, (1 + d) * kinds[k].speed);
            add(entries, star(owner, image, point, heading(angle, speed), Vector2(), kinds[k].time, layer));
        }
    }
    return std::make_shared<EffectRendererSimple>(owner, std::move(entries), layer);
}

}  // namespace

// EffectRendererSimple

EffectRendererSimple::EffectRendererSimple(RendererOwner* owner, EffectEntries entries, int layer)
    : EffectRenderer(owner, layer), entries_(std::move(entries)) {
    entries_.remove_if([](const EffectEntry& e) { return !e.renderer; });
}

void EffectRendererSimple::update(float dt) {
    elapsed_ += dt;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->start <= elapsed_) {
            it->renderer->update(dt);
            if (it->renderer->is_finished()) {
                it = entries_.erase(it);
                continue;
            }
        }
        ++it;
    }
}

void EffectRendererSimple::draw(Vant::Graphics& g) {
    for (const EffectEntry& e : entries_)
        if (e.start <= elapsed_) e.renderer->draw(g);
}

// ExplosiveSpotRenderer

ExplosiveSpotRenderer::ExplosiveSpotRenderer(RendererOwner* owner, std::shared_ptr<SpotRenderer> carrier,
                                             EffectEntries burst)
    : EffectRenderer(owner, layer_effects), carrier_(std::move(carrier)), burst_(owner, std::move(burst)) {}

void ExplosiveSpotRenderer::update(float dt) {
    if (!carrier_->is_finished()) {
        carrier_->update(dt);
        if (!carrier_->is_finished()) return;
        // The burst takes the carrier's place in this very frame, but starts
        // its clock only with the next update.
    } else {
        if (exploded_) burst_.update(dt);
    }
    if (!exploded_) {
        exploded_ = true;
        for (const EffectEntry& e : burst_.entries())
            if (auto* s = dynamic_cast<SpotRenderer*>(e.renderer.get())) s->set_position(carrier_->position());
    }
}

void ExplosiveSpotRenderer::draw(Vant::Graphics& g) {
    if (carrier_->is_finished())
        burst_.draw(g);
    else
        carrier_->draw(g);
}

// EffectRendererTail

EffectRendererTail::EffectRendererTail(RendererOwner* owner, std::weak_ptr<logic::Obj> object, float dispersion_x,
                                       float dispersion_y)
    : EffectRenderer(owner, layer_effects), target_(std::move(object)), dispersion_x_(dispersion_x),
      dispersion_y_(dispersion_y) {}

void EffectRendererTail::update(float dt) {
    for (auto it = stars_.begin(); it != stars_.end();) {
        (*it)->update(dt);
        it = (*it)->is_finished() ? stars_.erase(it) : std::next(it);
    }
    const auto obj = target_.lock();
    if (!obj) return;
    timer_ -= dt;
    if (timer_ <= 0.0f) {
        const Vector2 centre = obj->position() + Vector2(effects_uniform(-dispersion_x_, dispersion_x_),
                                                          effects_uniform(-dispersion_y_, dispersion_y_));
        stars_.push_back(star(owner(), skin_image("star_tail"), centre, Vector2(0.0f, -10.0f), Vector2(), 0.5f));
        timer_ = 0.03f;
    }
}

void EffectRendererTail::draw(Vant::Graphics& g) {
    for (const auto& s : stars_) s->draw(g);
}

// EffectRendererShining

EffectRendererShining::EffectRendererShining(RendererOwner* owner, std::weak_ptr<logic::Obj> object, float dispersion,
                                             int max_stars)
    : EffectRenderer(owner, layer_effects), target_(std::move(object)), dispersion_(dispersion),
      max_stars_(max_stars) {
    if (const auto obj = target_.lock()) last_position_ = obj->position();
}

void EffectRendererShining::update(float dt) {
    const auto obj = target_.lock();
    if (!obj) return;
    const Vector2 d = obj->position() - last_position_;
    last_position_ = obj->position();
    for (auto it = stars_.begin(); it != stars_.end();) {
        if ((*it)->is_finished()) {
            it = stars_.erase(it);
            continue;
        }
        (*it)->set_position((*it)->position() + d);
        (*it)->update(dt);
        ++it;
    }
    timer_ -= dt;
    if (int(stars_.size()) < max_stars_ && timer_ <= 0.0f) {
        timer_ += 0.1f;
        const Vector2 centre =
            obj->position() + Vector2(effects_uniform(-dispersion_, dispersion_), effects_uniform(-dispersion_, dispersion_));
        stars_.push_back(star(owner(), skin_image("star_shining"), centre, Vector2(), Vector2(), 0.2f));
    }
}

void EffectRendererShining::draw(Vant::Graphics& g) {
    for (const auto& s : stars_) s->draw(g);
}

// Builders

RendererPtr make_catch_bonus_effect(RendererOwner* owner, const Vector2& point) {
    EffectEntries entries;
    const Vant::SharedImageRef small = skin_image("catch_bonus_star_small"), big = skin_image("catch_bonus_star_big");
    for (int i = 0; i < 11; ++i) {
        const float angle = effects_uniform(pi, two_pi);
        const float speed = effects_uniform(0.0f, 200.0f);
        add(entries, star(owner, small, point, heading(angle, speed), Vector2(0.0f, 300.0f), 2.0f));
    }
    add(entries, star(owner, big, point, heading(effects_uniform(pi, pi + pi / 12), 400.0f), Vector2(), 2.0f));
    add(entries, star(owner, big, point, heading(effects_uniform(two_pi - pi / 12, two_pi), 400.0f), Vector2(), 2.0f));
    return std::make_shared<EffectRendererSimple>(owner, std::move(entries));
}

RendererPtr make_lightning_effect(RendererOwner* owner, const Vector2& point, bool intensive) {
    const Vant::SharedImageRef image = skin_image(intensive ? "lightning_intensive_effect" : "lightning_effect");
    const Vant::Image* i = image.GetImage();
    const float height = i ? float(i->GetCelHeight()) : 0.0f;
    EffectEntries entries;
    add(entries, star(owner, image, Vector2(point.x, point.y - height * 0.5f), Vector2(), Vector2(), 0.5f));
    return std::make_shared<EffectRendererSimple>(owner, std::move(entries));
}

RendererPtr make_explosion_effect(RendererOwner* owner, const Vector2& point, bool intensive) {
    EffectEntries entries;
    add(entries, star(owner, skin_image("explosion_center_star"), point, Vector2(), Vector2(), 0.7f));
    spray(owner, entries, "explosion_star0", intensive ? 31 : 21, point, (intensive ? 200.0f : 100.0f) / 0.7f, 0.7f);
    spray(owner, entries, "explosion_star1", intensive ? 46 : 31, point, (intensive ? 220.0f : 120.0f) / 0.35f, 0.35f);
    return std::make_shared<EffectRendererSimple>(owner, std::move(entries));
}

RendererPtr make_intensify_effect(RendererOwner* owner, const Vector2& point) {
    EffectEntries entries;
    add(entries, star(owner, skin_image("intensify_effect"), point, Vector2(), Vector2(), 0.5f));
    return std::make_shared<EffectRendererSimple>(owner, std::move(entries));
}

RendererPtr make_roll_in_effect(RendererOwner* owner, const Vector2& point) {
    EffectEntries entries;
    add(entries, star(owner, skin_image("roll_in_center_star"), point, Vector2(), Vector2(), 0.5f));
    const Vant::SharedImageRef spark = skin_image("roll_in_star0"), small = skin_image("roll_in_star1");
    for (int i = 0; i < 6; ++i) {
        auto carrier = star(owner, spark, point, heading(effects_angle(), 150.0f / 0.65f), Vector2(), 0.65f);
        EffectEntries burst;
        for (int j = 0; j < 6; ++j)
            add(burst, star(owner, small, point, heading(effects_angle(), 75.0f / 0.66f), Vector2(), 0.66f));
        add(entries, std::make_shared<ExplosiveSpotRenderer>(owner, std::move(carrier), std::move(burst)));
    }
    return std::make_shared<EffectRendererSimple>(owner, std::move(entries));
}

RendererPtr make_level_complete_effect(RendererOwner* owner, int layer, const Vector2& point, bool explosion) {
    if (!explosion)
        return star(owner, skin_image("effect_level_complete"), point, Vector2(), Vector2(), time_usual_star.get(), layer);
    return two_kind_explosion(owner, layer, point, level_complete_keys, "effect_level_complete_explosion_star");
}

RendererPtr make_head_and_tail_destroying_effect(RendererOwner* owner, const Vector2& point) {
    return two_kind_explosion(owner, layer_effects, point, head_and_tail_keys, "effect_head_and_tail_destroing_star");
}

RendererPtr make_medal_effect(RendererOwner* owner, const Vector2& point, const Vector2& base_velocity) {
    EffectEntries entries;
    const int count = star_count(medal_num_stars.get());
    const float s = medal_speed_star.get(), d = medal_speed_dispersion.get();
    if (count > 0) {
        const Vant::SharedImageRef image = skin_image("effect_medal");
        for (int i = 0; i < count; ++i) {
            const float angle = effects_angle();
            const float speed = effects_uniform((1 - d) * s, (1 + d) * s);
            add(entries, star(owner, image, point, heading(angle, speed) + base_velocity, Vector2(0.0f, 300.0f),
                              medal_time_star.get()));
        }
    }
    return std::make_shared<EffectRendererSimple>(owner, std::move(entries));
}

RendererPtr make_ball_consuming_effect(RendererOwner* owner, const Vector2& point, int color) {
    const char* name = ostrel::color_name(color);
    if (!name) return nullptr;
    const float duration = 0.52f + float(effects_random().next()) * 7.934813e-06f;
    const float start = effects_uniform(0.0f, 0.2f * duration);
    const float rotation = effects_angle();
    EffectEntries entries;
    add(entries, star(owner, skin_image(std::string("consuming_") + name), point, Vector2(), Vector2(), duration,
                      layer_effects, start, rotation));
    return std::make_shared<EffectRendererSimple>(owner, std::move(entries));
}

RendererPtr make_bonus_name_text(RendererOwner* owner, const Vector2& point, const std::string& text) {
    ostrel::Skin& s = skin();
    return std::make_shared<TextRenderer>(owner, std::vector<std::string>{text}, point, s.get_font("BonusName"),
                                          s.get_color("menu/game/text_colors/bonus_catch"));
}

RendererPtr make_level_complete_points_text(RendererOwner* owner, const Vector2& point, int points) {
    ostrel::Skin& s = skin();
    return std::make_shared<TextRenderer>(owner, std::vector<std::string>{std::to_string(points)}, point,
                                          s.get_font("level_complete_effect_points"),
                                          s.get_color("menu/game/text_colors/level_complete_effect_points"));
}

}  // namespace orvek::trelm::gui
