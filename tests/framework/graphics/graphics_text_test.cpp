// The drawing context's text, boxes and transform draws, with a small
// fixed-width font that records what it is asked to draw.
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Transform.h"

#include "support/RecordingImage.h"

#include <gtest/gtest.h>

using Vant::Color;
using Vant::Graphics;
using Vant::Rect;
using graphicstest::Call;
using graphicstest::RecordingImage;

namespace {

// Every character 6 px wide; ascent 8, padding 1, height 10, line spacing 12.
class FixedFont : public Vant::Font {
public:
    struct Drawn {
        int x, y;
        std::string text;
        Color color;
    };
    FixedFont() {
        ascent = 8;
        ascentPadding = 1;
        height = 10;
        lineSpacingOffset = 2;
    }
    int StringWidth(const std::string& text) override { return 6 * static_cast<int>(text.size()); }
    void DrawString(Graphics*, int x, int y, const std::string& text, const Color& color, const Rect&) override {
        drawn.push_back({x, y, text, color});
    }
    Vant::Font* Duplicate() override { return new FixedFont(*this); }
    std::vector<Drawn> drawn;
};

struct TextFixture : testing::Test {
    RecordingImage dest{200, 200};
    Graphics g{&dest};
    FixedFont font;
    void SetUp() override { g.SetFont(&font); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& d : font.drawn) out.push_back(d.text);
        return out;
    }
};

using Strings = std::vector<std::string>;

TEST(FontBase, MetricsAndDefaults) {
    FixedFont f;
    EXPECT_EQ(f.GetAscent(), 8);
    EXPECT_EQ(f.GetAscentPadding(), 1);
    EXPECT_EQ(f.GetDescent(), 2);
    EXPECT_EQ(f.GetHeight(), 10);
    EXPECT_EQ(f.GetLineSpacingOffset(), 2);
    EXPECT_EQ(f.GetLineSpacing(), 12);
    EXPECT_EQ(f.CharWidth('x'), 6);          // through StringWidth
    EXPECT_EQ(f.CharWidthKern('x', 'y'), 6);  // through CharWidth
    std::unique_ptr<Vant::Font> copy(f.Duplicate());
    EXPECT_EQ(copy->GetLineSpacing(), 12);
}

TEST_F(TextFixture, DrawStringNeedsAFont) {
    g.SetColor(Color(1, 2, 3));
    g.DrawString("hi", 4, 5);
    ASSERT_EQ(font.drawn.size(), 1u);
    EXPECT_EQ(font.drawn[0].x, 4);
    EXPECT_EQ(font.drawn[0].color, Color(1, 2, 3));
    g.SetFont(nullptr);
    g.DrawString("hi", 4, 5);
    EXPECT_EQ(font.drawn.size(), 1u);
}

TEST_F(TextFixture, ColourCodes) {
    g.SetColor(Color(1, 2, 3, 77));
    EXPECT_EQ(g.WriteString("AB^FF0000^CD", 10, 20), 24);
    ASSERT_EQ(font.drawn.size(), 2u);
    EXPECT_EQ(font.drawn[0].text, "AB");
    EXPECT_EQ(font.drawn[0].x, 10);
    EXPECT_EQ(font.drawn[0].color, Color(1, 2, 3, 77));
    EXPECT_EQ(font.drawn[1].text, "CD");
    EXPECT_EQ(font.drawn[1].x, 22);
    EXPECT_EQ(font.drawn[1].color, Color(255, 0, 0, 77));  // alpha kept
    EXPECT_EQ(g.color, Color(255, 0, 0, 77));               // stays in force

    struct Case {
        std::string text;
        bool codes;
        Strings written;
        int width;
        Color after;
    } cases[] = {
        {"A^^B", true, {"A^B"}, 18, Color::Black},
        {"^^", true, {"^"}, 6, Color::Black},
        {"AB^FF00", true, {"AB"}, 12, Color::Black},    // code cut by the end: stops there
        {"AB^FF0000", true, {"AB"}, 12, Color::Black},  // seven characters: still cut
        {"AB^FF0000^", true, {"AB", ""}, 12, Color(255, 0, 0)},
        {"^a0B0zZ!x", true, {"", "x"}, 6, Color(160, 176, 0)},  // lower case; bad digits read 0
        {"AB^FF0000^CD", false, {"AB^FF0000^CD"}, 72, Color::Black},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        font.drawn.clear();
        g.SetColor(Color::Black);
        g.SetWriteColoredString(c.codes);
        EXPECT_EQ(g.WriteString(c.text, 0, 0), c.width);
        EXPECT_EQ(Texts(), c.written);
        EXPECT_EQ(g.color, c.after);
    }
}

