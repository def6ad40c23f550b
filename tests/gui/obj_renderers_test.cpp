// Object renderers: cels from rotations and door openings, the end of a
// renderer with its object, shadows, the software look without 3D, glows,
// the platform's preview and lightnings, the lift, and the creature's head.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "framework/graphics/Graphics.h"
#include "gui/ObjRenderers.h"
#include "gui/ObjectProperties.h"
#include "logic/ActiveBonuses.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/Game.h"
#include "logic/LegacyRand.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/ZelkorRegion.h"
#include "orvek/support/LogCapture.h"
#include "support/RenderFixture.h"
#include "testkit/BusyLevel.h"

namespace {

using namespace orvek::trelm::gui;
using orvek::trelm::Vector2;
namespace lg = orvek::trelm::logic;
using guitest::Fixture;

constexpr float kTwoPi = 6.2831855f;

const bool in_private_dir = logcapture::enter_private_dir();

TEST(CelTable, RotationsAndDoorFractions) {
    struct Case {
        float value;
        int cel;
    };
    const Case rotations[] = {{0.0f, 0}, {kTwoPi, 0}, {-0.0001f, 7}, {-kTwoPi, 0}, {kTwoPi / 8, 1},
                              {-kTwoPi / 8 + 1e-4f, 7}, {std::nanf(""), 0}};
    for (const Case& c : rotations) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(rotation_cel(c.value, 8), c.cel);
    }
    // In single precision the smallest negative rotations fold onto 2 pi.
    EXPECT_EQ(-1e-8f + kTwoPi, kTwoPi);
    EXPECT_EQ(rotation_cel(-1e-8f, 8), 0);
    EXPECT_EQ(rotation_cel(-1e-8f, 1), 0);
    EXPECT_EQ(rotation_cel(1.0f, 0), 0);

    const Case doors[] = {{0.0f, 3}, {1.0f, 0}, {0.5f, 2}, {-0.5f, 3}, {1.5f, 0}, {0.999f, 0}, {0.001f, 3}};
    for (const Case& c : doors) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(door_cel(c.value, 4), c.cel);
    }
}

TEST(CelTable, NoRotationLeavesTheStrip) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<float> any(-kTwoPi, kTwoPi);
    std::vector<float> values;
    for (int i = 0; i < 100000; ++i) values.push_back(any(gen));
    for (float edge : {kTwoPi, -kTwoPi}) {
        float v = edge;
        for (int i = 0; i < 8; ++i) {
            values.push_back(v);
            values.push_back(-v);
            v = std::nextafter(v, 0.0f);
        }
        v = edge;
        for (int i = 0; i < 8; ++i) values.push_back(v = std::nextafter(v, edge * 2));
    }
    for (float tiny = -1e-3f; tiny < 0; tiny = tiny * 0.5f) {
        values.push_back(tiny);
        if (tiny > -1e-30f) break;
    }
    for (int n : {1, 8, 36, 64}) {
        for (float v : values) {
            const int cel = rotation_cel(v, n);
            ASSERT_TRUE(cel >= 0 && cel < n) << v << " with " << n << " cels gave " << cel;
        }
    }
}

struct ObjRenderers : ::testing::Test {
    Fixture fixture{Fixture::kDefaultSkinGame, {{"debug/@draw_bonus_name", "false"}}};
    guitest::Owner owner;

    std::shared_ptr<lg::Ball> ball(int colour, Vector2 at = {50.6f, 40.2f}, int order = 1000) {
        auto b = std::make_shared<lg::Ball>(at, order, lg::BallKind{0, colour});
        attach_image_property(*b, "ball-red", true);
        attach_shadow_property(*b, "ball_shadow", Vector2(2, 2));
        return b;
    }
    static std::uint32_t colour(const char* name) { return Fixture::color_of(name) & 0xFFFFFF; }
};

