#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/Levels.h"
#include "support/TestSupport.h"
#include "orvek/Log.h"
#include "orvek/config/ConfigRegistry.h"

using namespace orvek::trelm::core;
using testsupport::read_file;
using testsupport::TempDir;
using testsupport::write_file;
namespace fs = std::filesystem;

namespace {

// A private copy of the test level folder, with the graphics folder pointed
// at its GraphicsSettings, so that single files can be broken or removed.
class LevelFolder : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path() / "levels";
        fs::copy(ZELKOR_TEST_DATA_DIR "/levels", root, fs::copy_options::recursive);
        use_graphics_folder((root / "GraphicsSettings").string());
    }

    static void use_graphics_folder(const std::string& folder) {
        auto& config = orvek::ostrel::ConfigRegistry::instance();
        config.set_string("levels/@sublevels_graphics_settings_dir", folder);
        config.update_values();
    }

    std::string path(const std::string& relative) const { return (root / relative).string(); }

    void replace(const std::string& relative, const std::string& from, const std::string& to) {
        std::string text = read_file(root / relative);
        auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        write_file(root / relative, text);
    }

    static void expect_error(const std::function<void()>& body, const std::string& message) {
        try {
            body();
            ADD_FAILURE() << "no error, expected: " << message;
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }

    TempDir dir;
    fs::path root;
};

}  // namespace

TEST_F(LevelFolder, LoadsLevelsInSortedFolderOrder) {
    Levels levels(root.string());
    // "arbor" before "Dune": names compare upper-cased; GraphicsSettings and
    // README.txt are not levels.
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels.get(0).id(), "arbor");
    EXPECT_EQ(levels.get(1).id(), "dune");
    ASSERT_EQ(levels.get(0).size(), 2u);
    EXPECT_EQ(levels.get(0).get(0).id(), "arbor-1");
    EXPECT_EQ(levels.get(0).get(1).id(), "arbor-2");
    // sub-level3-file after the missing sub-level2-file is never read.
    ASSERT_EQ(levels.get(1).size(), 2u);
    EXPECT_EQ(levels.get(1).get(0).id(), "dune-1");
    EXPECT_EQ(levels.get(1).get(1).id(), "dune-2");
}

TEST_F(LevelFolder, OrderDoesNotDependOnCreationOrder) {
    TempDir other;
    const std::vector<std::string> created = {"zeta", "Mid", "alpha", "Beta", "mid2", "_x"};
    for (const auto& name : created) {
        fs::create_directory(other.path() / name);
        write_file(other.path() / name / "level_description.xml",
                   "<l><level id=\"" + name + "\"><sub-levels sub-level0-file=\"\"/></level></l>");
    }
    fs::create_directory(other.path() / "no_description");
    Levels levels(other.str());
    std::vector<std::string> ids;
    for (unsigned i = 0; i < levels.size(); ++i) {
        ids.push_back(levels.get(i).id());
        EXPECT_EQ(levels.get(i).size(), 0u);  // kept without sub-levels
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"alpha", "Beta", "Mid", "mid2", "zeta", "_x"}));
}

TEST_F(LevelFolder, MissingOrEmptyFolderGivesNoLevels) {
    EXPECT_EQ(Levels(path("nowhere")).size(), 0u);
    TempDir empty;
    EXPECT_EQ(Levels(empty.str()).size(), 0u);
}

