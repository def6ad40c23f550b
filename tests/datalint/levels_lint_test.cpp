// The level part of the data lint: the generated levels, ways, records and
// configuration, read with the game's own loaders, keep the rules that make
// a sub-level playable. Runs once with the shipped settings and once with
// the program's defaults.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/Levels.h"
#include "core/SubLevelDescriptor.h"
#include "core/SubLevelGraphics.h"
#include "core/SubLevelSettings.h"
#include "logic/Way.h"
#include "orvek/config/ConfigRegistry.h"
#include "orvek/config/XmlAttributes.h"
#include "support/DataTree.h"
#include "tools/waypack/WayText.h"

namespace fs = std::filesystem;
using datalint::Config;
using datalint::DataTree;
using namespace orvek::trelm;

namespace {

constexpr float kScale = 0.78125f;
constexpr float kFriction = 130.0f;
// The background's size in window pixels (drawn at (14, 10) inside the frame).
constexpr float kBackgroundWidth = 772.0f;
constexpr float kBackgroundHeight = 580.0f;

class LevelsLint : public ::testing::TestWithParam<Config> {};

std::vector<std::string> xml_files(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".xml") out.push_back(e.path().string());
    return out;
}

// Whether text is `count` decimal numbers joined by ";" and nothing else;
// integers only when `integers`.
bool number_list(const std::string& text, int count, bool integers) {
    std::size_t i = 0;
    for (int n = 0; n < count; ++n) {
        if (n > 0 && (i >= text.size() || text[i++] != ';')) return false;
        if (i < text.size() && text[i] == '-') ++i;
        const std::size_t digits = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        if (i == digits) return false;
        if (!integers && i < text.size() && text[i] == '.') {
            const std::size_t fraction = ++i;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
            if (i == fraction) return false;
        }
    }
    return i == text.size();
}

// Level files separate numbers with ";" only: a blank would silently read
// as a shorter list.
TEST_P(LevelsLint, NumberListsUseSemicolons) {
    DataTree tree(GetParam());
    EXPECT_FALSE(number_list("10 20", 2, true));
    EXPECT_FALSE(number_list("0;40;300;", 3, false));
    int positions = 0, triples = 0;
    for (const auto& file : xml_files("data/levels-xml")) {
        orvek::ostrel::XmlAttributes map;
        ASSERT_TRUE(map.load(file.c_str())) << file << ": " << map.error_text;
        for (const auto& [key, value] : map.attributes) {
            const std::string name = key.substr(key.rfind('@') + 1);
            if (name == "position") {
                EXPECT_TRUE(number_list(value, 2, true)) << file << " " << key << "=" << value;
                ++positions;
            } else if (name.rfind("speed", 0) == 0) {
                EXPECT_TRUE(number_list(value, 3, false)) << file << " " << key << "=" << value;
                ++triples;
            }
        }
    }
    EXPECT_GT(positions, 0);
    EXPECT_GT(triples, 0);
}

void check_way(const std::string& where, const logic::WayGeometry& g) {
    ASSERT_GE(g.points.size(), 2u) << where;
    for (std::size_t i = 0; i + 1 < g.points.size(); ++i) {
        const float len = std::hypot(g.points[i + 1].x - g.points[i].x, g.points[i + 1].y - g.points[i].y);
        EXPECT_GE(len, 1.0f) << where << ": segment " << i;
    }
    const int last = int(g.points.size()) - 1;
    const auto& start = g.marks[logic::WayGeometry::start_mark];
    const auto& finish = g.marks[logic::WayGeometry::finish_mark];
    EXPECT_TRUE(g.has_mark(logic::WayGeometry::start_mark)) << where;
    EXPECT_TRUE(g.has_mark(logic::WayGeometry::finish_mark)) << where;
    EXPECT_TRUE(g.has_mark(logic::WayGeometry::explosion_mark)) << where;
    EXPECT_LT(start.index, finish.index) << where << ": start mark after the finish mark";
    EXPECT_LT(finish.index, last) << where << ": no run-out after the finish mark";
    EXPECT_EQ(g.points.front().open, 1) << where << ": the entry is closed";
    for (const auto& p : g.points) {
        EXPECT_TRUE(p.x * kScale >= 0 && p.x * kScale <= kBackgroundWidth) << where << ": x " << p.x;
        EXPECT_TRUE(p.y * kScale >= 0 && p.y * kScale <= kBackgroundHeight) << where << ": y " << p.y;
    }
    EXPECT_NO_THROW(logic::Way{g}) << where;
}

