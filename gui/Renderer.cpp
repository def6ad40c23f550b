#include "gui/Renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "core/SubLevelGraphics.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "ostrel/Display3D.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

RendererOwner::~RendererOwner() = default;

void RendererOwner::add_renderer(RendererPtr renderer) {
    if (renderer) renderers().push_back(std::move(renderer));
}

BasicRenderer::~BasicRenderer() = default;

std::weak_ptr<logic::Obj> BasicRenderer::object() const { return {}; }

void run_renderers(RendererList& renderers, float dt, bool paused, Vant::Graphics& g) {
    std::vector<BasicRenderer*> shown;
    shown.reserve(renderers.size());
    for (auto it = renderers.begin(); it != renderers.end();) {
        BasicRenderer* r = it->get();
        if (!r || r->is_finished()) {
            it = renderers.erase(it);
            continue;
        }
        r->update(dt);
        if (r->is_finished()) {
            it = renderers.erase(it);
            continue;
        }
        if (!paused || r->visible_while_paused()) shown.push_back(r);
        ++it;
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const BasicRenderer* a, const BasicRenderer* b) { return a->layer() < b->layer(); });
    for (std::size_t begin = 0; begin < shown.size();) {
        const int layer = shown[begin]->layer();
        std::size_t end = begin;
        while (end < shown.size() && shown[end]->layer() == layer) ++end;
        if (layer != -1) {
            for (std::size_t i = begin; i < end; ++i) shown[i]->draw_under(g);
            for (std::size_t i = begin; i < end; ++i) shown[i]->draw(g);
        }
        begin = end;
    }
}

orvek::LegacyRand& effects_random() {
    static orvek::LegacyRand generator;
    return generator;
}

float effects_uniform(float lo, float hi) {
    return lo + float(effects_random().next()) * (hi - lo) / float(orvek::LegacyRand::max_value);
}

float effects_angle() { return float(effects_random().next()) * 0.00019175345f; }

ostrel::Skin& skin() {
    ostrel::Skin* s = ostrel::Skin::instance();
    if (!s) throw std::logic_error("The renderers need the skin, and none was made");
    return *s;
}

Vant::SharedImageRef skin_image(const std::string& name) { return skin().get_image(name); }

Vant::Rect cel_rect(const Vant::Image& image, int cel) {
    const int cels = std::max(1, image.numCols) * std::max(1, image.numRows);
    if (cel < 0 || cel >= cels) return Vant::Rect(0, 0, image.width, image.height);
    return image.GetCelRect(cel);
}

int to_int(double value) { return ostrel::saturate_int(value); }

// ImageRenderer

ImageRenderer::ImageRenderer(RendererOwner* owner, const Vant::SharedImageRef& image, int layer, int x, int y)
    : BasicRenderer(owner, layer), image_(image), x_(x), y_(y) {}

void ImageRenderer::draw(Vant::Graphics& g) {
    if (Vant::Image* image = image_.GetImage()) g.DrawImage(image, x_, y_);
}

// SpotRenderer

SpotRenderer::SpotRenderer(RendererOwner* owner, const Vant::SharedImageRef& image, const Vector2& position,
                           float rotation, const Vector2& velocity, const Vector2& acceleration, float start_time,
                           float duration, bool additive, int layer, bool forever, bool always_draw)
    : BasicRenderer(owner, layer),
      position_(position),
      velocity_(velocity),
      acceleration_(acceleration),
      remaining_(duration - start_time),
      always_draw_(always_draw) {
    spot_.set_image(image);
    spot_.set_looped(false);
    spot_.set_duration(duration);
    spot_.set_rotation(rotation);
    if (forever) {
        spot_.set_looped(true);
        remaining_ = std::numeric_limits<float>::infinity();
    }
    if (additive) spot_.set_additive(true);
    spot_.play();
    if (const Vant::Image* i = image.GetImage())
        half_size_ = Vector2(float(i->GetCelWidth()) * 0.5f, float(i->GetCelHeight()) * 0.5f);
    place();
}

