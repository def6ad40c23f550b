#pragma once
// The play field: owns the game model, the level builder and the renderers
// of a running sub-level; turns mouse and keys into game operations,
// advances the game once per fixed step, records the sub-level's end,
// draws the renderers in layers under the heads-up display, and writes and
// reads the autosave.
//
// The heads-up display and the debug overlay plug in through GameHud and
// DesktopOverlay (set_hud, set_overlay); without them the desktop plays and
// draws the field alone.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/GameReactions.h"
#include "gui/LevelBuilder.h"
#include "gui/MedalFlyIn.h"
#include "logic/Game.h"
#include "ostrel/Control.h"

namespace orvek::trelm::gui {

class GameDesktop;
class ScreenSystem;
class SessionControllerBase;
class TextRenderer;

// What the desktop tells the heads-up display; every call does nothing by
// default.
class GameHud {
public:
    virtual ~GameHud();
    virtual void set_score(std::uint32_t) {}
    virtual void set_lives(int) {}
    virtual void set_coins(int) {}
    virtual void set_progress(int) {}
    // One-based level and sub-level numbers.
    virtual void set_stage(std::uint32_t, std::uint32_t) {}
    virtual void set_word(const std::string&) {}
    virtual void activate_letter(int) {}
    virtual void clear_letters() {}
    // Whether the point lies over the display: no aiming cursor there.
    virtual bool contains(int, int) const { return false; }
    virtual void draw(Vant::Graphics&) {}
};

// Drawn over everything (the debug drawings).
class DesktopOverlay {
public:
    virtual ~DesktopOverlay();
    virtual void draw(Vant::Graphics& g, GameDesktop& desktop) = 0;
};

class GameDesktop : public ostrel::Control, public LevelBuilderOwner {
public:
    using Callback = std::function<void()>;

    // The controller and screen system may be absent (tests): the lost-life
    // dialog is then not shown and the game restarts at once; resting
    // medals then show no tooltip.
    GameDesktop(core::Session& session, SessionControllerBase* controller = nullptr, ScreenSystem* system = nullptr);
    // Stops the rolling sound, writes the autosave when a sub-level runs
    // (a failure is logged), stops the game.
    ~GameDesktop() override;

    ostrel::EventResult accepts(const ostrel::events::Event& event) override;
    ostrel::EventResult handle(const ostrel::events::Event& event) override;
    void draw(Vant::Graphics* g) override;

    void set_hud(GameHud* hud);
    void set_overlay(DesktopOverlay* overlay) { overlay_ = overlay; }
    void set_menu_callback(Callback cb) { on_menu_ = std::move(cb); }
    void set_pause_callback(Callback cb) { on_pause_ = std::move(cb); }
    void set_complete_callback(Callback cb) { on_complete_ = std::move(cb); }
    void set_failed_callback(Callback cb) { on_failed_ = std::move(cb); }

    // Builds (or restores) the player's current sub-level and starts it;
    // what the builder or the game throws passes to the caller.
    void start_sub_level();
    // One fixed step.
    void update();
    void stop();
    void pause_quietly();
    void resume() { game_.resume(); }
    bool is_paused() const { return game_.is_paused(); }
    bool running() const { return running_; }
    // The autosave rule: written only while running and the mission has no
    // result. True when it was written.
    bool write_autosave_if_running();
    // F2: writes the autosave. Throws io::Failure.
    void write_autosave();
    // F3: restarts the sub-level from the autosave, which stays; a file
    // that would be refused leaves the running game as it is. True when
    // the game was restored.
    bool load_autosave();

    // Hooks of the game-action reactions.
    // A rolling chain's speed; the rolling sound is heard until game time `until`.
    void roll(float speed, float until);
    // Fades the completion sound out from game time start to end; one
    // still playing stops.
    void start_completion_sound(std::uint32_t handle, float start, float end);
    void add_bonus_name(const std::string& name) { bonus_names_.push_back(name); }
    // The results of the running sub-level's end: 1 complete, 2 failed.
    void end_sub_level(int result);

