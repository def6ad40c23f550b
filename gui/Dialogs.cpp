#include "gui/Dialogs.h"

#include "core/LevelPosition.h"
#include "framework/graphics/Graphics.h"
#include "gui/ScreenSystem.h"
#include "ostrel/Events.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

using orvek::ostrel::EventResult;
using orvek::ostrel::Skin;

namespace {

constexpr std::uint32_t kSpace = 32;

// Font, colour and text of a spot from a node, sized to its text and
// centred on the screen at the y of the position node.
void set_up_spot(orvek::ostrel::StringSpot& spot, const std::string& node) {
    Skin* skin = Skin::instance();
    if (!skin) return;
    set_text_look(spot, *skin, node);
}

void centre_spot(orvek::ostrel::StringSpot& spot, const std::string& text, const std::string& position_node) {
    set_sized_text(spot, text);
    const orvek::ostrel::Size s = spot.size();
    const Skin* skin = Skin::instance();
    const int y = skin ? skin->get_position(position_node).second : 0;
    spot.set_position({(orvek::ostrel::screen_size().first - s.width) / 2, y});
}

}  // namespace

// ---------------------------------------------------------------- any-key control

DummyAnyKeyScreenControl::DummyAnyKeyScreenControl(orvek::ostrel::Control& parent) : Control(parent, "") {}

EventResult DummyAnyKeyScreenControl::accepts(const orvek::ostrel::events::Event& event) {
    return EventResult(dynamic_cast<const orvek::ostrel::SelectPressEvent*>(&event) != nullptr ||
                       dynamic_cast<const orvek::ostrel::KeyEvent*>(&event) != nullptr);
}

EventResult DummyAnyKeyScreenControl::handle(const orvek::ostrel::events::Event& event) {
    const auto* key = dynamic_cast<const orvek::ostrel::KeyPressEvent*>(&event);
    const bool fire = dynamic_cast<const orvek::ostrel::SelectPressEvent*>(&event) != nullptr ||
                      (key && key->key() == kSpace);
    if (!fire) return EventResult(false);
    if (action_) action_();
    return EventResult(true);
}

// ---------------------------------------------------------------- common part

GameDialog::GameDialog(ScreenSystem& system, const std::string& section) : ModalScreenWithText(system, section) {}

GameDialog::~GameDialog() { buttons_.clear(); }

void GameDialog::on_shown() {
    ModalScreenWithText::on_shown();
    decided_ = false;
}

void GameDialog::add_button(const std::string& suffix, std::function<void()> action) {
    auto b = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), screen_path() + suffix);
    b->set_action(std::move(action));
    buttons_.emplace_back(suffix, std::move(b));
}

orvek::ostrel::BasicButton* GameDialog::button(const std::string& suffix) const {
    for (const auto& [s, b] : buttons_)
        if (s == suffix) return b.get();
    return nullptr;
}

bool GameDialog::decide() {
    if (decided_) return false;
    decided_ = true;
    return true;
}

void GameDialog::pop_self() {
    if (ScreenSystem* ss = screen_system()) ss->pop_screen();
}

// ---------------------------------------------------------------- confirm dialogs

ConfirmDialog::ConfirmDialog(ScreenSystem& system, const std::string& section) : GameDialog(system, section) {
    add_button("/ok", [this] { on_accept(); });
    add_button("/cancel", [this] { on_cancel(); });
}

void ConfirmDialog::on_accept() {
    if (!decide()) return;
    pop_self();
    if (callback_) callback_();
}

void ConfirmDialog::on_cancel() {
    if (!decide()) return;
    pop_self();
}

ConfirmCloseGameScreen::ConfirmCloseGameScreen(ScreenSystem& system)
    : ConfirmDialog(system, "menu/confirm-close-game") {}

ConfirmRemovePlayerScreen::ConfirmRemovePlayerScreen(ScreenSystem& system, const std::string& name)
    : ConfirmDialog(system, "menu/confirm-remove-player"), name_text_(name) {
    set_up_spot(name_, "menu/confirm-remove-player/name");
    centre_spot(name_, name, "menu/confirm-remove-player/name");
}

void ConfirmRemovePlayerScreen::draw(Vant::Graphics* g) {
    ConfirmDialog::draw(g);
    if (g) name_.draw(*g);
}

ConfirmRemoveResultsScreen::ConfirmRemoveResultsScreen(ScreenSystem& system)
    : ConfirmDialog(system, "menu/confirm-remove-results") {}

// ---------------------------------------------------------------- result dialogs

void ResultDialog::answer(int result) {
    if (!decide()) return;
    if (callback_) callback_(result);
}

ContinueSavedGameScreen::ContinueSavedGameScreen(ScreenSystem& system)
    : ResultDialog(system, "menu/continue-saved-game") {
    add_button("/load-saved-game", [this] { answer(1); });
    add_button("/start-new-game", [this] { answer(2); });
    add_button("/cancel", [this] { answer(0); });
    set_up_spot(score_, "menu/continue-saved-game/score");
    set_up_spot(stage_, "menu/continue-saved-game/game-stage");
}

void ContinueSavedGameScreen::set_score(int score) {
    const Skin* skin = Skin::instance();
    const std::string label = skin ? skin->get_text("menu/continue-saved-game/score") : std::string();
    score_text_ = label + " " + std::to_string(score);
    centre_spot(score_, score_text_, "menu/continue-saved-game/score");
}

void ContinueSavedGameScreen::set_stage(const orvek::trelm::core::LevelPosition& stage) {
    const Skin* skin = Skin::instance();
    const std::string label = skin ? skin->get_text("menu/continue-saved-game/stage") : std::string();
    stage_text_ = label + " " + stage.to_string();
    centre_spot(stage_, stage_text_, "menu/continue-saved-game/game-stage");
}

void ContinueSavedGameScreen::draw(Vant::Graphics* g) {
    ResultDialog::draw(g);
    if (!g) return;
    score_.draw(*g);
    stage_.draw(*g);
}

GameBreakScreen::GameBreakScreen(ScreenSystem& system) : ResultDialog(system, "menu/game-break") {
    add_button("/continue", [this] { answer(1); });
    add_button("/options", [this] { answer(2); });
    add_button("/exit", [this] { answer(0); });
}

MissionFailedScreen::MissionFailedScreen(ScreenSystem& system) : ResultDialog(system, "menu/mission-failed") {
    add_button("/restart", [this] { answer(0); });
    add_button("/quit", [this] { answer(1); });
}

// ---------------------------------------------------------------- pause and lost life

GamePauseScreen::GamePauseScreen(ScreenSystem& system) : GameDialog(system, "menu/game-pause") {
    any_key_ = std::make_unique<DummyAnyKeyScreenControl>(control());
    any_key_->set_position({0, 0});
    any_key_->set_size(size());
    any_key_->set_action([this] {
        ScreenSystem* ss = screen_system();
        if (ss && ss->top_screen() == this) resume_ = true;
    });
}

GamePauseScreen::~GamePauseScreen() { any_key_.reset(); }

void GamePauseScreen::update() {
    GameDialog::update();
    if (!resume_ || !decide()) return;
    pop_self();
    if (callback_) callback_();
}

LoseLifeScreen::LoseLifeScreen(ScreenSystem& system) : GameDialog(system, "menu/lose-life") {
    add_button("/continue", [this] { go_on(); });
}

void LoseLifeScreen::go_on() {
    if (!decide()) return;
    if (callback_) callback_();
}

}  // namespace orvek::trelm::gui
