// One 800x600 frame with every renderer class at fixed times, drawn through
// the software 3D device and without 3D, each compared with its kept
// picture. ZELKOR_WRITE_EXPECTED=1 writes the pictures instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/SubLevelGraphics.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageLib.h"
#include "gui/Effects.h"
#include "gui/ObjRenderers.h"
#include "gui/RendererFactory.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/LegacyRand.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/ZelkorRegion.h"
#include "support/RenderFixture.h"

namespace {

using namespace orvek::trelm::gui;
using orvek::trelm::Vector2;
namespace lg = orvek::trelm::logic;
using guitest::Fixture;

constexpr int kWidth = 800, kHeight = 600;

struct Scene {
    guitest::Owner owner;
    std::vector<std::shared_ptr<lg::Obj>> objects;

    template <class T>
    std::shared_ptr<T> keep(std::shared_ptr<T> o) {
        objects.push_back(o);
        return o;
    }

    Scene() {
        effects_random().seed(12345);
        lg::seed_random(777);
        RendererFactory factory(&owner);
        auto add = [&](std::shared_ptr<lg::Obj> o, Vector2 at, float direction = 0, float rotation = 0) {
            o->set_position(at);
            o->set_direction(direction);
            o->set_rotation(rotation);
            keep(o);
            factory.create_renderers(o);
        };
        owner.add_renderer(std::make_shared<ImageRenderer>(&owner, skin_image("platform_shadow"), 10, 10, 10));
        add(std::make_shared<lg::Ball>(Vector2(), 1000, lg::BallKind{0, 1}), {100, 100}, 0.5f, 1.0f);
        add(std::make_shared<lg::Ball>(Vector2(), 1000, lg::BallKind{0, 5}), {130, 100}, 0.0f, 3.0f);
        add(std::make_shared<lg::BallBomb>(1000), {160, 100}, 0.3f);
        add(std::make_shared<lg::BallLightning>(3000), {200, 100});
        add(std::make_shared<lg::Ball>(Vector2(), 1000, lg::BallKind{0, 9}), {240, 100});
        auto platform = std::make_shared<lg::Platform>();
        add(platform, {400, 560});
        add(std::make_shared<lg::BonusCoin>(nullptr, Vector2()), {300, 100}, 0, 0.5f);
        add(std::make_shared<lg::BonusJewel>(nullptr, Vector2(), 1u), {360, 100}, 0, 1.5f);
        add(std::make_shared<lg::BonusLetter>(nullptr, Vector2(), 'L'), {420, 100});
        add(std::make_shared<lg::BonusColorBomb>(nullptr, Vector2(), 4), {480, 100}, 0, 4.0f);
        for (auto side : {lg::ZelkorRegion::head_side, lg::ZelkorRegion::tail_side}) {
            auto region = std::make_shared<lg::ZelkorRegion>(side, nullptr);
            region->set_draw_order(1);  // the way position's index + 1
            add(region, {side == lg::ZelkorRegion::head_side ? 100.0f : 160.0f, 300}, side ? 2.0f : 0.3f);
        }
        auto door = std::make_shared<lg::Door>();
        door->close_now();
        add(door, {300, 300});
        auto lift = std::make_shared<lg::Lift>();
        lift->set_door(door);
        add(lift, {400, 280});

        const orvek::trelm::core::AnimatedSprite first{"roll_in_star0", 500, 200, 4000, 0.5f, 1.0f};
        const orvek::trelm::core::AnimatedSprite second{"roll_in_star1", 560, 200, 4000, 0.0f, 1.0f};
        auto portals = make_portal_pair(&owner, first, second);
        owner.add_renderer(portals->first());
        owner.add_renderer(portals->second());
        start_portals(portals);

        owner.add_renderer(make_catch_bonus_effect(&owner, {100, 450}));
        owner.add_renderer(make_explosion_effect(&owner, {250, 450}, false));
        owner.add_renderer(make_roll_in_effect(&owner, {400, 450}));
        owner.add_renderer(make_level_complete_effect(&owner, 5000, {550, 450}, true));
        owner.add_renderer(make_level_complete_effect(&owner, 5000, {620, 380}, false));
        owner.add_renderer(make_head_and_tail_destroying_effect(&owner, {680, 450}));
        owner.add_renderer(make_medal_effect(&owner, {700, 300}, {0, -20}));
        owner.add_renderer(make_ball_consuming_effect(&owner, {550, 300}, 3));
        owner.add_renderer(make_lightning_effect(&owner, {620, 300}, true));
        owner.add_renderer(make_intensify_effect(&owner, {660, 250}));
        owner.add_renderer(make_bonus_name_text(&owner, {600, 150}, "Bomb"));
        owner.add_renderer(make_level_complete_points_text(&owner, {700, 150}, 1250));
    }

    // Three frames of 0.1 s into a scratch image, then the fourth into g.
    void run(Vant::Graphics& g) {
        auto scratch = guitest::canvas(kWidth, kHeight);
        Vant::Graphics s(scratch.get());
        for (int i = 0; i < 3; ++i) {
            owner.time += 0.1f;
            run_renderers(owner.list, 0.1f, false, s);
        }
        owner.time += 0.1f;
        run_renderers(owner.list, 0.1f, false, g);
    }
};

TEST(RendererGallery, WithoutThe3DDisplay) {
    Fixture fixture;
    Scene scene;
    auto frame = guitest::canvas(kWidth, kHeight);
    Vant::Graphics g(frame.get());
    scene.run(g);
    ImageLib::Image actual(kWidth, kHeight);
    for (int i = 0; i < kWidth * kHeight; ++i) actual.bits[i] = frame->GetBits()[i] | 0xFF000000u;
    guitest::compare_with_kept(actual, "renderer_gallery_soft.png", false);
}

TEST(RendererGallery, ThroughTheSoftware3DDevice) {
    Fixture fixture;
    fixture.enable_3d(kWidth, kHeight);
    Scene scene;
    Vant::Graphics g(fixture.screen());
    scene.run(g);
    ImageLib::Image actual(kWidth, kHeight);
    fixture.screen_pixel(0, 0);  // closes the scene
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) actual.bits[y * kWidth + x] = fixture.screen_pixel(x, y) | 0xFF000000u;
    guitest::compare_with_kept(actual, "renderer_gallery_3d.png", false);
}

}  // namespace
