#include <gtest/gtest.h>

#include <sstream>

#include "logic/Factories.h"
#include "orvek/io/SharedRefs.h"
#include "support/SupplyBench.h"

namespace lg = orvek::trelm::logic;
using namespace logictest;

namespace {

constexpr float kStep = 0.032f;  // 50 units per second: 1.6 units per step
constexpr float kRadius = 12.5f;

}  // namespace

TEST(Lift, PlacedAtTheShaftTopAndIdleAfterStart) {
    SupplyBench b;
    lg::LiftSystem& ls = b.lift();
    EXPECT_EQ(ls.lift()->top(), Vector2(400, 500));
    EXPECT_EQ(ls.lift()->door_line(), Vector2(400, 500 + kRadius + 7));
    EXPECT_EQ(ls.door()->position(), Vector2(400, 500 + kRadius + 3.5f));
    EXPECT_TRUE(ls.door()->is_closed());
    EXPECT_EQ(ls.door()->fraction(), 1.0f);
    EXPECT_EQ(ls.door()->lift(), ls.lift());
    EXPECT_EQ(ls.lift()->door(), ls.door());
    EXPECT_EQ(ls.lift()->game(), &b.game);
    EXPECT_EQ(ls.door()->game(), &b.game);
    EXPECT_FALSE(ls.is_busy());
    EXPECT_EQ(ls.ball_count(), 0);
    EXPECT_EQ(ls.top_ball(), nullptr);
}

TEST(Lift, DoorOpensInOneStepAndClosesOnceTheReturningLiftIsBelowTheDoorLine) {
    SupplyBench b;
    lg::LiftSystem& ls = b.lift();
    const auto lift = ls.lift();
    const auto door = ls.door();
    ls.send({2});
    EXPECT_EQ(door->state(), lg::Door::opening);
    EXPECT_TRUE(ls.is_busy());
    ls.update(kStep);
    EXPECT_TRUE(door->is_open());
    EXPECT_EQ(door->fraction(), 0.0f);

    const float line = lift->door_line().y;
    int closings = 0;
    for (int i = 0; i < 1000 && ls.is_busy(); ++i) {
        const std::uint32_t door_before = door->state();
        const std::uint32_t lift_before = lift->state();
        const float y = lift->position().y;
        ls.update(kStep);
        if (door_before != lg::Door::open) continue;
        if (door->state() == lg::Door::closing) {
            // The door looks at the lift before the lift moves in the step.
            ++closings;
            EXPECT_EQ(lift_before, lg::Lift::returning);
            EXPECT_GE(y, line);
            EXPECT_LT(y - 1.6f, line);
        } else {
            EXPECT_TRUE(lift_before == lg::Lift::raising || y < line) << "step " << i << " y " << y;
        }
    }
    EXPECT_EQ(closings, 1);
    EXPECT_FALSE(ls.is_busy());
    EXPECT_TRUE(door->is_closed());
    EXPECT_EQ(door->fraction(), 1.0f);
    EXPECT_GE(lift->position().y, 600.0f);
    // The ball waits at the shaft top on the first branch.
    const auto top = b.chains_on(b.first_branch());
    ASSERT_FALSE(top.empty());
    EXPECT_EQ(top.back()->front_ball()->color(), 2);
    EXPECT_EQ(top.back()->front_ball()->position(), Vector2(400, 500));
}

