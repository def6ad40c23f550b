#include "gui/GameDesktop.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <sstream>

#include "core/CampaignPlayer.h"
#include "core/LevelResult.h"
#include "core/Levels.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "framework/graphics/Image.h"
#include "gui/Autosave.h"
#include "gui/Effects.h"
#include "gui/RendererFactory.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "logic/Ball.h"
#include "logic/GameAction.h"
#include "logic/Medals.h"
#include "logic/Platform.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/config/ConfigValue.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/SafeWrite.h"
#include "ostrel/App.h"
#include "ostrel/Events.h"
#include "ostrel/Sound.h"
#include "ostrel/gui/Skin.h"

namespace orvek::trelm::gui {

namespace {

namespace ev = ostrel::events;

ostrel::ConfigValueReadOnly<float> roll_sound_speed("sequence/@speed_for_sound_rolling", 100.0f);
ostrel::ConfigValueReadOnly<float> bonus_name_dtime("bonus_name/@dtime", 2.0f);
ostrel::ConfigValueReadOnly<float> bonus_name_dh("bonus_name/@dh", -10.0f);

constexpr std::uint32_t key_escape = 27, key_space = 32, key_f2 = 113, key_f3 = 114;
constexpr int aiming_cursor = 5;
constexpr std::int32_t aiming_hit_kind = 3;
constexpr int medal_play_time = 16;

const LogChannel& desktop_log() {
    static const LogChannel channel("Trelm.GameDesktop", log_error_flag);
    return channel;
}

float setting(const ostrel::ConfigValueReadOnly<float>& value) {
    ostrel::ConfigRegistry::instance().ensure_updated();
    return value.get();
}


bool is_free(const ev::Event& e) { return e.handled_by() == nullptr; }

// Collects what a trial restore makes, so nothing reaches the desktop.
class ScratchOwner : public LevelBuilderOwner {
public:
    explicit ScratchOwner(core::Session& s) : session_(s) {}
    float game_time() const override { return 0.0f; }
    RendererList& renderers() override { return list_; }
    core::Session& session() override { return session_; }
    void set_background(std::shared_ptr<Vant::Image> image) override { background_ = std::move(image); }
    Vant::Image* background_image() const override { return background_.get(); }
    void set_portal_pairs(std::vector<std::shared_ptr<PortalRenderManager>>) override {}
    void object_added(std::weak_ptr<logic::Obj>) override {}
    void object_changed(logic::Obj*) override {}
    void game_action(const logic::GameAction&) override {}
    std::pair<float, float> cursor_source() const override { return {0.0f, 0.0f}; }

private:
    core::Session& session_;
    RendererList list_;
    std::shared_ptr<Vant::Image> background_;
};

}  // namespace

GameHud::~GameHud() = default;
DesktopOverlay::~DesktopOverlay() = default;

GameDesktop::GameDesktop(core::Session& session, SessionControllerBase* controller, ScreenSystem* system)
    : Control(""), session_(session), controller_(controller), system_(system) {
    if (const ostrel::Skin* skin = ostrel::Skin::instance(); skin && skin->has_attribute("menu/game/sounds/sequence_roll", "path"))
        roll_sound_ = ostrel::play_sound(skin->get_path("menu/game/sounds/sequence_roll"), true);
    set_roll_volume(0);
}

GameDesktop::~GameDesktop() {
    ostrel::stop_sound(roll_sound_);
    try {
        write_autosave_if_running();
    } catch (const std::exception& e) {
        desktop_log() << "The autosave was not written: " << e.what() << std::endl;
    } catch (...) {
        desktop_log() << "The autosave was not written." << std::endl;
    }
    stop();
}

void GameDesktop::set_hud(GameHud* hud) { hud_ = hud ? hud : &default_hud_; }

// ---------------------------------------------------------------- input

ostrel::EventResult GameDesktop::accepts(const ev::Event& e) {
    using namespace ostrel;
    const bool yes = dynamic_cast<const PositionEvent*>(&e) || dynamic_cast<const SelectPressEvent*>(&e) ||
                     dynamic_cast<const SelectReleaseEvent*>(&e) || dynamic_cast<const ContextPressEvent*>(&e) ||
                     dynamic_cast<const ContextReleaseEvent*>(&e) || dynamic_cast<const WheelEvent*>(&e) ||
                     dynamic_cast<const MiddlePressEvent*>(&e) || dynamic_cast<const MiddleReleaseEvent*>(&e) ||
                     dynamic_cast<const CharEvent*>(&e) || dynamic_cast<const KeyPressEvent*>(&e) ||
                     dynamic_cast<const KeyReleaseEvent*>(&e);
    return EventResult(yes);
}

ostrel::EventResult GameDesktop::handle(const ev::Event& e) {
    using namespace ostrel;
    if (const auto* c = dynamic_cast<const CursorEvent*>(&e)) cursor_ = {c->position().x, c->position().y};
    if (!is_free(e)) return EventResult(false);
    if (const auto* k = dynamic_cast<const KeyPressEvent*>(&e)) {
        switch (k->key()) {
        case key_escape:
            if (!on_menu_) return EventResult(false);
            on_menu_();
            return EventResult(true);
        case key_space:
            if (on_pause_) on_pause_();
            return EventResult(false);
        case key_f2:
            try {
                write_autosave();
            } catch (const std::exception& ex) {
                desktop_log() << "The autosave was not written: " << ex.what() << std::endl;
            }
            return EventResult(false);
        case key_f3:
            load_autosave();
            return EventResult(false);
        default:
            return EventResult(false);
        }
    }
    if (game_.is_paused()) return EventResult(false);
    if (const auto* p = dynamic_cast<const PositionEvent*>(&e)) {
        game_.move_platform(float(p->position().x));
        return EventResult(true);
    }
    if (dynamic_cast<const SelectPressEvent*>(&e)) {
        game_.shoot();
        return EventResult(true);
    }
    if (dynamic_cast<const ContextPressEvent*>(&e)) {
        game_.take_ball();
        return EventResult(true);
    }
    return EventResult(false);
}

// ---------------------------------------------------------------- play

void GameDesktop::start_sub_level() {
    renderers_.clear();
    bonus_names_.clear();
    bonus_name_shown_.reset();
    if (ostrel::Skin* skin = ostrel::Skin::instance()) hud_->set_word(skin->get_text("menu/bonus_word"));
    fly_in_.reset();
    restored_ = false;
    reactions_.reset();
    game_.start(builder_);
    after_start();
    if (restored_ && on_pause_) on_pause_();
}

void GameDesktop::after_start() {
    core::CampaignPlayer& player = campaign_player(session_);
    const core::LevelPosition position = player.position();
    display_position_ = {position.level() + 1, position.sub_level() + 1};
    time_mark_ = game_.time();
    running_ = true;
    points_seen_ = 0;
    run_score_at_start_ = run_score_;
    hud_->set_score(run_score_);
    roll_reference_speed_ = std::numeric_limits<float>::infinity();
    const core::SubLevelSettings& settings =
        session_.levels().get(position.level()).get(position.sub_level()).settings();
    for (unsigned i = 0; i < settings.ways_count(); ++i) {
        const logic::WaySettings& ws = settings.way_settings(i);
        roll_reference_speed_ =
            std::min(roll_reference_speed_, std::max(ws.speed_roll_in.max_speed, ws.speed_roll_out.max_speed));
    }
}

void GameDesktop::update() {
    if (!game_.is_paused() && running_) {
        const auto* app = dynamic_cast<ostrel::App*>(Vant::VantAppBase::gApp);
        const float dt = float(app ? app->update_interval() : 33) * 0.001f;
        game_.update(dt);
        hud_->set_coins(game_.coins());
        hud_->set_lives(game_.lives());
        hud_->set_progress(int(game_.mission_progress()));
        hud_->set_stage(display_position_.first, display_position_.second);
        if (std::uint32_t(game_.points()) != points_seen_) {
            run_score_ += std::uint32_t(game_.points()) - points_seen_;
            points_seen_ = std::uint32_t(game_.points());
            hud_->set_score(run_score_);
        }
        const float t0 = session_.play_time();
        const float t1 = session_.add_play_time(dt);
        if (const int grade = logic::medal_grade_crossed(medal_play_time, t0, t1); grade >= 0)
            fly_in_.award(logic::MedalAward(medal_play_time, grade));
        if (auto profile = session_.profile())
            if (auto player = profile->property<core::CampaignPlayer>()) player->update_best_time(t1);
        const auto& mission = game_.mission();
        if (running_ && mission && mission->is_finished()) end_sub_level(int(mission->state()));
    }
    rolling_rule();
    completion_fade();
    cursor_rule();
    bonus_name_rule();
}

void GameDesktop::end_sub_level(int result) {
    core::CampaignPlayer& player = campaign_player(session_);
    if (result == 2) {
        run_score_ = run_score_at_start_;
        points_seen_ = 0;
        player.set_has_carried_state(false);
        player.medals_stats().clear_run();
    } else if (result == 1) {
        const core::LevelPosition position = player.position();
        core::Levels& levels = session_.levels();
        const core::LevelDescriptor& level = levels.get(position.level());
        const std::string id = level.get(position.sub_level()).id();
        player.store_result(id, std::make_shared<core::ScoreLevelResult>(
                                    game_.points(), core::LevelPosition(display_position_.first, display_position_.second)));
        core::StatisticsRecord& stats = player.statistics();
        stats.set_coins(std::uint32_t(game_.coins()));
        stats.set_score(std::uint32_t(game_.points()));
        if (player.game_mode() == 0) {
            core::LevelPosition next = position;
            bool complete = false;
            if (position.sub_level() + 1 < level.size()) {
                next.set(position.level(), position.sub_level() + 1);
            } else {
                player.store_result(level.id(), std::make_shared<core::ScoreLevelResult>());
                if (position.level() + 1 >= levels.size()) {
                    complete = true;
                    player.set_campaign_completed(true);
                } else {
                    next.set(position.level() + 1, 0);
                }
            }
            if (!complete) {
                player.set_has_carried_state(true);
                player.set_carried_state(*game_.stats());
            }
            player.set_position(next);
        }
    }
    if (result == 1 && on_complete_) on_complete_();
    if (result == 2 && on_failed_) on_failed_();
    if (core::Profiles* profiles = session_.profiles()) profiles->save();
}

void GameDesktop::merge_run_statistics() {
    core::CampaignPlayer& player = campaign_player(session_);
    core::StatisticsRecord& run = player.statistics();
    if (auto profile = session_.profile()) run.set_holder(profile->name());
    run.set_position(core::LevelPosition(display_position_.first, display_position_.second));
    const std::string id =
        session_.levels().get(display_position_.first - 1).get(display_position_.second - 1).id();
    session_.best_statistics().merge_best(run);
    player.best_statistics().merge_best(run);
    session_.sub_level_statistics(id).merge_best(run);
    player.sub_level_statistics(id).merge_best(run);
}

void GameDesktop::stop() {
    game_.clear();
    running_ = false;
    if (rolling_) {
        rolling_ = false;
        roll_until_ = 0.0f;
        roll_speeds_.clear();
        set_roll_volume(0);
    }
    if (complete_sound_ != std::uint32_t(-1)) {
        ostrel::stop_sound(complete_sound_);
        complete_sound_ = std::uint32_t(-1);
    }
}

void GameDesktop::pause_quietly() {
    game_.pause();
    if (rolling_) {
        rolling_ = false;
        roll_until_ = 0.0f;
        roll_speeds_.clear();
        set_roll_volume(0);
    }
}

// ---------------------------------------------------------------- rules

void GameDesktop::set_roll_volume(int percent) {
    roll_volume_ = percent;
    ostrel::set_sound_volume_percent(roll_sound_, percent);
}

void GameDesktop::roll(float speed, float until) {
    rolling_ = true;
    roll_until_ = std::max(roll_until_, until);
    roll_speeds_.push_back(speed);
}

void GameDesktop::rolling_rule() {
    if (rolling_ && !roll_speeds_.empty()) {
        const float s = setting(roll_sound_speed);
        const float largest = *std::max_element(roll_speeds_.begin(), roll_speeds_.end());
        // A reference speed at or below S would divide by zero or turn the
        // scale around: the sound stays silent then.
        float v = roll_reference_speed_ > s ? (largest - s) / (roll_reference_speed_ - s) : 0.0f;
        if (!(v > 0.0f)) v = 0.0f;
        if (v > 1.0f) v = 1.0f;
        set_roll_volume(int(v * 100.0f));
        roll_speeds_.clear();
    }
    if (rolling_ && game_.time() > roll_until_) {
        rolling_ = false;
        roll_until_ = 0.0f;
        roll_speeds_.clear();
        set_roll_volume(0);
    }
}

void GameDesktop::start_completion_sound(std::uint32_t handle, float start, float end) {
    if (complete_sound_ != std::uint32_t(-1) && complete_sound_ != handle) ostrel::stop_sound(complete_sound_);
    complete_sound_ = handle;
    complete_start_ = start;
    complete_end_ = end;
}

void GameDesktop::completion_fade() {
    if (complete_sound_ == std::uint32_t(-1)) return;
    const float now = game_.time();
    // A fade of no length ends at once rather than dividing by zero.
    if (now >= complete_end_ || !(complete_end_ > complete_start_)) {
        ostrel::stop_sound(complete_sound_);
        complete_sound_ = std::uint32_t(-1);
        return;
    }
    const double v = game_.is_paused() ? 0.0 : double(complete_end_ - now) / double(complete_end_ - complete_start_);
    ostrel::set_sound_volume(complete_sound_, std::clamp(v, 0.0, 1.0));
}

void GameDesktop::cursor_rule() {
    Vant::VantAppBase* app = Vant::VantAppBase::gApp;
    if (!app) return;
    const logic::Platform* platform = game_.platform();
    const bool aiming = !game_.is_paused() && platform && platform->ball() &&
                        platform->ball()->kind() == aiming_hit_kind && !hud_->contains(cursor_.first, cursor_.second);
    if (aiming) app->SetCursor(aiming_cursor);
    else if (app->GetCursor() == aiming_cursor) app->SetCursor(0);
}

void GameDesktop::bonus_name_rule() {
    if (bonus_names_.empty()) return;
    const auto shown = bonus_name_shown_.lock();
    if (shown && shown->elapsed() < setting(bonus_name_dtime)) return;
    const logic::Platform* platform = game_.platform();
    Vector2 at = platform ? platform->position() : Vector2(0.0f, 0.0f);
    at.y += setting(bonus_name_dh);
    const RendererPtr text = make_bonus_name_text(this, at, bonus_names_.front());
    bonus_names_.pop_front();
    bonus_name_shown_ = std::dynamic_pointer_cast<TextRenderer>(text);
    add_renderer(text);
}

// ---------------------------------------------------------------- drawing

void GameDesktop::draw(Vant::Graphics* g) {
    if (!g) return;
    if (background_) background_->draw(*g);
    const float dt = game_.time() - time_mark_;
    run_renderers(renderers_, dt, game_.is_paused(), *g);
    time_mark_ = game_.time();
    hud_->draw(*g);
    if (overlay_) overlay_->draw(*g, *this);
}

void GameDesktop::set_background(std::shared_ptr<Vant::Image> image) {
    background_image_ = std::move(image);
    background_.reset();
    if (!background_image_) return;
    Vant::SharedImageRef ref;
    ref.AssignUnshared(background_image_.get(), false);
    background_ = std::make_shared<ImageRenderer>(this, ref, 0, background_x, background_y);
}

void GameDesktop::set_portal_pairs(std::vector<std::shared_ptr<PortalRenderManager>> pairs) {
    portal_pairs_ = std::move(pairs);
    for (const auto& pair : portal_pairs_) {
        if (!pair) continue;
        add_renderer(pair->first());
        add_renderer(pair->second());
    }
}

// ---------------------------------------------------------------- game callbacks

void GameDesktop::object_added(std::weak_ptr<logic::Obj> object) { RendererFactory(this).create_renderers(object); }

void GameDesktop::object_changed(logic::Obj* object) { RendererFactory(this).rebuild_renderers(object); }

void GameDesktop::game_action(const logic::GameAction& action) { reactions_.dispatch(action); }

// ---------------------------------------------------------------- autosave

bool GameDesktop::write_autosave_if_running() {
    const auto& mission = game_.mission();
    if (!running_ || (mission && mission->is_finished())) return false;
    write_autosave();
    return true;
}

void GameDesktop::write_autosave() { gui::write_autosave(session_, game_, fly_in_.record()); }

void GameDesktop::restore_medals(const MedalGridRecord* medals) {
    if (medals) fly_in_.restore(*medals);
    else fly_in_.reset();
}

bool GameDesktop::restore_autosave(SimpleGameCreator& builder, logic::GameSetup& setup) {
    renderers_.clear();
    if (!LevelBuilderOwner::restore_autosave(builder, setup)) return false;
    restored_ = true;
    return true;
}

bool GameDesktop::load_autosave() {
    const std::string path = session_.autosave_path();
    if (path.empty() || !orvek::file_exists(path)) return false;
    std::string bytes;
    if (!read_file_bytes(path, bytes)) return false;
    // A trial restore into a scratch game first: the running game is
    // replaced only by a save that loads.
    core::CampaignPlayer& player = campaign_player(session_);
    const core::LevelPosition before = player.position();
    bool sound = false;
    {
        ScratchOwner scratch(session_);
        SimpleGameCreator trial_builder(&scratch);
        struct Trial : logic::GameCreator {
            ScratchOwner& owner;
            SimpleGameCreator& builder;
            const std::string& bytes;
            bool ok = false;
            Trial(ScratchOwner& o, SimpleGameCreator& b, const std::string& s) : owner(o), builder(b), bytes(s) {}
            void create(logic::GameSetup& setup) override {
                // Never a fresh start: that would play an empty level.
                setup.restored = true;
                AutosaveReader file(bytes);
                std::string why;
                if (!file.open(owner.session().levels(), why)) return;
                campaign_player(owner.session()).position() = file.position();
                builder.setup_scene(setup);
                ok = setup.game->load(file.game());
            }
        } trial(scratch, trial_builder, bytes);
        logic::Game game;
        try {
            game.start(trial);
            sound = trial.ok;
        } catch (const std::exception& e) {
            desktop_log() << "The autosave " << path << " does not load: " << e.what() << std::endl;
        }
    }
    player.position() = before;
    if (!sound) return false;
    stop();
    try {
        start_sub_level();
    } catch (const std::exception& e) {
        desktop_log() << "The sub-level did not start again from " << path << ": " << e.what() << std::endl;
    }
    // The file stays for the next F3.
    if (!orvek::file_exists(path)) io::write_file_safely(path, bytes);
    return restored_;
}

}  // namespace orvek::trelm::gui
