// The skin and language part of the data lint: both files read with the
// skin's own reader from where the game looks for them, under both
// configurations; number lists written so the reader takes them; every
// font node names itself and its manifest font; the names the screens ask
// for (the checked-in table names.txt, and what follows from the levels
// folder and the counts in the skin) resolve; placeholders are where the
// code fills them; every sound path is a file the game finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/app/ResourceManager.h"
#include "framework/app/support/FakeHost.h"
#include "orvek/File.h"
#include "ostrel/gui/Skin.h"
#include "support/DataTree.h"
#include "support/NameTable.h"

namespace fs = std::filesystem;
using datalint::Config;
using datalint::DataTree;
using Map = orvek::ostrel::Skin::Map;

namespace {

// The lists of the name table, for the checks that derive names from them.
const datalint::NameTable& Names() {
    static const datalint::NameTable table;
    return table;
}
const std::vector<std::string>& List(const char* name) { return Names().list(name); }
const char* const kStates[] = {"selected", "deselected", "activated", "deactivated"};

// Integers joined by "," with optional blanks after the comma, count of them
// in [lo, hi]; a blank is never a separator.
bool NumberList(const std::string& v, int lo, int hi) {
    int count = 0;
    size_t i = 0;
    for (;;) {
        if (i < v.size() && v[i] == '-') ++i;
        const size_t start = i;
        while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i]))) ++i;
        if (i == start) return false;
        ++count;
        if (i == v.size()) break;
        if (v[i] != ',') return false;
        ++i;
        while (i < v.size() && v[i] == ' ') ++i;
    }
    return count >= lo && count <= hi;
}

// Three numbers joined by ";".
std::vector<double> Norms(const std::string& v) {
    std::vector<double> out;
    std::stringstream s(v);
    for (std::string part; std::getline(s, part, ';');) {
        char* end = nullptr;
        out.push_back(std::strtod(part.c_str(), &end));
        if (part.empty() || *end != '\0') return {};
    }
    return out;
}

std::string Replace(std::string s, const std::string& what, const std::string& with) {
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + with.size()))
        s.replace(at, what.size(), with);
    return s;
}

class SkinLint : public ::testing::TestWithParam<Config> {
protected:
    void SetUp() override {
        tree = std::make_unique<DataTree>(GetParam());
        orvek::ostrel::Skin::ReadStatus status;
        ASSERT_TRUE(orvek::ostrel::Skin::read_keys("data/Skin.xml", skin, &status)) << status.error;
        ASSERT_TRUE(orvek::ostrel::Skin::read_keys(tree->data_path() + "en.xml", texts, &status))
            << tree->data_path() << "en.xml: " << status.error;
        app = std::make_unique<apptest::TestApp>(&host);
        ASSERT_TRUE(app->mResourceManager->LoadManifest("data/resources.xml")) << app->mResourceManager->ErrorText();
    }
    void TearDown() override {
        app.reset();
        tree.reset();
    }
    bool Has(const std::string& node, const char* attr) const { return skin.count(node + "/@" + attr) != 0; }
    std::string Attr(const std::string& node, const char* attr) const {
        auto it = skin.find(node + "/@" + attr);
        return it == skin.end() ? "" : it->second;
    }
    bool Image(const std::string& id) const { return app->mResourceManager->Images().count(id) != 0; }
    bool Font(const std::string& id) const { return app->mResourceManager->Fonts().count(id) != 0; }
    bool Text(const std::string& key) const { return texts.count(key) != 0; }

