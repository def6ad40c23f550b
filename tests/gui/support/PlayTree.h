#pragma once
// A tree the play tests write for themselves: two levels ("alpha" of two
// sub-levels, "beta" of one), their way and contour files written through
// the logic's way writer, a background, a sprite and a frame sprite as PNG
// files, the renderers' look fixture as skin, and a session with a player
// logged in. The process works inside the tree while it stands.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RenderFixture.h"
#include "core/CampaignPlayer.h"
#include "core/Profiles.h"
#include "core/Session.h"
#include "logic/Way.h"
#include "support/TestSupport.h"

namespace guitest {

class PlayTree {
public:
    // Background and its offset in the skin; "background_shift" goes
    // inside <menu><game>.
    static constexpr int shift_x = 5, shift_y = 7;
    static constexpr int background_w = 200, background_h = 150;
    static const char* const kSkinGame;

    // config: extra configuration keys; edit runs on the written tree
    // before the session reads it.
    explicit PlayTree(const std::string& skin_game = kSkinGame,
                      const std::map<std::string, std::string>& config = {},
                      const std::function<void(PlayTree&)>& edit = {});
    ~PlayTree();
    PlayTree(const PlayTree&) = delete;
    PlayTree& operator=(const PlayTree&) = delete;

    // Points in authoring units (1024 wide); start mark on the first, finish
    // mark on the one before the last; every point's draw order 7.
    static orvek::trelm::logic::WayGeometry geometry(const std::vector<std::pair<float, float>>& points);
    // The ways of every sub-level's way file, and the contour.
    static std::vector<orvek::trelm::logic::WayGeometry> ways();
    static orvek::trelm::logic::WayGeometry contour();
    // The background pixel at (x, y) of the image.
    static std::uint32_t background_pixel(int x, int y);

    // Writes a way file (header, version, count, records) or a contour file
    // under data/.
    void write_ways(const std::string& name, const std::vector<orvek::trelm::logic::WayGeometry>& ways);
    void write_contour(const std::string& name, const orvek::trelm::logic::WayGeometry& contour);
    std::string data(const std::string& name) const { return (root() / "data" / name).string(); }
    const std::filesystem::path& root() const { return dir.path(); }

    orvek::trelm::core::CampaignPlayer& player();
    // From now on every sound asked for is recorded by its path.
    std::vector<std::string>& record_sounds();

    testsupport::TempDir dir;
    std::filesystem::path old_cwd;
    std::unique_ptr<Fixture> look;
    std::unique_ptr<orvek::trelm::core::Profiles> profiles;
    std::unique_ptr<orvek::trelm::core::SingleSession> session;
    std::shared_ptr<orvek::trelm::core::Profile> profile;
};

}  // namespace guitest
