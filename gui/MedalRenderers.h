#pragma once
// A medal won in play: first it flies from its appearance point to its
// place in the game screen's grid, shrinking as it comes and trailing
// stars; then it rests there with its count and a tooltip.
#include <cstdint>
#include <memory>

#include "gui/Renderer.h"
#include "logic/Medals.h"

namespace orvek::ostrel {
class Control;
}

namespace orvek::trelm::gui {

constexpr int layer_medal_resting = 6500;
constexpr int layer_medal_flying = 6600;

// Told once when a flying medal reaches its place.
class MedalArrivalHandler {
public:
    virtual ~MedalArrivalHandler();
    virtual void arrive(const logic::MedalAward& award) = 0;
};

class MedalDynamicRenderer : public BasicRenderer {
public:
    MedalDynamicRenderer(RendererOwner* owner, MedalArrivalHandler* handler, const logic::MedalAward& award,
                         const Vector2& target);
    bool is_finished() const override { return arrived_; }
    void draw(Vant::Graphics& g) override { spot_.draw(g); }
    void draw_under(Vant::Graphics&) override {}
    void update(float dt) override;
    bool visible_while_paused() const override { return true; }

    const logic::MedalAward& award() const { return award_; }
    bool arrived() const { return arrived_; }
    const Vector2& start() const { return start_; }
    const Vector2& target() const { return target_; }
    const Vector2& position() const { return position_; }
    const Vector2& velocity() const { return velocity_; }
    float scale() const { return scale_; }
    const ostrel::AnimationSpot& spot() const { return spot_; }

private:
    MedalArrivalHandler* handler_;
    ostrel::AnimationSpot spot_;
    bool arrived_ = false;
    logic::MedalAward award_;
    Vector2 start_, target_, position_, velocity_, acceleration_;
    // The flight's length; 0 when the target is the appearance point.
    float distance_ = 0.0f;
    float scale_start_ = 1.0f;
    float scale_ = 1.0f;
    float effect_timer_ = 0.0f;
};

class MedalStaticRenderer : public BasicRenderer {
public:
    // Centred on (x, y). The tooltip area goes on the owner's control, with
    // the text of the medal as earned for the owner's session.
    MedalStaticRenderer(RendererOwner* owner, const logic::MedalAward& award, int x, int y);
    // The tooltip area leaves the owner's control with the renderer.
    ~MedalStaticRenderer() override;
    bool is_finished() const override { return false; }
    void draw(Vant::Graphics& g) override;
    void draw_under(Vant::Graphics&) override {}
    void update(float) override {}
    bool visible_while_paused() const override { return true; }

    void increment_count() { ++count_; }
    void set_count(std::uint32_t count) { count_ = count; }
    std::uint32_t count() const { return count_; }
    const logic::MedalAward& award() const { return award_; }
    ostrel::Point top_left() const { return top_left_; }
    const std::shared_ptr<ostrel::Control>& tooltip_control() const { return tooltip_control_; }

private:
    logic::MedalAward award_;
    std::uint32_t count_ = 1;
    Vant::SharedImageRef image_;
    ostrel::Point top_left_;
    std::shared_ptr<ostrel::Control> tooltip_control_;
};

}  // namespace orvek::trelm::gui
