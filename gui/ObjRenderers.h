#pragma once
// Renderers that follow a logic object: balls, falling bonuses, the
// platform, creature regions, the door and the lift. Each holds its object
// by a weak pointer and reports itself finished once the object is gone,
// so removing an object from the game removes its picture.
#include <memory>
#include <string>
#include <vector>

#include "gui/Renderer.h"

namespace orvek::trelm::logic {
class Door;
class Lift;
class Platform;
class ZelkorRegion;
}  // namespace orvek::trelm::logic

namespace orvek::trelm::gui {

// The cel of a strip of n cels for a rotation in (-2 pi, 2 pi): one turn
// walks every cel once. Always within 0..n - 1 (0 for n < 1 or NaN).
int rotation_cel(float rotation, int cels);
// The door's cel for its opening fraction (1 closed: cel 0; 0 open: the
// last); a fraction outside 0..1 counts as the nearest end.
int door_cel(float fraction, int cels);

class BasicObjRenderer : public BasicRenderer {
public:
    BasicObjRenderer(RendererOwner* owner, std::weak_ptr<logic::Obj> object);

    bool is_finished() const override { return target_.expired(); }
    // The shadow (with 3D only), then the attached spot.
    void draw_under(Vant::Graphics& g) override;
    // Layer from the object's draw order, the shadow's slide, the attached spot.
    void update(float dt) override;
    std::weak_ptr<logic::Obj> object() const override { return target_; }
    bool visible_while_paused() const override { return false; }

    // A looping, playing spot centred on the object (drawn under it).
    void attach_spot(const Vant::SharedImageRef& image, bool additive, float duration);

    const Vector2& shadow_offset() const { return shadow_offset_; }
    const Vector2& shadow_target() const { return shadow_target_; }
    bool has_shadow() const { return shadow_image_.GetImage() != nullptr; }
    const std::shared_ptr<MovableAnimationSpot>& spot() const { return spot_; }

protected:
    std::shared_ptr<logic::Obj> target() const { return target_.lock(); }
    int shadow_cels() const;

    Vant::SharedImageRef shadow_image_;
    int shadow_cel_ = 0;

private:
    Vector2 shadow_offset_, shadow_target_;
    float shadow_speed_ = 0.0f;
    std::shared_ptr<MovableAnimationSpot> spot_;
    std::weak_ptr<logic::Obj> target_;
};

// A sprite from the object's image property, its cel from the rotation.
class ObjRenderer : public BasicObjRenderer {
public:
    ObjRenderer(RendererOwner* owner, std::weak_ptr<logic::Obj> object, bool additive, float spin_speed);
    void update(float dt) override;
    void draw(Vant::Graphics& g) override;

    int cel() const { return cel_; }
    const std::string& debug_name() const { return debug_name_; }
    bool has_image() const { return image_.GetImage() != nullptr; }
    float spin_speed() const { return spin_speed_; }

protected:
    Vant::SharedImageRef image_;

private:
    bool cel_from_rotation_ = false;
    int cel_ = 0;
    std::string debug_name_;
    float spin_speed_;
    bool additive_;
};

// A ball with a glow: one while it sits on the platform, another otherwise.
class GlowingObjRenderer : public ObjRenderer {
public:
    static constexpr int loaded_draw_order = 3000;

    GlowingObjRenderer(RendererOwner* owner, std::weak_ptr<logic::Obj> object, float spin_speed,
                       const Vant::SharedImageRef& platform_glow, const Vant::SharedImageRef& glow, float glow_duration,
                       bool additive);
    void update(float dt) override;
    void draw(Vant::Graphics& g) override;
    // The ball on the platform casts no shadow.
    void draw_under(Vant::Graphics& g) override;

private:
    MovableAnimationSpot platform_glow_, glow_;
};

// An animated object: a looping strip, and optionally a second one on top.
class AnimatedObjRenderer : public BasicObjRenderer {
public:
    AnimatedObjRenderer(RendererOwner* owner, std::weak_ptr<logic::Obj> object, const Vant::SharedImageRef& image,
                        bool additive, float duration);
    void update(float dt) override;
    void draw(Vant::Graphics& g) override;
    // Replaces the second spot.
    void attach_spot(const Vant::SharedImageRef& image, bool additive, float duration);

