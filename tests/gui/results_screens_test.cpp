// The best-results and credits screens over the main menu on the look
// fixture: the rows of the table, the default entries (or none), clearing after a
// confirmation, and a second Escape in one step that must not reach the
// main menu.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/LevelPosition.h"
#include "core/LevelResult.h"
#include "core/Session.h"
#include "gui/Dialogs.h"
#include "gui/MainMenuScreen.h"
#include "gui/ResultsScreens.h"
#include "orvek/SkinLookup.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Spots.h"
#include "platform/Messages.h"
#include "support/GameStage.h"

namespace {

namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;

struct MenuStage : guitest::MenuStage {
    core::Session& session() { return controller().session(); }
    void add_result(const std::string& name, int score) {
        session().add_best_result(core::ResultEntry(name, std::make_shared<core::ScoreLevelResult>(score, core::LevelPosition(0, 0))));
    }
    gui::BestResultsScreen* open_results() {
        gui::BestResultsScreen* s = controller().best_results_screen();
        ss().push_screen(s);
        step(2);
        return s;
    }
};

using Rows = std::vector<std::pair<std::string, std::string>>;

Rows rows_of(const gui::BestResultsScreen& s) {
    Rows rows;
    for (std::size_t i = 0; i + 1 < s.spots().size(); i += 2) rows.emplace_back(s.spots()[i]->text(), s.spots()[i + 1]->text());
    return rows;
}

TEST(BestResults, ShowsTheFirstTenRowsWhereTheOffsetsPutThem) {
    MenuStage st;
    ASSERT_TRUE(st.top_is<gui::MainMenuScreen>());
    st.add_result("Zero", 0);
    for (int i = 1; i <= 11; ++i) st.add_result("P" + std::to_string(i), i * 100);
    gui::BestResultsScreen* s = st.open_results();
    ASSERT_TRUE(st.top_is<gui::BestResultsScreen>());
    const Rows rows = rows_of(*s);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows.front(), (std::pair<std::string, std::string>{"P11", "1100"}));
    EXPECT_EQ(rows.back(), (std::pair<std::string, std::string>{"P2", "200"}));
    // The fixture's rows step 40 pixels down from (100, 100) and (500, 100).
    for (std::size_t k = 0; k < 10; ++k) {
        EXPECT_EQ(s->spots()[2 * k]->position().x, 100);
        EXPECT_EQ(s->spots()[2 * k]->position().y, 100 + 40 * static_cast<int>(k));
        EXPECT_EQ(s->spots()[2 * k + 1]->position().x, 500);
        EXPECT_EQ(s->spots()[2 * k + 1]->position().y, 100 + 40 * static_cast<int>(k));
    }
    EXPECT_TRUE(s->clear_button().is_enabled());
}

TEST(BestResults, AScoreOfNoughtShowsAsZero) {
    MenuStage st;
    st.add_result("Zero", 0);
    const Rows rows = rows_of(*st.open_results());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"Zero", "0"}));
}

TEST(BestResults, AnEmptyTableShowsTheDefaultsAndClearingAsksFirst) {
    MenuStage st;
    gui::BestResultsScreen* s = st.open_results();
    const Rows defaults{{"Mira", "5000"}, {"Tomo", "2500"}};
    EXPECT_EQ(rows_of(*s), defaults);
    st.add_result("Ann", 9000);

    // Cancelling the confirmation keeps the table.
    st.click(s->clear_button());
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::ConfirmRemoveResultsScreen>());
    st.key(27);
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::BestResultsScreen>());
    EXPECT_EQ(st.session().best_results(10).size(), 3u);
    // The uncovering show rebuilt the rows.
    EXPECT_EQ(rows_of(*s).front(), (std::pair<std::string, std::string>{"Ann", "9000"}));

    st.click(s->clear_button());
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::ConfirmRemoveResultsScreen>());
    st.key(13);
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::BestResultsScreen>());
    // Shown again over an empty table, the screen puts the defaults back.
    EXPECT_EQ(rows_of(*s), defaults);
}

// The look's texts and attributes, less its default best results.
class SkinWithoutDefaults : public orvek::ISkinLookup {
public:
    SkinWithoutDefaults() : skin_(orvek::skin_lookup()) { orvek::set_skin_lookup(this); }
    ~SkinWithoutDefaults() override { orvek::set_skin_lookup(skin_); }
    std::string get_text(const std::string& key) const override { return skin_->get_text(key); }
    std::string get_attribute(const std::string& path, const std::string& name) const override {
        return hidden(path) ? "" : skin_->get_attribute(path, name);
    }
    bool has_attribute(const std::string& path, const std::string& name) const override {
        return !hidden(path) && skin_->has_attribute(path, name);
    }

private:
    static bool hidden(const std::string& path) { return path.rfind("menu/best-results/default/", 0) == 0; }
    orvek::ISkinLookup* skin_;
};

TEST(BestResults, StillEmptyAfterTheDefaultsShowsNoRowsAndCannotClear) {
    MenuStage st;
    ASSERT_NE(orvek::skin_lookup(), nullptr);
    const SkinWithoutDefaults no_defaults;
    gui::BestResultsScreen* s = st.open_results();
    ASSERT_TRUE(st.top_is<gui::BestResultsScreen>());
    EXPECT_TRUE(st.session().best_results(10).empty());
    EXPECT_TRUE(s->spots().empty());
    EXPECT_FALSE(s->clear_button().is_enabled());
    st.click(s->clear_button());
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::BestResultsScreen>());
}

TEST(MenuScreens, TwoEscapesInOneStepCloseOnlyTheTopScreen) {
    MenuStage st;
    st.open_results();
    st.key(27);
    st.key(27);
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    EXPECT_EQ(st.ss().stack().size(), 1u);

    gui::CreditsScreen* credits = st.controller().credits_screen();
    st.ss().push_screen(credits);
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::CreditsScreen>());
    st.key(27);
    st.key(27);
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    EXPECT_EQ(st.ss().stack().size(), 1u);
    EXPECT_FALSE(st.step(3));  // the game goes on

    // The buttons close the screens the same way, once shown again.
    for (int round = 0; round < 2; ++round) {
        st.ss().push_screen(credits);
        st.step(2);
        ASSERT_TRUE(st.top_is<gui::CreditsScreen>());
        st.click(credits->ok_button());
        st.step(2);
        EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    }
    gui::BestResultsScreen* s = st.open_results();
    st.click(s->cancel_button());
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    EXPECT_EQ(st.ss().stack().size(), 1u);
}

}  // namespace