TEST(Lift, ColumnStartsBelowTheFieldAndHandsItsBallsOverOneByOneAtTheTop) {
    SupplyBench b;
    lg::LiftSystem& ls = b.lift();
    const auto lift = ls.lift();
    ls.send({3, 1, 4});
    EXPECT_EQ(lift->state(), lg::Lift::raising);
    EXPECT_EQ(lift->position(), Vector2(400, 600 + 75));
    EXPECT_EQ(b.lift_colors(), (std::vector<std::int32_t>{3, 1, 4}));
    ASSERT_EQ(ls.ball_count(), 3);
    EXPECT_FLOAT_EQ(ls.top_ball()->position().y, 612.5f);
    for (const auto& ball : ls.lift()->chain()->balls()) EXPECT_EQ(ball->game(), &b.game);

    std::vector<std::int32_t> handed;
    for (int i = 0; i < 1000 && ls.ball_count() > 0; ++i) {
        const lg::Ball* top = ls.top_ball();
        const float y = top->position().y;
        const std::int32_t color = top->color();
        const int before = ls.ball_count();
        const float lift_y = lift->position().y;
        ls.update(kStep);
        if (lift->state() == lg::Lift::raising) {
            EXPECT_NEAR(lift->position().y, lift_y - 1.6f, 1e-3f);
        }
        const int after = ls.ball_count();
        ASSERT_LE(before - after, 1);
        if (after < before) {
            handed.push_back(color);
            // It left in the step in which it reached the top line.
            EXPECT_GT(y, 500.0f);
            EXPECT_LE(y - 1.6f, 500.0f + 1e-3f);
        }
    }
    EXPECT_EQ(handed, (std::vector<std::int32_t>{3, 1, 4}));
    EXPECT_EQ(lift->state(), lg::Lift::returning);
    EXPECT_EQ(lift->position(), Vector2(400, 500 + kRadius));
    EXPECT_EQ(ls.top_ball(), nullptr);
}

class LiftClosedDoor : public ::testing::TestWithParam<int> {};