void check_acceleration(const std::string& where, const char* key, const logic::Float3& speed) {
    EXPECT_GT(std::fabs(speed.acceleration) * kScale, kFriction)
        << where << ": " << key << " never overcomes friction";
}

TEST_P(LevelsLint, EverySubLevelIsPlayable) {
    DataTree tree(GetParam());
    core::Levels levels("data/levels-xml");
    ASSERT_EQ(levels.size(), 3u);
    std::set<std::string> ids;
    std::set<std::string> named_way_files;
    for (unsigned l = 0; l < levels.size(); ++l) {
        auto& level = levels.get(l);
        EXPECT_EQ(level.id(), "level" + std::to_string(l + 1));  // campaign order
        EXPECT_TRUE(ids.insert(level.id()).second) << level.id();
        ASSERT_EQ(level.size(), 3u) << level.id();
        for (unsigned s = 0; s < level.size(); ++s) {
            auto& sub = level.get(s);
            const std::string& id = sub.id();
            EXPECT_TRUE(!id.empty() && ids.insert(id).second) << "id '" << id << "'";
            const auto& settings = sub.settings();
            const auto& graphics = sub.graphics();

            named_way_files.insert(graphics.way_file());
            named_way_files.insert(graphics.contour_file());
            const auto ways = zelkor_tools::load_way_file(false, tree.data_path() + graphics.way_file());
            ASSERT_EQ(ways.size(), settings.ways_count()) << id << ": way count and num_ways differ";
            int max_link = -1;
            for (std::size_t w = 0; w < ways.size(); ++w) {
                check_way(id + " way " + std::to_string(w), ways[w]);
                const auto& pts = ways[w].points;
                for (std::size_t i = 0; i < pts.size(); ++i) {
                    const int link = pts[i].link;
                    max_link = std::max(max_link, link);
                    // A jump leaves at its portal's first end and lands at its second.
                    if (link < 0 || unsigned(link) >= graphics.portals_count() || i + 1 >= pts.size()) continue;
                    const auto& portal = graphics.portal_descriptor(unsigned(link));
                    EXPECT_NEAR(portal.first.x, pts[i].x * kScale, 2.0f) << id << ": link " << link;
                    EXPECT_NEAR(portal.first.y, pts[i].y * kScale, 2.0f) << id << ": link " << link;
                    EXPECT_NEAR(portal.second.x, pts[i + 1].x * kScale, 2.0f) << id << ": link " << link;
                    EXPECT_NEAR(portal.second.y, pts[i + 1].y * kScale, 2.0f) << id << ": link " << link;
                }
                const auto& ws = settings.way_settings(unsigned(w));
                check_acceleration(id, "speed_forward", ws.speed_forward);
                check_acceleration(id, "speed_roll_in", ws.speed_roll_in);
                check_acceleration(id, "speed_roll_out", ws.speed_roll_out);
                EXPECT_GT(ws.sequences_size, 0) << id;
                EXPECT_GT(ws.speed_forward.max_speed, 0.0f) << id;
            }
            EXPECT_LT(max_link, int(graphics.portals_count())) << id << ": a link without its portal pair";
            check_acceleration(id, "contour speed", settings.contour_settings());

            const auto contour = zelkor_tools::load_way_file(true, tree.data_path() + graphics.contour_file());
            ASSERT_EQ(contour.size(), 1u);
            const auto& c = contour[0].points;
            ASSERT_GE(c.size(), 2u);
            EXPECT_EQ(c.front().y, c.back().y) << id << ": contour ends not level";
            EXPECT_GT(c.front().y * kScale, graphics.platform_position_y()) << id << ": contour ends above the platform";
            for (const auto& p : c) EXPECT_EQ(p.open, 1) << id << ": contour point closed";

            std::uint32_t colors[16];
            const unsigned n = settings.colors(colors, 16);
            EXPECT_GE(n, 1u) << id;
            for (unsigned i = 0; i < n; ++i) EXPECT_TRUE(colors[i] >= 1 && colors[i] <= 8) << id << ": colour " << colors[i];

            core::SubLevelSettings::BonusProbability weights[32];
            const unsigned k = settings.bonus_probabilities(weights, 32);
            bool usable = false;
            for (unsigned i = 0; i < k; ++i) {
                EXPECT_NE(weights[i].first, 0u) << id << ": empty_type weight";
                if (weights[i].first >= 1 && weights[i].first <= 14 && weights[i].second > 0) usable = true;
            }
            EXPECT_TRUE(usable) << id << ": no bonus kind 1-14 can be drawn";
            EXPECT_GE(settings.num_coins_for_life(), 1) << id;
            EXPECT_GE(settings.storage(), 1) << id;
            EXPECT_GT(settings.num_balls_for_complete_level(), 0) << id;
            EXPECT_LE(settings.num_balls_for_bonus().first, settings.num_balls_for_bonus().second) << id;
            EXPECT_LE(settings.num_balls_for_coin().first, settings.num_balls_for_coin().second) << id;
            EXPECT_EQ(graphics.desktop_lx(), 800.0f) << id;
            EXPECT_EQ(graphics.desktop_ly(), 600.0f) << id;
            EXPECT_LT(graphics.platform_limit_left(), graphics.platform_limit_right()) << id;
            EXPECT_GE(graphics.frame_sprites_count(), 1u) << id;
        }
    }
    for (const auto& e : fs::directory_iterator("data/ways"))
        EXPECT_TRUE(named_way_files.count("ways/" + e.path().filename().string()))
            << e.path() << " is named by no sub-level";
}

