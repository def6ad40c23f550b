// Medals won in play on the fixture's skin: the flight to the grid place
// (arrival, scale, trail), the resting medal (count, tooltip area), and the
// fly-in's grid, counts and saved record.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "gui/Effects.h"
#include "gui/MedalFlyIn.h"
#include "gui/MedalRenderers.h"
#include "gui/TrophyRoomMedalControl.h"
#include "orvek/Exception.h"
#include "orvek/io/Stream.h"
#include "ostrel/gui/Statics.h"
#include "support/MedalStage.h"
#include "support/RenderFixture.h"

namespace {

namespace gui = orvek::trelm::gui;
namespace logic = orvek::trelm::logic;
using guitest::DesktopOwner;
using guitest::MedalStage;
using guitest::SkinValue;
using Award = logic::MedalAward;

// The fixture: appearance (400, 300), speed 400, acceleration 0, scale 2 at
// the start, a trail every 0.05 s; grid from (600, 40), cells 44 x 44, four
// to a row; 40 x 40 medals; the count in (0, 255, 0) moved by (2, 1).
const std::string kAppear = "menu/trophy-room/medals/appearance_in_game/@";
const std::string kGrid = "menu/game/medals/game-screen/@";

struct Arrivals : gui::MedalArrivalHandler {
    void arrive(const Award& award) override { got.push_back(award); }
    std::vector<Award> got;
};

bool finite(const gui::MedalDynamicRenderer& m) {
    const auto [x, y] = m.spot().exact_position();
    return std::isfinite(m.position().x) && std::isfinite(m.position().y) && std::isfinite(m.velocity().x) &&
           std::isfinite(m.velocity().y) && std::isfinite(m.scale()) && std::isfinite(x) && std::isfinite(y);
}

// The update at which the medal arrived (1-based), 0 when it did not
// within the limit.
int updates_to_arrive(gui::MedalDynamicRenderer& m, float dt, int limit = 100) {
    for (int i = 1; i <= limit; ++i) {
        m.update(dt);
        if (m.is_finished()) return i;
    }
    return 0;
}

// ---------------------------------------------------------------- flight

TEST(MedalFlight, ArrivesAtTheFirstUpdateWhenDistanceOverSpeedHasPassed) {
    MedalStage st;
    DesktopOwner owner(st);
    // 300 px at 400 px/s: 0.75 s.
    struct Case {
        float dt;
        int update;
    } cases[] = {{0.25f, 3}, {0.1f, 8}, {0.05f, 15}, {1.0f, 1}};
    for (const Case& c : cases) {
        Arrivals handler;
        gui::MedalDynamicRenderer m(&owner, &handler, Award(3, 1), orvek::trelm::Vector2(700.0f, 300.0f));
        EXPECT_EQ(m.layer(), gui::layer_medal_flying);
        EXPECT_TRUE(m.visible_while_paused());
        EXPECT_EQ(updates_to_arrive(m, c.dt), c.update) << "dt " << c.dt;
        ASSERT_EQ(handler.got.size(), 1u);
        EXPECT_EQ(handler.got[0], Award(3, 1));
        // Told once only.
        m.update(c.dt);
        EXPECT_EQ(handler.got.size(), 1u);
    }
}

TEST(MedalFlight, ShrinksWithTheDistanceLeftToScaleOneAtTheTarget) {
    MedalStage st;
    DesktopOwner owner(st);
    Arrivals handler;
    gui::MedalDynamicRenderer m(&owner, &handler, Award(0, 0), orvek::trelm::Vector2(700.0f, 300.0f));
    m.update(0.25f);  // 100 px flown, 200 left: 1 + 200 / 300
    EXPECT_NEAR(m.scale(), 1.0f + 2.0f / 3.0f, 1e-5);
    const auto [x, y] = m.spot().exact_position();
    EXPECT_NEAR(x, 500.0f - 20.0f * m.scale(), 1e-3);
    EXPECT_NEAR(y, 300.0f - 20.0f * m.scale(), 1e-3);
    m.update(0.25f);
    m.update(0.25f);
    ASSERT_TRUE(m.arrived());
    EXPECT_FLOAT_EQ(m.scale(), 1.0f);
    EXPECT_FLOAT_EQ(m.position().x, 700.0f);
}

TEST(MedalFlight, ABackwardSpeedOrATargetOnTheAppearancePointArrivesAtOnceWithoutNaN) {
    MedalStage st;
    DesktopOwner owner(st);
    {
        SkinValue backward(kAppear + "speed", "-400");
        Arrivals handler;
        gui::MedalDynamicRenderer m(&owner, &handler, Award(5, 2), orvek::trelm::Vector2(700.0f, 300.0f));
        EXPECT_EQ(updates_to_arrive(m, 0.03f), 1);
        EXPECT_EQ(handler.got.size(), 1u);
        EXPECT_TRUE(finite(m));
    }
    for (const char* acceleration : {"0", "250"}) {
        SkinValue a(kAppear + "acceleration", acceleration);
        Arrivals handler;
        gui::MedalDynamicRenderer m(&owner, &handler, Award(5, 2), orvek::trelm::Vector2(400.0f, 300.0f));
        EXPECT_EQ(updates_to_arrive(m, 0.03f), 1) << acceleration;
        EXPECT_EQ(handler.got.size(), 1u);
        EXPECT_TRUE(finite(m));
        EXPECT_FLOAT_EQ(m.scale(), 1.0f);
        EXPECT_FLOAT_EQ(m.position().x, 400.0f);
        EXPECT_FLOAT_EQ(m.position().y, 300.0f);
        for (int i = 0; i < 5; ++i) m.update(0.03f);
        EXPECT_TRUE(finite(m));
        EXPECT_EQ(handler.got.size(), 1u);
    }
}

TEST(MedalFlight, TheFirstTrailComesInTheFirstUpdateThenOneEveryInterval) {
    MedalStage st;
    DesktopOwner owner(st);
    gui::MedalDynamicRenderer m(&owner, nullptr, Award(3, 0), orvek::trelm::Vector2(400.0f, 5000.0f));
    std::vector<int> trails;
    for (int i = 1; i <= 10; ++i) {
        const std::size_t before = owner.list.size();
        m.update(0.02f);
        if (owner.list.size() > before) trails.push_back(i);
        for (auto it = std::next(owner.list.begin(), long(before)); it != owner.list.end(); ++it)
            EXPECT_NE(std::dynamic_pointer_cast<gui::EffectRendererSimple>(*it), nullptr);
    }
    // Every 0.05 s at 0.02 s a step: updates 1, 4, 7 and 10.
    EXPECT_EQ(trails, (std::vector<int>{1, 4, 7, 10}));
}

// ---------------------------------------------------------------- resting

std::uint32_t at(Vant::MemoryImage& image, int x, int y) { return guitest::pixel(image, x, y); }

TEST(MedalResting, ACountAboveOneIsDrawnRightAlignedOnTheBottomEdge) {
    MedalStage st;
    DesktopOwner owner(st);
    gui::MedalStaticRenderer m(&owner, Award(3, 1), 620, 60);
    EXPECT_EQ(m.layer(), gui::layer_medal_resting);
    EXPECT_EQ(m.top_left(), (orvek::ostrel::Point{600, 40}));
    EXPECT_EQ(m.count(), 1u);

    auto one = guitest::canvas(800, 600);
    {
        Vant::Graphics g(one.get());
        m.draw(g);
    }
    const std::uint32_t medal = at(*one, 620, 60);
    EXPECT_NE(medal, 0u);
    for (int x = 600; x < 640; x += 3)
        for (int y = 70; y < 80; ++y) ASSERT_EQ(at(*one, x, y), medal) << x << "," << y;

    m.increment_count();
    EXPECT_EQ(m.count(), 2u);
    auto two = guitest::canvas(800, 600);
    {
        Vant::Graphics g(two.get());
        m.draw(g);
    }
    // "2" is one block glyph 5 wide (and a gap of 1) above the baseline
    // y = 80: columns 634..638, rows 72..79.
    for (auto [x, y] : {std::pair{634, 79}, {638, 79}, {634, 72}, {638, 72}})
        EXPECT_TRUE(guitest::same_colour(at(*two, x, y), 0x00FF00u)) << x << "," << y;
    for (auto [x, y] : {std::pair{633, 79}, {639, 79}, {634, 71}, {620, 60}})
        EXPECT_EQ(at(*two, x, y), medal) << x << "," << y;
    m.set_count(1);
    auto again = guitest::canvas(800, 600);
    {
        Vant::Graphics g(again.get());
        m.draw(g);
    }
    EXPECT_EQ(at(*again, 636, 76), medal);
}

TEST(MedalResting, ItsTooltipAreaCoversTheMedalAndLeavesWithIt) {
    MedalStage st;
    st.player().update_medal_progress(3, 7);
    DesktopOwner owner(st);
    auto m = std::make_shared<gui::MedalStaticRenderer>(&owner, Award(3, 1), 620, 60);
    owner.add_renderer(m);
    std::weak_ptr<orvek::ostrel::Control> area = m->tooltip_control();
    ASSERT_FALSE(area.expired());
    EXPECT_EQ(area.lock()->parent(), &st.menu_control());
    EXPECT_EQ(area.lock()->position(), (orvek::ostrel::Point{600, 40}));
    EXPECT_EQ(area.lock()->size(), (orvek::ostrel::Size{40, 40}));

    const auto tip = std::dynamic_pointer_cast<orvek::ostrel::TextTooltip>(st.ss().find_tooltip({620, 60}));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->text().spot().text(), "Got chain1 7");
    st.ss().show_tooltip(tip, {620, 60});
    ASSERT_EQ(st.ss().shown_tooltip(), tip);

