#include "ostrel/gui/Spots.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "framework/graphics/Font.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/Transform.h"
#include "orvek/Exception.h"

namespace orvek::ostrel {

namespace {

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string without_breaks(std::string line) {
    line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
    return line;
}

bool drawing_in_3d() { return Vant::VantAppBase::gApp && Vant::VantAppBase::gApp->Is3DAccelerated(); }

}  // namespace

int saturate_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= double(INT_MAX)) return INT_MAX;
    if (value <= double(INT_MIN)) return INT_MIN;
    return int(value);
}

int seconds_to_ms(double seconds) { return saturate_int(seconds * 1000.0 + 0.5); }

// ---------------------------------------------------------------- BasicSpot

BasicSpot::~BasicSpot() = default;
void BasicSpot::do_draw(Vant::Graphics&) {}
bool BasicSpot::do_update(float) { return false; }
void BasicSpot::on_moved() {}
void BasicSpot::on_resized() {}

void BasicSpot::set_position(Point p) {
    if (p.x == left_ && p.y == top_) return;
    right_ += p.x - left_;
    bottom_ += p.y - top_;
    left_ = p.x;
    top_ = p.y;
    on_moved();
}

void BasicSpot::set_size(int width, int height) {
    if (width == right_ - left_ && height == bottom_ - top_) return;
    right_ = left_ + width;
    bottom_ = top_ + height;
    on_resized();
}

// ---------------------------------------------------------------- TextSpot

void TextSpot::set_text(const std::string& text) {
    text_ = text;
    // A replacement never makes a new backslash, so one pass finds them all.
    replace_all(text_, "\\n", "\n");
    replace_all(text_, "\\t", "    ");
    lines_.clear();
}

void TextSpot::set_font(Vant::Font* font) {
    font_ = font;
    lines_.clear();
}

void TextSpot::set_color(int red, int green, int blue, int alpha) { color_ = Vant::Color(red, green, blue, alpha); }

const std::vector<std::string>& TextSpot::lines() {
    if (lines_.empty()) lay_out();
    return lines_;
}

void TextSpot::lay_out() {
    lines_.clear();
    if (!font_) return;  // nothing to measure with
    const int width = size().width;
    const long n = long(text_.size());
    long start = -1, blank = -1;
    // Appends text[from, to] unless it is empty: a glyph wider than the
    // spot would otherwise leave an empty line in front of it.
    auto append = [&](long from, long to) {
        if (to >= from) lines_.push_back(text_.substr(std::size_t(from), std::size_t(to - from + 1)));
    };
    for (long i = 0; i < n; ++i) {
        if (text_[std::size_t(i)] == ' ') blank = i;
        if (text_[std::size_t(i)] == '\n') {
            append(start + 1, i);
            start = i;
            blank = -1;
        } else if (font_->StringWidth(text_.substr(std::size_t(start + 1), std::size_t(i - start))) > width) {
            if (blank != -1) {
                append(start + 1, blank - 1);
                start = blank;
            } else {
                append(start + 1, i - 1);
                start = i - 1;
            }
            blank = -1;
            if (i == n - 1) append(start + 1, n - 1);
        } else if (i == n - 1) {
            append(start + 1, i);
        }
    }
}

void TextSpot::fit_to_lines() {
    if (!font_) {
        set_size(0, 0);
        return;
    }
    if (lines_.empty()) lay_out();
    int widest = 0;
    for (const auto& line : lines_) widest = std::max(widest, font_->StringWidth(without_breaks(line)));
    set_size(widest, int(lines_.size()) * font_->GetHeight());
}

void TextSpot::do_draw(Vant::Graphics& g) {
    if (text_.empty() || !font_) return;
    if (lines_.empty()) lay_out();
    int y = top() + font_->GetAscent();
    for (const auto& raw : lines_) {
        const std::string line = without_breaks(raw);
        int x = left();
        if (centered_) x += (size().width - font_->StringWidth(line)) / 2;
        g.SetFont(font_);
        g.SetColor(color_);
        g.DrawString(line, x, y);
        y += font_->GetHeight();
    }
}

