// The campaign map on the fixture's four levels of two sub-levels: which
// buttons open and which position is selected, what clicks do, what a
// start stores, the help page first, the statistics, start at once, the record image, profiles past the levels
// and a level set without any, and the map as a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/CampaignPlayer.h"
#include "core/Profile.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "core/Session_Impl_.h"
#include "framework/app/WidgetManager.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/CampaignScreen.h"
#include "gui/GameScreen.h"
#include "gui/HelpScreen.h"
#include "gui/StatsScreen.h"
#include "ostrel/gui/Statics.h"
#include "platform/Messages.h"
#include "support/GameStage.h"
#include "support/RenderFixture.h"

namespace {

namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;
using core::LevelPosition;

const std::map<std::string, std::string> kCampaignLevels{
    {"levels/@dir", "data/levels-campaign"},
    {"levels/@sublevels_graphics_settings_dir", "data/levels-campaign/GraphicsSettings"}};

std::map<std::string, std::string> with(std::map<std::string, std::string> config, const std::string& key,
                                        const std::string& value) {
    config[key] = value;
    return config;
}

// The main menu with "Ana" logged in on the given levels.
struct MapStage : guitest::MenuStage {
    explicit MapStage(const std::map<std::string, std::string>& config = kCampaignLevels) : MenuStage(config) {
        profile = std::make_shared<core::Profile>("Ana");
        controller().profiles().add(profile);
        session().set_profile(profile);
    }
    core::Session& session() const { return controller().session(); }
    core::CampaignPlayer& player() const { return *profile->property<core::CampaignPlayer>(); }
    // A campaign player at a position with a highest level (reached first).
    void campaign_at(unsigned highest, LevelPosition at, unsigned mode = 0) {
        *profile->property<core::CampaignPlayer>() = core::CampaignPlayer();
        player().set_game_mode(0);
        player().set_position(LevelPosition(highest, 0));
        player().set_game_mode(mode);
        player().set_position(at);
        player().set_show_help(false);
    }
    gui::CampaignScreen* open(bool at_once = false, bool resume = false) {
        gui::CampaignScreen* map = controller().campaign_screen(at_once, resume);
        ss().push_screen(map);
        step();
        return map;
    }
    // Game screens started: the map's levels have no way files, so each
    // start ends in an error box and the game screen goes back to the map.
    // The players here have seen the help page; the help step has its own test.
    std::size_t games_started() const { return p.shell.boxes.size(); }
    // Back to the main menu alone.
    void close_all() {
        while (!top_is<gui::MainMenuScreen>() && ss().top_screen()) {
            ss().pop_screen();
            step();
        }
    }
    std::shared_ptr<core::Profile> profile;
};

// One character per button: "1" open, "0" closed; sub-levels level by level.
std::string level_flags(const gui::CampaignScreen& m, bool (gui::LevelButton::*flag)() const) {
    std::string s;
    for (const auto& b : m.level_buttons()) s += ((*b).*flag)() ? '1' : '0';
    return s;
}

std::string sub_flags(const gui::CampaignScreen& m, bool (*flag)(const gui::SubLevelButton&)) {
    std::string s;
    for (const auto& level : m.sub_level_buttons()) {
        if (!s.empty()) s += ' ';
        for (const auto& b : level) s += flag(*b) ? '1' : '0';
    }
    return s;
}

bool sub_open(const gui::SubLevelButton& b) { return b.is_open(); }
bool sub_tip(const gui::SubLevelButton& b) { return b.tooltip() != nullptr; }
bool sub_selected(const gui::SubLevelButton& b) { return b.is_selected(); }
bool sub_record(const gui::SubLevelButton& b) { return b.shows_record(); }

TEST(CampaignMap, OpensWhatThePlayerReachedAndSelectsWhereToGoOn) {
    struct Case {
        const char* name;
        unsigned highest, mode;
        LevelPosition at;
        bool resume;
        std::string levels_open, passive, subs_open, tooltips;
        LevelPosition selection;
    };
    const std::vector<Case> cases{
        {"campaign reached level 2", 2, 0, {2, 0}, false, "1110", "0000", "11 11 10 00", "11 11 00 00", {2, 0}},
        {"campaign resuming at 1-1", 2, 0, {1, 1}, true, "1100", "1111", "11 11 00 00", "11 10 00 00", {1, 1}},
        {"campaign resuming at 0-0", 0, 0, {0, 0}, true, "1000", "1111", "10 00 00 00", "00 00 00 00", {0, 0}},
        {"single mode at 3-1", 0, 1, {3, 1}, false, "1111", "1111", "11 11 11 11", "11 11 11 11", {3, 1}},
    };
    MapStage st;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        st.campaign_at(c.highest, c.at, c.mode);
        gui::CampaignScreen* m = st.open(false, c.resume);
        ASSERT_EQ(m->level_buttons().size(), 4u);
        EXPECT_EQ(level_flags(*m, &gui::LevelButton::is_open), c.levels_open);
        EXPECT_EQ(level_flags(*m, &gui::LevelButton::is_passive), c.passive);
        EXPECT_EQ(sub_flags(*m, sub_open), c.subs_open);
        EXPECT_EQ(sub_flags(*m, sub_tip), c.tooltips);
        EXPECT_EQ(m->selection(), c.selection);
        // Exactly the selected level and sub-level are highlighted.
        std::string expect_sel;
        for (unsigned i = 0; i < 4; ++i) {
            if (i) expect_sel += ' ';
            for (unsigned j = 0; j < 2; ++j) expect_sel += (LevelPosition(i, j) == c.selection) ? '1' : '0';
        }
        EXPECT_EQ(sub_flags(*m, sub_selected), expect_sel);
        EXPECT_EQ(level_flags(*m, &gui::LevelButton::is_selected),
                  std::string(c.selection.level(), '0') + "1" + std::string(3 - c.selection.level(), '0'));
        st.close_all();
    }
}

