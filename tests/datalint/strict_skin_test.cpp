// The strict run: the game on the generated tree, under both
// configurations, hears of every name it asks for and does not find while
// it starts, shows and draws every screen with its tooltips, and plays
// every sub-level for 20 s of game time with scripted shots. None may be
// missing: a typo on either side, code or data, shows up here.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <string>

#include "core/CampaignPlayer.h"
#include "core/Levels.h"
#include "core/Profile.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "core/StatisticsRecord.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/CampaignScreen.h"
#include "gui/Dialogs.h"
#include "gui/GameDesktop.h"
#include "gui/GameScreen.h"
#include "gui/HelpScreen.h"
#include "gui/LoadingScreen.h"
#include "gui/MainMenuScreen.h"
#include "gui/OptionsScreen.h"
#include "gui/PlayerScreens.h"
#include "gui/ResultsScreens.h"
#include "gui/StatsScreen.h"
#include "gui/TrophyRoomMedalControl.h"
#include "gui/TrophyScreen.h"
#include "gui/support/GameStage.h"
#include "logic/LegacyRand.h"
#include "orvek/File.h"
#include "logic/Medals.h"
#include "ostrel/gui/Skin.h"
#include "support/DataTree.h"
#include "support/NameTable.h"

namespace fs = std::filesystem;
namespace gui = orvek::trelm::gui;
namespace core = orvek::trelm::core;
namespace logic = orvek::trelm::logic;
using datalint::Config;
using datalint::DataTree;
using orvek::ostrel::Skin;

namespace {

// Every miss the skin reports while the recorder stands.
class Misses {
public:
    Misses() {
        previous_ = Skin::set_miss_recorder([this](const std::string& miss) {
            std::lock_guard<std::mutex> lock(mutex_);
            misses_.insert(miss);
        });
    }
    ~Misses() { Skin::set_miss_recorder(previous_); }
    // The misses, less the optional images when the build holds only the
    // pictures the game cannot run without, and less the dimensions of
    // text buttons, which take theirs from their type.
    std::set<std::string> real() const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::set<std::string> out;
        const datalint::NameTable table;
        Skin::Map skin;
        Skin::read_keys("data/Skin.xml", skin);
        for (const std::string& m : misses_) {
            const std::string image = "image ", dimensions = "/@dimensions";
            if (!datalint::full_picture_set() && m.rfind(image, 0) == 0 && table.optional_image(m.substr(image.size())))
                continue;
            if (m.size() > dimensions.size() && m.compare(m.size() - dimensions.size(), dimensions.size(), dimensions) == 0) {
                const std::string node = m.substr(10, m.size() - 10 - dimensions.size());  // after "attribute "
                if (skin.count(node + "/@text_path")) continue;
            }
            out.insert(m);
        }
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::set<std::string> misses_;
    Skin::MissRecorder previous_;
};

std::string Joined(const std::set<std::string>& s) {
    std::string out;
    for (const std::string& m : s) out += "\n  " + m;
    return out;
}

// The game on the data tree's configuration, standing on its main menu
// with the stored player "Ana" logged in.
struct Stage : guitest::GameStage {
    explicit Stage(Config config)
        : GameStage([config](GameStage& s) {
              if (config == Config::shipped) {
                  fs::create_directories(fs::path(s.config_file()).parent_path());
                  fs::copy_file(fs::path(ZELKOR_BUILD_DIR) / "config" / "Trelm.cfg.xml", s.config_file());
              }
          }) {
        app->init();
        add_player("Ana");
        step(2);
        ss().post_message(256, 'A', 0);  // skips the logos
        for (int i = 0; i < 400 && !top_is<gui::MainMenuScreen>(); ++i) step();
        canvas.Create(800, 600);
    }
    core::Session& session() const { return controller().session(); }
    core::CampaignPlayer& player() const { return *session().profile()->property<core::CampaignPlayer>(); }

