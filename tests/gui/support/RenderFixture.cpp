#include "RenderFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <functional>

#include "framework/graphics/DDInterface.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/ImageLib.h"
#include "logic/Medals.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/gui/Skin.h"

namespace guitest {

namespace {

const char kGlyphs[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kGlyphWidth = 4, kGlyphHeight = 6;

std::map<std::string, ImageSpec> make_images() {
    std::map<std::string, ImageSpec> m;
    int index = 0;
    auto add = [&](const std::string& name, int w, int h, int cols = 1, int rows = 1) {
        ++index;
        const std::uint32_t r = 16 + (index % 8) * 30, g = 16 + ((index / 8) % 8) * 30, b = 16 + ((index / 64) % 4) * 60;
        m[name] = {w, h, cols, rows, 0xFF000000u | (r << 16) | (g << 8) | b};
    };
    const char* colours[] = {"red", "green", "blue", "yellow", "black", "grey", "purple", "white"};
    for (const char* c : colours) add(std::string("ball-") + c, 80, 10, 8);
    add("ball-wild", 40, 10, 4);
    add("wild_ball_stars", 40, 10, 4);
    for (const char* k : {"bomb", "lightning", "aiming_hit"}) {
        add(std::string("ball-") + k, 80, 10, 8);
        add(std::string("ball-") + k + "_intensive", 80, 10, 8);
    }
    add("ball_glowing_active", 28, 14, 2);
    add("ball_glowing_passive", 28, 14, 2);
    add("ball_shadow", 10, 10);
    add("platform", 40, 20);
    add("platform_shadow", 40, 20);
    for (const char* c : colours) add(std::string("platform_ball_") + c, 6, 6);
    for (const char* k : {"wild", "bomb", "lightning", "aiming_hit"}) add(std::string("platform_ball_") + k, 6, 6);
    for (int i = 0; i < 3; ++i) add("platform_lightning" + std::to_string(i), 40, 10, 4);
    std::vector<std::string> bonuses = {"wild_ball", "slowing",     "go_back",   "stop",       "bomb",
                                        "lightning", "pull_in",     "intensifier", "progress", "coin",
                                        "aiming_hit", "sequence_acceleration"};
    for (const char* c : colours) {
        add(std::string("colorbomb-") + c, 80, 10, 8);
    }
    add("colorbomb_shadow", 10, 10);
    for (int i = 0; i < 3; ++i) {
        bonuses.push_back("jewel" + std::to_string(i));
        add("jewel" + std::to_string(i) + "_glowing", 28, 14, 2);
    }
    for (int i = 0; i < 6; ++i) bonuses.push_back("letter_" + std::to_string(i));
    for (const auto& b : bonuses) {
        add(b, 80, 10, 8);
        add(b + "_shadow", 10, 10);
    }
    add("star_tail", 8, 4, 2);
    add("star_shining", 8, 4, 2);
    add("zelkor_head", 10, 10);
    add("zelkor_tail", 10, 10);
    add("door", 80, 10, 4);
    add("lift", 20, 30);
    for (const char* e : {"catch_bonus_star_small", "catch_bonus_star_big", "explosion_center_star", "explosion_star0",
                          "explosion_star1", "intensify_effect", "roll_in_center_star", "roll_in_star0",
                          "roll_in_star1", "effect_level_complete", "effect_level_complete_explosion_star0",
                          "effect_level_complete_explosion_star1", "effect_head_and_tail_destroing_star0",
                          "effect_head_and_tail_destroing_star1", "effect_medal"})
        add(e, 8, 4, 2);
    add("lightning_effect", 10, 20);
    add("lightning_intensive_effect", 10, 20);
    for (const char* c : colours) add(std::string("consuming_") + c, 8, 4, 2);
    add("consuming_wild", 8, 4, 2);
    // The medals that play awards send flying, small.
    for (int medal = 0; medal < orvek::trelm::logic::medal_count; ++medal)
        for (int grade = 0; grade < 3; ++grade)
            add(std::string("menu/game/medals/") + orvek::trelm::logic::medal_name(medal) + std::to_string(grade), 12,
                12);
    return m;
}

void write_png(const std::string& path, int w, int h, const std::function<std::uint32_t(int, int)>& at) {
    ImageLib::Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.bits[y * w + x] = at(x, y);
    ASSERT_TRUE(ImageLib::WritePNGImage(path, img)) << path;
}

}  // namespace

const char* const Fixture::kDefaultSkinGame =
    "<platform_shadow offset=\"3,4\"/>\n"
    "<ball_shadow offset=\"2,2\"/>\n"
    "<platform_lightnings dtime_min=\"0.5\" dtime_max=\"1.5\" num_lightnings=\"3\">\n"
    "<lightning0 time=\"0.4\" offset=\"5,0\"/>\n"
    "<lightning1 time=\"0.4\" offset=\"20,0\"/>\n"
    "<lightning2 time=\"0.4\" offset=\"35,0\"/>\n"
    "</platform_lightnings>\n"
    "<text_colors><bonus_catch color=\"255,255,0\"/><level_complete_effect_points color=\"0,255,255\"/></text_colors>\n";

const std::map<std::string, ImageSpec>& Fixture::images() {
    static const std::map<std::string, ImageSpec> m = make_images();
    return m;
}

Fixture::Fixture(const std::string& skin_game, const std::map<std::string, std::string>& config) {
    std::string manifest = "<ResourceManifest>\n<Resources id=\"Common\">\n<SetDefaults path=\"" + dir.str() + "\"/>\n";
    for (const auto& [name, spec] : images()) {
        // The head's art faces +y: its last rows are white.
        const bool head = name == "zelkor_head";
        std::string file = name;
        std::replace(file.begin(), file.end(), '/', '_');
        write_png(dir.file(file + ".png"), spec.width, spec.height, [&](int, int y) {
            return head && y >= spec.height - 3 ? 0xFFFFFFFFu : spec.color;
        });
        manifest += "<Image id=\"" + name + "\" path=\"" + file + "\" cols=\"" + std::to_string(spec.cols) +
                    "\" rows=\"" + std::to_string(spec.rows) + "\"/>\n";
    }
    const int glyphs = int(sizeof kGlyphs) - 1;
    write_png(dir.file("font.png"), glyphs * kGlyphWidth, kGlyphHeight, [](int, int) { return 0xFFFFFFFFu; });
    std::string chars, rects, widths;
    for (int i = 0; i < glyphs; ++i) {
        chars += std::string(" '") + kGlyphs[i] + "'";
        rects += " (" + std::to_string(i * kGlyphWidth) + " 0 " + std::to_string(kGlyphWidth) + " " +
                 std::to_string(kGlyphHeight) + ")";
        widths += " 5";
    }
    testsupport::write_file(dir.file("font.txt"), "CreateLayer Main;\nLayerSetImage Main 'font.png';\n"
                                                  "LayerSetImageMap Main (" + chars + ") (" + rects + ");\n"
                                                  "LayerSetCharWidths Main (" + chars + ") (" + widths + ");\n"
                                                  "LayerSetAscent Main 6;\n");
    for (const char* font : {"BonusName", "level_complete_effect_points", "DebugFont", "Points", "menu/game/medals/font"})
        manifest += std::string("<Font id=\"") + font + "\" path=\"font.txt\"/>\n";
    manifest += "</Resources>\n</ResourceManifest>\n";
    testsupport::write_file(dir.file("resources.xml"), manifest);
    testsupport::write_file(dir.file("Skin.xml"), "<menu>\n<game>\n" + skin_game + "</game>\n</menu>\n");
    testsupport::write_file(dir.file("en.xml"), "<menu><bonus_word>ZELKOR</bonus_word></menu>\n");

    auto& registry = orvek::ostrel::ConfigRegistry::instance();
    registry.elements().clear();
    for (const auto& [key, value] : config) registry.set_string(key.c_str(), value);
    registry.update_values();

    app = std::make_unique<apptest::TestApp>(&host);
    resources = std::make_unique<orvek::ostrel::ResourceManager>(app.get());
    orvek::ostrel::Skin::set_skin_file(dir.file("Skin.xml").c_str());
    orvek::ostrel::Skin::set_language_file(dir.file("en.xml").c_str());
    orvek::ostrel::Skin::set_resources_file(dir.file("resources.xml"));
    orvek::ostrel::Skin::create(resources.get());
    auto* skin = orvek::ostrel::Skin::instance();
    EXPECT_TRUE(skin->manifest_status().ok) << skin->manifest_status().error;
    EXPECT_TRUE(skin->skin_status().ok) << skin->skin_status().error;
    skin->load_resources("Common");
    orvek::trelm::gui::effects_random().seed(1);
}

Fixture::~Fixture() {
    orvek::ostrel::Skin::destroy();
    orvek::ostrel::Skin::set_resources_file("properties/resources.xml");
    resources.reset();
    app.reset();
    orvek::ostrel::ConfigRegistry::instance().elements().clear();
    orvek::ostrel::ConfigRegistry::instance().update_values();
}

void Fixture::enable_3d(int width, int height) {
    host.device.clientWidth = width;
    host.device.clientHeight = height;
    app->mWidth = width;
    app->mHeight = height;
    app->CreateMainWindow();
    app->Set3DMode(true, true);
    ASSERT_TRUE(app->Is3DAccelerated());
}

bool Fixture::is_3d() const { return app->Is3DAccelerated(); }

Vant::Image* Fixture::screen() { return app->GetDDInterface()->GetScreenImage(); }

std::uint32_t Fixture::screen_pixel(int x, int y) {
    Vant::DDInterface& dd = *app->GetDDInterface();
    dd.d3d.EndScene();
    return dd.DrawSurface()->PixelAt(x, y) & 0xFFFFFFu;
}

std::unique_ptr<Vant::MemoryImage> canvas(int width, int height, std::uint32_t fill) {
    auto image = std::make_unique<Vant::MemoryImage>();
    image->Create(width, height);
    std::uint32_t* bits = image->GetBits();
    std::fill(bits, bits + width * height, fill);
    image->BitsChanged();
    return image;
}

bool same_colour(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16}) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d < -4 || d > 4) return false;
    }
    return true;
}

