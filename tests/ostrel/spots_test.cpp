// Spots: the text spot's layout, fitting and centred drawing; the
// animation spot's timing, saturation, cloning and exact positions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "orvek/Exception.h"
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

namespace {

using orvek::ostrel::AnimationSpot;

// An 8 x 2 strip of 20 x 10 cels, each cel its own colour.
Vant::SharedImageRef strip() {
    auto* image = new Vant::MemoryImage();
    image->Create(160, 20);
    image->numCols = 8;
    image->numRows = 2;
    uint32_t* bits = image->GetBits();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 160; ++x) bits[y * 160 + x] = 0xFF000000u | uint32_t(((y / 10) * 8 + x / 20 + 1) * 16);
    Vant::SharedImageRef ref;
    ref.AssignUnshared(image, true);
    return ref;
}

AnimationSpot playing(float duration, bool looped = false, int direction = AnimationSpot::kForward) {
    AnimationSpot spot;
    spot.set_image(strip());
    spot.set_duration(duration);
    spot.set_looped(looped);
    spot.set_direction(direction);
    spot.play();
    return spot;
}

// The colour code of the cel drawn at (0, 0), 0 when nothing was drawn.
uint32_t drawn_cel(AnimationSpot& spot) {
    Vant::MemoryImage dest;
    dest.Create(20, 10);
    Vant::Graphics g(&dest);
    spot.draw(g);
    return ((dest.GetBits()[0] & 0xFF) + 8) / 16;  // blending may round a step down
}

TEST(AnimationSpotTiming, FramesAndEnds) {
    AnimationSpot spot = playing(1.6f);
    EXPECT_EQ(spot.frame_time(), 100);
    spot.set_time(0.9f);
    EXPECT_EQ(spot.source(), (orvek::ostrel::Point{20, 10}));  // column 1 of row 1
    EXPECT_EQ(drawn_cel(spot), 10u);

    EXPECT_EQ(playing(0).frame_time(), 100);
    EXPECT_EQ(playing(-3).duration(), 0);
    EXPECT_EQ(playing(-3).frame_time(), 100);

    AnimationSpot once = playing(1.6f);
    once.update(1.6f);
    EXPECT_TRUE(once.is_playing());
    EXPECT_TRUE(once.update(0.001f));  // passes the duration
    EXPECT_FALSE(once.is_playing());
    EXPECT_EQ(drawn_cel(once), 0u);  // hidden once stopped

    AnimationSpot back = playing(1.6f, true, AnimationSpot::kBackward);
    back.update(0.05f);
    EXPECT_EQ(back.elapsed(), 1600);
    EXPECT_TRUE(back.is_playing());

    AnimationSpot held = playing(1.6f, true);
    held.set_held(true);
    EXPECT_FALSE(held.update(0.5f));
    EXPECT_EQ(held.elapsed(), 0);

    AnimationSpot odd = playing(1.6f, true, 7);
    EXPECT_THROW(odd.update(0.1f), orvek::Exception);
}

TEST(AnimationSpotTiming, NaNAndHugeSecondsSaturate) {
    AnimationSpot spot = playing(std::nanf(""), true);
    EXPECT_EQ(spot.duration(), 0);
    EXPECT_EQ(spot.frame_time(), 100);
    spot.set_duration(1e30f);
    EXPECT_EQ(spot.duration(), INT_MAX);
    spot.set_time(1e30f);
    EXPECT_EQ(spot.elapsed(), INT_MAX);
    spot.update(1e30f);  // wraps instead of overflowing
    EXPECT_EQ(spot.elapsed(), 0);
    spot.update(std::nanf(""));
    EXPECT_EQ(spot.elapsed(), 0);
    EXPECT_EQ(orvek::ostrel::seconds_to_ms(-1e30), INT_MIN);
}

TEST(AnimationSpotState, CloneKeepsSettingsNotPlayAndFractionsLastUntilAMove) {
    AnimationSpot spot = playing(0.8f, true);
    spot.set_rotation(1.5f);
    spot.set_position({5, 6});
    spot.update(0.3f);
    auto copy = spot.clone();
    EXPECT_FALSE(copy->is_playing());
    EXPECT_EQ(copy->elapsed(), 0);
    EXPECT_EQ(copy->duration(), 800);
    EXPECT_EQ(copy->position(), (orvek::ostrel::Point{0, 0}));
    copy->play();
    copy->update(0.85f);  // looped like its source
    EXPECT_TRUE(copy->is_playing());

    spot.set_exact_position(10.25f, 3.5f);
    EXPECT_EQ(spot.exact_position(), (std::pair<float, float>{10.25f, 3.5f}));
    spot.set_exact_position(10.75f, 3.25f);  // same whole pixel: fractions kept
    EXPECT_EQ(spot.exact_position(), (std::pair<float, float>{10.75f, 3.25f}));
    spot.set_position({20, 30});
    EXPECT_EQ(spot.exact_position(), (std::pair<float, float>{20.0f, 30.0f}));
}

}  // namespace

namespace {

TEST(StringSpot, RendersOnceUntilItsLookChanges) {
    FixedFont font;
    orvek::ostrel::StringSpot spot;
    spot.set_font(&font);
    spot.set_text("abc");
    spot.set_size(100, 10);
    EXPECT_EQ(spot.text_size(), (orvek::ostrel::Size{38, 10}));
    Vant::Graphics g;
    for (int i = 0; i < 5; ++i) spot.draw(g);
    EXPECT_EQ(spot.renderings(), 1);
    EXPECT_EQ(font.drawn, (Lines{"10,8 abc"}));
    spot.set_text("abc");  // the same text keeps the rendering
    spot.draw(g);
    EXPECT_EQ(spot.renderings(), 1);
    spot.set_color(255, 0, 0);
    spot.draw(g);
    EXPECT_EQ(spot.renderings(), 2);
}

TEST(ImageSpot, ScaledSizesRoundHalfUp) {
    struct Case {
        float scale;
        int width, height;
    } cases[] = {{1.0f, 10, 10}, {0.25f, 3, 3}, {0.55f, 6, 6}, {1.5f, 15, 15}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        auto* red = new Vant::MemoryImage();
        red->Create(10, 10);
        for (int i = 0; i < 100; ++i) red->GetBits()[i] = 0xFFFF0000u;
        Vant::SharedImageRef ref;
        ref.AssignUnshared(red, true);
        orvek::ostrel::ImageSpot spot;
        spot.set_image(ref);
        spot.set_size(10, 10);
        spot.set_scale(c.scale);
        Vant::MemoryImage dest;
        dest.Create(20, 20);
        Vant::Graphics g(&dest);
        spot.draw(g);
        int w = 0, h = 0;
        for (int x = 0; x < 20; ++x) w += (dest.GetBits()[x] & 0xFF0000) != 0;
        for (int y = 0; y < 20; ++y) h += (dest.GetBits()[y * 20] & 0xFF0000) != 0;
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
    }
}

}  // namespace