TEST_F(LevelFolder, ReadsSubLevelSettings) {
    Levels levels(root.string());
    const SubLevelSettings& s = levels.get(0).get(0).settings();
    EXPECT_EQ(s.storage(), 5);
    EXPECT_FLOAT_EQ(s.num_balls_for_bonus().first, 20.0f);
    EXPECT_FLOAT_EQ(s.num_balls_for_bonus().second, 30.5f);
    EXPECT_FLOAT_EQ(s.num_balls_for_coin().first, 10.0f);
    EXPECT_FLOAT_EQ(s.num_balls_for_coin().second, 15.0f);
    EXPECT_EQ(s.num_coins_for_life(), 3);
    EXPECT_EQ(s.num_balls_for_complete_level(), 120);
    EXPECT_FLOAT_EQ(s.time_block_shoot(), 0.25f);

    ASSERT_EQ(s.colors_count(), 4u);
    std::uint32_t colors[8] = {};
    EXPECT_EQ(s.colors(colors, 8), 4u);
    EXPECT_EQ(std::vector<std::uint32_t>(colors, colors + 4), (std::vector<std::uint32_t>{1, 2, 3, 9}));
    std::uint32_t two[2] = {};
    EXPECT_EQ(s.colors(two, 2), 2u);
    EXPECT_EQ(two[1], 2u);

    // Table order, values above 0 only; "banana" is not a bonus word.
    ASSERT_EQ(s.bonus_probabilities_count(), 2u);
    SubLevelSettings::BonusProbability p[4];
    EXPECT_EQ(s.bonus_probabilities(p, 4), 2u);
    EXPECT_EQ(p[0].first, 1u);
    EXPECT_FLOAT_EQ(p[0].second, 2.0f);
    EXPECT_EQ(p[1].first, 5u);
    EXPECT_FLOAT_EQ(p[1].second, 0.5f);

    EXPECT_EQ(s.contour_settings(), orvek::trelm::logic::Float3(1.5f, 2.0f, 3.0f));

    ASSERT_EQ(s.ways_count(), 2u);
    const auto& w = s.way_settings(0);
    EXPECT_EQ(w.sequences_size, 12);
    EXPECT_EQ(w.sequences_uniformity, 3);
    EXPECT_FLOAT_EQ(w.sequences_dtime, 4.5f);
    EXPECT_FLOAT_EQ(w.bonus_increment_for_seqs, 0.1f);
    EXPECT_FLOAT_EQ(w.path_roll_out, 300.0f);
    EXPECT_FLOAT_EQ(w.path_for_next_sequence, 150.0f);
    using orvek::trelm::logic::Float3;
    EXPECT_EQ(w.speed_roll_out, Float3(100, 200, 50));
    EXPECT_EQ(w.speed_roll_in, Float3(60, 120, 30));
    EXPECT_EQ(w.speed_forward, Float3(40, 80, 10));
    EXPECT_EQ(w.speed_backward, Float3(-40, 80, -10));
    EXPECT_EQ(w.speed_go_back, Float3(-90, 180, -20));
    EXPECT_EQ(w.speed_bonus_slowing, Float3(20, 20, 0));
    EXPECT_EQ(w.speed_bonus_go_back, Float3(-50, 100, -5));
    EXPECT_EQ(w.speed_zelkor_region, Float3(30, 60, 6));
    EXPECT_FLOAT_EQ(w.roll_out_braking, 0.8f);
    const auto& w1 = s.way_settings(1);
    EXPECT_EQ(w1.sequences_size, 8);
    EXPECT_EQ(w1.speed_forward, Float3(45, 90, 11));
    EXPECT_EQ(w1.speed_roll_out, Float3());
    EXPECT_EQ(w1.path_roll_out, 0.0f);

    const SubLevelSettings& a2 = levels.get(0).get(1).settings();
    ASSERT_EQ(a2.colors_count(), 2u);  // "red_green"
    // num_ways 5 but only way0 described: the count is capped.
    EXPECT_EQ(a2.ways_count(), 1u);
    EXPECT_EQ(a2.way_settings(0).sequences_size, 10);

    // A sub-level without a settings element has every default.
    const SubLevelSettings& d2 = levels.get(1).get(1).settings();
    EXPECT_EQ(d2.storage(), 0);
    EXPECT_EQ(d2.colors_count(), 0u);
    EXPECT_EQ(d2.bonus_probabilities_count(), 0u);
    EXPECT_EQ(d2.ways_count(), 0u);
    EXPECT_EQ(d2.contour_settings(), Float3());
}

