#include "gui/BasicScreen.h"

#include "framework/graphics/Graphics.h"
#include "gui/ScreenSystem.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

using orvek::ostrel::Skin;

void set_text_look(orvek::ostrel::StringSpot& spot, const Skin& skin, const std::string& node) {
    spot.set_font(skin.get_font(node + "/font"));
    const Vant::Color c = skin.get_color(node);
    spot.set_color(c.r, c.g, c.b, c.a);
}

void set_sized_text(orvek::ostrel::StringSpot& spot, const std::string& text) {
    spot.set_text(text);
    const orvek::ostrel::Size s = spot.text_size();
    spot.set_size(s.width, s.height);
}

BasicScreen::BasicScreen(ScreenSystem& system, const std::string& skin_path)
    : orvek::ostrel::BasicScreen(system, skin_path) {}

ScreenSystem* BasicScreen::screen_system() const {
    return static_cast<ScreenSystem*>(orvek::ostrel::BasicScreen::screen_system());
}

SessionControllerBase* BasicScreen::controller() const {
    ScreenSystem* s = screen_system();
    return s ? s->controller() : nullptr;
}

BasicModalScreen::BasicModalScreen(ScreenSystem& system, const std::string& skin_path)
    : BasicScreen(system, skin_path) {}

std::string ModalScreenWithText::look_path(const std::string& skin_path) {
    const Skin* skin = Skin::instance();
    return "menu/dialogs/" + (skin ? skin->get_attribute(skin_path, "type") : std::string());
}

ModalScreenWithText::ModalScreenWithText(ScreenSystem& system, const std::string& skin_path)
    : BasicModalScreen(system, look_path(skin_path)), screen_path_(skin_path) {
    Skin* skin = Skin::instance();
    if (!skin) return;
    const std::string look = orvek::ostrel::BasicScreen::skin_path();
    // A missing font fails as the resource manager does.
    title_.set_font(skin->get_font(look + "/title/font"));
    body_.set_font(skin->get_font(look + "/text/font"));
    title_.set_text(skin->get_text(screen_path_ + "/@title"));
    body_.set_text(skin->get_text(screen_path_ + "/@text"));
    const Vant::Color tc = skin->get_color(look + "/title"), bc = skin->get_color(look + "/text");
    title_.set_color(tc.r, tc.g, tc.b, tc.a);
    body_.set_color(bc.r, bc.g, bc.b, bc.a);

    const orvek::ostrel::Size box = size();
    const orvek::ostrel::Size text = title_.text_size();
    title_.set_size(text.width, text.height);
    title_.set_position({(box.width - text.width) / 2, skin->get_position(look + "/title").second});
    const auto [bx, by] = skin->get_position(screen_path_ + "/text");
    body_.set_position({bx, by});
    body_.set_size(box.width, box.height);
    body_.set_centered(true);
}

void ModalScreenWithText::draw(Vant::Graphics* g) {
    BasicModalScreen::draw(g);
    if (!g) return;
    title_.draw(*g);
    body_.draw(*g);
}

}  // namespace orvek::trelm::gui
