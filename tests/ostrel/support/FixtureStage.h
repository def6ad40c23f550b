#pragma once
// An initialised adapter application whose skin is the look fixture (see
// tools/fixturegen): the "Common" group loaded, an 800x600 logical screen,
// and a screen system made by the given factory (the recording one unless
// told otherwise).
#include <functional>
#include <memory>

#include "framework/app/WidgetManager.h"
#include "framework/graphics/MemoryImage.h"
#include "ostrel/ResourceManager.h"
#include "ostrel/gui/Skin.h"
#include "AdapterHarness.h"
#include "support/Fixture.h"

namespace adaptertest {

class FixtureApp : public TestApp {
public:
    using TestApp::TestApp;
    std::function<std::unique_ptr<orvek::ostrel::ScreenSystem>(FixtureApp&)> make_system;
    std::unique_ptr<orvek::ostrel::ScreenSystem> create_screen_system() override {
        return make_system ? make_system(*this) : TestApp::create_screen_system();
    }
};

struct FixtureStage {
    Platform p;
    std::unique_ptr<FixtureApp> app;
    orvek::ostrel::ScreenSystem* ss = nullptr;
    Vant::WidgetManager* wm = nullptr;

    explicit FixtureStage(std::function<std::unique_ptr<orvek::ostrel::ScreenSystem>(FixtureApp&)> factory = {}) {
        using orvek::ostrel::Skin;
        if (!testsupport::link_fixture_data()) std::abort();
        app = std::make_unique<FixtureApp>(&p.host, p.program);
        app->make_system = std::move(factory);
        app->init();
        ss = app->screen_system();
        wm = app->mWidgetManager.get();
        Skin::set_resources_file("data/resources.xml");
        Skin::set_skin_file("data/Skin.xml");
        Skin::set_language("en");
        Skin::set_language_file("data/en.xml");
        Skin::create(dynamic_cast<orvek::ostrel::ResourceManager*>(app->resource_manager()));
        Skin::instance()->load_resources("Common");
        orvek::ostrel::set_screen_size(800, 600);
    }
    ~FixtureStage() {
        using orvek::ostrel::Skin;
        Skin::destroy();
        Skin::set_resources_file("properties/resources.xml");
        Skin::set_skin_file("");
        Skin::set_language_file("");
        orvek::ostrel::set_screen_size(0, 0);
    }
    orvek::ostrel::Skin& skin() const { return *orvek::ostrel::Skin::instance(); }
    // The first pixel of a fixture image (each is one flat colour).
    std::uint32_t colour_of(const std::string& id) const {
        auto* m = dynamic_cast<Vant::MemoryImage*>(skin().get_image(id).GetImage());
        return m ? m->GetBits()[0] : 0;
    }
    // Every widget of the manager drawn afresh into an image of the window's size.
    std::unique_ptr<Vant::MemoryImage> draw_all(int width = 800, int height = 600) {
        auto image = std::make_unique<Vant::MemoryImage>();
        image->Create(width, height);
        image->Clear();
        Vant::Image* old = wm->mImage;
        wm->mImage = image.get();
        wm->MarkAllDirty();
        wm->DrawScreen();
        wm->mImage = old;
        return image;
    }
};

}  // namespace adaptertest
