// The renderer factory: per object kind the properties it attaches and the
// renderers it appends, rebuilding on a change of kind, and game values
// that name no image.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <functional>

#include "framework/graphics/Graphics.h"
#include "gui/Effects.h"
#include "gui/ObjRenderers.h"
#include "gui/ObjectProperties.h"
#include "gui/RendererFactory.h"
#include "logic/Ball.h"
#include "logic/BonusFall.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/ZelkorRegion.h"
#include "orvek/support/LogCapture.h"
#include "support/RenderFixture.h"

namespace {

using namespace orvek::trelm::gui;
using orvek::trelm::Vector2;
namespace lg = orvek::trelm::logic;
using guitest::Fixture;
using Names = std::vector<std::string>;

const bool in_private_dir = logcapture::enter_private_dir();

std::string class_of(const BasicRenderer& r) {
    if (dynamic_cast<const GlowingObjRenderer*>(&r)) return "GlowingObjRenderer";
    if (dynamic_cast<const ObjRenderer*>(&r)) return "ObjRenderer";
    if (dynamic_cast<const AnimatedObjRenderer*>(&r)) return "AnimatedObjRenderer";
    if (dynamic_cast<const PlatformRenderer*>(&r)) return "PlatformRenderer";
    if (dynamic_cast<const ZelkorRegionRenderer*>(&r)) return "ZelkorRegionRenderer";
    if (dynamic_cast<const DoorRenderer*>(&r)) return "DoorRenderer";
    if (dynamic_cast<const LiftRenderer*>(&r)) return "LiftRenderer";
    if (dynamic_cast<const EffectRendererTail*>(&r)) return "EffectRendererTail";
    if (dynamic_cast<const EffectRendererShining*>(&r)) return "EffectRendererShining";
    return "?";
}

Names classes(const RendererList& list) {
    Names n;
    for (const auto& r : list) n.push_back(class_of(*r));
    return n;
}

std::shared_ptr<lg::Ball> intensified(std::shared_ptr<lg::BallBonus> b) {
    EXPECT_TRUE(lg::intensify(*b));
    return b;
}

struct Factory : ::testing::Test {
    Fixture fixture{Fixture::kDefaultSkinGame, {{"debug/@draw_bonus_name", "false"}}};
    guitest::Owner owner;
    RendererFactory factory{&owner};
    Vector2 at{50, 50};
};

TEST_F(Factory, KindTable) {
    const Vector2 bonus_offsets[2] = {{1, 1}, {10, 10}};
    struct Case {
        const char* name;
        std::function<std::shared_ptr<lg::Obj>()> make;
        const char* image;  // "" for no image property
        bool cel;
        const char* shadow;  // "" for none
        Vector2 offset, second;
        float speed;
        Names renderers;
    };
    const Vector2 b0 = bonus_offsets[0], b1 = bonus_offsets[1];
    const Names bonus = {"EffectRendererTail", "ObjRenderer"};
    auto fall = [&](auto make) { return [=]() -> std::shared_ptr<lg::Obj> { return make(); }; };
    const Case cases[] = {
        {"platform", [] { return std::make_shared<lg::Platform>(); }, "platform", false, "platform_shadow", {3, 4},
         {3, 4}, 0.0f, {"PlatformRenderer"}},
        {"red ball", [&] { return std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 1}); }, "ball-red", true,
         "ball_shadow", {2, 2}, {2, 2}, 0.0f, {"ObjRenderer"}},
        {"white ball", [&] { return std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 8}); }, "ball-white", true,
         "ball_shadow", {2, 2}, {2, 2}, 0.0f, {"ObjRenderer"}},
        {"wild ball", [&] { return std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 9}); }, "", false,
         "ball_shadow", {2, 2}, {2, 2}, 0.0f, {"AnimatedObjRenderer"}},
        {"bomb", [] { return std::make_shared<lg::BallBomb>(1000); }, "ball-bomb", true, "ball_shadow", {2, 2}, {2, 2},
         0.0f, {"GlowingObjRenderer"}},
        {"bomb intensified", [] { return intensified(std::make_shared<lg::BallBomb>(1000)); }, "ball-bomb_intensive",
         true, "ball_shadow", {2, 2}, {2, 2}, 0.0f, {"GlowingObjRenderer"}},
        {"lightning", [] { return std::make_shared<lg::BallLightning>(1000); }, "ball-lightning", true, "ball_shadow",
         {2, 2}, {2, 2}, 0.0f, {"GlowingObjRenderer"}},
        {"lightning intensified", [] { return intensified(std::make_shared<lg::BallLightning>(1000)); },
         "ball-lightning_intensive", true, "ball_shadow", {2, 2}, {2, 2}, 0.0f, {"GlowingObjRenderer"}},
        {"aiming hit", [] { return std::make_shared<lg::BallAimingHit>(1000); }, "ball-aiming_hit", true,
         "ball_shadow", {2, 2}, {2, 2}, 0.0f, {"ObjRenderer"}},
        {"aiming hit intensified", [] { return intensified(std::make_shared<lg::BallAimingHit>(1000)); },
         "ball-aiming_hit_intensive", true, "ball_shadow", {2, 2}, {2, 2}, 0.0f, {"ObjRenderer"}},
        {"wild ball bonus", fall([&] { return std::make_shared<lg::BonusWildBall>(nullptr, at); }), "wild_ball", true,
         "wild_ball_shadow", b0, b1, 10.0f, bonus},
        {"slowing", fall([&] { return std::make_shared<lg::BonusSlowing>(nullptr, at); }), "slowing", true,
         "slowing_shadow", b0, b1, 10.0f, bonus},
        {"go back", fall([&] { return std::make_shared<lg::BonusGoBack>(nullptr, at); }), "go_back", true,
         "go_back_shadow", b0, b1, 10.0f, bonus},
        {"stop", fall([&] { return std::make_shared<lg::BonusStop>(nullptr, at); }), "stop", true, "stop_shadow", b0,
         b1, 10.0f, bonus},
        {"bomb bonus", fall([&] { return std::make_shared<lg::BonusBomb>(nullptr, at); }), "bomb", true, "bomb_shadow",
         b0, b1, 10.0f, bonus},
        {"lightning bonus", fall([&] { return std::make_shared<lg::BonusLightning>(nullptr, at); }), "lightning", true,
         "lightning_shadow", b0, b1, 10.0f, bonus},
        {"colour bomb 3", fall([&] { return std::make_shared<lg::BonusColorBomb>(nullptr, at, 3); }),
         "colorbomb-blue", true, "colorbomb_shadow", b0, b1, 10.0f, bonus},
        {"pull in", fall([&] { return std::make_shared<lg::BonusPullIn>(nullptr, at); }), "pull_in", true,
         "pull_in_shadow", b0, b1, 10.0f, bonus},
        {"intensifier", fall([&] { return std::make_shared<lg::BonusIntensifier>(nullptr, at); }), "intensifier", true,
         "intensifier_shadow", b0, b1, 10.0f, bonus},
        {"progress", fall([&] { return std::make_shared<lg::BonusProgress>(nullptr, at); }), "progress", true,
         "progress_shadow", b0, b1, 10.0f, bonus},
        {"jewel 2", fall([&] { return std::make_shared<lg::BonusJewel>(nullptr, at, 2u); }), "jewel2", true,
         "jewel2_shadow", b0, b1, 10.0f, bonus},
        {"coin", fall([&] { return std::make_shared<lg::BonusCoin>(nullptr, at); }), "coin", true, "coin_shadow", b0,
         b1, 10.0f, {"EffectRendererTail", "ObjRenderer", "EffectRendererShining"}},
        {"letter K", fall([&] { return std::make_shared<lg::BonusLetter>(nullptr, at, 'K'); }), "letter_3", true,
         "letter_3_shadow", b0, b1, 10.0f, bonus},
        {"aiming hit bonus", fall([&] { return std::make_shared<lg::BonusAimingHit>(nullptr, at); }), "aiming_hit",
         true, "aiming_hit_shadow", b0, b1, 10.0f, bonus},
        {"sequence acceleration",
         fall([&] { return std::make_shared<lg::BonusSequenceAcceleration>(nullptr, at); }), "sequence_acceleration",
         true, "sequence_acceleration_shadow", b0, b1, 10.0f, bonus},
        {"creature head", [] { return std::make_shared<lg::ZelkorRegion>(lg::ZelkorRegion::head_side, nullptr); }, "",
         false, "", {}, {}, 0.0f, {"ZelkorRegionRenderer"}},
        {"door", [] { return std::make_shared<lg::Door>(); }, "", false, "", {}, {}, 0.0f, {"DoorRenderer"}},
        {"lift", [] { return std::make_shared<lg::Lift>(); }, "", false, "", {}, {}, 0.0f, {"LiftRenderer"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        owner.list.clear();
        auto object = c.make();
        factory.create_renderers(object);
        EXPECT_EQ(classes(owner.list), c.renderers);
        for (const auto& r : owner.list) EXPECT_EQ(r->object().lock(), object);
        const auto image = image_property(*object);
        if (*c.image) {
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->name(), c.image);
            EXPECT_EQ(image->cel_from_rotation(), c.cel);
        } else {
            EXPECT_EQ(image, nullptr);
        }
        const auto shadow = shadow_property(*object);
        if (*c.shadow) {
            ASSERT_NE(shadow, nullptr);
            EXPECT_EQ(shadow->name(), c.shadow);
            EXPECT_EQ(shadow->offset(), c.offset);
            EXPECT_EQ(shadow->second_offset(), c.second);
            EXPECT_EQ(shadow->speed(), c.speed);
        } else {
            EXPECT_EQ(shadow, nullptr);
        }
        // Every renderer made can be drawn at once.
        auto canvas = guitest::canvas();
        Vant::Graphics g(canvas.get());
        run_renderers(owner.list, 0.05f, false, g);
    }
}

