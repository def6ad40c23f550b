#include "gui/CampaignScreen.h"

#include <algorithm>

#include "core/CampaignPlayer.h"
#include "core/LevelDescriptor.h"
#include "core/Levels.h"
#include "core/Profile.h"
#include "core/Session.h"
#include "core/SubLevelDescriptor.h"
#include "framework/graphics/Graphics.h"
#include "gui/GameScreen.h"
#include "gui/HelpScreen.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "gui/StatsScreen.h"
#include "orvek/Log.h"
#include "orvek/config/ConfigValue.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Statics.h"

namespace orvek::trelm::gui {

namespace {

using orvek::ostrel::ConfigValueReadOnly;
using orvek::ostrel::Skin;
using orvek::trelm::core::CampaignPlayer;
using orvek::trelm::core::LevelPosition;

const std::string kSection = "menu/campaign";

orvek::LogChannel map_warnings("Trelm.Campaign", orvek::log_warning_flag);

ConfigValueReadOnly<bool> open_all_levels("debug/@open_all_levels", false);
ConfigValueReadOnly<bool> draw_control_rect("debug/@draw_control_rect", false);
ConfigValueReadOnly<bool> draw_level_dynamic_shine("campaign_screen/@draw_level_dynamic_shine", false);

Vant::SharedImageRef image_of(const std::string& id) {
    const Skin* skin = Skin::instance();
    return skin ? skin->get_image_if_any(id) : Vant::SharedImageRef();
}

orvek::ostrel::Point position_of(const std::string& node) {
    const Skin* skin = Skin::instance();
    if (!skin) return {0, 0};
    const auto [x, y] = skin->get_position(node);
    return {x, y};
}

float float_of(const std::string& node, const char* name) {
    const Skin* skin = Skin::instance();
    return skin ? skin->get_float(node, name) : 0.0f;
}

std::string text_of(const std::string& key) {
    const Skin* skin = Skin::instance();
    return skin ? skin->get_text(key) : key;
}

// The session's record of a sub-level, looked up without inserting one:
// showing the map adds nothing to the statistics file.
const orvek::trelm::core::StatisticsRecord& session_record(orvek::trelm::core::Session& session,
                                                           const std::string& id) {
    static const orvek::trelm::core::StatisticsRecord none;
    const orvek::trelm::core::StatisticsRecord* found = session.find_sub_level_statistics(id);
    return found ? *found : none;
}

// A looping, additive strip at a skin position.
void set_up_animation(orvek::ostrel::AnimationSpot& spot, const std::string& image_id, float seconds,
                      orvek::ostrel::Point at) {
    spot.set_image(image_of(image_id));
    spot.set_duration(seconds);
    spot.set_looped(true);
    spot.set_additive(true);
    spot.set_position(at);
}

}  // namespace

// ---------------------------------------------------------------- MapButton

MapButton::MapButton(orvek::ostrel::Control& parent, const std::string& skin_path, std::uint32_t game_mode)
    : BasicButton(parent, skin_path), game_mode_(game_mode) {
    const std::string image = skin_path + "/image";
    position_ = position_of(image);
    shine_static_ = image_of(skin_path + "/shine_static");
    set_up_animation(dynamic_shine_, skin_path + "/shine_dynamic", float_of(image, "shine_dynamic_play_time"),
                     position_);
}

void MapButton::redraw() {
    mark_dirty();
    if (orvek::ostrel::Control* p = parent()) p->mark_dirty();
}

void MapButton::select() {
    if (selected_) return;
    selected_ = true;
    dynamic_shine_.set_time(0);
    dynamic_shine_.play();
    redraw();
}

void MapButton::deselect() {
    if (!selected_) return;
    selected_ = false;
    dynamic_shine_.stop();
    redraw();
}

void MapButton::update(float seconds) {
    if (dynamic_shine_.update(seconds)) redraw();
}

void MapButton::draw_debug_outline(Vant::Graphics& g) {
    if (!draw_control_rect.get()) return;
    const orvek::ostrel::Point p = position();
    const orvek::ostrel::Size s = size();
    g.SetColor(Vant::Color(255, 255, 255));
    g.DrawRect(p.x, p.y, s.width, s.height);
}

// ---------------------------------------------------------------- LevelButton

LevelButton::LevelButton(orvek::ostrel::Control& parent, const std::string& skin_path, std::uint32_t game_mode)
    : MapButton(parent, skin_path, game_mode), light_(image_of(skin_path + "/light_on")) {}

void LevelButton::set_open(bool open) {
    if (open_ == open) return;
    open_ = open;
    redraw();
}

void LevelButton::set_passive(bool passive) {
    if (passive_ == passive) return;
    passive_ = passive;
    redraw();
}

void LevelButton::on_selected() {
    if (hooks_run()) MapButton::on_selected();
}

void LevelButton::on_deselected() {
    if (hooks_run()) MapButton::on_deselected();
}

void LevelButton::on_activated() {
    if (hooks_run() && !selected_) MapButton::on_activated();
    redraw();
}

void LevelButton::on_deactivated() {
    if (hooks_run()) MapButton::on_deactivated();
    redraw();
}

void LevelButton::draw(Vant::Graphics& g) {
    draw_debug_outline(g);
    if (!campaign()) {
        if (Vant::Image* light = light_.GetImage()) g.DrawImage(light, position_.x, position_.y);
        return;
    }
    if (open_ && (is_active() || selected_ || passive_))
        if (Vant::Image* light = light_.GetImage()) g.DrawImage(light, position_.x, position_.y);
    if (!open_) return;
    const bool dynamic = draw_level_dynamic_shine.get();
    if (selected_) {
        if (dynamic) dynamic_shine_.draw(g);
        else if (Vant::Image* shine = shine_static_.GetImage()) g.DrawImage(shine, position_.x, position_.y);
        return;
    }
    if (passive_) return;
    if (!dynamic) {
        if (Vant::Image* strip = dynamic_shine_.image().GetImage()) {
            const int mode = g.GetDrawMode();
            g.SetDrawMode(Vant::DrawModeAdditive);
            g.DrawImage(strip, position_.x, position_.y, strip->GetCelRect(0));
            g.SetDrawMode(mode);
        }
    } else if (Vant::Image* shine = shine_static_.GetImage()) {
        g.DrawImage(shine, position_.x, position_.y);
    }
}

// ---------------------------------------------------------------- SubLevelButton

SubLevelButton::SubLevelButton(orvek::ostrel::Control& parent, const std::string& skin_path,
                               std::uint32_t game_mode)
    : MapButton(parent, skin_path, game_mode),
      normal_(image_of(skin_path + "/image")),
      record_image_(image_of(skin_path + "/image_record")) {
    const std::string animation = skin_path + "/animation";
    set_up_animation(hover_, animation, float_of(animation, "play_time"), position_of(animation));
}

void SubLevelButton::set_open(bool open) {
    if (open_ == open) return;
    open_ = open;
    if (!open) {
        hover_.stop();
        dynamic_shine_.stop();
    }
    redraw();
}

void SubLevelButton::set_record(bool record) {
    if (record_ == record) return;
    record_ = record;
    redraw();
}

void SubLevelButton::on_selected() {
    if (!campaign()) MapButton::on_selected();
}

void SubLevelButton::on_deselected() {
    if (!campaign()) MapButton::on_deselected();
}

void SubLevelButton::on_activated() {
    if (!open_) return;
    if (!campaign()) MapButton::on_activated();
    hover_.set_looped(true);
    if (!hover_.is_playing()) {
        hover_.set_time(0);
        hover_.play();
    }
    redraw();
}

void SubLevelButton::on_deactivated() {
    if (open_ && !campaign()) MapButton::on_deactivated();
    // The hover animation ends at the close of its current run.
    hover_.set_looped(false);
}

void SubLevelButton::update(float seconds) {
    const bool shine = dynamic_shine_.update(seconds);
    const bool hover = hover_.update(seconds);
    if (shine || hover) redraw();
}

void SubLevelButton::draw(Vant::Graphics& g) {
    draw_debug_outline(g);
    Vant::Image* image = (record_ ? record_image_ : normal_).GetImage();
    if (!campaign()) {
        if (image) g.DrawImage(image, position_.x, position_.y);
        if (!selected_)
            if (Vant::Image* shine = shine_static_.GetImage()) g.DrawImage(shine, position_.x, position_.y);
    } else if (open_ && image) {
        g.DrawImage(image, position_.x, position_.y);
    }
    if (selected_) dynamic_shine_.draw(g);
    hover_.draw(g);
}

// ---------------------------------------------------------------- CampaignScreen

CampaignScreen::CampaignScreen(ScreenSystem& system, bool start_at_once, bool resume)
    : BasicScreen(system, kSection), start_at_once_(start_at_once), resume_(resume) {
    start_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), kSection + "/start");
    start_->set_action([this] { on_start(); });
    back_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), kSection + "/back");
    back_->set_action([this] { on_cancel(); });
    stats_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), kSection + "/stats");
    stats_->set_action([this] { on_stats(); });
    build_buttons();
}

