#pragma once
// A font with known metrics for the widget tests: every character it can
// draw is 6 pixels wide and drawn as a block; control characters and '#'
// it cannot draw (width 0). Height 13, ascent 10, ascent padding 1, line
// spacing 15.
#include <string>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

namespace apptest {

class TestFont : public Vant::Font {
public:
    static constexpr int kWidth = 6;
    TestFont() {
        ascent = 10;
        height = 13;
        ascentPadding = 1;
        lineSpacingOffset = 2;
    }
    static bool Draws(char c) { return static_cast<unsigned char>(c) >= 32 && c != '#'; }
    int CharWidth(char c) override { return Draws(c) ? kWidth : 0; }
    int CharWidthKern(char c, char) override { return CharWidth(c); }
    int StringWidth(const std::string& text) override {
        int w = 0;
        for (char c : text) w += CharWidth(c);
        return w;
    }
    void DrawString(Vant::Graphics* g, int x, int y, const std::string& text, const Vant::Color& color,
                    const Vant::Rect&) override {
        Vant::Graphics pen(*g);
        pen.SetColor(color);
        for (char c : text) {
            if (!Draws(c)) continue;
            if (c != ' ') pen.FillRect(x, y - ascent + 2, kWidth - 1, ascent - 2);
            x += kWidth;
        }
    }
    Vant::Font* Duplicate() override { return new TestFont(*this); }
    // The maker the stock widgets use for their default fonts.
    static Vant::Font* Make(const std::string&, int, bool) { return new TestFont; }
};

}  // namespace apptest
