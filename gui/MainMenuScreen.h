#pragma once
// The hub of the game's menus: play (or continue), options, best results,
// another player, and leaving the game. Every show makes sure a player is
// logged in and greets the player; every construction merges the records
// table into the session's statistics. Its buttons act on the first click
// per showing.
#include <functional>
#include <memory>
#include <string>

#include "gui/BasicScreen.h"
#include "ostrel/gui/Spots.h"

namespace orvek::ostrel {
class ImagePushButton;
}
namespace orvek::trelm::core {
class CampaignPlayer;
}

namespace orvek::trelm::gui {

class MainMenuScreen : public BasicScreen {
public:
    // The records table merged at each construction.
    static constexpr const char* records_file = "data/records.xml";

    explicit MainMenuScreen(ScreenSystem& system);
    ~MainMenuScreen() override;

    // The login check, the greeting and the debug switches.
    void on_shown() override;
    // The greeting, then the publisher's and the developer's logos.
    void draw(Vant::Graphics* g) override;

    void on_play();
    void on_options();
    void on_results();
    void on_help();
    void on_trophy_room();
    void on_exit();
    void on_log_off();

    // Opens the campaign map; empty: the controller's campaign screen,
    // pushed as a plain screen.
    using CampaignOpener = std::function<void(bool start_at_once, bool resume)>;
    void set_campaign_opener(CampaignOpener opener) { campaign_opener_ = std::move(opener); }

    // Merges the records table into the session's best record and its
    // record of every sub-level; merging again changes nothing.
    void merge_records();

    orvek::ostrel::ImagePushButton& play_button() const { return *play_; }
    orvek::ostrel::ImagePushButton& options_button() const { return *options_; }
    orvek::ostrel::ImagePushButton& results_button() const { return *results_; }
    orvek::ostrel::ImagePushButton& exit_button() const { return *exit_; }
    orvek::ostrel::ImagePushButton& help_button() const { return *help_; }
    orvek::ostrel::ImagePushButton& logoff_button() const { return *logoff_; }
    orvek::ostrel::ImagePushButton& trophy_button() const { return *trophy_; }
    const orvek::ostrel::OrientedString& welcome() const { return welcome_; }
    const orvek::ostrel::ImageSpot& publisher_logo() const { return publisher_; }
    const orvek::ostrel::ImageSpot& developer_logo() const { return developer_; }

private:
    void check_login();
    void greet();
    void apply_debug_switches(orvek::trelm::core::CampaignPlayer& player);
    // The player's campaign record; null while nobody is logged in.
    orvek::trelm::core::CampaignPlayer* player() const;
    // The mode dialog's answer (0 campaign, 1 single, 2 back).
    void start(bool pop_first, int result);
    // The campaign map straight away, or the continue dialog first.
    void start_in_mode();
    // The continue dialog's answer (1 load, 2 new game, 0 cancel).
    void continue_game(int result);
    // The saved one-based stage, made zero-based, when it lies within the levels.
    void restore_saved_position(orvek::trelm::core::CampaignPlayer& player);
    void open_campaign(bool start_at_once, bool resume);
    bool decide();

    std::unique_ptr<orvek::ostrel::ImagePushButton> play_, options_, results_, exit_, help_, logoff_, trophy_;
    orvek::ostrel::OrientedString welcome_;
    orvek::ostrel::ImageSpot publisher_, developer_;
    CampaignOpener campaign_opener_;
    bool decided_ = false;
};

}  // namespace orvek::trelm::gui
