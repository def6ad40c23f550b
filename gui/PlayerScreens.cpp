#include "gui/PlayerScreens.h"

#include <exception>

#include "core/Profiles.h"
#include "core/Session.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "orvek/Log.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/WidgetBridges.h"

namespace orvek::trelm::gui {

namespace {

using orvek::ostrel::ImageTextPushButton;

const std::string kNew = "menu/new-player";
const std::string kSelect = "menu/select-player";
const std::string kMode = "menu/select-gamemode";

const LogChannel& player_warnings() {
    static const LogChannel channel("Trelm.Players", log_warning_flag);
    return channel;
}

// Adds a player of that name and logs it in.
void create_player(SessionControllerBase& c, const std::string& name) {
    c.profiles().add(std::make_shared<orvek::trelm::core::Profile>(name));
    c.session().set_profile(c.profiles().find(name));
}

}  // namespace

// ---------------------------------------------------------------- new player

NewPlayerScreen::NewPlayerScreen(ScreenSystem& system, bool cancellable)
    : BasicModalScreen(system, kNew), cancellable_(cancellable) {
    edit_ = std::make_unique<orvek::ostrel::EditBox>(control().widget(), kNew + "/edit");
    edit_->set_max_chars(max_name_chars);
    edit_->set_on_char([this] { check_name(); });
    edit_->on_text = [this](const std::string&) { on_accept(); };
    ok_ = std::make_unique<ImageTextPushButton>(control(), kNew + "/ok");
    ok_->set_action([this] { on_accept(); });
    ok_->disable();
    cancel_ = std::make_unique<ImageTextPushButton>(control(), kNew + "/cancel");
    cancel_->set_action([this] { on_cancel(); });
    if (!cancellable_) {
        cancel_->hide();
        ok_->set_position({(size().width - ok_->size().width) / 2, ok_->position().y});
    }
}

NewPlayerScreen::~NewPlayerScreen() {
    cancel_.reset();
    ok_.reset();
    edit_.reset();
}

void NewPlayerScreen::on_shown() {
    BasicModalScreen::on_shown();
    decided_ = false;
    edit_->set_focus();
}

bool NewPlayerScreen::name_is_valid() const {
    const std::string& name = edit_->text();
    SessionControllerBase* c = controller();
    return !name.empty() && c && !c->profiles().contains(name);
}

void NewPlayerScreen::check_name() { ok_->set_enabled(name_is_valid()); }

// Keys that change the text without a character (Delete) are caught here.
void NewPlayerScreen::update() {
    BasicModalScreen::update();
    check_name();
}

void NewPlayerScreen::on_accept() {
    // Checked again: the button may not have caught up with the text yet.
    if (decided_ || !callback_ || !name_is_valid()) return;
    decided_ = true;
    const auto callback = callback_;
    const std::string name = edit_->text();
    callback(name);
}

void NewPlayerScreen::on_cancel() {
    if (decided_ || !cancellable_ || !callback_) return;
    decided_ = true;
    const auto callback = callback_;
    callback(std::string());
}

NewPlayerScreen* SessionControllerBase::new_player_screen(bool cancellable) {
    return make<NewPlayerScreen>(new_player_slot, cancellable);
}

// ---------------------------------------------------------------- select player

SelectPlayerScreen::SelectPlayerScreen(ScreenSystem& system) : BasicModalScreen(system, kSelect) {
    ok_ = std::make_unique<ImageTextPushButton>(control(), kSelect + "/ok");
    ok_->set_action([this] { on_accept(); });
    new_player_ = std::make_unique<ImageTextPushButton>(control(), kSelect + "/new-player");
    new_player_->set_action([this] { on_new_player(); });
    remove_player_ = std::make_unique<ImageTextPushButton>(control(), kSelect + "/remove-player");
    remove_player_->set_action([this] { on_remove_player(); });
    list_ = std::make_unique<orvek::ostrel::ListBox>(control().widget(), kSelect + "/list-box");
    list_->set_on_double_click([this](int line) { select(line); });
}

SelectPlayerScreen::~SelectPlayerScreen() {
    list_.reset();
    remove_player_.reset();
    new_player_.reset();
    ok_.reset();
}

bool SelectPlayerScreen::decide() {
    if (decided_) return false;
    decided_ = true;
    return true;
}

int SelectPlayerScreen::selected_line() const { return list_->mSelectIdx; }

void SelectPlayerScreen::on_shown() {
    BasicModalScreen::on_shown();
    decided_ = false;
    list_->clear();
    SessionControllerBase* c = controller();
    if (!c) return;
    const orvek::trelm::core::Profiles& profiles = c->profiles();
    for (unsigned i = 0; i < profiles.size(); ++i) list_->add_line(profiles.get(i)->name());
    const unsigned last = profiles.index_of(c->session().last_logged_profile());
    if (last < profiles.size())
        list_->select_line(static_cast<int>(last));
    else if (!profiles.empty())
        list_->select_line(0);
}

void SelectPlayerScreen::update() {
    BasicModalScreen::update();
    const bool selected = selected_line() >= 0;
    ok_->set_enabled(selected);
    remove_player_->set_enabled(selected);
}

void SelectPlayerScreen::on_accept() {
    if (selected_line() >= 0) select(selected_line());
}

void SelectPlayerScreen::on_cancel() {
    ScreenSystem* ss = screen_system();
    if (!ss || !decide()) return;
    ss->pop_screen();
}

void SelectPlayerScreen::select(int index) {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (index < 0 || !ss || !c) return;
    const auto profile = c->profiles().get(static_cast<unsigned>(index));
    if (!profile || !decide()) return;
    ss->pop_screen();
    c->session().log_off();
    c->session().set_profile(profile);
}

void SelectPlayerScreen::on_new_player() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    NewPlayerScreen* screen = c->new_player_screen(true);
    screen->set_callback([this](const std::string& name) { on_player_created(name); });
    ss->push_modal_screen(screen);
}