TEST_F(LevelFolder, ReadsSubLevelGraphics) {
    Levels levels(root.string());
    const SubLevelGraphics& g = levels.get(0).get(0).graphics();
    ASSERT_EQ(g.frame_sprites_count(), 2u);
    EXPECT_EQ(g.frame_sprite(0).id(), "wood_top");
    EXPECT_EQ(g.frame_sprite(1).y(), 580);
    EXPECT_EQ(g.frame_sprite(1).level(), 10);

    // sprite0, sprite1, sprite3: the list ends at the missing sprite2.
    ASSERT_EQ(g.sprites_count(), 2u);
    EXPECT_EQ(g.sprite(0).id(), "tree");
    EXPECT_EQ(g.sprite(0).x(), 10);
    EXPECT_EQ(g.sprite(0).y(), 20);
    EXPECT_EQ(g.sprite(0).level(), 3);
    EXPECT_EQ(g.sprite(1).id(), "rock");
    EXPECT_EQ(g.sprite(1).x(), 0);  // "10;20;30" is not a position
    EXPECT_EQ(g.sprite(1).y(), 0);
    EXPECT_EQ(g.sprite(1).level(), -1);

    ASSERT_EQ(g.animated_sprites_count(), 2u);
    const AnimatedSprite& bird = g.animated_sprite(0);
    EXPECT_EQ(bird.id, "bird");
    EXPECT_FLOAT_EQ(bird.x, 12.5f);
    EXPECT_FLOAT_EQ(bird.y, 40.25f);
    EXPECT_EQ(bird.level, 7);
    EXPECT_FLOAT_EQ(bird.angle, 1.5f);
    EXPECT_FLOAT_EQ(bird.play_time, 2.0f);
    EXPECT_EQ(g.animated_sprite(1).x, 0.0f);  // "12.5" alone
    EXPECT_EQ(g.animated_sprite(1).y, 0.0f);

    // portal1 has an empty first id: the list ends there.
    ASSERT_EQ(g.portals_count(), 1u);
    const PortalDescriptor& portal = g.portal_descriptor(0);
    EXPECT_EQ(portal.first.id, "hole_in");
    EXPECT_FLOAT_EQ(portal.first.x, 100.0f);
    EXPECT_FLOAT_EQ(portal.first.y, 200.0f);
    EXPECT_EQ(portal.first.level, 2);
    EXPECT_FLOAT_EQ(portal.first.angle, 0.5f);
    EXPECT_EQ(portal.second.id, "hole_out");
    EXPECT_FLOAT_EQ(portal.second.y, 400.0f);

    EXPECT_EQ(g.background_image(), "arbor_back");
    EXPECT_FLOAT_EQ(g.desktop_lx(), 800.0f);
    EXPECT_FLOAT_EQ(g.desktop_ly(), 600.0f);
    EXPECT_EQ(g.way_file(), "arbor_1.way");
    EXPECT_EQ(g.contour_file(), "arbor_1.contour");
    EXPECT_FLOAT_EQ(g.platform_position_y(), 550.0f);
    EXPECT_FLOAT_EQ(g.platform_limit_left(), 40.0f);
    EXPECT_FLOAT_EQ(g.platform_limit_right(), 760.0f);

    // Only the frame file is mandatory; one frame file gives one frame list.
    const SubLevelGraphics& bare = levels.get(1).get(1).graphics();
    EXPECT_EQ(bare.sprites_count(), 0u);
    EXPECT_EQ(bare.animated_sprites_count(), 0u);
    EXPECT_EQ(bare.portals_count(), 0u);
    EXPECT_EQ(bare.background_image(), "");  // not taken from the frame file
    EXPECT_EQ(bare.desktop_lx(), 0.0f);
    const SubLevelGraphics& other = levels.get(0).get(1).graphics();
    ASSERT_EQ(bare.frame_sprites_count(), other.frame_sprites_count());
    for (unsigned i = 0; i < bare.frame_sprites_count(); ++i) {
        EXPECT_EQ(bare.frame_sprite(i).id(), other.frame_sprite(i).id());
        EXPECT_EQ(bare.frame_sprite(i).x(), other.frame_sprite(i).x());
        EXPECT_EQ(bare.frame_sprite(i).y(), other.frame_sprite(i).y());
        EXPECT_EQ(bare.frame_sprite(i).level(), other.frame_sprite(i).level());
    }
    const SubLevelGraphics& sand = levels.get(1).get(0).graphics();
    ASSERT_EQ(sand.frame_sprites_count(), 1u);
    EXPECT_EQ(sand.frame_sprite(0).id(), "sand_edge");
    EXPECT_EQ(sand.sprite(0).x(), 5);  // " 5 ; 6 "
    EXPECT_EQ(sand.sprite(0).y(), 6);
}