TEST(CampaignMap, TooltipsGiveTheOwnScoreAndTheRecordWithItsHolder) {
    MapStage st;
    st.campaign_at(1, {1, 0});
    st.player().sub_level_statistics("camp1-2").score().value = 40;
    core::StatisticsRecord& best = st.session().sub_level_statistics("camp1-2");
    best.set_score(900);
    best.set_holder("Mira");
    gui::CampaignScreen* m = st.open();
    auto tip = std::dynamic_pointer_cast<orvek::ostrel::TextTooltip>(m->sub_level_buttons()[0][1]->tooltip());
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->text().spot().text(), "Yours 40\nBest 900 (Mira)");
    // Showing the map adds no record to the player's profile.
    EXPECT_EQ(st.player().all_sub_level_statistics().size(), 1u);
}

TEST(CampaignMap, ClicksMoveTheSelectionOrStart) {
    struct Case {
        const char* name;
        unsigned mode;
        bool resume;
        std::vector<std::pair<int, int>> clicks;  // (level, -1) a level button, (level, sub) a sub-level
        LevelPosition selection;
        bool started;
    };
    const std::vector<Case> cases{
        {"level 1", 0, false, {{1, -1}}, {1, 0}, false},
        {"level 3 is closed", 0, false, {{3, -1}}, {2, 0}, false},
        {"an earlier level's sub-level", 0, false, {{0, 1}}, {0, 0}, false},
        {"a closed sub-level", 0, false, {{2, 1}}, {2, 0}, false},
        {"the selected sub-level", 0, false, {{2, 0}}, {2, 0}, true},
        {"single mode selects", 1, false, {{1, 1}}, {1, 1}, false},
        {"single mode starts on the second click", 1, false, {{1, 1}, {1, 1}}, {1, 1}, true},
        {"levels ignored while resuming", 0, true, {{0, -1}}, {2, 0}, false},
    };
    MapStage st;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        st.campaign_at(2, c.mode == 0 ? LevelPosition(2, 0) : LevelPosition(3, 0), c.mode);
        gui::CampaignScreen* m = st.open(false, c.resume);
        const std::size_t started = st.games_started();
        for (const auto& [level, sub] : c.clicks) {
            if (sub < 0) st.click(*m->level_buttons()[level]);
            else st.click(*m->sub_level_buttons()[level][sub]);
            st.step();
        }
        st.step(2);
        EXPECT_EQ(st.games_started() - started, c.started ? 1u : 0u);
        if (!c.started) EXPECT_EQ(m->selection(), c.selection);
        else EXPECT_EQ(st.player().position(), c.selection);
        st.close_all();
    }
}

TEST(CampaignMap, StartStoresThePositionAndResetsTheMedalBookkeepingOfAFreshRun) {
    struct Case {
        const char* name;
        unsigned highest;
        bool resume;
        LevelPosition at;
        bool flags_after, counters_reset, carried_after;
    };
    const std::vector<Case> cases{
        {"fresh at 0-0 keeps both flags", 0, false, {0, 0}, true, true, false},
        {"fresh at 1-0 clears them", 1, false, {1, 0}, false, true, false},
        {"resuming at 1-1 keeps everything", 1, true, {1, 1}, false, false, true},
    };
    MapStage st;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        st.campaign_at(c.highest, c.at);
        core::CampaignPlayer& p = st.player();
        p.set_has_carried_state(true);
        p.medals_stats().increment_counter_a();
        p.medals_stats().clear_flags();
        // An autosave to be removed by the start.
        const std::string autosave = st.session().autosave_path();
        ASSERT_FALSE(autosave.empty());
        std::filesystem::create_directories(std::filesystem::path(autosave).parent_path());
        std::ofstream(autosave) << "saved";
        ASSERT_TRUE(st.session().has_autosave());

        gui::CampaignScreen* m = st.open(false, c.resume);
        p.set_position(LevelPosition(0, 0));  // the start stores the selection
        // Two clicks in one step push one game screen.
        const std::size_t started = st.games_started();
        st.click(m->start_button());
        st.click(m->start_button());
        st.step(3);
        EXPECT_EQ(st.games_started() - started, 1u);
        EXPECT_FALSE(st.session().has_autosave());
        EXPECT_EQ(p.position(), c.at);
        EXPECT_EQ(p.has_carried_state(), c.carried_after);
        EXPECT_EQ(p.medals_stats().without_lose_life(), c.flags_after);
        EXPECT_EQ(p.medals_stats().without_continue(), c.flags_after);
        EXPECT_EQ(p.medals_stats().counter_a(), c.counters_reset ? 0u : 1u);
        EXPECT_TRUE(m->resuming());
        EXPECT_EQ(st.ss().top_screen(), m);
        st.close_all();
    }
}

