#pragma once
// The level builder: fills a new game from the current sub-level's settings,
// its way file and its way-contour file, and builds the play field's scene
// (background, frame sprites, sprites, animated sprites, portals) as
// renderers of its owner. With an autosave waiting, the owner brings that
// back instead.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/Renderer.h"
#include "logic/GameSetup.h"

namespace Vant {
class Image;
class MemoryImage;
}  // namespace Vant
namespace orvek::io {
class IStream;
}
namespace orvek::trelm::logic {
struct GameAction;
struct WayGeometry;
}  // namespace orvek::trelm::logic
namespace orvek::trelm::core {
class CampaignPlayer;
class Session;
}  // namespace orvek::trelm::core

namespace orvek::trelm::gui {

// Levels are authored for a field 1024 units wide; the game's is 800.
constexpr float field_scale = 0.78125f;
// Where the owner draws the background.
constexpr int background_x = 14;
constexpr int background_y = 10;

class SimpleGameCreator;
struct MedalGridRecord;

// What a builder builds for: the game desktop, or a test's stand-in.
class LevelBuilderOwner : public RendererOwner {
public:
    virtual core::Session& session() = 0;
    // The owner draws it first, at (background_x, background_y); null drops it.
    virtual void set_background(std::shared_ptr<Vant::Image> image) = 0;
    virtual Vant::Image* background_image() const = 0;
    // Indexed by portal number; the owner adds each pair's renderers.
    virtual void set_portal_pairs(std::vector<std::shared_ptr<PortalRenderManager>> pairs) = 0;

    // The game's callbacks.
    virtual void object_added(std::weak_ptr<logic::Obj> object) = 0;
    virtual void object_changed(logic::Obj* object) = 0;
    virtual void game_action(const logic::GameAction& action) = 0;
    virtual std::pair<float, float> cursor_source() const = 0;

    // Brings the logged-in player's autosave into the game that setup fills:
    // the position it names becomes the player's, the builder's setup_scene
    // runs, then the saved game loads. True when it loaded. A refused file
    // is kept aside, removed and logged; the scene, the position and the
    // game are then as before, and the builder builds the sub-level afresh.
    virtual bool restore_autosave(SimpleGameCreator& builder, logic::GameSetup& setup);
    // After a restored game: the file's medal grid, null for a file older
    // than the grid.
    virtual void restore_medals(const MedalGridRecord*) {}
};

class SimpleGameCreator : public logic::GameCreator {
public:
    explicit SimpleGameCreator(LevelBuilderOwner* owner);
    ~SimpleGameCreator() override;
    SimpleGameCreator(const SimpleGameCreator&) = delete;
    SimpleGameCreator& operator=(const SimpleGameCreator&) = delete;

    void create(logic::GameSetup& setup) override;
    // Callbacks, scene, parameters, colours and way settings of the
    // player's current sub-level.
    void setup_scene(logic::GameSetup& setup);

    struct Impl_;

private:
    std::unique_ptr<Impl_> impl_;
};

// The campaign record of the session's logged-in player; throws when
// nobody is logged in.
core::CampaignPlayer& campaign_player(core::Session& session);

// The way geometries of a way file (contour: of a way-contour file) read
// from in, after the header, not yet scaled. A way count that more records
// than the rest of the stream could hold fails as a broken file would.
// Throws io::Failure for truncated data and, for a stream failed or a
// count too large, the exception with message ("Cannot load way file.").
std::vector<logic::WayGeometry> read_way_records(io::IStream& in, bool contour, const char* message);

// Every opaque white pixel (exactly 0xFFFFFFFF) of sprite, placed at
// (x, y), takes the background pixel under it; the background lies at
// (bx, by). White outside the background stays white.
void fill_white_from_background(Vant::MemoryImage& sprite, int x, int y, Vant::MemoryImage& background, int bx,
                                int by);

}  // namespace orvek::trelm::gui
