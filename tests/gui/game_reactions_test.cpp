// The game's actions on a running sub-level of the play tree: what each code
// plays, adds to the renderers, tells the display, counts in the player's
// records and sends to the medal fly-in; the points pop-up; the medal
// bookkeeping; the guards against damaged or stale payloads; and the
// autosave with its medal grid.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/CampaignPlayer.h"
#include "core/LevelResult.h"
#include "core/Session.h"
#include "framework/graphics/Graphics.h"
#include "gui/Autosave.h"
#include "gui/Effects.h"
#include "gui/GameDesktop.h"
#include "gui/GameReactions.h"
#include "gui/MedalRenderers.h"
#include "logic/Ball.h"
#include "logic/GameAction.h"
#include "logic/Way.h"
#include "orvek/io/Stream.h"
#include "support/MedalStage.h"
#include "support/PlayTree.h"

namespace {

namespace fs = std::filesystem;
namespace lg = orvek::trelm::logic;
namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;
using guitest::PlayTree;
using guitest::SkinValue;
using Award = lg::MedalAward;
using orvek::trelm::Vector2;

const char* const kSounds[] = {"shoot", "ball_consuming", "catch_bonus", "sequence_roll_in_complete", "lightning",
                               "lightning_intensive", "intensify", "ballfree_hit", "bomb", "bomb_intensive",
                               "sequences_connection", "complete_effect", "complete_effect_start", "aiming_hit",
                               "aiming_hit_intensive", "medal_start_fly", "medal_arrive"};

// The play tree's game section with every game sound, two text colours and
// the medal grid; the appearance point lies far from the grid.
std::string skin_game() {
    std::string sounds;
    for (const char* s : kSounds) sounds += std::string("<") + s + " path=\"sounds/" + s + ".wav\"/>";
    return std::string(PlayTree::kSkinGame) + "<sounds>" + sounds + "</sounds>\n" +
           "<text_colors><blue color=\"0,0,255\"/><white color=\"250,251,252\"/></text_colors>\n"
           "<medals><game-screen position=\"600,40\" dimensions=\"44,44\" num_at_row=\"4\"/></medals>\n";
}

class RecordingHud : public gui::GameHud {
public:
    void activate_letter(int i) override { calls.push_back("activate_letter " + std::to_string(i)); }
    void clear_letters() override { calls.push_back("clear_letters"); }
    std::vector<std::string> calls;
};

// Norms of the medals the reactions grade: medal name, "value" or "time",
// the three norms.
struct Norm {
    std::string medal, attribute, norms;
};
using Norms = std::vector<Norm>;

struct Stage {
    explicit Stage(const Norms& norms = {}, const std::function<void(Stage&)>& before_start = {}) {
        for (const Norm& n : norms)
            skin_values.push_back(std::make_unique<SkinValue>(
                "menu/trophy-room/medals/" + n.medal + "/norm/@" + n.attribute, n.norms));
        sounds = &tree.record_sounds();
        desktop = std::make_unique<gui::GameDesktop>(*tree.session);
        desktop->set_hud(&hud);
        if (before_start) before_start(*this);
        desktop->start_sub_level();
        sounds->clear();
    }
    ~Stage() { desktop->set_hud(nullptr); }

    PlayTree tree{skin_game()};
    std::vector<std::unique_ptr<SkinValue>> skin_values;
    std::vector<std::string>* sounds = nullptr;
    RecordingHud hud;
    std::unique_ptr<gui::GameDesktop> desktop;