    void ExpectTextButton(const std::string& node) const {
        EXPECT_TRUE(NumberList(Attr(node, "position"), 2, 2)) << node;
        const std::string type = "menu/buttons/" + Attr(node, "type");
        EXPECT_TRUE(Has(type, "dimensions")) << node << ": no type " << type;
        for (const char* look : {"/normal", "/active", "/selected"}) EXPECT_TRUE(Image(type + look)) << type + look;
        EXPECT_TRUE(Font(type + "/font")) << type;
        EXPECT_TRUE(Text("menu/buttons/" + Attr(node, "text_path"))) << node << ": no caption";
    }
    void ExpectImageButton(const std::string& node, bool check = false) const {
        EXPECT_TRUE(NumberList(Attr(node, "position"), 2, 2)) << node;
        EXPECT_TRUE(NumberList(Attr(node, "dimensions"), 2, 2)) << node;
        for (const char* look : {"/normal", "/active", "/selected"}) EXPECT_TRUE(Image(node + look)) << node + look;
        if (!check) return;
        for (const char* look : {"/checked-normal", "/checked-active", "/checked-selected"})
            EXPECT_TRUE(Image(node + look)) << node + look;
    }

    apptest::FakeHost host;
    std::unique_ptr<DataTree> tree;
    std::unique_ptr<apptest::TestApp> app;
    Map skin, texts;
};

