#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/CampaignPlayer.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "core/Session_Impl_.h"
#include "logic/SkinLookup.h"
#include "orvek/config/ConfigRegistry.h"
#include "support/SaveStreams.h"
#include "support/TestSupport.h"

using namespace orvek::trelm::core;
using savetest::MemIn;
using savetest::MemOut;
using testsupport::read_file;
using testsupport::TempDir;
using testsupport::write_file;
namespace fs = std::filesystem;

namespace {

class FakeSkin : public orvek::trelm::logic::ISkinLookup {
public:
    std::map<std::string, std::string> attributes;  // "path/@name" -> text
    std::map<std::string, std::string> texts;
    std::string get_text(const std::string& key) const override {
        auto it = texts.find(key);
        return it == texts.end() ? key : it->second;
    }
    std::string get_attribute(const std::string& path, const std::string& name) const override {
        auto it = attributes.find(path + "/@" + name);
        return it == attributes.end() ? "" : it->second;
    }
    bool has_attribute(const std::string& path, const std::string& name) const override {
        return attributes.count(path + "/@" + name) != 0;
    }
};

// A session on a private copy of the test levels, with its results file,
// autosave folder and profiles file in a scratch folder.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        levels = dir.path() / "levels";
        fs::copy(ZELKOR_TEST_DATA_DIR "/levels", levels, fs::copy_options::recursive);
        auto& config = orvek::ostrel::ConfigRegistry::instance();
        config.set_string("levels/@sublevels_graphics_settings_dir", (levels / "GraphicsSettings").string());
        config.set_string("levels/@dir", levels.string());
        config.set_string("saves/@results-manager-path", dir.file("saves/results.bin"));
        config.set_string("saves/@autosave", dir.file("saves/autosave"));
        config.update_values();
    }

public:
    void replace(const std::string& relative, const std::string& from, const std::string& to) {
        std::string text = read_file(levels / relative);
        auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        write_file(levels / relative, text);
    }

protected:
    TempDir dir;
    fs::path levels;
    std::string profiles_path = dir.file("saves/profiles.dat");
};

}  // namespace

TEST_F(SessionTest, LevelInvariantErrors) {
    struct Case {
        const char* what;
        std::function<void(SessionTest&)> edit;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"sub-levels of two levels share an id",
         [](SessionTest& t) { t.replace("Dune/stages/dune_1.xml", "id=\"dune-1\"", "id=\"arbor-2\""); },
         "Guid arbor-2 duplicated"},
        {"a level shares its own sub-level's id",
         [](SessionTest& t) { t.replace("Dune/level_description.xml", "id=\"dune\"", "id=\"dune-2\""); },
         "Guid dune-2 duplicated"},
        {"a sub-level reuses another level's id",
         [](SessionTest& t) { t.replace("Dune/stages/dune_2.xml", "id=\"dune-2\"", "id=\"arbor\""); },
         "Guid arbor duplicated"},
        {"a level and two sub-levels without ids",
         [](SessionTest& t) {
             t.replace("arbor/level_description.xml", "id=\"arbor\"", "id=\"\"");
             t.replace("arbor/arbor_1.xml", "id=\"arbor-1\"", "id=\"\"");
             t.replace("arbor/arbor_2.xml", "id=\"arbor-2\"", "id=\"\"");
         },
         "Found 3 error(s) during loading level: 0"},
        {"a named level with one sub-level without id",
         [](SessionTest& t) { t.replace("Dune/stages/dune_2.xml", "id=\"dune-2\"", "id=\"\""); },
         "Found 1 error(s) during loading level: dune"},
    };
    for (const Case& c : cases) {
        // A fresh copy of the levels for each case.
        fs::remove_all(levels);
        fs::copy(ZELKOR_TEST_DATA_DIR "/levels", levels, fs::copy_options::recursive);
        c.edit(*this);
        Profiles store(profiles_path);
        try {
            SingleSession session(&store);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.what;
        }
    }
}

TEST_F(SessionTest, ValidLevelsPassTheCheck) {
    Profiles store(profiles_path);
    SingleSession session(&store);
    EXPECT_EQ(session.levels().size(), 2u);
    EXPECT_EQ(session.level(1).id(), "dune");
    EXPECT_EQ(session.profiles(), &store);
    EXPECT_THROW(session.level(2), std::runtime_error);
}

TEST_F(SessionTest, LoggingInAFreshProfileAttachesProgressAndSavesTheStore) {
    Profiles store(profiles_path);
    auto ann = std::make_shared<Profile>("Ann");
    store.add(ann);
    SingleSession session(&store);
    session.add_play_time(3.5f);
    EXPECT_EQ(session.add_play_time(1.0f), 4.5f);

    session.set_profile(ann);
    EXPECT_EQ(session.play_time(), 0.0f);
    EXPECT_EQ(session.profile(), ann);
    EXPECT_EQ(session.last_logged_profile(), "Ann");
    auto progress = ann->property<CampaignPlayer>();
    ASSERT_TRUE(progress);
    ASSERT_TRUE(fs::exists(profiles_path));
    EXPECT_TRUE(Profiles(profiles_path).find("Ann")->has_property<CampaignPlayer>());
    fs::remove(profiles_path);  // Profiles above saved on its way out

    // Progress there: untouched, nothing saved.
    progress->set_position(LevelPosition(1, 1));
    session.set_profile(ann);
    EXPECT_EQ(ann->property<CampaignPlayer>(), progress);
    EXPECT_FALSE(fs::exists(profiles_path));

    // Nobody: the configuration keeps the last name, the play time restarts.
    session.add_play_time(2.0f);
    session.set_profile(nullptr);
    EXPECT_FALSE(session.has_profile());
    EXPECT_EQ(session.play_time(), 0.0f);
    EXPECT_EQ(session.last_logged_profile(), "Ann");
    EXPECT_FALSE(fs::exists(profiles_path));

    session.set_profile(ann);
    session.log_off();
    EXPECT_FALSE(session.profile());
}

