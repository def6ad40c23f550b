// The skin's resources on a small fixture: image and font look-ups, the
// file-image cache, group loading and how each of its files was read.
#include <gtest/gtest.h>

#include "framework/graphics/ImageLib.h"
#include "orvek/Exception.h"
#include "orvek/Names.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"
#include "support/AdapterHarness.h"

namespace {

using orvek::ostrel::Skin;

void write_png(const std::string& path, int w, int h, uint32_t pixel) {
    ImageLib::Image img(w, h);
    for (int i = 0; i < w * h; ++i) img.bits[i] = pixel;
    ASSERT_TRUE(ImageLib::WritePNGImage(path, img)) << path;
}

struct SkinResources : ::testing::Test {
    adaptertest::Platform platform;
    std::unique_ptr<adaptertest::TestApp> app;
    std::string skin_file = platform.dir.file("Skin.xml"), lang_file = platform.dir.file("en.xml"),
                manifest = platform.dir.file("resources.xml");

    void SetUp() override {
        write_png(platform.dir.file("red.png"), 4, 3, 0xFFFF0000);
        write_png(platform.dir.file("green.png"), 2, 2, 0xFF00FF00);
        testsupport::write_file(skin_file, "<menu><title id=\"menu/title/font\"/><a position=\"1,2\"/></menu>\n");
        testsupport::write_file(lang_file, "<menu><hello>Hi</hello></menu>\n");
        testsupport::write_file(
            manifest, "<ResourceManifest>\n<Resources id=\"Common\">\n<SetDefaults path=\"" + platform.dir.path().string() +
                          "\"/>\n<Image id=\"menu/red\" path=\"red\"/>\n</Resources>\n"
                          "<Resources id=\"More\">\n<Image id=\"menu/green\" path=\"green\"/>\n</Resources>\n"
                          "<Resources id=\"Broken\">\n<Image id=\"menu/none\" path=\"missing\"/>\n</Resources>\n"
                          "</ResourceManifest>\n");
        Skin::set_resources_file(manifest);
        app = std::make_unique<adaptertest::TestApp>(&platform.host, platform.program);
    }
    void TearDown() override {
        Skin::set_resources_file("properties/resources.xml");
        app.reset();
    }
    orvek::ostrel::ResourceManager* rm() {
        return dynamic_cast<orvek::ostrel::ResourceManager*>(app->resource_manager());
    }
    std::unique_ptr<Skin> make() { return std::make_unique<Skin>(rm(), skin_file, "en", lang_file); }
};

TEST_F(SkinResources, TheAppsManagerIsTheAdapters) { ASSERT_NE(rm(), nullptr); }

TEST_F(SkinResources, ImageAndFontLookups) {
    auto skin = make();
    EXPECT_TRUE(skin->manifest_status().ok) << skin->manifest_status().error;
    EXPECT_TRUE(skin->load_resources("Common"));
    EXPECT_TRUE(skin->load_resources("Common"));  // already loaded
    Vant::SharedImageRef red = skin->get_image("menu/red");
    ASSERT_NE(red.GetImage(), nullptr);
    EXPECT_EQ(red.GetImage()->width, 4);
    EXPECT_EQ(skin->get_image_if_any("menu/red").GetImage(), red.GetImage());

    // A miss through get_image_if_any throws nothing and records nothing.
    EXPECT_EQ(skin->get_image_if_any("menu/green").GetImage(), nullptr);
    EXPECT_FALSE(rm()->HadError());
    try {
        skin->get_image("menu/green");
        ADD_FAILURE();
    } catch (const Vant::ResourceManagerException& e) {
        EXPECT_STREQ(e.what(), "Image resource not found: menu/green");
    }
    // The manager keeps its first failure, so a later miss carries it.
    try {
        skin->get_node_font("menu/title");
        ADD_FAILURE();
    } catch (const Vant::ResourceManagerException& e) {
        EXPECT_STREQ(e.what(), "Image resource not found: menu/green");
    }
    EXPECT_THROW(skin->get_font("menu/title/font"), Vant::ResourceManagerException);

    EXPECT_TRUE(skin->load_resources("More"));
    EXPECT_NE(skin->get_image_if_any("menu/green").GetImage(), nullptr);
    try {
        skin->load_resources("Broken");
        ADD_FAILURE();
    } catch (const orvek::Exception& e) {
        EXPECT_STREQ(e.what(), "Resource group: 'Broken' could not be loaded");
    }
}

TEST_F(SkinResources, WithoutManagerEverythingIsMissing) {
    Skin skin(nullptr, skin_file, "en", lang_file);
    EXPECT_EQ(skin.get_image_if_any("menu/red").GetImage(), nullptr);
    EXPECT_THROW(skin.get_image("menu/red"), Vant::ResourceManagerException);
    EXPECT_THROW(skin.get_font("menu/title/font"), Vant::ResourceManagerException);
    EXPECT_THROW(skin.load_resources("Common"), orvek::Exception);
}

// The strict run's recorder hears of each name asked for and not found,
// and of nothing asked for with a question first or found.
TEST_F(SkinResources, MissRecorderHearsOfEveryMissAndNothingElse) {
    auto skin = make();
    ASSERT_TRUE(skin->load_resources("Common"));
    std::vector<std::string> heard;
    Skin::set_miss_recorder([&](const std::string& miss) { heard.push_back(miss); });
    // Found, or asked about first: nothing heard.
    EXPECT_EQ(skin->get_position("menu/a"), std::make_pair(1, 2));
    EXPECT_FALSE(skin->has_attribute("menu/a", "dimensions"));
    EXPECT_EQ(skin->get_text("menu/hello"), "Hi");
    EXPECT_NE(skin->get_image("menu/red").GetImage(), nullptr);
    EXPECT_EQ(skin->get_image_if_any("menu/green").GetImage(), nullptr);
    EXPECT_TRUE(skin->load_image(platform.dir.file("red.png")));
    EXPECT_TRUE(heard.empty());
    // Each miss once, by kind and name; the answers stay what they were.
    EXPECT_EQ(skin->get_dimensions("menu/a"), std::make_pair(0, 0));
    EXPECT_EQ(skin->get_int("menu/b", "count"), 0);
    EXPECT_EQ(skin->get_text("menu/bye"), "menu/bye");
    EXPECT_EQ(skin->get_formatted_text("menu/bye2", orvek::TextParams()), "menu/bye2");
    EXPECT_THROW(skin->get_image("menu/green"), Vant::ResourceManagerException);
    EXPECT_THROW(skin->get_font("menu/title/font"), Vant::ResourceManagerException);
    EXPECT_FALSE(skin->load_image(platform.dir.file("none.png")));
    const std::vector<std::string> expected{
        "attribute menu/a/@dimensions", "attribute menu/b/@count", "text menu/bye", "text menu/bye2",
        "image menu/green", "font menu/title/font", "file " + platform.dir.file("none.png")};
    EXPECT_EQ(heard, expected);
    // Without a recorder nothing is told, and the old one comes back.
    auto previous = Skin::set_miss_recorder({});
    ASSERT_TRUE(previous);
    skin->get_text("menu/bye");
    EXPECT_EQ(heard.size(), expected.size());
}

TEST_F(SkinResources, LoadImageCache) {
    auto skin = make();
    const std::string red = platform.dir.file("red.png");
    auto a = skin->load_image(red);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->width, 4);
    EXPECT_EQ(skin->load_image(red).get(), a.get());
    auto b = skin->load_image(platform.dir.file("green.png"), true);
    auto c = skin->load_image(platform.dir.file("green.png"), true);
    ASSERT_TRUE(b && c);
    EXPECT_NE(b.get(), c.get());
    // A missing file gives an empty image, kept for the rest of the run.
    EXPECT_FALSE(skin->load_image(platform.dir.file("none.png")));
    write_png(platform.dir.file("none.png"), 1, 1, 0xFF000000);
    EXPECT_FALSE(skin->load_image(platform.dir.file("none.png")));
}

