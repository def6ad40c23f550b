// The logic's factory registrations: every persistent class is rebuilt by
// the name saves spell for it.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "logic/Ball.h"
#include "logic/BallFree.h"
#include "logic/BonusFall.h"
#include "logic/Factories.h"
#include "orvek/AbstractFactory.h"
#include "orvek/io/Stream.h"
#include "support/LogicHarness.h"

namespace {

namespace lg = orvek::trelm::logic;
namespace io = orvek::io;
using orvek::AbstractFactory;

// Asked for before this file's tests run, from a static initialiser that may
// run before the logic library's own.
const std::vector<std::string> names_at_start_up = lg::logic_factory_names();

TEST(LogicFactories, AllPersistentClassesAreRegisteredUnderTheirSavedNames) {
    const auto& names = lg::logic_factory_names();
    ASSERT_EQ(names.size(), 33u);
    EXPECT_EQ(names.front(), "class orvek::trelm::logic::Way");
    EXPECT_EQ(names[6], "class orvek::trelm::logic::ZelkorRegion");
    EXPECT_EQ(names[29], "class orvek::trelm::logic::Lift");
    // Saves taken while one of these exists must load again.
    for (const char* extra : {"BonusAimingHit", "BonusSequenceAcceleration", "BallAimingHit"})
        EXPECT_NE(AbstractFactory::find(std::string("class orvek::trelm::logic::") + extra), nullptr) << extra;
}

TEST(LogicFactories, AStaticInitialiserOfAnotherFileFindsThemAll) {
    EXPECT_EQ(names_at_start_up, lg::logic_factory_names());
    for (const std::string& name : names_at_start_up) EXPECT_NE(AbstractFactory::find(name), nullptr) << name;
}

// Each class goes through a stream under its name and comes back as itself.
TEST(LogicFactories, EveryNameRoundTripsItsClassThroughAStream) {
    logictest::ensure_config_defaults();
    logictest::FakeSkin skin;
    for (const std::string& name : lg::logic_factory_names()) {
        SCOPED_TRACE(name);
        AbstractFactory* factory = AbstractFactory::find(name);
        ASSERT_NE(factory, nullptr);
        std::unique_ptr<io::Object> made(factory->create_object());
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(orvek::type_name_of(made.get()), name);
        // A way is only sound with two points at least.
        std::shared_ptr<lg::Way> sample_way;
        if (name == "class orvek::trelm::logic::Way") {
            sample_way = logictest::straight_way(0.0f, 10.0f, 0.0f);
            made.reset();
        }
        const io::Object* saved = made ? made.get() : sample_way.get();

        std::stringbuf buf;
        {
            io::OStream out(&buf);
            out.write_header();
            out.write_object(saved, orvek::type_name_of(saved));
            ASSERT_TRUE(out.good());
        }
        EXPECT_NE(buf.str().find(name), std::string::npos);
        io::IStream in(&buf);
        in.read_header();
        io::Object* back = in.read_object_or_skip(nullptr);  // the stream keeps it
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(typeid(*back), typeid(*saved));
        EXPECT_TRUE(in.good());
    }
}

TEST(LogicFactories, AnUnknownClassNameLosesTheObject) {
    std::stringbuf buf;
    {
        io::OStream out(&buf);
        out.write_header();
        lg::Ball ball;
        out.write_object(&ball, "class orvek::trelm::logic::NoSuchBall");
        out << std::uint32_t(77);
    }
    {
        io::IStream in(&buf);
        in.read_header();
        EXPECT_THROW(in.read_object_or_skip(nullptr), io::Failure);
    }
    buf.pubseekpos(0);
    io::IStream in(&buf);
    in.exceptions(0);
    in.read_header();
    EXPECT_EQ(in.read_object_or_skip(nullptr), nullptr);
    EXPECT_TRUE(in.rdstate() & io::Stream::lostbit);
    std::uint32_t after = 0;
    in >> after;
    EXPECT_EQ(after, 77u);
}

TEST(LogicFactories, CopiesAreMemberWiseExceptForBallsInFlight) {
    logictest::ensure_config_defaults();
    AbstractFactory* balls = AbstractFactory::find("class orvek::trelm::logic::BallBomb");
    ASSERT_NE(balls, nullptr);
    lg::BallBomb source(7);
    source.set_position({3.0f, 4.0f});
    void* memory = balls->allocate();
    auto* copy = static_cast<lg::BallBomb*>(balls->copy_construct(memory, &source));
    EXPECT_EQ(copy->draw_order(), 7);
    EXPECT_EQ(copy->position(), source.position());
    EXPECT_EQ(copy->kind(), lg::ball_bomb);
    EXPECT_FLOAT_EQ(copy->effect_size(), source.effect_size());
    balls->destroy(copy);

    // A copied ball in flight would take its ball out of the game twice.
    AbstractFactory* flying = AbstractFactory::find("class orvek::trelm::logic::BallFree");
    ASSERT_NE(flying, nullptr);
    lg::BallFree free_ball;
    EXPECT_THROW(flying->copy_construct(nullptr, &free_ball), orvek::FactoryExc);
}

}  // namespace