TEST_F(SessionTest, AutosavePathFollowsTheSaveIdAndMode) {
    Profiles store(profiles_path);
    SingleSession session(&store);
    EXPECT_FALSE(session.has_autosave());  // nobody logged in: no answer to crash on
    session.remove_autosave();

    auto bo = std::make_shared<Profile>("Bo");
    session.set_profile(bo);
    auto progress = bo->property<CampaignPlayer>();
    const std::string campaign = session.autosave_path();
    EXPECT_EQ(campaign, dir.file("saves/autosave") + "/" + progress->save_id());
    progress->set_game_mode(1);
    EXPECT_EQ(session.autosave_path(), campaign + "S");

    EXPECT_FALSE(session.has_autosave());
    fs::create_directories(dir.file("saves/autosave"));
    write_file(campaign + "S", "saved game");
    EXPECT_TRUE(session.has_autosave());
    session.remove_autosave();
    EXPECT_FALSE(fs::exists(campaign + "S"));
}

TEST_F(SessionTest, BestResultsAndTheirDefaults) {
    Profiles store(profiles_path);
    SingleSession session(&store);
    FakeSkin skin;
    auto* previous = orvek::trelm::logic::set_skin_lookup(&skin);

    // No default in the skin: nothing added, nothing saved.
    session.fill_default_best_results();
    EXPECT_TRUE(session.best_results(10).empty());
    EXPECT_FALSE(fs::exists(dir.file("saves/results.bin")));

    const std::string base = "menu/best-results/default/player";
    skin.attributes[base + "1/@score"] = "300";
    skin.texts[base + "1"] = "Ivo";
    skin.attributes[base + "2/@score"] = "500";
    skin.attributes[base + "4/@score"] = "900";  // after the gap: never read
    session.fill_default_best_results();
    auto list = session.best_results(10);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name(), base + "2");  // no text: the key itself
    EXPECT_EQ(list[1].name(), "Ivo");
    orvek::trelm::logic::set_skin_lookup(previous);

    EXPECT_EQ(session.add_best_result(ResultEntry("Ann", std::make_shared<ScoreLevelResult>(400, LevelPosition()))), 2);
    EXPECT_EQ(session.best_results(1).size(), 1u);
    {
        Profiles other(dir.file("other/profiles.dat"));
        SingleSession reopened(&other);
        EXPECT_EQ(reopened.best_results(10).size(), 3u);
    }
    session.clear_results();
    EXPECT_TRUE(session.best_results(10).empty());
    Profiles other(dir.file("other/profiles.dat"));
    EXPECT_TRUE(SingleSession(&other).best_results(10).empty());
}

TEST_F(SessionTest, StatisticsBlockRoundTripAndShortBlock) {
    Profiles store(profiles_path);
    SingleSession session(&store);
    session.best_statistics().update_chain_max(12);
    session.sub_level_statistics("arbor-1").add_combo();
    session.sub_level_statistics("dune-2").set_holder("Ann");
    MemOut out;
    session.save_statistics(out.os);
    ASSERT_TRUE(out.os.good());
    EXPECT_EQ(out.bytes()[0], '\0');

    SingleSession other(&store);
    other.sub_level_statistics("stale");
    MemIn in(out.bytes());
    EXPECT_TRUE(other.load_statistics(in.is));
    EXPECT_TRUE(in.at_end());
    EXPECT_EQ(other.sub_level_statistics("stale").combo_num().value, 0u);
    EXPECT_EQ(other.best_statistics().chain_max().value, 12u);
    EXPECT_EQ(other.sub_level_statistics("arbor-1").combo_num().value, 1u);
    EXPECT_EQ(other.sub_level_statistics("dune-2").chain_num().holder, "Ann");

    // Cut anywhere: nothing of the file is taken, what the session had stays.
    for (std::size_t size = 0; size < out.bytes().size(); ++size) {
        SingleSession third(&store);
        third.sub_level_statistics("kept").add_combo();
        MemIn short_in(out.bytes().substr(0, size));
        short_in.is.exceptions(0);
        EXPECT_FALSE(third.load_statistics(short_in.is)) << size;
        EXPECT_EQ(third.sub_level_statistics("kept").combo_num().value, 1u) << size;
        EXPECT_EQ(third.sub_level_statistics("arbor-1").combo_num().value, 0u) << size;
        EXPECT_EQ(third.best_statistics().chain_max().value, 0u) << size;
    }

    // With the stream's default mask the same read raises, and nothing is taken.
    std::string cut = out.bytes();
    cut.resize(cut.size() - 5);
    SingleSession raising_session(&store);
    MemIn raising(cut);
    EXPECT_THROW(raising_session.load_statistics(raising.is), orvek::io::Failure);
    EXPECT_EQ(raising_session.sub_level_statistics("arbor-1").combo_num().value, 0u);
}