// ---------------------------------------------------------------- StringSpot

StringSpot::StringSpot() = default;
StringSpot::~StringSpot() = default;

void StringSpot::measure() {
    if (font_) {
        cached_width_ = font_->StringWidth(text_) + 20;
        cached_height_ = font_->GetHeight();
    } else {
        cached_width_ = cached_height_ = 0;
    }
}

void StringSpot::drop_rendering() { rendering_.reset(); }

void StringSpot::set_text(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    measure();
    drop_rendering();
}

void StringSpot::set_font(Vant::Font* font) {
    if (font == font_) return;
    font_ = font;
    measure();
    drop_rendering();
}

void StringSpot::set_color(int red, int green, int blue, int alpha) {
    color_ = Vant::Color(red, green, blue, alpha);
    drop_rendering();
}

void StringSpot::set_centered(bool centered) {
    if (centered) centered_ = true;
}

void StringSpot::do_draw(Vant::Graphics& g) {
    if (text_.empty() || !font_) return;
    if (!rendering_) {
        auto image = std::make_unique<Vant::MemoryImage>();
        image->Create(cached_width_, cached_height_);
        Vant::Graphics pen(image.get());
        font_->DrawString(&pen, 10, font_->GetAscent(), text_, color_,
                          Vant::Rect(0, 0, cached_width_, cached_height_));
        rendering_ = std::move(image);
        ++renderings_;
    }
    const Vant::Rect src(0, 0, std::min(size().width, rendering_->width), rendering_->height);
    draw_rendering(g, rendering_.get(), src);
}

void StringSpot::draw_rendering(Vant::Graphics& g, Vant::Image* rendering, const Vant::Rect& src) {
    g.DrawImage(rendering, centered_ ? left() - size().width / 2 : left(), top(), src);
}

void OrientedString::set_angle(float angle) {
    if (angle == angle_) return;
    angle_ = angle;
    measure();
    drop_rendering();
}

void OrientedString::draw_rendering(Vant::Graphics& g, Vant::Image* rendering, const Vant::Rect& src) {
    g.DrawImageRotated(rendering, left(), top(), angle_, src.width / 2, src.height / 2, &src);
}

// ---------------------------------------------------------------- ImageSpot

Size ImageSpot::image_size() const {
    const Vant::Image* image = image_.GetImage();
    return image ? Size{image->width, image->height} : Size{};
}

void ImageSpot::do_draw(Vant::Graphics& g) {
    Vant::Image* image = image_.GetImage();
    if (!image) return;
    const Size s = size();
    if (scale_ == 1.0f) {
        g.DrawImage(image, left(), top(), Vant::Rect(0, 0, s.width, s.height));
    } else {
        g.DrawImage(image, left(), top(), saturate_int(s.width * double(scale_) + 0.5),
                    saturate_int(s.height * double(scale_) + 0.5));
    }
}

// ---------------------------------------------------------------- AnimationSpot

void AnimationSpot::set_image(const Vant::SharedImageRef& image) {
    image_ = image;
    source_x_ = source_y_ = 0;
    const Vant::Image* i = image_.GetImage();
    cel_width_ = i ? i->GetCelWidth() : 0;
    cel_height_ = i ? i->GetCelHeight() : 0;
}

void AnimationSpot::set_duration(float seconds) {
    duration_ = std::max(0, seconds_to_ms(seconds));  // a negative duration counts as none
    const Vant::Image* i = image_.GetImage();
    const double cels = i ? double(std::max(1, i->numCols)) * std::max(1, i->numRows) : 1.0;
    frame_time_ = saturate_int(duration_ / cels + 0.5);
    if (frame_time_ <= 0) frame_time_ = 100;
}

void AnimationSpot::set_time(float seconds) {
    elapsed_ = seconds_to_ms(seconds);
    update(0);
}

void AnimationSpot::play() {
    if (!image_.GetImage()) return;
    playing_ = true;
    stopped_ = false;
    elapsed_ = 0;
}