CampaignScreen::~CampaignScreen() {
    subs_.clear();
    levels_.clear();
    stats_.reset();
    back_.reset();
    start_.reset();
}

CampaignPlayer* CampaignScreen::player() const {
    SessionControllerBase* c = controller();
    if (!c) return nullptr;
    const auto profile = c->session().profile();
    return profile ? profile->property<CampaignPlayer>().get() : nullptr;
}

std::string CampaignScreen::profile_name() const {
    SessionControllerBase* c = controller();
    const auto profile = c ? c->session().profile() : nullptr;
    return profile ? profile->name() : std::string();
}

std::uint32_t CampaignScreen::game_mode() const {
    const CampaignPlayer* p = player();
    return p ? p->game_mode() : 0;
}

void CampaignScreen::build_buttons() {
    SessionControllerBase* c = controller();
    if (!c) return;
    orvek::trelm::core::Levels& levels = c->session().levels();
    const std::uint32_t mode = game_mode();
    levels_.resize(levels.size());
    subs_.resize(levels.size());
    for (unsigned i = 0; i < levels.size(); ++i) {
        const std::string index = std::to_string(i);
        levels_[i] = std::make_shared<LevelButton>(control(), kSection + "/level-button/stage" + index, mode);
        levels_[i]->set_action([this, i] { on_level_button(i); });
        const unsigned count = levels.get(i).size();
        subs_[i].resize(count);
        for (unsigned j = 0; j < count; ++j) {
            subs_[i][j] = std::make_shared<SubLevelButton>(
                control(), kSection + "/sublevel-button/stage" + index + "-" + std::to_string(j), mode);
            subs_[i][j]->set_action([this, i, j] { on_sub_level_button(i, j); });
        }
    }
}

