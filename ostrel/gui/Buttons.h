#pragma once
// Buttons driven by the screen system's events: hover, press, release with
// a click action, a sound per state and the application's cursor. The
// three kinds draw it from four state images, from a skin button type with
// a caption, or as a check box of eight images.
#include <functional>
#include <memory>
#include <string>

#include "framework/graphics/Color.h"
#include "framework/graphics/Image.h"
#include "ostrel/Control.h"

namespace Vant {
class Font;
class MemoryImage;
}  // namespace Vant

namespace orvek::ostrel {

class BasicButton : public Control {
public:
    BasicButton(Control& parent, const std::string& skin_path);
    ~BasicButton() override;

    void set_action(std::function<void()> action);
    void set_sound_path(const char* path);
    const std::string& sound_path() const { return sound_path_; }
    bool is_active() const { return active_; }
    bool is_pressed() const { return pressed_; }
    bool has_mask() const { return mask_ != nullptr; }

    // Every cursor event.
    EventResult accepts(const events::Event& event) override;
    EventResult handle(const events::Event& event) override;

    // Each plays its state sound and sets the cursor; subclasses call them
    // first, then change their look.
    virtual void on_selected();
    virtual void on_deselected();
    virtual void on_activated();
    virtual void on_deactivated();

    // p in client coordinates: the rectangle and, with a mask, a pixel of
    // the mask that is not fully transparent.
    bool hits(Point p) const;

protected:
    // Whether the press that just ended ended over the button (a release
    // over it, or a second press); read in on_deselected.
    bool ended_over() const { return ended_over_; }

private:
    void play_state_sound(const char* state) const;

    std::function<void()> action_;
    bool pressed_ = false;
    bool active_ = false;
    bool ended_over_ = false;
    std::unique_ptr<Vant::MemoryImage> mask_;
    std::string sound_path_;
    Point last_cursor_;
    bool hand_cursor_ = true;
};

class ImagePushButton : public BasicButton {
public:
    ImagePushButton(Control& parent, const std::string& skin_path);

    void on_selected() override;
    void on_deselected() override;
    void on_activated() override;
    void on_deactivated() override;
    void draw(Vant::Graphics* g) override;

    Vant::Image* current_image() const { return current_; }

private:
    Vant::SharedImageRef normal_, active_image_, selected_, disabled_;
    Vant::Image* current_ = nullptr;
};

class ImageTextPushButton : public BasicButton {
public:
    // Size, sound, looks and font come from the node's button type
    // "menu/buttons/<type>"; a missing font throws.
    ImageTextPushButton(Control& parent, const std::string& skin_path);

    struct Look {
        Vant::SharedImageRef image;
        Vant::Color color{0, 0, 0, 255};
    };
    enum LookIndex { normal = 0, active = 1, selected = 2, disabled = 3 };

    void on_selected() override;
    void on_deselected() override;
    void on_activated() override;
    void on_deactivated() override;
    void draw(Vant::Graphics* g) override;

    const Look& look(int index) const { return looks_[index]; }
    int current_look() const { return current_; }
    const std::string& caption() const { return caption_; }
    Vant::Font* font() const { return font_; }

private:
    Look looks_[4];
    int current_ = normal;
    Vant::Font* font_ = nullptr;
    std::string caption_;
};

class ImageCheckButton : public BasicButton {
public:
    ImageCheckButton(Control& parent, const std::string& skin_path);

    // Indices of the eight images; the checked ones follow the unchecked.
    enum ImageIndex { normal, active, selected, disabled, checked_normal, checked_active, checked_selected,
                      checked_disabled };
    // Which image shows for a state.
    static ImageIndex choose(bool checked, bool disabled, bool pressed, bool active);

    bool is_checked() const { return checked_; }
    // Calls on-change only when the value changes.
    void set_checked(bool checked);
    void set_on_change(std::function<void(bool)> on_change);

    void on_selected() override;
    void on_deselected() override;
    void on_activated() override;
    void on_deactivated() override;
    void draw(Vant::Graphics* g) override;

    ImageIndex current_index() const { return current_; }

private:
    void update_image();

    Vant::SharedImageRef images_[8];
    ImageIndex current_ = normal;
    bool checked_ = false;
    std::function<void(bool)> on_change_;
};

}  // namespace orvek::ostrel