    // The statistics step of a completed sub-level, for the game screen:
    // the run's record takes the player's name and the displayed position
    // and is merged into the four best records (the session's and the
    // player's, over all sub-levels and for this sub-level).
    void merge_run_statistics();
    // One-based level and sub-level numbers of the running sub-level.
    std::pair<std::uint32_t, std::uint32_t> display_position() const { return display_position_; }

    logic::Game& game() { return game_; }
    GameHud& hud() { return *hud_; }
    MedalFlyIn& medal_fly_in() { return fly_in_; }
    GameReactions& reactions() { return reactions_; }
    SessionControllerBase* controller() const { return controller_; }
    // The game time of the last draw.
    float time_mark() const { return time_mark_; }
    void set_time_mark(float t) { time_mark_ = t; }
    std::uint32_t run_score() const { return run_score_; }
    std::uint32_t roll_sound() const { return roll_sound_; }
    int roll_volume() const { return roll_volume_; }
    std::uint32_t completion_sound() const { return complete_sound_; }
    float roll_reference_speed() const { return roll_reference_speed_; }
    const std::vector<std::shared_ptr<PortalRenderManager>>& portal_pairs() const { return portal_pairs_; }
    std::pair<int, int> cursor() const { return cursor_; }

    // Renderer owner and level-builder owner.
    float game_time() const override { return game_.time(); }
    RendererList& renderers() override { return renderers_; }
    core::Session& session() override { return session_; }
    void set_background(std::shared_ptr<Vant::Image> image) override;
    Vant::Image* background_image() const override { return background_image_.get(); }
    void set_portal_pairs(std::vector<std::shared_ptr<PortalRenderManager>> pairs) override;
    void object_added(std::weak_ptr<logic::Obj> object) override;
    void object_changed(logic::Obj* object) override;
    void game_action(const logic::GameAction& action) override;
    std::pair<float, float> cursor_source() const override { return {float(cursor_.first), float(cursor_.second)}; }
    bool restore_autosave(SimpleGameCreator& builder, logic::GameSetup& setup) override;
    void restore_medals(const MedalGridRecord* medals) override;
    ostrel::Control* owner_control() override { return this; }
    core::Session* owner_session() override { return &session_; }
    ScreenSystem* owner_screen_system() override { return system_; }
    ostrel::Point owner_cursor_position() const override { return {cursor_.first, cursor_.second}; }

private:
    void set_roll_volume(int percent);
    void rolling_rule();
    void completion_fade();
    void cursor_rule();
    void bonus_name_rule();
    void after_start();

    core::Session& session_;
    SessionControllerBase* controller_;
    ScreenSystem* system_;
    GameHud default_hud_;
    GameHud* hud_ = &default_hud_;
    DesktopOverlay* overlay_ = nullptr;
    Callback on_menu_, on_pause_, on_complete_, on_failed_;
    bool running_ = false;
    bool restored_ = false;
    logic::Game game_;
    float time_mark_ = 0.0f;
    float roll_reference_speed_ = 0.0f;
    SimpleGameCreator builder_{this};
    RendererList renderers_;
    float roll_until_ = 0.0f;
    bool rolling_ = false;
    std::uint32_t roll_sound_ = 0;
    int roll_volume_ = 0;
    std::vector<float> roll_speeds_;
    float complete_start_ = 0.0f, complete_end_ = 0.0f;
    std::uint32_t complete_sound_ = std::uint32_t(-1);
    std::shared_ptr<Vant::Image> background_image_;
    RendererPtr background_;
    std::vector<std::shared_ptr<PortalRenderManager>> portal_pairs_;
    std::pair<std::uint32_t, std::uint32_t> display_position_{0, 0};
    std::uint32_t points_seen_ = 0, run_score_ = 0, run_score_at_start_ = 0;
    std::list<std::string> bonus_names_;
    std::weak_ptr<TextRenderer> bonus_name_shown_;
    std::pair<int, int> cursor_{0, 0};
    MedalFlyIn fly_in_{this};
    GameReactions reactions_{*this};
};

}  // namespace orvek::trelm::gui