    // Shows a screen, draws the whole window once, asks each control under
    // it for its tooltip, and takes it away again.
    template <class T>
    T* show(T* screen, bool modal) {
        if (modal) ss().push_modal_screen(screen);
        else ss().push_screen(screen);
        step(2);
        EXPECT_EQ(ss().top_screen(), screen);
        draw();
        return screen;
    }
    void click(orvek::ostrel::BasicButton& b) {
        const orvek::ostrel::Point p = b.screen_position();
        const auto at = static_cast<std::int32_t>(plat::MakePointParam(p.x + 2, p.y + 2));
        ss().post_message(512, 0, at);
        ss().post_message(513, 1, at);
        ss().post_message(514, 0, at);
    }
    void key(std::uint32_t vk) { ss().post_message(256, vk, 0); }
    void hide(orvek::screens::Screen* screen) {
        if (ss().top_screen() == screen) ss().pop_screen();
        step(2);
    }
    void draw() {
        Vant::WidgetManager* wm = app->mWidgetManager.get();
        Vant::Image* old = wm->mImage;
        wm->mImage = &canvas;
        wm->MarkAllDirty();
        wm->DrawScreen();
        wm->mImage = old;
    }

    Vant::MemoryImage canvas;
};

class StrictRun : public ::testing::TestWithParam<Config> {};

TEST_P(StrictRun, EveryScreenFindsEveryName) {
    DataTree tree(GetParam());
    Misses misses;
    {
        Stage st(GetParam());
        ASSERT_TRUE(st.top_is<gui::MainMenuScreen>());
        ASSERT_NE(st.session().profile(), nullptr);
        st.draw();
        auto& c = st.controller();
        st.hide(st.show(c.loading_screen("menu/loading", 0), false));
        st.hide(st.show(c.main_menu_screen(), false));
        st.hide(st.show(c.new_player_screen(true), true));
        st.hide(st.show(c.new_player_screen(false), true));
        st.hide(st.show(c.select_player_screen(), true));
        st.hide(st.show(c.select_game_mode_screen(), true));
        st.hide(st.show(c.confirm_close_game_screen(), true));
        st.hide(st.show(c.confirm_remove_player_screen("Ana"), true));
        st.hide(st.show(c.confirm_remove_results_screen(), true));
        gui::ContinueSavedGameScreen* saved = c.continue_saved_game_screen();
        saved->set_score(1234);
        saved->set_stage(core::LevelPosition(1, 2));
        st.hide(st.show(saved, true));
        st.hide(st.show(c.game_break_screen(), true));
        st.hide(st.show(c.game_pause_screen(), true));
        st.hide(st.show(c.lose_life_screen(), true));
        st.hide(st.show(c.mission_failed_screen(), true));
        st.hide(st.show(c.best_results_screen(), false));
        st.hide(st.show(c.credits_screen(), true));
        st.hide(st.show(c.options_screen(), true));
        st.hide(st.show(c.help_screen(), true));
        for (bool overall : {false, true}) {
            gui::StatsScreen* stats = c.stats_screen();
            stats->set_header(overall, core::LevelPosition(0, 1));
            stats->fill_table(overall, core::StatisticsRecord(), core::StatisticsRecord());
            st.hide(st.show(stats, true));
        }
        // The map with every level open, each sub-level's tooltip shown.
        st.player().set_game_mode(1);
        gui::CampaignScreen* map = st.show(c.campaign_screen(false, false), false);
        for (const auto& level : map->sub_level_buttons())
            for (const auto& b : level)
                if (b) b->tooltip();
        st.hide(map);
        // The trophy room with a medal earned, every medal's tooltip both ways.
        st.player().add_medal(logic::MedalAward(3, 1));
        gui::TrophyScreen* trophies = st.show(c.trophy_screen(), false);
        for (const auto& medal : trophies->medals()) {
            medal->tooltip();
            gui::medal_tooltip_text(st.session(), medal->medal(), true);
            gui::medal_tooltip_text(st.session(), medal->medal(), false);
        }
        st.hide(trophies);
        EXPECT_TRUE(st.top_is<gui::MainMenuScreen>());
    }
    const std::set<std::string> missing = misses.real();
    EXPECT_TRUE(missing.empty()) << datalint::name_of(GetParam()) << " misses:" << Joined(missing);
}

// Every sub-level of the levels folder on the game screen for 20 s of game
// time, a shot every half second across the field, the dialogs of play
// answered, the window drawn every two seconds.
TEST_P(StrictRun, EverySubLevelPlaysFindingEveryName) {
    DataTree tree(GetParam());
    Misses misses;
    {
        Stage st(GetParam());
        ASSERT_TRUE(st.top_is<gui::MainMenuScreen>());
        ASSERT_NE(st.session().profile(), nullptr);
        const core::Levels& levels = st.session().levels();
        ASSERT_EQ(levels.size(), 3u);
        auto at = [](int x, int y) { return static_cast<std::int32_t>(plat::MakePointParam(x, y)); };
        int played = 0, points = 0;
        for (unsigned l = 0; l < levels.size(); ++l) {
            for (unsigned s = 0; s < levels.get(l).size(); ++s) {
                SCOPED_TRACE(levels.get(l).get(s).id());
                st.player().set_position(core::LevelPosition(l, s));
                logic::seed_random(100 + 10 * l + s);
                gui::GameScreen* game = st.controller().game_screen();
                st.ss().push_screen(game);
                st.step();
                ASSERT_TRUE(game->started());
                gui::GameDesktop& desktop = game->desktop();
                for (int steps = 0; desktop.game().time() < 20.0f && steps < 2000 && st.ss().contains(game); ++steps) {
                    if (st.ss().top_screen() == game) {
                        if (steps % 15 == 7) {
                            const int x = 100 + (steps * 37) % 600;
                            st.ss().post_message(512, 0, at(x, 450));
                            st.ss().post_message(513, 1, at(x, 450));
                            st.ss().post_message(514, 0, at(x, 450));
                        }
                    } else if (auto* dialog = dynamic_cast<gui::GameDialog*>(st.ss().top_screen())) {
                        // A lost life or a failed mission: play on.
                        for (const char* answer : {"/continue", "/restart"})
                            if (orvek::ostrel::BasicButton* b = dialog->button(answer)) st.click(*b);
                    } else {
                        st.key(13);
                    }
                    st.step();
                    if (steps % 60 == 0) st.draw();
                }
                EXPECT_TRUE(desktop.game().time() >= 20.0f || !st.ss().contains(game)) << desktop.game().time();
                points += int(desktop.run_score());
                while (!st.top_is<gui::MainMenuScreen>() && st.ss().top_screen()) {
                    st.ss().pop_screen();
                    st.step();
                }
                st.controller().destroy_game_screen();
                st.step();
                fs::remove(st.session().autosave_path());
                ++played;
            }
        }
        EXPECT_EQ(played, 9);
        EXPECT_GT(points, 0) << "the shots never scored";
        // A sound node the skin lacks is silence, not a miss: the sounds of
        // shots and runs must have been heard, each from a file there is.
        std::set<std::string> heard;
        for (const std::string& name : st.app->sounds().asked) {
            const std::string stem = name.substr(0, name.rfind('.'));
            EXPECT_TRUE(orvek::file_exists(orvek::resolve_path(stem + ".ogg"))) << name;
            heard.insert(stem.substr(stem.find_last_of("/\\") + 1));
        }
        for (const char* sound : {"shoot", "ball_consuming", "sequence_roll"})
            EXPECT_TRUE(heard.count(sound)) << sound << " never heard";
    }
    const std::set<std::string> missing = misses.real();
    EXPECT_TRUE(missing.empty()) << datalint::name_of(GetParam()) << " misses:" << Joined(missing);
    // A sound the game could not find would have left a silent one behind.
    for (const auto& e : fs::recursive_directory_iterator(tree.root() / "data"))
        EXPECT_NE(e.path().extension(), ".wav") << e.path();
}

INSTANTIATE_TEST_SUITE_P(Configs, StrictRun, ::testing::Values(Config::shipped, Config::defaults),
                         [](const auto& info) { return info.param == Config::shipped ? "shipped" : "defaults"; });

}  // namespace
