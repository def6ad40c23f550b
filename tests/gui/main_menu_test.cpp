// The main menu on the game app: who gets logged in on a show, the greeting,
// where play leads (the campaign map is watched through the menu's opener),
// the continue action's saved stage, the records merge, the debug switches
// and leaving the game.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/CampaignPlayer.h"
#include "core/LevelPosition.h"
#include "core/Profile.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "gui/Dialogs.h"
#include "gui/HelpScreen.h"
#include "gui/MainMenuScreen.h"
#include "gui/OptionsScreen.h"
#include "gui/TrophyScreen.h"
#include "gui/PlayerScreens.h"
#include "gui/ResultsScreens.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/io/Stream.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/WidgetBridges.h"
#include "support/GameStage.h"

namespace {

namespace gui = orvek::trelm::gui;
using orvek::trelm::core::CampaignPlayer;
using orvek::trelm::core::LevelPosition;
using guitest::MenuStage;
using Log = std::vector<std::string>;

constexpr std::uint32_t kEnter = 13, kEscape = 27;

struct Stage : MenuStage {
    Log opened;

    explicit Stage(bool with_player = true) : MenuStage(with_player ? Login::tester : Login::none) {
        if (top_is<gui::MainMenuScreen>()) watch();
    }
    gui::MainMenuScreen& menu() { return *static_cast<gui::MainMenuScreen*>(ss().stack().front()); }
    void watch() {
        menu().set_campaign_opener([this](bool start_at_once, bool resume) {
            opened.push_back(std::string("campaign ") + (start_at_once ? "1" : "0") + (resume ? "1" : "0"));
        });
    }
    orvek::trelm::core::Session& session() { return controller().session(); }
    CampaignPlayer& player() { return *session().profile()->property<CampaignPlayer>(); }
    std::string logged_in() { return session().has_profile() ? session().profile()->name() : "(nobody)"; }
    // Something over the menu, gone again: the menu is shown anew.
    void show_again() {
        ss().push_modal_screen(controller().confirm_remove_results_screen());
        step();
        ss().pop_screen();
        step();
    }
    void make_autosave() {
        const std::filesystem::path path = session().autosave_path();
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "saved";
        ASSERT_TRUE(session().has_autosave());
    }
    template <class T>
    T* top() {
        return dynamic_cast<T*>(ss().top_screen());
    }
};

std::string statistics_bytes(orvek::trelm::core::Session& session) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    session.save_statistics(out);
    return buf.str();
}

std::string player_statistics_bytes(CampaignPlayer& p) {
    std::stringbuf buf;
    orvek::io::OStream out(&buf);
    p.best_statistics().save(out);
    for (unsigned m : {0u, 1u}) p.statistics_of(m).save(out);
    out << static_cast<std::uint32_t>(p.all_sub_level_statistics().size());
    for (const auto& [key, record] : p.all_sub_level_statistics()) record.save(out);
    return buf.str();
}

TEST(MainMenu, LoginOnShow) {
    {
        SCOPED_TRACE("no players: a name is asked for, with no way out");
        Stage st(false);
        st.step();
        auto* np = st.top<gui::NewPlayerScreen>();
        ASSERT_NE(np, nullptr);
        EXPECT_FALSE(np->cancellable());
        EXPECT_FALSE(np->cancel_button().is_visible());
        st.press(kEscape);
        st.step(2);
        EXPECT_EQ(st.ss().top_screen(), np);
    }
    {
        SCOPED_TRACE("the last logged player is stored: logged in");
        Stage st;
        st.step();
        EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
        EXPECT_EQ(st.logged_in(), "Tester");
    }
    {
        SCOPED_TRACE("the last logged player was removed: the list is opened");
        Stage st;
        auto& profiles = st.controller().profiles();
        profiles.add(std::make_shared<orvek::trelm::core::Profile>("Bob"));
        profiles.remove(profiles.index_of("Tester"));
        st.session().log_off();
        st.show_again();
        st.step();
        EXPECT_NE(st.top<gui::SelectPlayerScreen>(), nullptr);
        EXPECT_EQ(st.logged_in(), "(nobody)");
    }
}