TEST_P(SkinLint, BothFilesKeyFromMenuAndNumberListsReadAsWritten) {
    for (const Map* m : {&skin, &texts})
        for (const auto& [key, value] : *m) EXPECT_EQ(key.rfind("menu/", 0), 0u) << key;
    for (const auto& [key, value] : skin) {
        const std::string attr = key.substr(key.rfind('@') + 1);
        if (attr == "position" || attr == "dimensions" || attr == "offset") {
            EXPECT_TRUE(NumberList(value, 2, 2)) << key << " = \"" << value << "\"";
        } else if (attr == "color") {
            EXPECT_TRUE(NumberList(value, 3, 4)) << key << " = \"" << value << "\"";
        }
    }
    // A stray non-ASCII byte would draw as garbage through the CP1251 fonts.
    std::ifstream f(orvek::resolve_path(tree->data_path() + "en.xml"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
}

TEST_P(SkinLint, EveryFontNodeNamesItselfAndEveryPathFontHasANode) {
    for (const auto& [key, value] : skin) {
        const std::string suffix = "/font/@id";
        if (key.size() > suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0) {
            EXPECT_EQ(value, key.substr(0, key.size() - 4)) << key;
            EXPECT_TRUE(Font(value)) << key << ": no such font in the manifest";
        }
    }
    for (const auto& [id, res] : app->mResourceManager->Fonts()) {
        if (id.find('/') != std::string::npos) {
            EXPECT_TRUE(Has(id, "id")) << id << " has no skin node";
        }
    }
    for (const char* id : {"Points", "BonusName", "DebugFont", "level_complete_effect_points"})
        EXPECT_TRUE(Font(id)) << id;
}

TEST_P(SkinLint, ScreensFindTheirNames) {
    // Text buttons, wherever they are.
    int buttons = 0;
    for (const auto& [key, value] : skin) {
        const std::string suffix = "/@text_path";
        if (key.size() > suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0) {
            ExpectTextButton(key.substr(0, key.size() - suffix.size()));
            ++buttons;
        }
    }
    EXPECT_GT(buttons, 20);
    for (const std::string& b : List("main_buttons")) ExpectImageButton("menu/main/" + b);
    for (const std::string& c : List("checks")) ExpectImageButton(c, true);
    // Dialogs: a known type, a body position.
    for (const std::string& d : List("dialogs")) {
        const std::string look = "menu/dialogs/" + Attr(d, "type");
        EXPECT_TRUE(Has(look, "dimensions")) << d;
        EXPECT_TRUE(Image(look + "/background")) << d;
        EXPECT_TRUE(NumberList(Attr(d + "/text", "position"), 2, 2)) << d;
    }
    // The campaign map has a button for each level and sub-level of the
    // levels folder, and none beyond.
    int levels = 0;
    for (; fs::exists("data/levels-xml/level" + std::to_string(levels + 1)); ++levels) {
        const std::string stage = "menu/campaign/level-button/stage" + std::to_string(levels);
        EXPECT_TRUE(Has(stage, "position") && Has(stage, "dimensions")) << stage;
        for (const char* look : {"/light_on", "/shine_static", "/shine_dynamic"}) EXPECT_TRUE(Image(stage + look));
        EXPECT_TRUE(Has(stage + "/image", "position") && Has(stage + "/image", "shine_dynamic_play_time")) << stage;
        int subs = 0;
        for (; fs::exists("data/levels-xml/level" + std::to_string(levels + 1) + "/sub-level" +
                          std::to_string(subs + 1) + ".xml");
             ++subs) {
            const std::string b = "menu/campaign/sublevel-button/stage" + std::to_string(levels) + "-" +
                                  std::to_string(subs);
            EXPECT_TRUE(Has(b, "position") && Has(b, "dimensions")) << b;
            for (const char* look : {"/image", "/image_record", "/shine_static", "/shine_dynamic", "/animation"})
                EXPECT_TRUE(Image(b + look)) << b + look;
            EXPECT_TRUE(Has(b + "/image", "position") && Has(b + "/image", "shine_dynamic_play_time")) << b;
            EXPECT_TRUE(Has(b + "/animation", "position") && Has(b + "/animation", "play_time")) << b;
        }
        EXPECT_EQ(subs, 3);
        EXPECT_FALSE(Has("menu/campaign/sublevel-button/stage" + std::to_string(levels) + "-" + std::to_string(subs),
                         "position"));
    }
    EXPECT_EQ(levels, 3);
    for (const char* t : {"menu/campaign/your", "menu/campaign/best"}) EXPECT_TRUE(Text(t)) << t;
    EXPECT_FALSE(Has("menu/campaign/level-button/stage" + std::to_string(levels), "position"));
    // Help effects counted by the section exist as strips.
    for (int n = 0; n < std::stoi(Attr("menu/help", "static_effects_size")); ++n)
        EXPECT_TRUE(Image("menu/help/static_effect" + std::to_string(n))) << n;
    for (int n = 0; n < std::stoi(Attr("menu/help", "movable_effects_size")); ++n) {
        EXPECT_TRUE(Image("menu/help/movable_effect" + std::to_string(n))) << n;
        EXPECT_GE(std::stod(Attr("menu/help/movable_effect" + std::to_string(n), "play_time")), 0.6);
    }
    // Game art the renderers ask for by name.
    const int lightnings = std::stoi(Attr("menu/game/platform_lightnings", "num_lightnings"));
    for (int i = 0; i < lightnings; ++i) {
        EXPECT_TRUE(Image("platform_lightning" + std::to_string(i))) << i;
        EXPECT_TRUE(Has("menu/game/platform_lightnings/lightning" + std::to_string(i), "offset")) << i;
    }
    EXPECT_GT(std::stoi(Attr("menu/game/medals/game-screen", "num_at_row")), 0);
    // Each letter of the bonus word has its picture, and the letters differ.
    const std::string word = texts["menu/bonus_word"];
    ASSERT_FALSE(word.empty());
    EXPECT_EQ(std::set<char>(word.begin(), word.end()).size(), word.size()) << word;
    for (size_t k = 0; k < word.size(); ++k) EXPECT_TRUE(Image("letter_" + std::to_string(k))) << k;
}

TEST_P(SkinLint, PlaceholdersAreWhereTheCodeFillsThem) {
    auto holds = [this](const std::string& key, const char* what) {
        return texts.count(key) && texts.at(key).find(what) != std::string::npos;
    };
    EXPECT_TRUE(holds("menu/main/welcome", "%name%"));
    for (const char* k : {"menu/game/interface/stage", "menu/mission-complete/game-stage-complete",
                          "menu/mission-complete/game-stage"})
        EXPECT_TRUE(holds(k, "%stage%")) << k;
    const std::vector<std::string>& medals = List("medals");
    ASSERT_EQ(medals.size(), 24u);
    for (int kind = 0; kind < 24; ++kind) {
        for (int g = 0; g < 3; ++g) {
            const std::string base = "menu/trophy-room/medals/" + medals[kind] + std::to_string(g);
            if (kind <= 15 || kind == 17 || kind == 18 || kind == 19) {
                EXPECT_TRUE(holds(base + "/@not_exist", "%count%")) << base;
            } else if (kind == 16) {
                EXPECT_TRUE(holds(base + "/@not_exist", "%time%") && holds(base + "/@not_exist", "%curtime%")) << base;
            } else if (kind == 23) {
                EXPECT_TRUE(holds(base + "/@exist", "%name%")) << base;
            }
            const std::string place = "menu/trophy-room/medals/" + medals[kind] + "/level" + std::to_string(g);
            EXPECT_TRUE(NumberList(Attr(place, "position"), 2, 2) && Attr(place, "dimensions") == "40, 40") << place;
        }
        // Norms: three ";"-separated numbers; time norms ascend, so grade 0 is the tightest.
        const std::string norm = "menu/trophy-room/medals/" + medals[kind] + "/norm";
        EXPECT_EQ(Norms(Attr(norm, "value")).size(), 3u) << norm;
        if (kind == 16 || kind == 19) {
            const auto t = Norms(Attr(norm, "time"));
            ASSERT_EQ(t.size(), 3u) << norm;
            EXPECT_TRUE(t[0] < t[1] && t[1] < t[2]) << norm;
        }
    }
}

// The numbers the flying and resting medals read: the flight, the grid and
// the count's look.
TEST_P(SkinLint, MedalsFindTheirLook) {
    const std::string appear = "menu/trophy-room/medals/appearance_in_game";
    EXPECT_TRUE(NumberList(Attr(appear, "position"), 2, 2));
    for (const char* a : {"speed", "acceleration", "scale_start", "dtime_effect"}) EXPECT_TRUE(Has(appear, a)) << a;
    EXPECT_GT(std::stod(Attr(appear, "speed")), 0.0);
    EXPECT_GT(std::stod(Attr(appear, "dtime_effect")), 0.0);
    const std::string grid = "menu/game/medals/game-screen";
    EXPECT_TRUE(NumberList(Attr(grid, "position"), 2, 2) && NumberList(Attr(grid, "dimensions"), 2, 2));
    const std::string num = "menu/trophy-room/medals/num";
    EXPECT_TRUE(NumberList(Attr(num, "color"), 3, 4) && NumberList(Attr(num, "offset"), 2, 2));
}

// Every name of the table resolves: images and fonts in the manifest (the
// images the game runs without only where the whole picture set is
// built), texts in the language file, skin nodes with their attributes.
TEST_P(SkinLint, EveryNameOfTheTableResolves) {
    ASSERT_GT(Names().names().size(), 800u);
    for (const datalint::Name& n : Names().names()) {
        const std::string where = "names.txt:" + std::to_string(n.line) + ": " + n.name;
        switch (n.kind) {
        case datalint::Name::image:
            if (!n.optional || datalint::full_picture_set()) {
                EXPECT_TRUE(Image(n.name)) << where;
            }
            break;
        case datalint::Name::font: EXPECT_TRUE(Font(n.name)) << where; break;
        case datalint::Name::text: EXPECT_TRUE(Text(n.name)) << where; break;
        case datalint::Name::skin:
            for (const std::string& a : n.attributes) EXPECT_TRUE(Has(n.name, a.c_str())) << where << " @" << a;
            break;
        case datalint::Name::sound: EXPECT_TRUE(Has(n.name, "path")) << where; break;
        }
    }
}

// Every sound path the skin names is a file the game finds: node paths get
// the data path, button types' sound_path is used raw; both are played with
// backslashes and the extension probed.
TEST_P(SkinLint, EverySoundPathIsAFile) {
    int sounds = 0;
    for (const auto& [key, value] : skin) {
        const bool nodePath = key.size() > 6 && key.compare(key.size() - 6, 6, "/@path") == 0;
        const bool typePath = key.find("/@sound_path") != std::string::npos;
        if (!nodePath && !typePath) continue;
        const std::string raw = nodePath ? tree->data_path() + value : value;
        for (const char* state : kStates) {
            std::string played = Replace(raw, "%state%", state);
            std::replace(played.begin(), played.end(), '/', '\\');
            const std::string stem = played.substr(0, played.rfind('.'));
            EXPECT_TRUE(orvek::file_exists(orvek::resolve_path(stem + ".ogg"))) << key << " -> " << stem;
            EXPECT_FALSE(orvek::file_exists(orvek::resolve_path(stem + ".wav"))) << key;
            ++sounds;
        }
    }
    EXPECT_GT(sounds, 18 * 4);
}

// Each record belongs to a sub-level of the levels folder, every value is a
// number, and every holder name has its text.
TEST_P(SkinLint, RecordsNameExistingSubLevelsAndKnownHolders) {
    Map records;
    orvek::ostrel::Skin::ReadStatus status;
    ASSERT_TRUE(orvek::ostrel::Skin::read_keys("data/records.xml", records, &status)) << status.error;
    ASSERT_FALSE(records.empty());
    for (const auto& [key, value] : records) {
        int level = -1, sub = -1;
        ASSERT_EQ(std::sscanf(key.c_str(), "records/sub_level_%d_%d/@", &level, &sub), 2) << key;
        EXPECT_TRUE(fs::exists("data/levels-xml/level" + std::to_string(level + 1) + "/sub-level" +
                               std::to_string(sub + 1) + ".xml"))
            << key;
        if (key.substr(key.rfind('@') + 1) == "name") {
            EXPECT_TRUE(Text("menu/best-results/default/" + value)) << key << " = " << value;
        } else {
            char* end = nullptr;
            std::strtod(value.c_str(), &end);
            EXPECT_TRUE(!value.empty() && *end == '\0') << key << " = " << value;
        }
    }
}

// The statistics dialog's layout numbers; the help page's effects with the
// numbers that drive them.
TEST_P(SkinLint, StatisticsAndHelpFindTheirNames) {
    const std::string mc = "menu/mission-complete";
    EXPECT_TRUE(NumberList(Attr(mc, "dimensions"), 2, 2));
    for (const char* node : {"/game-stage", "/titles", "/table"})
        EXPECT_TRUE(NumberList(Attr(mc + node, "position"), 2, 2)) << node;
    for (const char* attr : {"string_height", "column1", "column2", "tooltip_width"})
        EXPECT_GT(std::atoi(Attr(mc + "/table", attr).c_str()), 0) << attr;

    const std::string help = "menu/help";
    EXPECT_TRUE(NumberList(Attr(help, "dimensions"), 2, 2));
    for (int n = 0; n < std::stoi(Attr(help, "static_effects_size")); ++n) {
        const std::string e = help + "/static_effect" + std::to_string(n);
        EXPECT_TRUE(NumberList(Attr(e, "position"), 2, 2)) << e;
        EXPECT_GT(std::atof(Attr(e, "play_time").c_str()), 0.0) << e;
        EXPECT_TRUE(Has(e, "start_time")) << e;
    }
    for (int n = 0; n < std::stoi(Attr(help, "movable_effects_size")); ++n) {
        const std::string e = help + "/movable_effect" + std::to_string(n);
        EXPECT_TRUE(NumberList(Attr(e, "position"), 2, 2)) << e;
        EXPECT_GT(std::atoi(Attr(e, "quantity").c_str()), 0) << e;
        for (const char* attr : {"random_dispersion", "speed_y"}) EXPECT_TRUE(Has(e, attr)) << e << " " << attr;
    }
}

INSTANTIATE_TEST_SUITE_P(Configs, SkinLint, ::testing::Values(Config::shipped, Config::defaults),
                         [](const auto& info) { return info.param == Config::shipped ? "shipped" : "defaults"; });

}  // namespace
