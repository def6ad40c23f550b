// The player screens on the game app, typed into as the window delivers
// keys: the new-player name rules, the player list with its choices, and
// removal, which must take the player named in the confirmation and no
// other, save the store, and log a removed current player off.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Profile.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "gui/Dialogs.h"
#include "gui/MainMenuScreen.h"
#include "gui/PlayerScreens.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/WidgetBridges.h"
#include "support/GameStage.h"

namespace {

namespace gui = orvek::trelm::gui;
using guitest::MenuStage;
using Names = std::vector<std::string>;

constexpr std::uint32_t kBack = 8, kEnter = 13, kEscape = 27;

Names names_of(const orvek::trelm::core::Profiles& profiles) {
    Names out;
    for (unsigned i = 0; i < profiles.size(); ++i) out.push_back(profiles.get(i)->name());
    return out;
}

Names names_on_disk(const std::string& path) {
    orvek::trelm::core::Profiles stored(path);
    return names_of(stored);
}

std::string logged_in(MenuStage& st) {
    auto& s = st.controller().session();
    return s.has_profile() ? s.profile()->name() : "(nobody)";
}

// The main menu with "Tester" logged in and further stored players; the
// select-player screen opened over it by the log-off button.
struct SelectStage : MenuStage {
    explicit SelectStage(const Names& others = {"Bob", "Cy"}) {
        for (const auto& n : others) controller().profiles().add(std::make_shared<orvek::trelm::core::Profile>(n));
        controller().profiles().save();
        click(main_menu().logoff_button());
        step(2);
    }
    gui::MainMenuScreen& main_menu() { return *static_cast<gui::MainMenuScreen*>(ss().stack().front()); }
    gui::SelectPlayerScreen& list() { return *dynamic_cast<gui::SelectPlayerScreen*>(ss().top_screen()); }
    Names lines() {
        Names out;
        for (const auto& l : list().list_box().mLines) out.push_back(l);
        return out;
    }
    // A double click on a line of the list, where the window has it.
    void double_click_line(int line) {
        int x = 0, y = 0;
        list().list_box().GetScreenPos(&x, &y);
        const int lh = list().list_box().LineHeight();
        widget_click(x + 10, y + 4 + line * lh + lh / 2, 2);
    }
};

TEST(NewPlayer, NameIsCheckedAsItIsTyped) {
    MenuStage st;
    std::vector<std::string> answers;
    gui::NewPlayerScreen* np = st.controller().new_player_screen(true);
    np->set_callback([&](const std::string& name) { answers.push_back(name); });
    st.ss().push_modal_screen(np);
    st.step();
    ASSERT_EQ(st.ss().top_screen(), np);
    EXPECT_FALSE(np->ok_button().is_enabled());

    struct Step {
        const char* what;
        std::string typed;    // typed as characters, or
        std::uint32_t key;    // a key pressed (0: none)
        std::string text;     // the field afterwards
        bool ok;
    };
    const Step steps[] = {
        {"Enter on an empty name", "", kEnter, "", false},
        {"a new name", "Teste", 0, "Teste", true},
        {"the name of a stored player", "r", 0, "Tester", false},
        {"one character deleted", "", kBack, "Teste", true},
        {"names differ by case", "R", 0, "TesteR", true},
        {"a 13th character is refused", "abcdefg", 0, "TesteRabcdef", true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        st.type(s.typed);
        if (s.key) st.press(s.key);
        st.step();
        EXPECT_EQ(np->edit_box().text(), s.text);
        EXPECT_EQ(np->ok_button().is_enabled(), s.ok);
        EXPECT_TRUE(answers.empty());
    }
    // Enter (the field's and the screen's) answers once with the name.
    st.press(kEnter);
    st.step(2);
    EXPECT_EQ(answers, (std::vector<std::string>{"TesteRabcdef"}));
}

TEST(NewPlayer, DeleteKeyCannotSlipAnInvalidNamePast) {
    MenuStage st;
    std::vector<std::string> answers;
    gui::NewPlayerScreen* np = st.controller().new_player_screen(true);
    np->set_callback([&](const std::string& name) { answers.push_back(name); });
    st.ss().push_modal_screen(np);
    st.step();
    st.type("Testerx");
    st.step();
    ASSERT_TRUE(np->ok_button().is_enabled());
    // Delete brings no character: the field changes without the check.
    st.press(36);  // Home
    st.press(46);  // Delete
    for (int i = 0; i < 6; ++i) st.press(46);
    EXPECT_EQ(np->edit_box().text(), "");
    np->on_accept();
    EXPECT_TRUE(answers.empty());
    st.step();
    EXPECT_FALSE(np->ok_button().is_enabled());
}

TEST(NewPlayer, CancellableOrNot) {
    MenuStage st;
    for (bool cancellable : {false, true}) {
        SCOPED_TRACE(cancellable ? "cancellable" : "not cancellable");
        std::vector<std::string> answers;
        gui::NewPlayerScreen* np = st.controller().new_player_screen(cancellable);
        np->set_callback([&](const std::string& name) { answers.push_back("[" + name + "]"); });
        st.ss().push_modal_screen(np);
        st.step();
        EXPECT_EQ(np->cancel_button().is_visible(), cancellable);
        const int ok_x = np->ok_button().position().x;
        if (cancellable)
            EXPECT_EQ(ok_x, 40);  // where the look puts it
        else
            EXPECT_EQ(ok_x, (400 - np->ok_button().size().width) / 2);
        st.press(kEscape);
        st.press(kEscape);
        st.step(2);
        EXPECT_EQ(answers, cancellable ? std::vector<std::string>{"[]"} : std::vector<std::string>{});
        st.ss().pop_screen();
        st.step();
    }
}

TEST(SelectPlayer, ListInStoreOrderWithTheLastLoggedSelected) {
    {
        SelectStage st({"Bob", "Cy"});
        EXPECT_EQ(st.lines(), (Names{"Tester", "Bob", "Cy"}));
        EXPECT_EQ(st.list().selected_line(), 0);
    }
    {
        SelectStage st({"Bob", "Cy"});
        st.ss().pop_screen();
        orvek::ostrel::ConfigRegistry::instance().set_string("profiles/@last_logged", "Cy");
        st.step();
        st.ss().push_modal_screen(st.controller().select_player_screen());
        st.step();
        EXPECT_EQ(st.list().selected_line(), 2);
        // A last logged name the store lacks: the first line.
        st.ss().pop_screen();
        orvek::ostrel::ConfigRegistry::instance().set_string("profiles/@last_logged", "Gone");
        st.step();
        st.ss().push_modal_screen(st.controller().select_player_screen());
        st.step();
        EXPECT_EQ(st.list().selected_line(), 0);
    }
}

TEST(SelectPlayer, DoubleClickOkAndEnterLogIn) {
    for (const char* how : {"double click", "ok", "enter"}) {
        SCOPED_TRACE(how);
        SelectStage st;
        const std::string h = how;
        if (h == "double click") {
            st.double_click_line(2);
        } else {
            st.list().list_box().select_line(2);
            st.step();
            if (h == "ok") {
                st.click(st.list().ok_button());
                st.click(st.list().ok_button());
            } else {
                st.press(kEnter);
                st.press(kEnter);
            }
        }
        st.step(2);
        EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
        EXPECT_EQ(st.ss().stack().size(), 1u);
        EXPECT_EQ(logged_in(st), "Cy");
        EXPECT_EQ(st.main_menu().welcome().text(), "Hello, Cy!");
    }
}

TEST(SelectPlayer, WithoutSelectionOkAndRemoveAreOff) {
    SelectStage st;
    st.list().list_box().SetSelect(-1);
    st.step();
    EXPECT_FALSE(st.list().ok_button().is_enabled());
    EXPECT_FALSE(st.list().remove_player_button().is_enabled());
    st.press(kEnter);
    st.step(2);
    EXPECT_TRUE(st.top_is<gui::SelectPlayerScreen>());
    EXPECT_EQ(logged_in(st), "Tester");
    st.list().list_box().select_line(1);
    st.step();
    EXPECT_TRUE(st.list().ok_button().is_enabled());
    EXPECT_TRUE(st.list().remove_player_button().is_enabled());
}

TEST(SelectPlayer, NewPlayerFromTheList) {
    SelectStage st;
    st.click(st.list().new_player_button());
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::NewPlayerScreen>());
    // Escape: back to the list, nobody added.
    st.type("Zed");
    st.press(kEscape);
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::SelectPlayerScreen>());
    EXPECT_EQ(st.controller().profiles().size(), 3u);
    // A name and Enter: added, logged in, both dialogs gone.
    st.click(st.list().new_player_button());
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::NewPlayerScreen>());
    st.type("Zed");
    st.press(kEnter);
    st.step(3);
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    EXPECT_EQ(names_of(st.controller().profiles()), (Names{"Tester", "Bob", "Cy", "Zed"}));
    EXPECT_EQ(names_on_disk(st.controller().profiles().path()), (Names{"Tester", "Bob", "Cy", "Zed"}));
    EXPECT_EQ(logged_in(st), "Zed");
    EXPECT_EQ(st.main_menu().welcome().text(), "Hello, Zed!");
}

