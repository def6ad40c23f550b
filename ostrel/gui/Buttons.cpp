#include "ostrel/gui/Buttons.h"

#include "framework/app/ResourceManager.h"
#include "framework/app/VantAppBase.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "orvek/Names.h"
#include "ostrel/Sound.h"
#include "ostrel/gui/Skin.h"

namespace orvek::ostrel {

namespace {

Skin& skin_or_throw() {
    Skin* skin = Skin::instance();
    if (!skin) throw Vant::ResourceManagerException("There is no skin.");
    return *skin;
}

void set_app_cursor(int number) {
    if (auto* app = Vant::VantAppBase::gApp) app->SetCursor(number);
}

}  // namespace

// ---------------------------------------------------------------- BasicButton

BasicButton::BasicButton(Control& parent, const std::string& skin_path) : Control(parent, skin_path) {
    // Most buttons have no input mask: asking for one is no error.
    if (const Skin* skin = Skin::instance()) {
        const Vant::SharedImageRef mask = skin->get_image_if_any(skin_path + "/input_mask");
        if (Vant::Image* image = mask.GetImage(); image && image->width > 0 && image->height > 0) {
            auto copy = std::make_unique<Vant::MemoryImage>();
            copy->Create(image->width, image->height);
            Vant::Graphics pen(copy.get());
            pen.DrawImage(image, 0, 0);
            mask_ = std::move(copy);
        }
    }
    if (const Skin* skin = Skin::instance(); skin && skin->has_attribute(skin_path + "/sound", "path"))
        sound_path_ = skin->get_path(skin_path + "/sound");
}

BasicButton::~BasicButton() = default;

void BasicButton::set_action(std::function<void()> action) { action_ = std::move(action); }
void BasicButton::set_sound_path(const char* path) { sound_path_ = path ? path : ""; }

bool BasicButton::hits(Point p) const {
    if (!contains_point(p)) return false;
    if (!mask_) return true;
    // The mask is read with its own row length, and a point past its edge
    // is no hit: the control's size is set apart from the mask's.
    const Point s = screen_position();
    const int x = p.x - s.x, y = p.y - s.y;
    if (x < 0 || y < 0 || x >= mask_->width || y >= mask_->height) return false;
    const std::uint32_t pixel = mask_->GetBits()[static_cast<std::size_t>(y) * mask_->width + x];
    return pixel > 0x00FFFFFFu;
}

EventResult BasicButton::accepts(const events::Event& event) {
    return EventResult(dynamic_cast<const CursorEvent*>(&event) != nullptr);
}

EventResult BasicButton::handle(const events::Event& event) {
    if (const auto* move = dynamic_cast<const PositionEvent*>(&event)) {
        last_cursor_ = move->position();
        if (hits(last_cursor_) && !event.handled_by()) {
            if (!active_) {
                active_ = true;
                on_activated();
            }
            return EventResult(true);
        }
        if (active_) {
            active_ = false;
            on_deactivated();
        }
        return EventResult(false);
    }
    if (const auto* press = dynamic_cast<const SelectPressEvent*>(&event)) {
        if (event.handled_by() || !hits(press->position())) return EventResult(false);
        pressed_ = !pressed_;
        if (pressed_) {
            on_selected();
        } else {
            ended_over_ = true;
            on_deselected();
        }
        return EventResult(true);
    }
    if (const auto* release = dynamic_cast<const SelectReleaseEvent*>(&event)) {
        if (!pressed_) return EventResult(false);
        // The press ends before the action runs: an action that closes the
        // screen destroys this button, so nothing of it is touched after.
        pressed_ = false;
        ended_over_ = hits(release->position());
        on_deselected();
        if (ended_over_ && action_) {
            const std::function<void()> action = action_;
            action();
        }
        return EventResult(true);
    }
    return EventResult(false);
}

void BasicButton::play_state_sound(const char* state) const {
    if (sound_path_.empty()) return;
    TextParams params;
    params.set("%state%", state);
    std::string name = sound_path_;
    params.apply(name);
    play_sound(name, false);
}

void BasicButton::on_selected() { play_state_sound("selected"); }

void BasicButton::on_deselected() {
    play_state_sound("deselected");
    if (!hits(last_cursor_)) set_app_cursor(0);
}

void BasicButton::on_activated() {
    play_state_sound("activated");
    if (hand_cursor_) set_app_cursor(1);
}

void BasicButton::on_deactivated() {
    play_state_sound("deactivated");
    if (!pressed_) set_app_cursor(0);
}

// ---------------------------------------------------------------- ImagePushButton

ImagePushButton::ImagePushButton(Control& parent, const std::string& skin_path) : BasicButton(parent, skin_path) {
    try {
        Skin& skin = skin_or_throw();
        normal_ = skin.get_image(skin_path + "/normal");
        active_image_ = skin.get_image(skin_path + "/active");
        selected_ = skin.get_image(skin_path + "/selected");
        disabled_ = skin.get_image(skin_path + "/disabled");
    } catch (const Vant::ResourceManagerException&) {
        // The images before the missing one are kept.
    }
    current_ = normal_.GetImage();
}

void ImagePushButton::on_selected() {
    BasicButton::on_selected();
    current_ = selected_.GetImage();
    mark_dirty();
}

void ImagePushButton::on_deselected() {
    BasicButton::on_deselected();
    current_ = is_active() ? active_image_.GetImage() : normal_.GetImage();
    mark_dirty();
}

void ImagePushButton::on_activated() {
    BasicButton::on_activated();
    current_ = is_pressed() ? selected_.GetImage() : active_image_.GetImage();
    mark_dirty();
}

void ImagePushButton::on_deactivated() {
    BasicButton::on_deactivated();
    current_ = normal_.GetImage();
    mark_dirty();
}

void ImagePushButton::draw(Vant::Graphics* g) {
    if (!g) return;
    Vant::Image* image = !is_enabled() && disabled_.GetImage() ? disabled_.GetImage() : current_;
    if (image) g->DrawImage(image, 0, 0, size().width, size().height);
}

// ---------------------------------------------------------------- ImageTextPushButton

ImageTextPushButton::ImageTextPushButton(Control& parent, const std::string& skin_path)
    : BasicButton(parent, skin_path) {
    Skin& skin = skin_or_throw();
    const std::string type = "menu/buttons/" + skin.get_attribute(skin_path, "type");
    const auto dim = skin.get_dimensions(type);
    set_size({dim.first, dim.second});
    if (skin.has_attribute(type, "sound_path")) set_sound_path(skin.get_attribute(type, "sound_path").c_str());
    static const char* const names[4] = {"/normal", "/active", "/selected", "/disabled"};
    try {
        for (int i = 0; i < 4; ++i) {
            looks_[i].image = skin.get_image(type + names[i]);
            looks_[i].color = skin.get_color(type + names[i]);
        }
    } catch (const Vant::ResourceManagerException&) {
        // The looks before the missing one are kept.
    }
    font_ = skin.get_font(type + "/font");
    caption_ = skin.get_text("menu/buttons/" + skin.get_attribute(skin_path, "text_path"));
}

void ImageTextPushButton::on_selected() {
    BasicButton::on_selected();
    current_ = selected;
    mark_dirty();
}

void ImageTextPushButton::on_deselected() {
    BasicButton::on_deselected();
    current_ = is_active() ? active : normal;
    mark_dirty();
}

void ImageTextPushButton::on_activated() {
    BasicButton::on_activated();
    current_ = is_pressed() ? selected : active;
    mark_dirty();
}

void ImageTextPushButton::on_deactivated() {
    BasicButton::on_deactivated();
    current_ = normal;
    mark_dirty();
}

void ImageTextPushButton::draw(Vant::Graphics* g) {
    if (!g) return;
    const Look* look = &looks_[current_];
    if (!is_enabled() && looks_[disabled].image.GetImage()) look = &looks_[disabled];
    Vant::Image* image = look->image.GetImage();
    if (!image) return;
    const Size s = size();
    g->DrawImage(image, 0, 0, s.width, s.height);
    if (caption_.empty() || !font_) return;
    const int x = (s.width - font_->StringWidth(caption_)) / 2;
    const int y = (s.height - font_->GetHeight()) / 2 + font_->GetAscent();
    g->SetFont(font_);
    g->SetColor(look->color);
    g->DrawString(caption_, x, y);
}

// ---------------------------------------------------------------- ImageCheckButton

ImageCheckButton::ImageCheckButton(Control& parent, const std::string& skin_path)
    : BasicButton(parent, skin_path) {
    static const char* const names[8] = {"/normal", "/active", "/selected", "/disabled", "/checked-normal",
                                         "/checked-active", "/checked-selected", "/checked-disabled"};
    Skin* skin = Skin::instance();
    for (int i = 0; i < 8 && skin; ++i) {
        try {
            images_[i] = skin->get_image(skin_path + names[i]);
        } catch (const Vant::ResourceManagerException&) {
            // Only this one is missing.
        }
    }
    update_image();
}

ImageCheckButton::ImageIndex ImageCheckButton::choose(bool checked, bool disabled, bool pressed, bool active) {
    int index = disabled ? 3 : pressed ? 2 : !active ? 0 : 1;
    return static_cast<ImageIndex>(checked ? index + 4 : index);
}

void ImageCheckButton::update_image() {
    current_ = choose(checked_, !is_enabled(), is_pressed(), is_active());
    mark_dirty();
}

void ImageCheckButton::set_checked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    update_image();
    if (on_change_) on_change_(checked_);
}

void ImageCheckButton::set_on_change(std::function<void(bool)> on_change) { on_change_ = std::move(on_change); }

void ImageCheckButton::on_selected() {
    BasicButton::on_selected();
    update_image();
}

void ImageCheckButton::on_deselected() {
    BasicButton::on_deselected();
    update_image();
    // Only a press that ends over the box toggles it, as any button fires
    // only then.
    if (!ended_over()) return;
    checked_ = !checked_;
    update_image();
    if (on_change_) on_change_(checked_);
}

void ImageCheckButton::on_activated() {
    BasicButton::on_activated();
    update_image();
}

void ImageCheckButton::on_deactivated() {
    BasicButton::on_deactivated();
    update_image();
}

void ImageCheckButton::draw(Vant::Graphics* g) {
    if (!g) return;
    Vant::Image* image = images_[current_].GetImage();
    // A disabled box shows the disabled image of its own checked state.
    if (!is_enabled()) {
        if (Vant::Image* d = images_[checked_ ? checked_disabled : disabled].GetImage()) image = d;
    }
    if (image) g->DrawImage(image, 0, 0);
}

}  // namespace orvek::ostrel