    m.reset();
    owner.list.clear();
    EXPECT_TRUE(area.expired());
    EXPECT_EQ(st.ss().find_tooltip({620, 60}), nullptr);
    EXPECT_EQ(st.ss().shown_tooltip(), nullptr);
}

// ---------------------------------------------------------------- fly-in

using Place = std::pair<int, int>;

Place place_of(const gui::MedalFlyIn& f, const Award& a) {
    const auto& s = f.slot(unsigned(gui::MedalFlyIn::slot_of(a)));
    return {s.x, s.y};
}

TEST(MedalFlyIn, DistinctAwardsFillTheGridRowByRow) {
    MedalStage st;
    DesktopOwner owner(st);
    gui::MedalFlyIn fly(&owner);
    const std::vector<Award> awards{{0, 0}, {3, 1}, {3, 2}, {11, 0}, {23, 2}};
    for (const Award& a : awards) fly.award(a);
    EXPECT_EQ(fly.placed(), 5u);
    const std::vector<Place> expected{{600, 40}, {644, 40}, {688, 40}, {732, 40}, {600, 84}};
    for (std::size_t i = 0; i < awards.size(); ++i) EXPECT_EQ(place_of(fly, awards[i]), expected[i]) << i;
    // Each flies to its place; two grades of one medal take two places.
    const auto flying = owner.all<gui::MedalDynamicRenderer>();
    ASSERT_EQ(flying.size(), 5u);
    EXPECT_EQ(flying[4]->award(), Award(23, 2));
    EXPECT_FLOAT_EQ(flying[4]->target().x, 600.0f);
    EXPECT_FLOAT_EQ(flying[4]->target().y, 84.0f);
    EXPECT_EQ(st.player().medal_count(Award(3, 2)), 1u);
}

