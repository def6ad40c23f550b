#include "ostrel/gui/Statics.h"

#include <algorithm>

#include "framework/app/ResourceManager.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "ostrel/gui/Skin.h"

namespace orvek::ostrel {

// ---------------------------------------------------------------- StaticImage

StaticImage::StaticImage(const std::string& skin_path) : BasicStatic(skin_path) { take_skin_image(); }

StaticImage::StaticImage(Control& parent, const std::string& skin_path) : BasicStatic(parent, skin_path) {
    take_skin_image();
}

void StaticImage::take_skin_image() {
    if (skin_path().empty()) return;
    if (Skin* skin = Skin::instance()) spot_.set_image(skin->get_image_if_any(skin_path()));
    spot_.set_size(size().width, size().height);
}

void StaticImage::set_image(const Vant::SharedImageRef& image) {
    spot_.set_image(image);
    if (const Vant::Image* i = image.GetImage()) set_size({i->width, i->height});
}

void StaticImage::draw(Vant::Graphics* g) {
    if (g) spot_.draw(*g);
}

void StaticImage::on_resized() { spot_.set_size(size().width, size().height); }

// ---------------------------------------------------------------- StaticText

void StaticText::fit_size() {
    spot_.fit_to_lines();
    set_size(spot_.size());
}

void StaticText::draw(Vant::Graphics* g) {
    if (g) spot_.draw(*g);
}

void StaticText::on_resized() { spot_.set_size(size().width, size().height); }

// ---------------------------------------------------------------- Tooltip

std::array<SliceRect, 9> nine_slice_rects(int W, int H, int l, int t, int r, int b) {
    auto piece = [](int x, int y, int w, int h) {
        // Borders larger than the frame would give a negative size.
        if (w < 0 || h < 0) return SliceRect{x, y, 0, 0};
        return SliceRect{x, y, w, h};
    };
    return {piece(0, t, l, H - t - b),         piece(l, 0, W - l - r, t),  piece(W - r, t, r, H - t - b),
            piece(l, H - b, W - l - r, b),     piece(0, 0, l, t),          piece(W - r, 0, r, t),
            piece(0, H - b, l, b),             piece(W - r, H - b, r, b),  piece(l, t, W - l - r, H - t - b)};
}

Tooltip::Tooltip(const std::string& skin_path, std::shared_ptr<Control> content) : Control() {
    static const char* sides[4] = {"left", "top", "right", "bottom"};
    Skin* skin = Skin::instance();
    for (int i = 0; i < 4; ++i) {
        border_[i] = skin ? skin->get_int(skin_path + "/border", sides[i]) : 0;
        padding_[i] = skin && skin->has_attribute(skin_path + "/padding", sides[i])
                          ? skin->get_int(skin_path + "/padding", sides[i])
                          : border_[i];
    }
    try {
        if (!skin) throw Vant::ResourceManagerException("There is no skin.");
        frame_ = skin->get_image(skin_path);
        Vant::Image* frame = frame_.GetImage();
        if (frame) {
            const auto rects = nine_slice_rects(frame->width, frame->height, border_[0], border_[1], border_[2],
                                                border_[3]);
            for (std::size_t i = 0; i < rects.size(); ++i) {
                auto image = std::make_unique<Vant::MemoryImage>();
                if (rects[i].width > 0 && rects[i].height > 0) {
                    image->Create(rects[i].width, rects[i].height);
                    Vant::Graphics pen(image.get());
                    pen.DrawImage(frame, -rects[i].x, -rects[i].y);
                }
                pieces_[i] = std::move(image);
            }
        }
    } catch (const Vant::ResourceManagerException&) {
        frame_.Release();
    }
    if (content) set_content(std::move(content));
}

Tooltip::~Tooltip() = default;

void Tooltip::set_content(std::shared_ptr<Control> content) {
    if (!content) return;
    add_child(*content);
    content->set_position({padding_[0], padding_[1]});
    const Size s = content->size();
    set_size({s.width + padding_[0] + padding_[2], s.height + padding_[1] + padding_[3]});
    content_ = std::move(content);
}

void Tooltip::draw(Vant::Graphics* g) {
    if (!g || !has_frame()) return;
    const int W = size().width, H = size().height;
    const int l = border_[0], t = border_[1], r = border_[2], b = border_[3];
    auto* tl = pieces_[4].get();
    auto* tr = pieces_[5].get();
    auto* bl = pieces_[6].get();
    auto* br = pieces_[7].get();
    // An empty piece draws nothing.
    auto put = [&](Vant::MemoryImage* piece, int x, int y) {
        if (piece && piece->width > 0 && piece->height > 0) g->DrawImage(piece, x, y);
    };
    auto stretch = [&](Vant::MemoryImage* piece, int x, int y, int w, int h) {
        if (piece && piece->width > 0 && piece->height > 0 && w > 0 && h > 0) g->DrawImage(piece, x, y, w, h);
    };
    put(tl, 0, 0);
    put(tr, W - tr->width, 0);
    put(bl, 0, H - bl->height);
    put(br, W - tr->width, H - bl->height);
    stretch(pieces_[0].get(), 0, t, l, H - b - t);
    stretch(pieces_[1].get(), l, 0, W - r - l, t);
    stretch(pieces_[2].get(), W - r, t, r, H - b - t);
    stretch(pieces_[3].get(), l, H - b, W - r - l, b);
    stretch(pieces_[8].get(), l, t, W - r - l, H - b - t);
}

// ---------------------------------------------------------------- TextTooltip

TextTooltip::TextTooltip(const std::string& skin_path, int max_width)
    : Tooltip(skin_path), text_(std::make_shared<StaticText>()), max_width_(max_width) {
    add_child(*text_);
    text_->set_position({padding_left(), padding_top()});
    if (Skin* skin = Skin::instance()) {
        text_->set_text(skin->get_text(skin_path + "/text"));
        try {
            text_->set_font(skin->get_font(skin_path + "/font"));
        } catch (const Vant::ResourceManagerException&) {
            // Tolerated: the text keeps no font and draws nothing.
        }
        const Vant::Color c = skin->get_color(skin_path + "/text");
        text_->set_color(c.r, c.g, c.b, c.a);
    }
    lay_out();
}

void TextTooltip::set_text(const std::string& text) {
    text_->set_text(text);
    lay_out();
}

void TextTooltip::lay_out() {
    int width = max_width_;
    if (width == 0) width = Vant::VantAppBase::gApp ? Vant::VantAppBase::gApp->mWidth / 4 : 0;
    text_->set_size({width, 0});
    text_->fit_size();
    set_content(text_);
    text_->set_position({padding_left() + margin_[0], padding_top() + margin_[1]});
    const Size s = text_->size();
    set_size({s.width + padding_left() + margin_[0] + padding_right() + margin_[2],
              s.height + padding_top() + margin_[1] + padding_bottom() + margin_[3]});
}

}  // namespace orvek::ostrel
