#include "gui/HelpScreen.h"

#include <algorithm>

#include "core/CampaignPlayer.h"
#include "core/Session.h"
#include "gui/Renderer.h"
#include "gui/ScreenSystem.h"
#include "gui/SessionController.h"
#include "ostrel/gui/Buttons.h"
#include "ostrel/gui/Skin.h"
#include "ostrel/gui/Spots.h"

namespace orvek::trelm::gui {

namespace {

using orvek::ostrel::Skin;

const std::string kHelp = "menu/help";
constexpr float kRandScale = 3.0518509e-05f;  // 1 / 32767

// The logged-in player's lasting record; null while nobody is logged in.
std::shared_ptr<core::CampaignPlayer> player_of(const SessionControllerBase* c) {
    if (!c) return nullptr;
    auto profile = c->session().profile();
    return profile ? profile->property<core::CampaignPlayer>() : nullptr;
}

}  // namespace

HelpScreen::HelpScreen(ScreenSystem& system) : BasicModalScreen(system, kHelp) {
    ok_ = std::make_unique<orvek::ostrel::ImageTextPushButton>(control(), kHelp + "/ok");
    ok_->set_action([this] { on_accept(); });
    box_ = std::make_unique<orvek::ostrel::ImageCheckButton>(control(), kHelp + "/show-again");

    if (Skin* skin = Skin::instance()) {
        const int statics = skin->get_int(kHelp, "static_effects_size");
        for (int n = 0; n < statics; ++n) {
            const std::string path = kHelp + "/static_effect" + std::to_string(n);
            auto spot = std::make_shared<orvek::ostrel::AnimationSpot>();
            spot->set_image(skin->get_image(path));
            const auto [x, y] = skin->get_position(path);
            spot->set_position({x, y});
            spot->set_looped(true);
            spot->set_duration(skin->get_float(path, "play_time"));
            spot->play();
            spot->set_time(skin->get_float(path, "start_time"));
            statics_.push_back(std::move(spot));
        }
        const int movables = skin->get_int(kHelp, "movable_effects_size");
        for (int n = 0; n < movables; ++n) movables_[kHelp + "/movable_effect" + std::to_string(n)];
    }
    if (auto player = player_of(controller())) box_->set_checked(!player->show_help());
}

HelpScreen::~HelpScreen() {
    box_.reset();
    ok_.reset();
}

bool HelpScreen::decide() {
    // Two Enters, or Enter and a click, in one step must not complete twice:
    // the callback pops the screen below as well.
    if (decided_) return false;
    decided_ = true;
    return true;
}

void HelpScreen::on_shown() {
    BasicModalScreen::on_shown();
    decided_ = false;
}

void HelpScreen::on_accept() {
    if (!decide()) return;
    if (auto player = player_of(controller())) player->set_show_help(!box_->is_checked());
    if (callback_) callback_();
}

void HelpScreen::on_cancel() {
    if (!decide()) return;
    if (callback_) callback_();
}

void HelpScreen::spawn(const std::string& path, Instances& into) {
    const Skin* skin = Skin::instance();
    if (!skin) return;
    const float d = static_cast<float>(skin->get_int(path, "random_dispersion"));
    const auto [x0, y0] = skin->get_position(path);
    // Drawn from the effects' generator, so the help page never moves the
    // game's random sequence. The y offset takes the first draw.
    orvek::LegacyRand& rand = effects_random();
    const float dy = -d + 2.0f * d * (static_cast<float>(rand.next()) * kRandScale);
    const float dx = -d + 2.0f * d * (static_cast<float>(rand.next()) * kRandScale);
    const float jitter = static_cast<float>(rand.next()) * kRandScale - 0.5f;
    const float duration = std::max(min_duration, skin->get_float(path, "play_time") + jitter);
    auto spot = std::make_shared<MovableAnimationSpot>(skin->get_image(path),
                                                       Vector2(float(x0) + dx, float(y0) + dy), duration,
                                                       false, true, true);
    spot->velocity = Vector2(0.0f, skin->get_float(path, "speed_y"));
    into.push_back(std::move(spot));
}

void HelpScreen::update() {
    ScreenSystem* ss = screen_system();
    const float dt = static_cast<float>(ss ? ss->update_interval() : 33) * 0.001f;
    for (const auto& spot : statics_) spot->update(dt);
    for (auto& [path, instances] : movables_)
        std::erase_if(instances, [](const std::shared_ptr<MovableAnimationSpot>& s) { return !s || !s->is_playing(); });
    const Skin* skin = Skin::instance();
    for (auto& [path, instances] : movables_) {
        const int quantity = skin ? skin->get_int(path, "quantity") : 0;
        for (int k = static_cast<int>(instances.size()); k < quantity; ++k) spawn(path, instances);
    }
    for (auto& [path, instances] : movables_)
        for (const auto& spot : instances) spot->update(dt);
    if (has_control()) control().mark_dirty();
}

void HelpScreen::draw(Vant::Graphics* g) {
    if (!g) return;
    for (const auto& spot : statics_) spot->draw(*g);
    for (const auto& [path, instances] : movables_)
        for (const auto& spot : instances) spot->draw(*g);
}

HelpScreen* SessionControllerBase::help_screen() { return make<HelpScreen>(help_slot); }

}  // namespace orvek::trelm::gui
