#include "gui/Interface.h"

#include <algorithm>

#include "core/LevelPosition.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "orvek/Names.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Spots.h"

namespace orvek::trelm::gui {

using orvek::ostrel::Skin;

namespace {

const std::string kSection = "menu/game/interface";

void set_up_text(orvek::ostrel::StringSpot& spot, const std::string& node, bool centred) {
    Skin* skin = Skin::instance();
    if (!skin) return;
    spot.set_font(skin->get_font(node + "/font"));
    const Vant::Color c = skin->get_color(node);
    spot.set_color(c.r, c.g, c.b, c.a);
    const auto [x, y] = skin->get_position(node);
    spot.set_position({x, y});
    spot.set_centered(centred);
}

void set_up_image(orvek::ostrel::ImageSpot& spot, const std::string& node, bool sized) {
    Skin* skin = Skin::instance();
    if (!skin) return;
    spot.set_image(skin->get_image(node));
    const auto [x, y] = skin->get_position(node);
    spot.set_position({x, y});
    const orvek::ostrel::Size s = sized ? spot.image_size() : orvek::ostrel::Size{};
    spot.set_size(s.width, s.height);
}

// The text, with the spot sized to it so a centred spot stays centred.
void show(orvek::ostrel::StringSpot& spot, const std::string& text) {
    spot.set_text(text);
    const orvek::ostrel::Size s = spot.text_size();
    spot.set_size(s.width, s.height);
}

}  // namespace

struct Interface::Impl_ {
    explicit Impl_(Interface& o) : owner(o) {}

    Interface& owner;
    orvek::ostrel::StringSpot stage;
    orvek::ostrel::StringSpot score;
    orvek::ostrel::ImageSpot life_icon;
    orvek::ostrel::StringSpot lives;
    orvek::ostrel::ImageSpot coin_icon;
    orvek::ostrel::StringSpot coins;
    orvek::ostrel::ImageSpot progress;
    std::string word;
    std::vector<bool> letters;
    std::unique_ptr<orvek::ostrel::ImageTextPushButton> menu;
    std::function<void()> on_menu;
};

Interface::Interface(orvek::ostrel::Control& parent) : Control(parent, kSection), impl_(std::make_unique<Impl_>(*this)) {
    Impl_& m = *impl_;
    set_up_text(m.stage, kSection + "/stage", true);
    set_up_image(m.life_icon, kSection + "/life-image", true);
    set_up_text(m.lives, kSection + "/lives", true);
    set_up_text(m.score, kSection + "/score", true);
    set_score(0);
    set_up_image(m.coin_icon, kSection + "/coin-image", true);
    set_up_text(m.coins, kSection + "/coins", false);
    set_up_image(m.progress, kSection + "/level-progress", false);
    m.menu = std::make_unique<orvek::ostrel::ImageTextPushButton>(*this, kSection + "/menu");
    m.menu->set_action([this] {
        // A copy: the callback may replace itself.
        if (auto callback = impl_->on_menu) callback();
    });
}

Interface::~Interface() {
    // The button leaves this control while it still exists.
    impl_->menu.reset();
}

void Interface::set_stage(const orvek::trelm::core::LevelPosition& stage) {
    std::string text = stage.to_string();
    if (const Skin* skin = Skin::instance()) {
        orvek::TextParams params;
        params.set("%stage%", text.c_str());
        text = skin->get_formatted_text(kSection + "/stage", params);
    }
    show(impl_->stage, text);
}

void Interface::set_score(std::uint32_t score) { show(impl_->score, std::to_string(score)); }
void Interface::set_lives(std::uint32_t lives) { show(impl_->lives, std::to_string(lives)); }
void Interface::set_coins(std::uint32_t coins) { show(impl_->coins, std::to_string(coins)); }

void Interface::set_progress(std::uint32_t percent) {
    percent = std::min<std::uint32_t>(percent, 100);
    const orvek::ostrel::Size s = impl_->progress.image_size();
    impl_->progress.set_size(int(s.width * double(percent) * 0.01), s.height);
}

void Interface::set_word(const std::string& word) {
    impl_->word = word;
    impl_->letters.assign(word.size(), false);
}

void Interface::activate_letter(std::size_t index) {
    if (index < impl_->letters.size()) impl_->letters[index] = true;
}

void Interface::clear_letters() { std::fill(impl_->letters.begin(), impl_->letters.end(), false); }

void Interface::set_on_menu(std::function<void()> callback) { impl_->on_menu = std::move(callback); }

void Interface::draw(Vant::Graphics* g) {
    if (!g) return;
    Impl_& m = *impl_;
    for (orvek::ostrel::BasicSpot* spot : std::initializer_list<orvek::ostrel::BasicSpot*>{
             &m.stage, &m.score, &m.life_icon, &m.lives, &m.coin_icon, &m.coins, &m.progress})
        spot->draw(*g);
    if (m.word.empty()) return;
    const Skin* skin = Skin::instance();
    if (!skin) return;
    Vant::Font* font = skin->get_font(kSection + "/word/font");
    if (!font) return;
    g->SetFont(font);
    auto [x, y] = skin->get_position(kSection + "/word");
    const Vant::Color active = skin->get_color(kSection + "/word/active-color");
    const Vant::Color inactive = skin->get_color(kSection + "/word/inactive-color");
    for (std::size_t i = 0; i < m.word.size(); ++i) {
        g->SetColor(m.letters[i] ? active : inactive);
        const char c = m.word[i];
        g->DrawString(std::string(1, c), x, y);
        x += font->CharWidth(c);
    }
}

const orvek::ostrel::StringSpot& Interface::stage_spot() const { return impl_->stage; }
const orvek::ostrel::StringSpot& Interface::score_spot() const { return impl_->score; }
const orvek::ostrel::StringSpot& Interface::lives_spot() const { return impl_->lives; }
const orvek::ostrel::StringSpot& Interface::coins_spot() const { return impl_->coins; }
const orvek::ostrel::ImageSpot& Interface::progress_spot() const { return impl_->progress; }
const orvek::ostrel::ImageSpot& Interface::life_icon() const { return impl_->life_icon; }
const orvek::ostrel::ImageSpot& Interface::coin_icon() const { return impl_->coin_icon; }
const std::string& Interface::word() const { return impl_->word; }
const std::vector<bool>& Interface::letter_states() const { return impl_->letters; }
orvek::ostrel::ImageTextPushButton& Interface::menu_button() const { return *impl_->menu; }

}  // namespace orvek::trelm::gui
