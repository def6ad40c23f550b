#include <gtest/gtest.h>

#include "support/LogicHarness.h"

namespace logic = orvek::trelm::logic;
using orvek::trelm::Vector2;

TEST(Harness, FakeSkinsNestAndRestore) {
    ASSERT_EQ(logic::skin_lookup(), nullptr);
    {
        logictest::FakeSkin outer;
        outer.text("menu/bonus_word", "ZELKOR");
        EXPECT_EQ(logic::skin_text("menu/bonus_word"), "ZELKOR");
        {
            logictest::FakeSkin inner;
            EXPECT_EQ(logic::skin_text("menu/bonus_word"), "menu/bonus_word");
            inner.attribute("a/b", "c", "d");
            EXPECT_EQ(logic::skin_attribute("a/b", "c"), "d");
            EXPECT_TRUE(inner.has_attribute("a/b", "c"));
        }
        EXPECT_EQ(logic::skin_lookup(), &outer);
        EXPECT_EQ(logic::skin_attribute("a/b", "c"), "");
    }
    EXPECT_EQ(logic::skin_lookup(), nullptr);
    EXPECT_EQ(logic::skin_text("menu/bonuses_x"), "menu/bonuses_x");
}

TEST(Harness, FixedSeedRestoresTheGenerator) {
    logic::seed_random(77);
    const std::uint32_t before = logic::LegacyRand::instance().state();
    {
        logictest::FixedSeed seed(1);
        EXPECT_EQ(logic::random(), 41);
    }
    EXPECT_EQ(logic::LegacyRand::instance().state(), before);
}

TEST(Harness, ConfigurationDefaults) {
    logictest::ensure_config_defaults();
    EXPECT_EQ(logic::friction(), 130.0f);
}

TEST(Harness, WayBuilders) {
    auto s = logictest::straight_way(0, 300, 50, 3, true);
    EXPECT_EQ(s->point_count(), 4);
    EXPECT_TRUE(s->unbounded());
    EXPECT_FLOAT_EQ(s->start_length(), 0);
    EXPECT_FLOAT_EQ(s->finish_length(), 300);

    auto u = logictest::u_way();
    EXPECT_FLOAT_EQ(u->lengths().back(), 1400);
    EXPECT_FLOAT_EQ(u->finish_length(), 1400);

    auto c = logictest::contour_way({400, 500}, 100, 8);
    ASSERT_EQ(c->point_count(), 9);
    EXPECT_NEAR(c->point(0).x, 300, 1e-3);
    EXPECT_NEAR(c->point(4).y, 400, 1e-3);  // the top of the arc
    EXPECT_NEAR(c->point(8).x, 500, 1e-3);
    EXPECT_FALSE(c->unbounded());
}