TEST_P(LiftClosedDoor, HoldsAColumnOfAnyLengthBelowTheDoorLine) {
    const int n = GetParam();
    SupplyBench b;
    lg::LiftSystem& ls = b.lift();
    const auto lift = ls.lift();
    // Loaded without opening the door.
    lift->load(std::vector<std::int32_t>(std::size_t(n), 1));
    const float line = lift->door_line().y;
    const float height = 2 * kRadius * float(n);
    for (int i = 0; i < 400; ++i) {
        ls.update(kStep);
        ASSERT_EQ(ls.ball_count(), n);
        EXPECT_GE(lift->position().y - height, line - 1e-3f);
        EXPECT_NEAR(ls.top_ball()->position().y, lift->position().y - height + kRadius, 1e-3f);
    }
    EXPECT_NEAR(lift->position().y - height, line, 1e-3f);
    EXPECT_EQ(lift->state(), lg::Lift::raising);

    // Opening the door lets the column go on.
    ls.door()->start_opening();
    for (int i = 0; i < 1000 && ls.ball_count() > 0; ++i) ls.update(kStep);
    EXPECT_EQ(ls.ball_count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Columns, LiftClosedDoor, ::testing::Values(1, 3));

TEST(Lift, ResetClosesTheDoorAndTakesTheColumnOutOfTheGame) {
    SupplyBench b;
    lg::LiftSystem& ls = b.lift();
    ls.send({1, 2});
    for (int i = 0; i < 5; ++i) ls.update(kStep);
    const auto column = ls.lift()->chain();
    ASSERT_TRUE(column);
    const std::shared_ptr<lg::Ball> ball = column->balls().front();
    ls.reset();
    EXPECT_TRUE(b.game.is_sequence_dropped(column.get()));
    EXPECT_EQ(ball->game(), nullptr);
    EXPECT_EQ(ls.lift()->state(), lg::Lift::idle);
    EXPECT_TRUE(ls.door()->is_closed());
    EXPECT_FALSE(ls.is_busy());
    EXPECT_EQ(ls.ball_count(), 0);
    EXPECT_EQ(ls.top_ball(), nullptr);
}

TEST(Lift, AColumnTheGameDroppedIsNoLongerRaised) {
    SupplyBench b;
    lg::LiftSystem& ls = b.lift();
    ls.send({1, 2});
    ls.update(kStep);
    // A restart empties the game's lists under the lift.
    b.game.restart();
    EXPECT_EQ(ls.ball_count(), 0);
    EXPECT_EQ(ls.lift()->state(), lg::Lift::idle);
    for (int i = 0; i < 10; ++i) ls.update(kStep);
    EXPECT_FALSE(ls.is_busy());
}

TEST(Lift, RaisingLiftGoesDownWhenItsColumnIsGone) {
    SupplyBench b;
    lg::LiftSystem& ls = b.lift();
    ls.send({1});
    ls.update(kStep);
    b.game.drop_sequence(ls.lift()->chain().get());
    b.game.flush_removed();
    ls.update(kStep);
    EXPECT_EQ(ls.lift()->state(), lg::Lift::returning);
}

TEST(Lift, StreamRoundTripKeepsStatesPlacesAndLinks) {
    ASSERT_FALSE(lg::logic_factory_names().empty());
    SupplyBench b;
    lg::LiftSystem& ls = b.lift();
    ls.send({1, 2});
    for (int i = 0; i < 3; ++i) ls.update(kStep);

    std::stringbuf buf;
    {
        orvek::io::OStream out(&buf);
        out.write_header();
        ls.save(out);
        ASSERT_TRUE(out.good());
    }
    std::stringbuf in_buf(buf.str());
    orvek::io::IStream in(&in_buf);
    in.read_header();
    lg::LiftSystem copy(nullptr);
    copy.load(in);
    ASSERT_TRUE(in.good());
    EXPECT_EQ(copy.lift()->state(), lg::Lift::raising);
    EXPECT_EQ(copy.lift()->position(), ls.lift()->position());
    EXPECT_EQ(copy.lift()->top(), ls.lift()->top());
    EXPECT_EQ(copy.lift()->door_line(), ls.lift()->door_line());
    EXPECT_EQ(copy.door()->state(), ls.door()->state());
    EXPECT_EQ(copy.door()->fraction(), ls.door()->fraction());
    EXPECT_EQ(copy.door()->position(), ls.door()->position());
    EXPECT_EQ(copy.door()->lift(), copy.lift());
    EXPECT_EQ(copy.lift()->door(), copy.door());
}

TEST(Lift, LoadedIntoAGameTheLiftAndDoorAreAnnounced) {
    ASSERT_FALSE(lg::logic_factory_names().empty());
    SupplyBench b;
    std::stringbuf buf;
    {
        orvek::io::OStream out(&buf);
        out.write_header();
        b.lift().save(out);
    }
    b.rec.clear();
    std::stringbuf in_buf(buf.str());
    orvek::io::IStream in(&in_buf);
    in.read_header();
    b.lift().load(in);
    ASSERT_TRUE(in.good());
    EXPECT_EQ(b.rec.trace(), "+o1 +o2");
    EXPECT_EQ(b.lift().lift()->game(), &b.game);
    EXPECT_EQ(b.lift().door()->game(), &b.game);
}

TEST(Lift, DamagedStatesLoadAsAClosedDoorAndAReturningLift) {
    ensure_config_defaults();
    lg::Door door;
    door.close_now();
    std::string bytes = save_plain(door);
    // fraction 1.0 and state 1 (closed) are the only such bytes in the body.
    const std::string closed = f32(1.0f) + u32(1);
    const auto at = bytes.find(closed);
    ASSERT_NE(at, std::string::npos);
    lg::Door back;
    load_plain(bytes.replace(at, closed.size(), f32(0.5f) + u32(9)), back);
    EXPECT_TRUE(back.is_closed());
    EXPECT_EQ(back.fraction(), 1.0f);

    lg::Lift lift;
    lift.set_top(Vector2(3, 4));
    bytes = save_plain(lift);
    const std::string idle = u32(0) + f32(3.0f) + f32(4.0f);
    const auto pos = bytes.find(idle);
    ASSERT_NE(pos, std::string::npos);
    lg::Lift lift_back;
    load_plain(bytes.replace(pos, 4, u32(5)), lift_back);
    EXPECT_EQ(lift_back.state(), lg::Lift::returning);
    EXPECT_EQ(lift_back.top(), Vector2(3, 4));
}