void AnimationSpot::stop() {
    playing_ = false;
    stopped_ = true;
    elapsed_ = 0;
}

void AnimationSpot::set_exact_position(float x, float y) {
    const int ix = saturate_int(x), iy = saturate_int(y);
    set_position({ix, iy});
    fraction_x_ = std::isnan(x) ? 0 : x - float(ix);
    fraction_y_ = std::isnan(y) ? 0 : y - float(iy);
}

std::pair<float, float> AnimationSpot::exact_position() const {
    return {float(left()) + fraction_x_, float(top()) + fraction_y_};
}

std::unique_ptr<AnimationSpot> AnimationSpot::clone() const {
    auto copy = std::make_unique<AnimationSpot>();
    copy->set_image(image_);
    copy->set_duration(float(duration_) / 1000.0f);
    copy->looped_ = looped_;
    copy->additive_ = additive_;
    copy->rotation_ = rotation_;
    copy->scale_ = scale_;
    copy->hide_when_stopped_ = hide_when_stopped_;
    copy->direction_ = direction_;
    return copy;
}

bool AnimationSpot::do_update(float seconds) {
    const Vant::Image* image = image_.GetImage();
    if (!image || !playing_ || held_) return false;
    const long long step = seconds_to_ms(seconds);
    if (direction_ == kForward) {
        const long long next = elapsed_ + step;
        elapsed_ = saturate_int(double(next));
        if (next > duration_) {
            if (!looped_) {
                stop();
                return true;
            }
            elapsed_ = 0;
        }
    } else if (direction_ == kBackward) {
        const long long next = elapsed_ - step;
        elapsed_ = saturate_int(double(next));
        if (next < 0) {
            if (!looped_) {
                stop();
                return true;
            }
            elapsed_ = duration_;
        }
    } else {
        report_and_throw(ThrowLocation{__FILE__, static_cast<std::uint32_t>(__LINE__),
                                       "orvek::ostrel::AnimationSpot::update"},
                         Exception("NOT IMPLEMENTED"));
    }
    const int cols = std::max(1, image->numCols), rows = std::max(1, image->numRows);
    const int frame = elapsed_ / frame_time_;
    const int quotient = frame / cols;
    const int row = quotient >= rows ? 0 : quotient;
    int column = frame - cols * quotient;
    if (column >= cols) column = 0;
    const int x = cel_width_ * column, y = cel_height_ * row;
    if (x == source_x_ && y == source_y_) return false;
    source_x_ = x;
    source_y_ = y;
    return true;
}

void AnimationSpot::do_draw(Vant::Graphics& g) {
    Vant::Image* image = image_.GetImage();
    if (!visible() || !image) return;
    if (!playing_ && (!stopped_ || hide_when_stopped_)) return;
    const int mode = g.GetDrawMode();
    if (additive_) g.SetDrawMode(1);
    const Vant::Rect src(source_x_, source_y_, cel_width_, cel_height_);
    if ((rotation_ != 0 || scale_ != 1.0f || fraction_x_ != 0 || fraction_y_ != 0) && drawing_in_3d()) {
        Vant::Transform t;
        t.Reset();
        t.Scale(scale_, scale_);
        t.Rotate(rotation_);
        t.Translate(float(left()) + float(cel_width_) * 0.5f, float(top()) + float(cel_height_) * 0.5f);
        g.DrawImageTransform(image, t, src, fraction_x_, fraction_y_);
    } else if (scale_ == 1.0f) {
        g.DrawImage(image, left(), top(), src);
    } else {
        const double s = scale_;
        g.DrawImage(image,
                    Vant::Rect(left() + saturate_int(0.5 * ((1 - s) * cel_width_ + 1)),
                               top() + saturate_int(0.5 * ((1 - s) * cel_height_ + 1)),
                               saturate_int(cel_width_ * s + 0.5), saturate_int(cel_height_ * s + 0.5)),
                    src);
    }
    if (additive_) g.SetDrawMode(mode);
}

}  // namespace orvek::ostrel