TEST_F(ObjRenderers, RendererEndsWithItsObjectAndIsNeverDrawnAgain) {
    auto b = ball(1);
    auto door = std::make_shared<lg::Door>();
    auto lift = std::make_shared<lg::Lift>();
    door->set_position(Vector2(20, 20));
    lift->set_position(Vector2(100, 20));
    owner.add_renderer(std::make_shared<ObjRenderer>(&owner, b, false, 0.0f));
    owner.add_renderer(std::make_shared<DoorRenderer>(&owner, door));
    owner.add_renderer(std::make_shared<LiftRenderer>(&owner, lift));
    for (auto& r : owner.list) EXPECT_FALSE(r->is_finished());
    EXPECT_EQ(owner.list.front()->object().lock(), b);
    b.reset();
    door.reset();
    lift.reset();
    for (auto& r : owner.list) EXPECT_TRUE(r->is_finished());
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    run_renderers(owner.list, 0.1f, false, g);
    EXPECT_TRUE(owner.list.empty());
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) ASSERT_EQ(guitest::pixel(*image, x, y), 0u) << x << "," << y;
}

TEST_F(ObjRenderers, ShadowSlidesToItsTargetAndStopsThere) {
    struct Case {
        Vector2 from, to;
        float speed;
        int steps;  // of 0.1 s until it arrives; -1 for never
    } cases[] = {{{0, 0}, {9, 0}, 10.0f, 9}, {{1, 1}, {1, 10}, 10.0f, 9}, {{0, 0}, {3, 4}, 10.0f, 5},
                 {{0, 0}, {9, 0}, 0.0f, -1}, {{0, 0}, {9, 0}, -5.0f, -1}, {{2, 2}, {2, 2}, 0.0f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.to.x << "," << c.to.y << " at " << c.speed);
        auto b = ball(1);
        attach_shadow_property(*b, "ball_shadow", c.from, c.to, c.speed);
        ObjRenderer r(&owner, b, false, 0.0f);
        int steps = 0;
        while (!(r.shadow_offset() == c.to) && steps < 50) {
            r.update(0.1f);
            ++steps;
            ASSERT_FALSE(std::isnan(r.shadow_offset().x) || std::isnan(r.shadow_offset().y));
        }
        EXPECT_EQ(steps, c.steps < 0 ? 50 : c.steps);
        if (c.steps >= 0) {
            r.update(0.1f);
            EXPECT_EQ(r.shadow_offset(), c.to);
        }
    }
}

TEST_F(ObjRenderers, WithoutThe3DDisplayBallsAreUnrotatedWithoutShadowButSpotsStay) {
    auto b = ball(1);
    attach_shadow_property(*b, "ball_shadow", Vector2(8, 8));
    b->set_direction(0.7f);
    auto r = std::make_shared<ObjRenderer>(&owner, b, false, 0.0f);
    r->attach_spot(skin_image("ball_glowing_active"), false, 1.0f);
    owner.add_renderer(r);
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    run_renderers(owner.list, 0.0f, false, g);
    // The cel at the rounded position: (50.6 - 5 + 0.5, 40.2 - 5 + 0.5).
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 46, 35), colour("ball-red")));
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 55, 44), colour("ball-red")));
    EXPECT_FALSE(guitest::same_colour(guitest::pixel(*image, 45, 35), colour("ball-red")));
    EXPECT_FALSE(guitest::same_colour(guitest::pixel(*image, 56, 44), colour("ball-red")));
    EXPECT_EQ(guitest::pixel(*image, 61, 51), 0u) << "no shadow";
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 44, 34), colour("ball_glowing_active")));

    fixture.enable_3d();
    Vant::Graphics g3(fixture.screen());
    run_renderers(owner.list, 0.0f, false, g3);
    EXPECT_TRUE(guitest::same_colour(fixture.screen_pixel(61, 51), colour("ball_shadow")));
    EXPECT_TRUE(guitest::same_colour(fixture.screen_pixel(50, 40), colour("ball-red")));
    EXPECT_TRUE(guitest::same_colour(fixture.screen_pixel(44, 34), colour("ball_glowing_active")));
}

