#include "gui/MainMenuScreen.h"

#include <exception>

#include "core/CampaignPlayer.h"
#include "core/LevelPosition.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "core/StatisticsRecord.h"
#include "gui/CampaignScreen.h"
#include "gui/Dialogs.h"
#include "gui/HelpScreen.h"
#include "gui/OptionsScreen.h"
#include "gui/PlayerScreens.h"
#include "gui/ResultsScreens.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "gui/TrophyScreen.h"
#include "orvek/Log.h"
#include "orvek/Names.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/config/XmlAttributes.h"
#include "orvek/File.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {

using orvek::ostrel::ConfigValueReadOnly;
using orvek::ostrel::Skin;
using orvek::trelm::core::CampaignPlayer;
using orvek::trelm::core::LevelPosition;

const std::string kMain = "menu/main";

ConfigValueReadOnly<bool> usual_start("debug/@usual_start", true);
ConfigValueReadOnly<unsigned> start_level("debug/@start_level", 0u);
ConfigValueReadOnly<unsigned> start_sublevel("debug/@start_sublevel", 0u);
ConfigValueReadOnly<bool> open_single_mode("debug/@open_single_mode", false);

const LogChannel& menu_warnings() {
    static const LogChannel channel("Trelm.MainMenu", log_warning_flag);
    return channel;
}

void set_up_logo(orvek::ostrel::ImageSpot& logo, const std::string& path) {
    Skin* skin = Skin::instance();
    if (!skin) return;
    logo.set_image(skin->get_image(path));
    const auto [x, y] = skin->get_position(path);
    logo.set_position({x, y});
    const orvek::ostrel::Size s = logo.image_size();
    logo.set_size(s.width, s.height);
    // Without a scale the logo is drawn as it is, not shrunk to nothing.
    logo.set_scale(skin->has_attribute(path, "scale") ? skin->get_float(path, "scale") : 1.0f);
}

}  // namespace

MainMenuScreen::MainMenuScreen(ScreenSystem& system) : BasicScreen(system, kMain) {
    auto button = [this](const char* suffix, void (MainMenuScreen::*action)()) {
        auto b = std::make_unique<orvek::ostrel::ImagePushButton>(control(), kMain + suffix);
        if (action) b->set_action([this, action] { (this->*action)(); });
        return b;
    };
    play_ = button("/play", &MainMenuScreen::on_play);
    options_ = button("/options", &MainMenuScreen::on_options);
    results_ = button("/results", &MainMenuScreen::on_results);
    exit_ = button("/exit", &MainMenuScreen::on_exit);
    // The help and the trophy room have no screens yet.
    help_ = button("/help", &MainMenuScreen::on_help);
    logoff_ = button("/logoff", &MainMenuScreen::on_log_off);
    trophy_ = button("/trophy_room", &MainMenuScreen::on_trophy_room);

    if (Skin* skin = Skin::instance()) {
        welcome_.set_font(skin->get_font(kMain + "/welcome/font"));
        const Vant::Color c = skin->get_color(kMain + "/welcome");
        welcome_.set_color(c.r, c.g, c.b, c.a);
        welcome_.set_angle(0.0f);
    }
    set_up_logo(publisher_, kMain + "/publisher");
    set_up_logo(developer_, kMain + "/developer");

    merge_records();
}

MainMenuScreen::~MainMenuScreen() {
    trophy_.reset();
    logoff_.reset();
    help_.reset();
    exit_.reset();
    results_.reset();
    options_.reset();
    play_.reset();
}

bool MainMenuScreen::decide() {
    if (decided_) return false;
    decided_ = true;
    return true;
}

// ---------------------------------------------------------------- records

