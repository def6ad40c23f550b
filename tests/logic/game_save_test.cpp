// Saving and loading a running game. The strongest check is save and
// continue: a game saved at step K and loaded into a new game must run on
// exactly as the game that was never saved.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "logic/ActiveBonuses.h"
#include "logic/Ball.h"
#include "logic/BallFree.h"
#include "logic/BonusFall.h"
#include "logic/GameSave.h"
#include "logic/Lift.h"
#include "logic/Platform.h"
#include "logic/Sequence.h"
#include "logic/ZelkorRegion.h"
#include "orvek/io/SharedRefs.h"
#include "orvek/io/Stream.h"
#include "testkit/BusyLevel.h"
#include "support/GameHarness.h"

namespace {

namespace lg = orvek::trelm::logic;
namespace io = orvek::io;
using logictest::FakeSkin;
using logictest::Recorder;

constexpr float dt = 0.032f;  // app/@dt

// ---------------------------------------------------------------- levels

// The busy level, every object and action shown to the recorder.
struct RecordedLevel : logictest::BusyLevel {
    explicit RecordedLevel(Recorder& recorder) : rec(recorder) {}
    Recorder& rec;
    std::vector<std::shared_ptr<lg::Way>> made_ways;  // added after the level's own

    void create(lg::GameSetup& s) override {
        BusyLevel::create(s);
        for (const auto& w : made_ways) s.add_way(w);
        s.set_on_object_added(rec.added_callback());
        s.set_on_object_changed(rec.changed_callback());
        s.set_on_object_removed(rec.removed_callback());
        s.set_on_game_action(rec.action_callback());
        s.set_cursor_source(rec.cursor_callback());
    }
};

// ---------------------------------------------------------------- one game

// A game and the player's input, which depends on the step number only.
struct Play {
    FakeSkin skin;
    Recorder rec;
    RecordedLevel creator{rec};
    lg::Game game;
    int step = 0;
    bool chase = false;              // the player runs for falling bonuses
    std::vector<std::string> trace;  // per step: actions and state

    explicit Play(int mission_balls, bool chase_bonuses = false) : chase(chase_bonuses) {
        logictest::ensure_config_defaults();
        skin.text("menu/bonus_word", "ZELKOR");
        creator.mission_balls = mission_balls;
    }

    void start(std::uint32_t seed) {
        lg::seed_random(seed);
        game.start(creator);
    }

    // The generator is seeded before every step, so that a run continued
    // from a save draws what the first run drew.
    void advance() {
        ++step;
        lg::seed_random(0x5eed0000u + std::uint32_t(step));
        // The player runs for a falling bonus when there is one.
        const auto* holder = dynamic_cast<const lg::ActiveBonuses*>(game.bonuses());
        if (chase && holder && !holder->falling().empty())
            game.move_platform(holder->falling().front()->position().x);
        else if (step % 5 == 0)
            game.move_platform(60.0f + float((step * 137) % 680));
        if (step % 11 == 0) game.shoot();
        const std::size_t before = rec.events().size();
        game.update(dt);
        std::string line;
        bool life_lost = false;
        for (std::size_t i = before; i < rec.events().size(); ++i) {
            const auto& e = rec.events()[i];
            if (e.kind != Recorder::action) continue;
            line += "a" + std::to_string(e.act.type) + " ";
            life_lost |= e.act.type == lg::action_restart_after_life_lost;
        }
        // The user interface restarts the sub-level when asked to.
        if (life_lost) game.restart();
        trace.push_back(line + digest());
    }

    std::string save() const {
        std::stringbuf buf;
        io::OStream out(&buf);
        out.write_header();
        game.save(out);
        EXPECT_TRUE(out.good());
        return buf.str();
    }

    // Brings the save back through a restoring creator.
    bool restore(const std::string& bytes, int at_step) {
        std::stringbuf buf(bytes);
        io::IStream in(&buf);
        in.read_header();
        step = at_step;
        return lg::restore_game(game, creator, in);
    }

    static std::string bits(float f) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        char text[12];
        std::snprintf(text, sizeof text, "%08x", u);
        return text;
    }
    static std::string ball_text(const lg::Ball& b) {
        return std::to_string(b.kind()) + ":" + std::to_string(b.color()) + "@" + std::to_string(b.segment()) + "," +
               bits(b.position().x) + "," + bits(b.position().y) + "," + bits(b.direction());
    }
    std::string way_name(const lg::Way* w) const {
        for (std::size_t i = 0; i < game.ways().size(); ++i)
            if (game.ways()[i].get() == w) return "w" + std::to_string(i);
        if (w == game.contour().get()) return "c";
        if (w == game.shaft_way().get()) return "s";
        if (w == game.first_branch().get()) return "f";
        if (w == game.second_branch().get()) return "g";
        return "?";
    }

