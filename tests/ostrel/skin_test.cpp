#include <gtest/gtest.h>

#include "logic/Medals.h"
#include "logic/SkinLookup.h"
#include "orvek/Names.h"
#include "ostrel/gui/Skin.h"
#include "support/TestSupport.h"

using orvek::ostrel::Skin;

namespace {

const char* kSkinXml =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
    "<menu version=\"2\">\n"
    "  <window_title>ignored in the skin</window_title>\n"
    "  <buttons>\n"
    "    <ok position=\"10,20\" dimensions=\"640 480\" offset=\"10\" color=\"255,0,0,128\" path=\"img/ok.png\"/>\n"
    "    <cancel position=\"1, 2\" color=\"255,0\" speed=\"2.5\" count=\"42abc\"/>\n"
    "  </buttons>\n"
    "  <trophy-room><medals><chain><norm value=\"10;20;30\" time=\"60;120;300\"/></chain></medals></trophy-room>\n"
    "  <buttons><ok position=\"30,40\"/></buttons>\n"
    "</menu>\n"
    "<game><hud x=\"5\"/></game>\n";

const char* kLanguageXml =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
    "<menu>\n"
    "  <window_name>Zelkor</window_name>\n"
    "  <greeting>Hello,   %name%!  You have %count% balls.</greeting>\n"
    "  <bonuses_slow>Slowing</bonuses_slow>\n"
    "</menu>\n";

struct SkinFiles {
    testsupport::TempDir dir;
    std::string skin = dir.file("Skin.xml");
    std::string lang = dir.file("en.xml");
    SkinFiles(const char* skin_xml = kSkinXml, const char* lang_xml = kLanguageXml) {
        testsupport::write_file(skin, skin_xml);
        testsupport::write_file(lang, lang_xml);
    }
};

}  // namespace

TEST(Skin, KeysOfTheSkinFile) {
    SkinFiles f;
    const Skin s(nullptr, f.skin, "en", f.lang);
    // A top-level element's attributes begin with "/".
    EXPECT_EQ(s.get_attribute("/menu", "version"), "2");
    EXPECT_TRUE(s.has_attribute("/menu", "version"));
    EXPECT_FALSE(s.has_attribute("menu", "version"));
    EXPECT_EQ(s.get_attribute("menu/buttons/cancel", "speed"), "2.5");
    EXPECT_EQ(s.get_attribute("menu/trophy-room/medals/chain/norm", "time"), "60;120;300");
    EXPECT_EQ(s.get_attribute("game/hud", "x"), "5");
    // The later element of the same path wins.
    EXPECT_EQ(s.get_attribute("menu/buttons/ok", "position"), "30,40");
    // Text content is keyed by its enclosing path.
    EXPECT_EQ(s.attributes().at("menu/window_title"), "ignored in the skin");
    EXPECT_EQ(s.get_attribute("menu/buttons/none", "x"), "");
    EXPECT_FALSE(s.has_attribute("menu/buttons/none", "x"));
    EXPECT_EQ(s.language(), "en");
}

TEST(Skin, NumbersAndNumberLists) {
    SkinFiles f;
    const Skin s(nullptr, f.skin, "en", f.lang);
    EXPECT_FLOAT_EQ(s.get_float("menu/buttons/cancel", "speed"), 2.5f);
    EXPECT_EQ(s.get_int("menu/buttons/cancel", "count"), 42);
    EXPECT_EQ(s.get_int("menu/buttons/cancel", "speed"), 2);
    EXPECT_EQ(s.get_int("menu/buttons/none", "x"), 0);
    EXPECT_EQ(s.get_dimensions("menu/buttons/ok"), std::make_pair(640, 80));  // a blank is never a separator
    EXPECT_EQ(s.get_position("menu/buttons/ok"), std::make_pair(30, 40));
    EXPECT_EQ(s.get_position("menu/buttons/cancel"), std::make_pair(1, 2));
    EXPECT_EQ(s.get_offset("menu/buttons/ok"), std::make_pair(0, 0));  // one number only
    EXPECT_EQ(s.get_dimensions("menu/buttons/none"), std::make_pair(0, 0));
    EXPECT_EQ(s.get_color("menu/buttons/ok"), Vant::Color(255, 0, 0, 128));
    EXPECT_EQ(s.get_color("menu/buttons/cancel"), Vant::Color(0, 0, 0, 255));
    EXPECT_EQ(s.get_color("menu/buttons/none"), Vant::Color(0, 0, 0, 255));
    EXPECT_EQ(s.get_path("menu/buttons/ok"), Skin::data_path() + "img/ok.png");
}