void SpotRenderer::place() {
    spot_.set_position({to_int(position_.x - half_size_.x), to_int(position_.y - half_size_.y)});
}

void SpotRenderer::set_position(const Vector2& centre) {
    position_ = centre;
    place();
}

void SpotRenderer::update(float dt) {
    remaining_ -= dt;
    velocity_ += acceleration_ * dt;
    position_ += velocity_ * dt;
    place();
    spot_.update(dt);
}

void SpotRenderer::draw(Vant::Graphics& g) {
    if (!always_draw_ && !ostrel::is_3d_accelerated()) return;
    spot_.draw(g);
}

// MovableAnimationSpot

MovableAnimationSpot::MovableAnimationSpot(const Vant::SharedImageRef& image, const Vector2& centre, float duration,
                                           bool looped, bool additive, bool play) {
    set_image(image);
    set_looped(looped);
    set_duration(duration);
    if (additive) set_additive(true);
    if (play) this->play();
    if (const Vant::Image* i = image.GetImage())
        half_size_ = Vector2(float(i->GetCelWidth()) * 0.5f, float(i->GetCelHeight()) * 0.5f);
    set_centre(centre);
}

bool MovableAnimationSpot::do_update(float dt) {
    const bool changed = AnimationSpot::do_update(dt);
    if (velocity == Vector2() && acceleration == Vector2()) return changed;
    velocity += acceleration * dt;
    exact_ += velocity * dt;
    set_exact_position(exact_.x, exact_.y);
    return true;
}

void MovableAnimationSpot::set_centre(const Vector2& centre) {
    exact_ = centre - half_size_;
    set_exact_position(exact_.x, exact_.y);
}

Vector2 MovableAnimationSpot::centre() const { return exact_ + half_size_; }

// TextRenderer

TextRenderer::TextRenderer(RendererOwner* owner, std::vector<std::string> lines, const Vector2& position,
                           Vant::Font* font, const Vant::Color& color)
    : BasicRenderer(owner, layer_text), lines_(std::move(lines)), position_(position), color_(color), font_(font) {}

void TextRenderer::update(float dt) {
    remaining_ -= dt;
    alpha_ += dt * alpha_speed_;
    position_ += Vector2(0.0f, -15.0f) * dt;
}

void TextRenderer::draw(Vant::Graphics& g) {
    if (!font_) return;
    g.SetDrawMode(0);
    g.SetFont(font_);
    const int alpha = std::clamp(to_int(alpha_), 0, 255);
    g.SetColor(Vant::Color(color_.r, color_.g, color_.b, alpha));
    float y = position_.y;
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
        const int x = to_int(position_.x - float(font_->StringWidth(*it)) * 0.5f);
        g.DrawString(*it, x, to_int(y));
        y -= float(font_->GetHeight());
    }
}

// Portals

PortalRenderer::PortalRenderer(RendererOwner* owner, const core::AnimatedSprite& end)
    : BasicRenderer(owner, end.level) {
    spot_.set_image(skin_image(end.id));
    spot_.set_duration(end.play_time);
    spot_.set_rotation(end.angle);
    spot_.set_exact_position(end.x, end.y);
    spot_.set_additive(true);
}

PortalRenderManager::PortalRenderManager(RendererOwner* owner, const core::AnimatedSprite& first,
                                         const core::AnimatedSprite& second)
    : first_(std::make_shared<PortalRenderer>(owner, first)), second_(std::make_shared<PortalRenderer>(owner, second)) {}

void PortalRenderManager::start() {
    for (PortalRenderer* end : {first_.get(), second_.get()})
        if (!end->spot().is_playing()) end->spot().play();
}

std::shared_ptr<PortalRenderManager> make_portal_pair(RendererOwner* owner, const core::AnimatedSprite& first,
                                                      const core::AnimatedSprite& second) {
    return std::make_shared<PortalRenderManager>(owner, first, second);
}

void start_portals(const std::shared_ptr<PortalRenderManager>& pair) {
    if (pair) pair->start();
}

}  // namespace orvek::trelm::gui
