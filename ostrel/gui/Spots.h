#pragma once
// Drawables that are not widgets: they take no input and are drawn and
// updated by whoever owns them.
#include <string>
#include <vector>

#include <memory>

#include "framework/graphics/Color.h"
#include "framework/graphics/Image.h"
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

// One line of text, rendered once into an image (20 pixels wider than the
// text, drawn from x = 10) and drawn from that until it changes.
class StringSpot : public BasicSpot {
public:
    StringSpot();
    ~StringSpot() override;
    void set_text(const std::string& text);
    const std::string& text() const { return text_; }
    void set_font(Vant::Font* font);
    void set_color(int red, int green, int blue, int alpha = 255);
    // Never cleared once set.
    void set_centered(bool centered);
    // The rendering's size: the text's width + 20 by the font's height.
    Size text_size() const { return {cached_width_, cached_height_}; }
    // How often the text was rendered.
    int renderings() const { return renderings_; }
    void do_draw(Vant::Graphics& g) override;

protected:
    virtual void draw_rendering(Vant::Graphics& g, Vant::Image* rendering, const Vant::Rect& src);
    void measure();
    void drop_rendering();
    bool centered_ = false;

private:
    std::string text_;
    Vant::Font* font_ = nullptr;
    Vant::Color color_{0, 0, 0, 255};
    std::unique_ptr<Vant::Image> rendering_;
    int cached_width_ = 0, cached_height_ = 0, renderings_ = 0;
};

// The same line, rotated about its centre.
class OrientedString : public StringSpot {
public:
    void set_angle(float angle);

protected:
    void draw_rendering(Vant::Graphics& g, Vant::Image* rendering, const Vant::Rect& src) override;

private:
    float angle_ = 0;
};

// An image with a scale.
class ImageSpot : public BasicSpot {
public:
    void set_image(const Vant::SharedImageRef& image) { image_ = image; }
    void set_scale(float scale) { scale_ = scale; }
    // The image's size; (0, 0) without one.
    Size image_size() const;
    void do_draw(Vant::Graphics& g) override;

private:
    Vant::SharedImageRef image_;
    float scale_ = 1.0f;
};

// A strip of cels played over a duration, forward or backward, once or
// looped; rotation, scale and sub-pixel position are drawn only when the
// application draws in 3D.
class AnimationSpot : public BasicSpot {
public:
    enum Direction { kForward = 0, kBackward = 1 };

    void set_image(const Vant::SharedImageRef& image);
    const Vant::SharedImageRef& image() const { return image_; }
    void set_duration(float seconds);
    void set_time(float seconds);
    void set_looped(bool looped) { looped_ = looped; }
    void set_additive(bool) { additive_ = true; }
    void set_rotation(float radians) { rotation_ = radians; }
    void set_scale(float scale) { scale_ = scale; }
    void set_held(bool held) { held_ = held; }
    void set_direction(int direction) { direction_ = direction; }
    void set_hide_when_stopped(bool hide) { hide_when_stopped_ = hide; }
    void play();
    void stop();
    bool is_playing() const { return playing_; }
    int current_frame() const { return elapsed_ / frame_time_; }
    int elapsed() const { return elapsed_; }
    int duration() const { return duration_; }
    int frame_time() const { return frame_time_; }
    Point source() const { return {source_x_, source_y_}; }
    void set_exact_position(float x, float y);
    std::pair<float, float> exact_position() const;
    // The same image and settings, as a new spot that has not played.
    virtual std::unique_ptr<AnimationSpot> clone() const;

    bool do_update(float seconds) override;
    void do_draw(Vant::Graphics& g) override;
    void on_moved() override { fraction_x_ = fraction_y_ = 0; }

private:
    Vant::SharedImageRef image_;
    int elapsed_ = 0, duration_ = 0, frame_time_ = 100;
    int source_x_ = 0, source_y_ = 0, cel_width_ = 0, cel_height_ = 0;
    bool playing_ = false, stopped_ = false, held_ = false, looped_ = false, additive_ = false,
         hide_when_stopped_ = true;
    int direction_ = kForward;
    float rotation_ = 0, scale_ = 1.0f, fraction_x_ = 0, fraction_y_ = 0;
};

// Seconds to whole milliseconds, rounded half up; NaN gives 0 and values
// beyond the int range saturate.
int seconds_to_ms(double seconds);
// trunc(value), saturating to the int range; NaN gives 0.
int saturate_int(double value);

}  // namespace orvek::ostrel
