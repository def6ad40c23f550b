#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "logic/Obj.h"
#include "support/LogicHarness.h"

namespace logic = orvek::trelm::logic;
using logic::Mission;
using logic::Obj;
using logictest::f32;
using logictest::u32;
using logictest::u8;
using orvek::trelm::Vector2;

namespace {

constexpr float kT = 6.2831855f;

// Notes every hook into a shared journal.
struct Journal {
    std::vector<std::string> lines;
};

class JournalProperty : public logic::ObjProperty {
public:
    JournalProperty(Journal& j, std::string name) : j_(j), name_(std::move(name)) {}
    void attach(logic::Game* g) override { j_.lines.push_back("attach " + name_ + (g ? " game" : "")); }
    void detach(logic::Game* g) override { j_.lines.push_back("detach " + name_ + (g ? " game" : "")); }

private:
    Journal& j_;
    std::string name_;
};

class JournalItem : public logic::ObjAttachment {
public:
    JournalItem(Journal& j, std::string name) : j_(j), name_(std::move(name)) {}
    void on_game_set(logic::Game*) override { j_.lines.push_back("set " + name_); }
    void on_game_cleared() override { j_.lines.push_back("cleared " + name_); }
    void update(float dt) override { j_.lines.push_back("update " + name_ + " " + std::to_string(int(dt * 1000))); }

private:
    Journal& j_;
    std::string name_;
};

class JournalObj : public Obj {
public:
    explicit JournalObj(Journal& j) : Obj({1, 2}, 7), j_(j) {}
    void on_update(float) override { j_.lines.push_back("obj update"); }
    void on_added() override { j_.lines.push_back(std::string("obj added ") + (game() ? "with game" : "no game")); }
    void on_removal() override { j_.lines.push_back(std::string("obj removal ") + (game() ? "with game" : "no game")); }
    void on_relinked() override { j_.lines.push_back(std::string("obj relinked ") + (game() ? "with game" : "no game")); }

private:
    Journal& j_;
};

logic::Game* fake_game() { return reinterpret_cast<logic::Game*>(0x1000); }

}  // namespace

TEST(AngleFolding, Table) {
    const double T = double(kT);
    struct Case {
        float in;
        float out;
    } cases[] = {
        {7.0f, float(7.0 - T)},
        {-kT, -kT},
        {kT, 0.0f},
        {0.5f, 0.5f},
        {-0.5f, -0.5f},
        {-7.0f, float(-7.0 + T)},
        {float(3 * T), float(std::fmod(double(float(3 * T)), T))},
        {-2 * kT, -kT},  // an exact multiple below -T stops on -T
        {100.0f, float(std::fmod(100.0, T))},
    };
    for (const auto& c : cases) EXPECT_EQ(logic::fold_angle(c.in), c.out) << c.in;

    EXPECT_TRUE(std::isnan(logic::fold_angle(std::nanf(""))));
    // Huge and infinite angles terminate and land in range.
    for (float huge : {1e30f, -1e30f, 3.4e38f, std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity()}) {
        const float f = logic::fold_angle(huge);
        EXPECT_GE(f, -kT) << huge;
        EXPECT_LT(f, kT) << huge;
    }
}

TEST(Obj, SettersFoldAngles) {
    Obj o({3, 4}, 12);
    o.set_rotation(7.0f);
    EXPECT_EQ(o.rotation(), float(7.0 - double(kT)));
    o.set_rotation(-kT);
    EXPECT_EQ(o.rotation(), -kT);
    o.set_direction(kT);
    EXPECT_EQ(o.direction(), 0.0f);
    EXPECT_EQ(o.position(), Vector2(3, 4));
    EXPECT_EQ(o.draw_order(), 12);
    EXPECT_EQ(Obj().draw_order(), -1);
}

TEST(Obj, GameHooksRunInOrder) {
    Journal j;
    JournalObj o(j);
    o.attach(std::make_shared<JournalItem>(j, "a"));
    o.attach(std::make_shared<JournalItem>(j, "b"));

    o.set_game(fake_game());
    o.update(0.032f);
    o.relink_game(fake_game());
    o.clear_game();
    EXPECT_EQ(o.game(), nullptr);
    EXPECT_TRUE(o.attached().empty());

    const std::vector<std::string> expected = {
        "obj added with game", "set a", "set b",
        "obj update", "update a 32", "update b 32",
        "obj relinked with game",
        "obj removal with game", "cleared a", "cleared b",
    };
    EXPECT_EQ(j.lines, expected);
}

TEST(Obj, SetPropertyDetachesOldBeforeAttachingNew) {
    Journal j;
    Obj o({0, 0}, 0);
    auto first = std::make_shared<JournalProperty>(j, "first");
    o.set_property("Renderer", first);  // not in a game: nothing is told
    EXPECT_TRUE(j.lines.empty());
    EXPECT_EQ(first->owner(), &o);

    o.set_game(fake_game());
    auto second = std::make_shared<JournalProperty>(j, "second");
    o.set_property("Renderer", second);
    EXPECT_EQ(j.lines, (std::vector<std::string>{"detach first game", "attach second game"}));
    EXPECT_EQ(o.property("Renderer"), second);
    EXPECT_TRUE(o.has_property("Renderer"));
    EXPECT_FALSE(o.has_property("Other"));
    EXPECT_EQ(o.property("Other"), nullptr);

    // Emptying a slot detaches and leaves an empty entry.
    o.set_property("Renderer", nullptr);
    EXPECT_EQ(j.lines.back(), "detach second game");
    EXPECT_EQ(o.property("Renderer"), nullptr);
}