TEST_F(TextFixture, JustificationRangeAndMeasuring) {
    const struct {
        int width, justification, x;
    } cases[] = {{100, Vant::JustifyCentre, 10 + 44}, {100, Vant::JustifyRight, 10 + 88},
                 {100, Vant::JustifyLeft, 10},       {100, 7, 10},
                 {5, Vant::JustifyCentre, 10 - 3}};  // (5 - 12) / 2 truncates toward zero
    for (const auto& c : cases) {
        font.drawn.clear();
        EXPECT_EQ(g.WriteString("AB", 10, 0, c.width, c.justification), 12);
        ASSERT_EQ(font.drawn.size(), 1u);
        EXPECT_EQ(font.drawn[0].x, c.x);
    }
    font.drawn.clear();
    EXPECT_EQ(g.WriteString("ABCDEF", 0, 0, 0, -1, false), 36);
    EXPECT_TRUE(font.drawn.empty());
    g.WriteString("ABCDEF", 0, 0, 0, -1, true, 2, 3);
    g.WriteString("ABCDEF", 0, 0, 0, -1, true, 4, 10);
    g.WriteString("ABCDEF", 0, 0, 0, -1, true, 1, -1);
    EXPECT_EQ(Texts(), (Strings{"CDE", "EF", "BCDEF"}));
    // A code is read only inside the range.
    font.drawn.clear();
    g.WriteString("AB^FF0000^CD", 0, 0, 0, -1, true, 0, 6);
    EXPECT_EQ(Texts(), (Strings{"AB"}));
}

struct WrapCase {
    std::string text;
    int width;
    Strings lines;
};