TEST(SelectPlayer, Removal) {
    struct Case {
        const char* what;
        int line;          // the line removed
        int confirmations; // OK clicks in one step
        Names left;
        std::string logged_in;
    };
    const Case cases[] = {
        {"another player", 1, 1, {"Tester", "Cy"}, "Tester"},
        {"the logged-in player", 0, 1, {"Cy", "Bob"}, "(nobody)"},
        // Cy moves into Bob's place: a second removal by index took Cy too.
        {"two confirmations in one step", 1, 2, {"Tester", "Cy"}, "Tester"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SelectStage st;
        st.list().list_box().select_line(c.line);
        st.step();
        const Names before = st.lines();
        st.click(st.list().remove_player_button());
        st.click(st.list().remove_player_button());
        st.step(2);
        auto* confirm = dynamic_cast<gui::ConfirmRemovePlayerScreen*>(st.ss().top_screen());
        ASSERT_NE(confirm, nullptr);
        EXPECT_EQ(confirm->name(), before[static_cast<std::size_t>(c.line)]);
        EXPECT_EQ(st.ss().stack().size(), 3u);  // one dialog for two clicks
        st.click(*confirm->button("/ok"));
        if (c.confirmations == 2) st.press(kEnter);
        st.step(2);
        ASSERT_TRUE(st.top_is<gui::SelectPlayerScreen>());
        EXPECT_EQ(names_of(st.controller().profiles()), c.left);
        EXPECT_EQ(names_on_disk(st.controller().profiles().path()), c.left);
        EXPECT_EQ(logged_in(st), c.logged_in);
        // The list shows the change once the dialog has gone.
        EXPECT_EQ(st.lines(), c.left);
        // A late answer naming the same player finds nobody to remove.
        st.list().remove_player(before[static_cast<std::size_t>(c.line)]);
        EXPECT_EQ(names_of(st.controller().profiles()), c.left);
    }
}

TEST(SelectPlayer, RemovedCurrentPlayerIsAskedForByTheMainMenu) {
    SelectStage st;
    st.list().list_box().select_line(0);
    st.step();
    st.click(st.list().remove_player_button());
    st.step(2);
    st.press(kEnter);
    st.step(2);
    ASSERT_TRUE(st.top_is<gui::SelectPlayerScreen>());
    EXPECT_EQ(logged_in(st), "(nobody)");
    // Escape leaves the list; the main menu, shown again, asks once more.
    st.press(kEscape);
    st.step(3);
    EXPECT_EQ(st.ss().stack().size(), 2u);
    ASSERT_TRUE(st.top_is<gui::SelectPlayerScreen>());
    EXPECT_EQ(st.lines(), (Names{"Cy", "Bob"}));
    st.press(kEnter);
    st.step(3);
    EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    EXPECT_EQ(logged_in(st), "Cy");
}

TEST(SelectGameMode, ButtonsAnswerOnceAndKeysDoNothing) {
    MenuStage st;
    for (const char* suffix : {"/campaign", "/single", "/back", "esc", "enter"}) {
        SCOPED_TRACE(suffix);
        std::vector<int> answers;
        gui::SelectGameModeScreen* mode = st.controller().select_game_mode_screen();
        mode->set_callback([&](int r) { answers.push_back(r); });
        st.ss().push_modal_screen(mode);
        st.step();
        const std::string s = suffix;
        if (s == "esc" || s == "enter") {
            st.press(s == "esc" ? kEscape : kEnter);
        } else {
            st.click(*mode->button(s));
            st.click(*mode->button(s));
        }
        st.step(2);
        const std::vector<int> expected = s == "/campaign" ? std::vector<int>{0}
                                          : s == "/single" ? std::vector<int>{1}
                                          : s == "/back"   ? std::vector<int>{2}
                                                           : std::vector<int>{};
        EXPECT_EQ(answers, expected);
        EXPECT_EQ(st.ss().top_screen(), mode);  // the callback pops it, not the dialog
        st.ss().pop_screen();
        st.step();
    }
}

}  // namespace
