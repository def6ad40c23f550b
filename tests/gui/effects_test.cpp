// Effects: the builders' stars, the timeline, the roll-in's bursts, tails
// and shinings, texts, and hostile skin and configuration values.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "framework/graphics/Graphics.h"
#include "gui/Effects.h"
#include "gui/ObjRenderers.h"
#include "gui/ObjectProperties.h"
#include "gui/RendererFactory.h"
#include "logic/BonusFall.h"
#include "logic/ZelkorRegion.h"
#include "logic/Ball.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "ostrel/gui/Skin.h"
#include "support/RenderFixture.h"

namespace {

using namespace orvek::trelm::gui;
using orvek::trelm::Vector2;
namespace lg = orvek::trelm::logic;
using guitest::Fixture;
using Counts = std::map<std::string, int>;

std::string image_name(const Vant::Image* image) {
    for (const auto& [name, spec] : Fixture::images())
        if (skin_image(name).GetImage() == image) return name;
    return "?";
}

// Stars of an effect by image name; a roll-in's carriers count their bursts
// under "burst:" + the name.
Counts count_stars(const BasicRenderer& r) {
    Counts counts;
    if (auto* s = dynamic_cast<const SpotRenderer*>(&r)) {
        ++counts[image_name(s->spot().image().GetImage())];
    } else if (auto* simple = dynamic_cast<const EffectRendererSimple*>(&r)) {
        for (const auto& e : simple->entries())
            for (const auto& [name, n] : count_stars(*e.renderer)) counts[name] += n;
    } else if (auto* explosive = dynamic_cast<const ExplosiveSpotRenderer*>(&r)) {
        ++counts[image_name(explosive->carrier().spot().image().GetImage())];
        for (const auto& [name, n] : count_stars(explosive->burst())) counts["burst:" + name] += n;
    }
    return counts;
}

struct Effects : ::testing::Test {
    Fixture fixture;
    guitest::Owner owner;
    Vector2 at{80, 60};
};

TEST_F(Effects, StarCounts) {
    struct Case {
        const char* name;
        RendererPtr effect;
        Counts stars;
    };
    const Case cases[] = {
        {"catch bonus", make_catch_bonus_effect(&owner, at), {{"catch_bonus_star_small", 11}, {"catch_bonus_star_big", 2}}},
        {"explosion", make_explosion_effect(&owner, at, false),
         {{"explosion_center_star", 1}, {"explosion_star0", 21}, {"explosion_star1", 31}}},
        {"explosion intensive", make_explosion_effect(&owner, at, true),
         {{"explosion_center_star", 1}, {"explosion_star0", 31}, {"explosion_star1", 46}}},
        {"lightning", make_lightning_effect(&owner, at, false), {{"lightning_effect", 1}}},
        {"lightning intensive", make_lightning_effect(&owner, at, true), {{"lightning_intensive_effect", 1}}},
        {"intensify", make_intensify_effect(&owner, at), {{"intensify_effect", 1}}},
        {"roll in", make_roll_in_effect(&owner, at),
         {{"roll_in_center_star", 1}, {"roll_in_star0", 6}, {"burst:roll_in_star1", 36}}},
        {"level complete", make_level_complete_effect(&owner, 4321, at, true),
         {{"effect_level_complete_explosion_star0", 21}, {"effect_level_complete_explosion_star1", 31}}},
        {"level complete, no explosion", make_level_complete_effect(&owner, 4321, at, false),
         {{"effect_level_complete", 1}}},
        {"head and tail", make_head_and_tail_destroying_effect(&owner, at),
         {{"effect_head_and_tail_destroing_star0", 6}, {"effect_head_and_tail_destroing_star1", 9}}},
        {"medal", make_medal_effect(&owner, at, Vector2(5, 0)), {{"effect_medal", 11}}},
        {"consuming wild", make_ball_consuming_effect(&owner, at, 9), {{"consuming_wild", 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.effect, nullptr);
        EXPECT_EQ(count_stars(*c.effect), c.stars);
    }
    EXPECT_EQ(cases[7].effect->layer(), 4321);
    EXPECT_EQ(cases[8].effect->layer(), 4321);
    EXPECT_NE(dynamic_cast<SpotRenderer*>(cases[8].effect.get()), nullptr) << "a single star, returned as it is";
    EXPECT_EQ(cases[0].effect->layer(), 5000);
}

TEST_F(Effects, StarMotion) {
    // The lightning rests its bottom edge on the point (a 20 pixel cel).
    auto lightning = std::dynamic_pointer_cast<EffectRendererSimple>(make_lightning_effect(&owner, at, false));
    auto* bolt = dynamic_cast<SpotRenderer*>(lightning->entries().front().renderer.get());
    EXPECT_EQ(bolt->position(), Vector2(80, 50));
    // Explosion stars travel 100 or 120 pixels in their lifetime.
    auto explosion = std::dynamic_pointer_cast<EffectRendererSimple>(make_explosion_effect(&owner, at, false));
    for (const auto& e : explosion->entries()) {
        auto* s = dynamic_cast<SpotRenderer*>(e.renderer.get());
        const float travel = s->velocity().length() * s->remaining();
        if (s->remaining() > 0.5f && s->velocity().length() > 0) {
            EXPECT_NEAR(travel, 100.0f, 1e-3);
        }
        if (s->remaining() < 0.5f) {
            EXPECT_NEAR(travel, 120.0f, 1e-3);
        }
    }
    // The catch stars fly upwards.
    auto caught = std::dynamic_pointer_cast<EffectRendererSimple>(make_catch_bonus_effect(&owner, at));
    for (const auto& e : caught->entries()) EXPECT_LE(dynamic_cast<SpotRenderer*>(e.renderer.get())->velocity().y, 0.0f);
    // The medal's stars carry the medal's own velocity.
    effects_random().seed(4);
    auto medal = std::dynamic_pointer_cast<EffectRendererSimple>(make_medal_effect(&owner, at, Vector2(1000, 0)));
    for (const auto& e : medal->entries()) {
        auto* s = dynamic_cast<SpotRenderer*>(e.renderer.get());
        EXPECT_GT(s->velocity().x, 1000.0f - 70.0f);
        EXPECT_EQ(s->acceleration(), Vector2(0, 300));
    }
}

TEST_F(Effects, ConsumingColours) {
    EXPECT_EQ(make_ball_consuming_effect(&owner, at, 0), nullptr);
    EXPECT_EQ(make_ball_consuming_effect(&owner, at, 10), nullptr);
    EXPECT_EQ(make_ball_consuming_effect(&owner, at, -1), nullptr);
    owner.add_renderer(make_ball_consuming_effect(&owner, at, 0));
    EXPECT_TRUE(owner.list.empty());
    for (int i = 0; i < 200; ++i) {
        auto e = std::dynamic_pointer_cast<EffectRendererSimple>(make_ball_consuming_effect(&owner, at, 1 + i % 9));
        ASSERT_NE(e, nullptr);
        auto* s = dynamic_cast<SpotRenderer*>(e->entries().front().renderer.get());
        const float duration = float(s->spot().duration()) / 1000.0f;
        EXPECT_GE(duration, 0.515f);
        EXPECT_LE(duration, 0.785f);
        EXPECT_GE(s->remaining(), duration * 0.8f - 0.01f);
        EXPECT_LE(s->remaining(), duration + 0.01f);
    }
}

// Counts its updates and draws.
class Counter : public BasicRenderer {
public:
    Counter() : BasicRenderer(nullptr, 5000) {}
    bool is_finished() const override { return updates >= 3; }
    void draw(Vant::Graphics&) override { ++draws; }
    void draw_under(Vant::Graphics&) override {}
    void update(float) override { ++updates; }
    bool visible_while_paused() const override { return false; }
    int updates = 0, draws = 0;
};

TEST_F(Effects, TimelineStartsEachEntryAtItsTime) {
    auto now = std::make_shared<Counter>(), later = std::make_shared<Counter>();
    EffectRendererSimple timeline(&owner, {{0.0f, now}, {0.3f, later}});
    Vant::Graphics g;
    for (int frame = 0; frame < 2; ++frame) {
        timeline.update(0.125f);
        timeline.draw(g);
    }
    EXPECT_EQ(now->updates, 2);
    EXPECT_EQ(now->draws, 2);
    EXPECT_EQ(later->updates, 0);
    EXPECT_EQ(later->draws, 0);
    timeline.update(0.125f);  // 0.375 s: the second starts; the first finishes
    timeline.draw(g);
    EXPECT_EQ(later->updates, 1);
    EXPECT_EQ(later->draws, 1);
    EXPECT_EQ(timeline.entries().size(), 1u);
    timeline.update(0.125f);
    timeline.update(0.125f);
    EXPECT_TRUE(timeline.is_finished());
}

TEST_F(Effects, RollInBurstsWhereEachSparkStopped) {
    auto effect = std::dynamic_pointer_cast<EffectRendererSimple>(make_roll_in_effect(&owner, at));
    std::vector<ExplosiveSpotRenderer*> sparks;
    for (const auto& e : effect->entries())
        if (auto* x = dynamic_cast<ExplosiveSpotRenderer*>(e.renderer.get())) sparks.push_back(x);
    ASSERT_EQ(sparks.size(), 6u);
    std::vector<std::shared_ptr<EffectRendererSimple>> keep;
    const float dt = 1.0f / 64;
    float t = 0;
    std::vector<Vector2> stops(6);
    std::vector<float> burst_from(6, -1);
    while (!effect->is_finished() && t < 5) {
        // Hold on to each spark's last carrier position before it ends.
        for (int i = 0; i < 6; ++i)
            if (!sparks[i]->exploded()) stops[i] = sparks[i]->carrier().position();
        effect->update(dt);
        t += dt;
        for (int i = 0; i < 6 && effect->entries().size() > 1; ++i) {
            if (burst_from[i] < 0 && sparks[i]->exploded()) {
                burst_from[i] = t;
                stops[i] = sparks[i]->carrier().position();
                for (const auto& e : sparks[i]->burst().entries()) {
                    auto* s = dynamic_cast<SpotRenderer*>(e.renderer.get());
                    EXPECT_EQ(s->position(), stops[i]) << "burst " << i;
                }
                EXPECT_NEAR(distance(stops[i], at), 150.0f, 4.0f);
            }
        }
    }
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(burst_from[i], 0.65f, dt + 1e-4) << i;
    // The bursts last 0.66 s after the sparks; the effect ends with them.
    EXPECT_NEAR(t, 0.65f + 0.66f, 2 * dt + 1e-4);
}

TEST_F(Effects, TailOutlivesItsObjectAndShiningDoesNot) {
    auto ball = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 1});
    EffectRendererTail tail(&owner, ball, 10, 10);
    EffectRendererShining shining(&owner, ball, 10, 10);
    EXPECT_EQ(tail.object().lock(), ball);
    for (int i = 0; i < 10; ++i) {
        ball->set_position(ball->position() + Vector2(1, 0));
        tail.update(0.05f);
        shining.update(0.05f);
    }
    EXPECT_EQ(tail.stars().size(), 10u) << "one star every update of more than 0.03 s";
    for (const auto& s : tail.stars()) EXPECT_LE(s->velocity().y, -10.0f + 1e-6);
    ball.reset();
    EXPECT_TRUE(shining.is_finished());
    EXPECT_FALSE(tail.is_finished());
    int updates = 0;
    while (!tail.is_finished() && updates < 100) {
        tail.update(0.05f);
        ++updates;
    }
    EXPECT_LE(updates, 10) << "the last star lives 0.5 s";
    EXPECT_TRUE(tail.stars().empty());
}

TEST_F(Effects, ShiningNeverHoldsMoreThanItsMaximumAndTravelsWithItsObject) {
    auto ball = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 1});
    EffectRendererShining shining(&owner, ball, 10, 3);
    std::size_t most = 0;
    for (int i = 0; i < 40; ++i) {
        const std::size_t before = shining.stars().size();
        shining.update(0.5f);  // long frames: still one star per update
        EXPECT_LE(shining.stars().size(), before + 1);
        most = std::max(most, shining.stars().size());
    }
    EXPECT_LE(most, 3u);
    EffectRendererShining fresh(&owner, ball, 0, 10);
    fresh.update(0.01f);
    ASSERT_EQ(fresh.stars().size(), 1u);
    ball->set_position(ball->position() + Vector2(7, -3));
    fresh.update(0.01f);
    EXPECT_EQ(fresh.stars().front()->position(), ball->position());
}