TEST_F(Factory, BallDetails) {
    // The wild ball: the animation and its stars.
    auto wild = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 9});
    factory.create_renderers(wild);
    auto* animated = dynamic_cast<AnimatedObjRenderer*>(owner.list.front().get());
    ASSERT_NE(animated, nullptr);
    EXPECT_EQ(animated->animation().image().GetImage(), skin_image("ball-wild").GetImage());
    ASSERT_NE(animated->second_spot(), nullptr);
    EXPECT_EQ(animated->second_spot()->image().GetImage(), skin_image("wild_ball_stars").GetImage());
    EXPECT_EQ(animated->second_spot()->duration(), 1500);

    // Spins: none for a colour, a turn a second for the special balls.
    owner.list.clear();
    factory.create_renderers(std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 2}));
    factory.create_renderers(std::make_shared<lg::BallAimingHit>(1000));
    factory.create_renderers(std::make_shared<lg::BallBomb>(1000));
    const float spins[] = {0.0f, 6.2831855f, 6.2831855f};
    int i = 0;
    for (const auto& r : owner.list) EXPECT_FLOAT_EQ(dynamic_cast<ObjRenderer&>(*r).spin_speed(), spins[i++]);
}

TEST_F(Factory, BonusDetails) {
    // The jewel's glow lasts one turn at the bonus's rotation speed.
    auto jewel = std::make_shared<lg::BonusJewel>(nullptr, at, 2u);
    factory.create_renderers(jewel);
    auto* r = dynamic_cast<ObjRenderer*>(std::next(owner.list.begin())->get());
    ASSERT_NE(r, nullptr);
    ASSERT_NE(r->spot(), nullptr);
    EXPECT_EQ(r->spot()->image().GetImage(), skin_image("jewel2_glowing").GetImage());
    EXPECT_EQ(r->spot()->duration(), 1000);

    // The coin's shining holds at most ten stars.
    owner.list.clear();
    factory.create_renderers(std::make_shared<lg::BonusCoin>(nullptr, at));
    auto* shining = dynamic_cast<EffectRendererShining*>(owner.list.back().get());
    ASSERT_NE(shining, nullptr);
    EXPECT_EQ(shining->max_stars(), 10);
}