    // Everything that decides how the game goes on, floats to the bit.
    std::string digest() const {
        std::string d = "t" + bits(game.time()) + " st" + std::to_string(game.state()) + " l" +
                        std::to_string(game.lives()) + " c" + std::to_string(game.coins()) + " p" +
                        std::to_string(game.points()) + " m" + bits(game.mission_progress());
        for (const auto& s : game.sequences()) {
            d += " [" + way_name(s->way()) + " " + bits(s->motion().speed) + " " + bits(s->motion().max_speed) + " " +
                 bits(s->motion().acceleration);
            for (const auto& b : s->balls()) d += " " + ball_text(*b);
            if (s->head()) d += " H" + bits(s->head()->position().x) + "," + bits(s->head()->position().y);
            if (s->tail()) d += " T" + bits(s->tail()->position().x) + "," + bits(s->tail()->position().y);
            d += "]";
        }
        for (const auto& f : game.flying_balls())
            if (const auto ball = f->ball()) d += " F" + ball_text(*ball);
        if (const lg::Platform* p = game.platform()) {
            d += " P" + bits(p->position().x) + " " + bits(p->next_shot_time());
            if (p->ball()) d += " " + ball_text(*p->ball());
        }
        if (const auto* holder = dynamic_cast<const lg::ActiveBonuses*>(game.bonuses())) {
            for (const auto& b : holder->falling())
                d += " B" + std::to_string(b->kind()) + "," + bits(b->position().x) + "," + bits(b->position().y);
            for (const auto& e : holder->effects())
                if (e) d += " E" + std::to_string(e->kind());
            d += " combo" + std::to_string(holder->combo_count());
        }
        d += " L" + std::to_string(game.lift_system().lift()->state()) + "," +
             std::to_string(game.lift_system().door()->state()) + " bt" + bits(game.bonus_timer().elapsed) + "," +
             bits(game.bonus_timer().threshold);
        return d;
    }
};

// ---------------------------------------------------------------- moments

struct Moment {
    const char* name;
    int mission_balls;
    bool chase;
    std::function<bool(const lg::Game&)> holds;
};

bool any_flying(const lg::Game& g, const std::function<bool(const lg::BallFree&)>& test) {
    for (const auto& f : g.flying_balls())
        if (const auto* b = dynamic_cast<const lg::BallFree*>(f.get()); b && test(*b)) return true;
    return false;
}

const lg::ActiveBonuses* holder_of(const lg::Game& g) { return dynamic_cast<const lg::ActiveBonuses*>(g.bonuses()); }

const Moment moments[] = {
    {"connecting", 0, false,
     [](const lg::Game& g) { return any_flying(g, [](const lg::BallFree& b) { return b.connecting(); }); }},
    {"clinging", 0, false,
     [](const lg::Game& g) { return any_flying(g, [](const lg::BallFree& b) { return b.on_contour(); }); }},
    {"roll-in", 0, false, [](const lg::Game& g) { return g.state() == lg::Game::rolling_in; }},
    {"bonus falling", 0, false, [](const lg::Game& g) { return holder_of(g) && !holder_of(g)->falling().empty(); }},
    {"aiming hit", 0, false,
     [](const lg::Game& g) {
         if (g.platform() && g.platform()->ball() && g.platform()->ball()->kind() == lg::ball_aiming_hit) return true;
         if (const auto* h = holder_of(g))
             for (const auto& b : h->falling())
                 if (b->kind() == lg::bonus_aiming_hit) return true;
         return false;
     }},
    {"effect running", 0, true,
     [](const lg::Game& g) {
         if (const auto* h = holder_of(g))
             for (const auto& e : h->effects())
                 if (e) return true;
         return false;
     }},
    {"bomb in flight", 0, true,
     [](const lg::Game& g) {
         return any_flying(g, [](const lg::BallFree& b) { return b.ball() && b.ball()->kind() == lg::ball_bomb; });
     }},
    {"level-complete walk", 12, false, [](const lg::Game& g) { return g.state() == lg::Game::complete; }},
};

constexpr int total_steps = 2400;

