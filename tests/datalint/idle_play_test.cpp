// Every sub-level, filled into a game from the generated files the way the
// level builder does it and left alone, must cost its first life neither
// at once nor never, and sooner on later levels.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Levels.h"
#include "core/SubLevelDescriptor.h"
#include "core/SubLevelGraphics.h"
#include "core/SubLevelSettings.h"
#include "logic/Game.h"
#include "logic/GameAction.h"
#include "logic/GameSetup.h"
#include "logic/LegacyRand.h"
#include "logic/Obj.h"
#include "logic/Way.h"
#include "support/DataTree.h"
#include "tools/waypack/WayText.h"

using namespace orvek::trelm;
using datalint::Config;
using datalint::DataTree;

namespace {

constexpr float kScale = 0.78125f;
// The skin's background shift: the background's top-left in the window.
constexpr float kShiftX = 14.0f;
constexpr float kShiftY = 10.0f;

// Fills a game from a sub-level's settings and its way and contour files,
// in the level builder's order, without any scene.
class FileCreator : public logic::GameCreator {
public:
    FileCreator(const core::SubLevelDescriptor& sub, std::string data_path)
        : sub_(sub), data_path_(std::move(data_path)) {}

    bool life_lost = false;

    void create(logic::GameSetup& s) override {
        const auto& st = sub_.settings();
        const auto& gr = sub_.graphics();
        s.set_on_game_action([this](logic::GameAction a) {
            life_lost |= a.type == logic::action_restart_after_life_lost;
        });
        logic::GameParams p;
        p.storage = st.storage();
        p.bonus_balls_min = st.num_balls_for_bonus().first;
        p.bonus_balls_max = st.num_balls_for_bonus().second;
        p.coin_balls_min = st.num_balls_for_coin().first;
        p.coin_balls_max = st.num_balls_for_coin().second;
        p.coins_for_life = st.num_coins_for_life();
        p.time_block_shoot = st.time_block_shoot();
        p.desktop_width = gr.desktop_lx();
        p.desktop_height = gr.desktop_ly();
        s.set_params(p);
        std::vector<std::uint32_t> codes(st.colors_count());
        st.colors(codes.data(), unsigned(codes.size()));
        s.set_ball_colors(std::vector<std::int32_t>(codes.begin(), codes.end()));
        for (unsigned i = st.ways_count(); i-- > 0;) {
            logic::WaySettings w = st.way_settings(i);
            w.scale(kScale);
            s.set_way_settings(i, w);
        }
        logic::Float3 contour_speed = st.contour_settings();
        contour_speed.scale(kScale);
        s.set_contour_speed(contour_speed);
        s.set_mission(std::make_shared<logic::Mission>(st.num_balls_for_complete_level()));
        s.set_platform_line(gr.platform_position_y() + kShiftY, gr.platform_limit_left(), gr.platform_limit_right());
        std::vector<core::SubLevelSettings::BonusProbability> weights(st.bonus_probabilities_count());
        st.bonus_probabilities(weights.data(), unsigned(weights.size()));
        std::vector<std::pair<std::int32_t, float>> pairs;
        for (const auto& [kind, weight] : weights) pairs.emplace_back(std::int32_t(kind), weight);
        s.set_bonus_probabilities(pairs);
        for (auto g : zelkor_tools::load_way_file(false, data_path_ + gr.way_file()))
            s.add_way(std::make_shared<logic::Way>(placed(g)));
        auto contour = zelkor_tools::load_way_file(true, data_path_ + gr.contour_file());
        s.set_contour(std::make_shared<logic::Way>(placed(contour.at(0))));
    }

private:
    static logic::WayGeometry placed(logic::WayGeometry g) {
        g.scale(kScale, kScale);
        g.translate(kShiftX, kShiftY);
        return g;
    }

    const core::SubLevelDescriptor& sub_;
    std::string data_path_;
};

TEST(IdlePlay, EverySubLevelLosesItsFirstLifeInTimeAndFasterLater) {
    DataTree tree(Config::shipped);
    core::Levels levels("data/levels-xml");
    ASSERT_EQ(levels.size(), 3u);
    constexpr float dt = 0.032f;
    std::vector<float> mean(levels.size(), 0.0f);
    for (unsigned l = 0; l < levels.size(); ++l) {
        for (unsigned s = 0; s < levels.get(l).size(); ++s) {
            const auto& sub = levels.get(l).get(s);
            FileCreator creator(sub, tree.data_path());
            logic::Game game;
            logic::seed_random(1000 + 10 * l + s);
            game.start(creator);
            while (!creator.life_lost && game.time() < 300.0f) game.update(dt);
            ASSERT_TRUE(creator.life_lost) << sub.id() << ": no life lost in 300 s";
            EXPECT_GE(game.time(), 20.0f) << sub.id();
            EXPECT_LE(game.time(), 240.0f) << sub.id();
            mean[l] += game.time() / float(levels.get(l).size());
            std::printf("%s: first life lost after %.1f s\n", sub.id().c_str(), double(game.time()));
        }
    }
    for (unsigned l = 1; l < levels.size(); ++l)
        EXPECT_LT(mean[l], mean[l - 1]) << "level " << l + 1 << " is not faster than level " << l;
}

}  // namespace
