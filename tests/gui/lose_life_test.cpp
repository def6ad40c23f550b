// The lost-life dialog of the game-action reactions on the real application: a
// game's code 4 pushes the controller's lost-life dialog once, and its
// button counts the life, clears the run counters and takes the dialog off.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/CampaignPlayer.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "gui/Dialogs.h"
#include "gui/GameDesktop.h"
#include "logic/GameAction.h"
#include "support/GameStage.h"

namespace {

namespace gui = orvek::trelm::gui;

TEST(GameDesktopLostLife, CodeFourShowsTheDialogOnceAndItsButtonCountsTheLife) {
    guitest::MenuStage st;
    auto profile = std::make_shared<orvek::trelm::core::Profile>("Lo");
    st.app->profiles().add(profile);
    auto& session = st.controller().session();
    session.set_profile(profile);
    auto& player = gui::campaign_player(session);
    player.medals_stats().increment_counter_a();
    player.medals_stats().increment_counter_c();

    gui::GameDesktop desktop(session, &st.controller(), &st.ss());
    desktop.game_action(orvek::trelm::logic::GameAction(orvek::trelm::logic::action_restart_after_life_lost));
    desktop.game_action(orvek::trelm::logic::GameAction(orvek::trelm::logic::action_restart_after_life_lost));
    st.step(2);
    const auto dialogs = [&] {
        return std::count_if(st.ss().stack().begin(), st.ss().stack().end(),
                             [](auto* s) { return dynamic_cast<gui::LoseLifeScreen*>(s) != nullptr; });
    };
    EXPECT_TRUE(st.top_is<gui::LoseLifeScreen>());
    EXPECT_EQ(dialogs(), 1);
    EXPECT_EQ(player.statistics().lifes_expend().value, 0u);

    st.key(13);
    st.step(3);
    EXPECT_EQ(dialogs(), 0);
    EXPECT_EQ(player.statistics().lifes_expend().value, 1u);
    EXPECT_EQ(player.medals_stats().counter_a(), 0u);
    EXPECT_EQ(player.medals_stats().counter_c(), 0u);

    // The dialog may come again for the next life.
    desktop.game_action(orvek::trelm::logic::GameAction(orvek::trelm::logic::action_restart_after_life_lost));
    st.step(2);
    EXPECT_EQ(dialogs(), 1);
}

}  // namespace
