#pragma once
// Controls that only draw (statics never take input), and tooltips: a
// nine-slice frame cut from one skin image around a content control.
#include <array>
#include <memory>
#include <string>

#include "framework/graphics/Image.h"
#include "ostrel/Control.h"
#include "ostrel/gui/Spots.h"

namespace Vant {
class Font;
class MemoryImage;
}  // namespace Vant

namespace orvek::ostrel {

class BasicStatic : public Control {
public:
    BasicStatic() = default;
    explicit BasicStatic(const std::string& skin_path) : Control(skin_path) {}
    BasicStatic(Control& parent, const std::string& skin_path) : Control(parent, skin_path) {}
    EventResult accepts(const events::Event&) override { return EventResult(false); }
    EventResult handle(const events::Event&) override { return EventResult(false); }
};

// The image whose resource id is the skin path, when loaded.
class StaticImage : public BasicStatic {
public:
    explicit StaticImage(const std::string& skin_path);
    StaticImage(Control& parent, const std::string& skin_path);
    // An image takes the control to its size; none keeps the size.
    void set_image(const Vant::SharedImageRef& image);
    Size image_size() const { return spot_.image_size(); }
    void draw(Vant::Graphics* g) override;
    void on_resized() override;

private:
    void take_skin_image();
    ImageSpot spot_;
};

class StaticText : public BasicStatic {
public:
    StaticText() = default;
    void set_text(const std::string& text) { spot_.set_text(text); }
    void set_font(Vant::Font* font) { spot_.set_font(font); }
    void set_color(int red, int green, int blue, int alpha = 255) { spot_.set_color(red, green, blue, alpha); }
    void set_centered(bool centered) { spot_.set_centered(centered); }
    // The control takes the size of its laid-out text.
    void fit_size();
    TextSpot& spot() { return spot_; }
    void draw(Vant::Graphics* g) override;
    void on_resized() override;

private:
    TextSpot spot_;
};

// The rectangles the nine pieces are cut from, for a frame of W x H and
// borders l, t, r, b: left, top, right and bottom edge, the top-left,
// top-right, bottom-left and bottom-right corner, and the centre. A piece
// that would have a negative width or height is empty.
struct SliceRect {
    int x, y, width, height;
    bool operator==(const SliceRect&) const = default;
};
std::array<SliceRect, 9> nine_slice_rects(int W, int H, int l, int t, int r, int b);

class Tooltip : public Control {
public:
    explicit Tooltip(const std::string& skin_path, std::shared_ptr<Control> content = nullptr);
    ~Tooltip() override;
    void set_content(std::shared_ptr<Control> content);
    int padding_left() const { return padding_[0]; }
    int padding_top() const { return padding_[1]; }
    int padding_right() const { return padding_[2]; }
    int padding_bottom() const { return padding_[3]; }
    int border(int side) const { return border_[side]; }
    bool has_frame() const { return frame_.GetImage() != nullptr; }
    void draw(Vant::Graphics* g) override;

private:
    int border_[4] = {0, 0, 0, 0};   // left, top, right, bottom
    int padding_[4] = {0, 0, 0, 0};
    // Edges left, top, right, bottom; corners; centre (as nine_slice_rects).
    std::array<std::unique_ptr<Vant::MemoryImage>, 9> pieces_;
    Vant::SharedImageRef frame_;
    std::shared_ptr<Control> content_;
};

// A tooltip whose content is a text from the language file, wrapped at the
// maximum width (a quarter of the application's width when 0).
class TextTooltip : public Tooltip {
public:
    explicit TextTooltip(const std::string& skin_path, int max_width = 0);
    void set_text(const std::string& text);
    StaticText& text() { return *text_; }

private:
    void lay_out();
    std::shared_ptr<StaticText> text_;
    int margin_[4] = {0, 0, 0, 0};
    int max_width_ = 0;
};

}  // namespace orvek::ostrel