    const MovableAnimationSpot& animation() const { return spot_; }
    const std::shared_ptr<MovableAnimationSpot>& second_spot() const { return second_; }

private:
    MovableAnimationSpot spot_;
    std::shared_ptr<MovableAnimationSpot> second_;
};

// The platform, a preview of the ball it would take, and while intensified
// lightnings that start at random moments.
class PlatformRenderer : public BasicRenderer {
public:
    PlatformRenderer(RendererOwner* owner, std::weak_ptr<logic::Platform> platform);
    bool is_finished() const override { return target_.expired(); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics& g) override;
    void update(float dt) override;
    std::weak_ptr<logic::Obj> object() const override;
    bool visible_while_paused() const override { return false; }

    // The preview's image, null without a ball to take.
    Vant::Image* ball_image() const { return ball_image_.GetImage(); }
    int ball_kind() const { return ball_kind_; }
    float next_lightning_time() const { return next_lightning_time_; }
    float dtime_min() const { return dtime_min_; }
    float dtime_max() const { return dtime_max_; }
    // Index 0 holds the highest-numbered lightning.
    const std::vector<std::shared_ptr<MovableAnimationSpot>>& lightning_spots() const { return lightning_spots_; }
    const std::vector<Vector2>& lightning_offsets() const { return lightning_offsets_; }

private:
    Vant::SharedImageRef image_, shadow_image_, ball_image_;
    Vector2 shadow_offset_;
    std::vector<std::shared_ptr<MovableAnimationSpot>> lightning_spots_;
    std::vector<Vector2> lightning_offsets_;
    float next_lightning_time_;
    int ball_kind_ = -1, ball_colour_ = 0;
    float dtime_min_ = 0.0f, dtime_max_ = 0.0f;
    std::weak_ptr<logic::Platform> target_;
};

// A creature's head or tail, turning its cels as it spins.
class ZelkorRegionRenderer : public BasicRenderer {
public:
    ZelkorRegionRenderer(RendererOwner* owner, std::weak_ptr<logic::ZelkorRegion> region);
    bool is_finished() const override { return target_.expired(); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override;
    std::weak_ptr<logic::Obj> object() const override;
    bool visible_while_paused() const override { return false; }

    float spin_speed() const { return spin_speed_; }
    float offset() const { return offset_; }

private:
    Vant::SharedImageRef image_;
    float spin_speed_ = 0.0f;
    float offset_ = 0.0f;
    std::weak_ptr<logic::ZelkorRegion> target_;
};

// The door over the lift shaft, its cel by how far it is open.
class DoorRenderer : public BasicRenderer {
public:
    DoorRenderer(RendererOwner* owner, std::weak_ptr<logic::Door> door);
    bool is_finished() const override { return target_.expired(); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float) override {}
    std::weak_ptr<logic::Obj> object() const override;
    bool visible_while_paused() const override { return true; }

private:
    Vant::SharedImageRef image_;
    std::weak_ptr<logic::Door> target_;
};

// The lift, hanging from its position; hidden while its door is open.
class LiftRenderer : public BasicRenderer {
public:
    LiftRenderer(RendererOwner* owner, std::weak_ptr<logic::Lift> lift);
    bool is_finished() const override { return target_.expired(); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float) override {}
    std::weak_ptr<logic::Obj> object() const override;
    bool visible_while_paused() const override { return true; }

private:
    Vant::SharedImageRef image_;
    std::weak_ptr<logic::Lift> target_;
};

}  // namespace orvek::trelm::gui