TEST_F(TextFixture, WordWrapTable) {
    const WrapCase cases[] = {
        {"aaa bbb", 20, {"aaa", "bbb"}},                 // the space at the break is skipped
        {"aaa   bbb", 20, {"aaa", "bbb"}},               // so are the ones after it
        {"abcdefgh", 20, {"abc", "def", "gh"}},          // split at the overflowing character
        {"abc", 4, {"a", "b", "c"}},                     // at least one character a line
        {"ab\ncd", 100, {"ab", "cd"}},                   // a newline always breaks
        {"ab\n cd", 100, {"ab", " cd"}},                 // and keeps the spaces after it
        {"a\n\nb", 100, {"a", "", "b"}},
        {"^FF0000^aaa bbb", 20, {"aaa", "bbb"}},     // codes take no room
        {"a^^a bbb", 20, {"a^a", "bbb"}},                // a doubled caret is one character
    };
    for (const WrapCase& c : cases) {
        SCOPED_TRACE(c.text);
        font.drawn.clear();
        int widest = -1;
        g.SetColor(Color(9, 9, 9));
        const int h = g.WriteWordWrapped(Rect(5, 100, c.width, 50), c.text, -1, -1, &widest);
        // Colour codes split a line into pieces: join them back per line.
        Strings lines;
        int lastY = -1;
        for (const auto& d : font.drawn) {
            if (d.y != lastY) lines.emplace_back();
            lines.back() += d.text;
            lastY = d.y;
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(font.drawn.front().y, 100 + 7);  // ascent - padding
        EXPECT_EQ(h, 9 + 12 * (static_cast<int>(c.lines.size()) - 1));
        int expectWidest = 0;
        for (const auto& l : c.lines) {
            expectWidest = std::max(expectWidest, 6 * static_cast<int>(l.size()));
        }
        if (c.text.find('^') == std::string::npos) {
            EXPECT_EQ(widest, expectWidest);
        }
        EXPECT_EQ(g.color, Color(9, 9, 9));  // restored
    }
}

TEST_F(TextFixture, WordWrapHeightsAndSpacing) {
    // One line: ascent - padding + descent; each further line adds the spacing.
    EXPECT_EQ(g.GetWordWrappedHeight(100, "one"), 9);
    EXPECT_EQ(g.GetWordWrappedHeight(100, "one\ntwo\nthree", 20), 9 + 40);
    // Empty text: ascent - padding - spacing + descent.
    EXPECT_EQ(g.GetWordWrappedHeight(100, ""), 9 - 12);
    int widest = 0;
    EXPECT_EQ(g.GetWordWrappedHeight(20, "aaa bb", -1, &widest), 21);
    EXPECT_EQ(widest, 18);
    EXPECT_TRUE(dest.calls.empty());

    // Measuring honours codes even when this Graphics writes them literally.
    g.SetWriteColoredString(false);
    EXPECT_EQ(g.GetWordWrappedHeight(24, "^FF0000^abcd"), 9);
}

// --- boxes

TEST(GraphicsBox, TilesEdgesAndClipsTheLastTile) {
    RecordingImage img(30, 30);
    for (const int height : {40, 45}) {
        RecordingImage dest(300, 300);
        Graphics g(&dest);
        g.Translate(7, 3);
        g.DrawImageBox(Rect(0, 0, 100, height), &img);
        int top = 0, bottom = 0, left = 0, right = 0, centre = 0, corners = 0;
        std::vector<Rect> leftSources;
        for (const Call& c : dest.Of("Blit")) {
            const Rect s = c.src;
            if (s.width == 10 && s.height == 10 && s.x != 10 && s.y != 10) ++corners;
            if (s.x == 10 && s.y == 0) ++top;
            if (s.x == 10 && s.y == 20) ++bottom;
            if (s.x == 0 && s.y == 10) ++left, leftSources.push_back(Rect(int(c.x1), int(c.y1), s.width, s.height));
            if (s.x == 20 && s.y == 10) ++right;
            if (s.x == 10 && s.y == 10) ++centre;
        }
        SCOPED_TRACE(height);
        EXPECT_EQ(corners, 4);
        EXPECT_EQ(top, 8);
        EXPECT_EQ(bottom, 8);
        const int sides = height == 40 ? 2 : 3;
        EXPECT_EQ(left, sides);
        EXPECT_EQ(right, sides);
        EXPECT_EQ(centre, 8 * sides);
        ASSERT_EQ(static_cast<int>(leftSources.size()), sides);
        EXPECT_EQ(leftSources[0], Rect(7, 13, 10, 10));
        if (height == 45) {
            EXPECT_EQ(leftSources[2], Rect(7, 33, 10, 5));  // the clip cuts it to 5 px
        }
    }
}

TEST(GraphicsBox, SourcesWithoutAMiddleDoNotDivideByZero) {
    RecordingImage img(30, 30), dest(300, 300);
    Graphics g(&dest);
    for (const Rect& src : {Rect(0, 0, 0, 30), Rect(0, 0, 30, 0), Rect(0, 0, 0, 0), Rect(0, 0, -4, 30)})
        g.DrawImageBox(src, Rect(0, 0, 100, 40), &img);
    // Only the corners' and one-direction tiles could draw; none of them has a middle of zero.
    for (const Call& c : dest.calls) EXPECT_GT(c.src.width * c.src.height, 0);
    // Two and one pixel wide sources tile their remainder.
    dest.calls.clear();
    g.DrawImageBox(Rect(0, 0, 2, 30), Rect(0, 0, 10, 30), &img);
    EXPECT_FALSE(dest.calls.empty());
    // A huge box walks only the tiles it can see.
    dest.calls.clear();
    g.DrawImageBox(Rect(0, 0, 30, 30), Rect(-2000000000, -2000000000, 2100000000, 2100000000), &img);
    EXPECT_LT(dest.calls.size(), 2000u);
    EXPECT_FALSE(dest.calls.empty());
}

// --- transforms

TEST(GraphicsTransform, NearestPixelRoundingAndTheFourPaths) {
    RecordingImage img(20, 10);
    const Rect src(0, 0, 20, 10);
    struct Case {
        float x;
        int expectX;
    } plain[] = {{10.6f, 1}, {10.4f, 0}, {10.5f, 1}, {30.0f, 20}};
    for (const Case& c : plain) {
        RecordingImage dest(100, 100);
        Graphics g(&dest);
        Vant::Transform t;
        g.DrawImageTransform(&img, t, src, c.x, 5.0f);
        ASSERT_EQ(dest.calls.size(), 1u);
        EXPECT_EQ(dest.calls[0].x1, c.expectX) << c.x;
        EXPECT_EQ(dest.calls[0].y1, 0);  // 5 - 5 + 0.5 -> 0
    }
    {
        RecordingImage dest(100, 100);
        Graphics g(&dest);
        Vant::Transform t;
        t.Translate(2, 3);
        g.DrawImageTransformF(&img, t, src, 10.0f, 10.0f, true);
        ASSERT_EQ(dest.calls.size(), 1u);
        EXPECT_EQ(dest.calls[0].op, "BlitF");
        EXPECT_FLOAT_EQ(dest.calls[0].x1, 2.5f);
        EXPECT_FLOAT_EQ(dest.calls[0].y1, 8.5f);
    }
    {
        RecordingImage dest(100, 100);
        Graphics g(&dest);
        Vant::Transform t;
        t.Rotate(0.5f);
        t.Translate(1, 1);  // post-translation
        g.DrawImageTransform(&img, t, src, 20.2f, 20.2f);
        g.DrawImageTransformF(&img, t, src, 20.2f, 20.2f, true);
        ASSERT_EQ(dest.calls.size(), 2u);
        EXPECT_EQ(dest.calls[0].op, "BlitRotated");
        EXPECT_FLOAT_EQ(dest.calls[0].x1, 11.0f);  // trunc(20.2 + 1 - 10 + 0.5)
        EXPECT_FLOAT_EQ(dest.calls[0].y1, 16.0f);  // trunc(20.2 + 1 - 5 + 0.5)
        EXPECT_FLOAT_EQ(dest.calls[0].centreX, 10.0f);
        EXPECT_FLOAT_EQ(dest.calls[0].centreY, 5.0f);
        EXPECT_NEAR(dest.calls[1].x1, 11.7f, 1e-4);
        EXPECT_FLOAT_EQ(static_cast<float>(dest.calls[1].angle), 0.5f);
    }
    {
        RecordingImage dest(100, 100);
        Graphics g(&dest);
        Vant::Transform t;
        t.Scale(1.5f, 2.0f);
        g.DrawImageTransform(&img, t, src, 40.0f, 40.0f);
        ASSERT_EQ(dest.calls.size(), 1u);
        EXPECT_EQ(dest.calls[0].op, "StretchBlit");
        EXPECT_EQ(dest.calls[0].rect, Rect(25, 30, 30, 20));
        t.Rotate(0.1f);  // scale and rotation: a general matrix
        g.DrawImageTransform(&img, t, src, 40.0f, 40.0f);
        EXPECT_EQ(dest.calls.back().op, "BlitMatrix");
    }
}

}  // namespace
