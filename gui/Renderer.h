#pragma once
// Renderers: everything the game desktop draws of a running level, kept in
// one list, updated once a frame, drawn in order of their layer and dropped
// when they report themselves finished. This file holds the interface, the
// owner they are made for, the frame pass over a list, and the renderers
// that follow no logic object.
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "framework/graphics/Image.h"
#include "logic/Vector2.h"
#include "orvek/LegacyRand.h"
#include "ostrel/Geometry.h"
#include "ostrel/gui/Spots.h"

namespace Vant {
class Font;
class Graphics;
}  // namespace Vant
namespace orvek::trelm::logic {
class Obj;
}
namespace orvek::trelm::core {
struct AnimatedSprite;
class Session;
}  // namespace orvek::trelm::core
namespace orvek::ostrel {
class Control;
class Skin;
}  // namespace orvek::ostrel

namespace orvek::trelm::gui {

class BasicRenderer;
class ScreenSystem;
using RendererPtr = std::shared_ptr<BasicRenderer>;
using RendererList = std::list<RendererPtr>;

// Layers of the renderers that do not take their objects' draw order.
constexpr int layer_doors = 0;
constexpr int layer_platform = 2000;
constexpr int layer_effects = 5000;
constexpr int layer_text = 6000;

// What owns a list of renderers: the game desktop in the game, a plain list
// in tests.
class RendererOwner {
public:
    virtual ~RendererOwner();
    // Appends to the list; an empty pointer is ignored.
    void add_renderer(RendererPtr renderer);
    // The game's clock, seconds.
    virtual float game_time() const = 0;
    virtual RendererList& renderers() = 0;
    // What the resting medals reach through their owner: the control their
    // tooltip areas go on, the session their texts come from, the screen
    // system showing tooltips, and the pointer in client coordinates. A
    // plain list has none of them.
    virtual ostrel::Control* owner_control() { return nullptr; }
    virtual core::Session* owner_session() { return nullptr; }
    virtual ScreenSystem* owner_screen_system() { return nullptr; }
    virtual ostrel::Point owner_cursor_position() const { return {}; }
};

class BasicRenderer {
public:
    BasicRenderer(RendererOwner* owner, int layer) : owner_(owner), layer_(layer) {}
    virtual ~BasicRenderer();
    BasicRenderer(const BasicRenderer&) = delete;
    BasicRenderer& operator=(const BasicRenderer&) = delete;

    // Cheap, without side effects, and true for good once true.
    virtual bool is_finished() const = 0;
    virtual void draw(Vant::Graphics& g) = 0;
    // The first pass of a layer: shadows and underlays.
    virtual void draw_under(Vant::Graphics& g) = 0;
    virtual void update(float dt) = 0;
    // The logic object followed; empty for none.
    virtual std::weak_ptr<logic::Obj> object() const;
    virtual bool visible_while_paused() const = 0;

    RendererOwner* owner() const { return owner_; }
    int layer() const { return layer_; }
    void set_layer(int layer) { layer_ = layer; }

private:
    RendererOwner* owner_;
    int layer_;
};

// One frame of a list: finished renderers are dropped before their update,
// the rest are updated by dt and dropped when that finished them; then the
// survivors are drawn by ascending layer (layer -1 never), each layer's
// draw_under calls before its draw calls. While paused only the renderers
// visible while paused are drawn. Equal layers keep their list order, so
// they never swap places from one frame to the next.
void run_renderers(RendererList& renderers, float dt, bool paused, Vant::Graphics& g);

// The generator of the visual effects, apart from the game model's: how
// many frames are drawn depends on the machine, and the model's sequence
// must not.
orvek::LegacyRand& effects_random();
// lo + rand * (hi - lo) / 32767 on the effects' generator.
float effects_uniform(float lo, float hi);
// rand * 2 pi / 32767.
float effects_angle();

// A still image at a point.
class ImageRenderer : public BasicRenderer {
public:
    ImageRenderer(RendererOwner* owner, const Vant::SharedImageRef& image, int layer, int x, int y);
    bool is_finished() const override { return false; }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float) override {}
    bool visible_while_paused() const override { return true; }

private:
    Vant::SharedImageRef image_;
    int x_, y_;
};

