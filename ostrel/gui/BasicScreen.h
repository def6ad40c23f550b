#pragma once
// A screen the adapter can show: a screen of the stack with a skin path, one
// installed control that carries everything the screen shows, and a shade
// that darkens what lies below while the screen is an active modal one. While
// the screen is on the stack its control is a child of the widget manager.
#include <memory>
#include <string>

#include "framework/graphics/Image.h"
#include "ostrel/Control.h"
#include "ostrel/screens/Screen.h"

namespace Vant {
class Graphics;
class MemoryImage;
}  // namespace Vant

namespace orvek::ostrel {

class ScreenSystem;
class StaticImage;

class BasicScreen : public orvek::screens::Screen {
public:
    // Makes the shade (black, alpha 128 / (modal screens on the stack + 1))
    // above every widget present, and installs a ScreenControl of the path.
    BasicScreen(ScreenSystem& system, const std::string& skin_path);
    // Leaves the stack while its control still exists, so the control's
    // widget leaves the widget manager at once.
    ~BasicScreen() override;

    virtual void on_cancel() {}
    virtual void on_accept() {}
    // Drawn by the screen control above its background.
    virtual void draw(Vant::Graphics*) {}

    void on_activated() override;
    void on_deactivated() override;
    // Cursor 0, and the control centred when the screen is modal.
    void on_shown() override;

    // The installed control; raises an error when there is none.
    Control& control() const;
    bool has_control() const { return control_ != nullptr; }
    Size size() const { return control().size(); }
    const std::string& skin_path() const { return skin_path_; }
    // The screen system it was made for; null once that is gone.
    ScreenSystem* screen_system() const;
    const StaticImage& shade() const { return *shade_; }
    const Vant::MemoryImage& shade_image() const { return *shade_image_; }

protected:
    // Replaces the installed control (the old one is deleted). Only while
    // the screen is off the stack.
    void install_control(std::unique_ptr<Control> control);

private:
    std::string skin_path_;
    std::unique_ptr<Vant::MemoryImage> shade_image_;
    std::unique_ptr<StaticImage> shade_;
    std::unique_ptr<Control> control_;
};

// The default control of a screen: the skin's "/background" under its path,
// then the screen's own drawing. It takes every event for its screen and
// turns Enter and Escape into the screen's accept and cancel.
class ScreenControl : public Control {
public:
    ScreenControl(const std::string& skin_path, BasicScreen& screen);
    ~ScreenControl() override;

    // When set, moves the control to the middle of the logical screen.
    void set_centered(bool centered);
    bool centered() const { return centered_; }
    bool has_background() const { return background_.GetImage() != nullptr; }

    EventResult accepts(const events::Event& event) override;
    // Handled when the screen is modal or on top; keys only on top.
    EventResult handle(const events::Event& event) override;
    void draw(Vant::Graphics* g) override;

private:
    BasicScreen& screen_;
    Vant::SharedImageRef background_;
    bool centered_ = false;
};

}  // namespace orvek::ostrel