TEST_F(SkinResources, ReadStatusOfEachFile) {
    struct Case {
        const char* name;
        std::string skin, lang, manifest;
        bool skin_ok, lang_ok, manifest_ok;
    } cases[] = {
        {"good", skin_file, lang_file, manifest, true, true, true},
        {"missing", platform.dir.file("no.xml"), platform.dir.file("no2.xml"), platform.dir.file("no3.xml"), false,
         false, false},
        {"cut", platform.dir.file("cut.xml"), platform.dir.file("cut.xml"), platform.dir.file("cut.xml"), false,
         false, false},
    };
    testsupport::write_file(platform.dir.file("cut.xml"), "<menu>\n<a b=\"1\">\n<c d=\"");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Skin::set_resources_file(c.manifest);
        orvek::ostrel::ResourceManager fresh(app.get());
        Skin skin(&fresh, c.skin, "en", c.lang);
        EXPECT_EQ(skin.skin_status().ok, c.skin_ok) << skin.skin_status().error;
        EXPECT_EQ(skin.language_status().ok, c.lang_ok);
        EXPECT_EQ(skin.manifest_status().ok, c.manifest_ok);
        if (!c.skin_ok) {
            EXPECT_FALSE(skin.skin_status().error.empty());
        }
        if (!c.manifest_ok) {
            EXPECT_FALSE(skin.manifest_status().error.empty());
        }
    }
    EXPECT_EQ(Skin(nullptr, platform.dir.file("cut.xml"), "en", lang_file).skin_status().line, 3);
}

}  // namespace
