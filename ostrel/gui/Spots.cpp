#include "ostrel/gui/Spots.h"

#include <algorithm>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

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

}  // namespace

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

}  // namespace orvek::ostrel
