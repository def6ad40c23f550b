#include <gtest/gtest.h>

#include <sstream>

#include "logic/Factories.h"
#include "orvek/io/SharedRefs.h"
#include "support/GameHarness.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

template <class T>
std::string save(const std::shared_ptr<T>& p) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    out.write_header();
    orvek::io::save_shared(out, p);
    EXPECT_TRUE(out.good());
    return buf.str();
}

template <class T>
std::shared_ptr<T> load(const std::string& bytes) {
    std::stringbuf buf(bytes);
    orvek::io::IStream in(&buf);
    in.read_header();
    std::shared_ptr<T> p;
    orvek::io::load_shared(in, p);
    EXPECT_TRUE(in.good());
    return p;
}

void expect_same_ball(const lg::Ball& a, const lg::Ball& b) {
    EXPECT_EQ(typeid(a), typeid(b));
    EXPECT_EQ(a.position(), b.position());
    EXPECT_EQ(a.direction(), b.direction());
    EXPECT_EQ(a.rotation(), b.rotation());
    EXPECT_EQ(a.draw_order(), b.draw_order());
    EXPECT_EQ(a.kind(), b.kind());
    EXPECT_EQ(a.color(), b.color());
    EXPECT_EQ(a.segment(), b.segment());
    EXPECT_EQ(a.roll_direction(), b.roll_direction());
    EXPECT_EQ(a.turning(), b.turning());
}

}  // namespace

TEST(BallStream, EveryKindComesBack) {
    ensure_config_defaults();
    // The logic's own factories, kept by the linker.
    ASSERT_FALSE(lg::logic_factory_names().empty());
    auto plain = std::make_shared<lg::Ball>(Vector2(3, 4), 17, lg::BallKind{0, 6});
    plain->set_direction(1.25f);
    plain->set_rotation(-2.5f);
    plain->set_roll_direction(-1.0f);
    plain->set_turning(true);
    plain->set_segment(5);
    auto back = load<lg::Ball>(save(plain));
    ASSERT_TRUE(back);
    expect_same_ball(*plain, *back);
    EXPECT_EQ(back->sequence(), nullptr);
    EXPECT_EQ(back->game(), nullptr);

    auto bomb = std::make_shared<lg::BallBomb>(3000);
    lg::intensify(*bomb);
    auto bomb_back = std::dynamic_pointer_cast<lg::BallBomb>(load<lg::Ball>(save(bomb)));
    ASSERT_TRUE(bomb_back);
    expect_same_ball(*bomb, *bomb_back);
    EXPECT_TRUE(bomb_back->intensified());
    EXPECT_EQ(bomb_back->effect_size(), 200.0f);

    auto lightning = std::make_shared<lg::BallLightning>(5);
    auto lightning_back = std::dynamic_pointer_cast<lg::BallLightning>(load<lg::Ball>(save(lightning)));
    ASSERT_TRUE(lightning_back);
    EXPECT_FALSE(lightning_back->intensified());
    EXPECT_EQ(lightning_back->effect_size(), 50.0f);

    auto aiming = std::make_shared<lg::BallAimingHit>(5);
    lg::intensify(*aiming);
    auto aiming_back = std::dynamic_pointer_cast<lg::BallAimingHit>(load<lg::Ball>(save(aiming)));
    ASSERT_TRUE(aiming_back);
    EXPECT_EQ(aiming_back->effect_size(), 200.0f);

    auto empty = std::make_shared<lg::BallEmpty>(Vector2(7, 8), std::weak_ptr<lg::FlyingBall>());
    auto empty_back = std::dynamic_pointer_cast<lg::BallEmpty>(load<lg::Ball>(save(empty)));
    ASSERT_TRUE(empty_back);
    expect_same_ball(*empty, *empty_back);
    EXPECT_FALSE(empty_back->flying());
}

TEST(BallStream, ASequenceComesBackWithItsBallsAndRegions) {
    ASSERT_FALSE(lg::logic_factory_names().empty());
    GameBench b;
    lg::Way* w = b.start_quiet();
    auto* s = b.creature(w, {1, 9, 2, 3}, 400.0f, true, true, {12.0f, 50.0f, -7.0f});
    s->set_connections(2);
    const std::string bytes = save(b.game.sequence_ref(s));

    auto back = load<lg::Sequence>(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->motion(), lg::Float3(12.0f, 50.0f, -7.0f));
    EXPECT_EQ(back->connections(), 2);
    EXPECT_EQ(b.colors_of(*back), (std::vector<std::int32_t>{1, 9, 2, 3}));
    ASSERT_TRUE(back->way());
    EXPECT_EQ(back->way()->geometry(), w->geometry());
    EXPECT_EQ(back->game(), nullptr);
    auto it = s->balls().begin();
    for (const auto& ball : back->balls()) {
        EXPECT_EQ(ball->sequence(), back.get());
        expect_same_ball(**it++, *ball);
    }
    ASSERT_TRUE(back->head());
    ASSERT_TRUE(back->tail());
    EXPECT_EQ(back->head()->chain(), back.get());
    EXPECT_EQ(back->tail()->side(), 1u);
    EXPECT_EQ(back->head()->position(), s->head()->position());
    EXPECT_EQ(back->tail()->ball().get(), back->balls().front().get());
    back->clear();
}
