#pragma once
// The game's events shown as short bursts of animated stars: renderers that
// group stars, and one builder per event. Every star is a SpotRenderer;
// directions and speeds come from the effects' own generator.
#include <list>
#include <memory>
#include <string>

#include "gui/Renderer.h"

namespace orvek::trelm::gui {

class EffectRenderer : public BasicRenderer {
public:
    using BasicRenderer::BasicRenderer;
};

struct EffectEntry {
    float start = 0.0f;  // seconds after the effect began
    RendererPtr renderer;
};
using EffectEntries = std::list<EffectEntry>;

// A timeline: each child is updated and drawn from its start time on and
// dropped when it finishes; the effect ends with its last child.
class EffectRendererSimple : public EffectRenderer {
public:
    EffectRendererSimple(RendererOwner* owner, EffectEntries entries, int layer = layer_effects);
    bool is_finished() const override { return entries_.empty(); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override;
    bool visible_while_paused() const override { return false; }

    const EffectEntries& entries() const { return entries_; }
    float elapsed() const { return elapsed_; }

private:
    EffectEntries entries_;
    float elapsed_ = 0.0f;
};

// A carrier star that bursts into more stars where it ends.
class ExplosiveSpotRenderer : public EffectRenderer {
public:
    ExplosiveSpotRenderer(RendererOwner* owner, std::shared_ptr<SpotRenderer> carrier, EffectEntries burst);
    bool is_finished() const override { return carrier_->is_finished() && burst_.is_finished(); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override;
    bool visible_while_paused() const override { return false; }

    bool exploded() const { return exploded_; }
    const SpotRenderer& carrier() const { return *carrier_; }
    const EffectRendererSimple& burst() const { return burst_; }

private:
    std::shared_ptr<SpotRenderer> carrier_;
    bool exploded_ = false;
    EffectRendererSimple burst_;
};

// Rising stars left behind a moving object; they outlive it.
class EffectRendererTail : public EffectRenderer {
public:
    EffectRendererTail(RendererOwner* owner, std::weak_ptr<logic::Obj> object, float dispersion_x, float dispersion_y);
    bool is_finished() const override { return target_.expired() && stars_.empty(); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override;
    std::weak_ptr<logic::Obj> object() const override { return target_; }
    bool visible_while_paused() const override { return false; }

    const std::list<std::shared_ptr<SpotRenderer>>& stars() const { return stars_; }

private:
    std::weak_ptr<logic::Obj> target_;
    std::list<std::shared_ptr<SpotRenderer>> stars_;
    float timer_ = 0.0f;
    float dispersion_x_, dispersion_y_;
};

// Stars sparkling around an object and travelling with it; they end with it.
class EffectRendererShining : public EffectRenderer {
public:
    EffectRendererShining(RendererOwner* owner, std::weak_ptr<logic::Obj> object, float dispersion, int max_stars);
    bool is_finished() const override { return target_.expired(); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override;
    std::weak_ptr<logic::Obj> object() const override { return target_; }
    bool visible_while_paused() const override { return false; }

    const std::list<std::shared_ptr<SpotRenderer>>& stars() const { return stars_; }
    int max_stars() const { return max_stars_; }

private:
    std::weak_ptr<logic::Obj> target_;
    std::list<std::shared_ptr<SpotRenderer>> stars_;
    float dispersion_;
    int max_stars_;
    float timer_ = 0.0f;
    Vector2 last_position_;
};

// The builders; each returns the effect for the caller to add.
RendererPtr make_catch_bonus_effect(RendererOwner* owner, const Vector2& point);
RendererPtr make_lightning_effect(RendererOwner* owner, const Vector2& point, bool intensive);
RendererPtr make_explosion_effect(RendererOwner* owner, const Vector2& point, bool intensive);
RendererPtr make_intensify_effect(RendererOwner* owner, const Vector2& point);
RendererPtr make_roll_in_effect(RendererOwner* owner, const Vector2& point);
// Without the explosion a single star on the given layer.
RendererPtr make_level_complete_effect(RendererOwner* owner, int layer, const Vector2& point, bool explosion);
RendererPtr make_head_and_tail_destroying_effect(RendererOwner* owner, const Vector2& point);
RendererPtr make_medal_effect(RendererOwner* owner, const Vector2& point, const Vector2& base_velocity);
// Empty for a colour outside 1..9 (0 is no colour).
RendererPtr make_ball_consuming_effect(RendererOwner* owner, const Vector2& point, int color);
RendererPtr make_bonus_name_text(RendererOwner* owner, const Vector2& point, const std::string& text);
RendererPtr make_level_complete_points_text(RendererOwner* owner, const Vector2& point, int points);

}  // namespace orvek::trelm::gui