// One moving animation that ends by itself: the particle of every effect.
class SpotRenderer : public BasicRenderer {
public:
    // The animation always starts at its first cel and runs at the pace of
    // the whole duration; a start time only shortens the renderer's life.
    SpotRenderer(RendererOwner* owner, const Vant::SharedImageRef& image, const Vector2& position, float rotation,
                 const Vector2& velocity, const Vector2& acceleration, float start_time, float duration,
                 bool additive, int layer, bool forever, bool always_draw);
    bool is_finished() const override { return !(remaining_ > 0); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override;
    bool visible_while_paused() const override { return false; }

    const Vector2& position() const { return position_; }
    void set_position(const Vector2& centre);
    const Vector2& velocity() const { return velocity_; }
    const Vector2& acceleration() const { return acceleration_; }
    const Vector2& half_size() const { return half_size_; }
    float remaining() const { return remaining_; }
    bool always_draw() const { return always_draw_; }
    const ostrel::AnimationSpot& spot() const { return spot_; }

private:
    void place();

    ostrel::AnimationSpot spot_;
    Vector2 position_, half_size_, velocity_, acceleration_;
    float remaining_;
    bool always_draw_;
};

// An animation spot that keeps a fractional position and can move itself.
class MovableAnimationSpot : public ostrel::AnimationSpot {
public:
    MovableAnimationSpot(const Vant::SharedImageRef& image, const Vector2& centre, float duration, bool looped,
                         bool additive, bool play);
    // The animation first; then, when moving, the motion (which counts as a
    // change).
    bool do_update(float dt) override;
    void set_centre(const Vector2& centre);
    Vector2 centre() const;

    Vector2 velocity, acceleration;

private:
    Vector2 half_size_, exact_;
};

// Lines of text that rise 15 pixels a second and fade out over 3 seconds.
class TextRenderer : public BasicRenderer {
public:
    static constexpr float lifetime = 3.0f;

    // x centres every line, y is the baseline of the last one; the colour's
    // alpha is replaced by the fade.
    TextRenderer(RendererOwner* owner, std::vector<std::string> lines, const Vector2& position, Vant::Font* font,
                 const Vant::Color& color);
    bool is_finished() const override { return !(remaining_ > 0); }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override;
    bool visible_while_paused() const override { return false; }

    float elapsed() const { return lifetime - remaining_; }
    float alpha() const { return alpha_; }
    const Vector2& position() const { return position_; }
    const std::vector<std::string>& lines() const { return lines_; }
    Vant::Font* font() const { return font_; }
    const Vant::Color& color() const { return color_; }

private:
    std::vector<std::string> lines_;
    Vector2 position_;
    float remaining_ = lifetime;
    Vant::Color color_;
    Vant::Font* font_;
    float alpha_ = 255.0f;
    float alpha_speed_ = -85.0f;
};

// One end of a portal: hidden until its animation is started, then shown
// once.
class PortalRenderer : public BasicRenderer {
public:
    PortalRenderer(RendererOwner* owner, const core::AnimatedSprite& end);
    bool is_finished() const override { return false; }
    void draw(Vant::Graphics& g) override { spot_.draw(g); }
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override { spot_.update(dt); }
    bool visible_while_paused() const override { return false; }

    ostrel::AnimationSpot& spot() { return spot_; }

private:
    ostrel::AnimationSpot spot_;
};

// The two ends of one portal pair.
class PortalRenderManager {
public:
    PortalRenderManager(RendererOwner* owner, const core::AnimatedSprite& first, const core::AnimatedSprite& second);
    const std::shared_ptr<PortalRenderer>& first() const { return first_; }
    const std::shared_ptr<PortalRenderer>& second() const { return second_; }
    // Starts each end whose animation is not playing.
    void start();

private:
    std::shared_ptr<PortalRenderer> first_, second_;
};

std::shared_ptr<PortalRenderManager> make_portal_pair(RendererOwner* owner, const core::AnimatedSprite& first,
                                                      const core::AnimatedSprite& second);
void start_portals(const std::shared_ptr<PortalRenderManager>& pair);

// Skin look-ups the renderers share. skin() throws when no skin was made.
ostrel::Skin& skin();
Vant::SharedImageRef skin_image(const std::string& name);
// The cel rectangle, or the whole image for a cel outside the strip.
Vant::Rect cel_rect(const Vant::Image& image, int cel);
// trunc toward zero, saturated; NaN gives 0.
int to_int(double value);

}  // namespace orvek::trelm::gui