void SelectPlayerScreen::on_player_created(const std::string& name) {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c) return;
    ss->pop_screen();
    if (name.empty()) return;  // cancelled: back to the list
    create_player(*c, name);
    ss->pop_screen();
}

void SelectPlayerScreen::on_remove_player() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    const int line = selected_line();
    if (!ss || !c || line < 0) return;
    const auto profile = c->profiles().get(static_cast<unsigned>(line));
    if (!profile || !decide()) return;
    // The confirmation names the player; the name, not the line, decides
    // what goes, whatever the list holds by then.
    const std::string name = profile->name();
    ConfirmRemovePlayerScreen* confirm = c->confirm_remove_player_screen(name);
    confirm->set_callback([this, name] { remove_player(name); });
    ss->push_modal_screen(confirm);
}

void SelectPlayerScreen::remove_player(const std::string& name) {
    SessionControllerBase* c = controller();
    if (!c) return;
    orvek::trelm::core::Profiles& profiles = c->profiles();
    const unsigned index = profiles.index_of(name);
    if (index >= profiles.size()) return;
    // Progress must not go on into a profile the store no longer holds.
    orvek::trelm::core::Session& session = c->session();
    if (session.profile() == profiles.get(index)) session.log_off();
    profiles.remove(index);
    try {
        profiles.save();
    } catch (const std::exception& e) {
        player_warnings().stream() << "cannot save " << profiles.path() << " after removing a player: " << e.what()
                                   << std::endl;
    }
}

SelectPlayerScreen* SessionControllerBase::select_player_screen() {
    return make<SelectPlayerScreen>(select_player_slot);
}

// ---------------------------------------------------------------- game mode

SelectGameModeScreen::SelectGameModeScreen(ScreenSystem& system) : ResultDialog(system, kMode) {
    add_button("/campaign", [this] { answer(0); });
    add_button("/single", [this] { answer(1); });
    add_button("/back", [this] { answer(2); });
}

SelectGameModeScreen* SessionControllerBase::select_game_mode_screen() {
    return make<SelectGameModeScreen>(select_game_mode_slot);
}

}  // namespace orvek::trelm::gui