TEST_F(ObjRenderers, SpinTurnsTheCels) {
    auto b = ball(1);
    ObjRenderer r(&owner, b, false, kTwoPi);
    EXPECT_EQ(r.cel(), 0);
    r.update(0.25f);
    EXPECT_EQ(r.cel(), 2);
    r.update(0.5f);
    EXPECT_EQ(r.cel(), 6);
}

TEST_F(ObjRenderers, MissingImagePropertyDrawsNothingOfIt) {
    auto b = std::make_shared<lg::Ball>(Vector2(50, 40), 1000, lg::BallKind{0, 1});
    logcapture::LogMark mark;
    ObjRenderer r(&owner, b, false, 0.0f);
    EXPECT_EQ(mark.text(), "[Trelm.ObjRenderer] Object does not contain image property. No image to load.\n");
    EXPECT_FALSE(r.has_image());
    EXPECT_FALSE(r.has_shadow());
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    r.update(0.1f);
    r.draw_under(g);
    r.draw(g);
    EXPECT_EQ(guitest::pixel(*image, 50, 40), 0u);
}

TEST(DebugNames, FallingBonusesShowTheirKindInTheDebugFont) {
    Fixture fixture;  // the switch is on by default
    guitest::Owner owner;
    const Vector2 at(40, 60);
    struct Case {
        std::shared_ptr<lg::BonusFall> bonus;
        const char* name;
    } cases[] = {
        {std::make_shared<lg::BonusBomb>(nullptr, at), "Bomb"},
        {std::make_shared<lg::BonusGoBack>(nullptr, at), "GoBack"},
        {std::make_shared<lg::BonusWildBall>(nullptr, at), "WildBall"},
        {std::make_shared<lg::BonusColorBomb>(nullptr, at, 2), "ColorBomb"},
        {std::make_shared<lg::BonusJewel>(nullptr, at, 2u), "Jewel2"},
        {std::make_shared<lg::BonusSequenceAcceleration>(nullptr, at), "SequenceAcceleration"},
        {std::make_shared<lg::BonusCoin>(nullptr, at), ""},
        {std::make_shared<lg::BonusLetter>(nullptr, at, 'Z'), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.bonus->set_position(at);
        ObjRenderer r(&owner, c.bonus, false, 0.0f);
        EXPECT_EQ(r.debug_name(), c.name);
        // Black text from the object's centre, over the (absent) image.
        auto image = guitest::canvas(160, 120, 0xFFFFFFFFu);
        Vant::Graphics g(image.get());
        r.draw(g);
        bool lit = false;
        for (int y = 50; y < 62; ++y)
            for (int x = 40; x < 60; ++x) lit |= guitest::pixel(*image, x, y) == 0;
        EXPECT_EQ(lit, *c.name != 0);
    }
    // Not a bonus: no name.
    auto b = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 1});
    EXPECT_EQ(ObjRenderer(&owner, b, false, 0.0f).debug_name(), "");
}

TEST_F(ObjRenderers, GlowOnThePlatformAndNoShadowThere) {
    fixture.enable_3d();
    auto b = ball(1, {80, 60}, 3000);
    attach_shadow_property(*b, "ball_shadow", Vector2(8, 8));
    GlowingObjRenderer r(&owner, b, 0.0f, skin_image("ball_glowing_active"), skin_image("ball_glowing_passive"), 0.5f,
                         false);
    auto draw = [&](Vant::Graphics& g) {
        r.update(0.0f);
        r.draw_under(g);
        r.draw(g);
    };
    {
        Vant::Graphics g(fixture.screen());
        draw(g);
        // The glow reaches two pixels beyond the 10 x 10 ball; the shadow
        // would lie further down and right.
        EXPECT_TRUE(guitest::same_colour(fixture.screen_pixel(74, 60), colour("ball_glowing_active")));
        EXPECT_EQ(fixture.screen_pixel(92, 72), 0u);
    }
    // Elsewhere on the screen, as the glows add up.
    b->set_draw_order(1000);
    b->set_position(Vector2(40, 30));
    {
        Vant::Graphics g(fixture.screen());
        draw(g);
        EXPECT_TRUE(guitest::same_colour(fixture.screen_pixel(34, 30), colour("ball_glowing_passive")));
        EXPECT_TRUE(guitest::same_colour(fixture.screen_pixel(52, 42), colour("ball_shadow")));
    }
}