TEST_P(LevelsLint, RecordsCoverEverySubLevelWithEveryValue) {
    DataTree tree(GetParam());
    core::Levels levels("data/levels-xml");
    orvek::ostrel::XmlAttributes records;
    ASSERT_TRUE(records.load("data/records.xml")) << records.error_text;
    static const char* kNames[] = {"chain_num", "combo_num", "indirect_num", "sniper_num",
                                   "coins_num", "words_num", "chain_max",    "combo_max",
                                   "indirect_max", "score",  "lifes_expend", "time_expend"};
    std::set<std::string> elements;
    for (const auto& [key, value] : records.attributes) elements.insert(key.substr(0, key.find('/')));
    unsigned expected = 0;
    for (unsigned l = 0; l < levels.size(); ++l) {
        for (unsigned s = 0; s < levels.get(l).size(); ++s, ++expected) {
            const std::string key = "sub_level_" + std::to_string(l) + "_" + std::to_string(s);
            EXPECT_TRUE(elements.count(key)) << "records.xml: no " << key;
            const auto name = records.attributes.find(key + "/@name");
            EXPECT_TRUE(name != records.attributes.end() && !name->second.empty()) << key << "/@name";
            for (const char* attr : kNames) {
                const auto it = records.attributes.find(key + "/@" + attr);
                ASSERT_TRUE(it != records.attributes.end()) << key << "/@" << attr;
                if (std::string(attr) == "time_expend")
                    EXPECT_GT(float(it->second), 0.0f) << key << "/@" << attr;  // a 0 best is never beaten
                else
                    EXPECT_NO_THROW((void)unsigned(it->second)) << key << "/@" << attr;
            }
        }
    }
    EXPECT_EQ(elements.size(), expected) << "records.xml names sub-levels that do not exist";
}

TEST_P(LevelsLint, ShippedSettingsSwitchTheOverlaysOff) {
    DataTree tree(GetParam());
    auto& registry = orvek::ostrel::ConfigRegistry::instance();
    if (GetParam() == Config::defaults) {
        EXPECT_EQ(tree.data_path(), "Data/");
        return;
    }
    EXPECT_EQ(tree.data_path(), "data/");
    EXPECT_EQ(tree.playlist(), "data/Music/playlist.txt");
    for (const char* key : {"debug/@draw_stats", "debug/@draw_ways", "debug/@draw_medals_stats",
                            "debug/@draw_bonus_name", "debug/@draw_medal_name", "debug/@draw_control_rect"})
        EXPECT_FALSE(registry.get_bool(key, true)) << key;
}

INSTANTIATE_TEST_SUITE_P(Configs, LevelsLint, ::testing::Values(Config::shipped, Config::defaults),
                         [](const auto& info) { return std::string(info.param == Config::shipped ? "Shipped" : "Defaults"); });

}  // namespace