LevelPosition CampaignScreen::clamped_position() const {
    const CampaignPlayer* p = player();
    const LevelPosition pos = p ? p->position_of(p->game_mode() == 0 ? 0 : 1) : LevelPosition();
    if (levels_.empty()) return LevelPosition();
    unsigned level = pos.level(), sub = pos.sub_level();
    if (level >= levels_.size()) {
        level = static_cast<unsigned>(levels_.size() - 1);
        sub = static_cast<unsigned>(subs_[level].empty() ? 0 : subs_[level].size() - 1);
    } else if (!subs_[level].empty() && sub >= subs_[level].size()) {
        sub = static_cast<unsigned>(subs_[level].size() - 1);
    }
    if (level != pos.level() || sub != pos.sub_level())
        map_warnings << "Campaign map: the position " << pos.to_string() << " lies outside the "
                              << levels_.size() << " levels; " << LevelPosition(level, sub).to_string()
                              << " is shown" << std::endl;
    return LevelPosition(level, sub);
}

unsigned CampaignScreen::clamped_highest_level() const {
    const CampaignPlayer* p = player();
    const unsigned highest = p ? p->highest_level() : 0;
    if (levels_.empty()) return 0;
    return std::min(highest, static_cast<unsigned>(levels_.size() - 1));
}