TEST(CampaignMap, StartAtOncePushesTheGameScreenOnShowAndShowsTheMapAfter) {
    MapStage st;
    st.campaign_at(1, {1, 1});
    gui::CampaignScreen* m = st.open(true, true);
    st.step(3);
    EXPECT_EQ(st.games_started(), 1u);
    ASSERT_EQ(st.ss().top_screen(), m);
    EXPECT_EQ(m->selection(), LevelPosition(1, 1));
    EXPECT_TRUE(m->level_buttons()[1]->is_open());
    EXPECT_FALSE(st.top_is<gui::GameScreen>());
}

TEST(CampaignMap, EscapeAndBackPopTheMapOnce) {
    MapStage st;
    st.campaign_at(0, {0, 0});
    gui::CampaignScreen* m = st.open();
    st.key(27);
    st.click(m->back_button());
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
}

TEST(CampaignMap, StatsShowsThePlayersBestBesideEveryonesAndOkGoesBackToTheMap) {
    MapStage st;
    st.campaign_at(1, {1, 0});
    core::StatisticsRecord& own = st.player().best_statistics();
    own.set_score(120);
    own.update_time(61.0f);
    core::StatisticsRecord& best = st.session().best_statistics();
    best.set_score(4500);
    best.set_holder("Mira");
    best.update_time(30.0f);
    gui::CampaignScreen* m = st.open();
    ASSERT_TRUE(m->stats_button().is_enabled());
    // Two clicks in one step push one statistics screen.
    st.click(m->stats_button());
    st.click(m->stats_button());
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::StatsScreen>());
    auto* stats = static_cast<gui::StatsScreen*>(st.ss().top_screen());
    EXPECT_EQ(stats->header().text(), "Statistics");
    // The score row: label, the player's best, everyone's best.
    ASSERT_GE(stats->table().size(), 3u);
    EXPECT_EQ(stats->table()[1]->text(), "120");
    EXPECT_EQ(stats->table()[2]->text(), "4500");
    EXPECT_EQ(stats->table().back()->text(), "00:30");
    EXPECT_EQ(stats->table()[stats->table().size() - 2]->text(), "01:01");
    EXPECT_NE(stats->tooltip_text(1).find("Mira"), std::string::npos);  // the score's best
    st.click(stats->ok_button());
    st.step(2);
    EXPECT_EQ(st.ss().top_screen(), m);
    EXPECT_EQ(st.games_started(), 0u);
    // The map answers again once it shows.
    st.click(m->stats_button());
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::StatsScreen>());
}

TEST(CampaignMap, APlayerWhoWantsHelpSeesTheHelpPageBeforeTheGame) {
    struct Case {
        const char* name;
        int close_key;  // 0: the OK button
        bool box_checked, help_after;
    };
    const std::vector<Case> cases{
        {"OK with the box checked", 0, true, false},
        {"OK with the box clear", 0, false, true},
        {"Escape", 27, false, true},
    };
    MapStage st;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        st.campaign_at(0, {0, 0});
        st.player().set_show_help(true);
        gui::CampaignScreen* m = st.open();
        const std::size_t started = st.games_started();
        st.click(m->start_button());
        st.step(2);
        ASSERT_TRUE(st.top_is<gui::HelpScreen>());
        EXPECT_EQ(st.games_started(), started);  // no game beneath the help yet
        auto* help = static_cast<gui::HelpScreen*>(st.ss().top_screen());
        help->show_again_box().set_checked(c.box_checked);
        if (c.close_key) st.key(c.close_key);
        else st.click(help->ok_button());
        st.step(3);
        EXPECT_EQ(st.games_started() - started, 1u);
        EXPECT_EQ(st.ss().top_screen(), m);
        EXPECT_EQ(st.player().show_help(), c.help_after);
        st.close_all();
    }
}