void MainMenuScreen::merge_records() {
    SessionControllerBase* c = controller();
    if (!c) return;
    orvek::ostrel::XmlAttributes table;
    if (!table.load(records_file) && orvek::file_exists(records_file)) {
        // What was read before the error still counts.
        menu_warnings().stream() << records_file << ":" << table.error_line << ": " << table.error_text
                                 << std::endl;
    }
    const Skin* skin = Skin::instance();
    const orvek::trelm::core::StatisticsRecord::TextLookup text = [skin](const std::string& key) {
        return skin ? skin->get_text(key) : key;
    };
    orvek::trelm::core::Session& session = c->session();
    orvek::trelm::core::Levels& levels = session.levels();
    for (unsigned i = 0; i < levels.size(); ++i) {
        const orvek::trelm::core::LevelDescriptor& level = levels.get(i);
        for (unsigned j = 0; j < level.size(); ++j) {
            orvek::trelm::core::StatisticsRecord record;
            try {
                record.load_record(table, LevelPosition(i, j), text);
            } catch (const std::exception& e) {
                // A value that does not convert: this sub-level keeps the
                // seed of an unlisted one.
                menu_warnings().stream() << records_file << ": sub-level " << i << "-" << j << ": " << e.what()
                                         << std::endl;
                record = orvek::trelm::core::StatisticsRecord();
                record.load_record(orvek::ostrel::XmlAttributes(), LevelPosition(i, j), text);
            }
            session.best_statistics().merge_best(record);
            session.sub_level_statistics(level.get(j).id()).merge_best(record);
        }
    }
}

// ---------------------------------------------------------------- show and draw

void MainMenuScreen::on_shown() {
    BasicScreen::on_shown();
    decided_ = false;
    check_login();
    if (CampaignPlayer* p = player()) {
        greet();
        apply_debug_switches(*p);
    }
}

CampaignPlayer* MainMenuScreen::player() const {
    SessionControllerBase* c = controller();
    if (!c || !c->session().has_profile()) return nullptr;
    return c->session().profile()->property<CampaignPlayer>().get();
}

void MainMenuScreen::check_login() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || c->session().has_profile()) return;
    orvek::trelm::core::Profiles& profiles = c->profiles();
    if (profiles.empty()) {
        NewPlayerScreen* screen = c->new_player_screen(false);
        screen->set_callback([ss, c](const std::string& name) {
            ss->pop_screen();
            c->profiles().add(std::make_shared<orvek::trelm::core::Profile>(name));
            c->session().set_profile(c->profiles().find(name));
        });
        ss->push_modal_screen(screen);
        return;
    }
    const std::string last = c->session().last_logged_profile();
    if (profiles.contains(last)) {
        c->session().set_profile(profiles.find(last));
        return;
    }
    ss->push_modal_screen(c->select_player_screen());
}

void MainMenuScreen::greet() {
    SessionControllerBase* c = controller();
    const Skin* skin = Skin::instance();
    if (!c || !skin) return;
    TextParams params;
    params.set("%name%", c->session().profile()->name().c_str());
    welcome_.set_text(skin->get_formatted_text(kMain + "/welcome", params));
    const orvek::ostrel::Size s = welcome_.text_size();
    welcome_.set_size(s.width, s.height);
    welcome_.set_position({(orvek::ostrel::screen_size().first - s.width) / 2, skin->get_position(kMain + "/welcome").second});
}

// The switches move the player and open the mode, but mark no statistics
// record: those records are saved, and made-up times would stay for good.
void MainMenuScreen::apply_debug_switches(CampaignPlayer& player) {
    if (open_single_mode.get()) player.set_campaign_completed(true);
    if (!usual_start.get()) player.set_position(LevelPosition(start_level.get(), start_sublevel.get()));
}

void MainMenuScreen::draw(Vant::Graphics* g) {
    if (!g) return;
    welcome_.draw(*g);
    publisher_.draw(*g);
    developer_.draw(*g);
}

// ---------------------------------------------------------------- buttons

void MainMenuScreen::on_play() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    CampaignPlayer* p = player();
    if (!ss || !c || !p || decided_) return;
    if (p->campaign_completed()) {
        decide();
        SelectGameModeScreen* mode = c->select_game_mode_screen();
        mode->set_callback([this](int result) { start(true, result); });
        ss->push_modal_screen(mode);
        return;
    }
    p->set_game_mode(0);
    start_in_mode();
}