bool CampaignScreen::decide() {
    if (decided_) return false;
    decided_ = true;
    return true;
}

void CampaignScreen::on_shown() {
    BasicScreen::on_shown();
    decided_ = false;
    if (start_at_once_) {
        start_at_once_ = false;
        ScreenSystem* ss = screen_system();
        SessionControllerBase* c = controller();
        if (ss && c && decide()) ss->push_screen(c->game_screen());
        return;
    }
    refresh();
}

void CampaignScreen::refresh() {
    SessionControllerBase* c = controller();
    CampaignPlayer* p = player();
    if (!c || !p) return;
    if (open_all_levels.get() && !resume_ && !levels_.empty()) {
        // Only the position moves: fake play times would stay in the saved
        // statistics for good.
        p->set_position(LevelPosition(static_cast<unsigned>(levels_.size() - 1), 0));
    }
    const LevelPosition pos = clamped_position();
    if (p->game_mode() != 0) {
        open_all(pos);
        return;
    }
    if (!resume_) {
        open_to_level(clamped_highest_level());
        return;
    }
    const unsigned pl = pos.level(), ps = pos.sub_level();
    for (unsigned i = 0; i < levels_.size(); ++i) {
        levels_[i]->set_passive(true);
        levels_[i]->set_open(i <= pl);
        for (unsigned j = 0; j < subs_[i].size(); ++j) {
            subs_[i][j]->set_open(i < pl || (i == pl && j <= ps));
            subs_[i][j]->set_record(holds_record(i, j));
            set_sub_level_tooltip(i, j, i < pl || (i == pl && j < ps));
        }
    }
    selection_ = pos;
    update_highlight();
}

void CampaignScreen::open_to_level(unsigned k) {
    selection_ = LevelPosition(k, 0);
    const unsigned highest = clamped_highest_level();
    for (unsigned i = 0; i < levels_.size(); ++i) {
        levels_[i]->set_passive(false);
        levels_[i]->set_open(i <= highest);
        for (unsigned j = 0; j < subs_[i].size(); ++j) {
            subs_[i][j]->set_open(i < k || (i == k && j == 0));
            subs_[i][j]->set_record(holds_record(i, j));
            set_sub_level_tooltip(i, j, i < k);
        }
    }
    update_highlight();
}

void CampaignScreen::open_all(const LevelPosition& position) {
    selection_ = position;
    for (unsigned i = 0; i < levels_.size(); ++i) {
        levels_[i]->set_passive(true);
        levels_[i]->set_open(true);
        for (unsigned j = 0; j < subs_[i].size(); ++j) {
            subs_[i][j]->set_open(true);
            subs_[i][j]->set_record(holds_record(i, j));
            set_sub_level_tooltip(i, j, true);
        }
    }
    update_highlight();
}

void CampaignScreen::update_highlight() {
    const unsigned sl = selection_.level(), ss = selection_.sub_level();
    for (unsigned i = 0; i < levels_.size(); ++i) {
        if (i == sl) levels_[i]->select();
        else levels_[i]->deselect();
        for (unsigned j = 0; j < subs_[i].size(); ++j) {
            if (i == sl && j == ss) subs_[i][j]->select();
            else subs_[i][j]->deselect();
        }
    }
}

bool CampaignScreen::holds_record(unsigned level, unsigned sub_level) {
    SessionControllerBase* c = controller();
    if (!c) return false;
    const std::string& id = c->session().level(level).get(sub_level).id();
    const orvek::trelm::core::StatisticsRecord& record = session_record(c->session(), id);
    // Byte for byte: a name that differs only in case is another player.
    return record.is_set() && record.score().holder == profile_name();
}