TEST_F(Factory, JewelGlowFollowsTheRotationSpeed) {
    Fixture again{Fixture::kDefaultSkinGame, {{"bonuses/@speed_rotation", "3.14159274"}}};
    guitest::Owner own;
    RendererFactory f(&own);
    f.create_renderers(std::make_shared<lg::BonusJewel>(nullptr, at, 0u));
    auto* r = dynamic_cast<ObjRenderer*>(std::next(own.list.begin())->get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->spot()->duration(), 2000);
}

TEST_F(Factory, NothingForAnEmptyBallOrAGoneObject) {
    auto empty = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 0});
    factory.create_renderers(empty);
    EXPECT_TRUE(owner.list.empty());
    EXPECT_TRUE(empty->properties().empty());
    std::weak_ptr<lg::Obj> gone;
    {
        auto b = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 1});
        gone = b;
    }
    factory.create_renderers(gone);
    EXPECT_TRUE(owner.list.empty());
}

TEST_F(Factory, KindChangeReplacesRenderersAndProperties) {
    auto keep = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 2});
    auto ball = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 1});
    factory.create_renderers(keep);
    factory.create_renderers(ball);
    ASSERT_EQ(owner.list.size(), 2u);
    const auto old_shadow = shadow_property(*ball);

    ball->set_color(9);
    factory.rebuild_renderers(ball.get());
    EXPECT_EQ(classes(owner.list), (Names{"ObjRenderer", "AnimatedObjRenderer"}));
    EXPECT_EQ(owner.list.front()->object().lock(), keep);
    EXPECT_EQ(image_property(*ball), nullptr) << "the wild ball has no image property";
    ASSERT_NE(shadow_property(*ball), nullptr);
    EXPECT_NE(shadow_property(*ball), old_shadow);
    EXPECT_EQ(shadow_property(*ball)->name(), "ball_shadow");

    // An intensified bomb gets its new image.
    auto bomb = std::make_shared<lg::BallBomb>(1000);
    factory.create_renderers(bomb);
    ASSERT_TRUE(lg::intensify(*bomb));
    factory.rebuild_renderers(bomb.get());
    EXPECT_EQ(image_property(*bomb)->name(), "ball-bomb_intensive");
    EXPECT_EQ(classes(owner.list), (Names{"ObjRenderer", "AnimatedObjRenderer", "GlowingObjRenderer"}));

    // An object without renderers gets none on a change.
    auto stranger = std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 3});
    factory.rebuild_renderers(stranger.get());
    EXPECT_EQ(owner.list.size(), 3u);
    EXPECT_TRUE(stranger->properties().empty());
}