TEST(Obj, CloneSharesPropertiesAndDropsAttachments) {
    Journal j;
    JournalObj o(j);
    o.set_direction(1.5f);
    o.set_rotation(-2.0f);
    auto prop = std::make_shared<JournalProperty>(j, "p");
    o.set_property("P", prop);
    o.attach(std::make_shared<JournalItem>(j, "a"));
    o.set_game(fake_game());

    const std::shared_ptr<Obj> c = o.clone();
    const Obj& plain = *c;
    EXPECT_EQ(typeid(plain), typeid(Obj));  // a plain Obj, not the derived class
    EXPECT_EQ(c->position(), o.position());
    EXPECT_EQ(c->direction(), 1.5f);
    EXPECT_EQ(c->rotation(), -2.0f);
    EXPECT_EQ(c->draw_order(), 7);
    EXPECT_EQ(c->property("P"), prop);
    EXPECT_TRUE(c->attached().empty());
    EXPECT_EQ(o.attached().size(), 1u);
    // The clone has its own data block.
    c->set_position({9, 9});
    EXPECT_EQ(o.position(), Vector2(1, 2));
}

TEST(Obj, StreamForm) {
    Obj o({1.5f, -2.0f}, -40);
    o.set_direction(1.0f);
    o.set_rotation(-3.0f);
    const std::string bytes = logictest::save_plain(o);
    EXPECT_EQ(bytes, u8(0) + f32(1.5f) + f32(-2.0f) + f32(1.0f) + f32(-3.0f) + u32(std::uint32_t(-40)));

    Journal j;
    Obj back({0, 0}, 0);
    back.set_property("P", std::make_shared<JournalProperty>(j, "p"));
    back.attach(std::make_shared<JournalItem>(j, "a"));
    back.set_game(fake_game());
    logictest::load_plain(bytes, back);
    EXPECT_EQ(back.game(), nullptr);  // no game until the game adds or relinks it
    EXPECT_TRUE(back.properties().empty());
    EXPECT_TRUE(back.attached().empty());
    EXPECT_EQ(back.position(), Vector2(1.5f, -2.0f));
    EXPECT_EQ(back.direction(), 1.0f);
    EXPECT_EQ(back.rotation(), -3.0f);
    EXPECT_EQ(back.draw_order(), -40);
}

TEST(Obj, DamagedAnglesAreFoldedOnLoad) {
    const std::string bytes = u8(0) + f32(0) + f32(0) + f32(std::numeric_limits<float>::infinity()) +
                              f32(1e30f) + u32(0);
    Obj o;
    logictest::load_plain(bytes, o);
    EXPECT_TRUE(std::isfinite(o.direction()));
    EXPECT_LT(std::fabs(o.rotation()), kT);
}

TEST(Mission, ThreeStepsMakeExactlyHundred) {
    Mission m(3);
    EXPECT_EQ(m.state(), 0u);
    EXPECT_FALSE(m.is_finished());
    EXPECT_EQ(m.step(), 100.001f / 3.0f);
    m.add_steps(1);
    m.add_steps(1);
    EXPECT_LT(m.progress(), 100.0f);
    m.add_steps(1);
    EXPECT_EQ(m.progress(), 100.0f);
    m.add_steps(5);
    EXPECT_EQ(m.progress(), 100.0f);
    m.add_progress(10.0f);
    EXPECT_EQ(m.progress(), 100.0f);
    m.reset_progress();
    EXPECT_EQ(m.progress(), 0.0f);
    m.add_progress(10.0f);
    EXPECT_EQ(m.progress(), 10.0f);
}

TEST(Mission, EveryBallCountReachesTheCap) {
    for (int n = 1; n <= 500; ++n) {
        Mission m(n);
        for (int i = 0; i < n; ++i) m.add_steps(1);
        ASSERT_EQ(m.progress(), 100.0f) << n;
    }
}

TEST(Mission, StatesAndFactoryForm) {
    Mission f;
    EXPECT_EQ(f.state(), 2u);
    EXPECT_TRUE(f.is_finished());
    EXPECT_EQ(f.step(), 0.0f);
    Mission m(10);
    m.set_state_1();
    EXPECT_EQ(m.state(), 1u);
    m.set_state_2();
    EXPECT_EQ(m.state(), 2u);
}

TEST(Mission, NeedsAtLeastOneBall) {
    EXPECT_THROW(Mission(0), std::invalid_argument);
    EXPECT_THROW(Mission(-4), std::invalid_argument);
}

TEST(Mission, StreamForm) {
    Mission m(4);
    m.add_steps(1);
    m.set_game(fake_game());
    const std::string bytes = logictest::save_plain(m);
    EXPECT_EQ(bytes, u8(0) + u32(0) + f32(m.progress()) + f32(m.step()));
    Mission back;
    back.set_game(fake_game());
    logictest::load_plain(bytes, back);
    EXPECT_EQ(back.game(), nullptr);
    EXPECT_EQ(back.state(), 0u);
    EXPECT_EQ(back.progress(), m.progress());
    EXPECT_EQ(back.step(), m.step());

    // A damaged save cannot push progress past 100 or spread NaN.
    Mission bad;
    logictest::load_plain(u8(0) + u32(0) + f32(250.0f) + f32(std::nanf("")), bad);
    EXPECT_EQ(bad.progress(), 100.0f);
    EXPECT_EQ(bad.step(), 0.0f);
}