class SaveAndContinue : public ::testing::TestWithParam<int> {};

TEST_P(SaveAndContinue, RunsOnExactlyAsTheGameThatWasNeverSaved) {
    const Moment& moment = moments[GetParam()];
    SCOPED_TRACE(moment.name);

    Play reference(moment.mission_balls, moment.chase);
    reference.start(7);
    int k = -1;
    for (int i = 0; i < total_steps; ++i) {
        reference.advance();
        if (k < 0 && reference.step > 20 && moment.holds(reference.game)) k = reference.step;
    }
    ASSERT_GT(k, 0) << "the scenario never reached the moment";

    std::string bytes;
    {
        Play first(moment.mission_balls, moment.chase);
        first.start(7);
        while (first.step < k) first.advance();
        ASSERT_EQ(first.trace, std::vector<std::string>(reference.trace.begin(), reference.trace.begin() + k));
        bytes = first.save();
    }
    Play second(moment.mission_balls, moment.chase);
    const std::size_t announced_before = second.rec.events().size();
    ASSERT_TRUE(second.restore(bytes, k));
    EXPECT_GT(second.rec.events().size(), announced_before);  // the restored objects were shown
    EXPECT_TRUE(second.game.started());
    EXPECT_TRUE(moment.holds(second.game));
    const std::string& at_k = reference.trace[std::size_t(k - 1)];
    EXPECT_EQ(second.digest(), at_k.substr(at_k.find('t')));

    while (second.step < total_steps) second.advance();
    for (int i = k; i < total_steps; ++i) {
        ASSERT_EQ(second.trace[std::size_t(i - k)], reference.trace[std::size_t(i)]) << "at step " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, SaveAndContinue, ::testing::Range(0, int(std::size(moments))),
                         [](const auto& info) {
                             std::string name = moments[info.param].name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });



// The bonus holder remembers the ways its walk has finished; two runs of one
// game must write them alike. The second run makes its ways in the opposite
// order, so that their places in memory do not follow the game's order.
TEST(GameSave, TwoRunsWriteTheSameBytesInsideTheLevelCompleteWalk) {
    const auto walked_every_way = [](const lg::Game& g) {
        const auto* h = holder_of(g);
        return g.state() == lg::Game::complete && h && h->finished_ways().size() == g.ways().size();
    };
    Play first(12);
    first.start(7);
    while (first.step < total_steps && !walked_every_way(first.game)) first.advance();
    ASSERT_TRUE(walked_every_way(first.game));
    ASSERT_EQ(first.game.ways().size(), 2u);

    Play second(12);
    auto& level = second.creator;
    auto made_later = logictest::open_way(level.ways[1]);
    auto made_first = logictest::open_way(level.ways[0]);
    level.made_ways = {made_first, made_later};
    level.ways.clear();
    second.start(7);
    while (second.step < first.step) second.advance();
    ASSERT_EQ(second.trace, first.trace);
    EXPECT_EQ(second.save(), first.save());
}

std::string replace_once(std::string bytes, const std::string& from, const std::string& to) {
    const auto at = bytes.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) bytes.replace(at, from.size(), to);
    return bytes;
}

// Where the lift record begins: the lift and its door are met nowhere else.
std::size_t lift_record_offset(const std::string& bytes) {
    const auto name = bytes.find("class orvek::trelm::logic::Lift");
    EXPECT_NE(name, std::string::npos);
    return name - 13;  // version byte, key, new-name mark, name length
}

TEST(GameLoad, ADamagedSaveIsRefusedAndTheGameGoesOnAsIfNothingHappened) {
    Play reference(0), tried(0);
    reference.start(7);
    tried.start(7);
    while (tried.step < 300) {
        reference.advance();
        tried.advance();
    }
    const std::string good = tried.save();
    std::vector<std::string> damaged;
    for (std::size_t cut = io::Stream::header_bytes; cut < good.size(); cut += good.size() / 29 + 1)
        damaged.push_back(good.substr(0, cut));
    damaged.push_back(good.substr(0, good.size() - 1));
    std::string newer = good;
    newer[io::Stream::header_bytes] = 3;  // a version this game does not know
    damaged.push_back(newer);
    damaged.push_back(replace_once(good, "class orvek::trelm::logic::Platform", "class orvek::trelm::logic::Plxtform"));

    const std::string before = tried.digest();
    const std::size_t events = tried.rec.events().size();
    for (const std::string& bytes : damaged) {
        std::stringbuf buf(bytes);
        io::IStream in(&buf);
        in.read_header();
        EXPECT_THROW(tried.game.load(in), io::Failure) << bytes.size();
        EXPECT_EQ(tried.digest(), before);
        EXPECT_EQ(tried.rec.events().size(), events);  // nothing was announced
    }
    // Without exceptions the failure is the answer and the stream's state.
    {
        std::stringbuf buf(newer);
        io::IStream in(&buf);
        in.read_header();
        in.exceptions(0);
        EXPECT_FALSE(tried.game.load(in));
        EXPECT_TRUE(in.fail());
    }
    while (tried.step < 600) {
        reference.advance();
        tried.advance();
    }
    EXPECT_EQ(tried.trace, reference.trace);
}