void compare_with_kept(const ImageLib::Image& actual, const std::string& name, bool exact) {
    const std::string kept = std::string(ZELKOR_SOURCE_DIR) + "/tests/gui/data/" + name;
    const char* work = std::getenv("ZELKOR_TEST_WORK");
    const std::string drawn = std::string(work ? work : ".") + "/" + name;
    ASSERT_TRUE(ImageLib::WritePNGImage(drawn, actual));
    if (const char* write = std::getenv("ZELKOR_WRITE_EXPECTED"); write && *write == '1') {
        std::filesystem::create_directories(std::filesystem::path(kept).parent_path());
        ASSERT_TRUE(ImageLib::WritePNGImage(kept, actual));
        return;
    }
    ImageLib::ImagePtr expected = ImageLib::GetPNGImage(kept);
    ASSERT_NE(expected, nullptr) << "no kept picture " << kept << "; the one drawn is " << drawn;
    ASSERT_EQ(expected->width, actual.width);
    ASSERT_EQ(expected->height, actual.height);
    int wrong = 0, first = -1;
    for (int i = 0; i < actual.width * actual.height; ++i) {
        const bool same = exact ? expected->bits[i] == actual.bits[i] : same_colour(expected->bits[i], actual.bits[i]);
        if (!same && first < 0) first = i;
        wrong += !same;
    }
    EXPECT_EQ(wrong, 0) << name << " differs first at (" << first % actual.width << ", " << first / actual.width
                        << "); the picture drawn is " << drawn;
}

std::uint32_t pixel(Vant::MemoryImage& image, int x, int y) { return image.GetBits()[y * image.width + x] & 0xFFFFFFu; }

}  // namespace guitest
