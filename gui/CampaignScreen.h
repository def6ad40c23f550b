#pragma once
// The level map: a button per level and per sub-level, laid out entirely by
// the skin, showing what the logged-in player has reached. The player picks
// a sub-level and starts it. Positions and the highest level read from the
// profile are clamped to the levels there are, so a profile from a larger
// level set (or a damaged one) never indexes past the buttons.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/LevelPosition.h"
#include "framework/graphics/Image.h"
#include "gui/BasicScreen.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Spots.h"

namespace orvek::ostrel {
class ImageTextPushButton;
}
namespace orvek::trelm::core {
class CampaignPlayer;
}

namespace orvek::trelm::gui {

// The look shared by both kinds of map button.
class MapButton : public orvek::ostrel::BasicButton {
public:
    MapButton(orvek::ostrel::Control& parent, const std::string& skin_path, std::uint32_t game_mode);

    void select();
    void deselect();
    bool is_selected() const { return selected_; }
    bool is_open() const { return open_; }
    std::uint32_t game_mode() const { return game_mode_; }
    // The map draws its buttons itself, in order, on its own surface.
    void draw(Vant::Graphics*) override {}
    virtual void draw(Vant::Graphics& g) = 0;
    virtual void update(float seconds);

    const orvek::ostrel::AnimationSpot& dynamic_shine() const { return dynamic_shine_; }
    orvek::ostrel::Point image_position() const { return position_; }

protected:
    void redraw();
    void draw_debug_outline(Vant::Graphics& g);
    bool campaign() const { return game_mode_ == 0; }

    orvek::ostrel::AnimationSpot dynamic_shine_;
    Vant::SharedImageRef shine_static_;
    orvek::ostrel::Point position_;
    bool open_ = false;
    bool selected_ = false;

private:
    std::uint32_t game_mode_;
};

class LevelButton : public MapButton {
public:
    LevelButton(orvek::ostrel::Control& parent, const std::string& skin_path, std::uint32_t game_mode);

    void set_open(bool open);
    void set_passive(bool passive);
    bool is_passive() const { return passive_; }

    void on_selected() override;
    void on_deselected() override;
    void on_activated() override;
    void on_deactivated() override;
    using MapButton::draw;
    void draw(Vant::Graphics& g) override;

private:
    bool hooks_run() const { return !passive_ && open_; }

    Vant::SharedImageRef light_;
    bool passive_ = true;
};

class SubLevelButton : public MapButton {
public:
    SubLevelButton(orvek::ostrel::Control& parent, const std::string& skin_path, std::uint32_t game_mode);

    void set_open(bool open);
    void set_record(bool record);
    bool shows_record() const { return record_; }

    void on_selected() override;
    void on_deselected() override;
    void on_activated() override;
    void on_deactivated() override;
    void update(float seconds) override;
    using MapButton::draw;
    void draw(Vant::Graphics& g) override;

    const orvek::ostrel::AnimationSpot& hover() const { return hover_; }

private:
    Vant::SharedImageRef normal_, record_image_;
    orvek::ostrel::AnimationSpot hover_;
    bool record_ = false;
};

class CampaignScreen : public BasicScreen {
public:
    // start_at_once pushes the game screen at the first show; resume keeps
    // the medal bookkeeping of a run that goes on.
    CampaignScreen(ScreenSystem& system, bool start_at_once, bool resume);
    ~CampaignScreen() override;

    void on_shown() override;
    void update() override;
    void on_cancel() override;
    void draw(Vant::Graphics* g) override;

    // Brings the buttons in line with the logged-in player.
    void refresh();
    void on_level_button(unsigned level);
    void on_sub_level_button(unsigned level, unsigned sub_level);
    // Starts the selected sub-level, after the help page while the player
    // still wants it; nothing without levels.
    void on_start();
    // The player's best records beside everyone's.
    void on_stats();

    const orvek::trelm::core::LevelPosition& selection() const { return selection_; }
    bool resuming() const { return resume_; }
    const std::vector<std::shared_ptr<LevelButton>>& level_buttons() const { return levels_; }
    const std::vector<std::vector<std::shared_ptr<SubLevelButton>>>& sub_level_buttons() const { return subs_; }
    orvek::ostrel::ImageTextPushButton& start_button() const { return *start_; }
    orvek::ostrel::ImageTextPushButton& back_button() const { return *back_; }
    orvek::ostrel::ImageTextPushButton& stats_button() const { return *stats_; }

private:
    void build_buttons();
    void open_to_level(unsigned level);
    void open_all(const orvek::trelm::core::LevelPosition& position);
    void update_highlight();
    bool holds_record(unsigned level, unsigned sub_level);
    void set_sub_level_tooltip(unsigned level, unsigned sub_level, bool completed);
    orvek::trelm::core::CampaignPlayer* player() const;
    std::string profile_name() const;
    // The player's position and highest level, within the levels there are.
    orvek::trelm::core::LevelPosition clamped_position() const;
    unsigned clamped_highest_level() const;
    std::uint32_t game_mode() const;
    // The first decision of a showing; false for later ones.
    bool decide();

    std::unique_ptr<orvek::ostrel::ImageTextPushButton> start_, back_, stats_;
    std::vector<std::shared_ptr<LevelButton>> levels_;
    std::vector<std::vector<std::shared_ptr<SubLevelButton>>> subs_;
    orvek::trelm::core::LevelPosition selection_;
    bool start_at_once_;
    bool resume_;
    bool decided_ = false;
};

}  // namespace orvek::trelm::gui
