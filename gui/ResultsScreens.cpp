#include "gui/ResultsScreens.h"

#include <string>

#include "core/LevelResult.h"
#include "core/Session.h"
#include "gui/Dialogs.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Spots.h"

namespace orvek::trelm::gui {

namespace {

using orvek::ostrel::Skin;

const std::string kBest = "menu/best-results";

std::shared_ptr<orvek::ostrel::StringSpot> row_spot(const Skin& skin, const std::string& node,
                                                    const std::string& text, int row) {
    auto spot = std::make_shared<orvek::ostrel::StringSpot>();
    set_text_look(*spot, skin, node);
    set_sized_text(*spot, text);
    const auto [x, y] = skin.get_position(node);
    const auto [dx, dy] = skin.get_offset(node);
    spot->set_position({x + row * dx, y + row * dy});
    return spot;
}

std::string score_text(const orvek::trelm::core::ResultEntry& entry) {
    const auto* score = dynamic_cast<const orvek::trelm::core::ScoreLevelResult*>(entry.result().get());
    return std::to_string(score ? score->score() : 0);
}

}  // namespace

BestResultsScreen::BestResultsScreen(ScreenSystem& system) : BasicScreen(system, kBest) {
    cancel_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), kBest + "/cancel");
    cancel_->set_action([this] { on_cancel(); });
    clear_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), kBest + "/clear");
    clear_->set_action([this] { on_clear(); });
}

BestResultsScreen::~BestResultsScreen() {
    spots_.clear();
    clear_.reset();
    cancel_.reset();
}

bool BestResultsScreen::decide() {
    if (decided_) return false;
    decided_ = true;
    return true;
}

void BestResultsScreen::on_shown() {
    BasicScreen::on_shown();
    decided_ = false;
    spots_.clear();
    SessionControllerBase* c = controller();
    if (!c) return;
    orvek::trelm::core::Session& session = c->session();
    auto entries = session.best_results(max_rows);
    if (entries.empty()) {
        session.fill_default_best_results();
        entries = session.best_results(max_rows);
    }
    const Skin* skin = Skin::instance();
    clear_->set_enabled(!entries.empty());
    if (entries.empty() || !skin) return;
    // The stage column is described by the look but not drawn.
    int row = 0;
    for (const auto& entry : entries) {
        spots_.push_back(row_spot(*skin, kBest + "/name", entry.name(), row));
        spots_.push_back(row_spot(*skin, kBest + "/score", score_text(entry), row));
        ++row;
    }
}

void BestResultsScreen::on_cancel() {
    ScreenSystem* ss = screen_system();
    if (!ss || !decide()) return;
    ss->pop_screen();
}

void BestResultsScreen::draw(Vant::Graphics* g) {
    if (!g) return;
    for (const auto& spot : spots_) spot->draw(*g);
}

void BestResultsScreen::on_clear() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    ConfirmRemoveResultsScreen* confirm = c->confirm_remove_results_screen();
    confirm->set_callback([c] { c->session().clear_results(); });
    ss->push_modal_screen(confirm);
}

CreditsScreen::CreditsScreen(ScreenSystem& system) : BasicScreen(system, "menu/credits") {
    ok_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), "menu/credits/ok");
    ok_->set_action([this] { on_cancel(); });
}

CreditsScreen::~CreditsScreen() { ok_.reset(); }

void CreditsScreen::on_shown() {
    BasicScreen::on_shown();
    decided_ = false;
}

void CreditsScreen::on_cancel() {
    ScreenSystem* ss = screen_system();
    if (!ss || decided_) return;
    decided_ = true;
    ss->pop_screen();
}

}  // namespace orvek::trelm::gui
