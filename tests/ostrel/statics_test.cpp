// Statics and tooltips: the nine-slice cut, the frame's draw positions,
// padding, text tooltips and the static image and text sizes.
#include <gtest/gtest.h>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Statics.h"
#include "support/AdapterHarness.h"

namespace {

using orvek::ostrel::Skin;
using orvek::ostrel::SliceRect;

TEST(NineSlice, CutRectangles) {
    struct Case {
        int W, H, l, t, r, b;
        std::array<SliceRect, 9> rects;
    } cases[] = {
        {9, 9, 3, 3, 3, 3,
         {{{0, 3, 3, 3}, {3, 0, 3, 3}, {6, 3, 3, 3}, {3, 6, 3, 3}, {0, 0, 3, 3}, {6, 0, 3, 3}, {0, 6, 3, 3},
           {6, 6, 3, 3}, {3, 3, 3, 3}}}},
        {10, 8, 1, 2, 3, 4,
         {{{0, 2, 1, 2}, {1, 0, 6, 2}, {7, 2, 3, 2}, {1, 4, 6, 4}, {0, 0, 1, 2}, {7, 0, 3, 2}, {0, 4, 1, 4},
           {7, 4, 3, 4}, {1, 2, 6, 2}}}},
        // Borders larger than the frame: the middle pieces are empty.
        {4, 4, 3, 3, 3, 3,
         {{{0, 3, 0, 0}, {3, 0, 0, 0}, {1, 3, 0, 0}, {3, 1, 0, 0}, {0, 0, 3, 3}, {1, 0, 3, 3}, {0, 1, 3, 3},
           {1, 1, 3, 3}, {3, 3, 0, 0}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.W << "x" << c.H);
        EXPECT_EQ(orvek::ostrel::nine_slice_rects(c.W, c.H, c.l, c.t, c.r, c.b), c.rects);
    }
}

// Every character 6 pixels wide; height 10.
class FixedFont : public Vant::Font {
public:
    FixedFont() {
        ascent = 8;
        height = 10;
    }
    int CharWidth(char c) override { return c == '\n' ? 0 : 6; }
    int StringWidth(const std::string& text) override {
        int w = 0;
        for (char c : text) w += CharWidth(c);
        return w;
    }
    void DrawString(Vant::Graphics*, int, int, const std::string& text, const Vant::Color&,
                    const Vant::Rect&) override {
        drawn.push_back(text);
    }
    Vant::Font* Duplicate() override { return new FixedFont(*this); }
    std::vector<std::string> drawn;
};

// A 9 x 9 frame whose nine 3 x 3 parts have the colours 1..9 (row by row,
// in the blue channel, times 16).
void write_frame(const std::string& path) {
    ImageLib::Image img(9, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) img.bits[y * 9 + x] = 0xFF000000u | uint32_t(((y / 3) * 3 + x / 3 + 1) * 16);
    ASSERT_TRUE(ImageLib::WritePNGImage(path, img));
}

struct Statics : ::testing::Test {
    adaptertest::Platform platform;
    std::unique_ptr<adaptertest::TestApp> app;
    void SetUp() override {
        write_frame(platform.dir.file("frame.png"));
        testsupport::write_file(platform.dir.file("Skin.xml"),
                                "<menu><tip><border left=\"3\" top=\"3\" right=\"3\" bottom=\"3\"/>"
                                "<padding left=\"5\"/><text color=\"1,2,3\"/></tip>"
                                "<pic position=\"0,0\" dimensions=\"7,5\"/></menu>\n");
        testsupport::write_file(platform.dir.file("en.xml"), "<menu><tip><text>hello</text></tip></menu>\n");
        testsupport::write_file(platform.dir.file("resources.xml"),
                                "<ResourceManifest><Resources id=\"Common\"><SetDefaults path=\"" +
                                    platform.dir.path().string() +
                                    "\"/><Image id=\"menu/tip\" path=\"frame\"/></Resources></ResourceManifest>\n");
        app = std::make_unique<adaptertest::TestApp>(&platform.host, platform.program);
        Skin::set_resources_file(platform.dir.file("resources.xml"));
        Skin::set_skin_file(platform.dir.file("Skin.xml").c_str());
        Skin::set_language_file(platform.dir.file("en.xml").c_str());
        Skin::create(dynamic_cast<orvek::ostrel::ResourceManager*>(app->resource_manager()));
        Skin::instance()->load_resources("Common");
    }
    void TearDown() override {
        Skin::destroy();
        Skin::set_resources_file("properties/resources.xml");
        Skin::set_skin_file("");
        Skin::set_language_file("");
        app.reset();
    }
};

TEST_F(Statics, PaddingFallsBackToTheBorder) {
    orvek::ostrel::Tooltip tip("menu/tip");
    EXPECT_EQ(tip.padding_left(), 5);
    EXPECT_EQ(tip.padding_top(), 3);
    EXPECT_EQ(tip.padding_right(), 3);
    EXPECT_EQ(tip.padding_bottom(), 3);
}

TEST_F(Statics, FrameDrawPositions) {
    orvek::ostrel::Tooltip tip("menu/tip");
    ASSERT_TRUE(tip.has_frame());
    tip.set_size({12, 10});
    Vant::MemoryImage dest;
    dest.Create(12, 10);
    Vant::Graphics g(&dest);
    tip.draw(&g);
    auto part = [&](int x, int y) { return ((dest.GetBits()[y * 12 + x] & 0xFF) + 8) / 16; };
    // Corners unscaled, edges and centre stretched between them.
    const int expected[10][12] = {
        {1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3}, {1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3},
        {1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3}, {4, 4, 4, 5, 5, 5, 5, 5, 5, 6, 6, 6},
        {4, 4, 4, 5, 5, 5, 5, 5, 5, 6, 6, 6}, {4, 4, 4, 5, 5, 5, 5, 5, 5, 6, 6, 6},
        {4, 4, 4, 5, 5, 5, 5, 5, 5, 6, 6, 6}, {7, 7, 7, 8, 8, 8, 8, 8, 8, 9, 9, 9},
        {7, 7, 7, 8, 8, 8, 8, 8, 8, 9, 9, 9}, {7, 7, 7, 8, 8, 8, 8, 8, 8, 9, 9, 9},
    };
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) EXPECT_EQ(part(x, y), expected[y][x]) << x << "," << y;
}

TEST_F(Statics, TextTooltipWrapsAtAQuarterOfTheApplication) {
    app->mWidth = 800;
    FixedFont font;
    orvek::ostrel::TextTooltip tip("menu/tip");
    // The fixture has no font resource: the text is sized (0, 0) and the
    // tooltip is its padding.
    EXPECT_EQ(tip.text().size(), (orvek::ostrel::Size{0, 0}));
    EXPECT_EQ(tip.size(), (orvek::ostrel::Size{8, 6}));
    Vant::Graphics none;
    tip.text().draw(&none);
    tip.text().set_font(&font);
    tip.set_text(std::string(60, 'x'));  // 360 pixels of text
    EXPECT_EQ(tip.text().size(), (orvek::ostrel::Size{198, 20}));
    EXPECT_EQ(tip.size(), (orvek::ostrel::Size{206, 26}));
}

TEST_F(Statics, StaticImageAndTextSizes) {
    orvek::ostrel::StaticImage pic("menu/pic");
    EXPECT_EQ(pic.size(), (orvek::ostrel::Size{7, 5}));
    pic.set_image(Vant::SharedImageRef());
    EXPECT_EQ(pic.size(), (orvek::ostrel::Size{7, 5}));
    pic.set_image(Skin::instance()->get_image("menu/tip"));
    EXPECT_EQ(pic.size(), (orvek::ostrel::Size{9, 9}));

    FixedFont font;
    orvek::ostrel::StaticText text;
    text.set_font(&font);
    text.set_size({100, 0});
    text.set_text("ab\\ncde");
    text.fit_size();
    EXPECT_EQ(text.size(), (orvek::ostrel::Size{18, 20}));
}

}  // namespace
