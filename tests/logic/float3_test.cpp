#include <gtest/gtest.h>

#include "logic/Float3.h"
#include "support/LogicHarness.h"

namespace logic = orvek::trelm::logic;
using logic::Float3;

namespace {

struct StepCase {
    const char* what;
    Float3 start;
    float dt;
    float friction;
    float speed_after;
    float covered;
};

}  // namespace

TEST(Float3, StepTable) {
    const StepCase cases[] = {
        {"friction only", {100, 200, 0}, 0.5f, 130, 35.0f, 33.75f},
        {"friction stops a slow motion", {1, 0, 0}, 0.032f, 130, 0.0f, 0.016f},
        {"negative speed brakes towards 0", {-100, 200, 0}, 0.5f, 130, -35.0f, -33.75f},
        {"over the limit, pushed the same way: friction only", {300, 200, 50}, 0.1f, 130, 287.0f,
         29.35f},
        {"over the limit, pushed back: acceleration applies", {300, 200, -50}, 0.1f, 130, 282.0f,
         29.1f},
        {"acceleration clamps on crossing the limit", {190, 200, 500}, 0.1f, 0, 200.0f, 19.5f},
        {"at rest, positive acceleration", {0, 200, 100}, 0.1f, 0, 10.0f, 0.5f},
        {"at rest, friction larger than the push", {0, 200, 100}, 0.1f, 130, 10.0f, 0.5f},
        {"negative speed, positive acceleration", {-50, 200, 100}, 0.1f, 0, -40.0f, -4.5f},
        {"negative speed crossing the negative limit", {-195, 200, -100}, 0.1f, 0, -200.0f, -19.75f},
        {"zero limit, zero speed, zero acceleration", {0, 0, 0}, 0.1f, 130, 0.0f, 0.0f},
        {"zero limit holds a pushed chain", {0, 0, 100}, 0.1f, 0, 0.0f, 0.0f},
    };
    for (const auto& c : cases) {
        Float3 f = c.start;
        const float covered = f.step(c.dt, c.friction);
        EXPECT_NEAR(f.speed, c.speed_after, 1e-4f) << c.what;
        EXPECT_NEAR(covered, c.covered, 1e-4f) << c.what;
        EXPECT_EQ(f.max_speed, c.start.max_speed) << c.what;
        EXPECT_EQ(f.acceleration, c.start.acceleration) << c.what;
    }
}

TEST(Float3, DefaultFrictionIs130) {
    logictest::ensure_config_defaults();
    EXPECT_EQ(logic::friction(), 130.0f);
    Float3 f(100, 200, 0);
    EXPECT_FLOAT_EQ(f.step(0.5f), 33.75f);
    EXPECT_FLOAT_EQ(f.speed, 35.0f);
}

TEST(Float3, ScaleSumAndLimits) {
    Float3 a(10, 20, -4);
    a.scale(0.78125f);
    EXPECT_EQ(a, Float3(7.8125f, 15.625f, -3.125f));
    EXPECT_EQ(Float3::sum({1, 2, 3}, {10, 20, 30}), Float3(11, 22, 33));

    Float3 b(5, 1, 1);
    b.set_limits({99, 40, -7});
    EXPECT_EQ(b, Float3(5, 40, -7));
    EXPECT_TRUE(b.same_limits({0, 40, -7}));
    EXPECT_FALSE(b.same_limits({0, 40, 7}));
    EXPECT_FALSE(b.same_limits({0, 41, -7}));
}

TEST(Float3, StreamForm) {
    const Float3 f(-12.5f, 300.0f, 0.25f);
    const std::string bytes = logictest::save_plain(f);
    EXPECT_EQ(bytes, logictest::u8(0) + logictest::f32(-12.5f) + logictest::f32(300.0f) +
                         logictest::f32(0.25f));
    Float3 g;
    logictest::load_plain(bytes, g);
    EXPECT_EQ(g, f);
}