void MainMenuScreen::start(bool pop_first, int result) {
    ScreenSystem* ss = screen_system();
    CampaignPlayer* p = player();
    if (!ss) return;
    if (pop_first) ss->pop_screen();
    if (!p || result < 0 || result > 1) return;
    p->set_game_mode(static_cast<std::uint32_t>(result));
    start_in_mode();
}

void MainMenuScreen::start_in_mode() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    CampaignPlayer* p = player();
    if (!ss || !c || !p) return;
    decided_ = true;
    orvek::trelm::core::Session& session = c->session();
    const bool autosave = session.has_autosave();
    if (!autosave && (p->game_mode() != 0 || p->position() == LevelPosition(0, 0))) {
        open_campaign(false, false);
        return;
    }
    ContinueSavedGameScreen* dialog = c->continue_saved_game_screen();
    dialog->set_callback([this](int result) { continue_game(result); });
    if (autosave) {
        dialog->set_score(static_cast<int>(p->resume_score()));
        dialog->set_stage(p->resume_position());
    } else {
        dialog->set_score(p->carried_state().points);
        dialog->set_stage(LevelPosition(p->position().level() + 1, p->position().sub_level() + 1));
    }
    ss->push_modal_screen(dialog);
}

void MainMenuScreen::continue_game(int result) {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c) return;
    ss->pop_screen();
    CampaignPlayer* p = player();
    if (!p) return;
    if (result == 1) {
        const bool autosave = c->session().has_autosave();
        if (autosave) restore_saved_position(*p);
        open_campaign(autosave, true);
    } else if (result == 2) {
        open_campaign(false, false);
    }
}

void MainMenuScreen::restore_saved_position(CampaignPlayer& player) {
    SessionControllerBase* c = controller();
    if (!c) return;
    const LevelPosition saved = player.resume_position();
    orvek::trelm::core::Levels& levels = c->session().levels();
    const std::uint32_t level = saved.level(), sub_level = saved.sub_level();
    const char* why = nullptr;
    if (level < 1 || sub_level < 1)
        why = "is not one-based";
    else if (level - 1 >= levels.size() || sub_level - 1 >= levels.get(level - 1).size())
        why = "lies beyond the levels";
    if (why) {
        menu_warnings().stream() << "saved stage " << saved.to_string() << " of " << c->session().profile()->name()
                                 << " " << why << "; the position stays " << player.position().to_string()
                                 << std::endl;
        return;
    }
    player.set_position(LevelPosition(level - 1, sub_level - 1));
}

void MainMenuScreen::open_campaign(bool start_at_once, bool resume) {
    if (campaign_opener_) {
        const auto opener = campaign_opener_;
        opener(start_at_once, resume);
        return;
    }
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (ss && c) ss->push_screen(c->campaign_screen(start_at_once, resume));
}

void MainMenuScreen::on_options() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    OptionsScreen* options = c->options_screen();
    options->set_close_callback([ss](int) { ss->pop_screen(); });
    ss->push_modal_screen(options);
}

void MainMenuScreen::on_help() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    HelpScreen* help = c->help_screen();
    help->set_callback([ss] { ss->pop_screen(); });
    ss->push_modal_screen(help);
}

void MainMenuScreen::on_trophy_room() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    ss->push_screen(c->trophy_screen());
}

void MainMenuScreen::on_results() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    ss->push_screen(c->best_results_screen());
}

void MainMenuScreen::on_exit() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    ConfirmCloseGameScreen* confirm = c->confirm_close_game_screen();
    // After the dialog has popped itself the main menu is on top: popping
    // it empties the stack, and the game ends.
    confirm->set_callback([ss] { ss->pop_screen(); });
    ss->push_modal_screen(confirm);
}

void MainMenuScreen::on_log_off() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    if (!ss || !c || !decide()) return;
    ss->push_modal_screen(c->select_player_screen());
}

}  // namespace orvek::trelm::gui