TEST_F(ObjRenderers, LiftIsHiddenWhileItsDoorIsOpen) {
    auto door = std::make_shared<lg::Door>();
    auto lift = std::make_shared<lg::Lift>();
    lift->set_position(Vector2(50, 10));
    lift->set_door(door);
    LiftRenderer r(&owner, lift);
    EXPECT_EQ(r.layer(), 0);
    EXPECT_TRUE(r.visible_while_paused());
    auto drawn = [&] {
        auto image = guitest::canvas();
        Vant::Graphics g(image.get());
        r.draw(g);
        // Centred across, hanging down from the position.
        return guitest::pixel(*image, 40, 10) != 0 && guitest::pixel(*image, 59, 39) != 0 &&
               guitest::pixel(*image, 39, 10) == 0 && guitest::pixel(*image, 50, 9) == 0;
    };
    EXPECT_TRUE(drawn());
    door->start_opening();
    door->update(1.0f);
    ASSERT_TRUE(door->is_open());
    EXPECT_FALSE(drawn());
    door.reset();
    EXPECT_TRUE(drawn()) << "a lift without its door is drawn";
}

TEST(CreatureRegion, HeadFacesItsHeadingWithItsCentreAhead) {
    Fixture fixture{Fixture::kDefaultSkinGame, {{"render/@zelkor_head_offset", "10"}}};
    guitest::Owner owner;
    auto region = std::make_shared<lg::ZelkorRegion>(lg::ZelkorRegion::head_side, nullptr);
    region->set_position(Vector2(80, 60));
    region->set_direction(kTwoPi / 4);  // heading +x
    ZelkorRegionRenderer r(&owner, region);
    EXPECT_FLOAT_EQ(r.offset(), 10.0f);
    EXPECT_FLOAT_EQ(r.spin_speed(), kTwoPi);
    auto image = guitest::canvas();
    Vant::Graphics g(image.get());
    r.draw(g);
    const std::uint32_t head = Fixture::color_of("zelkor_head") & 0xFFFFFF;
    // Centre at (90, 60); the art's front rows (white) now on the +x side.
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 93, 60), 0xFFFFFF));
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 89, 60), head));
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 86, 60), head));
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 89, 57), head));
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 89, 63), head));
    EXPECT_EQ(guitest::pixel(*image, 84, 60), 0u);
    EXPECT_EQ(guitest::pixel(*image, 96, 60), 0u);
}

// The busy level, its platform kept by the test once the game adds it.
struct PlatformLevel : logictest::BusyLevel {
    std::weak_ptr<lg::Platform> platform;
    void create(lg::GameSetup& s) override {
        BusyLevel::create(s);
        s.set_on_object_added([this](std::weak_ptr<lg::Obj> o) {
            if (auto p = std::dynamic_pointer_cast<lg::Platform>(o.lock())) platform = p;
        });
    }
};

struct PlatformScene : ::testing::Test {
    Fixture fixture{Fixture::kDefaultSkinGame, {{"debug/@draw_bonus_name", "false"}}};
    guitest::Owner owner;
    PlatformLevel level;
    lg::Game game;

