// The desktop fonts over FreeType: which file a face name takes, metrics,
// stable widths, where the ink lands, clipping, underline and Cyrillic text.
#include "platform/SystemFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using plat::SystemFont;

std::unique_ptr<SystemFont> OpenOrFail(const std::string& face, int px, bool bold = false, bool italic = false,
                                       bool underline = false) {
    std::string error;
    auto f = SystemFont::Open(face, px, bold, italic, underline, &error);
    EXPECT_TRUE(f) << error;
    return f;
}

// A white text on a transparent black image.
struct Canvas {
    static constexpr int W = 200, H = 60;
    std::vector<uint32_t> px = std::vector<uint32_t>(W * H, 0);
    void Draw(const SystemFont& f, int x, int top, const std::string& text, plat::Rect clip = {0, 0, W, H}) {
        f.DrawText(px.data(), W, W, H, clip, x, top, text, 0xFFFFFF);
    }
    bool Inked(int x, int y) const { return (px[y * W + x] & 0xFF) != 0; }
    // First and last inked rows and columns; -1 when nothing is inked.
    int top = -1, bottom = -1, left = -1, right = -1;
    void Bounds() {
        top = bottom = left = right = -1;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (Inked(x, y)) {
                    if (top < 0) top = y;
                    bottom = y;
                    if (left < 0 || x < left) left = x;
                    right = std::max(right, x);
                }
    }
    std::vector<uint32_t> Ink() const { return px; }
};

TEST(SystemFont, FaceNamesMapToFamiliesAndStyles) {
    const std::string d = "/usr/share/fonts/truetype/dejavu/";
    struct Case {
        const char* face;
        bool bold, italic;
        std::string file;
    } cases[] = {
        {"Arial", false, false, "DejaVuSans.ttf"},
        {"tahoma", true, false, "DejaVuSans-Bold.ttf"},
        {"Verdana", false, true, "DejaVuSans-Oblique.ttf"},
        {"MS Sans Serif", true, true, "DejaVuSans-BoldOblique.ttf"},
        {"SansSerif", false, false, "DejaVuSans.ttf"},
        {"Some Face", false, false, "DejaVuSans.ttf"},
        {"Courier New", false, false, "DejaVuSansMono.ttf"},
        {"COURIER", true, true, "DejaVuSansMono-BoldOblique.ttf"},
        {"Times New Roman", false, false, "DejaVuSerif.ttf"},
        {"Times New Roman", true, true, "DejaVuSerif-BoldItalic.ttf"},
        {"Times New Roman", false, true, "DejaVuSerif-Italic.ttf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plat::SystemFontFile(c.face, c.bold, c.italic), d + c.file) << c.face;
        std::string error;
        EXPECT_TRUE(SystemFont::Open(c.face, 12, c.bold, c.italic, false, &error)) << c.face << ": " << error;
    }
}

TEST(SystemFont, MetricsAndWidthsAreStable) {
    auto a = OpenOrFail("Arial", 16);
    auto b = OpenOrFail("Arial", 16);
    auto big = OpenOrFail("Arial", 32);
    ASSERT_TRUE(a && b && big);
    EXPECT_GT(a->Ascent(), 10);
    EXPECT_GT(a->Height(), a->Ascent());
    EXPECT_GT(big->Height(), a->Height());
    const std::string text = "The quick brown fox";
    EXPECT_GT(a->MeasureText(text), 50);
    EXPECT_EQ(a->MeasureText(text), b->MeasureText(text));
    EXPECT_EQ(a->MeasureText(""), 0);
    EXPECT_EQ(a->MeasureText("ab"), a->MeasureText("a") + a->MeasureText("b"));
}

TEST(SystemFont, InkLiesInTheCellBelowTheGivenTop) {
    auto f = OpenOrFail("Arial", 20);
    ASSERT_TRUE(f);
    Canvas c;
    c.Draw(*f, 10, 15, "\xC9gj|\xA8");  // tall capitals and descenders
    c.Bounds();
    ASSERT_GE(c.top, 0);
    EXPECT_GE(c.top, 15);
    EXPECT_LE(c.top, 15 + 4);  // the tallest marks reach near the cell top
    EXPECT_LT(c.bottom, 15 + f->Height());
    EXPECT_GT(c.bottom, 15 + f->Ascent());  // descenders go below the baseline
    EXPECT_GE(c.left, 10);
    EXPECT_LE(c.right, 10 + f->MeasureText("\xC9gj|\xA8"));
}

TEST(SystemFont, DrawingKeepsToTheClipAndTheImage) {
    auto f = OpenOrFail("Arial", 24);
    ASSERT_TRUE(f);
    Canvas c;
    c.Draw(*f, -5, -8, "WWWWWWWWWWWWWWWWWWWWWWWW", {20, 5, 30, 10});
    c.Bounds();
    ASSERT_GE(c.top, 0);
    EXPECT_GE(c.left, 20);
    EXPECT_LE(c.right, 49);
    EXPECT_GE(c.top, 5);
    EXPECT_LE(c.bottom, 14);
    // Wholly outside: nothing, and no stray write.
    Canvas d;
    d.Draw(*f, 500, 500, "W");
    d.Draw(*f, 0, 0, "W", {0, 0, 0, 10});
    d.Bounds();
    EXPECT_EQ(d.top, -1);
}

TEST(SystemFont, CyrillicDrawsRealGlyphsAndUnderlineSitsBelowTheBaseline) {
    auto f = OpenOrFail("Tahoma", 20);
    ASSERT_TRUE(f);
    auto draw = [&](const std::string& s) {
        Canvas c;
        c.Draw(*f, 5, 5, s);
        return c.Ink();
    };
    const auto zhe = draw("\xC6"), de = draw("\xC4"), missing = draw("\x98");  // 0x98 has no character
    EXPECT_NE(zhe, de);
    EXPECT_NE(zhe, missing);
    EXPECT_NE(de, missing);

    auto u = OpenOrFail("Tahoma", 20, false, false, true);
    ASSERT_TRUE(u);
    Canvas plain, lined;
    plain.Draw(*f, 5, 5, "ace");
    lined.Draw(*u, 5, 5, "ace");
    int extraRows = 0;
    for (int y = 0; y < Canvas::H; ++y) {
        bool extra = false;
        for (int x = 0; x < Canvas::W; ++x) extra |= lined.Inked(x, y) && !plain.Inked(x, y);
        if (extra) {
            ++extraRows;
            EXPECT_GE(y, 5 + u->Ascent());
            EXPECT_LT(y, 5 + u->Height());
        }
    }
    EXPECT_GE(extraRows, 1);
}

}  // namespace