void CampaignScreen::set_sub_level_tooltip(unsigned level, unsigned sub_level, bool completed) {
    SubLevelButton& button = *subs_[level][sub_level];
    SessionControllerBase* c = controller();
    CampaignPlayer* p = player();
    if (!completed || !c || !p) {
        button.set_tooltip(nullptr);
        return;
    }
    const std::string& id = c->session().level(level).get(sub_level).id();
    // Looked up without inserting: showing the map adds nothing to the profile.
    const auto& own = p->all_sub_level_statistics();
    const auto found = own.find(id);
    const std::uint32_t own_score = found == own.end() ? 0 : found->second.score().value;
    const orvek::trelm::core::StatisticsRecord& best = session_record(c->session(), id);
    const std::string text = text_of(kSection + "/your") + " " + std::to_string(own_score) + "\n" +
                             text_of(kSection + "/best") + " " + std::to_string(best.score().value) + " (" +
                             best.score().holder + ")";
    auto tooltip = std::make_shared<orvek::ostrel::TextTooltip>(kSection + "/sublevel-button/tooltip");
    tooltip->set_text(text);
    button.set_tooltip(tooltip);
}

void CampaignScreen::on_level_button(unsigned level) {
    if (resume_ || game_mode() != 0 || level >= levels_.size() || level > clamped_highest_level()) return;
    if (!player()) return;
    open_to_level(level);
}

void CampaignScreen::on_sub_level_button(unsigned level, unsigned sub_level) {
    if (level >= subs_.size() || sub_level >= subs_[level].size() || !player()) return;
    if (selection_ == LevelPosition(level, sub_level)) on_start();
    if (game_mode() != 0) open_all(LevelPosition(level, sub_level));
    else if (selection_.level() > level) on_level_button(level);
}

void CampaignScreen::on_start() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    CampaignPlayer* p = player();
    if (!ss || !c || !p || levels_.empty() || !decide()) return;
    c->session().remove_autosave();
    p->set_position(selection_);
    if (!resume_) {
        p->set_has_carried_state(false);
        p->medals_stats().reset();
        if (!(selection_ == LevelPosition(0, 0))) p->medals_stats().clear_flags();
    }
    resume_ = true;
    if (!p->show_help()) {
        ss->push_screen(c->game_screen());
        return;
    }
    HelpScreen* help = c->help_screen();
    help->set_callback([ss, c] {
        ss->pop_screen();
        ss->push_screen(c->game_screen());
    });
    ss->push_modal_screen(help);
}

void CampaignScreen::on_stats() {
    ScreenSystem* ss = screen_system();
    SessionControllerBase* c = controller();
    CampaignPlayer* p = player();
    if (!ss || !c || !p || !decide()) return;
    StatsScreen* stats = c->stats_screen();
    stats->set_callback([ss](int) { ss->pop_screen(); });
    stats->set_header(true, LevelPosition());
    stats->fill_table(true, p->best_statistics(), c->session().best_statistics());
    ss->push_modal_screen(stats);
}

void CampaignScreen::on_cancel() {
    ScreenSystem* ss = screen_system();
    if (!ss || !decide()) return;
    ss->pop_screen();
}

void CampaignScreen::update() {
    ScreenSystem* ss = screen_system();
    const float dt = static_cast<float>(ss ? ss->update_interval() : 33) * 0.001f;
    for (const auto& b : levels_) b->update(dt);
    for (const auto& level : subs_)
        for (const auto& b : level) b->update(dt);
}

void CampaignScreen::draw(Vant::Graphics* g) {
    if (!g) return;
    for (const auto& b : levels_) b->draw(*g);
    for (const auto& level : subs_)
        for (const auto& b : level) b->draw(*g);
}

CampaignScreen* SessionControllerBase::campaign_screen(bool start_at_once, bool resume) {
    return make<CampaignScreen>(campaign_slot, start_at_once, resume);
}

}  // namespace orvek::trelm::gui