TEST(GameLoad, LoadingIntoALiveGameReplacesItsPlayWholly) {
    Play source(0), live(0);
    source.start(7);
    live.start(99);
    for (int i = 0; i < 200; ++i) source.advance();
    for (int i = 0; i < 500; ++i) live.advance();
    const std::string bytes = source.save();
    const lg::Platform* old_platform = live.game.platform();

    std::stringbuf buf(bytes);
    io::IStream in(&buf);
    in.read_header();
    ASSERT_TRUE(live.game.load(in));
    EXPECT_EQ(live.digest(), source.digest());
    bool old_platform_withdrawn = false;
    for (const auto& e : live.rec.events())
        old_platform_withdrawn |= e.kind == Recorder::removed && e.object == old_platform;
    EXPECT_TRUE(old_platform_withdrawn);

    live.step = source.step;
    const std::size_t from = live.trace.size();
    for (int i = 0; i < 300; ++i) {
        source.advance();
        live.advance();
    }
    EXPECT_EQ(std::vector<std::string>(live.trace.begin() + std::ptrdiff_t(from), live.trace.end()),
              std::vector<std::string>(source.trace.end() - 300, source.trace.end()));
}

TEST(GameLoad, ASaveOfMoreWaysThanTheLevelHasSettingsForIsRefused) {
    Play saved(0);
    saved.start(7);
    for (int i = 0; i < 50; ++i) saved.advance();
    const std::string bytes = saved.save();
    Play other(0);
    other.creator.settings.resize(1);
    other.creator.ways.resize(1);
    EXPECT_THROW(other.restore(bytes, 50), io::Failure);
    EXPECT_FALSE(other.game.started());
}

// Every way needs its release time: a well-formed save with one time too
// few would have the game read past the times.
TEST(GameLoad, ASaveWithFewerReleaseTimesThanWaysIsRefused) {
    using logictest::f32;
    using logictest::u32;
    Play saved(0);
    saved.start(7);
    for (int i = 0; i < 50; ++i) saved.advance();
    const std::string good = saved.save();
    // The game time, then the release times: a count of 2 and two floats.
    const std::string times = f32(saved.game.time()) + u32(2);
    const auto at = good.find(times);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(good.find(times, at + 1), std::string::npos);
    std::string fewer = good;
    fewer.replace(at, times.size() + 4, f32(saved.game.time()) + u32(1));

    const std::string before = saved.digest();
    std::stringbuf buf(fewer);
    io::IStream in(&buf);
    in.read_header();
    EXPECT_THROW(saved.game.load(in), io::Failure);
    EXPECT_EQ(saved.digest(), before);
    saved.advance();  // and it plays on
}

TEST(GameLoad, SavedAfterALifeWasLostTheRestartIsAskedForAgain) {
    Play saved(0);
    saved.start(7);
    // Let the chains reach the end; nobody restarts the sub-level.
    for (int i = 0; i < 3000 && saved.rec.count(lg::action_restart_after_life_lost) == 0; ++i) {
        lg::seed_random(std::uint32_t(i));
        saved.game.update(dt);
    }
    ASSERT_EQ(saved.rec.count(lg::action_restart_after_life_lost), 1);
    const std::string bytes = saved.save();
    Play restored(0);
    ASSERT_TRUE(restored.restore(bytes, 0));
    EXPECT_EQ(restored.game.state(), lg::Game::rolling_in);
    EXPECT_EQ(restored.rec.count(lg::action_restart_after_life_lost), 1);
    EXPECT_EQ(restored.game.lives(), saved.game.lives());
}

