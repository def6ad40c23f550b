#include "ostrel/gui/BasicScreen.h"

#include <algorithm>
#include <vector>

#include "framework/app/WidgetManager.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "orvek/Exception.h"
#include "ostrel/ScreenSystem.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Statics.h"

namespace orvek::ostrel {

namespace {

constexpr unsigned kEnter = 13;
constexpr unsigned kEscape = 27;

// Takes a widget out of the widget manager when it is one of its children.
void leave_manager(ScreenSystem* system, Vant::Widget* w) {
    Vant::WidgetManager* wm = system ? system->widget_manager() : nullptr;
    if (wm && wm->HasWidget(w)) wm->RemoveWidget(w);
}

}  // namespace

// ---------------------------------------------------------------- BasicScreen

BasicScreen::BasicScreen(ScreenSystem& system, const std::string& skin_path)
    : Screen(system), skin_path_(skin_path), shade_image_(std::make_unique<Vant::MemoryImage>()) {
    const auto [width, height] = screen_size();
    const int w = std::max(width, 0), h = std::max(height, 0);
    shade_image_->Create(w, h);
    const int alpha = 128 / (system.modal_count() + 1);
    if (w > 0 && h > 0) {
        const std::uint32_t pixel = alpha > 0 ? static_cast<std::uint32_t>(alpha) << 24 : 0;
        std::vector<std::uint32_t> bits(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), pixel);
        shade_image_->SetBits(bits.data(), w, h);
    }
    shade_ = std::make_unique<StaticImage>("");
    Vant::SharedImageRef ref;
    ref.AssignUnshared(shade_image_.get(), false);
    shade_->set_image(ref);
    shade_->hide();
    if (Vant::WidgetManager* wm = system.widget_manager()) wm->AddWidget(shade_->widget());
    control_ = std::make_unique<ScreenControl>(skin_path, *this);
}

BasicScreen::~BasicScreen() {
    if (Screen::system()) Screen::system()->remove(this);
    leave_manager(screen_system(), shade_->widget());
    control_.reset();
    shade_.reset();
}

void BasicScreen::on_activated() {
    if (is_modal()) shade_->set_visible(true);
}

void BasicScreen::on_deactivated() {
    if (is_modal()) shade_->set_visible(false);
}

void BasicScreen::on_shown() {
    if (ScreenSystem* s = screen_system()) s->set_cursor(0);
    if (auto* c = dynamic_cast<ScreenControl*>(control_.get())) c->set_centered(is_modal());
}

Control& BasicScreen::control() const {
    if (!control_) throw_logic_error(ORVEK_THROW_LOCATION, "There is no control installed.");
    return *control_;
}

ScreenSystem* BasicScreen::screen_system() const { return static_cast<ScreenSystem*>(Screen::system()); }

void BasicScreen::install_control(std::unique_ptr<Control> control) {
    if (Screen::system() && Screen::system()->contains(this))
        throw_logic_error(ORVEK_THROW_LOCATION, "A control is installed while the screen is shown.");
    control_ = std::move(control);
}

// ---------------------------------------------------------------- ScreenControl

ScreenControl::ScreenControl(const std::string& skin_path, BasicScreen& screen)
    : Control(skin_path), screen_(screen) {
    // A screen without a background is drawn without one; asking without
    // an exception keeps the miss out of the manager's error record, which
    // later failures would otherwise report.
    if (Skin* skin = Skin::instance()) background_ = skin->get_image_if_any(skin_path + "/background");
}

ScreenControl::~ScreenControl() { leave_manager(screen_.screen_system(), widget()); }

void ScreenControl::set_centered(bool centered) {
    centered_ = centered;
    if (!centered) return;
    const auto [width, height] = screen_size();
    const Size s = size();
    set_position({width / 2 - s.width / 2, height / 2 - s.height / 2});
}

EventResult ScreenControl::accepts(const events::Event&) { return EventResult(true); }

EventResult ScreenControl::handle(const events::Event& event) {
    EventResult result;
    if (screen_.is_modal()) result.set(true);
    ScreenSystem* system = screen_.screen_system();
    if (system && system->top_screen() == &screen_) {
        result.set(true);
        if (auto* key = dynamic_cast<const KeyPressEvent*>(&event)) {
            if (key->key() == kEnter) screen_.on_accept();
            else if (key->key() == kEscape) screen_.on_cancel();
        }
    }
    return result;
}

void ScreenControl::draw(Vant::Graphics* g) {
    if (!g) return;
    if (Vant::Image* image = background_.GetImage()) {
        const Size s = size();
        if (s.width == image->width && s.height == image->height)
            g->DrawImage(image, 0, 0);
        else
            g->DrawImage(image, 0, 0, s.width, s.height);
    }
    screen_.draw(g);
}

}  // namespace orvek::ostrel
