#pragma once
// The main menu stage with a logged-in player "Ann", the medal debug names
// off, and a renderer owner that stands in for the game desktop: its
// control is the main menu's, so tooltips of resting medals are found by
// the screen system.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/CampaignPlayer.h"
#include "core/Profile.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/Renderer.h"
#include "orvek/config/ConfigRegistry.h"
#include "ostrel/gui/BasicScreen.h"
#include "ostrel/gui/Skin.h"
#include "GameStage.h"

namespace guitest {

inline void set_config(const std::vector<std::pair<std::string, std::string>>& values) {
    auto& registry = orvek::ostrel::ConfigRegistry::instance();
    for (const auto& [key, value] : values) registry.set_string(key.c_str(), value);
    registry.update_values();
}

// Changes one skin attribute ("path/@name") for a test, and puts it back.
class SkinValue {
public:
    SkinValue(std::string key, const std::string& value) : key_(std::move(key)) {
        auto& m = map();
        const auto it = m.find(key_);
        had_ = it != m.end();
        if (had_) old_ = it->second;
        m[key_] = value;
    }
    ~SkinValue() {
        if (had_) map()[key_] = old_;
        else map().erase(key_);
    }
    SkinValue(const SkinValue&) = delete;
    SkinValue& operator=(const SkinValue&) = delete;

private:
    static orvek::ostrel::Skin::Map& map() {
        return const_cast<orvek::ostrel::Skin::Map&>(orvek::ostrel::Skin::instance()->attributes());
    }
    std::string key_, old_;
    bool had_ = false;
};

struct MedalStage : MenuStage {
    explicit MedalStage(const std::string& name = "Ann") {
        set_config({{"debug/@draw_medal_name", "false"}});
        profile = std::make_shared<orvek::trelm::core::Profile>(name);
        controller().profiles().add(profile);
        session().set_profile(profile);
    }
    orvek::trelm::core::Session& session() const { return controller().session(); }
    orvek::trelm::core::CampaignPlayer& player() const {
        return *profile->property<orvek::trelm::core::CampaignPlayer>();
    }
    orvek::ostrel::Control& menu_control() const {
        return dynamic_cast<orvek::ostrel::BasicScreen&>(*ss().top_screen()).control();
    }

    std::shared_ptr<orvek::trelm::core::Profile> profile;
};

class DesktopOwner : public orvek::trelm::gui::RendererOwner {
public:
    explicit DesktopOwner(MedalStage& st) : control_(&st.menu_control()), session_(&st.session()), ss_(&st.ss()) {
        canvas_.Create(800, 600);
    }
    float game_time() const override { return 0.0f; }
    orvek::trelm::gui::RendererList& renderers() override { return list; }
    orvek::ostrel::Control* owner_control() override { return control_; }
    orvek::trelm::core::Session* owner_session() override { return session_; }
    orvek::trelm::gui::ScreenSystem* owner_screen_system() override { return ss_; }

    // Frames as the desktop runs them.
    void run(float dt, int frames = 1) {
        Vant::Graphics g(&canvas_);
        for (int i = 0; i < frames; ++i) orvek::trelm::gui::run_renderers(list, dt, false, g);
    }
    template <class T>
    std::vector<std::shared_ptr<T>> all() const {
        std::vector<std::shared_ptr<T>> found;
        for (const auto& r : list)
            if (auto t = std::dynamic_pointer_cast<T>(r)) found.push_back(t);
        return found;
    }

    orvek::trelm::gui::RendererList list;

private:
    orvek::ostrel::Control* control_;
    orvek::trelm::core::Session* session_;
    orvek::trelm::gui::ScreenSystem* ss_;
    Vant::MemoryImage canvas_;
};

}  // namespace guitest