TEST(MainMenu, PlayerChosenInADialogIsGreetedWhenItCloses) {
    Stage st(false);
    st.step();
    ASSERT_NE(st.top<gui::NewPlayerScreen>(), nullptr);
    st.type("Ana");
    st.press(kEnter);
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::MainMenuScreen>());
    EXPECT_EQ(st.logged_in(), "Ana");
    const auto& w = st.menu().welcome();
    EXPECT_EQ(w.text(), "Hello, Ana!");
    EXPECT_EQ(w.position().x, (800 - w.text_size().width) / 2);
    EXPECT_EQ(w.position().y, 60);
    orvek::trelm::core::Profiles stored(st.controller().profiles().path());
    EXPECT_TRUE(stored.contains("Ana"));

    // Another player chosen from the list.
    st.controller().profiles().add(std::make_shared<orvek::trelm::core::Profile>("Bob"));
    st.click(st.menu().logoff_button());
    st.step(2);
    auto* list = st.top<gui::SelectPlayerScreen>();
    ASSERT_NE(list, nullptr);
    list->list_box().select_line(1);
    st.press(kEnter);
    st.step(2);
    EXPECT_EQ(st.menu().welcome().text(), "Hello, Bob!");
}

TEST(MainMenu, WherePlayLeads) {
    struct Case {
        const char* what;
        bool single_open;
        int mode_answer;  // clicked in the mode dialog; -1 when none is expected
        LevelPosition position;
        bool autosave;
        std::string expected;  // what opened, or the continue dialog's texts
    };
    const Case cases[] = {
        {"fresh campaign", false, -1, {0, 0}, false, "campaign 00"},
        {"campaign under way", false, -1, {1, 0}, false, "Score 700 / Stage 2-1"},
        {"campaign autosave", false, -1, {0, 0}, true, "Score 900 / Stage 2-1"},
        {"single mode chosen", true, 1, {1, 0}, false, "campaign 00"},
        {"campaign chosen, fresh", true, 0, {0, 0}, false, "campaign 00"},
        {"campaign chosen, under way", true, 0, {1, 0}, false, "Score 700 / Stage 2-1"},
        {"back", true, 2, {1, 0}, false, "nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stage st;
        CampaignPlayer& p = st.player();
        p.set_campaign_completed(c.single_open);
        p.set_position(c.position);
        p.carried_state().points = 700;
        p.resume_score() = 900;
        p.resume_position() = LevelPosition(2, 1);
        if (c.autosave) st.make_autosave();
        st.click(st.menu().play_button());
        st.click(st.menu().play_button());
        st.step(2);
        if (c.mode_answer >= 0) {
            auto* mode = st.top<gui::SelectGameModeScreen>();
            ASSERT_NE(mode, nullptr);
            const char* buttons[] = {"/campaign", "/single", "/back"};
            st.click(*mode->button(buttons[c.mode_answer]));
            st.step(2);
            if (c.mode_answer < 2) {
                EXPECT_EQ(p.game_mode(), static_cast<std::uint32_t>(c.mode_answer));
            }
        }
        std::string got = "nothing";
        if (!st.opened.empty()) got = st.opened.front();
        if (auto* d = st.top<gui::ContinueSavedGameScreen>()) got = d->score_text() + " / " + d->stage_text();
        EXPECT_EQ(got, c.expected);
        EXPECT_LE(st.opened.size(), 1u);
        if (c.expected == "nothing") {
            EXPECT_EQ(st.ss().stack().size(), 1u);
        }
    }
}

TEST(MainMenu, ContinueAction) {
    struct Case {
        const char* what;
        bool autosave;
        const char* button;
        std::string opened;
        LevelPosition position;
    };
    const Case cases[] = {
        {"load with an autosave", true, "/load-saved-game", "campaign 11", {1, 0}},
        {"load without one", false, "/load-saved-game", "campaign 01", {1, 1}},
        {"new game", true, "/start-new-game", "campaign 00", {1, 1}},
        {"cancel", true, "/cancel", "", {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stage st;
        CampaignPlayer& p = st.player();
        p.set_position(LevelPosition(1, 1));
        p.resume_position() = LevelPosition(2, 1);
        if (c.autosave) st.make_autosave();
        st.click(st.menu().play_button());
        st.step(2);
        auto* d = st.top<gui::ContinueSavedGameScreen>();
        ASSERT_NE(d, nullptr);
        st.click(*d->button(c.button));
        st.step(2);
        EXPECT_EQ(st.opened, c.opened.empty() ? Log{} : Log{c.opened});
        EXPECT_EQ(p.position(), c.position);
        EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    }
}

// A damaged or old profile's saved stage must not become a huge position.
TEST(MainMenu, SavedStageIsUsedOnlyWithinTheLevels) {
    Stage probe;
    const unsigned levels = probe.session().levels().size();
    ASSERT_GE(levels, 2u);
    const unsigned last_subs = probe.session().level(levels - 1).size();
    ASSERT_GE(last_subs, 2u);
    struct Case {
        LevelPosition saved;
        LevelPosition expected;
    };
    const LevelPosition start(0, 1);
    const Case cases[] = {
        {{levels, 2}, {levels - 1, 1}},
        {{1, 1}, {0, 0}},
        {{0, 1}, start},
        {{2, 0}, start},
        {{levels + 1, 1}, start},
        {{levels, last_subs + 1}, start},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.saved.to_string());
        Stage st;
        CampaignPlayer& p = st.player();
        p.set_position(start);
        p.resume_position() = c.saved;
        st.make_autosave();
        st.click(st.menu().play_button());
        st.step(2);
        auto* d = st.top<gui::ContinueSavedGameScreen>();
        ASSERT_NE(d, nullptr);
        st.click(*d->button("/load-saved-game"));
        st.step(2);
        EXPECT_EQ(p.position(), c.expected);
        EXPECT_EQ(st.opened, Log{"campaign 11"});
    }
}

TEST(MainMenu, RecordsMergeTwiceIsOnce) {
    Stage st;
    auto& session = st.session();
    const std::string first_id = session.level(0).get(0).id();
    const auto& merged = session.sub_level_statistics(first_id);
    EXPECT_EQ(merged.score().value, 12500u);
    EXPECT_EQ(merged.score().holder, "Ann");
    EXPECT_EQ(session.best_statistics().score().value, 12500u);
    EXPECT_EQ(session.sub_level_statistics(session.level(1).get(1).id()).score().value, 800u);
    const std::string once = statistics_bytes(session);
    st.menu().merge_records();
    EXPECT_EQ(statistics_bytes(session), once);
    // A fresh main menu merges again, to the same.
    st.ss().pop_screen();
    st.ss().push_screen(st.controller().main_menu_screen());
    st.step(2);
    EXPECT_EQ(statistics_bytes(session), once);
}

TEST(MainMenu, DebugSwitchesMoveThePlayerButMarkNoRecords) {
    Stage st;
    CampaignPlayer& p = st.player();
    const std::string session_before = statistics_bytes(st.session());
    const std::string player_before = player_statistics_bytes(p);
    auto& registry = orvek::ostrel::ConfigRegistry::instance();
    registry.set_bool("debug/@open_single_mode", true);
    registry.set_bool("debug/@usual_start", false);
    registry.set_uint("debug/@start_level", 1u);
    registry.set_uint("debug/@start_sublevel", 1u);
    registry.update_values();
    st.show_again();
    EXPECT_TRUE(p.campaign_completed());
    EXPECT_EQ(p.position(), LevelPosition(1, 1));
    EXPECT_EQ(statistics_bytes(st.session()), session_before);
    EXPECT_EQ(player_statistics_bytes(p), player_before);
    registry.set_bool("debug/@open_single_mode", false);
    registry.set_bool("debug/@usual_start", true);
    registry.update_values();
}

TEST(MainMenu, ButtonsActOncePerShowing) {
    Stage st;
    st.click(st.menu().results_button());
    st.click(st.menu().results_button());
    st.step(2);
    EXPECT_EQ(st.ss().stack().size(), 2u);
    EXPECT_NE(st.top<gui::BestResultsScreen>(), nullptr);
}

TEST(MainMenu, HelpOptionsAndTrophyRoomOpenTheirScreensAndGoBack) {
    struct Case {
        const char* name;
        orvek::ostrel::ImagePushButton& (gui::MainMenuScreen::*button)() const;
        bool (*on_top)(Stage&);
    };
    const Case cases[] = {
        {"help", &gui::MainMenuScreen::help_button, [](Stage& s) { return s.top<gui::HelpScreen>() != nullptr; }},
        {"options", &gui::MainMenuScreen::options_button,
         [](Stage& s) { return s.top<gui::OptionsScreen>() != nullptr; }},
        {"trophy room", &gui::MainMenuScreen::trophy_button,
         [](Stage& s) { return s.top<gui::TrophyScreen>() != nullptr; }},
    };
    Stage st;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& b = (st.menu().*c.button)();
        st.click(b);
        st.click(b);
        st.step(2);
        EXPECT_EQ(st.ss().stack().size(), 2u);
        EXPECT_TRUE(c.on_top(st));
        st.key(kEscape);
        st.step(2);
        EXPECT_EQ(st.ss().stack().size(), 1u);
        EXPECT_NE(st.top<gui::MainMenuScreen>(), nullptr);
    }
}

TEST(MainMenu, ExitThenOkEndsTheProgram) {
    Stage st;
    st.click(st.menu().exit_button());
    st.click(st.menu().exit_button());
    st.step(2);
    auto* confirm = st.top<gui::ConfirmCloseGameScreen>();
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(st.ss().stack().size(), 2u);
    st.click(*confirm->button("/ok"));
    bool quit = false;
    for (int i = 0; i < 5 && !quit; ++i) quit = st.step();
    EXPECT_TRUE(quit);
    EXPECT_TRUE(st.ss().empty());
}

}  // namespace