TEST_F(LevelFolder, LookupsCompareIdentifiers) {
    Levels levels(root.string());
    LevelDescriptor copy = levels.get(1);
    EXPECT_EQ(levels.index_of(copy), 1u);
    EXPECT_EQ(levels.index_of(LevelDescriptor()), levels.size());

    SubLevelDescriptor dune2 = levels.sub_level_descriptor("dune-2");
    EXPECT_EQ(&levels.sub_level_descriptor("dune-2"), &levels.get(1).get(1));
    EXPECT_EQ(&levels.level_descriptor(dune2), &levels.get(1));
    EXPECT_EQ(levels.get(1).index_of(dune2), 1u);
    EXPECT_EQ(levels.get(0).index_of(dune2), 2u);

    // Copies are deep: changing the copy's contents leaves the original.
    LevelDescriptor deep = levels.get(0);
    deep = LevelDescriptor();
    EXPECT_EQ(levels.get(0).size(), 2u);
}

TEST_F(LevelFolder, DuplicatedSubLevelIdFindsTheFirstLevel) {
    replace("Dune/stages/dune_1.xml", "id=\"dune-1\"", "id=\"arbor-2\"");
    Levels levels(root.string());
    EXPECT_EQ(&levels.level_descriptor(levels.get(1).get(0)), &levels.get(0));
    EXPECT_EQ(&levels.sub_level_descriptor("arbor-2"), &levels.get(0).get(1));
}

TEST_F(LevelFolder, IndexAndLookupErrors) {
    Levels levels(root.string());
    const SubLevelGraphics& g = levels.get(0).get(0).graphics();
    SubLevelDescriptor unknown;
    struct Case {
        std::function<void()> call;
        std::string message;
    } cases[] = {
        {[&] { levels.get(2); }, "Attempt to take non-existent level"},
        {[&] { levels.get(0).get(2); }, "Attempt to take non-existent sub-level"},
        {[&] { levels.sub_level_descriptor("Dune-1"); }, "Attempt to take non-existent sub-level"},
        {[&] { levels.level_descriptor(unknown); }, "Attempt to take non-existent level"},
        {[&] { g.frame_sprite(2); }, "Attempt to take non-existent frame sprite"},
        {[&] { g.sprite(2); }, "Attempt to take non-existent sprite"},
        {[&] { g.animated_sprite(2); }, "Attempt to take non-existent animated_sprite"},
        {[&] { g.portal_descriptor(1); }, "Attempt to take non-existent portal"},
        {[&] { string_to_color("Red"); }, "Invalid color 'Red'"},
        {[&] { string_to_bonus_type("bombs"); }, "Invalid bonus_type 'bombs'"},
    };
    for (const auto& c : cases) expect_error(c.call, c.message);
    EXPECT_EQ(string_to_bonus_type("sequence_acceleration"), 15u);
    EXPECT_EQ(string_to_color("wild"), 9u);
}

TEST_F(LevelFolder, BrokenFilesStopTheLoadNamingTheFile) {
    struct Case {
        std::string file, from, to;  // empty `from`: the file is removed
        std::string message;
    } cases[] = {
        {"arbor/arbor_2.xml", "", "", "Sub-level file " + path("arbor/arbor_2.xml") + " not found"},
        {"GraphicsSettings/arbor_2.gfx.xml", "", "", "Sub-level file " + path("arbor/arbor_2.xml") + " not found"},
        {"GraphicsSettings/frame_sand.xml", "", "", "Sub-level file " + path("Dune/stages/dune_1.xml") + " not found"},
        // A description that is there but broken is not a missing level.
        {"arbor/level_description.xml", "</level>", "</levle>",
         "Level description file " + path("arbor/level_description.xml") + " cannot be read"},
        {"Dune/stages/dune_2.xml", "/>", ">", "Sub-level file " + path("Dune/stages/dune_2.xml") + " not found"},
        {"Dune/stages/dune_1.xml", "yellow", "Yellow", "Invalid color 'Yellow'"},
        {"arbor/arbor_1.xml", "storage=\"5\"", "storage=\"five\"", "Cannot convert value to Int"},
        {"arbor/arbor_1.xml", "num_ways=\"2\"", "num_ways=\"2.0\"", "Cannot convert value to UInt"},
        {"arbor/arbor_1.xml", "time_block_shoot=\"0.25\"", "time_block_shoot=\"soon\"", "Cannot convert value to float"},
        {"GraphicsSettings/dune_1.gfx.xml", "desktop_lx=\"640\"", "desktop_lx=\"wide\"", "Cannot convert value to float"},
        {"GraphicsSettings/arbor_1.gfx.xml", "level=\"3\"", "level=\"top\"", "Cannot convert value to Int"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + " " + c.to);
        TempDir copy;
        fs::path saved = root;
        root = copy.path() / "levels";
        fs::copy(saved, root, fs::copy_options::recursive);
        use_graphics_folder((root / "GraphicsSettings").string());
        if (c.from.empty())
            fs::remove(root / c.file);
        else
            replace(c.file, c.from, c.to);
        std::string message = c.message;
        // Paths in the expected texts were built for the first copy.
        for (std::string::size_type at; (at = message.find(saved.string())) != std::string::npos;)
            message.replace(at, saved.string().size(), root.string());
        expect_error([&] { Levels levels(root.string()); }, message);
        root = saved;
    }
}

