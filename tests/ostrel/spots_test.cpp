// Spots: the text spot's layout, fitting and centred drawing.
#include <gtest/gtest.h>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "ostrel/gui/Spots.h"

namespace {

using orvek::ostrel::TextSpot;
using Lines = std::vector<std::string>;

// Every character 6 pixels wide except 'W' (20) and the line break (0);
// records what it is asked to draw.
class FixedFont : public Vant::Font {
public:
    FixedFont() {
        ascent = 8;
        height = 10;
    }
    int CharWidth(char c) override { return c == '\n' ? 0 : c == 'W' ? 20 : 6; }
    int StringWidth(const std::string& text) override {
        int w = 0;
        for (char c : text) w += CharWidth(c);
        return w;
    }
    void DrawString(Vant::Graphics*, int x, int y, const std::string& text, const Vant::Color&,
                    const Vant::Rect&) override {
        drawn.push_back(std::to_string(x) + "," + std::to_string(y) + " " + text);
    }
    Vant::Font* Duplicate() override { return new FixedFont(*this); }
    std::vector<std::string> drawn;
};

TEST(TextSpotLayout, Table) {
    struct Case {
        const char* text;
        int width;
        Lines lines;
    } cases[] = {
        {"a\\nb", 100, {"a\n", "b"}},                       // the escape as typed in a data file
        {"a\\tb", 100, {"a    b"}},                         // a tab is four blanks
        {"abc def", 100, {"abc def"}},
        {"abc def", 30, {"abc", "def"}},                    // wraps at the blank
        {"abcdefgh", 30, {"abcde", "fgh"}},                 // breaks at the overflowing character
        {"abcdef", 30, {"abcde", "f"}},                     // a break on the last character keeps it
        {"ab\n", 100, {"ab\n"}},                            // a trailing line break adds no line
        {"Wab", 10, {"W", "a", "b"}},                       // a glyph wider than the spot stands alone
        {"", 100, {}},
    };
    FixedFont font;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TextSpot spot;
        spot.set_font(&font);
        spot.set_size(c.width, 50);
        spot.set_text(c.text);
        EXPECT_EQ(spot.lines(), c.lines);
    }
}

TEST(TextSpotLayout, FitsToLinesAndRelaysOutOnResize) {
    FixedFont font;
    TextSpot spot;
    spot.set_font(&font);
    spot.set_size(30, 0);
    spot.set_text("abc def\\nxy");
    spot.fit_to_lines();
    EXPECT_EQ(spot.size().width, 18);
    EXPECT_EQ(spot.size().height, 30);
    spot.set_size(100, 0);
    EXPECT_EQ(spot.lines(), (Lines{"abc def\n", "xy"}));

    TextSpot without_font;
    without_font.set_size(50, 50);
    without_font.set_text("hello");
    without_font.fit_to_lines();
    EXPECT_EQ(without_font.size().width, 0);
    EXPECT_EQ(without_font.size().height, 0);
    EXPECT_TRUE(without_font.lines().empty());
}

TEST(TextSpotDraw, CentredLinesDropTheirBreaks) {
    FixedFont font;
    TextSpot spot;
    spot.set_font(&font);
    spot.set_position({10, 20});
    spot.set_size(60, 40);
    spot.set_text("ab\\ncdef");
    spot.set_centered(true);
    Vant::Graphics g;
    spot.draw(g);
    EXPECT_EQ(font.drawn, (Lines{"34,28 ab", "28,38 cdef"}));
    font.drawn.clear();
    spot.set_centered(false);
    spot.draw(g);
    EXPECT_EQ(font.drawn, (Lines{"10,28 ab", "10,38 cdef"}));
}

}  // namespace