    void SetUp() override {
        lg::seed_random(3);
        game.start(level);
        ASSERT_FALSE(level.platform.expired());
        for (int i = 0; i < 400 && !game.platform()->ball_to_take(); ++i) game.update(0.032f);
        ASSERT_NE(game.platform()->ball_to_take(), nullptr);
        attach_image_property(*game.platform(), "platform", false);
        attach_shadow_property(*game.platform(), "platform_shadow", Vector2(3, 4));
    }
    void intensify() {
        auto* bonuses = dynamic_cast<lg::ActiveBonuses*>(game.bonuses());
        ASSERT_NE(bonuses, nullptr);
        auto bonus = bonuses->create_kind(lg::bonus_intensifier, Vector2(100, 100));
        ASSERT_NE(bonus, nullptr);
        bonus->on_caught();
        ASSERT_TRUE(game.platform()->is_intensified());
    }
};

TEST_F(PlatformScene, PreviewFollowsTheBallToTakeAndIsDrawnTwice) {
    PlatformRenderer r(&owner, level.platform);
    EXPECT_EQ(r.layer(), 2000);
    r.update(0.0f);
    const lg::Ball* next = game.platform()->ball_to_take();
    ASSERT_NE(r.ball_image(), nullptr);
    EXPECT_EQ(r.ball_kind(), next->kind());
    const std::string suffix[] = {"", "red", "green", "blue", "yellow", "black", "grey", "purple", "white", "wild"};
    EXPECT_EQ(r.ball_image(), skin_image("platform_ball_" + suffix[next->color()]).GetImage());

    game.platform()->set_position(Vector2(80.4f, 60.0f));
    auto image = guitest::canvas(240, 120);
    Vant::Graphics g(image.get());
    r.draw_under(g);
    r.draw(g);
    // The platform's top-left is (60.4, 50); the previews at (35, 13) and
    // (100, 13) from it; the shadow at the position plus (3, 4).
    const std::uint32_t ball = Fixture::color_of("platform_ball_" + suffix[next->color()]) & 0xFFFFFF;
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 97, 65), ball));
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 162, 65), ball));
    EXPECT_EQ(guitest::pixel(*image, 168, 65), 0u);
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 70, 55), Fixture::color_of("platform") & 0xFFFFFF));
    EXPECT_TRUE(guitest::same_colour(guitest::pixel(*image, 110, 70), Fixture::color_of("platform_shadow") & 0xFFFFFF));
}

TEST_F(PlatformScene, LightningsStartOnlyWhileIntensifiedAndOnlyWhenIdle) {
    PlatformRenderer r(&owner, level.platform);
    ASSERT_EQ(r.lightning_spots().size(), 3u);
    EXPECT_FLOAT_EQ(r.dtime_min(), 0.5f);
    EXPECT_FLOAT_EQ(r.dtime_max(), 1.5f);
    r.update(0.01f);
    EXPECT_TRUE(std::isinf(r.next_lightning_time())) << "not intensified: nothing scheduled";
    for (const auto& s : r.lightning_spots()) EXPECT_FALSE(s->is_playing());

    intensify();
    // With a seeded generator: k = rand mod 3 picks the k-th idle spot.
    effects_random().seed(11);
    orvek::LegacyRand copy(11);
    const int k = copy.next() % 3;
    const float gap = 0.5f + float(copy.next()) * (1.5f - 0.5f) / 32767.0f;
    owner.time = 2.0f;
    r.update(0.01f);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r.lightning_spots()[i]->is_playing(), i == k) << i;
    EXPECT_FLOAT_EQ(r.next_lightning_time(), 2.0f + gap);
    EXPECT_GE(r.next_lightning_time(), 2.5f);
    EXPECT_LE(r.next_lightning_time(), 3.5f);

    // All three playing: none starts, and the next update tries again.
    for (const auto& s : r.lightning_spots()) s->play();
    owner.time = 10.0f;
    const float before = r.next_lightning_time();
    r.update(0.01f);
    EXPECT_EQ(r.next_lightning_time(), before);
}

}  // namespace