TEST(MedalFlyIn, TheSameAwardTwiceRestsInOnePlaceShowingTwo) {
    MedalStage st;
    DesktopOwner owner(st);
    gui::MedalFlyIn fly(&owner);
    fly.award(Award(3, 1));
    owner.run(0.1f, 3);
    fly.award(Award(3, 1));
    EXPECT_EQ(fly.placed(), 1u);
    EXPECT_EQ(fly.slot(10).awards, 2u);
    owner.run(0.1f, 30);
    EXPECT_TRUE(owner.all<gui::MedalDynamicRenderer>().empty());
    const auto resting = owner.all<gui::MedalStaticRenderer>();
    ASSERT_EQ(resting.size(), 1u);
    EXPECT_EQ(resting[0]->count(), 2u);
    EXPECT_EQ(resting[0], fly.slot(10).renderer);
    EXPECT_EQ(resting[0]->top_left(), (orvek::ostrel::Point{580, 20}));
    EXPECT_EQ(st.player().medal_count(Award(3, 1)), 2u);
}

TEST(MedalFlyIn, ARowOfNoneOrFewerHoldsOne) {
    for (const char* n : {"0", "-3"}) {
        MedalStage st;
        SkinValue row(kGrid + "num_at_row", n);
        DesktopOwner owner(st);
        gui::MedalFlyIn fly(&owner);
        for (int m = 0; m < 3; ++m) fly.award(Award(m, 0));
        EXPECT_EQ(place_of(fly, Award(0, 0)), (Place{600, 40})) << n;
        EXPECT_EQ(place_of(fly, Award(1, 0)), (Place{600, 84})) << n;
        EXPECT_EQ(place_of(fly, Award(2, 0)), (Place{600, 128})) << n;
    }
}

TEST(MedalFlyIn, AwardsOutsideTheTableAreIgnored) {
    MedalStage st;
    DesktopOwner owner(st);
    gui::MedalFlyIn fly(&owner);
    for (const Award& a : {Award(24, 0), Award(3, 3), Award(-1, 0), Award(0, -1)}) {
        fly.award(a);
        fly.arrive(a);
    }
    EXPECT_EQ(fly.placed(), 0u);
    EXPECT_TRUE(owner.list.empty());
    EXPECT_EQ(st.player().medal_count(Award(3, 2)), 0u);
}

std::string saved(const gui::MedalFlyIn& fly) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    fly.save(out);
    EXPECT_TRUE(out.good());
    return buf.str();
}

void load(gui::MedalFlyIn& fly, const std::string& bytes) {
    std::stringbuf buf(bytes);
    orvek::io::IStream in(&buf);
    fly.load(in);
}

void put_u32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + std::size_t(i)] = char(v >> (8 * i));
}