    core::CampaignPlayer& player() { return tree.player(); }
    // The sounds' names, in the order they were asked for.
    std::vector<std::string> sound_names() const {
        std::vector<std::string> names;
        for (std::string path : *sounds) {
            const std::size_t cut = path.find_last_of("/\\");
            if (cut != std::string::npos) path = path.substr(cut + 1);
            names.push_back(path);
        }
        return names;
    }
    template <class T>
    std::vector<std::shared_ptr<T>> all() {
        std::vector<std::shared_ptr<T>> found;
        for (const auto& r : desktop->renderers())
            if (auto t = std::dynamic_pointer_cast<T>(r)) found.push_back(t);
        return found;
    }
    void act(const lg::GameAction& action) { desktop->game_action(action); }
    // Frames as the game screen draws them.
    void draw(int frames = 1) {
        auto canvas = guitest::canvas(800, 600);
        Vant::Graphics g(canvas.get());
        for (int i = 0; i < frames; ++i) desktop->draw(&g);
    }
};

std::string describe(const gui::BasicRenderer& r) {
    const char* kind = dynamic_cast<const gui::TextRenderer*>(&r)           ? "text"
                       : dynamic_cast<const gui::EffectRendererSimple*>(&r) ? "effect"
                       : dynamic_cast<const gui::SpotRenderer*>(&r)         ? "spot"
                                                                           : "other";
    return std::string(kind) + "@" + std::to_string(r.layer());
}

// What a test reads of the player's records, by name.
std::map<std::string, long> counters(core::CampaignPlayer& p) {
    const core::StatisticsRecord& r = p.statistics();
    const core::MedalsStats& m = p.medals_stats();
    std::map<std::string, long> c = {
        {"chain", r.chain_num().value},       {"combo", r.combo_num().value},   {"indirect", r.indirect_num().value},
        {"sniper", r.sniper_num().value},     {"words", r.words_num().value},   {"lifes", r.lifes_expend().value},
        {"chain_max", r.chain_max().value},   {"combo_max", r.combo_max().value},
        {"indirect_max", r.indirect_max().value}, {"a", m.counter_a()},          {"b", m.counter_b()},
        {"c", m.counter_c()},
    };
    for (int medal : {3, 5, 11, 14, 17, 18}) c["progress" + std::to_string(medal)] = p.medal_progress(medal);
    return c;
}

std::vector<std::string> changed(const std::map<std::string, long>& before, const std::map<std::string, long>& after) {
    std::vector<std::string> out;
    for (const auto& [name, value] : after)
        if (before.at(name) != value) out.push_back(name + "=" + std::to_string(value));
    return out;
}

std::shared_ptr<lg::Ball> ball(int color) {
    return std::make_shared<lg::Ball>(Vector2(200.0f, 150.0f), 7, lg::BallKind{0, color});
}

lg::GameActionPoints points(int value, int color = 1) {
    return lg::GameActionPoints(Vector2(300.0f, 200.0f), color, value);
}

template <class T, class... Args>
lg::GameAction action(int code, Args&&... args) {
    return lg::GameAction(code, std::make_shared<T>(std::forward<Args>(args)...));
}

// ---------------------------------------------------------------- dispatch

TEST(GameReactions, EachCodeGivesItsSoundsRenderersDisplayCallsCountersAndMedals) {
    struct Case {
        int code;
        std::function<lg::GameAction(Stage&)> make;
        std::vector<std::string> sounds, renderers, hud, counters;
        std::vector<Award> awards;
    };
    const auto plain = [](int code) { return [code](Stage&) { return lg::GameAction(code); }; };
    const Case cases[] = {
        {0, [](Stage&) {
             auto p = points(50);
             p.set_chain(5);
             return lg::GameAction(0, std::make_shared<lg::GameActionPoints>(p));
         }, {"medal_start_fly"}, {"text@6000"}, {}, {"chain=1", "chain_max=5", "progress3=5"}, {Award(3, 0)}},
        {1, [](Stage&) {
             return action<lg::GameActionConsumingBalls>(1, std::vector<std::shared_ptr<lg::Ball>>{ball(2), ball(0)});
         }, {"ball_consuming"}, {"effect@5000"}, {}, {}, {}},
        {2, [](Stage&) { return action<lg::GameActionCatchBonus>(2, Vector2(10.0f, 20.0f), "Bomb"); },
         {"catch_bonus"}, {"effect@5000"}, {}, {}, {}},
        {3, plain(3), {}, {}, {}, {}, {}},
        // Without a controller the life is counted at once.
        {4, plain(4), {}, {}, {}, {"lifes=1"}, {}},
        {5, [](Stage& s) {
             return action<lg::GameActionSequenceRollInComplete>(5, std::weak_ptr<const lg::Way>(s.desktop->game().ways()[0]));
         }, {"sequence_roll_in_complete"}, {"effect@5000"}, {}, {}, {}},
        {6, [](Stage&) { return action<lg::GameActionLightning>(6, Vector2(5.0f, 5.0f), true); },
         {"lightning_intensive"}, {"effect@5000"}, {}, {}, {}},
        {6, [](Stage&) { return action<lg::GameActionLightning>(6, Vector2(5.0f, 5.0f), false); },
         {"lightning"}, {"effect@5000"}, {}, {}, {}},
        {7, [](Stage&) { return action<lg::GameActionIntensify>(7, Vector2(5.0f, 5.0f)); },
         {"intensify"}, {"effect@5000"}, {}, {}, {}},
        {8, plain(8), {"ballfree_hit"}, {}, {}, {}, {}},
        {9, [](Stage&) { return action<lg::GameActionExplosion>(9, Vector2(5.0f, 5.0f), false); },
         {"bomb"}, {"effect@5000"}, {}, {}, {}},
        {9, [](Stage&) { return action<lg::GameActionExplosion>(9, Vector2(5.0f, 5.0f), true); },
         {"bomb_intensive"}, {"effect@5000"}, {}, {}, {}},
        {10, plain(10), {"sequences_connection"}, {}, {}, {}, {}},
        {11, [](Stage&) { return action<lg::GameActionSequenceRoll>(11, 250.0f); }, {}, {}, {}, {}, {}},
        {12, plain(12), {"shoot"}, {}, {}, {}, {}},
        {13, plain(13), {}, {}, {"clear_letters"}, {"words=1"}, {}},
        {14, [](Stage&) { return action<lg::GameActionLetterActivate>(14, 3); }, {}, {}, {"activate_letter 3"}, {}, {}},
        {15, [](Stage&) { return action<lg::GameActionLevelCompleteEffect>(15, 42, Vector2(5.0f, 5.0f), true, 300); },
         {"complete_effect"}, {"effect@42", "text@6000"}, {}, {}, {}},
        {15, [](Stage&) { return action<lg::GameActionLevelCompleteEffect>(15, 42, Vector2(5.0f, 5.0f), false, 300); },
         {}, {"spot@42"}, {}, {}, {}},
        {16, [](Stage&) { return action<lg::GameActionLevelCompleteEffectStart>(16, 2.0f); },
         {"medal_start_fly", "medal_start_fly", "complete_effect_start"}, {}, {}, {"c=1", "progress17=1"},
         {Award(19, 0), Award(17, 0)}},
        {17, [](Stage&) { return action<lg::GameActionHeadAndTailDestroing>(17, Vector2(1.0f, 2.0f), Vector2(3.0f, 4.0f)); },
         {}, {"effect@5000", "effect@5000"}, {}, {}, {}},
        {18, [](Stage&) { return action<lg::GameActionAimingHit>(18, false); }, {"aiming_hit"}, {"effect@5000"}, {}, {}, {}},
        {18, [](Stage&) { return action<lg::GameActionAimingHit>(18, true); }, {"aiming_hit_intensive"}, {"effect@5000"}, {}, {}, {}},
        {19, [](Stage&) { return action<lg::GameActionTeleportation>(19, 1); }, {}, {}, {}, {}, {}},
        {20, [](Stage&) { return action<lg::GameActionMedal>(20, Award(5, 1), 7); },
         {"medal_start_fly"}, {}, {}, {"progress5=7"}, {Award(5, 1)}},
        {21, [](Stage&) { return action<lg::GameActionMedalsStats>(21, 0); },
         {"medal_start_fly"}, {}, {}, {"a=1", "progress14=1"}, {Award(14, 0)}},
        // No points: no placement.
        {22, plain(22), {}, {}, {}, {}, {}},
        {23, plain(23), {}, {}, {}, {}, {}},
        {100, [](Stage&) { return action<lg::GameActionMedal>(100, Award(5, 1), 7); }, {}, {}, {}, {}, {}},
        {-1, [](Stage&) { return action<lg::GameActionMedal>(-1, Award(5, 1), 7); }, {}, {}, {}, {}, {}},
    };
    const Norms norms = {{"chain", "value", "5;10;15"},
                         {"zelkors_destroying_global", "value", "1;2;3"},
                         {"completing_sublevels", "value", "1;5;10"},
                         {"quick_complete_sublevels", "value", "1;5;10"},
                         {"quick_complete_sublevels", "time", "30;60;120"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code);
        Stage s(norms);
        const auto before = counters(s.player());
        const std::size_t had = s.desktop->renderers().size();
        s.act(c.make(s));
        std::vector<std::string> added;
        std::vector<Award> awards;
        auto it = s.desktop->renderers().begin();
        std::advance(it, had);
        for (; it != s.desktop->renderers().end(); ++it) {
            if (const auto* m = dynamic_cast<const gui::MedalDynamicRenderer*>(it->get())) awards.push_back(m->award());
            // The objects of a restarted sub-level bring their own renderers.
            else if ((*it)->object().expired()) added.push_back(describe(**it));
        }
        EXPECT_EQ(s.sound_names(), c.sounds);
        EXPECT_EQ(added, c.renderers);
        EXPECT_EQ(s.hud.calls, c.hud);
        EXPECT_EQ(changed(before, counters(s.player())), c.counters);
        EXPECT_EQ(awards, c.awards);
    }
}

// ---------------------------------------------------------------- points pop-up

TEST(GameReactions, PointsPopUpLinesAndColour) {
    Stage s;
    auto p = points(50);
    const auto only = gui::points_lines(p);
    EXPECT_EQ(only, std::vector<std::string>{"50"});
    // Counters set to 0 count as unset.
    p.set_chain(0);
    p.set_combo(0);
    EXPECT_EQ(gui::points_lines(p), std::vector<std::string>{"50"});
    p.set_chain(3);
    p.set_combo(2);
    p.set_indirect(4);
    p.set_sniper_shot();
    p.set_high_speed();
    // The play tree's language has no such texts: the keys show through.
    EXPECT_EQ(gui::points_lines(p),
              (std::vector<std::string>{"50", "menu/points/chain x3", "menu/points/combo x2",
                                        "menu/points/indirect x4", "menu/points/sniper_shot",
                                        "menu/points/high-speed +20"}));

    struct Case {
        int color;
        Vant::Color expected;
    } cases[] = {{3, Vant::Color(0, 0, 255, 255)}, {0, Vant::Color(250, 251, 252, 255)},
                 {10, Vant::Color(250, 251, 252, 255)}, {-4, Vant::Color(250, 251, 252, 255)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.color);
        s.act(lg::GameAction(0, std::make_shared<lg::GameActionPoints>(points(70, c.color))));
        const auto texts = s.all<gui::TextRenderer>();
        ASSERT_FALSE(texts.empty());
        const auto& t = *texts.back();
        EXPECT_EQ(t.lines(), std::vector<std::string>{"70"});
        EXPECT_EQ(t.color().r, c.expected.r);
        EXPECT_EQ(t.color().g, c.expected.g);
        EXPECT_EQ(t.color().b, c.expected.b);
        EXPECT_FLOAT_EQ(t.position().x, 300.0f);
    }
}

// ---------------------------------------------------------------- bookkeeping

std::vector<Award> flying(Stage& s) {
    std::vector<Award> out;
    for (const auto& m : s.all<gui::MedalDynamicRenderer>()) out.push_back(m->award());
    return out;
}

TEST(GameReactions, ChainsAndCombosAwardOnlyAtANormAndKeepTheirMaximum) {
    Stage s({{"chain", "value", "5;10;15"}, {"combo", "value", "2;4;6"}});
    const auto send = [&](int chain, int combo) {
        auto p = points(10);
        if (chain) p.set_chain(chain);
        if (combo) p.set_combo(combo);
        s.act(lg::GameAction(0, std::make_shared<lg::GameActionPoints>(p)));
    };
    send(5, 0);
    send(7, 0);
    send(16, 0);  // above the top norm
    send(10, 0);
    send(3, 0);
    send(0, 4);
    send(0, 7);
    EXPECT_EQ(flying(s), (std::vector<Award>{Award(3, 0), Award(3, 1), Award(11, 1)}));
    EXPECT_EQ(s.player().medal_progress(3), 16u);
    EXPECT_EQ(s.player().statistics().chain_max().value, 16u);
    EXPECT_EQ(s.player().statistics().chain_num().value, 5u);
    EXPECT_EQ(s.player().medal_progress(11), 7u);
    EXPECT_EQ(s.player().statistics().combo_num().value, 2u);
    EXPECT_EQ(s.player().medal_count(Award(3, 0)), 1u);
}

TEST(GameReactions, QuickCompletionCountsItsGradeAndTheSlowerOnes) {
    const Norms norms = {{"quick_complete_sublevels", "time", "30;60;120"},
                         {"quick_complete_sublevels", "value", "1;2;3"}};
    struct Case {
        float time;
        std::uint32_t earlier_grade1;  // quick completions of grade 1 before
        std::vector<std::uint32_t> counts;
        std::vector<Award> awards;
    } cases[] = {
        {10.0f, 0, {1, 1, 1}, {Award(19, 0)}},
        {45.0f, 0, {0, 1, 1}, {}},
        {45.0f, 1, {0, 2, 1}, {Award(19, 1)}},
        {500.0f, 0, {0, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        Stage s(norms);
        auto& record = s.player().statistics();
        record.time_expend().value = c.time;
        record.set_time_mark(s.desktop->game_time());
        for (std::uint32_t i = 0; i < c.earlier_grade1; ++i) s.player().medals_stats().add_quick_complete(1);
        s.act(action<lg::GameActionLevelCompleteEffectStart>(16, 1.0f));
        std::vector<Award> quick;
        for (const Award& a : flying(s))
            if (a.medal == 19) quick.push_back(a);
        EXPECT_EQ(quick, c.awards);
        for (std::uint32_t g = 0; g < 3; ++g) {
            EXPECT_EQ(s.player().medals_stats().quick_complete_count(g), c.counts[g]) << g;
            EXPECT_EQ(s.player().grade_record(g), c.counts[g]) << g;
        }
        // The sweep's sound fades over the payload's duration.
        EXPECT_NE(s.desktop->completion_sound(), std::uint32_t(-1));
    }
}

TEST(GameReactions, GameCompleteOnlyAtTheCampaignsLastSubLevelWithTheFlagsStillSet) {
    struct Case {
        unsigned mode, level;
        bool clear_flags;
        std::vector<Award> awards;
    } cases[] = {
        {0, 1, false, {Award(20, 0), Award(21, 0), Award(22, 0)}},
        {0, 1, true, {Award(20, 0)}},
        {0, 0, false, {}},
        {1, 1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " level " << c.level << " cleared " << c.clear_flags);
        Stage s({}, [&](Stage& st) {
            st.player().set_game_mode(c.mode);
            st.player().set_position(core::LevelPosition(c.level, 0));
            if (c.clear_flags) st.player().medals_stats().clear_flags();
        });
        s.act(action<lg::GameActionLevelCompleteEffectStart>(16, 1.0f));
        std::vector<Award> complete;
        for (const Award& a : flying(s))
            if (a.medal >= 20 && a.medal <= 22) complete.push_back(a);
        EXPECT_EQ(complete, c.awards);
    }
}

TEST(GameReactions, MedalStatisticsKinds) {
    Stage s({{"zelkors_destroying_global", "value", "2;4;6"}, {"catching_bonuses", "value", "1;3;5"}});
    auto& m = s.player().medals_stats();
    const auto kind = [&](int k) { s.act(action<lg::GameActionMedalsStats>(21, k)); };
    kind(0);
    kind(0);
    EXPECT_EQ(m.counter_a(), 2u);
    EXPECT_EQ(s.player().medal_progress(14), 2u);
    kind(1);
    EXPECT_EQ(m.counter_a(), 0u);
    EXPECT_EQ(s.player().medal_progress(14), 2u);
    kind(2);
    EXPECT_EQ(m.counter_b(), 1u);
    kind(3);
    EXPECT_EQ(m.counter_b(), 0u);
    kind(2);
    kind(7);  // no such kind
    EXPECT_EQ(m.counter_b(), 1u);
    EXPECT_EQ(s.player().medal_progress(18), 1u);
    EXPECT_EQ(flying(s), (std::vector<Award>{Award(14, 0), Award(18, 0), Award(18, 0)}));
}

TEST(GameReactions, PlacementEntersTheBestResultsOnlyWithPointsAndAwardsTheFirstThreePlaces) {
    Stage s;
    core::Session& session = *s.tree.session;
    session.clear_results();
    s.act(lg::GameAction(22));
    EXPECT_TRUE(session.best_results(10).empty());
    s.desktop->game().add_points(500);
    s.act(lg::GameAction(22));
    ASSERT_EQ(session.best_results(10).size(), 1u);
    EXPECT_EQ(session.best_results(10)[0].name(), "Ann");
    for (int i = 0; i < 2; ++i)
        session.add_best_result(core::ResultEntry("Bo", std::make_shared<core::ScoreLevelResult>(900, core::LevelPosition(1, 1))));
    s.desktop->game().add_points(100);  // 600: third
    s.act(lg::GameAction(22));
    session.add_best_result(core::ResultEntry("Cy", std::make_shared<core::ScoreLevelResult>(950, core::LevelPosition(1, 1))));
    s.desktop->game().add_points(100);  // 700: fourth, after 950 and the two 900
    s.act(lg::GameAction(22));
    EXPECT_EQ(flying(s), (std::vector<Award>{Award(23, 0), Award(23, 2)}));
}

TEST(GameReactions, PlayTimeMedalFliesWhenTheSessionsTimeCrossesItsNorm) {
    Stage s({{"play_time", "time", "0.5;100;200"}});
    const auto play_time_medals = [&] {
        std::vector<Award> out;
        for (const Award& a : flying(s))
            if (a.medal == 16) out.push_back(a);
        return out;
    };
    for (int i = 0; i < 14; ++i) s.desktop->update();  // 0.46 s
    EXPECT_TRUE(play_time_medals().empty());
    for (int i = 0; i < 30; ++i) s.desktop->update();
    EXPECT_EQ(play_time_medals(), std::vector<Award>{Award(16, 0)});
    EXPECT_EQ(s.player().medal_count(Award(16, 0)), 1u);
}

// The game's own rolling chains stay out.
class NoRollDesktop : public gui::GameDesktop {
public:
    using GameDesktop::GameDesktop;
    void game_action(const lg::GameAction& action) override {
        if (action.type != lg::action_sequence_roll) GameDesktop::game_action(action);
    }
};

TEST(GameReactions, SeveralRollsInOneStepTheFastestSetsTheVolume) {
    Stage s;
    s.desktop->stop();
    s.desktop = std::make_unique<NoRollDesktop>(*s.tree.session);
    s.desktop->start_sub_level();
    // The play tree's reference speed is 300, S is 100.
    for (float speed : {150.0f, 250.0f, 200.0f}) s.desktop->reactions().dispatch(action<lg::GameActionSequenceRoll>(11, speed));
    s.desktop->update();
    EXPECT_EQ(s.desktop->roll_volume(), 75);
    s.desktop->reactions().dispatch(action<lg::GameActionSequenceRoll>(11, 150.0f));
    s.desktop->update();
    EXPECT_EQ(s.desktop->roll_volume(), 25);
}

// ---------------------------------------------------------------- guards

TEST(GameReactions, GuardsAgainstPayloadsThatNameNothing) {
    Stage s;
    // A consumed ball of no colour: its sound, no renderer.
    std::size_t had = s.desktop->renderers().size();
    s.act(action<lg::GameActionConsumingBalls>(1, std::vector<std::shared_ptr<lg::Ball>>{ball(0)}));
    EXPECT_EQ(s.sound_names(), std::vector<std::string>{"ball_consuming"});
    EXPECT_EQ(s.desktop->renderers().size(), had);
    for (const auto& r : s.desktop->renderers()) EXPECT_NE(r, nullptr);

    // A portal index beyond the level's two pairs does nothing; one inside starts its pair.
    const auto& pairs = s.desktop->portal_pairs();
    ASSERT_EQ(pairs.size(), 2u);
    s.act(action<lg::GameActionTeleportation>(19, 7));
    s.act(action<lg::GameActionTeleportation>(19, -1));
    for (const auto& pair : pairs) EXPECT_FALSE(pair->first()->spot().is_playing());
    s.act(action<lg::GameActionTeleportation>(19, 1));
    EXPECT_FALSE(pairs[0]->first()->spot().is_playing());
    EXPECT_TRUE(pairs[1]->first()->spot().is_playing());

    // A roll-in whose way is gone: the sound alone.
    s.sounds->clear();
    had = s.desktop->renderers().size();
    std::weak_ptr<const lg::Way> gone;
    {
        auto way = std::make_shared<lg::Way>(PlayTree::geometry({{0.0f, 0.0f}, {100.0f, 0.0f}, {200.0f, 0.0f}}));
        gone = way;
        s.act(action<lg::GameActionSequenceRollInComplete>(5, gone));
        EXPECT_EQ(s.desktop->renderers().size(), had + 1);
    }
    s.act(action<lg::GameActionSequenceRollInComplete>(5, gone));
    EXPECT_EQ(s.desktop->renderers().size(), had + 1);
    EXPECT_EQ(s.sound_names(), (std::vector<std::string>{"sequence_roll_in_complete", "sequence_roll_in_complete"}));

    // Payloads of another class, or none, add nothing.
    had = s.desktop->renderers().size();
    for (int code : {0, 1, 2, 5, 6, 9, 14, 15, 16, 17, 18, 19, 20, 21}) s.act(action<lg::GameActionIntensify>(code, Vector2()));
    s.act(lg::GameAction(6));
    EXPECT_EQ(s.desktop->renderers().size(), had);
}

// ---------------------------------------------------------------- autosave

TEST(GameReactions, AutosaveDuringAFlightRestoresTheGridAndOlderOrRefusedFilesAnEmptyOne) {
    std::string written;
    std::vector<std::tuple<Award, std::uint32_t, std::int32_t, std::int32_t>> grid;
    {
        Stage s;
        s.desktop->medal_fly_in().award(Award(4, 0));
        s.draw(3);
        s.desktop->medal_fly_in().award(Award(4, 0));
        s.draw(3);
        s.desktop->medal_fly_in().award(Award(3, 1));  // in flight when written
        ASSERT_EQ(s.all<gui::MedalDynamicRenderer>().size(), 1u);
        s.desktop->write_autosave();
        written = testsupport::read_file(s.tree.session->autosave_path());
        EXPECT_EQ(std::uint8_t(written[orvek::io::Stream::header_bytes]), 2u);
        for (const Award& a : {Award(4, 0), Award(3, 1)}) {
            const auto& slot = s.desktop->medal_fly_in().slot(unsigned(gui::MedalFlyIn::slot_of(a)));
            grid.emplace_back(a, slot.awards, slot.x, slot.y);
        }
        s.desktop->stop();
    }
    const std::size_t header = orvek::io::Stream::header_bytes;
    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> file;
        bool loads, grid;
    } cases[] = {
        {"version 2", [](const std::string& f) { return f; }, true, true},
        {"version 1 of before the grid",
         [&](const std::string& f) {
             std::string v1 = f.substr(0, f.size() - gui::MedalGridRecord::bytes);
             v1[header] = 1;
             return v1;
         }, true, false},
        {"grid of another version",
         [](const std::string& f) {
             std::string bad = f;
             bad[f.size() - gui::MedalGridRecord::bytes] = 1;
             return bad;
         }, false, false},
        {"no room for the grid", [&](const std::string& f) { return f.substr(0, header + 1 + 12 + 100); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage s({}, [&](Stage& st) {
            const fs::path path = st.tree.session->autosave_path();
            fs::create_directories(path.parent_path());
            testsupport::write_file(path, c.file(written));
        });
        const std::string path = s.tree.session->autosave_path();
        EXPECT_FALSE(fs::exists(path));
        EXPECT_EQ(fs::exists(path + ".prev"), !c.loads);
        EXPECT_TRUE(s.all<gui::MedalDynamicRenderer>().empty());
        const auto resting = s.all<gui::MedalStaticRenderer>();
        if (!c.grid) {
            EXPECT_TRUE(resting.empty());
            EXPECT_EQ(s.desktop->medal_fly_in().placed(), 0u);
            continue;
        }
        ASSERT_EQ(resting.size(), 2u);
        EXPECT_EQ(s.desktop->medal_fly_in().placed(), 2u);
        for (const auto& [award, count, x, y] : grid) {
            const auto& slot = s.desktop->medal_fly_in().slot(unsigned(gui::MedalFlyIn::slot_of(award)));
            EXPECT_EQ(slot.awards, count);
            EXPECT_EQ(slot.x, x);
            EXPECT_EQ(slot.y, y);
            ASSERT_NE(slot.renderer, nullptr);
            EXPECT_EQ(slot.renderer->count(), count);
        }
    }
}

}  // namespace