TEST_F(Effects, TextsTakeTheirFontsAndColoursFromTheSkin) {
    auto name = std::dynamic_pointer_cast<TextRenderer>(make_bonus_name_text(&owner, at, "Bomb"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->lines(), std::vector<std::string>{"Bomb"});
    EXPECT_EQ(name->font(), orvek::ostrel::Skin::instance()->get_font("BonusName"));
    EXPECT_EQ(name->color().ToInt(), Vant::Color(255, 255, 0).ToInt());
    auto points = std::dynamic_pointer_cast<TextRenderer>(make_level_complete_points_text(&owner, at, 1250));
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(points->lines(), std::vector<std::string>{"1250"});
    EXPECT_EQ(points->font(), orvek::ostrel::Skin::instance()->get_font("level_complete_effect_points"));
    EXPECT_EQ(points->color().ToInt(), Vant::Color(0, 255, 255).ToInt());
    // Drawn in the image font.
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    points->draw(g);
    int lit = 0;
    for (int y = 50; y < 62; ++y)
        for (int x = 60; x < 100; ++x) lit += guitest::pixel(*image, x, y) != 0;
    EXPECT_GT(lit, 40);
}

// Runs every renderer kind for a few seconds and checks that nothing
// breaks and no star leaves the numbers.
void run_everything(guitest::Owner& owner) {
    RendererFactory factory(&owner);
    auto platform = std::make_shared<lg::Platform>();
    platform->set_position(Vector2(80, 100));
    auto ball = std::make_shared<lg::Ball>(Vector2(40, 40), 1000, lg::BallKind{0, 1});
    auto bomb = std::make_shared<lg::BallBomb>(1000);
    factory.create_renderers(platform);
    factory.create_renderers(ball);
    factory.create_renderers(bomb);
    factory.create_renderers(std::make_shared<lg::BonusCoin>(nullptr, Vector2(60, 60)));
    const Vector2 at(80, 60);
    for (auto e : {make_catch_bonus_effect(&owner, at), make_explosion_effect(&owner, at, true),
                   make_roll_in_effect(&owner, at), make_level_complete_effect(&owner, 5000, at, true),
                   make_level_complete_effect(&owner, 5000, at, false), make_head_and_tail_destroying_effect(&owner, at),
                   make_medal_effect(&owner, at, Vector2(3, 4)), make_ball_consuming_effect(&owner, at, 4)})
        owner.add_renderer(e);
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    for (int frame = 0; frame < 100; ++frame) {
        owner.time += 0.05f;
        run_renderers(owner.list, 0.05f, false, g);
        for (const auto& r : owner.list)
            if (auto* s = dynamic_cast<SpotRenderer*>(r.get())) {
                ASSERT_FALSE(std::isnan(s->position().x) || std::isnan(s->position().y));
            }
    }
}

TEST(HostileValues, NothingBreaks) {
    struct Case {
        const char* name;
        std::string skin;
        std::map<std::string, std::string> config;
    } cases[] = {
        {"defaults", Fixture::kDefaultSkinGame, {}},
        {"no lightnings", "<platform_lightnings num_lightnings=\"0\"/>", {}},
        {"negative lightnings and no offsets", "<platform_lightnings num_lightnings=\"-4\" dtime_min=\"-1\"/>", {}},
        {"lightnings without times", "<platform_lightnings num_lightnings=\"2\"/>", {}},
        {"zero and negative counts",
         Fixture::kDefaultSkinGame,
         {{"level_complete_effect/@num_stars0", "-5"},
          {"level_complete_effect/@num_stars1", "0"},
          {"effect_head_and_tail_destroing/@num_stars0", "-1"},
          {"effect_medal/@num_stars", "-100"}}},
        {"zero durations and speeds",
         Fixture::kDefaultSkinGame,
         {{"level_complete_effect/@time_star0", "0"},
          {"level_complete_effect/@time_usual_star", "0"},
          {"level_complete_effect/@speed_star0", "0"},
          {"effect_medal/@time_star", "0"},
          {"render/@bonusfall_shadow_speed", "0"},
          {"bonuses/@speed_rotation", "0"},
          {"render/@zelkor_head_time_animation", "0"}}},
        {"huge count", Fixture::kDefaultSkinGame, {{"effect_medal/@num_stars", "2147483647"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture fixture(c.skin, c.config);
        guitest::Owner owner;
        run_everything(owner);
        auto jewel_renderers = guitest::Owner();
        RendererFactory(&jewel_renderers).create_renderers(std::make_shared<lg::BonusJewel>(nullptr, Vector2(), 1u));
        auto region = std::make_shared<lg::ZelkorRegion>(lg::ZelkorRegion::head_side, nullptr);
        ZelkorRegionRenderer r(&owner, region);
        r.update(0.1f);
        EXPECT_FALSE(std::isnan(region->rotation()));
    }
    // A one-cel strip turns into cel 0 whatever the rotation.
    EXPECT_EQ(rotation_cel(3.0f, 1), 0);
}

}  // namespace
