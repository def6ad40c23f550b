// System fonts through the drawing context: where the text lands, stable
// widths, Cyrillic glyphs, surfaces, and a page of text in several faces
// beside a two-layer image font, compared with a kept picture.
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SysFont.h"
#include "platform/SystemFont.h"
#include "support/FakeGraphicsApp.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

using Vant::Color;
using Vant::MemoryImage;
using Vant::Rect;
using Vant::SysFont;

class PopupApp : public graphicstest::FakeGraphicsApp {
public:
    Vant::SharedImageRef OpenSharedImage(const std::string& file, const std::string&, bool* isNew) override {
        if (isNew) *isNew = false;
        auto it = shared.find(file);
        return it == shared.end() ? Vant::SharedImageRef() : Vant::SharedImageRef(&it->second);
    }
    void Popup(const std::string& text) override { popups.push_back(text); }
    std::map<std::string, Vant::SharedImage> shared;
    std::vector<std::string> popups;
};

MemoryImage* Canvas(int w, int h, uint32_t fill = 0) {
    auto* img = new MemoryImage;
    img->Create(w, h);
    uint32_t* bits = img->GetBits();
    for (int i = 0; i < w * h; ++i) bits[i] = fill;
    img->BitsChanged();
    return img;
}

int Ink(MemoryImage& img) {
    int n = 0;
    const uint32_t* bits = img.GetBits();
    for (size_t i = 0; i < img.PixelCount(); ++i) n += (bits[i] & 0xFF) != 0;
    return n;
}

TEST(SysFont, TextSitsAtTheBaselineRuleAndWidthsAreStable) {
    PopupApp app;
    SysFont a(&app, "Arial", 12);
    SysFont b(&app, "Arial", 12, 204, false, false, false);
    ASSERT_TRUE(a.IsOpen());
    EXPECT_EQ(a.StringWidth("Hello, world"), b.StringWidth("Hello, world"));
    EXPECT_GT(a.StringWidth("Hello, world"), 40);
    EXPECT_EQ(a.GetHeight(), b.GetHeight());
    std::unique_ptr<Vant::Font> copy(a.Duplicate());
    EXPECT_EQ(copy->StringWidth("Hello"), a.StringWidth("Hello"));
    EXPECT_EQ(copy->GetAscent(), a.GetAscent());

    // 12 points at 96 dpi are 16 pixels; the cell top lies at y - ascent + 1,
    // after the drawing context's translation.
    std::string error;
    auto direct = plat::SystemFont::Open("Arial", 16, false, false, false, &error);
    ASSERT_TRUE(direct) << error;
    EXPECT_EQ(direct->Ascent(), a.GetAscent());
    std::unique_ptr<MemoryImage> want(Canvas(80, 40)), got(Canvas(80, 40));
    direct->DrawText(want->GetBits(), 80, 80, 40, plat::Rect{0, 0, 80, 40}, 7, 25 - a.GetAscent() + 1, "Hg",
                     0xFFFFFF);
    Vant::Graphics g(got.get());
    g.Translate(2, 5);
    a.DrawString(&g, 5, 20, "Hg", Color::White, g.clipRect);
    EXPECT_GT(Ink(*got), 20);
    EXPECT_EQ(std::vector<uint32_t>(got->GetBits(), got->GetBits() + 3200),
              std::vector<uint32_t>(want->GetBits(), want->GetBits() + 3200));

    // The clip holds.
    std::unique_ptr<MemoryImage> clipped(Canvas(80, 40));
    Vant::Graphics cg(clipped.get());
    a.DrawString(&cg, 0, 20, "WWWW", Color::White, Rect(0, 0, 10, 40));
    const uint32_t* bits = clipped->GetBits();
    for (int y = 0; y < 40; ++y)
        for (int x = 10; x < 80; ++x) ASSERT_EQ(bits[y * 80 + x], 0u) << x << "," << y;
    EXPECT_GT(Ink(*clipped), 0);
    EXPECT_TRUE(app.popups.empty());
}

TEST(SysFont, CyrillicDrawsRealGlyphs) {
    PopupApp app;
    SysFont f(&app, "Tahoma", 14);
    auto inkOf = [&](const std::string& text) {
        std::unique_ptr<MemoryImage> img(Canvas(60, 30));
        Vant::Graphics g(img.get());
        f.DrawString(&g, 2, 22, text, Color::White, Rect(0, 0, 60, 30));
        return std::vector<uint32_t>(img->GetBits(), img->GetBits() + 1800);
    };
    const auto box = inkOf("\x98");  // the one byte with no letter
    const auto de = inkOf("\xC4");   // capital De
    const auto zhe = inkOf("\xE6");  // small zhe
    EXPECT_NE(de, box);
    EXPECT_NE(zhe, box);
    EXPECT_NE(de, zhe);
    EXPECT_GT(f.StringWidth("\xCF\xF0\xE8\xE2\xE5\xF2"), f.StringWidth("\xCF"));
}

