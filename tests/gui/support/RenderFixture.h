#pragma once
// A small world for the renderers: an application on a headless display
// (3D through the software device on request), and a skin, language table
// and manifest of flat-colour images, each its own colour, with the cel
// layouts the renderers expect, plus one image font.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "framework/app/support/FakeHost.h"
#include "framework/graphics/ImageLib.h"
#include "framework/graphics/MemoryImage.h"
#include "gui/Renderer.h"
#include "ostrel/ResourceManager.h"
#include "support/TestSupport.h"

namespace guitest {

// A renderer list with a settable clock.
class Owner : public orvek::trelm::gui::RendererOwner {
public:
    float game_time() const override { return time; }
    orvek::trelm::gui::RendererList& renderers() override { return list; }

    orvek::trelm::gui::RendererList list;
    float time = 0.0f;
};

struct ImageSpec {
    int width, height, cols, rows;
    std::uint32_t color;
};

class Fixture {
public:
    // Extra skin and configuration lines may be given, to try hostile
    // values: skin_game goes inside <menu><game>, config as key/value pairs.
    explicit Fixture(const std::string& skin_game = kDefaultSkinGame,
                     const std::map<std::string, std::string>& config = {});
    ~Fixture();
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    // The images of the fixture, by name.
    static const std::map<std::string, ImageSpec>& images();
    static std::uint32_t color_of(const std::string& name) { return images().at(name).color; }
    static const char* const kDefaultSkinGame;

    // Switches the application's 3D on: drawing then goes to the 3D screen.
    void enable_3d(int width = 160, int height = 120);
    Vant::Image* screen();
    // A pixel of the 3D screen after the scene is closed, without alpha.
    std::uint32_t screen_pixel(int x, int y);
    bool is_3d() const;

    testsupport::TempDir dir;
    apptest::DisplayHost host;
    std::unique_ptr<apptest::TestApp> app;
    std::unique_ptr<orvek::ostrel::ResourceManager> resources;
};

// A memory image filled with an opaque colour (black by default).
std::unique_ptr<Vant::MemoryImage> canvas(int width = 160, int height = 120, std::uint32_t fill = 0xFF000000u);
std::uint32_t pixel(Vant::MemoryImage& image, int x, int y);
// Colours equal within the blenders' rounding (4 per channel), alpha aside.
bool same_colour(std::uint32_t a, std::uint32_t b);
// Compares a picture with the one kept as tests/gui/data/<name>, exactly or
// within the blenders' rounding; the drawn one stays in the test's folder
// to look at. With ZELKOR_WRITE_EXPECTED=1 it becomes the kept one instead.
void compare_with_kept(const ImageLib::Image& actual, const std::string& name, bool exact);

}  // namespace guitest