TEST(MedalFlyIn, TheRecordRoundTripsAndRestoresResting) {
    MedalStage st;
    DesktopOwner owner(st);
    gui::MedalFlyIn fly(&owner);
    fly.award(Award(3, 1));
    fly.award(Award(3, 1));
    fly.award(Award(3, 1));
    fly.award(Award(19, 0));
    const std::string bytes = saved(fly);
    ASSERT_EQ(bytes.size(), 1u + 4u + 72u * 12u);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes.substr(1, 4), std::string("\2\0\0\0", 4));
    // Slot 10 (chain, grade 1): 3 awards at (600, 40).
    EXPECT_EQ(bytes.substr(5 + 10 * 12, 12), std::string("\3\0\0\0\x58\2\0\0\x28\0\0\0", 12));

    DesktopOwner restored_owner(st);
    gui::MedalFlyIn back(&restored_owner);
    load(back, bytes);
    EXPECT_EQ(back.placed(), 2u);
    for (unsigned i = 0; i < gui::MedalFlyIn::slot_count; ++i) {
        EXPECT_EQ(back.slot(i).awards, fly.slot(i).awards) << i;
        EXPECT_EQ(back.slot(i).x, fly.slot(i).x) << i;
        EXPECT_EQ(back.slot(i).y, fly.slot(i).y) << i;
    }
    EXPECT_EQ(saved(back), bytes);
    // A count of 3 rests at once, with nothing flying.
    EXPECT_TRUE(restored_owner.all<gui::MedalDynamicRenderer>().empty());
    const auto resting = restored_owner.all<gui::MedalStaticRenderer>();
    ASSERT_EQ(resting.size(), 2u);
    EXPECT_EQ(resting[0]->award(), Award(3, 1));
    EXPECT_EQ(resting[0]->count(), 3u);
    EXPECT_EQ(resting[0]->top_left(), (orvek::ostrel::Point{580, 20}));
    EXPECT_EQ(resting[1]->award(), Award(19, 0));
    EXPECT_EQ(resting[1]->count(), 1u);
    // The next new kind takes the third place.
    back.award(Award(0, 0));
    EXPECT_EQ(place_of(back, Award(0, 0)), (Place{688, 40}));
}

TEST(MedalFlyIn, DamagedRecordsAreRefusedOrBounded) {
    MedalStage st;
    DesktopOwner owner(st);
    gui::MedalFlyIn fly(&owner);
    fly.award(Award(3, 1));
    const std::string good = saved(fly);

    // Another version refuses the record (and so the autosave).
    std::string other = good;
    other[0] = 1;
    gui::MedalFlyIn a(&owner);
    EXPECT_THROW(load(a, other), orvek::io::Failure);
    EXPECT_EQ(a.slot(10).awards, 0u);

    // A cut record changes nothing.
    gui::MedalFlyIn b(&owner);
    b.award(Award(0, 0));
    EXPECT_THROW(load(b, good.substr(0, 100)), orvek::io::Failure);
    EXPECT_EQ(b.slot(0).awards, 1u);
    EXPECT_EQ(b.placed(), 1u);

    // More places than medals are capped.
    std::string many = good;
    put_u32(many, 1, 0xFFFFFFF0u);
    DesktopOwner capped_owner(st);
    gui::MedalFlyIn c(&capped_owner);
    load(c, many);
    EXPECT_EQ(c.placed(), gui::MedalFlyIn::slot_count);
    c.award(Award(1, 0));
    EXPECT_EQ(c.placed(), gui::MedalFlyIn::slot_count + 1);
    EXPECT_EQ(place_of(c, Award(1, 0)), (Place{600, 40 + 18 * 44}));
}

TEST(MedalFlyIn, ResetClearsEverything) {
    MedalStage st;
    DesktopOwner owner(st);
    gui::MedalFlyIn fly(&owner);
    fly.award(Award(3, 1));
    fly.award(Award(4, 0));
    owner.run(0.1f, 30);
    ASSERT_NE(fly.slot(10).renderer, nullptr);
    fly.reset();
    EXPECT_EQ(fly.placed(), 0u);
    for (unsigned i = 0; i < gui::MedalFlyIn::slot_count; ++i) {
        EXPECT_EQ(fly.slot(i).awards, 0u);
        EXPECT_EQ(fly.slot(i).x, 0);
        EXPECT_EQ(fly.slot(i).y, 0);
        EXPECT_EQ(fly.slot(i).renderer, nullptr);
    }
    // A medal still flying when the grid was emptied finds no place.
    owner.list.clear();
    fly.award(Award(5, 0));
    fly.reset();
    owner.run(0.1f, 30);
    EXPECT_TRUE(owner.all<gui::MedalStaticRenderer>().empty());
    // The next award starts the grid afresh.
    fly.award(Award(4, 0));
    EXPECT_EQ(place_of(fly, Award(4, 0)), (Place{600, 40}));
}

}  // namespace