// Glyph cells of 6 x 8 whose pattern comes from the bits of the code.
MemoryImage* PatternStrip(const std::string& chars) {
    const int n = static_cast<int>(chars.size());
    auto* img = new MemoryImage;
    img->Create(6 * n, 8);
    uint32_t* bits = img->GetBits();
    for (int i = 0; i < n; ++i) {
        const unsigned code = static_cast<unsigned char>(chars[i]);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool on = x > 0 && x < 5 && (y == 0 || y == 7 || ((code >> (y % 7)) & 1) == (x & 1));
                bits[y * 6 * n + i * 6 + x] = on ? 0xFFFFFFFFu : 0u;
            }
    }
    img->BitsChanged();
    return img;
}

TEST(TextPage, EqualsTheKeptPicture) {
    PopupApp app;
    testsupport::TempDir dir;
    const std::string chars = "ZELKOR";
    app.shared[(dir.path() / "glyphs.png").string()].image.reset(PatternStrip(chars));
    std::string map = "(", rects = "(", widths = "(";
    for (size_t i = 0; i < chars.size(); ++i) {
        map += "'" + std::string(1, chars[i]) + "' ";
        rects += "(" + std::to_string(6 * i) + " 0 6 8) ";
        widths += "7 ";
    }
    map += ")";
    rects += ")";
    widths += ")";
    const std::string desc = "SetDefaultPointSize 8; CreateLayer Fill; LayerSetImage Fill 'glyphs.png';\n"
                             "LayerSetImageMap Fill " + map + " " + rects + ";\n"
                             "LayerSetCharWidths Fill " + map + " " + widths + ";\n"
                             "LayerSetAscent Fill 8; LayerSetPointSize Fill 8;\n"
                             "LayerSetKerningPairs Fill ('LK') (-2);\n"
                             "CreateLayerFrom Shadow Fill; LayerSetOffset Shadow (1 1);\n"
                             "LayerSetColorMult Shadow (0 0 0 0.7); LayerSetBaseOrder Shadow -1;\n";
    testsupport::write_file(dir.path() / "page.txt", desc);
    Vant::ImageFont image(&app, (dir.path() / "page.txt").string());
    ASSERT_TRUE(image.mFontData->mInitialized) << image.mFontData->mError;

    std::unique_ptr<MemoryImage> page(Canvas(320, 240, 0xFF203040));
    Vant::Graphics g(page.get());
    struct Line {
        const char* face;
        int points;
        bool bold, italic, underline;
        Color color;
        const char* text;
    } lines[] = {
        {"Arial", 10, false, false, false, Color(255, 255, 255), "Sans 10: The quick brown fox"},
        {"Tahoma", 12, true, false, false, Color(255, 220, 120), "Bold 12: jumps over"},
        {"Verdana", 12, false, true, true, Color(160, 255, 160), "Italic, underlined"},
        {"Courier New", 11, false, false, false, Color(200, 200, 255), "Mono 11: {x = 42;}"},
        {"Times New Roman", 14, true, true, false, Color(255, 160, 160), "Serif 14 bold italic"},
        {"MS Sans Serif", 12, false, false, false, Color(255, 255, 255, 128), "\xD2\xE5\xEA\xF1\xF2: \xC7\xE5\xEB\xEA\xEE\xF0"},
    };
    int y = 20;
    for (const Line& l : lines) {
        SysFont f(&app, l.face, l.points, 0, l.bold, l.italic, l.underline);
        f.DrawString(&g, 8, y, l.text, l.color, g.clipRect);
        y += f.GetLineSpacing() + 4;
    }
    image.DrawString(&g, 8, y + 4, "ZELKOR", Color(255, 200, 0), g.clipRect);
    image.SetScale(2.0);
    image.DrawString(&g, 80, y + 14, "ZELKOR", Color(0, 200, 255), g.clipRect);
    EXPECT_TRUE(app.popups.empty());

    ImageLib::Image out(page->width, page->height);
    std::copy(page->GetBits(), page->GetBits() + page->PixelCount(), out.bits.get());
    const std::filesystem::path kept = std::filesystem::path(ZELKOR_TEST_DATA_DIR) / "fonts" / "text_page.png";
    if (const char* write = std::getenv("ZELKOR_WRITE_TEXT_PAGE"); write && *write) {
        std::filesystem::create_directories(kept.parent_path());
        ASSERT_TRUE(ImageLib::WritePNGImage(kept.string(), out));
        GTEST_SKIP() << "wrote " << kept;
    }
    const auto want = ImageLib::GetPNGImage(kept.string());
    ASSERT_TRUE(want) << kept;
    ASSERT_EQ(want->width, out.width);
    ASSERT_EQ(want->height, out.height);
    int differing = 0;
    for (int i = 0; i < out.width * out.height; ++i) differing += want->bits[i] != out.bits[i];
    if (differing) ImageLib::WritePNGImage("text_page_actual.png", out);
    EXPECT_EQ(differing, 0) << "pixels differ; this run's picture is text_page_actual.png in the working folder";
}

}  // namespace