TEST(Skin, NumberListReader) {
    struct Case {
        const char* text;
        int max;
        int count;
        int first, second;
    } cases[] = {
        {"640, 480", 3, 2, 640, 480},
        {"640 480", 3, 2, 640, 80},
        {"10,20,30", 3, 3, 10, 20},
        {"10", 3, 1, 10, 0},
        {" -5 ;+7", 3, 2, -5, 7},
        {"1,,2", 3, 1, 1, 0},
        {"1,x", 3, 1, 1, 0},
        {"1,", 3, 1, 1, 0},
        {"99999999999,1", 3, 0, 0, 0},
        {"", 3, 0, 0, 0},
    };
    for (const auto& c : cases) {
        int v[5] = {0, 0, 0, 0, 0};
        EXPECT_EQ(orvek::ostrel::read_number_list(c.text, v, c.max), c.count) << c.text;
        EXPECT_EQ(v[0], c.first) << c.text;
        EXPECT_EQ(v[1], c.second) << c.text;
    }
    int v[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(orvek::ostrel::read_number_list("1,2,3,4,5,6", v, 5), 5);
    EXPECT_EQ(v[4], 5);
}

TEST(Skin, TextsFromTheLanguageFile) {
    SkinFiles f;
    const Skin s(nullptr, f.skin, "en", f.lang);
    EXPECT_EQ(s.get_text("menu/window_name"), "Zelkor");
    EXPECT_EQ(s.get_text("menu/bonuses_fast"), "menu/bonuses_fast");
    orvek::TextParams params;
    params.set("%name%", "Ann").set_int("%count%", 12);
    EXPECT_EQ(s.get_formatted_text("menu/greeting", params), "Hello, Ann! You have 12 balls.");
    EXPECT_EQ(s.get_formatted_text("menu/%name%", params), "menu/%name%");  // missing: unfilled
}

TEST(Skin, MissingFilesAndSyntaxErrors) {
    testsupport::TempDir dir;
    const Skin none(nullptr, dir.file("nothing.xml"), "en", dir.file("nothing-too.xml"));
    EXPECT_TRUE(none.attributes().empty());
    EXPECT_TRUE(none.texts().empty());
    EXPECT_EQ(none.get_text("menu/window_name"), "menu/window_name");

    // What stands before a syntax error stays.
    SkinFiles f("<menu><a x=\"1\"/></b><c y=\"2\"/></menu>", "<menu><t>one</t>");
    const Skin broken(nullptr, f.skin, "en", f.lang);
    EXPECT_EQ(broken.get_attribute("menu/a", "x"), "1");
    EXPECT_FALSE(broken.has_attribute("menu/c", "y"));
    EXPECT_EQ(broken.get_text("menu/t"), "one");
}

TEST(Skin, CreateInstallsTheGlobalSkinForTheLogic) {
    SkinFiles f;
    Skin::set_skin_file(f.skin.c_str());
    Skin::set_language("en");
    Skin::set_language_file(f.lang.c_str());
    EXPECT_EQ(Skin::resources_file(), "properties/resources.xml");
    Skin::create();
    ASSERT_NE(Skin::instance(), nullptr);
    EXPECT_EQ(orvek::trelm::logic::skin_lookup(), Skin::instance());
    EXPECT_EQ(orvek::trelm::logic::skin_text("menu/bonuses_slow"), "Slowing");
    EXPECT_EQ(orvek::trelm::logic::medal_grade_for_value(orvek::trelm::logic::medal_chain, 25, 1), 1);
    EXPECT_EQ(orvek::trelm::logic::medal_grade_for_time(orvek::trelm::logic::medal_chain, 90.0f), 1);

    // A second create replaces the first.
    Skin::set_language_file("");
    Skin::create();
    EXPECT_EQ(orvek::trelm::logic::skin_lookup(), Skin::instance());
    EXPECT_EQ(orvek::trelm::logic::skin_text("menu/bonuses_slow"), "menu/bonuses_slow");
    Skin::destroy();
    EXPECT_EQ(Skin::instance(), nullptr);
    EXPECT_EQ(orvek::trelm::logic::skin_lookup(), nullptr);
}

TEST(Skin, ScreenSize) {
    orvek::ostrel::set_screen_size(800, 600);
    EXPECT_EQ(orvek::ostrel::screen_size(), std::make_pair(800, 600));
}