TEST(CampaignMap, OnlyTheExactHolderNameShowsTheRecordImage) {
    MapStage st;
    st.campaign_at(1, {1, 0});
    const std::pair<const char*, const char*> holders[] = {
        {"camp1-1", "ana"}, {"camp1-2", "Ana"}, {"camp2-1", "ANA"}, {"camp2-2", "Ana "}};
    for (const auto& [id, holder] : holders) {
        core::StatisticsRecord& r = st.session().sub_level_statistics(id);
        r.set_holder(holder);
        r.update_time(1.0f);
    }
    gui::CampaignScreen* m = st.open();
    EXPECT_EQ(sub_flags(*m, sub_record), "01 00 00 00");
}

TEST(CampaignMap, ProfilesPastTheLevelsAndNoLevelsDrawAndClickSafely) {
    struct Case {
        const char* name;
        bool no_levels;
        unsigned mode;
        LevelPosition at;
        unsigned highest;
        bool resume;
        LevelPosition selection;
    };
    const std::vector<Case> cases{
        {"position past the levels, resuming", false, 0, {9, 5}, 9, true, {3, 1}},
        {"highest level past the levels", false, 0, {1, 0}, 40, false, {3, 0}},
        {"sub-level past its level, single mode", false, 1, {1, 7}, 0, false, {1, 1}},
        {"huge level index", false, 1, {0xFFFFFFFFu, 0xFFFFFFFFu}, 0, false, {3, 1}},
        {"no levels", true, 0, {2, 1}, 2, false, {0, 0}},
        {"no levels, resuming", true, 0, {2, 1}, 2, true, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MapStage st(c.no_levels ? std::map<std::string, std::string>{{"levels/@dir", "data/levels-none"}}
                                : kCampaignLevels);
        st.campaign_at(c.highest, c.at, c.mode);
        gui::CampaignScreen* m = st.open(false, c.resume);
        EXPECT_EQ(m->level_buttons().size(), c.no_levels ? 0u : 4u);
        EXPECT_EQ(m->selection(), c.selection);
        // Every button clicked, drawn between.
        Vant::WidgetManager* wm = st.app->mWidgetManager.get();
        Vant::MemoryImage picture;
        picture.Create(800, 600);
        Vant::Image* old = wm->mImage;
        wm->mImage = &picture;
        for (std::size_t i = 0; i < m->level_buttons().size() && st.top_is<gui::CampaignScreen>(); ++i) {
            st.click(*m->level_buttons()[i]);
            st.step();
            wm->MarkAllDirty();
            wm->DrawScreen();
            for (const auto& b : m->sub_level_buttons()[i]) {
                if (!st.top_is<gui::CampaignScreen>()) break;
                st.click(*b);
                st.step();
            }
        }
        wm->MarkAllDirty();
        wm->DrawScreen();
        wm->mImage = old;
        if (c.no_levels) {
            st.click(m->start_button());
            st.step(2);
            EXPECT_EQ(st.ss().top_screen(), m);  // nothing to start
        }
    }
}

TEST(CampaignMap, OpenAllLevelsSwitchMovesThePositionButWritesNoPlayTimes) {
    MapStage st(with(kCampaignLevels, "debug/@open_all_levels", "true"));
    st.campaign_at(0, {0, 0});
    const auto before = st.session().impl().sub_level_statistics;
    gui::CampaignScreen* m = st.open();
    EXPECT_EQ(st.player().position(), LevelPosition(3, 0));
    EXPECT_EQ(m->selection(), LevelPosition(3, 0));
    const auto& after = st.session().impl().sub_level_statistics;
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [key, record] : after) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(before.count(key));
        EXPECT_EQ(record.is_set(), before.at(key).is_set());
        EXPECT_EQ(record.time_expend().value, before.at(key).time_expend().value);
    }
    EXPECT_TRUE(st.player().all_sub_level_statistics().empty());
}

TEST(CampaignMap, PictureOfOpenClosedSelectedAndRecordButtonsWithATooltip) {
    MapStage st;
    st.campaign_at(2, {2, 0});
    core::StatisticsRecord& r = st.session().sub_level_statistics("camp1-2");
    r.set_holder("Ana");
    r.update_time(1.0f);
    gui::CampaignScreen* m = st.open();
    // The pointer rests on sub-level 1-1 until its tooltip shows.
    const orvek::ostrel::Point p = m->sub_level_buttons()[1][0]->screen_position();
    const auto at = static_cast<std::int32_t>(plat::MakePointParam(p.x + 10, p.y + 10));
    st.ss().post_message(plat::msg::kMouseMove, 0, at);
    st.ss().post_message(plat::msg::kMouseHover, 0, at);
    st.step(3);

    guitest::compare_with_kept(st.picture(), "campaign_map.png", true);
}

}  // namespace