TEST_F(LevelFolder, MissingGraphicsFileIsLoggedWithItsOwnPath) {
    // The error names the sub-level file; the log tells which file is missing.
    fs::remove(root / "GraphicsSettings/dune_1.gfx.xml");
    expect_error([&] { Levels levels(root.string()); },
                 "Sub-level file " + path("Dune/stages/dune_1.xml") + " not found");
    std::string log = read_file(orvek::log_file_name());
    EXPECT_NE(log.find("[Core.Levels] error: Cannot read graphics settings file " +
                       path("GraphicsSettings/dune_1.gfx.xml")),
              std::string::npos)
        << log;
}

TEST_F(LevelFolder, RepeatedElementKeepsTheLastValuePerAttribute) {
    replace("arbor/level_description.xml", "sub-level1-file=\"arbor_2.xml\"/>",
            "sub-level1-file=\"arbor_2.xml\"/><sub-levels sub-level0-file=\"arbor_2.xml\"/>");
    Levels levels(root.string());
    ASSERT_EQ(levels.get(0).size(), 2u);
    EXPECT_EQ(levels.get(0).get(0).id(), "arbor-2");
    EXPECT_EQ(levels.get(0).get(1).id(), "arbor-2");
}

TEST_F(LevelFolder, HugeWayCountIsCappedAtTheDescribedWays) {
    replace("arbor/arbor_1.xml", "num_ways=\"2\"", "num_ways=\"4000000000\"");
    Levels levels(root.string());
    EXPECT_EQ(levels.get(0).get(0).settings().ways_count(), 2u);
    std::string log = read_file(orvek::log_file_name());
    EXPECT_NE(log.find("[Core.Levels] error: num_ways is 4000000000 but 2 ways (at most 64) are described; "
                       "only those are read in " + path("arbor/arbor_1.xml")),
              std::string::npos)
        << log;
}

TEST_F(LevelFolder, WayCountNeverExceedsTheLimit) {
    std::string ways;
    for (int n = 0; n < 70; ++n) ways += "<way" + std::to_string(n) + "_settings sequences_size=\"1\"/>";
    replace("arbor/arbor_1.xml", "<sequence ", ways + "<sequence ");
    replace("arbor/arbor_1.xml", "num_ways=\"2\"", "num_ways=\"100\"");
    Levels levels(root.string());
    const SubLevelSettings& s = levels.get(0).get(0).settings();
    EXPECT_EQ(s.ways_count(), SubLevelSettings::max_ways);
    EXPECT_EQ(s.way_settings(63).sequences_size, 1);
}

TEST_F(LevelFolder, UndescribedWaysBetweenDescribedOnesStayZero) {
    replace("arbor/arbor_1.xml", "<way1_settings sequences_size=\"8\">", "<way2_settings sequences_size=\"8\">");
    replace("arbor/arbor_1.xml", "</way1_settings>", "</way2_settings>");
    replace("arbor/arbor_1.xml", "num_ways=\"2\"", "num_ways=\"3\"");
    Levels levels(root.string());
    const SubLevelSettings& s = levels.get(0).get(0).settings();
    ASSERT_EQ(s.ways_count(), 3u);
    EXPECT_EQ(s.way_settings(1).sequences_size, 0);
    EXPECT_EQ(s.way_settings(2).sequences_size, 8);
}