TEST(GameLoad, OlderVersionsGetAFreshIdleLiftAndKeepTheMedalCounters) {
    Play saved(0);
    saved.start(7);
    for (int i = 0; i < 120; ++i) saved.advance();
    saved.game.medals_stats().jewels = 5;
    saved.game.medals_stats().knocked.clear();
    const std::string v2 = saved.save();
    const std::size_t lift_at = lift_record_offset(v2);

    std::string v1 = v2.substr(0, lift_at);
    v1[io::Stream::header_bytes] = 1;
    Play one(0);
    ASSERT_TRUE(one.restore(v1, 120));
    EXPECT_EQ(one.game.lift_system().lift()->state(), lg::Lift::idle);
    EXPECT_TRUE(one.game.lift_system().door()->is_closed());
    EXPECT_EQ(one.game.lift_system().lift()->game(), &one.game);
    EXPECT_EQ(one.game.lift_system().door()->game(), &one.game);
    EXPECT_EQ(one.game.medals_stats().jewels, 5u);
    one.game.update(dt);  // and it plays on

    // Before version 1 the medal record did not exist either (5 counters,
    // an empty list, 2 counters).
    std::string v0 = v2.substr(0, lift_at - 32);
    v0[io::Stream::header_bytes] = 0;
    Play zero(0);
    lg::RestoringCreator restoring(zero.creator);
    zero.game.start(restoring);
    zero.game.medals_stats().jewels = 9;
    std::stringbuf buf(v0);
    io::IStream in(&buf);
    in.read_header();
    ASSERT_TRUE(zero.game.load(in));
    EXPECT_EQ(zero.game.medals_stats().jewels, 9u);
    EXPECT_EQ(zero.digest().substr(0, 40), saved.digest().substr(0, 40));
}

TEST(GameSaveRecords, MedalStatisticsKeepEveryCounterInItsPlace) {
    lg::MedalsStats m;
    m.sniper_red = 1;
    m.sniper_white = 2;
    m.sniper_grey = 3;
    m.indirect = 4;
    m.jewels = 5;
    m.knocked.push_back({{}, {}, 11, 22, 33});  // red, grey, white
    m.creatures_destroyed = 6;
    m.creatures_home = 7;
    std::stringbuf buf;
    {
        io::OStream out(&buf);
        out.flags(out.flags() | io::Stream::no_header);
        lg::save_medals_stats(out, m);
    }
    const std::string bytes = buf.str();
    // The knocked entry: two empty region references, then grey, red, white.
    using logictest::u32;
    EXPECT_EQ(bytes, u32(1) + u32(2) + u32(3) + u32(4) + u32(5) + u32(1) + u32(0) + u32(0) + u32(0) + u32(0) +
                         u32(22) + u32(11) + u32(33) + u32(6) + u32(7));
    lg::MedalsStats back;
    io::IStream in(&buf);
    in.flags(in.flags() | io::Stream::no_header);
    lg::load_medals_stats(in, back);
    ASSERT_TRUE(in.good());
    ASSERT_EQ(back.knocked.size(), 1u);
    EXPECT_EQ(back.knocked[0].red, 11u);
    EXPECT_EQ(back.knocked[0].grey, 22u);
    EXPECT_EQ(back.knocked[0].white, 33u);
    EXPECT_EQ(back.sniper_grey, 3u);
    EXPECT_EQ(back.creatures_home, 7u);
}



// A placeholder is held by its chain as a ball and by its ball in flight as
// a placeholder: one counter, one owner group after loading.
TEST(GameSaveRecords, AnObjectReferredToAsTwoTypesStaysOneObjectWithOneOwnerGroup) {
    logictest::ensure_config_defaults();
    auto placeholder = std::make_shared<lg::BallEmpty>();
    std::stringbuf buf;
    {
        io::OStream out(&buf);
        out.write_header();
        io::save_shared(out, std::shared_ptr<lg::Ball>(placeholder));
        io::save_shared(out, placeholder);
        ASSERT_TRUE(out.good());
    }
    std::shared_ptr<lg::Ball> as_ball;
    std::weak_ptr<lg::BallEmpty> as_placeholder;
    {
        io::IStream in(&buf);
        in.read_header();
        io::load_shared(in, as_ball);
        io::load_weak(in, as_placeholder);
        ASSERT_TRUE(in.good());
    }
    ASSERT_NE(as_ball, nullptr);
    EXPECT_EQ(as_placeholder.lock().get(), as_ball.get());  // alive while the chain holds it
    as_ball.reset();
    EXPECT_TRUE(as_placeholder.expired());
}

}  // namespace
