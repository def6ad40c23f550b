#pragma once
// Drawables that are not widgets: they take no input and are drawn and
// updated by whoever owns them.
#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "ostrel/Geometry.h"

namespace Vant {
class Font;
class Graphics;
}  // namespace Vant

namespace orvek::ostrel {

class BasicSpot {
public:
    virtual ~BasicSpot();
    // The slots; the spot's own do nothing.
    virtual void do_draw(Vant::Graphics& g);
    // True when the look changed.
    virtual bool do_update(float seconds);
    virtual void on_moved();
    virtual void on_resized();

    void draw(Vant::Graphics& g) { do_draw(g); }
    bool update(float seconds) { return do_update(seconds); }
    // Keeps the size.
    void set_position(Point p);
    void set_size(int width, int height);
    Size size() const { return {right_ - left_, bottom_ - top_}; }
    Point position() const { return {left_, top_}; }
    int left() const { return left_; }
    int top() const { return top_; }
    bool visible() const { return visible_; }
    void set_visible(bool visible) { visible_ = visible; }

private:
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    bool visible_ = true;
};

// Wrapped multi-line text. The two-character escapes "\n" and "\t" of data
// files become a line break and four blanks; lines wrap at blanks, and a
// word wider than the spot breaks where it overflows.
class TextSpot : public BasicSpot {
public:
    void set_text(const std::string& text);
    void set_font(Vant::Font* font);
    void set_color(int red, int green, int blue, int alpha = 255);
    void set_centered(bool centered) { centered_ = centered; }
    // Sizes the spot to its widest line and its lines' height; (0, 0)
    // without a font.
    void fit_to_lines();

    const std::string& text() const { return text_; }
    Vant::Font* font() const { return font_; }
    // The laid-out lines (each keeps its line break, if it had one).
    const std::vector<std::string>& lines();

    void do_draw(Vant::Graphics& g) override;
    void on_resized() override { lines_.clear(); }

private:
    void lay_out();

    std::string text_;
    Vant::Font* font_ = nullptr;
    Vant::Color color_{0, 0, 0, 255};
    bool centered_ = false;
    std::vector<std::string> lines_;
};

}  // namespace orvek::ostrel