TEST_F(Factory, GameValuesThatNameNoImage) {
    // q = 3 jewels; the fixture's word is "ZELKOR".
    struct Case {
        const char* name;
        std::function<std::shared_ptr<lg::Obj>()> make;
        const char* logged;
    };
    const Case cases[] = {
        {"letter not in the word", [&] { return std::make_shared<lg::BonusLetter>(nullptr, at, 'Q'); },
         "No image for the letter"},
        {"colour bomb 0", [&] { return std::make_shared<lg::BonusColorBomb>(nullptr, at, 0); }, "colour bomb of colour 0"},
        {"colour bomb 9", [&] { return std::make_shared<lg::BonusColorBomb>(nullptr, at, 9); }, "colour bomb of colour 9"},
        {"jewel 3", [&] { return std::make_shared<lg::BonusJewel>(nullptr, at, 3u); }, "No image for jewel 3"},
        {"ball colour 10", [&] { return std::make_shared<lg::Ball>(at, 1000, lg::BallKind{0, 10}); },
         "ball of colour 10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        owner.list.clear();
        logcapture::LogMark mark;
        auto object = c.make();
        EXPECT_NO_THROW(factory.create_renderers(object));
        for (const auto& r : owner.list) EXPECT_EQ(class_of(*r), "EffectRendererTail") << "only the tail";
        EXPECT_EQ(image_property(*object), nullptr);
        const std::string log = mark.text();
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    }
}

}  // namespace
